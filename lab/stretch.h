#pragma once

#include "math/math3d.h"
#include "mesh/skin_mesh.h"
#include "model/model.h"

#include <vector>

// How much each triangle of the skin is stretched or squashed against the bind pose: its area
// posed over its area at rest. The vertex views (the determinant, the radius) look at the skin's
// corners, and a method that moves each corner rigidly, as rigid skinning does, keeps every
// corner perfect while the triangles between two rings that follow different joints are torn
// open or crushed: this is the number that shows it.

// The area of the triangle posed over its area at rest; NaN when its rest area is below
// StretchRestAreaMin (a triangle with no area has no ratio).
double TriangleAreaRatio(const Vector3 rest[3], const Vector3 posed[3]);

// Rest areas below this (square model units) count as none.
const double StretchRestAreaMin = 1e-12;

struct StretchExtremes {
    double low, high; // the smallest and largest ratio of the triangles that have one
};

// Each triangle of model with its corners at skin[i].position, into ratios (one per triangle;
// a triangle without a ratio gets 1 and is left out of the extremes). Returns the extremes (1
// and 1 when no triangle has a ratio).
StretchExtremes TriangleStretch(const Model &model, const SkinVertex *skin,
                                std::vector<float> &ratios);
