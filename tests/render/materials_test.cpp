#include <gtest/gtest.h>

#include <GL/gl.h>
#include <string>

#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/materials.h"
#include "tests/render/scene_support.h"
#include "tests/support/offscreen_gl.h"

namespace {

class GlStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(UseOffscreenGl());
        InitGlState();
        ASSERT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
    }
    void TearDown() override { EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR); }
};

// Ambient blue of the current material, front and back.
void ExpectAmbientBlue(float blue) {
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        GLfloat ambient[4];
        glGetMaterialfv(face, GL_AMBIENT, ambient);
        EXPECT_FLOAT_EQ(ambient[2], blue) << (face == GL_FRONT ? "front" : "back");
    }
}

// Clears the frame and draws a square over its middle with identity matrices, its corners
// running clockwise on screen (its back toward the viewer) when normalZ is negative, with normal
// (0, 0, normalZ) as given; returns the colour at the centre.
Rgb DrawSquareFacing(float normalZ) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, OffscreenWidth, OffscreenHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float side = normalZ < 0.0f ? -0.5f : 0.5f;
    glNormal3f(0.0f, 0.0f, normalZ);
    glBegin(GL_TRIANGLE_FAN);
    glVertex3f(-0.5f, -0.5f, 0.0f);
    glVertex3f(side, -side, 0.0f);
    glVertex3f(0.5f, 0.5f, 0.0f);
    glVertex3f(-side, side, 0.0f);
    glEnd();
    return ReadPixel(OffscreenWidth / 2, OffscreenHeight / 2);
}

} // namespace

// Light 0 and the global ambient, one lighting term per channel, on a square facing the viewer
// with a unit normal, so the light (from the viewer's side) and the half-way vector meet it
// square on: red is ambient alone (global 0.2 + light 0.1), green diffuse alone (light 1.2 x
// 0.5), blue specular alone (light 0.9 x 0.5).
TEST_F(GlStateTest, LightZeroGivesEachTermItsOwnStrength) {
    const GLfloat ambient[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat diffuse[4] = {0.0f, 0.5f, 0.0f, 1.0f};
    const GLfloat specular[4] = {0.0f, 0.0f, 0.5f, 1.0f};
    const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glPushAttrib(GL_LIGHTING_BIT); // the material below is the test's own
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 8.0f);
    Rgb lit = DrawSquareFacing(1.0f);
    glPopAttrib();
    EXPECT_NEAR(lit.r, 255 * 0.3, 1.5);
    EXPECT_NEAR(lit.g, 255 * 0.6, 1.5);
    EXPECT_NEAR(lit.b, 255 * 0.45, 1.5);
}

// A face turned away from the viewer, where one is drawn, is lit as its own back side: with the
// back material, which SetMaterial sets along with the front, and with its normal reversed. The
// square's normal points away from the light, 0.1 long; reversed it meets the light at 0.1, so
// the floor material gives emission 0.3 + ambient 0.8 x 0.3 + diffuse 0.752941 x 1.2 x 0.1.
TEST_F(GlStateTest, BackFacesAreLitFromTheirOwnSideWithTheBackMaterial) {
    SetMaterial(FloorMaterial);
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_CULL_FACE);
    Rgb back = DrawSquareFacing(-0.1f);
    glPopAttrib();
    const double grey = 255 * (0.3 + 0.8 * 0.3 + 0.752941 * 1.2 * 0.1);
    EXPECT_NEAR(back.r, grey, 1.5);
    EXPECT_NEAR(back.g, grey, 1.5);
    EXPECT_NEAR(back.b, grey, 1.5);
}

TEST_F(GlStateTest, IndexOutsideTheTableKeepsTheCurrentMaterial) {
    SetMaterial(SkinPlainMaterial);
    SetMaterial(MaterialCount);
    SetMaterial(-1);
    ExpectAmbientBlue(0.117647f);
}

// Draws a horizontal line across the middle of the frame, lit from wherever the normal says.
TEST_F(GlStateTest, TargetLineMaterialIsPureRedInAnyLight) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, OffscreenWidth, OffscreenHeight);
    const GLfloat normals[][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, 0, 0.4f}, {0, 0, 3}};
    for (const auto &normal : normals) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SetMaterial(TargetLineMaterial);
        glNormal3fv(normal);
        glBegin(GL_LINES);
        glVertex3f(-0.5f, 0.001f, 0.0f);
        glVertex3f(0.5f, 0.001f, 0.0f);
        glEnd();
        Rgb pixel = ReadPixel(OffscreenWidth / 2, OffscreenHeight / 2);
        EXPECT_EQ(pixel.r, 255);
        EXPECT_EQ(pixel.g, 0);
        EXPECT_EQ(pixel.b, 0);
    }
}

TEST_F(GlStateTest, TakeGlErrorReportsTheFirstFlagAndClearsThem) {
    glEnable(0x1234); // no such capability
    glMatrixMode(0x4321);
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_INVALID_ENUM);
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
}

TEST_F(GlStateTest, FrameCheckReportsErrorsOnlyInDebugBuilds) {
    glEnable(0x1234);
    testing::internal::CaptureStderr();
    CheckGlAfterFrame();
    std::string report = testing::internal::GetCapturedStderr();
#ifndef NDEBUG
    EXPECT_NE(report.find("GL error 0x0500"), std::string::npos) << report;
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
#else
    EXPECT_EQ(report, "");
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_INVALID_ENUM); // left for whoever asks
#endif
}
