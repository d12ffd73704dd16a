// The mouse controls work out in their own arithmetic what the renderer asks GL to do with the
// camera; here the two are held against each other.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "demo/shown_model.h"
#include "lab/side_by_side.h"
#include "lab/vertex_inspector.h"
#include "mesh/skin_mesh.h"
#include "rig/bones.h"
#include "tests/render/scene_test.h"
#include "tests/support/offscreen_gl.h"
#include "view/camera.h"

namespace {

// The vertex a pointer picks on the skin as the last frame drew it.
int PickOnScreen(int x, int y, int width, int height) {
    return PickVertex(SceneCamera(), *frameRecord.model, frameRecord.skinPose,
                      frameRecord.skin.data(), x, y, width, height);
}

// Where each of the vertex's two influences alone puts it, in the last frame's pose.
void VertexTransformsAlone(int vertex, Vector3 &first, Vector3 &chain) {
    SkinInput in = SkinInputOf(*frameRecord.model, frameRecord.skinPose);
    first = InfluenceAlone(in, vertex, 0);
    chain = InfluenceAlone(in, vertex, 1);
}

// Where GL itself puts a model point, from the matrices the frame left behind.
WindowPoint ProjectedByGl(const Vector3 &p) {
    GLdouble modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    WindowPoint window = {0.0, 0.0, 0.0};
    gluProject(p.x, p.y, p.z, modelView, projection, viewport, &window.x, &window.y, &window.z);
    return window;
}

TEST_F(SceneTest, CameraArithmeticAgreesWithTheFrame) {
    const double poses[][3] = {{0, 15, 12}, {30, 40, 8}, {250, 80, 22}, {90, 5, 5}};
    const Vector3 points[] = {{0, 0, 0}, {0, 3, 0}, {2.5f, 0, -2.5f}, {1, 2.5f, 0.5f}};
    for (const auto &pose : poses) {
        SCOPED_TRACE(::testing::Message() << "yaw " << pose[0] << ", tilt " << pose[1]);
        demoState.viewAngle = pose[0];
        demoState.viewTilt = pose[1];
        demoState.viewDistance = pose[2];
        DrawFrame(pose[0]);
        GLdouble modelView[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
        for (const Vector3 &p : points) {
            Vector3 eye = ModelToEye(SceneCamera(), p);
            for (int row = 0; row < 3; ++row) {
                double expected = modelView[row] * p.x + modelView[4 + row] * p.y +
                                  modelView[8 + row] * p.z + modelView[12 + row];
                EXPECT_NEAR((&eye.x)[row], expected, 1e-4);
            }
            // A move worked out for a drag lands that many pixels away on screen (GL counts y
            // upwards) at the same depth.
            Vector3 moved =
                Add(p, ModelOffsetForPixels(SceneCamera(), p, 25.0, -10.0, OffscreenHeight));
            WindowPoint from = ProjectedByGl(p), to = ProjectedByGl(moved);
            EXPECT_NEAR(to.x - from.x, 25.0, 1e-2);
            EXPECT_NEAR(to.y - from.y, 10.0, 1e-2);
            EXPECT_NEAR(ModelToEye(SceneCamera(), moved).z, eye.z, 1e-4);
            // Pixels as the pointer counts them: from the top-left corner, y down.
            PixelPoint pixel;
            ASSERT_TRUE(ModelToPixels(SceneCamera(), p, OffscreenWidth, OffscreenHeight, pixel));
            EXPECT_NEAR(pixel.x, from.x, 1e-3);
            EXPECT_NEAR(pixel.y, OffscreenHeight - from.y, 1e-3);
            EXPECT_NEAR(pixel.depth, -eye.z, 1e-4);
        }
    }
}

// A click on a vertex the frame shows picks it; a click on a vertex that the near side of the
// limb hides, or on the floor, does not. What the frame shows is GL's own verdict: the depth
// buffer at the vertex's pixel holds the vertex's depth, or something nearer.
TEST_F(SceneTest, ClicksPickTheVertexTheFrameShows) {
    demoState.wireframe = 0; // filled, so the skin's surface is in the depth buffer
    demoState.texturesOff = 1;
    demoState.viewAngle = 35.0;
    demoState.viewTilt = 30.0;
    bones[0].rotZ = 12.0;
    bones[1].rotX = 55.0;
    DrawFrame(demoState.viewAngle);
    int shown = 0, hidden = 0;
    for (int v = 0; v < SkinVertexCount; ++v) {
        WindowPoint at = ProjectedByGl(skinVertices[v].position);
        int x = (int)std::floor(at.x), y = (int)std::floor(OffscreenHeight - at.y);
        double depth = ReadDepth(x, OffscreenHeight - 1 - y);
        int picked = PickOnScreen(x, y, OffscreenWidth, OffscreenHeight);
        SCOPED_TRACE(::testing::Message() << "vertex " << v << ", picked " << picked);
        if (std::fabs(depth - at.z) < 1e-3) {
            ++shown;
            EXPECT_EQ(picked, v);
        } else if (depth < at.z - 3e-3) {
            ++hidden;
            EXPECT_NE(picked, v);
            EXPECT_GE(picked, 0); // the skin in front of it
        }
    }
    EXPECT_GE(shown, 15);
    EXPECT_GE(hidden, 10);
    WindowPoint floor = ProjectedByGl(Vector3{2.0f, 0.0f, 2.0f});
    EXPECT_EQ(PickOnScreen((int)floor.x, (int)(OffscreenHeight - floor.y), OffscreenWidth,
                           OffscreenHeight),
              -1);
    EXPECT_EQ(PickOnScreen(3, 3, OffscreenWidth, OffscreenHeight), -1);
}

// Seen from the side, the joint's axis points at the camera and vertex 21 lies on it: A and B
// put it in one place, so every method agrees there. A click on it still picks it; a click beside
// it, inside a triangle it shares with ring 4, picks the ring-4 corner the bend moves most. Which
// triangle is under the pointer is GL's verdict: the depth it drew there is that triangle's.
TEST_F(SceneTest, AClickBesideTheJointsAxisPicksTheCornerTheBendMoves) {
    demoState.wireframe = 0;
    demoState.texturesOff = 1;
    demoState.viewAngle = 90.0;
    bones[1].rotX = 90.0;
    DrawFrame(demoState.viewAngle);
    const int onAxis = 21, corners[2] = {29, 30}; // triangle (21, 29, 30), facing the camera
    WindowPoint a = ProjectedByGl(skinVertices[onAxis].position);
    WindowPoint b = ProjectedByGl(skinVertices[corners[0]].position);
    WindowPoint c = ProjectedByGl(skinVertices[corners[1]].position);
    // Two fifths of the way from 21 to the triangle's centroid: 21 stays the nearest corner.
    double px = a.x + 0.4 * ((a.x + b.x + c.x) / 3 - a.x);
    double py = a.y + 0.4 * ((a.y + b.y + c.y) / 3 - a.y);
    ASSERT_GT(std::hypot(px - a.x, py - a.y), PickTolerancePixels + 1);
    int x = (int)std::floor(px), y = (int)std::floor(OffscreenHeight - py);
    // The drawn depth there is the triangle's own, interpolated from its corners.
    double u = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) /
               ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
    double v = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) /
               ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
    double depth = u * a.z + v * b.z + (1 - u - v) * c.z;
    ASSERT_NEAR(ReadDepth(x, OffscreenHeight - 1 - y), depth, 2e-3);

    Vector3 first, chain;
    VertexTransformsAlone(onAxis, first, chain);
    EXPECT_LT(VectorLength(Subtract(chain, first)), 1e-5);
    double moves[2];
    for (int k = 0; k < 2; ++k) {
        VertexTransformsAlone(corners[k], first, chain);
        moves[k] = VectorLength(Subtract(chain, first));
    }
    int mover = moves[0] > moves[1] ? corners[0] : corners[1];
    EXPECT_EQ(PickOnScreen(x, y, OffscreenWidth, OffscreenHeight), mover);
    EXPECT_EQ(PickOnScreen((int)std::floor(a.x), (int)std::floor(OffscreenHeight - a.y),
                           OffscreenWidth, OffscreenHeight),
              onAxis);
}

// Side by side, a click on a vertex any copy shows picks that vertex and that copy's method; GL's
// depth buffer says which vertices the frame shows.
TEST_F(SceneTest, ClicksSideBySidePickTheVertexAndTheCopyTheFrameShows) {
    demoState.wireframe = 0;
    demoState.texturesOff = 1;
    demoState.sideBySide = 1;
    demoState.viewAngle = 60.0;
    demoState.viewTilt = 35.0;
    demoState.viewDistance = SideBySideViewDistance;
    bones[1].rotX = 90.0;
    DrawFrame(demoState.viewAngle);
    ASSERT_TRUE(frameRecord.sideBySide);
    int shown[SkinningMethodCount] = {0, 0, 0, 0};
    WindowPoint at[SkinningMethodCount][SkinVertexCount];
    for (int m = 0; m < SkinningMethodCount; ++m)
        for (int v = 0; v < SkinVertexCount; ++v)
            at[m][v] = ProjectedByGl(
                Add(frameRecord.copies.skins[m][v].position, frameRecord.copies.offsets[m]));
    // Only vertices that no other vertex of any copy crowds on screen, and that are off the
    // joint's axis (where a click beside them picks the corner that moves): a click on them
    // can mean nothing else.
    auto alone = [&](int m, int v) {
        Vector3 first, chain;
        VertexTransformsAlone(v, first, chain);
        if (VectorLength(Subtract(chain, first)) < StillBetweenTransforms)
            return false;
        for (int n = 0; n < SkinningMethodCount; ++n)
            for (int u = 0; u < SkinVertexCount; ++u)
                if ((n != m || u != v) &&
                    std::hypot(at[n][u].x - at[m][v].x, at[n][u].y - at[m][v].y) <
                        3 * PickTolerancePixels)
                    return false;
        return true;
    };
    for (int m = 0; m < SkinningMethodCount; ++m) {
        for (int v = 0; v < SkinVertexCount; ++v) {
            int x = (int)std::floor(at[m][v].x), y = (int)std::floor(OffscreenHeight - at[m][v].y);
            if (!alone(m, v) ||
                std::fabs(ReadDepth(x, OffscreenHeight - 1 - y) - at[m][v].z) >= 1e-3)
                continue;
            SCOPED_TRACE(::testing::Message() << "copy " << m << ", vertex " << v);
            int vertex = -1, method = -1;
            ASSERT_TRUE(PickVertexOfCopies(SceneCamera(), *frameRecord.model, frameRecord.skinPose,
                                           frameRecord.copies, x, y, OffscreenWidth,
                                           OffscreenHeight, vertex, method));
            EXPECT_EQ(vertex, v);
            EXPECT_EQ(method, m);
            ++shown[m];
        }
    }
    for (int m = 0; m < SkinningMethodCount; ++m)
        EXPECT_GE(shown[m], 4) << m;
    int vertex, method;
    EXPECT_FALSE(PickVertexOfCopies(SceneCamera(), *frameRecord.model, frameRecord.skinPose,
                                    frameRecord.copies, 3, 3, OffscreenWidth, OffscreenHeight,
                                    vertex, method));
}

} // namespace

namespace {

// At the closest zoom the limb bent toward the camera comes within a unit of the eye: the
// frame's near plane comes in front of every skin vertex instead of slicing the limb open, and
// at the start camera it stays where it always was. Looking steeply down, the closest zoom would
// put the eye inside the limb: the camera stays back, and picking uses the camera drawn.
TEST_F(SceneTest, TheNearPlaneKeepsTheWholeSkinInFrontOfItAtEveryZoom) {
    const double cameras[][3] = {{0, 15, 12}, {0, 15, 5}, {0, 5, 5},
                                 {90, 15, 5}, {270, 15, 5}, {0, 60, 5}, {0, 80, 5}};
    int closer = 0;
    for (const auto &camera : cameras) {
        SCOPED_TRACE(::testing::Message() << "yaw " << camera[0] << ", tilt " << camera[1]
                                          << ", distance " << camera[2]);
        demoState.viewAngle = camera[0];
        demoState.viewTilt = camera[1];
        demoState.viewDistance = camera[2];
        bones[1].rotX = 60.0; // the upper limb bent toward +z
        DrawFrame(camera[0]);
        GLdouble projection[16], modelView[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
        double nearPlane = projection[14] / (projection[10] - 1.0);
        double nearest = 1e9;
        for (const SkinVertex &vertex : frameRecord.skin)
            nearest = std::min(nearest, -(double)ModelToEye(SceneCamera(), vertex.position).z);
        EXPECT_LT(nearPlane, nearest);
        EXPECT_GE(nearest, CameraMinDepth * 0.999) << "the eye is at the skin, or inside it";
        // The model origin's eye depth is the distance the scene was drawn from.
        EXPECT_NEAR(-modelView[14], SceneCamera().distance, 1e-4);
        if (camera[1] < 60.0) {
            EXPECT_EQ(SceneCamera().distance, camera[2]) << "the zoom is kept clear of the skin";
        }
        if (camera[2] == CameraStartDistance) {
            EXPECT_NEAR(nearPlane, CameraNearPlane, 1e-4) << "the start's picture must not change";
        }
        closer += nearPlane < CameraNearPlane;
    }
    EXPECT_GT(closer, 0) << "no camera came close enough to test";
}

} // namespace

namespace {

// A model's skeleton shows as the limb's bones do, with the wireframe and while B leaves them
// on: a dot on each joint, in the markers' blue, where the camera's numbers put the joint, over
// the skin around it; with B off, none.
TEST_F(SceneTest, AModelsSkeletonShowsItsJointsWithTheBoneMarkers) {
    ShowTentacle();
    demoState.wireframe = 1;
    demoState.hideBones = 0;
    Frame frame = DrawFrame(0.0);
    const std::vector<Matrix4> worlds = frameRecord.skinPose.worlds;
    ASSERT_EQ(worlds.size(), 8u);
    auto isBlue = [](const Colour &c) {
        return c.r <= 1 && std::abs(c.g - 77) <= 1 && c.b >= 254;
    };
    std::vector<WindowPoint> joints;
    for (const Matrix4 &world : worlds) {
        Vector3 joint = ShownModelToScene(Vector3{world.m[12], world.m[13], world.m[14]});
        joints.push_back(ProjectModelPoint(joint));
    }
    for (size_t j = 0; j < joints.size(); ++j) {
        Colour c = PixelAt(frame, (int)joints[j].x, (int)joints[j].y);
        EXPECT_TRUE(isBlue(c)) << "joint " << j << ": " << c.r << ", " << c.g << ", " << c.b;
    }
    // In the forward mode the skeleton shows without the wireframe, the selected joint in yellow.
    demoState.wireframe = 0;
    demoState.fkMode = 1;
    SelectShownJoint(3);
    frame = DrawFrame(0.0);
    for (size_t j = 0; j < joints.size(); ++j) {
        Colour c = PixelAt(frame, (int)joints[j].x, (int)joints[j].y);
        if (j == 3)
            EXPECT_TRUE(c.r >= 254 && std::abs(c.g - 217) <= 1 && c.b <= 1)
                << c.r << ", " << c.g << ", " << c.b;
        else
            EXPECT_TRUE(isBlue(c)) << "joint " << j << " in the forward mode";
    }
    demoState.hideBones = 1;
    frame = DrawFrame(0.0);
    for (size_t j = 0; j < joints.size(); ++j) {
        Colour c = PixelAt(frame, (int)joints[j].x, (int)joints[j].y);
        EXPECT_FALSE(isBlue(c)) << "joint " << j << " with B off";
    }
    HideModel();
}

} // namespace
