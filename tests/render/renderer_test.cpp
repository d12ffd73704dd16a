#include <gtest/gtest.h>

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <vector>

#include "demo/demo_state.h"
#include "ik/kinematics.h"
#include "mesh/skin_mesh.h"
#include "render/gl_check.h"
#include "render/renderer.h"
#include "rig/bones.h"
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
bool IsPureMagenta(Colour c) {
    return c.r == 255 && c.g == 0 && c.b == 255;
}
bool IsNormalYellow(Colour c) {
    return c.r > 200 && c.g > 200 && c.b < 100;
}

// One colour channel (0..255) of a material under the scene's lighting, from its numbers: the
// global ambient 0.2, and light 0 with ambient 0.1, diffuse 1.2 and specular 0.9 (exponent 8
// in every material), shining along the view axis; facing is LightFacing of the normal.
double LitChannel(double emission, double ambient, double diffuse, double specular, double facing) {
    facing = std::max(facing, 0.0);
    double lit = emission + ambient * (0.2 + 0.1) + diffuse * 1.2 * facing +
                 specular * 0.9 * std::pow(facing, 8.0);
    return 255.0 * std::min(lit, 1.0);
}

// Material 0 on the floor, whose normal, shortened to 0.4, leans 15 degrees toward the viewer.
double FloorGrey() {
    return LitChannel(0.3, 0.8, 0.752941, 0.9, LightFacing({0.0f, 1.0f, 0.0f}));
}

// Whether some pixel within radius (a square) of the point has the colour, to within 2.
bool ColourNear(const Frame &frame, const WindowPoint &at, int radius, double r, double g,
                double b) {
    for (int y = (int)at.y - radius; y <= (int)at.y + radius; ++y) {
        for (int x = (int)at.x - radius; x <= (int)at.x + radius; ++x) {
            Colour c = PixelAt(frame, x, y);
            if (std::fabs(c.r - r) <= 2 && std::fabs(c.g - g) <= 2 && std::fabs(c.b - b) <= 2)
                return true;
        }
    }
    return false;
}

const ScreenBox WholeFrame = {0, 0, OffscreenWidth - 1, OffscreenHeight - 1};

// The limb's reach in model space while straight: radius 0.75 at the foot, 3 tall.
ScreenBox LimbBox() {
    return ProjectModelBox({-0.75f, 0.0f, -0.75f}, {0.75f, 3.0f, 0.75f});
}

Vector3 Lerp(const Vector3 &a, const Vector3 &b, float t) {
    return Vector3{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// The highest row that shows the plain limb within two pixels of column x, or -1.
int TopRowOfLimb(const Frame &frame, double x) {
    int top = -1;
    for (int y = 0; y < OffscreenHeight; ++y)
        if (CountPixels(frame, {(int)x - 2, y, (int)x + 2, y}, IsLimbGreen) > 0)
            top = y;
    return top;
}

// The lit floor 3 pixels inside a corner of the floor (toward its centre), background 3 pixels
// outside.
void ExpectFloorCornerAt(const Frame &frame, const Vector3 &corner, double viewAngle) {
    WindowPoint at = ProjectModelPoint(corner, viewAngle);
    WindowPoint centre = ProjectModelPoint({0.0f, 0.0f, 0.0f}, viewAngle);
    double dx = centre.x - at.x, dy = centre.y - at.y;
    double scale = 3.0 / std::sqrt(dx * dx + dy * dy);
    Colour inside = PixelAt(frame, (int)(at.x + dx * scale), (int)(at.y + dy * scale));
    Colour outside = PixelAt(frame, (int)(at.x - dx * scale), (int)(at.y - dy * scale));
    EXPECT_TRUE(IsGrey(inside)) << "corner " << corner.x << ", " << corner.z;
    EXPECT_NEAR(inside.r, FloorGrey(), 1.5) << "corner " << corner.x << ", " << corner.z;
    EXPECT_TRUE(IsBlack(outside)) << "corner " << corner.x << ", " << corner.z;
}

// The point length up a line from the origin leaning left of straight up by degrees in the x-y
// plane, as a turn of that many degrees about z carries it.
Vector3 LeaningLeft(double degrees, double length) {
    double radians = degrees * 3.14159265358979323846 / 180.0;
    return Vector3{(float)(-length * std::sin(radians)), (float)(length * std::cos(radians)), 0.0f};
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

    // Background above the scene, floor (yellow texture times the lit grey) in front.
    EXPECT_TRUE(IsBlack(PixelAt(frame, 20, OffscreenHeight - 20)));
    Colour floor = PixelAt(frame, OffscreenWidth / 2, 40);
    EXPECT_NEAR(floor.r, FloorGrey(), 1.5);
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

    // Each marker's front face (base corners at 120 and 0 degrees, and the apex) in its lit
    // material: blue saturated by emission alone, no red, and green none on bone 0's and 0.3 of
    // every term on bone 1's. Some pixels there show the face between the limb's outlines.
    const Vector3 frontNormal = {0.499724f, 0.033315f, 0.865544f};
    const Vector3 frontCentre = {(-0.05f + 0.1f) / 3, 0.5f, 0.086603f / 3};
    double green = LitChannel(0.3, 0.3, 0.3, 0.3, LightFacing(frontNormal));
    EXPECT_TRUE(ColourNear(frame, ProjectModelPoint(frontCentre), 2, 0, 0, 255));
    EXPECT_TRUE(ColourNear(frame, ProjectModelPoint(Add(frontCentre, {0.0f, 1.5f, 0.0f})), 2, 0,
                           green, 255));
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

// Points on the target's cross: its arms run along the axes, a little more than 0.1 either
// way, so from the front (angle 0) the x and y arms lie across the view, from the side (90) the
// z and y arms.
std::vector<Vector3> PointsOnTargetCross(const Vector3 &target, double viewAngle) {
    std::vector<Vector3> points;
    for (float side : {-0.1f, 0.1f}) {
        points.push_back(Vector3{target.x, target.y + side, target.z});
        if (viewAngle == 0.0)
            points.push_back(Vector3{target.x + side, target.y, target.z});
        else
            points.push_back(Vector3{target.x, target.y, target.z + side});
    }
    return points;
}

TEST_F(SceneTest, IkModeDrawsRedLineFromChainEndToTargetACrossOnTheTargetAndItsDropToTheFloor) {
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
    for (double angle : {0.0, 90.0}) {
        frame = DrawFrame(angle);
        for (const Vector3 &point : PointsOnTargetCross(demoState.target, angle))
            EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(point, angle), 1, IsPureMagenta))
                << "from " << angle << " at " << point.x << ", " << point.y << ", " << point.z;
    }

    // From the side, where a move in x is toward the camera, the drop line to the floor and the
    // shadow's diamond round its foot give the target's depth.
    frame = DrawFrame(90.0);
    for (float t = 0.2f; t <= 0.91f; t += 0.1f) {
        Vector3 on = Lerp(demoState.target,
                          Vector3{demoState.target.x, 0.0f, demoState.target.z}, t);
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(on, 90.0), 1, IsPureMagenta))
            << "at " << t << " down the drop line";
    }
    for (float side : {-0.12f, 0.12f}) {
        Vector3 corner = {demoState.target.x, 0.0f, demoState.target.z + side};
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(corner, 90.0), 1, IsPureMagenta))
            << "the shadow's corner at z " << corner.z;
    }

    // Inside the filled limb the cross still shows, over the skin.
    demoState.wireframe = 0;
    demoState.target = Vector3{0.0f, 1.2f, 0.0f};
    frame = DrawFrame();
    for (const Vector3 &point : PointsOnTargetCross(demoState.target, 0.0))
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(point), 1, IsPureMagenta))
            << "over the skin at " << point.x << ", " << point.y;

    demoState.ikMode = 0;
    frame = DrawFrame();
    EXPECT_EQ(CountPixels(frame, WholeFrame, IsPureRed), 0);
    EXPECT_EQ(CountPixels(frame, WholeFrame, IsPureMagenta), 0);
}

// Where the limb's top, the floor's far corners and the bone markers land, and how deep and how
// bright the floor is, from the camera's and the light's numbers alone (ProjectModelPoint,
// FloorGrey), seen from the front and from behind and to the side.
TEST_F(SceneTest, CameraPutsLimbTopFloorCornersAndMarkersWhereItsNumbersSay) {
    demoState.texturesOff = 1;
    for (double angle : {0.0, 200.0}) {
        SCOPED_TRACE(angle);
        demoState.wireframe = 0;
        bones[0].rotZ = bones[1].rotZ = 0.0;
        Frame frame = DrawFrame(angle);

        // The straight limb's top is its top point: the eye, at height 2.4, looks up at it.
        WindowPoint top = ProjectModelPoint({0.0f, 3.0f, 0.0f}, angle);
        EXPECT_NEAR(TopRowOfLimb(frame, top.x), top.y - 1.0, 1.5);

        // The two corners away from the eye, which is on the -z side when seen from 200.
        float farZ = angle == 0.0 ? -2.5f : 2.5f;
        ExpectFloorCornerAt(frame, {-2.5f, 0.0f, farZ}, angle);
        ExpectFloorCornerAt(frame, {2.5f, 0.0f, farZ}, angle);

        // Depth within near 1 and far 30, one unit in from a corner.
        WindowPoint floor = ProjectModelPoint({1.5f, 0.0f, -1.5f}, angle);
        EXPECT_NEAR(ReadDepth((int)floor.x, (int)floor.y), floor.z, 5e-4);

        // Markers leaning left by 30 degrees and the upper one by 40 more: each filled halfway
        // up, and neither just past the upper one's tip.
        demoState.wireframe = 1;
        bones[0].rotZ = 30.0;
        bones[1].rotZ = 40.0;
        frame = DrawFrame(angle);
        Vector3 joint = LeaningLeft(30.0, 1.5);
        Vector3 tip = Add(joint, LeaningLeft(70.0, 1.5));
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(LeaningLeft(30.0, 0.75), angle), 1,
                                 IsFirstMarkerBlue));
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(Lerp(joint, tip, 0.5f), angle), 1,
                                 IsSecondMarkerBlue));
        EXPECT_FALSE(AnyPixelNear(frame, ProjectModelPoint(Lerp(joint, tip, 1.1f), angle), 2,
                                  IsAnyMarkerBlue));
    }
}

// Seen from the side (the bend lies across the picture, the upper bone reaching left), the
// normal lines stand out of the bent limb on every side: beyond its silhouette on the left and
// on the right, in the rows from 1.0 up the lower bone (clear of the two lowest rings, whose
// normals the lower bone alone turns), and above its top. Normals moved with the bones as if
// they were points would all lean one way, up and to the right.
TEST_F(SceneTest, VertexNormalsStandOutOfTheBentLimbOnEverySideWhenShown) {
    const double angle = 270.0;
    demoState.wireframe = 0;
    demoState.texturesOff = 1;
    bones[0].rotX = 17.0;
    bones[1].rotX = 60.0;
    bones[1].rotZ = 10.0;
    EXPECT_EQ(CountPixels(DrawFrame(angle), WholeFrame, IsNormalYellow), 0);

    demoState.showNormals = 1;
    Frame frame = DrawFrame(angle);
    const double lowerTilt = 17.0 * 3.14159265358979323846 / 180.0;
    Vector3 upLowerBone = {0.0f, (float)std::cos(lowerTilt), (float)std::sin(lowerTilt)};
    int firstRow = (int)ProjectModelPoint(upLowerBone, angle).y;
    int left = 0, right = 0, above = 0, topRow = -1;
    for (int y = firstRow; y < OffscreenHeight; ++y) {
        int x0 = OffscreenWidth, x1 = -1;
        for (int x = 0; x < OffscreenWidth; ++x) {
            if (IsLimbGreen(PixelAt(frame, x, y))) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
            }
        }
        if (x1 < 0)
            continue;
        topRow = y;
        left += CountPixels(frame, {0, y, x0 - 3, y}, IsNormalYellow);
        right += CountPixels(frame, {x1 + 3, y, OffscreenWidth - 1, y}, IsNormalYellow);
    }
    ASSERT_GT(topRow, firstRow);
    above = CountPixels(frame, {0, topRow + 3, OffscreenWidth - 1, OffscreenHeight - 1},
                        IsNormalYellow);
    // A whole line here is about 100 pixels long.
    EXPECT_GT(left, 100);
    EXPECT_GT(right, 100);
    EXPECT_GT(above, 100);

    // All in one colour: material 4 lit with the last normal the skin sent (the first corner of
    // its last triangle), red and green saturated, blue from ambient and diffuse light.
    const Vector3 &last = skinVertices[skinTriangles[SkinTriangleCount - 1].index[0]].normal;
    const double blue = LitChannel(0.0, 0.2, 0.2, 0.2, LightFacing(last, angle));
    int otherYellow = 0;
    for (int y = 0; y < OffscreenHeight; ++y) {
        for (int x = 0; x < OffscreenWidth; ++x) {
            Colour c = PixelAt(frame, x, y);
            otherYellow +=
                IsNormalYellow(c) && (c.r != 255 || c.g != 255 || std::fabs(c.b - blue) > 2);
        }
    }
    EXPECT_EQ(otherYellow, 0) << "expected blue " << blue;
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
