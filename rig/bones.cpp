#include "rig/bones.h"

#include <cmath>

Bone bones[BoneCount];

namespace {

struct SineCosine {
    float sine, cosine;
};

SineCosine SineCosineOfDegrees(double degrees) {
    double radians = degrees * DegreesToRadians;
    return SineCosine{(float)std::sin(radians), (float)std::cos(radians)};
}

Matrix4 RotationY(double degrees) {
    SineCosine a = SineCosineOfDegrees(degrees);
    Matrix4 r = IdentityMatrix();
    r.m[0] = a.cosine;
    r.m[2] = -a.sine;
    r.m[8] = a.sine;
    r.m[10] = a.cosine;
    return r;
}

Matrix4 RotationX(double degrees) {
    SineCosine a = SineCosineOfDegrees(degrees);
    Matrix4 r = IdentityMatrix();
    r.m[5] = a.cosine;
    r.m[6] = a.sine;
    r.m[9] = -a.sine;
    r.m[10] = a.cosine;
    return r;
}

Matrix4 RotationZ(double degrees) {
    SineCosine a = SineCosineOfDegrees(degrees);
    Matrix4 r = IdentityMatrix();
    r.m[0] = a.cosine;
    r.m[1] = a.sine;
    r.m[4] = -a.sine;
    r.m[5] = a.cosine;
    return r;
}

Matrix4 Translation(const Vector3 &offset) {
    Matrix4 t = IdentityMatrix();
    t.m[12] = offset.x;
    t.m[13] = offset.y;
    t.m[14] = offset.z;
    return t;
}

void BuildBoneMatrix(Bone &bone) {
    Matrix4 toPivot = Translation(bone.pivot);
    Matrix4 fromPivot = Translation(Vector3{-bone.pivot.x, -bone.pivot.y, -bone.pivot.z});
    Matrix4 afterY, afterX, afterZ;
    MultMatrix(afterY, toPivot, RotationY(bone.rotY));
    MultMatrix(afterX, afterY, RotationX(bone.rotX));
    MultMatrix(afterZ, afterX, RotationZ(bone.rotZ));
    MultMatrix(bone.matrix, afterZ, fromPivot);
}

} // namespace

Matrix4 JointTurnMatrix(double rotX, double rotY, double rotZ) {
    Matrix4 afterX, turn;
    MultMatrix(afterX, RotationY(rotY), RotationX(rotX));
    MultMatrix(turn, afterX, RotationZ(rotZ));
    return turn;
}

void BuildBoneMatrices() {
    BuildBoneMatricesOf(bones);
}

void BuildBoneMatricesOf(Bone *chain) {
    for (int b = 0; b < BoneCount; ++b)
        BuildBoneMatrix(chain[b]);
}

void SetUpBones() {
    const Vector3 xAxis = {1.0f, 0.0f, 0.0f};
    const Vector3 zAxis = {0.0f, 0.0f, 1.0f};
    const Vector3 halfLimb = {0.0f, 1.5f, 0.0f};

    Bone &root = bones[0];
    root.rotX = root.rotY = root.rotZ = 0.0;
    root.pivot = Vector3{0.0f, 0.0f, 0.0f};
    root.tip = halfLimb;
    root.xAxis = xAxis;
    root.zAxis = zAxis;
    root.material = 1;
    root.parent = -1;

    Bone &child = bones[1];
    child.rotX = child.rotY = child.rotZ = 0.0;
    child.pivot = halfLimb;
    child.tip = halfLimb;
    child.xAxis = xAxis;
    child.zAxis = zAxis;
    child.material = 2;
    child.parent = 0;
}

int ParentOf(int b) {
    return ParentIn(bones, b);
}

int ParentIn(const Bone *chain, int b) {
    int parent = chain[b].parent;
    if (parent < 0 || parent >= BoneCount || parent == b)
        return -1;
    return parent;
}
