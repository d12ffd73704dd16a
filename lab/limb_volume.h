#pragma once

#include "math/math3d.h"

// The limb's volume: the space enclosed by the skin's triangles and the disc that closes its
// open bottom, a fan of triangles from the bottom ring's centre to its edges. The skin's
// winding makes it positive for the rest pose; a fold or a skin pulled inside out counts the
// turned parts negative.

// For the skin's triangles with their corners at positions (indexed like restPositions).
double LimbVolume(const Vector3 *positions);

// For the rest pose: the same every time.
double RestLimbVolume();

// For the skin as the last pass left it (skinVertices' positions).
double SkinnedLimbVolume();

// SkinnedLimbVolume as a percentage of RestLimbVolume: 100 keeps the volume.
double LimbVolumePercent();
