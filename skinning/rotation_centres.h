#pragma once

#include "math/math3d.h"
#include "mesh/skin_mesh.h"
#include "skinning/skin_kernels.h"

// Centres of rotation for centre-of-rotation skinning: per skin vertex, the point about which its
// blended transform turns it. Linear blending has no such point, so a blend of two turns pulls
// the vertex toward the joint; dual quaternions turn about an implicit screw axis, which pushes
// the outside of a bend out. Here each vertex turns about an explicit centre: the average of the
// rest skin's surface, each piece weighted by its area and by how alike its weights are to the
// vertex's, so that a vertex turns about the middle of the part of the limb that bends as it does.
//
// The skin's triangles are split at their edges' midpoints, again and again, until the weights of
// the corners of every piece differ by at most RotationCentreWeightStep, so that pieces with
// unlike weights do not share one. Piece t weighs area(t) * s(w_i, w_t), w_t being the mean of
// its corners' weights and, for the two transforms of a vertex (A with share a0, B with a1),
// s(a, b) = 2 a0 a1 b0 b1 exp(-(a0 b1 - a1 b0)^2 / sigma^2) with sigma RotationCentreSigma (for
// weights that sum to 1, a0 b1 - a1 b0 is a0 - b0). A vertex that follows one transform alone
// (a0 a1 = 0) resembles nothing and has no centre: it follows that transform.


// Rest-space centres, by vertex; meaningful where hasRotationCentre is 1. Filled by
// ComputeRotationCentres; zero before.
extern Vector3 rotationCentres[SkinVertexCount];
extern int hasRotationCentre[SkinVertexCount];

// Recomputes every centre from the rest positions and the weights and bones in skinVertices:
// call it after the weights change. The scene's set-up calls it once.
void ComputeRotationCentres();
