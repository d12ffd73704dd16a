// The glTF loader against arbitrary bytes, for clang's libFuzzer (built with -DSKIN_FUZZ=ON by
// clang, with AddressSanitizer and UndefinedBehaviorSanitizer; see docs/development.md). A file
// the loader takes is also posed through its clips and skinned by every method, as the program
// would show it, so that whatever the loader lets through must be safe to draw.
#include "gltf/gltf_animation.h"
#include "gltf/gltf_model.h"
#include "model/model.h"
#include "skinning/skinning.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    LoadedModel loaded;
    std::string error;
    // No folder to read from: a file naming external buffers or images is refused for them,
    // and the fuzzer never reads the machine's files.
    if (!LoadGltfBytes(data, size, "/nonexistent-folder", "fuzz input", loaded, error))
        return 0;
    Model &model = loaded.model;
    WeightsChanged(model);
    ModelPose pose;
    int vertices = VertexCount(model.mesh);
    std::vector<Vector3> positions((size_t)vertices), normals((size_t)vertices);
    double start = ClipStart(loaded, GltfAllClips), end = ClipEnd(loaded, GltfAllClips);
    for (int step = 0; step < 3; ++step) {
        PoseAtTime(loaded, GltfAllClips, start + (end - start) * step / 2.0, pose.locals);
        PoseModel(model, pose);
        SkinInput in = SkinInputOf(model, pose);
        for (int m = 0; m < SkinningMethodCount; ++m) {
            skinningMethods[m].skin(in, 0, vertices, positions.data(), normals.data());
            for (int i = 0; i < vertices && i < 64; ++i)
                skinningMethods[m].determinant(in, i);
        }
    }
    return 0;
}
