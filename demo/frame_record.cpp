#include "demo/frame_record.h"
#include "demo/demo_ik.h"
#include "demo/shown_model.h"

#include "ik/kinematics.h"
#include "lab/ik_lab.h"
#include "lab/volume.h"
#include "model/limb_model.h"
#include "skinning/skinning.h"
#include "view/camera.h"

FrameRecord frameRecord;

namespace {

// Compared chains whose joints are this close, scene units, lie on one another on screen.
const double SameChain = 2e-3;

int SameTarget(const Vector3 &a, const Vector3 &b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The progress as it stands for the target now: none yet when the target moved since the last
// update, so a figure about the old target is never shown beside the new one.
void FiguresOf(const IkProgress &progress, IkChainFigures &out) {
    out.known = SameTarget(progress.target, demoState.target) && progress.status != IkStatusNone;
    out.distance = out.known ? progress.distance : 0.0f;
    out.status = out.known ? progress.status : IkStatusNone;
    out.updates = out.known ? progress.updatesSinceTargetMoved : 0;
    for (int b = 0; b < BoneCount; ++b)
        out.twist[b] = out.known ? progress.twist[b] : 0.0;
    out.heldBy = out.known ? progress.heldBy : 0;
}

void RecordIk(FrameRecord &record) {
    record.endEffector = EndEffectorPosition();
    FiguresOf(ikLab.progress, record.ik);
    // What the limb shows is always known: the distance as it stands, even before an update.
    record.ik.distance = (float)VectorLength(Subtract(demoState.target, record.endEffector));
    MakeIkGuides(record.ikGuides);
    record.comparisonDrawn = demoState.ikMode && demoState.ikCompare && ikLab.comparison.running;
    if (!record.comparisonDrawn)
        return;
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        FiguresOf(ikLab.comparison.chains[kind].progress, record.compared[kind]);
        PoseChainPoints(ikLab.comparison.chains[kind].pose, record.chainElbow[kind],
                        record.chainEnd[kind]);
        record.compared[kind].sameAs = -1;
        for (int earlier = 0; earlier < kind && record.compared[kind].sameAs < 0; ++earlier)
            if (VectorLength(Subtract(record.chainElbow[kind], record.chainElbow[earlier])) <
                    SameChain &&
                VectorLength(Subtract(record.chainEnd[kind], record.chainEnd[earlier])) < SameChain)
                record.compared[kind].sameAs = earlier;
    }
}

} // namespace

void UpdateSkeletonAndSkin() {
    BuildBoneMatrices();
    if (demoState.ikMode)
        UpdateIk();
    SkinMeshWith(demoState.skinningMethod);
}

void RecordModelFigures(FrameRecord &record, const Model &model, int method, int sideBySide,
                        int inspectedVertex, double copySpacing, int weightsJoint,
                        int determinantsShown) {
    method = ValidSkinningMethod(method);
    int count = VertexCount(model.mesh);
    record.model = &model;
    record.modelRevision = model.revision;
    // An empty model (the limb before the scene's set-up) is neither posed nor measured: its skin
    // stands at rest.
    int posed = count > 0 && record.skin.size() == (size_t)count &&
                record.skinPose.skins.size() == (size_t)JointCount(model.rig);
    int shown = posed ? count : (int)record.skin.size();
    record.determinants.assign(shown, 1.0f);
    record.hasCentre.assign(shown, 0);
    record.carriedCentres.assign(shown, Vector3{0.0f, 0.0f, 0.0f});
    record.radiusRatios.assign(shown, 1.0f);
    record.radius = RadiusExtremes{1.0, 1.0};
    record.stretchRatios.assign(model.mesh.triangles.size(), 1.0f); // one per triangle drawn
    record.stretch = StretchExtremes{1.0, 1.0};
    record.weightsJoint = weightsJoint;
    record.volumePercent = 100.0;
    record.sideBySide = sideBySide && posed;
    record.inspection = VertexInspection{};
    record.inspected = 0;
    if (!posed)
        return;
    SkinInput in = SkinInputOf(model, record.skinPose);
    if (determinantsShown)
        for (int i = 0; i < count; ++i)
            record.determinants[i] = (float)skinningMethods[method].determinant(in, i);
    record.volumePercent = VolumePercent(model, record.skin.data());
    record.radius = RadiusRatios(model, record.skinPose, record.skin.data(), record.radiusRatios);
    record.stretch = TriangleStretch(model, record.skin.data(), record.stretchRatios);
    if (record.sideBySide)
        SkinEveryMethod(record.copies, model, record.skinPose, record.skin, record.viewAngle,
                        copySpacing);
    record.inspected = InspectVertex(model, record.skinPose, inspectedVertex, record.inspection);
    if (record.inspected && method == SkinningCentreOfRotation)
        for (int i = 0; i < count; ++i)
            record.hasCentre[i] = CarriedRotationCentre(in, i, record.carriedCentres[i]);
}

namespace {

void UpdateLimbFrame(FrameRecord &record) {
    record.markerPose.assign(bones, bones + BoneCount);

    UpdateSkeletonAndSkin();

    record.pose.assign(bones, bones + BoneCount);
    record.skin.assign(skinVertices, skinVertices + SkinVertexCount);
    record.skinPose.skins.clear();
    if (VertexCount(limbModel.mesh) == SkinVertexCount)
        PoseOfLimb(record.skinPose);
    // The limb's weights view shows its one blended joint: bone 1.
    RecordModelFigures(record, limbModel, demoState.skinningMethod, demoState.sideBySide,
                       demoState.inspectedVertex, SideBySideSpacing, 1, demoState.volumeView);
    RecordIk(record);
}

void RecordClearDistance(FrameRecord &record) {
    std::vector<Vector3> points;
    points.reserve(record.skin.size() * (record.sideBySide ? SkinningMethodCount + 1 : 1));
    for (const SkinVertex &v : record.skin)
        points.push_back(v.position);
    if (record.sideBySide)
        for (int m = 0; m < SkinningMethodCount; ++m)
            for (const SkinVertex &v : record.copies.skins[m])
                points.push_back(Add(v.position, record.copies.offsets[m]));
    CameraView camera = {record.viewAngle, demoState.viewTilt, 0.0, record.fieldOfView};
    record.clearDistance = ClearDistanceFor(camera, points.data(), (int)points.size());
}

} // namespace

void UpdateFrame(FrameRecord &record, double viewAngle, const SceneViewport &viewport) {
    record.viewAngle = viewAngle;
    record.viewport = viewport;
    record.aspect = (double)viewport.width / (double)viewport.height;
    demoState.aspect = record.aspect;
    record.fieldOfView = ViewFieldOfView(viewport, demoState.clientWidth, demoState.clientHeight);
    if (shownModel.active)
        UpdateShownModelFrame(record);
    else
        UpdateLimbFrame(record);
    record.selectedJoint = shownModel.active ? shownModel.selectedJoint : -1;
    RecordClearDistance(record);
}

double FrameViewDistance(const FrameRecord &record) {
    return demoState.viewDistance > record.clearDistance ? demoState.viewDistance
                                                         : record.clearDistance;
}

namespace {

int Same(const Vector3 &a, const Vector3 &b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

int Same(const Matrix4 &a, const Matrix4 &b) {
    for (int k = 0; k < 16; ++k)
        if (a.m[k] != b.m[k])
            return 0;
    return 1;
}

int Same(const Bone &a, const Bone &b) {
    return a.rotX == b.rotX && a.rotY == b.rotY && a.rotZ == b.rotZ && Same(a.pivot, b.pivot) &&
           Same(a.tip, b.tip) && Same(a.xAxis, b.xAxis) && Same(a.zAxis, b.zAxis) &&
           a.material == b.material && Same(a.matrix, b.matrix) && a.parent == b.parent;
}

int Same(const SkinVertex &a, const SkinVertex &b) {
    return Same(a.position, b.position) && Same(a.normal, b.normal) && a.u == b.u && a.v == b.v &&
           a.boneIndex[0] == b.boneIndex[0] && a.boneIndex[1] == b.boneIndex[1] &&
           a.weight == b.weight;
}

int Same(float a, float b) {
    return a == b;
}

int Same(int a, int b) {
    return a == b;
}

template <typename T> int Same(const std::vector<T> &a, const std::vector<T> &b) {
    if (a.size() != b.size())
        return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (!Same(a[i], b[i]))
            return 0;
    return 1;
}

int SameCopies(const MethodCopies &a, const MethodCopies &b) {
    for (int m = 0; m < SkinningMethodCount; ++m)
        if (!Same(a.offsets[m], b.offsets[m]) || !Same(a.skins[m], b.skins[m]) ||
            !Same(a.determinants[m], b.determinants[m]) ||
            !Same(a.radiusRatios[m], b.radiusRatios[m]) ||
            !Same(a.stretchRatios[m], b.stretchRatios[m]))
            return 0;
    return 1;
}

} // namespace

int SameScene(const FrameRecord &a, const FrameRecord &b) {
    // Drawing reads only what is compared here, the state record and the model's data fixed
    // at set-up. The inspection and the guides are worked out from the pose after the update,
    // the model's weights, the target and the settings, so the pose, the revision and the state
    // stand for them.
    if (a.viewAngle != b.viewAngle || a.viewport.x != b.viewport.x ||
        a.viewport.y != b.viewport.y || a.viewport.width != b.viewport.width ||
        a.viewport.height != b.viewport.height || a.aspect != b.aspect ||
        a.fieldOfView != b.fieldOfView || a.model != b.model || a.modelRevision != b.modelRevision)
        return 0;
    if (!Same(a.markerPose, b.markerPose) || !Same(a.pose, b.pose) ||
        !Same(a.skinPose.skins, b.skinPose.skins) || !Same(a.skin, b.skin) ||
        !Same(a.determinants, b.determinants) || !Same(a.radiusRatios, b.radiusRatios) ||
        !Same(a.stretchRatios, b.stretchRatios) || a.weightsJoint != b.weightsJoint ||
        !Same(a.hasCentre, b.hasCentre) || !Same(a.carriedCentres, b.carriedCentres))
        return 0;
    if (a.sideBySide != b.sideBySide || (a.sideBySide && !SameCopies(a.copies, b.copies)) ||
        a.inspected != b.inspected || (a.inspected && a.inspection.vertex != b.inspection.vertex))
        return 0;
    if (!Same(a.endEffector, b.endEffector) || a.comparisonDrawn != b.comparisonDrawn ||
        a.selectedJoint != b.selectedJoint)
        return 0;
    for (int kind = 0; kind < IkSolverCount; ++kind)
        if (!Same(a.chainElbow[kind], b.chainElbow[kind]) ||
            !Same(a.chainEnd[kind], b.chainEnd[kind]) ||
            !Same(a.modelChains[kind], b.modelChains[kind]))
            return 0;
    return 1;
}
