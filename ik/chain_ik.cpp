#include "ik/chain_ik.h"

#include <algorithm>
#include <cmath>

namespace {

const double Tiny = 1e-12;

// A straight chain with the target on its line leaves ccd and fabrik no turn that bends it, and
// dls a Jacobian blind to the miss: it is bent first, UnfoldAngle degrees spread over its joints.
const double InLineSine = 1e-3;
const double UnfoldAngle = 30.0;

// A pass with limits that gains less than this ends the update: the limits hold the chain.
const double NoGain = 1e-12;

// A new pose this close to the old one (every quaternion component) is the same answer again:
// the old turns are kept, so an idle solver leaves the joints exactly still.
const double SameAnswer = 1e-12;

// dls: the largest move of the end one pass asks for, as a share of the chain's length (the
// linearised chain only holds near where it stands), and the largest turn of any joint, radians.
const double DlsMaxStepShare = 0.2 / 3.0;
const double DlsMaxTurn = 0.5;
const int DlsRetries = 8;
const double DlsDampingGrowth = 4.0;

// The search that finishes an update held short by the limits: each joint's swing as a rotation
// vector across its bone, stepped coordinate by coordinate, the step halved down to
// HeldStepFloor radians; at most HeldMaxTries poses tried, so that a long chain's frame stays
// bounded.
const double HeldFirstStep = 0.05;
const double HeldStepFloor = 1e-8;
const int HeldMaxTries = 20000;

double Clamped(double value, double low, double high) {
    return value < low ? low : value > high ? high : value;
}
double Wrapped(double degrees) {
    double w = std::fmod(degrees, 360.0);
    if (w <= -180.0)
        w += 360.0;
    else if (w > 180.0)
        w -= 360.0;
    return w + 0.0;
}

IkTurn Conjugate(const IkTurn &q) {
    return IkTurn{q.w, -q.x, -q.y, -q.z};
}
IkTurn Unit(const IkTurn &q) {
    double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    return n > Tiny ? IkTurn{q.w / n, q.x / n, q.y / n, q.z / n} : IkTurn{};
}

// Any unit vector at right angles to the unit vector v.
Vec3d Perpendicular(const Vec3d &v) {
    Vec3d other = std::abs(v.x) < 0.9 ? Vec3d{1.0, 0.0, 0.0} : Vec3d{0.0, 1.0, 0.0};
    return DirectionOr(Across(other, v), Vec3d{0.0, 0.0, 1.0});
}

// The smallest turn taking the unit vector from onto the unit vector to; opposite ones, the half
// turn about a perpendicular.
IkTurn Arc(const Vec3d &from, const Vec3d &to) {
    double c = Dot(from, to);
    if (c <= -1.0 + 1e-12) {
        Vec3d p = Perpendicular(from);
        return IkTurn{0.0, p.x, p.y, p.z};
    }
    Vec3d k = Cross(from, to);
    return Unit(IkTurn{1.0 + c, k.x, k.y, k.z});
}

// v turned by the rotation vector omega (radians).
IkTurn TurnOfVector(const Vec3d &omega) {
    double angle = Length(omega);
    if (angle <= Tiny)
        return IkTurn{};
    return TurnAbout(Times(omega, 1.0 / angle), angle * RadiansToDegrees);
}

// d leaned back into the cone of maxSwing degrees round the unit vector axis.
Vec3d WithinCone(const Vec3d &d, const Vec3d &axis, double maxSwing) {
    if (maxSwing >= 180.0)
        return d;
    double c = Dot(d, axis);
    double limit = std::cos(maxSwing * DegreesToRadians);
    if (c >= limit)
        return d;
    Vec3d side = DirectionOr(Across(d, axis), Perpendicular(axis));
    double s = std::sin(maxSwing * DegreesToRadians);
    return Plus(Times(axis, limit), Times(side, s));
}

// The chain as the solvers see it: each bone's rest direction in its joint's frame and length,
// the twist each joint keeps, and the bones' directions in the scene.
struct Work {
    const IkChainShape *shape;
    int n;
    int limited;
    std::vector<Vec3d> axes;
    std::vector<double> lengths;
    std::vector<double> twists; // degrees
    double reach;
};

const IkJointLimits NoLimits;

// The frame joint i turns in: its parent's frame turned by joint i's rest turn.
IkTurn RestFrame(const Work &w, const IkTurn &parentFrame, int i) {
    const std::vector<IkTurn> &rest = w.shape->restTurns;
    return (int)rest.size() == w.n ? Unit(TurnTimes(parentFrame, rest[i])) : parentFrame;
}

const IkJointLimits &LimitsOf(const Work &w, int i) {
    return w.limited && (int)w.shape->limits.size() == w.n ? w.shape->limits[i] : NoLimits;
}

Work WorkOf(const IkChainShape &shape, int limited) {
    Work w;
    w.shape = &shape;
    w.n = IkChainJoints(shape);
    w.limited = limited && (int)shape.limits.size() == w.n;
    w.reach = 0.0;
    for (const Vec3d &bone : shape.bones) {
        w.lengths.push_back(Length(bone));
        w.axes.push_back(DirectionOr(bone, Vec3d{0.0, 1.0, 0.0}));
        w.reach += w.lengths.back();
    }
    return w;
}

// The twist of q about the unit vector axis, degrees: q split as swing x twist, the twist's angle.
double TwistOf(const IkTurn &q, const Vec3d &axis) {
    double along = q.x * axis.x + q.y * axis.y + q.z * axis.z;
    if (std::abs(along) <= Tiny && std::abs(q.w) <= Tiny)
        return 0.0; // a half turn across the axis: no twist to tell
    return Wrapped(2.0 * std::atan2(along, q.w) * RadiansToDegrees);
}

// Walks the joints from the root with the directions dirs (in the scene), bringing each within
// its cone when limited and writing the turns that give them (each the swing of its bone onto
// its direction after the joint's kept twist) into turns, when asked for.
void Build(const Work &w, std::vector<Vec3d> &dirs, std::vector<IkTurn> *turns) {
    IkTurn frame = w.shape->baseTurn;
    if (turns)
        turns->resize(w.n);
    for (int i = 0; i < w.n; ++i) {
        const IkJointLimits &limits = LimitsOf(w, i);
        frame = RestFrame(w, frame, i);
        if (w.limited)
            dirs[i] = WithinCone(dirs[i], Rotated(frame, w.axes[i]), limits.maxSwing);
        Vec3d local = Rotated(Conjugate(frame), dirs[i]);
        IkTurn turn = TurnTimes(Arc(w.axes[i], DirectionOr(local, w.axes[i])),
                                TurnAbout(w.axes[i], w.twists[i]));
        if (turns)
            (*turns)[i] = turn;
        frame = Unit(TurnTimes(frame, turn));
    }
}

void DirectionsOf(const Work &w, const IkChainPose &pose, std::vector<Vec3d> &dirs) {
    dirs.resize(w.n);
    IkTurn frame = w.shape->baseTurn;
    for (int i = 0; i < w.n; ++i) {
        frame = Unit(TurnTimes(RestFrame(w, frame, i), pose.turns[i]));
        dirs[i] = Rotated(frame, w.axes[i]);
    }
}

Vec3d EndOf(const Work &w, const std::vector<Vec3d> &dirs) {
    Vec3d end = w.shape->base;
    for (int i = 0; i < w.n; ++i)
        end = Plus(end, Times(dirs[i], w.lengths[i]));
    return end;
}

void PointsOf(const Work &w, const std::vector<Vec3d> &dirs, std::vector<Vec3d> &points) {
    points.resize(w.n + 1);
    points[0] = w.shape->base;
    for (int i = 0; i < w.n; ++i)
        points[i + 1] = Plus(points[i], Times(dirs[i], w.lengths[i]));
}

double MissOf(const Work &w, const std::vector<Vec3d> &dirs, const Vec3d &target) {
    return Length(Minus(target, EndOf(w, dirs)));
}

// The pole as the limb's analytic solver takes it: a level direction turned about the vertical
// by the pole angle from -Z.
Vec3d PoleDirection(const IkSettings &settings) {
    return TurnY(Vec3d{0.0, 0.0, -1.0}, TurnOf(settings.poleAngle));
}

// A straight chain with the target on its line (and within reach), bent toward the pole's side
// so that every solver has a turn to make.
void UnfoldIfInLine(const Work &w, std::vector<Vec3d> &dirs, const Vec3d &target,
                    const IkSettings &settings) {
    for (int i = 1; i < w.n; ++i)
        if (Length(Cross(dirs[i], dirs[0])) >= InLineSine)
            return;
    Vec3d miss = Minus(target, EndOf(w, dirs));
    if (Length(miss) <= settings.tolerance || Length(Minus(target, w.shape->base)) >= w.reach ||
        Length(Cross(DirectionOr(miss, dirs[0]), dirs[0])) >= InLineSine)
        return;
    Vec3d side = Across(PoleDirection(settings), dirs[0]);
    side = Length(side) > 1e-6 ? DirectionOr(side, dirs[0]) : Perpendicular(dirs[0]);
    Vec3d axis = Cross(dirs[0], side);
    double step = w.n > 1 ? UnfoldAngle / (w.n - 1) : UnfoldAngle;
    for (int i = 0; i < w.n; ++i)
        dirs[i] = Rotated(TurnAbout(axis, step * i), dirs[0]);
}

// ---- ccd ----

int SolveCcd(const Work &w, std::vector<Vec3d> &dirs, const Vec3d &target, int iterations,
             double tolerance) {
    std::vector<Vec3d> points, candidate;
    int passes = 0;
    while (passes < iterations && MissOf(w, dirs, target) > tolerance) {
        double before = MissOf(w, dirs, target);
        ++passes;
        // End joint first: each turns the rest of the chain so that the end lies on the line
        // from it to the target.
        for (int i = w.n - 1; i >= 0; --i) {
            PointsOf(w, dirs, points);
            Vec3d toEnd = Minus(points[w.n], points[i]), toTarget = Minus(target, points[i]);
            if (Length(toEnd) <= Tiny || Length(toTarget) <= Tiny)
                continue;
            IkTurn turn = Arc(DirectionOr(toEnd, dirs[i]), DirectionOr(toTarget, dirs[i]));
            candidate = dirs;
            for (int j = i; j < w.n; ++j)
                candidate[j] = Rotated(turn, candidate[j]);
            if (w.limited) {
                Build(w, candidate, nullptr);
                if (MissOf(w, candidate, target) >= MissOf(w, dirs, target))
                    continue;
            }
            dirs.swap(candidate);
        }
        if (w.limited && before - MissOf(w, dirs, target) < NoGain)
            break;
    }
    return passes;
}

// ---- fabrik ----

int SolveFabrik(const Work &w, std::vector<Vec3d> &dirs, const Vec3d &target, int iterations,
                double tolerance) {
    std::vector<Vec3d> points, reached(w.n + 1), next(w.n);
    int passes = 0;
    while (passes < iterations && MissOf(w, dirs, target) > tolerance) {
        ++passes;
        PointsOf(w, dirs, points);
        // Backward: the end onto the target, each joint at its bone's length from the next.
        reached[w.n] = target;
        for (int i = w.n - 1; i >= 0; --i)
            reached[i] =
                Plus(reached[i + 1],
                     Times(DirectionOr(Minus(points[i], reached[i + 1]), Times(dirs[i], -1.0)),
                           w.lengths[i]));
        // Forward: the root back on its base, each bone toward where the backward pass put the
        // next joint (within its cone, by Build).
        Vec3d at = w.shape->base;
        for (int i = 0; i < w.n; ++i) {
            next[i] = DirectionOr(Minus(reached[i + 1], at), dirs[i]);
            if (w.limited) {
                // The cone of joint i depends on the bones before it, which are final now.
                std::vector<Vec3d> head(next.begin(), next.begin() + i + 1);
                head.resize(w.n, dirs[w.n - 1]);
                Build(w, head, nullptr);
                next[i] = head[i];
            }
            at = Plus(at, Times(next[i], w.lengths[i]));
        }
        if (w.limited && MissOf(w, dirs, target) - MissOf(w, next, target) < NoGain)
            break; // the passes no longer gain within the limits
        dirs = next;
    }
    return passes;
}

// ---- dls ----

// One damped least-squares pass: each joint turns about all three axes, the Jacobian's columns
// are axis x (end - joint), so J J^T = sum of (|r|^2 I - r r^T) over the joints' levers r, and
// J^T y gives joint i the turn r_i x y.
void DlsPass(const Work &w, const std::vector<Vec3d> &dirs, const Vec3d &target, double lambda,
             std::vector<Vec3d> &points, std::vector<Vec3d> &turns, std::vector<Vec3d> &out) {
    PointsOf(w, dirs, points);
    Vec3d end = points[w.n];
    Vec3d miss = Minus(target, end);
    double missLength = Length(miss), maxStep = DlsMaxStepShare * w.reach;
    if (missLength > maxStep)
        miss = Times(miss, maxStep / missLength);
    double diagonal = lambda * lambda;
    Vec3d rows[3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (int i = 0; i < w.n; ++i) {
        Vec3d r = Minus(end, points[i]);
        diagonal += Dot(r, r);
        rows[0] = Minus(rows[0], Times(r, r.x));
        rows[1] = Minus(rows[1], Times(r, r.y));
        rows[2] = Minus(rows[2], Times(r, r.z));
    }
    rows[0].x += diagonal;
    rows[1].y += diagonal;
    rows[2].z += diagonal;
    // Positive definite, so the determinant is at least lambda^6.
    Vec3d c0 = Cross(rows[1], rows[2]), c1 = Cross(rows[2], rows[0]), c2 = Cross(rows[0], rows[1]);
    double determinant = Dot(rows[0], c0);
    Vec3d y = Times(Plus(Plus(Times(c0, miss.x), Times(c1, miss.y)), Times(c2, miss.z)),
                    1.0 / determinant);
    turns.resize(w.n);
    double largest = 0.0;
    for (int i = 0; i < w.n; ++i) {
        turns[i] = Cross(Minus(end, points[i]), y);
        largest = std::max(largest, Length(turns[i]));
    }
    double bound = largest > DlsMaxTurn ? DlsMaxTurn / largest : 1.0;
    out = dirs;
    // The end joint's turn first, so that each joint's turn carries the bones after it as they
    // were turned already.
    for (int i = w.n - 1; i >= 0; --i) {
        IkTurn turn = TurnOfVector(Times(turns[i], bound));
        for (int j = i; j < w.n; ++j)
            out[j] = DirectionOr(Rotated(turn, out[j]), out[j]);
    }
}

int SolveDls(const Work &w, std::vector<Vec3d> &dirs, const Vec3d &target, int iterations,
             double tolerance, double damping) {
    std::vector<Vec3d> points, turns, next;
    double lambda = Clamped(damping, IkMinDamping, IkMaxDamping);
    int passes = 0;
    while (passes < iterations) {
        double miss = MissOf(w, dirs, target);
        if (miss <= tolerance)
            break;
        ++passes;
        // A pass may only gain: one that does not is tried again damped more, which turns it
        // toward the plain gradient; within the limits, clamped, one that does not gain ends the
        // update.
        double gain = 0.0, damped = lambda;
        for (int retry = 0; retry <= (w.limited ? 0 : DlsRetries);
             ++retry, damped *= DlsDampingGrowth) {
            DlsPass(w, dirs, target, damped, points, turns, next);
            if (w.limited)
                Build(w, next, nullptr);
            gain = miss - MissOf(w, next, target);
            if (gain >= NoGain)
                break;
        }
        if (gain < NoGain)
            break;
        dirs.swap(next);
    }
    return passes;
}

// ---- analytic, two joints ----

int SolveAnalytic(const Work &w, std::vector<Vec3d> &dirs, const Vec3d &target,
                  const IkSettings &settings) {
    double a = w.lengths[0], b = w.lengths[1];
    Vec3d base = w.shape->base;
    Vec3d axis = DirectionOr(Minus(target, base), dirs[0]);
    double r = Length(Minus(target, base));
    // The elbow bends on the side it bends to now; a straight chain to the pole's side.
    Vec3d side = Across(dirs[0], axis);
    if (settings.poleFixed || Length(side) <= 1e-6) {
        side = Across(PoleDirection(settings), axis);
        if (Length(side) <= 1e-6)
            side = Perpendicular(axis);
    }
    side = DirectionOr(side, Perpendicular(axis));
    dirs[0] = dirs[1] = axis;
    if (r < a + b) {
        double cosRoot =
            r > Tiny ? Clamped((a * a + r * r - b * b) / (2.0 * a * r), -1.0, 1.0) : 1.0;
        double sinRoot = std::sqrt(1.0 - cosRoot * cosRoot);
        dirs[0] = Plus(Times(axis, cosRoot), Times(side, sinRoot));
        Vec3d elbow = Plus(base, Times(dirs[0], a));
        dirs[1] = DirectionOr(Minus(target, elbow), Times(axis, -1.0));
    }
    if (w.limited)
        Build(w, dirs, nullptr);
    return 1;
}

// ---- held short by the limits ----

// Each joint's swing as a rotation vector across its bone, two numbers on a basis at right
// angles to the bone's rest direction; the twists stay as they are.
struct SwingSearch {
    const Work *w;
    std::vector<Vec3d> across1, across2;
    std::vector<double> values; // 2 per joint, radians
    std::vector<Vec3d> dirs;
};

void DirsOfSwings(SwingSearch &s, const std::vector<double> &values) {
    const Work &w = *s.w;
    IkTurn frame = w.shape->baseTurn;
    s.dirs.resize(w.n);
    for (int i = 0; i < w.n; ++i) {
        Vec3d omega =
            Plus(Times(s.across1[i], values[2 * i]), Times(s.across2[i], values[2 * i + 1]));
        IkTurn turn = TurnTimes(TurnOfVector(omega), TurnAbout(w.axes[i], w.twists[i]));
        frame = Unit(TurnTimes(RestFrame(w, frame, i), turn));
        s.dirs[i] = Rotated(frame, w.axes[i]);
    }
}

// Keeps joint i's swing within its cone.
void KeepSwing(const Work &w, std::vector<double> &values, int i) {
    double limit = std::min(LimitsOf(w, i).maxSwing, 180.0) * DegreesToRadians;
    double length =
        std::sqrt(values[2 * i] * values[2 * i] + values[2 * i + 1] * values[2 * i + 1]);
    if (length > limit) {
        values[2 * i] *= limit / length;
        values[2 * i + 1] *= limit / length;
    }
}

// A compass search over the swings from dirs, never worse than where it starts: the nearest end
// the limit-keeping poses round the solver's answer allow.
void FinishHeld(const Work &w, std::vector<Vec3d> &dirs, const Vec3d &target) {
    SwingSearch s;
    s.w = &w;
    s.values.resize(2 * w.n);
    IkTurn frame = w.shape->baseTurn;
    for (int i = 0; i < w.n; ++i) {
        s.across1.push_back(Perpendicular(w.axes[i]));
        s.across2.push_back(Cross(w.axes[i], s.across1[i]));
        frame = RestFrame(w, frame, i);
        Vec3d local = Rotated(Conjugate(frame), dirs[i]);
        Vec3d k = Cross(w.axes[i], local);
        double angle = std::atan2(Length(k), Dot(w.axes[i], local));
        Vec3d omega = Times(DirectionOr(k, s.across1[i]), angle);
        s.values[2 * i] = Dot(omega, s.across1[i]);
        s.values[2 * i + 1] = Dot(omega, s.across2[i]);
        KeepSwing(w, s.values, i);
        IkTurn turn = TurnTimes(TurnOfVector(omega), TurnAbout(w.axes[i], w.twists[i]));
        frame = Unit(TurnTimes(frame, turn));
    }
    DirsOfSwings(s, s.values);
    double best = MissOf(w, s.dirs, target);
    std::vector<double> trial;
    int tries = 0;
    for (double step = HeldFirstStep; step > HeldStepFloor && tries < HeldMaxTries;) {
        int moved = 0;
        for (int k = 0; k < 2 * w.n && tries < HeldMaxTries; ++k)
            for (int sign = -1; sign <= 1; sign += 2) {
                trial = s.values;
                trial[k] += sign * step;
                KeepSwing(w, trial, k / 2);
                DirsOfSwings(s, trial);
                ++tries;
                double miss = MissOf(w, s.dirs, target);
                if (miss < best) {
                    best = miss;
                    s.values.swap(trial);
                    moved = 1;
                    break;
                }
            }
        if (!moved)
            step *= 0.5;
    }
    DirsOfSwings(s, s.values);
    if (MissOf(w, s.dirs, target) < MissOf(w, dirs, target))
        dirs = s.dirs;
}

int NearlySame(const std::vector<IkTurn> &a, const std::vector<IkTurn> &b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i].w - b[i].w) >= SameAnswer || std::abs(a[i].x - b[i].x) >= SameAnswer ||
            std::abs(a[i].y - b[i].y) >= SameAnswer || std::abs(a[i].z - b[i].z) >= SameAnswer)
            return 0;
    return 1;
}

} // namespace

IkTurn TurnTimes(const IkTurn &a, const IkTurn &b) {
    return IkTurn{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
                  a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                  a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                  a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Vec3d Rotated(const IkTurn &q, const Vec3d &v) {
    // v + 2 u x (u x v + w v), u the vector part.
    Vec3d u = {q.x, q.y, q.z};
    Vec3d t = Plus(Cross(u, v), Times(v, q.w));
    return Plus(v, Times(Cross(u, t), 2.0));
}

IkTurn TurnAbout(const Vec3d &axis, double degrees) {
    double half = 0.5 * degrees * DegreesToRadians;
    double s = std::sin(half);
    return IkTurn{std::cos(half), axis.x * s, axis.y * s, axis.z * s};
}

IkChainPose IkChainRest(const IkChainShape &shape) {
    IkChainPose pose;
    pose.turns.assign(shape.bones.size(), IkTurn{});
    return pose;
}

void IkChainPoints(const IkChainShape &shape, const IkChainPose &pose, std::vector<Vec3d> &points) {
    Work w = WorkOf(shape, 0);
    std::vector<Vec3d> dirs;
    DirectionsOf(w, pose, dirs);
    PointsOf(w, dirs, points);
}

Vec3d IkChainEnd(const IkChainShape &shape, const IkChainPose &pose) {
    std::vector<Vec3d> points;
    IkChainPoints(shape, pose, points);
    return points.back();
}

double IkChainLength(const IkChainShape &shape) {
    return WorkOf(shape, 0).reach;
}

double IkChainSwing(const IkChainShape &shape, const IkChainPose &pose, int i) {
    Vec3d axis = DirectionOr(shape.bones[i], Vec3d{0.0, 1.0, 0.0});
    double c = Clamped(Dot(Rotated(pose.turns[i], axis), axis), -1.0, 1.0);
    return std::acos(c) * RadiansToDegrees;
}

double IkChainTwist(const IkChainShape &shape, const IkChainPose &pose, int i) {
    return TwistOf(pose.turns[i], DirectionOr(shape.bones[i], Vec3d{0.0, 1.0, 0.0}));
}

int IkChainWithinLimits(const IkChainShape &shape, const IkChainPose &pose, double slack) {
    if (shape.limits.size() != shape.bones.size())
        return 1;
    for (int i = 0; i < IkChainJoints(shape); ++i) {
        const IkJointLimits &limits = shape.limits[i];
        double twist = IkChainTwist(shape, pose, i);
        if (IkChainSwing(shape, pose, i) > limits.maxSwing + slack ||
            twist < limits.minTwist - slack || twist > limits.maxTwist + slack)
            return 0;
    }
    return 1;
}

int IkChainSolverFits(int kind, int jointCount, const char **reason) {
    const char *why = nullptr;
    if (kind == IkSolverIncremental)
        why = "the incremental solver works on the limb only";
    else if (kind == IkSolverAnalytic && jointCount != 2)
        why = "the analytic solver needs a chain of two joints";
    else if (kind < 0 || kind >= IkSolverCount || jointCount < 1)
        why = "no such solver";
    if (reason)
        *reason = why ? why : "";
    return why == nullptr;
}

int UpdateIkChain(int kind, const IkChainShape &shape, IkChainPose &pose, const Vec3d &target,
                  const IkSettings &settings) {
    int n = IkChainJoints(shape);
    if (!IkChainSolverFits(kind, n, nullptr) || (int)pose.turns.size() != n)
        return 0;
    Work w = WorkOf(shape, settings.jointLimits);
    if (w.reach <= Tiny)
        return 0;
    w.twists.resize(n);
    for (int i = 0; i < n; ++i) {
        double twist = TwistOf(pose.turns[i], w.axes[i]);
        const IkJointLimits &limits = LimitsOf(w, i);
        w.twists[i] = w.limited ? Clamped(twist, limits.minTwist, limits.maxTwist) : twist;
    }
    std::vector<Vec3d> dirs;
    DirectionsOf(w, pose, dirs);
    if (w.limited)
        Build(w, dirs, nullptr);
    std::vector<Vec3d> start = dirs;
    int iterations = (int)Clamped(settings.iterations, IkMinIterations, IkMaxIterations);
    int passes = 0;
    Vec3d toTarget = Minus(target, shape.base);
    if (!w.limited && Length(toTarget) >= w.reach) {
        // Out of reach: the whole chain straight at the target, as near as it can come.
        Vec3d axis = DirectionOr(toTarget, dirs[0]);
        for (Vec3d &d : dirs)
            d = axis;
        passes = MissOf(w, start, target) > MissOf(w, dirs, target) ? 1 : 0;
    } else if (kind == IkSolverAnalytic) {
        passes = SolveAnalytic(w, dirs, target, settings);
    } else {
        UnfoldIfInLine(w, dirs, target, settings);
        if (w.limited)
            Build(w, dirs, nullptr);
        if (kind == IkSolverCcd)
            passes = SolveCcd(w, dirs, target, iterations, settings.tolerance);
        else if (kind == IkSolverFabrik)
            passes = SolveFabrik(w, dirs, target, iterations, settings.tolerance);
        else
            passes = SolveDls(w, dirs, target, iterations, settings.tolerance, settings.damping);
    }
    if (w.limited) {
        if (MissOf(w, dirs, target) > settings.tolerance && passes < iterations)
            FinishHeld(w, dirs, target);
        if (MissOf(w, dirs, target) > MissOf(w, start, target))
            dirs = start;
    }
    std::vector<IkTurn> turns;
    Build(w, dirs, &turns);
    if (NearlySame(turns, pose.turns))
        return 0; // the same answer again: nothing moved
    pose.turns.swap(turns);
    return passes;
}
