#include "render/ik_overlays.h"

#include <GL/gl.h>

#include "demo/demo_state.h"
#include "lab/ik_colours.h"
#include "render/materials.h"
#include "rig/bones.h"

namespace {

// Half the cross's width, scene units: a little more than a target step, so that one press
// moves the target by less than the cross's arm.
const float TargetArm = 0.15f;
const float OverlayLineWidth = 2.0f;
const float PoleLineWidth = 3.0f;

void SendPoint(const Vector3 &p) {
    glVertex3f(p.x, p.y, p.z);
}

// One arm along each axis: from every side at least two of them show as lines.
void DrawTargetCross(const Vector3 &target) {
    UseFlatColour(IkTargetColour);
    glBegin(GL_LINES);
    for (int axis = 0; axis < 3; ++axis) {
        Vector3 from = target, to = target;
        float &a = axis == 0 ? from.x : axis == 1 ? from.y : from.z;
        float &b = axis == 0 ? to.x : axis == 1 ? to.y : to.z;
        a -= TargetArm;
        b += TargetArm;
        SendPoint(from);
        SendPoint(to);
    }
    glEnd();
}

// Each compared chain a step thicker than the next in the table's order, drawn thickest first:
// chains that coincide show as stripes of every colour, not as the last one alone.
const float ComparedWidthStep = 2.0f;

void DrawComparedChains(const FrameRecord &frame) {
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        if (kind == demoState.ikSolver)
            continue; // that one is the limb itself
        glLineWidth(OverlayLineWidth + ComparedWidthStep * (IkSolverCount - 1 - kind));
        UseFlatColour(IkSolverColour(kind));
        glBegin(GL_LINE_STRIP);
        SendPoint(bones[0].pivot);
        SendPoint(frame.chainElbow[kind]);
        SendPoint(frame.chainEnd[kind]);
        glEnd();
    }
}

void SendStrip(const Vector3 *points, int count) {
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < count; ++i)
        SendPoint(points[i]);
    glEnd();
}

// The pole: an arrow from the elbow toward the side it asks the elbow to go.
void DrawPoleArrow(const IkGuides &guides) {
    glLineWidth(PoleLineWidth);
    UseFlatColour(IkPoleColour);
    glBegin(GL_LINES);
    SendPoint(guides.poleFrom);
    SendPoint(guides.poleTo);
    for (const Vector3 &head : guides.poleHead) {
        SendPoint(guides.poleTo);
        SendPoint(head);
    }
    glEnd();
    glLineWidth(OverlayLineWidth);
}

// The limits: the lower bone's cone (its rim and four lines from the root) and the elbow's
// allowed directions, outlined round the elbow with the hinge's arc through them.
void DrawLimitGuides(const IkGuides &guides) {
    UseFlatColour(IkLimitsColour);
    const int rim = 2 * IkGuideArcPoints;
    SendStrip(guides.coneRim, rim);
    glBegin(GL_LINES);
    for (int i = 0; i < 4; ++i) {
        SendPoint(guides.root);
        SendPoint(guides.coneRim[i * (rim - 1) / 4]);
    }
    glEnd();
    Vector3 outline[4 * IkGuideArcPoints + 1];
    for (int i = 0; i < 4 * IkGuideArcPoints; ++i)
        outline[i] = guides.elbowOutline[i];
    outline[4 * IkGuideArcPoints] = guides.elbowOutline[0];
    SendStrip(outline, 4 * IkGuideArcPoints + 1);
    SendStrip(guides.hinge, IkGuideArcPoints);
}

} // namespace

void DrawIkLabOverlays(const FrameRecord &frame) {
    if (!demoState.ikMode)
        return;
    // On top of everything: the target and the chains often lie inside the limb, where the
    // skin and the bone markers would hide them.
    glPushAttrib(GL_LIGHTING_BIT | GL_LINE_BIT | GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(OverlayLineWidth);
    DrawTargetCross(demoState.target);
    if (frame.ikGuides.limits)
        DrawLimitGuides(frame.ikGuides);
    if (frame.ikGuides.pole)
        DrawPoleArrow(frame.ikGuides);
    if (frame.comparisonDrawn)
        DrawComparedChains(frame);
    glPopAttrib();
}

void DrawModelChainOverlays(const FrameRecord &frame) {
    glPushAttrib(GL_LIGHTING_BIT | GL_LINE_BIT | GL_ENABLE_BIT | GL_POINT_BIT);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(OverlayLineWidth);
    DrawTargetCross(demoState.target);
    // Thickest first, as the limb's compared chains: chains that coincide show as stripes.
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        const std::vector<Vector3> &points = frame.modelChains[kind];
        if (points.empty())
            continue;
        UseFlatColour(IkSolverColour(kind));
        glLineWidth(OverlayLineWidth + ComparedWidthStep * (IkSolverCount - 1 - kind));
        SendStrip(points.data(), (int)points.size());
        // The joints as dots, so a curl shows which joints bend.
        glPointSize(OverlayLineWidth + ComparedWidthStep * (IkSolverCount - kind));
        glBegin(GL_POINTS);
        for (const Vector3 &p : points)
            SendPoint(p);
        glEnd();
    }
    glPopAttrib();
}

namespace {

// Half the width of the target's shadow on the floor, scene units.
const float ShadowArm = 0.12f;

} // namespace

void DrawIkTargetDrop(const Vector3 &target) {
    // Over the floor and the skin, but under the red line and the cross drawn after it: no
    // depth is written.
    glPushAttrib(GL_LIGHTING_BIT | GL_LINE_BIT | GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    UseFlatColour(IkTargetColour);
    Vector3 foot = {target.x, 0.0f, target.z}; // the floor lies at y = 0
    glLineWidth(1.0f);
    glBegin(GL_LINES);
    SendPoint(target);
    SendPoint(foot);
    glEnd();
    glLineWidth(OverlayLineWidth);
    // A closed strip rather than a loop: the same on every GL the program meets.
    const Vector3 diamond[5] = {{foot.x - ShadowArm, 0.0f, foot.z},
                                {foot.x, 0.0f, foot.z - ShadowArm},
                                {foot.x + ShadowArm, 0.0f, foot.z},
                                {foot.x, 0.0f, foot.z + ShadowArm},
                                {foot.x - ShadowArm, 0.0f, foot.z}};
    SendStrip(diamond, 5);
    glPopAttrib();
}
