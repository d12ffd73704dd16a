#include "model/tentacle_model.h"

#include <cmath>
#include <string>

namespace {

// Rings per bone and points round a ring: enough for the tube to bend smoothly at every joint.
const int RingsPerBone = 4;
const int Sides = 16;
// The tube's radius at its base and at its tip.
const double BaseRadius = 0.3;
const double TipRadius = 0.04;

const double Pi = 3.14159265358979323846;

double BoneLength() {
    return TentacleHeight / TentacleJoints;
}

// A ring at height h is carried by the two joints whose bones' middles lie either side of it, in
// proportion to how near it is to each: the skin bends over a joint, not at a crease.
VertexInfluences InfluencesAt(double h) {
    VertexInfluences influences = {};
    double t = h / BoneLength() - 0.5;
    if (t <= 0.0 || t >= TentacleJoints - 1) {
        influences.count = 1;
        influences.joints[0] = t <= 0.0 ? 0 : TentacleJoints - 1;
        influences.weights[0] = 1.0f;
        return influences;
    }
    int below = (int)std::floor(t);
    float above = (float)(t - below);
    influences.count = 2;
    influences.joints[0] = below;
    influences.weights[0] = 1.0f - above;
    influences.joints[1] = below + 1;
    influences.weights[1] = above;
    return influences;
}

Matrix4 Translation(double x, double y, double z) {
    Matrix4 m = IdentityMatrix();
    m.m[12] = (float)x;
    m.m[13] = (float)y;
    m.m[14] = (float)z;
    return m;
}

void AddVertex(SkinnedMesh &mesh, const Vector3 &position, const Vector3 &normal, float u, float v,
               double h) {
    mesh.restPositions.push_back(position);
    mesh.restNormals.push_back(normal);
    mesh.texCoords.push_back(TexCoord{u, v});
    mesh.influences.push_back(InfluencesAt(h));
}

// The triangle a, b, c with its corners clockwise seen from outside, as the limb's are stored.
void AddTriangle(SkinnedMesh &mesh, int a, int b, int c, const Vector3 &outward) {
    const std::vector<Vector3> &p = mesh.restPositions;
    Vector3 normal = CrossProduct(Subtract(p[b], p[a]), Subtract(p[c], p[a]));
    if (normal.x * outward.x + normal.y * outward.y + normal.z * outward.z > 0.0f)
        mesh.triangles.push_back(Triangle{{a, c, b}});
    else
        mesh.triangles.push_back(Triangle{{a, b, c}});
}

} // namespace

void MakeTentacle(Model &model, std::vector<Matrix4> &restLocals) {
    model = Model{};
    double length = BoneLength();
    Rig &rig = model.rig;
    restLocals.clear();
    for (int j = 0; j < TentacleJoints; ++j) {
        rig.names.push_back("tentacle" + std::to_string(j));
        rig.parents.push_back(j - 1);
        rig.inverseBinds.push_back(Translation(0.0, -j * length, 0.0));
        restLocals.push_back(j ? Translation(0.0, length, 0.0) : IdentityMatrix());
        Vector3 from = {0.0f, (float)(j * length), 0.0f};
        Vector3 to = {0.0f, (float)((j + 1) * length), 0.0f};
        model.segments.push_back(BoneSegment{from, to, j, j});
    }

    SkinnedMesh &mesh = model.mesh;
    int rings = TentacleJoints * RingsPerBone + 1;
    // The outward normal leans up by the taper's slope.
    double slope = (BaseRadius - TipRadius) / TentacleHeight;
    for (int r = 0; r < rings; ++r) {
        double h = TentacleHeight * r / (rings - 1);
        double radius = BaseRadius + (TipRadius - BaseRadius) * h / TentacleHeight;
        // The seam's point twice, for the texture's two edges.
        for (int s = 0; s <= Sides; ++s) {
            double angle = 2.0 * Pi * s / Sides;
            double c = std::cos(angle), sn = std::sin(angle);
            double k = 1.0 / std::sqrt(1.0 + slope * slope);
            AddVertex(mesh, Vector3{(float)(radius * c), (float)h, (float)(radius * sn)},
                      Vector3{(float)(c * k), (float)(slope * k), (float)(sn * k)},
                      (float)s / Sides, (float)(h / TentacleHeight), h);
        }
    }
    int tip = VertexCount(mesh);
    AddVertex(mesh, Vector3{0.0f, (float)TentacleHeight, 0.0f}, Vector3{0.0f, 1.0f, 0.0f}, 0.5f,
              1.0f, TentacleHeight);
    const std::vector<Vector3> &p = mesh.restPositions;
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < Sides; ++s) {
            int a = r * (Sides + 1) + s, b = a + 1, c = a + Sides + 1, d = c + 1;
            Vector3 outward = {p[a].x + p[d].x, 0.0f, p[a].z + p[d].z};
            AddTriangle(mesh, a, b, d, outward);
            AddTriangle(mesh, a, d, c, outward);
        }
    int top = (rings - 1) * (Sides + 1);
    for (int s = 0; s < Sides; ++s)
        AddTriangle(mesh, top + s, top + s + 1, tip, Vector3{0.0f, 1.0f, 0.0f});
    model.openRingStart = 0;
    model.openRingSize = Sides;
    WeightsChanged(model);
}
