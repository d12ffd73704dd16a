#include "skeleton/ik_solvers.h"

#include "skeleton/kinematics.h"
#include "skeleton/text_list.h"
#include "skeleton/vec3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The solvers other than the incremental one work in double precision on the chain's own
// shape: a root pivot, the lower bone from the root to the elbow and the upper bone from the
// elbow to the end, both standing along +Y at rest, each turned as its matrix turns it
// (Ry * Rx * Rz about its pivot, the upper bone's angles relative to the lower bone). Their
// answers are angles, which the bone matrices then follow.

namespace {

const double RadiansToDegrees = 57.29577951308232;
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
// target in steps of this many degrees until the limits allow one.
const double PlaneSearchStep = 15.0;

// Plain, not std::hypot: the lengths here never come near overflow, and it is far cheaper.
double Hypot(double a, double b) {
    return std::sqrt(a * a + b * b);
}
double Clamped(double value, double low, double high) {
    return value < low ? low : value > high ? high : value;
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
Vec3d Unapply(const BoneTurn &r, const Vec3d &v) {
    return TurnZ(TurnX(TurnY(v, Back(r.y)), Back(r.x)), Back(r.z));
}

const Vec3d Up = {0.0, 1.0, 0.0};

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

struct Joints {
    Vec3d elbow, end;
};

Joints JointsOf(const ChainShape &shape, const IkPose &pose) {
    BoneTurn lower = BoneTurnOf(pose, 0);
    BoneTurn upper = BoneTurnOf(pose, 1);
    Joints joints;
    joints.elbow = Plus(shape.root, Times(Apply(lower, Up), shape.lowerLength));
    joints.end = Plus(joints.elbow, Times(Apply(lower, Apply(upper, Up)), shape.upperLength));
    return joints;
}

double WrappedNear(double degrees, double reference) {
    return degrees + 360.0 * std::round((reference - degrees) / 360.0);
}

struct XZ {
    double x, z;
};

// The angles (x, z) with Rx(x) * Rz(z) taking +Y to the unit vector d, z within -90..90 and x
// within -180..180; where z is +-90 any x will do, and fallbackX is kept.
XZ AnglesAlong(const Vec3d &d, double fallbackX) {
    double z = std::asin(Clamped(-d.x, -1.0, 1.0)) * RadiansToDegrees;
    double x = Hypot(d.y, d.z) > Tiny ? std::atan2(d.z, d.y) * RadiansToDegrees : fallbackX;
    return XZ{x, z};
}

// Of the two pairs of angles that point +Y along d, the one nearest (x, z), each angle
// within half a turn of the one it replaces.
XZ NearestAnglesAlong(const Vec3d &d, double x, double z) {
    XZ a = AnglesAlong(d, x);
    XZ first = {WrappedNear(a.x, x), WrappedNear(a.z, z)};
    XZ second = {WrappedNear(a.x + 180.0, x), WrappedNear(180.0 - a.z, z)};
    double firstMove = std::abs(first.x - x) + std::abs(first.z - z);
    double secondMove = std::abs(second.x - x) + std::abs(second.z - z);
    return secondMove < firstMove ? second : first;
}

// The lower bone's direction before its Y turn, leaned back toward upright as far as the
// limits need.
Vec3d WithinLowerTilt(const Vec3d &d) {
    double maxTilt = IkLowerBoneMaxTilt * DegreesToRadians;
    if (d.y >= std::cos(maxTilt))
        return d;
    Vec3d level = DirectionOr(Vec3d{d.x, 0.0, d.z}, Vec3d{0.0, 0.0, -1.0});
    return Plus(Times(Up, std::cos(maxTilt)), Times(level, std::sin(maxTilt)));
}

XZ WithinElbowRange(const XZ &a) {
    return XZ{Clamped(a.x, IkElbowMinBend, IkElbowMaxBend),
              Clamped(a.z, -IkElbowMaxSideBend, IkElbowMaxSideBend)};
}

// Turns the lower bone to the world direction d (unit); the upper bone keeps its angles.
void PointLowerBone(IkPose &pose, const Vec3d &d, int limited) {
    Vec3d local = TurnY(d, Back(TurnOf(pose.rotY[0])));
    XZ a = limited ? AnglesAlong(WithinLowerTilt(local), 0.0)
                   : NearestAnglesAlong(local, pose.rotX[0], pose.rotZ[0]);
    pose.rotX[0] = a.x;
    pose.rotZ[0] = a.z;
}

// Turns the upper bone to the world direction d (unit), for the lower bone as it stands.
void PointUpperBone(IkPose &pose, const Vec3d &d, int limited) {
    Vec3d inLower = Unapply(BoneTurnOf(pose, 0), d);
    Vec3d local = TurnY(inLower, Back(TurnOf(pose.rotY[1])));
    XZ a = limited ? WithinElbowRange(AnglesAlong(local, pose.rotX[1]))
                   : NearestAnglesAlong(local, pose.rotX[1], pose.rotZ[1]);
    pose.rotX[1] = a.x;
    pose.rotZ[1] = a.z;
}

void ClampToLimits(IkPose &pose) {
    Vec3d lower = TurnX(TurnZ(Up, TurnOf(pose.rotZ[0])), TurnOf(pose.rotX[0]));
    XZ a = AnglesAlong(WithinLowerTilt(lower), 0.0);
    pose.rotX[0] = a.x;
    pose.rotZ[0] = a.z;
    Vec3d upper = TurnX(TurnZ(Up, TurnOf(pose.rotZ[1])), TurnOf(pose.rotX[1]));
    XZ b = WithinElbowRange(AnglesAlong(upper, pose.rotX[1]));
    pose.rotX[1] = b.x;
    pose.rotZ[1] = b.z;
}

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
Vec3d AxisToTarget(const ChainShape &shape, const Joints &joints, const Vec3d &target) {
    Vec3d lowerNow = DirectionOr(Minus(joints.elbow, shape.root), Up);
    return DirectionOr(Minus(target, shape.root), lowerNow);
}

// The two-bone answer with the elbow toward bend: the root's angle from the law of cosines.
void AnalyticInPlane(const ChainShape &shape, IkPose &pose, const Vec3d &target, const Vec3d &axis,
                     const Vec3d &bend, int limited) {
    double a = shape.lowerLength, b = shape.upperLength;
    double r = Length(Minus(target, shape.root));
    Vec3d lowerDirection = axis, upperDirection = axis;
    if (r < a + b) {
        double cosRoot =
            r > Tiny ? Clamped((a * a + r * r - b * b) / (2.0 * a * r), -1.0, 1.0) : 1.0;
        double sinRoot = std::sqrt(1.0 - cosRoot * cosRoot);
        lowerDirection = Plus(Times(axis, cosRoot), Times(bend, sinRoot));
        Vec3d elbow = Plus(shape.root, Times(lowerDirection, a));
        upperDirection = DirectionOr(Minus(target, elbow), Times(axis, -1.0));
    }
    PointLowerBone(pose, lowerDirection, limited);
    PointUpperBone(pose, upperDirection, limited);
}

void SolveAnalytic(const ChainShape &shape, IkPose &pose, const Vec3d &target,
                   const IkSettings &settings) {
    Joints now = JointsOf(shape, pose);
    Vec3d axis = AxisToTarget(shape, now, target);
    Vec3d bend = BendDirection(shape, now, axis, settings);
    if (!settings.jointLimits) {
        AnalyticInPlane(shape, pose, target, axis, bend, 0);
        return;
    }
    // Within the limits: the first plane, turning away from the preferred one either way,
    // whose answer the limits leave alone; failing that, the one that ends nearest.
    IkPose start = pose, best = pose;
    double bestError = -1.0;
    Vec3d aside = Cross(axis, bend);
    int steps = (int)(180.0 / PlaneSearchStep);
    for (int i = 0; i <= 2 * steps; ++i) {
        double degrees = (i % 2 ? 1 : -1) * PlaneSearchStep * ((i + 1) / 2);
        Turn turn = TurnOf(degrees);
        Vec3d plane = Plus(Times(bend, turn.c), Times(aside, turn.s));
        IkPose candidate = start;
        AnalyticInPlane(shape, candidate, target, axis, plane, 1);
        double error = Length(Minus(JointsOf(shape, candidate).end, target));
        if (bestError < 0.0 || error < bestError - 1e-9) {
            best = candidate;
            bestError = error;
        }
        if (error < 1e-9)
            break;
    }
    pose = best;
}

// Whether the elbow lies on the line from the root to a reachable target it is not on, where
// no turn of a joint toward the target bends the chain.
int ElbowInLine(const ChainShape &shape, const Joints &joints, const Vec3d &target,
                const IkSettings &settings) {
    Vec3d toTarget = Minus(target, shape.root);
    double r = Length(toTarget);
    if (r <= Tiny || r >= shape.lowerLength + shape.upperLength ||
        Length(Minus(target, joints.end)) <= settings.tolerance)
        return 0;
    Vec3d lowerNow = DirectionOr(Minus(joints.elbow, shape.root), Up);
    return Length(Cross(lowerNow, Times(toTarget, 1.0 / r))) < InLineSine;
}

// Leans the lower bone toward the side the bend takes, so the solver has a bend to work on.
void Unfold(const ChainShape &shape, IkPose &pose, const Joints &joints, const Vec3d &target,
            const IkSettings &settings) {
    Vec3d lowerNow = DirectionOr(Minus(joints.elbow, shape.root), Up);
    Vec3d bend = BendDirection(shape, joints, AxisToTarget(shape, joints, target), settings);
    Turn turn = TurnOf(UnfoldAngle);
    PointLowerBone(pose, Plus(Times(lowerNow, turn.c), Times(bend, turn.s)), settings.jointLimits);
}

int IterationsOf(const IkSettings &settings) {
    return (int)Clamped(settings.iterations, IkMinIterations, IkMaxIterations);
}

double Distance(const Vec3d &a, const Vec3d &b) {
    return Length(Minus(a, b));
}

// ccd works on the lower bone's turns, as cosine and sine, and the upper bone's direction in
// the lower bone's frame, so that its passes need square roots but no trigonometry; the
// angles follow once per update.
struct CcdChain {
    Turn y0, x0, z0; // the lower bone: Ry * Rx * Rz
    Turn y1;         // the upper bone's Y turn, which only the conversion to angles needs
    Vec3d upper;     // the upper bone's direction in the lower bone's frame
};

CcdChain CcdChainOf(const IkPose &pose) {
    BoneTurn lower = BoneTurnOf(pose, 0);
    BoneTurn upper = BoneTurnOf(pose, 1);
    return CcdChain{lower.y, lower.x, lower.z, upper.y, Apply(upper, Up)};
}

// Without the Y turn.
Vec3d TiltOf(const CcdChain &chain, const Vec3d &v) {
    return TurnX(TurnZ(v, chain.z0), chain.x0);
}

Joints CcdJoints(const ChainShape &shape, const CcdChain &chain) {
    Joints joints;
    joints.elbow = Plus(shape.root, Times(TurnY(TiltOf(chain, Up), chain.y0), shape.lowerLength));
    joints.end =
        Plus(joints.elbow, Times(TurnY(TiltOf(chain, chain.upper), chain.y0), shape.upperLength));
    return joints;
}

double DegreesOf(const Turn &t) {
    return std::atan2(t.s, t.c) * RadiansToDegrees;
}

void PoseOfCcdChain(const CcdChain &chain, IkPose &pose, int limited) {
    pose.rotX[0] = WrappedNear(DegreesOf(chain.x0), pose.rotX[0]);
    pose.rotZ[0] = WrappedNear(DegreesOf(chain.z0), pose.rotZ[0]);
    Vec3d local = TurnY(chain.upper, Back(chain.y1));
    XZ a = limited ? WithinElbowRange(AnglesAlong(local, pose.rotX[1]))
                   : NearestAnglesAlong(local, pose.rotX[1], pose.rotZ[1]);
    pose.rotX[1] = a.x;
    pose.rotZ[1] = a.z;
}

void KeepUpperWithinLimits(CcdChain &chain) {
    XZ a = WithinElbowRange(AnglesAlong(TurnY(chain.upper, Back(chain.y1)), 0.0));
    chain.upper = TurnY(TurnX(TurnZ(Up, TurnOf(a.z)), TurnOf(a.x)), chain.y1);
}

// The lower bone within its tilt, its turns the plain pair for its direction, the upper bone
// where it was (then within its own limits).
void KeepLowerWithinLimits(CcdChain &chain) {
    Vec3d upperTilted = TiltOf(chain, chain.upper);
    Vec3d d = WithinLowerTilt(TiltOf(chain, Up));
    double level = Hypot(d.y, d.z);
    chain.z0 = Turn{std::sqrt(1.0 - Clamped(d.x * d.x, 0.0, 1.0)), -d.x};
    chain.x0 = level > Tiny ? Turn{d.y / level, d.z / level} : Turn{1.0, 0.0};
    chain.upper = TurnZ(TurnX(upperTilted, Back(chain.x0)), Back(chain.z0));
    KeepUpperWithinLimits(chain);
}

// The target's direction from the root, in the lower bone's frame before its X and Z turns:
// the unit vector b, and its part across X as a unit vector (by, bz), for the root's step.
struct CcdAim {
    Vec3d b;
    double by, bz;
    int valid;
};

CcdAim CcdAimAt(const ChainShape &shape, const CcdChain &chain, const Vec3d &target) {
    CcdAim aim = {Vec3d{0.0, 0.0, 0.0}, 1.0, 0.0, 0};
    Vec3d toTarget = Minus(target, shape.root);
    double r = Length(toTarget);
    if (r <= Tiny)
        return aim;
    aim.b = TurnY(Times(toTarget, 1.0 / r), Back(chain.y0));
    double across = Hypot(aim.b.y, aim.b.z);
    if (across > Tiny) {
        aim.by = aim.b.y / across;
        aim.bz = aim.b.z / across;
    }
    aim.valid = 1;
    return aim;
}

// The root's step: the lower bone's turns that point the chain's end, with the upper bone as
// it stands in the lower bone's frame, along the line from the root to the target, as nearly
// as the two axes allow. Solves Rx * Rz * q = |q| b, q the end in the lower bone's frame:
// Rz gives the x component (q.x cos z - q.y sin z = |q| b.x has two answers), Rx then turns
// the other two onto b's.
void CcdRootStep(const ChainShape &shape, CcdChain &chain, const CcdAim &aim, const Vec3d &target,
                 int limited) {
    Vec3d q = Plus(Times(Up, shape.lowerLength), Times(chain.upper, shape.upperLength));
    double reach2 = Dot(q, q);
    double rho = Hypot(q.x, q.y);
    if (rho <= Tiny)
        return; // the end on the lower bone's Z axis: no Z turn moves it
    double perRho = 1.0 / rho;
    double cosPhi = q.x * perRho, sinPhi = q.y * perRho;
    double c = Clamped(aim.b.x * std::sqrt(reach2) * perRho, -1.0, 1.0), s = std::sqrt(1.0 - c * c);
    Turn zs[2] = {Turn{c * cosPhi + s * sinPhi, s * cosPhi - c * sinPhi},
                  Turn{c * cosPhi - s * sinPhi, -s * cosPhi - c * sinPhi}};
    // Both answers leave the same x component, rho * c, and so the same length across X.
    double across = std::sqrt(std::max(0.0, reach2 - rho * rho * c * c));
    double perAcross = across > Tiny ? 1.0 / across : 0.0;
    Vec3d lowerNow = TiltOf(chain, Up);
    CcdChain best = chain;
    double bestScore = 0.0;
    for (int i = 0; i < 2; ++i) {
        CcdChain candidate = chain;
        candidate.z0 = zs[i];
        if (across > Tiny) {
            Vec3d w = TurnZ(q, zs[i]);
            double wy = w.y * perAcross, wz = w.z * perAcross;
            candidate.x0 = Turn{wy * aim.by + wz * aim.bz, wy * aim.bz - wz * aim.by};
        }
        double score;
        if (limited) {
            KeepLowerWithinLimits(candidate);
            score = Distance(CcdJoints(shape, candidate).end, target);
        } else {
            score = -Dot(TiltOf(candidate, Up), lowerNow); // the smaller turn of the two
        }
        if (i == 0 || score < bestScore) {
            best = candidate;
            bestScore = score;
        }
    }
    chain = best;
}

void SolveCcd(const ChainShape &shape, IkPose &pose, const Vec3d &target,
              const IkSettings &settings) {
    int limited = settings.jointLimits;
    int iterations = IterationsOf(settings);
    double tolerance2 = settings.tolerance * settings.tolerance;
    CcdChain chain = CcdChainOf(pose);
    Joints joints = CcdJoints(shape, chain);
    if (ElbowInLine(shape, joints, target, settings)) {
        Unfold(shape, pose, joints, target, settings);
        chain = CcdChainOf(pose);
    }
    CcdAim aim = CcdAimAt(shape, chain, target);
    for (int i = 0; i < iterations; ++i) {
        joints = CcdJoints(shape, chain);
        Vec3d miss = Minus(target, joints.end);
        if (Dot(miss, miss) <= tolerance2)
            break;
        // The end joint: the upper bone straight at the target.
        Vec3d fromElbow = Minus(target, joints.elbow);
        double toElbow = Length(fromElbow);
        if (toElbow > Tiny) {
            Vec3d d = TurnY(Times(fromElbow, 1.0 / toElbow), Back(chain.y0));
            chain.upper = TurnZ(TurnX(d, Back(chain.x0)), Back(chain.z0));
            if (limited)
                KeepUpperWithinLimits(chain);
        }
        // Then the root.
        if (aim.valid)
            CcdRootStep(shape, chain, aim, target, limited);
    }
    PoseOfCcdChain(chain, pose, limited);
}

// The angles that put the elbow and the end at these points (at the bones' own distances).
void PoseFromJoints(const ChainShape &shape, IkPose &pose, const Joints &joints,
                    const Joints &before, int limited) {
    Vec3d lowerBefore = DirectionOr(Minus(before.elbow, shape.root), Up);
    Vec3d upperBefore = DirectionOr(Minus(before.end, before.elbow), lowerBefore);
    PointLowerBone(pose, DirectionOr(Minus(joints.elbow, shape.root), lowerBefore), limited);
    PointUpperBone(pose, DirectionOr(Minus(joints.end, joints.elbow), upperBefore), limited);
}

void SolveFabrik(const ChainShape &shape, IkPose &pose, const Vec3d &target,
                 const IkSettings &settings) {
    int limited = settings.jointLimits;
    Joints joints = JointsOf(shape, pose);
    if (Distance(joints.end, target) <= settings.tolerance)
        return;
    double a = shape.lowerLength, b = shape.upperLength;
    Vec3d toTarget = Minus(target, shape.root);
    if (Length(toTarget) >= a + b) {
        // Out of reach: the whole chain straight toward the target.
        Vec3d axis = AxisToTarget(shape, joints, target);
        PointLowerBone(pose, axis, limited);
        PointUpperBone(pose, axis, limited);
        return;
    }
    if (ElbowInLine(shape, joints, target, settings)) {
        Unfold(shape, pose, joints, target, settings);
        joints = JointsOf(shape, pose);
    }
    Joints start = joints;
    int iterations = IterationsOf(settings);
    for (int i = 0; i < iterations; ++i) {
        Joints previous = joints;
        Vec3d lowerBefore = DirectionOr(Minus(joints.elbow, shape.root), Up);
        Vec3d upperBefore = DirectionOr(Minus(joints.end, joints.elbow), lowerBefore);
        // Backward: the end onto the target, the elbow at its distance from it.
        joints.end = target;
        joints.elbow = Plus(
            target, Times(DirectionOr(Minus(joints.elbow, target), Times(upperBefore, -1.0)), b));
        // Forward: the elbow back at its distance from the root, the end at its from the elbow.
        joints.elbow =
            Plus(shape.root, Times(DirectionOr(Minus(joints.elbow, shape.root), lowerBefore), a));
        joints.end =
            Plus(joints.elbow, Times(DirectionOr(Minus(target, joints.elbow), upperBefore), b));
        if (limited) {
            PoseFromJoints(shape, pose, joints, previous, 1);
            joints = JointsOf(shape, pose);
        }
        if (Distance(joints.end, target) <= settings.tolerance)
            break;
    }
    if (!limited)
        PoseFromJoints(shape, pose, joints, start, 0);
}

void RunIncremental(IkPose &pose, const Vector3 &target, const IkSettings &) {
    Bone saved[BoneCount];
    std::memcpy(saved, bones, sizeof saved);
    SetBonesToPose(pose);
    SolveIkStepToward(target);
    pose = PoseOfBones();
    std::memcpy(bones, saved, sizeof saved);
}

int NearlySamePose(const IkPose &a, const IkPose &b) {
    for (int i = 0; i < BoneCount; ++i)
        if (std::abs(a.rotX[i] - b.rotX[i]) >= SameAnswer ||
            std::abs(a.rotZ[i] - b.rotZ[i]) >= SameAnswer)
            return 0;
    return 1;
}

typedef void (*ChainSolver)(const ChainShape &shape, IkPose &pose, const Vec3d &goal,
                            const IkSettings &settings);

// What every solver but the incremental one shares: the chain's shape, the limits applied to
// the start, and the old angles kept when the answer is the same.
template <ChainSolver Solve>
void RunOnChain(IkPose &pose, const Vector3 &target, const IkSettings &settings) {
    ChainShape shape = ShapeOfChain();
    if (shape.lowerLength <= Tiny || shape.upperLength <= Tiny)
        return; // the bones before their set-up: no chain to turn
    IkPose before = pose;
    if (settings.jointLimits)
        ClampToLimits(pose);
    Solve(shape, pose, ToVec3d(target), settings);
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
     RunOnChain<SolveAnalytic>}, // white
    {"ccd",
     "cyclic coordinate descent, end joint first",
     {1.0f, 1.0f, 0.0f},
     RunOnChain<SolveCcd>}, // yellow
    {"fabrik",
     "forward and backward reaching on the joints",
     {0.0f, 1.0f, 1.0f},
     RunOnChain<SolveFabrik>}, // cyan
};
static_assert(sizeof ikSolvers / sizeof ikSolvers[0] == IkSolverCount, "one row per IkSolverKind");

int ValidIkSolver(int kind) {
    return kind >= 0 && kind < IkSolverCount ? kind : IkSolverIncremental;
}

const char *IkSolverName(int kind) {
    return kind >= 0 && kind < IkSolverCount ? ikSolvers[kind].name : nullptr;
}

int IkSolverFromName(const char *name) {
    for (int kind = 0; name && kind < IkSolverCount; ++kind)
        if (std::strcmp(name, ikSolvers[kind].name) == 0)
            return kind;
    return -1;
}

int NextIkSolver(int kind) {
    return kind >= 0 && kind + 1 < IkSolverCount ? kind + 1 : 0;
}

const char *IkSolverList() {
    static char list[256];
    if (!list[0]) {
        const char *names[IkSolverCount];
        for (int kind = 0; kind < IkSolverCount; ++kind)
            names[kind] = ikSolvers[kind].name;
        JoinAsList(names, IkSolverCount, list, sizeof list);
    }
    return list;
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
    Bone saved[BoneCount];
    std::memcpy(saved, bones, sizeof saved);
    SetBonesToPose(pose);
    Vector4 moved;
    TransformPoint(moved, bones[0].matrix, AsPoint(bones[1].pivot));
    elbow = DropW(moved);
    end = EndEffectorPosition();
    std::memcpy(bones, saved, sizeof saved);
}

double IkChainReach() {
    ChainShape shape = ShapeOfChain();
    return shape.lowerLength + shape.upperLength;
}

int PoseWithinLimits(const IkPose &pose, double slack) {
    double cosTilt =
        std::cos(pose.rotX[0] * DegreesToRadians) * std::cos(pose.rotZ[0] * DegreesToRadians);
    return cosTilt >= std::cos((IkLowerBoneMaxTilt + slack) * DegreesToRadians) &&
           pose.rotX[1] >= IkElbowMinBend - slack && pose.rotX[1] <= IkElbowMaxBend + slack &&
           std::abs(pose.rotZ[1]) <= IkElbowMaxSideBend + slack;
}
