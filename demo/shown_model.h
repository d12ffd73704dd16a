#pragma once

#include "demo/frame_record.h"
#include "gltf/gltf_model.h"

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
};

extern ShownModel shownModel;

// The limb's height, scene units before the camera's scale: what a model is framed to.
const double FramedHeight = 3.0;

// Makes loaded the shown model, from the start of clip.
void ShowModel(LoadedModel &&loaded, int clip);

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

// The frame's update for the shown model: its pose at the clock's time, every joint's world and
// skin matrix, the skin under demoState's method into record.skin, then RecordModelFigures.
// The limb's markers and IK figures are left out: they belong to the limb.
void UpdateShownModelFrame(FrameRecord &record);
