#include "app/ik_stats.h"

#include "skeleton/demo_state.h"
#include "skeleton/ik_solvers.h"
#include "skeleton/kinematics.h"

void PrintIkStats(std::FILE *out) {
    const char *name = IkSolverName(ValidIkSolver(demoState.ikSolver));
    double distance = VectorLength(Subtract(demoState.target, EndEffectorPosition()));
    std::fprintf(out, "ik: solver %s, distance %.6f\n", name, distance);
}
