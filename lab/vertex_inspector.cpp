#include "lab/vertex_inspector.h"

#include "lab/skin_radius.h"
#include "math/vec3d.h"
#include "mesh/skin_mesh.h"
#include "rig/bones.h"
#include "skinning/rotation_centres.h"
#include "view/camera.h"

#include <cmath>

namespace {

int IsBone(int b) {
    return b >= 0 && b < BoneCount;
}

Vec3d Moved(const Matrix4 &m, const Vec3d &p) {
    const float *e = m.m; // row r, column c at e[4 * c + r]
    return Vec3d{e[0] * p.x + e[4] * p.y + e[8] * p.z + e[12],
                 e[1] * p.x + e[5] * p.y + e[9] * p.z + e[13],
                 e[2] * p.x + e[6] * p.y + e[10] * p.z + e[14]};
}

Vec3d Turned(const Matrix4 &m, const Vec3d &v) {
    const float *e = m.m;
    return Vec3d{e[0] * v.x + e[4] * v.y + e[8] * v.z, e[1] * v.x + e[5] * v.y + e[9] * v.z,
                 e[2] * v.x + e[6] * v.y + e[10] * v.z};
}

// v turned by radians about the unit axis (Rodrigues).
Vec3d TurnedAbout(const Vec3d &axis, double radians, const Vec3d &v) {
    double c = std::cos(radians), s = std::sin(radians);
    return Plus(Plus(Times(v, c), Times(Cross(axis, v), s)), Times(axis, Dot(axis, v) * (1 - c)));
}

void InspectTransforms(const SkinVertex &skin, VertexInspection &out) {
    int first = skin.boneIndex[0], second = skin.boneIndex[1];
    out.firstMatrix = out.chainMatrix = IdentityMatrix();
    if (IsBone(first)) {
        out.firstMatrix = bones[first].matrix;
        if (IsBone(second))
            MultMatrix(out.chainMatrix, bones[first].matrix, bones[second].matrix);
    }
    float w = skin.weight;
    for (int k = 0; k < 16; ++k)
        out.blendedMatrix.m[k] = w * out.firstMatrix.m[k] + (1.0f - w) * out.chainMatrix.m[k];
    DualQuaternion a = DualQuaternionOfMatrix(out.firstMatrix);
    DualQuaternion b = DualQuaternionOfMatrix(out.chainMatrix);
    if (QuaternionDot(a.real, b.real) < 0.0f)
        b = NegatedDualQuaternion(b);
    DualQuaternion mixed = BlendDualQuaternions(w, a, b);
    const Quaternion &r = mixed.real;
    float length = std::sqrt(r.w * r.w + r.x * r.x + r.y * r.y + r.z * r.z);
    const float parts[8] = {mixed.real.w, mixed.real.x, mixed.real.y, mixed.real.z,
                            mixed.dual.w, mixed.dual.x, mixed.dual.y, mixed.dual.z};
    float *into[8] = {&out.blendedDq.real.w, &out.blendedDq.real.x, &out.blendedDq.real.y,
                      &out.blendedDq.real.z, &out.blendedDq.dual.w, &out.blendedDq.dual.x,
                      &out.blendedDq.dual.y, &out.blendedDq.dual.z};
    for (int k = 0; k < 8; ++k)
        *into[k] = parts[k] / length;
}

void InspectDistances(VertexInspection &out) {
    Vector3 restRoot, restJoint, restEnd, root, joint, end;
    RestSkeletonPoints(restRoot, restJoint, restEnd);
    PosedSkeletonPoints(root, joint, end);
    out.jointPivot = ToVector3(Moved(out.firstMatrix, ToVec3d(restJoint)));
    Vec3d pivot = ToVec3d(out.jointPivot);
    out.restPivotDistance = Length(Minus(ToVec3d(out.restPosition), ToVec3d(restJoint)));
    out.restSkeletonDistance = DistanceToSegments(out.restPosition, restRoot, restJoint, restEnd);
    for (int m = 0; m < SkinningMethodCount; ++m) {
        const Vector3 &p = out.methods[m].position;
        out.pivotDistance[m] = Length(Minus(ToVec3d(p), pivot));
        out.skeletonDistance[m] = DistanceToSegments(p, root, joint, end);
    }
}

// Bone 1's turn about its pivot, as A carries it: B = A M, so B A^-1 = A M A^-1 turns about A's
// image of M's axis through A's image of M's pivot, by M's angle.
void InspectTurn(const SkinVertex &skin, VertexInspection &out) {
    out.hasTurn = 0;
    int second = skin.boneIndex[1];
    if (!IsBone(skin.boneIndex[0]) || !IsBone(second))
        return;
    Quaternion q = DualQuaternionOfMatrix(bones[second].matrix).real;
    Vec3d axis = {q.x, q.y, q.z};
    double sine = Length(axis), radians = 2.0 * std::atan2(sine, std::fabs((double)q.w));
    if (sine < 1e-7)
        return;
    axis = Times(axis, (q.w < 0.0f ? -1.0 : 1.0) / sine); // the turn of at most 180 degrees
    Vec3d worldAxis = DirectionOr(Turned(out.firstMatrix, axis), axis);
    out.hasTurn = 1;
    out.turnAxis = ToVector3(worldAxis);
    out.turnDegrees = radians / DegreesToRadians;
    Vec3d pivot = ToVec3d(out.jointPivot), from = Minus(ToVec3d(out.firstPosition), pivot);
    for (int k = 0; k < InspectorArcPoints; ++k) {
        double t = (double)k / (InspectorArcPoints - 1);
        out.arc[k] = ToVector3(Plus(pivot, TurnedAbout(worldAxis, t * radians, from)));
    }
}

} // namespace

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
    InspectTransforms(skin, out);
    InspectDistances(out);
    InspectTurn(skin, out);
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

// How far apart A and B put the vertex, model units.
double MovementBetweenTransforms(int vertex) {
    Vector3 first, chain;
    VertexTransformsAlone(vertex, first, chain);
    return VectorLength(Subtract(chain, first));
}

// Keeps the hit nearest the pointer on screen, and of those the nearest the eye.
void KeepNearer(Hit &best, const Hit &hit) {
    if (best.triangle < 0 || hit.distance < best.distance - SameDistance ||
        (hit.distance <= best.distance + SameDistance && hit.inverseDepth > best.inverseDepth))
        best = hit;
}

} // namespace

int PickVertexOn(const CameraView &camera, const SkinVertex *skin, const Vector3 &offset,
                 int pointerX, int pointerY, int width, int height, PickedVertex &out) {
    PixelPoint projected[SkinVertexCount];
    int inView[SkinVertexCount];
    for (int i = 0; i < SkinVertexCount; ++i)
        inView[i] =
            ModelToPixels(camera, Add(skin[i].position, offset), width, height, projected[i]);

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
        return 0;

    int picked = -1;
    double nearest = 0.0;
    for (int index : modelTriangles[hit.triangle].index) {
        double distance = std::hypot(projected[index].x - x, projected[index].y - y);
        if (picked < 0 || distance < nearest) {
            picked = index;
            nearest = distance;
        }
    }
    // A corner on the joint's axis, which A and B put in one place, shows nothing to compare:
    // every method leaves it there. Unless the pointer is on it, the corner of the triangle under
    // the pointer that the two transforms move apart most shows the most.
    const SkinVertex &corner = skin[picked];
    if (nearest > PickTolerancePixels && corner.boneIndex[0] >= 0 && corner.boneIndex[1] >= 0 &&
        MovementBetweenTransforms(picked) < StillBetweenTransforms) {
        double most = 0.0;
        for (int index : modelTriangles[hit.triangle].index) {
            double movement = MovementBetweenTransforms(index);
            if (movement > most + StillBetweenTransforms) {
                picked = index;
                most = movement;
            }
        }
    }
    out.vertex = picked;
    out.distance = hit.distance;
    out.inverseDepth = hit.inverseDepth;
    return 1;
}

int PickVertex(const CameraView &camera, int pointerX, int pointerY, int width, int height) {
    PickedVertex picked;
    if (!PickVertexOn(camera, skinVertices, Vector3{0.0f, 0.0f, 0.0f}, pointerX, pointerY, width,
                      height, picked))
        return -1;
    return picked.vertex;
}
