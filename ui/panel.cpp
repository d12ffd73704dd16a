#include "ui/model_panel.h"
#include "ui/panel.h"

#include <cmath>
#include <cstdio>
#include <imgui.h>
#include <imgui_internal.h>
#include <string>

#include "demo/demo_state.h"
#include "demo/shown_model.h"
#include "ik/kinematics.h"
#include "rig/bones.h"
#include "ui/ik_panel.h"
#include "ui/layout.h"
#include "ui/skin_panel.h"
#include "ui/sliders.h"

namespace {

const char PanelTitle[] = "Controls (F1)";
const float PanelMargin = 8.0f;      // around the folded title bar
const float PanelWidth = 330.0f;     // the open panel's strip, where the window is wide enough
const float CollapsedWidth = 130.0f; // just the title
const float HelpInputWidth = 100.0f;

// For fingers (a touch screen, or a window too narrow for the strip beside the scene): rows and
// check boxes at least FingerRowHeight high, and on a narrow window a sheet across its whole
// width over the scene's top, at most SheetShare of its height, the scene drawn beneath.
const float FingerRowHeight = 40.0f;
const float SheetShare = 0.5f;

// Joint angles the sliders offer, degrees; the keys may turn a joint further.
const float JointSliderRange = 180.0f;

double fixedStep = 0.0;

// The text the last build wrote, kept when asked for (SetPanelTextKept).
int keepText = 0;
std::string keptText;

// A digest of what the panel built last draws, and whether it differs from the one before.
unsigned long long pictureDigest = 0;
int pictureChanged = 1;

void Digest(unsigned long long &digest, const void *data, size_t size) {
    const unsigned char *bytes = (const unsigned char *)data;
    for (size_t i = 0; i < size; ++i)
        digest = (digest ^ bytes[i]) * 1099511628211ull; // FNV-1a
}

// Everything the draw lists hand to the GL: vertices, indices, clip rectangles and textures.
unsigned long long DigestOfDrawData(const ImDrawData *data) {
    unsigned long long digest = 14695981039346656037ull;
    if (!data)
        return digest;
    for (int n = 0; n < data->CmdListsCount; ++n) {
        const ImDrawList *list = data->CmdLists[n];
        Digest(digest, list->VtxBuffer.Data, (size_t)list->VtxBuffer.Size * sizeof(ImDrawVert));
        Digest(digest, list->IdxBuffer.Data, (size_t)list->IdxBuffer.Size * sizeof(ImDrawIdx));
        for (const ImDrawCmd &command : list->CmdBuffer) {
            Digest(digest, &command.ClipRect, sizeof command.ClipRect);
            Digest(digest, &command.TextureId, sizeof command.TextureId);
            Digest(digest, &command.ElemCount, sizeof command.ElemCount);
        }
    }
    return digest;
}

void Queue(DemoCommandQueue &commands, int type, int index = 0, double value = 0.0,
           Vector3 point = Vector3{0.0f, 0.0f, 0.0f}) {
    QueueCommand(commands, DemoCommand{type, index, value, point});
}

// A check box that shows flag and asks for command when clicked.
void ToggleBox(const char *label, int flag, int command, DemoCommandQueue &commands) {
    bool shown = flag != 0;
    if (ImGui::Checkbox(label, &shown))
        Queue(commands, command);
}

void ModeRow(DemoCommandQueue &commands) {
    ImGui::TextUnformatted("Mode");
    ToggleBox("Play (P)", demoState.playAnimation, CommandTogglePlay, commands);
    SameLineIfFits(ToggleWidth("Forward (F)"));
    ToggleBox("Forward (F)", demoState.fkMode, CommandToggleForward, commands);
    SameLineIfFits(ToggleWidth("Inverse (I)"));
    ToggleBox("Inverse (I)", demoState.ikMode, CommandToggleInverse, commands);
}

void DisplayToggles(DemoCommandQueue &commands) {
    ToggleBox("Wireframe (T)", demoState.wireframe, CommandToggleWireframe, commands);
    SecondColumnIfFits(ToggleWidth("Bone markers (B)"));
    ToggleBox("Bone markers (B)", !demoState.hideBones, CommandToggleBones, commands);
    ToggleBox("Normals (N)", demoState.showNormals, CommandToggleNormals, commands);
    SecondColumnIfFits(ToggleWidth("Textures (O)"));
    ToggleBox("Textures (O)", !demoState.texturesOff, CommandToggleTextures, commands);
    ToggleBox("Rotate camera (R)", demoState.rotateView, CommandToggleRotation, commands);
}

void SpeedRow(DemoCommandQueue &commands) {
    // Wide enough for a finger where the rows are tall.
    ImVec2 size(ImGui::GetFrameHeight() * 1.2f, 0.0f);
    if (ImGui::Button("-", size))
        Queue(commands, CommandSlower);
    ImGui::SameLine();
    if (ImGui::Button("+", size))
        Queue(commands, CommandFaster);
    char text[64];
    std::snprintf(text, sizeof text, "Speed %.1f, target step %.2f", demoState.speed,
                  demoState.targetStep);
    SameLineIfFits(ImGui::CalcTextSize(text).x);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(text);
}

void JointSlider(const char *label, int joint, double angle, DemoCommandQueue &commands) {
    float degrees = WrappedDegrees(angle);
    if (PanelSliderFloat(label, &degrees, -JointSliderRange, JointSliderRange, 1.0f, "%.1f deg"))
        Queue(commands, CommandSetJointAngle, joint, degrees);
}

// On a model the sliders turn its selected joint, as the keys do.
void ModelJointSliders(DemoCommandQueue &commands) {
    int joint = shownModel.selectedJoint;
    if (joint < 0 || joint >= (int)shownModel.jointTurns.size()) {
        ImGui::TextWrapped("Click a joint of the skeleton, or pick one in the Model section, to "
                           "turn it.");
        return;
    }
    const Vec3d &turn = shownModel.jointTurns[(size_t)joint];
    const char *labels[3] = {"Joint X", "Joint Y", "Joint Z"};
    const double angles[3] = {turn.x, turn.y, turn.z};
    for (int axis = 0; axis < 3; ++axis) {
        float degrees = WrappedDegrees(angles[axis]);
        if (PanelSliderFloat(labels[axis], &degrees, -JointSliderRange, JointSliderRange, 1.0f,
                             "%.1f deg"))
            Queue(commands, CommandSetModelJointTurn, axis, degrees);
    }
}

void ForwardControls(DemoCommandQueue &commands) {
    if (shownModel.active) {
        ModelJointSliders(commands);
        return;
    }
    JointSlider("Lower bone X", 0, bones[0].rotX, commands);
    JointSlider("Upper bone X", 1, bones[1].rotX, commands);
    JointSlider("Upper bone Z", 2, bones[1].rotZ, commands);
    JointSlider("Upper bone Y", 3, bones[1].rotY, commands);
}

void InverseControls(DemoCommandQueue &commands) {
    Vector3 target = demoState.target;
    bool changed = PanelSliderFloat("Target x", &target.x, TargetMinXZ, TargetMaxXZ, 0.01f, "%.2f");
    changed |= PanelSliderFloat("Target y", &target.y, TargetMinY, TargetMaxY, 0.01f, "%.2f");
    changed |= PanelSliderFloat("Target z", &target.z, TargetMinXZ, TargetMaxXZ, 0.01f, "%.2f");
    if (changed)
        Queue(commands, CommandSetTarget, 0, 0.0, target);
    BuildIkPanel(commands);
}

void HelpList(const PanelReadout &readout) {
    if (!ImGui::CollapsingHeader("Keys and mouse"))
        return;
    if (!ImGui::BeginTable("help", 2))
        return;
    ImGui::TableSetupColumn("input", ImGuiTableColumnFlags_WidthFixed, HelpInputWidth);
    ImGui::TableSetupColumn("action", ImGuiTableColumnFlags_WidthStretch);
    for (int i = 0; i < readout.helpLineCount; ++i) {
        const PanelHelpLine &line = readout.helpLines[i];
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(line.input);
        ImGui::TableNextColumn();
        ImGui::TextWrapped("%s", line.action);
    }
    ImGui::EndTable();
}

void PanelContents(const PanelReadout &readout, DemoCommandQueue &commands) {
    ModeRow(commands);
    ImGui::Separator();
    DisplayToggles(commands);
    SpeedRow(commands);
    if (demoState.fkMode) {
        ImGui::Separator();
        ForwardControls(commands);
    }
    if (demoState.ikMode) {
        ImGui::Separator();
        InverseControls(commands);
    }
    ModelSection(commands);
    SkinningLabSection(commands);
    if (readout.showRate) {
        ImGui::Separator();
        if (readout.idle) // a count of the few frames drawn would read as a hang
            ImGui::TextWrapped("Frames per second: idle (nothing moves, so no frame is drawn "
                               "until something changes)");
        else
            ImGui::Text("Frames per second: %.0f", readout.framesPerSecond);
    }
    ImGui::Separator();
    ImGui::TextWrapped("%s", PanelSliderHint);
    HelpList(readout);
}

// The style for a mouse, or taller rows and larger grips for fingers. Set only when it changes,
// so the desktop's panel keeps Dear ImGui's own.
void UseFingerStyle(int fingers) {
    static int inUse = 0;
    if (fingers == inUse)
        return;
    inUse = fingers;
    ImGuiStyle style;
    ImGui::StyleColorsDark(&style);
    if (fingers) {
        style.FramePadding.y = (FingerRowHeight - ImGui::GetFontSize()) / 2;
        style.FramePadding.x = 8.0f;
        style.ItemSpacing = ImVec2(10.0f, 6.0f);
        style.ItemInnerSpacing.x = 8.0f;
        style.ScrollbarSize = 18.0f;
        style.GrabMinSize = 24.0f;
    }
    ImGui::GetStyle() = style;
}

int UsesFingers() {
    ImGuiIO &io = ImGui::GetIO();
    return (io.ConfigFlags & ImGuiConfigFlags_IsTouchScreen) ||
           PanelIsSheet(io.DisplaySize.x, io.DisplaySize.y);
}

// A finger drags the open panel's contents where a mouse turns the wheel: a drag that starts
// off its controls (which Dear ImGui takes as the start of a window move, which the panel does
// not allow) scrolls it instead.
void ScrollByDrag() {
    ImGuiContext &g = *ImGui::GetCurrentContext();
    ImGuiWindow *window = ImGui::GetCurrentWindow();
    if (g.ActiveId == window->MoveId && ImGui::IsMouseDragging(0, 0.0f))
        ImGui::SetScrollY(window->Scroll.y - g.IO.MouseDelta.y);
}

} // namespace

int CreatePanel() {
    if (ImGui::GetCurrentContext())
        return 0;
    ImGui::CreateContext();
    ImGuiIO &io = ImGui::GetIO();
    io.IniFilename = nullptr; // nothing written into the working directory
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    pictureDigest = 0;
    pictureChanged = 1;
    ResetPanelSliders();
    return 1;
}

void DestroyPanel() {
    if (ImGui::GetCurrentContext())
        ImGui::DestroyContext();
}

void SetPanelFixedStep(double seconds) {
    fixedStep = seconds;
}

void BuildPanel(const PanelReadout &readout, DemoCommandQueue &commands) {
    if (fixedStep > 0.0)
        ImGui::GetIO().DeltaTime = (float)fixedStep;
    int fingers = UsesFingers();
    SetFingerLayout(fingers);
    ImGui::NewFrame();
    UseFingerStyle(fingers); // after NewFrame, which sets the font's size the rows are made from
    // Open, the panel is a strip down the window's left edge and the scene is drawn beside it
    // (PanelStripWidth), never under it; on a narrow window, a sheet across the top with the
    // scene beneath. It scrolls within its height and cannot be moved off-screen. Folded, it is
    // a title bar over the scene's top-left corner.
    ImVec2 display = ImGui::GetIO().DisplaySize;
    int sheet = demoState.panelOpen && PanelIsSheet(display.x, display.y);
    float width = sheet ? display.x
                  : demoState.panelOpen ? PanelStripWidth(display.x)
                                        : CollapsedWidth + (fingers ? CollapsedWidth / 2 : 0.0f);
    float margin = demoState.panelOpen ? 0.0f : PanelMargin;
    ImGui::SetNextWindowPos(ImVec2(margin, margin), ImGuiCond_Always);
    if (demoState.panelOpen)
        ImGui::SetNextWindowSize(ImVec2(width, sheet ? std::floor(display.y * SheetShare) : display.y),
                                 ImGuiCond_Always);
    else
        ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always); // 0: fit the height
    ImGui::SetNextWindowCollapsed(!demoState.panelOpen, ImGuiCond_Always);
    bool expanded =
        ImGui::Begin(PanelTitle, nullptr,
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                         ImGuiWindowFlags_NoResize);
    // Folded, a click anywhere on the title bar opens the panel as its small arrow does: a
    // finger cannot aim at the arrow.
    ImGuiWindow *window = ImGui::GetCurrentWindow();
    if (!demoState.panelOpen && !window->WantCollapseToggle && ImGui::IsMouseClicked(0) &&
        window->TitleBarRect().Contains(ImGui::GetIO().MousePos))
        window->WantCollapseToggle = true;
    if (keepText)
        ImGui::LogToBuffer();
    // Collapsing or expanding by the title bar's arrow is the same as F1.
    if (ImGui::IsWindowCollapsed() == (demoState.panelOpen != 0))
        Queue(commands, CommandTogglePanel);
    if (expanded) {
        PanelContents(readout, commands);
        if (fingers)
            ScrollByDrag();
    }
    if (keepText) {
        ImGuiContext &g = *ImGui::GetCurrentContext();
        keptText.assign(g.LogBuffer.c_str());
        ImGui::LogFinish();
    }
    EndPanelSliders();
    ImGui::End();
    SideBySideLabels();
    ImGui::Render();
    unsigned long long digest = DigestOfDrawData(ImGui::GetDrawData());
    pictureChanged = digest != pictureDigest;
    pictureDigest = digest;
}

int PanelIsSheet(float displayWidth, float displayHeight) {
    return displayWidth > 0.0f && displayWidth < 2 * PanelWidth && displayHeight > displayWidth;
}

int PanelSheetPixels(int drawableHeight) {
    if (!ImGui::GetCurrentContext() || !demoState.panelOpen || drawableHeight <= 0)
        return 0;
    ImGuiIO &io = ImGui::GetIO();
    if (!PanelIsSheet(io.DisplaySize.x, io.DisplaySize.y))
        return 0;
    float scale = io.DisplayFramebufferScale.y > 0.0f ? io.DisplayFramebufferScale.y : 1.0f;
    return (int)(std::floor(drawableHeight / scale * SheetShare) * scale + 0.5f);
}

float PanelStripWidth(float displayWidth) {
    float half = displayWidth / 2;
    return half < PanelWidth ? (half > 0.0f ? half : 0.0f) : PanelWidth;
}

int PanelStripPixels(int drawableWidth) {
    if (!ImGui::GetCurrentContext() || !demoState.panelOpen || drawableWidth <= 0)
        return 0;
    // The panel lays itself out in window coordinates; drawable pixels are finer on dense
    // screens.
    float scale = ImGui::GetIO().DisplayFramebufferScale.x;
    if (!(scale > 0.0f))
        scale = 1.0f;
    ImVec2 display = ImGui::GetIO().DisplaySize;
    if (PanelIsSheet(display.x, display.y))
        return 0;
    float strip = PanelStripWidth(drawableWidth / scale) * scale;
    return (int)(strip + 0.5f);
}

int PanelTakesKey(int keyCode) {
    if (!ImGui::GetCurrentContext() || !demoState.panelOpen)
        return 0;
    // While a value is typed, every key is the text field's: Escape cancels it, Enter ends it.
    // Asked of the field itself: io.WantTextInput follows it a frame late, and would take the
    // key right after Enter from the key table.
    ImGuiContext &g = *ImGui::GetCurrentContext();
    int typing = g.ActiveId != 0 && g.ActiveId == g.InputTextState.ID;
    return typing || PanelSliderTakesKey(keyCode);
}

int PanelPictureChanged() {
    return pictureChanged;
}

int PanelOwnsPoint(double x, double y) {
    if (!ImGui::GetCurrentContext())
        return 0;
    if (ImGui::IsAnyItemActive())
        return 1;
    ImGuiWindow *window = ImGui::FindWindowByName(PanelTitle);
    if (!window || !window->WasActive)
        return 0;
    // The panel lays itself out in window coordinates; drawable pixels are finer on dense
    // screens.
    ImVec2 scale = ImGui::GetIO().DisplayFramebufferScale;
    ImVec2 point((float)x / (scale.x > 0.0f ? scale.x : 1.0f),
                 (float)y / (scale.y > 0.0f ? scale.y : 1.0f));
    return window->Rect().Contains(point);
}

void SetPanelTextKept(int keep) {
    keepText = keep;
    keptText.clear();
}

const char *PanelText() {
    return keptText.c_str();
}
