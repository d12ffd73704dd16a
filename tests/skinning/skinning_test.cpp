#include "demo/frame_record.h"
#include "skinning/skinning.h"
#include "tests/support/limb_fixture.h"

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

// A bone's turn worked out here in double precision, independently of the bone matrices:
// Y outermost, then X, then Z, as the markers turn.
struct Turn {
    double y, x, z; // degrees
};

Vector3 Rotated(const Turn &turn, const Vector3 &v) {
    double cz = std::cos(turn.z * DegreesToRadians), sz = std::sin(turn.z * DegreesToRadians);
    double cx = std::cos(turn.x * DegreesToRadians), sx = std::sin(turn.x * DegreesToRadians);
    double cy = std::cos(turn.y * DegreesToRadians), sy = std::sin(turn.y * DegreesToRadians);
    double x1 = cz * v.x - sz * v.y, y1 = sz * v.x + cz * v.y, z1 = v.z;
    double y2 = cx * y1 - sx * z1, z2 = sx * y1 + cx * z1;
    return Vector3{(float)(cy * x1 + sy * z2), (float)y2, (float)(-sy * x1 + cy * z2)};
}

// A point turned about a pivot.
Vector3 Moved(const Turn &turn, const Vector3 &pivot, const Vector3 &p) {
    return Add(pivot, Rotated(turn, Subtract(p, pivot)));
}

Vector3 Mix(float w, const Vector3 &a, const Vector3 &b) {
    return Vector3{w * a.x + (1 - w) * b.x, w * a.y + (1 - w) * b.y, w * a.z + (1 - w) * b.z};
}

float Dot(const Vector3 &a, const Vector3 &b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

TEST_F(Skinning, NormalsTurnWithTheirBonesAndStandOutOfTheSurface) {
    const Turn poses[][2] = {
        {{0, 0, 0}, {0, 0, 0}},    {{0, 90, 0}, {0, 0, 0}},      {{0, 0, 0}, {0, 90, 0}},
        {{0, 17, 0}, {0, 95, 10}}, {{0, -17, 0}, {0, -35, -15}}, {{30, 12, -8}, {-20, 60, 25}},
    };
    const Vector3 lowerPivot = {0, 0, 0}, upperPivot = {0, 1.5f, 0};
    for (const auto &pose : poses) {
        bones[0].rotY = pose[0].y, bones[0].rotX = pose[0].x, bones[0].rotZ = pose[0].z;
        bones[1].rotY = pose[1].y, bones[1].rotX = pose[1].x, bones[1].rotZ = pose[1].z;
        UpdateSkeletonAndSkin();
        for (int i = 0; i < SkinVertexCount; ++i) {
            SCOPED_TRACE(::testing::Message() << "vertex " << i << ", lower bone X " << pose[0].x
                                              << ", upper bone X " << pose[1].x);
            const SkinVertex &vertex = skinVertices[i];
            // Blend of the bones' rotations only: no translation reaches a normal.
            Vector3 expected = restNormals[i];
            if (vertex.boneIndex[0] >= 0) {
                Vector3 byLower = Rotated(pose[0], restNormals[i]);
                Vector3 byChain = Rotated(pose[0], Rotated(pose[1], restNormals[i]));
                expected = Mix(vertex.weight, byLower, byChain);
            }
            EXPECT_VEC_NEAR(vertex.normal, expected.x, expected.y, expected.z, 1e-5);

            // Away from the tube's axis: from the skinned centre of the vertex's ring (for the
            // top point, of the ring below it) out to the vertex.
            int ringStart = i == 0 ? 1 : 1 + (i - 1) / 8 * 8;
            Vector3 centre = {0, restPositions[ringStart].y, 0};
            if (vertex.boneIndex[0] >= 0)
                centre = Mix(vertex.weight, Moved(pose[0], lowerPivot, centre),
                             Moved(pose[0], lowerPivot, Moved(pose[1], upperPivot, centre)));
            EXPECT_GT(Dot(vertex.normal, Subtract(vertex.position, centre)), 0.0f);
        }
    }
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
    ResetDemoGlobals();
    UpdateSkeletonAndSkin();
    for (int i = 0; i < SkinVertexCount; ++i) {
        EXPECT_VEC_NEAR(skinVertices[i].position, restPositions[i].x, restPositions[i].y,
                        restPositions[i].z, 0);
        EXPECT_VEC_NEAR(skinVertices[i].normal, 0, 0, 0, 0);
    }
}

} // namespace
