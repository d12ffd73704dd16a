#pragma once

#include <cmath>

#include "math/math3d.h"

// The program's double-precision vectors: the solvers, the camera and the browser's GL stand-ins
// work in them where single precision would lose the small differences they compare. math3d.h
// is the float vocabulary the stored data uses; this is its double twin, and the one place that
// says how a turn about X, Y or Z goes.

struct Vec3d {
    double x, y, z;
};

inline Vec3d ToVec3d(const Vector3 &v) {
    return Vec3d{v.x, v.y, v.z};
}
inline Vector3 ToVector3(const Vec3d &v) {
    return Vector3{(float)v.x, (float)v.y, (float)v.z};
}
inline Vec3d Plus(const Vec3d &a, const Vec3d &b) {
    return Vec3d{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3d Minus(const Vec3d &a, const Vec3d &b) {
    return Vec3d{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3d Times(const Vec3d &v, double s) {
    return Vec3d{v.x * s, v.y * s, v.z * s};
}
inline double Dot(const Vec3d &a, const Vec3d &b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3d Cross(const Vec3d &a, const Vec3d &b) {
    return Vec3d{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec3d &v) {
    return std::sqrt(Dot(v, v));
}
// v scaled to unit length, or fallback when v has next to none.
inline Vec3d DirectionOr(const Vec3d &v, const Vec3d &fallback) {
    double length = Length(v);
    return length > 1e-12 ? Times(v, 1.0 / length) : fallback;
}
// v divided by its length, or v as it is when it has none, as the GL normalises.
inline Vec3d Normalised(const Vec3d &v) {
    double length = Length(v);
    return length > 0.0 ? Vec3d{v.x / length, v.y / length, v.z / length} : v;
}
// The part of v at right angles to the unit vector axis.
inline Vec3d Across(const Vec3d &v, const Vec3d &axis) {
    return Minus(v, Times(axis, Dot(v, axis)));
}

// Cosine and sine of an angle in degrees, and turns about the axes, right-handed, as the bone
// matrices (skeleton/bones.cpp) and GL's glRotate turn: Rx takes +Y toward +Z, Ry takes +Z
// toward +X, Rz takes +X toward +Y.
struct Turn {
    double c, s;
};
inline Turn TurnOf(double degrees) {
    double radians = degrees * DegreesToRadians;
    return Turn{std::cos(radians), std::sin(radians)};
}
inline Turn Back(const Turn &t) {
    return Turn{t.c, -t.s};
}
inline Vec3d TurnX(const Vec3d &v, const Turn &t) {
    return Vec3d{v.x, t.c * v.y - t.s * v.z, t.s * v.y + t.c * v.z};
}
inline Vec3d TurnY(const Vec3d &v, const Turn &t) {
    return Vec3d{t.c * v.x + t.s * v.z, v.y, -t.s * v.x + t.c * v.z};
}
inline Vec3d TurnZ(const Vec3d &v, const Turn &t) {
    return Vec3d{t.c * v.x - t.s * v.y, t.s * v.x + t.c * v.y, v.z};
}
