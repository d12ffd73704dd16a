#include "lab/volume.h"

#include "model/limb_model.h"

#include <limits>
#include <vector>

double MeshVolume(const Model &model, const Vector3 *positions) {
    // Divergence theorem: the volume is the sum of the signed tetrahedra from one apex to every
    // face of the closed surface. With the apex at the open ring's centre, every triangle of the
    // disc that closes it has the apex as a corner and adds nothing, so only the skin's
    // triangles are summed.
    double apex[3] = {0.0, 0.0, 0.0};
    for (int k = 0; k < model.openRingSize; ++k) {
        const Vector3 &p = positions[model.openRingStart + k];
        apex[0] += p.x, apex[1] += p.y, apex[2] += p.z;
    }
    if (model.openRingSize > 0)
        for (double &component : apex)
            component /= model.openRingSize;

    double sixTimesVolume = 0.0;
    for (const Triangle &triangle : model.mesh.triangles) {
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

double VolumePercent(const Model &model, const SkinVertex *skin) {
    if (!model.closedSurface)
        return std::numeric_limits<double>::quiet_NaN();
    std::vector<Vector3> positions(model.mesh.restPositions.size());
    for (size_t i = 0; i < positions.size(); ++i)
        positions[i] = skin[i].position;
    return 100.0 * MeshVolume(model, positions.data()) /
           MeshVolume(model, model.mesh.restPositions.data());
}

double LimbVolume(const Vector3 *positions) {
    return MeshVolume(limbModel, positions);
}

double RestLimbVolume() {
    return LimbVolume(restPositions);
}

double LimbVolumePercent() {
    return VolumePercent(limbModel, skinVertices);
}
