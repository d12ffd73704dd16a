#include "image/png_writer.h"

// The encoder is compiled here, from the single header Debian ships (libstb-dev), rather than
// linked from its libstb: the program then needs no shared library at run time for one
// writer, and with STB_IMAGE_WRITE_STATIC every encoder function and setting (the vertical
// flip among them) is private to this file. Only the callback variant is used, so the header's
// stdio variants are left out. The header is reached through the system include folder
// (<stb/...>), so its own warnings do not count against this project's -Werror. Should a build
// ever find it elsewhere, the two it gives under -Wall -Wextra (encoders this file leaves
// unused; structures set up with "= { 0 }") are silenced here, for this header only.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include <climits>

namespace {

// The encoder counts bytes in int: each row is a filter byte and 3 bytes a pixel, and it keeps
// the filtered rows and their compressed form at once, so the whole image stays well below the
// int range.
const long long MaxEncodedBytes = INT_MAX / 4;

int SizeFits(int width, int height) {
    return width > 0 && height > 0 && ((long long)width * 3 + 1) * height <= MaxEncodedBytes;
}

struct FileSink {
    std::FILE *file;
    int ok;
};

void WriteToFile(void *context, void *data, int size) {
    FileSink *sink = (FileSink *)context;
    if (sink->ok && std::fwrite(data, 1, (size_t)size, sink->file) != (size_t)size)
        sink->ok = 0;
}

} // namespace

int WritePngToFile(std::FILE *file, int width, int height, const unsigned char *pixels) {
    if (!file || !pixels || !SizeFits(width, height))
        return 0;
    FileSink sink = {file, 1};
    stbi_flip_vertically_on_write(1); // the rows arrive bottom first
    int stride = width * 3;
    if (!stbi_write_png_to_func(WriteToFile, &sink, width, height, 3, pixels, stride))
        return 0;
    return sink.ok && std::fflush(file) == 0;
}

int WritePng(const char *fileName, int width, int height, const unsigned char *pixels) {
    if (!fileName || !pixels || !SizeFits(width, height))
        return 0;
    std::FILE *file = std::fopen(fileName, "wb");
    if (!file)
        return 0;
    int ok = WritePngToFile(file, width, height, pixels);
    if (std::fclose(file) != 0)
        ok = 0;
    return ok;
}
