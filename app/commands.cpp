#include "app/commands.h"
#include "demo/demo_ik.h"
#include "demo/shown_model.h"

#include <cmath>

#include "demo/demo_state.h"
#include "lab/ik_lab.h"
#include "lab/side_by_side.h"
#include "lab/skin_poses.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"
#include "skinning/skinning.h"
#include "view/camera.h"

namespace {

const double SpeedStep = 0.5;
const double MinSpeed = 0.5;
const double MaxSpeed = 4.0;
const double TargetStepStep = 0.05;
const double MinTargetStep = (double)0.01f;
const double MaxTargetStep = 0.25;

// Mode switches aim the camera from the side so manual poses are easy to read.
const double SideViewAngle = 90.0;

// Each notch of the wheel moves the camera a tenth of its distance.
const double ZoomPerNotch = 0.9;

double Clamped(double value, double low, double high) {
    return value < low ? low : value > high ? high : value;
}

void SetAllJointVelocities(int velocity) {
    for (int &v : demoState.jointVelocity)
        v = velocity;
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
    demoState.twistVelocity = 0;
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
    // A model's chain starts afresh too, with the target on its end.
    Vector3 chainEnd;
    if (RestartShownModelChain(chainEnd))
        SetTargetWithinBounds(chainEnd);
    // A fresh start for the lab: no progress, no comparison, the solver running.
    ResetIkLab();
    demoState.ikFrozen = 0;
    demoState.ikStepsPending = 0;
}

// The limb or the tentacle in the scene, in the mode it was: the inverse mode starts afresh on
// the one now shown.
void ShowBuiltIn(int which) {
    if (which == 1 && !(shownModel.active && shownModel.loaded.fileName == TentacleModelName))
        ShowTentacle();
    else if (which == 0 && shownModel.active)
        HideModel();
    else
        return;
    demoState.inspectedVertex = -1; // its number would name some other vertex there

    if (demoState.ikMode) {
        demoState.ikMode = 0;
        ToggleInverseMode();
    }
}

// A new chain of the model's skeleton, started afresh with the target on its end.
void SetIkChain(int endJoint, int length) {
    if (!SetShownModelChain(endJoint, length))
        return;
    Vector3 end;
    if (demoState.ikMode && RestartShownModelChain(end))
        SetTargetWithinBounds(end);
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
    demoState.speed = Clamped(speed, MinSpeed, MaxSpeed);
    demoState.targetStep = Clamped(step, MinTargetStep, MaxTargetStep);
}

// The joints the keys and the play animation drive: bone 0 about X, bone 1 about X and Z.
void SetJointAngle(int joint, double degrees) {
    if (joint == 0)
        bones[0].rotX = degrees;
    else if (joint == 1)
        bones[1].rotX = degrees;
    else if (joint == 2)
        bones[1].rotZ = degrees;
    else if (joint == 3)
        bones[1].rotY = degrees;
}

void Toggle(int &flag) {
    flag = !flag;
}

// The coordinate of the target each steering axis moves in the inverse mode, and the bound it is
// kept within on the side it moves toward.
float &SteeredCoordinate(int axis) {
    Vector3 &target = demoState.target;
    return axis == 0 ? target.z : axis == 1 ? target.y : target.x;
}

// The skinning lab's steering axis: Q and E twist bone 1 about its own axis in the forward mode.
const int TwistAxis = 3;

void SteerTwist(int direction) {
    if (demoState.fkMode)
        demoState.twistVelocity = TruncToInt(direction * demoState.speed);
}

void SetSkinningMethod(int method) {
    if (method >= 0 && method < SkinningMethodCount)
        demoState.skinningMethod = method;
}

void CycleSkinningMethod() {
    demoState.skinningMethod = (demoState.skinningMethod + 1) % SkinningMethodCount;
}

// The weights, volume, radius and stretch views all colour the skin, so turning one on turns
// the others off.
void ToggleColourView(int &view) {
    int on = !view;
    demoState.weightsView = demoState.volumeView = demoState.radiusView = 0;
    demoState.stretchView = 0;
    view = on;
}

// The row of copies is wider than the limb alone; the camera stands back so it fits, and goes
// back to where it was when the view goes off, unless it was moved meanwhile.
double distanceBeforeRow = 0.0; // where S found the camera, 0 when S did not move it

void ToggleSideBySide() {
    Toggle(demoState.sideBySide);
    double rowDistance = SideBySideViewDistanceFor(ShownModelCopySpacing());
    if (demoState.sideBySide) {
        distanceBeforeRow = 0.0;
        if (demoState.viewDistance < rowDistance) {
            distanceBeforeRow = demoState.viewDistance;
            demoState.viewDistance = rowDistance;
        }
    } else if (distanceBeforeRow > 0.0 && demoState.viewDistance == rowDistance) {
        demoState.viewDistance = distanceBeforeRow;
        distanceBeforeRow = 0.0;
    }
}

// Any vertex of what is shown: the limb's 49, or a model's.
void InspectVertex(int vertex) {
    int count = shownModel.active ? VertexCount(shownModel.loaded.model.mesh) : SkinVertexCount;
    demoState.inspectedVertex = vertex >= 0 && vertex < count ? vertex : -1;
}

// A preset pose holds still in the forward mode, so the chain shows it until the keys move it;
// the camera is left alone, so the pose is seen from wherever the learner looks.
void SetPose(int pose) {
    if (!SetSkinPoseAngles(pose))
        return;
    demoState.fkMode = 1;
    demoState.ikMode = 0;
    demoState.playAnimation = 0;
    SetAllJointVelocities(0);
    demoState.twistVelocity = 0;
}

// Pressing a steering key: in the forward mode it sets its joint's velocity, in the inverse
// mode it moves the target one step; in every mode the target is then kept inside its box on
// the side the key moves it to. The twist has no target coordinate.
void Steer(int axis, int direction) {
    if (axis == TwistAxis)
        SteerTwist(direction);
    if (axis < 0 || axis > 2)
        return;
    float &coordinate = SteeredCoordinate(axis);
    if (demoState.fkMode)
        demoState.jointVelocity[axis] = TruncToInt(direction * demoState.speed);
    if (demoState.ikMode)
        coordinate = (float)(coordinate + direction * demoState.targetStep);
    float low = axis == 1 ? TargetMinY : TargetMinXZ;
    float high = axis == 1 ? TargetMaxY : TargetMaxXZ;
    if (direction < 0 && coordinate < low)
        coordinate = low;
    if (direction > 0 && coordinate > high)
        coordinate = high;
}

// Releasing a steering key stops its joint, in every mode, whatever set the velocity.
void StopSteer(int axis) {
    if (axis >= 0 && axis <= 2)
        demoState.jointVelocity[axis] = 0;
    if (axis == TwistAxis)
        demoState.twistVelocity = 0;
}

void SetIkSetting(int setting, double value) {
    IkSettings &ik = demoState.ik;
    switch (setting) {
    case IkSettingIterations:
        ik.iterations = (int)Clamped(std::round(value), IkMinIterations, IkMaxIterations);
        break;
    case IkSettingTolerance:
        ik.tolerance = Clamped(value, IkMinTolerance, IkMaxTolerance);
        break;
    case IkSettingPoleAngle:
        ik.poleAngle = Clamped(value, -180.0, 180.0);
        break;
    case IkSettingPoleFixed:
        ik.poleFixed = value != 0.0;
        break;
    case IkSettingJointLimits:
        ik.jointLimits = value != 0.0;
        break;
    case IkSettingDamping:
        ik.damping = Clamped(value, IkMinDamping, IkMaxDamping);
        break;
    case IkSettingSoftZone:
        ik.softZone = Clamped(value, 0.0, IkMaxSoftZone);
        break;
    default:
        break;
    }
}

// The inverse-kinematics lab's commands. Only Step waits for the inverse mode: a solver frozen
// where it cannot be seen would only puzzle on entering, which lets it run again anyway.
void RunIkLabCommand(const DemoCommand &command) {
    switch (command.type) {
    case CommandSetIkSolver:
        if (IkSolverName(command.index))
            demoState.ikSolver = command.index;
        break;
    case CommandNextIkSolver:
        demoState.ikSolver = NextIkSolver(demoState.ikSolver);
        break;
    case CommandToggleIkCompare:
        Toggle(demoState.ikCompare);
        break;
    case CommandStepIk:
        if (demoState.ikMode)
            StepIk();
        break;
    case CommandRunIk:
        demoState.ikFrozen = 0;
        demoState.ikStepsPending = 0;
        break;
    case CommandSetIkSetting:
        SetIkSetting(command.index, command.value);
        break;
    default:
        break;
    }
}

} // namespace

int RunCommand(const DemoCommand &command) {
    switch (command.type) {
    case CommandQuit:
#ifdef __EMSCRIPTEN__
        // A page is never quit (the browser closes it): Escape closes the panel, and the
        // browser's own Escape leaves full screen.
        demoState.panelOpen = 0;
        return 0;
#else
        return CommandEndsRun;
#endif
    case CommandTogglePlay:
        TogglePlay();
        break;
    case CommandToggleForward:
        ToggleForwardMode();
        break;
    case CommandToggleInverse:
        ToggleInverseMode();
        break;
    case CommandToggleWireframe:
        ToggleWireframe();
        break;
    case CommandToggleBones:
        Toggle(demoState.hideBones);
        break;
    case CommandToggleNormals:
        Toggle(demoState.showNormals);
        break;
    case CommandToggleTextures:
        Toggle(demoState.texturesOff);
        break;
    case CommandToggleRotation:
        Toggle(demoState.rotateView);
        break;
    case CommandFaster:
        ChangeSpeed(+1);
        break;
    case CommandSlower:
        ChangeSpeed(-1);
        break;
    case CommandTogglePanel:
        Toggle(demoState.panelOpen);
        break;
    case CommandResetCamera:
        demoState.viewTilt = CameraStartTilt;
        demoState.viewDistance = CameraStartDistance;
        break;
    case CommandSaveScreenshot:
        return CommandWantsScreenshot;
    case CommandSetJointAngle:
        SetJointAngle(command.index, command.value);
        break;
    case CommandSetTarget:
        SetTargetWithinBounds(command.point);
        break;
    case CommandSteer:
        Steer(command.index, command.value < 0.0 ? -1 : +1);
        break;
    case CommandStopSteer:
        StopSteer(command.index);
        break;
    case CommandSetIkSolver:
    case CommandNextIkSolver:
    case CommandToggleIkCompare:
    case CommandStepIk:
    case CommandRunIk:
    case CommandSetIkSetting:
        RunIkLabCommand(command);
        break;
    case CommandSetSkinningMethod:
        SetSkinningMethod(command.index);
        break;
    case CommandCycleSkinningMethod:
        CycleSkinningMethod();
        break;
    case CommandToggleWeightsView:
        ToggleColourView(demoState.weightsView);
        break;
    case CommandToggleVolumeView:
        ToggleColourView(demoState.volumeView);
        break;
    case CommandToggleRadiusView:
        ToggleColourView(demoState.radiusView);
        break;
    case CommandToggleStretchView:
        ToggleColourView(demoState.stretchView);
        break;
    case CommandToggleSideBySide:
        ToggleSideBySide();
        break;
    case CommandToggleRestPoseView:
        Toggle(demoState.restPoseView);
        break;
    case CommandInspectVertex:
        InspectVertex(command.index);
        break;
    case CommandSetPose:
        SetPose(command.index);
        break;
    case CommandSetRingWeight:
        SetRingWeightOnBone1(command.index, command.value);
        break;
    case CommandRestoreWeights:
        RestoreBuiltInWeights();
        break;
    case CommandSetModelClip:
        SetShownModelClip(command.index);
        break;
    case CommandSetModelTime:
        HoldShownModelAt(command.value);
        demoState.playAnimation = 0; // held, as a dragged slider means
        break;
    case CommandShowBuiltIn:
        ShowBuiltIn(command.index);
        break;
    case CommandSelectJoint:
        SelectShownJoint(command.index);
        break;
    case CommandClearJointTurns:
        ClearShownJointTurns();
        break;
    case CommandSetModelJointTurn:
        SetShownJointTurn(command.index, command.value);
        break;
    case CommandSetIkChain:
        SetIkChain(command.index, (int)command.value);
        break;
    case CommandDismissModelFault:
        modelFault.clear();
        break;
    default:
        break;
    }
    return 0;
}

int RunSimpleCommand(int type) {
    DemoCommand command = {type, 0, 0.0, Vector3{0.0f, 0.0f, 0.0f}};
    return RunCommand(command);
}

void OrbitCamera(double yaw, double tilt) {
    double angle = std::fmod(demoState.viewAngle + yaw, 360.0);
    demoState.viewAngle = angle < 0.0 ? angle + 360.0 : angle;
    demoState.viewTilt = Clamped(demoState.viewTilt + tilt, CameraMinTilt, CameraMaxTilt);
}

void ZoomCamera(double notches) {
    double distance = demoState.viewDistance * std::pow(ZoomPerNotch, notches);
    demoState.viewDistance = Clamped(distance, CameraMinDistance, CameraMaxDistance);
}

void SetTargetWithinBounds(const Vector3 &target) {
    demoState.target = Vector3{(float)Clamped(target.x, TargetMinXZ, TargetMaxXZ),
                               (float)Clamped(target.y, TargetMinY, TargetMaxY),
                               (float)Clamped(target.z, TargetMinXZ, TargetMaxXZ)};
}
