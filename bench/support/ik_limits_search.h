#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "ik/ik_solvers.h"
#include "math/vec3d.h"

// The closest the chain's end can come to a target while it keeps the joint limits, by brute
// force, for the tests and ik_bench to hold the solvers against: independent of the solvers'
// own search, it tries every pose on a grid over the four turns a limit-keeping pose has, then
// a compass search from the best few, clamped to the limits.

// The end of the chain (both bones 1.5 long, from the origin) for a limit-keeping pose: the
// lower bone tilted by tilt degrees toward heading (its frame the plain swing there, as the
// solvers leave it), the elbow's turn bend and side in that frame.
inline Vec3d EndWithinLimits(double tilt, double heading, double bend, double side) {
    const Vec3d up = {0.0, 1.0, 0.0};
    Turn h = TurnOf(heading), t = TurnOf(tilt);
    Vec3d lower = TurnY(TurnX(up, t), h);
    Vec3d elbowLocal = TurnX(TurnZ(up, TurnOf(side)), TurnOf(bend));
    Vec3d upper = TurnY(TurnX(TurnY(elbowLocal, Back(h)), t), h);
    return Plus(Times(lower, 1.5), Times(upper, 1.5));
}

inline double ClosestWithinLimits(const Vector3 &target) {
    Vec3d goal = ToVec3d(target);
    struct Cell {
        double p[4], miss;
    };
    const double low[4] = {0.0, -180.0, IkElbowMinBend, -IkElbowMaxSideBend};
    const double high[4] = {IkLowerBoneMaxTilt, 180.0, IkElbowMaxBend, IkElbowMaxSideBend};
    const double step[4] = {IkLowerBoneMaxTilt / 4, 15.0, 10.0, 10.0};
    auto missAt = [&](const double *p) {
        return Length(Minus(EndWithinLimits(p[0], p[1], p[2], p[3]), goal));
    };
    std::vector<Cell> cells;
    for (double a = low[0]; a <= high[0] + 1e-9; a += step[0])
        for (double b = low[1]; b < high[1]; b += step[1])
            for (double c = low[2]; c <= high[2] + 1e-9; c += step[2])
                for (double d = low[3]; d <= high[3] + 1e-9; d += step[3]) {
                    Cell cell = {{a, b, c, d}, 0.0};
                    cell.miss = missAt(cell.p);
                    cells.push_back(cell);
                }
    const int refined = 8;
    std::partial_sort(cells.begin(), cells.begin() + refined, cells.end(),
                      [](const Cell &x, const Cell &y) { return x.miss < y.miss; });
    double best = cells[0].miss;
    for (int i = 0; i < refined; ++i) {
        Cell cell = cells[i];
        double scale = 1.0;
        while (scale > 1e-7) {
            int moved = 0;
            for (int k = 0; k < 4 && !moved; ++k)
                for (int sign = -1; sign <= 1 && !moved; sign += 2) {
                    Cell next = cell;
                    next.p[k] =
                        std::min(high[k], std::max(low[k], cell.p[k] + sign * step[k] * scale));
                    next.miss = missAt(next.p);
                    if (next.miss < cell.miss) {
                        cell = next;
                        moved = 1;
                    }
                }
            if (!moved)
                scale *= 0.5;
        }
        best = std::min(best, cell.miss);
    }
    return best;
}
