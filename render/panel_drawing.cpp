#include "render/panel_drawing.h"

#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

namespace {

int started = 0;

} // namespace

int StartPanelDrawing() {
    started = ImGui_ImplOpenGL2_Init() ? 1 : 0;
    return started;
}

void StopPanelDrawing() {
    if (!started)
        return;
    ImGui_ImplOpenGL2_Shutdown();
    started = 0;
}

void BeginPanelDrawingFrame() {
    if (started)
        ImGui_ImplOpenGL2_NewFrame();
}

void DrawPanel() {
    ImDrawData *drawData = started ? ImGui::GetDrawData() : nullptr;
    if (drawData)
        ImGui_ImplOpenGL2_RenderDrawData(drawData);
}
