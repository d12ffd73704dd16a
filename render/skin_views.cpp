#include "render/skin_views.h"

#include <GL/gl.h>

#include "demo/demo_state.h"
#include "demo/shown_model.h"
#include "lab/skin_colours.h"
#include "lab/vertex_inspector.h"
#include "mesh/skin_mesh.h"
#include "render/model_drawing.h"
#include "skinning/skinning.h"

namespace {

const ColourRgb &MethodColour(int method) {
    return skinningMethods[method].colour;
}

// The colour views are unlit: a pixel of the skin shows its scale's colour exactly, as the
// legend does, where shading would read as more or less of what the scale measures. The shape
// shows instead by the triangles' edges drawn over the filled colours, black at this opacity:
// a shade darker, never another hue.
const GLfloat EdgeOutline[4] = {0.0f, 0.0f, 0.0f, 0.3f};
// How far forward the edges' depth is pulled, so that they win over the faces they border.
const GLfloat EdgeOffsetFactor = -1.0f;
const GLfloat EdgeOffsetUnits = -1.0f;

// The rest pose's lines: pale, and mostly the colour behind them (an edge two faces share is
// drawn twice, so it shows about half this pale colour).
const GLfloat GhostColour[4] = {0.85f, 0.9f, 1.0f, 0.3f};
// How far back its depth is pushed: a pixel's worth of its faces' slope, and a few steps more.
const GLfloat GhostOffsetFactor = 1.5f;
const GLfloat GhostOffsetUnits = 4.0f;

// The inspector's marks, in pixels: squares with a black border of BorderPixels all round. The
// rigid result is drawn under A and B, one of which it always equals, as a ring around it; the
// linear result over the dual-quaternion one, which it meets at the ends of a blend.
const float PointPixels = 7.0f;
const float CentrePixels = 5.0f;
const float SmallCentrePixels = 3.0f;
const float LinearPixels = 5.0f;
const float RigidPixels = 11.0f;
const float BorderPixels = 1.0f;
const float MarkPixels = 21.0f; // a red square ring around the vertex as the skin has it,
                                // bordered in black on both sides
const float MarkRingPixels = 2.0f;
const float LinePixels = 2.0f;

void SendPosition(const Vector3 &p) {
    glVertex3f(p.x, p.y, p.z);
}

// One skin and the numbers the colour views paint it by: the limb's, or a copy's side by side.
struct SkinLayer {
    const SkinVertex *skin;
    const float *determinants;
    const float *radiusRatios;
    const float *stretchRatios; // per triangle
    const SkinnedMesh *mesh;    // the triangles and the weights
    // The limb: its weights view reads each vertex's weight on bone 1 as the skin carries it.
    // A model's: weightsJoint's weights, or every joint's colour mixed (weightsJoint -1). A
    // model's wireframe is its triangles in line mode, not loops of lines, and the views follow
    // it line for line.
    int limb;
    int weightsJoint;
};

SkinLayer LayerOf(const FrameRecord &frame) {
    return SkinLayer{frame.skin.data(),         frame.determinants.data(),
                     frame.radiusRatios.data(), frame.stretchRatios.data(),
                     &frame.model->mesh,        !FrameShowsLoadedModel(frame),
                     frame.weightsJoint};
}

SkinLayer LayerOfCopy(const FrameRecord &frame, int method) {
    return SkinLayer{frame.copies.skins[method].data(),
                     frame.copies.determinants[method].data(),
                     frame.copies.radiusRatios[method].data(),
                     frame.copies.stretchRatios[method].data(),
                     &frame.model->mesh,
                     !FrameShowsLoadedModel(frame),
                     frame.weightsJoint};
}

ColourRgb ViewColour(const SkinLayer &layer, int vertex) {
    if (demoState.weightsView) {
        if (layer.limb)
            return WeightColour(SecondBoneWeight(layer.skin[vertex]));
        const VertexInfluences &influences = layer.mesh->influences[vertex];
        return layer.weightsJoint >= 0 ? WeightColour(WeightOnJoint(influences, layer.weightsJoint))
                                       : JointMixColour(influences);
    }
    if (demoState.radiusView)
        return RadiusColour(layer.radiusRatios[vertex]);
    return DeterminantColour(layer.determinants[vertex]);
}

void SendColour(const ColourRgb &c) {
    glColor3f(c.r, c.g, c.b);
}

// The triangles in their colours: one per triangle for the stretch view, one per corner for
// the others, blended across the face.
void SendColouredTriangles(const SkinLayer &layer, int reversed) {
    const std::vector<Triangle> &triangles = layer.mesh->triangles;
    glBegin(GL_TRIANGLES);
    for (size_t t = 0; t < triangles.size(); ++t) {
        if (demoState.stretchView)
            SendColour(StretchColour(layer.stretchRatios[t]));
        for (int n = 0; n < 3; ++n) {
            int i = triangles[t].index[reversed ? 2 - n : n];
            if (!demoState.stretchView)
                SendColour(ViewColour(layer, i));
            SendPosition(layer.skin[i].position);
        }
    }
    glEnd();
}

// The skin again, in the corners' order and at the positions the renderer sent, so every
// fragment lands at the depth of the skin's own and passes the LEQUAL test on it. Unlit, so that
// the colour on screen is the scale's own.
void DrawColouredSkin(const SkinLayer &layer) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDepthFunc(GL_LEQUAL);
    if (demoState.wireframe && !layer.limb) {
        // As the model's own wireframe: every triangle in line mode, front and back.
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        SendColouredTriangles(layer, 0);
        return;
    }
    if (demoState.wireframe) {
        const std::vector<Triangle> &triangles = layer.mesh->triangles;
        for (size_t t = 0; t < triangles.size(); ++t) {
            glBegin(GL_LINE_LOOP);
            for (int k = 2; k >= 0; --k) {
                int i = triangles[t].index[k];
                SendColour(demoState.stretchView ? StretchColour(layer.stretchRatios[t])
                                                 : ViewColour(layer, i));
                SendPosition(layer.skin[i].position);
            }
            glEnd();
        }
        return;
    }
    // Stored corners run clockwise seen from outside: sent last to first, the outside faces
    // the viewer, as the skin's own faces do.
    SendColouredTriangles(layer, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(EdgeOffsetFactor, EdgeOffsetUnits);
    glColor4fv(EdgeOutline);
    glBegin(GL_TRIANGLES);
    for (const Triangle &triangle : layer.mesh->triangles)
        for (int k = 2; k >= 0; --k)
            SendPosition(layer.skin[triangle.index[k]].position);
    glEnd();
}

// Drawn after the posed skin with the depth test on and its depth pushed back a little, so the
// posed skin hides it where it is in front and where the two lie together (the parts the pose
// leaves at rest); writing no depth, it hides nothing drawn after it. Every edge shows, front
// and back, as in the skin's own wireframe.
// A model's file gives its mesh in the space it was bound in, which need not be the scene's: the
// shipped figure's is Z-up. Its rest pose is drawn where the skeleton's root puts it (the root's
// skin matrix: at rest, the matrix of the nodes above the skeleton), so it stands with the model
// and follows the root as the clip moves it. The limb's rest pose is drawn where it is.
void DrawRestPoseGhost(const FrameRecord &frame, const SkinLayer &layer) {
    const SkinnedMesh &mesh = *layer.mesh;
    int root = -1;
    if (!layer.limb) {
        const std::vector<int> &parents = frame.model->rig.parents;
        for (int j = 0; j < (int)parents.size() && root < 0; ++j)
            if (parents[(size_t)j] < 0)
                root = j;
    }
    int placed = root >= 0 && root < (int)frame.skinPose.skins.size();
    if (placed) {
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glMultMatrixf(frame.skinPose.skins[(size_t)root].m);
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_FALSE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(GhostOffsetFactor, GhostOffsetUnits);
    glColor4fv(GhostColour);
    glBegin(GL_TRIANGLES);
    for (const Triangle &triangle : mesh.triangles)
        for (int k = 2; k >= 0; --k)
            SendPosition(mesh.restPositions[triangle.index[k]]);
    glEnd();
    if (placed)
        glPopMatrix();
}

void Line(const Vector3 &from, const Vector3 &to, const ColourRgb &colour) {
    glColor3f(colour.r, colour.g, colour.b);
    glBegin(GL_LINES);
    SendPosition(from);
    SendPosition(to);
    glEnd();
}

void Square(const Vector3 &at, const ColourRgb &colour, float pixels) {
    glPointSize(pixels);
    glColor3f(colour.r, colour.g, colour.b);
    glBegin(GL_POINTS);
    SendPosition(at);
    glEnd();
}

const ColourRgb Black = {0.0f, 0.0f, 0.0f};
const ColourRgb White = {1.0f, 1.0f, 1.0f};

// A square point of colour with a black border inside a white one, so it shows on any colour
// the skin, the floor or the views give: a white mark on the white volume view included.
void Point(const Vector3 &at, const ColourRgb &colour, float pixels) {
    Square(at, White, pixels + 4.0f * BorderPixels);
    Square(at, Black, pixels + 2.0f * BorderPixels);
    Square(at, colour, pixels);
}

// The centre-of-rotation result and, when the vertex has a centre, that centre where the
// weighted mix of A and B carries it, with a line to the result: the vertex turns about it.
// Under the centre-of-rotation method, every vertex's centre as a small point: the centres of a
// ring coincide, so the few points show where each ring turns about.
void DrawAllRotationCentres(const FrameRecord &frame) {
    if (ValidSkinningMethod(demoState.skinningMethod) != SkinningCentreOfRotation)
        return;
    const ColourRgb &colour = MethodColour(SkinningCentreOfRotation);
    for (size_t i = 0; i < frame.hasCentre.size(); ++i)
        if (frame.hasCentre[i])
            Point(frame.carriedCentres[i], colour, SmallCentrePixels);
}

void DrawRotationCentre(const VertexInspection &seen) {
    const ColourRgb &colour = MethodColour(SkinningCentreOfRotation);
    const Vector3 &result = seen.methods[SkinningCentreOfRotation].position;
    if (seen.hasRotationCentre) {
        Line(seen.carriedCentre, result, colour);
        Point(seen.carriedCentre, colour, CentrePixels);
    }
    Point(result, colour, PointPixels);
}

// How far the joint's axis is drawn either side of the joint, in scene units: past the limb's
// widest ring at the joint.
const float AxisHalfLength = 0.6f;

// The same in the units the marks are drawn in: a model's own, which its framing scales into
// the scene, so that the axis shows as long on any model as on the limb.
float AxisHalfLengthFor(const FrameRecord &frame) {
    float scale = FrameShowsLoadedModel(frame) ? shownModel.framing.m[0] : 1.0f;
    return scale > 0.0f ? AxisHalfLength / scale : AxisHalfLength;
}

// The joint's axis through its pivot, and the arc along which bone 1's turn takes the vertex from
// where A puts it to where B does: the path the linear blend cuts across and the others follow.
void DrawJointTurn(const VertexInspection &seen, float halfLength) {
    if (!seen.hasTurn)
        return;
    Vector3 reach = {halfLength * seen.turnAxis.x, halfLength * seen.turnAxis.y,
                     halfLength * seen.turnAxis.z};
    Line(Subtract(seen.jointPivot, reach), Add(seen.jointPivot, reach), InspectorAxisColour);
    glColor3f(InspectorArcColour.r, InspectorArcColour.g, InspectorArcColour.b);
    glBegin(GL_LINE_STRIP);
    for (const Vector3 &p : seen.arc)
        SendPosition(p);
    glEnd();
}

// In front of everything: the chord from A to B, on which the linear blend always lies, and
// the two lines from A and B to the dual-quaternion result, which leaves the chord as the
// blend turns instead of shrinking.
void DrawInspectedVertex(const FrameRecord &frame) {
    const VertexInspection &seen = frame.inspection;
    const Vector3 &skinned = frame.skin[seen.vertex].position;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    const ColourRgb markRed = {1.0f, 0.2f, 0.2f};
    const Vector3 &linear = seen.methods[SkinningLinear].position;
    const Vector3 &rigid = seen.methods[SkinningRigid].position;
    const Vector3 &dual = seen.methods[SkinningDualQuaternion].position;

    Point(skinned, markRed, MarkPixels);
    Square(skinned, Black, MarkPixels - 2.0f * MarkRingPixels);

    glLineWidth(LinePixels);
    DrawAllRotationCentres(frame);
    DrawJointTurn(seen, AxisHalfLengthFor(frame));
    Line(seen.firstPosition, seen.chainPosition, MethodColour(SkinningLinear));
    Line(seen.firstPosition, dual, MethodColour(SkinningDualQuaternion));
    Line(dual, seen.chainPosition, MethodColour(SkinningDualQuaternion));

    Point(rigid, MethodColour(SkinningRigid), RigidPixels);
    Point(seen.firstPosition, InspectorFirstColour, PointPixels);
    Point(seen.chainPosition, InspectorChainColour, PointPixels);
    Point(dual, MethodColour(SkinningDualQuaternion), PointPixels);
    Point(linear, MethodColour(SkinningLinear), LinearPixels);
    DrawRotationCentre(seen);
}

void DrawViewsOf(const FrameRecord &frame, const SkinLayer &layer, int inspected) {
    int colouring = demoState.weightsView || demoState.volumeView || demoState.radiusView ||
                    demoState.stretchView;
    if (!colouring && !demoState.restPoseView && !inspected)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_COLOR_BUFFER_BIT | GL_LINE_BIT | GL_POINT_BIT | GL_POLYGON_BIT);
    if (colouring)
        DrawColouredSkin(layer);
    if (demoState.restPoseView)
        DrawRestPoseGhost(frame, layer);
    if (inspected)
        DrawInspectedVertex(frame);
    glPopAttrib();
}

} // namespace

void DrawSkinViews(const FrameRecord &frame) {
    if (!frame.model || frame.skin.size() != frame.model->mesh.restPositions.size())
        return; // before the set-up: no surface yet
    DrawViewsOf(frame, LayerOf(frame), frame.inspected);
}

void DrawSkinViewsOfCopy(const FrameRecord &frame, int method) {
    // The inspector's marks belong to the method the skin is drawn with: its copy alone.
    if (!frame.model || frame.copies.skins[method].size() != frame.model->mesh.restPositions.size())
        return;
    int inspected = frame.inspected && method == ValidSkinningMethod(demoState.skinningMethod);
    DrawViewsOf(frame, LayerOfCopy(frame, method), inspected);
}
