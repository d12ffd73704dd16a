#include "render/model_drawing.h"

#include <GL/gl.h>

#include "demo/demo_state.h"
#include "demo/shown_model.h"
#include "render/materials.h"
#include "render/skin_views.h"
#include "skinning/skinning.h"

namespace {

// The texture made from the shown model's base colour, and the pixels it was made from: a new
// model's pixels are elsewhere, so the texture is made again.
unsigned int modelTexture = 0;
const unsigned char *texturePixels = nullptr;

unsigned int TextureOfShownModel() {
    const GltfTexture &texture = shownModel.loaded.texture;
    if (texture.rgba.empty())
        return 0;
    if (modelTexture != 0 && texturePixels == texture.rgba.data())
        return modelTexture;
    if (modelTexture == 0)
        glGenTextures(1, &modelTexture);
    glBindTexture(GL_TEXTURE_2D, modelTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, texture.width, texture.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, texture.rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
    texturePixels = texture.rgba.data();
    return modelTexture;
}

void DrawSkinArrays(const FrameRecord &frame, const std::vector<SkinVertex> &skin) {
    const LoadedModel &loaded = shownModel.loaded;
    const std::vector<Triangle> &triangles = loaded.model.mesh.triangles;
    if (skin.size() != loaded.model.mesh.restPositions.size() || skin.empty())
        return;
    (void)frame;
    unsigned int texture = demoState.wireframe || demoState.texturesOff ? 0 : TextureOfShownModel();
    SetMaterial(texture ? SkinTexturedMaterial : SkinPlainMaterial);
    if (demoState.wireframe) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glDisable(GL_CULL_FACE);
    }
    // A colour view draws the skin again over this one, from immediate calls: their depths need
    // not match the arrays' to the last bit, so these are pushed back a step and the colours
    // win everywhere they lie on the skin.
    int coloured = demoState.weightsView || demoState.volumeView || demoState.radiusView ||
                   demoState.stretchView;
    if (coloured) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glEnable(GL_POLYGON_OFFSET_LINE);
        glPolygonOffset(1.0f, 1.0f);
    }
    if (texture) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(SkinVertex), &skin[0].u);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(SkinVertex), &skin[0].position);
    glNormalPointer(GL_FLOAT, sizeof(SkinVertex), &skin[0].normal);
    // The outline alone draws each side once, as lines: the triangles' outlines would draw every
    // inner side twice, which a large model's frame feels. Under a colour view the outline stays
    // the triangles', which the polygon offset can push behind the colours.
    const std::vector<int> &edges = loaded.model.edges;
    if (demoState.wireframe && !coloured && !edges.empty())
        glDrawElements(GL_LINES, (int)edges.size(), GL_UNSIGNED_INT, edges.data());
    else
        for (const GltfPrimitive &p : loaded.primitives)
            if (p.triangleCount > 0 && p.firstTriangle >= 0 &&
                (size_t)p.firstTriangle + p.triangleCount <= triangles.size())
                glDrawElements(GL_TRIANGLES, 3 * p.triangleCount, GL_UNSIGNED_INT,
                               triangles[p.firstTriangle].index);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (coloured) {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_POLYGON_OFFSET_LINE);
        glPolygonOffset(0.0f, 0.0f);
    }
    if (texture) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisable(GL_TEXTURE_2D);
    }
    if (demoState.wireframe) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glEnable(GL_CULL_FACE);
    }
    if (demoState.showNormals) {
        SetMaterial(NormalLineMaterial);
        glBegin(GL_LINES);
        for (const SkinVertex &v : skin) {
            glVertex3f(v.position.x, v.position.y, v.position.z);
            glVertex3f(v.position.x + v.normal.x, v.position.y + v.normal.y,
                       v.position.z + v.normal.z);
        }
        glEnd();
    }
}

// The skeleton's joints and bones, in the blue of the limb's bone markers.
const ColourRgb SkeletonColour = {0.0f, 0.3f, 1.0f};
// The selected joint, larger and yellow, so it stands out from the skeleton's blue and from the
// IK target's magenta.
const ColourRgb SelectedJointColour = {1.0f, 0.85f, 0.0f};

void SendJoint(const Matrix4 &world) {
    glVertex3f(world.m[12], world.m[13], world.m[14]);
}

// The model's skeleton, as the limb's bone markers show its two bones: a line from each joint
// to its parent and a dot on each joint, in the model's own space (the framing around it puts it
// on the floor), over the skin, since most joints lie inside it.
void DrawSkeleton(const FrameRecord &frame) {
    const std::vector<int> &parents = frame.model->rig.parents;
    const std::vector<Matrix4> &worlds = frame.skinPose.worlds;
    if (worlds.size() != parents.size())
        return;
    glPushAttrib(GL_LIGHTING_BIT | GL_LINE_BIT | GL_POINT_BIT | GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    UseFlatColour(SkeletonColour);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    for (size_t j = 0; j < parents.size(); ++j)
        if (parents[j] >= 0) {
            SendJoint(worlds[(size_t)parents[j]]);
            SendJoint(worlds[j]);
        }
    glEnd();
    glPointSize(5.0f);
    glBegin(GL_POINTS);
    for (const Matrix4 &world : worlds)
        SendJoint(world);
    glEnd();
    int selected = frame.selectedJoint;
    if (selected >= 0 && selected < (int)worlds.size()) {
        UseFlatColour(SelectedJointColour);
        glPointSize(9.0f);
        glBegin(GL_POINTS);
        SendJoint(worlds[(size_t)selected]);
        glEnd();
    }
    glPopAttrib();
}

// The skin of copy (a method's, side by side) or of the frame (-1), with the skinning lab's
// views over it in the same framing.
void DrawFramed(const FrameRecord &frame, int copy) {
    const std::vector<SkinVertex> &skin = copy < 0 ? frame.skin : frame.copies.skins[copy];
    glPushMatrix();
    glMultMatrixf(shownModel.framing.m);
    // The framing scales: normals are made unit again for the light. The stored corners run
    // clockwise seen from the front (the limb's order).
    glEnable(GL_NORMALIZE);
    glFrontFace(GL_CW);
    DrawSkinArrays(frame, skin);
    glFrontFace(GL_CCW);
    glDisable(GL_NORMALIZE);
    if (copy < 0)
        DrawSkinViews(frame);
    else
        DrawSkinViewsOfCopy(frame, copy);
    // B: the bones show with the wireframe, as the limb's markers do, and in the forward mode,
    // where a click on a joint picks the one the keys turn.
    if ((demoState.wireframe || demoState.fkMode) && !demoState.hideBones)
        DrawSkeleton(frame);
    glPopMatrix();
}

} // namespace

int FrameShowsLoadedModel(const FrameRecord &frame) {
    return shownModel.active && frame.model == &shownModel.loaded.model;
}

void DrawLoadedModel(const FrameRecord &frame) {
    glMatrixMode(GL_MODELVIEW);
    if (!frame.sideBySide) {
        DrawFramed(frame, -1);
        return;
    }
    for (int m = 0; m < SkinningMethodCount; ++m) {
        const Vector3 &at = frame.copies.offsets[m];
        glPushMatrix();
        glTranslatef(at.x, at.y, at.z);
        DrawFramed(frame, m);
        glPopMatrix();
    }
}
