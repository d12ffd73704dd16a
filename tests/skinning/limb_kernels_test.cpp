#include "demo/demo_state.h"
#include "lab/skin_poses.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"
#include "skinning/skin_kernels.h"
#include "skinning/skinning.h"
#include "tests/skinning/portable_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

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

namespace {

// Beyond the limb, on a random rig of 9 joints (two with scale) and 301 vertices of 0 to 8
// influences, with centres for some: the vector loops (whatever width this processor runs) give
// the four-float loops' bits for every method, in groups, in a tail and one vertex at a time.
// The first 100 vertices mix every case in each group of eight; the rest, runs of vertices
// with influences and no scaled joint, take the loops' fast ways.
TEST(SkinKernels, EveryPathGivesTheSameBitsOnARandomRig) {
    const int joints = 9, vertices = 301;
    unsigned seed = 2024;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return (float)(seed >> 8) / 16777216.0f; // 0 to 1
    };
    std::vector<Matrix4> skins((size_t)joints);
    for (int j = 0; j < joints; ++j) {
        float w = next() - 0.5f, x = next() - 0.5f, y = next() - 0.5f, z = next() - 0.5f;
        float length = std::sqrt(w * w + x * x + y * y + z * z);
        w /= length, x /= length, y /= length, z /= length;
        Matrix4 turn = IdentityMatrix(), scale = IdentityMatrix();
        const float r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y),
                            2 * (x * y - w * z),     1 - 2 * (x * x + z * z), 2 * (y * z + w * x),
                            2 * (x * z + w * y),     2 * (y * z - w * x), 1 - 2 * (x * x + y * y)};
        for (int c = 0; c < 3; ++c)
            for (int row = 0; row < 3; ++row)
                turn.m[4 * c + row] = r[3 * c + row];
        if (j % 4 == 0) // non-uniform scale on joints 0, 4 and 8
            scale.m[0] = 1.5f, scale.m[5] = 0.7f;
        MultMatrix(skins[(size_t)j], turn, scale);
        for (int k = 12; k < 15; ++k)
            skins[(size_t)j].m[k] = 2.0f * next() - 1.0f;
    }
    SkinnedMesh mesh;
    RotationCentres centres;
    for (int i = 0; i < vertices; ++i) {
        mesh.restPositions.push_back(Vector3{next() - 0.5f, next() * 2.0f, next() - 0.5f});
        mesh.restNormals.push_back(Vector3{0.6f, 0.0f, -0.8f});
        const int unscaled[] = {1, 2, 3, 5, 6, 7};
        int mixed = i < 100;
        VertexInfluences v = {mixed ? i % 9 : 1 + i % 8, {}, {}};
        for (int k = 0; k < v.count; ++k) {
            v.joints[k] = mixed ? (i + 2 * k) % joints : unscaled[(i + k) % 6];
            v.weights[k] = 0.1f + next();
        }
        mesh.influences.push_back(v);
        centres.centreOf.push_back(mixed && i % 5 == 0 ? -1 : i);
        centres.centres.push_back(Vector3{0.0f, next(), 0.0f});
    }
    SkinInput in = {skins.data(),           joints,
                    mesh.restPositions.data(), mesh.restNormals.data(),
                    mesh.influences.data(),    &centres};
    const SkinKernel kernels[SkinningMethodCount] = {SkinLinear, SkinRigid, SkinDualQuaternion,
                                                     SkinCentreOfRotation};
    const SkinKernel portableKernels[SkinningMethodCount] = {
        PortableSkinLinear, PortableSkinRigid, PortableSkinDualQuaternion,
        PortableSkinCentreOfRotation};
    for (int method = 0; method < SkinningMethodCount; ++method) {
        SCOPED_TRACE(SkinningMethodName(method));
        std::vector<Vector3> positions[3], normals[3];
        for (int path = 0; path < 3; ++path) {
            positions[path].resize((size_t)vertices);
            normals[path].resize((size_t)vertices);
        }
        kernels[method](in, 0, vertices, positions[0].data(), normals[0].data());
        portableKernels[method](in, 0, vertices, positions[1].data(), normals[1].data());
        for (int i = 0; i < vertices; ++i)
            kernels[method](in, i, i + 1, &positions[2][(size_t)i], &normals[2][(size_t)i]);
        for (int i = 0; i < vertices; ++i)
            for (int path = 1; path < 3; ++path) {
                ASSERT_TRUE(SameBits(&positions[0][(size_t)i], &positions[path][(size_t)i],
                                     sizeof(Vector3)))
                    << "position of vertex " << i << ", path " << path;
                ASSERT_TRUE(
                    SameBits(&normals[0][(size_t)i], &normals[path][(size_t)i], sizeof(Vector3)))
                    << "normal of vertex " << i << ", path " << path;
            }
    }
}

} // namespace
