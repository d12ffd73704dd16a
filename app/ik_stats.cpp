#include "app/ik_stats.h"

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "demo/shown_model.h"
#include "ik/ik_solvers.h"
#include "lab/ik_lab.h"

namespace {

// A model's chain: which joints, the solver shown, then every solver's distance after the same
// updates from the same start, and the passes it took in all (the ones that do not fit the chain
// named with the reason).
void PrintChainStats(std::FILE *out) {
    const ChainLab &chain = shownModel.chain;
    const Rig &rig = shownModel.loaded.model.rig;
    int n = (int)chain.joints.size();
    int shown = ChainSolverShown(chain, ValidIkSolver(demoState.ikSolver));
    std::fprintf(out, "ik chain: %s to %s, %d joints, solver %s, distance %.6f, updates %d\n",
                 rig.names[chain.joints.front()].c_str(), rig.names[chain.joints.back()].c_str(), n,
                 IkSolverName(shown), chain.distance[shown], chain.updates);
    for (int k = 0; k < IkSolverCount; ++k) {
        const char *reason = "";
        if (IkChainSolverFits(k, n, &reason))
            std::fprintf(out, "ik chain %s: distance %.6f, passes %d\n", IkSolverName(k),
                         chain.distance[k], chain.passes[k]);
        else
            std::fprintf(out, "ik chain %s: not run, %s\n", IkSolverName(k), reason);
    }
}

} // namespace

void PrintIkStats(std::FILE *out) {
    if (shownModel.active && shownModel.chain.active) {
        PrintChainStats(out);
        return;
    }
    const char *name = IkSolverName(ValidIkSolver(demoState.ikSolver));
    double distance = frameRecord.ik.distance;
    // The status as the panel words it, so that scripts and the guides' checks read the same.
    std::fprintf(out, "ik: solver %s, distance %.6f, status %s", name, distance,
                 IkStatusText(frameRecord.ik.status));
    if (frameRecord.ik.heldBy)
        std::fprintf(out, ", %s", IkLimitsText(frameRecord.ik.heldBy));
    std::fprintf(out, "\n");
}
