#pragma once

#include "math/math3d.h"
#include "mesh/skin_mesh.h"
#include "model/model.h"
#include "model/skeleton_distance.h"

#include <vector>

// How far each skin vertex stands from the skeleton, against the rest pose: the radius view's
// number. A skin that keeps its thickness keeps every vertex's distance from the nearest point
// of the bones; linear blending pulls the skin at the joint toward it (below 1), the rigid
// pieces cross into each other at the crease, and dual quaternions push the outside of a bend
// out (above 1). The skeleton is the model's segments (model.h), each end carried by its joint's
// skin matrix as the skin is.

// Every segment of model at rest, and as the skin matrices of pose carry it.
void RestSegments(const Model &model, std::vector<PlacedSegment> &out);
void PosedSegments(const Model &model, const ModelPose &pose, std::vector<PlacedSegment> &out);

// Rest distances below this count as on the skeleton.
const double OnSkeletonDistance = 1e-6;

struct RadiusExtremes {
    double low, high; // the smallest and largest ratio of the vertices that have one
};

// Per vertex of model, its distance from the posed skeleton (at skin[i].position, for pose) over
// its distance from the rest skeleton (at its rest position), into ratios (sized to the vertex
// count). A vertex on the skeleton at rest (the limb's top point, on the end of bone 1) has no
// such ratio: it gets 1 and is left out of the extremes. Returns the extremes (1 and 1 when no
// vertex has a ratio).
RadiusExtremes RadiusRatios(const Model &model, const ModelPose &pose, const SkinVertex *skin,
                            std::vector<float> &ratios);
