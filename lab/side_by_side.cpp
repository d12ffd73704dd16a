#include "lab/side_by_side.h"

#include "lab/skin_radius.h"
#include "lab/stretch.h"
#include "lab/vertex_inspector.h"
#include "lab/volume.h"
#include "math/vec3d.h"

#include <cmath>

Vector3 SideBySideOffset(int method, double viewAngle, double spacing) {
    // The camera turns the scene by the yaw about Y before anything else that could move its
    // x axis, so the screen's x axis is the model's x axis turned back by the yaw.
    Vec3d across = TurnY(Vec3d{1.0, 0.0, 0.0}, Back(TurnOf(viewAngle)));
    double along = (method - (SkinningMethodCount - 1) / 2.0) * spacing;
    return ToVector3(Times(across, along));
}

double SideBySideSpacingFor(const Vector3 &low, const Vector3 &high) {
    const double Margin = 1.1;
    double dx = (double)high.x - low.x, dz = (double)high.z - low.z;
    double across = Margin * std::sqrt(dx * dx + dz * dz);
    return std::isfinite(across) && across > SideBySideSpacing ? across : SideBySideSpacing;
}

void SkinModelInto(const Model &model, const ModelPose &pose, int method,
                   std::vector<SkinVertex> &skin, std::vector<float> &determinants) {
    int count = VertexCount(model.mesh);
    SkinInput in = SkinInputOf(model, pose);
    const SkinningMethodInfo &info = skinningMethods[ValidSkinningMethod(method)];
    std::vector<Vector3> positions(count), normals(count);
    info.skin(in, 0, count, positions.data(), normals.data());
    skin.resize(count);
    determinants.resize(count);
    for (int i = 0; i < count; ++i) {
        skin[i].position = positions[i];
        skin[i].normal = normals[i];
        determinants[i] = (float)info.determinant(in, i);
    }
}

void SkinEveryMethod(MethodCopies &out, const Model &model, const ModelPose &pose,
                     const std::vector<SkinVertex> &skin, double viewAngle, double spacing) {
    for (int m = 0; m < SkinningMethodCount; ++m) {
        out.offsets[m] = SideBySideOffset(m, viewAngle, spacing);
        out.skins[m] = skin;
        SkinModelInto(model, pose, m, out.skins[m], out.determinants[m]);
        RadiusRatios(model, pose, out.skins[m].data(), out.radiusRatios[m]);
        TriangleStretch(model, out.skins[m].data(), out.stretchRatios[m]);
        out.volumePercent[m] = VolumePercent(model, out.skins[m].data());
    }
}

double SideBySideViewDistanceFor(double spacing) {
    double distance = SideBySideViewDistance * spacing / SideBySideSpacing;
    return distance < SideBySideViewDistance ? SideBySideViewDistance
           : distance > CameraMaxDistance    ? CameraMaxDistance
                                             : distance;
}

int PickVertexOfCopies(const CameraView &camera, const Model &model, const ModelPose &pose,
                       const MethodCopies &copies, int pointerX, int pointerY, int width,
                       int height, int &vertex, int &method) {
    PickedVertex best = {-1, 0.0, 0.0};
    int bestMethod = -1;
    for (int m = 0; m < SkinningMethodCount; ++m) {
        PickedVertex picked;
        if (copies.skins[m].size() != model.mesh.restPositions.size())
            continue;
        if (!PickVertexOn(camera, model, pose, copies.skins[m].data(), copies.offsets[m], pointerX,
                          pointerY, width, height, picked))
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
