#pragma once

// A colour as the GL and the panel take it. The tables of named rows (methods, solvers) give each
// row one, so that a row's colour in the scene and in the panel's legend are the same numbers.
struct ColourRgb {
    float r, g, b; // 0 to 1
};
