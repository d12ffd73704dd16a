#include "render/materials.h"

#include <GL/gl.h>

// 0.752941 and 0.117647 are 192/255 and 30/255 in six digits. Material 5's ambient blue really
// is lower than its diffuse and specular blue.
const Material materials[MaterialCount] = {
    // 0: floor
    {{0.8f, 0.8f, 0.8f},
     {0.752941f, 0.752941f, 0.752941f},
     {0.9f, 0.9f, 0.9f},
     {0.3f, 0.3f, 0.3f},
     1.0f,
     8.0f},
    // 1: first bone's marker
    {{0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, 1.0f, 8.0f},
    // 2: second bone's marker
    {{0.0f, 0.3f, 1.0f}, {0.0f, 0.3f, 1.0f}, {0.0f, 0.3f, 1.0f}, {0.0f, 0.3f, 1.0f}, 1.0f, 8.0f},
    // 3: textured skin
    {{0.9f, 1.0f, 0.9f}, {0.8f, 1.0f, 0.8f}, {0.8f, 1.0f, 0.8f}, {0.4f, 0.7f, 0.4f}, 1.0f, 8.0f},
    // 4: vertex-normal lines
    {{0.8f, 1.0f, 0.2f}, {0.8f, 1.0f, 0.2f}, {0.8f, 1.0f, 0.2f}, {0.8f, 0.5f, 0.0f}, 1.0f, 8.0f},
    // 5: untextured and wireframe skin
    {{0.0f, 1.0f, 0.117647f},
     {0.0f, 1.0f, 0.752941f},
     {0.0f, 1.0f, 0.752941f},
     {0.0f, 0.5f, 0.0f},
     1.0f,
     8.0f},
    // 6: line from the chain's end to the IK target
    {{1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 1.0f, 8.0f},
};

namespace {

void SetMaterialColour(GLenum which, const float rgb[3], float alpha) {
    const GLfloat rgba[4] = {rgb[0], rgb[1], rgb[2], alpha};
    glMaterialfv(GL_FRONT_AND_BACK, which, rgba);
}

} // namespace

void SetMaterial(int index) {
    if (index < 0 || index >= MaterialCount)
        return;
    const Material &material = materials[index];
    SetMaterialColour(GL_AMBIENT, material.ambient, material.alpha);
    SetMaterialColour(GL_DIFFUSE, material.diffuse, material.alpha);
    SetMaterialColour(GL_SPECULAR, material.specular, material.alpha);
    SetMaterialColour(GL_EMISSION, material.emission, material.alpha);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
}

void UseFlatColour(const ColourRgb &colour) {
    const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat emission[4] = {colour.r, colour.g, colour.b, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
}
