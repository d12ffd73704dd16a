#include "image/textures.h"

#include <GL/gl.h>
#include <cstdio>

namespace {

// One surface: a file that loads becomes a new texture object named in *textureName, and its
// image is dropped at once (the GL keeps the only copy). Returns 1 when the texture was made.
int LoadTextureFile(const char *fileName, unsigned int *textureName) {
    RgbImage *image = LoadImageIfPresent(fileName);
    if (!image)
        return 0;
    glGenTextures(1, textureName);
    glBindTexture(GL_TEXTURE_2D, *textureName);
    UploadTexture(image);
    FreeRgbImage(image);
    return 1;
}

} // namespace

RgbImage *LoadImageIfPresent(const char *fileName) {
    if (!fileName)
        return nullptr;
    // Only a probe: a file that cannot be opened is skipped without a message.
    FILE *file = std::fopen(fileName, "r");
    if (!file)
        return nullptr;
    std::fclose(file);
    return LoadBmpImage(fileName);
}

int LoadTextures(unsigned int *skinName, unsigned int *floorName) {
    int result = 0;
    if (LoadTextureFile("curlwhip.bmp", skinName))
        result = 1;
    if (LoadTextureFile("floor.bmp", floorName))
        result = 1;
    return result;
}

void UploadTexture(const RgbImage *image) {
    // The loader packs rows at 3 bytes a pixel with no filler, while the GL's default unpack
    // alignment of 4 expects each row padded to 4 bytes: for widths that are not a multiple of
    // 4 it would read past the end of the pixel array. Byte alignment for this upload only;
    // the GL's setting is restored after it.
    GLint savedAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &savedAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image->pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, savedAlignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}
