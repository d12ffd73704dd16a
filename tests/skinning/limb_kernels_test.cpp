#include "demo/demo_state.h"
#include "lab/skin_poses.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"
#include "skinning/rotation_centres.h"
#include "skinning/skin_kernels.h"
#include "skinning/skinning.h"
#include "tests/skinning/portable_kernels.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The built-in limb as a mesh of the general kind: two joints, every bound vertex (joint 0,
// weight) then (joint 1, 1 - weight), the unbound bottom ring with no influence.
SkinnedMesh MeshOfLimb() {
    SkinnedMesh mesh;
    for (int i = 0; i < SkinVertexCount; ++i) {
        const SkinVertex &vertex = skinVertices[i];
        mesh.restPositions.push_back(restPositions[i]);
        mesh.restNormals.push_back(restNormals[i]);
        mesh.texCoords.push_back(TexCoord{vertex.u, vertex.v});
        VertexInfluences v = {0, {}, {}};
        if (vertex.boneIndex[0] >= 0) {
            v.count = 2;
            v.joints[0] = 0;
            v.joints[1] = 1;
            v.weights[0] = vertex.weight;
            v.weights[1] = 1.0f - vertex.weight;
        }
        mesh.influences.push_back(v);
    }
    for (const Triangle &triangle : modelTriangles)
        mesh.triangles.push_back(triangle);
    return mesh;
}

int SameBits(const void *a, const void *b, size_t size) {
    return std::memcmp(a, b, size) == 0;
}

class LimbKernels : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDemoGlobals();
        InitSkinAndBones();
    }
};

// The kernels on the limb, with skin matrices bone 0 and bone 0 x bone 1, give what the limb's
// own passes give, bit for bit: positions, normals and determinants by every method, in every
// pose, and the centres of rotation. Odd angles as well as the lab's poses, so that signs and
// half turns come up, and turns past 180 degrees, whose dual quaternions need their sign turned.
TEST_F(LimbKernels, MatchTheLimbPassesBitForBit) {
    SkinnedMesh mesh = MeshOfLimb();
    ASSERT_TRUE(SkinnedMeshIsValid(mesh, 2));
    RotationCentres centres;
    ComputeRotationCentres(mesh, centres);
    for (int i = 0; i < SkinVertexCount; ++i) {
        int index = centres.centreOf[(size_t)i];
        ASSERT_EQ(index >= 0, hasRotationCentre[i] != 0) << "vertex " << i;
        if (index >= 0) {
            EXPECT_TRUE(SameBits(&centres.centres[(size_t)index], &rotationCentres[i],
                                 sizeof(Vector3)))
                << "vertex " << i;
        }
    }

    const SkinKernel kernels[SkinningMethodCount] = {SkinLinear, SkinRigid, SkinDualQuaternion,
                                                     SkinCentreOfRotation};
    const SkinKernel portableKernels[SkinningMethodCount] = {
        PortableSkinLinear, PortableSkinRigid, PortableSkinDualQuaternion,
        PortableSkinCentreOfRotation};
    double (*const determinants[SkinningMethodCount])(const SkinInput &, int) = {
        DeterminantLinear, DeterminantRigid, DeterminantDualQuaternion,
        DeterminantCentreOfRotation};
    const double oddAngles[][2][3] = {
        {{12.0, -33.0, 7.0}, {-140.0, 95.0, 61.0}}, {{-90.0, 180.0, 0.0}, {179.0, -181.0, 45.0}},
        {{0.0, 270.0, -0.0}, {-0.0, 0.0, 200.0}},   {{33.3, 0.1, -77.7}, {120.0, 240.0, 360.0}},
        {{0.0, 0.0, 0.0}, {0.0, 200.0, 0.0}},       {{10.0, -20.0, 5.0}, {150.0, -160.0, 0.0}},
    };
    const int poseCount = SkinPoseCount + (int)(sizeof oddAngles / sizeof oddAngles[0]);
    for (int pose = 0; pose < poseCount; ++pose) {
        SCOPED_TRACE(pose);
        if (pose < SkinPoseCount) {
            SetSkinPoseAngles(pose);
        } else {
            for (int b = 0; b < BoneCount; ++b) {
                bones[b].rotX = oddAngles[pose - SkinPoseCount][b][0];
                bones[b].rotY = oddAngles[pose - SkinPoseCount][b][1];
                bones[b].rotZ = oddAngles[pose - SkinPoseCount][b][2];
            }
        }
        BuildBoneMatrices();
        Matrix4 skins[2];
        skins[0] = bones[0].matrix;
        MultMatrix(skins[1], bones[0].matrix, bones[1].matrix);
        SkinInput in = {skins,
                        2,
                        mesh.restPositions.data(),
                        mesh.restNormals.data(),
                        mesh.influences.data(),
                        &centres};
        for (int method = 0; method < SkinningMethodCount; ++method) {
            SCOPED_TRACE(SkinningMethodName(method));
            SkinVertex expected[SkinVertexCount];
            skinningMethods[method].skinVertices(0, SkinVertexCount, expected);
            Vector3 positions[2][SkinVertexCount], normals[2][SkinVertexCount];
            kernels[method](in, 0, SkinVertexCount, positions[0], normals[0]);
            portableKernels[method](in, 0, SkinVertexCount, positions[1], normals[1]);
            for (int i = 0; i < SkinVertexCount; ++i) {
                for (int kind = 0; kind < 2; ++kind) {
                    EXPECT_TRUE(
                        SameBits(&positions[kind][i], &expected[i].position, sizeof(Vector3)))
                        << "position of vertex " << i << (kind ? ", four floats" : "");
                    EXPECT_TRUE(SameBits(&normals[kind][i], &expected[i].normal, sizeof(Vector3)))
                        << "normal of vertex " << i << (kind ? ", four floats" : "");
                }
                double det = determinants[method](in, i);
                double expectedDet = skinningMethods[method].determinant(i);
                EXPECT_TRUE(SameBits(&det, &expectedDet, sizeof det))
                    << "determinant of vertex " << i << ": " << det << " against " << expectedDet;
            }
            // One vertex at a time, as the inspector asks (and the kernels then take other
            // paths), gives the same.
            for (int i = 0; i < SkinVertexCount; ++i) {
                Vector3 position, normal;
                kernels[method](in, i, i + 1, &position, &normal);
                EXPECT_TRUE(SameBits(&position, &expected[i].position, sizeof(Vector3)))
                    << "position of vertex " << i << " alone";
                EXPECT_TRUE(SameBits(&normal, &expected[i].normal, sizeof(Vector3)))
                    << "normal of vertex " << i << " alone";
            }
        }
    }
}

} // namespace
