#include "render/renderer.h"

#include <GL/gl.h>

unsigned int skinTexture = 0;
unsigned int floorTexture = 0;

// Placeholder until the renderer lands: a black frame.
void RenderScene(void (*presentFrame)(void), double viewAngle) {
    (void)viewAngle;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    presentFrame();
}
