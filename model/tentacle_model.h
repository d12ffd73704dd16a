#pragma once

#include "model/model.h"

#include <vector>

// The built-in tentacle: a chain of TentacleJoints joints standing up from the floor, each the
// child of the one below, and a tapered tube skinned to them, so that a chain longer than the
// limb's two bones is there to pose without a model file. Joint i stands i bone lengths up the
// +Y axis at rest; its local matrix is a plain translation (the root's none), so every joint's
// frame at rest is the scene's. The tube is TentacleHeight tall and centred on the axis, so it
// stands where the limb stands at the limb's height.
const int TentacleJoints = 8;
const double TentacleHeight = 3.0;

// The tentacle's model (its rig named "tentacle0" up to "tentacle7", its segments one per
// joint, the open ring its base) and every joint's local matrix at rest.
void MakeTentacle(Model &model, std::vector<Matrix4> &restLocals);
