#pragma once

#include "skeleton/bones.h"
#include "skeleton/demo_state.h"

// Puts the global demo state and both bones back to their start values between tests.
inline void ResetDemo() {
    demoState = DemoState();
    for (Bone &bone : bones)
        bone = Bone{};
}
