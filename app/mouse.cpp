#include "app/mouse.h"

#include "app/commands.h"
#include "platform/platform.h"
#include "skeleton/camera.h"
#include "skeleton/demo_state.h"

namespace {

enum Drag {
    DragNone,
    DragOrbit,
    DragTarget,
};

struct MouseDrag {
    int kind;
    int button;
    int lastX, lastY;
};

MouseDrag drag = {DragNone, 0, 0, 0};

void StartDrag(int kind, int button, int x, int y) {
    drag = MouseDrag{kind, button, x, y};
    demoState.cameraDragging = kind == DragOrbit;
}

void EndDrag() {
    drag.kind = DragNone;
    demoState.cameraDragging = 0;
}

// The target follows the pointer at its own depth, so it stays under it until a bound holds it.
void MoveTargetByPixels(int dx, int dy) {
    const Vector3 &target = demoState.target;
    Vector3 offset = ModelOffsetForPixels(target, dx, dy, demoState.clientHeight);
    SetTargetWithinBounds(Add(target, offset));
}

} // namespace

const MouseHelpLine mouseHelpLines[] = {
    {"left drag",
     "orbit the camera: sideways turns the view angle (the one R rotates), up and down tilts it "
     "between 5 and 80 degrees; the automatic rotation waits while the button is held"},
    {"wheel", "zoom: moves the camera along its line of sight, 5 to 22 units from the scene"},
    {"double click", "camera tilt and distance back to their start, as Home"},
    {"right drag",
     "inverse mode only: move the target in the plane that faces the camera through it, kept in "
     "the same box as the keys (x and z from -2.5 to 2.5, y from 1 to 3.5); the solver works "
     "toward it at once"},
};

const int MouseHelpLineCount = (int)(sizeof mouseHelpLines / sizeof mouseHelpLines[0]);

void HandleMouseDown(int button, int clicks, int x, int y, int overPanel) {
    if (overPanel || drag.kind != DragNone)
        return;
    if (button == MouseLeft) {
        if (clicks >= 2)
            RunSimpleCommand(CommandResetCamera);
        StartDrag(DragOrbit, button, x, y);
    } else if (button == MouseRight && demoState.ikMode) {
        StartDrag(DragTarget, button, x, y);
    }
}

void HandleMouseUp(int button) {
    if (button == drag.button)
        EndDrag();
}

void HandleMouseMove(int x, int y) {
    int dx = x - drag.lastX, dy = y - drag.lastY;
    drag.lastX = x;
    drag.lastY = y;
    if (drag.kind == DragOrbit)
        OrbitCamera(dx * OrbitYawPerPixel, dy * OrbitTiltPerPixel);
    else if (drag.kind == DragTarget && demoState.ikMode)
        MoveTargetByPixels(dx, dy);
}

void HandleMouseWheel(double notches, int overPanel) {
    if (!overPanel)
        ZoomCamera(notches);
}
