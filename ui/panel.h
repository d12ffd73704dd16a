#pragma once

#include "demo/demo_commands.h"

// The on-screen panel: the demo's state at a glance and controls for it, drawn with Dear ImGui
// over the scene. It reads demoState and the bones; it changes nothing itself, but hands back
// the commands its controls ask for, which the application runs exactly as it runs keys.
//
// The panel knows nothing of windows or GL: the platform layer feeds it the mouse and the
// renderer draws what it builds. Each frame: the platform's and the renderer's panel frame
// starts, then BuildPanel, then the renderer draws the result.

// One line of the panel's list of keys and mouse gestures.
struct PanelHelpLine {
    const char *input;
    const char *action;
};

// What the panel shows besides the state record.
struct PanelReadout {
    double framesPerSecond;         // shown only when showRate is non-zero
    int showRate;                   // 0 where frames must repeat exactly (headless runs)
    int idle;                       // frames are being skipped: the scene stands still
    const PanelHelpLine *helpLines; // the keys and gestures, as the application binds them
    int helpLineCount;
};

// Makes the panel's context: default font and style, and no settings file. Returns 1, or 0
// when a panel already exists.
int CreatePanel();
void DestroyPanel();

// Deterministic runs give every frame the same time step, so nothing in the panel depends on
// the clock. 0 leaves the step to the platform.
void SetPanelFixedStep(double seconds);

// Builds this frame's panel and queues the commands its controls ask for. The title bar
// reads "Controls (F1)"; demoState.panelOpen decides whether the controls show beneath it.
void BuildPanel(const PanelReadout &readout, DemoCommandQueue &commands);

// The width of the open panel's strip down the window's left edge, in the panel's units, for a
// window displayWidth wide: its full width where that leaves the scene at least half the window,
// else half the window.
float PanelStripWidth(float displayWidth);

// The drawable pixels the open panel takes from the left of a window drawableWidth pixels wide;
// 0 while it is folded to its title bar, is a sheet, or there is no panel. The scene gets the
// rest.
int PanelStripPixels(int drawableWidth);

// 1 when the open panel is a sheet across the whole width of a window of this size (in the
// panel's units): an upright one too narrow for the strip beside the scene, such as a phone's.
int PanelIsSheet(float displayWidth, float displayHeight);

// The drawable pixels the open sheet takes from the top of a window drawableHeight pixels high;
// 0 when the panel is no sheet. The scene gets the rest, beneath it.
int PanelSheetPixels(int drawableHeight);

// Offers a key press to the panel: 1 when the panel takes it, so the key's own command must not
// run: every key while a value is being typed into a slider, and the arrow keys while the pointer
// rests on a slider (they nudge it a step). 0 otherwise, and always while the panel is folded.
int PanelTakesKey(int keyCode);

// 1 when the panel built last looks different from the one built before it (any widget,
// highlight or readout), so that the frame showing it is worth drawing.
int PanelPictureChanged();

// 1 when a gesture at (x, y), drawable pixels from the top left, is the panel's rather than the
// scene's: the point lies on the panel as it was last built, or one of its controls is being
// worked. Asked with the gesture's own position, so that a press that arrives together with the
// move that brought the pointer there is judged where it happens.
int PanelOwnsPoint(double x, double y);

// The text the panel wrote in its last build, as lines, while kept: every label, readout and
// status it showed (not the values drawn beside the sliders' grabs). Off at start; on, each
// build keeps its own, so that what the panel says can be read back without pixels.
void SetPanelTextKept(int keep);
const char *PanelText();
