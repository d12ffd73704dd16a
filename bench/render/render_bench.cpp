// Milliseconds per frame at 800 x 600 on the headless context: RenderScene in three flag
// combinations next to a baseline frame that only clears and presents, all in one run, and
// each frame's ratio to the baseline.
//
// Every frame ends with glFinish before the swap so the rasteriser's work is counted, not
// just queued; times are wall-clock because the rasteriser runs on threads of its own.

#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <SDL.h>
#include <cstdio>

#include "app/key_bindings.h"
#include "bench/support/ratio_reporter.h"
#include "demo/demo_state.h"
#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/panel_drawing.h"
#include "render/renderer.h"
#include "tests/render/scene_support.h"
#include "tests/support/offscreen_gl.h"
#include "ui/panel.h"

#include <imgui.h>
#include <imgui_internal.h>

namespace {

const char *const BaselineName = "ClearAndPresent";

void FinishAndPresent() {
    glFinish();
    SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow());
}

// Start state with textures loaded: the two surfaces get 256 x 256 checkers, as large as
// typical texture files.
void SetUpScene(benchmark::State &state) {
    if (!UseOffscreenGl()) {
        state.SkipWithError("no GL context");
        return;
    }
    InitGlState();
    ResetScene();
    skinTexture = MakeCheckerTexture(256, Colour{255, 230, 200}, Colour{200, 120, 90});
    floorTexture = MakeCheckerTexture(256, Colour{230, 230, 230}, Colour{90, 90, 110});
}

void TearDownScene(benchmark::State &state) {
    if (TakeGlError() != GL_NO_ERROR)
        state.SkipWithError("GL error during the run");
    glDeleteTextures(1, &skinTexture);
    glDeleteTextures(1, &floorTexture);
    ResetScene();
}

void ClearAndPresent(benchmark::State &state) {
    SetUpScene(state);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFlush();
        FinishAndPresent();
    }
    TearDownScene(state);
}

// The camera turns a degree a frame, as in the running demo.
void RenderFrames(benchmark::State &state) {
    double viewAngle = 0.0;
    for (auto _ : state) {
        RenderScene(FinishAndPresent, viewAngle);
        viewAngle = viewAngle >= 359.0 ? 0.0 : viewAngle + 1.0;
    }
}

void StartState(benchmark::State &state) {
    SetUpScene(state);
    RenderFrames(state);
    TearDownScene(state);
}

void FilledTextured(benchmark::State &state) {
    SetUpScene(state);
    demoState.wireframe = 0;
    RenderFrames(state);
    TearDownScene(state);
}

// Every overlay: markers, normals, the IK tick and line, with the solver working each frame
// toward a target it cannot reach exactly.
void AllOverlays(benchmark::State &state) {
    SetUpScene(state);
    demoState.showNormals = 1;
    demoState.ikMode = 1;
    demoState.playAnimation = 0;
    demoState.target = Vector3{1.2f, 2.6f, 0.3f};
    RenderFrames(state);
    TearDownScene(state);
}

void DrawPanelAndPresent() {
    DrawPanel();
    FinishAndPresent();
}

// The start state with the panel drawn over it each frame, as the program does: built, then
// drawn after the scene. open: the whole panel, with its key list unfolded; otherwise its title
// bar only.
void WithPanel(benchmark::State &state, int open) {
    // The key list the program shows.
    static KeyHelpLine keyLines[MaxKeyHelpLines];
    static PanelHelpLine helpLines[MaxKeyHelpLines];
    int helpLineCount = KeyHelpLines(keyLines, MaxKeyHelpLines);
    for (int i = 0; i < helpLineCount; ++i)
        helpLines[i] = PanelHelpLine{keyLines[i].keys, keyLines[i].help};
    SetUpScene(state);
    CreatePanel();
    ImGui::GetIO().DisplaySize = ImVec2((float)OffscreenWidth, (float)OffscreenHeight);
    SetPanelFixedStep(0.01);
    StartPanelDrawing();
    demoState.panelOpen = open;
    double viewAngle = 0.0;
    int frame = 0;
    for (auto _ : state) {
        BeginPanelDrawingFrame();
        DemoCommandQueue commands = {};
        BuildPanel(PanelReadout{100.0, 1, 0, helpLines, helpLineCount}, commands);
        if (open && frame++ == 0) { // the window exists now: unfold its key list
            ImGuiWindow *panel = ImGui::FindWindowByName("Controls (F1)");
            panel->StateStorage.SetInt(panel->GetID("Keys and mouse"), 1);
        }
        RenderScene(DrawPanelAndPresent, viewAngle);
        viewAngle = viewAngle >= 359.0 ? 0.0 : viewAngle + 1.0;
    }
    StopPanelDrawing();
    DestroyPanel();
    TearDownScene(state);
}

void PanelClosed(benchmark::State &state) {
    WithPanel(state, 0);
}

void PanelOpen(benchmark::State &state) {
    WithPanel(state, 1);
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const std::pair<const char *, void (*)(benchmark::State &)> frames[] = {
        {BaselineName, ClearAndPresent},    {"StartState", StartState},
        {"FilledTextured", FilledTextured}, {"AllOverlays", AllOverlays},
        {"PanelClosed", PanelClosed},       {"PanelOpen", PanelOpen},
    };
    for (const auto &frame : frames)
        benchmark::RegisterBenchmark(frame.first, frame.second)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    RatioReporter reporter(BaselineName, false);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    char heading[128];
    std::snprintf(heading, sizeof heading,
                  "ms per frame at %d x %d, and ratio to %s:", OffscreenWidth, OffscreenHeight,
                  BaselineName);
    reporter.PrintRatios(heading);
    benchmark::Shutdown();
    return 0;
}
