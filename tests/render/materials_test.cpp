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

void ExpectColour(GLenum face, GLenum which, const float rgb[3], float alpha) {
    GLfloat got[4];
    glGetMaterialfv(face, which, got);
    EXPECT_FLOAT_EQ(got[0], rgb[0]);
    EXPECT_FLOAT_EQ(got[1], rgb[1]);
    EXPECT_FLOAT_EQ(got[2], rgb[2]);
    EXPECT_FLOAT_EQ(got[3], alpha);
}

void ExpectCurrentMaterial(int index) {
    const Material &m = materials[index];
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        SCOPED_TRACE(face == GL_FRONT ? "front" : "back");
        ExpectColour(face, GL_AMBIENT, m.ambient, m.alpha);
        ExpectColour(face, GL_DIFFUSE, m.diffuse, m.alpha);
        ExpectColour(face, GL_SPECULAR, m.specular, m.alpha);
        ExpectColour(face, GL_EMISSION, m.emission, m.alpha);
        GLfloat shininess = 0.0f;
        glGetMaterialfv(face, GL_SHININESS, &shininess);
        EXPECT_FLOAT_EQ(shininess, m.shininess);
    }
}

} // namespace

TEST_F(GlStateTest, LightAndFixedStateAsTheSceneNeedsThem) {
    GLfloat light[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, light);
    EXPECT_FLOAT_EQ(light[0], 1.2f); // above 1.0 on purpose
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, light);
    EXPECT_FLOAT_EQ(light[0], 0.1f);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, light);
    EXPECT_FLOAT_EQ(light[0], 0.9f);
    glGetLightfv(GL_LIGHT0, GL_POSITION, light); // default: from the viewer, directional
    EXPECT_FLOAT_EQ(light[2], 1.0f);
    EXPECT_FLOAT_EQ(light[3], 0.0f);

    for (GLenum on : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_CULL_FACE})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    for (GLenum off : {GL_NORMALIZE, GL_BLEND, GL_COLOR_MATERIAL, GL_TEXTURE_2D})
        EXPECT_FALSE(glIsEnabled(off)) << off;

    GLint value[2];
    glGetIntegerv(GL_CULL_FACE_MODE, value);
    EXPECT_EQ(value[0], GL_BACK);
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, value);
    EXPECT_EQ(value[0], GL_TRUE);
    glGetIntegerv(GL_POLYGON_MODE, value);
    EXPECT_EQ(value[0], GL_FILL);
    EXPECT_EQ(value[1], GL_FILL);
    glGetIntegerv(GL_SHADE_MODEL, value);
    EXPECT_EQ(value[0], GL_SMOOTH);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
}

TEST_F(GlStateTest, EveryMaterialAppliesToFrontAndBack) {
    for (int index = 0; index < MaterialCount; ++index) {
        SCOPED_TRACE(index);
        SetMaterial(index);
        ExpectCurrentMaterial(index);
    }
    // The plain skin's ambient blue is its own value, not the diffuse one.
    EXPECT_FLOAT_EQ(materials[5].ambient[2], 0.117647f);
    EXPECT_FLOAT_EQ(materials[5].diffuse[2], 0.752941f);
}

TEST_F(GlStateTest, IndexOutsideTheTableKeepsTheCurrentMaterial) {
    SetMaterial(2);
    SetMaterial(MaterialCount);
    SetMaterial(-1);
    ExpectCurrentMaterial(2);
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
