#pragma once

// GL texture names of the two surfaces; 0 (the default texture, no image) until loaded, and
// binding 0 leaves a surface untextured.
extern unsigned int skinTexture;
extern unsigned int floorTexture;

// Draws one complete frame into the current GL context, flushes it and then calls presentFrame
// (the platform's buffer swap; null presents nothing) to show it. viewAngle is the camera yaw in
// degrees. Runs the per-frame skeleton and skin update between the bone markers and the skin, and
// sets demoState.aspect.
//
// A client area with no pixels (a minimised window reports height 0) has nothing to show: the
// frame is skipped whole, with no GL call, no update and no present.
void RenderScene(void (*presentFrame)(void), double viewAngle);
