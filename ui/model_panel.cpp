#include "ui/model_panel.h"

#include <cstdio>
#include <imgui.h>
#include <string>

#include "demo/demo_state.h"
#include "demo/shown_model.h"
#include "gltf/gltf_animation.h"

namespace {

std::string JointLabel(const Rig &rig, int joint) {
    if (joint < 0)
        return "none";
    std::string name = joint < (int)rig.names.size() ? rig.names[(size_t)joint] : std::string();
    char number[16];
    std::snprintf(number, sizeof number, "%d", joint);
    return name.empty() ? std::string("joint ") + number : std::string(number) + " " + name;
}

// The selected joint (a click on the skeleton picks one too), and the turns forward kinematics
// has put on top of the clip's pose.
void JointPicker(const LoadedModel &loaded, DemoCommandQueue &commands) {
    const Rig &rig = loaded.model.rig;
    int selected = shownModel.selectedJoint;
    if (ImGui::BeginCombo("Joint", JointLabel(rig, selected).c_str())) {
        for (int j = -1; j < JointCount(rig); ++j) {
            ImGui::PushID(j);
            if (ImGui::Selectable(JointLabel(rig, j).c_str(), selected == j))
                QueueCommand(commands, DemoCommand{CommandSelectJoint, j, 0.0, Vector3{}});
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    if (selected < 0) {
        ImGui::TextWrapped("Pick a joint, or click one in the forward mode (F): the weights "
                           "view shows its weights, and in the forward mode the arrows, Page "
                           "Up/Down and Q/E turn it.");
        return;
    }
    if (ImGui::Button("Every joint back to the clip's pose"))
        QueueCommand(commands, DemoCommand{CommandClearJointTurns, 0, 0.0, Vector3{}});
}

} // namespace

void ModelSection(DemoCommandQueue &commands) {
    // The built-in models: the limb, and the tentacle for chains longer than two bones.
    int tentacle = shownModel.active && shownModel.loaded.fileName == TentacleModelName;
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Show");
    ImGui::SameLine();
    if (ImGui::RadioButton("the limb", !shownModel.active))
        QueueCommand(commands, DemoCommand{CommandShowBuiltIn, 0, 0.0, Vector3{}});
    ImGui::SameLine();
    if (ImGui::RadioButton("the tentacle", tentacle))
        QueueCommand(commands, DemoCommand{CommandShowBuiltIn, 1, 0.0, Vector3{}});
    // A learner's own model, dropped on the window (a page also has its "Open a model" button).
    ImGui::TextWrapped("Drop a .gltf or .glb file on the window to show it.");
    if (!modelFault.empty()) {
        // The model shown stays; this says why the file was not taken, until one opens.
        ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(255, 120, 100, 255));
        ImGui::TextWrapped("%s", modelFault.c_str());
        ImGui::PopStyleColor();
        if (ImGui::SmallButton("Dismiss"))
            QueueCommand(commands, DemoCommand{CommandDismissModelFault, 0, 0.0, Vector3{}});
    }
    if (!shownModel.active)
        return;
    if (!ImGui::CollapsingHeader("Model", ImGuiTreeNodeFlags_DefaultOpen))
        return;
    const LoadedModel &loaded = shownModel.loaded;
    ImGui::TextWrapped("%s", loaded.fileName.c_str());
    ImGui::Text("%d vertices, %d triangles, %d joints", VertexCount(loaded.model.mesh),
                (int)loaded.model.mesh.triangles.size(), JointCount(loaded.model.rig));
    ImGui::Text("Up to %d influences per vertex", loaded.maxInfluences);
    ImGui::Text("Weights renormalised: %d vertices", loaded.renormalisedVertices);
    if (loaded.model.centresPending) {
        // Worked out between frames; the skinning lab's centre-of-rotation method waits for them.
        char text[64];
        double done = ShownModelCentresProgress();
        std::snprintf(text, sizeof text, "centres of rotation: preparing, %.0f%%", 100.0 * done);
        ImGui::ProgressBar((float)done, ImVec2(-1.0f, 0.0f), text);
    }
    for (const std::string &note : loaded.notes)
        ImGui::TextWrapped("%s", note.c_str());

    std::string current = shownModel.clip == GltfAllClips ? std::string("Every clip together")
                                                          : loaded.clips[shownModel.clip].name;
    if (!loaded.clips.empty() && ImGui::BeginCombo("Clip", current.c_str())) {
        if (ImGui::Selectable("Every clip together", shownModel.clip == GltfAllClips))
            QueueCommand(commands, DemoCommand{CommandSetModelClip, GltfAllClips, 0.0, Vector3{}});
        for (int c = 0; c < (int)loaded.clips.size(); ++c) {
            ImGui::PushID(c);
            if (ImGui::Selectable(loaded.clips[c].name.c_str(), shownModel.clip == c))
                QueueCommand(commands, DemoCommand{CommandSetModelClip, c, 0.0, Vector3{}});
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    if (ImGui::Button(demoState.playAnimation ? "Pause (P)" : "Play (P)"))
        QueueCommand(commands, DemoCommand{CommandTogglePlay, 0, 0.0, Vector3{}});
    float start = (float)ClipStart(loaded, shownModel.clip);
    float end = (float)ClipEnd(loaded, shownModel.clip);
    float time = (float)shownModel.time;
    if (end > start && ImGui::SliderFloat("Time (s)", &time, start, end, "%.2f"))
        QueueCommand(commands, DemoCommand{CommandSetModelTime, 0, time, Vector3{}});
    JointPicker(loaded, commands);
}
