#pragma once

#include "demo/demo_commands.h"

// The panel's inverse-kinematics section, shown in the inverse mode: the solver and its
// settings, the joint angles, the distance left, the updates since the target moved, the
// status in words, a plot of the recent distances, the comparison with its legend, and Step
// and Run. Queues the commands its controls ask for, as the rest of the panel does.
void BuildIkPanel(DemoCommandQueue &commands);
