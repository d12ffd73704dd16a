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

} // namespace

// The plain skin's ambient blue is a value of its own, lower than its diffuse blue.
TEST_F(GlStateTest, MaterialsApplyToFrontAndBack) {
    SetMaterial(SkinPlainMaterial);
    ExpectAmbientBlue(0.117647f);
    GLfloat diffuse[4];
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[2], 0.752941f);
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
