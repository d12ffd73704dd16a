#include "model/limb_model.h"

#include "mesh/skin_mesh.h"
#include "rig/bones.h"
#include "skinning/rotation_centres.h"

#include <cstdlib>

void InitSkinAndBones() {
    SetUpSkinData();
    ComputeRotationCentres();
    SetUpBones();

    if (!ComputeVertexNormals(restPositions, SkinVertexCount, modelTriangles, SkinTriangleCount,
                              restNormals))
        std::exit(1);

    for (int i = 0; i < SkinVertexCount; ++i)
        skinVertices[i].normal = restNormals[i];
}

int SetRingWeightOnBone1(int ring, double weightOnBone1) {
    if (!SetRingWeight(ring, weightOnBone1))
        return 0;
    ComputeRotationCentres();
    return 1;
}

void RestoreBuiltInWeights() {
    SetBuiltInBindings();
    ComputeRotationCentres();
}
