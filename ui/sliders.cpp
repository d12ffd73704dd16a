#include "ui/sliders.h"

#include <cmath>
#include <cstdio>
#include <imgui_internal.h>

#include "platform/key_codes.h"

const char PanelSliderHint[] = "Sliders: Ctrl+click or double-click one to type a value; "
                               "with the pointer resting on one, the arrow keys move it a step "
                               "at a time.";

namespace {

// The arrows are the slider's only while the pointer rests on it: a click or a typed value
// leaves them the target's and the joints', as the README promises wherever the pointer is.
struct SliderFocus {
    ImGuiID id;        // the slider the pointer rested on in the last build, 0 for none
    ImGuiID hoveredNow; // the one it rests on in the build under way
    int pendingSteps;  // arrow presses since the panel was last built, up minus down
    ImGuiID typeInto;  // a slider double-clicked last frame: its text field opens now
};

SliderFocus focus = {0, 0, 0, 0};

const ImU32 FocusOutline = IM_COL32(255, 200, 60, 255);

// What happens around one slider, ImGui's own widget being drawn by draw().
template <typename Draw>
bool AroundSlider(const char *label, Draw draw, float grabShare, const char *text, int &steps) {
    ImGuiID id = ImGui::GetID(label);
    if (focus.typeInto == id) {
        ImGui::SetKeyboardFocusHere(); // a slider given the focus opens its text field
        focus.typeInto = 0;
    }
    ImGuiContext &g = *ImGui::GetCurrentContext();
    bool typing = ImGui::TempInputIsActive(id);
    // The value is drawn below, beside the grab, so the slider's own is made invisible; the
    // text field of a typed value keeps its colour.
    if (!typing)
        ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(0, 0, 0, 0));
    // The frame alone: the item's own rectangle takes in the label too. Narrowed where the
    // label would run past the panel's edge.
    float frameWidth = ImGui::CalcItemWidth();
    float labelWidth = ImGui::CalcTextSize(label, nullptr, true).x;
    float fit = ImGui::GetContentRegionAvail().x -
                (labelWidth > 0.0f ? labelWidth + g.Style.ItemInnerSpacing.x : 0.0f);
    if (fit < frameWidth)
        frameWidth = fit;
    ImGui::SetNextItemWidth(frameWidth);
    float labelX = ImGui::GetCursorScreenPos().x + frameWidth + g.Style.ItemInnerSpacing.x;
    bool changed = draw();
    if (!typing)
        ImGui::PopStyleColor();
    ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    max.x = min.x + frameWidth;
    ImDrawList *drawList = ImGui::GetWindowDrawList();
    if (!typing && !ImGui::TempInputIsActive(id)) {
        ImVec2 size = ImGui::CalcTextSize(text);
        float pad = g.Style.FramePadding.x + g.Style.GrabMinSize;
        float y = min.y + (max.y - min.y - size.y) / 2;
        // Left of the grab when the grab is in the right half, else right of it.
        float x = grabShare > 0.5f ? min.x + g.Style.FramePadding.x : max.x - pad - size.x;
        if (grabShare <= 0.5f && x < min.x + (max.x - min.x) * grabShare + pad)
            x = max.x - g.Style.FramePadding.x - size.x;
        drawList->AddText(ImVec2(x, y), ImGui::GetColorU32(ImGuiCol_Text), text);
        const char *end = ImGui::FindRenderedTextEnd(label);
        if (end != label)
            drawList->AddText(ImVec2(labelX, y), ImGui::GetColorU32(ImGuiCol_Text), label, end);
    }
    if (ImGui::IsItemHovered()) {
        focus.hoveredNow = id;
        if (ImGui::IsMouseDoubleClicked(0))
            focus.typeInto = id;
    }
    steps = 0;
    if (focus.id == id) {
        steps = focus.pendingSteps;
        focus.pendingSteps = 0;
    }
    if (focus.hoveredNow == id) // the outline marks the slider the arrows step
        drawList->AddRect(ImVec2(min.x - 1, min.y - 1), ImVec2(max.x + 1, max.y + 1), FocusOutline);
    return changed;
}

float Share(float value, float min, float max) {
    return max > min ? (value - min) / (max - min) : 0.0f;
}

} // namespace

bool PanelSliderFloat(const char *label, float *value, float min, float max, float step,
                      const char *format, ImGuiSliderFlags flags) {
    char text[64];
    std::snprintf(text, sizeof text, format, *value);
    int steps = 0;
    float share = (flags & ImGuiSliderFlags_Logarithmic) && min > 0.0f && *value > 0.0f
                      ? Share(ImLog(*value), ImLog(min), ImLog(max))
                      : Share(*value, min, max);
    bool changed = AroundSlider(
        label, [&] { return ImGui::SliderFloat(label, value, min, max, format, flags); }, share,
        text, steps);
    if (steps != 0) {
        float stepped = *value + steps * step;
        *value = stepped < min ? min : stepped > max ? max : stepped;
        changed = true;
    }
    return changed;
}

bool PanelSliderInt(const char *label, int *value, int min, int max) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", *value);
    int steps = 0;
    bool changed = AroundSlider(
        label, [&] { return ImGui::SliderInt(label, value, min, max); },
        Share((float)*value, (float)min, (float)max), text, steps);
    if (steps != 0) {
        int stepped = *value + steps;
        *value = stepped < min ? min : stepped > max ? max : stepped;
        changed = true;
    }
    return changed;
}

int PanelSliderTakesKey(int keyCode) {
    if (!focus.id)
        return 0;
    if (keyCode == KeyRight || keyCode == KeyUp) {
        ++focus.pendingSteps;
        return 1;
    }
    if (keyCode == KeyLeft || keyCode == KeyDown) {
        --focus.pendingSteps;
        return 1;
    }
    return 0;
}

void EndPanelSliders() {
    focus.id = focus.hoveredNow;
    focus.hoveredNow = 0;
    focus.pendingSteps = 0; // presses for a slider no longer drawn, or left, go nowhere
}

void ResetPanelSliders() {
    focus = SliderFocus{0, 0, 0, 0};
}

float WrappedDegrees(double angle) {
    double wrapped = std::fmod(angle, 360.0);
    if (wrapped > 180.0)
        wrapped -= 360.0;
    else if (wrapped <= -180.0)
        wrapped += 360.0;
    return std::abs(wrapped) < 0.005 ? 0.0f : (float)wrapped;
}
