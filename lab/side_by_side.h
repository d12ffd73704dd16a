#pragma once

#include "math/math3d.h"
#include "mesh/skin_mesh.h"
#include "model/model.h"
#include "skinning/skinning.h"
#include "view/camera.h"

#include <vector>

// The skinning lab's side-by-side view: the limb once for each skinning method, in a row across
// the screen, all from the same pose and the same frame, so the methods are compared at a glance
// instead of from memory.

// Scene units between neighbouring copies: the limb's foot is 1.5 wide, and a bent upper bone
// reaches 1.6 from its copy's axis, short of the next copy's joint ring.
const float SideBySideSpacing = 2.0f;

// Eye units the camera stands back at least while the view is on, so the row fits the picture.
const double SideBySideViewDistance = 20.0;

// Every method's skin and its figures, for one pose of a model.
struct MethodCopies {
    Vector3 offsets[SkinningMethodCount]; // where each copy stands, added to its positions
    std::vector<SkinVertex> skins[SkinningMethodCount];
    std::vector<float> determinants[SkinningMethodCount];
    std::vector<float> radiusRatios[SkinningMethodCount];
    std::vector<float> stretchRatios[SkinningMethodCount]; // per triangle
    double volumePercent[SkinningMethodCount];
};

// The offset of method's copy for a camera at yaw viewAngle (degrees): along the screen's
// x axis, spacing apart, the row centred on the origin, in the methods' order from left to right.
Vector3 SideBySideOffset(int method, double viewAngle, double spacing = SideBySideSpacing);

// The spacing for copies of a model whose rest pose spans low to high (scene units): the limb's
// SideBySideSpacing, or more for a wider model, so that neighbours keep apart whichever way
// the camera looks at the row (the footprint's diagonal, and a margin for limbs a pose swings
// out).
double SideBySideSpacingFor(const Vector3 &low, const Vector3 &high);

// Eye units the camera stands back at least for copies spacing apart: SideBySideViewDistance
// for the limb's spacing, farther in proportion for a wider row, up to the zoom's farthest.
double SideBySideViewDistanceFor(double spacing);

// Fills out for model in pose; each copy's vertices start as skin's (texture coordinates, the
// limb's bones and weights) and get their method's positions and normals.
void SkinEveryMethod(MethodCopies &out, const Model &model, const ModelPose &pose,
                     const std::vector<SkinVertex> &skin, double viewAngle,
                     double spacing = SideBySideSpacing);

// Every vertex's position and normal in skin (sized to model's vertices) by method, and each
// vertex's determinant into determinants.
void SkinModelInto(const Model &model, const ModelPose &pose, int method,
                   std::vector<SkinVertex> &skin, std::vector<float> &determinants);

// The vertex and the copy a pointer picks, as PickVertex does for one skin: the copy whose skin
// is under the pointer (nearest the pointer on screen, then nearest the eye). 1 with vertex and
// method filled, or 0 when the pointer is on none.
int PickVertexOfCopies(const CameraView &camera, const Model &model, const ModelPose &pose,
                       const MethodCopies &copies, int pointerX, int pointerY, int width,
                       int height, int &vertex, int &method);
