#include <gtest/gtest.h>

#include <GL/gl.h>
#include <imgui.h>
#include <imgui_internal.h>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/keyboard.h"
#include "app/mouse.h"
#include "demo/demo_ik.h"
#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "lab/ik_lab.h"
#include "lab/skin_poses.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "render/gl_state.h"
#include "render/panel_drawing.h"
#include "render/renderer.h"
#include "rig/bones.h"
#include "skinning/skinning.h"
#include "tests/support/gl_state_probe.h"
#include "tests/support/offscreen_gl.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "view/camera.h"

namespace {

const char PanelTitle[] = "Controls (F1)";

// The panel with a mouse of its own: each frame places the pointer and the button as a person
// would, then builds the panel and runs what it asks for, as the program does.
class Panel : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDemoGlobals();
        ASSERT_TRUE(CreatePanel());
        ImGuiIO &io = ImGui::GetIO();
        io.DisplaySize = ImVec2(800, 600);
        unsigned char *pixels = nullptr;
        int width = 0, height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height); // no renderer: build the font
        SetPanelFixedStep(0.01);
    }
    void TearDown() override { DestroyPanel(); }

    // One frame with the pointer at (x, y) and the left button down or up. Returns the number
    // of commands the panel asked for, after running them.
    static int Frame(float x, float y, bool down) {
        ImGuiIO &io = ImGui::GetIO();
        io.MousePos = ImVec2(x, y);
        io.MouseDown[0] = down;
        DemoCommandQueue commands = {};
        BuildPanel(PanelReadout{0.0, 0, 0, nullptr, 0}, commands);
        for (int i = 0; i < commands.count; ++i)
            RunCommand(commands.commands[i]);
        return commands.count;
    }

    // Where each control of the open panel can be pointed at, found by moving the pointer over
    // the panel and asking which control it is over.
    static std::map<ImGuiID, ImVec2> FindControls() {
        std::map<ImGuiID, ImVec2> found;
        for (int settle = 0; settle < 3; ++settle) // a window fits its contents a frame late
            Frame(-100, -100, false);
        ImRect panel = ImGui::FindWindowByName(PanelTitle)->Rect();
        for (float y = panel.Min.y; y < panel.Max.y; y += 3)
            for (float x = panel.Min.x; x < panel.Max.x; x += 6) {
                Frame(x, y, false);
                Frame(x, y, false); // hovering settles over two frames
                ImGuiID hovered = ImGui::GetCurrentContext()->HoveredId;
                if (hovered && !found.count(hovered))
                    found[hovered] = ImVec2(x, y);
            }
        Frame(-100, -100, false);
        return found;
    }

    // The part of the window each control answers the pointer in, as the box around the points
    // found on a grid of points stepX by stepY apart; the title bar's arrow left out.
    static std::map<ImGuiID, ImRect> ControlAreas(float stepX, float stepY) {
        std::map<ImGuiID, ImRect> areas;
        for (int settle = 0; settle < 3; ++settle)
            Frame(-100, -100, false);
        ImGuiWindow *window = ImGui::FindWindowByName(PanelTitle);
        ImRect panel = window->Rect();
        float end = ImMin(panel.Max.y, window->DC.CursorMaxPos.y + ImGui::GetStyle().ItemSpacing.y);
        for (float y = panel.Min.y + window->TitleBarHeight(); y < end; y += stepY)
            for (float x = panel.Min.x; x < panel.Max.x; x += stepX) {
                Frame(x, y, false);
                Frame(x, y, false);
                ImGuiID hovered = ImGui::GetCurrentContext()->HoveredId;
                if (!hovered)
                    continue;
                ImRect point(x, y, x, y);
                if (areas.count(hovered))
                    areas[hovered].Add(point);
                else
                    areas[hovered] = point;
            }
        Frame(-100, -100, false);
        return areas;
    }

    static ImGuiID ControlId(const char *label) {
        return ImGui::FindWindowByName(PanelTitle)->GetID(label);
    }

    // Presses and releases the left button on the control; returns the commands it gave.
    static int Click(const ImVec2 &at) {
        int commands = Frame(at.x, at.y, false);
        commands += Frame(at.x, at.y, true);
        commands += Frame(at.x, at.y, false);
        commands += Frame(-100, -100, false);
        return commands;
    }
};

template <typename T> void AppendBytes(std::vector<unsigned char> &bytes, const T &value) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
}

// The bytes of every global the update writes and the drawing and the panel read.
std::vector<unsigned char> ReadableGlobals() {
    std::vector<unsigned char> bytes;
    AppendBytes(bytes, demoState);
    AppendBytes(bytes, bones);
    AppendBytes(bytes, skinVertices);
    AppendBytes(bytes, skinTriangles);
    AppendBytes(bytes, ikLab.progress);
    AppendBytes(bytes, ikLab.comparison);
    // The record's run-time-sized parts, element by element.
    for (const SkinVertex &vertex : frameRecord.skin)
        AppendBytes(bytes, vertex);
    for (float determinant : frameRecord.determinants)
        AppendBytes(bytes, determinant);
    for (float ratio : frameRecord.radiusRatios)
        AppendBytes(bytes, ratio);
    AppendBytes(bytes, frameRecord.inspection);
    AppendBytes(bytes, frameRecord.ik);
    AppendBytes(bytes, frameRecord.volumePercent);
    return bytes;
}

// Everything a toggle or a mode switch can change.
struct Observed {
    DemoState state;
    double angles[2][3];
};

Observed Observe() {
    Observed seen = {demoState, {}};
    for (int b = 0; b < 2; ++b) {
        seen.angles[b][0] = bones[b].rotX;
        seen.angles[b][1] = bones[b].rotY;
        seen.angles[b][2] = bones[b].rotZ;
    }
    return seen;
}

void ExpectSame(const Observed &clicked, const Observed &pressed) {
    const DemoState &s = clicked.state, &t = pressed.state;
    EXPECT_EQ(s.wireframe, t.wireframe);
    EXPECT_EQ(s.hideBones, t.hideBones);
    EXPECT_EQ(s.showNormals, t.showNormals);
    EXPECT_EQ(s.texturesOff, t.texturesOff);
    EXPECT_EQ(s.rotateView, t.rotateView);
    EXPECT_EQ(s.playAnimation, t.playAnimation);
    EXPECT_EQ(s.fkMode, t.fkMode);
    EXPECT_EQ(s.ikMode, t.ikMode);
    EXPECT_EQ(s.speed, t.speed);
    EXPECT_EQ(s.targetStep, t.targetStep);
    for (int j = 0; j < 3; ++j)
        EXPECT_EQ(s.jointVelocity[j], t.jointVelocity[j]);
    EXPECT_EQ(s.viewAngle, t.viewAngle);
    EXPECT_EQ(s.target.x, t.target.x);
    EXPECT_EQ(s.target.y, t.target.y);
    EXPECT_EQ(s.target.z, t.target.z);
    EXPECT_EQ(s.panelOpen, t.panelOpen);
    EXPECT_EQ(s.ikSolver, t.ikSolver);
    EXPECT_EQ(s.ikCompare, t.ikCompare);
    EXPECT_EQ(s.ikFrozen, t.ikFrozen);
    EXPECT_EQ(s.ikStepsPending, t.ikStepsPending);
    for (int b = 0; b < 2; ++b)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(clicked.angles[b][k], pressed.angles[b][k]);
}

// A state to start from that each control visibly changes: bent, faster, in some mode.
void StartFrom(int modeKey) {
    ResetDemoGlobals();
    demoState.panelOpen = 1;
    bones[0].rotX = 12;
    bones[1].rotX = -20;
    bones[1].rotZ = 7;
    HandleKeyDown(KeyPadPlus);
    if (modeKey)
        HandleKeyDown(modeKey);
}

TEST_F(Panel, EachToggleAndModeClickDoesWhatItsKeyDoes) {
    struct Control {
        const char *label;
        int key;
    };
    const Control controls[] = {
        {"Play (P)", 'P'},      {"Forward (F)", 'F'},       {"Inverse (I)", 'I'},
        {"Wireframe (T)", 'T'}, {"Bone markers (B)", 'B'},  {"Normals (N)", 'N'},
        {"Textures (O)", 'O'},  {"Rotate camera (R)", 'R'}, {"+", KeyPadPlus},
        {"-", KeyPadMinus},
    };
    for (int modeKey : {0, (int)'F', (int)'I', (int)'P'}) {
        StartFrom(modeKey);
        std::map<ImGuiID, ImVec2> where = FindControls();
        for (const Control &control : controls) {
            SCOPED_TRACE(::testing::Message() << control.label << " from mode key " << modeKey);
            auto at = where.find(ControlId(control.label));
            ASSERT_NE(at, where.end()) << "no control to click";

            StartFrom(modeKey);
            HandleKeyDown(control.key);
            HandleKeyUp(control.key);
            Observed byKey = Observe();

            StartFrom(modeKey);
            EXPECT_EQ(Click(at->second), 1);
            ExpectSame(Observe(), byKey);
        }
    }
}

// Where each item of the open combo box's list can be pointed at, by its text.
std::map<std::string, ImVec2> FindComboItems(const char *const *items, int count) {
    std::map<std::string, ImVec2> found;
    ImGuiWindow *list = ImGui::GetCurrentContext()->NavWindow;
    if (!list || !(list->Flags & ImGuiWindowFlags_Popup))
        return found;
    ImRect box = list->Rect();
    for (float y = box.Min.y + 1; y < box.Max.y; y += 2) {
        ImGuiIO &io = ImGui::GetIO();
        io.MousePos = ImVec2(box.GetCenter().x, y);
        for (int settle = 0; settle < 2; ++settle) {
            DemoCommandQueue ignored = {};
            BuildPanel(PanelReadout{0.0, 0, 0, nullptr, 0}, ignored);
        }
        ImGuiID hovered = ImGui::GetCurrentContext()->HoveredId;
        for (int i = 0; i < count; ++i)
            if (hovered == list->GetID(items[i]) && !found.count(items[i]))
                found[items[i]] = io.MousePos;
    }
    return found;
}

// The skinning lab, opened by a colour view: each pose button does what its command does from
// the middle of the play animation; the colour views are one choice, None among them; the
// weight sliders and the button back to the built-in weights reach the skin.
TEST_F(Panel, SkinningLabPosesColourChoiceAndWeightsDoWhatTheirCommandsDo) {
    // Tall enough that the lab's controls lie above the panel's fold: what they do is the test.
    ImGui::GetIO().DisplaySize = ImVec2(800, 1000);
    auto start = [] {
        StartFrom(0);
        demoState.radiusView = 1; // opens the lab's header
        SetRingWeightOnBone1(3, 0.2);
    };
    start();
    std::map<ImGuiID, ImVec2> where = FindControls();
    auto find = [&](const char *label) {
        auto at = where.find(ControlId(label));
        EXPECT_NE(at, where.end()) << "no control " << label;
        return at == where.end() ? ImVec2(-100, -100) : at->second;
    };
    for (int pose = 0; pose < SkinPoseCount; ++pose) {
        SCOPED_TRACE(skinPoses[pose].label);
        start();
        RunCommand(DemoCommand{CommandSetPose, pose, 0.0, Vector3{}});
        Observed byCommand = Observe();
        start();
        EXPECT_EQ(Click(find(skinPoses[pose].label)), 1);
        ExpectSame(Observe(), byCommand);
    }

    start();
    auto views = [] {
        return demoState.weightsView * 1 + demoState.volumeView * 2 + demoState.radiusView * 4;
    };
    EXPECT_EQ(Click(find("Nothing")), 1);
    EXPECT_EQ(views(), 0);
    EXPECT_EQ(Click(find("Volume (V)")), 1);
    EXPECT_EQ(views(), 2);
    EXPECT_EQ(Click(find("Weights (W)")), 1);
    EXPECT_EQ(views(), 1);
    EXPECT_EQ(Click(find("Radius (D)")), 1);
    EXPECT_EQ(views(), 4);
    EXPECT_EQ(Click(find("Radius (D)")), 0); // chosen already: stays chosen
    EXPECT_EQ(views(), 4);
    EXPECT_EQ(Click(find("Side by side (S)")), 1);
    EXPECT_EQ(demoState.sideBySide, 1);
    EXPECT_EQ(views(), 4); // beside the colour views, not one of them

    EXPECT_GE(Click(find("Ring 4")), 1);
    EXPECT_NE(RingWeightOnBone1(skinVertices, 4), 0.4f);
    EXPECT_EQ(RingWeightOnBone1(skinVertices, 4),
              SecondBoneWeight(skinVertices[32])); // the ring's last
    EXPECT_EQ(Click(find("Built-in weights")), 1);
    EXPECT_TRUE(HasBuiltInWeights(skinVertices));
}

// In the inverse mode: each solver in the combo box does what K does as many times as it lies
// below the first, and the Compare box and the Step button do what C and Space do.
TEST_F(Panel, EachIkChoiceAndClickDoesWhatItsKeyDoes) {
    StartFrom('I');
    std::map<ImGuiID, ImVec2> where = FindControls();
    auto combo = where.find(ControlId("Solver (K)"));
    ASSERT_NE(combo, where.end()) << "no solver choice";
    Click(combo->second);
    const char *const solvers[] = {"incremental", "analytic", "ccd", "fabrik", "dls"};
    std::map<std::string, ImVec2> items = FindComboItems(solvers, 5);
    Click(ImVec2(combo->second.x, combo->second.y)); // closes the list again
    for (int presses = 0; presses < 5; ++presses) {
        SCOPED_TRACE(solvers[presses]);
        ASSERT_TRUE(items.count(solvers[presses])) << "not in the list";
        StartFrom('I');
        for (int i = 0; i < presses; ++i)
            HandleKeyDown('K');
        Observed byKey = Observe();

        StartFrom('I');
        EXPECT_EQ(Click(combo->second), 0); // opens the list
        EXPECT_EQ(Click(items[solvers[presses]]), 1);
        ExpectSame(Observe(), byKey);
    }

    struct Control {
        const char *label;
        int key;
    };
    for (const Control &control :
         {Control{"Compare the solvers (C)", 'C'}, Control{"Step (Space)", KeySpace}}) {
        SCOPED_TRACE(control.label);
        StartFrom('I');
        where = FindControls();
        auto at = where.find(ControlId(control.label));
        ASSERT_NE(at, where.end()) << "no control to click";
        StartFrom('I');
        HandleKeyDown(control.key);
        Observed byKey = Observe();
        StartFrom('I');
        EXPECT_EQ(Click(at->second), 1);
        ExpectSame(Observe(), byKey);
    }
}

// The Wireframe box also hides the markers, so the Bone markers box changes one frame after the
// click, with no input and nothing else new: the panel must say its picture changed then, and
// only then, for the program to draw that frame.
TEST_F(Panel, ItsPictureChangesWhenACommandChangedWhatItShowsAndOnlyThen) {
    StartFrom(0);
    std::map<ImGuiID, ImVec2> where = FindControls();
    ImVec2 box = where.at(ControlId("Wireframe (T)"));
    Frame(box.x, box.y, false);
    Frame(box.x, box.y, true);
    EXPECT_EQ(Frame(box.x, box.y, false), 1); // the release runs the command
    EXPECT_EQ(demoState.hideBones, 1);
    Frame(box.x, box.y, false);
    EXPECT_TRUE(PanelPictureChanged()) << "the Bone markers box was not redrawn";
    Frame(box.x, box.y, false);
    EXPECT_FALSE(PanelPictureChanged());
}

TEST_F(Panel, TitleBarArrowAndF1OpenAndCloseTheSamePanel) {
    Frame(-100, -100, false);
    ImGuiWindow *window = ImGui::FindWindowByName(PanelTitle);
    EXPECT_TRUE(window->Collapsed); // a title bar only, at the top left
    EXPECT_LT(window->Pos.x, 20);
    EXPECT_LT(window->Pos.y, 20);
    HandleKeyDown(KeyF1);
    Frame(-100, -100, false);
    EXPECT_FALSE(window->Collapsed);
    // The arrow at the title bar's left end collapses it again, through the same command.
    ImVec2 arrow(window->Pos.x + ImGui::GetStyle().FramePadding.x + 4,
                 window->Pos.y + window->TitleBarHeight() / 2);
    Click(arrow);
    EXPECT_EQ(demoState.panelOpen, 0);
    Frame(-100, -100, false);
    EXPECT_TRUE(window->Collapsed);
    // Folded, a click anywhere on the title opens it, as a finger that misses the arrow would.
    Click(ImVec2(window->Pos.x + window->Size.x - 20, window->Pos.y + window->TitleBarHeight() / 2));
    EXPECT_EQ(demoState.panelOpen, 1);
    Frame(-100, -100, false);
    EXPECT_FALSE(window->Collapsed);
}

// At its width on a desktop window, the open panel needs no horizontal scrollbar for its rate
// line, however long the idle one is.
TEST_F(Panel, ItsIdleRateLineNeedsNoHorizontalScrollbar) {
    StartFrom(0);
    DemoCommandQueue commands = {};
    for (int frame = 0; frame < 3; ++frame) // a window fits its contents a frame late
        BuildPanel(PanelReadout{0.0, 1, 1, nullptr, 0}, commands);
    ImGuiWindow *window = ImGui::FindWindowByName(PanelTitle);
    EXPECT_EQ(window->Size.x, 330.0f);
    EXPECT_EQ(window->ScrollMax.x, 0.0f);
}

// For fingers, on a window as narrow as a small phone's: the open panel is a sheet across it,
// and every control of its rows and of the skinning lab is at least 40 pixels high; each check
// box and radio button answers the pointer across its whole width, so none is covered by the
// next on its row nor cut off by the panel's edge.
TEST_F(Panel, ForFingersOnANarrowWindowEveryControlIsTallAndWhole) {
    ImGuiIO &io = ImGui::GetIO();
    io.ConfigFlags |= ImGuiConfigFlags_IsTouchScreen;
    io.DisplaySize = ImVec2(320, 4000); // tall, so that the sheet holds every row unscrolled
    StartFrom(0);
    demoState.radiusView = 1; // opens the lab's header
    const float step = 5;
    std::map<ImGuiID, ImRect> areas = ControlAreas(2 * step, step);
    EXPECT_EQ(ImGui::FindWindowByName(PanelTitle)->Size.x, 320.0f);
    std::vector<std::string> toggles = {"Play (P)", "Forward (F)", "Inverse (I)",
                                        "Wireframe (T)", "Bone markers (B)", "Normals (N)",
                                        "Textures (O)", "Rotate camera (R)", "Nothing",
                                        "Weights (W)", "Volume (V)", "Radius (D)",
                                        "Rest pose (G)", "Side by side (S)"};
    for (int m = 0; m < SkinningMethodCount; ++m)
        toggles.push_back(skinningMethods[m].label);
    for (const std::string &label : toggles) {
        auto area = areas.find(ControlId(label.c_str()));
        ASSERT_NE(area, areas.end()) << "no control " << label;
        EXPECT_GE(area->second.GetWidth(), ToggleWidth(label.c_str()) - 2 * 2 * step) << label;
    }
    EXPECT_GE(areas.size(), 25u);
    for (const auto &area : areas)
        EXPECT_GE(area.second.GetHeight(), 40 - step) << area.first << " at y " << area.second.Min.y;
}

void DrawSceneFrame() {
    RenderScene(nullptr, 30.0);
}

TEST_F(Panel, DrawingTheOpenPanelLeavesTheFixedGlStateAsItWas) {
    ASSERT_TRUE(UseOffscreenGl());
    InitGlState();
    InitSkinAndBones();
    demoState.clientWidth = OffscreenWidth;
    demoState.clientHeight = OffscreenHeight;
    demoState.panelOpen = 1;
    DrawSceneFrame();
    std::vector<double> before = FixedGlState();

    Rgb sceneOnly = ReadPixel(40, OffscreenHeight - 60);

    ASSERT_TRUE(StartPanelDrawing());
    for (int settle = 0; settle < 3; ++settle) { // a window fits its contents a frame late
        BeginPanelDrawingFrame();
        Frame(-100, -100, false);
    }
    DrawSceneFrame();
    DrawPanel();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(FixedGlState(), before);
    // The panel was really drawn: it covers the black above the floor at the top left.
    Rgb withPanel = ReadPixel(40, OffscreenHeight - 60);
    EXPECT_NE(withPanel.r + withPanel.g + withPanel.b, sceneOnly.r + sceneOnly.g + sceneOnly.b);
    StopPanelDrawing();
}

// Drawing and the panel only read: everything the frame's update works out is in its record,
// so neither may change the state, the bones, the skin, the lab's records or the record itself.
// Checked with every view, readout and overlay that reads those on at once.
TEST_F(Panel, DrawingAndBuildingThePanelChangeNoStateTheyRead) {
    ASSERT_TRUE(UseOffscreenGl());
    InitGlState();
    InitSkinAndBones();
    ASSERT_TRUE(StartPanelDrawing());
    demoState.clientWidth = OffscreenWidth;
    demoState.clientHeight = OffscreenHeight;
    demoState.panelOpen = 1;
    // The scene beside the panel, so the scene's aspect is not the window's.
    demoState.sceneViewport =
        SceneViewport{OffscreenWidth / 3, 0, OffscreenWidth * 2 / 3, OffscreenHeight};
    HandleKeyDown('I');
    demoState.target = Vector3{1.0f, 2.5f, 0.5f};
    demoState.ikSolver = IkSolverCcd;
    demoState.ikCompare = 1;
    demoState.volumeView = 1;
    demoState.restPoseView = 1;
    demoState.inspectedVertex = 20;
    demoState.showNormals = 1;
    for (int frame = 0; frame < 4; ++frame) {
        UpdateFrame(frameRecord, 30.0, SceneView());
        std::vector<unsigned char> before = ReadableGlobals();
        BeginPanelDrawingFrame();
        ImGui::GetIO().MousePos = ImVec2(-100, -100);
        DemoCommandQueue commands = {};
        BuildPanel(PanelReadout{0.0, 0, 0, nullptr, 0}, commands);
        DrawScene(frameRecord);
        DrawPanel();
        EXPECT_EQ(commands.count, 0);
        EXPECT_TRUE(ReadableGlobals() == before) << "frame " << frame;
        demoState.wireframe = frame % 2; // the filled skin's views too
    }
    StopPanelDrawing();
}

// Window pixel (x, y), counted down from the top of a client area clientHeight high that sits at
// the bottom left of the offscreen buffer, as the renderer's viewport puts it.
Rgb WindowPixel(int x, int y, int clientHeight) {
    return ReadPixel(x, clientHeight - 1 - y);
}

bool Magenta(const Rgb &c) {
    return c.r > 200 && c.g < 80 && c.b > 200;
}

// With the panel open, the scene is drawn beside its strip, or beneath its sheet, never under
// it: the whole limb and a target behind it (z = -2) land inside the scene's part, where the GL
// really draws them, and the mouse picks and drags in that part. At 800 x 600, at 320 x 240,
// where the strip may take no more than half the width, and in a narrow window taller than
// wide, where the panel is a sheet across the top.
TEST_F(Panel, TheOpenPanelLeavesTheWholeSceneBesideItAndTheMouseWorksThere) {
    ASSERT_TRUE(UseOffscreenGl());
    InitGlState();
    const int sizes[3][2] = {{800, 600}, {320, 240}, {240, 320}}; // the last a phone upright
    for (const auto &size : sizes) {
        const int width = size[0], height = size[1];
        SCOPED_TRACE(width);
        ResetDemoGlobals();
        InitSkinAndBones();
        demoState.clientWidth = width;
        demoState.clientHeight = height;
        demoState.panelOpen = 1;
        ImGui::GetIO().DisplaySize = ImVec2((float)width, (float)height);
        Frame(-100, -100, false);
        const int strip = PanelStripPixels(width), sheet = PanelSheetPixels(height);
        if (width < height) {
            EXPECT_EQ(strip, 0);
            EXPECT_GT(sheet, 0);
            EXPECT_LE(sheet, height / 2);
            EXPECT_EQ(ImGui::FindWindowByName(PanelTitle)->Size.x, (float)width);
            EXPECT_EQ(ImGui::FindWindowByName(PanelTitle)->Size.y, (float)sheet);
        } else {
            EXPECT_GT(strip, 0);
            EXPECT_LE(strip, width / 2);
            EXPECT_EQ(sheet, 0);
            EXPECT_EQ(ImGui::FindWindowByName(PanelTitle)->Size.x, (float)strip);
        }
        const int sceneWidth = width - strip, sceneHeight = height - sheet;
        demoState.sceneViewport = SceneViewport{strip, sheet, sceneWidth, sceneHeight};

        // A click on vertex 19, where it shows in the scene's part, inspects it.
        UpdateFrame(frameRecord, demoState.viewAngle, SceneView());
        PixelPoint at;
        ASSERT_TRUE(ModelToPixels(SceneCamera(), skinVertices[19].position, sceneWidth, sceneHeight, at));
        HandleMouseDown(MouseLeft, 1, strip + (int)at.x, sheet + (int)at.y, 0);
        HandleMouseUp(MouseLeft);
        EXPECT_EQ(demoState.inspectedVertex, 19);

        HandleKeyDown('I');
        demoState.target = Vector3{0.0f, 3.0f, -2.0f};
        for (int frame = 0; frame < 50; ++frame)
            UpdateFrame(frameRecord, demoState.viewAngle, SceneView());
        DrawScene(frameRecord);
        for (int i = 0; i <= SkinVertexCount; ++i) {
            Vector3 p = i < SkinVertexCount ? skinVertices[i].position : demoState.target;
            ASSERT_TRUE(ModelToPixels(SceneCamera(), p, sceneWidth, sceneHeight, at));
            EXPECT_GT(at.x, 0.0) << i;
            EXPECT_LT(at.x, sceneWidth) << i;
            EXPECT_GT(at.y, 0.0) << i;
            EXPECT_LT(at.y, sceneHeight) << i;
        }
        // The GL drew the target's cross where the camera's numbers put it.
        bool crossSeen = false;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                crossSeen |= Magenta(WindowPixel(strip + (int)at.x + dx, sheet + (int)at.y + dy, height));
        EXPECT_TRUE(crossSeen);

        // A right drag 20 pixels down moves the target 20 pixels down the scene.
        HandleMouseDown(MouseRight, 1, strip + 100, sheet + 50, 0);
        HandleMouseMove(strip + 100, sheet + 70);
        HandleMouseUp(MouseRight);
        PixelPoint moved;
        ASSERT_TRUE(ModelToPixels(SceneCamera(), demoState.target, sceneWidth, sceneHeight, moved));
        EXPECT_NEAR(moved.y - at.y, 20.0, 0.5);
        EXPECT_NEAR(moved.x, at.x, 0.5);
    }
}

// A value typed into a slider, however the text field was opened, sets exactly that value; a
// slider shows an angle the keys took past 180 degrees as the same turn within (-180, 180]; and
// the slider the pointer rests on, and only that one, takes the arrow keys, each one exact
// step, from the key table.
TEST_F(Panel, SlidersTakeTypedValuesAndArrowStepsAndShowAnglesWithinAHalfTurn) {
    StartFrom('F');
    ImGuiIO &io = ImGui::GetIO();
    const int enter = 13;
    io.KeyMap[ImGuiKey_Enter] = enter;
    std::map<ImGuiID, ImVec2> where = FindControls();
    ImVec2 slider = where.at(ControlId("Lower bone X"));
    bones[0].rotX = 400.0; // held Left in the forward mode turns without bound

    auto typeInto = [&](const char *text) {
        for (const char *c = text; *c; ++c)
            io.AddInputCharacter((unsigned)*c);
        Frame(slider.x, slider.y, false);
        io.KeysDown[enter] = true;
        Frame(slider.x, slider.y, false);
        io.KeysDown[enter] = false;
        Frame(-100, -100, false);
    };
    // Ctrl+click opens the field, showing the angle as the same turn: 40 degrees.
    io.KeyCtrl = true;
    Frame(slider.x, slider.y, false);
    Frame(slider.x, slider.y, true);
    io.KeyCtrl = false;
    Frame(slider.x, slider.y, false);
    EXPECT_TRUE(io.WantTextInput);
    EXPECT_TRUE(PanelTakesKey('P')) << "typing must not run the keys' commands";
    ImGuiInputTextState *field = ImGui::GetInputTextState(ControlId("Lower bone X"));
    ASSERT_NE(field, nullptr);
    char shown[32];
    ImTextStrToUtf8(shown, sizeof shown, field->TextW.Data, nullptr);
    EXPECT_STREQ(shown, "40.0");
    typeInto("90");
    EXPECT_EQ(bones[0].rotX, 90.0);

    // A double click opens it too.
    Frame(slider.x, slider.y, true);
    Frame(slider.x, slider.y, false);
    Frame(slider.x, slider.y, true);
    Frame(slider.x, slider.y, false);
    EXPECT_TRUE(io.WantTextInput);
    typeInto("-45.5");
    EXPECT_EQ(bones[0].rotX, -45.5);

    // After the typed value, with the pointer off the slider, the arrows are the README's.
    Frame(-100, -100, false);
    EXPECT_FALSE(PanelTakesKey(KeyRight)) << "a typed value must not keep the arrows";
    // Clicked once more, the pointer leaving it: still the README's.
    Click(ImVec2(slider.x + 60, slider.y));
    EXPECT_FALSE(PanelTakesKey(KeyRight)) << "a click must not keep the arrows";
    // Resting on it, mid-frame: Right twice and Left once is one degree up, exactly.
    Frame(slider.x + 60, slider.y, false);
    Frame(slider.x + 60, slider.y, false);
    double before = bones[0].rotX;
    EXPECT_TRUE(PanelTakesKey(KeyRight));
    EXPECT_TRUE(PanelTakesKey(KeyRight));
    EXPECT_TRUE(PanelTakesKey(KeyLeft));
    EXPECT_FALSE(PanelTakesKey('P'));
    Frame(slider.x + 60, slider.y, false);
    EXPECT_EQ(bones[0].rotX, (double)(float)before + 1.0);
    Frame(-100, -100, false); // the pointer gone: the arrows steer again
    EXPECT_FALSE(PanelTakesKey(KeyRight));

    // The IK lab's table of angles shows the incremental solver's unbounded turns within a half
    // turn too.
    HandleKeyDown('I');
    bones[0].rotZ = -205.76;
    bones[1].rotX = 227.49;
    SetPanelTextKept(1);
    Frame(-100, -100, false);
    std::string text = PanelText();
    SetPanelTextKept(0);
    EXPECT_NE(text.find("154.24"), std::string::npos) << text;
    EXPECT_NE(text.find("-132.51"), std::string::npos) << text;
    EXPECT_EQ(text.find("205.76"), std::string::npos) << text;
}

// At every window size from 640x480 up, in each lab with its section at its fullest, the
// panel's text wraps within the strip instead of running past its edge (which would call up a
// sideways scroll bar), and each lab's headline figures come first in its section.
TEST_F(Panel, TextWrapsWithinTheStripAndHeadlinesComeFirstAtEverySize) {
    const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1920, 1080}};
    struct Lab {
        int modeKey;
        const char *header; // as the panel's text gives the section's header
        const char *headline;
    };
    const Lab labs[] = {{'F', "### Skinning lab ###\n", "Limb volume: "},
                        {'I', "### Inverse-kinematics solver ###\n", "Distance to the target "}};
    for (const auto &size : sizes)
        for (const Lab &lab : labs) {
            SCOPED_TRACE(::testing::Message() << size[0] << "x" << size[1] << ", "
                                              << (char)lab.modeKey);
            ResetDemoGlobals();
            InitSkinAndBones();
            demoState.panelOpen = 1;
            demoState.clientWidth = size[0];
            demoState.clientHeight = size[1];
            ImGui::GetIO().DisplaySize = ImVec2((float)size[0], (float)size[1]);
            HandleKeyDown(lab.modeKey);
            if (lab.modeKey == 'F') {
                RunCommand(DemoCommand{CommandSetPose, 1, 0.0, Vector3{}}); // bend-90
                RunCommand(DemoCommand{CommandInspectVertex, 19, 0.0, Vector3{}});
                RunCommand(DemoCommand{CommandSetSkinningMethod, SkinningCentreOfRotation, 0.0,
                                       Vector3{}});
                demoState.volumeView = 1;
            } else {
                // Held by the limits, compared, soft reach on: every line the section has.
                demoState.ikSolver = IkSolverAnalytic;
                demoState.ikCompare = 1;
                demoState.ik.jointLimits = 1;
                demoState.ik.softZone = 0.3;
                demoState.target = Vector3{0.0f, 1.0f, 0.0f};
            }
            for (int frame = 0; frame < 60; ++frame)
                UpdateFrame(frameRecord, demoState.viewAngle, SceneView());
            SetPanelTextKept(1);
            for (int frame = 0; frame < 4; ++frame) { // the layout settles over a few frames
                DemoCommandQueue commands = {};
                BuildPanel(PanelReadout{0.0, 1, 1, nullptr, 0}, commands); // idle: the long line
            }
            std::string text = PanelText();
            SetPanelTextKept(0);
            ImGuiWindow *window = ImGui::FindWindowByName(PanelTitle);
            EXPECT_EQ(window->ScrollMax.x, 0.0f) << "something runs past the strip's edge";
            // The headline is the section's first line.
            size_t header = text.find(lab.header);
            ASSERT_NE(header, std::string::npos) << text;
            EXPECT_EQ(text.compare(header + std::strlen(lab.header), std::strlen(lab.headline),
                                   lab.headline),
                      0)
                << text.substr(header, 200);
            // Vertex 19 bent 90 degrees weighs both bones alike: rigid takes bone 0 alone in the
            // tie, and the legend says the two marks are one.
            if (lab.modeKey == 'F') {
                EXPECT_NE(text.find("bone 0 alone and rigid coincide"), std::string::npos)
                    << text;
            }
        }
}

} // namespace
