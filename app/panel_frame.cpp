#include "app/panel_frame.h"

#include "app/key_bindings.h"
#include "app/mouse.h"
#include "demo/demo_state.h"
#include "platform/platform.h"
#include "render/panel_drawing.h"
#include "ui/panel.h"

namespace {

// The time step every frame gets in deterministic runs: one tick.
const double DeterministicStepSeconds = 0.01;

struct PanelRun {
    int open;
    int showRate;
    double rateStart;  // seconds, start of the frames being counted
    int framesCounted; // since rateStart
    int paintsCounted; // frames asked for since rateStart, drawn or skipped
    double rate;       // frames drawn per second over the last whole second or so
    int idle;          // some frames of that second were skipped: the scene stood still
};

PanelRun panel = {0, 0, 0.0, 0, 0, 0.0, 0};

// The panel's list of keys and gestures, made from the key table and the mouse's list.
const int MaxHelpLines = MaxKeyHelpLines + 16;
KeyHelpLine keyLines[MaxKeyHelpLines];
PanelHelpLine helpLines[MaxHelpLines];
int helpLineCount = 0;

void MakeHelpLines() {
    int keyCount = KeyHelpLines(keyLines, MaxKeyHelpLines);
    helpLineCount = 0;
    for (int i = 0; i < keyCount; ++i)
        helpLines[helpLineCount++] = PanelHelpLine{keyLines[i].keys, keyLines[i].help};
    for (int i = 0; i < MouseHelpLineCount && helpLineCount < MaxHelpLines; ++i)
        helpLines[helpLineCount++] =
            PanelHelpLine{mouseHelpLines[i].gesture, mouseHelpLines[i].help};
}

} // namespace

void OpenPanel(int deterministic) {
    if (panel.open || !CreatePanel())
        return;
    SetPanelFixedStep(deterministic ? DeterministicStepSeconds : 0.0);
    PlatformStartPanelInput();
    StartPanelDrawing();
    MakeHelpLines();
    panel = PanelRun{1, !deterministic, PlatformSeconds(), 0, 0, 0.0, 0};
}

void ClosePanel() {
    if (!panel.open)
        return;
    StopPanelDrawing();
    PlatformStopPanelInput();
    DestroyPanel();
    panel.open = 0;
}

int BuildPanelFrame(DemoCommandQueue &commands) {
    commands.count = 0;
    if (!panel.open)
        return 0;
    double now = PlatformSeconds();
    if (now - panel.rateStart >= 1.0) {
        panel.rate = panel.framesCounted / (now - panel.rateStart);
        panel.idle = panel.paintsCounted > panel.framesCounted;
        panel.framesCounted = 0;
        panel.paintsCounted = 0;
        panel.rateStart = now;
    }
    PlatformBeginPanelFrame();
    BeginPanelDrawingFrame();
    PanelReadout readout = {panel.rate, panel.showRate, panel.idle, helpLines, helpLineCount};
    BuildPanel(readout, commands);
    return PanelPictureChanged();
}

void DrawPanelOverFrame() {
    if (panel.open)
        DrawPanel();
}

void PlaceSceneBesidePanel() {
    int strip = panel.open ? PanelStripPixels(demoState.clientWidth) : 0;
    int sheet = panel.open ? PanelSheetPixels(demoState.clientHeight) : 0;
    if (strip > 0 && strip < demoState.clientWidth)
        demoState.sceneViewport =
            SceneViewport{strip, 0, demoState.clientWidth - strip, demoState.clientHeight};
    else if (sheet > 0 && sheet < demoState.clientHeight)
        demoState.sceneViewport =
            SceneViewport{0, sheet, demoState.clientWidth, demoState.clientHeight - sheet};
    else
        demoState.sceneViewport = SceneViewport{0, 0, 0, 0}; // the whole window
}

int PanelHasKey(int keyCode) {
    return panel.open && PanelTakesKey(keyCode);
}

int PanelHasPoint(int x, int y) {
    return panel.open && PanelOwnsPoint(x, y);
}

void CountPanelFrame(int drawn) {
    ++panel.paintsCounted;
    panel.framesCounted += drawn;
}
