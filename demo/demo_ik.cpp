#include "demo/demo_ik.h"

#include "demo/demo_state.h"
#include "ik/kinematics.h"

IkLab ikLab;

void SolveIkStep() {
    SolveIkStepToward(demoState.target);
}

int TakeIkUpdate() {
    if (demoState.ikFrozen) {
        if (demoState.ikStepsPending <= 0)
            return 0;
        demoState.ikStepsPending--;
    } else {
        demoState.ikStepsPending = 0;
    }
    return 1;
}

void UpdateIk() {
    if (!TakeIkUpdate())
        return;
    UpdateIkLab(ikLab, demoState.ikSolver, demoState.target, demoState.ik, demoState.ikCompare);
}

void MakeIkGuides(IkGuides &guides) {
    int shown = demoState.ikMode &&
                (demoState.ikCompare || ValidIkSolver(demoState.ikSolver) != IkSolverIncremental);
    MakeIkGuides(guides, shown, demoState.target, demoState.ik);
}

void StepIk() {
    demoState.ikFrozen = 1;
    demoState.ikStepsPending++;
}

void ResetIkLab() {
    ResetIkLab(ikLab);
}
