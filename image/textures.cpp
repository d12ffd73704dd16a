#include "image/textures.h"

#include <GL/gl.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

// folder and fileName joined by one slash, or fileName alone for the working directory (an
// empty folder). Allocated with malloc; null when out of memory.
char *JoinPath(const char *folder, const char *fileName) {
    size_t folderLength = std::strlen(folder), nameLength = std::strlen(fileName);
    char *path = (char *)std::malloc(folderLength + 1 + nameLength + 1);
    if (!path)
        return nullptr;
    std::memcpy(path, folder, folderLength);
    size_t used = folderLength;
    if (folderLength > 0 && folder[folderLength - 1] != '/')
        path[used++] = '/';
    std::memcpy(path + used, fileName, nameLength + 1);
    return path;
}

// Whether the name leads to anything at all. Only a name that leads to nothing counts as
// missing: no such file, or a part of the path that is not a folder. The probe looks the name up
// without opening it, since opening a pipe for reading waits for a writer. Whatever else is
// there, a pipe, a device, a folder, a symbolic-link loop or a file this user may not read, goes
// to the loader, which opens without waiting, takes regular files only and reports what it
// cannot open.
int NameLeadsSomewhere(const char *path) {
    struct stat status;
    return stat(path, &status) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

// One surface: a file that loads becomes a new texture object named in *textureName, and its
// image is dropped at once (the GL keeps the only copy). Returns 1 when the texture was made.
int LoadTextureFile(const char *const *folders, int folderCount, const char *fileName,
                    unsigned int *textureName) {
    RgbImage *image = LoadImageFromFolders(folders, folderCount, fileName);
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
    if (!fileName || !NameLeadsSomewhere(fileName))
        return nullptr;
    return LoadBmpImage(fileName);
}

RgbImage *LoadImageFromFolders(const char *const *folders, int folderCount, const char *fileName) {
    for (int i = 0; i < folderCount; ++i) {
        char *path = JoinPath(folders[i], fileName);
        if (!path)
            return nullptr;
        int found = NameLeadsSomewhere(path);
        RgbImage *image = found ? LoadBmpImage(path) : nullptr;
        std::free(path);
        if (found)
            return image;
    }
    return nullptr;
}

int LoadTextures(const char *const *folders, int folderCount, unsigned int *skinName,
                 unsigned int *floorName) {
    int result = 0;
    if (LoadTextureFile(folders, folderCount, "curlwhip.bmp", skinName))
        result = 1;
    if (LoadTextureFile(folders, folderCount, "floor.bmp", floorName))
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
