#pragma once

// Draws the on-screen panel's triangles with the GL, over the finished scene and before the
// frame is presented. Everything the drawing changes in the GL's state (blending, scissor,
// client arrays, matrices, texture binding) is put back afterwards, so the next frame finds
// the fixed state it was set up with.

// Readies the drawing for the panel's context; needs the GL context current. Returns 1.
int StartPanelDrawing();
// Releases what StartPanelDrawing made (the font texture); needs the GL context current.
void StopPanelDrawing();

// Call before each frame's panel is built (makes the font texture on first use).
void BeginPanelDrawingFrame();

// Draws the panel built last, if any.
void DrawPanel();
