#include "mesh/skin_mesh.h"
#include "mesh/skinned_mesh.h"
#include "model/limb_model.h"
#include "tests/support/limb_fixture.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>
#include <cstdlib>
#include <sys/resource.h>

namespace {

using SkinMeshSetUp = SceneTest;

Vector3 Radial(const Vector3 &p) {
    return Vector3{p.x, 0.0f, p.z};
}

float Dot(const Vector3 &a, const Vector3 &b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

TEST_F(SkinMeshSetUp, RingsAreLaidOutAsTabled) {
    EXPECT_VEC_NEAR(restPositions[0], 0, 3.0, 0, 0);
    EXPECT_VEC_NEAR(restPositions[1], 0.1, 2.9, 0, 1e-7);       // ring 1 starts on +x
    EXPECT_VEC_NEAR(restPositions[10], 0.18, 2.0, 0.18, 1e-7);  // ring 2's diagonal
    EXPECT_VEC_NEAR(restPositions[23], 0, 1.5, -0.33, 1e-7);    // ring 3's -z vertex
    EXPECT_VEC_NEAR(restPositions[48], 0.53, 0.0, -0.53, 1e-7); // last vertex
}

TEST_F(SkinMeshSetUp, TrianglesFollowTheFanAndBandOrder) {
    const int expected[][4] = {
        {0, 0, 1, 2},   {7, 0, 8, 1},  {8, 1, 9, 10},    {9, 1, 10, 2},
        {22, 8, 16, 9}, {23, 8, 9, 1}, {86, 40, 48, 41}, {87, 40, 41, 33},
    };
    for (const auto &row : expected) {
        const Triangle &t = skinTriangles[row[0]];
        EXPECT_EQ(t.index[0], row[1]) << "triangle " << row[0];
        EXPECT_EQ(t.index[1], row[2]) << "triangle " << row[0];
        EXPECT_EQ(t.index[2], row[3]) << "triangle " << row[0];
    }
    for (int t = 0; t < SkinTriangleCount; ++t)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(skinTriangles[t].index[k], modelTriangles[t].index[k]);
}

TEST_F(SkinMeshSetUp, StoredWindingIsClockwiseFromOutside) {
    // Counter-clockwise from outside would give an outward cross product.
    for (int t = 8; t < SkinTriangleCount; ++t) {
        const Triangle &tri = modelTriangles[t];
        const Vector3 &p0 = restPositions[tri.index[0]];
        const Vector3 &p1 = restPositions[tri.index[1]];
        const Vector3 &p2 = restPositions[tri.index[2]];
        Vector3 ccwNormal = CrossProduct(Subtract(p1, p0), Subtract(p2, p0));
        EXPECT_LT(Dot(ccwNormal, Radial(p0)), 0.0f) << "triangle " << t;
    }
}

TEST_F(SkinMeshSetUp, RestNormalsAreUnitAndPointOutOfTheTube) {
    EXPECT_VEC_NEAR(restNormals[0], 0, 1, 0, 1e-6);
    for (int i = 1; i < SkinVertexCount; ++i) {
        EXPECT_NEAR(VectorLength(restNormals[i]), 1.0, 1e-5) << i;
        EXPECT_GT(Dot(restNormals[i], Radial(restPositions[i])), 0.0f) << i;
        EXPECT_VEC_NEAR(skinVertices[i].normal, restNormals[i].x, restNormals[i].y,
                        restNormals[i].z, 0);
    }
}

TEST_F(SkinMeshSetUp, TextureIsProjectedStraightDown) {
    EXPECT_FLOAT_EQ(skinVertices[41].u, 0.875f);
    EXPECT_FLOAT_EQ(skinVertices[41].v, 0.5f);
    EXPECT_FLOAT_EQ(skinVertices[0].u, 0.5f);
    EXPECT_FLOAT_EQ(skinVertices[0].v, 0.5f);
    EXPECT_FLOAT_EQ(skinVertices[3].u, 0.5f); // (0, 2.9, 0.1)
    EXPECT_FLOAT_EQ(skinVertices[3].v, 0.55f);
}

TEST_F(SkinMeshSetUp, WeightsAndBonesPerRing) {
    const float ringWeights[] = {0.0f, 0.0f, 0.3f, 0.5f, 0.6f, 1.0f, 1.0f};
    for (int i = 0; i < SkinVertexCount; ++i) {
        int ring = i == 0 ? 0 : 1 + (i - 1) / 8;
        EXPECT_FLOAT_EQ(skinVertices[i].weight, ringWeights[ring]) << i;
        int expectedFirst = ring == 6 ? -1 : 0;
        int expectedSecond = ring == 6 ? -1 : 1;
        EXPECT_EQ(skinVertices[i].boneIndex[0], expectedFirst) << i;
        EXPECT_EQ(skinVertices[i].boneIndex[1], expectedSecond) << i;
    }
}

TEST_F(SkinMeshSetUp, BonesFormAChainToTheRoot) {
    EXPECT_EQ(bones[0].parent, -1);
    EXPECT_EQ(bones[1].parent, 0);
    EXPECT_EQ(bones[0].material, 1);
    EXPECT_EQ(bones[1].material, 2);
    EXPECT_VEC_NEAR(bones[1].pivot, 0, 1.5, 0, 0);
    EXPECT_VEC_NEAR(bones[1].tip, 0, 1.5, 0, 0);
    EXPECT_VEC_NEAR(bones[0].zAxis, 0, 0, 1, 0);
}

// A volume figure is given only for a surface that closes: a tetrahedron does, with a vertex
// split at a seam (a copy a speck away, as a ring's two ends worked out by sines are) too; with
// a face gone it does not. The limb closes with its open bottom ring's fan, and not without.
TEST(ClosedSurface, EveryEdgeBetweenTwoFacesOrOnTheFannedRing) {
    SkinnedMesh tetra;
    tetra.restPositions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1e-9f, 0, 0}};
    tetra.triangles = {{{0, 2, 1}}, {{0, 1, 3}}, {{0, 3, 2}}, {{1, 2, 3}}};
    EXPECT_TRUE(IsClosedSurface(tetra, 0, 0));
    tetra.triangles[2] = Triangle{{4, 3, 2}}; // the seam's copy of vertex 0
    EXPECT_TRUE(IsClosedSurface(tetra, 0, 0));
    tetra.triangles.push_back(tetra.triangles[0]); // three faces on each of its sides
    EXPECT_FALSE(IsClosedSurface(tetra, 0, 0));
    tetra.triangles.pop_back();
    tetra.triangles.pop_back();
    EXPECT_FALSE(IsClosedSurface(tetra, 0, 0));

    InitSkinAndBones();
    const Model &limb = limbModel;
    EXPECT_TRUE(IsClosedSurface(limb.mesh, limb.openRingStart, limb.openRingSize));
    EXPECT_TRUE(limb.closedSurface);
    EXPECT_FALSE(IsClosedSurface(limb.mesh, 0, 0));

    // The outline's sides are the triangles' sides, each once, whichever way round it was met.
    std::set<std::pair<int, int>> sides, drawn;
    for (const Triangle &t : limb.mesh.triangles)
        for (int k = 0; k < 3; ++k)
            sides.insert(std::minmax(t.index[k], t.index[(k + 1) % 3]));
    std::vector<int> pairs;
    MeshEdges(limb.mesh, pairs);
    ASSERT_EQ(pairs.size() % 2, 0u);
    for (size_t k = 0; k < pairs.size(); k += 2)
        EXPECT_TRUE(drawn.insert(std::minmax(pairs[k], pairs[k + 1])).second) << k;
    EXPECT_EQ(drawn, sides);
}

TEST(VertexNormals, LooseVertexGetsZeroNormal) {
    const Vector3 positions[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}};
    const Triangle triangles[1] = {{{0, 1, 2}}};
    Vector3 normals[4];
    ASSERT_EQ(ComputeVertexNormals(positions, 4, triangles, 1, normals), 1);
    // The corners run clockwise seen from -z, the side the normal takes.
    EXPECT_VEC_NEAR(normals[0], 0, 0, -1, 1e-6);
    EXPECT_VEC_NEAR(normals[3], 0, 0, 0, 0);
}

#if !defined(__SANITIZE_ADDRESS__)
// The sanitizer's shadow memory cannot live under an address-space limit, so this runs only in
// plain builds.
int NormalsUnderAddressSpaceLimit() {
    rlimit limit = {64u << 20, 64u << 20};
    setrlimit(RLIMIT_AS, &limit);
    const int hugeCount = 0x7fffffff; // 24 GiB of face normals
    return ComputeVertexNormals(restPositions, 1, modelTriangles, hugeCount, restNormals);
}

TEST(VertexNormalsDeathTest, ReportsFailedScratchAllocation) {
    EXPECT_EXIT(std::exit(NormalsUnderAddressSpaceLimit() == 0 ? 3 : 4),
                ::testing::ExitedWithCode(3), "");
}
#endif

} // namespace
