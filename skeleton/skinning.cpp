#include "skeleton/skinning.h"

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/ik_lab.h"
#include "skeleton/skin_mesh.h"

namespace {

Vector3 Blend(float weight, const Vector4 &a, const Vector4 &b) {
    return Vector3{weight * a.x + (1.0f - weight) * b.x, weight * a.y + (1.0f - weight) * b.y,
                   weight * a.z + (1.0f - weight) * b.z};
}

int IsBone(int b) {
    return b >= 0 && b < BoneCount;
}

} // namespace

void SkinMesh() {
    // The chained matrix depends only on a vertex's bone pair, so it is formed once per pair and
    // frame instead of once per vertex; the product is the same either way.
    Matrix4 chain;
    int chainFirst = -2, chainSecond = -2;
    for (int i = 0; i < SkinVertexCount; ++i) {
        SkinVertex &vertex = skinVertices[i];
        Vector4 p = AsPoint(restPositions[i]);
        Vector4 n = AsDirection(restNormals[i]);
        Vector4 firstP = p, firstN = n, chainP = p, chainN = n;
        int first = vertex.boneIndex[0], second = vertex.boneIndex[1];
        if (IsBone(first)) {
            TransformPoint(firstP, bones[first].matrix, p);
            TransformPoint(firstN, bones[first].matrix, n);
            if (IsBone(second)) {
                if (first != chainFirst || second != chainSecond) {
                    MultMatrix(chain, bones[first].matrix, bones[second].matrix);
                    chainFirst = first;
                    chainSecond = second;
                }
                TransformPoint(chainP, chain, p);
                TransformPoint(chainN, chain, n);
            }
        }
        vertex.position = Blend(vertex.weight, firstP, chainP);
        vertex.normal = Blend(vertex.weight, firstN, chainN);
    }
}

void UpdateSkeletonAndSkin() {
    BuildBoneMatrices();
    if (demoState.ikMode)
        UpdateIk();
    SkinMesh();
}
