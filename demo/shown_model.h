#pragma once

#include "demo/frame_record.h"
#include "gltf/gltf_model.h"
#include "math/vec3d.h"
#include "lab/chain_lab.h"

#include <string>

// A model from a file, shown in the limb's place: while one is active the frame's update poses
// it from its clip and skins it, and the limb waits. With none (the default) nothing here runs.
struct ShownModel {
    int active = 0;
    LoadedModel loaded;
    int clip = -1;     // the clip played, GltfAllClips (-1) for every clip together
    double time = 0.0; // seconds on the clip's clock, which runs while demoState.playAnimation
    // Model space into the scene: scaled to the limb's height and stood on the floor, centred
    // where the limb stands, so the camera that frames the limb frames the model.
    Matrix4 framing;
    // The kernels' output, kept between frames so a frame allocates nothing.
    std::vector<Vector3> positions, normals;
    // The IK lab on a chain of its skeleton, in the inverse mode: the pose the clip gives (what
    // the chain's turns go on top of) and the lab.
    std::vector<Matrix4> baseLocals;
    ChainLab chain;
    // The joint a click or the panel picked (-1: none): the weights view shows its weights, and
    // forward kinematics turns it with the keys that turn the limb's bone 1 (its parent with
    // bone 0's).
    int selectedJoint = -1;
    // Forward kinematics' turns, degrees about each joint's own X, Y and Z (JointTurnMatrix), on
    // top of the clip's pose: they stay while the clip plays, until cleared or another model.
    std::vector<Vec3d> jointTurns;
    // The model's centres of rotation, worked out a slice in each frame's update while
    // loaded.model.centresPending, and the time spent on them so far.
    RotationCentreJob centreJob;
    double centreMilliseconds = 0.0;
};

extern ShownModel shownModel;

// Why the last file dropped or opened while the demo runs was not shown: one line naming the
// file and the fault, as the command line prints it. Empty once a model opens, or when the
// panel's message is dismissed; the model shown before stays meanwhile.
extern std::string modelFault;

// The limb's height, scene units before the camera's scale: what a model is framed to.
const double FramedHeight = 3.0;

// Makes loaded the shown model, from the start of clip.
void ShowModel(LoadedModel &&loaded, int clip);

// The name --model takes for the built-in tentacle.
extern const char *const TentacleModelName;

// Makes the built-in tentacle the shown model, its chain the whole tentacle.
void ShowTentacle();

// The IK chain of the shown model: ending at endJoint, length joints (0: up to the root), started
// afresh from the clip's pose. 0 when there is no model or no such joint.
int SetShownModelChain(int endJoint, int length);

// Every solver's copy of the shown model's chain back at the clip's pose, and the chain's end
// there, scene space, into end: for entering the inverse mode, whose target starts there. 0 (end
// untouched) without a chain.
int RestartShownModelChain(Vector3 &end);

// Scene units between the shown model's copies side by side (SideBySideSpacingFor its rest
// bounds as the framing puts them); the limb's spacing when no model is shown.
double ShownModelCopySpacing();

// A point of the shown model's own space in the scene, as its framing puts it.
Vector3 ShownModelToScene(const Vector3 &p);

// Back to the limb.
void HideModel();

// The longest a frame's update spends on the shown model's centres of rotation, milliseconds.
const double CentreSliceMilliseconds = 6.0;

// Works on the shown model's centres for up to milliseconds (every one left, when negative);
// once done, the model's centresPending is 0, its centresMilliseconds the time they took in all,
// and its revision counts the change. Nothing when there are none to work out.
void PrepareShownModelCentres(double milliseconds);

// How far the shown model's centres are, 0 to 1 (1 when none are pending).
double ShownModelCentresProgress();

// Makes joint the selected one (-1, or a number that is no joint: none).
void SelectShownJoint(int joint);

// One tick of forward kinematics on the shown model: the selected joint turns by x, y (its
// twist) and z degrees about its own axes, and its parent by parentX about its X, as the limb's
// keys turn bone 1 and bone 0. Nothing without a selected joint.
void TurnShownJoints(int parentX, int x, int y, int z);

// The selected joint's turn about axis (0 X, 1 Y, 2 Z) set to degrees.
void SetShownJointTurn(int axis, double degrees);

// Every joint back to the clip's pose.
void ClearShownJointTurns();

// Moves the shown model's clock on by seconds, round to the clip's start after
// its end.
void AdvanceShownModel(double seconds);

// Plays clip (GltfAllClips: every clip) from its start; a number that is no clip changes nothing.
void SetShownModelClip(int clip);

// Puts the shown model's clock at time on its clip (kept within the clip); whoever holds it
// there stops the play animation.
void HoldShownModelAt(double time);

// The frame's update for the shown model: its pose at the clock's time (in the inverse mode with
// its chain's turns, every solver updated toward demoState.target as UpdateIk does the limb's),
// every joint's world and skin matrix, the skin under demoState's method into record.skin, then
// RecordModelFigures. The limb's markers and IK figures are left out: they belong to the limb.
void UpdateShownModelFrame(FrameRecord &record);
