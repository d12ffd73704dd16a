#include "render/gl_state.h"

#include <GL/gl.h>

// Light 0's position is left at the GL default, (0, 0, 1, 0) in eye coordinates: a directional
// light from the viewer's side that stays fixed to the camera while the scene turns.
//
// GL_NORMALIZE stays off on purpose. The camera scales the scene by 2.5, so unit normals reach
// the lighting 0.4 long: diffuse light is dimmed to 0.4 and specular highlights (exponent 8)
// all but vanish. The light's diffuse intensity above 1.0 partly makes up for it.
void InitGlState() {
    const GLfloat ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    const GLfloat diffuse[4] = {1.2f, 1.2f, 1.2f, 1.0f};
    const GLfloat specular[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
}
