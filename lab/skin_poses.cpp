#include "lab/skin_poses.h"

#include "math/text_list.h"

#include <cstring>

const SkinPose skinPoses[] = {
    {"straight", "Straight", {{0, 0, 0}, {0, 0, 0}}},
    {"bend-90", "Bend 90", {{0, 0, 0}, {90, 0, 0}}},
    {"twist-180", "Twist 180", {{0, 0, 0}, {0, 180, 0}}},
    {"bend-twist", "Bend and twist", {{0, 0, 0}, {90, 90, 0}}},
};
static_assert(sizeof skinPoses / sizeof skinPoses[0] == SkinPoseCount, "one row per SkinPoseKind");

int FindSkinPose(const char *name, int &pose) {
    int found = FindRowByText(skinPoses, SkinPoseCount, &SkinPose::name, name);
    if (found < 0)
        return 0;
    pose = found;
    return 1;
}

const char *SkinPoseNameList() {
    static char list[128];
    return ListRowTexts(skinPoses, SkinPoseCount, &SkinPose::name, list, sizeof list);
}

int SetSkinPoseAngles(int pose) {
    if (pose < 0 || pose >= SkinPoseCount)
        return 0;
    for (int b = 0; b < BoneCount; ++b) {
        bones[b].rotX = skinPoses[pose].angles[b][0];
        bones[b].rotY = skinPoses[pose].angles[b][1];
        bones[b].rotZ = skinPoses[pose].angles[b][2];
    }
    return 1;
}
