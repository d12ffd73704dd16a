#pragma once

// The per-frame update: rebuild the bone matrices, run one solver pass in the IK mode, then
// deform every skin vertex from its rest data (so errors never accumulate across frames).
void UpdateSkeletonAndSkin();

// Blends each vertex between its first bone's transform and the chain first-bone-then-second,
// by its weight. Normals are directions: they go through the same blend of the same matrices
// with w = 0, so the bones' translations never reach them. They are not renormalised.
void SkinMesh();
