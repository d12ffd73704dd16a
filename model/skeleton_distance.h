#pragma once

#include "math/math3d.h"
#include "math/vec3d.h"

#include <vector>

// How far points stand from a skeleton drawn as straight segments: the radius view measures each
// skin vertex's distance from the nearest one, at rest and posed. A model's rest distances are
// worked out with its other derived data (model.h), so each frame searches the posed skeleton
// alone.

// A segment's two ends, placed.
struct PlacedSegment {
    Vector3 from, to;
};

// Segments as the nearest-segment search reads them: each one's start and direction in double
// precision, and a ball around it (its middle and half its length) that puts a floor under any
// point's distance from it without the division the exact distance costs. The balls lie in
// lanes, one array per coordinate, for a loop over them all at once.
struct SegmentSearch {
    std::vector<Vec3d> from, along;
    std::vector<double> lengthSquared;
    std::vector<double> middleX, middleY, middleZ, halfLength;
};

// The segments made ready for many searches.
void PrepareSegmentSearch(const std::vector<PlacedSegment> &segments, SegmentSearch &out);

// Distance from p to the nearest point of the segments; 0 when there are none. hint (from 0 to
// the count less one) is the segment tried first, and becomes the nearest: passing the previous
// point's on to its neighbour finds the same distance, sooner.
double DistanceToNearest(const Vector3 &p, const SegmentSearch &search, int &hint);

// The same for one point, with nothing prepared.
double DistanceToSegments(const Vector3 &p, const std::vector<PlacedSegment> &segments);
