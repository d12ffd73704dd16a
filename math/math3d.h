#pragma once

// Vector and matrix helpers for the skeleton, the skinning and the solver.
//
// Conventions, stated once for the whole program:
//  - Matrix4 is column-major, as OpenGL stores it: element 4*c + r is row r of column c, and
//    elements 12, 13, 14 hold the translation. The small 3x3 arrays the skinning works in
//    (RigidTransform::rotation in dual_quaternion.h, the blended matrices whose determinants
//    skinning.cpp takes) are row-major, element 3*r + c, and each says so where it is declared.
//  - Points are column vectors multiplied from the right: p' = M * p.
//  - Angles arrive in degrees (double) and become radians only inside the matrix builders.
//  - Every stored component is single precision; sums, roots and quotients may be carried
//    wider on the way.

#include <cmath>

struct Vector3 {
    float x, y, z;
};

// A homogeneous vector: w = 1 for a point, which matrices translate, and w = 0 for a direction
// (a normal), which they only turn. Nothing divides by w.
struct Vector4 {
    float x, y, z, w;
};

struct Matrix4 {
    float m[16];
};

// A texture coordinate: u across the image, v along it, 0 to 1 over the whole.
struct TexCoord {
    float u, v;
};

// Three corners of a skin triangle, as indices into the skin's vertex array.
struct Triangle {
    int index[3];
};

const double DegreesToRadians = 0.017453292519943295;
const double RadiansToDegrees = 57.29577951308232;

// Every helper is defined here, inline, because the per-frame update calls them per vertex and
// per matrix element from other files; out of line, the calls cost more than the arithmetic.

inline Vector3 CrossProduct(const Vector3 &a, const Vector3 &b) {
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double VectorLength(const Vector3 &v) {
    return std::sqrt((double)v.x * v.x + (double)v.y * v.y + (double)v.z * v.z);
}

// Cosine of the angle between a and b; undefined (NaN) when either has zero length.
inline double CosAngle(const Vector3 &a, const Vector3 &b) {
    // Each factor is rounded to single precision before the division, as stored values are.
    float dot = (float)((double)a.x * b.x + (double)a.y * b.y + (double)a.z * b.z);
    float lengthA = (float)VectorLength(a);
    float lengthB = (float)VectorLength(b);
    return (double)dot / ((double)lengthA * lengthB);
}

// Sine of the unsigned angle between a and b, always >= 0; NaN when either has zero length.
inline double SinAngle(const Vector3 &a, const Vector3 &b) {
    Vector3 cross = CrossProduct(a, b);
    float lengthCross = (float)VectorLength(cross);
    float lengthA = (float)VectorLength(a);
    float lengthB = (float)VectorLength(b);
    return (double)lengthCross / ((double)lengthA * lengthB);
}

// +1 for x >= 0 (zero counts as positive), -1 otherwise.
inline int SignOf(double x) {
    return x >= 0.0 ? 1 : -1;
}

// out = a * b. Written element by element, so out must not alias a or b.
inline void MultMatrix(Matrix4 &out, const Matrix4 &a, const Matrix4 &b) {
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            out.m[4 * column + row] =
                a.m[row] * b.m[4 * column] + a.m[row + 4] * b.m[4 * column + 1] +
                a.m[row + 8] * b.m[4 * column + 2] + a.m[row + 12] * b.m[4 * column + 3];
        }
    }
}

// out = m * p, all four rows; the caller decides what w means.
inline void TransformPoint(Vector4 &out, const Matrix4 &m, const Vector4 &p) {
    out.x = m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12] * p.w;
    out.y = m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13] * p.w;
    out.z = m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14] * p.w;
    out.w = m.m[3] * p.x + m.m[7] * p.y + m.m[11] * p.z + m.m[15] * p.w;
}

inline Matrix4 IdentityMatrix() {
    Matrix4 identity = {};
    identity.m[0] = identity.m[5] = identity.m[10] = identity.m[15] = 1.0f;
    return identity;
}

inline Vector4 AsPoint(const Vector3 &v) {
    return Vector4{v.x, v.y, v.z, 1.0f};
}
inline Vector4 AsDirection(const Vector3 &v) {
    return Vector4{v.x, v.y, v.z, 0.0f};
}
inline Vector3 DropW(const Vector4 &v) {
    return Vector3{v.x, v.y, v.z};
}
inline Vector3 Add(const Vector3 &a, const Vector3 &b) {
    return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 Subtract(const Vector3 &a, const Vector3 &b) {
    return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}
