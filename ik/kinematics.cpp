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
    FindEndEffectorIn(bones, b, position, accum);
}

void FindEndEffectorIn(const Bone *chain, int b, Vector3 &position, Matrix4 &accum) {
    int parent = ParentIn(chain, b);
    if (b == EndBone && parent >= 0) {
        FindEndEffectorIn(chain, parent, position, accum);
        Matrix4 carried;
        MultMatrix(carried, accum, chain[b].matrix);
        position = TransformedPoint(carried, Add(position, chain[b].tip));
    } else if (parent >= 0) {
        FindEndEffectorIn(chain, parent, position, accum);
        Matrix4 carried;
        MultMatrix(carried, accum, chain[b].matrix);
        accum = carried;
        position = Add(position, chain[b].tip);
    } else {
        accum = chain[b].matrix;
        position = Add(position, chain[b].tip);
    }
}

Vector3 EndEffectorPosition() {
    return EndEffectorOf(bones);
}

Vector3 EndEffectorOf(const Bone *chain) {
    Vector3 end = {0.0f, 0.0f, 0.0f};
    Matrix4 scratch;
    FindEndEffectorIn(chain, EndBone, end, scratch);
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
    SolveIkStepOn(bones, target);
}

void SolveIkStepOn(Bone *chain, const Vector3 &target) {
    // ParentIn ends the walk at the root even on the zero-initialised bones.
    for (int b = EndBone; b >= 0; b = ParentIn(chain, b)) {
        Vector3 end = EndEffectorOf(chain);
        Vector3 toTarget = Subtract(target, end);
        Bone &bone = chain[b];
        Vector3 tipPoint = TransformedPoint(bone.matrix, bone.tip);
        Vector3 xPoint = TransformedPoint(bone.matrix, bone.xAxis);
        Vector3 zPoint = TransformedPoint(bone.matrix, bone.zAxis);

        if (IkTargetStatusFor(end, toTarget) == IkTargetPursued) {
            bone.rotX += IkAngleStep(xPoint, tipPoint, toTarget);
            bone.rotZ += IkAngleStep(zPoint, tipPoint, toTarget);
        }
        BuildBoneMatricesOf(chain);
    }
}
