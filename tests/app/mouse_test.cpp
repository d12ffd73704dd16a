#include "app/mouse.h"

#include "app/commands.h"
#include "app/keyboard.h"
#include "app/tick.h"
#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "demo/shown_model.h"
#include "gltf/gltf_animation.h"
#include "gltf/gltf_model.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "platform/key_codes.h"
#include "platform/platform.h"
#include "skinning/skinning.h"
#include "view/camera.h"

#include <cmath>
#include <gtest/gtest.h>

#include <string>

namespace {

class Mouse : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDemoGlobals();
        demoState.clientWidth = 800;
        demoState.clientHeight = 600;
    }
    void TearDown() override {
        HandleMouseUp(MouseLeft);
        HandleMouseUp(MouseRight);
    }

    static void Drag(int button, int fromX, int fromY, int toX, int toY) {
        HandleMouseDown(button, 1, fromX, fromY, 0);
        HandleMouseMove(toX, toY);
        HandleMouseUp(button);
    }
};

TEST_F(Mouse, LeftDragOrbitsWithinTheTiltBoundsAndHoldsTheRotationMeanwhile) {
    HandleMouseDown(MouseLeft, 1, 100, 100, 0);
    HandleMouseMove(140, 110);
    EXPECT_DOUBLE_EQ(demoState.viewAngle, 40 * OrbitYawPerPixel);
    EXPECT_DOUBLE_EQ(demoState.viewTilt, 15 + 10 * OrbitTiltPerPixel);
    double heldAngle = demoState.viewAngle;
    AnimationTick(); // rotation is on, but the drag holds the camera
    EXPECT_EQ(demoState.viewAngle, heldAngle);
    HandleMouseMove(140, 2000);
    EXPECT_EQ(demoState.viewTilt, 80.0);
    HandleMouseMove(140, -2000);
    EXPECT_EQ(demoState.viewTilt, 5.0);
    HandleMouseMove(140 - 1000, -2000); // the yaw wraps into [0, 360)
    EXPECT_GE(demoState.viewAngle, 0.0);
    EXPECT_LT(demoState.viewAngle, 360.0);
    HandleMouseUp(MouseLeft);
    heldAngle = demoState.viewAngle;
    AnimationTick(); // released: the rotation resumes
    EXPECT_DOUBLE_EQ(demoState.viewAngle, heldAngle + demoState.speed);
}

TEST_F(Mouse, WheelZoomsWithinBoundsAndDoubleClickResets) {
    HandleMouseWheel(1, 0);
    EXPECT_DOUBLE_EQ(demoState.viewDistance, 12 * 0.9);
    HandleMouseWheel(100, 0);
    EXPECT_EQ(demoState.viewDistance, 5.0);
    HandleMouseWheel(-100, 0);
    EXPECT_EQ(demoState.viewDistance, 22.0);
    Drag(MouseLeft, 0, 0, 0, 50);
    HandleMouseDown(MouseLeft, 2, 10, 10, 0);
    HandleMouseUp(MouseLeft);
    EXPECT_EQ(demoState.viewDistance, 12.0);
    EXPECT_EQ(demoState.viewTilt, 15.0);
}

TEST_F(Mouse, RightDragMovesTheIkTargetOnlyInTheIkModeAndInsideItsBox) {
    Drag(MouseRight, 400, 300, 450, 250);
    EXPECT_FLOAT_EQ(demoState.target.y, 0.0f); // not in the IK mode

    RunSimpleCommand(CommandToggleInverse); // target (0, 3, 0), camera from the side
    float depth = ModelToEye(SceneCamera(), demoState.target).z;
    Drag(MouseRight, 400, 300, 400, 340); // down the screen
    EXPECT_LT(demoState.target.y, 3.0f);
    EXPECT_NEAR(ModelToEye(SceneCamera(), demoState.target).z, depth,
                1e-4); // in the plane facing the camera
    Drag(MouseRight, 400, 300, 400, -5000);
    EXPECT_EQ(demoState.target.y, 3.5f);
    Drag(MouseRight, 400, 300, 9000, 300);
    EXPECT_EQ(demoState.target.z, 2.5f); // the yaw of 90 turns +z to the right
    Drag(MouseLeft, 400, 300, 400, 340); // the left button still orbits
    EXPECT_NE(demoState.viewTilt, 15.0);
}

TEST_F(Mouse, GesturesThatStartOnThePanelAreThePanels) {
    HandleMouseDown(MouseLeft, 2, 10, 10, 1);
    HandleMouseMove(200, 200);
    HandleMouseUp(MouseLeft);
    HandleMouseWheel(3, 1);
    DemoState start;
    EXPECT_EQ(demoState.viewAngle, start.viewAngle);
    EXPECT_EQ(demoState.viewTilt, start.viewTilt);
    EXPECT_EQ(demoState.viewDistance, start.viewDistance);
    EXPECT_EQ(demoState.cameraDragging, 0);
}

// Vertex 19 (ring 3, toward +z) faces the camera at the start; where it shows is the camera
// arithmetic's, which the render tests hold against the GL's own.
TEST_F(Mouse, AClickOnTheSkinInspectsTheVertexThereAndADragOnlyOrbits) {
    InitSkinAndBones();
    UpdateFrame(frameRecord, demoState.viewAngle, SceneView()); // the picture clicks land on
    PixelPoint at;
    ASSERT_TRUE(ModelToPixels(SceneCamera(), skinVertices[19].position, 800, 600, at));
    int x = (int)at.x, y = (int)at.y;

    Drag(MouseLeft, x, y, x + ClickSlackPixels + 1, y); // just past the slack: a drag
    EXPECT_EQ(demoState.inspectedVertex, -1);
    EXPECT_NE(demoState.viewAngle, 0.0);
    demoState.viewAngle = 0.0;

    // A hand that trembles within the slack still clicks.
    HandleMouseDown(MouseLeft, 1, x, y, 0);
    HandleMouseMove(x + ClickSlackPixels, y - ClickSlackPixels);
    HandleMouseMove(x, y);
    HandleMouseUp(MouseLeft);
    EXPECT_EQ(demoState.inspectedVertex, 19);

    // Out past the slack and back is a drag, which keeps the vertex; so does a press on the
    // panel, and the second press of a double click, which is the camera's reset.
    Drag(MouseLeft, x, y, x + 30, y);
    HandleMouseDown(MouseLeft, 1, x + 30, y, 0);
    HandleMouseMove(x, y);
    HandleMouseUp(MouseLeft);
    HandleMouseDown(MouseLeft, 1, 3, 3, 1);
    HandleMouseUp(MouseLeft);
    HandleMouseDown(MouseLeft, 2, 3, 3, 0);
    HandleMouseUp(MouseLeft);
    EXPECT_EQ(demoState.inspectedVertex, 19);

    HandleMouseDown(MouseLeft, 1, 3, 3, 0); // the black above the floor
    HandleMouseUp(MouseLeft);
    EXPECT_EQ(demoState.inspectedVertex, -1);
}

// On a model in the forward mode, its skeleton shows; a click on a joint selects it, the keys that
// turn the limb's bone 1 turn it about its own origin, and Left/Right turn its parent, as bone 0.
TEST_F(Mouse, OnAModelAClickSelectsAJointThatTheForwardKeysTurnAboutItself) {
    ShowTentacle();
    HandleKeyDown('F');
    HandleKeyUp('F');
    auto update = [] { UpdateFrame(frameRecord, demoState.viewAngle, SceneView()); };
    auto joint = [](int j) {
        const float *m = frameRecord.skinPose.worlds[(size_t)j].m;
        return Vector3{m[12], m[13], m[14]};
    };
    // The angle at a between the lines to b before and to c after, degrees.
    auto turned = [](Vector3 a, Vector3 b, Vector3 aAfter, Vector3 c) {
        return std::acos(CosAngle(Subtract(b, a), Subtract(c, aAfter))) / DegreesToRadians;
    };
    update();
    PixelPoint at;
    ASSERT_TRUE(ModelToPixels(SceneCamera(), ShownModelToScene(joint(4)), 800, 600, at));
    HandleMouseDown(MouseLeft, 1, (int)at.x, (int)at.y, 0);
    HandleMouseUp(MouseLeft);
    ASSERT_EQ(shownModel.selectedJoint, 4);

    Vector3 before3 = joint(3), before4 = joint(4), before5 = joint(5);
    HandleKeyDown(KeyUp);
    for (int tick = 0; tick < 30; ++tick)
        AnimationTick();
    HandleKeyUp(KeyUp);
    update();
    EXPECT_NEAR(turned(before4, before5, joint(4), joint(5)), 30.0, 1e-3);
    EXPECT_NEAR(VectorLength(Subtract(joint(4), before4)), 0.0, 1e-5);

    before4 = joint(4);
    HandleKeyDown(KeyLeft);
    for (int tick = 0; tick < 20; ++tick)
        AnimationTick();
    HandleKeyUp(KeyLeft);
    update();
    EXPECT_NEAR(turned(before3, before4, joint(3), joint(4)), 20.0, 1e-3);
    EXPECT_NEAR(VectorLength(Subtract(joint(3), before3)), 0.0, 1e-5);

    RunCommand(DemoCommand{CommandClearJointTurns, 0, 0.0, Vector3{}});
    update();
    EXPECT_NEAR(VectorLength(Subtract(joint(5), before5)), 0.0, 1e-5);
    HideModel();
}

// A model's skin is kept in its own space and framed into the scene (the figure's scaled to
// twice its size): a click on one of its vertices, where the framing and the camera put it,
// inspects that vertex, alone and on the dual-quaternion copy side by side (whose method it then
// chooses).
TEST_F(Mouse, AClickOnAModelsSkinInspectsTheVertexThere) {
    InitSkinAndBones();
    LoadedModel figure;
    std::string error;
    ASSERT_TRUE(LoadGltfFile(SKIN_SOURCE_DIR "/tests/gltf/models/RiggedFigure/RiggedFigure.gltf",
                             figure, error))
        << error;
    ShowModel(std::move(figure), GltfAllClips);
    UpdateFrame(frameRecord, demoState.viewAngle, SceneView());
    // The vertex nearest the camera (toward +z) half way up faces it squarely.
    int vertex = -1;
    for (int i = 0; i < (int)frameRecord.skin.size(); ++i) {
        Vector3 p = ShownModelToScene(frameRecord.skin[i].position);
        if (p.y > 1.3f && p.y < 1.7f &&
            (vertex < 0 || p.z > ShownModelToScene(frameRecord.skin[vertex].position).z))
            vertex = i;
    }
    ASSERT_GE(vertex, 0);
    auto clickOn = [&](const Vector3 &offset) {
        PixelPoint at;
        ASSERT_TRUE(ModelToPixels(SceneCamera(),
                                  Add(ShownModelToScene(frameRecord.skin[vertex].position), offset),
                                  800, 600, at));
        HandleMouseDown(MouseLeft, 1, (int)at.x, (int)at.y, 0);
        HandleMouseUp(MouseLeft);
    };
    // The vertex clicked, or one split from it at a seam of the texture, in the same place.
    auto inspectedThere = [&] {
        int seen = demoState.inspectedVertex;
        return seen >= 0 && VectorLength(Subtract(frameRecord.skin[seen].position,
                                                  frameRecord.skin[vertex].position)) < 1e-5f;
    };
    clickOn(Vector3{0.0f, 0.0f, 0.0f});
    EXPECT_TRUE(inspectedThere()) << demoState.inspectedVertex << " for " << vertex;

    RunCommand(DemoCommand{CommandInspectVertex, -1, 0.0, Vector3{}});
    RunCommand(DemoCommand{CommandToggleSideBySide, 0, 0.0, Vector3{}});
    UpdateFrame(frameRecord, demoState.viewAngle, SceneView());
    clickOn(frameRecord.copies.offsets[SkinningDualQuaternion]);
    EXPECT_TRUE(inspectedThere()) << demoState.inspectedVertex << " for " << vertex;
    EXPECT_EQ(demoState.skinningMethod, SkinningDualQuaternion);
    HideModel();
}

} // namespace
