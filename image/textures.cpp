#include "image/textures.h"

// Placeholder until texture loading lands: the scene runs untextured.
RgbImage *LoadImageIfPresent(const char *fileName) {
    (void)fileName;
    return nullptr;
}

int LoadTextures() { return 0; }

void UploadTexture(const RgbImage *image) { (void)image; }
