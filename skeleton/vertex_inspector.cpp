#include "skeleton/vertex_inspector.h"

#include "skeleton/camera.h"
#include "skeleton/rotation_centres.h"
#include "skeleton/skin_mesh.h"

#include <cmath>

int InspectVertex(int vertex, VertexInspection &out) {
    if (vertex < 0 || vertex >= SkinVertexCount)
        return 0;
    const SkinVertex &skin = skinVertices[vertex];
    out.vertex = vertex;
    out.boneIndex[0] = skin.boneIndex[0];
    out.boneIndex[1] = skin.boneIndex[1];
    out.firstWeight = skin.weight;
    out.secondWeight = 1.0f - skin.weight;
    out.restPosition = restPositions[vertex];
    VertexTransformsAlone(vertex, out.firstPosition, out.chainPosition);
    for (int method = 0; method < SkinningMethodCount; ++method)
        SkinOneVertex(vertex, method, out.methods[method]);
    out.hasRotationCentre = hasRotationCentre[vertex];
    out.restCentre = rotationCentres[vertex];
    out.carriedCentre = out.restCentre;
    if (out.hasRotationCentre)
        CarriedRotationCentre(vertex, out.carriedCentre);
    return 1;
}

namespace {

// A candidate surface at the pointer: a triangle, how far off it the pointer is on screen (0
// inside) and how near the eye it is there.
struct Hit {
    int triangle;
    double distance;     // pixels
    double inverseDepth; // 1 / depth, which is linear across a triangle on screen
};

// Pixels within which two triangles count as equally near the pointer: the two triangles on
// either side of a silhouette edge.
const double SameDistance = 1e-3;

// Distance from (x, y) to the segment a-b on screen, with the inverse depth of its nearest point.
double DistanceToEdge(double x, double y, const PixelPoint &a, const PixelPoint &b,
                      double &inverseDepth) {
    double ex = b.x - a.x, ey = b.y - a.y;
    double lengthSquared = ex * ex + ey * ey;
    double t = lengthSquared > 0.0 ? ((x - a.x) * ex + (y - a.y) * ey) / lengthSquared : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    inverseDepth = (1.0 - t) / a.depth + t / b.depth;
    return std::hypot(x - (a.x + t * ex), y - (a.y + t * ey));
}

// Whether (x, y) lies in the triangle on screen (either winding), with the inverse depth there.
int Contains(double x, double y, const PixelPoint *corner[3], double &inverseDepth) {
    const PixelPoint &a = *corner[0], &b = *corner[1], &c = *corner[2];
    double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0.0)
        return 0; // seen edge on: only the edges can be near the pointer
    double u = ((b.x - x) * (c.y - y) - (b.y - y) * (c.x - x)) / area; // a's share
    double v = ((c.x - x) * (a.y - y) - (c.y - y) * (a.x - x)) / area; // b's share
    double w = 1.0 - u - v;
    if (u < 0.0 || v < 0.0 || w < 0.0)
        return 0;
    inverseDepth = u / a.depth + v / b.depth + w / c.depth;
    return 1;
}

// Keeps the hit nearest the pointer on screen, and of those the nearest the eye.
void KeepNearer(Hit &best, const Hit &hit) {
    if (best.triangle < 0 || hit.distance < best.distance - SameDistance ||
        (hit.distance <= best.distance + SameDistance && hit.inverseDepth > best.inverseDepth))
        best = hit;
}

} // namespace

int PickVertex(int pointerX, int pointerY, int width, int height) {
    PixelPoint projected[SkinVertexCount];
    int inView[SkinVertexCount];
    for (int i = 0; i < SkinVertexCount; ++i)
        inView[i] = ModelToPixels(skinVertices[i].position, width, height, projected[i]);

    double x = pointerX + 0.5, y = pointerY + 0.5;
    Hit under = {-1, 0.0, 0.0}, near = {-1, 0.0, 0.0};
    for (int t = 0; t < SkinTriangleCount; ++t) {
        const int *index = modelTriangles[t].index;
        if (!inView[index[0]] || !inView[index[1]] || !inView[index[2]])
            continue;
        const PixelPoint *corner[3] = {&projected[index[0]], &projected[index[1]],
                                       &projected[index[2]]};
        double inverseDepth;
        if (Contains(x, y, corner, inverseDepth)) {
            KeepNearer(under, Hit{t, 0.0, inverseDepth});
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            double distance = DistanceToEdge(x, y, *corner[k], *corner[(k + 1) % 3], inverseDepth);
            if (distance <= PickTolerancePixels)
                KeepNearer(near, Hit{t, distance, inverseDepth});
        }
    }
    const Hit &hit = under.triangle >= 0 ? under : near;
    if (hit.triangle < 0)
        return -1;

    int picked = -1;
    double nearest = 0.0;
    for (int index : modelTriangles[hit.triangle].index) {
        double distance = std::hypot(projected[index].x - x, projected[index].y - y);
        if (picked < 0 || distance < nearest) {
            picked = index;
            nearest = distance;
        }
    }
    return picked;
}
