#pragma once

#include "math/colour.h"
#include "math/math3d.h"
#include "mesh/skin_mesh.h"

// How a vertex's two transforms become one. Every vertex has two: A, its first bone's own
// matrix, and B, the chain first-bone-then-second-bone; its weight is A's share, 1 - weight is
// B's. A vertex with no first bone keeps its rest data under every method, and one with a first
// bone but no second takes its rest data as B.
enum SkinningMethod {
    // weight * A + (1 - weight) * B, matrices applied and then mixed: the default. Thins the
    // limb at a bend and collapses it under a half turn of twist.
    SkinningLinear = 0,
    // Only the heavier transform: A when weight >= 0.5 (a tie goes to the first bone, the
    // parent), else B. Keeps every piece rigid and tears the skin at the joint.
    SkinningRigid,
    // A and B as unit dual quaternions, mixed by the weights (B's sign turned to A's side, so the
    // mix takes the shorter way round), normalised and applied: a rigid motion per vertex, so
    // nothing shrinks. The normal is turned by the same rotation.
    SkinningDualQuaternion,
    // A turn and a point: the rotation of the dual-quaternion blend (the normalised mix of A's
    // and B's rotations, B's sign turned to A's side), about the vertex's centre of rotation
    // (skeleton/rotation_centres.h), and the centre carried by the weighted mix of where A and B
    // put it: v' = R (v - c) + weight * A c + (1 - weight) * B c. A vertex with no centre
    // follows its heavier transform, which is then its only one. The normal turns by R.
    SkinningCentreOfRotation,
    SkinningMethodCount
};

// One row per method, in SkinningMethod order: every list of methods the program shows (the
// options, the keys, --help, the panel, the inspector's rows and colours, --stats) reads this
// table, so a new method is one row and its functions.
struct SkinningMethodInfo {
    const char *name;  // in options and --stats: "dual-quaternion"
    const char *label; // the panel's choice: "Dual quaternion"
    const char *words; // in sentences and the inspector's rows: "dual quaternions"
    ColourRgb colour;  // the inspector's point for the method's result, and its row
    // Skins vertices from to to - 1 into the position and normal of out[0], out[1], ..., from
    // the current bone matrices.
    void (*skinVertices)(int from, int to, SkinVertex *out);
    // The determinant of the 3x3 part of the transform the method applies to vertex i.
    double (*determinant)(int i);
};

// Sized by its rows, so that the count check in its definition means something.
extern const SkinningMethodInfo skinningMethods[];

// method when it is a method, else linear blending: how every reader of
// demoState.skinningMethod treats a number that is no method.
int ValidSkinningMethod(int method);

// The method's name ("linear", "rigid", "dual-quaternion"); null for a number that is no method.
const char *SkinningMethodName(int method);
// The method named name (as SkinningMethodName spells it) into method; 1 when found, else 0
// with method untouched.
int FindSkinningMethod(const char *name, int &method);
// Every method's name, or its words, as a list a sentence can hold: "linear, rigid and
// dual-quaternion".
const char *SkinningMethodNameList();
const char *SkinningMethodWordList();

// Deforms every vertex into skinVertices by method (linear blending for a number that is no
// method), from the current bone matrices. Rigid and dual-quaternion normals stay unit length.
void SkinMeshWith(int method);

// Per vertex, the determinant of the 3x3 part of the transform the method applies to it: how
// much it scales a small volume there. Linear: det(weight * A + (1 - weight) * B), which is
// cos^2(theta / 2) for a half-and-half blend of two turns theta apart; rigid and dual
// quaternions: 1, up to rounding. Filled by UpdateSkinDeterminants; zero before.
extern float skinDeterminants[SkinVertexCount];

// Fills skinDeterminants for method and the current bone matrices: call it after
// UpdateSkeletonAndSkin in frames that show it.
void UpdateSkinDeterminants(int method);

// One vertex under one method, from the current bone matrices; what the mesh pass of that
// method writes for it, bit for bit.
struct SkinnedVertex {
    Vector3 position;
    Vector3 normal;
    double determinant; // as in skinDeterminants
};
void SkinOneVertex(int vertex, int method, SkinnedVertex &out);

// Where each of the vertex's two transforms alone puts its rest position: A (its first bone's
// own matrix) and B (the chain), rest where a bone is missing.
void VertexTransformsAlone(int vertex, Vector3 &first, Vector3 &chain);

// Where the weighted mix of the vertex's two transforms, weight * A + (1 - weight) * B, puts its
// centre of rotation: the point the centre-of-rotation pass turns it about. 1, or 0 (carried
// untouched) for a vertex without a centre.
int CarriedRotationCentre(int vertex, Vector3 &carried);
