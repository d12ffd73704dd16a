#include "ui/layout.h"

#include <imgui.h>

void SameLineIfFits(float width) {
    float right = ImGui::GetWindowContentRegionMax().x;
    ImGui::SameLine();
    if (ImGui::GetCursorPosX() + width > right)
        ImGui::NewLine();
}

void SecondColumnIfFits(float width) {
    float middle = ImGui::GetWindowWidth() / 2;
    float lastEnd = ImGui::GetItemRectMax().x - ImGui::GetWindowPos().x;
    if (lastEnd + ImGui::GetStyle().ItemSpacing.x <= middle &&
        middle + width <= ImGui::GetWindowContentRegionMax().x)
        ImGui::SameLine(middle);
}

namespace {
int fingerLayout = 0;
}

void SetFingerLayout(int fingers) {
    fingerLayout = fingers;
}

int FingerLayout() {
    return fingerLayout;
}

bool RowButton(const char *label) {
    return fingerLayout ? ImGui::Button(label) : ImGui::SmallButton(label);
}

float ToggleWidth(const char *label) {
    return ImGui::GetFrameHeight() + ImGui::GetStyle().ItemInnerSpacing.x +
           ImGui::CalcTextSize(label, nullptr, true).x;
}
