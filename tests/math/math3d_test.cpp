#include "math/math3d.h"
#include "math/vec3d.h"
#include "rig/bones.h"
#include "tests/support/limb_fixture.h"

#include <cmath>

namespace {

Vector3 Apply(const Matrix4 &m, const Vector3 &p) {
    Vector4 out;
    TransformPoint(out, m, AsPoint(p));
    return DropW(out);
}

TEST(Math3d, SignTreatsZeroAsPositive) {
    EXPECT_EQ(SignOf(0.0), 1);
    EXPECT_EQ(SignOf(-0.0001), -1);
    EXPECT_EQ(SignOf(2.5), 1);
}

TEST(Math3d, AnglesBetweenVectors) {
    const Vector3 x = {2, 0, 0}, y = {0, 3, 0}, diagonal = {1, 1, 0};
    EXPECT_NEAR(CosAngle(x, y), 0.0, 1e-7);
    EXPECT_NEAR(SinAngle(x, y), 1.0, 1e-7);
    EXPECT_NEAR(CosAngle(x, diagonal), std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(SinAngle(diagonal, x), std::sqrt(0.5), 1e-6);
    // The sine is of the unsigned angle: it does not change sign with the order.
    EXPECT_GT(SinAngle(y, x), 0.0);
    EXPECT_VEC_NEAR(CrossProduct(x, y), 0, 0, 6, 0);
    EXPECT_TRUE(std::isnan(SinAngle(Vector3{0, 0, 0}, x)));
}

TEST(Math3d, IdentityOnEitherSideLeavesTheOtherFactor) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = (float)(i * 3 - 7);
    Matrix4 left, right;
    MultMatrix(left, IdentityMatrix(), m);
    MultMatrix(right, m, IdentityMatrix());
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(left.m[i], m.m[i]);
        EXPECT_EQ(right.m[i], m.m[i]);
    }
}

TEST(Math3d, ProductAppliesRightFactorFirst) {
    Matrix4 translate = IdentityMatrix();
    translate.m[12] = 5.0f; // x += 5
    Matrix4 scale = IdentityMatrix();
    scale.m[0] = 2.0f; // x *= 2
    Matrix4 product;
    MultMatrix(product, translate, scale);
    EXPECT_VEC_NEAR(Apply(product, Vector3{1, 0, 0}), 7, 0, 0, 1e-6);
}

using BoneMatrices = SceneTest;

TEST_F(BoneMatrices, RestPoseIsIdentity) {
    BuildBoneMatrices();
    for (int b = 0; b < BoneCount; ++b)
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(bones[b].matrix.m[i], IdentityMatrix().m[i], 1e-7) << b << ":" << i;
}

TEST_F(BoneMatrices, ChildTurnsAboutItsPivot) {
    bones[1].rotX = 90.0;
    BuildBoneMatrices();
    EXPECT_VEC_NEAR(Apply(bones[1].matrix, Vector3{0, 1.5f, 0}), 0, 1.5, 0, 1e-6);
    EXPECT_VEC_NEAR(Apply(bones[1].matrix, Vector3{0, 3, 0}), 0, 1.5, 1.5, 1e-6);
}

TEST_F(BoneMatrices, RotationOrderIsYThenXThenZ) {
    // Z first: the tip swings toward -x; then X leaves it alone; then Y turns -x toward +z.
    bones[0].rotZ = 90.0;
    bones[0].rotY = 90.0;
    BuildBoneMatrices();
    EXPECT_VEC_NEAR(Apply(bones[0].matrix, Vector3{0, 1, 0}), 0, 0, 1, 1e-6);
}

// The solvers and the camera turn vectors with vec3d.h's turns, the skin with the bone
// matrices, the markers with glRotate: all three must turn the same way. Rx takes +Y toward +Z,
// Ry takes +Z toward +X, Rz takes +X toward +Y, as right-handed turns do.
TEST_F(BoneMatrices, DoubleTurnsAgreeWithTheBoneMatricesAboutEveryAxis) {
    const Vec3d p = {0.3, -0.7, 1.1};
    for (int axis = 0; axis < 3; ++axis) {
        bones[0].rotX = axis == 0 ? 30.0 : 0.0;
        bones[0].rotY = axis == 1 ? 30.0 : 0.0;
        bones[0].rotZ = axis == 2 ? 30.0 : 0.0;
        BuildBoneMatrices();
        Vector3 byMatrix = Apply(bones[0].matrix, ToVector3(p));
        Turn t = TurnOf(30.0);
        Vec3d byTurn = axis == 0 ? TurnX(p, t) : axis == 1 ? TurnY(p, t) : TurnZ(p, t);
        EXPECT_NEAR(byMatrix.x, byTurn.x, 1e-6);
        EXPECT_NEAR(byMatrix.y, byTurn.y, 1e-6);
        EXPECT_NEAR(byMatrix.z, byTurn.z, 1e-6);
    }
    Turn quarter = TurnOf(90.0);
    EXPECT_NEAR(TurnX(Vec3d{0, 1, 0}, quarter).z, 1.0, 1e-12);
    EXPECT_NEAR(TurnY(Vec3d{0, 0, 1}, quarter).x, 1.0, 1e-12);
    EXPECT_NEAR(TurnZ(Vec3d{1, 0, 0}, quarter).y, 1.0, 1e-12);
}

TEST_F(BoneMatrices, AnglesAreNotWrapped) {
    bones[1].rotX = 450.0;
    BuildBoneMatrices();
    EXPECT_VEC_NEAR(Apply(bones[1].matrix, Vector3{0, 3, 0}), 0, 1.5, 1.5, 1e-5);
}

TEST(BoneMatricesBeforeSetUp, ZeroBonesGiveIdentity) {
    ResetDemoGlobals();
    BuildBoneMatrices();
    EXPECT_VEC_NEAR(Apply(bones[0].matrix, Vector3{1, 2, 3}), 1, 2, 3, 0);
    EXPECT_VEC_NEAR(Apply(bones[1].matrix, Vector3{1, 2, 3}), 1, 2, 3, 0);
}

} // namespace
