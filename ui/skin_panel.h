#pragma once

#include "skeleton/demo_commands.h"

// The panel's skinning lab section, a collapsing header: the skinning method, the three views
// with the legend of the colour view that is on, the limb's volume against the rest pose, and
// the inspected vertex's numbers. It opens itself when a view is turned on or a vertex is
// picked, so what was asked for shows. Queues commands as the rest of the panel does.
void SkinningLabSection(DemoCommandQueue &commands);

// Side by side, each copy's method and volume over it in the scene, under the panel.
void SideBySideLabels();
