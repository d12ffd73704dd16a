#include "lab/skin_colours.h"

namespace {

struct ColourStop {
    double at;
    ColourRgb colour;
};

// The colour at value on a scale of stops in rising order, mixed linearly between the two
// stops around it and held at the ends.
template <int N> ColourRgb ColourOnScale(const ColourStop (&stops)[N], double value) {
    if (!(value > stops[0].at)) // NaN too
        return stops[0].colour;
    for (int k = 1; k < N; ++k) {
        if (value <= stops[k].at) {
            const ColourStop &low = stops[k - 1], &high = stops[k];
            float t = (float)((value - low.at) / (high.at - low.at));
            return ColourRgb{low.colour.r + t * (high.colour.r - low.colour.r),
                             low.colour.g + t * (high.colour.g - low.colour.g),
                             low.colour.b + t * (high.colour.b - low.colour.b)};
        }
    }
    return stops[N - 1].colour;
}

const ColourStop weightStops[] = {
    {0.0, {0.13f, 0.28f, 0.92f}},  // blue
    {0.25, {0.06f, 0.53f, 0.80f}}, // cyan
    {0.5, {0.22f, 0.76f, 0.24f}},  // green
    {0.75, {0.96f, 0.84f, 0.12f}}, // yellow
    {1.0, {0.88f, 0.13f, 0.10f}},  // red
};

const ColourStop determinantStops[] = {
    {DeterminantScaleMin, {0.30f, 0.02f, 0.22f}}, // collapsed: dark purple
    {0.5, {0.88f, 0.20f, 0.12f}},                 // red
    {0.75, {0.98f, 0.80f, 0.20f}},                // yellow
    {1.0, {0.93f, 0.93f, 0.91f}},                 // kept: near white
    {DeterminantScaleMax, {0.25f, 0.45f, 0.95f}}, // grown: blue
};

const ColourStop radiusStops[] = {
    {RadiusScaleMin, {0.55f, 0.04f, 0.10f}}, // thinned: dark red
    {0.75, {0.96f, 0.55f, 0.18f}},           // orange
    {1.0, {0.93f, 0.93f, 0.91f}},            // kept: near white
    {1.25, {0.50f, 0.72f, 0.98f}},           // light blue
    {RadiusScaleMax, {0.12f, 0.25f, 0.85f}}, // bulged: deep blue
};

} // namespace

ColourRgb RadiusColour(double ratio) {
    return ColourOnScale(radiusStops, ratio);
}

ColourRgb WeightColour(double weight) {
    return ColourOnScale(weightStops, weight);
}

ColourRgb DeterminantColour(double determinant) {
    return ColourOnScale(determinantStops, determinant);
}
