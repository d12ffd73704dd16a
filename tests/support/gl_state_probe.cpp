#include "tests/support/gl_state_probe.h"

#include <GL/gl.h>

namespace {

void PushEnabled(std::vector<double> &state, const GLenum *capabilities, int count) {
    for (int i = 0; i < count; ++i)
        state.push_back(glIsEnabled(capabilities[i]));
}

void PushIntegers(std::vector<double> &state, GLenum name, int count) {
    GLint values[4] = {0, 0, 0, 0};
    glGetIntegerv(name, values);
    state.insert(state.end(), values, values + count);
}

void PushFloats(std::vector<double> &state, GLenum name, int count) {
    GLfloat values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(name, values);
    state.insert(state.end(), values, values + count);
}

} // namespace

std::vector<double> FixedGlState() {
    std::vector<double> state;
    const GLenum capabilities[] = {GL_LIGHTING,     GL_LIGHT0,         GL_DEPTH_TEST,
                                   GL_CULL_FACE,    GL_BLEND,          GL_SCISSOR_TEST,
                                   GL_TEXTURE_2D,   GL_COLOR_MATERIAL, GL_NORMALIZE,
                                   GL_STENCIL_TEST, GL_ALPHA_TEST,     GL_VERTEX_ARRAY,
                                   GL_NORMAL_ARRAY, GL_COLOR_ARRAY,    GL_TEXTURE_COORD_ARRAY};
    PushEnabled(state, capabilities, sizeof capabilities / sizeof capabilities[0]);
    const GLenum integers[] = {GL_CULL_FACE_MODE,
                               GL_SHADE_MODEL,
                               GL_MATRIX_MODE,
                               GL_TEXTURE_BINDING_2D,
                               GL_DEPTH_FUNC,
                               GL_BLEND_SRC,
                               GL_BLEND_DST,
                               GL_UNPACK_ALIGNMENT,
                               GL_PACK_ALIGNMENT,
                               GL_MODELVIEW_STACK_DEPTH,
                               GL_PROJECTION_STACK_DEPTH,
                               GL_LIGHT_MODEL_TWO_SIDE};
    for (GLenum name : integers)
        PushIntegers(state, name, 1);
    PushIntegers(state, GL_POLYGON_MODE, 2);
    PushIntegers(state, GL_VIEWPORT, 4);
    GLint environment = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environment);
    state.push_back(environment);
    GLfloat light[4];
    for (GLenum parameter : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION}) {
        glGetLightfv(GL_LIGHT0, parameter, light);
        state.insert(state.end(), light, light + 4);
    }
    return state;
}

std::vector<double> DrawingGlState() {
    std::vector<double> state = FixedGlState();
    const GLenum capabilities[] = {GL_POLYGON_OFFSET_FILL,  GL_POLYGON_OFFSET_LINE,
                                   GL_POLYGON_OFFSET_POINT, GL_LINE_SMOOTH,
                                   GL_POINT_SMOOTH,         GL_LINE_STIPPLE};
    PushEnabled(state, capabilities, sizeof capabilities / sizeof capabilities[0]);
    PushFloats(state, GL_CURRENT_COLOR, 4);
    PushFloats(state, GL_CURRENT_NORMAL, 3);
    PushFloats(state, GL_CURRENT_TEXTURE_COORDS, 4);
    PushFloats(state, GL_LINE_WIDTH, 1);
    PushFloats(state, GL_POINT_SIZE, 1);
    PushFloats(state, GL_POLYGON_OFFSET_FACTOR, 1);
    PushFloats(state, GL_POLYGON_OFFSET_UNITS, 1);
    PushIntegers(state, GL_DEPTH_WRITEMASK, 1);
    PushIntegers(state, GL_COLOR_MATERIAL_FACE, 1);
    PushIntegers(state, GL_COLOR_MATERIAL_PARAMETER, 1);
    PushIntegers(state, GL_ATTRIB_STACK_DEPTH, 1);
    GLfloat material[4];
    for (GLenum parameter : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION}) {
        glGetMaterialfv(GL_FRONT, parameter, material);
        state.insert(state.end(), material, material + 4);
    }
    glGetMaterialfv(GL_FRONT, GL_SHININESS, material);
    state.push_back(material[0]);
    return state;
}
