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
