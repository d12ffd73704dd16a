#include "mesh/skinned_mesh.h"

#include "math/vec3d.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

double TriangleArea(const Vector3 corners[3]) {
    Vec3d a = ToVec3d(corners[0]);
    return 0.5 * Length(Cross(Minus(ToVec3d(corners[1]), a), Minus(ToVec3d(corners[2]), a)));
}

void MeshEdges(const SkinnedMesh &mesh, std::vector<int> &pairs) {
    // The sides met so far, listed under their lower vertex (counted, then filled, in one array):
    // a vertex has a handful, so looking a side up is a short scan, and the whole is linear in
    // the triangles.
    size_t count = mesh.restPositions.size();
    std::vector<int> start(count + 1, 0);
    for (const Triangle &t : mesh.triangles)
        for (int k = 0; k < 3; ++k)
            ++start[(size_t)std::min(t.index[k], t.index[(k + 1) % 3]) + 1];
    for (size_t i = 0; i < count; ++i)
        start[i + 1] += start[i];
    std::vector<int> higher((size_t)start[count]), used(count, 0);
    pairs.clear();
    for (const Triangle &t : mesh.triangles)
        for (int k = 0; k < 3; ++k) {
            int a = t.index[k], b = t.index[(k + 1) % 3];
            size_t low = (size_t)std::min(a, b);
            int high = std::max(a, b);
            int *met = higher.data() + start[low];
            if (std::find(met, met + used[low], high) != met + used[low])
                continue;
            met[used[low]++] = high;
            pairs.push_back(a);
            pairs.push_back(b);
        }
}

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

int IsClosedSurface(const SkinnedMesh &mesh, int ringStart, int ringSize) {
    int count = VertexCount(mesh);
    if (mesh.triangles.empty() || ringStart < 0 || ringSize < 0 || ringStart + ringSize > count)
        return 0;
    // Vertices at the same point are one corner of the surface: a texture's seam splits a vertex
    // in two without opening the surface there. The same to a millionth of the mesh's size, as
    // the two ends of a ring worked out by sines are (sin 2 pi is not 0 in floats).
    double extent = 0.0;
    for (const Vector3 &p : mesh.restPositions)
        extent = std::max({extent, std::fabs((double)p.x), std::fabs((double)p.y),
                           std::fabs((double)p.z)});
    double grid = extent > 0.0 ? extent * 1e-6 : 1.0;
    std::vector<int> order((size_t)count), corner((size_t)count);
    // Each vertex's grid point once, not once per comparison of the sort: a large model's
    // vertices are compared some twenty times each.
    std::vector<std::tuple<long long, long long, long long>> keys((size_t)count);
    for (int i = 0; i < count; ++i) {
        order[(size_t)i] = i;
        const Vector3 &p = mesh.restPositions[(size_t)i];
        keys[(size_t)i] = std::make_tuple(std::llround(p.x / grid), std::llround(p.y / grid),
                                          std::llround(p.z / grid));
    }
    auto key = [&](int i) { return keys[(size_t)i]; };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    for (size_t k = 0; k < order.size(); ++k)
        corner[(size_t)order[k]] = k > 0 && key(order[k]) == key(order[k - 1])
                                       ? corner[(size_t)order[k - 1]]
                                       : order[k];
    auto edge = [&](int a, int b) {
        a = corner[(size_t)a], b = corner[(size_t)b];
        return a < b ? std::make_pair(a, b) : std::make_pair(b, a);
    };
    // Every edge under its lower corner: once a corner's short list is sorted, equal edges stand
    // together and are counted. Linear in the triangles, where sorting every edge at once was
    // the most of a large model's loading.
    std::vector<std::pair<int, int>> ring;
    for (int k = 0; ringSize >= 3 && k < ringSize; ++k)
        ring.push_back(edge(ringStart + k, ringStart + (k + 1) % ringSize));
    std::sort(ring.begin(), ring.end());
    std::vector<int> start((size_t)count + 1, 0);
    for (const Triangle &t : mesh.triangles)
        for (int k = 0; k < 3; ++k)
            ++start[(size_t)edge(t.index[k], t.index[(k + 1) % 3]).first + 1];
    for (int i = 0; i < count; ++i)
        start[(size_t)i + 1] += start[(size_t)i];
    std::vector<int> higher((size_t)start[(size_t)count]), filled(start.begin(), start.end() - 1);
    for (const Triangle &t : mesh.triangles)
        for (int k = 0; k < 3; ++k) {
            std::pair<int, int> e = edge(t.index[k], t.index[(k + 1) % 3]);
            higher[(size_t)filled[(size_t)e.first]++] = e.second;
        }
    for (int low = 0; low < count; ++low) {
        int *first = higher.data() + start[(size_t)low], *last = higher.data() + start[(size_t)low + 1];
        std::sort(first, last);
        for (int *i = first; i != last;) {
            int *j = i;
            while (j != last && *j == *i)
                ++j;
            // A fan closes the open ring: its edges are sides of one triangle here.
            int onRing = std::binary_search(ring.begin(), ring.end(), std::make_pair(low, *i));
            if (j - i != (onRing ? 1 : 2))
                return 0;
            i = j;
        }
    }
    return 1;
}
