#pragma once

#include "demo/demo_commands.h"

// The on-screen panel in the main window's life: made with the window, built once per frame
// after the update, drawn over the scene before the frame is presented, gone with the window.
// Nothing here runs when the panel is off (--no-ui), so those frames are the scene alone.

// Makes the panel, its mouse feed and its drawing; needs the window and its current GL
// context. deterministic: every frame gets the same time step and the frame rate is not shown,
// so runs repeat exactly.
void OpenPanel(int deterministic);

// Undoes OpenPanel; needs the GL context still current.
void ClosePanel();

// Builds this frame's panel from the state and the frame's record, and queues the commands its
// controls ask for into commands (the caller runs them once the frame is shown). Returns 1 when
// the panel built looks different from the one before it, so the frame is worth drawing.
int BuildPanelFrame(DemoCommandQueue &commands);

// Draws the panel built last over the frame in the back buffer.
void DrawPanelOverFrame();

// Sets demoState.sceneViewport to the part of the window the panel leaves free: beside the open
// panel's strip, or the whole window while it is folded or off.
void PlaceSceneBesidePanel();

// 1 when a key press belongs to the panel (typing a value, nudging a slider) rather than to the
// key table.
int PanelHasKey(int keyCode);

// 1 when a gesture at (x, y), drawable pixels, belongs to the panel rather than the scene.
int PanelHasPoint(int x, int y);

// Counts a frame asked for, and whether it was drawn, for the frame rate the panel shows.
void CountPanelFrame(int drawn);
