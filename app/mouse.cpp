#include "app/mouse.h"

#include "app/commands.h"
#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "demo/shown_model.h"
#include "lab/side_by_side.h"
#include "lab/vertex_inspector.h"
#include "platform/platform.h"
#include "view/camera.h"

#include <cmath>
#include <cstdlib>
#include <vector>

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
    // Where the press was, and whether it may still end as a click: a single press whose
    // pointer has stayed within ClickSlackPixels of it.
    int pressX, pressY;
    int mayBeClick;
};

MouseDrag drag = {DragNone, 0, 0, 0, 0, 0, 0};

void StartDrag(int kind, int button, int x, int y, int mayBeClick) {
    drag = MouseDrag{kind, button, x, y, x, y, mayBeClick};
    demoState.cameraDragging = kind == DragOrbit;
}

// A left click on the skin inspects the vertex nearest the pointer among those the picture
// shows there; a click anywhere else stops inspecting.
// Side by side, a click on a copy also chooses its method, so the inspector's marks go to it.
// On a model in the forward mode (its skeleton drawn) or the inverse mode (its chain drawn), the
// joint within JointPickPixels of the pointer (the nearest), or -1: a click there selects it, and
// in the inverse mode makes it the chain's end. Elsewhere a click inspects the skin, joints or
// not, since the wireframe's skeleton lies over the vertices a learner aims at.
const double JointPickPixels = 12.0;

int JointAt(int x, int y, const SceneViewport &scene) {
    const FrameRecord &shown = frameRecord;
    int chainDrawn = demoState.ikMode && shownModel.chain.active;
    // Side by side every copy has its skeleton, none where the joints' places are.
    int skeletonDrawn = demoState.fkMode && !demoState.hideBones && !shown.sideBySide;
    if (!shownModel.active || !(chainDrawn || skeletonDrawn))
        return -1;
    int best = -1;
    double bestDistance = JointPickPixels;
    for (int j = 0; j < (int)shown.skinPose.worlds.size(); ++j) {
        const Matrix4 &world = shown.skinPose.worlds[j];
        Vector3 place = ShownModelToScene(Vector3{world.m[12], world.m[13], world.m[14]});
        PixelPoint at;
        if (!ModelToPixels(SceneCamera(), place, scene.width, scene.height, at))
            continue;
        double dx = at.x - (x - scene.x), dy = at.y - (y - scene.y);
        double distance = std::sqrt(dx * dx + dy * dy);
        if (distance < bestDistance) {
            best = j;
            bestDistance = distance;
        }
    }
    return best;
}

// A model's skin is kept in its own space and framed into the scene when drawn; picking, which
// works in the scene's space, takes it where the framing puts it.
std::vector<SkinVertex> SkinInScene(const std::vector<SkinVertex> &skin) {
    std::vector<SkinVertex> placed(skin);
    if (shownModel.active)
        for (SkinVertex &v : placed)
            v.position = ShownModelToScene(v.position);
    return placed;
}

void ClickAt(int x, int y) {
    SceneViewport scene = SceneView();
    int joint = JointAt(x, y, scene);
    if (joint >= 0) {
        RunCommand(DemoCommand{CommandSelectJoint, joint, 0.0, Vector3{}});
        // The chain keeps its length where the new end has joints enough above it.
        if (demoState.ikMode && shownModel.chain.active)
            RunCommand(DemoCommand{CommandSetIkChain, joint,
                                   (double)shownModel.chain.joints.size(), Vector3{}});
        return;
    }
    int vertex = -1, method = 0;
    const FrameRecord &shown = frameRecord;
    if (!shown.model) {
        // nothing drawn yet: nothing to pick
    } else if (shown.sideBySide) {
        MethodCopies placed = shown.copies;
        for (std::vector<SkinVertex> &skin : placed.skins)
            skin = SkinInScene(skin);
        if (PickVertexOfCopies(SceneCamera(), *shown.model, shown.skinPose, placed, x - scene.x,
                               y - scene.y, scene.width, scene.height, vertex, method))
            RunCommand(DemoCommand{CommandSetSkinningMethod, method, 0.0, Vector3{}});
    } else if (shown.skin.size() == shown.model->mesh.restPositions.size()) {
        std::vector<SkinVertex> placed = SkinInScene(shown.skin);
        vertex = PickVertex(SceneCamera(), *shown.model, shown.skinPose, placed.data(), x - scene.x,
                            y - scene.y, scene.width, scene.height);
    }
    DemoCommand command = {CommandInspectVertex, vertex, 0.0, Vector3{0.0f, 0.0f, 0.0f}};
    RunCommand(command);
}

void EndDrag() {
    drag.kind = DragNone;
    demoState.cameraDragging = 0;
}

// The target follows the pointer at its own depth, so it stays under it until a bound holds it.
void MoveTargetByPixels(int dx, int dy) {
    const Vector3 &target = demoState.target;
    Vector3 offset = ModelOffsetForPixels(SceneCamera(), target, dx, dy, SceneView().height);
    SetTargetWithinBounds(Add(target, offset));
}

} // namespace

const MouseHelpLine mouseHelpLines[] = {
    {"left drag",
     "orbit the camera: sideways turns the view angle (the one R rotates), up and down tilts it "
     "between 5 and 80 degrees; the automatic rotation waits while the button is held"},
    {"wheel", "zoom: moves the camera along its line of sight, 5 to 22 units from the scene, staying back where the limb would come within a quarter unit of the eye"},
    {"double click", "camera tilt and distance back to their start, as Home"},
    {"right drag",
     "inverse mode only: move the target in the plane that faces the camera through it, kept in "
     "the same box as the keys (x and z from -2.5 to 2.5, y from 1 to 3.5); the solver works "
     "toward it at once"},
    {"left click",
     "on the skin: inspect the vertex nearest the pointer (marked in the scene with where each "
     "bone alone and each skinning method would put it, its numbers in the panel); off the "
     "skin: stop inspecting; in the forward mode on a model, on one of its joints: select it "
     "for the weights view and the keys; in the inverse mode on a model, on a joint of its chain: "
     "select it and make it the IK chain's end"},
};

const int MouseHelpLineCount = (int)(sizeof mouseHelpLines / sizeof mouseHelpLines[0]);

void HandleMouseDown(int button, int clicks, int x, int y, int overPanel) {
    if (overPanel || drag.kind != DragNone)
        return;
    if (button == MouseLeft) {
        if (clicks >= 2)
            RunSimpleCommand(CommandResetCamera);
        StartDrag(DragOrbit, button, x, y, clicks < 2);
    } else if (button == MouseRight && demoState.ikMode) {
        StartDrag(DragTarget, button, x, y, 0);
    }
}

void HandleMouseUp(int button) {
    if (button != drag.button || drag.kind == DragNone)
        return;
    int click = drag.kind == DragOrbit && drag.mayBeClick;
    EndDrag();
    if (click)
        ClickAt(drag.pressX, drag.pressY);
}

void HandleMouseMove(int x, int y) {
    int dx = x - drag.lastX, dy = y - drag.lastY;
    drag.lastX = x;
    drag.lastY = y;
    if (std::abs(x - drag.pressX) > ClickSlackPixels ||
        std::abs(y - drag.pressY) > ClickSlackPixels)
        drag.mayBeClick = 0;
    if (drag.kind == DragOrbit)
        OrbitCamera(dx * OrbitYawPerPixel, dy * OrbitTiltPerPixel);
    else if (drag.kind == DragTarget && demoState.ikMode)
        MoveTargetByPixels(dx, dy);
}

void HandleMouseWheel(double notches, int overPanel) {
    if (!overPanel)
        ZoomCamera(notches);
}
