#include "skinning/rotation_centres.h"

#include "math/vec3d.h"

#include <cmath>

Vector3 rotationCentres[SkinVertexCount];
int hasRotationCentre[SkinVertexCount];

namespace {

// A vertex's shares of its two transforms: (weight, 1 - weight) when it follows bones, (0, 0)
// when it follows none, so pieces of skin at rest resemble no moving vertex.
struct Shares {
    double a0, a1;
};

Shares SharesOf(const SkinVertex &vertex) {
    if (vertex.boneIndex[0] < 0)
        return Shares{0.0, 0.0};
    return Shares{vertex.weight, 1.0 - vertex.weight};
}

Shares Mean(const Shares &a, const Shares &b) {
    return Shares{(a.a0 + b.a0) / 2.0, (a.a1 + b.a1) / 2.0};
}

// Enough to split a weight difference of 1 below any step down to 1/1024.
const int MaxSplits = 10;

// The sums that make each vertex's centre: the weighted centroids and their weights.
struct CentreSums {
    Shares shares[SkinVertexCount];
    int blended[SkinVertexCount]; // follows both transforms: a0 a1 > 0
    Vec3d weightedCentroids[SkinVertexCount];
    double weights[SkinVertexCount];
};

double Similarity(const Shares &a, const Shares &b) {
    double sigma2 = RotationCentreSigma * RotationCentreSigma;
    double cross = a.a0 * b.a1 - a.a1 * b.a0;
    return 2.0 * a.a0 * a.a1 * b.a0 * b.a1 * std::exp(-cross * cross / sigma2);
}

int NeedsSplit(const Shares (&w)[3]) {
    // Slack for the weights' float rounding: 0.6f - 0.5f is a step of 0.1 too.
    const double step = RotationCentreWeightStep + 1e-6;
    for (int k = 0; k < 3; ++k) {
        const Shares &a = w[k], &b = w[(k + 1) % 3];
        if (std::fabs(a.a0 - b.a0) > step || std::fabs(a.a1 - b.a1) > step)
            return 1;
    }
    return 0;
}

void AddPiece(const Vec3d (&p)[3], const Shares (&w)[3], int splits, CentreSums &sums) {
    // A piece where either transform has no share anywhere resembles no blended vertex.
    int noA = w[0].a0 == 0.0 && w[1].a0 == 0.0 && w[2].a0 == 0.0;
    int noB = w[0].a1 == 0.0 && w[1].a1 == 0.0 && w[2].a1 == 0.0;
    if (noA || noB)
        return;
    if (splits < MaxSplits && NeedsSplit(w)) {
        Vec3d m[3];
        Shares mw[3];
        for (int k = 0; k < 3; ++k) { // m[k] halves the edge from corner k to corner k + 1
            m[k] = Times(Plus(p[k], p[(k + 1) % 3]), 0.5);
            mw[k] = Mean(w[k], w[(k + 1) % 3]);
        }
        const Vec3d corners[4][3] = {
            {p[0], m[0], m[2]}, {m[0], p[1], m[1]}, {m[2], m[1], p[2]}, {m[0], m[1], m[2]}};
        const Shares shares[4][3] = {{w[0], mw[0], mw[2]},
                                     {mw[0], w[1], mw[1]},
                                     {mw[2], mw[1], w[2]},
                                     {mw[0], mw[1], mw[2]}};
        for (int k = 0; k < 4; ++k)
            AddPiece(corners[k], shares[k], splits + 1, sums);
        return;
    }
    double area = 0.5 * Length(Cross(Minus(p[1], p[0]), Minus(p[2], p[0])));
    Vec3d centroid = Times(Plus(Plus(p[0], p[1]), p[2]), 1.0 / 3.0);
    Shares mean = {(w[0].a0 + w[1].a0 + w[2].a0) / 3.0, (w[0].a1 + w[1].a1 + w[2].a1) / 3.0};
    for (int i = 0; i < SkinVertexCount; ++i) {
        if (!sums.blended[i])
            continue;
        double weight = area * Similarity(sums.shares[i], mean);
        sums.weightedCentroids[i] = Plus(sums.weightedCentroids[i], Times(centroid, weight));
        sums.weights[i] += weight;
    }
}

} // namespace

void ComputeRotationCentres() {
    static CentreSums sums; // a few kilobytes, kept off the stack
    for (int i = 0; i < SkinVertexCount; ++i) {
        sums.shares[i] = SharesOf(skinVertices[i]);
        sums.blended[i] = sums.shares[i].a0 * sums.shares[i].a1 > 0.0;
        sums.weightedCentroids[i] = Vec3d{0.0, 0.0, 0.0};
        sums.weights[i] = 0.0;
    }
    for (const Triangle &triangle : modelTriangles) {
        Vec3d p[3];
        Shares w[3];
        for (int k = 0; k < 3; ++k) {
            p[k] = ToVec3d(restPositions[triangle.index[k]]);
            w[k] = sums.shares[triangle.index[k]];
        }
        AddPiece(p, w, 0, sums);
    }
    for (int i = 0; i < SkinVertexCount; ++i) {
        hasRotationCentre[i] = sums.weights[i] > 0.0;
        rotationCentres[i] =
            hasRotationCentre[i]
                ? ToVector3(Times(sums.weightedCentroids[i], 1.0 / sums.weights[i]))
                : Vector3{0.0f, 0.0f, 0.0f};
    }
}
