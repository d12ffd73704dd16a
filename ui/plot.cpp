#include "ui/plot.h"

#include <cstdio>
#include <imgui.h>

namespace {

const ImU32 LevelColour = IM_COL32(120, 220, 120, 255);

} // namespace

void ScaledPlot(const char *id, const char *title, const float *values, int count, int offset,
                float top, float height, float level, const char *levelName) {
    ImGui::TextUnformatted(title);
    char topText[32];
    std::snprintf(topText, sizeof topText, "%.3g", top);
    const ImGuiStyle &style = ImGui::GetStyle();
    float topWidth = ImGui::CalcTextSize(topText).x, zeroWidth = ImGui::CalcTextSize("0").x;
    float scaleWidth = (topWidth > zeroWidth ? topWidth : zeroWidth) + style.ItemInnerSpacing.x;
    ImVec2 at = ImGui::GetCursorScreenPos();
    ImDrawList *drawList = ImGui::GetWindowDrawList();
    ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);
    float lineHeight = ImGui::GetTextLineHeight();
    drawList->AddText(ImVec2(at.x + scaleWidth - style.ItemInnerSpacing.x - topWidth, at.y), text,
                      topText);
    drawList->AddText(ImVec2(at.x + scaleWidth - style.ItemInnerSpacing.x - zeroWidth,
                             at.y + height - lineHeight),
                      text, "0");
    ImGui::SetCursorScreenPos(ImVec2(at.x + scaleWidth, at.y));
    float width = ImGui::GetContentRegionAvail().x;
    ImGui::PlotLines(id, values, count, offset, nullptr, 0.0f, top, ImVec2(width, height));
    if (!(level > 0.0f) || !(top > 0.0f) || level > top)
        return;
    // Where PlotLines puts a value: inside the frame less its padding, 0 at the bottom.
    ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    float bottom = max.y - style.FramePadding.y, highest = min.y + style.FramePadding.y;
    float y = bottom - (bottom - highest) * (level / top);
    drawList->AddLine(ImVec2(min.x + style.FramePadding.x, y),
                      ImVec2(max.x - style.FramePadding.x, y), LevelColour);
    if (levelName) {
        ImVec2 size = ImGui::CalcTextSize(levelName);
        float textY = y - size.y - 1.0f < highest ? y + 1.0f : y - size.y - 1.0f;
        drawList->AddText(ImVec2(max.x - style.FramePadding.x - size.x, textY), LevelColour,
                          levelName);
    }
}
