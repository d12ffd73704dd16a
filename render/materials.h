#pragma once

#include "math/colour.h"

// The seven surface materials of the scene. Colours are RGB with one alpha shared by all four;
// shininess is the specular exponent.
struct Material {
    float ambient[3];
    float diffuse[3];
    float specular[3];
    float emission[3];
    float alpha;
    float shininess;
};

const int MaterialCount = 7;

// Indices into materials, by what the renderer draws with them. The bone markers take theirs
// from each bone's material field (1 and 2 after set-up).
const int FloorMaterial = 0;
const int SkinTexturedMaterial = 3;
const int NormalLineMaterial = 4;
const int SkinPlainMaterial = 5;  // untextured skin and the wireframe skin
const int TargetLineMaterial = 6; // pure red: emission alone saturates red in any light

extern const Material materials[MaterialCount];

// Makes materials[index] current for front and back faces, every call (nothing cached). Valid
// between glBegin and glEnd. An index outside 0..6 leaves the current material unchanged
// instead of reading past the table.
void SetMaterial(int index);

// Lines and dots in exactly colour whatever the light and the last normal: emission alone, the
// other parts black. Changes the current material, as SetMaterial does.
void UseFlatColour(const ColourRgb &colour);
