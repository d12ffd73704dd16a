#pragma once

#include "gltf/gltf_model.h"

#include <vector>

// Sampling a loaded model's clips into joint local matrices.

// Every clip at once, as --clip leaves it by default: a file may split one motion over several
// clips of one joint each.
const int GltfAllClips = -1;

// The first and last key time of clip (of every clip for GltfAllClips); 0 and 0 for a file
// without clips or a clip number that is none.
double ClipStart(const LoadedModel &loaded, int clip);
double ClipEnd(const LoadedModel &loaded, int clip);

// One channel's value at time (clamped to its first and last key): 3 numbers, or 4 for a
// rotation (x y z w, unit). LINEAR blends neighbouring keys (rotations by spherical
// interpolation the short way round), STEP holds the earlier key, CUBICSPLINE is the Hermite
// spline through the keys with the file's tangents times the keys' interval.
void SampleChannel(const GltfChannel &channel, double time, float out[4]);

// Every joint's local matrix at time in clip (GltfAllClips: every clip's channels, later clips
// over earlier ones for one property); properties no channel moves keep their rest values, and
// a joint that nothing moves keeps its rest matrix exactly.
void PoseAtTime(const LoadedModel &loaded, int clip, double time, std::vector<Matrix4> &locals);

// The clip named text, or numbered text (from 0); 1 and clip set when found, else 0.
int FindClip(const LoadedModel &loaded, const char *text, int &clip);
