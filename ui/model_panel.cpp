#include "ui/model_panel.h"

#include <imgui.h>
#include <string>

#include "demo/demo_state.h"
#include "demo/shown_model.h"
#include "gltf/gltf_animation.h"

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
}
