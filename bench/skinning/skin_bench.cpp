#include <benchmark/benchmark.h>

#include "skinning/skin_kernels.h"
#include "tools/tube_mesh.h"

#include <cmath>
#include <random>
#include <string>
#include <vector>

// The skinning kernels on a synthetic mesh of any size: SkinGeneral/METHOD/VERTICES/JOINTS/
// INFLUENCES skins VERTICES random positions and normals, each bound to INFLUENCES distinct
// random joints of JOINTS with random weights, under random rigid skin matrices. One vertex is
// one item, so items_per_second is vertices per second.

namespace {

struct Scene {
    std::vector<Matrix4> skins;
    std::vector<Vector3> positions, normals;
    std::vector<VertexInfluences> influences;
    RotationCentres centres;
    std::vector<Vector3> outPositions, outNormals;
};

Scene MakeScene(int vertices, int joints, int influences) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::normal_distribution<double> normal(0.0, 1.0);
    Scene scene;
    for (int j = 0; j < joints; ++j) {
        double w = normal(random), x = normal(random), y = normal(random), z = normal(random);
        double length = std::sqrt(w * w + x * x + y * y + z * z);
        w /= length, x /= length, y /= length, z /= length;
        Matrix4 m = IdentityMatrix();
        double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                          {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                          {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                m.m[4 * col + row] = (float)r[row][col];
        m.m[12] = 2.0f * uniform(random);
        m.m[13] = 2.0f * uniform(random);
        m.m[14] = 2.0f * uniform(random);
        scene.skins.push_back(m);
    }
    for (int i = 0; i < vertices; ++i) {
        scene.positions.push_back(Vector3{uniform(random), uniform(random), uniform(random)});
        Vector3 n = {uniform(random), uniform(random), uniform(random)};
        float length = (float)VectorLength(n);
        scene.normals.push_back(length > 0.0f ? Vector3{n.x / length, n.y / length, n.z / length}
                                              : Vector3{0.0f, 1.0f, 0.0f});
        VertexInfluences v = {influences, {}, {}};
        float sum = 0.0f;
        for (int k = 0; k < influences; ++k) {
            int joint;
            int repeated;
            do {
                joint = (int)(random() % (unsigned)joints);
                repeated = 0;
                for (int s = 0; s < k; ++s)
                    repeated |= v.joints[s] == joint;
            } while (repeated);
            v.joints[k] = joint;
            v.weights[k] = 0.05f + (uniform(random) + 1.0f);
            sum += v.weights[k];
        }
        for (int k = 0; k < influences; ++k)
            v.weights[k] /= sum;
        scene.influences.push_back(v);
        // Any point will do for the cost; a vertex of one joint has none, as in a real mesh.
        scene.centres.centreOf.push_back(influences > 1 ? i : -1);
        scene.centres.centres.push_back(Vector3{uniform(random), uniform(random), uniform(random)});
    }
    scene.outPositions.resize((size_t)vertices);
    scene.outNormals.resize((size_t)vertices);
    return scene;
}

void SkinGeneral(benchmark::State &state, SkinKernel kernel, int vertices, int joints,
                 int influences) {
    Scene scene = MakeScene(vertices, joints, influences);
    SkinInput in = {scene.skins.data(),     joints,
                    scene.positions.data(), scene.normals.data(),
                    scene.influences.data(), &scene.centres};
    for (auto _ : state) {
        kernel(in, 0, vertices, scene.outPositions.data(), scene.outNormals.data());
        benchmark::DoNotOptimize(scene.outPositions.data());
        benchmark::DoNotOptimize(scene.outNormals.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)vertices);
}

int RegisterAll() {
    struct Method {
        const char *name;
        SkinKernel kernel;
    };
    const Method methods[] = {{"linear", SkinLinear},
                              {"rigid", SkinRigid},
                              {"dual-quaternion", SkinDualQuaternion},
                              {"center-of-rotation", SkinCentreOfRotation}};
    const int sizes[][3] = {{50000, 20, 4}, {50000, 20, 1}, {50000, 20, 8}, {5000, 20, 4}};
    for (const auto &size : sizes)
        for (const Method &method : methods) {
            std::string name = std::string("SkinGeneral/") + method.name + "/" +
                               std::to_string(size[0]) + "/" + std::to_string(size[1]) + "/" +
                               std::to_string(size[2]);
            SkinKernel kernel = method.kernel;
            int v = size[0], j = size[1], k = size[2];
            benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &state) {
                SkinGeneral(state, kernel, v, j, k);
            });
        }
    return 0;
}

// The centres of rotation of a tube of 60,000 vertices (600 rings of 100) on 32 joints with 4
// influences each, the size a learner's character may have: worked out once per model and
// weights, so the figure is the wait before the method can show.
void RotationCentresOfTube(benchmark::State &state) {
    SkinnedMesh mesh = MakeTubeMesh(600, 100, 32, 4);
    RotationCentres centres;
    for (auto _ : state) {
        ComputeRotationCentres(mesh, centres);
        benchmark::DoNotOptimize(centres.centres.data());
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)VertexCount(mesh));
}
BENCHMARK(RotationCentresOfTube)->Name("RotationCentres/tube/60000/32/4")->Unit(benchmark::kMillisecond);

const int registered = RegisterAll();

} // namespace

BENCHMARK_MAIN();
