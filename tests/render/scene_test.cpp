#include "tests/render/scene_test.h"

#include <GL/gl.h>

#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/renderer.h"
#include "tests/support/offscreen_gl.h"

void SceneTest::SetUp() {
    ASSERT_TRUE(UseOffscreenGl());
    InitGlState();
    ResetScene();
    ASSERT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
}

void SceneTest::TearDown() {
    for (unsigned int name : textures)
        glDeleteTextures(1, &name);
    textures.clear();
    ResetScene();
}

Frame SceneTest::DrawFrame(double viewAngle) {
    RenderScene(KeepInBackBuffer, viewAngle);
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR) << "GL error in the frame";
    return ReadFrame();
}

unsigned int SceneTest::SolidTexture(unsigned char r, unsigned char g, unsigned char b) {
    unsigned int name = MakeSolidTexture(r, g, b);
    textures.push_back(name);
    return name;
}

unsigned int SceneTest::RampTexture(int size) {
    unsigned int name = MakeRampTexture(size);
    textures.push_back(name);
    return name;
}
