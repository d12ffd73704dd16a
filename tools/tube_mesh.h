#pragma once

#include "mesh/skinned_mesh.h"

#include <cmath>
#include <vector>

// A long tube skinned to a chain of joints along y, for the tests and the benchmarks of work
// that grows with a mesh's size: rings of segments vertices from y = 0 to y = length, each
// vertex bound to the influences joints nearest its ring (joint j stands at j * length /
// (joints - 1)) with weights falling off linearly over two joints' spacing, normalised. Every
// vertex of a ring has the same weights, as a limb's or a tail's do, and neighbouring rings
// differ by less than a tenth in each weight when there are ten or more rings per joint.
inline SkinnedMesh MakeTubeMesh(int rings, int segments, int joints, int influences,
                                double length = 10.0, double radius = 0.5) {
    SkinnedMesh mesh;
    const double pi = 3.14159265358979323846;
    double spacing = length / (joints - 1);
    for (int r = 0; r < rings; ++r) {
        double y = length * r / (rings - 1);
        // The nearest joints, in order of distance (ties to the lower one).
        VertexInfluences v = {0, {}, {}};
        std::vector<int> used((size_t)joints, 0);
        double sum = 0.0;
        double weights[MaxInfluences];
        for (int k = 0; k < influences; ++k) {
            int nearest = -1;
            for (int j = 0; j < joints; ++j)
                if (!used[(size_t)j] &&
                    (nearest < 0 || std::fabs(y - j * spacing) < std::fabs(y - nearest * spacing)))
                    nearest = j;
            used[(size_t)nearest] = 1;
            double w = 1.0 - std::fabs(y - nearest * spacing) / (2.0 * spacing);
            weights[k] = w > 0.0 ? w : 0.0;
            v.joints[k] = nearest;
            sum += weights[k];
        }
        for (int k = 0; k < influences; ++k)
            if (weights[k] > 0.0) {
                v.joints[v.count] = v.joints[k];
                v.weights[v.count++] = (float)(weights[k] / sum);
            }
        for (int s = 0; s < segments; ++s) {
            double a = 2.0 * pi * s / segments;
            mesh.restPositions.push_back(Vector3{(float)(radius * std::cos(a)), (float)y,
                                                 (float)(radius * std::sin(a))});
            mesh.restNormals.push_back(Vector3{(float)std::cos(a), 0.0f, (float)std::sin(a)});
            mesh.texCoords.push_back(TexCoord{(float)s / segments, (float)r / (rings - 1)});
            mesh.influences.push_back(v);
        }
    }
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            int a = r * segments + s, b = r * segments + (s + 1) % segments;
            int c = a + segments, d = b + segments;
            mesh.triangles.push_back(Triangle{{a, c, b}});
            mesh.triangles.push_back(Triangle{{b, c, d}});
        }
    return mesh;
}
