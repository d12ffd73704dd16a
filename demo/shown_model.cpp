#include "demo/shown_model.h"

#include "gltf/gltf_animation.h"
#include "skinning/skinning.h"

#include <algorithm>
#include <cmath>

ShownModel shownModel;

namespace {

Matrix4 FramingOf(const LoadedModel &loaded) {
    Vector3 low = loaded.boundsMin, high = loaded.boundsMax;
    double extent =
        std::max({(double)high.x - low.x, (double)high.y - low.y, (double)high.z - low.z});
    double scale = extent > 0.0 && std::isfinite(extent) ? FramedHeight / extent : 1.0;
    Matrix4 m = IdentityMatrix();
    m.m[0] = m.m[5] = m.m[10] = (float)scale;
    m.m[12] = (float)(-scale * 0.5 * ((double)low.x + high.x));
    m.m[13] = (float)(-scale * low.y);
    m.m[14] = (float)(-scale * 0.5 * ((double)low.z + high.z));
    return m;
}

} // namespace

void ShowModel(LoadedModel &&loaded, int clip) {
    shownModel.loaded = std::move(loaded);
    shownModel.active = 1;
    shownModel.clip = clip;
    shownModel.time = ClipStart(shownModel.loaded, clip);
    shownModel.framing = FramingOf(shownModel.loaded);
}

void HideModel() {
    shownModel = ShownModel{};
}

void AdvanceShownModel(double seconds) {
    if (!shownModel.active)
        return;
    double start = ClipStart(shownModel.loaded, shownModel.clip);
    double end = ClipEnd(shownModel.loaded, shownModel.clip);
    shownModel.time += seconds;
    if (end > start && shownModel.time > end)
        shownModel.time = start + std::fmod(shownModel.time - start, end - start);
    else if (!(end > start))
        shownModel.time = start;
}

void SetShownModelClip(int clip) {
    if (!shownModel.active || clip < GltfAllClips || clip >= (int)shownModel.loaded.clips.size())
        return;
    shownModel.clip = clip;
    shownModel.time = ClipStart(shownModel.loaded, clip);
}

void HoldShownModelAt(double time) {
    double start = ClipStart(shownModel.loaded, shownModel.clip);
    double end = ClipEnd(shownModel.loaded, shownModel.clip);
    shownModel.time = std::min(std::max(time, start), std::max(start, end));
}

void UpdateShownModelFrame(FrameRecord &record) {
    const LoadedModel &loaded = shownModel.loaded;
    const Model &model = loaded.model;
    record.markerPose.clear();
    record.pose.clear();
    PoseAtTime(loaded, shownModel.clip, shownModel.time, record.skinPose.locals);
    PoseModel(model, record.skinPose);
    int count = VertexCount(model.mesh);
    shownModel.positions.resize(count);
    shownModel.normals.resize(count);
    int method = ValidSkinningMethod(demoState.skinningMethod);
    skinningMethods[method].skin(SkinInputOf(model, record.skinPose), 0, count,
                                 shownModel.positions.data(), shownModel.normals.data());
    record.skin.resize(count);
    for (int i = 0; i < count; ++i) {
        SkinVertex &v = record.skin[i];
        v.position = shownModel.positions[i];
        v.normal = shownModel.normals[i];
        v.u = model.mesh.texCoords[i].u;
        v.v = model.mesh.texCoords[i].v;
        v.boneIndex[0] = v.boneIndex[1] = -1;
        v.weight = 0.0f;
    }
    // The inspector's vertex numbers are the limb's; a model is not inspected.
    RecordModelFigures(record, model, method, demoState.sideBySide, -1);
    record.endEffector = Vector3{0.0f, 0.0f, 0.0f};
    record.comparisonDrawn = 0;
    record.ik = IkChainFigures{};
}
