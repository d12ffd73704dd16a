#include "app/keyboard.h"

#include "platform/key_codes.h"
#include "skeleton/demo_state.h"

namespace {

void ClampBelow(float &value, float low) {
    if (value < low)
        value = low;
}

void ClampAbove(float &value, float high) {
    if (value > high)
        value = high;
}

// One steering key: sets a joint velocity in the forward mode, moves one coordinate of the
// target in the IK mode. direction is +1 or -1.
void Steer(int joint, float &coordinate, int direction) {
    if (demoState.fkMode)
        demoState.jointVelocity[joint] = TruncToInt(direction * demoState.speed);
    if (demoState.ikMode)
        coordinate = (float)(coordinate + direction * demoState.targetStep);
}

// The keys that name one command each.
int CommandOfKey(int keyCode) {
    switch (keyCode) {
    case KeyEscape:
        return CommandQuit;
    case 'B':
        return CommandToggleBones;
    case 'F':
        return CommandToggleForward;
    case 'I':
        return CommandToggleInverse;
    case 'N':
        return CommandToggleNormals;
    case 'O':
        return CommandToggleTextures;
    case 'P':
        return CommandTogglePlay;
    case 'R':
        return CommandToggleRotation;
    case 'T':
        return CommandToggleWireframe;
    case KeyPadPlus:
    case KeyMainPlus: // for keyboards without a numeric pad
        return CommandFaster;
    case KeyPadMinus:
    case KeyMainMinus:
        return CommandSlower;
    case KeyHome:
        return CommandResetCamera;
    case KeyF1:
        return CommandTogglePanel;
    case KeyF12:
        return CommandSaveScreenshot;
    default:
        return CommandNone;
    }
}

} // namespace

int HandleKeyDown(int keyCode) {
    Vector3 &target = demoState.target;
    // The target clamps apply after every press of their key, in every mode.
    switch (keyCode) {
    case KeyPageUp:
        Steer(2, target.x, -1);
        ClampBelow(target.x, TargetMinXZ);
        break;
    case KeyPageDown:
        Steer(2, target.x, +1);
        ClampAbove(target.x, TargetMaxXZ);
        break;
    case KeyLeft:
        Steer(0, target.z, -1);
        ClampBelow(target.z, TargetMinXZ);
        break;
    case KeyUp:
        Steer(1, target.y, +1);
        ClampAbove(target.y, TargetMaxY);
        break;
    case KeyRight:
        Steer(0, target.z, +1);
        ClampAbove(target.z, TargetMaxXZ);
        break;
    case KeyDown:
        Steer(1, target.y, -1);
        ClampBelow(target.y, TargetMinY);
        break;
    default:
        return RunSimpleCommand(CommandOfKey(keyCode));
    }
    return 0;
}

void HandleKeyUp(int keyCode) {
    switch (keyCode) {
    case KeyPageUp:
    case KeyPageDown:
        demoState.jointVelocity[2] = 0;
        break;
    case KeyLeft:
    case KeyRight:
        demoState.jointVelocity[0] = 0;
        break;
    case KeyUp:
    case KeyDown:
        demoState.jointVelocity[1] = 0;
        break;
    default:
        break;
    }
}
