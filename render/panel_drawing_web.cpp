#include "render/panel_drawing.h"

// WebGL has none of the fixed-function state that Dear ImGui's OpenGL2 back end saves and
// draws with, so in the browser the panel is drawn by its shader back end (OpenGL ES 2, which
// is WebGL 1). It saves and restores the GL state it changes just the same.
#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

namespace {

int started = 0;

} // namespace

int StartPanelDrawing() {
    started = ImGui_ImplOpenGL3_Init("#version 100") ? 1 : 0;
    return started;
}

void StopPanelDrawing() {
    if (!started)
        return;
    ImGui_ImplOpenGL3_Shutdown();
    started = 0;
}

void BeginPanelDrawingFrame() {
    if (started)
        ImGui_ImplOpenGL3_NewFrame();
}

void DrawPanel() {
    ImDrawData *drawData = started ? ImGui::GetDrawData() : nullptr;
    if (drawData)
        ImGui_ImplOpenGL3_RenderDrawData(drawData);
}
