#pragma once

#include "rig/bones.h"

// The skinning lab's preset poses: joint angles that show each method's character, set exactly
// whatever the chain did before, so a walkthrough can name a pose instead of a number of ticks.
enum SkinPoseKind {
    SkinPoseStraight,  // every joint at 0
    SkinPoseBend90,    // bone 1 about X by 90: the elbow
    SkinPoseTwist180,  // bone 1 about its own axis (Y) by 180: the candy wrapper
    SkinPoseBendTwist, // both, 90 and 90
    SkinPoseCount
};

// One row per pose, in SkinPoseKind order; the option, the panel and --help read it.
struct SkinPose {
    const char *name;            // in options: "bend-90"
    const char *label;           // on the panel's button: "Bend 90"
    double angles[BoneCount][3]; // degrees about X, Y and Z, by bone
};

extern const SkinPose skinPoses[];

// The pose named name into pose; 1 when found, else 0 with pose untouched.
int FindSkinPose(const char *name, int &pose);
// Every pose's name as a sentence lists them: "straight, bend-90, twist-180 and bend-twist".
const char *SkinPoseNameList();

// Sets every joint angle of the bones to the pose's; 1, or 0 (nothing changed) for a number
// that is no pose. The bone matrices follow at the next update.
int SetSkinPoseAngles(int pose);
