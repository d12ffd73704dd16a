#include "image/textures.h"

#include <GL/gl.h>
#include <cerrno>
#include <sys/stat.h>

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
    // Only a name that leads to nothing is skipped without a message: no such file, or a part
    // of the path that is not a folder. The probe looks the name up without opening it, since
    // opening a pipe for reading waits for a writer. Whatever else is there, a pipe, a device,
    // a folder, a symbolic-link loop or a file this user may not read, goes to the loader, which
    // opens without waiting, takes regular files only and reports what it cannot open.
    struct stat status;
    if (stat(fileName, &status) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return nullptr;
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
