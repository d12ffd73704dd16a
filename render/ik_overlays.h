#pragma once

#include "demo/frame_record.h"

// The inverse-kinematics lab's drawing over the scene, in the inverse mode: a three-axis cross
// on the target, and while the solvers are compared, the chains of the three solvers not on
// screen as coloured bone lines (root, elbow, end), in the colours of the panel's legend, all
// over whatever else the frame holds.
// Leaves every bit of GL state as it found it, the current material included.
void DrawIkLabOverlays(const FrameRecord &frame);
