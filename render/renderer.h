#pragma once

#include "skeleton/bones.h"

// GL texture names of the two surfaces; 0 (the default texture, no image) until loaded, and
// binding 0 leaves a surface untextured.
extern unsigned int skinTexture;
extern unsigned int floorTexture;

// Draws the scene as it stands, without moving anything: floor, bone markers (in wireframe,
// unless hidden) turned by the angles of markerPose (BoneCount records), the skin as last
// skinned, the normals and the IK overlays. viewAngle is the camera yaw in degrees. Sets
// demoState.aspect. Draws nothing when the client area has no pixels.
void DrawScene(double viewAngle, const Bone *markerPose);

// One complete frame: the per-frame skeleton and skin update (which runs the IK pass), then
// DrawScene with the markers in the pose from before that update, then a flush and
// presentFrame (the platform's buffer swap; null presents nothing).
//
// A client area with no pixels (a minimised window reports height 0) has nothing to show: the
// frame is skipped whole, with no GL call, no update and no present.
void RenderScene(void (*presentFrame)(void), double viewAngle);

// RenderScene for a frame on screen that may stay: the update always runs (so the solver keeps
// its pace), but when nothing the picture is drawn from has changed since the last frame drawn
// (the drawing flags, the IK target, the client size, the camera, the texture names and the
// bones' angles before and after the update), and mustDraw is 0, nothing is drawn or presented
// and the picture on screen stays. Returns 1 when a frame was drawn and presented.
//
// Data that only the scene set-up changes (the bones' pivots, the skin's triangles and rest
// data) is not compared: pass mustDraw = 1 for the first frame after the set-up, and whenever the
// window system has lost the picture on screen.
int RenderSceneIfChanged(void (*presentFrame)(void), double viewAngle, int mustDraw);
