#include "lab/stretch.h"
#include "lab/ratio_extremes.h"

#include "math/vec3d.h"

#include <cmath>
#include <limits>

double TriangleAreaRatio(const Vector3 rest[3], const Vector3 posed[3]) {
    double restArea = TriangleArea(rest);
    if (!(restArea >= StretchRestAreaMin))
        return std::numeric_limits<double>::quiet_NaN();
    return TriangleArea(posed) / restArea;
}

StretchExtremes TriangleStretch(const Model &model, const SkinVertex *skin,
                                std::vector<float> &ratios) {
    const std::vector<Triangle> &triangles = model.mesh.triangles;
    ratios.assign(triangles.size(), 1.0f);
    StretchExtremes extremes = {1.0, 1.0};
    int first = 1;
    // The rest areas as the model keeps them, or worked out here for a model put together by
    // hand and never told its weights changed.
    const std::vector<double> &kept = model.restTriangleAreas;
    int restKept = kept.size() == triangles.size();
    for (size_t t = 0; t < triangles.size(); ++t) {
        Vector3 rest[3], posed[3];
        for (int k = 0; k < 3; ++k) {
            if (!restKept)
                rest[k] = model.mesh.restPositions[triangles[t].index[k]];
            posed[k] = skin[triangles[t].index[k]].position;
        }
        double restArea = restKept ? kept[t] : TriangleArea(rest);
        if (!(restArea >= StretchRestAreaMin))
            continue;
        double ratio = TriangleArea(posed) / restArea;
        if (std::isnan(ratio))
            continue;
        ratios[t] = (float)ratio;
        TakeRatio(extremes, ratio, first);
    }
    return extremes;
}
