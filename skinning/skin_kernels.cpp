#include "skinning/skin_kernels.h"

#include "math/dual_quaternion.h"
#include "math/vec3d.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

namespace {

// Four floats worked on as one: GCC's and clang's vector extension, so the same source turns
// into SSE on the desktop and into SIMD or plain code in the browser. Each lane does exactly the
// float operations the scalar code would, in the same order, so the results are the same bits.
typedef float Float4 __attribute__((vector_size(16)));

// On x86 the hot loops are compiled a second time for AVX, eight floats at once, and chosen when
// the processor has it. Only AVX: with FMA the compiler could fuse a multiply and an add, which
// rounds once where the scalar code rounds twice. SKIN_KERNELS_PORTABLE keeps the four-float
// code alone, so that it can be checked on a machine that has AVX.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) &&                             \
    !defined(SKIN_KERNELS_PORTABLE)
#define SKIN_KERNELS_AVX 1
#include <immintrin.h>
typedef float Float8 __attribute__((vector_size(32)));

inline int HasAvx() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}

__attribute__((target("avx"))) inline Float8 Load8(const float *p) {
    Float8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
#endif

inline Float4 Splat(float x) {
    return Float4{x, x, x, x};
}

inline Float4 Load4(const float *p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store3(Vector3 &out, Float4 v) {
    out = Vector3{v[0], v[1], v[2]};
}

// Per-call tables, one entry per joint (or pair of joints): on the stack for the rigs a frame
// usually skins, so that a small mesh, such as the limb, pays no allocation for them; on the
// heap beyond that.
template <typename T, size_t Local> class Scratch {
  public:
    explicit Scratch(size_t count) {
        if (count > Local) {
            heap.resize(count);
            items = heap.data();
        }
    }
    Scratch(const Scratch &) = delete; // items may point into local
    Scratch &operator=(const Scratch &) = delete;
    T *data() { return items; }
    T &operator[](size_t i) { return items[i]; }

  private:
    T local[Local];
    std::vector<T> heap;
    T *items = local;
};

// Joints a rig has that the tables keep on the stack.
const size_t StackJoints = 32;

// A skin matrix's columns. A point's w of 1 multiplies the translation column exactly, so it is
// added as it is; a normal's w of 0 does not vanish so cleanly (it turns a -0 sum into +0 where
// the translation is positive), so that product is kept, worked out once per joint.
struct JointColumns {
    Float4 c0, c1, c2, c3, c3TimesZero;
};

typedef Scratch<JointColumns, StackJoints> ColumnTable;

void ColumnsOf(const SkinInput &in, JointColumns *joints) {
    for (int j = 0; j < in.jointCount; ++j) {
        const float *m = in.skinMatrices[j].m;
        JointColumns &c = joints[j];
        c.c0 = Load4(m);
        c.c1 = Load4(m + 4);
        c.c2 = Load4(m + 8);
        c.c3 = Load4(m + 12);
        c.c3TimesZero = c.c3 * 0.0f;
    }
}

// TransformPoint's sums, lane by lane.
inline Float4 PointBy(const JointColumns &m, Float4 x, Float4 y, Float4 z) {
    return m.c0 * x + m.c1 * y + m.c2 * z + m.c3;
}
inline Float4 DirectionBy(const JointColumns &m, Float4 x, Float4 y, Float4 z) {
    return m.c0 * x + m.c1 * y + m.c2 * z + m.c3TimesZero;
}

// HeaviestInfluence, here where the compiler can fold it into the vertex loops, and written as
// selects, not jumps: with weights in no order, a jump is mispredicted about every other time.
inline int Heaviest(const VertexInfluences &v) {
    int heaviest = 0;
    float most = v.weights[0];
    for (int k = 1; k < v.count; ++k) {
        int more = v.weights[k] > most;
        heaviest = more ? k : heaviest;
        most = more ? v.weights[k] : most;
    }
    return heaviest;
}

inline void KeepRest(const SkinInput &in, int i, Vector3 &position, Vector3 &normal) {
    position = in.restPositions[i];
    normal = in.restNormals[i];
}

inline void RigidVertex(const JointColumns &m, const Vector3 &p, const Vector3 &n,
                        Vector3 &position, Vector3 &normal) {
    Store3(position, PointBy(m, Splat(p.x), Splat(p.y), Splat(p.z)));
    Store3(normal, DirectionBy(m, Splat(n.x), Splat(n.y), Splat(n.z)));
}

// Row-major 3x3 (row r, column c at a[3 * r + c]), by the first row's cofactors.
double Determinant3(const double a[9]) {
    return a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
           a[2] * (a[3] * a[7] - a[4] * a[6]);
}

double MatrixDeterminant3(const Matrix4 &m) {
    double a[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            a[3 * r + c] = m.m[4 * c + r];
    return Determinant3(a);
}

// What dual-quaternion blending needs of a joint. A skin matrix whose 3x3 is a rotation gives
// its dual quaternion directly. One with scale or shear is split as S = Q K, Q a rotation and K
// upper triangular: Q with the translation blends as a rigid motion, and K, which has no turn in
// it, is mixed linearly and applied first.
struct JointMotion {
    Float4 real, dual; // w, x, y, z
    float k[9];        // K, row-major; the identity for a rigid joint
    int scaled;
};

// Beyond float rounding of a rotation, well below any scale a model means.
const double OrthonormalTolerance = 1e-5;

JointMotion MotionOf(const Matrix4 &s) {
    const float *m = s.m;
    Vec3d a[3];
    for (int c = 0; c < 3; ++c)
        a[c] = Vec3d{m[4 * c], m[4 * c + 1], m[4 * c + 2]};
    int scaled = MatrixDeterminant3(s) < 0.0;
    for (int c = 0; c < 3 && !scaled; ++c) {
        if (std::fabs(Length(a[c]) - 1.0) > OrthonormalTolerance ||
            std::fabs(Dot(a[c], a[(c + 1) % 3])) > OrthonormalTolerance)
            scaled = 1;
    }
    JointMotion out;
    out.scaled = scaled;
    for (int k = 0; k < 9; ++k)
        out.k[k] = k % 4 == 0 ? 1.0f : 0.0f;
    Matrix4 rigid = s;
    if (scaled) {
        // Gram-Schmidt on the columns: Q's columns, and K = Q^T S in the projections.
        Vec3d q[3];
        q[0] = DirectionOr(a[0], Vec3d{1.0, 0.0, 0.0});
        q[1] = DirectionOr(Across(a[1], q[0]), Cross(Vec3d{0.0, 0.0, 1.0}, q[0]));
        if (Length(q[1]) < 0.5)
            q[1] = DirectionOr(Cross(q[0], Vec3d{1.0, 0.0, 0.0}), Vec3d{0.0, 1.0, 0.0});
        q[2] = Cross(q[0], q[1]); // a rotation even when S reflects: K takes the reflection
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                out.k[3 * r + c] = c < r ? 0.0f : (float)Dot(q[r], a[c]);
        for (int c = 0; c < 3; ++c) {
            rigid.m[4 * c] = (float)q[c].x;
            rigid.m[4 * c + 1] = (float)q[c].y;
            rigid.m[4 * c + 2] = (float)q[c].z;
        }
    }
    DualQuaternion dq = DualQuaternionOfMatrix(rigid);
    out.real = Float4{dq.real.w, dq.real.x, dq.real.y, dq.real.z};
    out.dual = Float4{dq.dual.w, dq.dual.x, dq.dual.y, dq.dual.z};
    return out;
}

void MotionsOf(const SkinInput &in, JointMotion *joints) {
    for (int j = 0; j < in.jointCount; ++j)
        joints[j] = MotionOf(in.skinMatrices[j]);
}

typedef int Int4 __attribute__((vector_size(16)));

// A sign bit, in all four lanes, where QuaternionDot(a, b) < 0 (its sum, in its order): put in
// place of a jump that half the influences of a random rig would take.
inline Int4 SignWhereOpposite(Float4 a, Float4 b) {
    Float4 p = a * b;
    float dot = p[0] + p[1] + p[2] + p[3];
    Int4 negative = Splat(dot) < Splat(0.0f);
    return negative & Int4{INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
}

inline Float4 SignedWeight(float weight, Int4 sign) {
    return (Float4)((Int4)Splat(weight) ^ sign);
}

// The vertex's blended dual quaternion: every influence's turned to the heaviest's side (q and
// -q are one turn; mixing across the sign would take the long way round), scaled by its weight
// and summed in the influences' order. Then the whole blend is negated if need be so that the
// first influence keeps its own sign: the turn is the same either way, but where a component
// sums to zero its sign would differ, and a -0 can reach an output; kept so, a blend of two
// joints has exactly the bits of turning the second to the first's side. A negated weight gives
// the same bits as a negated quaternion. Returns whether any of the joints has scale.
inline int BlendDualQuaternions(const JointMotion *joints, const VertexInfluences &v, Float4 &real,
                                Float4 &dual) {
    Float4 side = joints[v.joints[Heaviest(v)]].real;
    const JointMotion &first = joints[v.joints[0]];
    Int4 firstSign = SignWhereOpposite(first.real, side);
    Float4 w = Splat(v.weights[0]);
    real = w * first.real;
    dual = w * first.dual;
    int scaled = first.scaled;
    for (int k = 1; k < v.count; ++k) {
        const JointMotion &m = joints[v.joints[k]];
        w = SignedWeight(v.weights[k], SignWhereOpposite(m.real, side) ^ firstSign);
        real = real + w * m.real;
        dual = dual + w * m.dual;
        scaled |= m.scaled;
    }
    return scaled;
}

// Weight k of v carrying the sign that turns joint k to the heaviest's side (side, a row of the
// table below) and back when the first was turned (firstSign): the sign bit flipped, no jump.
inline int SignBits(float mask) {
    int bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return bits;
}

inline float AlignedWeight(const VertexInfluences &v, int k, const float *side, int firstSign) {
    int bits;
    std::memcpy(&bits, &v.weights[k], sizeof bits);
    bits ^= SignBits(side[v.joints[k]]) ^ firstSign;
    float w;
    std::memcpy(&w, &bits, sizeof w);
    return w;
}

// The same blend with the signs looked up: opposite[a * jointCount + b] holds the sign bit of
// SignWhereOpposite for joints a and b (the same for b and a: each product is) as a float, -0
// or +0, so that the vector loops can load it as they load a weight; worked out once per call
// for every pair, which costs less than a dot product per influence once a call skins more
// vertices than there are pairs.
inline int BlendDualQuaternionsBySigns(const JointMotion *joints, const float *opposite,
                                       int jointCount, const VertexInfluences &v, Float4 &real,
                                       Float4 &dual) {
    const float *side = opposite + (size_t)v.joints[Heaviest(v)] * (size_t)jointCount;
    int firstSign = SignBits(side[v.joints[0]]);
    const JointMotion &first = joints[v.joints[0]];
    real = v.weights[0] * first.real;
    dual = v.weights[0] * first.dual;
    int scaled = first.scaled;
    for (int k = 1; k < v.count; ++k) {
        const JointMotion &m = joints[v.joints[k]];
        float w = AlignedWeight(v, k, side, firstSign);
        real = real + w * m.real;
        dual = dual + w * m.dual;
        scaled |= m.scaled;
    }
    return scaled;
}

// A vertex's blend by BlendDualQuaternionsBySigns into blend[0 .. 7] (real, then dual): in
// four-float steps, or with AVX in eight, real and dual together, the same arithmetic per lane.
// The vector type picks the version.
inline int BlendInto(const Float4 *, const JointMotion *joints, const float *opposite, int jointCount,
                     const VertexInfluences &v, float *blend) {
    Float4 real, dual;
    int scaled = BlendDualQuaternionsBySigns(joints, opposite, jointCount, v, real, dual);
    std::memcpy(blend, &real, sizeof real);
    std::memcpy(blend + 4, &dual, sizeof dual);
    return scaled;
}

#ifdef SKIN_KERNELS_AVX
static_assert(offsetof(JointMotion, dual) == offsetof(JointMotion, real) + sizeof(Float4),
              "a joint's real and dual parts load as one");

__attribute__((target("avx"))) inline Float8 BlendSum(const JointMotion *joints,
                                                     const float *opposite, int jointCount,
                                                     const VertexInfluences &v, int &scaled) {
    const float *side = opposite + (size_t)v.joints[Heaviest(v)] * (size_t)jointCount;
    // AlignedWeight's flips as vector xors: the weight and the signs go straight from memory to
    // all eight lanes, never through an integer register and back.
    __m256 firstSign = _mm256_broadcast_ss(&side[v.joints[0]]);
    const JointMotion &first = joints[v.joints[0]];
    Float8 sum = v.weights[0] * Load8((const float *)&first.real);
    scaled = first.scaled;
    for (int k = 1; k < v.count; ++k) {
        const JointMotion &m = joints[v.joints[k]];
        __m256 sign = _mm256_xor_ps(_mm256_broadcast_ss(&side[v.joints[k]]), firstSign);
        Float8 w = (Float8)_mm256_xor_ps(_mm256_broadcast_ss(&v.weights[k]), sign);
        sum = sum + w * Load8((const float *)&m.real);
        scaled |= m.scaled;
    }
    return sum;
}

__attribute__((target("avx"))) inline int BlendInto(const Float8 *, const JointMotion *joints,
                                                    const float *opposite, int jointCount,
                                                    const VertexInfluences &v, float *blend) {
    int scaled;
    Float8 sum = BlendSum(joints, opposite, jointCount, v, scaled);
    std::memcpy(blend, &sum, sizeof sum);
    return scaled;
}
#endif

void OppositeSigns(const JointMotion *joints, size_t count, float *opposite) {
    for (size_t a = 0; a < count; ++a)
        for (size_t b = 0; b < count; ++b) {
            int bits = SignWhereOpposite(joints[b].real, joints[a].real)[0];
            std::memcpy(&opposite[a * count + b], &bits, sizeof bits);
        }
}

// The blend as a rigid motion, and where any joint has scale, the weighted mix of the K's.
inline int BlendMotions(const JointMotion *joints, const VertexInfluences &v, RigidTransform &out,
                        float *kMix) {
    Float4 real, dual;
    int scaled = BlendDualQuaternions(joints, v, real, dual);
    out = RigidTransformOf(DualQuaternion{Quaternion{real[0], real[1], real[2], real[3]},
                                          Quaternion{dual[0], dual[1], dual[2], dual[3]}});
    if (scaled) {
        for (int e = 0; e < 9; ++e)
            kMix[e] = v.weights[0] * joints[v.joints[0]].k[e];
        for (int k = 1; k < v.count; ++k)
            for (int e = 0; e < 9; ++e)
                kMix[e] = kMix[e] + v.weights[k] * joints[v.joints[k]].k[e];
    }
    return scaled;
}

Vector3 Times3(const float *a, const Vector3 &v) {
    return Vector3{a[0] * v.x + a[1] * v.y + a[2] * v.z, a[3] * v.x + a[4] * v.y + a[5] * v.z,
                   a[6] * v.x + a[7] * v.y + a[8] * v.z};
}

// A normal under the mixed K, then the blend's rotation: K's inverse transpose, which keeps it
// at right angles to the stretched surface, and unit length again.
Vector3 ScaledNormal(const RigidTransform &t, const float *k, const Vector3 &n) {
    double a[9];
    for (int e = 0; e < 9; ++e)
        a[e] = k[e];
    // The cofactor matrix is det(K) times the inverse transpose; only its sign matters here.
    double c[9] = {a[4] * a[8] - a[5] * a[7], a[5] * a[6] - a[3] * a[8], a[3] * a[7] - a[4] * a[6],
                   a[2] * a[7] - a[1] * a[8], a[0] * a[8] - a[2] * a[6], a[1] * a[6] - a[0] * a[7],
                   a[1] * a[5] - a[2] * a[4], a[2] * a[3] - a[0] * a[5], a[0] * a[4] - a[1] * a[3]};
    double sign = Determinant3(a) < 0.0 ? -1.0 : 1.0;
    Vec3d m = {sign * (c[0] * n.x + c[1] * n.y + c[2] * n.z),
               sign * (c[3] * n.x + c[4] * n.y + c[5] * n.z),
               sign * (c[6] * n.x + c[7] * n.y + c[8] * n.z)};
    const float *r = t.rotation;
    Vec3d turned = {r[0] * m.x + r[1] * m.y + r[2] * m.z, r[3] * m.x + r[4] * m.y + r[5] * m.z,
                    r[6] * m.x + r[7] * m.y + r[8] * m.z};
    return ToVector3(Normalised(turned));
}

// Where the vertex's influences carry its centre: sum w_i S_i c, summed as linear blending sums.
inline Float4 CarriedCentre(const JointColumns *columns, const VertexInfluences &v,
                            const Vector3 &c) {
    Float4 cx = Splat(c.x), cy = Splat(c.y), cz = Splat(c.z);
    Float4 carried = v.weights[0] * PointBy(columns[v.joints[0]], cx, cy, cz);
    for (int k = 1; k < v.count; ++k)
        carried = carried + v.weights[k] * PointBy(columns[v.joints[k]], cx, cy, cz);
    return carried;
}

// One vertex, any case: no influence, no centre, scaled joints.
template <int WithCentres>
void BlendedTurnVertex(const SkinInput &in, const JointMotion *motions, const JointColumns *columns,
                       int i, Vector3 &position, Vector3 &normal) {
    const VertexInfluences &v = in.influences[i];
    if (v.count == 0) {
        KeepRest(in, i, position, normal);
        return;
    }
    int centre = -1;
    if (WithCentres) {
        centre = in.centres ? in.centres->centreOf[(size_t)i] : -1;
        if (centre < 0) {
            RigidVertex(columns[v.joints[Heaviest(v)]], in.restPositions[i], in.restNormals[i],
                        position, normal);
            return;
        }
    }
    RigidTransform t;
    float kMix[9];
    int scaled = BlendMotions(motions, v, t, kMix);
    const Vector3 &rest = in.restPositions[i];
    if (WithCentres) {
        // v' = R (v - c) + sum w_i S_i c.
        const Vector3 &c = in.centres->centres[(size_t)centre];
        Float4 carried = CarriedCentre(columns, v, c);
        Vector3 offset = Subtract(rest, c);
        if (scaled)
            offset = Times3(kMix, offset);
        position = Add(TurnedBy(t, offset), Vector3{carried[0], carried[1], carried[2]});
    } else {
        position = MovedBy(t, scaled ? Times3(kMix, rest) : rest);
    }
    normal = scaled ? ScaledNormal(t, kMix, in.restNormals[i]) : TurnedBy(t, in.restNormals[i]);
}

// RigidTransformOf, then MovedBy and TurnedBy, lane by lane: q the blends (real w, x, y, z,
// then dual), p the points (with centres: the offsets from them), n the normals, c the carried
// centres (with centres only).
template <int WithCentres, typename V>
__attribute__((always_inline)) inline void TurnLanes(const V (&q)[8], const V (&p)[3],
                                                     const V (&n)[3], const V (&c)[3],
                                                     V (&outP)[3], V (&outN)[3]) {
    V rw = q[0], rx = q[1], ry = q[2], rz = q[3], dw = q[4], dx = q[5], dy = q[6], dz = q[7];
    V px = p[0], py = p[1], pz = p[2], nx = n[0], ny = n[1], nz = n[2];
    V cx = c[0], cy = c[1], cz = c[2];
    // RigidTransformOf.
    V scale = 2.0f / (rw * rw + rx * rx + ry * ry + rz * rz);
    V xx = rx * rx, yy = ry * ry, zz = rz * rz;
    V xy = rx * ry, xz = rx * rz, yz = ry * rz;
    V wx = rw * rx, wy = rw * ry, wz = rw * rz;
    V m0 = 1.0f - scale * (yy + zz), m1 = scale * (xy - wz), m2 = scale * (xz + wy);
    V m3 = scale * (xy + wz), m4 = 1.0f - scale * (xx + zz), m5 = scale * (yz - wx);
    V m6 = scale * (xz - wy), m7 = scale * (yz + wx), m8 = 1.0f - scale * (xx + yy);
    V tx = cx, ty = cy, tz = cz; // centres: the carried centre in place of the translation
    if (!WithCentres) {
        tx = scale * (rw * dx - dw * rx + ry * dz - rz * dy);
        ty = scale * (rw * dy - dw * ry + rz * dx - rx * dz);
        tz = scale * (rw * dz - dw * rz + rx * dy - ry * dx);
    }
    // MovedBy and TurnedBy.
    V outX = m0 * px + m1 * py + m2 * pz + tx;
    V outY = m3 * px + m4 * py + m5 * pz + ty;
    V outZ = m6 * px + m7 * py + m8 * pz + tz;
    V normalX = m0 * nx + m1 * ny + m2 * nz;
    V normalY = m3 * nx + m4 * ny + m5 * nz;
    V normalZ = m6 * nx + m7 * ny + m8 * nz;
    outP[0] = outX, outP[1] = outY, outP[2] = outZ;
    outN[0] = normalX, outN[1] = normalY, outN[2] = normalZ;
}

// N vertices at a time, one per lane (V holds N floats), for the common case (some influence,
// no scale, and a centre where one is needed): the blends are formed one vertex at a time, then
// turned into rotations and applied N at once with RigidTransformOf's, TurnedBy's and MovedBy's
// arithmetic lane by lane, the same bits. The other vertices of a group go one at a time.
// Inlined into each wrapper below, so that each compiles it for its own instruction set.
template <int WithCentres, typename V, int N>
__attribute__((always_inline)) inline void
BlendedTurnGroups(const SkinInput &in, const JointMotion *motions, const float *opposite,
                  const JointColumns *columns, int from, int to, Vector3 *positions,
                  Vector3 *normals) {
    for (int group = from; group < to; group += N) {
        int lanes = to - group < N ? to - group : N;
        float blend[N][8]; // real w, x, y, z, then dual
        Float4 carried[N];
        Vector3 offset[N], restNormal[N];
        int plain[N];
        for (int l = 0; l < N; ++l) {
            // A lane with nothing to blend turns by the identity, which divides by no zero.
            for (int c = 0; c < 8; ++c)
                blend[l][c] = c == 0 ? 1.0f : 0.0f;
            offset[l] = restNormal[l] = Vector3{0.0f, 0.0f, 0.0f};
            carried[l] = Splat(0.0f);
            plain[l] = 0;
            if (l >= lanes)
                continue;
            int i = group + l;
            const VertexInfluences &v = in.influences[i];
            int centre = WithCentres && in.centres ? in.centres->centreOf[(size_t)i] : -1;
            if (v.count == 0 || (WithCentres && centre < 0))
                continue;
            float b[8];
            if (opposite) {
                if (BlendInto((const V *)nullptr, motions, opposite, in.jointCount, v, b))
                    continue;
            } else {
                Float4 r, d;
                if (BlendDualQuaternions(motions, v, r, d))
                    continue;
                std::memcpy(b, &r, sizeof r);
                std::memcpy(b + 4, &d, sizeof d);
            }
            std::memcpy(blend[l], b, sizeof b);
            plain[l] = 1;
            offset[l] = in.restPositions[i];
            restNormal[l] = in.restNormals[i];
            if (WithCentres) {
                const Vector3 &c = in.centres->centres[(size_t)centre];
                carried[l] = CarriedCentre(columns, v, c);
                offset[l] = Subtract(offset[l], c);
            }
        }
        V rw = {}, rx = {}, ry = {}, rz = {}, dw = {}, dx = {}, dy = {}, dz = {};
        V px = {}, py = {}, pz = {}, nx = {}, ny = {}, nz = {}, cx = {}, cy = {}, cz = {};
        for (int l = 0; l < N; ++l) {
            rw[l] = blend[l][0], rx[l] = blend[l][1], ry[l] = blend[l][2], rz[l] = blend[l][3];
            dw[l] = blend[l][4], dx[l] = blend[l][5], dy[l] = blend[l][6], dz[l] = blend[l][7];
            px[l] = offset[l].x, py[l] = offset[l].y, pz[l] = offset[l].z;
            nx[l] = restNormal[l].x, ny[l] = restNormal[l].y, nz[l] = restNormal[l].z;
            cx[l] = carried[l][0], cy[l] = carried[l][1], cz[l] = carried[l][2];
        }
        V q[8] = {rw, rx, ry, rz, dw, dx, dy, dz}, p[3] = {px, py, pz}, n[3] = {nx, ny, nz};
        V c[3] = {cx, cy, cz}, outP[3], outN[3];
        TurnLanes<WithCentres>(q, p, n, c, outP, outN);
        V outX = outP[0], outY = outP[1], outZ = outP[2];
        V normalX = outN[0], normalY = outN[1], normalZ = outN[2];
        for (int l = 0; l < lanes; ++l) {
            int i = group + l;
            if (plain[l]) {
                positions[i - from] = Vector3{outX[l], outY[l], outZ[l]};
                normals[i - from] = Vector3{normalX[l], normalY[l], normalZ[l]};
            } else {
                BlendedTurnVertex<WithCentres>(in, motions, columns, i, positions[i - from],
                                               normals[i - from]);
            }
        }
    }
}

template <int WithCentres>
void BlendedTurnsPortable(const SkinInput &in, const JointMotion *motions, const float *opposite,
                          const JointColumns *columns, int from, int to, Vector3 *positions,
                          Vector3 *normals) {
    BlendedTurnGroups<WithCentres, Float4, 4>(in, motions, opposite, columns, from, to, positions,
                                              normals);
}

#ifdef SKIN_KERNELS_AVX
// Eight rows of eight floats turned into eight columns: r[c][l] becomes r[l][c].
__attribute__((target("avx"), always_inline)) inline void Transpose8(__m256 (&r)[8]) {
    __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
    __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
    __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
    __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
    __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    r[0] = _mm256_permute2f128_ps(u0, u4, 0x20), r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    r[1] = _mm256_permute2f128_ps(u1, u5, 0x20), r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    r[2] = _mm256_permute2f128_ps(u2, u6, 0x20), r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    r[3] = _mm256_permute2f128_ps(u3, u7, 0x20), r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

// Eight packed vertices (24 floats) as their x, y and z in eight lanes each, and back.
__attribute__((target("avx"), always_inline)) inline void LoadLanes(const Vector3 *v,
                                                                    __m256 (&xyz)[3]) {
    const float *f = &v->x;
    __m256 m03 = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(f)),
                                      _mm_loadu_ps(f + 12), 1);
    __m256 m14 = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(f + 4)),
                                      _mm_loadu_ps(f + 16), 1);
    __m256 m25 = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(f + 8)),
                                      _mm_loadu_ps(f + 20), 1);
    __m256 xy = _mm256_shuffle_ps(m14, m25, _MM_SHUFFLE(2, 1, 3, 2));
    __m256 yz = _mm256_shuffle_ps(m03, m14, _MM_SHUFFLE(1, 0, 2, 1));
    xyz[0] = _mm256_shuffle_ps(m03, xy, _MM_SHUFFLE(2, 0, 3, 0));
    xyz[1] = _mm256_shuffle_ps(yz, xy, _MM_SHUFFLE(3, 1, 2, 0));
    xyz[2] = _mm256_shuffle_ps(yz, m25, _MM_SHUFFLE(3, 0, 3, 1));
}

__attribute__((target("avx"), always_inline)) inline void StoreLanes(const __m256 (&xyz)[3],
                                                                     Vector3 *v) {
    float *f = &v->x;
    __m256 xy = _mm256_shuffle_ps(xyz[0], xyz[1], _MM_SHUFFLE(2, 0, 2, 0));
    __m256 yz = _mm256_shuffle_ps(xyz[1], xyz[2], _MM_SHUFFLE(3, 1, 3, 1));
    __m256 zx = _mm256_shuffle_ps(xyz[2], xyz[0], _MM_SHUFFLE(3, 1, 2, 0));
    __m256 r03 = _mm256_shuffle_ps(xy, zx, _MM_SHUFFLE(2, 0, 2, 0));
    __m256 r14 = _mm256_shuffle_ps(yz, xy, _MM_SHUFFLE(3, 1, 2, 0));
    __m256 r25 = _mm256_shuffle_ps(zx, yz, _MM_SHUFFLE(3, 1, 3, 1));
    _mm_storeu_ps(f, _mm256_castps256_ps128(r03));
    _mm_storeu_ps(f + 4, _mm256_castps256_ps128(r14));
    _mm_storeu_ps(f + 8, _mm256_castps256_ps128(r25));
    _mm_storeu_ps(f + 12, _mm256_extractf128_ps(r03, 1));
    _mm_storeu_ps(f + 16, _mm256_extractf128_ps(r14, 1));
    _mm_storeu_ps(f + 20, _mm256_extractf128_ps(r25, 1));
}

// Eight whole vertices at once, where every one of them has influences, no scaled joint and,
// for centres of rotation, a centre (a real mesh's common case): the same lanes as
// BlendedTurnGroups, but moved in and out of them by shuffles rather than one float at a time,
// which cost more than the arithmetic. Returns 0, having written nothing, when a vertex of the
// eight is not so.
template <int WithCentres>
__attribute__((target("avx"), always_inline)) inline int
PlainEightAvx(const SkinInput &in, const JointMotion *motions, const float *opposite,
              const JointColumns *columns, int group, Vector3 *positions, Vector3 *normals) {
    __m256 q[8], centres[8];
    for (int l = 0; l < 8; ++l) {
        const VertexInfluences &v = in.influences[group + l];
        if (v.count == 0)
            return 0;
        if (WithCentres) {
            int centre = in.centres->centreOf[(size_t)(group + l)];
            if (centre < 0)
                return 0;
            // The centre in the low four floats, where the influences carry it in the high.
            const Vector3 &c = in.centres->centres[(size_t)centre];
            Float4 carried = CarriedCentre(columns, v, c);
            centres[l] = _mm256_insertf128_ps(_mm256_setr_ps(c.x, c.y, c.z, 0.0f, 0.0f, 0.0f,
                                                             0.0f, 0.0f),
                                              (__m128)carried, 1);
        }
        int scaled;
        q[l] = (__m256)BlendSum(motions, opposite, in.jointCount, v, scaled);
        if (scaled)
            return 0;
    }
    Transpose8(q);
    __m256 p[3], n[3], c[3] = {}, outP[3], outN[3];
    LoadLanes(in.restPositions + group, p);
    LoadLanes(in.restNormals + group, n);
    if (WithCentres) {
        Transpose8(centres);
        for (int axis = 0; axis < 3; ++axis) {
            p[axis] = _mm256_sub_ps(p[axis], centres[axis]); // Subtract(rest, c)
            c[axis] = centres[4 + axis];
        }
    }
    TurnLanes<WithCentres>(q, p, n, c, outP, outN);
    StoreLanes(outP, positions);
    StoreLanes(outN, normals);
    return 1;
}

template <int WithCentres>
__attribute__((target("avx"))) void BlendedTurnsAvx(const SkinInput &in, const JointMotion *motions,
                                                    const float *opposite,
                                                    const JointColumns *columns, int from, int to,
                                                    Vector3 *positions, Vector3 *normals) {
    int group = from;
    if (opposite && (!WithCentres || in.centres)) {
        for (; group + 8 <= to; group += 8)
            if (!PlainEightAvx<WithCentres>(in, motions, opposite, columns, group,
                                            positions + (group - from), normals + (group - from)))
                BlendedTurnGroups<WithCentres, Float8, 8>(in, motions, opposite, columns, group,
                                                          group + 8, positions + (group - from),
                                                          normals + (group - from));
    }
    BlendedTurnGroups<WithCentres, Float8, 8>(in, motions, opposite, columns, group, to,
                                              positions + (group - from), normals + (group - from));
}
#endif

template <int WithCentres>
void SkinBlendedTurns(const SkinInput &in, int from, int to, Vector3 *positions, Vector3 *normals) {
    size_t joints = (size_t)in.jointCount;
    Scratch<JointMotion, StackJoints> motions(joints);
    MotionsOf(in, motions.data());
    ColumnTable columns(joints);
    ColumnsOf(in, columns.data());
    // The sign table pays once a call skins more vertices than there are pairs.
    int bySigns = joints * joints <= (size_t)(to - from);
    Scratch<float, StackJoints * StackJoints> signs(bySigns ? joints * joints : 0);
    if (bySigns)
        OppositeSigns(motions.data(), joints, signs.data());
    const float *opposite = bySigns ? signs.data() : nullptr;
#ifdef SKIN_KERNELS_AVX
    if (HasAvx()) {
        BlendedTurnsAvx<WithCentres>(in, motions.data(), opposite, columns.data(), from, to,
                                     positions, normals);
        return;
    }
#endif
    BlendedTurnsPortable<WithCentres>(in, motions.data(), opposite, columns.data(), from, to,
                                      positions, normals);
}

} // namespace

namespace {

// From this many influences on, linear blending mixes the matrices before applying them: four
// columns weighed and added per influence, where applying each matrix to the position and the
// normal takes twice that. One or two influences (the limb has no more) are applied and mixed.
const int MixMatricesFrom = 3;

// sum of w_i S_i over the vertex's influences, as columns, in their order.
JointColumns MixedColumns(const SkinInput &in, const VertexInfluences &v) {
    const float *m = in.skinMatrices[v.joints[0]].m;
    float w = v.weights[0];
    JointColumns mixed = {w * Load4(m), w * Load4(m + 4), w * Load4(m + 8), w * Load4(m + 12),
                          Float4{}};
    for (int k = 1; k < v.count; ++k) {
        m = in.skinMatrices[v.joints[k]].m;
        w = v.weights[k];
        mixed.c0 = mixed.c0 + w * Load4(m);
        mixed.c1 = mixed.c1 + w * Load4(m + 4);
        mixed.c2 = mixed.c2 + w * Load4(m + 8);
        mixed.c3 = mixed.c3 + w * Load4(m + 12);
    }
    mixed.c3TimesZero = mixed.c3 * 0.0f;
    return mixed;
}

void SkinLinearPortable(const SkinInput &in, int from, int to, Vector3 *positions,
                        Vector3 *normals) {
    ColumnTable joints((size_t)in.jointCount);
    ColumnsOf(in, joints.data());
    for (int i = from; i < to; ++i) {
        const VertexInfluences &v = in.influences[i];
        if (v.count == 0) {
            KeepRest(in, i, positions[i - from], normals[i - from]);
            continue;
        }
        const Vector3 &p = in.restPositions[i], &n = in.restNormals[i];
        Float4 px = Splat(p.x), py = Splat(p.y), pz = Splat(p.z);
        Float4 nx = Splat(n.x), ny = Splat(n.y), nz = Splat(n.z);
        if (v.count >= MixMatricesFrom) {
            JointColumns mixed = MixedColumns(in, v);
            Store3(positions[i - from], PointBy(mixed, px, py, pz));
            Store3(normals[i - from], DirectionBy(mixed, nx, ny, nz));
            continue;
        }
        // The first term alone, not added to a zero: 0 + -0 would be +0.
        const JointColumns &first = joints[(size_t)v.joints[0]];
        Float4 position = v.weights[0] * PointBy(first, px, py, pz);
        Float4 normal = v.weights[0] * DirectionBy(first, nx, ny, nz);
        for (int k = 1; k < v.count; ++k) {
            const JointColumns &m = joints[(size_t)v.joints[k]];
            position = position + v.weights[k] * PointBy(m, px, py, pz);
            normal = normal + v.weights[k] * DirectionBy(m, nx, ny, nz);
        }
        Store3(positions[i - from], position);
        Store3(normals[i - from], normal);
    }
}

#ifdef SKIN_KERNELS_AVX

// Linear blending in eight lanes: the position in the low four and the normal in the high four,
// so that one operation does what two do above, lane for lane the same arithmetic. Kept as plain
// floats and loaded unaligned: a vector's storage is not sure to be aligned to 32 bytes.
struct JointColumns8 {
    float c[4][8]; // c[3]: the translation for the point, times zero for the normal
};

__attribute__((target("avx"))) void SkinLinearAvx(const SkinInput &in, int from, int to,
                                                  Vector3 *positions, Vector3 *normals) {
    Scratch<JointColumns8, StackJoints> joints((size_t)in.jointCount);
    for (int j = 0; j < in.jointCount; ++j) {
        const float *m = in.skinMatrices[j].m;
        JointColumns8 &c = joints[(size_t)j];
        for (int column = 0; column < 4; ++column)
            for (int row = 0; row < 4; ++row) {
                c.c[column][row] = m[4 * column + row];
                c.c[column][row + 4] =
                    column == 3 ? m[4 * column + row] * 0.0f : m[4 * column + row];
            }
    }
    for (int i = from; i < to; ++i) {
        const VertexInfluences &v = in.influences[i];
        if (v.count == 0) {
            KeepRest(in, i, positions[i - from], normals[i - from]);
            continue;
        }
        const Vector3 &p = in.restPositions[i], &n = in.restNormals[i];
        Float8 x = {p.x, p.x, p.x, p.x, n.x, n.x, n.x, n.x};
        Float8 y = {p.y, p.y, p.y, p.y, n.y, n.y, n.y, n.y};
        Float8 z = {p.z, p.z, p.z, p.z, n.z, n.z, n.z, n.z};
        if (v.count >= MixMatricesFrom) {
            // The mix of MixedColumns, two columns to a register, then each column in both
            // halves (the translation's high half times zero) for the point and the normal.
            const float *m = in.skinMatrices[v.joints[0]].m;
            Float8 low = v.weights[0] * Load8(m), high = v.weights[0] * Load8(m + 8);
            for (int k = 1; k < v.count; ++k) {
                m = in.skinMatrices[v.joints[k]].m;
                low = low + v.weights[k] * Load8(m);
                high = high + v.weights[k] * Load8(m + 8);
            }
            Float8 c0 = (Float8)_mm256_permute2f128_ps((__m256)low, (__m256)low, 0x00);
            Float8 c1 = (Float8)_mm256_permute2f128_ps((__m256)low, (__m256)low, 0x11);
            Float8 c2 = (Float8)_mm256_permute2f128_ps((__m256)high, (__m256)high, 0x00);
            Float8 c3 = (Float8)_mm256_permute2f128_ps((__m256)high, (__m256)high, 0x11) *
                        Float8{1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
            Float8 sum = c0 * x + c1 * y + c2 * z + c3;
            positions[i - from] = Vector3{sum[0], sum[1], sum[2]};
            normals[i - from] = Vector3{sum[4], sum[5], sum[6]};
            continue;
        }
        const JointColumns8 &first = joints[(size_t)v.joints[0]];
        Float8 sum = v.weights[0] * (Load8(first.c[0]) * x + Load8(first.c[1]) * y +
                                     Load8(first.c[2]) * z + Load8(first.c[3]));
        for (int k = 1; k < v.count; ++k) {
            const JointColumns8 &m = joints[(size_t)v.joints[k]];
            sum = sum + v.weights[k] * (Load8(m.c[0]) * x + Load8(m.c[1]) * y + Load8(m.c[2]) * z +
                                        Load8(m.c[3]));
        }
        positions[i - from] = Vector3{sum[0], sum[1], sum[2]};
        normals[i - from] = Vector3{sum[4], sum[5], sum[6]};
    }
}
#endif

} // namespace

void SkinLinear(const SkinInput &in, int from, int to, Vector3 *positions, Vector3 *normals) {
#ifdef SKIN_KERNELS_AVX
    if (HasAvx()) {
        SkinLinearAvx(in, from, to, positions, normals);
        return;
    }
#endif
    SkinLinearPortable(in, from, to, positions, normals);
}

void SkinRigid(const SkinInput &in, int from, int to, Vector3 *positions, Vector3 *normals) {
    ColumnTable joints((size_t)in.jointCount);
    ColumnsOf(in, joints.data());
    for (int i = from; i < to; ++i) {
        const VertexInfluences &v = in.influences[i];
        if (v.count == 0)
            KeepRest(in, i, positions[i - from], normals[i - from]);
        else
            RigidVertex(joints[(size_t)v.joints[Heaviest(v)]], in.restPositions[i],
                        in.restNormals[i], positions[i - from], normals[i - from]);
    }
}

void SkinDualQuaternion(const SkinInput &in, int from, int to, Vector3 *positions,
                        Vector3 *normals) {
    SkinBlendedTurns<0>(in, from, to, positions, normals);
}

void SkinCentreOfRotation(const SkinInput &in, int from, int to, Vector3 *positions,
                          Vector3 *normals) {
    if (in.centresPending) {
        SkinLinear(in, from, to, positions, normals);
        return;
    }
    SkinBlendedTurns<1>(in, from, to, positions, normals);
}

double DeterminantLinear(const SkinInput &in, int vertex) {
    const VertexInfluences &v = in.influences[vertex];
    if (v.count == 0)
        return 1.0;
    double mixed[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            mixed[3 * r + c] = (double)v.weights[0] * in.skinMatrices[v.joints[0]].m[4 * c + r];
    for (int k = 1; k < v.count; ++k)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                mixed[3 * r + c] = mixed[3 * r + c] +
                                   (double)v.weights[k] * in.skinMatrices[v.joints[k]].m[4 * c + r];
    return Determinant3(mixed);
}

double DeterminantRigid(const SkinInput &in, int vertex) {
    const VertexInfluences &v = in.influences[vertex];
    if (v.count == 0)
        return 1.0;
    return MatrixDeterminant3(in.skinMatrices[v.joints[Heaviest(v)]]);
}

double DeterminantDualQuaternion(const SkinInput &in, int vertex) {
    const VertexInfluences &v = in.influences[vertex];
    if (v.count == 0)
        return 1.0;
    // Only the vertex's own joints: one vertex's worth of work, not the whole rig's.
    JointMotion motions[MaxInfluences];
    VertexInfluences local = v;
    for (int k = 0; k < v.count; ++k) {
        motions[k] = MotionOf(in.skinMatrices[v.joints[k]]);
        local.joints[k] = k;
    }
    RigidTransform t;
    float kMix[9];
    int scaled = BlendMotions(motions, local, t, kMix);
    double rotation[9];
    for (int k = 0; k < 9; ++k)
        rotation[k] = t.rotation[k];
    double det = Determinant3(rotation);
    if (scaled) {
        double k[9];
        for (int e = 0; e < 9; ++e)
            k[e] = kMix[e];
        det *= Determinant3(k);
    }
    return det;
}

double DeterminantCentreOfRotation(const SkinInput &in, int vertex) {
    if (in.centresPending)
        return DeterminantLinear(in, vertex);
    if (!in.centres || in.centres->centreOf[(size_t)vertex] < 0)
        return DeterminantRigid(in, vertex);
    return DeterminantDualQuaternion(in, vertex); // the same turn, about another point
}

// ---------------------------------------------------------------------------------------------
// Centres of rotation.

namespace {

// Enough to split a weight difference of 1 below any step down to 1/1024.
const int MaxSplits = 10;
// The joints the three corners of one triangle have between them.
const int MaxPieceJoints = 3 * MaxInfluences;

// A weight vector: its joints, each once, in the order the vertex first names them, and their
// weights (a joint named twice has the sum). Only joints of positive weight.
struct WeightVector {
    int count;
    int joints[MaxInfluences];
    double weights[MaxInfluences];
};

WeightVector WeightVectorOf(const VertexInfluences &v) {
    WeightVector out;
    out.count = 0;
    for (int k = 0; k < v.count; ++k) {
        int slot = 0;
        while (slot < out.count && out.joints[slot] != v.joints[k])
            ++slot;
        if (slot == out.count) {
            out.joints[slot] = v.joints[k];
            out.weights[slot] = 0.0;
            ++out.count;
        }
        out.weights[slot] += v.weights[k];
    }
    int kept = 0;
    for (int k = 0; k < out.count; ++k)
        if (out.weights[k] > 0.0) {
            out.joints[kept] = out.joints[k];
            out.weights[kept] = out.weights[k];
            ++kept;
        }
    out.count = kept;
    return out;
}

// A piece of surface, its corners' weights over the joints of the triangle it came from.
struct PieceWeights {
    double w[3][MaxPieceJoints];
};

// The pieces whose corners' mean weights are the same, summed: a piece's share in a vector's
// centre depends on the piece only through its area, its centroid and those means, so the
// similarities are worked out once per distinct means rather than once per piece. A mesh in
// rings, as a limb or a tentacle is, has two distinct means per band of triangles.
struct PieceMeans {
    std::vector<std::pair<int, double>> means; // (joint, mean weight), the positive ones
    Vec3d areaCentroid;                         // sum of area x centroid
    double area;                                // sum of area
};

struct CentreWork {
    int pieceJoints;
    int jointOf[MaxPieceJoints];       // the triangle's joints, by their index in PieceWeights
    std::vector<WeightVector> vectors; // the distinct blended weight vectors
    std::vector<std::vector<int>> vectorsByJoint; // which of them name each joint
    std::vector<double> meanByJoint;              // the current means' weights, by joint
    std::vector<int> seenInPiece;                 // the means a vector was last summed for
    int piece;
    std::vector<Vec3d> weightedCentroids;
    std::vector<double> weights;
    std::vector<PieceMeans> distinctMeans;
    std::unordered_map<std::string, int> meansIndex; // the means' bytes to distinctMeans
};

int NeedsSplit(const PieceWeights &w, int joints) {
    // Slack for the weights' float rounding: 0.6f - 0.5f is a step of 0.1 too.
    const double step = RotationCentreWeightStep + 1e-6;
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < joints; ++j)
            if (std::fabs(w.w[k][j] - w.w[(k + 1) % 3][j]) > step)
                return 1;
    return 0;
}

double Similarity(const WeightVector &a, const std::vector<double> &b) {
    double sigma2 = RotationCentreSigma * RotationCentreSigma;
    double sum = 0.0;
    for (int j = 0; j < a.count; ++j)
        for (int k = j + 1; k < a.count; ++k) {
            double aj = a.weights[j], ak = a.weights[k];
            double bj = b[(size_t)a.joints[j]], bk = b[(size_t)a.joints[k]];
            if (bj == 0.0 || bk == 0.0)
                continue; // a term of exactly 0, without its exponential
            double cross = aj * bk - ak * bj;
            sum += 2.0 * aj * ak * bj * bk * std::exp(-cross * cross / sigma2);
        }
    return sum;
}

// The share of surface whose corners' mean weights are means[0 .. count - 1] (joint, mean),
// of summed area and area x centroid, in the centre of each vector that resembles it. Only
// vectors that share a weighted joint with it can; the rest would add exact zeros, which change
// no sum.
void AddShare(CentreWork &work, const std::pair<int, double> *means, int count,
              const Vec3d &areaCentroid, double area) {
    for (int k = 0; k < count; ++k)
        work.meanByJoint[(size_t)means[k].first] = means[k].second;
    ++work.piece;
    for (int k = 0; k < count; ++k) {
        for (int index : work.vectorsByJoint[(size_t)means[k].first]) {
            if (work.seenInPiece[(size_t)index] == work.piece)
                continue;
            work.seenInPiece[(size_t)index] = work.piece;
            double similarity = Similarity(work.vectors[(size_t)index], work.meanByJoint);
            if (similarity == 0.0)
                continue;
            work.weightedCentroids[(size_t)index] =
                Plus(work.weightedCentroids[(size_t)index], Times(areaCentroid, similarity));
            work.weights[(size_t)index] += area * similarity;
        }
    }
    for (int k = 0; k < count; ++k)
        work.meanByJoint[(size_t)means[k].first] = 0.0;
}

void AddPiece(const Vec3d (&p)[3], const PieceWeights &w, int splits, CentreWork &work) {
    // A piece where fewer than two joints have weight anywhere resembles no blended vertex.
    int weighted = 0;
    for (int j = 0; j < work.pieceJoints; ++j)
        if (w.w[0][j] != 0.0 || w.w[1][j] != 0.0 || w.w[2][j] != 0.0)
            ++weighted;
    if (weighted < 2)
        return;
    if (splits < MaxSplits && NeedsSplit(w, work.pieceJoints)) {
        Vec3d m[3];
        PieceWeights mw;
        for (int k = 0; k < 3; ++k) { // m[k] halves the edge from corner k to corner k + 1
            m[k] = Times(Plus(p[k], p[(k + 1) % 3]), 0.5);
            for (int j = 0; j < work.pieceJoints; ++j)
                mw.w[k][j] = (w.w[k][j] + w.w[(k + 1) % 3][j]) / 2.0;
        }
        const Vec3d corners[4][3] = {
            {p[0], m[0], m[2]}, {m[0], p[1], m[1]}, {m[2], m[1], p[2]}, {m[0], m[1], m[2]}};
        // Which corner of the parent (0 to 2) or midpoint (3 to 5) each child's corner is.
        const int from[4][3] = {{0, 3, 5}, {3, 1, 4}, {5, 4, 2}, {3, 4, 5}};
        for (int c = 0; c < 4; ++c) {
            PieceWeights child;
            for (int k = 0; k < 3; ++k) {
                int f = from[c][k];
                const double *source = f < 3 ? w.w[f] : mw.w[f - 3];
                for (int j = 0; j < work.pieceJoints; ++j)
                    child.w[k][j] = source[j];
            }
            AddPiece(corners[c], child, splits + 1, work);
        }
        return;
    }
    double area = 0.5 * Length(Cross(Minus(p[1], p[0]), Minus(p[2], p[0])));
    Vec3d centroid = Times(Plus(Plus(p[0], p[1]), p[2]), 1.0 / 3.0);
    std::pair<int, double> means[MaxPieceJoints];
    int count = 0;
    for (int j = 0; j < work.pieceJoints; ++j) {
        double mean = (w.w[0][j] + w.w[1][j] + w.w[2][j]) / 3.0;
        if (mean != 0.0)
            means[count++] = std::make_pair(work.jointOf[j], mean);
    }
    // A piece split from a triangle has means of its own; whole triangles repeat theirs.
    if (splits > 0) {
        AddShare(work, means, count, Times(centroid, area), area);
        return;
    }
    std::sort(means, means + count);
    std::string key; // the joints and the means' bits, without the pairs' padding
    for (int k = 0; k < count; ++k) {
        key.append((const char *)&means[k].first, sizeof means[k].first);
        key.append((const char *)&means[k].second, sizeof means[k].second);
    }
    auto found = work.meansIndex.emplace(key, (int)work.distinctMeans.size());
    if (found.second)
        work.distinctMeans.push_back(
            PieceMeans{std::vector<std::pair<int, double>>(means, means + count),
                       Vec3d{0.0, 0.0, 0.0}, 0.0});
    PieceMeans &sum = work.distinctMeans[(size_t)found.first->second];
    sum.areaCentroid = Plus(sum.areaCentroid, Times(centroid, area));
    sum.area += area;
}

// The whole triangles' shares, once per distinct means.
void AddDistinctMeans(CentreWork &work) {
    for (const PieceMeans &piece : work.distinctMeans)
        AddShare(work, piece.means.data(), (int)piece.means.size(), piece.areaCentroid,
                 piece.area);
}

// The bytes that make two vertices' weight vectors the same: count, joints and weights.
// Influences ordered by count, then joints, then the weights' bits: equal ones compare equal,
// as the header promises (the same joints and weights in the same order).
int CompareInfluences(const VertexInfluences &a, const VertexInfluences &b) {
    if (a.count != b.count)
        return a.count < b.count ? -1 : 1;
    int joints = std::memcmp(a.joints, b.joints, sizeof(int) * (size_t)a.count);
    if (joints != 0)
        return joints;
    return std::memcmp(a.weights, b.weights, sizeof(float) * (size_t)a.count);
}

} // namespace

namespace {

struct CentreJobState {
    CentreWork work;
    std::vector<int> vectorOf; // each vertex's distinct weight vector, -1 for one joint alone
    int vectorCount = 0;
};

CentreJobState &StateOf(RotationCentreJob &job) {
    return *static_cast<CentreJobState *>(job.state.get());
}

} // namespace

void StartRotationCentres(const SkinnedMesh &mesh, RotationCentreJob &job) {
    job.state = std::make_shared<CentreJobState>();
    CentreJobState &state = StateOf(job);
    CentreWork &work = state.work;
    int vertexCount = VertexCount(mesh);
    int jointCount = 0;
    for (const VertexInfluences &v : mesh.influences)
        for (int k = 0; k < v.count; ++k)
            if (v.joints[k] + 1 > jointCount)
                jointCount = v.joints[k] + 1;

    // One vector per distinct weight vector, -1 for a vertex that follows one joint alone.
    // Sorted, equal influences stand together; each run is one vector, numbered in the order
    // its first vertex comes.
    std::vector<int> &vectorOf = state.vectorOf;
    vectorOf.assign((size_t)vertexCount, -1);
    std::vector<int> blended;
    for (int i = 0; i < vertexCount; ++i)
        if (WeightVectorOf(mesh.influences[(size_t)i]).count >= 2)
            blended.push_back(i);
    std::sort(blended.begin(), blended.end(), [&](int a, int b) {
        int order = CompareInfluences(mesh.influences[(size_t)a], mesh.influences[(size_t)b]);
        return order != 0 ? order < 0 : a < b;
    });
    std::vector<int> runOf((size_t)vertexCount, -1);
    int runs = 0;
    for (size_t k = 0; k < blended.size(); ++k) {
        if (k == 0 || CompareInfluences(mesh.influences[(size_t)blended[k - 1]],
                                        mesh.influences[(size_t)blended[k]]) != 0)
            ++runs;
        runOf[(size_t)blended[k]] = runs - 1;
    }
    std::vector<int> vectorOfRun((size_t)runs, -1);
    for (int i = 0; i < vertexCount; ++i) {
        int run = runOf[(size_t)i];
        if (run < 0)
            continue;
        if (vectorOfRun[(size_t)run] < 0) {
            vectorOfRun[(size_t)run] = (int)work.vectors.size();
            work.vectors.push_back(WeightVectorOf(mesh.influences[(size_t)i]));
        }
        vectorOf[(size_t)i] = vectorOfRun[(size_t)run];
    }
    int vectorCount = (int)work.vectors.size();
    state.vectorCount = vectorCount;
    work.vectorsByJoint.resize((size_t)jointCount);
    for (int index = 0; index < vectorCount; ++index) {
        const WeightVector &weights = work.vectors[(size_t)index];
        for (int k = 0; k < weights.count; ++k)
            work.vectorsByJoint[(size_t)weights.joints[k]].push_back(index);
    }
    work.meanByJoint.assign((size_t)jointCount, 0.0);
    work.seenInPiece.assign((size_t)vectorCount, 0);
    work.piece = 0;
    work.weightedCentroids.assign((size_t)vectorCount, Vec3d{0.0, 0.0, 0.0});
    work.weights.assign((size_t)vectorCount, 0.0);
    // Without a blended vector there is nothing to sum.
    job.triangleCount = vectorCount > 0 ? (int)mesh.triangles.size() : 0;
    job.trianglesDone = 0;
}

int ContinueRotationCentres(const SkinnedMesh &mesh, RotationCentreJob &job, int triangles) {
    if (!job.state)
        return 1;
    CentreWork &work = StateOf(job).work;
    int last = job.triangleCount - job.trianglesDone > triangles ? job.trianglesDone + triangles
                                                                 : job.triangleCount;
    for (; job.trianglesDone < last; ++job.trianglesDone) {
        const Triangle &triangle = mesh.triangles[(size_t)job.trianglesDone];
        Vec3d p[3];
        PieceWeights w;
        work.pieceJoints = 0;
        for (int k = 0; k < 3; ++k) {
            int corner = triangle.index[k];
            p[k] = ToVec3d(mesh.restPositions[(size_t)corner]);
            for (int j = 0; j < MaxPieceJoints; ++j)
                w.w[k][j] = 0.0;
        }
        for (int k = 0; k < 3; ++k) {
            WeightVector weights = WeightVectorOf(mesh.influences[(size_t)triangle.index[k]]);
            for (int s = 0; s < weights.count; ++s) {
                int j = 0;
                while (j < work.pieceJoints && work.jointOf[j] != weights.joints[s])
                    ++j;
                if (j == work.pieceJoints)
                    work.jointOf[work.pieceJoints++] = weights.joints[s];
                w.w[k][j] = weights.weights[s];
            }
        }
        AddPiece(p, w, 0, work);
    }
    return job.trianglesDone == job.triangleCount;
}

int FinishRotationCentres(const SkinnedMesh &mesh, RotationCentreJob &job, RotationCentres &out) {
    if (!job.state) {
        out = RotationCentres{};
        out.centreOf.assign((size_t)VertexCount(mesh), -1);
        return 0;
    }
    ContinueRotationCentres(mesh, job, job.triangleCount - job.trianglesDone);
    CentreJobState &state = StateOf(job);
    CentreWork &work = state.work;
    int vectorCount = state.vectorCount;
    int vertexCount = VertexCount(mesh);
    if (vectorCount > 0)
        AddDistinctMeans(work);

    // Vectors that resemble no piece get no centre and follow their heaviest joint.
    std::vector<int> centreOfVector((size_t)vectorCount, -1);
    out.centres.clear();
    for (int index = 0; index < vectorCount; ++index) {
        if (!(work.weights[(size_t)index] > 0.0))
            continue;
        centreOfVector[(size_t)index] = (int)out.centres.size();
        out.centres.push_back(ToVector3(
            Times(work.weightedCentroids[(size_t)index], 1.0 / work.weights[(size_t)index])));
    }
    out.centreOf.assign((size_t)vertexCount, -1);
    for (int i = 0; i < vertexCount; ++i)
        if (state.vectorOf[(size_t)i] >= 0)
            out.centreOf[(size_t)i] = centreOfVector[(size_t)state.vectorOf[(size_t)i]];
    job.state.reset();
    return vectorCount;
}

int ComputeRotationCentres(const SkinnedMesh &mesh, RotationCentres &out) {
    RotationCentreJob job;
    StartRotationCentres(mesh, job);
    return FinishRotationCentres(mesh, job, out);
}
