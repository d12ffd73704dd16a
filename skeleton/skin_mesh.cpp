#include "skeleton/skin_mesh.h"

#include "skeleton/bones.h"

#include <cstdlib>

namespace {

const int RingSize = 8;
const int RingCount = 6;

// How each ring, top to bottom, is bound: its blend weight and whether it follows the bones.
// The bottom ring stands on the floor and never moves.
struct RingBinding {
    float weight;
    int bound;
};

const RingBinding ringBindings[RingCount] = {
    {0.0f, 1}, {0.3f, 1}, {0.5f, 1}, {0.6f, 1}, {1.0f, 1}, {1.0f, 0},
};

// Eight vertices at height y: on the axes at radius r and on the diagonals at (+-d, +-d).
#define RING(y, r, d)                                                                              \
    {r, y, 0.0f}, {d, y, d}, {0.0f, y, r}, {-(d), y, d}, {-(r), y, 0.0f}, {-(d), y, -(d)},         \
        {0.0f, y, -(r)}, {                                                                         \
        d, y, -(d)                                                                                 \
    }

#define FAN(j)                                                                                     \
    {                                                                                              \
        { 0, j, j + 1 }                                                                            \
    }
#define QUAD(a, j, k)                                                                              \
    {{a + j, a + 8 + j, a + 8 + k}}, {                                                             \
        { a + j, a + 8 + k, a + k }                                                                \
    }
#define BAND(a)                                                                                    \
    QUAD(a, 0, 1), QUAD(a, 1, 2), QUAD(a, 2, 3), QUAD(a, 3, 4), QUAD(a, 4, 5), QUAD(a, 5, 6),      \
        QUAD(a, 6, 7), QUAD(a, 7, 0)

} // namespace

const Vector3 restPositions[SkinVertexCount] = {
    {0.0f, 3.0f, 0.0f},       RING(2.9f, 0.1f, 0.07f),  RING(2.0f, 0.24f, 0.18f),
    RING(1.5f, 0.33f, 0.23f), RING(1.0f, 0.44f, 0.31f), RING(0.2f, 0.62f, 0.44f),
    RING(0.0f, 0.75f, 0.53f),
};

const Triangle modelTriangles[SkinTriangleCount] = {
    FAN(1),      FAN(2),  FAN(3),  FAN(4),   FAN(5),   FAN(6),   FAN(7),
    {{0, 8, 1}}, BAND(1), BAND(9), BAND(17), BAND(25), BAND(33),
};

#undef RING
#undef FAN
#undef QUAD
#undef BAND

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

    for (int t = 0; t < triangleCount; ++t) {
        const Vector3 &p0 = positions[triangles[t].index[0]];
        const Vector3 &p1 = positions[triangles[t].index[1]];
        const Vector3 &p2 = positions[triangles[t].index[2]];
        faceNormals[t] = Normalised(CrossProduct(Subtract(p0, p1), Subtract(p1, p2)));
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

void InitSkinAndBones() {
    for (int t = 0; t < SkinTriangleCount; ++t)
        skinTriangles[t] = modelTriangles[t];

    for (int i = 0; i < SkinVertexCount; ++i) {
        SkinVertex &vertex = skinVertices[i];
        vertex.position = restPositions[i];
        vertex.u = (restPositions[i].x + 1.0f) / 2.0f;
        vertex.v = (restPositions[i].z + 1.0f) / 2.0f;
    }

    // The top point shares ring 1's binding: it follows the upper bone entirely.
    SetBinding(skinVertices[0], 0.0f, 1);
    for (int ring = 0; ring < RingCount; ++ring)
        for (int k = 0; k < RingSize; ++k)
            SetBinding(skinVertices[1 + ring * RingSize + k], ringBindings[ring].weight,
                       ringBindings[ring].bound);

    SetUpBones();

    if (!ComputeVertexNormals(restPositions, SkinVertexCount, modelTriangles, SkinTriangleCount,
                              restNormals))
        std::exit(1);

    for (int i = 0; i < SkinVertexCount; ++i)
        skinVertices[i].normal = restNormals[i];
}
