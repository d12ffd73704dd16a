#include "app/ik_stats.h"

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "ik/ik_solvers.h"

void PrintIkStats(std::FILE *out) {
    const char *name = IkSolverName(ValidIkSolver(demoState.ikSolver));
    double distance = frameRecord.ik.distance;
    std::fprintf(out, "ik: solver %s, distance %.6f\n", name, distance);
}
