#pragma once

// Unit dual quaternions for skinning: a rigid motion (rotation, then translation) as eight
// numbers that can be blended and renormalised without the blend shrinking the skin, unlike a
// blend of matrices.
//
// A quaternion is w + xi + yj + zk; a dual quaternion is real + e dual with e^2 = 0. For the
// motion p -> R p + t with R the rotation of the unit quaternion q: real = q and
// dual = (0, t) q / 2.

#include "math/math3d.h"

#include <cmath>

struct Quaternion {
    float w, x, y, z;
};

struct DualQuaternion {
    Quaternion real; // the rotation
    Quaternion dual; // half the translation, times the rotation
};

// A rigid transform as a 3x3 matrix, row-major unlike Matrix4 (row r, column c at
// rotation[3 * r + c]), and a translation.
struct RigidTransform {
    float rotation[9];
    Vector3 translation;
};

// The unit dual quaternion of a matrix whose upper 3x3 is a rotation (up to float rounding)
// and whose elements 12 to 14 are the translation. The rotation's quaternion comes from the
// largest of its four squared components, so no division goes near zero; either sign may come
// out (q and -q turn alike).
inline DualQuaternion DualQuaternionOfMatrix(const Matrix4 &matrix) {
    const float *m = matrix.m; // row r, column c at m[4 * c + r]
    double m00 = m[0], m11 = m[5], m22 = m[10];
    double trace = m00 + m11 + m22;
    double w, x, y, z;
    if (trace > 0.0) {
        double s = 2.0 * std::sqrt(trace + 1.0); // 4 w
        w = 0.25 * s;
        x = ((double)m[6] - m[9]) / s;
        y = ((double)m[8] - m[2]) / s;
        z = ((double)m[1] - m[4]) / s;
    } else if (m00 > m11 && m00 > m22) {
        double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22); // 4 x
        w = ((double)m[6] - m[9]) / s;
        x = 0.25 * s;
        y = ((double)m[4] + m[1]) / s;
        z = ((double)m[8] + m[2]) / s;
    } else if (m11 > m22) {
        double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22); // 4 y
        w = ((double)m[8] - m[2]) / s;
        x = ((double)m[4] + m[1]) / s;
        y = 0.25 * s;
        z = ((double)m[9] + m[6]) / s;
    } else {
        double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11); // 4 z
        w = ((double)m[1] - m[4]) / s;
        x = ((double)m[8] + m[2]) / s;
        y = ((double)m[9] + m[6]) / s;
        z = 0.25 * s;
    }
    // The matrix is orthonormal only to float rounding; make the quaternion exactly unit.
    double length = std::sqrt(w * w + x * x + y * y + z * z);
    w /= length, x /= length, y /= length, z /= length;

    double tx = m[12], ty = m[13], tz = m[14];
    DualQuaternion out;
    out.real = Quaternion{(float)w, (float)x, (float)y, (float)z};
    // (0, t) q / 2 = (-t.v, w t + t x v) / 2 with v = (x, y, z).
    out.dual = Quaternion{
        (float)(-0.5 * (tx * x + ty * y + tz * z)), (float)(0.5 * (w * tx + ty * z - tz * y)),
        (float)(0.5 * (w * ty + tz * x - tx * z)), (float)(0.5 * (w * tz + tx * y - ty * x))};
    return out;
}

inline float QuaternionDot(const Quaternion &a, const Quaternion &b) {
    return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
}

inline DualQuaternion NegatedDualQuaternion(const DualQuaternion &q) {
    return DualQuaternion{Quaternion{-q.real.w, -q.real.x, -q.real.y, -q.real.z},
                          Quaternion{-q.dual.w, -q.dual.x, -q.dual.y, -q.dual.z}};
}

// weight * a + (1 - weight) * b, component by component; not normalised.
inline DualQuaternion BlendDualQuaternions(float weight, const DualQuaternion &a,
                                           const DualQuaternion &b) {
    float u = 1.0f - weight;
    return DualQuaternion{
        Quaternion{weight * a.real.w + u * b.real.w, weight * a.real.x + u * b.real.x,
                   weight * a.real.y + u * b.real.y, weight * a.real.z + u * b.real.z},
        Quaternion{weight * a.dual.w + u * b.dual.w, weight * a.dual.x + u * b.dual.x,
                   weight * a.dual.y + u * b.dual.y, weight * a.dual.z + u * b.dual.z}};
}

// The rigid motion of q / |q.real|, without forming the normalised quaternion: every term of
// the rotation and of the translation 2 dual conj(real) is quadratic in q, so one division by
// |q.real|^2 normalises them all. The dual part's component along the real part (which a blend
// leaves in) only changes the scalar part of dual conj(real), which is not used. q.real must
// not be zero.
inline RigidTransform RigidTransformOf(const DualQuaternion &q) {
    const Quaternion &r = q.real, &d = q.dual;
    float scale = 2.0f / (r.w * r.w + r.x * r.x + r.y * r.y + r.z * r.z);
    float xx = r.x * r.x, yy = r.y * r.y, zz = r.z * r.z;
    float xy = r.x * r.y, xz = r.x * r.z, yz = r.y * r.z;
    float wx = r.w * r.x, wy = r.w * r.y, wz = r.w * r.z;
    RigidTransform out;
    out.rotation[0] = 1.0f - scale * (yy + zz);
    out.rotation[1] = scale * (xy - wz);
    out.rotation[2] = scale * (xz + wy);
    out.rotation[3] = scale * (xy + wz);
    out.rotation[4] = 1.0f - scale * (xx + zz);
    out.rotation[5] = scale * (yz - wx);
    out.rotation[6] = scale * (xz - wy);
    out.rotation[7] = scale * (yz + wx);
    out.rotation[8] = 1.0f - scale * (xx + yy);
    // Vector part of dual conj(real): real.w dual.v - dual.w real.v + real.v x dual.v.
    out.translation = Vector3{scale * (r.w * d.x - d.w * r.x + r.y * d.z - r.z * d.y),
                              scale * (r.w * d.y - d.w * r.y + r.z * d.x - r.x * d.z),
                              scale * (r.w * d.z - d.w * r.z + r.x * d.y - r.y * d.x)};
    return out;
}

inline Vector3 TurnedBy(const RigidTransform &t, const Vector3 &v) {
    const float *m = t.rotation;
    return Vector3{m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
                   m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

inline Vector3 MovedBy(const RigidTransform &t, const Vector3 &p) {
    return Add(TurnedBy(t, p), t.translation);
}
