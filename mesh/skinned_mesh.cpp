#include "mesh/skinned_mesh.h"

int SkinnedMeshIsValid(const SkinnedMesh &mesh, int jointCount) {
    size_t n = mesh.restPositions.size();
    if (mesh.restNormals.size() != n || mesh.texCoords.size() != n || mesh.influences.size() != n)
        return 0;
    for (const Triangle &triangle : mesh.triangles)
        for (int index : triangle.index)
            if (index < 0 || (size_t)index >= n)
                return 0;
    for (const VertexInfluences &vertex : mesh.influences) {
        if (vertex.count < 0 || vertex.count > MaxInfluences)
            return 0;
        for (int k = 0; k < vertex.count; ++k)
            if (vertex.joints[k] < 0 || vertex.joints[k] >= jointCount)
                return 0;
    }
    return 1;
}

int HeaviestInfluence(const VertexInfluences &influences) {
    int heaviest = -1;
    for (int k = 0; k < influences.count; ++k)
        if (heaviest < 0 || influences.weights[k] > influences.weights[heaviest])
            heaviest = k;
    return heaviest;
}
