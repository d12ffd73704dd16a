#include "lab/skin_radius.h"

#include "math/vec3d.h"
#include "rig/bones.h"

float skinRadiusRatios[SkinVertexCount];

namespace {

double DistanceToSegment(const Vec3d &p, const Vec3d &a, const Vec3d &b) {
    Vec3d along = Minus(b, a);
    double lengthSquared = Dot(along, along);
    double t = lengthSquared > 0.0 ? Dot(Minus(p, a), along) / lengthSquared : 0.0;
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    return Length(Minus(p, Plus(a, Times(along, t))));
}

Vector3 Moved(const Matrix4 &m, const Vector3 &p) {
    Vector4 moved;
    TransformPoint(moved, m, AsPoint(p));
    return DropW(moved);
}

} // namespace

double DistanceToSegments(const Vector3 &p, const Vector3 &root, const Vector3 &joint,
                          const Vector3 &end) {
    Vec3d q = ToVec3d(p), j = ToVec3d(joint);
    double toLower = DistanceToSegment(q, ToVec3d(root), j);
    double toUpper = DistanceToSegment(q, j, ToVec3d(end));
    return toLower < toUpper ? toLower : toUpper;
}

void RestSkeletonPoints(Vector3 &root, Vector3 &joint, Vector3 &end) {
    root = bones[0].pivot;
    joint = bones[1].pivot;
    end = Add(bones[1].pivot, bones[1].tip);
}

void PosedSkeletonPoints(Vector3 &root, Vector3 &joint, Vector3 &end) {
    Vector3 restRoot, restJoint, restEnd;
    RestSkeletonPoints(restRoot, restJoint, restEnd);
    Matrix4 chain;
    MultMatrix(chain, bones[0].matrix, bones[1].matrix);
    root = Moved(bones[0].matrix, restRoot);
    joint = Moved(bones[0].matrix, restJoint);
    end = Moved(chain, restEnd);
}

RadiusExtremes UpdateRadiusRatios() {
    Vector3 restRoot, restJoint, restEnd, root, joint, end;
    RestSkeletonPoints(restRoot, restJoint, restEnd);
    PosedSkeletonPoints(root, joint, end);
    RadiusExtremes extremes = {1.0, 1.0};
    int first = 1;
    for (int i = 0; i < SkinVertexCount; ++i) {
        double rest = DistanceToSegments(restPositions[i], restRoot, restJoint, restEnd);
        if (rest < OnSkeletonDistance) {
            skinRadiusRatios[i] = 1.0f;
            continue;
        }
        double ratio = DistanceToSegments(skinVertices[i].position, root, joint, end) / rest;
        skinRadiusRatios[i] = (float)ratio;
        if (first || ratio < extremes.low)
            extremes.low = ratio;
        if (first || ratio > extremes.high)
            extremes.high = ratio;
        first = 0;
    }
    return extremes;
}
