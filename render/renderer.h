#pragma once

#include "skeleton/bones.h"

// GL texture names of the two surfaces; 0 (the default texture, no image) until loaded, and
// binding 0 leaves a surface untextured.
extern unsigned int skinTexture;
extern unsigned int floorTexture;

// Draws the scene as it stands, without moving anything: floor, bone markers (in wireframe,
// unless hidden) turned by the angles of markerPose (BoneCount records), the skin as last
// skinned, the skinning lab's views that are on (render/skin_views.h), the normals and the IK
// overlays, then flushes. viewAngle is the camera yaw in
// degrees. Sets demoState.aspect where it sets the projection. Draws nothing when the client
// area has no pixels.
void DrawScene(double viewAngle, const Bone *markerPose);

// 1 when the client area has pixels to draw into.
int SceneHasPixels();

// One complete frame: the per-frame skeleton and skin update (which runs the IK pass), then
// DrawScene with the markers in the pose from before that update, then a flush and
// presentFrame (the platform's buffer swap; null presents nothing).
//
// A client area with no pixels (a minimised window reports height 0) has nothing to show: the
// frame is skipped whole, with no GL call, no update and no present.
void RenderScene(void (*presentFrame)(void), double viewAngle);

// Whether the scene drawn now from viewAngle and markerPose could look different from the one
// this function was last asked about: it compares everything the picture is drawn from (the
// drawing flags, the IK target, the client size, the camera, the texture names, the bones'
// angles, both as the markers show them and as they stand now, and the skinning lab's method,
// views and inspected vertex), then remembers it for the next call. Call it once per frame, after
// the update. The first call answers 1.
//
// Data that only the scene set-up changes (the bones' pivots, the skin's triangles and rest
// data) is not compared: draw the first frame after the set-up, and every frame the window
// system has lost, whatever this says.
int SceneInputsChanged(double viewAngle, const Bone *markerPose);
