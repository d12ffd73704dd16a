#include "skeleton/skinning.h"

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/dual_quaternion.h"
#include "skeleton/ik_lab.h"
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
    Matrix4 firstMatrix, chainMatrix;
    DualQuaternion firstDq, chainDq;
};

// The transforms of a vertex whose first bone is a bone; the dual quaternions only when asked.
PairTransforms PairFor(int first, int second, int withDualQuaternions) {
    PairTransforms pair;
    pair.firstMatrix = bones[first].matrix;
    pair.chainMatrix = IdentityMatrix();
    if (IsBone(second))
        MultMatrix(pair.chainMatrix, bones[first].matrix, bones[second].matrix);
    if (withDualQuaternions) {
        pair.firstDq = DualQuaternionOfMatrix(pair.firstMatrix);
        pair.chainDq = DualQuaternionOfMatrix(pair.chainMatrix);
        // q and -q are the same turn; mixing across the sign would take the long way round.
        if (QuaternionDot(pair.firstDq.real, pair.chainDq.real) < 0.0f)
            pair.chainDq = NegatedDualQuaternion(pair.chainDq);
    }
    return pair;
}

const Matrix4 &RigidMatrix(const PairTransforms &pair, float weight) {
    return weight >= 0.5f ? pair.firstMatrix : pair.chainMatrix;
}

RigidTransform DualQuaternionTransform(float weight, const PairTransforms &pair) {
    return RigidTransformOf(BlendDualQuaternions(weight, pair.firstDq, pair.chainDq));
}

// Rigid or dual-quaternion skinning of vertices from to to - 1 into the position and normal of
// out[0], out[1], ..., as LinearVertices. A vertex without a first bone keeps its rest data.
template <int Method> void RigidOrDualQuaternionVertices(int from, int to, SkinVertex *out) {
    PairTransforms pair;
    int pairFirst = -2, pairSecond = -2;
    // The blended motion depends only on the pair and the weight, and a ring's vertices share
    // both, so it is formed once per run of equal weights; the result is the same either way.
    RigidTransform blended;
    float blendedWeight = -1.0f; // no weight: the first vertex forms it
    for (int i = from; i < to; ++i) {
        const SkinVertex &vertex = skinVertices[i];
        int first = vertex.boneIndex[0], second = vertex.boneIndex[1];
        float weight = vertex.weight;
        if (!IsBone(first)) {
            out[i - from].position = restPositions[i];
            out[i - from].normal = restNormals[i];
            continue;
        }
        if (first != pairFirst || second != pairSecond) {
            pair = PairFor(first, second, Method == SkinningDualQuaternion);
            pairFirst = first;
            pairSecond = second;
            blendedWeight = -1.0f;
        }
        if (Method == SkinningRigid) {
            const Matrix4 &m = RigidMatrix(pair, weight);
            Vector4 p, n;
            TransformPoint(p, m, AsPoint(restPositions[i]));
            TransformPoint(n, m, AsDirection(restNormals[i]));
            out[i - from].position = DropW(p);
            out[i - from].normal = DropW(n);
        } else {
            if (weight != blendedWeight) {
                blended = DualQuaternionTransform(weight, pair);
                blendedWeight = weight;
            }
            out[i - from].position = MovedBy(blended, restPositions[i]);
            out[i - from].normal = TurnedBy(blended, restNormals[i]);
        }
    }
}

// Skins vertices from to to - 1 by method into out[0], out[1], ...
void SkinVertices(int method, int from, int to, SkinVertex *out) {
    if (method == SkinningRigid)
        RigidOrDualQuaternionVertices<SkinningRigid>(from, to, out);
    else if (method == SkinningDualQuaternion)
        RigidOrDualQuaternionVertices<SkinningDualQuaternion>(from, to, out);
    else
        LinearVertices(from, to, out);
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

double VertexDeterminant(int i, int method) {
    const SkinVertex &vertex = skinVertices[i];
    // A vertex without a first bone keeps its rest data whatever its weight says.
    if (!IsBone(vertex.boneIndex[0]))
        return 1.0;
    PairTransforms pair =
        PairFor(vertex.boneIndex[0], vertex.boneIndex[1], method == SkinningDualQuaternion);
    if (method == SkinningRigid) {
        const Matrix4 &m = RigidMatrix(pair, vertex.weight);
        return BlendedDeterminant(1.0f, m, m);
    }
    if (method == SkinningDualQuaternion) {
        RigidTransform t = DualQuaternionTransform(vertex.weight, pair);
        double rotation[9];
        for (int k = 0; k < 9; ++k)
            rotation[k] = t.rotation[k];
        return Determinant3(rotation);
    }
    return BlendedDeterminant(vertex.weight, pair.firstMatrix, pair.chainMatrix);
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
    SkinVertices(method, 0, SkinVertexCount, skinVertices);
}

void UpdateSkinDeterminants() {
    // Per vertex, forming its pair's transforms anew: the cost is small beside a frame's drawing.
    for (int i = 0; i < SkinVertexCount; ++i)
        skinDeterminants[i] = (float)VertexDeterminant(i, demoState.skinningMethod);
}

void SkinOneVertex(int vertex, int method, SkinnedVertex &out) {
    SkinVertex one;
    SkinVertices(method, vertex, vertex + 1, &one);
    out.position = one.position;
    out.normal = one.normal;
    out.determinant = VertexDeterminant(vertex, method);
}

void VertexTransformsAlone(int vertex, Vector3 &first, Vector3 &chain) {
    const SkinVertex &skin = skinVertices[vertex];
    first = chain = restPositions[vertex];
    if (!IsBone(skin.boneIndex[0]))
        return;
    PairTransforms pair = PairFor(skin.boneIndex[0], skin.boneIndex[1], 0);
    Vector4 p = AsPoint(restPositions[vertex]), moved;
    TransformPoint(moved, pair.firstMatrix, p);
    first = DropW(moved);
    TransformPoint(moved, pair.chainMatrix, p);
    chain = DropW(moved);
}

void UpdateSkeletonAndSkin() {
    BuildBoneMatrices();
    if (demoState.ikMode)
        UpdateIk();
    SkinMeshWith(demoState.skinningMethod);
}
