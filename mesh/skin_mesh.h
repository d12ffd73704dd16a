#pragma once

#include "math/math3d.h"

// The built-in limb: a tapered tube 3 units tall along +Y, a top point and six rings of eight,
// closed at the top and open at the bottom.

struct SkinVertex {
    Vector3 position; // deformed, model space; rewritten every frame
    Vector3 normal;   // deformed, not renormalised
    float u, v;       // texture coordinates, projected straight down onto X-Z
    int boneIndex[2]; // -1 means no bone
    float weight;     // share of the first bone's own transform in the blend
};

const int SkinVertexCount = 49;
const int SkinTriangleCount = 88;
const int SkinRingSize = 8;  // vertices per ring, after the top point (vertex 0)
const int SkinRingCount = 6; // rings, top to bottom
// The bottom ring, which stands on the floor, carries no bones and bounds the open end.
const int SkinBottomRingStart = 1 + (SkinRingCount - 1) * SkinRingSize;

// The share of the chain (the second bone carried by the first) in the vertex's blend, 1 - weight;
// 0 for a vertex that follows no second bone.
inline float SecondBoneWeight(const SkinVertex &vertex) {
    return vertex.boneIndex[0] >= 0 && vertex.boneIndex[1] >= 0 ? 1.0f - vertex.weight : 0.0f;
}

extern const Vector3 restPositions[SkinVertexCount];
extern const Triangle modelTriangles[SkinTriangleCount];

extern Triangle skinTriangles[SkinTriangleCount]; // the renderer draws from this copy
extern Vector3 restNormals[SkinVertexCount];
extern SkinVertex skinVertices[SkinVertexCount];

// Smooth vertex normals: each vertex gets the normalised mean of the unit face normals of the
// triangles it belongs to. Each face normal points to the side from which its stored corners
// run clockwise, which for the limb is out of the tube (the top point gets (0, 1, 0)).
// Returns 1, or 0 when the scratch memory cannot be had.
int ComputeVertexNormals(const Vector3 *positions, int vertexCount, const Triangle *triangles,
                         int triangleCount, Vector3 *outNormals);

// The skin's share of the one-time scene set-up: the triangles' copy, every vertex's rest
// position and texture coordinates, and the built-in weights and bones.
void SetUpSkinData();

// Every vertex's built-in weight and bones.
void SetBuiltInBindings();

// The rings whose weights the lab lets a learner change: rings 2, 3 and 4 (counted from 1 at the
// top), the ones that blend the two bones. Ring numbers below are counted the same way.
const int FirstEditableRing = 2;
const int LastEditableRing = 4;

// A ring's weight on bone 1, 1 - weight, as its first vertex in skin has it (every vertex of a
// ring has its ring's); 0 for a number that is no ring. skin is skinVertices or a copy of it, as
// the frame's record holds one for the panel.
float RingWeightOnBone1(const SkinVertex *skin, int ring);

// Gives every vertex of an editable ring the weight on bone 1 weightOnBone1 (kept within 0 to 1);
// 1, or 0 (nothing changed) for any other ring. The weight is stored as 1 - weightOnBone1
// rounded once from double, so 0.7, 0.5 and 0.4 store the built-in weights exactly.
int SetRingWeight(int ring, double weightOnBone1);

// 1 when every ring of skin (skinVertices or a copy) has its built-in weight.
int HasBuiltInWeights(const SkinVertex *skin);
