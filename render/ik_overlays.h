#pragma once

#include "demo/frame_record.h"

// The inverse-kinematics lab's drawing over the scene, in the inverse mode: a three-axis cross
// on the target, and while the solvers are compared, the chains of the three solvers not on
// screen as coloured bone lines (root, elbow, end), in the colours of the panel's legend, all
// over whatever else the frame holds.
// Leaves every bit of GL state as it found it, the current material included.
void DrawIkLabOverlays(const FrameRecord &frame);

// A thin line from the target straight down to the floor and a small diamond round its foot:
// from the side, a target moved toward or away from the camera looks where it was, and the foot
// on the floor's squares tells its depth. Drawn before the line to the target, which it must
// not hide.
void DrawIkTargetDrop(const Vector3 &target);

// A model's IK chains in the inverse mode (frame.modelChains), each in its solver's colour with
// its joints as dots, and the target's cross, over everything else.
void DrawModelChainOverlays(const FrameRecord &frame);
