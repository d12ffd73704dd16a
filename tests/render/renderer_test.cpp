#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cmath>

#include "render/gl_check.h"
#include "render/renderer.h"
#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/kinematics.h"
#include "skeleton/skin_mesh.h"
#include "tests/render/scene_test.h"
#include "tests/support/offscreen_gl.h"

namespace {

// What the scene's materials look like under its one light.
bool IsBlack(Colour c) {
    return c.r == 0 && c.g == 0 && c.b == 0;
}
bool IsGrey(Colour c) {
    return c.r > 100 && c.r == c.g && c.g == c.b;
}
// Material 5, the plain and wireframe skin.
bool IsLimbGreen(Colour c) {
    return c.r < 20 && c.g > 180 && c.b < c.g / 2;
}
// Material 3, the textured skin (with no image bound) and the tick above the IK target.
bool IsLightGreen(Colour c) {
    return c.r > 150 && c.g > 240 && c.b > 150 && c.r < c.g;
}
bool IsFirstMarkerBlue(Colour c) {
    return c.r == 0 && c.g < 40 && c.b > 200;
}
bool IsSecondMarkerBlue(Colour c) {
    return c.r == 0 && c.g > 90 && c.g < 170 && c.b > 200;
}
bool IsAnyMarkerBlue(Colour c) {
    return IsFirstMarkerBlue(c) || IsSecondMarkerBlue(c);
}
bool IsPureRed(Colour c) {
    return c.r == 255 && c.g == 0 && c.b == 0;
}
bool IsNormalYellow(Colour c) {
    return c.r > 200 && c.g > 200 && c.b < 100;
}

const ScreenBox WholeFrame = {0, 0, OffscreenWidth - 1, OffscreenHeight - 1};

// The limb's reach in model space while straight: radius 0.75 at the foot, 3 tall.
ScreenBox LimbBox() {
    return ProjectModelBox({-0.75f, 0.0f, -0.75f}, {0.75f, 3.0f, 0.75f});
}

Vector3 Lerp(const Vector3 &a, const Vector3 &b, float t) {
    return Vector3{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

int presentCalls = 0;
Colour colourWhenPresented = {0, 0, 0};
void CountPresent() {
    ++presentCalls;
    Rgb floor = ReadPixel(OffscreenWidth / 2, 40);
    colourWhenPresented = Colour{floor.r, floor.g, floor.b};
}

// Paints the back buffer one colour without leaving a clear colour behind (the scene relies
// on the default black).
void FillBackBuffer(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

} // namespace

TEST_F(SceneTest, StartStateShowsWireframeLimbAndBothMarkersOnTexturedFloor) {
    skinTexture = SolidTexture(255, 0, 0);
    floorTexture = SolidTexture(255, 255, 0);
    Frame frame = DrawFrame();

    // Background above the scene, floor (yellow texture times grey material) in front.
    EXPECT_TRUE(IsBlack(PixelAt(frame, 20, OffscreenHeight - 20)));
    Colour floor = PixelAt(frame, OffscreenWidth / 2, 40);
    EXPECT_GT(floor.r, 140);
    EXPECT_EQ(floor.r, floor.g);
    EXPECT_EQ(floor.b, 0);

    // Outlines only: green lines with floor and background showing between them; the red skin
    // texture is not applied to lines.
    ScreenBox limb = LimbBox();
    EXPECT_GT(CountPixels(frame, limb, IsLimbGreen), 1000);
    EXPECT_GT(CountPixels(frame, limb, IsBlack), 1000);
    EXPECT_EQ(CountPixels(frame, WholeFrame, IsPureRed), 0);

    // Bone 0's marker in the lower half, bone 1's in the upper half.
    ScreenBox lower = ProjectModelBox({-0.1f, 0.0f, -0.1f}, {0.1f, 1.4f, 0.1f});
    ScreenBox upper = ProjectModelBox({-0.1f, 1.6f, -0.1f}, {0.1f, 3.0f, 0.1f});
    EXPECT_GT(CountPixels(frame, lower, IsFirstMarkerBlue), 100);
    EXPECT_EQ(CountPixels(frame, lower, IsSecondMarkerBlue), 0);
    EXPECT_GT(CountPixels(frame, upper, IsSecondMarkerBlue), 100);
    EXPECT_EQ(CountPixels(frame, upper, IsFirstMarkerBlue), 0);
}

TEST_F(SceneTest, MarkersOnlyInWireframeWithBonesShown) {
    demoState.hideBones = 1;
    EXPECT_EQ(CountPixels(DrawFrame(), WholeFrame, IsAnyMarkerBlue), 0);

    demoState.hideBones = 0;
    demoState.wireframe = 0;
    EXPECT_EQ(CountPixels(DrawFrame(), WholeFrame, IsAnyMarkerBlue), 0);

    demoState.wireframe = 1;
    EXPECT_GT(CountPixels(DrawFrame(), WholeFrame, IsAnyMarkerBlue), 200);
}

// The markers show the angles as set; the skin is updated from them before it is drawn (it
// still holds the straight pose of the last update).
TEST_F(SceneTest, MarkersAndSkinFollowTheBoneAngles) {
    bones[1].rotZ = 90.0; // the upper bone now points along -x from the joint
    Frame frame = DrawFrame();
    ScreenBox markerBent = ProjectModelBox({-1.4f, 1.4f, -0.1f}, {-0.2f, 1.6f, 0.1f});
    ScreenBox skinBent = ProjectModelBox({-1.4f, 1.2f, -0.3f}, {-0.8f, 1.8f, 0.3f});
    ScreenBox straightUp = ProjectModelBox({-0.1f, 2.5f, -0.1f}, {0.1f, 3.0f, 0.1f});
    EXPECT_GT(CountPixels(frame, markerBent, IsSecondMarkerBlue), 50);
    EXPECT_GT(CountPixels(frame, skinBent, IsLimbGreen), 50);
    EXPECT_EQ(CountPixels(frame, straightUp, IsSecondMarkerBlue), 0);
    EXPECT_EQ(CountPixels(frame, straightUp, IsLimbGreen), 0);
}

TEST_F(SceneTest, FilledLimbIsTexturedUnlessTexturesOff) {
    skinTexture = SolidTexture(255, 0, 0);
    floorTexture = SolidTexture(0, 0, 255);
    demoState.wireframe = 0;

    // Textured: material 3's light green times red; the floor's grey times blue.
    Frame frame = DrawFrame();
    WindowPoint middle = ProjectModelPoint({0.0f, 1.5f, 0.0f});
    WindowPoint floorPoint = ProjectModelPoint({1.5f, 0.0f, 1.5f});
    Colour skin = PixelAt(frame, (int)middle.x, (int)middle.y);
    EXPECT_GT(skin.r, 150);
    EXPECT_EQ(skin.g, 0);
    EXPECT_EQ(skin.b, 0);
    Colour floor = PixelAt(frame, (int)floorPoint.x, (int)floorPoint.y);
    EXPECT_EQ(floor.r, 0);
    EXPECT_GT(floor.b, 140);

    // Textures off: material 5 and the untextured grey floor, whatever is loaded.
    demoState.texturesOff = 1;
    frame = DrawFrame();
    EXPECT_TRUE(IsGrey(PixelAt(frame, (int)floorPoint.x, (int)floorPoint.y)));
    EXPECT_EQ(CountPixels(frame, WholeFrame, IsPureRed), 0);
    // Solid all over the tube's core: the outside faces the camera, nothing culled away.
    ScreenBox core = ProjectModelBox({-0.15f, 0.5f, 0.0f}, {0.15f, 2.5f, 0.0f});
    EXPECT_EQ(CountPixels(frame, core, IsLimbGreen),
              (core.x1 - core.x0 + 1) * (core.y1 - core.y0 + 1));
}

TEST_F(SceneTest, IkModeDrawsRedLineFromChainEndToTargetAndTickAboveTarget) {
    demoState.ikMode = 1;
    demoState.playAnimation = 0;
    demoState.hideBones = 1;
    demoState.target = Vector3{1.2f, 2.6f, 0.3f};
    bones[0].rotZ = 20.0; // leaning left, away from the target
    Frame frame = DrawFrame();

    // The frame's solver pass has already moved the chain; the line starts at its new end.
    Vector3 end = EndEffectorPosition();
    for (float t = 0.3f; t <= 0.91f; t += 0.1f) {
        WindowPoint on = ProjectModelPoint(Lerp(end, demoState.target, t));
        EXPECT_TRUE(AnyPixelNear(frame, on, 1, IsPureRed)) << "at " << t << " along the line";
    }
    Vector3 tick = {demoState.target.x, demoState.target.y + 0.04f, demoState.target.z};
    EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(tick), 2, IsLightGreen));

    demoState.ikMode = 0;
    frame = DrawFrame();
    EXPECT_EQ(CountPixels(frame, WholeFrame, IsPureRed), 0);
    EXPECT_FALSE(AnyPixelNear(frame, ProjectModelPoint(tick), 2, IsLightGreen));
}

TEST_F(SceneTest, ViewAngleTurnsTheCameraAboutTheVerticalAxis) {
    demoState.ikMode = 1;
    demoState.target = Vector3{1.5f, 2.0f, 0.0f}; // on the +x side; the chain barely moves
    const ScreenBox left = {0, 0, OffscreenWidth / 2 - 5, OffscreenHeight - 1};
    const ScreenBox right = {OffscreenWidth / 2 + 5, 0, OffscreenWidth - 1, OffscreenHeight - 1};

    Frame front = DrawFrame(0.0);
    EXPECT_GT(CountPixels(front, right, IsPureRed), 20);
    EXPECT_EQ(CountPixels(front, left, IsPureRed), 0);

    Frame back = DrawFrame(180.0);
    EXPECT_GT(CountPixels(back, left, IsPureRed), 20);
    EXPECT_EQ(CountPixels(back, right, IsPureRed), 0);
}

TEST_F(SceneTest, VertexNormalsOnlyWhenShown) {
    demoState.hideBones = 1;
    EXPECT_EQ(CountPixels(DrawFrame(), WholeFrame, IsNormalYellow), 0);

    demoState.showNormals = 1;
    Frame frame = DrawFrame();
    EXPECT_GT(CountPixels(frame, WholeFrame, IsNormalYellow), 500);
    // Each line runs from the vertex to position + normal; near the top the limb is thinner
    // than a normal is long, so the lines reach out through the far side into open space.
    const SkinVertex &vertex = skinVertices[5]; // ring 1, on the -x side
    Vector3 nearOuterEnd = Lerp(vertex.position, Add(vertex.position, vertex.normal), 0.9f);
    EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(nearOuterEnd), 1, IsNormalYellow));
}

TEST_F(SceneTest, FrameBeforeSceneSetUpCompletesWithoutError) {
    ResetScene(true); // bones, skin and triangles all zero, as at the first paint
    demoState.showNormals = 1;
    demoState.ikMode = 1;
    Frame frame = DrawFrame();

    EXPECT_TRUE(IsBlack(PixelAt(frame, 20, OffscreenHeight - 20)));
    EXPECT_TRUE(IsGrey(PixelAt(frame, OffscreenWidth / 2, 40)));
    // The skinning pass ran on the zero records and left the rest positions.
    for (int i = 0; i < SkinVertexCount; ++i) {
        EXPECT_FLOAT_EQ(skinVertices[i].position.y, restPositions[i].y) << "vertex " << i;
        EXPECT_TRUE(std::isfinite(skinVertices[i].normal.x)) << "vertex " << i;
    }
}

// A minimised window reports a client height of 0: the frame is skipped whole.
TEST_F(SceneTest, ZeroSizedClientAreaSkipsTheFrame) {
    demoState.ikMode = 1;
    demoState.target = Vector3{1.0f, 2.5f, 0.0f}; // the solver would move the chain
    const int sizes[3][2] = {{800, 0}, {0, 600}, {0, 0}};
    for (const auto &size : sizes) {
        demoState.clientWidth = size[0];
        demoState.clientHeight = size[1];
        FillBackBuffer(0.2f, 0.4f, 0.6f);
        presentCalls = 0;
        RenderScene(CountPresent, 0.0);

        EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
        EXPECT_EQ(presentCalls, 0);
        EXPECT_EQ(demoState.aspect, 0.0); // untouched, never infinite or NaN
        EXPECT_EQ(bones[0].rotX, 0.0);
        EXPECT_EQ(bones[1].rotX, 0.0);
        Rgb kept = ReadPixel(OffscreenWidth / 2, OffscreenHeight / 2);
        EXPECT_NEAR(kept.g, 102, 1) << size[0] << " x " << size[1];
    }

    // Restored: drawn, then presented once.
    demoState.clientWidth = 800;
    demoState.clientHeight = 600;
    RenderScene(CountPresent, 0.0);
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
    EXPECT_EQ(presentCalls, 1);
    EXPECT_TRUE(IsGrey(colourWhenPresented)); // the floor was there when presented
    EXPECT_DOUBLE_EQ(demoState.aspect, 800.0 / 600.0);
    EXPECT_NE(bones[1].rotX, 0.0);
}

TEST_F(SceneTest, SmallerClientAreaDrawsIntoItsOwnViewport) {
    demoState.clientWidth = 400;
    demoState.clientHeight = 300;
    FillBackBuffer(0.2f, 0.4f, 0.6f);
    Frame frame = DrawFrame();
    EXPECT_DOUBLE_EQ(demoState.aspect, 400.0 / 300.0);
    // The whole scene shrinks into the lower-left quarter; the clear still covers everything.
    EXPECT_TRUE(IsGrey(PixelAt(frame, 200, 20)));
    EXPECT_TRUE(IsBlack(PixelAt(frame, 600, 20)));
    EXPECT_TRUE(IsBlack(PixelAt(frame, 600, 450)));
}
