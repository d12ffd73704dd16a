#pragma once

#include "demo/frame_record.h"
#include "gltf/gltf_model.h"
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

// A point of the shown model's own space in the scene, as its framing puts it.
Vector3 ShownModelToScene(const Vector3 &p);

// Back to the limb.
void HideModel();

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
