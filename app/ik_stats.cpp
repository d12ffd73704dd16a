#include "app/ik_stats.h"

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "ik/ik_solvers.h"
#include "lab/ik_lab.h"

void PrintIkStats(std::FILE *out) {
    const char *name = IkSolverName(ValidIkSolver(demoState.ikSolver));
    double distance = frameRecord.ik.distance;
    // The status as the panel words it, so that scripts and the guides' checks read the same.
    std::fprintf(out, "ik: solver %s, distance %.6f, status %s", name, distance,
                 IkStatusText(frameRecord.ik.status));
    if (frameRecord.ik.heldBy)
        std::fprintf(out, ", %s", IkLimitsText(frameRecord.ik.heldBy));
    std::fprintf(out, "\n");
}
