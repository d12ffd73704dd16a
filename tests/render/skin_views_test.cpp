// The skinning lab's views on real frames: each paints what its scale says where the camera's
// numbers put the skin, and leaves every GL state as it found it.
#include <gtest/gtest.h>

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "mesh/skin_mesh.h"
#include "render/skin_views.h"
#include "rig/bones.h"
#include "skinning/skinning.h"
#include "tests/render/scene_test.h"
#include "tests/support/gl_state_probe.h"

namespace {

// Seen from the side (yaw 90), the faces of the limb's -x side face the camera.
const double SideView = 90.0;

bool Blue(Colour c) { // the weight scale at 0: bone 0 alone
    return c.b > 120 && c.b > c.r + 60 && c.b > c.g + 40;
}
bool Red(Colour c) { // the volume scale at a half
    return c.r > 120 && c.r > c.g + 60 && c.r > c.b + 60;
}
bool DarkRed(Colour c) { // the radius scale at 0.5 and below, lit or not
    return c.r > 60 && c.r > 3 * c.g && c.r > 3 * c.b;
}
bool White(Colour c) { // the volume scale at 1
    return c.r > 150 && c.g > 150 && c.b > 150;
}
bool Pale(Colour c) { // the rest pose's lines: a grey leaning to blue, over black
    return c.r > 30 && c.b >= c.r && c.b - c.r < 45;
}
bool MarkRed(Colour c) {
    return c.r > 240 && c.g < 80 && c.b < 80;
}

Vector3 Centroid(int a, int b, int c) {
    const Vector3 &p = skinVertices[a].position, &q = skinVertices[b].position,
                  &r = skinVertices[c].position;
    return Vector3{(p.x + q.x + r.x) / 3, (p.y + q.y + r.y) / 3, (p.z + q.z + r.z) / 3};
}

// Where to look for a view's colour: in a face's middle when filled; on a corner, where the
// wireframe's lines meet, otherwise.
WindowPoint Spot(int a, int b, int c) {
    return ProjectModelPoint(demoState.wireframe ? skinVertices[a].position : Centroid(a, b, c),
                             SideView);
}

class SkinViews : public SceneTest {
  protected:
    // Draws a frame, then the views once more on their own, which must leave the state as it
    // was.
    Frame DrawAndCheckState() {
        Frame frame = DrawFrame(SideView);
        std::vector<double> before = DrawingGlState();
        DrawSkinViews(frameRecord);
        EXPECT_EQ(DrawingGlState(), before) << "the views left GL state changed";
        return frame;
    }
};

TEST_F(SkinViews, SkinningLabViewsPaintByTheirScalesAndPutBackTheGlState) {
    demoState.hideBones = 1;
    demoState.texturesOff = 1;
    bones[1].rotX = 90.0;
    // Faces on the -x side: rings 5 and 6 (weight 0 on bone 1) at the foot, rings 3 and 4 at the
    // joint, which a 90-degree bend blended half and half shrinks to cos^2(45 degrees) = 0.5.
    const int foot[3] = {37, 45, 46}, joint[3] = {21, 29, 30};
    for (int wireframe : {0, 1}) {
        SCOPED_TRACE(wireframe ? "wireframe" : "filled");
        demoState.wireframe = wireframe;
        demoState.skinningMethod = SkinningLinear;
        demoState.weightsView = 1;
        EXPECT_TRUE(AnyPixelNear(DrawAndCheckState(), Spot(foot[0], foot[1], foot[2]), 2, Blue));

        demoState.weightsView = 0;
        demoState.volumeView = 1;
        EXPECT_TRUE(AnyPixelNear(DrawAndCheckState(), Spot(joint[0], joint[1], joint[2]), 2, Red));
        demoState.skinningMethod = SkinningDualQuaternion; // keeps the volume: determinant 1
        EXPECT_TRUE(
            AnyPixelNear(DrawAndCheckState(), Spot(joint[0], joint[1], joint[2]), 2, White));

        // A half turn of twist: linear blending draws ring 3 onto the axis and ring 4 to a
        // fifth of its radius, far below the scale's 0.5 (dark red); dual quaternions keep them.
        demoState.volumeView = 0;
        demoState.radiusView = 1;
        bones[1].rotX = 0.0;
        bones[1].rotY = 180.0;
        demoState.skinningMethod = SkinningLinear;
        Frame twisted = DrawAndCheckState(); // before the spot, which reads the skin it leaves
        EXPECT_TRUE(AnyPixelNear(twisted, Spot(joint[0], joint[1], joint[2]), 2, DarkRed));
        demoState.skinningMethod = SkinningDualQuaternion;
        twisted = DrawAndCheckState();
        EXPECT_TRUE(AnyPixelNear(twisted, Spot(joint[0], joint[1], joint[2]), 2, White));
        demoState.radiusView = 0;
        bones[1].rotX = 90.0;
        bones[1].rotY = 0.0;

        // The rest pose stands straight up where the bent limb has left; the inspected vertex,
        // on the far side of the joint, is ringed through the near side.
        demoState.volumeView = 0;
        demoState.restPoseView = 1;
        demoState.inspectedVertex = 17;
        Frame frame = DrawAndCheckState();
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(restPositions[0], SideView), 2, Pale));
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(skinVertices[17].position, SideView), 11,
                                 MarkRed));
        demoState.restPoseView = 0;
        demoState.inspectedVertex = -1;
    }
}

} // namespace
