#include <benchmark/benchmark.h>

#include "bench/support/ratio_reporter.h"
#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "rig/bones.h"
#include "skinning/skinning.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// The same per-frame update (IK mode off) written out plainly in this one file, so the
// compiler sees every step: the figure the program's update is measured against. Each sum
// runs in the program's order, so the two agree bit for bit. The helpers are marked inline like
// the program's own, so that the optimiser's inlining limits treat both versions alike.
namespace literal {

Matrix4 boneMatrices[BoneCount];
SkinVertex vertices[SkinVertexCount];

inline void Multiply(Matrix4 &out, const Matrix4 &a, const Matrix4 &b) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            out.m[4 * c + r] = a.m[r] * b.m[4 * c] + a.m[r + 4] * b.m[4 * c + 1] +
                               a.m[r + 8] * b.m[4 * c + 2] + a.m[r + 12] * b.m[4 * c + 3];
}

const Matrix4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

inline Matrix4 Rotation(char axis, double degrees) {
    double radians = degrees * DegreesToRadians;
    float s = (float)std::sin(radians), c = (float)std::cos(radians);
    Matrix4 r = identity;
    if (axis == 'x') {
        r.m[5] = c;
        r.m[6] = s;
        r.m[9] = -s;
        r.m[10] = c;
    } else if (axis == 'y') {
        r.m[0] = c;
        r.m[2] = -s;
        r.m[8] = s;
        r.m[10] = c;
    } else {
        r.m[0] = c;
        r.m[1] = s;
        r.m[4] = -s;
        r.m[5] = c;
    }
    return r;
}

inline void BuildBoneMatrix(Matrix4 &out, const Bone &bone) {
    Matrix4 toPivot = identity, fromPivot = identity;
    toPivot.m[12] = bone.pivot.x;
    toPivot.m[13] = bone.pivot.y;
    toPivot.m[14] = bone.pivot.z;
    fromPivot.m[12] = -bone.pivot.x;
    fromPivot.m[13] = -bone.pivot.y;
    fromPivot.m[14] = -bone.pivot.z;
    Matrix4 afterY, afterX, afterZ;
    Multiply(afterY, toPivot, Rotation('y', bone.rotY));
    Multiply(afterX, afterY, Rotation('x', bone.rotX));
    Multiply(afterZ, afterX, Rotation('z', bone.rotZ));
    Multiply(out, afterZ, fromPivot);
}

// out = m * (v, w), x, y and z only.
inline Vector3 Transform(const Matrix4 &m, const Vector3 &v, float w) {
    return Vector3{m.m[0] * v.x + m.m[4] * v.y + m.m[8] * v.z + m.m[12] * w,
                   m.m[1] * v.x + m.m[5] * v.y + m.m[9] * v.z + m.m[13] * w,
                   m.m[2] * v.x + m.m[6] * v.y + m.m[10] * v.z + m.m[14] * w};
}

inline Vector3 Blend(float weight, const Vector3 &a, const Vector3 &b) {
    return Vector3{weight * a.x + (1.0f - weight) * b.x, weight * a.y + (1.0f - weight) * b.y,
                   weight * a.z + (1.0f - weight) * b.z};
}

inline bool IsBone(int b) {
    return b >= 0 && b < BoneCount;
}

void Update() {
    for (int b = 0; b < BoneCount; ++b)
        BuildBoneMatrix(boneMatrices[b], bones[b]);

    Matrix4 chain;
    int chainFirst = -2, chainSecond = -2;
    for (int i = 0; i < SkinVertexCount; ++i) {
        SkinVertex &vertex = vertices[i];
        const Vector3 &p = restPositions[i];
        const Vector3 &n = restNormals[i];
        Vector3 firstP = p, firstN = n, chainP = p, chainN = n;
        int first = vertex.boneIndex[0], second = vertex.boneIndex[1];
        if (IsBone(first)) {
            firstP = Transform(boneMatrices[first], p, 1.0f);
            firstN = Transform(boneMatrices[first], n, 0.0f);
            if (IsBone(second)) {
                if (first != chainFirst || second != chainSecond) {
                    Multiply(chain, boneMatrices[first], boneMatrices[second]);
                    chainFirst = first;
                    chainSecond = second;
                }
                chainP = Transform(chain, p, 1.0f);
                chainN = Transform(chain, n, 0.0f);
            }
        }
        vertex.position = Blend(vertex.weight, firstP, chainP);
        vertex.normal = Blend(vertex.weight, firstN, chainN);
    }
}

bool SameBits(const void *a, const void *b, std::size_t size) {
    return std::memcmp(a, b, size) == 0;
}

// Runs the program's update and this one from the bones' current angles and compares every
// float of both bone matrices and of every deformed position and normal, bit for bit.
bool MatchesProgram() {
    UpdateSkeletonAndSkin();
    Update();
    for (int b = 0; b < BoneCount; ++b)
        if (!SameBits(&boneMatrices[b], &bones[b].matrix, sizeof(Matrix4)))
            return false;
    for (int i = 0; i < SkinVertexCount; ++i)
        if (!SameBits(&vertices[i].position, &skinVertices[i].position, sizeof(Vector3)) ||
            !SameBits(&vertices[i].normal, &skinVertices[i].normal, sizeof(Vector3)))
            return false;
    return true;
}

// A benchmark of a different computation would be worthless: refuse to run unless both agree
// on a handful of poses, including one the solver has been moving for a while.
void CheckAgainstProgram() {
    InitSkinAndBones();
    std::memcpy(vertices, skinVertices, sizeof(vertices));
    const double poses[][6] = {
        // bone 0 X, Y, Z, bone 1 X, Y, Z
        {0, 0, 0, 0, 0, 0},           {12, 0, 0, 40, 0, -7},           {90, 0, 0, -90, 0, 0},
        {-33.5, 17, 71, 122, -45, 5}, {359, 180, -180, 0.1, 90, -270},
    };
    demoState.ikMode = 0;
    int mismatches = 0;
    for (const double *pose : poses) {
        for (int b = 0; b < BoneCount; ++b) {
            bones[b].rotX = pose[3 * b];
            bones[b].rotY = pose[3 * b + 1];
            bones[b].rotZ = pose[3 * b + 2];
        }
        mismatches += !MatchesProgram();
    }
    InitSkinAndBones();
    demoState.ikMode = 1;
    demoState.target = Vector3{1.0f, 2.5f, 0.0f};
    for (int tick = 0; tick < 40; ++tick) {
        UpdateSkeletonAndSkin();
        if (tick % 8 == 7) {
            demoState.ikMode = 0;
            mismatches += !MatchesProgram();
            demoState.ikMode = 1;
        }
    }
    demoState.ikMode = 0;
    if (mismatches) {
        std::fprintf(stderr, "literal update differs from the program in %d poses\n", mismatches);
        std::abort();
    }
}

} // namespace literal

void BM_LiteralUpdate_IkOff(benchmark::State &state) {
    literal::CheckAgainstProgram();
    PoseChain();
    std::memcpy(literal::vertices, skinVertices, sizeof(literal::vertices));
    for (auto _ : state) {
        literal::Update();
        benchmark::DoNotOptimize(literal::vertices[0].position);
    }
}
BENCHMARK(BM_LiteralUpdate_IkOff);

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

// The skinning pass alone, by each method, on the posed chain whose bone matrices are built
// once: what choosing a method costs per frame. Quoted as ratios to the linear blend.
void BM_SkinMesh(benchmark::State &state, int method) {
    PoseChain();
    BuildBoneMatrices();
    for (auto _ : state) {
        SkinMeshWith(method);
        benchmark::DoNotOptimize(skinVertices[0].position);
    }
}
BENCHMARK_CAPTURE(BM_SkinMesh, linear, SkinningLinear);
BENCHMARK_CAPTURE(BM_SkinMesh, rigid, SkinningRigid);
BENCHMARK_CAPTURE(BM_SkinMesh, dual_quaternion, SkinningDualQuaternion);
BENCHMARK_CAPTURE(BM_SkinMesh, center_of_rotation, SkinningCentreOfRotation);

// What a frame that colours the skin by its determinants adds, for the linear blend.
void BM_UpdateSkinDeterminants(benchmark::State &state) {
    PoseChain();
    BuildBoneMatrices();
    ModelPose pose;
    PoseOfLimb(pose);
    SkinInput in = SkinInputOf(limbModel, pose);
    float determinants[SkinVertexCount];
    for (auto _ : state) {
        for (int i = 0; i < SkinVertexCount; ++i)
            determinants[i] = (float)DeterminantLinear(in, i);
        benchmark::DoNotOptimize(determinants[0]);
    }
}
BENCHMARK(BM_UpdateSkinDeterminants);

const char *const LinearPass = "BM_SkinMesh/linear";

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter(LinearPass, true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("CPU time, and ratio to the linear skinning pass:");
    benchmark::Shutdown();
    return 0;
}
