#include "math/vec3d.h"
#include "rig/rig.h"
#include "skinning/skin_kernels.h"
#include "tools/tube_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Matrices worked out here in double, apart from the code under test.
struct Matrix4d {
    double m[16]; // column-major, as Matrix4
};

Matrix4d Identity4d() {
    Matrix4d out = {};
    out.m[0] = out.m[5] = out.m[10] = out.m[15] = 1.0;
    return out;
}

Matrix4d Times4d(const Matrix4d &a, const Matrix4d &b) {
    Matrix4d out = {};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                out.m[4 * c + r] += a.m[4 * k + r] * b.m[4 * c + k];
    return out;
}

// The general inverse by cofactors.
Matrix4d Inverse4d(const Matrix4d &a) {
    const double *m = a.m;
    double inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] +
             m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] +
             m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] -
              m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] +
              m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    Matrix4d out;
    for (int k = 0; k < 16; ++k)
        out.m[k] = inv[k] / det;
    return out;
}

Matrix4d Translation4d(double x, double y, double z) {
    Matrix4d out = Identity4d();
    out.m[12] = x, out.m[13] = y, out.m[14] = z;
    return out;
}

// Right-handed turn about a unit axis (Rodrigues).
Matrix4d Rotation4d(Vec3d axis, double degrees) {
    axis = Normalised(axis);
    double a = degrees * DegreesToRadians, c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    double x = axis.x, y = axis.y, z = axis.z;
    Matrix4d out = Identity4d();
    double r[3][3] = {{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
                      {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
                      {t * x * z - s * y, t * y * z + s * x, t * z * z + c}};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            out.m[4 * col + row] = r[row][col];
    return out;
}

Matrix4d Scale4d(double x, double y, double z) {
    Matrix4d out = Identity4d();
    out.m[0] = x, out.m[5] = y, out.m[10] = z;
    return out;
}

Matrix4 ToFloat(const Matrix4d &a) {
    Matrix4 out;
    for (int k = 0; k < 16; ++k)
        out.m[k] = (float)a.m[k];
    return out;
}

Matrix4d ToDouble(const Matrix4 &a) {
    Matrix4d out;
    for (int k = 0; k < 16; ++k)
        out.m[k] = a.m[k];
    return out;
}

Vec3d Apply(const Matrix4d &a, const Vec3d &p, double w) {
    const double *m = a.m;
    return Vec3d{m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12] * w,
                 m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13] * w,
                 m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14] * w};
}

#define EXPECT_NEAR_VEC(actual, expected, tolerance)                                               \
    do {                                                                                           \
        const Vec3d a_ = ToVec3d(actual), e_ = (expected);                                         \
        EXPECT_NEAR(a_.x, e_.x, (tolerance));                                                      \
        EXPECT_NEAR(a_.y, e_.y, (tolerance));                                                      \
        EXPECT_NEAR(a_.z, e_.z, (tolerance));                                                      \
    } while (0)

struct Method {
    const char *name;
    SkinKernel kernel;
};
const Method Methods[] = {{"linear", SkinLinear},
                          {"rigid", SkinRigid},
                          {"dual quaternion", SkinDualQuaternion},
                          {"centre of rotation", SkinCentreOfRotation}};

// Root 0 with two children, 1 up its Y axis and 2 out along X, each turned at bind so that no
// inverse bind is a plain translation.
const int BranchParents[3] = {-1, 0, 0};
Matrix4d BranchBindLocal(int joint) {
    switch (joint) {
    case 0:
        return Times4d(Translation4d(0.5, 0.25, -0.3), Rotation4d(Vec3d{0, 0, 1}, 20.0));
    case 1:
        return Times4d(Translation4d(0.0, 1.0, 0.0), Rotation4d(Vec3d{0, 1, 0}, 35.0));
    default:
        return Times4d(Translation4d(1.0, 0.0, 0.0), Rotation4d(Vec3d{1, 1, 0}, -50.0));
    }
}

// Skin matrices of the branching rig with extra turns on each joint's local matrix (turn * bind
// local), inverse binds from the bind worlds' inverses.
struct BranchPose {
    Matrix4 skins[3];
    Matrix4d bindWorlds[3];
};

BranchPose PoseBranch(const Matrix4d (&turns)[3]) {
    Matrix4 bindLocals[3], locals[3], bindWorlds[3], worlds[3], inverseBinds[3];
    for (int j = 0; j < 3; ++j) {
        bindLocals[j] = ToFloat(BranchBindLocal(j));
        locals[j] = ToFloat(Times4d(BranchBindLocal(j), turns[j]));
    }
    ComputeWorldMatrices(BranchParents, bindLocals, 3, bindWorlds);
    ComputeWorldMatrices(BranchParents, locals, 3, worlds);
    BranchPose pose;
    for (int j = 0; j < 3; ++j) {
        pose.bindWorlds[j] = ToDouble(bindWorlds[j]);
        inverseBinds[j] = ToFloat(Inverse4d(pose.bindWorlds[j]));
    }
    ComputeSkinMatrices(worlds, inverseBinds, 3, pose.skins);
    return pose;
}

SkinInput InputOf(const Matrix4 *skins, int jointCount, const std::vector<Vector3> &positions,
                  const std::vector<Vector3> &normals,
                  const std::vector<VertexInfluences> &influences,
                  const RotationCentres *centres) {
    return SkinInput{skins, jointCount, positions.data(), normals.data(), influences.data(),
                     centres};
}

void SkinAll(const Method &method, const SkinInput &in, int count, std::vector<Vector3> &positions,
             std::vector<Vector3> &normals) {
    positions.assign((size_t)count, Vector3{});
    normals.assign((size_t)count, Vector3{});
    method.kernel(in, 0, count, positions.data(), normals.data());
}

// Turning the whole rig turns every vertex with it, whatever the weights: each skin matrix is
// then the same turn, and every method must give it back. Eight influences over three joints,
// joints repeated, the heaviest not first.
TEST(SkinKernels, WholeRigTurnTurnsEveryVertexByEveryMethod) {
    Matrix4d turn = Rotation4d(Vec3d{0.3, -1.0, 0.5}, 130.0);
    Matrix4d turns[3] = {turn, Identity4d(), Identity4d()};
    BranchPose pose = PoseBranch(turns);
    // The root turns in its own frame; in model space that is the turn about its bind origin.
    Matrix4d whole =
        Times4d(pose.bindWorlds[0], Times4d(turn, Inverse4d(pose.bindWorlds[0])));

    const int joints[8] = {1, 0, 2, 1, 0, 2, 2, 0};
    const float weightRows[3][8] = {{0.1f, 0.05f, 0.1f, 0.2f, 0.15f, 0.1f, 0.25f, 0.05f},
                                    {0.125f, 0.125f, 0.125f, 0.125f, 0.125f, 0.125f, 0.125f,
                                     0.125f},
                                    {0.0f, 0.3f, 0.05f, 0.05f, 0.3f, 0.1f, 0.1f, 0.1f}};
    std::vector<Vector3> rest, restNormals;
    std::vector<VertexInfluences> influences;
    for (int i = 0; i < 9; ++i) {
        rest.push_back(Vector3{0.7f * (float)i - 2.0f, 0.3f * (float)(i % 4), 1.5f - 0.4f * (float)i});
        Vec3d n = Normalised(Vec3d{std::sin(i * 0.7), 1.0, std::cos(i * 1.3)});
        restNormals.push_back(ToVector3(n));
        VertexInfluences v = {8, {}, {}};
        for (int k = 0; k < 8; ++k) {
            v.joints[k] = joints[k];
            v.weights[k] = weightRows[i % 3][k];
        }
        influences.push_back(v);
    }
    RotationCentres centres;
    centres.centres = {Vector3{0.3f, 0.7f, -0.2f}, Vector3{-1.0f, 2.0f, 0.5f}};
    centres.centreOf = {0, 1, -1, 0, 1, -1, 0, 1, -1};
    SkinInput in = InputOf(pose.skins, 3, rest, restNormals, influences, &centres);

    for (const Method &method : Methods) {
        SCOPED_TRACE(method.name);
        std::vector<Vector3> positions, normals;
        SkinAll(method, in, 9, positions, normals);
        for (int i = 0; i < 9; ++i) {
            EXPECT_NEAR_VEC(positions[(size_t)i], Apply(whole, ToVec3d(rest[(size_t)i]), 1.0),
                            2e-5);
            EXPECT_NEAR_VEC(normals[(size_t)i], Apply(whole, ToVec3d(restNormals[(size_t)i]), 0.0),
                            2e-6);
        }
    }
}

// Joint 1 bends 90 degrees about its own X axis, a vertex half on it and half on the root (in
// eight slots of 1/8). In joint 1's bind frame the vertex sits at (x, 0, r), r from the bend's
// axis, and the two joints alone would put it at (x, 0, r) and (x, -r, 0). Linear blending takes
// the chord's midpoint, cos 45 r from the axis; dual quaternions and centres of rotation (centre
// on the axis) turn it 45 degrees and keep r. Along the axis it stays at x.
TEST(SkinKernels, HalfBlendOfARightAngleBend) {
    Matrix4d turns[3] = {Identity4d(), Rotation4d(Vec3d{1, 0, 0}, 90.0), Identity4d()};
    BranchPose pose = PoseBranch(turns);
    const Matrix4d &frame = pose.bindWorlds[1];
    const double x = 0.4, r = 0.75, h = std::sqrt(0.5);

    std::vector<Vector3> rest = {ToVector3(Apply(frame, Vec3d{x, 0, r}, 1.0))};
    std::vector<Vector3> restNormals = {ToVector3(Apply(frame, Vec3d{0, 0, 1}, 0.0))};
    VertexInfluences v = {8, {0, 1, 1, 0, 1, 0, 0, 1}, {}};
    for (float &w : v.weights)
        w = 0.125f;
    std::vector<VertexInfluences> influences = {v};
    RotationCentres centres;
    centres.centres = {ToVector3(Apply(frame, Vec3d{-1.0, 0, 0}, 1.0))};
    centres.centreOf = {0};
    SkinInput in = InputOf(pose.skins, 3, rest, restNormals, influences, &centres);

    struct Case {
        const Method &method;
        Vec3d position, normal; // in joint 1's bind frame
    };
    const Case cases[] = {
        {Methods[0], {x, -r / 2, r / 2}, {0, -0.5, 0.5}},
        {Methods[2], {x, -r * h, r * h}, {0, -h, h}},
        {Methods[3], {x, -r * h, r * h}, {0, -h, h}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.method.name);
        std::vector<Vector3> positions, normals;
        SkinAll(c.method, in, 1, positions, normals);
        EXPECT_NEAR_VEC(positions[0], Apply(frame, c.position, 1.0), 1e-5);
        EXPECT_NEAR_VEC(normals[0], Apply(frame, c.normal, 0.0), 1e-5);
    }
}

// The rotation quaternion (w, x, y, z) of a turn about a unit axis, and products, in double.
struct Quaterniond {
    double w, x, y, z;
};
Quaterniond QTimes(const Quaterniond &a, const Quaterniond &b) {
    return Quaterniond{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
                       a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                       a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                       a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}
Vec3d QTurn(const Quaterniond &q, const Vec3d &v) {
    Quaterniond p = QTimes(QTimes(q, Quaterniond{0, v.x, v.y, v.z}),
                           Quaterniond{q.w, -q.x, -q.y, -q.z});
    return Vec3d{p.x, p.y, p.z};
}

// A joint with non-uniform scale, S = T R diag(2, 1, 0.5), skinned by dual quaternions. Alone,
// a vertex goes where S puts it, normal by S's inverse transpose. Half on it and half on the
// identity, the scale mixes linearly, K = diag(1.5, 1, 0.75), and the turn and translation are
// the normalised half-way blend of the two rigid motions' dual quaternions, worked out here from
// the turn's axis and angle: real (1 + q) / |1 + q|, translation from the blended dual part.
TEST(SkinKernels, DualQuaternionsCarryScaleLinearlyAndTurnRigidly) {
    const Vec3d axis = Normalised(Vec3d{1.0, 2.0, -0.5}), t = {0.3, -1.2, 2.0};
    const double degrees = 70.0;
    Matrix4d scaled = Times4d(Translation4d(t.x, t.y, t.z),
                              Times4d(Rotation4d(axis, degrees), Scale4d(2.0, 1.0, 0.5)));
    Matrix4 skins[2] = {IdentityMatrix(), ToFloat(scaled)};

    const Vec3d p = {0.6, -0.8, 1.1}, n = Normalised(Vec3d{0.2, 1.0, 0.7});
    std::vector<Vector3> rest = {ToVector3(p), ToVector3(p)};
    std::vector<Vector3> restNormals = {ToVector3(n), ToVector3(n)};
    std::vector<VertexInfluences> influences = {{1, {1}, {1.0f}}, {2, {0, 1}, {0.5f, 0.5f}}};
    SkinInput in = InputOf(skins, 2, rest, restNormals, influences, nullptr);
    std::vector<Vector3> positions, normals;
    SkinAll(Methods[2], in, 2, positions, normals);

    EXPECT_NEAR_VEC(positions[0], Apply(scaled, p, 1.0), 1e-5);
    double half = degrees * DegreesToRadians / 2;
    Quaterniond q = {std::cos(half), std::sin(half) * axis.x, std::sin(half) * axis.y,
                     std::sin(half) * axis.z};
    Vec3d scaledNormal = Normalised(Vec3d{n.x / 2.0, n.y, n.z / 0.5});
    EXPECT_NEAR_VEC(normals[0], QTurn(q, scaledNormal), 1e-5);

    // (0, t) q / 2 is the dual part; blend each part half and half with the identity's (1, 0).
    Quaterniond dual = QTimes(Quaterniond{0, t.x, t.y, t.z}, q);
    Quaterniond real = {(1.0 + q.w) / 2, q.x / 2, q.y / 2, q.z / 2};
    dual = Quaterniond{dual.w / 4, dual.x / 4, dual.y / 4, dual.z / 4};
    double length = std::sqrt(real.w * real.w + real.x * real.x + real.y * real.y + real.z * real.z);
    real = Quaterniond{real.w / length, real.x / length, real.y / length, real.z / length};
    dual = Quaterniond{dual.w / length, dual.x / length, dual.y / length, dual.z / length};
    Quaterniond twice = QTimes(dual, Quaterniond{real.w, -real.x, -real.y, -real.z});
    Vec3d halfTranslation = {2 * twice.x, 2 * twice.y, 2 * twice.z};
    Vec3d mixed = {1.5 * p.x, p.y, 0.75 * p.z};
    EXPECT_NEAR_VEC(positions[1], Plus(QTurn(real, mixed), halfTranslation), 1e-5);
    EXPECT_NEAR_VEC(normals[1], QTurn(real, Normalised(Vec3d{n.x / 1.5, n.y, n.z / 0.75})), 1e-5);
    for (const Vector3 &normal : normals)
        EXPECT_NEAR(VectorLength(normal), 1.0, 1e-6);
}

// At the bind pose every joint's world times its inverse bind is the identity. The worlds come
// from the locals by ComputeWorldMatrices; the inverse binds from the same chain multiplied out
// here in double and inverted. Two branches, and a parent that is not the joint just before.
TEST(SkinKernels, BindPoseSkinsWithIdentities) {
    const int parents[6] = {-1, 0, 1, 0, 3, 2};
    Matrix4d localsD[6];
    Matrix4 locals[6], worlds[6], inverseBinds[6], skins[6];
    Matrix4d worldsD[6];
    for (int j = 0; j < 6; ++j) {
        localsD[j] = Times4d(Translation4d(0.2 * j, 1.0, -0.1 * j),
                             Rotation4d(Vec3d{1.0, 0.5 * j, 2.0 - j}, 17.0 + 23.0 * j));
        locals[j] = ToFloat(localsD[j]);
        worldsD[j] = parents[j] < 0 ? ToDouble(locals[j])
                                    : Times4d(worldsD[parents[j]], ToDouble(locals[j]));
        inverseBinds[j] = ToFloat(Inverse4d(worldsD[j]));
    }
    ASSERT_TRUE(ParentsBeforeChildren(parents, 6));
    ComputeWorldMatrices(parents, locals, 6, worlds);
    ComputeSkinMatrices(worlds, inverseBinds, 6, skins);
    Matrix4 identity = IdentityMatrix();
    for (int j = 0; j < 6; ++j)
        for (int k = 0; k < 16; ++k)
            EXPECT_NEAR(skins[j].m[k], identity.m[k], 1e-5) << "joint " << j << " element " << k;
}

// A tube around the Y axis, rings of eight vertices sharing their ring's weights: one centre
// per ring that blends, shared by its vertices, and on the axis by symmetry.
TEST(SkinKernels, RotationCentresOncePerWeightVectorShared) {
    struct Ring {
        int count;
        int joints[3];
        float weights[3];
    };
    const Ring rings[] = {{1, {0}, {1.0f}},
                          {2, {0, 1}, {0.7f, 0.3f}},
                          {2, {0, 1}, {0.4f, 0.6f}},
                          {3, {0, 1, 2}, {0.2f, 0.5f, 0.3f}},
                          {2, {1, 2}, {0.5f, 0.5f}},
                          {2, {2, 1}, {1.0f, 0.0f}}};
    const int ringCount = 6, ringSize = 8;
    const int blending[ringCount] = {0, 1, 1, 1, 1, 0};
    SkinnedMesh mesh;
    for (int ring = 0; ring < ringCount; ++ring)
        for (int k = 0; k < ringSize; ++k) {
            double a = 360.0 * DegreesToRadians * k / ringSize;
            mesh.restPositions.push_back(ToVector3(Vec3d{std::cos(a), 0.5 * ring, std::sin(a)}));
            mesh.restNormals.push_back(ToVector3(Vec3d{std::cos(a), 0.0, std::sin(a)}));
            mesh.texCoords.push_back(TexCoord{0.0f, 0.0f});
            VertexInfluences v = {rings[ring].count, {}, {}};
            for (int s = 0; s < v.count; ++s) {
                v.joints[s] = rings[ring].joints[s];
                v.weights[s] = rings[ring].weights[s];
            }
            mesh.influences.push_back(v);
        }
    for (int ring = 0; ring + 1 < ringCount; ++ring)
        for (int k = 0; k < ringSize; ++k) {
            int a = ring * ringSize + k, b = ring * ringSize + (k + 1) % ringSize;
            mesh.triangles.push_back(Triangle{{a, b, a + ringSize}});
            mesh.triangles.push_back(Triangle{{b, b + ringSize, a + ringSize}});
        }
    ASSERT_TRUE(SkinnedMeshIsValid(mesh, 3));

    RotationCentres centres;
    EXPECT_EQ(ComputeRotationCentres(mesh, centres), 4);
    ASSERT_EQ(centres.centres.size(), 4u);
    ASSERT_EQ(centres.centreOf.size(), mesh.influences.size());
    std::vector<int> seen;
    for (int ring = 0; ring < ringCount; ++ring) {
        SCOPED_TRACE(ring);
        int first = centres.centreOf[(size_t)(ring * ringSize)];
        for (int k = 0; k < ringSize; ++k)
            EXPECT_EQ(centres.centreOf[(size_t)(ring * ringSize + k)], first);
        if (!blending[ring]) {
            EXPECT_EQ(first, -1);
            continue;
        }
        ASSERT_GE(first, 0);
        for (int other : seen)
            EXPECT_NE(first, other);
        seen.push_back(first);
        const Vector3 &c = centres.centres[(size_t)first];
        EXPECT_NEAR(c.x, 0.0, 1e-6);
        EXPECT_NEAR(c.z, 0.0, 1e-6);
        EXPECT_GT(c.y, 0.0f);
        EXPECT_LT(c.y, 2.5f);
    }
}

// A tube of 60,000 vertices on 32 joints, 4 influences each, whose neighbouring rings differ by
// less than a weight step (so no triangle is split): each sampled vertex's centre is the plain
// sum over every triangle of area x similarity x centroid over the sum of area x similarity,
// the similarity written out here from its formula.
// Worked out a slice at a time, as between a large model's frames; until they are ready the
// centre-of-rotation method blends linearly.
TEST(SkinKernels, RotationCentresOfALargeMeshAreThePlainSum) {
    SkinnedMesh mesh = MakeTubeMesh(600, 100, 32, 4);
    ASSERT_EQ(VertexCount(mesh), 60000);
    RotationCentres centres;
    RotationCentreJob job;
    StartRotationCentres(mesh, job);
    for (int slice = 0; !ContinueRotationCentres(mesh, job, 7777); ++slice)
        ASSERT_LT(slice, 16); // 119,800 triangles: the 16th slice is the last
    {
        std::vector<Matrix4> skins(32);
        for (int j = 0; j < 32; ++j)
            skins[(size_t)j] = ToFloat(Rotation4d(Vec3d{0.0, 0.0, 1.0}, 3.0 * j));
        SkinInput in = {skins.data(), 32, mesh.restPositions.data(), mesh.restNormals.data(),
                        mesh.influences.data(), &centres, 1};
        std::vector<Vector3> linear(64), meanwhile(64), normals(64);
        SkinLinear(in, 30000, 30064, linear.data(), normals.data());
        SkinCentreOfRotation(in, 30000, 30064, meanwhile.data(), normals.data());
        for (int i = 0; i < 64; ++i)
            EXPECT_TRUE(linear[(size_t)i].x == meanwhile[(size_t)i].x &&
                        linear[(size_t)i].y == meanwhile[(size_t)i].y &&
                        linear[(size_t)i].z == meanwhile[(size_t)i].z)
                << i;
    }
    FinishRotationCentres(mesh, job, centres);
    const double sigma2 = RotationCentreSigma * RotationCentreSigma;
    auto similarity = [&](const VertexInfluences &a, const double *b) {
        double sum = 0.0;
        for (int j = 0; j < a.count; ++j)
            for (int k = j + 1; k < a.count; ++k) {
                double aj = a.weights[j], ak = a.weights[k];
                double bj = b[a.joints[j]], bk = b[a.joints[k]];
                double cross = aj * bk - ak * bj;
                sum += 2.0 * aj * ak * bj * bk * std::exp(-cross * cross / sigma2);
            }
        return sum;
    };
    for (int sample = 0; sample < 12; ++sample) {
        int vertex = 1 + sample * 4999; // rings along the whole tube
        SCOPED_TRACE(vertex);
        const VertexInfluences &a = mesh.influences[(size_t)vertex];
        ASSERT_GE(a.count, 2);
        Vec3d weighted = {0.0, 0.0, 0.0};
        double total = 0.0;
        for (const Triangle &t : mesh.triangles) {
            double mean[32] = {};
            Vec3d p[3];
            for (int c = 0; c < 3; ++c) {
                const VertexInfluences &v = mesh.influences[(size_t)t.index[c]];
                for (int k = 0; k < v.count; ++k)
                    mean[v.joints[k]] += v.weights[k] / 3.0;
                p[c] = ToVec3d(mesh.restPositions[(size_t)t.index[c]]);
            }
            double weight = 0.5 * Length(Cross(Minus(p[1], p[0]), Minus(p[2], p[0]))) *
                            similarity(a, mean);
            weighted = Plus(weighted, Times(Plus(Plus(p[0], p[1]), p[2]), weight / 3.0));
            total += weight;
        }
        ASSERT_GT(total, 0.0);
        int centre = centres.centreOf[(size_t)vertex];
        ASSERT_GE(centre, 0);
        const Vector3 &c = centres.centres[(size_t)centre];
        EXPECT_NEAR(c.x, weighted.x / total, 1e-4);
        EXPECT_NEAR(c.y, weighted.y / total, 1e-4);
        EXPECT_NEAR(c.z, weighted.z / total, 1e-4);
    }
}

} // namespace
