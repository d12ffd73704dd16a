#pragma once

#include <cstdio>

// One line for --stats on the inverse-kinematics solver as the run ended: its name and the
// distance from the chain's end to the target ("ik: solver analytic, distance 0.000012"). The
// joint angles are on the pose's own lines.
void PrintIkStats(std::FILE *out);
