#include "image/bmp_loader.h"

// Placeholder until the loader lands.
RgbImage *LoadBmpImage(const char *fileName) {
    (void)fileName;
    return nullptr;
}

unsigned short CountPaletteColors(const unsigned char *dibHeader) {
    (void)dibHeader;
    return 0;
}
