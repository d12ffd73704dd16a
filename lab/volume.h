#pragma once

#include "math/math3d.h"
#include "mesh/skin_mesh.h"
#include "model/model.h"

// A skin's volume: the space enclosed by its triangles and, where the model names an open ring
// (the limb's bottom, which stands on the floor), the disc that closes it, a fan of triangles
// from the ring's centre to its edges. The skin's winding makes it positive for the rest pose; a
// fold or a skin pulled inside out counts the turned parts negative.

// For model's triangles with their corners at positions (indexed like its vertices).
double MeshVolume(const Model &model, const Vector3 *positions);

// For a skinned copy of model's vertices, as a percentage of the rest pose's: 100 keeps it.
// NaN for a model whose surface does not close (model.closedSurface 0): it holds no volume,
// and what its triangles sum to would be a figure that measures nothing.
double VolumePercent(const Model &model, const SkinVertex *skin);

// The limb's (limbModel's): for its corners at positions, at rest, and for the skin as the last
// pass left it (skinVertices) against rest.
double LimbVolume(const Vector3 *positions);
double RestLimbVolume();
double LimbVolumePercent();
