#pragma once

#include "ik/ik_solvers.h"
#include "lab/skin_colours.h"

// The colours of the inverse-kinematics overlays, shared by the renderer's lines and the
// panel's legend so that the two always agree. None is the red of the line from the chain's
// end to the target, the greens of the skin or the blues of the bone markers.

// The cross on the target.
const ColourRgb IkTargetColour = {1.0f, 0.0f, 1.0f}; // magenta

// The pole's arrow from the elbow.
const ColourRgb IkPoleColour = {1.0f, 0.45f, 0.6f}; // pink

// The joint limits: the lower bone's cone and the elbow's allowed directions.
const ColourRgb IkLimitsColour = {0.7f, 0.7f, 0.7f}; // light grey

// Each solver's chain in the comparison: its row's colour (ikSolvers).
inline ColourRgb IkSolverColour(int kind) {
    return ikSolvers[ValidIkSolver(kind)].colour;
}
