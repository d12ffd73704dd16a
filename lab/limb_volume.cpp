#include "lab/limb_volume.h"

#include "mesh/skin_mesh.h"

double LimbVolume(const Vector3 *positions) {
    // Divergence theorem: the volume is the sum of the signed tetrahedra from one apex to every
    // face of the closed surface. With the apex at the bottom ring's centre, every triangle of
    // the bottom disc has the apex as a corner and adds nothing, so only the skin's triangles
    // are summed.
    double apex[3] = {0.0, 0.0, 0.0};
    for (int k = 0; k < SkinRingSize; ++k) {
        const Vector3 &p = positions[SkinBottomRingStart + k];
        apex[0] += p.x, apex[1] += p.y, apex[2] += p.z;
    }
    for (double &component : apex)
        component /= SkinRingSize;

    double sixTimesVolume = 0.0;
    for (const Triangle &triangle : modelTriangles) {
        double corner[3][3];
        for (int k = 0; k < 3; ++k) {
            const Vector3 &p = positions[triangle.index[k]];
            corner[k][0] = p.x - apex[0];
            corner[k][1] = p.y - apex[1];
            corner[k][2] = p.z - apex[2];
        }
        const double *a = corner[0], *b = corner[1], *c = corner[2];
        // a . (b x c); the stored corners run clockwise seen from outside, so it is negative
        // for a face that holds volume in front of the apex.
        sixTimesVolume -= a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) +
                          a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    return sixTimesVolume / 6.0;
}

double RestLimbVolume() {
    return LimbVolume(restPositions);
}

double SkinnedLimbVolume() {
    Vector3 positions[SkinVertexCount];
    for (int i = 0; i < SkinVertexCount; ++i)
        positions[i] = skinVertices[i].position;
    return LimbVolume(positions);
}

double LimbVolumePercent() {
    return 100.0 * SkinnedLimbVolume() / RestLimbVolume();
}
