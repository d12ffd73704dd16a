#include "gltf/gltf_animation.h"
#include "gltf/gltf_model.h"
#include "lab/chain_lab.h"
#include "model/tentacle_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Where the model's own matrices put the chain's end: the end joint's world matrix, from the
// locals the lab hands out, carrying the tip.
Vec3d EndByTheModel(const Model &model, const ChainLab &lab, const std::vector<Matrix4> &locals) {
    std::vector<Matrix4> worlds(JointCount(model.rig));
    ComputeWorldMatrices(model.rig.parents.data(), locals.data(), JointCount(model.rig),
                         worlds.data());
    Vector4 end;
    TransformPoint(end, worlds[lab.joints.back()], AsPoint(lab.tip));
    return Vec3d{end.x, end.y, end.z};
}

// The chain the solvers see and the model the lab poses are one: every solver's answer, written
// into the model's local matrices, puts the end where the solver says and on the target. The
// figure's joints turn at rest, so a frame taken the wrong way round or a turn put on the wrong
// side of a joint's rest rotation misses.
void ExpectTheModelFollows(const Model &model, const std::vector<Matrix4> &rest, int endJoint,
                           int length) {
    ChainLab lab;
    ASSERT_TRUE(StartChainLab(lab, model, rest, endJoint, length));
    std::vector<Matrix4> locals;
    ChainLocals(lab, IkSolverCcd, rest, locals);
    Vec3d start = EndByTheModel(model, lab, locals);
    // Somewhere the chain reaches: 0.6 of the way from its base to its end, then a fifth of its
    // length aside, within 0.8 of its reach from the base.
    double reach = IkChainLength(lab.shape);
    Vec3d base = lab.shape.base;
    Vector3 target =
        ToVector3(Plus(Plus(base, Times(Minus(start, base), 0.6)), Vec3d{0.2 * reach, 0.0, 0.0}));
    IkSettings settings;
    for (int update = 0; update < 100; ++update)
        UpdateChainLab(lab, model, rest, target, settings);
    for (int kind : {IkSolverCcd, IkSolverFabrik, IkSolverDls}) {
        ChainLocals(lab, kind, rest, locals);
        Vec3d end = EndByTheModel(model, lab, locals);
        EXPECT_LT(Length(Minus(end, ToVec3d(target))), 2e-3 * (1.0 + reach))
            << ikSolvers[kind].name << ", joint " << endJoint;
        std::vector<Vec3d> points;
        ChainLabPoints(lab, kind, points);
        EXPECT_LT(Length(Minus(end, points.back())), 1e-4 * (1.0 + reach)) << ikSolvers[kind].name;
    }
}

TEST(ChainLab, TheModelEndsWhereTheSolversPutTheChainsEnd) {
    Model tentacle;
    std::vector<Matrix4> rest;
    MakeTentacle(tentacle, rest);
    ExpectTheModelFollows(tentacle, rest, TentacleJoints - 1, 0);
    ExpectTheModelFollows(tentacle, rest, TentacleJoints - 1, 3);

    LoadedModel figure;
    std::string error;
    ASSERT_TRUE(LoadGltfFile(SKIN_SOURCE_DIR "/tests/gltf/models/RiggedFigure/RiggedFigure.gltf",
                             figure, error))
        << error;
    RestLocals(figure, rest);
    // Two of the figure's limbs, each ending at a joint with a child, whose place is the tip.
    ExpectTheModelFollows(figure.model, rest, 17, 3);
    ExpectTheModelFollows(figure.model, rest, 9, 2);
}

} // namespace
