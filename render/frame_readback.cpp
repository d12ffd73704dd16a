#include "render/frame_readback.h"

#include <GL/gl.h>

void ReadBackFrame(int width, int height, unsigned char *pixels) {
    // Rows of 3-byte pixels are packed without filler, so the default alignment of 4 would
    // write past the end of pixels for widths that are not a multiple of 4.
    GLint savedAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &savedAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, savedAlignment);
}
