#include "model/skeleton_distance.h"

#include "math/vec3d.h"

#include <cmath>

namespace {

Vec3d FromArray(const double v[3]) {
    return Vec3d{v[0], v[1], v[2]};
}

void ToArray(const Vec3d &v, double out[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

// The square of the distance: the nearest segment is found without a root per segment, and the
// root of the least square is the least of the roots, to the bit, as the root is rounded
// correctly and never decreases.
double SquaredDistanceToSegment(const Vec3d &p, const Vec3d &a, const Vec3d &b) {
    Vec3d along = Minus(b, a);
    double lengthSquared = Dot(along, along);
    double t = lengthSquared > 0.0 ? Dot(Minus(p, a), along) / lengthSquared : 0.0;
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    Vec3d off = Minus(p, Plus(a, Times(along, t)));
    return Dot(off, off);
}

} // namespace

void PrepareSegmentSearch(const std::vector<PlacedSegment> &segments,
                          std::vector<SearchSegment> &out) {
    out.resize(segments.size());
    for (size_t s = 0; s < segments.size(); ++s) {
        Vec3d from = ToVec3d(segments[s].from), to = ToVec3d(segments[s].to);
        ToArray(from, out[s].from);
        ToArray(to, out[s].to);
        ToArray(Times(Plus(from, to), 0.5), out[s].middle);
        out[s].halfLength = 0.5 * Length(Minus(to, from));
    }
}

// A segment whose ball lies farther than the nearest so far cannot be nearer, and is passed
// over. The least is the same number a search of every segment finds, as every distance taken
// is worked out as that search works it out; the margin of a millionth keeps the ball's rounding
// from passing over a segment as near as the nearest.
double DistanceToNearest(const Vector3 &p, const std::vector<SearchSegment> &segments, int &hint) {
    if (segments.empty())
        return 0.0;
    Vec3d q = ToVec3d(p);
    const SearchSegment &first = segments[(size_t)hint];
    double nearest = SquaredDistanceToSegment(q, FromArray(first.from), FromArray(first.to));
    double root = std::sqrt(nearest);
    for (size_t s = 0; s < segments.size(); ++s) {
        const SearchSegment &segment = segments[s];
        Vec3d off = Minus(q, FromArray(segment.middle));
        double reach = (root + segment.halfLength) * (1.0 + 1e-6);
        if (Dot(off, off) > reach * reach || (int)s == hint)
            continue;
        double d = SquaredDistanceToSegment(q, FromArray(segment.from), FromArray(segment.to));
        if (d < nearest) {
            nearest = d;
            root = std::sqrt(d);
            hint = (int)s;
        }
    }
    return root;
}

double DistanceToSegments(const Vector3 &p, const std::vector<PlacedSegment> &segments) {
    std::vector<SearchSegment> search;
    PrepareSegmentSearch(segments, search);
    int hint = 0;
    return DistanceToNearest(p, search, hint);
}
