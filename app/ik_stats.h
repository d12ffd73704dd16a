#pragma once

#include <cstdio>

// One line for --stats on the inverse-kinematics solver as the run ended: its name and the
// distance from the chain's end to the target and its status in the panel's words ("ik: solver
// analytic, distance 1.030000, status stalled, held by the elbow's 120-degree limit"). The
// joint angles are on the pose's own lines.
void PrintIkStats(std::FILE *out);
