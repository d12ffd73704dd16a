#include "render/ik_overlays.h"

#include <GL/gl.h>

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/ik_colours.h"

namespace {

// Half the cross's width, scene units: a little more than a target step, so that one press
// moves the target by less than the cross's arm.
const float TargetArm = 0.15f;
const float OverlayLineWidth = 2.0f;

// Lines in exactly their colour whatever the light and the last normal: emission alone.
void UseFlatColour(const ColourRgb &colour) {
    const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat emission[4] = {colour.r, colour.g, colour.b, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
}

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

void DrawComparedChains(const FrameRecord &frame) {
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        if (kind == demoState.ikSolver)
            continue; // that one is the limb itself
        UseFlatColour(IkSolverColour(kind));
        glBegin(GL_LINE_STRIP);
        SendPoint(bones[0].pivot);
        SendPoint(frame.chainElbow[kind]);
        SendPoint(frame.chainEnd[kind]);
        glEnd();
    }
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
    if (frame.comparisonDrawn)
        DrawComparedChains(frame);
    glPopAttrib();
}
