#include "app/keyboard.h"

#include "app/commands.h"
#include "app/tick.h"

#include "demo/demo_state.h"
#include "lab/skin_poses.h"
#include "platform/key_codes.h"
#include "rig/bones.h"

#include <gtest/gtest.h>

namespace {

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override { ResetDemoGlobals(); }

    static void Press(int key, int times = 1) {
        for (int i = 0; i < times; ++i)
            EXPECT_EQ(HandleKeyDown(key), 0);
    }

    static void ExpectVelocities(int v0, int v1, int v2) {
        EXPECT_EQ(demoState.jointVelocity[0], v0);
        EXPECT_EQ(demoState.jointVelocity[1], v1);
        EXPECT_EQ(demoState.jointVelocity[2], v2);
    }

    static void ExpectTarget(float x, float y, float z) {
        EXPECT_FLOAT_EQ(demoState.target.x, x);
        EXPECT_FLOAT_EQ(demoState.target.y, y);
        EXPECT_FLOAT_EQ(demoState.target.z, z);
    }

    static void BendBones() {
        bones[0].rotX = 12;
        bones[1].rotX = -20;
        bones[1].rotY = 5;
        bones[1].rotZ = 7;
    }
};

TEST_F(Keyboard, SpeedStepsByHalfBetweenHalfAndFour) {
    const double up[] = {1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 4.0};
    for (double expected : up) {
        Press(KeyPadPlus);
        EXPECT_DOUBLE_EQ(demoState.speed, expected);
    }
    ResetDemoGlobals();
    Press(KeyPadMinus);
    EXPECT_DOUBLE_EQ(demoState.speed, 0.5);
    Press(KeyPadMinus);
    EXPECT_DOUBLE_EQ(demoState.speed, 0.5);
}

TEST_F(Keyboard, TargetStepRisesToQuarterAndFallsToSinglePrecisionHundredth) {
    const double up[] = {0.15, 0.2, 0.25, 0.25};
    for (double expected : up) {
        Press(KeyPadPlus);
        EXPECT_NEAR(demoState.targetStep, expected, 1e-6);
    }
    EXPECT_EQ(demoState.targetStep, 0.25);
    const double down[] = {0.2, 0.15, 0.1, 0.05};
    for (double expected : down) {
        Press(KeyPadMinus);
        EXPECT_NEAR(demoState.targetStep, expected, 1e-6);
    }
    Press(KeyPadMinus);
    EXPECT_EQ(demoState.targetStep, (double)0.01f);
    Press(KeyPadMinus);
    EXPECT_EQ(demoState.targetStep, (double)0.01f);
}

TEST_F(Keyboard, ForwardModeKeysSetTruncatedVelocitiesAndReleaseClearsThem) {
    Press('F');
    Press(KeyPadPlus, 3); // speed 2.5
    Press(KeyLeft);
    Press(KeyUp);
    Press(KeyPageDown);
    ExpectVelocities(-2, 2, 2);
    Press(KeyRight);
    Press(KeyDown);
    Press(KeyPageUp);
    ExpectVelocities(2, -2, -2);
    HandleKeyUp(KeyRight);
    ExpectVelocities(0, -2, -2);
    HandleKeyUp(KeyUp); // either key of a pair stops its joint
    ExpectVelocities(0, 0, -2);
    HandleKeyUp(KeyPageDown);
    ExpectVelocities(0, 0, 0);
    ExpectTarget(0, 1, 0); // Down clamps y up to 1 even outside the IK mode
}

TEST_F(Keyboard, HalfSpeedTruncatesToZeroSoForwardKeysDoNotTurn) {
    Press(KeyPadMinus);
    Press('F');
    Press(KeyLeft);
    Press(KeyUp);
    Press(KeyPageUp);
    ExpectVelocities(0, 0, 0);
    Press('P'); // resuming play also gives trunc(0.5) = 0
    ExpectVelocities(0, 0, 0);
}

TEST_F(Keyboard, InverseModeKeysMoveTargetByStepWithinBounds) {
    Press('I');
    ExpectTarget(0, 3, 0);
    Press(KeyUp);
    Press(KeyRight);
    Press(KeyPageDown);
    float step = (float)demoState.targetStep;
    ExpectTarget(step, 3 + step, step);
    ExpectVelocities(0, 0, 0); // steering keys leave the joints alone here
    Press(KeyUp, 10);
    Press(KeyPageDown, 40);
    Press(KeyRight, 40);
    ExpectTarget(2.5f, 3.5f, 2.5f);
    Press(KeyDown, 40);
    Press(KeyPageUp, 60);
    Press(KeyLeft, 60);
    ExpectTarget(-2.5f, 1.0f, -2.5f);
}

TEST_F(Keyboard, TargetClampsApplyInEveryModeButOnlyOnTheKeysSide) {
    demoState.target = Vector3{9, 9, 9};
    Press(KeyPageDown);
    Press(KeyUp);
    Press(KeyRight);
    ExpectTarget(2.5f, 3.5f, 2.5f);
    demoState.target = Vector3{-9, -9, -9};
    Press(KeyPageUp);
    Press(KeyDown);
    Press(KeyLeft);
    ExpectTarget(-2.5f, 1.0f, -2.5f);
    demoState.target = Vector3{-9, -9, -9};
    Press(KeyPageDown); // only the upper bound belongs to these keys
    Press(KeyUp);
    Press(KeyRight);
    ExpectTarget(-9, -9, -9);
    Press('F');
    demoState.target = Vector3{9, 9, 9};
    Press(KeyPageDown);
    ExpectTarget(2.5f, 9, 9);
}

TEST_F(Keyboard, ForwardSwitchFromPlayFromInverseAndBack) {
    BendBones();
    Press('F');
    EXPECT_EQ(demoState.fkMode, 1);
    EXPECT_EQ(demoState.playAnimation, 0);
    EXPECT_EQ(demoState.rotateView, 0);
    EXPECT_EQ(demoState.viewAngle, 90);
    ExpectVelocities(0, 0, 0);
    EXPECT_EQ(bones[0].rotX, 12); // the pose is kept

    Press('I'); // straight to the inverse mode
    EXPECT_EQ(demoState.fkMode, 0);
    EXPECT_EQ(demoState.ikMode, 1);
    Press('F'); // and straight back
    EXPECT_EQ(demoState.fkMode, 1);
    EXPECT_EQ(demoState.ikMode, 0);

    Press(KeyPadPlus, 2); // speed 2.0
    demoState.viewAngle = 33;
    Press('F'); // leaving returns to play with the camera turning from 0
    EXPECT_EQ(demoState.fkMode, 0);
    EXPECT_EQ(demoState.playAnimation, 1);
    EXPECT_EQ(demoState.rotateView, 1);
    EXPECT_EQ(demoState.viewAngle, 0);
    ExpectVelocities(2, 2, 2);
}

TEST_F(Keyboard, InverseSwitchResetsTargetAndStraightensBothBones) {
    BendBones();
    demoState.target = Vector3{1, 2, 1};
    Press('I');
    EXPECT_EQ(demoState.ikMode, 1);
    EXPECT_EQ(demoState.fkMode, 0);
    EXPECT_EQ(demoState.playAnimation, 0);
    EXPECT_EQ(demoState.rotateView, 0);
    EXPECT_EQ(demoState.viewAngle, 90);
    ExpectVelocities(0, 0, 0);
    ExpectTarget(0, 3, 0);
    for (const Bone &bone : bones) {
        EXPECT_EQ(bone.rotX, 0);
        EXPECT_EQ(bone.rotY, 0);
        EXPECT_EQ(bone.rotZ, 0);
    }
    Press(KeyPadPlus); // speed 1.5
    Press('I');
    EXPECT_EQ(demoState.ikMode, 0);
    EXPECT_EQ(demoState.playAnimation, 1);
    EXPECT_EQ(demoState.rotateView, 1);
    EXPECT_EQ(demoState.viewAngle, 0);
    ExpectVelocities(1, 1, 1);
}

TEST_F(Keyboard, PlayFreezesAndResumesWithoutTouchingTheCamera) {
    Press('P');
    EXPECT_EQ(demoState.playAnimation, 0);
    EXPECT_EQ(demoState.rotateView, 1); // the camera keeps turning
    ExpectVelocities(1, 1, 1);

    for (int mode : {'F', 'I'}) {
        ResetDemoGlobals();
        Press(mode);
        Press(KeyPadPlus, 4); // speed 3.0
        Press('P');
        EXPECT_EQ(demoState.playAnimation, 1);
        EXPECT_EQ(demoState.fkMode, 0);
        EXPECT_EQ(demoState.ikMode, 0);
        EXPECT_EQ(demoState.rotateView, 0); // stays put until R
        EXPECT_EQ(demoState.viewAngle, 90);
        ExpectVelocities(3, 3, 3);
    }
}

// A preset pose lands on its angles exactly, whatever the chain was doing: playing half way
// through a swing, solving toward a target, or turning under a held key. It then holds, the
// forward mode its only mode, and the camera, the method and the target stay as they were.
TEST_F(Keyboard, PresetPosesSetTheirAnglesExactlyFromAnyModeAndHold) {
    const double expected[SkinPoseCount][2][3] = {{{0, 0, 0}, {0, 0, 0}},
                                                  {{0, 0, 0}, {90, 0, 0}},
                                                  {{0, 0, 0}, {0, 180, 0}},
                                                  {{0, 0, 0}, {90, 90, 0}}};
    const char *names[SkinPoseCount] = {"straight", "bend-90", "twist-180", "bend-twist"};
    for (int pose = 0; pose < SkinPoseCount; ++pose) {
        int found = -1;
        EXPECT_TRUE(FindSkinPose(names[pose], found));
        EXPECT_EQ(found, pose);
        for (int before = 0; before < 3; ++before) {
            SCOPED_TRACE(::testing::Message() << names[pose] << " from state " << before);
            ResetDemoGlobals();
            BendBones();
            if (before == 0) { // playing, mid-swing, the camera turning
                for (int tick = 0; tick < 23; ++tick)
                    AnimationTick();
            } else if (before == 1) {
                Press('I');
                Press(KeyUp);
                BendBones();
            } else {
                Press('F');
                HandleKeyDown(KeyUp); // held
                HandleKeyDown('E');
                AnimationTick();
            }
            demoState.skinningMethod = SkinningRigid;
            double viewAngle = demoState.viewAngle;
            int rotating = demoState.rotateView;
            Vector3 target = demoState.target;
            EXPECT_EQ(RunCommand(DemoCommand{CommandSetPose, pose, 0.0, Vector3{}}), 0);
            for (int tick = 0; tick < 3; ++tick)
                AnimationTick();
            for (int b = 0; b < BoneCount; ++b) {
                EXPECT_EQ(bones[b].rotX, expected[pose][b][0]);
                EXPECT_EQ(bones[b].rotY, expected[pose][b][1]);
                EXPECT_EQ(bones[b].rotZ, expected[pose][b][2]);
            }
            EXPECT_EQ(demoState.fkMode, 1);
            EXPECT_EQ(demoState.ikMode + demoState.playAnimation, 0);
            EXPECT_EQ(demoState.rotateView, rotating);
            EXPECT_EQ(demoState.viewAngle, viewAngle + (rotating ? 3 * demoState.speed : 0));
            EXPECT_EQ(demoState.skinningMethod, SkinningRigid);
            EXPECT_EQ(demoState.target.y, target.y);
        }
    }
    double rotX = bones[1].rotX;
    RunCommand(DemoCommand{CommandSetPose, SkinPoseCount, 0.0, Vector3{}}); // no pose: no change
    EXPECT_EQ(bones[1].rotX, rotX);
}

// S shows every method side by side and stands the camera back far enough to fit the row, and
// S off puts it back where S found it; a camera further back stays where it is, and so does one
// moved while the row showed.
TEST_F(Keyboard, SideBySideStandsTheCameraBackToFitTheRow) {
    const double start = demoState.viewDistance;
    Press('S');
    EXPECT_EQ(demoState.sideBySide, 1);
    EXPECT_EQ(demoState.viewDistance, 20.0);
    Press('S');
    EXPECT_EQ(demoState.sideBySide, 0);
    EXPECT_EQ(demoState.viewDistance, start);
    Press('S');
    demoState.viewDistance = 18.0; // the wheel, while the row shows
    Press('S');
    EXPECT_EQ(demoState.viewDistance, 18.0);
    demoState.viewDistance = 21.5;
    Press('S');
    EXPECT_EQ(demoState.viewDistance, 21.5);
    Press('S');
    EXPECT_EQ(demoState.viewDistance, 21.5);
}

TEST_F(Keyboard, AtMostOneModeIsOnAfterAnyModeKey) {
    const int keys[] = {'F', 'I', 'P', 'I', 'I', 'F', 'F', 'P', 'P', 'F', 'P', 'I', 'P'};
    for (int key : keys) {
        Press(key);
        EXPECT_LE(demoState.fkMode + demoState.ikMode + demoState.playAnimation, 1) << (char)key;
    }
}

TEST_F(Keyboard, WireframeTogglesMarkersWithItAndTogglesComeBack) {
    Press('T');
    EXPECT_EQ(demoState.wireframe, 0);
    EXPECT_EQ(demoState.hideBones, 1);
    Press('T');
    EXPECT_EQ(demoState.wireframe, 1);
    EXPECT_EQ(demoState.hideBones, 0);
    Press('B');
    EXPECT_EQ(demoState.hideBones, 1);
    Press('T');
    Press('T'); // wireframe back on shows the markers again
    EXPECT_EQ(demoState.hideBones, 0);

    ResetDemoGlobals();
    Press('N');
    Press('O');
    Press('R');
    EXPECT_EQ(demoState.showNormals, 1);
    EXPECT_EQ(demoState.texturesOff, 1);
    EXPECT_EQ(demoState.rotateView, 0);
    Press('N');
    Press('O');
    Press('R');
    EXPECT_EQ(demoState.showNormals, 0);
    EXPECT_EQ(demoState.texturesOff, 0);
    EXPECT_EQ(demoState.rotateView, 1);
}

TEST_F(Keyboard, EscapeAsksToQuitFromEveryModeAndOtherKeysAreIgnored) {
    EXPECT_EQ(HandleKeyDown(KeyEscape), 1);
    Press('F');
    EXPECT_EQ(HandleKeyDown(KeyEscape), 1);
    Press('I');
    EXPECT_EQ(HandleKeyDown(KeyEscape), 1);

    ResetDemoGlobals();
    const int ignored[] = {0, 1, KeyEnd, KeyHome, 'A', 'Z', '1', KeyPadDecimal, 108, 110, 200, -5};
    for (int key : ignored) {
        Press(key);
        HandleKeyUp(key);
    }
    DemoState start;
    EXPECT_EQ(demoState.speed, start.speed);
    EXPECT_EQ(demoState.playAnimation, 1);
    EXPECT_EQ(demoState.wireframe, 1);
    ExpectVelocities(1, 1, 1);
    ExpectTarget(0, 0, 0);
}

TEST_F(Keyboard, ReleasingLeftInPlayStopsThatJointsVelocity) {
    HandleKeyUp(KeyLeft);
    ExpectVelocities(0, 1, 1);
    HandleKeyUp(KeyHome);
    HandleKeyUp(KeyEnd);
    ExpectVelocities(0, 1, 1);
}

} // namespace

namespace {

// Keys added for keyboards without a numeric pad, and for the camera, panel and screenshots.
TEST_F(Keyboard, MainRowPlusAndMinusMatchTheNumericPad) {
    const int sequence[][2] = {{KeyPadPlus, KeyMainPlus}, {KeyPadMinus, KeyMainMinus}};
    for (const auto &pair : sequence) {
        for (int times : {1, 3, 9}) {
            ResetDemoGlobals();
            Press(pair[0], times);
            DemoState byPad = demoState;
            ResetDemoGlobals();
            Press(pair[1], times);
            EXPECT_EQ(demoState.speed, byPad.speed) << pair[1] << " x " << times;
            EXPECT_EQ(demoState.targetStep, byPad.targetStep) << pair[1] << " x " << times;
        }
    }
}

TEST_F(Keyboard, HomeResetsTheCameraF1TogglesThePanelF12AsksForAScreenshot) {
    OrbitCamera(30.0, 40.0);
    ZoomCamera(3.0);
    Press(KeyHome);
    EXPECT_EQ(demoState.viewTilt, 15.0);
    EXPECT_EQ(demoState.viewDistance, 12.0);
    EXPECT_EQ(demoState.viewAngle, 30.0); // the yaw is the rotation's, and stays

    EXPECT_EQ(demoState.panelOpen, 0);
    Press(KeyF1);
    EXPECT_EQ(demoState.panelOpen, 1);
    Press(KeyF1);
    EXPECT_EQ(demoState.panelOpen, 0);

    // The frame the program draws next takes the screenshot.
    EXPECT_EQ(HandleKeyDown(KeyF12), CommandWantsScreenshot);
}

} // namespace
