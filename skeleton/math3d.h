#pragma once

// Vector and matrix helpers for the skeleton, the skinning and the solver.
//
// Conventions, stated once for the whole program:
//  - Matrix4 is column-major, as OpenGL stores it: element 4*c + r is row r of column c, and
//    elements 12, 13, 14 hold the translation.
//  - Points are column vectors multiplied from the right: p' = M * p.
//  - Angles arrive in degrees (double) and become radians only inside the matrix builders.
//  - Every stored component is single precision; sums, roots and quotients may be carried
//    wider on the way.

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

// Three corners of a skin triangle, as indices into the skin's vertex array.
struct Triangle {
    int index[3];
};

const double DegreesToRadians = 0.017453292519943295;

Vector3 CrossProduct(const Vector3 &a, const Vector3 &b);
double VectorLength(const Vector3 &v);
// Cosine of the angle between a and b; undefined (NaN) when either has zero length.
double CosAngle(const Vector3 &a, const Vector3 &b);
// Sine of the unsigned angle between a and b, always >= 0; NaN when either has zero length.
double SinAngle(const Vector3 &a, const Vector3 &b);
// +1 for x >= 0 (zero counts as positive), -1 otherwise.
int SignOf(double x);

// out = a * b. Written element by element, so out must not alias a or b.
void MultMatrix(Matrix4 &out, const Matrix4 &a, const Matrix4 &b);
// out = m * p, all four rows; the caller decides what w means.
void TransformPoint(Vector4 &out, const Matrix4 &m, const Vector4 &p);

Matrix4 IdentityMatrix();

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
