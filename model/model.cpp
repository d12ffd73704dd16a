#include "model/model.h"

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

void WeightsChanged(Model &model) {
    auto start = std::chrono::steady_clock::now();
    ComputeRotationCentres(model.mesh, model.centres);
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    model.centresMilliseconds = took.count();
    model.centresPending = 0;
    model.closedSurface = IsClosedSurface(model.mesh, model.openRingStart, model.openRingSize);
    ++model.revision;
}

void WeightsChangedCentresLater(Model &model) {
    model.centres = RotationCentres{};
    model.centresMilliseconds = 0.0;
    model.centresPending = 1;
    model.closedSurface = IsClosedSurface(model.mesh, model.openRingStart, model.openRingSize);
    ++model.revision;
}
