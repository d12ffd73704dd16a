#pragma once

#include "demo/demo_commands.h"

// The panel's skinning lab section, a collapsing header: the skinning method, the preset poses,
// the blended rings' weights, the colour views as one choice with the legend of the one that is
// on, the rest pose and side-by-side boxes, the limb's volume and radius extremes against the
// rest pose, and the inspected vertex's numbers. It opens itself when a view is turned on or a
// vertex is picked, so what was asked for shows. Queues commands as the rest of the panel does.
void SkinningLabSection(DemoCommandQueue &commands);

// Side by side, each copy's method and volume over it in the scene, under the panel.
void SideBySideLabels();
