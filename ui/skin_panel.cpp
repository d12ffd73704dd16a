#include "ui/skin_panel.h"

#include <cmath>
#include <cstdio>
#include <imgui.h>

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "demo/shown_model.h"
#include "lab/skin_colours.h"
#include "lab/skin_poses.h"
#include "lab/vertex_inspector.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "skinning/skinning.h"
#include "ui/layout.h"
#include "ui/sliders.h"
#include "view/camera.h"

namespace {

// What the section showed asked for last frame: a view newly on or a vertex newly picked opens
// the header.
int shownViews = 0;
int shownVertex = -1;

void Queue(DemoCommandQueue &commands, int type, int index = 0) {
    QueueCommand(commands, DemoCommand{type, index, 0.0, Vector3{0.0f, 0.0f, 0.0f}});
}

ImVec4 AsImColour(const ColourRgb &c) {
    return ImVec4(c.r, c.g, c.b, 1.0f);
}

void ViewBox(const char *label, int flag, int command, DemoCommandQueue &commands) {
    bool shown = flag != 0;
    if (ImGui::Checkbox(label, &shown))
        Queue(commands, command);
}

struct ScaleTick {
    double value;
    const char *label;
};

// A bar painted by colour from low (left) to high (right), ticks and their labels beneath. The
// scales mix linearly between stops, so a bar of even steps whose edges fall on the stops shows
// them exactly.
template <int N>
void ColourScale(ColourRgb (*colour)(double), double low, double high,
                 const ScaleTick (&ticks)[N]) {
    const int Steps = 48; // a multiple of both scales' stop spacings
    ImDrawList *draw = ImGui::GetWindowDrawList();
    ImVec2 origin = ImGui::GetCursorScreenPos();
    float width = ImGui::GetContentRegionAvail().x;
    float barHeight = ImGui::GetTextLineHeight();
    for (int k = 0; k < Steps; ++k) {
        float x0 = origin.x + width * k / Steps, x1 = origin.x + width * (k + 1) / Steps;
        ImU32 left = ImGui::GetColorU32(AsImColour(colour(low + (high - low) * k / Steps)));
        ImU32 right = ImGui::GetColorU32(AsImColour(colour(low + (high - low) * (k + 1) / Steps)));
        draw->AddRectFilledMultiColor(ImVec2(x0, origin.y), ImVec2(x1, origin.y + barHeight), left,
                                      right, right, left);
    }
    ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);
    float labelY = origin.y + barHeight + 3.0f;
    for (const ScaleTick &tick : ticks) {
        float x = origin.x + (float)(width * (tick.value - low) / (high - low));
        draw->AddLine(ImVec2(x, origin.y + barHeight), ImVec2(x, labelY), text);
        if (!*tick.label)
            continue;
        float labelWidth = ImGui::CalcTextSize(tick.label).x;
        float labelX = x - labelWidth / 2;
        labelX = labelX < origin.x ? origin.x : labelX;
        labelX = labelX > origin.x + width - labelWidth ? origin.x + width - labelWidth : labelX;
        draw->AddText(ImVec2(labelX, labelY), text, tick.label);
    }
    ImGui::Dummy(ImVec2(width, barHeight + 3.0f + ImGui::GetTextLineHeight()));
}

void RadiusLegend() {
    const ScaleTick ticks[] = {{RadiusScaleMin, "0.5 thinned"},
                               {0.75, ""},
                               {1.0, "1 kept"},
                               {1.25, ""},
                               {RadiusScaleMax, "1.5 bulged"}};
    ColourScale(RadiusColour, RadiusScaleMin, RadiusScaleMax, ticks);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("Each vertex's distance from the nearest point of the bones, over the\n"
                          "same distance in the rest pose: below 1 the skin has sunk toward\n"
                          "the bones, above 1 it has bulged away from them.");
}

void StretchLegend() {
    const ScaleTick ticks[] = {{StretchScaleMin, "0.5 squashed"},
                               {0.75, ""},
                               {1.0, "1 kept"},
                               {1.25, ""},
                               {StretchScaleMax, "1.5 stretched"}};
    ColourScale(StretchColour, StretchScaleMin, StretchScaleMax, ticks);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("Each triangle's area over its area in the rest pose: below 1 the\n"
                          "skin there is squashed, above 1 it is stretched. A method can keep\n"
                          "every vertex in place against its bone and still tear or crush the\n"
                          "triangles between two rings that follow different bones.");
}

// The limb, or nothing drawn yet (the limb before its set-up): the limb's words and controls.
int ShowsLimb() {
    return !frameRecord.model || frameRecord.model == &limbModel;
}

const char *JointName(int joint) {
    const Model *model = frameRecord.model;
    if (!model || joint < 0 || joint >= (int)model->rig.names.size() ||
        model->rig.names[joint].empty())
        return nullptr;
    return model->rig.names[joint].c_str();
}

// "joint 3 (Neck)", or "joint 3" for a joint without a name.
void JointLabel(int joint, char *out, size_t size) {
    const char *name = JointName(joint);
    if (name)
        std::snprintf(out, size, "joint %d (%s)", joint, name);
    else
        std::snprintf(out, size, "joint %d", joint);
}

// A model with no joint selected: each joint that any vertex follows, a swatch of its colour
// and its name (its number when it has none, and on pointing at it), two to a row.
void JointColoursLegend() {
    const Model *model = frameRecord.model;
    if (!model)
        return;
    std::vector<int> weighted(JointCount(model->rig), 0);
    for (const VertexInfluences &influences : model->mesh.influences)
        for (int k = 0; k < influences.count; ++k)
            if (influences.joints[k] >= 0 && influences.joints[k] < (int)weighted.size() &&
                influences.weights[k] > 0.0f)
                weighted[influences.joints[k]] = 1;
    ImGui::TextWrapped("Each vertex in its joints' colours mixed by its weights: a vertex "
                       "one joint carries alone shows that joint's colour.");
    int shown = 0;
    float column = ImGui::GetContentRegionAvail().x / 2;
    for (int j = 0; j < (int)weighted.size(); ++j) {
        if (!weighted[j])
            continue;
        char label[96], number[32];
        JointLabel(j, label, sizeof label);
        std::snprintf(number, sizeof number, "joint %d", j);
        const char *name = JointName(j);
        if (shown % 2)
            ImGui::SameLine(column);
        ImGui::ColorButton(label, AsImColour(JointColour(j)),
                           ImGuiColorEditFlags_NoTooltip | ImGuiColorEditFlags_NoPicker,
                           ImVec2(ImGui::GetTextLineHeight(), ImGui::GetTextLineHeight()));
        ImGui::SameLine();
        ImGui::TextUnformatted(name ? name : number);
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip("%s", label);
        ++shown;
    }
}

// The scales' words go on their ends and middles; what they measure shows on pointing at them.
void WeightsLegend() {
    if (!ShowsLimb()) {
        int joint = frameRecord.weightsJoint;
        if (joint < 0) {
            JointColoursLegend();
            return;
        }
        char label[96];
        JointLabel(joint, label, sizeof label);
        ImGui::Text("Weights on %s", label);
        const ScaleTick ticks[] = {
            {0.0, "0: none"}, {0.25, ""}, {0.5, "0.5"}, {0.75, ""}, {1.0, "1: it alone"}};
        ColourScale(WeightColour, 0.0, 1.0, ticks);
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip(
                "Each vertex's weight on the selected joint: how much of that\n"
                "joint's motion it follows; the rest it takes from its other joints.");
        return;
    }
    const ScaleTick ticks[] = {
        {0.0, "0: bone 0 alone"}, {0.25, ""}, {0.5, "0.5"}, {0.75, ""}, {1.0, "1: bone 1 alone"}};
    ColourScale(WeightColour, 0.0, 1.0, ticks);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("Each vertex's weight on bone 1: how much of the chain of bone 0 then\n"
                          "bone 1 it follows; the rest it takes from bone 0 alone.");
}

// Bone 1 of the limb turned about its own length, by a visible amount either way.
int LimbTwisted() {
    if (frameRecord.model != &limbModel || frameRecord.pose.size() < 2)
        return 0;
    double twist = std::fmod(std::fabs(frameRecord.pose[1].rotY), 360.0);
    return twist > 0.5 && twist < 359.5;
}

void VolumeLegend() {
    const ScaleTick ticks[] = {{DeterminantScaleMin, "0 collapsed"},
                               {0.5, "0.5"},
                               {0.75, "0.75"},
                               {1.0, "1 kept"},
                               {DeterminantScaleMax, "1.5 grown"}};
    ColourScale(DeterminantColour, DeterminantScaleMin, DeterminantScaleMax, ticks);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("The determinant of each vertex's blended matrix: how much a small\n"
                          "volume of skin there keeps. 1 keeps it, below 1 the skin shrinks.");
}

void PositionCells(const Vector3 &p) {
    ImGui::TableNextColumn();
    ImGui::Text("%6.3f %6.3f %6.3f", p.x, p.y, p.z);
}

void InspectorRow(const char *label, const ColourRgb *colour, const Vector3 &position) {
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    if (colour)
        ImGui::TextColored(AsImColour(*colour), "%s", label);
    else
        ImGui::TextUnformatted(label);
    PositionCells(position);
    ImGui::TableNextColumn();
}

// A 4x4 matrix as four rows of numbers, under a label.
void MatrixRows(const char *label, const ColourRgb *colour, const Matrix4 &m) {
    if (colour)
        ImGui::TextColored(AsImColour(*colour), "%s", label);
    else
        ImGui::TextUnformatted(label);
    for (int r = 0; r < 4; ++r) // row r, column c at m[4 * c + r]
        ImGui::Text("  %7.3f %7.3f %7.3f %7.3f", m.m[r], m.m[4 + r], m.m[8 + r], m.m[12 + r]);
}

// What the blends are made of, folded away until asked for: the panel is long enough.
void InspectorTransforms(const VertexInspection &seen) {
    if (!ImGui::TreeNode("Matrices and the dual quaternion"))
        return;
    char label[64];
    if (ShowsLimb()) {
        MatrixRows("A: bone 0's matrix", &InspectorFirstColour, seen.firstMatrix);
        MatrixRows("B: bone 0's, then bone 1's", &InspectorChainColour, seen.chainMatrix);
    } else {
        // A model's first two joints; the others' matrices enter the blends below.
        std::snprintf(label, sizeof label, "A: joint %d's skin matrix",
                      seen.influenceCount > 0 ? seen.influences[0].joint : -1);
        MatrixRows(label, &InspectorFirstColour, seen.firstMatrix);
        if (seen.influenceCount > 1) {
            std::snprintf(label, sizeof label, "B: joint %d's skin matrix",
                          seen.influences[1].joint);
            MatrixRows(label, &InspectorChainColour, seen.chainMatrix);
        }
    }
    if (seen.influenceCount == 2)
        std::snprintf(label, sizeof label, "%.2f A + %.2f B: the linear blend",
                      seen.influences[0].weight, seen.influences[1].weight);
    else
        std::snprintf(label, sizeof label, "Every bone's by its weight: the linear blend");
    MatrixRows(label, &skinningMethods[SkinningLinear].colour, seen.blendedMatrix);
    const DualQuaternion &q = seen.blendedDq;
    ImGui::TextColored(AsImColour(skinningMethods[SkinningDualQuaternion].colour),
                       "Blended dual quaternion, normalised");
    ImGui::Text("  real %6.3f %6.3f %6.3f %6.3f", q.real.w, q.real.x, q.real.y, q.real.z);
    ImGui::Text("  dual %6.3f %6.3f %6.3f %6.3f", q.dual.w, q.dual.x, q.dual.y, q.dual.z);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("w x y z. The real part is the turn; the dual part is half the\n"
                          "translation times it.");
    ImGui::TreePop();
}

// Each method's result against the rest: how far from the joint's pivot and from the bones.
void InspectorDistances(const VertexInspection &seen) {
    if (!ImGui::BeginTable("distances", 3))
        return;
    ImGui::TableSetupColumn("distance", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableSetupColumn("from pivot", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableSetupColumn("from bones", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableHeadersRow();
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::TextUnformatted("rest");
    ImGui::TableNextColumn();
    ImGui::Text("%.3f", seen.restPivotDistance);
    ImGui::TableNextColumn();
    ImGui::Text("%.3f", seen.restSkeletonDistance);
    for (int m = 0; m < SkinningMethodCount; ++m) {
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::TextColored(AsImColour(skinningMethods[m].colour), "%s", skinningMethods[m].words);
        ImGui::TableNextColumn();
        ImGui::Text("%.3f", seen.pivotDistance[m]);
        ImGui::TableNextColumn();
        ImGui::Text("%.3f", seen.skeletonDistance[m]);
    }
    ImGui::EndTable();
    if (seen.hasTurn) {
        ImGui::PushStyleColor(ImGuiCol_Text, AsImColour(InspectorArcColour));
        ImGui::TextWrapped("The arc: bone 1 turns A's point %.1f degrees about the joint's axis "
                           "(grey) onto B's.",
                           seen.turnDegrees);
        ImGui::PopStyleColor();
    }
}

// Marks the scene draws on one spot show as one: the legend says which, so that none seems
// missing (rigid's result lies on A's whenever A is the heavier).
void CoincidingMarks(const VertexInspection &seen) {
    const double Apart = 1e-4; // scene units: closer than this is one spot on screen
    struct Mark {
        char name[32];
        Vector3 at;
    };
    Mark marks[2 + SkinningMethodCount];
    int count = 0;
    for (int k = 0; k < seen.influenceCount && k < 2; ++k, ++count) {
        std::snprintf(marks[count].name, sizeof marks[count].name,
                      ShowsLimb() ? "bone %d alone" : "joint %d alone", seen.influences[k].joint);
        marks[count].at = seen.influences[k].alone;
    }
    for (int m = 0; m < SkinningMethodCount; ++m, ++count) {
        std::snprintf(marks[count].name, sizeof marks[count].name, "%s", skinningMethods[m].words);
        marks[count].at = seen.methods[m].position;
    }
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (VectorLength(Subtract(marks[i].at, marks[j].at)) < Apart)
                ImGui::TextWrapped("%s and %s coincide: one mark shows both", marks[i].name,
                                   marks[j].name);
}

void Inspector(DemoCommandQueue &commands) {
    const VertexInspection &seen = frameRecord.inspection;
    if (!frameRecord.inspected) {
        ImGui::TextDisabled("Click the skin to inspect a vertex.");
        return;
    }
    int limb = ShowsLimb();
    if (!limb)
        ImGui::Text("Vertex %d", seen.vertex);
    else if (seen.vertex == 0)
        ImGui::Text("Vertex 0, the top point");
    else
        ImGui::Text("Vertex %d, ring %d", seen.vertex, 1 + (seen.vertex - 1) / SkinRingSize);
    ImGui::SameLine();
    if (RowButton("Drop"))
        Queue(commands, CommandInspectVertex, -1);
    if (seen.influenceCount == 0) {
        ImGui::TextUnformatted("No bones: it keeps its rest position.");
        return;
    }
    if (!limb) {
        // A model's joints by name, each with its weight; its row below holds S_i v.
        for (int k = 0; k < seen.influenceCount; ++k) {
            char label[96];
            JointLabel(seen.influences[k].joint, label, sizeof label);
            ImGui::Text("%s, weight %.3f", label, seen.influences[k].weight);
        }
    } else if (seen.influenceCount == 2) {
        ImGui::Text("Bones %d and %d, weights %.2f and %.2f", seen.influences[0].joint,
                    seen.influences[1].joint, seen.influences[0].weight, seen.influences[1].weight);
    } else {
        ImGui::Text("%d bones:", seen.influenceCount);
        for (int k = 0; k < seen.influenceCount; ++k) {
            ImGui::SameLine();
            ImGui::Text("%d (%.2f)", seen.influences[k].joint, seen.influences[k].weight);
        }
    }
    if (!ImGui::BeginTable("inspector", 3))
        return;
    ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableSetupColumn("x      y      z", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableSetupColumn("det", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableHeadersRow();
    InspectorRow("rest", nullptr, seen.restPosition);
    // Each influence's skin matrix alone; A and B, the first two, in the colours the scene
    // marks them with.
    for (int k = 0; k < seen.influenceCount; ++k) {
        char label[32];
        if (limb)
            std::snprintf(label, sizeof label, "bone %d alone", seen.influences[k].joint);
        else
            std::snprintf(label, sizeof label, "joint %d alone", seen.influences[k].joint);
        const ColourRgb *colour = k == 0   ? &InspectorFirstColour
                                  : k == 1 ? &InspectorChainColour
                                           : nullptr;
        InspectorRow(label, colour, seen.influences[k].alone);
    }
    for (int m = 0; m < SkinningMethodCount; ++m) {
        InspectorRow(skinningMethods[m].words, &skinningMethods[m].colour,
                     seen.methods[m].position);
        ImGui::Text("%.3f", seen.methods[m].determinant);
        if (m == demoState.skinningMethod) // the one the skin is drawn with
            ImGui::TableSetBgColor(ImGuiTableBgTarget_RowBg0,
                                   ImGui::GetColorU32(ImGuiCol_FrameBgActive));
    }
    ImGui::EndTable();
    CoincidingMarks(seen);
    InspectorDistances(seen);
    InspectorTransforms(seen);
}

// A slider per blended ring for its weight on bone 1, and a button back to the built-in ones.
// A slider moved sends its value each frame it changes, so the skin follows the drag.
void WeightSliders(DemoCommandQueue &commands) {
    ImGui::TextUnformatted("Weights on bone 1");
    ImGui::SameLine();
    // The weights as the frame shows them; a record not yet filled shows none.
    static const SkinVertex noSkin[SkinVertexCount] = {};
    const SkinVertex *skin =
        frameRecord.skin.size() == (size_t)SkinVertexCount ? frameRecord.skin.data() : noSkin;
    ImGui::BeginDisabled(HasBuiltInWeights(skin) != 0);
    if (RowButton("Built-in weights"))
        Queue(commands, CommandRestoreWeights);
    ImGui::EndDisabled();
    for (int ring = FirstEditableRing; ring <= LastEditableRing; ++ring) {
        char label[16];
        std::snprintf(label, sizeof label, "Ring %d", ring);
        float weight = RingWeightOnBone1(skin, ring);
        if (PanelSliderFloat(label, &weight, 0.0f, 1.0f, 0.01f, "%.2f"))
            QueueCommand(commands, DemoCommand{CommandSetRingWeight, ring, (double)weight,
                                               Vector3{0.0f, 0.0f, 0.0f}});
    }
}

// Buttons that put the chain in each preset pose, in the forward mode.
void PoseButtons(DemoCommandQueue &commands) {
    ImGui::TextUnformatted("Pose");
    for (int p = 0; p < SkinPoseCount; ++p) {
        SameLineIfFits(ImGui::CalcTextSize(skinPoses[p].label).x +
                       2 * ImGui::GetStyle().FramePadding.x);
        if (RowButton(skinPoses[p].label))
            Queue(commands, CommandSetPose, p);
    }
}

// Two to a row where they fit, in the columns of the display toggles above.
void NextInTwoColumns(int k, const char *label) {
    if (k % 2)
        SecondColumnIfFits(ToggleWidth(label));
}

// 1 while the model on screen has its centres of rotation still being worked out.
int CentresPreparing() {
    return frameRecord.model && frameRecord.model->centresPending;
}

void MethodChoice(DemoCommandQueue &commands) {
    ImGui::TextUnformatted("Method (M)");
    for (int m = 0; m < SkinningMethodCount; ++m) {
        NextInTwoColumns(m, skinningMethods[m].label);
        if (ImGui::RadioButton(skinningMethods[m].label, demoState.skinningMethod == m))
            Queue(commands, CommandSetSkinningMethod, m);
    }
    if (CentresPreparing()) {
        // Until they are ready the centre-of-rotation method blends linearly: say so, and how far.
        char text[64];
        std::snprintf(text, sizeof text, "centres of rotation: preparing, %.0f%%",
                      100.0 * ShownModelCentresProgress());
        ImGui::ProgressBar((float)ShownModelCentresProgress(), ImVec2(-1.0f, 0.0f), text);
        ImGui::TextWrapped("Meanwhile %s is drawn with linear blending.",
                           skinningMethods[SkinningCentreOfRotation].words);
    }
}

// The views that colour the skin exclude each other, so they are one choice: choosing one asks
// for its toggle, which turns the others off; None turns off the one that is on.
void ColourViewChoice(DemoCommandQueue &commands) {
    struct ColourView {
        const char *label;
        int on;
        int command;
    };
    const ColourView views[] = {
        {"Weights (W)", demoState.weightsView, CommandToggleWeightsView},
        {"Volume (V)", demoState.volumeView, CommandToggleVolumeView},
        {"Radius (D)", demoState.radiusView, CommandToggleRadiusView},
        {"Stretch (A)", demoState.stretchView, CommandToggleStretchView},
    };
    int none = 1;
    for (const ColourView &view : views)
        none = none && !view.on;
    ImGui::TextUnformatted("Colour the skin by");
    if (ImGui::RadioButton("Nothing", none != 0) && !none)
        for (const ColourView &view : views)
            if (view.on)
                Queue(commands, view.command);
    for (int k = 0; k < 4; ++k) {
        NextInTwoColumns(k + 1, views[k].label);
        if (ImGui::RadioButton(views[k].label, views[k].on != 0) && !views[k].on)
            Queue(commands, views[k].command);
    }
}

} // namespace

void SideBySideLabels() {
    if (!frameRecord.sideBySide)
        return;
    const SceneViewport &view = frameRecord.viewport;
    ImDrawList *draw = ImGui::GetBackgroundDrawList();
    for (int m = 0; m < SkinningMethodCount; ++m) {
        // Above the straight limb's top, where no pose of the copy reaches.
        Vector3 above = Add(frameRecord.copies.offsets[m], Vector3{0.0f, 3.4f, 0.0f});
        PixelPoint at;
        if (!ModelToPixels(SceneCamera(), above, view.width, view.height, at))
            continue;
        char text[64];
        double volume = frameRecord.copies.volumePercent[m];
        if (m == SkinningCentreOfRotation && CentresPreparing())
            std::snprintf(text, sizeof text, "%s\npreparing (linear)", skinningMethods[m].label);
        else if (std::isnan(volume))
            std::snprintf(text, sizeof text, "%s", skinningMethods[m].label);
        else
            std::snprintf(text, sizeof text, "%s\n%.1f%% volume", skinningMethods[m].label,
                          volume);
        ImVec2 size = ImGui::CalcTextSize(text);
        // The viewport counts drawable pixels; the panel lays out in its own units, coarser on
        // dense screens.
        ImVec2 scale = ImGui::GetIO().DisplayFramebufferScale;
        float sx = scale.x > 0.0f ? scale.x : 1.0f, sy = scale.y > 0.0f ? scale.y : 1.0f;
        // Every other label one label higher, so that neighbours never overlap where the scene
        // is narrow (beside the open panel).
        ImVec2 corner((float)(view.x + at.x) / sx - size.x / 2,
                      (float)(view.y + at.y) / sy - size.y * (1 + m % 2));
        draw->AddText(corner, ImGui::GetColorU32(AsImColour(skinningMethods[m].colour)), text);
    }
}

void SkinningLabSection(DemoCommandQueue &commands) {
    int views = (demoState.weightsView ? 1 : 0) | (demoState.volumeView ? 2 : 0) |
                (demoState.restPoseView ? 4 : 0) | (demoState.radiusView ? 8 : 0) |
                (demoState.stretchView ? 16 : 0);
    int vertex = demoState.inspectedVertex;
    ImGui::Separator();
    if ((views & ~shownViews) || (vertex >= 0 && vertex != shownVertex))
        ImGui::SetNextItemOpen(true);
    shownViews = views;
    shownVertex = vertex;
    if (!ImGui::CollapsingHeader("Skinning lab"))
        return;
    // The headline figures first: what the method and pose do to the limb, in sight at once.
    if (frameRecord.model == &limbModel)
        ImGui::TextWrapped("Limb volume: %.1f%% of the rest pose", frameRecord.volumePercent);
    else if (std::isnan(frameRecord.volumePercent))
        ImGui::TextWrapped("Volume: not a closed mesh");
    else
        ImGui::TextWrapped("Volume: %.1f%% of the rest pose", frameRecord.volumePercent);
    if (LimbTwisted()) {
        // Otherwise a left and a right half twist keeping 81% and 97% reads as a fault.
        ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
        ImGui::TextWrapped("A twist keeps a different volume one way than the other: each "
                           "quad of the skin is split along one diagonal, which one way "
                           "shortens and the other way stretches.");
        ImGui::PopStyleColor();
    }
    ImGui::TextWrapped("Radius: %.2f to %.2f of rest", frameRecord.radius.low,
                       frameRecord.radius.high);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("The smallest and the largest of the skin vertices' distances from\n"
                          "the nearest point of the bones, each over its own in the rest pose.");
    ImGui::TextWrapped("Stretch: triangle areas %.2f to %.2f of rest", frameRecord.stretch.low,
                       frameRecord.stretch.high);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("The smallest and the largest of the skin triangles' areas, each over\n"
                          "its own in the rest pose (the stretch view, A).");
    MethodChoice(commands);
    // The preset poses and the rings' weights are the limb's own; a model is turned by its joints.
    if (ShowsLimb()) {
        PoseButtons(commands);
        WeightSliders(commands);
    }
    ColourViewChoice(commands);
    ViewBox("Rest pose (G)", demoState.restPoseView, CommandToggleRestPoseView, commands);
    SecondColumnIfFits(ToggleWidth("Side by side (S)"));
    ViewBox("Side by side (S)", demoState.sideBySide, CommandToggleSideBySide, commands);
    if (demoState.weightsView)
        WeightsLegend();
    if (demoState.volumeView)
        VolumeLegend();
    if (demoState.radiusView)
        RadiusLegend();
    if (demoState.stretchView)
        StretchLegend();
    ImGui::Separator();
    Inspector(commands);
}
