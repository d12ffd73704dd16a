#include "render/renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/materials.h"
#include "render/static_models.h"
#include "skeleton/bones.h"
#include "skeleton/demo_state.h"
#include "skeleton/kinematics.h"
#include "skeleton/skin_mesh.h"
#include "skeleton/skinning.h"

unsigned int skinTexture = 0;
unsigned int floorTexture = 0;

namespace {

const double FieldOfViewDegrees = 60.0; // vertical
const double NearPlane = 1.0;
const double FarPlane = 30.0;
const float SceneScale = 2.5f; // scene units to eye units; also shortens normals to 0.4

void SetProjection() {
    demoState.aspect = (double)demoState.clientWidth / (double)demoState.clientHeight;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FieldOfViewDegrees, demoState.aspect, NearPlane, FarPlane);
    glViewport(0, 0, demoState.clientWidth, demoState.clientHeight);
}

// Back 12 and down 3, tilted 15 degrees to look down on the floor, then turned by the yaw.
void SetCamera(float viewAngle) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -12.0f);
    glTranslatef(0.0f, -3.0f, 0.0f);
    glRotatef(15.0f, 1.0f, 0.0f, 0.0f);
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

// A short vertical tick just above the target, then a line from the chain's end to it.
void DrawIkOverlays() {
    const Vector3 &target = demoState.target;
    SetMaterial(SkinTexturedMaterial);
    DrawLine(Vector3{target.x, (float)(target.y + 0.01), target.z},
             Vector3{target.x, (float)(target.y + 0.05), target.z});
    SetMaterial(TargetLineMaterial);
    DrawLine(EndEffectorPosition(), target);
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
    DrawNormals();
    if (demoState.ikMode)
        DrawIkOverlays();
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
    glFlush();
    if (presentFrame)
        presentFrame();
}
