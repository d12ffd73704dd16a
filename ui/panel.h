#pragma once

#include "skeleton/demo_commands.h"

// The on-screen panel: the demo's state at a glance and controls for it, drawn with Dear ImGui
// over the scene. It reads demoState and the bones; it changes nothing itself, but hands back
// the commands its controls ask for, which the application runs exactly as it runs keys.
//
// The panel knows nothing of windows or GL: the platform layer feeds it the mouse and the
// renderer draws what it builds. Each frame: the platform's and the renderer's panel frame
// starts, then BuildPanel, then the renderer draws the result.

// What the panel shows besides the state record.
struct PanelReadout {
    double framesPerSecond; // shown only when showRate is non-zero
    int showRate;           // 0 where frames must repeat exactly (headless runs)
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

// 1 while the mouse is over the panel or working one of its controls: its gestures are then
// the panel's, not the scene's.
int PanelWantsMouse();
