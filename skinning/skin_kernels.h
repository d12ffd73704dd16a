#pragma once

#include "math/math3d.h"
#include "mesh/skinned_mesh.h"

#include <memory>
#include <vector>

// The skinning methods as kernels over a span of vertices, for any number of joints and of
// influences per vertex. A kernel reads only what it is handed (the skin matrices, one per joint,
// world x inverse bind, and the mesh's rest data and influences) and writes only its outputs:
// no global, no setting. Every vertex is skinned from its rest data, so errors never accumulate.
//
// Normals are directions (w = 0): matrices turn them and do not move them.

// Centres of rotation, one per distinct weight vector: centreOf[i] is vertex i's index into
// centres, or -1 for a vertex that follows one joint alone, or whose weights resemble no piece of
// the surface (it follows its heaviest joint). Rest space.
struct RotationCentres {
    std::vector<int> centreOf;
    std::vector<Vector3> centres;
};

// What every kernel reads.
struct SkinInput {
    const Matrix4 *skinMatrices; // one per joint
    int jointCount;
    const Vector3 *restPositions;
    const Vector3 *restNormals;
    const VertexInfluences *influences;
    const RotationCentres *centres; // centre of rotation only; null: every vertex follows its
                                    // heaviest joint
    // 1 while a model's centres are still being worked out: the centre-of-rotation method
    // blends linearly meanwhile (positions, normals, determinants), and no centre is carried.
    int centresPending = 0;
};

// Skins vertices from to to - 1 into positions[0 .. to - from - 1] and normals[...].
typedef void (*SkinKernel)(const SkinInput &in, int from, int to, Vector3 *positions,
                           Vector3 *normals);

// Linear blending: sum of w_i * (S_i v), in the order of the vertex's influences. With one or two
// influences each matrix is applied and then mixed; with more, the matrices are mixed first,
// sum of w_i S_i, and applied once, which takes fewer operations (the results differ by rounding
// alone). The normal the same way, not renormalised.
void SkinLinear(const SkinInput &in, int from, int to, Vector3 *positions, Vector3 *normals);

// Rigid: the heaviest influence's matrix alone (the first of equals).
void SkinRigid(const SkinInput &in, int from, int to, Vector3 *positions, Vector3 *normals);

// Dual quaternions: the rigid part of each skin matrix as a unit dual quaternion, each one's
// sign turned to the heaviest influence's side (and then all of them, if need be, so that the
// first keeps its own), mixed by the weights, normalised and applied.
// A skin matrix with scale (or shear) is split as rotation x K, K = R^T S upper triangular; the
// vertex is first moved by the weighted mix of the K's, then by the blended rigid motion. The
// normal turns by the blend's rotation after the inverse transpose of the mixed K, and is unit.
void SkinDualQuaternion(const SkinInput &in, int from, int to, Vector3 *positions,
                        Vector3 *normals);

// Centres of rotation: the dual-quaternion blend's rotation about the vertex's centre, which goes
// where linear blending puts it: v' = R (v - c) + sum w_i S_i c. A vertex without a centre
// follows its heaviest influence, as rigid.
void SkinCentreOfRotation(const SkinInput &in, int from, int to, Vector3 *positions,
                          Vector3 *normals);

// The determinant of the 3x3 part of the transform each method applies to vertex: how much it
// scales a small volume there. Linear: det(sum w_i S_i); rigid: det(S_heaviest); dual
// quaternions and centres of rotation: det of the blend's rotation (1 up to rounding) times
// det(mixed K) where a joint has scale (centre of rotation: rigid's for a vertex without a
// centre). 1 for a vertex with no influence.
double DeterminantLinear(const SkinInput &in, int vertex);
double DeterminantRigid(const SkinInput &in, int vertex);
double DeterminantDualQuaternion(const SkinInput &in, int vertex);
double DeterminantCentreOfRotation(const SkinInput &in, int vertex);

// Centres of rotation for mesh: for each distinct weight vector with two or more joints of
// positive weight, the mean of the rest surface's pieces, each weighted by its area and by the
// similarity of its corners' mean weights to the vector's,
//   s(a, b) = sum over joint pairs j < k of 2 a_j a_k b_j b_k exp(-(a_j b_k - a_k b_j)^2 /
//   sigma^2),
// with the triangles split at their edges' midpoints until no two corners' weights of a piece
// differ by more than RotationCentreWeightStep for any joint. Vertices with equal weight vectors
// (the same joints and weights in the same order) share one centre, worked out once. Returns the
// number of distinct weight vectors worked out (those of two or more joints of positive
// weight).
const double RotationCentreWeightStep = 0.1;
const double RotationCentreSigma = 0.1;
int ComputeRotationCentres(const SkinnedMesh &mesh, RotationCentres &out);

// The same work a slice of triangles at a time, so a large model's centres can go on between
// frames: Start sorts the weight vectors, each Continue sums up to triangles more triangles' shares
// (1 once every one is summed), Finish sums what is left and writes out, with the same result to
// the bit as ComputeRotationCentres, which is the three in one go.
struct RotationCentreJob {
    // The work in progress, whose form only the kernels know; null before Start and after
    // Finish.
    std::shared_ptr<void> state;
    int trianglesDone = 0, triangleCount = 0;
};
void StartRotationCentres(const SkinnedMesh &mesh, RotationCentreJob &job);
int ContinueRotationCentres(const SkinnedMesh &mesh, RotationCentreJob &job, int triangles);
int FinishRotationCentres(const SkinnedMesh &mesh, RotationCentreJob &job, RotationCentres &out);
