// The mouse controls work out in their own arithmetic what the renderer asks GL to do with the
// camera; here the two are held against each other.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "skeleton/camera.h"
#include "skeleton/demo_state.h"
#include "tests/render/scene_test.h"
#include "tests/support/offscreen_gl.h"

namespace {

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
            Vector3 eye = ModelToEye(p);
            for (int row = 0; row < 3; ++row) {
                double expected = modelView[row] * p.x + modelView[4 + row] * p.y +
                                  modelView[8 + row] * p.z + modelView[12 + row];
                EXPECT_NEAR((&eye.x)[row], expected, 1e-4);
            }
            // A move worked out for a drag lands that many pixels away on screen (GL counts y
            // upwards) at the same depth.
            Vector3 moved = Add(p, ModelOffsetForPixels(p, 25.0, -10.0, OffscreenHeight));
            WindowPoint from = ProjectedByGl(p), to = ProjectedByGl(moved);
            EXPECT_NEAR(to.x - from.x, 25.0, 1e-2);
            EXPECT_NEAR(to.y - from.y, 10.0, 1e-2);
            EXPECT_NEAR(ModelToEye(moved).z, eye.z, 1e-4);
        }
    }
}

} // namespace
