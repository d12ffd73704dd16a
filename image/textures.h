#pragma once

#include "image/bmp_loader.h"

// The image in fileName, or null when the name is null, there is no such file (silently) or
// the loader fails (after its message, "Failed to open DIB file NAME." for anything there that
// is not a readable regular file). Never waits: a pipe by that name is reported, not opened.
RgbImage *LoadImageIfPresent(const char *fileName);

// The image in the first of folderCount folders where fileName leads to something, by the rule
// above; later folders are not looked at, even when the file found there does not load, and the
// loader's messages name the path it used ("FOLDER/NAME"). An empty folder stands for the
// working directory: the name is used as it is. Null when the file is nowhere (silently) or
// did not load (after the loader's message).
RgbImage *LoadImageFromFolders(const char *const *folders, int folderCount, const char *fileName);

// Loads "curlwhip.bmp" and "floor.bmp", each looked for through the folders as
// LoadImageFromFolders does, each into a new texture object whose name goes into *skinName and
// *floorName (the renderer's skinTexture and floorTexture); a name whose file did not load is
// left as it was. Returns 1 when at least one texture was created. Needs a current GL context.
// The caller turns textures off (demoState.texturesOff = 1) when this returns 0.
int LoadTextures(const char *const *folders, int folderCount, unsigned int *skinName,
                 unsigned int *floorName);

// Defines the image of the texture bound to GL_TEXTURE_2D and sets linear filtering.
void UploadTexture(const RgbImage *image);
