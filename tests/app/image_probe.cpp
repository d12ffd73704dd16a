// Pixel checks for the end-to-end scripts:
//   image_probe count FILE CLASS X Y W H   prints how many pixels of CLASS lie in the rectangle
//   image_probe size FILE                  prints WIDTH HEIGHT
//   image_probe diff FILE1 FILE2 [X Y W H] prints how many pixels differ, in the whole pictures
//                                          or in the rectangle
//   image_probe centre FILE CLASS X Y W H  prints the mean x and y (whole pixels, relative to
//                                          the rectangle) of the pixels of CLASS in it, or
//                                          "none" when there are none
// CLASS is red, black, lit, greenish, grey or blue. Exit code 2 on bad arguments or unreadable
// files.
#include "tests/app/image_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Fail(const char *what, const char *detail) {
    std::fprintf(stderr, "image_probe: %s %s\n", what, detail);
    return 2;
}

// The part of image inside the rectangle (clipped to it).
Image Crop(const Image &image, int x0, int y0, int width, int height) {
    Image part;
    for (int y = y0; y < y0 + height; ++y)
        for (int x = x0; x < x0 + width; ++x)
            if (x >= 0 && y >= 0 && x < image.width && y < image.height) {
                Pixel p = image.At(x, y);
                part.rgb.insert(part.rgb.end(), {p.r, p.g, p.b});
            }
    part.width = (int)part.rgb.size() / 3; // one long row: only differences are counted
    part.height = part.width > 0 ? 1 : 0;
    return part;
}

} // namespace

int main(int argc, char **argv) {
    std::string command = argc > 1 ? argv[1] : "";
    Image image;
    if (argc < 3)
        return Fail("usage: count|size|diff FILE ...", "");
    if (!ReadImage(argv[2], image))
        return Fail("cannot read", argv[2]);
    if (command == "size" && argc == 3) {
        std::printf("%d %d\n", image.width, image.height);
        return 0;
    }
    if (command == "diff" && (argc == 4 || argc == 8)) {
        Image other;
        if (!ReadImage(argv[3], other))
            return Fail("cannot read", argv[3]);
        if (argc == 8) {
            int x = std::atoi(argv[4]), y = std::atoi(argv[5]);
            image = Crop(image, x, y, std::atoi(argv[6]), std::atoi(argv[7]));
            other = Crop(other, x, y, std::atoi(argv[6]), std::atoi(argv[7]));
        }
        std::printf("%d\n", CountDifferences(image, other));
        return 0;
    }
    ColourClass colour;
    if (command == "centre" && argc == 8 && ParseColourClass(argv[3], colour)) {
        int x0 = std::atoi(argv[4]), y0 = std::atoi(argv[5]);
        int width = std::atoi(argv[6]), height = std::atoi(argv[7]);
        long sumX = 0, sumY = 0, count = 0;
        for (int y = y0; y < y0 + height && y < image.height; ++y)
            for (int x = x0; x < x0 + width && x < image.width; ++x)
                if (x >= 0 && y >= 0 && InClass(image.At(x, y), colour)) {
                    sumX += x - x0;
                    sumY += y - y0;
                    ++count;
                }
        if (count == 0)
            std::printf("none\n");
        else
            std::printf("%ld %ld\n", sumX / count, sumY / count);
        return 0;
    }
    if (command == "count" && argc == 8 && ParseColourClass(argv[3], colour)) {
        std::printf("%d\n", CountPixels(image, colour, std::atoi(argv[4]), std::atoi(argv[5]),
                                        std::atoi(argv[6]), std::atoi(argv[7])));
        return 0;
    }
    return Fail("bad arguments for", command.c_str());
}
