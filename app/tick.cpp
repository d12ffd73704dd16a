#include "app/tick.h"

#include "app/commands.h"
#include "demo/demo_state.h"
#include "demo/shown_model.h"
#include "rig/bones.h"

namespace {

// Reversal points of the play animation, degrees. A joint may overshoot one by less than its
// velocity before it turns back.
struct SwingLimits {
    double high;
    double low;
};

const SwingLimits LowerBendLimits = {17.0, -17.0};  // bone 0 about X
const SwingLimits UpperBendLimits = {95.0, -35.0};  // bone 1 about X
const SwingLimits UpperTwistLimits = {10.0, -15.0}; // bone 1 about Z

void Swing(double &angle, int &velocity, const SwingLimits &limits, int reversalStep) {
    if (angle >= limits.high)
        velocity = -reversalStep;
    if (angle <= limits.low)
        velocity = reversalStep;
    angle += velocity;
}

} // namespace

int ReversalStep(double speed) {
    return TruncToInt(speed + 0.5);
}

void AnimationTick() {
    // A camera the mouse is orbiting waits for the button's release.
    if (demoState.rotateView && !demoState.cameraDragging)
        demoState.viewAngle += demoState.speed;
    if (demoState.viewAngle >= 360.0)
        demoState.viewAngle -= 360.0;

    int *velocity = demoState.jointVelocity;
    if (demoState.fkMode) {
        bones[0].rotX += velocity[0];
        bones[1].rotX += velocity[1];
        bones[1].rotZ += velocity[2];
        bones[1].rotY += demoState.twistVelocity;
        // On a model the same keys turn the selected joint and its parent.
        TurnShownJoints(velocity[0], velocity[1], demoState.twistVelocity, velocity[2]);
    }
    // A shown model's clip runs at the speed's multiple of real time, a tick being 10 ms.
    if (demoState.playAnimation)
        AdvanceShownModel(0.01 * demoState.speed);
    if (demoState.playAnimation) {
        int r = ReversalStep(demoState.speed);
        Swing(bones[0].rotX, velocity[0], LowerBendLimits, r);
        Swing(bones[1].rotX, velocity[1], UpperBendLimits, r);
        Swing(bones[1].rotZ, velocity[2], UpperTwistLimits, r);
    }
}
