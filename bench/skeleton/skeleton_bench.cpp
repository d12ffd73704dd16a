#include <benchmark/benchmark.h>

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/skin_mesh.h"
#include "skeleton/skinning.h"

namespace {

void PoseChain() {
    InitSkinAndBones();
    bones[0].rotX = 12.0;
    bones[1].rotX = 40.0;
    bones[1].rotZ = -7.0;
}

// Baseline: the two bone matrices alone, which every frame's update starts with.
void BM_BuildBoneMatrices(benchmark::State &state) {
    PoseChain();
    for (auto _ : state) {
        BuildBoneMatrices();
        benchmark::DoNotOptimize(bones[1].matrix);
    }
}
BENCHMARK(BM_BuildBoneMatrices);

void BM_UpdateSkeletonAndSkin_IkOff(benchmark::State &state) {
    PoseChain();
    demoState.ikMode = 0;
    for (auto _ : state) {
        UpdateSkeletonAndSkin();
        benchmark::DoNotOptimize(skinVertices[0].position);
    }
}
BENCHMARK(BM_UpdateSkeletonAndSkin_IkOff);

// The target sits on the far side so the solver keeps correcting (it does not converge and
// then skip) for the whole run: each iteration restores the starting pose.
void BM_UpdateSkeletonAndSkin_IkOn(benchmark::State &state) {
    PoseChain();
    demoState.ikMode = 1;
    demoState.target = Vector3{1.0f, 2.5f, 0.0f};
    for (auto _ : state) {
        bones[0].rotX = 0.0;
        bones[0].rotZ = 0.0;
        bones[1].rotX = 0.0;
        bones[1].rotZ = 0.0;
        UpdateSkeletonAndSkin();
        benchmark::DoNotOptimize(skinVertices[0].position);
    }
    demoState.ikMode = 0;
}
BENCHMARK(BM_UpdateSkeletonAndSkin_IkOn);

} // namespace

BENCHMARK_MAIN();
