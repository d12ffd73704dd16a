#pragma once

#include "skeleton/ik_solvers.h"
#include "skeleton/skin_colours.h"

// The colours of the inverse-kinematics overlays, shared by the renderer's lines and the
// panel's legend so that the two always agree. None is the red of the line from the chain's
// end to the target, the greens of the skin or the blues of the bone markers.

// The cross on the target.
const ColourRgb IkTargetColour = {1.0f, 0.0f, 1.0f}; // magenta

// Each solver's chain in the comparison: its row's colour (ikSolvers).
inline ColourRgb IkSolverColour(int kind) {
    return ikSolvers[ValidIkSolver(kind)].colour;
}
