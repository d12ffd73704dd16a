#pragma once

#include "demo/demo_commands.h"

// The panel's section for a model from a file: its file, sizes and notes, its clips, playing
// and pausing, and the time on its clip. Shows nothing while the limb is shown.
void ModelSection(DemoCommandQueue &commands);
