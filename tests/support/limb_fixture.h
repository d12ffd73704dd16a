#pragma once

#include "demo/demo_state.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"

#include <gtest/gtest.h>

// The scene as the program has it right after its set-up.
class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDemoGlobals();
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

// Ring 6 carries no bones: it keeps its rest data exactly in every pose and under every method.
inline void ExpectBottomRingAtRest() {
    for (int i = SkinBottomRingStart; i < SkinVertexCount; ++i) {
        EXPECT_VEC_NEAR(skinVertices[i].position, restPositions[i].x, restPositions[i].y,
                        restPositions[i].z, 0);
        EXPECT_VEC_NEAR(skinVertices[i].normal, restNormals[i].x, restNormals[i].y,
                        restNormals[i].z, 0);
    }
}
