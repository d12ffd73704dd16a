#pragma once

// The fixture of the tests that draw: the headless context with the fixed GL state, the demo
// at its start (skeleton set up, 800 x 600, no textures), and every frame checked for GL
// errors.

#include <gtest/gtest.h>

#include <vector>

#include "tests/render/scene_support.h"

class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Renders one frame through RenderScene, leaves it in the back buffer and reads it back.
    Frame DrawFrame(double viewAngle = 0.0);

    // Textures deleted again when the test ends: one colour, or MakeRampTexture's.
    unsigned int SolidTexture(unsigned char r, unsigned char g, unsigned char b);
    unsigned int RampTexture(int size);

  private:
    std::vector<unsigned int> textures;
};
