#include "demo/demo_state.h"
#include "demo/demo_ik.h"

#include "demo/frame_record.h"
#include "lab/ik_lab.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"
#include "skinning/skinning.h"

DemoState demoState;

void ResetDemoGlobals() {
    demoState = DemoState();
    ResetIkLab();
    ResetLimbModel();
    frameRecord = FrameRecord{};
    for (Bone &bone : bones)
        bone = Bone{};
    for (Triangle &triangle : skinTriangles)
        triangle = Triangle{};
    for (int i = 0; i < SkinVertexCount; ++i) {
        restNormals[i] = Vector3{};
        skinVertices[i] = SkinVertex{};
    }
}

CameraView SceneCamera() {
    SceneViewport view = SceneView();
    return CameraView{demoState.viewAngle, demoState.viewTilt, FrameViewDistance(frameRecord),
                      ViewFieldOfView(view, demoState.clientWidth, demoState.clientHeight)};
}

namespace {

int SameIk(const IkSettings &a, const IkSettings &b) {
    return a.iterations == b.iterations && a.tolerance == b.tolerance &&
           a.poleFixed == b.poleFixed && a.poleAngle == b.poleAngle &&
           a.jointLimits == b.jointLimits && a.damping == b.damping && a.softZone == b.softZone;
}

} // namespace

// A field added to either record must be compared here: these sizes are the records' as the
// comparison knows them, on the desktop's 64-bit build.
static_assert(sizeof(void *) != 8 || sizeof(IkSettings) == 56, "compare the new IkSettings field");
static_assert(sizeof(void *) != 8 || sizeof(DemoState) == 264, "compare the new DemoState field");

int SameSettings(const DemoState &a, const DemoState &b) {
    const SceneViewport &v = a.sceneViewport, &w = b.sceneViewport;
    return a.windowWidth == b.windowWidth && a.windowHeight == b.windowHeight &&
           a.clientWidth == b.clientWidth && a.clientHeight == b.clientHeight &&
           a.aspect == b.aspect && v.x == w.x && v.y == w.y && v.width == w.width &&
           v.height == w.height && a.wireframe == b.wireframe && a.hideBones == b.hideBones &&
           a.showNormals == b.showNormals && a.texturesOff == b.texturesOff &&
           a.rotateView == b.rotateView && a.playAnimation == b.playAnimation &&
           a.fkMode == b.fkMode && a.ikMode == b.ikMode && a.speed == b.speed &&
           a.targetStep == b.targetStep && a.jointVelocity[0] == b.jointVelocity[0] &&
           a.jointVelocity[1] == b.jointVelocity[1] && a.jointVelocity[2] == b.jointVelocity[2] &&
           a.viewAngle == b.viewAngle && a.target.x == b.target.x && a.target.y == b.target.y &&
           a.target.z == b.target.z && a.viewTilt == b.viewTilt &&
           a.viewDistance == b.viewDistance && a.cameraDragging == b.cameraDragging &&
           a.panelOpen == b.panelOpen && a.skinningMethod == b.skinningMethod &&
           a.inspectedVertex == b.inspectedVertex && a.twistVelocity == b.twistVelocity &&
           a.weightsView == b.weightsView && a.volumeView == b.volumeView &&
           a.radiusView == b.radiusView && a.stretchView == b.stretchView &&
           a.sideBySide == b.sideBySide && a.restPoseView == b.restPoseView &&
           a.ikSolver == b.ikSolver && SameIk(a.ik, b.ik) && a.ikFrozen == b.ikFrozen &&
           a.ikStepsPending == b.ikStepsPending && a.ikCompare == b.ikCompare;
}

SceneViewport SceneView() {
    const SceneViewport &v = demoState.sceneViewport;
    if (v.width > 0 && v.height > 0 && v.x >= 0 && v.y >= 0 &&
        v.x + v.width <= demoState.clientWidth && v.y + v.height <= demoState.clientHeight)
        return v;
    return SceneViewport{0, 0, demoState.clientWidth, demoState.clientHeight};
}
