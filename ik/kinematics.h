#pragma once

#include "math/math3d.h"

#include "rig/bones.h"

// Walks from bone b down to the root and back, giving the model-space position of b's end.
// Start with position = (0, 0, 0) and b = 1 for the end of the chain. accum is working storage;
// its incoming content is not read.
void FindEndEffector(int b, Vector3 &position, Matrix4 &accum);

// The chain's end in model space for the current bone matrices.
Vector3 EndEffectorPosition();

// The same walk over a copy of the bones (BoneCount records, matrices built).
void FindEndEffectorIn(const Bone *chain, int b, Vector3 &position, Matrix4 &accum);
Vector3 EndEffectorOf(const Bone *chain);

// Whether the solver works toward the target or ignores it, and why.
enum IkTargetState {
    IkTargetPursued,
    IkTargetOnEnd,      // the chain's end is on the target already
    IkTargetOutOfReach, // 3 or more units from the end
    IkTargetOnLine,     // on the line from the origin through the end, where no turn helps
};

// The state for a chain's end at end and the offset toTarget from it to the target.
int IkTargetStatusFor(const Vector3 &end, const Vector3 &toTarget);

// One corrective pass from the end bone to the root, nudging each bone's X and Z angles toward
// target. Ignores targets on the end, 3 or more units away, or on the line from the origin
// through the end. Rebuilds the bone matrices after each bone. SolveIkStep (demo/) runs it
// toward the demo's target.
void SolveIkStepToward(const Vector3 &target);

// The same pass on a copy of the bones, leaving the bones on screen alone.
void SolveIkStepOn(Bone *chain, const Vector3 &target);

// Angle increment in degrees for one joint axis: proportional to the distance to the target,
// at most a quarter of it, signed by the side of the plane (origin, axisPoint, tipPoint) the
// target lies on.
double IkAngleStep(const Vector3 &axisPoint, const Vector3 &tipPoint, const Vector3 &toTarget);
