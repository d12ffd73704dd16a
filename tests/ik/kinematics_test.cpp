#include "demo/frame_record.h"
#include "ik/kinematics.h"
#include "skinning/skinning.h"
#include "tests/support/limb_fixture.h"

namespace {

double DistanceToTarget() {
    return VectorLength(Subtract(demoState.target, EndEffectorPosition()));
}

struct Angles {
    double rotX0, rotZ0, rotX1, rotZ1;
};

Angles CurrentAngles() {
    return Angles{bones[0].rotX, bones[0].rotZ, bones[1].rotX, bones[1].rotZ};
}

void ExpectAnglesUnchanged(const Angles &before) {
    EXPECT_EQ(bones[0].rotX, before.rotX0);
    EXPECT_EQ(bones[0].rotZ, before.rotZ0);
    EXPECT_EQ(bones[1].rotX, before.rotX1);
    EXPECT_EQ(bones[1].rotZ, before.rotZ1);
}

class Kinematics : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        BuildBoneMatrices();
    }

    // Runs the per-frame update in the IK mode and returns the pose afterwards.
    void RunIkFrames(int frames) {
        demoState.ikMode = 1;
        for (int i = 0; i < frames; ++i)
            UpdateSkeletonAndSkin();
    }
};

TEST_F(Kinematics, EndOfStraightChainIsTheTopOfTheLimb) {
    EXPECT_VEC_NEAR(EndEffectorPosition(), 0, 3, 0, 1e-6);
}

TEST_F(Kinematics, EndFollowsBothBones) {
    bones[0].rotX = 90.0;
    BuildBoneMatrices();
    EXPECT_VEC_NEAR(EndEffectorPosition(), 0, 0, 3, 1e-5);

    bones[0].rotX = 0.0;
    bones[1].rotZ = 90.0; // upper half swings toward -x about (0, 1.5, 0)
    BuildBoneMatrices();
    EXPECT_VEC_NEAR(EndEffectorPosition(), -1.5, 1.5, 0, 1e-5);

    bones[0].rotZ = -90.0; // and the lower half lays the whole chain toward +x
    BuildBoneMatrices();
    EXPECT_VEC_NEAR(EndEffectorPosition(), 1.5, 1.5, 0, 1e-5);
}

TEST_F(Kinematics, EndMatchesTheSkinnedTopPoint) {
    bones[0].rotX = 20.0;
    bones[1].rotX = -35.0;
    bones[1].rotZ = 8.0;
    UpdateSkeletonAndSkin();
    Vector3 top = skinVertices[0].position;
    EXPECT_VEC_NEAR(EndEffectorPosition(), top.x, top.y, top.z, 1e-5);
}

TEST_F(Kinematics, ChainStaysStillForTargetsItMustIgnore) {
    const Vector3 ignored[] = {
        {0.0f, 3.0f, 0.0f}, // on the end already
        {0.0f, 3.5f, 0.0f}, // straight above: on the line from the origin through the end
        {2.5f, 1.0f, 2.5f}, // 3 units or more away
    };
    for (const Vector3 &target : ignored) {
        SetUp();
        demoState.target = target;
        Angles before = CurrentAngles();
        RunIkFrames(500);
        ExpectAnglesUnchanged(before);
    }
}

TEST_F(Kinematics, EndConvergesOnAReachableTarget) {
    demoState.target = Vector3{1.0f, 2.5f, 0.0f};
    double start = DistanceToTarget();
    EXPECT_NEAR(start, 1.118, 0.01);

    RunIkFrames(1);
    EXPECT_NE(bones[1].rotZ, 0.0);
    EXPECT_NE(bones[0].rotZ, 0.0);
    EXPECT_LT(std::abs(bones[1].rotZ), 1.0); // fractions of a degree per pass

    // The distance shrinks overall: check it at coarse checkpoints, not frame by frame.
    double previous = DistanceToTarget();
    int frames = 1;
    while (frames < 5000 && DistanceToTarget() >= 0.1) {
        RunIkFrames(250);
        frames += 250;
        double now = DistanceToTarget();
        EXPECT_LT(now, previous) << "after " << frames << " frames";
        previous = now;
    }
    EXPECT_LT(DistanceToTarget(), 0.1) << "after " << frames << " frames";
}

TEST_F(Kinematics, SolverLeavesYAnglesAlone) {
    demoState.target = Vector3{-0.8f, 2.0f, 1.1f};
    RunIkFrames(300);
    EXPECT_EQ(bones[0].rotY, 0.0);
    EXPECT_EQ(bones[1].rotY, 0.0);
    EXPECT_LT(DistanceToTarget(), 1.0);
}

TEST(KinematicsBeforeSetUp, WalkEndsOnZeroBones) {
    // Both parents are 0 before set-up; the walk must still terminate and change nothing.
    ResetDemoGlobals();
    demoState.ikMode = 1;
    demoState.target = Vector3{1.0f, 1.0f, 0.0f};
    UpdateSkeletonAndSkin();
    EXPECT_VEC_NEAR(EndEffectorPosition(), 0, 0, 0, 0);
    EXPECT_EQ(bones[0].rotX, 0.0);
    EXPECT_EQ(bones[1].rotZ, 0.0);
}

} // namespace
