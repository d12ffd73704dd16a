#include "demo/shown_model.h"
#include "demo/demo_ik.h"

#include "gltf/gltf_animation.h"
#include "model/tentacle_model.h"
#include "rig/bones.h"
#include "skinning/skinning.h"

#include <algorithm>
#include <chrono>
#include <cmath>

ShownModel shownModel;
std::string modelFault;

const char *const TentacleModelName = "tentacle";

namespace {

Matrix4 FramingOf(const LoadedModel &loaded) {
    Vector3 low = loaded.boundsMin, high = loaded.boundsMax;
    double extent =
        std::max({(double)high.x - low.x, (double)high.y - low.y, (double)high.z - low.z});
    double scale = extent > 0.0 && std::isfinite(extent) ? FramedHeight / extent : 1.0;
    Matrix4 m = IdentityMatrix();
    m.m[0] = m.m[5] = m.m[10] = (float)scale;
    m.m[12] = (float)(-scale * 0.5 * ((double)low.x + high.x));
    m.m[13] = (float)(-scale * low.y);
    m.m[14] = (float)(-scale * 0.5 * ((double)low.z + high.z));
    return m;
}

// Model space into the scene and back: the framing is a uniform scale and a shift.
Vector3 SceneOfModel(const Vector3 &p) {
    Vector4 out;
    TransformPoint(out, shownModel.framing, AsPoint(p));
    return DropW(out);
}
Vector3 ModelOfScene(const Vector3 &p) {
    const float *m = shownModel.framing.m;
    float scale = m[0] != 0.0f ? m[0] : 1.0f;
    return Vector3{(p.x - m[12]) / scale, (p.y - m[13]) / scale, (p.z - m[14]) / scale};
}

// The clip's pose at the model's time with forward kinematics' turns on top: what every pose of
// the shown model starts from.
void PoseWithTurns(std::vector<Matrix4> &locals) {
    PoseAtTime(shownModel.loaded, shownModel.clip, shownModel.time, locals);
    const std::vector<Vec3d> &turns = shownModel.jointTurns;
    for (size_t j = 0; j < locals.size() && j < turns.size(); ++j) {
        if (turns[j].x == 0.0 && turns[j].y == 0.0 && turns[j].z == 0.0)
            continue;
        Matrix4 turned;
        MultMatrix(turned, locals[j], JointTurnMatrix(turns[j].x, turns[j].y, turns[j].z));
        locals[j] = turned;
    }
}

} // namespace

Vector3 ShownModelToScene(const Vector3 &p) {
    return SceneOfModel(p);
}

double ShownModelCopySpacing() {
    if (!shownModel.active)
        return SideBySideSpacing;
    return SideBySideSpacingFor(SceneOfModel(shownModel.loaded.boundsMin),
                                SceneOfModel(shownModel.loaded.boundsMax));
}

void ShowTentacle() {
    LoadedModel loaded;
    loaded.fileName = TentacleModelName;
    std::vector<Matrix4> locals;
    MakeTentacle(loaded.model, locals);
    for (const Matrix4 &local : locals) {
        Vector3 place = {local.m[12], local.m[13], local.m[14]};
        loaded.rest.push_back(GltfJointRest{place, Quaternion{1.0f, 0.0f, 0.0f, 0.0f},
                                            Vector3{1.0f, 1.0f, 1.0f}, local});
        loaded.jointNode.push_back(-1);
    }
    loaded.maxInfluences = 2;
    loaded.primitives.push_back(GltfPrimitive{0, (int)loaded.model.mesh.triangles.size()});
    loaded.boundsMin = Vector3{1e30f, 1e30f, 1e30f};
    loaded.boundsMax = Vector3{-1e30f, -1e30f, -1e30f};
    for (const Vector3 &p : loaded.model.mesh.restPositions) {
        loaded.boundsMin =
            Vector3{std::min(loaded.boundsMin.x, p.x), std::min(loaded.boundsMin.y, p.y),
                    std::min(loaded.boundsMin.z, p.z)};
        loaded.boundsMax =
            Vector3{std::max(loaded.boundsMax.x, p.x), std::max(loaded.boundsMax.y, p.y),
                    std::max(loaded.boundsMax.z, p.z)};
    }
    ShowModel(std::move(loaded), GltfAllClips);
    SetShownModelChain(TentacleJoints - 1, 0);
}

int SetShownModelChain(int endJoint, int length) {
    if (!shownModel.active)
        return 0;
    PoseWithTurns(shownModel.baseLocals);
    return StartChainLab(shownModel.chain, shownModel.loaded.model, shownModel.baseLocals, endJoint,
                         length);
}

int RestartShownModelChain(Vector3 &end) {
    ChainLab &chain = shownModel.chain;
    if (!shownModel.active || !chain.active)
        return 0;
    SetShownModelChain(chain.joints.back(), (int)chain.joints.size());
    std::vector<Vec3d> points;
    ChainLabPoints(chain, IkSolverCcd, points);
    end = SceneOfModel(ToVector3(points.back()));
    return 1;
}

void ShowModel(LoadedModel &&loaded, int clip) {
    shownModel.loaded = std::move(loaded);
    shownModel.active = 1;
    shownModel.clip = clip;
    shownModel.time = ClipStart(shownModel.loaded, clip);
    shownModel.framing = FramingOf(shownModel.loaded);
    shownModel.selectedJoint = -1;
    shownModel.jointTurns.assign((size_t)JointCount(shownModel.loaded.model.rig), Vec3d{});
    shownModel.centreJob = RotationCentreJob{};
    shownModel.centreMilliseconds = 0.0;
    if (shownModel.loaded.model.centresPending) {
        auto start = std::chrono::steady_clock::now();
        StartRotationCentres(shownModel.loaded.model.mesh, shownModel.centreJob);
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        shownModel.centreMilliseconds = took.count();
    }
}

void PrepareShownModelCentres(double milliseconds) {
    Model &model = shownModel.loaded.model;
    if (!shownModel.active || !model.centresPending)
        return;
    // Slices of a few hundred triangles: small enough to stop near the budget, large enough
    // that reading the clock costs nothing.
    const int SliceTriangles = 256;
    auto start = std::chrono::steady_clock::now();
    int done = 0;
    std::chrono::duration<double, std::milli> took{0.0};
    while (!done && (milliseconds < 0.0 || took.count() < milliseconds)) {
        done = ContinueRotationCentres(model.mesh, shownModel.centreJob, SliceTriangles);
        took = std::chrono::steady_clock::now() - start;
    }
    if (done) {
        FinishRotationCentres(model.mesh, shownModel.centreJob, model.centres);
        took = std::chrono::steady_clock::now() - start;
        model.centresPending = 0;
        ++model.revision;
    }
    shownModel.centreMilliseconds += took.count();
    model.centresMilliseconds = shownModel.centreMilliseconds;
}

double ShownModelCentresProgress() {
    const RotationCentreJob &job = shownModel.centreJob;
    if (!shownModel.active || !shownModel.loaded.model.centresPending || job.triangleCount == 0)
        return 1.0;
    return (double)job.trianglesDone / job.triangleCount;
}

void SelectShownJoint(int joint) {
    int count = (int)shownModel.jointTurns.size();
    shownModel.selectedJoint = shownModel.active && joint >= 0 && joint < count ? joint : -1;
}

void TurnShownJoints(int parentX, int x, int y, int z) {
    int joint = shownModel.selectedJoint;
    if (!shownModel.active || joint < 0 || joint >= (int)shownModel.jointTurns.size())
        return;
    Vec3d &turn = shownModel.jointTurns[(size_t)joint];
    turn = Vec3d{turn.x + x, turn.y + y, turn.z + z};
    int parent = shownModel.loaded.model.rig.parents[(size_t)joint];
    if (parent >= 0)
        shownModel.jointTurns[(size_t)parent].x += parentX;
}

void SetShownJointTurn(int axis, double degrees) {
    int joint = shownModel.selectedJoint;
    if (joint < 0 || joint >= (int)shownModel.jointTurns.size() || !std::isfinite(degrees))
        return;
    Vec3d &turn = shownModel.jointTurns[(size_t)joint];
    (axis == 0 ? turn.x : axis == 1 ? turn.y : turn.z) = degrees;
}

void ClearShownJointTurns() {
    for (Vec3d &turn : shownModel.jointTurns)
        turn = Vec3d{};
}

void HideModel() {
    shownModel = ShownModel{};
}

namespace {

// The chain's update for the frame, frozen and stepped as the limb's solver is.
void UpdateShownChain() {
    if (!TakeIkUpdate())
        return;
    UpdateChainLab(shownModel.chain, shownModel.loaded.model, shownModel.baseLocals,
                   ModelOfScene(demoState.target), demoState.ik);
}

// The chains drawn: the one shown, and every solver that fits while comparing.
void RecordShownChains(FrameRecord &record) {
    for (std::vector<Vector3> &points : record.modelChains)
        points.clear();
    const ChainLab &chain = shownModel.chain;
    if (!demoState.ikMode || !chain.active)
        return;
    int shown = ChainSolverShown(chain, ValidIkSolver(demoState.ikSolver));
    std::vector<Vec3d> points;
    for (int k = 0; k < IkSolverCount; ++k) {
        if (!IkChainSolverFits(k, (int)chain.joints.size(), nullptr) ||
            (k != shown && !demoState.ikCompare))
            continue;
        ChainLabPoints(chain, k, points);
        for (const Vec3d &p : points)
            record.modelChains[k].push_back(SceneOfModel(ToVector3(p)));
    }
    record.endEffector = record.modelChains[shown].back();
    record.comparisonDrawn = demoState.ikCompare;
    record.ik.known = chain.updates > 0;
    record.ik.distance = chain.distance[shown];
    record.ik.updates = chain.updates;
}

} // namespace

void AdvanceShownModel(double seconds) {
    if (!shownModel.active)
        return;
    double start = ClipStart(shownModel.loaded, shownModel.clip);
    double end = ClipEnd(shownModel.loaded, shownModel.clip);
    shownModel.time += seconds;
    if (end > start && shownModel.time > end)
        shownModel.time = start + std::fmod(shownModel.time - start, end - start);
    else if (!(end > start))
        shownModel.time = start;
}

void SetShownModelClip(int clip) {
    if (!shownModel.active || clip < GltfAllClips || clip >= (int)shownModel.loaded.clips.size())
        return;
    shownModel.clip = clip;
    shownModel.time = ClipStart(shownModel.loaded, clip);
}

void HoldShownModelAt(double time) {
    double start = ClipStart(shownModel.loaded, shownModel.clip);
    double end = ClipEnd(shownModel.loaded, shownModel.clip);
    shownModel.time = std::min(std::max(time, start), std::max(start, end));
}

void UpdateShownModelFrame(FrameRecord &record) {
    PrepareShownModelCentres(CentreSliceMilliseconds);
    const LoadedModel &loaded = shownModel.loaded;
    const Model &model = loaded.model;
    record.markerPose.clear();
    record.pose.clear();
    PoseWithTurns(shownModel.baseLocals);
    if (demoState.ikMode && shownModel.chain.active) {
        UpdateShownChain();
        ChainLocals(shownModel.chain, demoState.ikSolver, shownModel.baseLocals,
                    record.skinPose.locals);
    } else {
        record.skinPose.locals = shownModel.baseLocals;
    }
    PoseModel(model, record.skinPose);
    int count = VertexCount(model.mesh);
    shownModel.positions.resize(count);
    shownModel.normals.resize(count);
    int method = ValidSkinningMethod(demoState.skinningMethod);
    skinningMethods[method].skin(SkinInputOf(model, record.skinPose), 0, count,
                                 shownModel.positions.data(), shownModel.normals.data());
    record.skin.resize(count);
    for (int i = 0; i < count; ++i) {
        SkinVertex &v = record.skin[i];
        v.position = shownModel.positions[i];
        v.normal = shownModel.normals[i];
        v.u = model.mesh.texCoords[i].u;
        v.v = model.mesh.texCoords[i].v;
        v.boneIndex[0] = v.boneIndex[1] = -1;
        v.weight = 0.0f;
    }
    // The copies keep apart by the model's own width in the scene, as the framing scales it.
    double spacing = ShownModelCopySpacing();
    int selected = shownModel.selectedJoint;
    RecordModelFigures(record, model, method, demoState.sideBySide, demoState.inspectedVertex,
                       spacing, selected >= 0 && selected < JointCount(model.rig) ? selected : -1,
                       demoState.volumeView);
    record.endEffector = Vector3{0.0f, 0.0f, 0.0f};
    record.comparisonDrawn = 0;
    record.ik = IkChainFigures{};
    RecordShownChains(record);
}
