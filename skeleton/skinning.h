#pragma once

// The per-frame update: rebuild the bone matrices, run one solver pass in the IK mode, then
// deform every skin vertex from its rest data (so errors never accumulate across frames).
void UpdateSkeletonAndSkin();

// Blends each vertex between its first bone's transform and the chain first-bone-then-second,
// by its weight. Normals go through the same matrices (translation included, as homogeneous
// points with w = 1) and are not renormalised.
void SkinMesh();
