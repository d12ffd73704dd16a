#include "skeleton/math3d.h"

#include <cmath>

Vector3 CrossProduct(const Vector3 &a, const Vector3 &b) {
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double VectorLength(const Vector3 &v) {
    return std::sqrt((double)v.x * v.x + (double)v.y * v.y + (double)v.z * v.z);
}

double CosAngle(const Vector3 &a, const Vector3 &b) {
    // Each factor is rounded to single precision before the division, as stored values are.
    float dot = (float)((double)a.x * b.x + (double)a.y * b.y + (double)a.z * b.z);
    float lengthA = (float)VectorLength(a);
    float lengthB = (float)VectorLength(b);
    return (double)dot / ((double)lengthA * lengthB);
}

double SinAngle(const Vector3 &a, const Vector3 &b) {
    Vector3 cross = CrossProduct(a, b);
    float lengthCross = (float)VectorLength(cross);
    float lengthA = (float)VectorLength(a);
    float lengthB = (float)VectorLength(b);
    return (double)lengthCross / ((double)lengthA * lengthB);
}

int SignOf(double x) {
    return x >= 0.0 ? 1 : -1;
}

void MultMatrix(Matrix4 &out, const Matrix4 &a, const Matrix4 &b) {
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            out.m[4 * column + row] =
                a.m[row] * b.m[4 * column] + a.m[row + 4] * b.m[4 * column + 1] +
                a.m[row + 8] * b.m[4 * column + 2] + a.m[row + 12] * b.m[4 * column + 3];
        }
    }
}

void TransformPoint(Vector4 &out, const Matrix4 &m, const Vector4 &p) {
    out.x = m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12] * p.w;
    out.y = m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13] * p.w;
    out.z = m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14] * p.w;
    out.w = m.m[3] * p.x + m.m[7] * p.y + m.m[11] * p.z + m.m[15] * p.w;
}

Matrix4 IdentityMatrix() {
    Matrix4 identity = {};
    identity.m[0] = identity.m[5] = identity.m[10] = identity.m[15] = 1.0f;
    return identity;
}
