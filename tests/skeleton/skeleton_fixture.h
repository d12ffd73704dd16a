#pragma once

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/skin_mesh.h"

#include <cstring>
#include <gtest/gtest.h>

// Puts the skeleton's globals back to how the program starts: everything zero, demo state at
// its start values. Tests that need the scene call InitSkinAndBones themselves.
inline void ResetSkeletonGlobals() {
    std::memset(bones, 0, sizeof bones);
    std::memset(skinTriangles, 0, sizeof skinTriangles);
    std::memset(restNormals, 0, sizeof restNormals);
    std::memset(skinVertices, 0, sizeof skinVertices);
    demoState = DemoState();
}

class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetSkeletonGlobals();
        InitSkinAndBones();
    }
};

#define EXPECT_VEC_NEAR(actual, ex, ey, ez, tolerance)                                             \
    do {                                                                                           \
        const Vector3 actualValue = (actual);                                                      \
        EXPECT_NEAR(actualValue.x, (ex), (tolerance));                                             \
        EXPECT_NEAR(actualValue.y, (ey), (tolerance));                                             \
        EXPECT_NEAR(actualValue.z, (ez), (tolerance));                                             \
    } while (0)
