#include "ik/kinematics.h"

#include "rig/bones.h"

namespace {

const int EndBone = 1;
const double MaxReach = 3.0;
const double MinSineOffLine = 0.02;

Vector3 TransformedPoint(const Matrix4 &m, const Vector3 &p) {
    Vector4 out;
    TransformPoint(out, m, AsPoint(p));
    return DropW(out);
}

} // namespace

int IkTargetStatusFor(const Vector3 &end, const Vector3 &toTarget) {
    double distance = VectorLength(toTarget);
    if (!(distance > 0.0))
        return IkTargetOnEnd;
    if (!(distance < MaxReach))
        return IkTargetOutOfReach;
    // A NaN sine (a zero-length end) fails the comparison too.
    if (!(SinAngle(end, toTarget) > MinSineOffLine))
        return IkTargetOnLine;
    return IkTargetPursued;
}

void FindEndEffector(int b, Vector3 &position, Matrix4 &accum) {
    int parent = ParentOf(b);
    if (b == EndBone && parent >= 0) {
        FindEndEffector(parent, position, accum);
        Matrix4 chain;
        MultMatrix(chain, accum, bones[b].matrix);
        position = TransformedPoint(chain, Add(position, bones[b].tip));
    } else if (parent >= 0) {
        FindEndEffector(parent, position, accum);
        Matrix4 chain;
        MultMatrix(chain, accum, bones[b].matrix);
        accum = chain;
        position = Add(position, bones[b].tip);
    } else {
        accum = bones[b].matrix;
        position = Add(position, bones[b].tip);
    }
}

Vector3 EndEffectorPosition() {
    Vector3 end = {0.0f, 0.0f, 0.0f};
    Matrix4 scratch;
    FindEndEffector(EndBone, end, scratch);
    return end;
}

double IkAngleStep(const Vector3 &axisPoint, const Vector3 &tipPoint, const Vector3 &toTarget) {
    Vector3 cross = CrossProduct(axisPoint, tipPoint);
    float length = (float)VectorLength(cross);
    Vector3 planeNormal = {cross.x / length, cross.y / length, cross.z / length};
    double step =
        VectorLength(toTarget) * SinAngle(axisPoint, toTarget) * SinAngle(tipPoint, toTarget);
    return SignOf(CosAngle(planeNormal, toTarget)) * step * 0.25;
}

void SolveIkStepToward(const Vector3 &target) {
    // ParentOf ends the walk at the root even on the zero-initialised bones.
    for (int b = EndBone; b >= 0; b = ParentOf(b)) {
        Vector3 end = EndEffectorPosition();
        Vector3 toTarget = Subtract(target, end);
        Bone &bone = bones[b];
        Vector3 tipPoint = TransformedPoint(bone.matrix, bone.tip);
        Vector3 xPoint = TransformedPoint(bone.matrix, bone.xAxis);
        Vector3 zPoint = TransformedPoint(bone.matrix, bone.zAxis);

        if (IkTargetStatusFor(end, toTarget) == IkTargetPursued) {
            bone.rotX += IkAngleStep(xPoint, tipPoint, toTarget);
            bone.rotZ += IkAngleStep(zPoint, tipPoint, toTarget);
        }
        BuildBoneMatrices();
    }
}
