#include "lab/side_by_side.h"

#include "lab/limb_volume.h"
#include "lab/skin_radius.h"
#include "lab/vertex_inspector.h"
#include "math/vec3d.h"

#include <cstring>

Vector3 SideBySideOffset(int method, double viewAngle) {
    // The camera turns the scene by the yaw about Y before anything else that could move its
    // x axis, so the screen's x axis is the model's x axis turned back by the yaw.
    Vec3d across = TurnY(Vec3d{1.0, 0.0, 0.0}, Back(TurnOf(viewAngle)));
    double along = (method - (SkinningMethodCount - 1) / 2.0) * SideBySideSpacing;
    return ToVector3(Times(across, along));
}

void SkinEveryMethod(MethodCopies &out, double viewAngle) {
    static SkinVertex kept[SkinVertexCount];
    static float keptDeterminants[SkinVertexCount], keptRatios[SkinVertexCount];
    std::memcpy(kept, skinVertices, sizeof kept);
    std::memcpy(keptDeterminants, skinDeterminants, sizeof keptDeterminants);
    std::memcpy(keptRatios, skinRadiusRatios, sizeof keptRatios);
    for (int m = 0; m < SkinningMethodCount; ++m) {
        out.offsets[m] = SideBySideOffset(m, viewAngle);
        std::memcpy(out.skins[m], kept, sizeof kept); // weights, bones, texture coordinates
        skinningMethods[m].skinVertices(0, SkinVertexCount, out.skins[m]);
        for (int i = 0; i < SkinVertexCount; ++i)
            out.determinants[m][i] = (float)skinningMethods[m].determinant(i);
        // The radius and the volume read the skin from skinVertices.
        std::memcpy(skinVertices, out.skins[m], sizeof kept);
        UpdateRadiusRatios();
        std::memcpy(out.radiusRatios[m], skinRadiusRatios, sizeof keptRatios);
        out.volumePercent[m] = LimbVolumePercent();
    }
    std::memcpy(skinVertices, kept, sizeof kept);
    std::memcpy(skinDeterminants, keptDeterminants, sizeof keptDeterminants);
    std::memcpy(skinRadiusRatios, keptRatios, sizeof keptRatios);
}

int PickVertexOfCopies(const CameraView &camera, const MethodCopies &copies, int pointerX,
                       int pointerY, int width, int height, int &vertex, int &method) {
    PickedVertex best = {-1, 0.0, 0.0};
    int bestMethod = -1;
    for (int m = 0; m < SkinningMethodCount; ++m) {
        PickedVertex picked;
        if (!PickVertexOn(camera, copies.skins[m], copies.offsets[m], pointerX, pointerY, width,
                          height, picked))
            continue;
        if (bestMethod < 0 || picked.distance < best.distance ||
            (picked.distance == best.distance && picked.inverseDepth > best.inverseDepth)) {
            best = picked;
            bestMethod = m;
        }
    }
    if (bestMethod < 0)
        return 0;
    vertex = best.vertex;
    method = bestMethod;
    return 1;
}
