// The skinning methods, the per-vertex determinants, the limb's volume and the colour scales,
// each held against geometry worked out here: turns about the joint's axes, the prismatoid rule
// for the rest limb's slabs.
#include "demo/frame_record.h"
#include "ik/ik_solvers.h"
#include "lab/side_by_side.h"
#include "lab/skin_colours.h"
#include "lab/skin_radius.h"
#include "lab/stretch.h"
#include "lab/vertex_inspector.h"
#include "lab/volume.h"
#include "model/limb_model.h"
#include "skinning/skinning.h"
#include "tests/support/limb_fixture.h"
#include "view/camera.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using SkinLab = SceneTest;

double Dot(const Vector3 &a, const Vector3 &b) {
    return (double)a.x * b.x + (double)a.y * b.y + (double)a.z * b.z;
}

Vector3 Scaled(const Vector3 &v, double s) {
    return Vector3{(float)(v.x * s), (float)(v.y * s), (float)(v.z * s)};
}

// v turned by degrees about the unit axis (Rodrigues), in double precision.
Vector3 TurnedAbout(const Vector3 &axis, double degrees, const Vector3 &v) {
    double a = degrees * DegreesToRadians, c = std::cos(a), s = std::sin(a);
    Vector3 across = CrossProduct(axis, v);
    double along = Dot(axis, v) * (1.0 - c);
    return Vector3{(float)(v.x * c + across.x * s + axis.x * along),
                   (float)(v.y * c + across.y * s + axis.y * along),
                   (float)(v.z * c + across.z * s + axis.z * along)};
}

const Vector3 joint = {0.0f, 1.5f, 0.0f}; // bone 1's pivot

// Distance of p from the line through the joint along the unit axis.
double RadiusAbout(const Vector3 &axis, const Vector3 &p) {
    Vector3 offset = Subtract(p, joint);
    return VectorLength(Subtract(offset, Scaled(axis, Dot(axis, offset))));
}

// The limb's figures as the frame's update works them out, for the bones as they stand.
float skinDeterminants[SkinVertexCount];
std::vector<float> skinRadiusRatios;

ModelPose LimbPose() {
    ModelPose pose;
    PoseOfLimb(pose);
    return pose;
}

void Skin(int method) {
    demoState.skinningMethod = method;
    UpdateSkeletonAndSkin();
    ModelPose pose = LimbPose();
    SkinInput in = SkinInputOf(limbModel, pose);
    for (int i = 0; i < SkinVertexCount; ++i)
        skinDeterminants[i] = (float)skinningMethods[method].determinant(in, i);
}

RadiusExtremes UpdateRadiusRatios() {
    return RadiusRatios(limbModel, LimbPose(), skinVertices, skinRadiusRatios);
}

int InspectVertex(int vertex, VertexInspection &out) {
    return InspectVertex(limbModel, LimbPose(), vertex, out);
}

int HasCentre(int vertex) {
    return limbModel.centres.centreOf[vertex] >= 0;
}

Vector3 CentreOf(int vertex) {
    int centre = limbModel.centres.centreOf[vertex];
    return centre >= 0 ? limbModel.centres.centres[centre] : Vector3{0.0f, 0.0f, 0.0f};
}

// Every vertex's centre, zero where it has none.
std::vector<Vector3> Centres() {
    std::vector<Vector3> centres;
    for (int v = 0; v < SkinVertexCount; ++v)
        centres.push_back(CentreOf(v));
    return centres;
}

int SameCentres(const std::vector<Vector3> &a, const std::vector<Vector3> &b) {
    return std::memcmp(a.data(), b.data(), sizeof(Vector3) * a.size()) == 0;
}

// Bone 0 stays at rest, so a vertex mixes the identity (its weight w) with bone 1's turn by
// theta about an axis through the joint (1 - w). Across the axis, the linear mix is the
// offset times w + (1 - w) e^(i theta): its radius shrinks by |w + (1 - w) e^(i theta)|, which
// is |cos(theta / 2)| for w = 1/2, and the determinant is that factor squared. The dual
// quaternion mix is a turn about the same axis by phi, with tan(phi / 2) =
// (1 - w) sin(theta / 2) / (w + (1 - w) cos(theta / 2)): half of theta for w = 1/2.
TEST_F(SkinLab, LinearBlendThinsTheLimbAndDualQuaternionsKeepIt) {
    struct Motion {
        const char *name;
        double Bone::*angle;
        Vector3 axis;
        int vertices[2]; // ring 3 (weight 0.5) and ring 4 (weight 0.6), off the axis
    };
    const Motion motions[] = {
        {"bend", &Bone::rotX, {1, 0, 0}, {19, 27}},
        {"twist", &Bone::rotY, {0, 1, 0}, {17, 25}},
    };
    for (const Motion &motion : motions) {
        // 225 degrees is the turn of -135: the dual quaternions take that shorter way.
        for (double theta : {90.0, 135.0, 180.0, 225.0}) {
            InitSkinAndBones();
            bones[1].*motion.angle = theta;
            for (int v : motion.vertices) {
                SCOPED_TRACE(::testing::Message()
                             << motion.name << " " << theta << ", vertex " << v);
                double w = skinVertices[v].weight, half = theta * 0.5 * DegreesToRadians;
                double r = RadiusAbout(motion.axis, restPositions[v]);
                double shrink =
                    std::hypot(w + (1 - w) * std::cos(2 * half), (1 - w) * std::sin(2 * half));
                if (w == 0.5) {
                    EXPECT_NEAR(shrink, std::fabs(std::cos(half)), 1e-12);
                }

                Skin(SkinningLinear);
                EXPECT_NEAR(RadiusAbout(motion.axis, skinVertices[v].position), shrink * r, 1e-5);
                EXPECT_NEAR(skinDeterminants[v], shrink * shrink, 1e-5);

                Skin(SkinningDualQuaternion);
                const SkinVertex &vertex = skinVertices[v];
                EXPECT_NEAR(RadiusAbout(motion.axis, vertex.position), r, 1e-5);
                EXPECT_NEAR(skinDeterminants[v], 1.0, 1e-5);
                EXPECT_NEAR(Dot(motion.axis, Subtract(vertex.position, joint)),
                            Dot(motion.axis, Subtract(restPositions[v], joint)), 1e-5);
                // A half turn has no shorter way round: either way is right.
                if (theta != 180.0) {
                    double shorter =
                        (theta > 180.0 ? theta - 360.0 : theta) * 0.5 * DegreesToRadians;
                    double phi =
                        2.0 *
                        std::atan2((1 - w) * std::sin(shorter), w + (1 - w) * std::cos(shorter)) /
                        DegreesToRadians;
                    Vector3 turned = Add(
                        joint, TurnedAbout(motion.axis, phi, Subtract(restPositions[v], joint)));
                    EXPECT_VEC_NEAR(vertex.position, turned.x, turned.y, turned.z, 1e-5);
                    Vector3 normal = TurnedAbout(motion.axis, phi, restNormals[v]);
                    EXPECT_VEC_NEAR(vertex.normal, normal.x, normal.y, normal.z, 1e-5);

                    // Centres of rotation: the same turn about the vertex's centre c, which
                    // itself goes to the weighted mix of c at rest (bone 0) and c turned by
                    // theta about the joint (the chain).
                    Skin(SkinningCentreOfRotation);
                    ASSERT_TRUE(HasCentre(v));
                    const Vector3 c = CentreOf(v);
                    Vector3 chainC =
                        Add(joint, TurnedAbout(motion.axis, theta, Subtract(c, joint)));
                    Vector3 carried = Add(Scaled(c, w), Scaled(chainC, 1 - w));
                    Vector3 expected =
                        Add(carried, TurnedAbout(motion.axis, phi, Subtract(restPositions[v], c)));
                    EXPECT_VEC_NEAR(skinVertices[v].position, expected.x, expected.y, expected.z,
                                    1e-5);
                    EXPECT_VEC_NEAR(skinVertices[v].normal, normal.x, normal.y, normal.z, 1e-5);
                    EXPECT_NEAR(skinDeterminants[v], 1.0, 1e-5);
                }

                // The inspector reports what each pass drew.
                VertexInspection inspection;
                ASSERT_TRUE(InspectVertex(v, inspection));
                for (int method = 0; method < SkinningMethodCount; ++method) {
                    Skin(method);
                    const SkinnedVertex &seen = inspection.methods[method];
                    EXPECT_EQ(seen.position.x, skinVertices[v].position.x);
                    EXPECT_EQ(seen.position.y, skinVertices[v].position.y);
                    EXPECT_EQ(seen.position.z, skinVertices[v].position.z);
                    EXPECT_EQ(seen.normal.z, skinVertices[v].normal.z);
                    EXPECT_EQ((float)seen.determinant, skinDeterminants[v]);
                }
            }
        }
    }
}

// Each vertex follows only its heavier transform, exactly as that transform alone moves it: the
// first bone's below the joint and at the tie (weight 0.5), the chain above.
TEST_F(SkinLab, RigidFollowsTheHeavierTransformAlone) {
    const double turns[2][3] = {{20, -30, 10}, {60, 25, -15}}; // X, Y, Z of bones 0 and 1
    for (int b = 0; b < BoneCount; ++b) {
        bones[b].rotX = turns[b][0];
        bones[b].rotY = turns[b][1];
        bones[b].rotZ = turns[b][2];
    }
    Skin(SkinningRigid);
    for (int v = 0; v < SkinVertexCount; ++v) {
        SCOPED_TRACE(::testing::Message() << "vertex " << v);
        VertexInspection inspection;
        ASSERT_TRUE(InspectVertex(v, inspection));
        const Vector3 &expected =
            inspection.influenceCount < 2 || inspection.influences[0].weight >= 0.5f
                ? inspection.firstPosition
                : inspection.chainPosition;
        EXPECT_EQ(skinVertices[v].position.x, expected.x);
        EXPECT_EQ(skinVertices[v].position.y, expected.y);
        EXPECT_EQ(skinVertices[v].position.z, expected.z);
        EXPECT_NEAR(skinDeterminants[v], 1.0, 1e-5);
    }
    // The transforms alone, from the bones' turns as the markers apply them (Y, then X, then Z).
    auto turned = [&](int bone, const Vector3 &v) {
        Vector3 z = TurnedAbout(Vector3{0, 0, 1}, turns[bone][2], v);
        return TurnedAbout(Vector3{0, 1, 0}, turns[bone][1],
                           TurnedAbout(Vector3{1, 0, 0}, turns[bone][0], z));
    };
    Vector3 tie = turned(0, restPositions[17]); // ring 3 goes with bone 0, which turns about 0
    EXPECT_VEC_NEAR(skinVertices[17].position, tie.x, tie.y, tie.z, 1e-5);
    Vector3 upper = turned(0, Add(joint, turned(1, Subtract(restPositions[9], joint)))); // ring 2
    EXPECT_VEC_NEAR(skinVertices[9].position, upper.x, upper.y, upper.z, 1e-5);
    Vector3 normal = turned(0, turned(1, restNormals[9]));
    EXPECT_VEC_NEAR(skinVertices[9].normal, normal.x, normal.y, normal.z, 1e-5);
    ExpectBottomRingAtRest();
}

// Ring 3 sits at the joint with weights 1/2 and 1/2. Bent by theta about X (bone 1 toward +z),
// the vertex at +z is inside the bend, the one at -z outside. Linear blending puts the inside
// one at offset r (0, -sin(theta) / 2, (1 + cos(theta)) / 2) from the joint, which is r cos^2(theta
// / 2) from either bone's line, and the outside one r |cos(theta / 2)| from the joint, its
// nearest point on the bones; dual quaternions turn both by theta / 2: the inside one ends
// r cos(theta / 2) from bone 0, the outside one r from the joint. Rigid leaves both at rest,
// where bone 1 now passes the inside one at r |cos(theta)|, through it at 90: the crease.
TEST_F(SkinLab, RadiusRatiosFollowTheClosedFormsAtTheJoint) {
    const int inside = 19, outside = 23;
    for (int method = 0; method < SkinningMethodCount; ++method) {
        Skin(method);
        RadiusExtremes straight = UpdateRadiusRatios();
        EXPECT_NEAR(straight.low, 1.0, 1e-6) << method;
        EXPECT_NEAR(straight.high, 1.0, 1e-6) << method;
    }
    for (double theta : {45.0, 90.0, 135.0}) {
        SCOPED_TRACE(::testing::Message() << "bend " << theta);
        bones[1].rotX = theta;
        double c = std::cos(theta / 2 * DegreesToRadians);
        double crease = std::fabs(std::cos(theta * DegreesToRadians));
        const double expected[3][2] = {{c * c, c}, {crease, 1.0}, {c, 1.0}}; // inside, outside
        for (int method : {SkinningLinear, SkinningRigid, SkinningDualQuaternion}) {
            Skin(method);
            RadiusExtremes extremes = UpdateRadiusRatios();
            EXPECT_NEAR(skinRadiusRatios[inside], expected[method][0], 2e-6) << method;
            EXPECT_NEAR(skinRadiusRatios[outside], expected[method][1], 2e-6) << method;
            for (int v = 0; v < SkinVertexCount; ++v) {
                EXPECT_GE(skinRadiusRatios[v], extremes.low - 1e-6);
                EXPECT_LE(skinRadiusRatios[v], extremes.high + 1e-6);
            }
        }
    }
    EXPECT_EQ(skinRadiusRatios[0], 1.0f); // the top point lies on bone 1's end at rest
}

// The radius view's search passes over the segments that cannot be the nearest: its distance
// must be the least over every segment, by a formula of the test's own (the nearer end, or the
// foot of the perpendicular where it falls within the segment), for points anywhere, from any
// segment tried first. A fat tube on a chain of short segments, as a large model is, puts many
// segments almost as near as the nearest; a crossing segment, a repeated one and one of no
// length are there too.
TEST(SkinRadius, TheNearestSegmentIsTheNearestOfEveryOne) {
    std::vector<PlacedSegment> segments;
    for (int k = 0; k < 30; ++k)
        segments.push_back(PlacedSegment{{0.0f, 0.3f * k, 0.1f * (k % 3)},
                                         {0.0f, 0.3f * (k + 1), 0.1f * ((k + 1) % 3)}});
    segments.push_back(PlacedSegment{{-2.0f, 4.0f, 0.0f}, {2.0f, 4.0f, 0.0f}});
    segments.push_back(segments[7]);
    segments.push_back(PlacedSegment{{0.5f, 6.0f, 0.5f}, {0.5f, 6.0f, 0.5f}});
    SegmentSearch search;
    PrepareSegmentSearch(segments, search);
    unsigned seed = 12345;
    auto next = [&seed](double low, double high) {
        seed = seed * 1103515245u + 12345u;
        return low + (high - low) * ((seed >> 8) & 0xFFFF) / 65535.0;
    };
    int hint = 0;
    for (int i = 0; i < 4000; ++i) {
        Vector3 p = {(float)next(-1.5, 1.5), (float)next(-1.0, 10.0), (float)next(-1.5, 1.5)};
        if (i % 7 == 0)
            hint = (int)next(0.0, (double)segments.size() - 0.01);
        double least = 1e30;
        for (const PlacedSegment &s : segments) {
            Vector3 along = Subtract(s.to, s.from), fromA = Subtract(p, s.from);
            double length = std::sqrt(Dot(along, along));
            double ends = std::fmin(VectorLength(fromA), VectorLength(Subtract(p, s.to)));
            double t = length > 0.0 ? Dot(fromA, along) / length : -1.0;
            double perpendicular = t >= 0.0 && t <= length
                                       ? std::sqrt(std::fmax(0.0, Dot(fromA, fromA) - t * t))
                                       : 1e30;
            least = std::fmin(least, std::fmin(ends, perpendicular));
        }
        ASSERT_NEAR(DistanceToNearest(p, search, hint), least, 1e-5) << i;
        ASSERT_GE(hint, 0);
        ASSERT_LT(hint, (int)segments.size());
    }
    EXPECT_EQ(DistanceToSegments(Vector3{0.0f, 1.0f, 0.0f}, {}), 0.0);
}

// The inspector's fuller figures, against geometry worked out here. Bone 0 leans by 30 degrees
// about Z and bone 1 bends by theta about X. Ring 3 lies at the joint with weights 1/2 and 1/2:
// linear blending leaves those across the axis r |cos(theta / 2)| from the joint's pivot, the
// other methods r.
// The blended dual quaternion is the turn by theta / 2 about bone 1's axis, after bone 0's; the
// arc runs about that axis, carried by bone 0, from A's position to B's.
TEST_F(SkinLab, InspectorShowsTheTransformsTheirBlendsAndTheDistances) {
    const double lean = 30.0, theta = 100.0, r = 0.33;
    bones[0].rotZ = lean;
    bones[1].rotX = theta;
    for (int v : {17, 19, 23}) { // on the axis, inside the bend, outside it
        SCOPED_TRACE(::testing::Message() << "vertex " << v);
        Skin(SkinningLinear);
        VertexInspection seen;
        ASSERT_TRUE(InspectVertex(v, seen));
        // The blended matrix is the linear pass's: applied to the rest position, its result.
        Vector4 moved;
        TransformPoint(moved, seen.blendedMatrix, AsPoint(restPositions[v]));
        const Vector3 &linear = seen.methods[SkinningLinear].position;
        EXPECT_VEC_NEAR(DropW(moved), linear.x, linear.y, linear.z, 1e-5);
        // A and B alone put the rest position where the inspector says.
        TransformPoint(moved, seen.firstMatrix, AsPoint(restPositions[v]));
        EXPECT_VEC_NEAR(DropW(moved), seen.firstPosition.x, seen.firstPosition.y,
                        seen.firstPosition.z, 1e-5);
        TransformPoint(moved, seen.chainMatrix, AsPoint(restPositions[v]));
        EXPECT_VEC_NEAR(DropW(moved), seen.chainPosition.x, seen.chainPosition.y,
                        seen.chainPosition.z, 1e-5);

        double half = theta / 2 * DegreesToRadians;
        EXPECT_NEAR(seen.restPivotDistance, r, 1e-6);
        double across = v == 17 ? 1.0 : std::fabs(std::cos(half)); // 17 is on the axis
        EXPECT_NEAR(seen.pivotDistance[SkinningLinear], r * across, 1e-5);
        EXPECT_NEAR(seen.pivotDistance[SkinningDualQuaternion], r, 1e-5);
        EXPECT_NEAR(seen.pivotDistance[SkinningRigid], r, 1e-5);

        // Turn by theta / 2 about X, then by the lean about Z: q = qZ qX.
        double cz = std::cos(lean / 2 * DegreesToRadians),
               sz = std::sin(lean / 2 * DegreesToRadians);
        double cx = std::cos(half / 2), sx = std::sin(half / 2);
        const Quaternion &q = seen.blendedDq.real;
        double sign = q.w < 0 ? -1.0 : 1.0;
        EXPECT_NEAR(sign * q.w, cz * cx, 1e-5);
        EXPECT_NEAR(sign * q.x, cz * sx, 1e-5);
        EXPECT_NEAR(sign * q.y, sz * sx, 1e-5);
        EXPECT_NEAR(sign * q.z, sz * cx, 1e-5);

        ASSERT_TRUE(seen.hasTurn);
        EXPECT_NEAR(seen.turnDegrees, theta, 1e-4);
        Vector3 axis = TurnedAbout(Vector3{0, 0, 1}, lean, Vector3{1, 0, 0});
        EXPECT_VEC_NEAR(seen.turnAxis, axis.x, axis.y, axis.z, 1e-5);
        Vector3 pivot = TurnedAbout(Vector3{0, 0, 1}, lean, joint);
        EXPECT_VEC_NEAR(seen.jointPivot, pivot.x, pivot.y, pivot.z, 1e-5);
        const Vector3 &start = seen.arc[0], &end = seen.arc[InspectorArcPoints - 1];
        EXPECT_VEC_NEAR(start, seen.firstPosition.x, seen.firstPosition.y, seen.firstPosition.z,
                        1e-5);
        EXPECT_VEC_NEAR(end, seen.chainPosition.x, seen.chainPosition.y, seen.chainPosition.z,
                        1e-5);
        for (const Vector3 &p : seen.arc) // a circle about the axis, in the plane across it
            EXPECT_NEAR(VectorLength(Subtract(p, pivot)), r, 1e-5);
    }
    bones[1].rotX = 0.0; // straight: no turn to show
    Skin(SkinningLinear);
    VertexInspection straight;
    ASSERT_TRUE(InspectVertex(19, straight));
    EXPECT_FALSE(straight.hasTurn);
}

// Side by side, each copy is what the method's own pass draws, with its own figures, and the
// copies stand in a row across the screen: the camera sees them at one height and depth,
// SideBySideSpacing apart, in the methods' order.
TEST_F(SkinLab, SideBySideCopiesAreEachMethodsOwnSkinInARowAcrossTheScreen) {
    bones[0].rotZ = 10.0;
    bones[1].rotX = 70.0;
    bones[1].rotY = 40.0;
    demoState.viewAngle = 37.0;
    demoState.viewTilt = 25.0;
    Skin(SkinningDualQuaternion);
    SkinVertex before[SkinVertexCount];
    std::memcpy(before, skinVertices, sizeof before);
    static MethodCopies copies;
    SkinEveryMethod(copies, limbModel, LimbPose(),
                    std::vector<SkinVertex>(skinVertices, skinVertices + SkinVertexCount),
                    demoState.viewAngle);
    EXPECT_EQ(std::memcmp(before, skinVertices, sizeof before), 0); // the limb's own is kept
    Vector3 centre = ModelToEye(SceneCamera(), Vector3{0.0f, 0.0f, 0.0f});
    for (int m = 0; m < SkinningMethodCount; ++m) {
        SCOPED_TRACE(skinningMethods[m].name);
        Skin(m);
        EXPECT_EQ(std::memcmp(copies.skins[m].data(), skinVertices, sizeof before), 0);
        EXPECT_EQ(std::memcmp(copies.determinants[m].data(), skinDeterminants, sizeof(float) * 49),
                  0);
        EXPECT_EQ(copies.volumePercent[m], LimbVolumePercent());
        UpdateRadiusRatios();
        EXPECT_EQ(
            std::memcmp(copies.radiusRatios[m].data(), skinRadiusRatios.data(), sizeof(float) * 49),
            0);
        Vector3 eye = Subtract(ModelToEye(SceneCamera(), copies.offsets[m]), centre);
        double along = (m - (SkinningMethodCount - 1) / 2.0) * SideBySideSpacing * SceneScale;
        EXPECT_NEAR(eye.x, along, 1e-5);
        EXPECT_NEAR(eye.y, 0.0, 1e-5);
        EXPECT_NEAR(eye.z, 0.0, 1e-5);
    }
}

// Area of a polygon in the x-z plane (shoelace), corners in order around it.
double AreaXZ(const Vector3 *corners, int count) {
    double twice = 0.0;
    for (int k = 0; k < count; ++k) {
        const Vector3 &a = corners[k], &b = corners[(k + 1) % count];
        twice += (double)a.x * b.z - (double)b.x * a.z;
    }
    return std::fabs(twice) / 2.0;
}

Vector3 Midpoint(const Vector3 &a, const Vector3 &b) {
    return Vector3{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
}

// The rest limb slab by slab: a cone from the top point over ring 1, then between each two rings
// a solid whose corners all lie in its two flat faces, whose volume the prismatoid rule gives
// exactly: h / 6 (top + 4 middle + bottom), the middle section running through the midpoints of
// the edges that cross the slab.
double RestVolumeBySlabs() {
    const Vector3 *ring1 = restPositions + 1;
    double volume = AreaXZ(ring1, 8) * (restPositions[0].y - ring1[0].y) / 3.0;
    for (int upper = 1; upper < SkinBottomRingStart; upper += 8) {
        const Vector3 *top = restPositions + upper, *bottom = top + 8;
        Vector3 middle[16];
        for (int j = 0; j < 8; ++j) {
            middle[2 * j] = Midpoint(top[j], bottom[j]);
            middle[2 * j + 1] = Midpoint(top[j], bottom[(j + 1) % 8]);
        }
        double h = top[0].y - bottom[0].y;
        volume += h / 6.0 * (AreaXZ(top, 8) + 4.0 * AreaXZ(middle, 16) + AreaXZ(bottom, 8));
    }
    return volume;
}

TEST_F(SkinLab, LimbVolumeShrinksUnderLinearBlendingAndLessUnderDualQuaternions) {
    // Away from the origin, so the bottom disc has to be closed where the bottom ring is.
    const Vector3 offset = {0.4f, 1.0f, -0.7f};
    Vector3 moved[SkinVertexCount];
    for (int i = 0; i < SkinVertexCount; ++i)
        moved[i] = Add(restPositions[i], offset);
    double bySlabs = RestVolumeBySlabs();
    EXPECT_NEAR(RestLimbVolume(), bySlabs, 1e-6 * bySlabs);
    EXPECT_NEAR(LimbVolume(moved), bySlabs, 1e-6 * bySlabs);

    Skin(SkinningLinear);
    EXPECT_NEAR(LimbVolumePercent(), 100.0, 1e-4);
    bones[1].rotX = 95.0;
    Skin(SkinningLinear);
    double linear = LimbVolumePercent();
    Skin(SkinningDualQuaternion);
    double dualQuaternion = LimbVolumePercent();
    RecordProperty("linear_percent", std::to_string(linear));
    RecordProperty("dual_quaternion_percent", std::to_string(dualQuaternion));
    EXPECT_LT(linear, 93.0);
    EXPECT_LT(std::fabs(dualQuaternion - 100.0), std::fabs(linear - 100.0) / 3.0);
    // Turning about centres inside the bend keeps more than the screw motions do, and never
    // more than the rest limb had.
    Skin(SkinningCentreOfRotation);
    double centres = LimbVolumePercent();
    RecordProperty("center_of_rotation_percent", std::to_string(centres));
    EXPECT_GT(centres, dualQuaternion + 0.5);
    EXPECT_LT(centres, 100.0);
    // A pure twist turns every centre, which lies on the twist's axis, in place: the centres'
    // motion is then the dual quaternions' own.
    bones[1].rotX = 0.0;
    bones[1].rotY = 180.0;
    Skin(SkinningDualQuaternion);
    dualQuaternion = LimbVolumePercent();
    Skin(SkinningCentreOfRotation);
    EXPECT_NEAR(LimbVolumePercent(), dualQuaternion, 1e-3);
    EXPECT_LT(dualQuaternion, 90.0);
}

// Each vertex's centre of rotation, worked out here on a plain grid: splitting a triangle at its
// edges' midpoints k times over is cutting it into the 4^k triangles of a grid of 2^k steps per
// edge, upright and upside down, k the fewest halvings that bring its corners' weights within
// the step of each other. Held for the built-in weights, for weights that change, and for one
// weight everywhere, where every piece is alike and the centre is the skin's area centroid.
TEST_F(SkinLab, CentresOfRotationAreTheSimilarityWeightedCentroids) {
    auto shares = [](int i, double &a0, double &a1) {
        const SkinVertex &vertex = skinVertices[i];
        a0 = vertex.boneIndex[0] >= 0 ? vertex.weight : 0.0;
        a1 = vertex.boneIndex[0] >= 0 ? 1.0 - vertex.weight : 0.0;
    };
    auto expectCentres = [&](int everyPieceAlike) {
        LimbWeightsChanged();
        for (int v = 0; v < SkinVertexCount; ++v) {
            SCOPED_TRACE(::testing::Message() << "vertex " << v);
            double v0, v1;
            shares(v, v0, v1);
            ASSERT_EQ(HasCentre(v), v0 * v1 > 0.0);
            if (!HasCentre(v))
                continue;
            double sum = 0.0, area = 0.0, c[3] = {0, 0, 0}, centroid[3] = {0, 0, 0};
            for (const Triangle &triangle : modelTriangles) {
                double p[3][3], w[3][2];
                for (int k = 0; k < 3; ++k) {
                    const Vector3 &r = restPositions[triangle.index[k]];
                    p[k][0] = r.x, p[k][1] = r.y, p[k][2] = r.z;
                    shares(triangle.index[k], w[k][0], w[k][1]);
                }
                double spread = 0.0;
                for (int k = 0; k < 3; ++k)
                    for (int j = 0; j < 2; ++j)
                        spread = std::fmax(spread, std::fabs(w[k][j] - w[(k + 1) % 3][j]));
                int n = 1;
                while (spread / n > RotationCentreWeightStep + 1e-6)
                    n *= 2;
                // Grid point (i, j): corner 0 + i/n of edge 0-1 + j/n of edge 0-2.
                auto at = [&](double i, double j, int d, const double(*q)[3]) {
                    return q[0][d] + i / n * (q[1][d] - q[0][d]) + j / n * (q[2][d] - q[0][d]);
                };
                auto weightAt = [&](double i, double j, int d) {
                    return w[0][d] + i / n * (w[1][d] - w[0][d]) + j / n * (w[2][d] - w[0][d]);
                };
                double e1[3], e2[3];
                for (int d = 0; d < 3; ++d)
                    e1[d] = p[1][d] - p[0][d], e2[d] = p[2][d] - p[0][d];
                double cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                   e1[0] * e2[1] - e1[1] * e2[0]};
                double pieceArea =
                    0.5 *
                    std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]) /
                    (n * n);
                for (int i = 0; i < n; ++i) {
                    for (int j = 0; i + j < n; ++j) {
                        // Upright (i, j), (i+1, j), (i, j+1); upside down (i+1, j), (i+1, j+1),
                        // (i, j+1) where it fits: their centroids' grid coordinates.
                        double upright[2] = {i + 1.0 / 3, j + 1.0 / 3};
                        double flipped[2] = {i + 2.0 / 3, j + 2.0 / 3};
                        for (int flip = 0; flip < 2; ++flip) {
                            if (flip && i + j + 2 > n)
                                continue;
                            const double *g = flip ? flipped : upright;
                            double b0 = weightAt(g[0], g[1], 0), b1 = weightAt(g[0], g[1], 1);
                            double cross01 = v0 * b1 - v1 * b0;
                            double s = 2 * v0 * v1 * b0 * b1 *
                                       std::exp(-cross01 * cross01 /
                                                (RotationCentreSigma * RotationCentreSigma));
                            for (int d = 0; d < 3; ++d) {
                                c[d] += pieceArea * s * at(g[0], g[1], d, p);
                                centroid[d] += pieceArea * at(g[0], g[1], d, p);
                            }
                            sum += pieceArea * s;
                            area += pieceArea;
                        }
                    }
                }
            }
            for (double *point : {c, centroid})
                for (int d = 0; d < 3; ++d)
                    point[d] /= point == c ? sum : area;
            const Vector3 found = CentreOf(v);
            EXPECT_VEC_NEAR(found, c[0], c[1], c[2], 1e-6);
            if (everyPieceAlike) {
                EXPECT_VEC_NEAR(found, centroid[0], centroid[1], centroid[2], 1e-6);
            }
            EXPECT_NEAR(found.x, 0.0, 1e-6); // the limb is mirrored in x and in z
            EXPECT_NEAR(found.z, 0.0, 1e-6);
        }
    };
    expectCentres(0);
    std::vector<Vector3> builtIn = Centres();
    // A changed weight reaches every vertex of its ring only, and the centres follow at once.
    const double changed[3] = {0.85, 0.15, 0.6}; // rings 2, 3 and 4 on bone 1
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(SetRingWeightOnBone1(FirstEditableRing + k, changed[k]));
    EXPECT_FALSE(HasBuiltInWeights(skinVertices));
    for (int v = 0; v < SkinVertexCount; ++v) {
        int ring = v == 0 ? 1 : 1 + (v - 1) / SkinRingSize;
        int edited = ring >= FirstEditableRing && ring <= LastEditableRing;
        float expected = edited ? (float)(1.0 - changed[ring - FirstEditableRing])
                                : (ring == 1                ? 0.0f
                                   : ring == 5 || ring == 6 ? 1.0f
                                                            : -1.0f);
        EXPECT_EQ(skinVertices[v].weight, expected) << "vertex " << v;
    }
    expectCentres(0);
    // The built-in weights, however they come back, give the built-in centres bit for bit.
    const double builtInOnBone1[3] = {0.7, 0.5, 0.4};
    for (int k = 0; k < 3; ++k)
        SetRingWeightOnBone1(FirstEditableRing + k, builtInOnBone1[k]);
    EXPECT_TRUE(HasBuiltInWeights(skinVertices));
    EXPECT_TRUE(SameCentres(builtIn, Centres()));
    SetRingWeightOnBone1(3, 2.0); // kept to 1: ring 3 follows the chain alone, with no centre
    EXPECT_EQ(RingWeightOnBone1(skinVertices, 3), 1.0f);
    EXPECT_FALSE(HasCentre(17));
    EXPECT_FALSE(SetRingWeightOnBone1(5, 0.5)); // not a blended ring
    RestoreBuiltInWeights();
    EXPECT_TRUE(HasBuiltInWeights(skinVertices));
    EXPECT_TRUE(SameCentres(builtIn, Centres()));
    for (int i = 0; i < SkinVertexCount; ++i) {
        skinVertices[i].boneIndex[0] = 0;
        skinVertices[i].boneIndex[1] = 1;
        skinVertices[i].weight = 0.5f;
    }
    expectCentres(1);
}

TEST(SkinColours, RampsRunThroughTheirHues) {
    ColourRgb none = WeightColour(0.0), half = WeightColour(0.5), full = WeightColour(1.0);
    EXPECT_GT(none.b, 2 * none.r); // blue
    EXPECT_GT(none.b, 2 * none.g);
    EXPECT_GT(half.g, 2 * half.r); // green
    EXPECT_GT(half.g, 2 * half.b);
    EXPECT_GT(full.r, 4 * full.g); // red
    EXPECT_GT(full.r, 4 * full.b);
    ColourRgb threeQuarters = WeightColour(0.75); // yellow
    EXPECT_GT(threeQuarters.r, 0.8f);
    EXPECT_GT(threeQuarters.g, 0.8f);
    EXPECT_LT(threeQuarters.b, 0.2f);
    // Beyond the ends the ends hold, and in between the colour moves smoothly.
    EXPECT_EQ(WeightColour(-0.5).b, none.b);
    EXPECT_EQ(WeightColour(1.5).r, full.r);
    ColourRgb justAbove = WeightColour(0.5 + 1e-6);
    EXPECT_NEAR(justAbove.g, half.g, 1e-4);

    ColourRgb kept = DeterminantColour(1.0), halved = DeterminantColour(0.5);
    ColourRgb collapsed = DeterminantColour(0.0), grown = DeterminantColour(DeterminantScaleMax);
    EXPECT_GT(std::fmin(kept.r, std::fmin(kept.g, kept.b)), 0.85f); // near white
    EXPECT_GT(halved.r, 3 * halved.g);                              // red
    EXPECT_LT(collapsed.r + collapsed.g + collapsed.b, 0.8f);       // dark
    EXPECT_GT(grown.b, 2 * grown.r);                                // blue
    EXPECT_EQ(DeterminantColour(-1.0).r, collapsed.r);

    ColourRgb thinned = RadiusColour(0.6), same = RadiusColour(1.0), bulged = RadiusColour(1.4);
    EXPECT_GT(std::fmin(same.r, std::fmin(same.g, same.b)), 0.85f); // near white
    EXPECT_GT(thinned.r, 2 * thinned.b);                            // warm
    EXPECT_GT(bulged.b, 1.5f * bulged.r);                           // cool
    EXPECT_EQ(RadiusColour(0.0).r, RadiusColour(RadiusScaleMin).r);
}

// A triangle's area ratio against closed forms: a linear map scales the area of a triangle in
// a plane by the product of its stretches within that plane (a rotation and a shift by none), so
// the right triangle on the x and y axes, stretched 2 along x, 3 along y and 5 along z, then
// turned and moved anywhere, has 6 times its area; a uniform scale s gives s squared to any
// triangle; and a triangle crushed onto a line has none. On a model, each triangle gets its own
// ratio and one with no area at rest none, left out of the extremes.
TEST(Stretch, AreaRatiosFollowTheClosedForms) {
    const Vector3 rest[3] = {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}};
    const Vector3 axis = {0.48f, 0.6f, 0.64f}; // unit
    Vector3 posed[3];
    for (int k = 0; k < 3; ++k) {
        Vector3 stretched = {2.0f * rest[k].x, 3.0f * rest[k].y, 5.0f * rest[k].z};
        posed[k] = Add(TurnedAbout(axis, 70.0, stretched), Vector3{4.0f, -2.0f, 7.0f});
    }
    EXPECT_NEAR(TriangleAreaRatio(rest, posed), 6.0, 1e-5);

    const Vector3 slanted[3] = {{0.3f, -1.2f, 0.7f}, {1.1f, 0.4f, -0.2f}, {-0.6f, 0.9f, 0.5f}};
    Vector3 scaled[3];
    for (int k = 0; k < 3; ++k)
        scaled[k] = Scaled(slanted[k], 0.4);
    EXPECT_NEAR(TriangleAreaRatio(slanted, scaled), 0.16, 1e-6);
    const Vector3 line[3] = {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {2.0f, 2.0f, 2.0f}};
    EXPECT_NEAR(TriangleAreaRatio(slanted, line), 0.0, 1e-7);
    EXPECT_TRUE(std::isnan(TriangleAreaRatio(line, slanted)));

    Model model;
    model.mesh.restPositions = {rest[0], rest[1], rest[2], line[1], line[2]};
    model.mesh.triangles = {Triangle{{0, 1, 2}}, Triangle{{0, 3, 4}}};
    std::vector<SkinVertex> skin(5);
    for (int k = 0; k < 3; ++k)
        skin[k].position = posed[k];
    skin[3].position = Vector3{0.0f, 5.0f, 0.0f};
    skin[4].position = Vector3{5.0f, 0.0f, 0.0f};
    std::vector<float> ratios;
    StretchExtremes extremes = TriangleStretch(model, skin.data(), ratios);
    ASSERT_EQ(ratios.size(), 2u);
    EXPECT_NEAR(ratios[0], 6.0f, 1e-5);
    EXPECT_EQ(ratios[1], 1.0f);
    EXPECT_NEAR(extremes.low, 6.0, 1e-5);
    EXPECT_NEAR(extremes.high, 6.0, 1e-5);
}

// Every list of methods or solvers the program shows is read from these tables, so a row left
// half filled, or two rows under one name, would show or select the wrong thing.
TEST(MethodAndSolverTables, EveryRowIsCompleteAndFoundByItsOwnName) {
    for (int method = 0; method < SkinningMethodCount; ++method) {
        const SkinningMethodInfo &row = skinningMethods[method];
        ASSERT_TRUE(row.name && row.label && row.words && row.skin && row.determinant);
        int found = -1;
        EXPECT_TRUE(FindSkinningMethod(row.name, found));
        EXPECT_EQ(found, method);
        EXPECT_NE(std::strstr(SkinningMethodNameList(), row.name), nullptr);
    }
    EXPECT_STREQ(SkinningMethodName(SkinningDualQuaternion), "dual-quaternion");
    int untouched = SkinningRigid;
    EXPECT_FALSE(FindSkinningMethod("Linear", untouched));
    EXPECT_FALSE(FindSkinningMethod(nullptr, untouched));
    EXPECT_EQ(untouched, SkinningRigid);
    EXPECT_EQ(SkinningMethodName(SkinningMethodCount), nullptr);
    EXPECT_EQ(ValidSkinningMethod(SkinningMethodCount), SkinningLinear);

    for (int kind = 0; kind < IkSolverCount; ++kind) {
        const IkSolverInfo &row = ikSolvers[kind];
        ASSERT_TRUE(row.name && row.label && row.update);
        EXPECT_EQ(IkSolverFromName(row.name), kind);
        EXPECT_NE(std::strstr(IkSolverList(), row.name), nullptr);
        for (int other = 0; other < kind; ++other) { // told apart in the compare view
            const ColourRgb &a = row.colour, &b = ikSolvers[other].colour;
            EXPECT_GT(std::fabs(a.r - b.r) + std::fabs(a.g - b.g) + std::fabs(a.b - b.b), 0.3f);
        }
    }
    EXPECT_EQ(IkSolverName(IkSolverCount), nullptr);
    EXPECT_EQ(ValidIkSolver(-1), IkSolverIncremental);
}

} // namespace

namespace {

// A twist one way and the other way keep different volumes on the limb (DQ at 179 and -179
// degrees: about 80.7% and 96.9%), though the limb is round and the turns are mirror images:
// each quad of its skin is split along one diagonal, which a twist one way shortens and the
// other way lengthens. The limb's mirror image, whose quads are split along the other diagonal,
// twisted the other way keeps exactly the limb's volume: the triangulation is the whole reason.
TEST_F(SkinLab, ATwistsDirectionMattersOnlyThroughTheTriangulation) {
    Model mirrored = limbModel;
    for (Vector3 &p : mirrored.mesh.restPositions)
        p.x = -p.x;
    for (Vector3 &n : mirrored.mesh.restNormals)
        n.x = -n.x;
    for (Triangle &t : mirrored.mesh.triangles)
        std::swap(t.index[1], t.index[2]); // corners still clockwise seen from outside
    WeightsChanged(mirrored);
    auto percent = [](const Model &model, int method, double twist) {
        bones[1].rotY = twist;
        BuildBoneMatrices();
        ModelPose pose = LimbPose();
        int count = VertexCount(model.mesh);
        std::vector<Vector3> positions((size_t)count), normals((size_t)count);
        skinningMethods[method].skin(SkinInputOf(model, pose), 0, count, positions.data(),
                                     normals.data());
        return 100.0 * MeshVolume(model, positions.data()) /
               MeshVolume(model, model.mesh.restPositions.data());
    };
    for (int method : {SkinningLinear, SkinningDualQuaternion, SkinningCentreOfRotation})
        for (double twist : {5.0, 90.0, 179.0}) {
            SCOPED_TRACE(::testing::Message() << SkinningMethodName(method) << ", " << twist);
            double right = percent(limbModel, method, twist);
            double left = percent(limbModel, method, -twist);
            EXPECT_NEAR(percent(mirrored, method, -twist), right, 1e-6);
            EXPECT_NEAR(percent(mirrored, method, twist), left, 1e-6);
            if (method == SkinningDualQuaternion && twist == 179.0) {
                EXPECT_GT(std::fabs(right - left), 10.0) << right << " against " << left;
            }
        }
}

} // namespace
