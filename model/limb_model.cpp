#include "model/limb_model.h"

#include "mesh/skin_mesh.h"
#include "rig/bones.h"
#include "skinning/skinning.h"

#include <cstdlib>

Model limbModel;

namespace {

VertexInfluences InfluencesOf(const SkinVertex &vertex) {
    VertexInfluences influences = {};
    int first = vertex.boneIndex[0], second = vertex.boneIndex[1];
    if (first < 0 || first >= BoneCount)
        return influences; // no bone: the vertex keeps its rest data
    influences.joints[0] = first;
    if (second < 0 || second >= BoneCount) {
        // Never in the built-in data; one bone alone carries the vertex whole.
        influences.count = 1;
        influences.weights[0] = 1.0f;
        return influences;
    }
    // The weights exactly as the blend has always formed them, weight and 1 - weight in float,
    // so that the general sums give the limb's positions bit for bit.
    influences.count = 2;
    influences.weights[0] = vertex.weight;
    influences.joints[1] = second;
    influences.weights[1] = 1.0f - vertex.weight;
    return influences;
}

void TakeWeightsFromSkin();

} // namespace

void LimbWeightsChanged() {
    TakeWeightsFromSkin();
}

namespace {

void TakeWeightsFromSkin() {
    if (limbModel.mesh.influences.size() != (size_t)SkinVertexCount)
        return; // before the set-up: there is no model to keep in step yet
    for (int i = 0; i < SkinVertexCount; ++i)
        limbModel.mesh.influences[i] = InfluencesOf(skinVertices[i]);
    WeightsChanged(limbModel);
}

void BuildLimbModel() {
    Model &model = limbModel;
    model.rig.names = {"lower", "upper"};
    model.rig.parents.resize(BoneCount);
    for (int b = 0; b < BoneCount; ++b)
        model.rig.parents[b] = ParentOf(b);
    model.rig.inverseBinds.assign(BoneCount, IdentityMatrix());

    SkinnedMesh &mesh = model.mesh;
    mesh.restPositions.assign(restPositions, restPositions + SkinVertexCount);
    mesh.restNormals.assign(restNormals, restNormals + SkinVertexCount);
    mesh.texCoords.resize(SkinVertexCount);
    for (int i = 0; i < SkinVertexCount; ++i)
        mesh.texCoords[i] = TexCoord{skinVertices[i].u, skinVertices[i].v};
    mesh.triangles.assign(modelTriangles, modelTriangles + SkinTriangleCount);
    mesh.influences.resize(SkinVertexCount);

    Vector3 root = bones[0].pivot, joint = bones[1].pivot;
    Vector3 end = Add(bones[1].pivot, bones[1].tip);
    model.segments = {BoneSegment{root, joint, 0, 0}, BoneSegment{joint, end, 0, 1}};
    model.openRingStart = SkinBottomRingStart;
    model.openRingSize = SkinRingSize;
    TakeWeightsFromSkin();
}

} // namespace

void InitSkinAndBones() {
    SetUpSkinData();
    SetUpBones();

    if (!ComputeVertexNormals(restPositions, SkinVertexCount, modelTriangles, SkinTriangleCount,
                              restNormals))
        std::exit(1);

    for (int i = 0; i < SkinVertexCount; ++i)
        skinVertices[i].normal = restNormals[i];
    BuildLimbModel();
}

int SetRingWeightOnBone1(int ring, double weightOnBone1) {
    if (!SetRingWeight(ring, weightOnBone1))
        return 0;
    TakeWeightsFromSkin();
    return 1;
}

void RestoreBuiltInWeights() {
    SetBuiltInBindings();
    TakeWeightsFromSkin();
}

void PoseOfLimb(ModelPose &pose) {
    pose.locals.resize(BoneCount);
    for (int b = 0; b < BoneCount; ++b)
        pose.locals[b] = bones[b].matrix;
    PoseModel(limbModel, pose);
}

void SkinMeshWith(int method) {
    if (limbModel.mesh.influences.size() != (size_t)SkinVertexCount) {
        // Before the set-up (a paint can come first) the bones are zero, which turns nothing:
        // the skin stands at rest, with the rest normals it has then (zero).
        for (int i = 0; i < SkinVertexCount; ++i) {
            skinVertices[i].position = restPositions[i];
            skinVertices[i].normal = restNormals[i];
        }
        return;
    }
    ModelPose pose;
    PoseOfLimb(pose);
    Vector3 positions[SkinVertexCount], normals[SkinVertexCount];
    skinningMethods[ValidSkinningMethod(method)].skin(SkinInputOf(limbModel, pose), 0,
                                                      SkinVertexCount, positions, normals);
    for (int i = 0; i < SkinVertexCount; ++i) {
        skinVertices[i].position = positions[i];
        skinVertices[i].normal = normals[i];
    }
}

void ResetLimbModel() {
    limbModel = Model{};
}
