#include "skeleton/skinning.h"
#include "tests/skeleton/skeleton_fixture.h"

#include <cmath>

namespace {

using Skinning = SceneTest;

// Rotation about the X axis through (0, pivotY, 0), as a bone turned by +degrees does it.
Vector3 TurnedAboutX(const Vector3 &p, double degrees, float pivotY) {
    double a = degrees * DegreesToRadians;
    double y = p.y - pivotY, z = p.z;
    return Vector3{p.x, (float)(pivotY + y * std::cos(a) - z * std::sin(a)),
                   (float)(y * std::sin(a) + z * std::cos(a))};
}

void ExpectBottomRingAtRest() {
    for (int i = 41; i < SkinVertexCount; ++i) {
        EXPECT_VEC_NEAR(skinVertices[i].position, restPositions[i].x, restPositions[i].y,
                        restPositions[i].z, 0);
        EXPECT_VEC_NEAR(skinVertices[i].normal, restNormals[i].x, restNormals[i].y,
                        restNormals[i].z, 0);
    }
}

TEST_F(Skinning, RestPoseReproducesTheRestMesh) {
    UpdateSkeletonAndSkin();
    for (int i = 0; i < SkinVertexCount; ++i) {
        EXPECT_VEC_NEAR(skinVertices[i].position, restPositions[i].x, restPositions[i].y,
                        restPositions[i].z, 1e-6);
        EXPECT_VEC_NEAR(skinVertices[i].normal, restNormals[i].x, restNormals[i].y,
                        restNormals[i].z, 1e-6);
    }
}

TEST_F(Skinning, LowerBoneCarriesTheWholeLimb) {
    bones[0].rotX = 90.0;
    UpdateSkeletonAndSkin();
    EXPECT_VEC_NEAR(skinVertices[0].position, 0, 0, 3, 1e-5);
    // Ring 5 follows bone 0 alone.
    Vector3 expected = TurnedAboutX(restPositions[33], 90.0, 0.0f);
    EXPECT_VEC_NEAR(skinVertices[33].position, expected.x, expected.y, expected.z, 1e-5);
    ExpectBottomRingAtRest();
}

TEST_F(Skinning, UpperBoneBendsTheTopAndBlendsTheMiddle) {
    bones[1].rotX = 90.0;
    UpdateSkeletonAndSkin();
    EXPECT_VEC_NEAR(skinVertices[0].position, 0, 1.5, 1.5, 1e-5);
    for (int i = 33; i <= 40; ++i) // ring 5 belongs to bone 0, which did not move
        EXPECT_VEC_NEAR(skinVertices[i].position, restPositions[i].x, restPositions[i].y,
                        restPositions[i].z, 1e-6);
    // Ring 3 (weight 0.5) lands half-way between rest and fully turned.
    const int ring3 = 19; // (0, 1.5, 0.33)
    Vector3 turned = TurnedAboutX(restPositions[ring3], 90.0, 1.5f);
    EXPECT_VEC_NEAR(skinVertices[ring3].position, (restPositions[ring3].x + turned.x) / 2,
                    (restPositions[ring3].y + turned.y) / 2,
                    (restPositions[ring3].z + turned.z) / 2, 1e-5);
    ExpectBottomRingAtRest();
}

TEST_F(Skinning, NormalsGoThroughTheWholeBoneTransform) {
    bones[0].rotX = 90.0;
    UpdateSkeletonAndSkin();
    // The top point's normal (0, -1, 0) turned a quarter about X becomes (0, 0, -1).
    EXPECT_VEC_NEAR(skinVertices[0].normal, 0, 0, -1, 1e-5);
    // Normals are sent through as points (w = 1): a bone turning about a raised pivot also
    // shifts them by that turn's translation, (0, 1.5, 0) - R (0, 1.5, 0) = (0, 1.5, -1.5).
    bones[0].rotX = 0.0;
    bones[1].rotX = 90.0;
    UpdateSkeletonAndSkin();
    EXPECT_VEC_NEAR(skinVertices[0].normal, 0, 1.5, -2.5, 1e-5);
}

TEST_F(Skinning, EachFrameStartsFromRest) {
    bones[1].rotX = 40.0;
    for (int frame = 0; frame < 100; ++frame)
        UpdateSkeletonAndSkin();
    Vector3 after100 = skinVertices[0].position;
    UpdateSkeletonAndSkin();
    EXPECT_VEC_NEAR(skinVertices[0].position, after100.x, after100.y, after100.z, 0);
}

TEST(SkinningBeforeSetUp, ZeroStateYieldsRestPositionsAndZeroNormals) {
    ResetSkeletonGlobals();
    UpdateSkeletonAndSkin();
    for (int i = 0; i < SkinVertexCount; ++i) {
        EXPECT_VEC_NEAR(skinVertices[i].position, restPositions[i].x, restPositions[i].y,
                        restPositions[i].z, 0);
        EXPECT_VEC_NEAR(skinVertices[i].normal, 0, 0, 0, 0);
    }
}

} // namespace
