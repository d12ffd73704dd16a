#include "tests/app/image_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

unsigned Le32(const std::vector<unsigned char> &b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (unsigned)b[at + 3] << 24;
}

bool ReadBmp(const std::vector<unsigned char> &bytes, Image &image) {
    if (bytes.size() < 54 || bytes[28] != 24 || Le32(bytes, 30) != 0)
        return false;
    int width = (int)Le32(bytes, 18);
    int height = (int)Le32(bytes, 22);
    bool bottomUp = height > 0;
    height = std::abs(height);
    size_t offset = Le32(bytes, 10);
    size_t stride = ((size_t)width * 3 + 3) / 4 * 4;
    if (width <= 0 || height <= 0 || offset + stride * height > bytes.size())
        return false;
    image.width = width;
    image.height = height;
    image.rgb.resize((size_t)width * height * 3);
    for (int y = 0; y < height; ++y) {
        const unsigned char *row = &bytes[offset + stride * (bottomUp ? height - 1 - y : y)];
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                image.rgb[((size_t)y * width + x) * 3 + c] = row[x * 3 + 2 - c];
    }
    return true;
}

// Skips whitespace and comments, then reads one decimal header number.
bool PpmNumber(const std::vector<unsigned char> &bytes, size_t &at, int &value) {
    while (at < bytes.size() && (isspace(bytes[at]) || bytes[at] == '#')) {
        if (bytes[at] == '#')
            while (at < bytes.size() && bytes[at] != '\n')
                ++at;
        else
            ++at;
    }
    value = 0;
    size_t start = at;
    while (at < bytes.size() && isdigit(bytes[at]) && value < 1000000)
        value = value * 10 + (bytes[at++] - '0');
    return at > start;
}

bool ReadPpm(const std::vector<unsigned char> &bytes, Image &image) {
    size_t at = 2;
    int width = 0, height = 0, maxValue = 0;
    if (!PpmNumber(bytes, at, width) || !PpmNumber(bytes, at, height) ||
        !PpmNumber(bytes, at, maxValue) || maxValue != 255 || width <= 0 || height <= 0)
        return false;
    ++at; // the single whitespace before the raster
    size_t size = (size_t)width * height * 3;
    if (at + size > bytes.size())
        return false;
    image.width = width;
    image.height = height;
    image.rgb.assign(bytes.begin() + at, bytes.begin() + at + size);
    return true;
}

} // namespace

bool ReadImage(const char *path, Image &image) {
    std::vector<unsigned char> bytes = ReadBytesFromFile(path);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return ReadBmp(bytes, image);
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '6')
        return ReadPpm(bytes, image);
    return false;
}

bool ParseColourClass(const std::string &name, ColourClass &colour) {
    const char *names[] = {"red", "black", "lit", "greenish", "grey", "blue"};
    for (int i = 0; i < 6; ++i)
        if (name == names[i]) {
            colour = (ColourClass)i;
            return true;
        }
    return false;
}

bool InClass(Pixel p, ColourClass colour) {
    int r = p.r, g = p.g, b = p.b;
    switch (colour) {
    case ColourRed:
        return r >= 150 && g <= 80 && b <= 80;
    case ColourBlack:
        return r <= 8 && g <= 8 && b <= 8;
    case ColourLit:
        return r > 8 || g > 8 || b > 8;
    case ColourGreenish:
        return g >= 60 && g > r + 30;
    case ColourGrey:
        return r >= 40 && std::abs(r - g) <= 12 && std::abs(g - b) <= 12;
    case ColourBlue:
        return b >= 150 && r <= 80 && b > g + 40;
    }
    return false;
}

int CountPixels(const Image &image, ColourClass colour, int x, int y, int width, int height) {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + width, image.width), y1 = std::min(y + height, image.height);
    int count = 0;
    for (int row = y0; row < y1; ++row)
        for (int column = x0; column < x1; ++column)
            count += InClass(image.At(column, row), colour);
    return count;
}

int CountDifferences(const Image &a, const Image &b) {
    if (a.width != b.width || a.height != b.height)
        return -1;
    int count = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        count +=
            a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2];
    return count;
}
