#include "demo/frame_record.h"
#include "demo/demo_ik.h"

#include "ik/kinematics.h"
#include "lab/ik_lab.h"
#include "lab/limb_volume.h"
#include "skinning/skinning.h"
#include "view/camera.h"

#include <cstring>

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

void UpdateFrame(FrameRecord &record, double viewAngle, const SceneViewport &viewport) {
    // Cleared whole, padding too, and then filled in place: the decision to draw compares the
    // record byte for byte with the last one shown.
    std::memset(&record, 0, sizeof record);
    record.viewAngle = viewAngle;
    record.viewport = viewport;
    record.aspect = (double)viewport.width / (double)viewport.height;
    demoState.aspect = record.aspect;
    record.fieldOfView = ViewFieldOfView(viewport, demoState.clientWidth, demoState.clientHeight);
    std::memcpy(record.markerPose, bones, sizeof record.markerPose);

    UpdateSkeletonAndSkin();

    std::memcpy(record.skin, skinVertices, sizeof record.skin);
    UpdateSkinDeterminants(demoState.skinningMethod);
    std::memcpy(record.determinants, skinDeterminants, sizeof record.determinants);
    record.volumePercent = LimbVolumePercent();
    record.radius = UpdateRadiusRatios();
    std::memcpy(record.radiusRatios, skinRadiusRatios, sizeof record.radiusRatios);
    for (int i = 0; i < SkinVertexCount; ++i)
        record.hasCentre[i] = CarriedRotationCentre(i, record.carriedCentres[i]);
    record.sideBySide = demoState.sideBySide;
    if (record.sideBySide)
        SkinEveryMethod(record.copies, viewAngle);
    record.inspected = InspectVertex(demoState.inspectedVertex, record.inspection);
    RecordIk(record);
}
