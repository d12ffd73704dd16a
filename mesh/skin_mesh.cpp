#include "mesh/skin_mesh.h"

#include <cstdlib>

namespace {

// How each ring, top to bottom, is bound: its blend weight and whether it follows the bones.
// The bottom ring stands on the floor and never moves.
struct RingBinding {
    float weight;
    int bound;
};

const RingBinding ringBindings[SkinRingCount] = {
    {0.0f, 1}, {0.3f, 1}, {0.5f, 1}, {0.6f, 1}, {1.0f, 1}, {1.0f, 0},
};

} // namespace

// clang-format off
const Vector3 restPositions[SkinVertexCount] = {
    // top point
    {0.0f, 3.0f, 0.0f},
    // ring 1: y 2.9, axes at 0.1, diagonals at 0.07
    {0.1f, 2.9f, 0.0f}, {0.07f, 2.9f, 0.07f}, {0.0f, 2.9f, 0.1f}, {-0.07f, 2.9f, 0.07f},
    {-0.1f, 2.9f, 0.0f}, {-0.07f, 2.9f, -0.07f}, {0.0f, 2.9f, -0.1f}, {0.07f, 2.9f, -0.07f},
    // ring 2: y 2.0, axes at 0.24, diagonals at 0.18
    {0.24f, 2.0f, 0.0f}, {0.18f, 2.0f, 0.18f}, {0.0f, 2.0f, 0.24f}, {-0.18f, 2.0f, 0.18f},
    {-0.24f, 2.0f, 0.0f}, {-0.18f, 2.0f, -0.18f}, {0.0f, 2.0f, -0.24f}, {0.18f, 2.0f, -0.18f},
    // ring 3: y 1.5, axes at 0.33, diagonals at 0.23
    {0.33f, 1.5f, 0.0f}, {0.23f, 1.5f, 0.23f}, {0.0f, 1.5f, 0.33f}, {-0.23f, 1.5f, 0.23f},
    {-0.33f, 1.5f, 0.0f}, {-0.23f, 1.5f, -0.23f}, {0.0f, 1.5f, -0.33f}, {0.23f, 1.5f, -0.23f},
    // ring 4: y 1.0, axes at 0.44, diagonals at 0.31
    {0.44f, 1.0f, 0.0f}, {0.31f, 1.0f, 0.31f}, {0.0f, 1.0f, 0.44f}, {-0.31f, 1.0f, 0.31f},
    {-0.44f, 1.0f, 0.0f}, {-0.31f, 1.0f, -0.31f}, {0.0f, 1.0f, -0.44f}, {0.31f, 1.0f, -0.31f},
    // ring 5: y 0.2, axes at 0.62, diagonals at 0.44
    {0.62f, 0.2f, 0.0f}, {0.44f, 0.2f, 0.44f}, {0.0f, 0.2f, 0.62f}, {-0.44f, 0.2f, 0.44f},
    {-0.62f, 0.2f, 0.0f}, {-0.44f, 0.2f, -0.44f}, {0.0f, 0.2f, -0.62f}, {0.44f, 0.2f, -0.44f},
    // ring 6: y 0.0, axes at 0.75, diagonals at 0.53
    {0.75f, 0.0f, 0.0f}, {0.53f, 0.0f, 0.53f}, {0.0f, 0.0f, 0.75f}, {-0.53f, 0.0f, 0.53f},
    {-0.75f, 0.0f, 0.0f}, {-0.53f, 0.0f, -0.53f}, {0.0f, 0.0f, -0.75f}, {0.53f, 0.0f, -0.53f},
};

// Seen from outside the tube, each triangle's corners run clockwise. For each band and each
// j with j' = (j + 1) mod 8, the upper ring at a and the lower ring at b = a + 8 give
// (a + j, b + j, b + j') and (a + j, b + j', a + j'). The bottom ring is left open.
const Triangle modelTriangles[SkinTriangleCount] = {
    // top fan
    {{0, 1, 2}}, {{0, 2, 3}}, {{0, 3, 4}}, {{0, 4, 5}},
    {{0, 5, 6}}, {{0, 6, 7}}, {{0, 7, 8}}, {{0, 8, 1}},
    // band between rings 1 and 2
    {{1, 9, 10}}, {{1, 10, 2}}, {{2, 10, 11}}, {{2, 11, 3}},
    {{3, 11, 12}}, {{3, 12, 4}}, {{4, 12, 13}}, {{4, 13, 5}},
    {{5, 13, 14}}, {{5, 14, 6}}, {{6, 14, 15}}, {{6, 15, 7}},
    {{7, 15, 16}}, {{7, 16, 8}}, {{8, 16, 9}}, {{8, 9, 1}},
    // band between rings 2 and 3
    {{9, 17, 18}}, {{9, 18, 10}}, {{10, 18, 19}}, {{10, 19, 11}},
    {{11, 19, 20}}, {{11, 20, 12}}, {{12, 20, 21}}, {{12, 21, 13}},
    {{13, 21, 22}}, {{13, 22, 14}}, {{14, 22, 23}}, {{14, 23, 15}},
    {{15, 23, 24}}, {{15, 24, 16}}, {{16, 24, 17}}, {{16, 17, 9}},
    // band between rings 3 and 4
    {{17, 25, 26}}, {{17, 26, 18}}, {{18, 26, 27}}, {{18, 27, 19}},
    {{19, 27, 28}}, {{19, 28, 20}}, {{20, 28, 29}}, {{20, 29, 21}},
    {{21, 29, 30}}, {{21, 30, 22}}, {{22, 30, 31}}, {{22, 31, 23}},
    {{23, 31, 32}}, {{23, 32, 24}}, {{24, 32, 25}}, {{24, 25, 17}},
    // band between rings 4 and 5
    {{25, 33, 34}}, {{25, 34, 26}}, {{26, 34, 35}}, {{26, 35, 27}},
    {{27, 35, 36}}, {{27, 36, 28}}, {{28, 36, 37}}, {{28, 37, 29}},
    {{29, 37, 38}}, {{29, 38, 30}}, {{30, 38, 39}}, {{30, 39, 31}},
    {{31, 39, 40}}, {{31, 40, 32}}, {{32, 40, 33}}, {{32, 33, 25}},
    // band between rings 5 and 6
    {{33, 41, 42}}, {{33, 42, 34}}, {{34, 42, 43}}, {{34, 43, 35}},
    {{35, 43, 44}}, {{35, 44, 36}}, {{36, 44, 45}}, {{36, 45, 37}},
    {{37, 45, 46}}, {{37, 46, 38}}, {{38, 46, 47}}, {{38, 47, 39}},
    {{39, 47, 48}}, {{39, 48, 40}}, {{40, 48, 41}}, {{40, 41, 33}},
};
// clang-format on

Triangle skinTriangles[SkinTriangleCount];
Vector3 restNormals[SkinVertexCount];
SkinVertex skinVertices[SkinVertexCount];

namespace {

Vector3 Normalised(const Vector3 &v) {
    float length = (float)VectorLength(v);
    return Vector3{v.x / length, v.y / length, v.z / length};
}

bool TriangleUses(const Triangle &triangle, int vertex) {
    return triangle.index[0] == vertex || triangle.index[1] == vertex ||
           triangle.index[2] == vertex;
}

void SetBinding(SkinVertex &vertex, float weight, int bound) {
    vertex.weight = weight;
    vertex.boneIndex[0] = bound ? 0 : -1;
    vertex.boneIndex[1] = bound ? 1 : -1;
}

} // namespace

int ComputeVertexNormals(const Vector3 *positions, int vertexCount, const Triangle *triangles,
                         int triangleCount, Vector3 *outNormals) {
    if (triangleCount < 0)
        return 0;
    // One spare byte so that an empty triangle list is not mistaken for a failed allocation.
    Vector3 *faceNormals = (Vector3 *)std::malloc(sizeof(Vector3) * (size_t)triangleCount + 1);
    if (!faceNormals)
        return 0;

    // Stored corners run clockwise seen from outside the tube, so crossing the edges as
    // (P1 - P2) x (P0 - P1) gives the normal of the side the renderer shows as the front: out
    // of the tube, where the light has to find it.
    for (int t = 0; t < triangleCount; ++t) {
        const Vector3 &p0 = positions[triangles[t].index[0]];
        const Vector3 &p1 = positions[triangles[t].index[1]];
        const Vector3 &p2 = positions[triangles[t].index[2]];
        faceNormals[t] = Normalised(CrossProduct(Subtract(p1, p2), Subtract(p0, p1)));
    }

    for (int j = 0; j < vertexCount; ++j) {
        Vector3 sum = {0.0f, 0.0f, 0.0f};
        int count = 0;
        for (int t = 0; t < triangleCount; ++t) {
            if (TriangleUses(triangles[t], j)) {
                sum = Add(sum, faceNormals[t]);
                ++count;
            }
        }
        if (count == 0) {
            outNormals[j] = Vector3{0.0f, 0.0f, 0.0f}; // a loose vertex has no surface to face
            continue;
        }
        Vector3 mean = {sum.x / count, sum.y / count, sum.z / count};
        outNormals[j] = Normalised(mean);
    }

    std::free(faceNormals);
    return 1;
}

void SetUpSkinData() {
    for (int t = 0; t < SkinTriangleCount; ++t)
        skinTriangles[t] = modelTriangles[t];

    for (int i = 0; i < SkinVertexCount; ++i) {
        SkinVertex &vertex = skinVertices[i];
        vertex.position = restPositions[i];
        vertex.u = (restPositions[i].x + 1.0f) / 2.0f;
        vertex.v = (restPositions[i].z + 1.0f) / 2.0f;
    }
    SetBuiltInBindings();
}

void SetBuiltInBindings() {
    // The top point shares ring 1's binding: it follows the upper bone entirely.
    SetBinding(skinVertices[0], 0.0f, 1);
    for (int ring = 0; ring < SkinRingCount; ++ring)
        for (int k = 0; k < SkinRingSize; ++k)
            SetBinding(skinVertices[1 + ring * SkinRingSize + k], ringBindings[ring].weight,
                       ringBindings[ring].bound);
}

int SetRingWeight(int ring, double weightOnBone1) {
    if (ring < FirstEditableRing || ring > LastEditableRing || !(weightOnBone1 == weightOnBone1))
        return 0;
    double share = weightOnBone1 < 0.0 ? 0.0 : weightOnBone1 > 1.0 ? 1.0 : weightOnBone1;
    for (int k = 0; k < SkinRingSize; ++k)
        skinVertices[1 + (ring - 1) * SkinRingSize + k].weight = (float)(1.0 - share);
    return 1;
}

float RingWeightOnBone1(const SkinVertex *skin, int ring) {
    if (ring < 1 || ring > SkinRingCount)
        return 0.0f;
    return SecondBoneWeight(skin[1 + (ring - 1) * SkinRingSize]);
}

int HasBuiltInWeights(const SkinVertex *skin) {
    for (int ring = 0; ring < SkinRingCount; ++ring)
        for (int k = 0; k < SkinRingSize; ++k)
            if (skin[1 + ring * SkinRingSize + k].weight != ringBindings[ring].weight)
                return 0;
    return 1;
}
