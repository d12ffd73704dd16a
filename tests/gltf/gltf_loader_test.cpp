#include "gltf/gltf_animation.h"
#include "gltf/gltf_model.h"
#include "skinning/skin_kernels.h"
#include "tests/gltf/tiny_gltf_writer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const double S = std::sqrt(0.5);

// The mesh posed at time under linear blending: sum of w_i x jointWorld_i x inverseBind_i x v,
// glTF's own definition of a skinned vertex.
std::vector<Vector3> Posed(const LoadedModel &loaded, double time, int clip = GltfAllClips) {
    ModelPose pose;
    PoseAtTime(loaded, clip, time, pose.locals);
    PoseModel(loaded.model, pose);
    int n = VertexCount(loaded.model.mesh);
    std::vector<Vector3> positions(n), normals(n);
    SkinLinear(SkinInputOf(loaded.model, pose), 0, n, positions.data(), normals.data());
    return positions;
}

LoadedModel Load(const std::string &json) {
    LoadedModel loaded;
    std::string error;
    EXPECT_TRUE(LoadGltfBytes((const unsigned char *)json.data(), json.size(), ".", "test.gltf",
                              loaded, error))
        << error;
    return loaded;
}

// ---------------------------------------------------------------------------------------------
// Generated files, each against positions worked out by hand.

const std::vector<float> Triangle3 = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// A file with one triangle skinned to the joints named by jointsJson, each vertex with the
// joints and weights given; nodesJson lists the nodes after node 0 (the mesh node).
struct SkinnedTriangle {
    TinyGltfWriter file;
    int position, joints, weights;
    std::string extraAttributes;
    SkinnedTriangle(const std::vector<uint8_t> &jointIndices, const std::vector<float> &w,
                    const std::vector<float> &positions = Triangle3) {
        position = file.FloatsWithBounds(positions, "VEC3", 3);
        joints = file.Data(jointIndices, 5121, "VEC4", 4);
        weights = file.Floats(w, "VEC4", 4);
    }
    std::string Json(const std::string &meshNode, const std::string &otherNodes,
                     const std::string &skin, const std::string &more = "",
                     const std::string &sceneNodes = "0", const std::string &otherMeshes = "") {
        return file.Json("\"scene\":0,\"scenes\":[{\"nodes\":[" + sceneNodes + "]}],\"nodes\":[" +
                         meshNode + (otherNodes.empty() ? "" : "," + otherNodes) +
                         "],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" +
                         std::to_string(position) + ",\"JOINTS_0\":" + std::to_string(joints) +
                         ",\"WEIGHTS_0\":" + std::to_string(weights) + extraAttributes + "}}]}" +
                         otherMeshes + "],\"skins\":[" + skin + "]" + more);
    }
};

// One joint (node 1, a child of the mesh node) carrying every vertex, animated on path by one
// channel with the given interpolation, key times and values.
std::string OneJointAnimated(const char *path, const char *interpolation,
                             const std::vector<float> &times, const std::vector<float> &values) {
    SkinnedTriangle t({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    int input = t.file.FloatsWithBounds(times, "SCALAR", 1);
    int width = std::strcmp(path, "rotation") == 0 ? 4 : 3;
    int output = t.file.Floats(values, width == 4 ? "VEC4" : "VEC3", width);
    return t.Json("{\"mesh\":0,\"skin\":0,\"children\":[1]}", "{}", "{\"joints\":[1]}",
                  ",\"animations\":[{\"samplers\":[{\"input\":" + std::to_string(input) +
                      ",\"output\":" + std::to_string(output) + ",\"interpolation\":\"" +
                      interpolation +
                      "\"}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":1,"
                      "\"path\":\"" +
                      path + "\"}}]}]");
}

std::string StepFile() {
    return OneJointAnimated("translation", "STEP", {0, 1}, {0, 0, 0, 2, 0, 0});
}

// Keys at 0 and 2, both at the origin: only the tangents move it. At t = 1 (u = 1/2) the
// Hermite weights of the tangents are 1/8 and -1/8, times the interval 2: x = 1/4, z = -3/4.
std::string CubicFile() {
    return OneJointAnimated("translation", "CUBICSPLINE", {0, 2},
                            {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0});
}

// From no turn to a quarter turn about z written with the opposite sign: halfway is an eighth
// of a turn the short way, not three eighths the long way.
std::string SlerpFile() {
    return OneJointAnimated("rotation", "LINEAR", {0, 1}, {0, 0, 0, 1, 0, 0, -(float)S, -(float)S});
}

// POSITION's second vertex replaced through a sparse part.
std::string SparseFile() {
    SkinnedTriangle t({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    std::vector<uint16_t> index = {1, 0};
    std::vector<float> value = {5, 5, 5};
    int indexView = t.file.View(index.data(), 2);
    int valueView = t.file.View(value.data(), 12);
    int view = t.file.View(Triangle3.data(), 36);
    t.position = t.file.Accessor(
        view, 5126, 3, "VEC3", 0,
        ",\"min\":[0,0,0],\"max\":[5,5,5],\"sparse\":{\"count\":1,\"indices\":{\"bufferView\":" + std::to_string(indexView) +
            ",\"componentType\":5123},\"values\":{\"bufferView\":" + std::to_string(valueView) +
            "}}");
    return t.Json("{\"mesh\":0,\"skin\":0}", "{}", "{\"joints\":[1]}", "", "0,1");
}

// Eight joints, joint k moved (k + 1, 0, 0); every vertex has all eight, the last four in
// JOINTS_1 (unsigned shorts) and WEIGHTS_1: it moves sum w_k (k + 1) = 4.9 along x. The first
// four alone (renormalised) would give 3.
std::string EightInfluencesFile() {
    std::vector<uint8_t> j0;
    std::vector<uint16_t> j1;
    std::vector<float> w0, w1;
    const float w[8] = {0.05f, 0.1f, 0.15f, 0.2f, 0.1f, 0.1f, 0.1f, 0.2f};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 4; ++k) {
            j0.push_back((uint8_t)k);
            j1.push_back((uint16_t)(k + 4));
            w0.push_back(w[k]);
            w1.push_back(w[k + 4]);
        }
    SkinnedTriangle t(j0, w0);
    int joints1 = t.file.Data(j1, 5123, "VEC4", 4);
    int weights1 = t.file.Floats(w1, "VEC4", 4);
    t.extraAttributes =
        ",\"JOINTS_1\":" + std::to_string(joints1) + ",\"WEIGHTS_1\":" + std::to_string(weights1);
    std::string nodes, joints;
    for (int k = 0; k < 8; ++k) {
        nodes +=
            std::string(k ? "," : "") + "{\"translation\":[" + std::to_string(k + 1) + ",0,0]}";
        joints += std::string(k ? "," : "") + std::to_string(k + 1);
    }
    // Under one root, as glTF asks of a skin's joints.
    nodes += ",{\"children\":[" + joints + "]}";
    return t.Json("{\"mesh\":0,\"skin\":0}", nodes, "{\"joints\":[" + joints + "]}", "", "0,9");
}

// Two joints moved (1, 0, 0) and (0, 1, 0); weights 0.2 and 0.8 as normalised integers of
// componentType (51 and 204 of 255, or 13107 and 52428 of 65535), joints as unsigned shorts.
template <typename W> std::string IntegerWeightsFile(int componentType, W low, W high) {
    TinyGltfWriter file;
    int position = file.FloatsWithBounds(Triangle3, "VEC3", 3);
    std::vector<uint16_t> j = {0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0};
    std::vector<W> w = {low, high, 0, 0, low, high, 0, 0, low, high, 0, 0};
    int joints = file.Data(j, 5123, "VEC4", 4);
    int weights = file.Data(w, componentType, "VEC4", 4, 1);
    return file.Json("\"nodes\":[{\"mesh\":0,\"skin\":0},{\"translation\":[1,0,0]},"
                     "{\"translation\":[0,1,0]},{\"children\":[1,2]}],\"meshes\":[{\"primitives\":[{\"attributes\":{"
                     "\"POSITION\":" +
                     std::to_string(position) + ",\"JOINTS_0\":" + std::to_string(joints) +
                     ",\"WEIGHTS_0\":" + std::to_string(weights) +
                     "}}]}],\"skins\":[{\"joints\":[1,2]}]");
}

// Weights 1 and 1 on the same two joints: renormalised to a half each.
std::string UnnormalisedFile() {
    SkinnedTriangle t({0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0}, {1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0});
    return t.Json("{\"mesh\":0,\"skin\":0}", "{\"translation\":[1,0,0]},{\"translation\":[0,1,0]}",
                  "{\"joints\":[1,2]}");
}

// A joint translated (0, 1, 0), turned a quarter about z and scaled (2, 1, 1), in glTF's order
// T R S: (1, 0, 0) -> (0, 3, 0), (0, 1, 0) -> (-1, 1, 0), (0, 0, 1) -> (0, 1, 1).
std::string ScaledJointFile() {
    SkinnedTriangle t({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    return t.Json("{\"mesh\":0,\"skin\":0}",
                  "{\"translation\":[0,1,0],\"rotation\":[0,0,0.70710678,0.70710678],"
                  "\"scale\":[2,1,1]}",
                  "{\"joints\":[1]}", "", "0,1");
}

// The skinned mesh's node is moved (100, 0, 0), which glTF says to ignore; a second node draws
// the same triangle without a skin, moved (5, 0, 0), which counts.
std::string MeshNodeTransformFile() {
    SkinnedTriangle t({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    return t.Json("{\"mesh\":0,\"skin\":0,\"translation\":[100,0,0]}",
                  "{},{\"mesh\":1,\"translation\":[5,0,0]}", "{\"joints\":[1]}", "", "0,1,2",
                  ",{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(t.position) +
                      "}}]}");
}

// Two branching joints under a node that is no joint, moved (0, 10, 0): joint 1 at (1, 0, 0)
// from it, bound one lower, so it skins with a move of (0, 1, 0); joint 2 at (-1, 0, 0), bound
// where it stands. Vertex 0 follows joint 1, vertex 1 joint 2, vertex 2 has no weight and
// follows the skin's root, joint 1 (the first of the two topmost).
std::string CommonRootFile() {
    SkinnedTriangle t({0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    std::vector<float> ibm = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -9,  0, 1,
                              1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1,  -10, 0, 1};
    int ibms = t.file.Floats(ibm, "MAT4", 16);
    return t.Json("{\"mesh\":0,\"skin\":0}",
                  "{\"translation\":[1,0,0]},{\"translation\":[-1,0,0]},"
                  "{\"translation\":[0,10,0],\"children\":[1,2]}",
                  "{\"joints\":[1,2],\"inverseBindMatrices\":" + std::to_string(ibms) + "}", "",
                  "0,3");
}

struct GeneratedCase {
    const char *name;
    std::string (*file)();
    double time;
    std::vector<Vector3> expected;
    int renormalised;
    // What the format's validator may find, the fault the case is there for: weights that do
    // not sum to 1, joints under separate roots.
    const char *allowedErrors = "";
};

std::string UByteWeights() {
    return IntegerWeightsFile<uint8_t>(5121, 51, 204);
}
std::string UShortWeights() {
    return IntegerWeightsFile<uint16_t>(5123, 13107, 52428);
}

TEST(GltfGenerated, PosedVerticesMatchTheirClosedForms) {
    const float c = (float)S;
    const GeneratedCase cases[] = {
        {"step holds the earlier key", StepFile, 0.5, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0},
        {"step reaches the last key", StepFile, 1.0, {{3, 0, 0}, {2, 1, 0}, {2, 0, 1}}, 0},
        {"times past the end are clamped", StepFile, 7.0, {{3, 0, 0}, {2, 1, 0}, {2, 0, 1}}, 0},
        {"cubic spline tangents scale by the interval",
         CubicFile,
         1.0,
         {{1.25f, 0, -0.75f}, {0.25f, 1, -0.75f}, {0.25f, 0, 0.25f}},
         0},
        {"slerp takes the short way", SlerpFile, 0.5, {{c, c, 0}, {-c, c, 0}, {0, 0, 1}}, 0},
        {"sparse replaces an element", SparseFile, 0.0, {{1, 0, 0}, {5, 5, 5}, {0, 0, 1}}, 0},
        {"eight influences all count",
         EightInfluencesFile,
         0.0,
         {{5.9f, 0, 0}, {4.9f, 1, 0}, {4.9f, 0, 1}},
         0},
        {"normalised unsigned byte weights",
         UByteWeights,
         0.0,
         {{1.2f, 0.8f, 0}, {0.2f, 1.8f, 0}, {0.2f, 0.8f, 1}},
         0},
        {"normalised unsigned short weights",
         UShortWeights,
         0.0,
         {{1.2f, 0.8f, 0}, {0.2f, 1.8f, 0}, {0.2f, 0.8f, 1}},
         0},
        {"weights summing to 2 are halved",
         UnnormalisedFile,
         0.0,
         {{1.5f, 0.5f, 0}, {0.5f, 1.5f, 0}, {0.5f, 0.5f, 1}},
         3,
         "ACCESSOR_WEIGHTS_NON_NORMALIZED SKIN_NO_COMMON_ROOT"},
        {"a joint's scale, turn and move compose as T R S",
         ScaledJointFile,
         0.0,
         {{0, 3, 0}, {-1, 1, 0}, {0, 1, 1}},
         0},
        {"the skinned mesh node's transform is ignored, a plain one's is not",
         MeshNodeTransformFile,
         0.0,
         {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {6, 0, 0}, {5, 1, 0}, {5, 0, 1}},
         0},
        {"joints under a common root that is no joint, unweighted vertex follows the root",
         CommonRootFile,
         0.0,
         {{1, 1, 0}, {0, 1, 0}, {0, 1, 1}},
         0,
         "ACCESSOR_WEIGHTS_NON_NORMALIZED"},
    };
    // The validation test has every case written out, to check them with the format's own
    // validator: what these tests load must be files a learner's tools would accept.
    const char *writeTo = std::getenv("SKIN_GLTF_WRITE_DIR");
    int written = 0;
    for (const GeneratedCase &c : cases) {
        SCOPED_TRACE(c.name);
        if (writeTo) {
            std::string path = std::string(writeTo) + "/case" + std::to_string(written++);
            std::ofstream out(path + ".gltf"), allowed(path + ".gltf.allowed");
            out << c.file();
            allowed << c.allowedErrors;
            ASSERT_TRUE(out.good() && allowed.good()) << writeTo;
        }
        LoadedModel loaded = Load(c.file());
        std::vector<Vector3> posed = Posed(loaded, c.time);
        ASSERT_EQ(posed.size(), c.expected.size());
        for (size_t v = 0; v < posed.size(); ++v) {
            SCOPED_TRACE(v);
            EXPECT_NEAR(posed[v].x, c.expected[v].x, 1e-5);
            EXPECT_NEAR(posed[v].y, c.expected[v].y, 1e-5);
            EXPECT_NEAR(posed[v].z, c.expected[v].z, 1e-5);
        }
        EXPECT_EQ(loaded.renormalisedVertices, c.renormalised);
    }
}

// ---------------------------------------------------------------------------------------------
// The shipped models.

std::string ModelPath(const char *name) {
    return std::string(SKIN_SOURCE_DIR) + "/tests/gltf/models/" + name;
}

// The file's own POSITION numbers of its first primitive, read with a JSON parser of the test's
// own and the file's byte offsets, not through the loader.
std::vector<Vector3> FilePositions(const std::string &path, nlohmann::json &doc) {
    std::ifstream in(path);
    doc = nlohmann::json::parse(in);
    int accessor = doc["meshes"][0]["primitives"][0]["attributes"]["POSITION"];
    const nlohmann::json &a = doc["accessors"][accessor];
    const nlohmann::json &view = doc["bufferViews"][(int)a["bufferView"]];
    std::string bin = path.substr(0, path.find_last_of('/') + 1) +
                      doc["buffers"][(int)view["buffer"]]["uri"].get<std::string>();
    std::ifstream binary(bin, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(binary)),
                            std::istreambuf_iterator<char>());
    size_t start = view.value("byteOffset", 0) + a.value("byteOffset", 0);
    size_t stride = view.value("byteStride", 12);
    std::vector<Vector3> out((size_t)a["count"]);
    for (size_t v = 0; v < out.size(); ++v)
        std::memcpy(&out[v], bytes.data() + start + v * stride, 12);
    return out;
}

// At rest each joint stands where it was bound, so jointWorld x inverseBind is the matrix of
// the nodes above the skeleton, the scene's root: the posed mesh is that matrix times POSITION.
TEST(GltfShippedModels, AtRestTheMeshIsTheRootMatrixTimesItsPositions) {
    struct Row {
        const char *file;
        int clips;
        int renormalised;
    } rows[] = {{"RiggedSimple/RiggedSimple.gltf", 2, 0},
                {"RiggedFigure/RiggedFigure.gltf", 19, 31}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        LoadedModel loaded;
        std::string error;
        ASSERT_TRUE(LoadGltfFile(ModelPath(row.file), loaded, error)) << error;
        nlohmann::json doc;
        std::vector<Vector3> file = FilePositions(ModelPath(row.file), doc);
        std::vector<double> m = doc["nodes"][0]["matrix"].get<std::vector<double>>();
        ModelPose pose;
        RestLocals(loaded, pose.locals);
        PoseModel(loaded.model, pose);
        int n = VertexCount(loaded.model.mesh);
        ASSERT_EQ((size_t)n, file.size());
        std::vector<Vector3> positions(n), normals(n);
        SkinLinear(SkinInputOf(loaded.model, pose), 0, n, positions.data(), normals.data());
        for (int v = 0; v < n; ++v) {
            const Vector3 &p = file[v];
            double expected[3];
            for (int r = 0; r < 3; ++r)
                expected[r] = m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
            ASSERT_NEAR(positions[v].x, expected[0], 2e-4) << v;
            ASSERT_NEAR(positions[v].y, expected[1], 2e-4) << v;
            ASSERT_NEAR(positions[v].z, expected[2], 2e-4) << v;
        }
        EXPECT_EQ((int)loaded.clips.size(), row.clips);
        EXPECT_EQ(loaded.renormalisedVertices, row.renormalised);
    }
}

// simple_skin has no normals: they are computed, one unit vector per vertex. Both its joints
// stand at (0, 1, 0) and both inverse binds move by (-0.5, -1, 0): its rest pose is not its bind
// pose. At t = 1 its clip has turned the upper joint a quarter turn about z, so the top corner
// (1, 2, 0), which only that joint carries, goes to T(0, 1, 0) Rz(90) (0.5, 1, 0) = (-1, 1.5, 0);
// the bottom corner (0, 0, 0), on the lower joint alone, to (-0.5, 0, 0).
TEST(GltfShippedModels, SimpleSkinGetsNormalsAndBends) {
    LoadedModel loaded;
    std::string error;
    ASSERT_TRUE(LoadGltfFile(ModelPath("simple_skin/simple_skin.gltf"), loaded, error)) << error;
    for (const Vector3 &n : loaded.model.mesh.restNormals)
        ASSERT_NEAR(VectorLength(n), 1.0, 1e-5);
    ASSERT_EQ(loaded.clips.size(), 1u);
    std::vector<Vector3> bent = Posed(loaded, 1.0);
    ASSERT_EQ(bent.size(), 10u);
    EXPECT_NEAR(bent[9].x, -1.0, 1e-5);
    EXPECT_NEAR(bent[9].y, 1.5, 1e-5);
    EXPECT_NEAR(bent[0].x, -0.5, 1e-6);
    EXPECT_NEAR(bent[0].y, 0.0, 1e-6);
}

// ---------------------------------------------------------------------------------------------
// Hostile files: each refused with one line that names the file and its fault.

std::string Replace(std::string text, const std::string &from, const std::string &to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

struct HostileCase {
    const char *name;
    std::string bytes;
    const char *fault; // a piece of the message
};

std::vector<HostileCase> HostileCases() {
    std::string good = ScaledJointFile();
    std::string animated = StepFile();
    return {
        {"truncated", good.substr(0, good.size() / 2), "parse"},
        {"empty", "", "empty"},
        {"not JSON", "this is not a glTF file", "parse"},
        {"an array at the root", "[1, 2, 3, 4]", "parse"},
        {"a joint index out of range",
         SkinnedTriangle({0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0})
             .Json("{\"mesh\":0,\"skin\":0}", "{}", "{\"joints\":[1]}"),
         "names joint 3, past its skin's 1 joints"},
        {"a node cycle",
         Replace(good, "\"scale\":[2,1,1]}",
                 "\"scale\":[2,1,1],\"children\":[2]},{\"children\":[1]}"),
         "cycle"},
        {"an accessor past its buffer",
         Replace(good, "\"count\":3,\"type\":\"VEC3\"", "\"count\":300,\"type\":\"VEC3\""),
         "runs past its buffer view"},
        {"a huge count",
         Replace(good, "\"count\":3,\"type\":\"VEC3\"", "\"count\":4000000000,\"type\":\"VEC3\""),
         "more than 1,000,000 vertices"},
        {"a negative offset",
         Replace(good, "\"componentType\":5126,\"count\":3,\"type\":\"VEC3\"",
                 "\"byteOffset\":-8,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\""),
         "accessor 0's byteOffset is -8"},
        {"a negative sparse offset",
         Replace(SparseFile(), "\"componentType\":5123}",
                 "\"componentType\":5123,\"byteOffset\":-4}"),
         "negative byte offset"},
        {"a channel without a node", Replace(animated, "\"node\":1,", ""), "node"},
        {"a channel with a node past the list", Replace(animated, "\"node\":1,", "\"node\":9,"),
         "targets node 9"},
        {"an empty joint list", Replace(good, "\"joints\":[1]", "\"joints\":[]"), "no joints"},
        {"Draco",
         Replace(good, "\"asset\":{",
                 "\"extensionsRequired\":[\"KHR_draco_mesh_compression\"],\"extensionsUsed\":["
                 "\"KHR_draco_mesh_compression\"],\"asset\":{"),
         "KHR_draco_mesh_compression"},
    };
}

TEST(GltfHostile, EachIsRefusedWithOneLineNamingTheFileAndTheFault) {
    for (const HostileCase &c : HostileCases()) {
        SCOPED_TRACE(c.name);
        LoadedModel loaded;
        loaded.fileName = "kept";
        std::string error;
        EXPECT_FALSE(LoadGltfBytes((const unsigned char *)c.bytes.data(), c.bytes.size(), ".",
                                   "bad.gltf", loaded, error));
        EXPECT_EQ(error.rfind("bad.gltf: ", 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_NE(error.find(c.fault), std::string::npos) << error;
        EXPECT_EQ(loaded.fileName, "kept"); // a refused file leaves what was there
    }
}

// ---------------------------------------------------------------------------------------------
// The program: a bad file is one line and exit code 2; a good one is posed and written out as
// the loader poses it.

struct ProgramRun {
    int exitCode;
    std::string errors;
};

ProgramRun RunProgram(const std::string &arguments, const std::string &folder) {
    std::string errors = folder + "/stderr.txt";
    std::string command = std::string(DEMO_BINARY) + " --headless --frames 1 --no-ui " + arguments +
                          " >/dev/null 2>'" + errors + "'";
    int status = std::system(command.c_str());
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    return ProgramRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

std::string TemporaryFolder() {
    char pattern[] = "/tmp/gltf_tests_XXXXXX";
    const char *made = mkdtemp(pattern);
    return made ? made : "/tmp";
}

TEST(GltfProgram, EachHostileFileIsOneLineAndExitCode2) {
    std::string folder = TemporaryFolder();
    for (const HostileCase &c : HostileCases()) {
        SCOPED_TRACE(c.name);
        std::string path = folder + "/bad.gltf";
        std::ofstream(path, std::ios::binary) << c.bytes;
        ProgramRun run = RunProgram("--model '" + path + "'", folder);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.errors.rfind("skinning_demo: " + path + ": ", 0), 0u) << run.errors;
        EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
        EXPECT_NE(run.errors.find(c.fault), std::string::npos) << run.errors;
    }
    std::system(("rm -rf '" + folder + "'").c_str());
}

// The OBJ after the first frame: the loader's pose of clip 0 at the time held, vertex for
// vertex, and the file's own triangles with their corners in the file's order.
TEST(GltfProgram, ExportedMeshIsTheClipPosedAtTheTimeHeld) {
    std::string folder = TemporaryFolder(), obj = folder + "/out.obj";
    std::string model = ModelPath("RiggedSimple/RiggedSimple.gltf");
    ProgramRun run = RunProgram(
        "--model '" + model + "' --clip 0 --time 0.5 --export-obj '" + obj + "'", folder);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    LoadedModel loaded;
    std::string error;
    ASSERT_TRUE(LoadGltfFile(model, loaded, error)) << error;
    std::vector<Vector3> expected = Posed(loaded, 0.5, 0);
    std::ifstream in(obj);
    std::string line;
    std::vector<Vector3> written;
    std::vector<std::vector<int>> faces;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "v") {
            Vector3 v;
            words >> v.x >> v.y >> v.z;
            written.push_back(v);
        } else if (kind == "f") {
            std::vector<int> corners;
            std::string corner;
            while (words >> corner)
                corners.push_back(std::atoi(corner.c_str()));
            faces.push_back(corners);
        }
    }
    ASSERT_EQ(written.size(), expected.size());
    for (size_t v = 0; v < written.size(); ++v) {
        ASSERT_NEAR(written[v].x, expected[v].x, 1e-5) << v;
        ASSERT_NEAR(written[v].y, expected[v].y, 1e-5) << v;
        ASSERT_NEAR(written[v].z, expected[v].z, 1e-5) << v;
    }
    // The file's first triangle, read straight from its index accessor.
    nlohmann::json doc;
    FilePositions(model, doc);
    int accessor = doc["meshes"][0]["primitives"][0]["indices"];
    const nlohmann::json &view = doc["bufferViews"][(int)doc["accessors"][accessor]["bufferView"]];
    std::ifstream bin(model.substr(0, model.find_last_of('/') + 1) +
                          doc["buffers"][0]["uri"].get<std::string>(),
                      std::ios::binary);
    bin.seekg((int)view.value("byteOffset", 0) +
              (int)doc["accessors"][accessor].value("byteOffset", 0));
    uint16_t first[3];
    bin.read((char *)first, sizeof first);
    ASSERT_EQ(faces.size(), loaded.model.mesh.triangles.size());
    EXPECT_EQ(faces[0], (std::vector<int>{first[0] + 1, first[1] + 1, first[2] + 1}));
    std::system(("rm -rf '" + folder + "'").c_str());
}

} // namespace
