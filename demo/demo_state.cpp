#include "demo/demo_state.h"
#include "demo/demo_ik.h"

#include "lab/ik_lab.h"
#include "lab/skin_radius.h"
#include "mesh/skin_mesh.h"
#include "rig/bones.h"
#include "skinning/rotation_centres.h"
#include "skinning/skinning.h"

DemoState demoState;

void ResetDemoGlobals() {
    demoState = DemoState();
    ResetIkLab();
    for (Bone &bone : bones)
        bone = Bone{};
    for (Triangle &triangle : skinTriangles)
        triangle = Triangle{};
    for (int i = 0; i < SkinVertexCount; ++i) {
        restNormals[i] = Vector3{};
        skinVertices[i] = SkinVertex{};
        skinDeterminants[i] = 0.0f;
        rotationCentres[i] = Vector3{};
        hasRotationCentre[i] = 0;
        skinRadiusRatios[i] = 0.0f;
    }
}

CameraView SceneCamera() {
    SceneViewport view = SceneView();
    return CameraView{demoState.viewAngle, demoState.viewTilt, demoState.viewDistance,
                      ViewFieldOfView(view, demoState.clientWidth, demoState.clientHeight)};
}

SceneViewport SceneView() {
    const SceneViewport &v = demoState.sceneViewport;
    if (v.width > 0 && v.height > 0 && v.x >= 0 && v.y >= 0 &&
        v.x + v.width <= demoState.clientWidth && v.y + v.height <= demoState.clientHeight)
        return v;
    return SceneViewport{0, 0, demoState.clientWidth, demoState.clientHeight};
}
