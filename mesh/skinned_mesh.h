#pragma once

#include "math/math3d.h"

#include <vector>

// A skinned mesh of any size: rest positions and normals, texture coordinates, triangles, and
// per vertex up to MaxInfluences joints with their weights. The limb is one such mesh; a model
// file gives another.

const int MaxInfluences = 8;

// A vertex's joints and weights, heaviest or not in any order; the order is the order of every
// sum over them. Weights are positive or zero and sum to 1 over count (a loader renormalises).
// count 0: the vertex follows no joint and keeps its rest position and normal under every
// method.
struct VertexInfluences {
    int count;
    int joints[MaxInfluences];
    float weights[MaxInfluences];
};

struct SkinnedMesh {
    std::vector<Vector3> restPositions;
    std::vector<Vector3> restNormals;
    std::vector<TexCoord> texCoords;
    std::vector<Triangle> triangles; // 32-bit indices into the vertices
    std::vector<VertexInfluences> influences;
};

inline int VertexCount(const SkinnedMesh &mesh) {
    return (int)mesh.restPositions.size();
}

// 1 when every array has one entry per vertex, every triangle's corners are vertices, every
// influence count is 0 to MaxInfluences and every joint is below jointCount; 0 otherwise. The
// kernels read without checking, so a mesh is checked once, where it is made.
int SkinnedMeshIsValid(const SkinnedMesh &mesh, int jointCount);

// The influence of vertex's heaviest joint: the first of the heaviest when several weigh the
// same; -1 for a vertex with none.
int HeaviestInfluence(const VertexInfluences &influences);

// The area of the triangle with these corners, worked out in double so that a small triangle far
// from the origin keeps its digits.
double TriangleArea(const Vector3 corners[3]);

// Each side of mesh's triangles once, as pairs of vertices into pairs: what an outline of the
// skin draws, where drawing every triangle's outline would draw each inner side twice. A side
// runs as the first triangle that has it goes round.
void MeshEdges(const SkinnedMesh &mesh, std::vector<int> &pairs);

// 1 when mesh's triangles close a volume: every edge is a side of exactly two triangles, except
// the edges between consecutive vertices of the open ring of ringSize vertices from ringStart
// (none for 0), which a fan closes and which are sides of exactly one. A volume figure means
// nothing for a surface that does not close.
int IsClosedSurface(const SkinnedMesh &mesh, int ringStart, int ringSize);
