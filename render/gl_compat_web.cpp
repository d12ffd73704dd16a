// The stand-ins of gl_compat_web.h. The fixed-function state they keep is the GL's; what the
// browser's GL can do itself (texturing, culling, depth, blending, points) is passed on to it as
// well, and its own lighting stays off: each vertex reaches it already lit.
#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <emscripten.h>

#include "math/vec3d.h"
#include "render/gl_compat_web.h"

// The header renames the calls for the files that include it; here they are the real ones.
#undef glBegin
#undef glEnableClientState
#undef glDisableClientState
#undef glVertexPointer
#undef glNormalPointer
#undef glTexCoordPointer
#undef glDrawElements
#undef glEnd
#undef glVertex3f
#undef glNormal3f
#undef glTexCoord2f
#undef glColor4f
#undef glColor3f
#undef glColor4fv
#undef glMaterialfv
#undef glMaterialf
#undef glColorMaterial
#undef glLightfv
#undef glLightModelfv
#undef glLightModelf
#undef glLightModeli
#undef glShadeModel
#undef glEnable
#undef glDisable
#undef glPolygonMode
#undef glPolygonOffset
#undef glCullFace
#undef glDepthFunc
#undef glDepthMask
#undef glBlendFunc
#undef glLineWidth
#undef glPointSize
#undef glViewport
#undef glMatrixMode
#undef glPushAttrib
#undef glPopAttrib
#undef glTexImage2D
#undef glReadPixels
#undef gluPerspective

namespace {

const int LightCount = 8;
const int AttributeStackDepth = 16;
// The smallest step of a 24-bit depth buffer, WebGL's, for glPolygonOffset's units.
const double DepthStep = 1.0 / 16777215.0;

struct Colour {
    GLfloat c[4];
};

struct MaterialState {
    Colour ambient, diffuse, specular, emission;
    GLfloat shininess;
};

struct LightState {
    int enabled;
    Colour ambient, diffuse, specular;
    GLfloat position[4]; // in eye coordinates
};

// Everything glPushAttrib can save that the program uses, with the GL's initial values.
struct FixedState {
    Colour colour;
    GLfloat normal[3];
    GLfloat texCoord[2];
    int lighting;
    LightState lights[LightCount];
    Colour modelAmbient;
    int twoSide;
    MaterialState materials[2]; // front, back
    int colourMaterial;
    GLenum colourMaterialFace;
    GLenum colourMaterialMode;
    int normalize;
    // Also the browser's GL state, kept here so that it can be put back.
    int texture2d, cullFace, depthTest, blend, offsetFill, offsetLine;
    GLenum cullFaceMode, depthFunction, blendSource, blendDestination, polygonMode;
    GLboolean depthMask;
    GLfloat lineWidth, pointSize, offsetFactor, offsetUnits;
};

const MaterialState DefaultMaterial = {
    {{0.2f, 0.2f, 0.2f, 1.0f}},
    {{0.8f, 0.8f, 0.8f, 1.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f}},
    0.0f,
};

FixedState InitialState() {
    FixedState state;
    std::memset(&state, 0, sizeof state);
    state.colour = Colour{{1.0f, 1.0f, 1.0f, 1.0f}};
    state.normal[2] = 1.0f;
    for (int i = 0; i < LightCount; ++i) {
        LightState &light = state.lights[i];
        light.ambient = Colour{{0.0f, 0.0f, 0.0f, 1.0f}};
        light.diffuse = i == 0 ? Colour{{1.0f, 1.0f, 1.0f, 1.0f}} : light.ambient;
        light.specular = light.diffuse;
        light.position[2] = 1.0f;
    }
    state.modelAmbient = Colour{{0.2f, 0.2f, 0.2f, 1.0f}};
    state.materials[0] = state.materials[1] = DefaultMaterial;
    state.colourMaterialFace = GL_FRONT_AND_BACK;
    state.colourMaterialMode = GL_AMBIENT_AND_DIFFUSE;
    state.cullFaceMode = GL_BACK;
    state.depthFunction = GL_LESS;
    state.depthMask = GL_TRUE;
    state.blendSource = GL_ONE;
    state.blendDestination = GL_ZERO;
    state.polygonMode = GL_FILL;
    state.lineWidth = 1.0f;
    state.pointSize = 1.0f;
    return state;
}

FixedState state = InitialState();

struct SavedState {
    GLbitfield mask;
    FixedState state;
};

SavedState attributeStack[AttributeStackDepth];
int attributeDepth = 0;

// One corner as the browser's GL gets it.
struct Corner {
    GLfloat colour[4];
    GLfloat texCoord[2];
    GLfloat position[3];
};

// The primitive between glBegin and glEnd, with the matrices it is drawn with.
struct Primitive {
    int asLines; // triangles drawn as their edges (polygon mode GL_LINE)
    int corners;
    Corner triangle[3];
    GLfloat modelView[16];
    GLfloat projection[16];
    double normalMatrix[9]; // the inverse transpose of the model-view's upper 3 x 3, row major
};

Primitive primitive;
GLenum matrixMode = GL_MODELVIEW;
GLint viewport[4] = {0, 0, 0, 0};

// m is column major, as the GL keeps it.
void Transform4(const GLfloat m[16], const double v[4], double out[4]) {
    for (int row = 0; row < 4; ++row)
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
}

void ComputeNormalMatrix(const GLfloat m[16], double normal[9]) {
    // a[r][c] = m[c * 4 + r]; the inverse transpose is the cofactor matrix over the determinant.
    double a[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            a[r][c] = m[c * 4 + r];
    double cofactor[9] = {
        a[1][1] * a[2][2] - a[1][2] * a[2][1], a[1][2] * a[2][0] - a[1][0] * a[2][2],
        a[1][0] * a[2][1] - a[1][1] * a[2][0], a[0][2] * a[2][1] - a[0][1] * a[2][2],
        a[0][0] * a[2][2] - a[0][2] * a[2][0], a[0][1] * a[2][0] - a[0][0] * a[2][1],
        a[0][1] * a[1][2] - a[0][2] * a[1][1], a[0][2] * a[1][0] - a[0][0] * a[1][2],
        a[0][0] * a[1][1] - a[0][1] * a[1][0],
    };
    double determinant = a[0][0] * cofactor[0] + a[0][1] * cofactor[1] + a[0][2] * cofactor[2];
    for (int i = 0; i < 9; ++i)
        normal[i] = determinant != 0.0 ? cofactor[i] / determinant : 0.0;
}

// The GL's lighting of one vertex, for the front face: a local light without attenuation or
// spot, a viewer at infinity, the colour clamped.
void LightVertex(const double eyePosition[3], GLfloat out[4]) {
    const MaterialState &material = state.materials[0];
    const double *m = primitive.normalMatrix;
    const GLfloat *sent = state.normal;
    Vec3d n = {m[0] * sent[0] + m[1] * sent[1] + m[2] * sent[2],
               m[3] * sent[0] + m[4] * sent[1] + m[5] * sent[2],
               m[6] * sent[0] + m[7] * sent[1] + m[8] * sent[2]};
    if (state.normalize)
        n = Normalised(n);
    double colour[3];
    for (int c = 0; c < 3; ++c)
        colour[c] = material.emission.c[c] + state.modelAmbient.c[c] * material.ambient.c[c];
    for (int i = 0; i < LightCount; ++i) {
        const LightState &light = state.lights[i];
        if (!light.enabled)
            continue;
        const GLfloat *p = light.position;
        Vec3d toLight = p[3] != 0.0f
                            ? Vec3d{p[0] / p[3] - eyePosition[0], p[1] / p[3] - eyePosition[1],
                                    p[2] / p[3] - eyePosition[2]}
                            : Vec3d{p[0], p[1], p[2]};
        toLight = Normalised(toLight);
        double diffuse = Dot(n, toLight);
        double specular = 0.0;
        if (diffuse > 0.0) {
            Vec3d half = Normalised(Vec3d{toLight.x, toLight.y, toLight.z + 1.0});
            double facing = Dot(n, half);
            specular = facing > 0.0 ? std::pow(facing, (double)material.shininess)
                                    : (material.shininess == 0.0f ? 1.0 : 0.0);
        } else {
            diffuse = 0.0;
        }
        for (int c = 0; c < 3; ++c)
            colour[c] += light.ambient.c[c] * material.ambient.c[c] +
                         diffuse * light.diffuse.c[c] * material.diffuse.c[c] +
                         specular * light.specular.c[c] * material.specular.c[c];
    }
    for (int c = 0; c < 3; ++c)
        out[c] = (GLfloat)(colour[c] < 0.0 ? 0.0 : colour[c] > 1.0 ? 1.0 : colour[c]);
    GLfloat alpha = material.diffuse.c[3];
    out[3] = alpha < 0.0f ? 0.0f : alpha > 1.0f ? 1.0f : alpha;
}

void SendCorner(const Corner &corner) {
    glColor4f(corner.colour[0], corner.colour[1], corner.colour[2], corner.colour[3]);
    glTexCoord2f(corner.texCoord[0], corner.texCoord[1]);
    glVertex3f(corner.position[0], corner.position[1], corner.position[2]);
}

// Window coordinates (x, y, depth) of a corner, or 0 when it lies behind the eye.
int WindowPoint(const Corner &corner, double out[3]) {
    const double object[4] = {corner.position[0], corner.position[1], corner.position[2], 1.0};
    double eye[4], clip[4];
    Transform4(primitive.modelView, object, eye);
    Transform4(primitive.projection, eye, clip);
    if (clip[3] <= 0.0)
        return 0;
    out[0] = viewport[0] + (clip[0] / clip[3] + 1.0) * 0.5 * viewport[2];
    out[1] = viewport[1] + (clip[1] / clip[3] + 1.0) * 0.5 * viewport[3];
    out[2] = (clip[2] / clip[3] + 1.0) * 0.5;
    return 1;
}

// A triangle in polygon mode GL_LINE: culled as a face would be, then its three edges, with
// its depth pushed back by the polygon offset when that is on for lines.
void DrawTriangleEdges() {
    double p[3][3];
    int inFront = WindowPoint(primitive.triangle[0], p[0]) &&
                  WindowPoint(primitive.triangle[1], p[1]) &&
                  WindowPoint(primitive.triangle[2], p[2]);
    double area = inFront ? (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) -
                                (p[2][0] - p[0][0]) * (p[1][1] - p[0][1])
                          : 0.0;
    if (state.cullFace && inFront) {
        int front = area > 0.0; // counter-clockwise on screen
        if (state.cullFaceMode == GL_FRONT_AND_BACK || (state.cullFaceMode == GL_BACK && !front) ||
            (state.cullFaceMode == GL_FRONT && front))
            return;
    }
    double offset = 0.0;
    if (state.offsetLine && inFront && area != 0.0) {
        // The depth's slope across the window, from the plane through the three corners.
        double dzdx = ((p[1][2] - p[0][2]) * (p[2][1] - p[0][1]) -
                       (p[2][2] - p[0][2]) * (p[1][1] - p[0][1])) /
                      area;
        double dzdy = ((p[2][2] - p[0][2]) * (p[1][0] - p[0][0]) -
                       (p[1][2] - p[0][2]) * (p[2][0] - p[0][0])) /
                      area;
        double slope = std::fabs(dzdx) > std::fabs(dzdy) ? std::fabs(dzdx) : std::fabs(dzdy);
        offset = state.offsetFactor * slope + state.offsetUnits * DepthStep;
    }
    if (offset != 0.0) {
        // Window depth d becomes d + offset: normalised depth grows by twice that, which is
        // clip z growing by twice that times w.
        GLfloat shifted[16];
        std::memcpy(shifted, primitive.projection, sizeof shifted);
        for (int column = 0; column < 4; ++column)
            shifted[column * 4 + 2] += (GLfloat)(2.0 * offset) * shifted[column * 4 + 3];
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(shifted);
    }
    glBegin(GL_LINES);
    for (int k = 0; k < 3; ++k) {
        SendCorner(primitive.triangle[k]);
        SendCorner(primitive.triangle[(k + 1) % 3]);
    }
    glEnd();
    if (offset != 0.0) {
        glLoadMatrixf(primitive.projection);
        glMatrixMode(matrixMode);
    }
}

void SetColour(Colour &to, const GLfloat *from) {
    std::memcpy(to.c, from, sizeof to.c);
}

// Which of the two materials a face names.
int FaceFirst(GLenum face) {
    return face == GL_BACK ? 1 : 0;
}

int FaceLast(GLenum face) {
    return face == GL_FRONT ? 0 : 1;
}

void SetMaterial(GLenum face, GLenum pname, const GLfloat *params) {
    for (int f = FaceFirst(face); f <= FaceLast(face); ++f) {
        MaterialState &material = state.materials[f];
        switch (pname) {
        case GL_AMBIENT:
            SetColour(material.ambient, params);
            break;
        case GL_DIFFUSE:
            SetColour(material.diffuse, params);
            break;
        case GL_AMBIENT_AND_DIFFUSE:
            SetColour(material.ambient, params);
            SetColour(material.diffuse, params);
            break;
        case GL_SPECULAR:
            SetColour(material.specular, params);
            break;
        case GL_EMISSION:
            SetColour(material.emission, params);
            break;
        case GL_SHININESS:
            material.shininess = params[0];
            break;
        default:
            break;
        }
    }
}

// With colour material on, the current colour is the chosen material colour.
void TrackColour() {
    if (state.colourMaterial)
        SetMaterial(state.colourMaterialFace, state.colourMaterialMode, state.colour.c);
}

void Switch(GLenum capability, int on) {
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

// Drawable pixels per CSS pixel, as the page's window layer sized the canvas.
EM_JS(double, PagePixelRatio, (), { return Module.drawingPixelRatio || 1; });

// Widths and sizes are asked for in CSS pixels, so that a line is as thick on a dense screen as
// on the desktop; within what the GL can draw (often only 1 for lines), read once.
GLfloat DrawablePixels(GLfloat cssPixels, GLenum rangeName) {
    static GLfloat lineRange[2] = {0.0f, 0.0f}, pointRange[2] = {0.0f, 0.0f};
    GLfloat *range = rangeName == GL_ALIASED_LINE_WIDTH_RANGE ? lineRange : pointRange;
    if (range[1] <= 0.0f) {
        glGetFloatv(rangeName, range);
        if (range[1] <= 0.0f)
            range[0] = range[1] = 1.0f;
    }
    GLfloat pixels = (GLfloat)(cssPixels * PagePixelRatio());
    return pixels < range[0] ? range[0] : pixels > range[1] ? range[1] : pixels;
}

void PassLineWidth(GLfloat width) {
    glLineWidth(DrawablePixels(width, GL_ALIASED_LINE_WIDTH_RANGE));
}

void PassPointSize(GLfloat size) {
    glPointSize(DrawablePixels(size, GL_ALIASED_POINT_SIZE_RANGE));
}

// The browser's GL made to match the state kept here.
void ApplyPassedOn() {
    Switch(GL_TEXTURE_2D, state.texture2d);
    Switch(GL_CULL_FACE, state.cullFace);
    Switch(GL_DEPTH_TEST, state.depthTest);
    Switch(GL_BLEND, state.blend);
    Switch(GL_POLYGON_OFFSET_FILL, state.offsetFill);
    glCullFace(state.cullFaceMode);
    glDepthFunc(state.depthFunction);
    glDepthMask(state.depthMask);
    glBlendFunc(state.blendSource, state.blendDestination);
    PassLineWidth(state.lineWidth);
    PassPointSize(state.pointSize);
    glPolygonOffset(state.offsetFactor, state.offsetUnits);
}

// Switches the program asks for. Those the browser's GL has are passed on; lighting, its
// lights, colour material, normalising and the offset of lines are this file's.
int *CapabilityFlag(GLenum capability, int &passOn) {
    passOn = 1;
    switch (capability) {
    case GL_TEXTURE_2D:
        return &state.texture2d;
    case GL_CULL_FACE:
        return &state.cullFace;
    case GL_DEPTH_TEST:
        return &state.depthTest;
    case GL_BLEND:
        return &state.blend;
    case GL_POLYGON_OFFSET_FILL:
        return &state.offsetFill;
    default:
        break;
    }
    passOn = 0;
    switch (capability) {
    case GL_LIGHTING:
        return &state.lighting;
    case GL_COLOR_MATERIAL:
        return &state.colourMaterial;
    case GL_NORMALIZE:
        return &state.normalize;
    case GL_POLYGON_OFFSET_LINE:
        return &state.offsetLine;
    default:
        break;
    }
    if (capability >= GL_LIGHT0 && capability < GL_LIGHT0 + LightCount)
        return &state.lights[capability - GL_LIGHT0].enabled;
    passOn = 1;
    return nullptr;
}

void SetCapability(GLenum capability, int on) {
    int passOn = 1;
    int *flag = CapabilityFlag(capability, passOn);
    if (flag)
        *flag = on;
    if (passOn)
        Switch(capability, on);
    if (capability == GL_COLOR_MATERIAL && on)
        TrackColour();
}

// The groups of glPushAttrib that the program uses, taken back from a saved state.
void RestoreGroups(GLbitfield mask, const FixedState &saved) {
    if (mask & GL_CURRENT_BIT) {
        state.colour = saved.colour;
        std::memcpy(state.normal, saved.normal, sizeof state.normal);
        std::memcpy(state.texCoord, saved.texCoord, sizeof state.texCoord);
    }
    if (mask & (GL_ENABLE_BIT | GL_LIGHTING_BIT)) {
        state.lighting = saved.lighting;
        state.colourMaterial = saved.colourMaterial;
        for (int i = 0; i < LightCount; ++i)
            state.lights[i].enabled = saved.lights[i].enabled;
    }
    if (mask & GL_ENABLE_BIT) {
        state.normalize = saved.normalize;
        state.texture2d = saved.texture2d;
        state.offsetLine = saved.offsetLine;
        state.offsetFill = saved.offsetFill;
    }
    if (mask & GL_LIGHTING_BIT) {
        std::memcpy(state.lights, saved.lights, sizeof state.lights);
        state.modelAmbient = saved.modelAmbient;
        state.twoSide = saved.twoSide;
        std::memcpy(state.materials, saved.materials, sizeof state.materials);
        state.colourMaterialFace = saved.colourMaterialFace;
        state.colourMaterialMode = saved.colourMaterialMode;
    }
    if (mask & (GL_ENABLE_BIT | GL_POLYGON_BIT))
        state.cullFace = saved.cullFace;
    if (mask & (GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT))
        state.depthTest = saved.depthTest;
    if (mask & (GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT))
        state.blend = saved.blend;
    if (mask & GL_DEPTH_BUFFER_BIT) {
        state.depthFunction = saved.depthFunction;
        state.depthMask = saved.depthMask;
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        state.blendSource = saved.blendSource;
        state.blendDestination = saved.blendDestination;
    }
    if (mask & GL_LINE_BIT)
        state.lineWidth = saved.lineWidth;
    if (mask & GL_POINT_BIT)
        state.pointSize = saved.pointSize;
    if (mask & GL_POLYGON_BIT) {
        state.cullFaceMode = saved.cullFaceMode;
        state.polygonMode = saved.polygonMode;
        state.offsetFactor = saved.offsetFactor;
        state.offsetUnits = saved.offsetUnits;
        state.offsetLine = saved.offsetLine;
        state.offsetFill = saved.offsetFill;
    }
}

// The four unsized formats of the old GL's component counts, which WebGL requires by name.
GLint FormatOfComponentCount(GLint internalFormat) {
    switch (internalFormat) {
    case 1:
        return GL_LUMINANCE;
    case 2:
        return GL_LUMINANCE_ALPHA;
    case 3:
        return GL_RGB;
    case 4:
        return GL_RGBA;
    default:
        return internalFormat;
    }
}

} // namespace

void CompatGlBegin(GLenum mode) {
    glGetFloatv(GL_MODELVIEW_MATRIX, primitive.modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, primitive.projection);
    ComputeNormalMatrix(primitive.modelView, primitive.normalMatrix);
    primitive.corners = 0;
    primitive.asLines = mode == GL_TRIANGLES && state.polygonMode == GL_LINE;
    if (!primitive.asLines)
        glBegin(mode);
}

void CompatGlEnd() {
    if (!primitive.asLines)
        glEnd();
    primitive.asLines = 0;
}

// Every corner carries its colour, lit here when lighting is on, and its texture coordinate:
// the emulation reads all of a primitive's corners the way its first one is laid out.
void CompatGlVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    Corner corner = {{0.0f, 0.0f, 0.0f, 0.0f}, {state.texCoord[0], state.texCoord[1]}, {x, y, z}};
    if (state.lighting) {
        const double object[4] = {x, y, z, 1.0};
        double eye[4];
        Transform4(primitive.modelView, object, eye);
        LightVertex(eye, corner.colour);
    } else {
        std::memcpy(corner.colour, state.colour.c, sizeof corner.colour);
    }
    if (!primitive.asLines) {
        SendCorner(corner);
        return;
    }
    primitive.triangle[primitive.corners++] = corner;
    if (primitive.corners == 3) {
        DrawTriangleEdges();
        primitive.corners = 0;
    }
}

void CompatGlNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    state.normal[0] = x;
    state.normal[1] = y;
    state.normal[2] = z;
}

void CompatGlTexCoord2f(GLfloat s, GLfloat t) {
    state.texCoord[0] = s;
    state.texCoord[1] = t;
}

namespace {

// The client-side arrays glDrawElements reads: each on or off, where it starts and its stride.
struct ClientArray {
    int on;
    const unsigned char *start;
    GLsizei stride;
};
ClientArray vertexArray, normalArray, texCoordArray;

ClientArray *ClientArrayOf(GLenum array) {
    return array == GL_VERTEX_ARRAY          ? &vertexArray
           : array == GL_NORMAL_ARRAY        ? &normalArray
           : array == GL_TEXTURE_COORD_ARRAY ? &texCoordArray
                                             : nullptr;
}

void PointArray(ClientArray &array, GLsizei stride, GLsizei tight, const GLvoid *pointer) {
    array.start = (const unsigned char *)pointer;
    array.stride = stride > 0 ? stride : tight;
}

const GLfloat *ElementOf(const ClientArray &array, GLuint index) {
    return (const GLfloat *)(array.start + (size_t)index * (size_t)array.stride);
}

} // namespace

void CompatGlEnableClientState(GLenum array) {
    if (ClientArray *a = ClientArrayOf(array))
        a->on = 1;
}

void CompatGlDisableClientState(GLenum array) {
    if (ClientArray *a = ClientArrayOf(array))
        a->on = 0;
}

void CompatGlVertexPointer(GLint, GLenum, GLsizei stride, const GLvoid *pointer) {
    PointArray(vertexArray, stride, 3 * sizeof(GLfloat), pointer);
}

void CompatGlNormalPointer(GLenum, GLsizei stride, const GLvoid *pointer) {
    PointArray(normalArray, stride, 3 * sizeof(GLfloat), pointer);
}

void CompatGlTexCoordPointer(GLint, GLenum, GLsizei stride, const GLvoid *pointer) {
    PointArray(texCoordArray, stride, 2 * sizeof(GLfloat), pointer);
}

void CompatGlDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid *indices) {
    if (type != GL_UNSIGNED_INT || !vertexArray.on || !vertexArray.start || count <= 0)
        return;
    const GLuint *index = (const GLuint *)indices;
    CompatGlBegin(mode);
    for (GLsizei k = 0; k < count; ++k) {
        if (texCoordArray.on && texCoordArray.start) {
            const GLfloat *t = ElementOf(texCoordArray, index[k]);
            CompatGlTexCoord2f(t[0], t[1]);
        }
        if (normalArray.on && normalArray.start) {
            const GLfloat *n = ElementOf(normalArray, index[k]);
            CompatGlNormal3f(n[0], n[1], n[2]);
        }
        const GLfloat *p = ElementOf(vertexArray, index[k]);
        CompatGlVertex3f(p[0], p[1], p[2]);
    }
    CompatGlEnd();
}

void CompatGlColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    const GLfloat rgba[4] = {red, green, blue, alpha};
    for (int c = 0; c < 4; ++c)
        state.colour.c[c] = rgba[c] < 0.0f ? 0.0f : rgba[c] > 1.0f ? 1.0f : rgba[c];
    TrackColour();
}

void CompatGlColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    CompatGlColor4f(red, green, blue, 1.0f);
}

void CompatGlColor4fv(const GLfloat *rgba) {
    CompatGlColor4f(rgba[0], rgba[1], rgba[2], rgba[3]);
}

void CompatGlMaterialfv(GLenum face, GLenum pname, const GLfloat *params) {
    SetMaterial(face, pname, params);
}

void CompatGlMaterialf(GLenum face, GLenum pname, GLfloat param) {
    SetMaterial(face, pname, &param);
}

void CompatGlColorMaterial(GLenum face, GLenum mode) {
    state.colourMaterialFace = face;
    state.colourMaterialMode = mode;
    TrackColour();
}

void CompatGlLightfv(GLenum light, GLenum pname, const GLfloat *params) {
    int index = (int)light - GL_LIGHT0;
    if (index < 0 || index >= LightCount)
        return;
    LightState &to = state.lights[index];
    switch (pname) {
    case GL_AMBIENT:
        SetColour(to.ambient, params);
        break;
    case GL_DIFFUSE:
        SetColour(to.diffuse, params);
        break;
    case GL_SPECULAR:
        SetColour(to.specular, params);
        break;
    case GL_POSITION: { // kept in eye coordinates, as the model-view matrix stands now
        GLfloat modelView[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
        const double position[4] = {params[0], params[1], params[2], params[3]};
        double eye[4];
        Transform4(modelView, position, eye);
        for (int k = 0; k < 4; ++k)
            to.position[k] = (GLfloat)eye[k];
        break;
    }
    default:
        break; // spot lights and attenuation: not used
    }
}

void CompatGlLightModelfv(GLenum pname, const GLfloat *params) {
    if (pname == GL_LIGHT_MODEL_AMBIENT)
        SetColour(state.modelAmbient, params);
    else if (pname == GL_LIGHT_MODEL_TWO_SIDE)
        state.twoSide = params[0] != 0.0f;
}

void CompatGlLightModelf(GLenum pname, GLfloat param) {
    CompatGlLightModelfv(pname, &param);
}

// Two-sided lighting is kept but not applied: every face the scene lights is culled from the
// back, so only front faces are ever lit.
void CompatGlLightModeli(GLenum pname, GLint param) {
    GLfloat value = (GLfloat)param;
    CompatGlLightModelfv(pname, &value);
}

// Colours are always interpolated between the corners: the smooth shading the program asks for.
void CompatGlShadeModel(GLenum) {}

void CompatGlEnable(GLenum capability) {
    SetCapability(capability, 1);
}

void CompatGlDisable(GLenum capability) {
    SetCapability(capability, 0);
}

// Front and back faces always take the same mode here.
void CompatGlPolygonMode(GLenum, GLenum mode) {
    state.polygonMode = mode;
}

void CompatGlPolygonOffset(GLfloat factor, GLfloat units) {
    state.offsetFactor = factor;
    state.offsetUnits = units;
    glPolygonOffset(factor, units);
}

void CompatGlCullFace(GLenum mode) {
    state.cullFaceMode = mode;
    glCullFace(mode);
}

void CompatGlDepthFunc(GLenum function) {
    state.depthFunction = function;
    glDepthFunc(function);
}

void CompatGlDepthMask(GLboolean flag) {
    state.depthMask = flag;
    glDepthMask(flag);
}

void CompatGlBlendFunc(GLenum source, GLenum destination) {
    state.blendSource = source;
    state.blendDestination = destination;
    glBlendFunc(source, destination);
}

void CompatGlLineWidth(GLfloat width) {
    state.lineWidth = width;
    PassLineWidth(width);
}

void CompatGlPointSize(GLfloat size) {
    state.pointSize = size;
    PassPointSize(size);
}

void CompatGlViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    viewport[0] = x;
    viewport[1] = y;
    viewport[2] = width;
    viewport[3] = height;
    glViewport(x, y, width, height);
}

void CompatGlMatrixMode(GLenum mode) {
    matrixMode = mode;
    glMatrixMode(mode);
}

void CompatGlPushAttrib(GLbitfield mask) {
    if (attributeDepth == AttributeStackDepth)
        return;
    attributeStack[attributeDepth++] = SavedState{mask, state};
}

void CompatGlPopAttrib() {
    if (attributeDepth == 0)
        return;
    const SavedState &saved = attributeStack[--attributeDepth];
    RestoreGroups(saved.mask, saved.state);
    ApplyPassedOn();
}

void CompatGlTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                        GLsizei height, GLint border, GLenum format, GLenum type,
                        const GLvoid *pixels) {
    glTexImage2D(target, level, FormatOfComponentCount(internalFormat), width, height, border,
                 format, type, pixels);
}

// WebGL reads pixels only as RGBA, so RGB is read that way and packed into rows laid out as
// the pack alignment says.
void CompatGlReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                        GLvoid *pixels) {
    if (format != GL_RGB || type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0) {
        glReadPixels(x, y, width, height, format, type, pixels);
        return;
    }
    unsigned char *rgba = (unsigned char *)std::malloc((size_t)width * height * 4);
    if (!rgba)
        return;
    GLint savedAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &savedAlignment);
    size_t alignment = savedAlignment > 0 ? (size_t)savedAlignment : 1;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glPixelStorei(GL_PACK_ALIGNMENT, savedAlignment);
    size_t rowBytes = ((size_t)width * 3 + alignment - 1) / alignment * alignment;
    for (GLsizei row = 0; row < height; ++row) {
        unsigned char *to = (unsigned char *)pixels + row * rowBytes;
        const unsigned char *from = rgba + (size_t)row * width * 4;
        for (GLsizei column = 0; column < width; ++column)
            std::memcpy(to + column * 3, from + column * 4, 3);
    }
    std::free(rgba);
}

// The emulation's gluPerspective replaces the current matrix; GLU multiplies it.
void CompatGluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double degreesToRadians = 0.017453292519943295;
    double f = 1.0 / std::tan(fovy * degreesToRadians / 2.0);
    double depth = zNear - zFar;
    const GLdouble matrix[16] = {
        f / aspect,
        0.0,
        0.0,
        0.0,
        0.0,
        f,
        0.0,
        0.0,
        0.0,
        0.0,
        (zFar + zNear) / depth,
        -1.0,
        0.0,
        0.0,
        2.0 * zFar * zNear / depth,
        0.0,
    };
    glMultMatrixd(matrix);
}

void CompatRestorePassedOnState() {
    ApplyPassedOn();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
