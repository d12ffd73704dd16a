#include "ui/ik_panel.h"

#include <cstdio>
#include <imgui.h>

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/frame_record.h"
#include "skeleton/ik_colours.h"
#include "skeleton/ik_lab.h"

namespace {

const float PlotHeight = 60.0f;
const float SwatchSize = 10.0f;

void Queue(DemoCommandQueue &commands, int type, int index = 0, double value = 0.0) {
    QueueCommand(commands, DemoCommand{type, index, value, Vector3{0.0f, 0.0f, 0.0f}});
}

const char *SolverNameOf(int kind) {
    return IkSolverName(ValidIkSolver(kind));
}

void SolverChoice(DemoCommandQueue &commands) {
    if (!ImGui::BeginCombo("Solver (K)", SolverNameOf(demoState.ikSolver)))
        return;
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        bool selected = kind == demoState.ikSolver;
        if (ImGui::Selectable(IkSolverName(kind), selected))
            Queue(commands, CommandSetIkSolver, kind);
        if (selected)
            ImGui::SetItemDefaultFocus();
    }
    ImGui::EndCombo();
}

void StepRow(DemoCommandQueue &commands) {
    if (ImGui::Button("Step (Space)"))
        Queue(commands, CommandStepIk);
    ImGui::SameLine();
    ImGui::BeginDisabled(!demoState.ikFrozen);
    if (ImGui::Button("Run"))
        Queue(commands, CommandRunIk);
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::TextUnformatted(demoState.ikFrozen ? "frozen" : "runs every frame");
}

void Readouts() {
    ImGui::Text("Lower bone  x %7.2f  z %7.2f deg", bones[0].rotX, bones[0].rotZ);
    ImGui::Text("Upper bone  x %7.2f  z %7.2f deg", bones[1].rotX, bones[1].rotZ);
    ImGui::Text("Distance to the target  %.4f", frameRecord.ik.distance);
    ImGui::Text("Updates since it moved  %d", frameRecord.ik.updates);
    ImGui::Text("Status: %s", IkStatusText(frameRecord.ik.status));
}

void DistancePlot() {
    const IkProgress &progress = ikProgress;
    float highest = 0.0f;
    for (int i = 0; i < progress.historyCount; ++i)
        if (progress.history[i] > highest)
            highest = progress.history[i];
    // Never finer than the tolerance: distances within it all read as reached, on the floor.
    float top = highest > (float)demoState.ik.tolerance ? highest : (float)demoState.ik.tolerance;
    char overlay[80];
    std::snprintf(overlay, sizeof overlay, "distance, last %d updates (0 to %.3g)",
                  progress.historyCount, top);
    ImGui::PlotLines("##distance", progress.history, progress.historyCount, progress.historyOffset,
                     overlay, 0.0f, top, ImVec2(ImGui::GetContentRegionAvail().x, PlotHeight));
}

// A small square of the chain's colour, on the line with the text that follows.
void Swatch(const ColourRgb &colour) {
    ImVec2 at = ImGui::GetCursorScreenPos();
    float lift = (ImGui::GetTextLineHeight() - SwatchSize) / 2;
    ImGui::GetWindowDrawList()->AddRectFilled(
        ImVec2(at.x, at.y + lift), ImVec2(at.x + SwatchSize, at.y + lift + SwatchSize),
        ImGui::GetColorU32(ImVec4(colour.r, colour.g, colour.b, 1.0f)));
    ImGui::Dummy(ImVec2(SwatchSize, ImGui::GetTextLineHeight()));
    ImGui::SameLine();
}

void Comparison(DemoCommandQueue &commands) {
    bool shown = demoState.ikCompare != 0;
    if (ImGui::Checkbox("Compare the solvers (C)", &shown))
        Queue(commands, CommandToggleIkCompare);
    if (!demoState.ikCompare || !ImGui::BeginTable("legend", 3))
        return;
    ImGui::TableSetupColumn("solver", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableSetupColumn("distance", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableSetupColumn("status", ImGuiTableColumnFlags_WidthStretch);
    for (int kind = 0; kind < IkSolverCount; ++kind) {
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        if (kind == demoState.ikSolver) {
            ImGui::Dummy(ImVec2(SwatchSize, ImGui::GetTextLineHeight()));
            ImGui::SameLine();
        } else {
            Swatch(IkSolverColour(kind));
        }
        ImGui::TextUnformatted(IkSolverName(kind));
        ImGui::TableNextColumn();
        const IkChainFigures &figures = frameRecord.compared[kind];
        if (kind == demoState.ikSolver) {
            ImGui::TableNextColumn();
            ImGui::TextUnformatted("the limb itself");
        } else if (frameRecord.comparisonDrawn && figures.known) {
            ImGui::Text("%.4f", figures.distance);
            ImGui::TableNextColumn();
            ImGui::TextWrapped("%s", IkStatusText(figures.status));
        } else {
            ImGui::TableNextColumn();
            ImGui::TextWrapped("starts with the next update");
        }
    }
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    Swatch(IkTargetColour);
    ImGui::TextUnformatted("target");
    ImGui::EndTable();
}

void SetSetting(DemoCommandQueue &commands, int setting, double value) {
    Queue(commands, CommandSetIkSetting, setting, value);
}

// The settings of the solver on screen, and while comparing, of every solver.
void SolverSettings(DemoCommandQueue &commands) {
    const IkSettings &ik = demoState.ik;
    int kind = demoState.ikSolver;
    int all = demoState.ikCompare;
    if (all || kind == IkSolverCcd || kind == IkSolverFabrik) {
        int iterations = ik.iterations;
        if (ImGui::SliderInt("Iterations", &iterations, IkMinIterations, IkMaxIterations))
            SetSetting(commands, IkSettingIterations, iterations);
        float tolerance = (float)ik.tolerance;
        if (ImGui::SliderFloat("Tolerance", &tolerance, (float)IkMinTolerance,
                               (float)IkMaxTolerance, "%.5f", ImGuiSliderFlags_Logarithmic))
            SetSetting(commands, IkSettingTolerance, tolerance);
    }
    if (all || kind != IkSolverIncremental) {
        bool keep = !ik.poleFixed;
        if (ImGui::Checkbox("Keep the bend plane the chain has", &keep))
            SetSetting(commands, IkSettingPoleFixed, !keep);
        float pole = (float)ik.poleAngle;
        if (ImGui::SliderFloat("Pole angle", &pole, -180.0f, 180.0f, "%.0f deg"))
            SetSetting(commands, IkSettingPoleAngle, pole);
        bool limits = ik.jointLimits != 0;
        if (ImGui::Checkbox("Joint limits", &limits))
            SetSetting(commands, IkSettingJointLimits, limits);
        ImGui::BeginDisabled(!ik.jointLimits);
        ImGui::TextWrapped("Lower bone within %.0f deg of upright; elbow %.0f to %.0f deg "
                           "about X, %.0f to %.0f about Z",
                           IkLowerBoneMaxTilt, IkElbowMinBend, IkElbowMaxBend, -IkElbowMaxSideBend,
                           IkElbowMaxSideBend);
        ImGui::EndDisabled();
    }
}

} // namespace

void BuildIkPanel(DemoCommandQueue &commands) {
    if (!ImGui::CollapsingHeader("Inverse-kinematics solver", ImGuiTreeNodeFlags_DefaultOpen))
        return;
    SolverChoice(commands);
    StepRow(commands);
    Readouts();
    DistancePlot();
    Comparison(commands);
    SolverSettings(commands);
}
