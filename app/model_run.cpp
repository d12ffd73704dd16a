#include "app/model_run.h"

#include "app/commands.h"
#include "demo/demo_state.h"
#include "demo/shown_model.h"
#include "gltf/gltf_animation.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// An option's JOINT:REST into the joint's name or number and the rest (empty without a colon):
// split at the first colon or, where joint names may hold colons before angles, the last.
void SplitAtColon(const char *text, int last, std::string &joint, std::string &rest) {
    joint = text;
    rest.clear();
    size_t colon = last ? joint.rfind(':') : joint.find(':');
    if (colon != std::string::npos) {
        rest = joint.substr(colon + 1);
        joint.resize(colon);
    }
}

// --ik-chain JOINT[:LENGTH] on the shown model; 1, or 0 after one line on what is wrong.
int SetChainOfOptions(const char *text, const char *programName) {
    std::string joint, length;
    SplitAtColon(text, 0, joint, length);
    const Rig &rig = shownModel.loaded.model.rig;
    int end = JointOfText(rig, joint);
    int count = 0;
    if (!length.empty()) {
        if (length.size() > 4 || length.find_first_not_of("0123456789") != std::string::npos)
            count = -1;
        else
            count = std::atoi(length.c_str());
    }
    if (end < 0 || count < 0 || (!length.empty() && count < 1)) {
        std::fprintf(stderr,
                     "%s: --ik-chain needs JOINT[:LENGTH], a joint of %s by name or number "
                     "from 0 to %d and a length from 1, not '%s'\n",
                     programName, shownModel.loaded.fileName.c_str(), JointCount(rig) - 1, text);
        return 0;
    }
    return SetShownModelChain(end, count);
}

} // namespace

namespace {

// --inspect on a model names one of its vertices, which only the model read can count.
int InspectedVertexFits(const DemoOptions &options, const char *programName) {
    int count = VertexCount(shownModel.loaded.model.mesh);
    if (options.inspectVertex <= count)
        return 1;
    std::fprintf(stderr, "%s: --inspect needs a vertex from 0 to %d of %s, not %d\n", programName,
                 count - 1, options.modelFile, options.inspectVertex - 1);
    return 0;
}

int OpenModel(const DemoOptions &options, const char *programName) {
    if (!options.modelFile)
        return 1;
    if (std::strcmp(options.modelFile, TentacleModelName) == 0) {
        ShowTentacle();
        return !options.ikChain || SetChainOfOptions(options.ikChain, programName);
    }
    std::string error;
    if (!OpenModelFile(options.modelFile, options.clip, options.hasTime ? &options.time : nullptr,
                       error)) {
        std::fprintf(stderr, "%s: %s\n", programName, error.c_str());
        return 0;
    }
    // A scripted run's pictures must not depend on how far the centres got by each frame.
    if (options.frames > 0)
        PrepareShownModelCentres(-1.0);
    return !options.ikChain || SetChainOfOptions(options.ikChain, programName);
}

} // namespace

int OpenModelFile(const char *path, const char *clipText, const double *holdAt,
                  std::string &error) {
    LoadedModel loaded;
    if (!LoadGltfFile(path, loaded, error))
        return 0;
    int clip = GltfAllClips;
    if (clipText && !FindClip(loaded, clipText, clip)) {
        std::string names;
        for (size_t c = 0; c < loaded.clips.size(); ++c)
            names += (c ? ", " : "") + loaded.clips[c].name;
        error = std::string(path) + ": no clip '" + clipText + "' (" +
                (names.empty() ? "it has none" : "it has " + names) + ")";
        return 0;
    }
    ShowModel(std::move(loaded), clip);
    if (holdAt) {
        HoldShownModelAt(*holdAt);
        demoState.playAnimation = 0;
    }
    // Its chain: the branch to its last joint, until one is chosen.
    SetShownModelChain(JointCount(shownModel.loaded.model.rig) - 1, 0);
    modelFault.clear();
    return 1;
}

int OpenModelOfOptions(const DemoOptions &options, const char *programName) {
    return OpenModel(options, programName) &&
           (!options.modelFile || InspectedVertexFits(options, programName));
}

int OpenDroppedModel(const char *path, const char *programName) {
    std::string error;
    if (!OpenModelFile(path, nullptr, nullptr, error)) {
        // The model shown stays; the panel says why the file was not taken.
        std::fprintf(stderr, "%s: %s\n", programName, error.c_str());
        modelFault = error;
        return 0;
    }
    // The inverse mode starts afresh on the new model, its target on the new chain's end.
    if (demoState.ikMode) {
        demoState.ikMode = 0;
        RunSimpleCommand(CommandToggleInverse);
    }
    return 1;
}

int ExportObj(const char *path, const FrameRecord &record, const char *programName) {
    std::FILE *file = std::fopen(path, "w");
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", programName, path, std::strerror(errno));
        return 0;
    }
    std::fprintf(file, "# skinned mesh, %zu vertices\n", record.skin.size());
    for (const SkinVertex &v : record.skin)
        std::fprintf(file, "v %.6f %.6f %.6f\n", v.position.x, v.position.y, v.position.z);
    for (const SkinVertex &v : record.skin) {
        double length = VectorLength(v.normal);
        double k = length > 0.0 ? 1.0 / length : 0.0;
        std::fprintf(file, "vn %.6f %.6f %.6f\n", v.normal.x * k, v.normal.y * k, v.normal.z * k);
    }
    // Stored corners run clockwise seen from the front (the limb's order, which a model's take
    // too): OBJ wants them the other way round.
    if (record.model)
        for (const Triangle &t : record.model->mesh.triangles)
            std::fprintf(file, "f %d//%d %d//%d %d//%d\n", t.index[0] + 1, t.index[0] + 1,
                         t.index[2] + 1, t.index[2] + 1, t.index[1] + 1, t.index[1] + 1);
    int written = !std::ferror(file);
    if (std::fclose(file) != 0)
        written = 0;
    if (!written)
        std::fprintf(stderr, "%s: cannot write %s\n", programName, path);
    return written;
}

void PrintModelStats(std::FILE *out) {
    if (!shownModel.active)
        return;
    const LoadedModel &loaded = shownModel.loaded;
    std::fprintf(
        out,
        "model %s: %d vertices, %zu triangles, %d joints, %d influences per vertex at "
        "most, %d weights renormalised, clip %s, time %.3f s\n",
        loaded.fileName.c_str(), VertexCount(loaded.model.mesh), loaded.model.mesh.triangles.size(),
        JointCount(loaded.model.rig), loaded.maxInfluences, loaded.renormalisedVertices,
        shownModel.clip == GltfAllClips ? "all" : loaded.clips[shownModel.clip].name.c_str(),
        shownModel.time);
}

int TurnJointOfOptions(const DemoOptions &options, const char *programName) {
    if (!options.turn || !shownModel.active)
        return 1;
    std::string joint, angles;
    SplitAtColon(options.turn, 1, joint, angles);
    const Rig &rig = shownModel.loaded.model.rig;
    int selected = JointOfText(rig, joint);
    double turn[3];
    char tail = 0;
    int read = std::sscanf(angles.c_str(), "%lf,%lf,%lf%c", &turn[0], &turn[1], &turn[2], &tail);
    int good = selected >= 0 && read == 3;
    for (int axis = 0; good && axis < 3; ++axis)
        good = std::isfinite(turn[axis]) && std::fabs(turn[axis]) <= 360.0;
    if (!good) {
        std::fprintf(stderr,
                     "%s: --turn needs JOINT:X,Y,Z, a joint of %s by name or number from 0 to "
                     "%d and three angles from -360 to 360 degrees, not '%s'\n",
                     programName, shownModel.loaded.fileName.c_str(), JointCount(rig) - 1,
                     options.turn);
        return 0;
    }
    SelectShownJoint(selected);
    for (int axis = 0; axis < 3; ++axis)
        SetShownJointTurn(axis, turn[axis]);
    return 1;
}
