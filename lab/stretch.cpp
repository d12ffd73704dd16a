#include "lab/stretch.h"
#include "lab/ratio_extremes.h"

#include "math/vec3d.h"

#include <cmath>
#include <limits>

namespace {

// Twice the triangle's area: the length of the cross product of two of its sides, in double so
// that a small triangle far from the origin keeps its digits.
double DoubleArea(const Vector3 corner[3]) {
    Vec3d a = ToVec3d(corner[0]);
    return Length(Cross(Minus(ToVec3d(corner[1]), a), Minus(ToVec3d(corner[2]), a)));
}

} // namespace

double TriangleAreaRatio(const Vector3 rest[3], const Vector3 posed[3]) {
    double restArea = 0.5 * DoubleArea(rest);
    if (!(restArea >= StretchRestAreaMin))
        return std::numeric_limits<double>::quiet_NaN();
    return 0.5 * DoubleArea(posed) / restArea;
}

StretchExtremes TriangleStretch(const Model &model, const SkinVertex *skin,
                                std::vector<float> &ratios) {
    const std::vector<Triangle> &triangles = model.mesh.triangles;
    ratios.assign(triangles.size(), 1.0f);
    StretchExtremes extremes = {1.0, 1.0};
    int first = 1;
    for (size_t t = 0; t < triangles.size(); ++t) {
        Vector3 rest[3], posed[3];
        for (int k = 0; k < 3; ++k) {
            rest[k] = model.mesh.restPositions[triangles[t].index[k]];
            posed[k] = skin[triangles[t].index[k]].position;
        }
        double ratio = TriangleAreaRatio(rest, posed);
        if (std::isnan(ratio))
            continue;
        ratios[t] = (float)ratio;
        TakeRatio(extremes, ratio, first);
    }
    return extremes;
}
