#pragma once

#include "image/bmp_loader.h"

// The image in fileName, or null when the name is null, the file cannot be opened (silently)
// or the loader fails (after its message).
RgbImage *LoadImageIfPresent(const char *fileName);

// Loads "curlwhip.bmp" into skinTexture and "floor.bmp" into floorTexture from the working
// directory. Returns 1 when at least one texture was created. Needs a current GL context.
// The caller turns textures off (demoState.texturesOff = 1) when this returns 0.
int LoadTextures();

// Defines the image of the texture bound to GL_TEXTURE_2D and sets linear filtering.
void UploadTexture(const RgbImage *image);
