// Fuzz target over the loader reading from memory. Built for libFuzzer with clang when
// SKIN_FUZZ is on; the normal test run replays the seed corpus in corpus/ through the same
// function with a plain main (bmp_corpus_replay.cpp).

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/bmp_loader.h"

namespace {

int messageCount = 0;

void CountMessage(const char *, const char *) {
    ++messageCount;
}

} // namespace

// Besides what the sanitizers catch, a load must yield either a sound image and no message or
// no image and exactly one message.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    SetImageErrorReporter(CountMessage);
    messageCount = 0;
    RgbImage *image = LoadBmpFromMemory(data, size);
    if (image ? messageCount != 0 || image->width <= 0 || image->height <= 0 || !image->pixels
              : messageCount != 1)
        std::abort();
    FreeRgbImage(image);
    return 0;
}
