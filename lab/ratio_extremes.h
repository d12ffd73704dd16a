#pragma once

// The smallest and the largest of a run of ratios (the radius view's per vertex, the stretch
// view's per triangle), the first one taken as both: extremes has fields low and high.
template <typename Extremes> void TakeRatio(Extremes &extremes, double ratio, int &first) {
    if (first || ratio < extremes.low)
        extremes.low = ratio;
    if (first || ratio > extremes.high)
        extremes.high = ratio;
    first = 0;
}
