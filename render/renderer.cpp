#include "render/renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <vector>

#include "demo/demo_state.h"
#include "demo/frame_record.h"
#include "mesh/skin_mesh.h"
#include "render/ik_overlays.h"
#include "render/materials.h"
#include "render/model_drawing.h"
#include "render/skin_views.h"
#include "render/static_models.h"
#include "rig/bones.h"
#include "skinning/skinning.h"
#include "view/camera.h"

unsigned int skinTexture = 0;
unsigned int floorTexture = 0;

namespace {

// The scene's viewport counts y down from the window's top, GL's up from its bottom. The near
// plane comes in where the skin comes closer than it, so that the closest zoom keeps it whole.
void SetProjection(const FrameRecord &frame) {
    std::vector<Vector3> points(frame.skin.size());
    for (size_t i = 0; i < frame.skin.size(); ++i)
        points[i] = frame.skin[i].position;
    CameraView camera = {frame.viewAngle, demoState.viewTilt, FrameViewDistance(frame),
                         frame.fieldOfView};
    double nearPlane = NearPlaneFor(camera, points.data(), (int)points.size());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(frame.fieldOfView, frame.aspect, nearPlane, CameraFarPlane);
    const SceneViewport &v = frame.viewport;
    glViewport(v.x, demoState.clientHeight - v.y - v.height, v.width, v.height);
}

// Back by the distance (12 at start) and down 3, tilted to look down on the floor (15 degrees
// at start), then turned by the yaw.
void SetCamera(float viewAngle, double distance) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, (float)-distance);
    glTranslatef(0.0f, (float)-CameraHeight, 0.0f);
    glRotatef((float)demoState.viewTilt, 1.0f, 0.0f, 0.0f);
    glRotatef(viewAngle, 0.0f, 1.0f, 0.0f);
    glScalef(SceneScale, SceneScale, SceneScale);
}

void BeginTexturing(unsigned int texture) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void DrawFloor() {
    SetMaterial(FloorMaterial);
    if (!demoState.texturesOff)
        BeginTexturing(floorTexture);
    DrawStaticModel(floorModel);
    if (!demoState.texturesOff)
        glDisable(GL_TEXTURE_2D);
}

// Same Y, X, Z order as the bone matrices, so the markers and the skin agree.
void RotateLikeBone(const Bone &bone) {
    glRotatef((float)bone.rotY, 0.0f, 1.0f, 0.0f);
    glRotatef((float)bone.rotX, 1.0f, 0.0f, 0.0f);
    glRotatef((float)bone.rotZ, 0.0f, 0.0f, 1.0f);
}

void DrawMarker(const Bone &bone) {
    glBegin(GL_TRIANGLES);
    SetMaterial(bone.material);
    SendModelFaces(boneMarkerModel);
    glEnd();
}

// Bone 1's marker sits on its pivot, 1.5 up bone 0's marker, and turns with both bones.
void DrawBoneMarkers(const Bone *pose) {
    glPushMatrix();
    RotateLikeBone(pose[0]);
    DrawMarker(pose[0]);
    glPushMatrix();
    glTranslatef(0.0f, 1.5f, 0.0f);
    glPushMatrix();
    RotateLikeBone(pose[1]);
    DrawMarker(pose[1]);
    glPopMatrix();
    glPopMatrix();
    glPopMatrix();
}

void SendSkinCorner(const SkinVertex &vertex) {
    glNormal3f(vertex.normal.x, vertex.normal.y, vertex.normal.z);
    glTexCoord2f(vertex.u, vertex.v);
    glVertex3f(vertex.position.x, vertex.position.y, vertex.position.z);
}

// Stored corners run clockwise seen from outside the tube; sending them last to first makes
// the outside the front face, so culling removes the inside.
void DrawSkinTriangle(const SkinVertex *skin, const Triangle &triangle) {
    if (demoState.wireframe) {
        SetMaterial(SkinPlainMaterial);
        glBegin(GL_LINE_LOOP);
    } else {
        if (demoState.texturesOff) {
            SetMaterial(SkinPlainMaterial);
        } else {
            SetMaterial(SkinTexturedMaterial);
            BeginTexturing(skinTexture);
        }
        glBegin(GL_TRIANGLES);
    }
    for (int k = 2; k >= 0; --k)
        SendSkinCorner(skin[triangle.index[k]]);
    glEnd();
    if (!demoState.texturesOff)
        glDisable(GL_TEXTURE_2D);
}

// The model's triangles: the limb's are skinTriangles' copy, in the same order.
void DrawSkin(const FrameRecord &frame, const std::vector<SkinVertex> &skin) {
    if (!frame.model || skin.size() != frame.model->mesh.restPositions.size())
        return; // before the set-up: no surface yet
    for (const Triangle &triangle : frame.model->mesh.triangles)
        DrawSkinTriangle(skin.data(), triangle);
}

void SendPoint(const Vector3 &p) {
    glVertex3f(p.x, p.y, p.z);
}

void DrawLine(const Vector3 &from, const Vector3 &to) {
    glPushMatrix();
    glBegin(GL_LINES);
    SendPoint(from);
    SendPoint(to);
    glEnd();
    glPopMatrix();
}

// Each normal as a line of its own length from position + normal back to the vertex. The lines
// are lit with the last normal the skin sent.
void DrawNormals(const std::vector<SkinVertex> &skin) {
    for (size_t i = 0; i < skin.size(); ++i) {
        SetMaterial(NormalLineMaterial);
        if (demoState.showNormals) {
            const SkinVertex &vertex = skin[i];
            DrawLine(Add(vertex.position, vertex.normal), vertex.position);
        }
    }
}

// The line from the chain's end to the target, then the lab's marker and compared chains.
void DrawIkOverlays(const FrameRecord &frame) {
    DrawIkTargetDrop(demoState.target);
    SetMaterial(TargetLineMaterial);
    DrawLine(frame.endEffector, demoState.target);
    DrawIkLabOverlays(frame);
}

// The same for a model's chain: the drop, the red line from the shown chain's end, the chains.
void DrawModelIkOverlays(const FrameRecord &frame) {
    int drawn = 0;
    for (const std::vector<Vector3> &points : frame.modelChains)
        drawn |= !points.empty();
    if (!drawn)
        return; // a model without a chain: nothing to aim
    DrawIkTargetDrop(demoState.target);
    SetMaterial(TargetLineMaterial);
    DrawLine(frame.endEffector, demoState.target);
    DrawModelChainOverlays(frame);
}

// Every method's limb in its place in the row, each with its own markers and views.
void DrawSideBySide(const FrameRecord &frame) {
    glMatrixMode(GL_MODELVIEW);
    for (int m = 0; m < SkinningMethodCount; ++m) {
        const Vector3 &at = frame.copies.offsets[m];
        glPushMatrix();
        glTranslatef(at.x, at.y, at.z);
        if (demoState.wireframe && !demoState.hideBones)
            DrawBoneMarkers(frame.markerPose.data());
        DrawSkin(frame, frame.copies.skins[m]);
        DrawSkinViewsOfCopy(frame, m);
        DrawNormals(frame.copies.skins[m]);
        glPopMatrix();
    }
}

int HasPixels() {
    return demoState.clientWidth > 0 && demoState.clientHeight > 0;
}

} // namespace

void DrawScene(const FrameRecord &frame) {
    // With no pixels there is nothing to see, and the aspect quotient would be undefined
    // (height 0) or degenerate (width 0).
    if (!HasPixels() || frame.viewport.width <= 0 || frame.viewport.height <= 0)
        return;
    SetProjection(frame);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); // to the default black
    SetCamera((float)frame.viewAngle, FrameViewDistance(frame));
    DrawFloor();
    if (demoState.wireframe && !demoState.hideBones && !frame.sideBySide &&
        frame.markerPose.size() == (size_t)BoneCount)
        DrawBoneMarkers(frame.markerPose.data());
    if (FrameShowsLoadedModel(frame)) {
        DrawLoadedModel(frame);
        if (demoState.ikMode)
            DrawModelIkOverlays(frame);
        glFlush();
        return;
    }
    if (frame.sideBySide)
        DrawSideBySide(frame);
    else {
        DrawSkin(frame, frame.skin);
        DrawSkinViews(frame); // the skinning lab's, each only while it is on
        DrawNormals(frame.skin);
    }
    if (demoState.ikMode)
        DrawIkOverlays(frame);
    glFlush();
}

int SceneInputsChanged(SceneTracker &tracker, const FrameRecord &frame) {
    int changed = !tracker.valid || !SameScene(frame, tracker.frame) ||
                  !SameSettings(demoState, tracker.state) || tracker.textures[0] != skinTexture ||
                  tracker.textures[1] != floorTexture;
    tracker.valid = 1;
    tracker.frame = frame;
    tracker.state = demoState;
    tracker.textures[0] = skinTexture;
    tracker.textures[1] = floorTexture;
    return changed;
}

void RenderScene(void (*presentFrame)(void), double viewAngle) {
    // Skipped whole rather than clamped: no update, no drawing, no present.
    if (!HasPixels())
        return;
    // The same update and drawing as the program's own frame.
    UpdateFrame(frameRecord, viewAngle, SceneView());
    DrawScene(frameRecord);
    if (presentFrame)
        presentFrame();
}

int SceneHasPixels() {
    return HasPixels();
}
