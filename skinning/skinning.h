#pragma once

#include "math/colour.h"
#include "math/math3d.h"
#include "skinning/skin_kernels.h"

// How a vertex's influences (joints with weights, skin/skin_kernels.h) become one motion. A
// vertex with no influence keeps its rest data under every method.
enum SkinningMethod {
    // sum of w_i S_i v, matrices applied and then mixed: the default. Thins the limb at a bend
    // and collapses it under a half turn of twist.
    SkinningLinear = 0,
    // Only the heaviest influence (a tie goes to the first listed: the limb's parent bone).
    // Keeps every piece rigid and tears the skin at the joint.
    SkinningRigid,
    // Each skin matrix as a unit dual quaternion, mixed by the weights (signs turned to the
    // heaviest's side, so the mix takes the shorter way round), normalised and applied: a rigid
    // motion per vertex, so nothing shrinks. The normal is turned by the same rotation.
    SkinningDualQuaternion,
    // A turn and a point: the rotation of the dual-quaternion blend about the vertex's centre of
    // rotation (ComputeRotationCentres), and the centre carried where linear blending carries
    // it: v' = R (v - c) + sum w_i S_i c. A vertex with no centre follows its heaviest influence.
    // The normal turns by R.
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
    SkinKernel skin;   // the method's kernel
    // The determinant of the 3x3 part of the transform the method applies to a vertex.
    double (*determinant)(const SkinInput &in, int vertex);
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

// One vertex under one method: what the method's kernel writes for it, bit for bit, and its
// determinant.
struct SkinnedVertex {
    Vector3 position;
    Vector3 normal;
    double determinant;
};
void SkinOneVertex(const SkinInput &in, int vertex, int method, SkinnedVertex &out);

// Where influence k of vertex alone puts its rest position: S_k v.
Vector3 InfluenceAlone(const SkinInput &in, int vertex, int k);

// Where linear blending carries the vertex's centre of rotation, sum w_i S_i c: the point the
// centre-of-rotation method turns it about. 1, or 0 (carried untouched) for a vertex without a
// centre.
int CarriedRotationCentre(const SkinInput &in, int vertex, Vector3 &carried);
