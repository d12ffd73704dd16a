#include "ik/ik_solvers.h"

#include "ik/kinematics.h"
#include "math/text_list.h"
#include "math/vec3d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// The solvers other than the incremental one work in double precision on the chain's own
// shape: a root pivot, the lower bone from the root to the elbow and the upper bone from the
// elbow to the end, both standing along +Y at rest. They think in the two bones' directions
// and answer with angles only at the end: each bone's rotation the plain swing of +Y onto its
// direction (the upper bone's in the lower bone's frame), written as the Ry * Rx * Rz the bone
// matrices take. A swing never turns a bone about its own length, so no answer twists the
// skin, and two answers that put the joints in the same places are the same angles.

namespace {

const double Tiny = 1e-12;

// An elbow closer than this (as the sine of its angle) to the line from the root to the
// target leaves ccd and fabrik no turn that bends the chain: the pole bends it first, by
// UnfoldAngle degrees at the root.
const double InLineSine = 1e-3;
const double UnfoldAngle = 10.0;

// A new pose closer than this to the old one, in degrees for every angle, is the same answer
// again: the old angles are kept, so an idle solver leaves the bones exactly still.
const double SameAnswer = 1e-9;

// With joint limits, the analytic solver tries the bend plane turned about the line to the
// target in steps of this many degrees for an answer the limits allow.
const double PlaneSearchStep = 15.0;

// The search over the lower bone's cone of directions, as points (x, z) of the disc of radius
// sin(IkLowerBoneMaxTilt) that the direction (x, sqrt(1 - x^2 - z^2), z) covers: rings of
// points, then a compass search from the best few, halving its step down to DiscStepFloor.
const int DiscRings = 4;
const int DiscRingPoints = 24;
const int DiscRefinedStarts = 3;
const double DiscStepFloor = 1e-8;

// Plain, not std::hypot: the lengths here never come near overflow, and it is far cheaper.
double Hypot(double a, double b) {
    return std::sqrt(a * a + b * b);
}
double Clamped(double value, double low, double high) {
    return value < low ? low : value > high ? high : value;
}
double Distance(const Vec3d &a, const Vec3d &b) {
    return Length(Minus(a, b));
}
// Degrees into (-180, 180], and never -0 (which --stats would print as "-0.00").
double Wrapped(double degrees) {
    double w = std::fmod(degrees, 360.0);
    if (w <= -180.0)
        w += 360.0;
    else if (w > 180.0)
        w -= 360.0;
    return w + 0.0;
}

// One bone's rotation, Ry * Rx * Rz.
struct BoneTurn {
    Turn y, x, z;
};
BoneTurn BoneTurnOf(const IkPose &pose, int b) {
    return BoneTurn{TurnOf(pose.rotY[b]), TurnOf(pose.rotX[b]), TurnOf(pose.rotZ[b])};
}
Vec3d Apply(const BoneTurn &r, const Vec3d &v) {
    return TurnY(TurnX(TurnZ(v, r.z), r.x), r.y);
}

const Vec3d Up = {0.0, 1.0, 0.0};

// The swing of +Y onto the unit vector d, applied to v: the turn about the level axis
// Up x d. Straight down it is the half turn about X.
Vec3d Swung(const Vec3d &d, const Vec3d &v) {
    double k = 1.0 + d.y;
    if (k <= 1e-9)
        return Vec3d{v.x, -v.y, -v.z};
    double xz = -d.x * d.z / k;
    return Vec3d{(1.0 - d.x * d.x / k) * v.x + d.x * v.y + xz * v.z,
                 -d.x * v.x + d.y * v.y - d.z * v.z,
                 xz * v.x + d.z * v.y + (1.0 - d.z * d.z / k) * v.z};
}
// Its inverse.
Vec3d Unswung(const Vec3d &d, const Vec3d &v) {
    double k = 1.0 + d.y;
    if (k <= 1e-9)
        return Vec3d{v.x, -v.y, -v.z};
    double xz = -d.x * d.z / k;
    return Vec3d{(1.0 - d.x * d.x / k) * v.x - d.x * v.y + xz * v.z,
                 d.x * v.x + d.y * v.y + d.z * v.z,
                 xz * v.x - d.z * v.y + (1.0 - d.z * d.z / k) * v.z};
}

struct Angles {
    double y, x, z;
};

// Of a swing's two readings, the one whose Y angle is the smaller by more than this many degrees
// is taken whatever the angles were before; closer to a quarter turn either way, the one nearer
// the angles before.
const double ReadingMargin = 20.0;

// The angles of Ry * Rx * Rz equal to the swing onto d. Every rotation has two such readings,
// (y, x, z) and (y + 180, 180 - x, z + 180). The one with the smaller Y angle is kept, so that
// a pose is written the same whichever way a solver came to it (an elbow bent 120 degrees is
// x 120, not y 180, x 60, z 180); where both are near a quarter turn, the one nearer near, so
// the angles move smoothly as the chain does.
Angles SwingAngles(const Vec3d &d, const Angles &near) {
    double k = 1.0 + d.y;
    if (k <= 1e-9)
        return Angles{0.0, 180.0, 0.0};
    double m02 = -d.x * d.z / k, m22 = 1.0 - d.z * d.z / k;
    double x = std::asin(Clamped(d.z, -1.0, 1.0)) * RadiansToDegrees;
    Angles readings[2] = {
        {std::atan2(m02, m22) * RadiansToDegrees, x, std::atan2(-d.x, d.y) * RadiansToDegrees},
        {std::atan2(-m02, -m22) * RadiansToDegrees, 180.0 - x,
         std::atan2(d.x, -d.y) * RadiansToDegrees}};
    Angles wrapped[2];
    for (int i = 0; i < 2; ++i)
        wrapped[i] = Angles{Wrapped(readings[i].y), Wrapped(readings[i].x), Wrapped(readings[i].z)};
    double margin = std::abs(wrapped[0].y) - std::abs(wrapped[1].y);
    if (std::abs(margin) > ReadingMargin)
        return wrapped[margin < 0.0 ? 0 : 1];
    Angles best = wrapped[0];
    double bestMove = 0.0;
    for (int i = 0; i < 2; ++i) {
        Angles a = wrapped[i];
        double move = std::abs(Wrapped(a.y - near.y)) + std::abs(Wrapped(a.x - near.x)) +
                      std::abs(Wrapped(a.z - near.z));
        if (i == 0 || move < bestMove) {
            best = a;
            bestMove = move;
        }
    }
    return best;
}

// The chain as the bones are set up: the lower bone from the root's pivot to the upper bone's,
// the upper bone from there to the end the walk finds, both along +Y at rest.
struct ChainShape {
    Vec3d root;
    double lowerLength, upperLength;
};

ChainShape ShapeOfChain() {
    ChainShape shape;
    shape.root = ToVec3d(bones[0].pivot);
    Vec3d end = Plus(ToVec3d(bones[0].tip), ToVec3d(bones[1].tip));
    shape.lowerLength = Length(Minus(ToVec3d(bones[1].pivot), shape.root));
    shape.upperLength = Length(Minus(end, ToVec3d(bones[1].pivot)));
    return shape;
}

// What the solvers work on: the two bones' directions in the scene, unit vectors.
struct Chain {
    Vec3d lower, upper;
};

Chain ChainOfPose(const IkPose &pose) {
    BoneTurn lower = BoneTurnOf(pose, 0);
    return Chain{Apply(lower, Up), Apply(lower, Apply(BoneTurnOf(pose, 1), Up))};
}

// Both bones as swings onto the chain's directions.
void SetPoseToChain(IkPose &pose, const Chain &chain) {
    Angles lower = SwingAngles(chain.lower, Angles{pose.rotY[0], pose.rotX[0], pose.rotZ[0]});
    Angles upper = SwingAngles(Unswung(chain.lower, chain.upper),
                               Angles{pose.rotY[1], pose.rotX[1], pose.rotZ[1]});
    pose.rotY[0] = lower.y;
    pose.rotX[0] = lower.x;
    pose.rotZ[0] = lower.z;
    pose.rotY[1] = upper.y;
    pose.rotX[1] = upper.x;
    pose.rotZ[1] = upper.z;
}

struct Joints {
    Vec3d elbow, end;
};

Joints JointsOf(const ChainShape &shape, const Chain &chain) {
    Joints joints;
    joints.elbow = Plus(shape.root, Times(chain.lower, shape.lowerLength));
    joints.end = Plus(joints.elbow, Times(chain.upper, shape.upperLength));
    return joints;
}

double MissOf(const ChainShape &shape, const Chain &chain, const Vec3d &target) {
    return Distance(JointsOf(shape, chain).end, target);
}

// v turned by the smallest turn that takes the unit vector from to the unit vector to (none
// when they are opposite, where no turn is smallest).
Vec3d TurnedLike(const Vec3d &v, const Vec3d &from, const Vec3d &to) {
    Vec3d k = Cross(from, to);
    double c = Dot(from, to);
    if (c <= -1.0 + 1e-12)
        return v;
    return Plus(Plus(Times(v, c), Cross(k, v)), Times(k, Dot(k, v) / (1.0 + c)));
}

// ---- Joint limits, on the bones' directions ----

// The elbow's turn: its bend about the lower bone's X, positive toward its +Z, and how far it
// leans sideways out of that plane, both degrees: the upper bone's direction in the lower
// bone's frame is Rx(bend) * Rz(side) * +Y.
struct ElbowTurn {
    double bend, side;
};

ElbowTurn ElbowTurnOf(const Vec3d &local) {
    double across = Hypot(local.y, local.z);
    return ElbowTurn{across > Tiny ? std::atan2(local.z, local.y) * RadiansToDegrees : 0.0,
                     std::asin(Clamped(-local.x, -1.0, 1.0)) * RadiansToDegrees};
}

Vec3d ElbowDirection(const ElbowTurn &turn) {
    return TurnX(TurnZ(Up, TurnOf(turn.side)), TurnOf(turn.bend));
}

// Of the range low..high, the angle nearest degrees round the circle.
double NearestInRange(double degrees, double low, double high) {
    if (degrees >= low && degrees <= high)
        return degrees;
    return std::abs(Wrapped(degrees - low)) <= std::abs(Wrapped(degrees - high)) ? low : high;
}

int WithinTurnLimits(const ElbowTurn &turn, double slack) {
    return turn.bend >= IkElbowMinBend - slack && turn.bend <= IkElbowMaxBend + slack &&
           std::abs(turn.side) <= IkElbowMaxSideBend + slack;
}

int LowerWithinLimits(const Vec3d &lower, double slack) {
    return lower.y >= std::cos((IkLowerBoneMaxTilt + slack) * DegreesToRadians);
}

// The elbow direction the limits allow that points most nearly along w (in the lower bone's
// frame): the end nearest a target w away from the elbow. For any side within the limits
// (cos(side) > 0) the best bend is the allowed one nearest w's own; the side then follows as
// the allowed one nearest the best of a cosine curve.
Vec3d BestElbowWithinLimits(const Vec3d &w) {
    double across = Hypot(w.y, w.z);
    double ownBend = across > Tiny ? std::atan2(w.z, w.y) * RadiansToDegrees : 0.0;
    double bend = NearestInRange(ownBend, IkElbowMinBend, IkElbowMaxBend);
    double along = across * std::cos((bend - ownBend) * DegreesToRadians);
    double ownSide = std::atan2(-w.x, along) * RadiansToDegrees;
    double side = NearestInRange(ownSide, -IkElbowMaxSideBend, IkElbowMaxSideBend);
    return ElbowDirection(ElbowTurn{bend, side});
}

Vec3d LowerWithinTilt(const Vec3d &d) {
    if (LowerWithinLimits(d, 0.0))
        return d;
    Turn tilt = TurnOf(IkLowerBoneMaxTilt);
    Vec3d level = DirectionOr(Vec3d{d.x, 0.0, d.z}, Vec3d{0.0, 0.0, -1.0});
    return Plus(Times(Up, tilt.c), Times(level, tilt.s));
}

int ChainWithinLimits(const Chain &chain, double slack) {
    return LowerWithinLimits(chain.lower, slack) &&
           WithinTurnLimits(ElbowTurnOf(Unswung(chain.lower, chain.upper)), slack);
}

// The nearest chain the limits allow: the lower bone leaned back to its cone, the elbow's turn
// (in the lower bone's new frame) to the nearest allowed one.
Chain ClampedToLimits(const Chain &chain) {
    Chain clamped;
    clamped.lower = LowerWithinTilt(chain.lower);
    Vec3d local = BestElbowWithinLimits(Unswung(clamped.lower, chain.upper));
    clamped.upper = Swung(clamped.lower, local);
    return clamped;
}

// With the lower bone along lower, the upper bone as the limits best allow toward target.
Chain WithBestUpper(const ChainShape &shape, const Vec3d &lower, const Vec3d &target) {
    Vec3d elbow = Plus(shape.root, Times(lower, shape.lowerLength));
    Vec3d local = BestElbowWithinLimits(Unswung(lower, Minus(target, elbow)));
    return Chain{lower, Swung(lower, local)};
}

// The search over the lower bone's directions within its cone. With a fixed elbow, the upper
// bone keeps its direction in the lower bone's frame (a root turn, as ccd makes it); without,
// it takes the best the limits allow for each lower direction (the whole chain's best).
struct LowerSearch {
    const ChainShape *shape;
    Vec3d target;
    int fixedElbow;
    Vec3d elbowLocal;
};

struct DiscPoint {
    double x, z, miss;
};

Vec3d LowerOfDisc(double x, double z) {
    return Vec3d{x, std::sqrt(std::max(0.0, 1.0 - x * x - z * z)), z};
}

Chain ChainAtDisc(const LowerSearch &search, double x, double z) {
    Vec3d lower = LowerOfDisc(x, z);
    if (search.fixedElbow)
        return Chain{lower, Swung(lower, search.elbowLocal)};
    return WithBestUpper(*search.shape, lower, search.target);
}

DiscPoint DiscPointAt(const LowerSearch &search, double x, double z) {
    double radius = std::sin(IkLowerBoneMaxTilt * DegreesToRadians);
    double r = Hypot(x, z);
    if (r > radius) {
        x *= radius / r;
        z *= radius / r;
    }
    return DiscPoint{x, z, MissOf(*search.shape, ChainAtDisc(search, x, z), search.target)};
}

// Compass search: the best of the four neighbours step away while one is better, else half
// the step. Never worse than where it starts.
DiscPoint RefineOnDisc(const LowerSearch &search, DiscPoint p, double step) {
    while (step > DiscStepFloor) {
        DiscPoint best = p;
        const double moves[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto &move : moves) {
            DiscPoint q = DiscPointAt(search, p.x + move[0] * step, p.z + move[1] * step);
            if (q.miss < best.miss)
                best = q;
        }
        if (best.miss < p.miss)
            p = best;
        else
            step *= 0.5;
    }
    return p;
}

DiscPoint DiscPointOf(const LowerSearch &search, const Vec3d &lower) {
    Vec3d d = LowerWithinTilt(lower);
    return DiscPointAt(search, d.x, d.z);
}

// The best lower direction over the whole cone: from, the centre and rings of points round it
// tried, the best few refined.
DiscPoint BestOnDisc(const LowerSearch &search, const Vec3d &from) {
    double radius = std::sin(IkLowerBoneMaxTilt * DegreesToRadians);
    DiscPoint starts[DiscRefinedStarts];
    int count = 0;
    auto consider = [&](const DiscPoint &p) {
        int at;
        if (count < DiscRefinedStarts)
            at = count++;
        else if (p.miss < starts[DiscRefinedStarts - 1].miss)
            at = DiscRefinedStarts - 1; // in place of the worst kept
        else
            return;
        starts[at] = p;
        for (int i = at; i > 0 && starts[i].miss < starts[i - 1].miss; --i)
            std::swap(starts[i], starts[i - 1]);
    };
    consider(DiscPointOf(search, from));
    consider(DiscPointAt(search, 0.0, 0.0));
    for (int ring = 1; ring <= DiscRings; ++ring)
        for (int i = 0; i < DiscRingPoints; ++i) {
            Turn around = TurnOf(360.0 * i / DiscRingPoints);
            double r = radius * ring / DiscRings;
            consider(DiscPointAt(search, r * around.c, r * around.s));
        }
    DiscPoint best = starts[0];
    for (int i = 0; i < count; ++i) {
        DiscPoint refined = RefineOnDisc(search, starts[i], radius / DiscRings);
        if (refined.miss < best.miss)
            best = refined;
    }
    return best;
}

// The limit-keeping chain whose end is nearest the target, or chain itself when none is
// nearer.
Chain BestWithinLimits(const ChainShape &shape, const Chain &chain, const Vec3d &target) {
    LowerSearch search = {&shape, target, 0, Up};
    DiscPoint best = BestOnDisc(search, chain.lower);
    Chain answer = ChainAtDisc(search, best.x, best.z);
    return MissOf(shape, answer, target) < MissOf(shape, chain, target) ? answer : chain;
}

// ---- The pole and the bend ----

// The pole: a level direction, turned about the vertical by the pole angle from -Z.
Vec3d PoleDirection(const IkSettings &settings) {
    return TurnY(Vec3d{0.0, 0.0, -1.0}, TurnOf(settings.poleAngle));
}

// The side, at right angles to axis, toward which the elbow bends.
Vec3d BendDirection(const ChainShape &shape, const Joints &joints, const Vec3d &axis,
                    const IkSettings &settings) {
    Vec3d elbowSide = Across(Minus(joints.elbow, shape.root), axis);
    double straight = 1e-6 * shape.lowerLength;
    if (!settings.poleFixed && Length(elbowSide) > straight)
        return DirectionOr(elbowSide, axis);
    Vec3d poleSide = Across(PoleDirection(settings), axis);
    if (Length(poleSide) > 1e-6)
        return DirectionOr(poleSide, axis);
    if (Length(elbowSide) > straight)
        return DirectionOr(elbowSide, axis);
    // The pole lies along the line to the target: any side will do, but always the same.
    Vec3d side = Across(Vec3d{1.0, 0.0, 0.0}, axis);
    if (Length(side) < 1e-6)
        side = Across(Vec3d{0.0, 0.0, 1.0}, axis);
    return DirectionOr(side, axis);
}

// The unit direction from the root to the target, or the lower bone's when they coincide.
Vec3d AxisToTarget(const ChainShape &shape, const Chain &chain, const Vec3d &target) {
    return DirectionOr(Minus(target, shape.root), chain.lower);
}

// ---- analytic ----

// The two-bone answer with the elbow toward bend: the root's angle from the law of cosines.
Chain AnalyticInPlane(const ChainShape &shape, const Vec3d &target, const Vec3d &axis,
                      const Vec3d &bend) {
    double a = shape.lowerLength, b = shape.upperLength;
    double r = Length(Minus(target, shape.root));
    Chain chain = {axis, axis};
    if (r < a + b) {
        double cosRoot =
            r > Tiny ? Clamped((a * a + r * r - b * b) / (2.0 * a * r), -1.0, 1.0) : 1.0;
        double sinRoot = std::sqrt(1.0 - cosRoot * cosRoot);
        chain.lower = Plus(Times(axis, cosRoot), Times(bend, sinRoot));
        Vec3d elbow = Plus(shape.root, Times(chain.lower, a));
        chain.upper = DirectionOr(Minus(target, elbow), Times(axis, -1.0));
    }
    return chain;
}

void SolveAnalytic(const ChainShape &shape, Chain &chain, const Vec3d &target,
                   const IkSettings &settings) {
    Vec3d axis = AxisToTarget(shape, chain, target);
    Vec3d bend = BendDirection(shape, JointsOf(shape, chain), axis, settings);
    if (!settings.jointLimits) {
        chain = AnalyticInPlane(shape, target, axis, bend);
        return;
    }
    // Within the limits: the first plane, turning away from the preferred one either way,
    // whose exact answer the limits allow; failing that, the limits hold the chain short and
    // the answer is the limit-keeping chain that ends nearest.
    Vec3d aside = Cross(axis, bend);
    int steps = (int)(180.0 / PlaneSearchStep);
    for (int i = 0; i <= 2 * steps; ++i) {
        double degrees = (i % 2 ? 1 : -1) * PlaneSearchStep * ((i + 1) / 2);
        Turn turn = TurnOf(degrees);
        Vec3d plane = Plus(Times(bend, turn.c), Times(aside, turn.s));
        Chain candidate = AnalyticInPlane(shape, target, axis, plane);
        if (ChainWithinLimits(candidate, 0.0) && MissOf(shape, candidate, target) < 1e-9) {
            chain = candidate;
            return;
        }
    }
    chain = BestWithinLimits(shape, chain, target);
}

// ---- what ccd and fabrik share ----

// Whether the elbow lies on the line from the root to a reachable target it is not on, where
// no turn of a joint toward the target bends the chain.
int ElbowInLine(const ChainShape &shape, const Chain &chain, const Vec3d &target,
                const IkSettings &settings) {
    Vec3d toTarget = Minus(target, shape.root);
    double r = Length(toTarget);
    if (r <= Tiny || r >= shape.lowerLength + shape.upperLength ||
        MissOf(shape, chain, target) <= settings.tolerance)
        return 0;
    return Length(Cross(chain.lower, Times(toTarget, 1.0 / r))) < InLineSine;
}

// Leans the lower bone toward the side the bend takes, so the solver has a bend to work on;
// the upper bone keeps its direction.
void Unfold(const ChainShape &shape, Chain &chain, const Vec3d &target,
            const IkSettings &settings) {
    Vec3d bend =
        BendDirection(shape, JointsOf(shape, chain), AxisToTarget(shape, chain, target), settings);
    Turn turn = TurnOf(UnfoldAngle);
    chain.lower = DirectionOr(Plus(Times(chain.lower, turn.c), Times(bend, turn.s)), chain.lower);
    if (settings.jointLimits)
        chain = ClampedToLimits(chain);
}

// Passes that gain less than this have stopped: with limits, the limits hold the chain there.
const double NoGain = 1e-9;

// Where the limits stop a solver's own passes short of the target, the nearest the limits
// allow is where the chain ends: the passes turn one joint at a time, and one joint alone
// cannot leave a corner of the limits that both together can.
void FinishHeldChain(const ChainShape &shape, Chain &chain, const Vec3d &target,
                     const IkSettings &settings, double gain) {
    if (settings.jointLimits && gain < NoGain && MissOf(shape, chain, target) > settings.tolerance)
        chain = BestWithinLimits(shape, chain, target);
}

int IterationsOf(const IkSettings &settings) {
    return (int)Clamped(settings.iterations, IkMinIterations, IkMaxIterations);
}

// ---- ccd ----

// The end joint's step: the upper bone straight at the target, or as nearly as the limits
// allow. Never leaves the end farther away.
void CcdEndStep(const ChainShape &shape, Chain &chain, const Vec3d &target, int limited) {
    Vec3d elbow = JointsOf(shape, chain).elbow;
    if (limited) {
        chain = WithBestUpper(shape, chain.lower, target);
        return;
    }
    chain.upper = DirectionOr(Minus(target, elbow), chain.upper);
}

// The root's step: the whole chain turned about the root, its end onto the line to the
// target. With limits, the lower bone stays in its cone and the elbow keeps its turn; the step
// is the best such turn near the plain one, never one that leaves the end farther away.
void CcdRootStep(const ChainShape &shape, Chain &chain, const Vec3d &target, int limited) {
    Joints joints = JointsOf(shape, chain);
    Vec3d from = Minus(joints.end, shape.root), to = Minus(target, shape.root);
    if (Length(from) <= Tiny || Length(to) <= Tiny)
        return;
    from = Times(from, 1.0 / Length(from));
    to = Times(to, 1.0 / Length(to));
    Chain turned = {DirectionOr(TurnedLike(chain.lower, from, to), chain.lower),
                    DirectionOr(TurnedLike(chain.upper, from, to), chain.upper)};
    if (!limited) {
        chain = turned;
        return;
    }
    LowerSearch search = {&shape, target, 1, Unswung(chain.lower, chain.upper)};
    DiscPoint now = DiscPointOf(search, chain.lower);
    DiscPoint plain = DiscPointOf(search, turned.lower);
    DiscPoint best = RefineOnDisc(search, plain.miss < now.miss ? plain : now,
                                  std::sin(IkLowerBoneMaxTilt * DegreesToRadians) / DiscRings);
    if (best.miss < MissOf(shape, chain, target))
        chain = ChainAtDisc(search, best.x, best.z);
}

void SolveCcd(const ChainShape &shape, Chain &chain, const Vec3d &target,
              const IkSettings &settings) {
    int limited = settings.jointLimits;
    if (ElbowInLine(shape, chain, target, settings))
        Unfold(shape, chain, target, settings);
    int iterations = IterationsOf(settings);
    double gain = 1.0;
    for (int i = 0; i < iterations; ++i) {
        double miss = MissOf(shape, chain, target);
        if (miss <= settings.tolerance)
            break;
        CcdEndStep(shape, chain, target, limited);
        CcdRootStep(shape, chain, target, limited);
        gain = miss - MissOf(shape, chain, target);
    }
    FinishHeldChain(shape, chain, target, settings, gain);
}

// ---- fabrik ----

void SolveFabrik(const ChainShape &shape, Chain &chain, const Vec3d &target,
                 const IkSettings &settings) {
    int limited = settings.jointLimits;
    if (MissOf(shape, chain, target) <= settings.tolerance)
        return;
    double a = shape.lowerLength, b = shape.upperLength;
    if (!limited && Length(Minus(target, shape.root)) >= a + b) {
        // Out of reach: the whole chain straight toward the target.
        Vec3d axis = AxisToTarget(shape, chain, target);
        chain = Chain{axis, axis};
        return;
    }
    if (ElbowInLine(shape, chain, target, settings))
        Unfold(shape, chain, target, settings);
    int iterations = IterationsOf(settings);
    double gain = 1.0;
    for (int i = 0; i < iterations; ++i) {
        Joints joints = JointsOf(shape, chain);
        // Backward: the end onto the target, the elbow at its distance from it.
        Vec3d elbow = Plus(
            target, Times(DirectionOr(Minus(joints.elbow, target), Times(chain.upper, -1.0)), b));
        // Forward: the elbow back at its distance from the root (within the lower bone's cone),
        // the end at its distance from the elbow toward the target (as the elbow allows).
        Chain next;
        next.lower = DirectionOr(Minus(elbow, shape.root), chain.lower);
        if (limited) {
            next = WithBestUpper(shape, LowerWithinTilt(next.lower), target);
            gain = MissOf(shape, chain, target) - MissOf(shape, next, target);
            if (gain < NoGain)
                break; // the passes no longer gain within the limits
        } else {
            Vec3d newElbow = Plus(shape.root, Times(next.lower, a));
            next.upper = DirectionOr(Minus(target, newElbow), chain.upper);
        }
        chain = next;
        if (MissOf(shape, chain, target) <= settings.tolerance)
            break;
    }
    FinishHeldChain(shape, chain, target, settings, gain);
}

// ---- dls ----

// Each joint's turns about X, Y and Z are the chain's six angles. The Jacobian's columns are
// axis x (end - joint), so J * J^T = sum over the joints of (|r|^2 I - r r^T), r the joint's
// lever to the end, and J^T y gives each joint the turn r x y.

// The largest move of the end one pass asks for, in scene units: a far target is approached in
// steps, as the linearised chain only holds near where it stands.
const double DlsMaxStep = 0.2;

// v turned by the rotation vector omega: about its direction, by its length in radians.
Vec3d TurnedBy(const Vec3d &v, const Vec3d &omega) {
    double angle = Length(omega);
    if (angle <= Tiny)
        return v;
    Vec3d k = Times(omega, 1.0 / angle);
    double c = std::cos(angle), s = std::sin(angle);
    return Plus(Plus(Times(v, c), Times(Cross(k, v), s)), Times(k, Dot(k, v) * (1.0 - c)));
}

// The largest turn of either joint one pass makes, radians: near a straight chain a small
// lambda asks for huge turns that swing the chain through the floor and back.
const double DlsMaxTurn = 0.5;
// A pass that would leave the end farther away is tried again with DlsDampingGrowth times the
// damping, this many times, before the update ends where it is: more damping turns the step
// toward the plain gradient, which gains whenever anything can.
const int DlsRetries = 8;
const double DlsDampingGrowth = 4.0;

// One damped least-squares pass: delta-theta = J^T (J J^T + lambda^2 I)^-1 delta-e, delta-e the
// miss, no longer than DlsMaxStep, each joint's turn no more than DlsMaxTurn.
Chain DlsPass(const ChainShape &shape, const Chain &chain, const Vec3d &target, double lambda) {
    Joints joints = JointsOf(shape, chain);
    Vec3d miss = Minus(target, joints.end);
    double missLength = Length(miss);
    if (missLength > DlsMaxStep)
        miss = Times(miss, DlsMaxStep / missLength);
    Vec3d levers[2] = {Minus(joints.end, shape.root), Minus(joints.end, joints.elbow)};
    // The symmetric matrix J J^T + lambda^2 I, row by row.
    Vec3d rows[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double diagonal = lambda * lambda;
    for (const Vec3d &r : levers)
        diagonal += Dot(r, r);
    for (int i = 0; i < 3; ++i) {
        Vec3d row = Times(rows[i], diagonal);
        for (const Vec3d &r : levers) {
            double ri = i == 0 ? r.x : i == 1 ? r.y : r.z;
            row = Minus(row, Times(r, ri));
        }
        rows[i] = row;
    }
    // Its inverse by cofactors: positive definite, so the determinant is at least lambda^6.
    Vec3d c0 = Cross(rows[1], rows[2]), c1 = Cross(rows[2], rows[0]), c2 = Cross(rows[0], rows[1]);
    double determinant = Dot(rows[0], c0);
    Vec3d y = Times(Plus(Plus(Times(c0, miss.x), Times(c1, miss.y)), Times(c2, miss.z)),
                    1.0 / determinant);
    Vec3d rootTurn = Cross(levers[0], y), elbowTurn = Cross(levers[1], y);
    double largest = std::max(Length(rootTurn), Length(elbowTurn));
    double bound = largest > DlsMaxTurn ? DlsMaxTurn / largest : 1.0;
    rootTurn = Times(rootTurn, bound);
    elbowTurn = Times(elbowTurn, bound);
    Chain next;
    next.lower = DirectionOr(TurnedBy(chain.lower, rootTurn), chain.lower);
    next.upper = DirectionOr(TurnedBy(TurnedBy(chain.upper, elbowTurn), rootTurn), chain.upper);
    return next;
}

void SolveDls(const ChainShape &shape, Chain &chain, const Vec3d &target,
              const IkSettings &settings) {
    int limited = settings.jointLimits;
    double lambda = Clamped(settings.damping, IkMinDamping, IkMaxDamping);
    // A straight chain and a miss along its line: no turn of either joint moves the end that
    // way, and the damped step is nothing. Bent by the pole first, as ccd and fabrik are.
    Vec3d miss0 = Minus(target, JointsOf(shape, chain).end);
    int straightInLine = Length(Cross(chain.lower, chain.upper)) < InLineSine &&
                         Length(Cross(DirectionOr(miss0, chain.lower), chain.lower)) < InLineSine &&
                         Length(Minus(target, shape.root)) < shape.lowerLength + shape.upperLength;
    if (straightInLine || ElbowInLine(shape, chain, target, settings))
        Unfold(shape, chain, target, settings);
    int iterations = IterationsOf(settings);
    double gain = 1.0;
    for (int i = 0; i < iterations; ++i) {
        double miss = MissOf(shape, chain, target);
        if (miss <= settings.tolerance)
            break;
        // A pass may only gain: one that does not is tried again, damped more, or ends the
        // update. Within the limits the pass is clamped to them, and one that does not gain ends
        // the update at once, for the nearest the limits allow to finish.
        Chain next = chain;
        double damped = lambda;
        for (int retry = 0; retry <= (limited ? 0 : DlsRetries);
             ++retry, damped *= DlsDampingGrowth) {
            next = DlsPass(shape, chain, target, damped);
            if (limited)
                next = ClampedToLimits(next);
            gain = miss - MissOf(shape, next, target);
            if (gain >= NoGain)
                break;
        }
        if (gain < NoGain)
            break;
        chain = next;
    }
    FinishHeldChain(shape, chain, target, settings, gain);
}

// The bones' own records (pivots, tips, axes, parents) with pose's angles, matrices built: the
// chain as it would stand, without touching the bones on screen.
void BonesInPose(const IkPose &pose, Bone (&chain)[BoneCount]) {
    for (int b = 0; b < BoneCount; ++b) {
        chain[b] = bones[b];
        chain[b].rotX = pose.rotX[b];
        chain[b].rotY = pose.rotY[b];
        chain[b].rotZ = pose.rotZ[b];
    }
    BuildBoneMatricesOf(chain);
}

void RunIncremental(IkPose &pose, const Vector3 &target, const IkSettings &) {
    Bone chain[BoneCount];
    BonesInPose(pose, chain);
    SolveIkStepOn(chain, target);
    for (int b = 0; b < BoneCount; ++b) {
        pose.rotX[b] = chain[b].rotX;
        pose.rotY[b] = chain[b].rotY;
        pose.rotZ[b] = chain[b].rotZ;
    }
}

int NearlySamePose(const IkPose &a, const IkPose &b) {
    for (int i = 0; i < BoneCount; ++i)
        if (std::abs(a.rotX[i] - b.rotX[i]) >= SameAnswer ||
            std::abs(a.rotY[i] - b.rotY[i]) >= SameAnswer ||
            std::abs(a.rotZ[i] - b.rotZ[i]) >= SameAnswer)
            return 0;
    return 1;
}

typedef void (*ChainSolver)(const ChainShape &shape, Chain &chain, const Vec3d &goal,
                            const IkSettings &settings);

// What every solver but the incremental one shares: the chain's shape and directions, the
// limits applied to the start, an answer that would leave the end farther away than the
// limit-keeping start refused, the angles written as swings and the old angles kept when the
// answer is the same.
template <ChainSolver Solve, int Softened = 0>
void RunOnChain(IkPose &pose, const Vector3 &target, const IkSettings &settings) {
    ChainShape shape = ShapeOfChain();
    if (shape.lowerLength <= Tiny || shape.upperLength <= Tiny)
        return; // the bones before their set-up: no chain to turn
    IkPose before = pose;
    Vec3d goal = ToVec3d(target);
    if (Softened && settings.softZone > 0.0) {
        // Soft reach: the chain aims short of a target near or past full reach.
        Vec3d toTarget = Minus(goal, shape.root);
        double d = Length(toTarget);
        if (d > Tiny)
            goal =
                Plus(shape.root,
                     Times(toTarget, IkSoftReachDistance(d, shape.lowerLength + shape.upperLength,
                                                         settings.softZone) /
                                         d));
    }
    Chain chain = ChainOfPose(pose);
    if (settings.jointLimits)
        chain = ClampedToLimits(chain);
    Chain start = chain;
    Solve(shape, chain, goal, settings);
    if (settings.jointLimits && MissOf(shape, chain, goal) > MissOf(shape, start, goal))
        chain = start;
    SetPoseToChain(pose, chain);
    if (NearlySamePose(pose, before))
        pose = before;
}

} // namespace

const IkSolverInfo ikSolvers[] = {
    {"incremental",
     "small nudges per frame, the original pass",
     {1.0f, 0.55f, 0.0f},
     RunIncremental}, // orange
    {"analytic",
     "closed form: law of cosines, a pole for the plane",
     {1.0f, 1.0f, 1.0f},
     RunOnChain<SolveAnalytic, 1>}, // white
    {"ccd",
     "cyclic coordinate descent, end joint first",
     {1.0f, 1.0f, 0.0f},
     RunOnChain<SolveCcd>}, // yellow
    {"fabrik",
     "forward and backward reaching on the joints",
     {0.0f, 1.0f, 1.0f},
     RunOnChain<SolveFabrik>}, // cyan
    {"dls",
     "damped least squares on the joints' turns",
     {0.75f, 0.55f, 1.0f},
     RunOnChain<SolveDls>}, // lavender
};
static_assert(sizeof ikSolvers / sizeof ikSolvers[0] == IkSolverCount, "one row per IkSolverKind");

int ValidIkSolver(int kind) {
    return kind >= 0 && kind < IkSolverCount ? kind : IkSolverIncremental;
}

const char *IkSolverName(int kind) {
    return kind >= 0 && kind < IkSolverCount ? ikSolvers[kind].name : nullptr;
}

int IkSolverFromName(const char *name) {
    return FindRowByText(ikSolvers, IkSolverCount, &IkSolverInfo::name, name);
}

int NextIkSolver(int kind) {
    return kind >= 0 && kind + 1 < IkSolverCount ? kind + 1 : 0;
}

const char *IkSolverList() {
    static char list[256];
    return ListRowTexts(ikSolvers, IkSolverCount, &IkSolverInfo::name, list, sizeof list);
}

IkPose PoseOfBones() {
    IkPose pose;
    for (int b = 0; b < BoneCount; ++b) {
        pose.rotX[b] = bones[b].rotX;
        pose.rotY[b] = bones[b].rotY;
        pose.rotZ[b] = bones[b].rotZ;
    }
    return pose;
}

void SetBonesToPose(const IkPose &pose) {
    for (int b = 0; b < BoneCount; ++b) {
        bones[b].rotX = pose.rotX[b];
        bones[b].rotY = pose.rotY[b];
        bones[b].rotZ = pose.rotZ[b];
    }
    BuildBoneMatrices();
}

int SamePose(const IkPose &a, const IkPose &b) {
    for (int i = 0; i < BoneCount; ++i)
        if (a.rotX[i] != b.rotX[i] || a.rotY[i] != b.rotY[i] || a.rotZ[i] != b.rotZ[i])
            return 0;
    return 1;
}

void RunIkUpdate(int kind, IkPose &pose, const Vector3 &target, const IkSettings &settings) {
    if (kind >= 0 && kind < IkSolverCount)
        ikSolvers[kind].update(pose, target, settings);
}

void PoseChainPoints(const IkPose &pose, Vector3 &elbow, Vector3 &end) {
    Bone chain[BoneCount];
    BonesInPose(pose, chain);
    Vector4 moved;
    TransformPoint(moved, chain[0].matrix, AsPoint(chain[1].pivot));
    elbow = DropW(moved);
    end = EndEffectorOf(chain);
}

Vector3 IkPoleSide(const Vector3 &target, const IkSettings &settings) {
    ChainShape shape = ShapeOfChain();
    Vec3d axis = DirectionOr(Minus(ToVec3d(target), shape.root), Up);
    Vec3d side = Across(PoleDirection(settings), axis);
    return ToVector3(DirectionOr(side, Vec3d{0.0, 0.0, 0.0}));
}

double IkSoftReachDistance(double d, double reach, double zone) {
    double start = reach - zone;
    if (zone <= 0.0 || d <= start)
        return d;
    return start + zone * (1.0 - std::exp(-(d - start) / zone));
}

double IkChainReach() {
    ChainShape shape = ShapeOfChain();
    return shape.lowerLength + shape.upperLength;
}

int PoseWithinLimits(const IkPose &pose, double slack) {
    return LowerWithinLimits(Apply(BoneTurnOf(pose, 0), Up), slack) &&
           WithinTurnLimits(ElbowTurnOf(Apply(BoneTurnOf(pose, 1), Up)), slack);
}

double IkBoneTwist(const IkPose &pose, int b) {
    BoneTurn turn = BoneTurnOf(pose, b);
    Vec3d along = Apply(turn, Up);
    if (1.0 + along.y <= 1e-9)
        return 0.0; // upside down no swing is the plain one: no twist to tell
    Vec3d x = Unswung(along, Apply(turn, Vec3d{1.0, 0.0, 0.0}));
    return std::atan2(-x.z, x.x) * RadiansToDegrees;
}

int IkLimitsHolding(const IkPose &pose) {
    const double at = 1e-3; // degrees from a limit that count as on it
    int holding = 0;
    Vec3d lower = Apply(BoneTurnOf(pose, 0), Up);
    if (!LowerWithinLimits(lower, -at))
        holding |= IkLimitLowerTilt;
    ElbowTurn elbow = ElbowTurnOf(Apply(BoneTurnOf(pose, 1), Up));
    if (elbow.bend <= IkElbowMinBend + at)
        holding |= IkLimitElbowStraight;
    if (elbow.bend >= IkElbowMaxBend - at)
        holding |= IkLimitElbowBend;
    if (std::abs(elbow.side) >= IkElbowMaxSideBend - at)
        holding |= IkLimitElbowSide;
    return holding;
}

const char *IkLimitsText(int holding) {
    static char text[200];
    char parts[4][64];
    const char *names[4];
    int count = 0;
    if (holding & IkLimitLowerTilt)
        std::snprintf(parts[count++], sizeof parts[0], "the lower bone's %.0f-degree tilt",
                      IkLowerBoneMaxTilt);
    if (holding & IkLimitElbowStraight)
        std::snprintf(parts[count++], sizeof parts[0], "the elbow's one-way bend");
    if (holding & IkLimitElbowBend)
        std::snprintf(parts[count++], sizeof parts[0], "the elbow's %.0f-degree limit",
                      IkElbowMaxBend);
    if (holding & IkLimitElbowSide)
        std::snprintf(parts[count++], sizeof parts[0], "the elbow's %.0f-degree sideways limit",
                      IkElbowMaxSideBend);
    if (!count)
        return "";
    for (int i = 0; i < count; ++i)
        names[i] = parts[i];
    char list[180];
    JoinAsList(names, count, list, sizeof list);
    std::snprintf(text, sizeof text, "held by %s", list);
    return text;
}
