#include "skeleton/skinning.h"

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/kinematics.h"
#include "skeleton/skin_mesh.h"

namespace {

Vector3 Blend(float weight, const Vector4 &a, const Vector4 &b) {
    return Vector3{weight * a.x + (1.0f - weight) * b.x, weight * a.y + (1.0f - weight) * b.y,
                   weight * a.z + (1.0f - weight) * b.z};
}

// The chained matrix depends only on the vertex's bone pair, so it is formed once per pair
// and frame instead of once per vertex; the product is the same either way.
struct ChainCache {
    int first = -2, second = -2;
    Matrix4 chain;
};

const Matrix4 &ChainMatrix(ChainCache &cache, int first, int second) {
    if (cache.first != first || cache.second != second) {
        MultMatrix(cache.chain, bones[first].matrix, bones[second].matrix);
        cache.first = first;
        cache.second = second;
    }
    return cache.chain;
}

void SkinVertexFromRest(SkinVertex &vertex, const Vector3 &restPosition, const Vector3 &restNormal,
                        ChainCache &cache) {
    Vector4 p = AsPoint(restPosition);
    Vector4 n = AsDirection(restNormal);
    Vector4 firstP = p, firstN = n, chainP = p, chainN = n;
    int first = vertex.boneIndex[0];
    int second = vertex.boneIndex[1];

    if (first >= 0 && first < BoneCount) {
        TransformPoint(firstP, bones[first].matrix, p);
        TransformPoint(firstN, bones[first].matrix, n);
        if (second >= 0 && second < BoneCount) {
            const Matrix4 &chain = ChainMatrix(cache, first, second);
            TransformPoint(chainP, chain, p);
            TransformPoint(chainN, chain, n);
        }
    }
    vertex.position = Blend(vertex.weight, firstP, chainP);
    vertex.normal = Blend(vertex.weight, firstN, chainN);
}

} // namespace

void SkinMesh() {
    ChainCache cache;
    for (int i = 0; i < SkinVertexCount; ++i)
        SkinVertexFromRest(skinVertices[i], restPositions[i], restNormals[i], cache);
}

void UpdateSkeletonAndSkin() {
    BuildBoneMatrices();
    if (demoState.ikMode)
        SolveIkStep();
    SkinMesh();
}
