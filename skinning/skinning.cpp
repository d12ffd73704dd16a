#include "skinning/skinning.h"

#include "math/dual_quaternion.h"
#include "math/text_list.h"
#include "rig/bones.h"
#include "skinning/rotation_centres.h"

#include <cstring>

float skinDeterminants[SkinVertexCount];

namespace {

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

// Where the weighted mix of A and B carries a vertex's centre of rotation.
Vector3 CarriedCentre(float weight, const PairTransforms &pair, const Vector3 &centre) {
    Vector4 byFirst, byChain;
    TransformPoint(byFirst, pair.firstMatrix, AsPoint(centre));
    TransformPoint(byChain, pair.chainMatrix, AsPoint(centre));
    return Blend(weight, byFirst, byChain);
}

// Rigid, dual-quaternion or centre-of-rotation skinning of vertices from to to - 1 into the
// position and normal of out[0], out[1], ..., as LinearVertices. A vertex without a first bone
// keeps its rest data. Centre of rotation turns a vertex by the dual-quaternion blend's rotation
// about its own centre, which goes where the weighted mix of A and B puts it; a vertex with no
// centre follows its heavier transform, as rigid.
template <int Method> void RigidOrBlendedTurnVertices(int from, int to, SkinVertex *out) {
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
            pair = PairFor(first, second, Method != SkinningRigid);
            pairFirst = first;
            pairSecond = second;
            blendedWeight = -1.0f;
        }
        if (Method == SkinningRigid ||
            (Method == SkinningCentreOfRotation && !hasRotationCentre[i])) {
            const Matrix4 &m = RigidMatrix(pair, weight);
            Vector4 p, n;
            TransformPoint(p, m, AsPoint(restPositions[i]));
            TransformPoint(n, m, AsDirection(restNormals[i]));
            out[i - from].position = DropW(p);
            out[i - from].normal = DropW(n);
            continue;
        }
        if (weight != blendedWeight) {
            blended = DualQuaternionTransform(weight, pair);
            blendedWeight = weight;
        }
        if (Method == SkinningCentreOfRotation) {
            const Vector3 &centre = rotationCentres[i];
            out[i - from].position = Add(TurnedBy(blended, Subtract(restPositions[i], centre)),
                                         CarriedCentre(weight, pair, centre));
        } else {
            out[i - from].position = MovedBy(blended, restPositions[i]);
        }
        out[i - from].normal = TurnedBy(blended, restNormals[i]);
    }
}

// Row-major, unlike Matrix4: row r, column c of the 3x3 at a[3 * r + c].
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

// A vertex without a first bone keeps its rest data whatever its weight says: nothing scales.
int KeepsRestData(int i) {
    return !IsBone(skinVertices[i].boneIndex[0]);
}

PairTransforms PairOfVertex(int i, int withDualQuaternions) {
    return PairFor(skinVertices[i].boneIndex[0], skinVertices[i].boneIndex[1], withDualQuaternions);
}

double LinearDeterminant(int i) {
    if (KeepsRestData(i))
        return 1.0;
    PairTransforms pair = PairOfVertex(i, 0);
    return BlendedDeterminant(skinVertices[i].weight, pair.firstMatrix, pair.chainMatrix);
}

double RigidDeterminant(int i) {
    if (KeepsRestData(i))
        return 1.0;
    PairTransforms pair = PairOfVertex(i, 0);
    const Matrix4 &m = RigidMatrix(pair, skinVertices[i].weight);
    return BlendedDeterminant(1.0f, m, m);
}

double DualQuaternionDeterminant(int i) {
    if (KeepsRestData(i))
        return 1.0;
    RigidTransform t = DualQuaternionTransform(skinVertices[i].weight, PairOfVertex(i, 1));
    double rotation[9];
    for (int k = 0; k < 9; ++k)
        rotation[k] = t.rotation[k];
    return Determinant3(rotation);
}

double CentreOfRotationDeterminant(int i) {
    if (KeepsRestData(i) || !hasRotationCentre[i])
        return RigidDeterminant(i);
    return DualQuaternionDeterminant(i); // the same rotation, about another point
}

} // namespace

const SkinningMethodInfo skinningMethods[] = {
    {"linear",
     "Linear",
     "linear blend",
     {1.0f, 0.9f, 0.1f}, // yellow: always on the line A-B
     LinearVertices,
     LinearDeterminant},
    {"rigid",
     "Rigid",
     "rigid",
     {1.0f, 0.5f, 0.0f}, // orange: always on A or B
     RigidOrBlendedTurnVertices<SkinningRigid>,
     RigidDeterminant},
    {"dual-quaternion",
     "Dual quaternion",
     "dual quaternions",
     {1.0f, 1.0f, 1.0f}, // white
     RigidOrBlendedTurnVertices<SkinningDualQuaternion>,
     DualQuaternionDeterminant},
    {"center-of-rotation",
     "Centre of rotation",
     "centres of rotation",
     {0.3f, 0.95f, 0.35f}, // green
     RigidOrBlendedTurnVertices<SkinningCentreOfRotation>,
     CentreOfRotationDeterminant},
};
static_assert(sizeof skinningMethods / sizeof skinningMethods[0] == SkinningMethodCount,
              "one row per SkinningMethod");

int ValidSkinningMethod(int method) {
    return method >= 0 && method < SkinningMethodCount ? method : SkinningLinear;
}

const char *SkinningMethodName(int method) {
    if (method < 0 || method >= SkinningMethodCount)
        return nullptr;
    return skinningMethods[method].name;
}

int FindSkinningMethod(const char *name, int &method) {
    int found =
        FindRowByText(skinningMethods, SkinningMethodCount, &SkinningMethodInfo::name, name);
    if (found < 0)
        return 0;
    method = found;
    return 1;
}

const char *SkinningMethodNameList() {
    static char list[256];
    return ListRowTexts(skinningMethods, SkinningMethodCount, &SkinningMethodInfo::name, list,
                        sizeof list);
}

const char *SkinningMethodWordList() {
    static char list[256];
    return ListRowTexts(skinningMethods, SkinningMethodCount, &SkinningMethodInfo::words, list,
                        sizeof list);
}

void SkinMeshWith(int method) {
    skinningMethods[ValidSkinningMethod(method)].skinVertices(0, SkinVertexCount, skinVertices);
}

void UpdateSkinDeterminants(int method) {
    method = ValidSkinningMethod(method);
    // Per vertex, forming its pair's transforms anew: the cost is small beside a frame's drawing.
    for (int i = 0; i < SkinVertexCount; ++i)
        skinDeterminants[i] = (float)skinningMethods[method].determinant(i);
}

void SkinOneVertex(int vertex, int method, SkinnedVertex &out) {
    SkinVertex one;
    const SkinningMethodInfo &info = skinningMethods[ValidSkinningMethod(method)];
    info.skinVertices(vertex, vertex + 1, &one);
    out.position = one.position;
    out.normal = one.normal;
    out.determinant = info.determinant(vertex);
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

int CarriedRotationCentre(int vertex, Vector3 &carried) {
    if (vertex < 0 || vertex >= SkinVertexCount || !hasRotationCentre[vertex] ||
        KeepsRestData(vertex))
        return 0;
    const SkinVertex &skin = skinVertices[vertex];
    carried = CarriedCentre(skin.weight, PairFor(skin.boneIndex[0], skin.boneIndex[1], 0),
                            rotationCentres[vertex]);
    return 1;
}
