#include "app/panel_frame.h"

#include "app/commands.h"
#include "platform/platform.h"
#include "render/panel_drawing.h"
#include "skeleton/demo_state.h"
#include "ui/panel.h"

namespace {

// The time step every frame gets in deterministic runs: one tick.
const double DeterministicStepSeconds = 0.01;

struct PanelRun {
    int open;
    int showRate;
    double rateStart;  // seconds, start of the frames being counted
    int framesCounted; // since rateStart
    double rate;       // frames drawn per second over the last whole second or so
    double rateShown;  // the rate the panel showed last
};

PanelRun panel = {0, 0, 0.0, 0, 0.0, -1.0};

} // namespace

void OpenPanel(int deterministic) {
    if (panel.open || !CreatePanel())
        return;
    SetPanelFixedStep(deterministic ? DeterministicStepSeconds : 0.0);
    PlatformStartPanelInput();
    StartPanelDrawing();
    panel = PanelRun{1, !deterministic, PlatformSeconds(), 0, 0.0, -1.0};
}

void ClosePanel() {
    if (!panel.open)
        return;
    StopPanelDrawing();
    PlatformStopPanelInput();
    DestroyPanel();
    panel.open = 0;
}

int UpdatePanel(int *changed) {
    *changed = 0;
    if (!panel.open)
        return 0;
    double now = PlatformSeconds();
    if (now - panel.rateStart >= 1.0) {
        panel.rate = panel.framesCounted / (now - panel.rateStart);
        panel.framesCounted = 0;
        panel.rateStart = now;
    }
    PlatformBeginPanelFrame();
    BeginPanelDrawingFrame();
    PanelReadout readout = {panel.rate, panel.showRate};
    DemoCommandQueue commands = {};
    BuildPanel(readout, commands);
    if (panel.showRate && demoState.panelOpen && panel.rate != panel.rateShown) {
        panel.rateShown = panel.rate;
        *changed = 1;
    }
    int quit = 0;
    for (int i = 0; i < commands.count; ++i)
        quit |= RunCommand(commands.commands[i]);
    if (commands.count > 0)
        *changed = 1;
    return quit;
}

void DrawPanelOverFrame() {
    if (panel.open)
        DrawPanel();
}

int PanelHasMouse() {
    return panel.open && PanelWantsMouse();
}

void CountPanelFrame() {
    ++panel.framesCounted;
}
