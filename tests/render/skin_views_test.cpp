// The skinning lab's views on real frames: each paints what its scale says where the camera's
// numbers put the skin, and leaves every GL state as it found it.
#include <gtest/gtest.h>

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "demo/shown_model.h"
#include "gltf/gltf_animation.h"
#include "gltf/gltf_model.h"
#include "lab/skin_colours.h"
#include "mesh/skin_mesh.h"
#include "model/model.h"
#include "render/skin_views.h"
#include "rig/bones.h"
#include "skinning/skinning.h"
#include "tests/render/scene_test.h"
#include "tests/support/gl_state_probe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Seen from the side (yaw 90), the faces of the limb's -x side face the camera.
const double SideView = 90.0;

bool Blue(Colour c) { // the weight scale at 0: bone 0 alone
    return c.b > 120 && c.b > c.r + 60 && c.b > c.g + 40;
}
bool Red(Colour c) { // the volume scale at a half
    return c.r > 120 && c.r > c.g + 60 && c.r > c.b + 60;
}
bool DarkRed(Colour c) { // the radius scale at 0.5 and below, lit or not
    return c.r > 60 && c.r > 3 * c.g && c.r > 3 * c.b;
}
bool White(Colour c) { // the volume scale at 1
    return c.r > 150 && c.g > 150 && c.b > 150;
}
bool Pale(Colour c) { // the rest pose's lines: a grey leaning to blue, over black
    return c.r > 30 && c.b >= c.r && c.b - c.r < 45;
}
bool MarkRed(Colour c) {
    return c.r > 240 && c.g < 80 && c.b < 80;
}

Vector3 Centroid(int a, int b, int c) {
    const Vector3 &p = skinVertices[a].position, &q = skinVertices[b].position,
                  &r = skinVertices[c].position;
    return Vector3{(p.x + q.x + r.x) / 3, (p.y + q.y + r.y) / 3, (p.z + q.z + r.z) / 3};
}

// Where to look for a view's colour: in a face's middle when filled; on a corner, where the
// wireframe's lines meet, otherwise.
WindowPoint Spot(int a, int b, int c) {
    return ProjectModelPoint(demoState.wireframe ? skinVertices[a].position : Centroid(a, b, c),
                             SideView);
}

class SkinViews : public SceneTest {
  protected:
    // Draws a frame, then the views once more on their own, which must leave the state as it
    // was.
    Frame DrawAndCheckState() {
        Frame frame = DrawFrame(SideView);
        std::vector<double> before = DrawingGlState();
        DrawSkinViews(frameRecord);
        EXPECT_EQ(DrawingGlState(), before) << "the views left GL state changed";
        return frame;
    }
};

TEST_F(SkinViews, SkinningLabViewsPaintByTheirScalesAndPutBackTheGlState) {
    demoState.hideBones = 1;
    demoState.texturesOff = 1;
    bones[1].rotX = 90.0;
    // Faces on the -x side: rings 5 and 6 (weight 0 on bone 1) at the foot, rings 3 and 4 at the
    // joint, which a 90-degree bend blended half and half shrinks to cos^2(45 degrees) = 0.5.
    const int foot[3] = {37, 45, 46}, joint[3] = {21, 29, 30};
    for (int wireframe : {0, 1}) {
        SCOPED_TRACE(wireframe ? "wireframe" : "filled");
        demoState.wireframe = wireframe;
        demoState.skinningMethod = SkinningLinear;
        demoState.weightsView = 1;
        EXPECT_TRUE(AnyPixelNear(DrawAndCheckState(), Spot(foot[0], foot[1], foot[2]), 2, Blue));

        demoState.weightsView = 0;
        demoState.volumeView = 1;
        EXPECT_TRUE(AnyPixelNear(DrawAndCheckState(), Spot(joint[0], joint[1], joint[2]), 2, Red));
        demoState.skinningMethod = SkinningDualQuaternion; // keeps the volume: determinant 1
        EXPECT_TRUE(
            AnyPixelNear(DrawAndCheckState(), Spot(joint[0], joint[1], joint[2]), 2, White));

        // A half turn of twist: linear blending draws ring 3 onto the axis and ring 4 to a
        // fifth of its radius, far below the scale's 0.5 (dark red); dual quaternions keep them.
        demoState.volumeView = 0;
        demoState.radiusView = 1;
        bones[1].rotX = 0.0;
        bones[1].rotY = 180.0;
        demoState.skinningMethod = SkinningLinear;
        Frame twisted = DrawAndCheckState(); // before the spot, which reads the skin it leaves
        EXPECT_TRUE(AnyPixelNear(twisted, Spot(joint[0], joint[1], joint[2]), 2, DarkRed));
        demoState.skinningMethod = SkinningDualQuaternion;
        twisted = DrawAndCheckState();
        EXPECT_TRUE(AnyPixelNear(twisted, Spot(joint[0], joint[1], joint[2]), 2, White));
        demoState.radiusView = 0;
        bones[1].rotX = 90.0;
        bones[1].rotY = 0.0;

        // The rest pose stands straight up where the bent limb has left; the inspected vertex,
        // on the far side of the joint, is ringed through the near side.
        demoState.volumeView = 0;
        demoState.restPoseView = 1;
        demoState.inspectedVertex = 17;
        Frame frame = DrawAndCheckState();
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(restPositions[0], SideView), 2, Pale));
        EXPECT_TRUE(AnyPixelNear(frame, ProjectModelPoint(skinVertices[17].position, SideView), 11,
                                 MarkRed));
        demoState.restPoseView = 0;
        demoState.inspectedVertex = -1;
    }
}

// The 8-bit levels a colour of a scale comes out as, on screen and in the panel's legend alike.
Colour Levels(const ColourRgb &c) {
    return Colour{(int)std::lround(c.r * 255.0), (int)std::lround(c.g * 255.0),
                  (int)std::lround(c.b * 255.0)};
}

int LevelsApart(Colour a, Colour b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// A triangle of a skin in sight in the frame just drawn, at the pixel holding its centroid: the
// pixel's centre lies FarFromEdges or more inside it (off the outline drawn on its edges), and
// the depth buffer there holds the triangle's own depth, so nothing covers it (not even a
// triangle crossing it). weights are the pixel centre's shares of the corners in space.
struct SeenTriangle {
    int triangle;
    int x, y; // the pixel
    double weights[3];
};
const double FarFromEdges = 5.0;

std::vector<SeenTriangle> TrianglesInSight(const std::vector<SkinVertex> &skin,
                                           const std::vector<Triangle> &triangles,
                                           double viewAngle) {
    std::vector<SeenTriangle> seen;
    for (size_t t = 0; t < triangles.size(); ++t) {
        WindowPoint c[3];
        for (int k = 0; k < 3; ++k)
            c[k] = ProjectModelPoint(skin[triangles[t].index[k]].position, viewAngle);
        double area2 =
            (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[1].y - c[0].y) * (c[2].x - c[0].x);
        if (std::fabs(area2) < 1.0)
            continue;
        int x = (int)std::floor((c[0].x + c[1].x + c[2].x) / 3);
        int y = (int)std::floor((c[0].y + c[1].y + c[2].y) / 3);
        double px = x + 0.5, py = y + 0.5;
        SeenTriangle found = {(int)t, x, y, {0.0, 0.0, 0.0}};
        int inside = 1;
        double depth = 0.0;
        for (int k = 0; k < 3; ++k) {
            const WindowPoint &a = c[(k + 1) % 3], &b = c[(k + 2) % 3];
            // Twice the area of the pixel centre with the opposite edge, over the whole's.
            double share = ((a.x - px) * (b.y - py) - (a.y - py) * (b.x - px)) / area2;
            double edge = std::hypot(b.x - a.x, b.y - a.y);
            inside = inside && share * std::fabs(area2) / edge >= FarFromEdges;
            found.weights[k] = share;
            depth += share * c[k].z; // window depth runs straight across a triangle on screen
        }
        // The GL blends colours by the shares of the corners in space, not on screen: each
        // screen share over the corner's distance from the eye (from its window depth, for the
        // projection ProjectModelPoint describes: near 1, far 30), made to sum to 1.
        double sum = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double Near = 1.0, Far = 30.0;
            double eyeDistance = 2 * Far * Near / ((Far + Near) - (2 * c[k].z - 1) * (Far - Near));
            found.weights[k] /= eyeDistance;
            sum += found.weights[k];
        }
        for (double &w : found.weights)
            w /= sum;
        if (inside && std::fabs(ReadDepth(x, y) - depth) < 2e-5)
            seen.push_back(found);
    }
    return seen;
}

// Each colour view paints the skin in its legend's colour for the value there, unlit: inside
// every triangle in sight, each corner in its value's colour on the legend blended across the
// face (the colour of the blended value where the corners lie on one straight stretch of the
// scale), and for the stretch view each triangle in its own ratio's. The limb bent 90 degrees under
// linear blending spans each scale well away from its white.
TEST_F(SkinViews, EachColourViewShowsItsLegendsColourForTheValueThere) {
    demoState.hideBones = 1;
    demoState.texturesOff = 1;
    demoState.wireframe = 0;
    bones[1].rotX = 90.0;
    int *views[] = {&demoState.weightsView, &demoState.volumeView, &demoState.radiusView,
                    &demoState.stretchView};
    const char *names[] = {"weights", "volume", "radius", "stretch"};
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(names[v]);
        *views[v] = 1;
        Frame frame = DrawFrame(SideView);
        const std::vector<Triangle> &triangles = frameRecord.model->mesh.triangles;
        auto value = [&](int vertex) {
            return v == 0   ? (double)SecondBoneWeight(frameRecord.skin[vertex])
                   : v == 1 ? (double)frameRecord.determinants[vertex]
                            : (double)frameRecord.radiusRatios[vertex];
        };
        auto colour = [&](double x) {
            return v == 0 ? WeightColour(x) : v == 1 ? DeterminantColour(x) : RadiusColour(x);
        };
        int checked = 0, coloured = 0;
        for (const SeenTriangle &seen : TrianglesInSight(frameRecord.skin, triangles, SideView)) {
            ColourRgb expected;
            if (v == 3) {
                expected = StretchColour(frameRecord.stretchRatios[seen.triangle]);
            } else {
                const int *corner = triangles[seen.triangle].index;
                double blended = 0.0;
                ColourRgb mix = {0.0f, 0.0f, 0.0f};
                for (int k = 0; k < 3; ++k) {
                    ColourRgb c = colour(value(corner[k]));
                    float w = (float)seen.weights[k];
                    blended += w * value(corner[k]);
                    mix = ColourRgb{mix.r + w * c.r, mix.g + w * c.g, mix.b + w * c.b};
                }
                expected = colour(blended);
                // Where the corners lie on one straight stretch of the scale, the blend of their
                // colours is the colour of their blended value; across a stop, the GL blends the
                // colours the corners are given, each its value's on the legend.
                if (LevelsApart(Levels(expected), Levels(mix)) > 0)
                    expected = mix;
            }
            Colour want = Levels(expected), got = PixelAt(frame, seen.x, seen.y);
            EXPECT_LE(LevelsApart(got, want), 2)
                << "triangle " << seen.triangle << ": (" << got.r << ", " << got.g << ", " << got.b
                << ") where the legend has (" << want.r << ", " << want.g << ", " << want.b << ")";
            ++checked;
            coloured += LevelsApart(want, Colour{240, 240, 240}) > 60;
        }
        EXPECT_GE(checked, 4);
        EXPECT_GE(coloured, 1) << "every triangle looked at is near white: a weak check";
        *views[v] = 0;
    }
}

// Under a half twist, rigid skinning keeps every ring whole and tears the band between the rings
// that follow different bones (rings 2 and 3, triangles 24 to 39): each of its triangles spans
// the limb, nearly half as large again, dark red on the stretch scale. Dual quaternions share
// the turn out over the rings, and the same band keeps its area: white.
TEST_F(SkinViews, StretchViewShowsRigidsTornBandDarkRedAndDualQuaternionsWhite) {
    demoState.hideBones = 1;
    demoState.texturesOff = 1;
    demoState.wireframe = 0;
    demoState.stretchView = 1;
    bones[1].rotY = 180.0;
    const int BandFirst = 24, BandLast = 39;
    for (int method : {SkinningRigid, SkinningDualQuaternion}) {
        SCOPED_TRACE(SkinningMethodName(method));
        demoState.skinningMethod = method;
        Frame frame = DrawFrame(SideView);
        int seenInBand = 0;
        for (const SeenTriangle &seen :
             TrianglesInSight(frameRecord.skin, frameRecord.model->mesh.triangles, SideView)) {
            if (seen.triangle < BandFirst || seen.triangle > BandLast)
                continue;
            ++seenInBand;
            Colour c = PixelAt(frame, seen.x, seen.y);
            if (method == SkinningRigid)
                EXPECT_TRUE(c.r > 150 && c.g < 90 && c.b < 90)
                    << "triangle " << seen.triangle << ": " << c.r << " " << c.g << " " << c.b;
            else
                EXPECT_GT(std::min({c.r, c.g, c.b}), 200)
                    << "triangle " << seen.triangle << ": " << c.r << " " << c.g << " " << c.b;
        }
        EXPECT_GE(seenInBand, 2);
    }
}

// A model of three joints up a flat panel facing the camera, in three bands of two triangles,
// each band's four corners weighted alike: the first all on joint 0, the second a quarter on
// joint 0 and three quarters on joint 1, the third 0.4 on joint 1 and 0.6 on joint 2.
LoadedModel ThreeJointPanel() {
    LoadedModel loaded;
    loaded.fileName = "three joints";
    Model &model = loaded.model;
    model.rig.names = {"hip", "waist", "chest"};
    model.rig.parents = {-1, 0, 1};
    model.rig.inverseBinds.assign(3, IdentityMatrix());
    for (int j = 1; j < 3; ++j)
        model.rig.inverseBinds[j].m[13] = -(float)j; // joint j stands j up at rest
    const float bands[3][2] = {{0.0f, 0.8f}, {1.1f, 1.9f}, {2.2f, 3.0f}};
    const VertexInfluences weights[3] = {
        {1, {0}, {1.0f}}, {2, {0, 1}, {0.25f, 0.75f}}, {2, {1, 2}, {0.4f, 0.6f}}};
    for (int b = 0; b < 3; ++b) {
        int first = VertexCount(model.mesh);
        for (float y : bands[b])
            for (float x : {-0.5f, 0.5f}) {
                model.mesh.restPositions.push_back(Vector3{x, y, 0.0f});
                model.mesh.restNormals.push_back(Vector3{0.0f, 0.0f, 1.0f});
                model.mesh.texCoords.push_back(TexCoord{0.0f, 0.0f});
                model.mesh.influences.push_back(weights[b]);
            }
        // Clockwise seen from the front (+z), as the skin's corners run.
        model.mesh.triangles.push_back(Triangle{{first, first + 2, first + 1}});
        model.mesh.triangles.push_back(Triangle{{first + 1, first + 2, first + 3}});
    }
    WeightsChanged(model);
    for (int j = 0; j < 3; ++j) {
        Matrix4 local = IdentityMatrix();
        local.m[13] = j == 0 ? 0.0f : 1.0f;
        loaded.rest.push_back(GltfJointRest{Vector3{0.0f, local.m[13], 0.0f},
                                            Quaternion{1.0f, 0.0f, 0.0f, 0.0f},
                                            Vector3{1.0f, 1.0f, 1.0f}, local});
        loaded.jointNode.push_back(j);
    }
    loaded.maxInfluences = 2;
    loaded.primitives.push_back(GltfPrimitive{0, (int)model.mesh.triangles.size()});
    loaded.boundsMin = Vector3{-0.5f, 0.0f, 0.0f};
    loaded.boundsMax = Vector3{0.5f, 3.0f, 0.0f};
    return loaded;
}

// The weights view on a model of many joints: with a joint selected, each band in the weight
// scale's colour for its weight on that joint; with none, each band in its joints' colours
// mixed by its weights (the first in joint 0's own), three colours a learner tells apart.
TEST_F(SkinViews, WeightsViewOnAThreeJointModelShowsTheSelectedJointOrTheJointsColours) {
    ShowModel(ThreeJointPanel(), GltfAllClips);
    demoState.texturesOff = 1;
    demoState.wireframe = 0;
    demoState.hideBones = 1;
    demoState.weightsView = 1;
    auto mix = [](int a, float wa, int b, float wb) {
        ColourRgb p = JointColour(a), q = JointColour(b);
        return ColourRgb{wa * p.r + wb * q.r, wa * p.g + wb * q.g, wa * p.b + wb * q.b};
    };
    struct Case {
        int selected;
        ColourRgb bands[3];
    } cases[] = {
        {1, {WeightColour(0.0), WeightColour(0.75), WeightColour(0.4)}},
        {2, {WeightColour(0.0), WeightColour(0.0), WeightColour(0.6)}},
        {-1, {JointColour(0), mix(0, 0.25f, 1, 0.75f), mix(1, 0.4f, 2, 0.6f)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "selected joint " << c.selected);
        shownModel.selectedJoint = c.selected;
        Frame frame = DrawFrame(0.0);
        for (int b = 0; b < 3; ++b) {
            for (int t = 2 * b; t < 2 * b + 2; ++t) {
                const int *corner = frameRecord.model->mesh.triangles[t].index;
                Vector3 sum = {0.0f, 0.0f, 0.0f};
                for (int k = 0; k < 3; ++k)
                    sum = Add(sum, ShownModelToScene(frameRecord.skin[corner[k]].position));
                WindowPoint at = ProjectModelPoint(Vector3{sum.x / 3, sum.y / 3, sum.z / 3});
                Colour got = PixelAt(frame, (int)at.x, (int)at.y), want = Levels(c.bands[b]);
                EXPECT_LE(LevelsApart(got, want), 2)
                    << "band " << b << ": (" << got.r << ", " << got.g << ", " << got.b << ") for ("
                    << want.r << ", " << want.g << ", " << want.b << ")";
            }
        }
    }
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b)
            EXPECT_GT(LevelsApart(Levels(JointColour(a)), Levels(JointColour(b))), 60);
    HideModel();
}

// Every view, alone and with the rest pose and the inspector, under every method, alone and side
// by side, drawn on each test model: run under the sanitizers, this is where a view reading past
// a model's arrays shows. Each frame's figures are sized to the model and finite.
TEST_F(SkinViews, EveryViewAndMethodRunsOnEveryTestModel) {
    const std::string folder = SKIN_SOURCE_DIR "/tests/gltf/models/";
    const char *files[] = {"simple_skin/simple_skin.gltf", "RiggedSimple/RiggedSimple.gltf",
                           "RiggedFigure/RiggedFigure.gltf", nullptr};
    int *views[] = {&demoState.weightsView, &demoState.volumeView, &demoState.radiusView,
                    &demoState.stretchView, &demoState.restPoseView};
    for (const char *file : files) {
        SCOPED_TRACE(file ? file : "the tentacle");
        if (file) {
            LoadedModel loaded;
            std::string error;
            ASSERT_TRUE(LoadGltfFile(folder + file, loaded, error)) << error;
            ShowModel(std::move(loaded), GltfAllClips);
        } else {
            ShowTentacle();
        }
        const Model &model = shownModel.loaded.model;
        for (int wireframe : {1, 0})
            for (int sideBySide : {0, 1})
                for (int method = 0; method < SkinningMethodCount; ++method)
                    for (int v = 0; v < 6; ++v) {
                        demoState.wireframe = wireframe;
                        demoState.sideBySide = sideBySide;
                        demoState.skinningMethod = method;
                        for (int *view : views)
                            *view = 0;
                        if (v < 5)
                            *views[v] = 1;
                        // The weights view once with a joint selected, the last; the inspector on
                        // the last vertex with the rest pose.
                        shownModel.selectedJoint =
                            v == 0 && method % 2 ? JointCount(model.rig) - 1 : -1;
                        demoState.inspectedVertex = v == 4 ? VertexCount(model.mesh) - 1 : -1;
                        DrawFrame(SideView);
                        ASSERT_EQ(frameRecord.model, &model);
                        ASSERT_EQ(frameRecord.stretchRatios.size(), model.mesh.triangles.size());
                        for (float ratio : frameRecord.stretchRatios)
                            ASSERT_TRUE(std::isfinite(ratio));
                        for (float ratio : frameRecord.radiusRatios)
                            ASSERT_TRUE(std::isfinite(ratio));
                        ASSERT_EQ(frameRecord.inspected, v == 4);
                        for (int m = 0; sideBySide && m < SkinningMethodCount; ++m)
                            ASSERT_EQ(frameRecord.copies.stretchRatios[m].size(),
                                      model.mesh.triangles.size());
                    }
    }
    HideModel();
}

// A model's file may bind its mesh in a space of its own (the figure's is Z-up): its rest pose
// shows where the skeleton's root puts it, beside the posed figure, not lying on the floor. The
// hand that reaches farthest out at rest, placed by the root's skin matrix, is under a line of it.
TEST_F(SkinViews, AModelsRestPoseStandsWhereItsRootPutsIt) {
    LoadedModel loaded;
    std::string error;
    ASSERT_TRUE(LoadGltfFile(SKIN_SOURCE_DIR "/tests/gltf/models/RiggedFigure/RiggedFigure.gltf",
                             loaded, error))
        << error;
    ShowModel(std::move(loaded), GltfAllClips);
    HoldShownModelAt(0.7);
    demoState.playAnimation = 0;
    demoState.wireframe = 0;
    demoState.texturesOff = 1;
    demoState.restPoseView = 1;
    Frame frame = DrawFrame(0.0);
    const Model &model = shownModel.loaded.model;
    ASSERT_EQ(model.rig.parents[0], -1);
    const Matrix4 &root = frameRecord.skinPose.skins[0];
    Vector3 farthest = {0.0f, 0.0f, 0.0f};
    for (const Vector3 &p : model.mesh.restPositions) {
        Vector4 placed;
        TransformPoint(placed, root, AsPoint(p));
        if (placed.x > farthest.x)
            farthest = DropW(placed);
    }
    WindowPoint at = ProjectModelPoint(ShownModelToScene(farthest));
    int lines = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            lines += Pale(PixelAt(frame, (int)at.x + dx, (int)at.y + dy));
    EXPECT_GT(lines, 0) << at.x << ", " << at.y;
    HideModel();
}

} // namespace
