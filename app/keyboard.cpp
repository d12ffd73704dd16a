#include "app/keyboard.h"

#include "platform/key_codes.h"
#include "skeleton/bones.h"
#include "skeleton/demo_state.h"

namespace {

// Bounds of the IK target, model space: inside the floor's square, between the floor's
// neighbourhood and just above the limb's reach.
const float TargetMinXZ = -2.5f;
const float TargetMaxXZ = 2.5f;
const float TargetMinY = 1.0f;
const float TargetMaxY = 3.5f;

const double SpeedStep = 0.5;
const double MinSpeed = 0.5;
const double MaxSpeed = 4.0;
const double TargetStepStep = 0.05;
const double MinTargetStep = (double)0.01f;
const double MaxTargetStep = 0.25;

// Mode switches aim the camera from the side so manual poses are easy to read.
const double SideViewAngle = 90.0;

void SetAllJointVelocities(int velocity) {
    for (int &v : demoState.jointVelocity)
        v = velocity;
}

void ClampBelow(float &value, float low) {
    if (value < low)
        value = low;
}

void ClampAbove(float &value, float high) {
    if (value > high)
        value = high;
}

// One steering key: sets a joint velocity in the forward mode, moves one coordinate of the
// target in the IK mode. direction is +1 or -1.
void Steer(int joint, float &coordinate, int direction) {
    if (demoState.fkMode)
        demoState.jointVelocity[joint] = TruncToInt(direction * demoState.speed);
    if (demoState.ikMode)
        coordinate = (float)(coordinate + direction * demoState.targetStep);
}

void ReturnToPlay() {
    demoState.playAnimation = 1;
    demoState.rotateView = 1;
    demoState.viewAngle = 0.0;
    SetAllJointVelocities(TruncToInt(demoState.speed));
}

// Either manual mode (forward when forward is 1, inverse otherwise) stops the animation, holds
// the joints and aims the camera from the side.
void EnterManualMode(int forward) {
    demoState.fkMode = forward;
    demoState.ikMode = !forward;
    demoState.playAnimation = 0;
    demoState.rotateView = 0;
    demoState.viewAngle = SideViewAngle;
    SetAllJointVelocities(0);
}

void ToggleForwardMode() {
    if (demoState.fkMode) {
        demoState.fkMode = 0;
        ReturnToPlay();
        return;
    }
    EnterManualMode(1);
}

void ToggleInverseMode() {
    if (demoState.ikMode) {
        demoState.ikMode = 0;
        ReturnToPlay();
        return;
    }
    EnterManualMode(0);
    demoState.target = Vector3{0.0f, 3.0f, 0.0f};
    for (Bone &bone : bones)
        bone.rotX = bone.rotY = bone.rotZ = 0.0;
}

void TogglePlay() {
    if (demoState.playAnimation) {
        demoState.playAnimation = 0; // freezes the pose; the camera keeps whatever it does
        return;
    }
    demoState.playAnimation = 1;
    demoState.ikMode = 0;
    demoState.fkMode = 0;
    SetAllJointVelocities(TruncToInt(demoState.speed));
}

void ToggleWireframe() {
    demoState.wireframe = !demoState.wireframe;
    demoState.hideBones = !demoState.wireframe; // markers show only over the wireframe
}

void ChangeSpeed(int direction) {
    double speed = demoState.speed + direction * SpeedStep;
    double step = demoState.targetStep + direction * TargetStepStep;
    if (speed > MaxSpeed)
        speed = MaxSpeed;
    if (speed < MinSpeed)
        speed = MinSpeed;
    if (step > MaxTargetStep)
        step = MaxTargetStep;
    if (step < MinTargetStep)
        step = MinTargetStep;
    demoState.speed = speed;
    demoState.targetStep = step;
}

} // namespace

int HandleKeyDown(int keyCode) {
    Vector3 &target = demoState.target;
    // The target clamps apply after every press of their key, in every mode.
    switch (keyCode) {
    case KeyEscape:
        return 1;
    case KeyPageUp:
        Steer(2, target.x, -1);
        ClampBelow(target.x, TargetMinXZ);
        break;
    case KeyPageDown:
        Steer(2, target.x, +1);
        ClampAbove(target.x, TargetMaxXZ);
        break;
    case KeyLeft:
        Steer(0, target.z, -1);
        ClampBelow(target.z, TargetMinXZ);
        break;
    case KeyUp:
        Steer(1, target.y, +1);
        ClampAbove(target.y, TargetMaxY);
        break;
    case KeyRight:
        Steer(0, target.z, +1);
        ClampAbove(target.z, TargetMaxXZ);
        break;
    case KeyDown:
        Steer(1, target.y, -1);
        ClampBelow(target.y, TargetMinY);
        break;
    case 'B':
        demoState.hideBones = !demoState.hideBones;
        break;
    case 'F':
        ToggleForwardMode();
        break;
    case 'I':
        ToggleInverseMode();
        break;
    case 'N':
        demoState.showNormals = !demoState.showNormals;
        break;
    case 'O':
        demoState.texturesOff = !demoState.texturesOff;
        break;
    case 'P':
        TogglePlay();
        break;
    case 'R':
        demoState.rotateView = !demoState.rotateView;
        break;
    case 'T':
        ToggleWireframe();
        break;
    case KeyPadPlus:
        ChangeSpeed(+1);
        break;
    case KeyPadMinus:
        ChangeSpeed(-1);
        break;
    default:
        break;
    }
    return 0;
}

void HandleKeyUp(int keyCode) {
    switch (keyCode) {
    case KeyPageUp:
    case KeyPageDown:
        demoState.jointVelocity[2] = 0;
        break;
    case KeyLeft:
    case KeyRight:
        demoState.jointVelocity[0] = 0;
        break;
    case KeyUp:
    case KeyDown:
        demoState.jointVelocity[1] = 0;
        break;
    default:
        break;
    }
}
