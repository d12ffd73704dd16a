#include "lab/skin_colours.h"

#include <cmath>

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

// Red and blue after the diverging scales of cartography (ColorBrewer's red-blue, its seven
// classes' inner five), over the same span as the radius scale: the same step of the ratio
// reads as the same step of colour in both views.
const ColourStop stretchStops[] = {
    {StretchScaleMin, {0.13f, 0.40f, 0.67f}}, // squashed to half or less: dark blue
    {0.75, {0.57f, 0.77f, 0.87f}},            // light blue
    {1.0, {0.97f, 0.97f, 0.97f}},             // kept: white
    {1.25, {0.96f, 0.65f, 0.51f}},            // salmon
    {StretchScaleMax, {0.70f, 0.09f, 0.17f}}, // stretched by half or more: dark red
};

// Turns a hue (0 to 1, round the colour wheel), saturation and value into red, green and blue.
ColourRgb FromHsv(double hue, double saturation, double value) {
    double h = 6.0 * (hue - std::floor(hue));
    int sector = (int)h % 6;
    double f = h - std::floor(h);
    float v = (float)value, p = (float)(value * (1 - saturation)),
          q = (float)(value * (1 - saturation * f)),
          t = (float)(value * (1 - saturation * (1 - f)));
    switch (sector) {
    case 0:
        return ColourRgb{v, t, p};
    case 1:
        return ColourRgb{q, v, p};
    case 2:
        return ColourRgb{p, v, t};
    case 3:
        return ColourRgb{p, q, v};
    case 4:
        return ColourRgb{t, p, v};
    default:
        return ColourRgb{v, p, q};
    }
}

} // namespace

ColourRgb StretchColour(double ratio) {
    return ColourOnScale(stretchStops, ratio);
}

ColourRgb JointColour(int joint) {
    // Each next joint a golden section further round the wheel, so that neighbours in the list
    // (a joint and its child, mostly) never come out alike; every other one a shade darker, so
    // that two joints a full turn apart still differ.
    const double GoldenSection = 0.6180339887498949;
    double hue = 0.02 + joint * GoldenSection;
    return FromHsv(hue, 0.75, joint % 2 ? 0.7 : 0.95);
}

ColourRgb JointMixColour(const VertexInfluences &influences) {
    ColourRgb mix = {0.0f, 0.0f, 0.0f};
    float total = 0.0f;
    for (int k = 0; k < influences.count; ++k) {
        ColourRgb c = JointColour(influences.joints[k]);
        float w = influences.weights[k];
        mix.r += w * c.r, mix.g += w * c.g, mix.b += w * c.b;
        total += w;
    }
    if (!(total > 0.0f))
        return UnweightedColour;
    return ColourRgb{mix.r / total, mix.g / total, mix.b / total};
}

double WeightOnJoint(const VertexInfluences &influences, int joint) {
    double weight = 0.0;
    for (int k = 0; k < influences.count; ++k)
        if (influences.joints[k] == joint)
            weight += influences.weights[k];
    return weight;
}

ColourRgb RadiusColour(double ratio) {
    return ColourOnScale(radiusStops, ratio);
}

ColourRgb WeightColour(double weight) {
    return ColourOnScale(weightStops, weight);
}

ColourRgb DeterminantColour(double determinant) {
    return ColourOnScale(determinantStops, determinant);
}
