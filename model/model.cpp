#include "model/model.h"
#include "model/skeleton_distance.h"

#include <chrono>

void PoseModel(const Model &model, ModelPose &pose) {
    int joints = JointCount(model.rig);
    pose.locals.resize(joints, IdentityMatrix());
    pose.worlds.resize(joints);
    pose.skins.resize(joints);
    ComputeWorldMatrices(model.rig.parents.data(), pose.locals.data(), joints, pose.worlds.data());
    ComputeSkinMatrices(pose.worlds.data(), model.rig.inverseBinds.data(), joints,
                        pose.skins.data());
}

SkinInput SkinInputOf(const Model &model, const ModelPose &pose) {
    SkinInput in;
    in.skinMatrices = pose.skins.data();
    in.jointCount = (int)pose.skins.size();
    in.restPositions = model.mesh.restPositions.data();
    in.restNormals = model.mesh.restNormals.data();
    in.influences = model.mesh.influences.data();
    in.centres = &model.centres;
    in.centresPending = model.centresPending;
    return in;
}

namespace {

// What a model's rest shape gives, besides its centres: worked out whenever they are.
void RestShapeChanged(Model &model) {
    model.closedSurface = IsClosedSurface(model.mesh, model.openRingStart, model.openRingSize);
    std::vector<PlacedSegment> rest;
    for (const BoneSegment &segment : model.segments)
        rest.push_back(PlacedSegment{segment.restFrom, segment.restTo});
    SegmentSearch search;
    PrepareSegmentSearch(rest, search);
    int count = VertexCount(model.mesh), hint = 0;
    model.restSkeletonDistances.resize(count);
    for (int i = 0; i < count; ++i)
        model.restSkeletonDistances[i] = DistanceToNearest(model.mesh.restPositions[i], search, hint);
    MeshEdges(model.mesh, model.edges);
    model.restTriangleAreas.resize(model.mesh.triangles.size());
    for (size_t t = 0; t < model.mesh.triangles.size(); ++t) {
        Vector3 corners[3];
        for (int k = 0; k < 3; ++k)
            corners[k] = model.mesh.restPositions[model.mesh.triangles[t].index[k]];
        model.restTriangleAreas[t] = TriangleArea(corners);
    }
}

} // namespace

void WeightsChanged(Model &model) {
    auto start = std::chrono::steady_clock::now();
    ComputeRotationCentres(model.mesh, model.centres);
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    model.centresMilliseconds = took.count();
    model.centresPending = 0;
    RestShapeChanged(model);
    ++model.revision;
}

void WeightsChangedCentresLater(Model &model) {
    model.centres = RotationCentres{};
    model.centresMilliseconds = 0.0;
    model.centresPending = 1;
    RestShapeChanged(model);
    ++model.revision;
}
