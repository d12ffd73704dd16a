// Pixel checks for the end-to-end scripts:
//   image_probe count FILE CLASS X Y W H   prints how many pixels of CLASS lie in the rectangle
//   image_probe size FILE                  prints WIDTH HEIGHT
//   image_probe diff FILE1 FILE2           prints how many pixels differ
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
    if (command == "diff" && argc == 4) {
        Image other;
        if (!ReadImage(argv[3], other))
            return Fail("cannot read", argv[3]);
        std::printf("%d\n", CountDifferences(image, other));
        return 0;
    }
    ColourClass colour;
    if (command == "count" && argc == 8 && ParseColourClass(argv[3], colour)) {
        std::printf("%d\n", CountPixels(image, colour, std::atoi(argv[4]), std::atoi(argv[5]),
                                        std::atoi(argv[6]), std::atoi(argv[7])));
        return 0;
    }
    return Fail("bad arguments for", command.c_str());
}
