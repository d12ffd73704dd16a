#include "demo/demo_state.h"
#include "lab/skin_poses.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"
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

// The limb's default, as it has always been formed: each vertex blends two transforms, A (bone
// 0's own matrix) and B (bone 0's, then bone 1's), as weight * A p + (1 - weight) * B p, with the
// matrices applied as TransformPoint applies them; rigid takes A when weight >= 0.5, else B. The
// linear determinant mixes the two 3x3 parts in double. Written out here, apart from the kernels.
struct TwoTransforms {
    Vector3 linearPosition, linearNormal, rigidPosition, rigidNormal;
    double linearDeterminant;
};

TwoTransforms BlendOfTwo(const SkinVertex &vertex, const Vector3 &p, const Vector3 &n) {
    TwoTransforms out = {p, n, p, n, 1.0};
    if (vertex.boneIndex[0] < 0)
        return out;
    Matrix4 chain;
    MultMatrix(chain, bones[0].matrix, bones[1].matrix);
    Vector4 ap, an, bp, bn;
    TransformPoint(ap, bones[0].matrix, AsPoint(p));
    TransformPoint(an, bones[0].matrix, AsDirection(n));
    TransformPoint(bp, chain, AsPoint(p));
    TransformPoint(bn, chain, AsDirection(n));
    float w = vertex.weight;
    out.linearPosition = Vector3{w * ap.x + (1.0f - w) * bp.x, w * ap.y + (1.0f - w) * bp.y,
                                 w * ap.z + (1.0f - w) * bp.z};
    out.linearNormal = Vector3{w * an.x + (1.0f - w) * bn.x, w * an.y + (1.0f - w) * bn.y,
                               w * an.z + (1.0f - w) * bn.z};
    out.rigidPosition = w >= 0.5f ? DropW(ap) : DropW(bp);
    out.rigidNormal = w >= 0.5f ? DropW(an) : DropW(bn);
    double m[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[3 * r + c] = (double)w * bones[0].matrix.m[4 * c + r] +
                           (1.0 - w) * (double)chain.m[4 * c + r];
    out.linearDeterminant = m[0] * (m[4] * m[8] - m[5] * m[7]) -
                            m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]);
    return out;
}

class LimbKernels : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDemoGlobals();
        InitSkinAndBones();
    }
};

// On the limb, with skin matrices bone 0 and bone 0 x bone 1, the kernels keep the limb's
// figures bit for bit: linear blending and rigid give the two-transform blend above (the
// default picture is unchanged), and every method gives the same bits whether the vector loops
// or the four-float ones run it, whole or one vertex at a time (as the inspector asks), in the
// lab's poses and at odd angles where signs and turns past 180 degrees come up.
TEST_F(LimbKernels, KeepTheLimbsBlendBitForBitOnEveryPath) {
    SkinnedMesh mesh = MeshOfLimb();
    ASSERT_TRUE(SkinnedMeshIsValid(mesh, 2));
    RotationCentres centres;
    ComputeRotationCentres(mesh, centres);

    const SkinKernel kernels[SkinningMethodCount] = {SkinLinear, SkinRigid, SkinDualQuaternion,
                                                     SkinCentreOfRotation};
    const SkinKernel portableKernels[SkinningMethodCount] = {
        PortableSkinLinear, PortableSkinRigid, PortableSkinDualQuaternion,
        PortableSkinCentreOfRotation};
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
            Vector3 positions[3][SkinVertexCount], normals[3][SkinVertexCount];
            kernels[method](in, 0, SkinVertexCount, positions[0], normals[0]);
            portableKernels[method](in, 0, SkinVertexCount, positions[1], normals[1]);
            for (int i = 0; i < SkinVertexCount; ++i)
                kernels[method](in, i, i + 1, &positions[2][i], &normals[2][i]);
            for (int i = 0; i < SkinVertexCount; ++i) {
                for (int path = 1; path < 3; ++path) {
                    EXPECT_TRUE(SameBits(&positions[path][i], &positions[0][i], sizeof(Vector3)))
                        << "position of vertex " << i << ", path " << path;
                    EXPECT_TRUE(SameBits(&normals[path][i], &normals[0][i], sizeof(Vector3)))
                        << "normal of vertex " << i << ", path " << path;
                }
                if (method != SkinningLinear && method != SkinningRigid)
                    continue;
                TwoTransforms two = BlendOfTwo(skinVertices[i], restPositions[i], restNormals[i]);
                int linear = method == SkinningLinear;
                const Vector3 &p = linear ? two.linearPosition : two.rigidPosition;
                const Vector3 &n = linear ? two.linearNormal : two.rigidNormal;
                EXPECT_TRUE(SameBits(&positions[0][i], &p, sizeof(Vector3))) << "vertex " << i;
                EXPECT_TRUE(SameBits(&normals[0][i], &n, sizeof(Vector3))) << "vertex " << i;
                if (linear) {
                    double det = DeterminantLinear(in, i);
                    EXPECT_TRUE(SameBits(&det, &two.linearDeterminant, sizeof det))
                        << "determinant of vertex " << i;
                }
            }
        }
    }
}

} // namespace
