#include "skeleton/skinning.h"

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/dual_quaternion.h"
#include "skeleton/kinematics.h"

#include <cstring>

float skinDeterminants[SkinVertexCount];

namespace {

const char *const methodNames[SkinningMethodCount] = {"linear", "rigid", "dual-quaternion"};

Vector3 Blend(float weight, const Vector4 &a, const Vector4 &b) {
    return Vector3{weight * a.x + (1.0f - weight) * b.x, weight * a.y + (1.0f - weight) * b.y,
                   weight * a.z + (1.0f - weight) * b.z};
}

int IsBone(int b) {
    return b >= 0 && b < BoneCount;
}

struct PositionAndNormal {
    Vector3 position, normal;
};

// Linear blending of vertices from to to - 1 into the position and normal of out[0], out[1], ...;
// out may be skinVertices + from itself.
void LinearVertices(int from, int to, SkinVertex *out) {
    // Local copies of the matrices and the weight, which the stores into out cannot touch, so
    // they are not read again for every vertex.
    Matrix4 matrices[BoneCount];
    for (int b = 0; b < BoneCount; ++b)
        matrices[b] = bones[b].matrix;
    // The chained matrix depends only on a vertex's bone pair, so it is formed once per pair and
    // frame instead of once per vertex; the product is the same either way.
    Matrix4 chain;
    int chainFirst = -2, chainSecond = -2;
    for (int i = from; i < to; ++i) {
        const SkinVertex &vertex = skinVertices[i];
        Vector4 p = AsPoint(restPositions[i]);
        Vector4 n = AsDirection(restNormals[i]);
        Vector4 firstP = p, firstN = n, chainP = p, chainN = n;
        int first = vertex.boneIndex[0], second = vertex.boneIndex[1];
        if (IsBone(first)) {
            TransformPoint(firstP, matrices[first], p);
            TransformPoint(firstN, matrices[first], n);
            if (IsBone(second)) {
                if (first != chainFirst || second != chainSecond) {
                    MultMatrix(chain, matrices[first], matrices[second]);
                    chainFirst = first;
                    chainSecond = second;
                }
                TransformPoint(chainP, chain, p);
                TransformPoint(chainN, chain, n);
            }
        }
        float weight = vertex.weight;
        out[i - from].position = Blend(weight, firstP, chainP);
        out[i - from].normal = Blend(weight, firstN, chainN);
    }
}

// A vertex's two transforms as whole matrices, identity standing for the rest data, and as
// dual quaternions with the chain's on the first's side. Formed once per bone pair and frame.
struct PairTransforms {
    int first, second; // the boneIndex pair these serve
    Matrix4 firstMatrix, chainMatrix;
    DualQuaternion firstDq, chainDq;
};

const PairTransforms &PairFor(PairTransforms &pair, int first, int second) {
    if (first == pair.first && second == pair.second)
        return pair;
    pair.first = first;
    pair.second = second;
    pair.firstMatrix = pair.chainMatrix = IdentityMatrix();
    if (IsBone(first)) {
        pair.firstMatrix = bones[first].matrix;
        if (IsBone(second))
            MultMatrix(pair.chainMatrix, bones[first].matrix, bones[second].matrix);
    }
    pair.firstDq = DualQuaternionOfMatrix(pair.firstMatrix);
    pair.chainDq = DualQuaternionOfMatrix(pair.chainMatrix);
    // q and -q are the same turn; mixing across the sign would take the long way round.
    if (QuaternionDot(pair.firstDq.real, pair.chainDq.real) < 0.0f)
        pair.chainDq = NegatedDualQuaternion(pair.chainDq);
    return pair;
}

PairTransforms NoPair() {
    PairTransforms pair;
    std::memset(&pair, 0, sizeof(pair));
    pair.first = pair.second = -2; // no vertex names this pair, so the first one forms it
    return pair;
}

const PairTransforms &PairOf(PairTransforms &pair, int i) {
    return PairFor(pair, skinVertices[i].boneIndex[0], skinVertices[i].boneIndex[1]);
}

const Matrix4 &RigidMatrix(const PairTransforms &pair, float weight) {
    return weight >= 0.5f ? pair.firstMatrix : pair.chainMatrix;
}

PositionAndNormal RigidVertex(int i, const PairTransforms &pair) {
    const Matrix4 &m = RigidMatrix(pair, skinVertices[i].weight);
    Vector4 p, n;
    TransformPoint(p, m, AsPoint(restPositions[i]));
    TransformPoint(n, m, AsDirection(restNormals[i]));
    return PositionAndNormal{DropW(p), DropW(n)};
}

RigidTransform DualQuaternionTransform(int i, const PairTransforms &pair) {
    return RigidTransformOf(
        BlendDualQuaternions(skinVertices[i].weight, pair.firstDq, pair.chainDq));
}

PositionAndNormal DualQuaternionVertex(int i, const PairTransforms &pair) {
    RigidTransform t = DualQuaternionTransform(i, pair);
    return PositionAndNormal{MovedBy(t, restPositions[i]), TurnedBy(t, restNormals[i])};
}

// Row r, column c of the 3x3 at a[3 * r + c].
double Determinant3(const double a[9]) {
    return a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
           a[2] * (a[3] * a[7] - a[4] * a[6]);
}

// weight * a + (1 - weight) * b over the upper 3x3 of two matrices.
double BlendedDeterminant(float weight, const Matrix4 &a, const Matrix4 &b) {
    double mixed[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            mixed[3 * r + c] =
                (double)weight * a.m[4 * c + r] + (1.0 - weight) * (double)b.m[4 * c + r];
    return Determinant3(mixed);
}

double VertexDeterminant(int i, int method, const PairTransforms &pair) {
    float weight = skinVertices[i].weight;
    if (method == SkinningRigid) {
        const Matrix4 &m = RigidMatrix(pair, weight);
        return BlendedDeterminant(1.0f, m, m);
    }
    if (method == SkinningDualQuaternion) {
        RigidTransform t = DualQuaternionTransform(i, pair);
        double rotation[9];
        for (int k = 0; k < 9; ++k)
            rotation[k] = t.rotation[k];
        return Determinant3(rotation);
    }
    // A vertex without a first bone keeps its rest data whatever its weight says.
    if (!IsBone(skinVertices[i].boneIndex[0]))
        return 1.0;
    return BlendedDeterminant(weight, pair.firstMatrix, pair.chainMatrix);
}

} // namespace

const char *SkinningMethodName(int method) {
    if (method < 0 || method >= SkinningMethodCount)
        return nullptr;
    return methodNames[method];
}

int FindSkinningMethod(const char *name, int &method) {
    for (int m = 0; m < SkinningMethodCount; ++m) {
        if (name && std::strcmp(name, methodNames[m]) == 0) {
            method = m;
            return 1;
        }
    }
    return 0;
}

void SkinMesh() {
    LinearVertices(0, SkinVertexCount, skinVertices);
}

void SkinMeshWith(int method) {
    if (method != SkinningRigid && method != SkinningDualQuaternion) {
        SkinMesh();
        return;
    }
    PairTransforms pair = NoPair();
    for (int i = 0; i < SkinVertexCount; ++i) {
        const PairTransforms &transforms = PairOf(pair, i);
        PositionAndNormal skinned = method == SkinningRigid ? RigidVertex(i, transforms)
                                                            : DualQuaternionVertex(i, transforms);
        skinVertices[i].position = skinned.position;
        skinVertices[i].normal = skinned.normal;
    }
}

void UpdateSkinDeterminants() {
    PairTransforms pair = NoPair();
    for (int i = 0; i < SkinVertexCount; ++i)
        skinDeterminants[i] =
            (float)VertexDeterminant(i, demoState.skinningMethod, PairOf(pair, i));
}

void SkinOneVertex(int vertex, int method, SkinnedVertex &out) {
    PairTransforms pair = NoPair();
    const PairTransforms &transforms = PairOf(pair, vertex);
    PositionAndNormal skinned;
    if (method == SkinningRigid) {
        skinned = RigidVertex(vertex, transforms);
    } else if (method == SkinningDualQuaternion) {
        skinned = DualQuaternionVertex(vertex, transforms);
    } else {
        SkinVertex one;
        LinearVertices(vertex, vertex + 1, &one);
        skinned = PositionAndNormal{one.position, one.normal};
    }
    out.position = skinned.position;
    out.normal = skinned.normal;
    out.determinant = VertexDeterminant(vertex, method, transforms);
}

void VertexTransformsAlone(int vertex, Vector3 &first, Vector3 &chain) {
    PairTransforms pair = NoPair();
    const PairTransforms &transforms = PairOf(pair, vertex);
    Vector4 p = AsPoint(restPositions[vertex]), moved;
    TransformPoint(moved, transforms.firstMatrix, p);
    first = DropW(moved);
    TransformPoint(moved, transforms.chainMatrix, p);
    chain = DropW(moved);
}

void UpdateSkeletonAndSkin() {
    BuildBoneMatrices();
    if (demoState.ikMode)
        SolveIkStep();
    SkinMeshWith(demoState.skinningMethod);
}
