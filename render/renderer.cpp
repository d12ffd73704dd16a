#include "render/renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/ik_overlays.h"
#include "render/materials.h"
#include "render/skin_views.h"
#include "render/static_models.h"
#include "skeleton/bones.h"
#include "skeleton/camera.h"
#include "skeleton/demo_state.h"
#include "skeleton/ik_lab.h"
#include "skeleton/kinematics.h"
#include "skeleton/skin_mesh.h"
#include "skeleton/skinning.h"

unsigned int skinTexture = 0;
unsigned int floorTexture = 0;

namespace {

void SetProjection() {
    demoState.aspect = (double)demoState.clientWidth / (double)demoState.clientHeight;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(CameraFieldOfView, demoState.aspect, CameraNearPlane, CameraFarPlane);
    glViewport(0, 0, demoState.clientWidth, demoState.clientHeight);
}

// Back by the distance (12 at start) and down 3, tilted to look down on the floor (15 degrees
// at start), then turned by the yaw.
void SetCamera(float viewAngle) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, (float)-demoState.viewDistance);
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
void DrawSkinTriangle(const Triangle &triangle) {
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
        SendSkinCorner(skinVertices[triangle.index[k]]);
    glEnd();
    if (!demoState.texturesOff)
        glDisable(GL_TEXTURE_2D);
}

void DrawSkin() {
    for (int t = 0; t < SkinTriangleCount; ++t)
        DrawSkinTriangle(skinTriangles[t]);
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
void DrawNormals() {
    for (int i = 0; i < SkinVertexCount; ++i) {
        SetMaterial(NormalLineMaterial);
        if (demoState.showNormals) {
            const SkinVertex &vertex = skinVertices[i];
            DrawLine(Add(vertex.position, vertex.normal), vertex.position);
        }
    }
}

// The line from the chain's end to the target, then the lab's marker and compared chains.
void DrawIkOverlays() {
    SetMaterial(TargetLineMaterial);
    DrawLine(EndEffectorPosition(), demoState.target);
    DrawIkLabOverlays();
}

// Everything the picture is drawn from besides the data fixed at set-up. Drawing is
// deterministic, so equal inputs draw the same picture.
const int MaxFrameInputs = 128;

struct FrameInputs {
    int valid; // 0: compares unequal to anything, so the frame is drawn
    double values[MaxFrameInputs];
    int count;
};

FrameInputs lastDrawn = {0, {}, 0};

void Put(FrameInputs &inputs, double value) {
    if (inputs.count == MaxFrameInputs) {
        inputs.valid = 0; // better a frame too many than a change missed
        return;
    }
    inputs.values[inputs.count++] = value;
}

void PutAngles(FrameInputs &inputs, const Bone &bone) {
    Put(inputs, bone.rotX);
    Put(inputs, bone.rotY);
    Put(inputs, bone.rotZ);
    Put(inputs, bone.material);
}

void GatherFrameInputs(FrameInputs &inputs, double viewAngle, const Bone *markerPose) {
    inputs.valid = 1;
    inputs.count = 0;
    Put(inputs, demoState.clientWidth);
    Put(inputs, demoState.clientHeight);
    Put(inputs, demoState.wireframe);
    Put(inputs, demoState.hideBones);
    Put(inputs, demoState.showNormals);
    Put(inputs, demoState.texturesOff);
    Put(inputs, demoState.ikMode);
    Put(inputs, demoState.target.x);
    Put(inputs, demoState.target.y);
    Put(inputs, demoState.target.z);
    Put(inputs, (float)viewAngle); // applied as a float
    Put(inputs, (float)demoState.viewTilt);
    Put(inputs, (float)demoState.viewDistance);
    Put(inputs, skinTexture);
    Put(inputs, floorTexture);
    for (int b = 0; b < BoneCount; ++b) {
        PutAngles(inputs, markerPose[b]); // the markers
        PutAngles(inputs, bones[b]);      // the skin, the normals and the chain's end
    }
    // The inverse-kinematics lab's compared chains, which move while the limb may stand still.
    Put(inputs, IkComparisonDrawn());
    if (IkComparisonDrawn()) {
        Put(inputs, demoState.ikSolver); // the one chain not drawn
        for (int kind = 0; kind < IkSolverCount; ++kind) {
            if (kind == demoState.ikSolver)
                continue;
            const IkPose &pose = ikComparison.chains[kind].pose;
            for (int b = 0; b < BoneCount; ++b) {
                Put(inputs, pose.rotX[b]);
                Put(inputs, pose.rotY[b]);
                Put(inputs, pose.rotZ[b]);
            }
        }
    }
    // The skinning lab: the method shapes the skin, the views and the inspected vertex add to it.
    Put(inputs, demoState.skinningMethod);
    Put(inputs, demoState.weightsView);
    Put(inputs, demoState.volumeView);
    Put(inputs, demoState.restPoseView);
    Put(inputs, demoState.inspectedVertex);
}

int SameFrameInputs(const FrameInputs &a, const FrameInputs &b) {
    if (!a.valid || !b.valid || a.count != b.count)
        return 0;
    for (int i = 0; i < a.count; ++i)
        if (a.values[i] != b.values[i])
            return 0;
    return 1;
}

int HasPixels() {
    return demoState.clientWidth > 0 && demoState.clientHeight > 0;
}

} // namespace

void DrawScene(double viewAngle, const Bone *markerPose) {
    // With no pixels there is nothing to see, and the aspect quotient would be undefined
    // (height 0) or degenerate (width 0).
    if (!HasPixels())
        return;
    SetProjection();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); // to the default black
    SetCamera((float)viewAngle);
    DrawFloor();
    if (demoState.wireframe && !demoState.hideBones)
        DrawBoneMarkers(markerPose);
    DrawSkin();
    DrawSkinViews(); // the skinning lab's, each only while it is on
    DrawNormals();
    if (demoState.ikMode)
        DrawIkOverlays();
    glFlush();
}

int SceneInputsChanged(double viewAngle, const Bone *markerPose) {
    FrameInputs inputs;
    GatherFrameInputs(inputs, viewAngle, markerPose);
    int changed = !SameFrameInputs(inputs, lastDrawn);
    lastDrawn = inputs;
    return changed;
}

void RenderScene(void (*presentFrame)(void), double viewAngle) {
    // Skipped whole rather than clamped: no update, no drawing, no present.
    if (!HasPixels())
        return;
    // The markers show the pose as it stood before this frame's update moved it.
    Bone markerPose[BoneCount];
    for (int b = 0; b < BoneCount; ++b)
        markerPose[b] = bones[b];
    UpdateSkeletonAndSkin();
    DrawScene(viewAngle, markerPose);
    if (presentFrame)
        presentFrame();
}

int SceneHasPixels() {
    return HasPixels();
}
