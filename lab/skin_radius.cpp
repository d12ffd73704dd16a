#include "lab/skin_radius.h"
#include "lab/ratio_extremes.h"

#include "math/vec3d.h"

#include <cmath>

namespace {

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

RadiusExtremes RadiusRatios(const Model &model, const ModelPose &pose, const SkinVertex *skin,
                            std::vector<float> &ratios) {
    std::vector<PlacedSegment> rest, posed;
    RestSegments(model, rest);
    PosedSegments(model, pose, posed);
    int count = VertexCount(model.mesh);
    ratios.assign(count, 1.0f);
    RadiusExtremes extremes = {1.0, 1.0};
    if (rest.empty())
        return extremes; // no skeleton: every vertex lies on it
    SegmentSearch posedSearch;
    PrepareSegmentSearch(posed, posedSearch);
    // The rest distances as the model keeps them; a model put together by hand and never told
    // its weights changed has them worked out here.
    SegmentSearch restSearch;
    if (model.restSkeletonDistances.size() != (size_t)count)
        PrepareSegmentSearch(rest, restSearch);
    int first = 1, restHint = 0, posedHint = 0;
    for (int i = 0; i < count; ++i) {
        double atRest = restSearch.halfLength.empty()
                            ? model.restSkeletonDistances[i]
                            : DistanceToNearest(model.mesh.restPositions[i], restSearch, restHint);
        if (atRest < OnSkeletonDistance)
            continue;
        double ratio = DistanceToNearest(skin[i].position, posedSearch, posedHint) / atRest;
        ratios[i] = (float)ratio;
        TakeRatio(extremes, ratio, first);
    }
    return extremes;
}
