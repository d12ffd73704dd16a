#include "lab/chain_lab.h"

#include <cmath>
#include <cstdlib>

namespace {

Vec3d PlaceOf(const Matrix4 &m) {
    return Vec3d{m.m[12], m.m[13], m.m[14]};
}

Vec3d ColumnOf(const Matrix4 &m, int c) {
    return Vec3d{m.m[4 * c], m.m[4 * c + 1], m.m[4 * c + 2]};
}

// The rotation of m (its columns made unit, so a uniform scale drops out) as a quaternion.
IkTurn TurnOfMatrix(const Matrix4 &m) {
    Vec3d x = DirectionOr(ColumnOf(m, 0), Vec3d{1, 0, 0});
    Vec3d y = DirectionOr(ColumnOf(m, 1), Vec3d{0, 1, 0});
    Vec3d z = DirectionOr(ColumnOf(m, 2), Vec3d{0, 0, 1});
    double trace = x.x + y.y + z.z;
    IkTurn q;
    if (trace > 0.0) {
        double s = 2.0 * std::sqrt(1.0 + trace);
        q = IkTurn{0.25 * s, (y.z - z.y) / s, (z.x - x.z) / s, (x.y - y.x) / s};
    } else if (x.x > y.y && x.x > z.z) {
        double s = 2.0 * std::sqrt(1.0 + x.x - y.y - z.z);
        q = IkTurn{(y.z - z.y) / s, 0.25 * s, (y.x + x.y) / s, (z.x + x.z) / s};
    } else if (y.y > z.z) {
        double s = 2.0 * std::sqrt(1.0 + y.y - x.x - z.z);
        q = IkTurn{(z.x - x.z) / s, (y.x + x.y) / s, 0.25 * s, (z.y + y.z) / s};
    } else {
        double s = 2.0 * std::sqrt(1.0 + z.z - x.x - y.y);
        q = IkTurn{(x.y - y.x) / s, (z.x + x.z) / s, (z.y + y.z) / s, 0.25 * s};
    }
    double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    return IkTurn{q.w / n, q.x / n, q.y / n, q.z / n};
}

Matrix4 MatrixOfTurn(const IkTurn &q) {
    Matrix4 m = IdentityMatrix();
    m.m[0] = (float)(1.0 - 2.0 * (q.y * q.y + q.z * q.z));
    m.m[1] = (float)(2.0 * (q.x * q.y + q.w * q.z));
    m.m[2] = (float)(2.0 * (q.x * q.z - q.w * q.y));
    m.m[4] = (float)(2.0 * (q.x * q.y - q.w * q.z));
    m.m[5] = (float)(1.0 - 2.0 * (q.x * q.x + q.z * q.z));
    m.m[6] = (float)(2.0 * (q.y * q.z + q.w * q.x));
    m.m[8] = (float)(2.0 * (q.x * q.z + q.w * q.y));
    m.m[9] = (float)(2.0 * (q.y * q.z - q.w * q.x));
    m.m[10] = (float)(1.0 - 2.0 * (q.x * q.x + q.y * q.y));
    return m;
}

Vec3d Moved(const Matrix4 &m, const Vector3 &p) {
    Vector4 out;
    TransformPoint(out, m, AsPoint(p));
    return Vec3d{out.x, out.y, out.z};
}

IkTurn Inverse(const IkTurn &q) {
    return IkTurn{q.w, -q.x, -q.y, -q.z};
}

// The chain's shape as the base pose holds it: each joint's frame the rotation of its world
// matrix there, each bone from the joint's place to the next one's (or the tip), in that frame.
void MakeShape(ChainLab &lab, const Model &model, const std::vector<Matrix4> &baseLocals) {
    int joints = JointCount(model.rig);
    std::vector<Matrix4> worlds(joints);
    ComputeWorldMatrices(model.rig.parents.data(), baseLocals.data(), joints, worlds.data());
    IkChainShape &shape = lab.shape;
    int n = (int)lab.joints.size();
    int first = lab.joints[0], parent = model.rig.parents[first];
    shape.base = PlaceOf(worlds[first]);
    shape.baseTurn = parent >= 0 ? TurnOfMatrix(worlds[parent]) : IkTurn{};
    shape.restTurns.resize(n);
    shape.bones.resize(n);
    shape.limits.assign(n, IkJointLimits{ChainMaxSwing, -ChainMaxTwist, ChainMaxTwist});
    for (int i = 0; i < n; ++i) {
        int j = lab.joints[i];
        shape.restTurns[i] = TurnOfMatrix(baseLocals[j]);
        Vec3d next = i + 1 < n ? PlaceOf(worlds[lab.joints[i + 1]]) : Moved(worlds[j], lab.tip);
        shape.bones[i] = Rotated(Inverse(TurnOfMatrix(worlds[j])), Minus(next, PlaceOf(worlds[j])));
    }
}

} // namespace

int ChainJoints(const Rig &rig, int endJoint, int length, std::vector<int> &joints) {
    joints.clear();
    if (endJoint < 0 || endJoint >= JointCount(rig))
        return 0;
    for (int j = endJoint; j >= 0 && (length <= 0 || (int)joints.size() < length);
         j = rig.parents[j])
        joints.insert(joints.begin(), j);
    return 1;
}

int JointOfText(const Rig &rig, const std::string &text) {
    for (int j = 0; j < JointCount(rig); ++j)
        if (rig.names[j] == text)
            return j;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 6)
        return -1;
    int j = std::atoi(text.c_str());
    return j < JointCount(rig) ? j : -1;
}

Vector3 ChainTipOf(const Model &model, const std::vector<Matrix4> &restLocals, int endJoint) {
    // A piece ending at a point the joint carries (the limb's upper bone, a tentacle's segment),
    // unless that point is the joint's own origin, as a file's piece from its parent is.
    for (const BoneSegment &segment : model.segments)
        if (segment.toJoint == endJoint) {
            Vector4 local;
            TransformPoint(local, model.rig.inverseBinds[endJoint], AsPoint(segment.restTo));
            if (VectorLength(DropW(local)) > 1e-6)
                return DropW(local);
        }
    for (int j = endJoint + 1; j < JointCount(model.rig); ++j)
        if (model.rig.parents[j] == endJoint)
            return Vector3{restLocals[j].m[12], restLocals[j].m[13], restLocals[j].m[14]};
    return Vector3{0.0f, 0.0f, 0.0f};
}

int StartChainLab(ChainLab &lab, const Model &model, const std::vector<Matrix4> &baseLocals,
                  int endJoint, int length) {
    lab = ChainLab{};
    if (!ChainJoints(model.rig, endJoint, length, lab.joints))
        return 0;
    lab.tip = ChainTipOf(model, baseLocals, endJoint);
    MakeShape(lab, model, baseLocals);
    lab.active = 1;
    RestartChainLab(lab);
    return 1;
}

void RestartChainLab(ChainLab &lab) {
    for (int k = 0; k < IkSolverCount; ++k) {
        lab.poses[k] = IkChainRest(lab.shape);
        lab.history[k].clear();
        lab.passes[k] = lab.lastPasses[k] = 0;
        lab.distance[k] = 0.0;
    }
    lab.updates = 0;
}

void UpdateChainLab(ChainLab &lab, const Model &model, const std::vector<Matrix4> &baseLocals,
                    const Vector3 &target, const IkSettings &settings) {
    if (!lab.active)
        return;
    MakeShape(lab, model, baseLocals);
    lab.target = target;
    ++lab.updates;
    int n = (int)lab.joints.size();
    for (int k = 0; k < IkSolverCount; ++k) {
        if (!IkChainSolverFits(k, n, nullptr))
            continue;
        lab.lastPasses[k] = UpdateIkChain(k, lab.shape, lab.poses[k], ToVec3d(target), settings);
        lab.passes[k] += lab.lastPasses[k];
        lab.distance[k] = Length(Minus(ToVec3d(target), IkChainEnd(lab.shape, lab.poses[k])));
        std::vector<float> &history = lab.history[k];
        if ((int)history.size() >= IkHistoryLength)
            history.erase(history.begin());
        history.push_back((float)lab.distance[k]);
    }
}

void ChainLocals(const ChainLab &lab, int kind, const std::vector<Matrix4> &baseLocals,
                 std::vector<Matrix4> &locals) {
    locals = baseLocals;
    if (!lab.active)
        return;
    const IkChainPose &pose = lab.poses[ChainSolverShown(lab, kind)];
    for (size_t i = 0; i < lab.joints.size() && i < pose.turns.size(); ++i) {
        int j = lab.joints[i];
        // The turn comes after the joint's own rest rotation, about the joint's place.
        MultMatrix(locals[j], baseLocals[j], MatrixOfTurn(pose.turns[i]));
    }
}

int ChainSolverShown(const ChainLab &lab, int kind) {
    return IkChainSolverFits(kind, (int)lab.joints.size(), nullptr) ? kind : IkSolverCcd;
}

void ChainLabPoints(const ChainLab &lab, int kind, std::vector<Vec3d> &points) {
    IkChainPoints(lab.shape, lab.poses[ChainSolverShown(lab, kind)], points);
}
