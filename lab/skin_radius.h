#pragma once

#include "math/math3d.h"
#include "mesh/skin_mesh.h"

// How far each skin vertex stands from the skeleton, against the rest pose: the radius view's
// number. A skin that keeps its thickness keeps every vertex's distance from the nearest point
// of the bones; linear blending pulls the skin at the joint toward it (below 1), the rigid
// pieces cross into each other at the crease, and dual quaternions push the outside of a bend
// out (above 1). The skeleton is the two bones as segments: bone 0 from its pivot to bone 1's,
// bone 1 from there to its tip, each carried by the bone matrices as the skin is.

// Distance from p to the nearest point of the segments root-joint and joint-end.
double DistanceToSegments(const Vector3 &p, const Vector3 &root, const Vector3 &joint,
                          const Vector3 &end);

// The skeleton's three points (root, joint, end) at rest and for the current bone matrices.
void RestSkeletonPoints(Vector3 &root, Vector3 &joint, Vector3 &end);
void PosedSkeletonPoints(Vector3 &root, Vector3 &joint, Vector3 &end);

// Per vertex, its distance from the posed skeleton (skinVertices' positions, the current bone
// matrices) over its distance from the rest skeleton (restPositions). A vertex on the skeleton
// at rest (the top point, on the end of bone 1) has no such ratio: it gets 1 and is left out of
// the extremes. Filled by UpdateRadiusRatios; zero before.
extern float skinRadiusRatios[SkinVertexCount];

// Rest distances below this count as on the skeleton.
const double OnSkeletonDistance = 1e-6;

struct RadiusExtremes {
    double low, high; // the smallest and largest ratio of the vertices that have one
};

// Fills skinRadiusRatios for the skin as last skinned and returns their extremes.
RadiusExtremes UpdateRadiusRatios();
