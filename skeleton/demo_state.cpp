#include "skeleton/demo_state.h"

#include "skeleton/bones.h"
#include "skeleton/ik_lab.h"
#include "skeleton/rotation_centres.h"
#include "skeleton/skin_mesh.h"
#include "skeleton/skin_radius.h"
#include "skeleton/skinning.h"

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

SceneViewport SceneView() {
    const SceneViewport &v = demoState.sceneViewport;
    if (v.width > 0 && v.height > 0 && v.x >= 0 && v.y >= 0 &&
        v.x + v.width <= demoState.clientWidth && v.y + v.height <= demoState.clientHeight)
        return v;
    return SceneViewport{0, 0, demoState.clientWidth, demoState.clientHeight};
}
