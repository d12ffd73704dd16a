#include "lab/skin_radius.h"
#include "lab/ratio_extremes.h"

#include "math/vec3d.h"

#include <cmath>

namespace {

// The square of the distance: the nearest segment is found without a root per segment, and the
// root of the least square is the least of the roots, to the bit, as the root is rounded
// correctly and never decreases.
double SquaredDistanceToSegment(const Vec3d &p, const Vec3d &a, const Vec3d &b) {
    Vec3d along = Minus(b, a);
    double lengthSquared = Dot(along, along);
    double t = lengthSquared > 0.0 ? Dot(Minus(p, a), along) / lengthSquared : 0.0;
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    Vec3d off = Minus(p, Plus(a, Times(along, t)));
    return Dot(off, off);
}

Vector3 Moved(const Matrix4 &m, const Vector3 &p) {
    Vector4 moved;
    TransformPoint(moved, m, AsPoint(p));
    return DropW(moved);
}

} // namespace

void RestSegments(const Model &model, std::vector<PlacedSegment> &out) {
    out.clear();
    for (const BoneSegment &segment : model.segments)
        out.push_back(PlacedSegment{segment.restFrom, segment.restTo});
}

void PosedSegments(const Model &model, const ModelPose &pose, std::vector<PlacedSegment> &out) {
    out.clear();
    int joints = (int)pose.skins.size();
    for (const BoneSegment &segment : model.segments) {
        if (segment.fromJoint < 0 || segment.fromJoint >= joints || segment.toJoint < 0 ||
            segment.toJoint >= joints)
            continue;
        out.push_back(PlacedSegment{Moved(pose.skins[segment.fromJoint], segment.restFrom),
                                    Moved(pose.skins[segment.toJoint], segment.restTo)});
    }
}

double DistanceToSegments(const Vector3 &p, const std::vector<PlacedSegment> &segments) {
    Vec3d q = ToVec3d(p);
    double nearest = 0.0;
    for (size_t s = 0; s < segments.size(); ++s) {
        double d = SquaredDistanceToSegment(q, ToVec3d(segments[s].from), ToVec3d(segments[s].to));
        if (s == 0 || d < nearest)
            nearest = d;
    }
    return std::sqrt(nearest);
}

RadiusExtremes RadiusRatios(const Model &model, const ModelPose &pose, const SkinVertex *skin,
                            std::vector<float> &ratios) {
    std::vector<PlacedSegment> rest, posed;
    RestSegments(model, rest);
    PosedSegments(model, pose, posed);
    int count = VertexCount(model.mesh);
    ratios.assign(count, 1.0f);
    RadiusExtremes extremes = {1.0, 1.0};
    int first = 1;
    for (int i = 0; i < count; ++i) {
        double atRest = DistanceToSegments(model.mesh.restPositions[i], rest);
        if (atRest < OnSkeletonDistance)
            continue;
        double ratio = DistanceToSegments(skin[i].position, posed) / atRest;
        ratios[i] = (float)ratio;
        TakeRatio(extremes, ratio, first);
    }
    return extremes;
}
