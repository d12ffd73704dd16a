#include "model/skeleton_distance.h"

#include <cmath>

namespace {

// The square of the distance from p to segment s: the nearest segment is found without a root per
// segment, and the root of the least square is the least of the roots, to the bit, as the root
// is rounded correctly and never decreases.
double SquaredDistanceToSegment(const Vec3d &p, const SegmentSearch &search, size_t s) {
    const Vec3d &a = search.from[s], &along = search.along[s];
    double lengthSquared = search.lengthSquared[s];
    double t = lengthSquared > 0.0 ? Dot(Minus(p, a), along) / lengthSquared : 0.0;
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    Vec3d off = Minus(p, Plus(a, Times(along, t)));
    return Dot(off, off);
}

} // namespace

void PrepareSegmentSearch(const std::vector<PlacedSegment> &segments, SegmentSearch &out) {
    size_t count = segments.size();
    out.from.resize(count);
    out.along.resize(count);
    out.lengthSquared.resize(count);
    out.middleX.resize(count);
    out.middleY.resize(count);
    out.middleZ.resize(count);
    out.halfLength.resize(count);
    for (size_t s = 0; s < count; ++s) {
        Vec3d from = ToVec3d(segments[s].from), to = ToVec3d(segments[s].to);
        Vec3d along = Minus(to, from), middle = Times(Plus(from, to), 0.5);
        out.from[s] = from;
        out.along[s] = along;
        out.lengthSquared[s] = Dot(along, along);
        out.middleX[s] = middle.x;
        out.middleY[s] = middle.y;
        out.middleZ[s] = middle.z;
        out.halfLength[s] = 0.5 * std::sqrt(out.lengthSquared[s]);
    }
}

// A segment whose ball lies farther than the nearest so far cannot be nearer, and is passed
// over. The least is the same number a search of every segment finds, as every distance taken
// is worked out as that search works it out; the margin of a millionth keeps the ball's rounding
// from passing over a segment as near as the nearest. The balls' distances are taken a block at
// a time, in one loop the compiler runs in vector lanes.
double DistanceToNearest(const Vector3 &p, const SegmentSearch &search, int &hint) {
    size_t count = search.halfLength.size();
    if (count == 0)
        return 0.0;
    Vec3d q = ToVec3d(p);
    double nearest = SquaredDistanceToSegment(q, search, (size_t)hint);
    double root = std::sqrt(nearest);
    const size_t Block = 64;
    double ballSquared[Block];
    for (size_t start = 0; start < count; start += Block) {
        size_t end = count - start < Block ? count : start + Block;
        const double *x = search.middleX.data() + start, *y = search.middleY.data() + start,
                     *z = search.middleZ.data() + start;
        for (size_t k = 0; k < end - start; ++k) {
            double dx = q.x - x[k], dy = q.y - y[k], dz = q.z - z[k];
            ballSquared[k] = dx * dx + dy * dy + dz * dz;
        }
        for (size_t s = start; s < end; ++s) {
            double reach = (root + search.halfLength[s]) * (1.0 + 1e-6);
            if (ballSquared[s - start] > reach * reach || (int)s == hint)
                continue;
            double d = SquaredDistanceToSegment(q, search, s);
            if (d < nearest) {
                nearest = d;
                root = std::sqrt(d);
                hint = (int)s;
            }
        }
    }
    return root;
}

double DistanceToSegments(const Vector3 &p, const std::vector<PlacedSegment> &segments) {
    SegmentSearch search;
    PrepareSegmentSearch(segments, search);
    int hint = 0;
    return DistanceToNearest(p, search, hint);
}
