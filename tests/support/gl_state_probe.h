#pragma once

// Snapshots of GL state as lists of numbers, for tests that check a drawing step puts back what
// it changes: compare the list before the step with the list after it.

#include <vector>

// The fixed state the scene relies on: capabilities, modes, bindings, viewport, pixel storage,
// the texture environment and light 0.
std::vector<double> FixedGlState();

// FixedGlState and the state that draws leave behind between primitives: the current colour,
// normal and texture coordinate, line width, point size, depth writing, polygon offset, colour
// material, the front material, smoothing and the attribute stack's depth.
std::vector<double> DrawingGlState();
