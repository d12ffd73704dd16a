#include "lab/vertex_inspector.h"

#include "lab/skin_radius.h"
#include "math/vec3d.h"
#include "view/camera.h"

#include <cmath>
#include <vector>

namespace {

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

// The rigid motion m^-1 of a skin matrix whose 3x3 part is a rotation: its transpose, and the
// translation turned back.
Matrix4 RigidInverse(const Matrix4 &m) {
    Matrix4 out = IdentityMatrix();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[4 * c + r] = m.m[4 * r + c];
    for (int r = 0; r < 3; ++r)
        out.m[12 + r] = -(out.m[r] * m.m[12] + out.m[4 + r] * m.m[13] + out.m[8 + r] * m.m[14]);
    return out;
}

void InspectTransforms(const SkinInput &in, const VertexInfluences &influences,
                       VertexInspection &out) {
    out.firstMatrix = out.chainMatrix = IdentityMatrix();
    if (influences.count > 0)
        out.firstMatrix = in.skinMatrices[influences.joints[0]];
    if (influences.count > 1)
        out.chainMatrix = in.skinMatrices[influences.joints[1]];
    out.blendedMatrix = IdentityMatrix();
    DualQuaternion mixed = {{1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f}};
    int heaviest = HeaviestInfluence(influences);
    DualQuaternion lead = heaviest >= 0
                              ? DualQuaternionOfMatrix(in.skinMatrices[influences.joints[heaviest]])
                              : mixed;
    // The sums in the order of the vertex's influences, as the kernels form them.
    for (int k = 0; k < influences.count; ++k) {
        const Matrix4 &s = in.skinMatrices[influences.joints[k]];
        float w = influences.weights[k];
        for (int e = 0; e < 16; ++e)
            out.blendedMatrix.m[e] = k == 0 ? w * s.m[e] : out.blendedMatrix.m[e] + w * s.m[e];
        DualQuaternion q = DualQuaternionOfMatrix(s);
        if (QuaternionDot(lead.real, q.real) < 0.0f)
            q = NegatedDualQuaternion(q);
        const float parts[8] = {q.real.w, q.real.x, q.real.y, q.real.z,
                                q.dual.w, q.dual.x, q.dual.y, q.dual.z};
        float *into[8] = {&mixed.real.w, &mixed.real.x, &mixed.real.y, &mixed.real.z,
                          &mixed.dual.w, &mixed.dual.x, &mixed.dual.y, &mixed.dual.z};
        for (int e = 0; e < 8; ++e)
            *into[e] = k == 0 ? w * parts[e] : *into[e] + w * parts[e];
    }
    const Quaternion &r = mixed.real;
    float length = std::sqrt(r.w * r.w + r.x * r.x + r.y * r.y + r.z * r.z);
    const float parts[8] = {mixed.real.w, mixed.real.x, mixed.real.y, mixed.real.z,
                            mixed.dual.w, mixed.dual.x, mixed.dual.y, mixed.dual.z};
    float *into[8] = {&out.blendedDq.real.w, &out.blendedDq.real.x, &out.blendedDq.real.y,
                      &out.blendedDq.real.z, &out.blendedDq.dual.w, &out.blendedDq.dual.x,
                      &out.blendedDq.dual.y, &out.blendedDq.dual.z};
    for (int k = 0; k < 8; ++k)
        *into[k] = length > 0.0f ? parts[k] / length : parts[k];
}

// Where B's bone starts at rest: the start of the segment that ends on B's joint, which A
// carries. 1 with it, or 0 when no segment ends there.
int JointOfB(const Model &model, const VertexInfluences &influences, Vector3 &restJoint) {
    if (influences.count < 2)
        return 0;
    for (const BoneSegment &segment : model.segments)
        if (segment.toJoint == influences.joints[1]) {
            restJoint = segment.restFrom;
            return 1;
        }
    return 0;
}

void InspectDistances(const Model &model, const ModelPose &pose, const VertexInfluences &influences,
                      VertexInspection &out) {
    std::vector<PlacedSegment> rest, posed;
    RestSegments(model, rest);
    PosedSegments(model, pose, posed);
    Vector3 restJoint = out.restPosition;
    JointOfB(model, influences, restJoint);
    out.jointPivot = ToVector3(Moved(out.firstMatrix, ToVec3d(restJoint)));
    Vec3d pivot = ToVec3d(out.jointPivot);
    out.restPivotDistance = Length(Minus(ToVec3d(out.restPosition), ToVec3d(restJoint)));
    out.restSkeletonDistance = DistanceToSegments(out.restPosition, rest);
    for (int m = 0; m < SkinningMethodCount; ++m) {
        const Vector3 &p = out.methods[m].position;
        out.pivotDistance[m] = Length(Minus(ToVec3d(p), pivot));
        out.skeletonDistance[m] = DistanceToSegments(p, posed);
    }
}

// The turn that takes A's position to B's, S_B S_A^-1, about its axis through the joint. Where
// B's joint is A's child and both are bound at the identity (the limb), that is B's local matrix
// as A carries it: its turn about its pivot, turned by A.
void InspectTurn(const Model &model, const ModelPose &pose, const VertexInfluences &influences,
                 VertexInspection &out) {
    out.hasTurn = 0;
    Vector3 restJoint;
    if (!JointOfB(model, influences, restJoint))
        return;
    int a = influences.joints[0], b = influences.joints[1];
    int local = model.rig.parents[b] == a && IsIdentity(model.rig.inverseBinds[a]) &&
                IsIdentity(model.rig.inverseBinds[b]);
    Matrix4 relative;
    if (!local)
        MultMatrix(relative, pose.skins[b], RigidInverse(pose.skins[a]));
    Quaternion q = DualQuaternionOfMatrix(local ? pose.locals[b] : relative).real;
    Vec3d axis = {q.x, q.y, q.z};
    double sine = Length(axis), radians = 2.0 * std::atan2(sine, std::fabs((double)q.w));
    if (sine < 1e-7)
        return;
    axis = Times(axis, (q.w < 0.0f ? -1.0 : 1.0) / sine); // the turn of at most 180 degrees
    Vec3d worldAxis = local ? DirectionOr(Turned(out.firstMatrix, axis), axis) : axis;
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

int InspectVertex(const Model &model, const ModelPose &pose, int vertex, VertexInspection &out) {
    if (vertex < 0 || vertex >= VertexCount(model.mesh) ||
        pose.skins.size() != (size_t)JointCount(model.rig))
        return 0;
    SkinInput in = SkinInputOf(model, pose);
    const VertexInfluences &influences = model.mesh.influences[vertex];
    out.vertex = vertex;
    out.influenceCount = influences.count;
    for (int k = 0; k < influences.count; ++k)
        out.influences[k] = InspectedInfluence{influences.joints[k], influences.weights[k],
                                               InfluenceAlone(in, vertex, k)};
    out.restPosition = model.mesh.restPositions[vertex];
    out.firstPosition = influences.count > 0 ? out.influences[0].alone : out.restPosition;
    out.chainPosition = influences.count > 1 ? out.influences[1].alone : out.restPosition;
    for (int method = 0; method < SkinningMethodCount; ++method)
        SkinOneVertex(in, vertex, method, out.methods[method]);
    int centre = vertex < (int)model.centres.centreOf.size() ? model.centres.centreOf[vertex] : -1;
    out.hasRotationCentre = centre >= 0;
    out.restCentre = centre >= 0 ? model.centres.centres[centre] : Vector3{0.0f, 0.0f, 0.0f};
    out.carriedCentre = out.restCentre;
    if (out.hasRotationCentre)
        CarriedRotationCentre(in, vertex, out.carriedCentre);
    InspectTransforms(in, influences, out);
    InspectDistances(model, pose, influences, out);
    InspectTurn(model, pose, influences, out);
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

// How far apart the vertex's influences put it, the farthest two, model units; 0 for a vertex
// with fewer than two.
double MovementBetweenTransforms(const SkinInput &in, int vertex) {
    int count = in.influences[vertex].count;
    double most = 0.0;
    for (int j = 0; j < count; ++j)
        for (int k = j + 1; k < count; ++k) {
            double apart = VectorLength(
                Subtract(InfluenceAlone(in, vertex, k), InfluenceAlone(in, vertex, j)));
            most = apart > most ? apart : most;
        }
    return most;
}

// Keeps the hit nearest the pointer on screen, and of those the nearest the eye.
void KeepNearer(Hit &best, const Hit &hit) {
    if (best.triangle < 0 || hit.distance < best.distance - SameDistance ||
        (hit.distance <= best.distance + SameDistance && hit.inverseDepth > best.inverseDepth))
        best = hit;
}

} // namespace

int PickVertexOn(const CameraView &camera, const Model &model, const ModelPose &pose,
                 const SkinVertex *skin, const Vector3 &offset, int pointerX, int pointerY,
                 int width, int height, PickedVertex &out) {
    int count = VertexCount(model.mesh);
    if (pose.skins.size() != (size_t)JointCount(model.rig))
        return 0;
    SkinInput in = SkinInputOf(model, pose);
    std::vector<PixelPoint> projected(count);
    std::vector<int> inView(count);
    for (int i = 0; i < count; ++i)
        inView[i] =
            ModelToPixels(camera, Add(skin[i].position, offset), width, height, projected[i]);

    double x = pointerX + 0.5, y = pointerY + 0.5;
    Hit under = {-1, 0.0, 0.0}, near = {-1, 0.0, 0.0};
    const std::vector<Triangle> &triangles = model.mesh.triangles;
    for (int t = 0; t < (int)triangles.size(); ++t) {
        const int *index = triangles[t].index;
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
    for (int index : triangles[hit.triangle].index) {
        double distance = std::hypot(projected[index].x - x, projected[index].y - y);
        if (picked < 0 || distance < nearest) {
            picked = index;
            nearest = distance;
        }
    }
    // A corner on the joint's axis, which A and B put in one place, shows nothing to compare:
    // every method leaves it there. Unless the pointer is on it, the corner of the triangle under
    // the pointer that the two transforms move apart most shows the most.
    if (nearest > PickTolerancePixels && in.influences[picked].count >= 2 &&
        MovementBetweenTransforms(in, picked) < StillBetweenTransforms) {
        double most = 0.0;
        for (int index : triangles[hit.triangle].index) {
            double movement = MovementBetweenTransforms(in, index);
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

int PickVertex(const CameraView &camera, const Model &model, const ModelPose &pose,
               const SkinVertex *skin, int pointerX, int pointerY, int width, int height) {
    PickedVertex picked;
    if (!PickVertexOn(camera, model, pose, skin, Vector3{0.0f, 0.0f, 0.0f}, pointerX, pointerY,
                      width, height, picked))
        return -1;
    return picked.vertex;
}
