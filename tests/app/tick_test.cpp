#include "app/tick.h"

#include "app/keyboard.h"
#include "demo/demo_state.h"
#include "platform/key_codes.h"
#include "rig/bones.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

class Tick : public ::testing::Test {
  protected:
    void SetUp() override { ResetDemoGlobals(); }

    static void Run(int ticks) {
        for (int i = 0; i < ticks; ++i)
            AnimationTick();
    }
};

TEST_F(Tick, FirstTickTurnsCameraAndAllThreeJointsByOneDegree) {
    AnimationTick();
    EXPECT_EQ(demoState.viewAngle, 1);
    EXPECT_EQ(bones[0].rotX, 1);
    EXPECT_EQ(bones[1].rotX, 1);
    EXPECT_EQ(bones[1].rotZ, 1);
    EXPECT_EQ(bones[0].rotZ, 0); // not driven
    EXPECT_EQ(bones[1].rotY, 0);
}

TEST_F(Tick, LowerJointReversesAtSeventeenDegrees) {
    Run(17);
    EXPECT_EQ(bones[0].rotX, 17);
    EXPECT_EQ(demoState.jointVelocity[0], 1);
    AnimationTick();
    EXPECT_EQ(demoState.jointVelocity[0], -1);
    EXPECT_EQ(bones[0].rotX, 16);
}

TEST_F(Tick, StartSwingStaysBetweenTheLimitsOfEachJoint) {
    double low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    for (int i = 0; i < 2000; ++i) {
        AnimationTick();
        double angles[3] = {bones[0].rotX, bones[1].rotX, bones[1].rotZ};
        for (int j = 0; j < 3; ++j) {
            low[j] = std::min(low[j], angles[j]);
            high[j] = std::max(high[j], angles[j]);
        }
    }
    EXPECT_EQ(low[0], -17);
    EXPECT_EQ(high[0], 17);
    EXPECT_EQ(low[1], -35);
    EXPECT_EQ(high[1], 95);
    EXPECT_EQ(low[2], -15);
    EXPECT_EQ(high[2], 10);
}

TEST_F(Tick, ReversalStepIsSpeedPlusHalfTruncated) {
    const double speeds[] = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0};
    const int steps[] = {1, 1, 2, 2, 3, 3, 4, 4};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ReversalStep(speeds[i]), steps[i]) << speeds[i];
}

TEST_F(Tick, FastSwingOvershootsALimitByLessThanItsVelocityThenTurns) {
    demoState.speed = 4.0;
    demoState.jointVelocity[0] = 4;
    bones[0].rotX = 16;
    AnimationTick();
    EXPECT_EQ(bones[0].rotX, 20);
    AnimationTick();
    EXPECT_EQ(demoState.jointVelocity[0], -4);
    EXPECT_EQ(bones[0].rotX, 16);
    bones[1].rotZ = -15; // exactly at a limit counts as reached
    demoState.jointVelocity[2] = -4;
    AnimationTick();
    EXPECT_EQ(demoState.jointVelocity[2], 4);
    EXPECT_EQ(bones[1].rotZ, -11);
}

TEST_F(Tick, ZeroVelocityHoldsAJointUnlessItSitsAtALimit) {
    HandleKeyUp(KeyLeft);
    bones[0].rotX = 5;
    Run(50);
    EXPECT_EQ(bones[0].rotX, 5);
    HandleKeyUp(KeyUp);
    bones[1].rotX = 95;
    demoState.speed = 0.5; // the reversal step is still 1
    AnimationTick();
    EXPECT_EQ(demoState.jointVelocity[1], -1);
    EXPECT_EQ(bones[1].rotX, 94);
}

TEST_F(Tick, ViewAngleWrapsBelowThreeHundredSixtyWhateverTheFlag) {
    demoState.viewAngle = 359.5;
    AnimationTick();
    EXPECT_DOUBLE_EQ(demoState.viewAngle, 0.5);
    demoState.rotateView = 0;
    demoState.viewAngle = 360;
    AnimationTick();
    EXPECT_EQ(demoState.viewAngle, 0);
    demoState.speed = 4.0;
    demoState.rotateView = 1;
    demoState.viewAngle = 356;
    AnimationTick();
    EXPECT_EQ(demoState.viewAngle, 0);
}

TEST_F(Tick, SideCameraStaysAtNinetyInTheManualModes) {
    for (int mode : {'F', 'I'}) {
        ResetDemoGlobals();
        HandleKeyDown(mode);
        Run(25);
        EXPECT_EQ(demoState.viewAngle, 90);
    }
}

TEST_F(Tick, HeldForwardKeyTurnsItsJointWithoutBoundUntilReleased) {
    HandleKeyDown('F');
    HandleKeyDown(KeyPadPlus); // speed 1.5, velocity 1
    HandleKeyDown(KeyUp);
    Run(150);
    EXPECT_EQ(bones[1].rotX, 150); // far past the play limit of 95
    HandleKeyUp(KeyUp);
    Run(10);
    EXPECT_EQ(bones[1].rotX, 150);
    HandleKeyDown(KeyPageUp);
    HandleKeyDown(KeyPageUp); // auto-repeat sets the same velocity again
    Run(20);
    EXPECT_EQ(bones[1].rotZ, -20);
    EXPECT_EQ(bones[0].rotX, 0);
}

// Q and E twist only in the forward mode, and only bone 1 about Y; the animation never twists.
TEST_F(Tick, HeldTwistKeyTurnsBoneOneAboutYInTheForwardModeOnly) {
    HandleKeyDown('E');
    Run(20);
    HandleKeyUp('E');
    EXPECT_EQ(bones[1].rotY, 0);
    HandleKeyDown('F');
    double bend = bones[1].rotX; // where the animation left it
    HandleKeyDown('E');
    Run(30);
    HandleKeyUp('E');
    Run(5);
    HandleKeyDown('Q');
    Run(10);
    EXPECT_EQ(bones[1].rotY, 20);
    EXPECT_EQ(bones[0].rotY, 0);
    EXPECT_EQ(bones[1].rotX, bend);
    HandleKeyDown('I'); // straightens the limb, Q still held
    Run(10);
    EXPECT_EQ(bones[1].rotY, 0);
}

TEST_F(Tick, InverseModeLeavesJointsToTheSolver) {
    HandleKeyDown('I');
    Run(30);
    EXPECT_EQ(bones[0].rotX, 0);
    EXPECT_EQ(bones[1].rotX, 0);
    EXPECT_EQ(bones[1].rotZ, 0);
}

TEST_F(Tick, PlayResumedAtHalfSpeedLeavesJointsBetweenLimitsStill) {
    HandleKeyDown('P');
    HandleKeyDown(KeyPadMinus);
    bones[0].rotX = 3;
    bones[1].rotX = 95;
    HandleKeyDown('P');
    Run(5);
    EXPECT_EQ(bones[0].rotX, 3);
    EXPECT_EQ(bones[1].rotX, 90); // started at a limit, so it got the reversal step
}

} // namespace
