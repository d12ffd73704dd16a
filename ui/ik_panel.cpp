#include "ui/ik_panel.h"
#include "demo/demo_ik.h"

#include <cmath>
#include <cstdio>
#include <imgui.h>
#include <initializer_list>

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "demo/shown_model.h"
#include "lab/ik_colours.h"
#include "lab/ik_lab.h"
#include "rig/bones.h"
#include "ui/plot.h"
#include "ui/sliders.h"

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

// Each bone's three angles, and its twist about its own length: the part of its turn that
// only thins the skin at the joint, which no solver but the incremental one gives.
void BoneAngles() {
    if (!ImGui::BeginTable("angles", 5, ImGuiTableFlags_SizingStretchSame))
        return;
    const char *const headers[] = {"deg", "x", "y", "z", "twist"};
    for (const char *header : headers)
        ImGui::TableSetupColumn(header);
    ImGui::TableHeadersRow();
    const char *const names[BoneCount] = {"lower", "upper"};
    for (int b = 0; b < BoneCount; ++b) {
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(names[b]);
        // Wrapped: the incremental solver turns without bound, the others write within a turn.
        for (double angle :
             {bones[b].rotX, bones[b].rotY, bones[b].rotZ, frameRecord.ik.twist[b]}) {
            ImGui::TableNextColumn();
            ImGui::Text("%7.2f", WrappedDegrees(angle));
        }
    }
    ImGui::EndTable();
}

// What holds the chain short, while the joint limits do.
void HeldBy() {
    if (frameRecord.ik.heldBy)
        ImGui::TextWrapped("%s", IkLimitsText(frameRecord.ik.heldBy));
}

// The headline figures: how far the chain is and what the solver is doing.
void Headline() {
    ImGui::TextWrapped("Distance to the target  %.4f", frameRecord.ik.distance);
    ImGui::TextWrapped("Status: %s", IkStatusText(frameRecord.ik.status));
    HeldBy();
    ImGui::TextWrapped("Updates since it moved  %d", frameRecord.ik.updates);
}

void DistancePlot() {
    const IkProgress &progress = ikLab.progress;
    float highest = 0.0f;
    for (int i = 0; i < progress.historyCount; ++i)
        if (progress.history[i] > highest)
            highest = progress.history[i];
    // Never finer than the tolerance: distances within it all read as reached, on the floor.
    float top = highest > (float)demoState.ik.tolerance ? highest : (float)demoState.ik.tolerance;
    char title[80];
    std::snprintf(title, sizeof title, "Distance to the target, last %d updates",
                  progress.historyCount);
    ScaledPlot("##distance", title, progress.history, progress.historyCount, progress.historyOffset,
               top, PlotHeight, (float)demoState.ik.tolerance, "tolerance");
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

// The limb's own solver in the legend: its distance and status as the readouts give them.
void LimbLegendRow() {
    ImGui::Text("%.4f", frameRecord.ik.distance);
    ImGui::TableNextColumn();
    ImGui::TextWrapped("the limb: %s", IkStatusText(frameRecord.ik.status));
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
            LimbLegendRow();
        } else if (frameRecord.comparisonDrawn && figures.known) {
            ImGui::Text("%.4f", figures.distance);
            ImGui::TableNextColumn();
            if (figures.sameAs >= 0)
                ImGui::TextWrapped("%s; on %s's chain", IkStatusText(figures.status),
                                   IkSolverName(figures.sameAs));
            else
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

// dls's damping: small steps straight at the target when small, steady ones near a straight
// chain when large.
void DlsSettings(DemoCommandQueue &commands) {
    float damping = (float)demoState.ik.damping;
    if (PanelSliderFloat("Damping (dls)", &damping, (float)IkMinDamping, (float)IkMaxDamping, 0.01f,
                         "%.2f", ImGuiSliderFlags_Logarithmic))
        SetSetting(commands, IkSettingDamping, damping);
}

// The end's distance from the root against the target's, as the target moves out through full
// reach: plain (white) and softened (yellow), over a grey line at full reach, with the target's
// own distance marked, both axes' values at their ends. None while soft reach is off.
void SoftReachPlot() {
    const IkSoftReachPlot &plot = ikLab.softReach;
    if (!plot.made || !(demoState.ik.softZone > 0.0))
        return;
    ImGui::TextWrapped("Across: the target's distance from the root; up: the end's, on the same "
                       "scale. Grey: full reach, %.2f; magenta: the target, %.2f",
                       plot.reach, plot.target);
    ImVec2 size(ImGui::GetContentRegionAvail().x, PlotHeight * 1.5f);
    ImVec2 at = ImGui::GetCursorScreenPos();
    ImGui::Dummy(size);
    ImDrawList *draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(at, ImVec2(at.x + size.x, at.y + size.y),
                        ImGui::GetColorU32(ImGuiCol_FrameBg));
    // The same scale on both axes, so that following the target is the diagonal.
    double span = plot.to - plot.from;
    auto point = [&](double x, double y) {
        return ImVec2(at.x + (float)((x - plot.from) / span) * size.x,
                      at.y + size.y - (float)((y - plot.from) / span) * size.y);
    };
    draw->AddLine(point(plot.from, plot.reach), point(plot.to, plot.reach),
                  IM_COL32(140, 140, 140, 255));
    // The softened curve broad beneath, the plain one thin on top: both show where they agree.
    ImU32 colours[2] = {IM_COL32(255, 200, 0, 255), IM_COL32(255, 255, 255, 255)};
    const float *curves[2] = {plot.softened, plot.plain};
    for (int c = 0; c < 2; ++c)
        for (int i = 1; i < IkSoftReachSamples; ++i) {
            double x0 = plot.from + span * (i - 1) / (IkSoftReachSamples - 1);
            double x1 = plot.from + span * i / (IkSoftReachSamples - 1);
            draw->AddLine(point(x0, curves[c][i - 1]), point(x1, curves[c][i]), colours[c],
                          c ? 1.0f : 3.0f);
        }
    // The target, kept at the plot's edge when it stands beyond it.
    double target = plot.target < plot.from ? plot.from
                    : plot.target > plot.to ? plot.to
                                            : plot.target;
    ImU32 magenta =
        ImGui::GetColorU32(ImVec4(IkTargetColour.r, IkTargetColour.g, IkTargetColour.b, 1.0f));
    draw->AddLine(point(target, plot.from), point(target, plot.to), magenta, 2.0f);
    // Both axes run from plot.from to plot.to: the values at the corners.
    char low[16], high[16];
    std::snprintf(low, sizeof low, "%.2f", plot.from);
    std::snprintf(high, sizeof high, "%.2f", plot.to);
    ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);
    float line = ImGui::GetTextLineHeight();
    draw->AddText(ImVec2(at.x + 2, at.y + size.y - line), text, low);
    draw->AddText(ImVec2(at.x + size.x - ImGui::CalcTextSize(high).x - 2, at.y + size.y - line),
                  text, high);
    draw->AddText(ImVec2(at.x + 2, at.y), text, high);
    ImGui::TextColored(ImVec4(1.0f, 0.78f, 0.0f, 1.0f), "soft, zone %.2f", plot.zone);
    ImGui::SameLine();
    ImGui::TextUnformatted("  white: plain");
}

// Soft reach of the analytic solver: its zone, 0 for off, and the plot of what it does.
void SoftReachSettings(DemoCommandQueue &commands) {
    float zone = (float)demoState.ik.softZone;
    if (PanelSliderFloat("Soft reach", &zone, 0.0f, (float)IkMaxSoftZone, 0.01f,
                         zone > 0.0f ? "zone %.2f" : "off"))
        SetSetting(commands, IkSettingSoftZone, zone);
    SoftReachPlot();
}

// The settings of the solver on screen, and while comparing, of every solver.
void SolverSettings(DemoCommandQueue &commands) {
    const IkSettings &ik = demoState.ik;
    int kind = demoState.ikSolver;
    int all = demoState.ikCompare;
    if (all || kind == IkSolverCcd || kind == IkSolverFabrik || kind == IkSolverDls) {
        int iterations = ik.iterations;
        if (PanelSliderInt("Iterations", &iterations, IkMinIterations, IkMaxIterations))
            SetSetting(commands, IkSettingIterations, iterations);
        float tolerance = (float)ik.tolerance;
        if (PanelSliderFloat("Tolerance", &tolerance, (float)IkMinTolerance, (float)IkMaxTolerance,
                             0.0001f, "%.5f", ImGuiSliderFlags_Logarithmic))
            SetSetting(commands, IkSettingTolerance, tolerance);
    }
    if (all || kind != IkSolverIncremental) {
        bool keep = !ik.poleFixed;
        if (ImGui::Checkbox("Keep the bend plane the chain has", &keep))
            SetSetting(commands, IkSettingPoleFixed, !keep);
        float pole = (float)ik.poleAngle;
        if (PanelSliderFloat("Pole angle", &pole, -180.0f, 180.0f, 1.0f, "%.0f deg"))
            SetSetting(commands, IkSettingPoleAngle, pole);
        bool limits = ik.jointLimits != 0;
        if (ImGui::Checkbox("Joint limits", &limits))
            SetSetting(commands, IkSettingJointLimits, limits);
        ImGui::BeginDisabled(!ik.jointLimits);
        ImGui::TextWrapped("Lower bone within %.0f deg of upright; the elbow bends one way, "
                           "%.0f to %.0f deg, and at most %.0f deg sideways",
                           IkLowerBoneMaxTilt, IkElbowMinBend, IkElbowMaxBend, IkElbowMaxSideBend);
        ImGui::EndDisabled();
    }
    if (all || kind == IkSolverDls)
        DlsSettings(commands);
    if (all || kind == IkSolverAnalytic)
        SoftReachSettings(commands);
}

// ---- A model's chain ----

// The solvers that fit the chain to choose from; the others greyed, with why.
void ChainSolverChoice(DemoCommandQueue &commands, int joints) {
    int kind = ValidIkSolver(demoState.ikSolver);
    const char *reason = "";
    int fits = IkChainSolverFits(kind, joints, &reason);
    if (ImGui::BeginCombo("Solver (K)", IkSolverName(kind))) {
        for (int k = 0; k < IkSolverCount; ++k) {
            const char *why = "";
            ImGui::BeginDisabled(!IkChainSolverFits(k, joints, &why));
            if (ImGui::Selectable(IkSolverName(k), k == kind))
                Queue(commands, CommandSetIkSolver, k);
            ImGui::EndDisabled();
            if (*why && ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
                ImGui::SetTooltip("%s", why);
        }
        ImGui::EndCombo();
    }
    if (!fits)
        ImGui::TextWrapped("%s: ccd is shown", reason);
}

// The chain's end joint and how many joints above it move; each change starts afresh.
void ChainChoice(DemoCommandQueue &commands, const ChainLab &chain, const Rig &rig) {
    int end = chain.joints.back(), length = (int)chain.joints.size();
    int depth = 0;
    for (int j = end; j >= 0; j = rig.parents[j])
        ++depth;
    ImGui::TextWrapped("Chain %s to %s, %d joints", rig.names[chain.joints.front()].c_str(),
                       rig.names[end].c_str(), length);
    int newEnd = end, newLength = length;
    if (PanelSliderInt("End joint", &newEnd, 0, JointCount(rig) - 1))
        Queue(commands, CommandSetIkChain, newEnd, length);
    if (depth > 1 && PanelSliderInt("Joints that move", &newLength, 1, depth))
        Queue(commands, CommandSetIkChain, end, newLength);
}

// Every solver's distance against the updates on one plot, each in its chain's colour, over the
// tolerance; the legend gives each one's distance and the passes its last update made.
void ChainPlot(const ChainLab &chain) {
    int joints = (int)chain.joints.size();
    float highest = (float)demoState.ik.tolerance;
    int count = 0;
    for (int k = 0; k < IkSolverCount; ++k)
        for (float d : chain.history[k]) {
            highest = d > highest ? d : highest;
            count = (int)chain.history[k].size() > count ? (int)chain.history[k].size() : count;
        }
    ImGui::TextWrapped("Distance to the target, every solver, last %d updates (top %.3f)", count,
                       highest);
    ImVec2 size(ImGui::GetContentRegionAvail().x, PlotHeight * 1.5f);
    ImVec2 at = ImGui::GetCursorScreenPos();
    ImGui::Dummy(size);
    ImDrawList *draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(at, ImVec2(at.x + size.x, at.y + size.y),
                        ImGui::GetColorU32(ImGuiCol_FrameBg));
    auto point = [&](int i, float d) {
        float x = count > 1 ? (float)i / (count - 1) : 0.0f;
        return ImVec2(at.x + x * size.x, at.y + size.y - d / highest * size.y);
    };
    float level = (float)demoState.ik.tolerance;
    draw->AddLine(point(0, level), point(count > 1 ? count - 1 : 1, level),
                  IM_COL32(140, 140, 140, 255));
    for (int k = 0; k < IkSolverCount; ++k) {
        const std::vector<float> &history = chain.history[k];
        ColourRgb c = IkSolverColour(k);
        ImU32 colour = ImGui::GetColorU32(ImVec4(c.r, c.g, c.b, 1.0f));
        for (int i = 1; i < (int)history.size(); ++i)
            draw->AddLine(point(i - 1, history[i - 1]), point(i, history[i]), colour, 2.0f);
    }
    if (!ImGui::BeginTable("chain legend", 3))
        return;
    ImGui::TableSetupColumn("solver", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableSetupColumn("distance", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableSetupColumn("passes", ImGuiTableColumnFlags_WidthStretch);
    for (int k = 0; k < IkSolverCount; ++k) {
        if (!IkChainSolverFits(k, joints, nullptr))
            continue;
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        Swatch(IkSolverColour(k));
        ImGui::TextUnformatted(IkSolverName(k));
        ImGui::TableNextColumn();
        ImGui::Text("%.4f", chain.distance[k]);
        ImGui::TableNextColumn();
        ImGui::TextWrapped("%d passes last update, %d in all", chain.lastPasses[k],
                           chain.passes[k]);
    }
    ImGui::EndTable();
}

void ChainSettings(DemoCommandQueue &commands, int joints) {
    const IkSettings &ik = demoState.ik;
    int iterations = ik.iterations;
    if (PanelSliderInt("Iterations", &iterations, IkMinIterations, IkMaxIterations))
        SetSetting(commands, IkSettingIterations, iterations);
    float tolerance = (float)ik.tolerance;
    if (PanelSliderFloat("Tolerance", &tolerance, (float)IkMinTolerance, (float)IkMaxTolerance,
                         0.0001f, "%.5f", ImGuiSliderFlags_Logarithmic))
        SetSetting(commands, IkSettingTolerance, tolerance);
    DlsSettings(commands);
    bool limits = ik.jointLimits != 0;
    if (ImGui::Checkbox("Joint limits", &limits))
        SetSetting(commands, IkSettingJointLimits, limits);
    ImGui::BeginDisabled(!ik.jointLimits);
    ImGui::TextWrapped("Every joint leans at most %.0f deg from its rest and twists within %.0f "
                       "deg either way",
                       ChainMaxSwing, ChainMaxTwist);
    ImGui::EndDisabled();
    if (joints == 2) {
        float pole = (float)ik.poleAngle;
        if (PanelSliderFloat("Pole angle", &pole, -180.0f, 180.0f, 1.0f, "%.0f deg"))
            SetSetting(commands, IkSettingPoleAngle, pole);
    }
}

void BuildChainPanel(DemoCommandQueue &commands) {
    const ChainLab &chain = shownModel.chain;
    const Rig &rig = shownModel.loaded.model.rig;
    int joints = (int)chain.joints.size();
    int shown = ChainSolverShown(chain, ValidIkSolver(demoState.ikSolver));
    ImGui::TextWrapped("Distance to the target  %.4f", chain.distance[shown]);
    ImGui::TextWrapped("Updates  %d", chain.updates);
    ChainSolverChoice(commands, joints);
    ChainChoice(commands, chain, rig);
    StepRow(commands);
    ChainPlot(chain);
    bool compare = demoState.ikCompare != 0;
    if (ImGui::Checkbox("Draw every solver's chain (C)", &compare))
        Queue(commands, CommandToggleIkCompare);
    ChainSettings(commands, joints);
}

} // namespace

void BuildIkPanel(DemoCommandQueue &commands) {
    if (!ImGui::CollapsingHeader("Inverse-kinematics solver", ImGuiTreeNodeFlags_DefaultOpen))
        return;
    if (shownModel.active) {
        if (shownModel.chain.active)
            BuildChainPanel(commands);
        return;
    }
    Headline();
    SolverChoice(commands);
    StepRow(commands);
    BoneAngles();
    DistancePlot();
    Comparison(commands);
    SolverSettings(commands);
}
