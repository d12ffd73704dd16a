#pragma once

#include "math/math3d.h"

// One joint of the two-bone chain. Angles are degrees; points are model space.
struct Bone {
    double rotX;
    double rotY; // only the forward mode's twist changes it; part of every matrix and marker
    double rotZ;
    Vector3 pivot;  // joint position; the rotations turn space about it
    Vector3 tip;    // offset from this bone's start to its end, summed along the chain
    Vector3 xAxis;  // point the solver turns about X
    Vector3 zAxis;  // point the solver turns about Z
    int material;   // marker material index
    Matrix4 matrix; // this bone's own transform (parent not included)
    int parent;     // -1 for the root
};

const int BoneCount = 2;

// Zero until the scene set-up fills them: identity rotations about the origin.
extern Bone bones[BoneCount];

// Recomputes matrix = T(pivot) * Ry * Rx * Rz * T(-pivot) for bone 0, then bone 1.
void BuildBoneMatrices();

// The same for a copy of the bones (BoneCount records), so that a pose can be tried without
// touching the bones on screen.
void BuildBoneMatricesOf(Bone *chain);

// Ry * Rx * Rz about the origin, degrees: a bone's turn without its pivot, which forward
// kinematics also puts on top of a model joint's own transform, so both turn alike.
Matrix4 JointTurnMatrix(double rotX, double rotY, double rotZ);

// Puts both bones into their rest pose with pivots, tips, axes, materials and parents.
void SetUpBones();

// The parent of bone b, or -1 when b is a root. A bone that names itself or a bone outside the
// chain is treated as a root, so walks down the chain always end (the zero-initialised records
// have parent 0 for both bones).
int ParentOf(int b);

// ParentOf in a copy of the bones.
int ParentIn(const Bone *chain, int b);
