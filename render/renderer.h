#pragma once

#include "demo/frame_record.h"

// GL texture names of the two surfaces; 0 (the default texture, no image) until loaded, and
// binding 0 leaves a surface untextured.
extern unsigned int skinTexture;
extern unsigned int floorTexture;

// Draws the scene of frame (filled by UpdateFrame) into its viewport without changing
// anything: floor, bone markers (in wireframe, unless hidden) in the pose from before the
// update, the skin, the skinning lab's views that are on (render/skin_views.h), the normals and
// the IK overlays, then flushes. Draws nothing when the client area has no pixels.
void DrawScene(const FrameRecord &frame);

// 1 when the client area has pixels to draw into.
int SceneHasPixels();

// One complete frame, as the program draws one: UpdateFrame into frameRecord (the per-frame
// skeleton and skin update, which runs the IK pass), then DrawScene, then presentFrame (the
// platform's buffer swap; null presents nothing).
//
// A client area with no pixels (a minimised window reports height 0) has nothing to show: the
// frame is skipped whole, with no GL call, no update and no present.
void RenderScene(void (*presentFrame)(void), double viewAngle);

// What the last drawn picture was drawn from: the frame's record, the state record and the
// texture names. Drawing is deterministic, so equal inputs draw the same picture. Whoever draws
// keeps one; valid 0 compares unequal to anything, so the first frame is drawn.
struct SceneTracker {
    int valid = 0;
    FrameRecord frame;
    DemoState state;
    unsigned int textures[2] = {0, 0};
};

// Whether the scene drawn now from frame could look different from the one tracker last saw:
// it compares what the picture is drawn from (SameScene, SameSettings and the texture names),
// then remembers it for the next call. Call it once per frame, after the update.
//
// Data that only the scene set-up changes (the bones' pivots, the skin's triangles and rest
// data) is not compared: draw the first frame after the set-up, and every frame the window
// system has lost, whatever this says.
int SceneInputsChanged(SceneTracker &tracker, const FrameRecord &frame);
