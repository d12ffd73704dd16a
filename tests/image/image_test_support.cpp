#include "tests/image/image_test_support.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

#include "image/bmp_loader.h"

#ifdef IMAGE_TESTS_ASAN
// The sanitizer runtime's own count (declared here: GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#endif

std::vector<std::string> shownMessages;

namespace {

void RecordMessage(const char *, const char *text) {
    shownMessages.push_back(text);
}

// Installed before any test runs, for every executable that links this file.
const int recorderInstalled = (SetImageErrorReporter(RecordMessage), 1);

BmpColour TrueColour(int x, int y) {
    return BmpColour{(unsigned char)(x * 40 + y), (unsigned char)(y * 60 + 7),
                     (unsigned char)(x * y * 17 + 3)};
}

std::string ReadLink(const std::string &link) {
    char target[4096];
    ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string() : std::string(target, (size_t)length);
}

int IsFileOpen(const std::string &path) {
    DIR *fds = opendir("/proc/self/fd");
    if (!fds)
        return 0;
    int found = 0;
    while (dirent *entry = readdir(fds))
        if (ReadLink(std::string("/proc/self/fd/") + entry->d_name) == path)
            found = 1;
    closedir(fds);
    return found;
}

int IsFileMapped(const std::string &path) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.size() >= path.size() &&
            line.compare(line.size() - path.size(), path.size(), path) == 0)
            return 1;
    return 0;
}

void RemoveTree(const std::string &path) {
    if (DIR *dir = opendir(path.c_str())) {
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                unlink((path + "/" + name).c_str());
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

} // namespace

BmpColour PaletteColour(uint32_t index) {
    return BmpColour{(unsigned char)(index * 37 + 11), (unsigned char)(index * 91 + 5),
                     (unsigned char)(255 - index * 13)};
}

TestFile MakeTestFile(uint32_t bitCount, uint32_t headerSize, int fileHeader, int width, int height,
                      int topDown) {
    BmpLayout layout;
    layout.width = width;
    layout.height = topDown ? -height : height;
    layout.bitCount = bitCount;
    layout.headerSize = headerSize;
    layout.fileHeader = fileHeader;
    uint32_t entries = bitCount <= 8 ? 1u << bitCount : 0;
    for (uint32_t i = 0; i < entries; ++i)
        layout.palette.push_back(PaletteColour(i));

    TestFile file{{}, width, height, Bytes((size_t)width * height * 3)};
    std::vector<uint32_t> values((size_t)width * height);
    for (int storedRow = 0; storedRow < height; ++storedRow) {
        int y = topDown ? height - 1 - storedRow : storedRow; // picture row from the bottom
        for (int x = 0; x < width; ++x) {
            BmpColour colour = TrueColour(x, y);
            uint32_t value = (uint32_t)colour.red << 16 | colour.green << 8 | colour.blue;
            if (entries) {
                value = (uint32_t)(x * 5 + y * 3 + 1) % entries;
                colour = PaletteColour(value);
            }
            values[(size_t)storedRow * width + x] = value;
            unsigned char *rgb = &file.expectedRgb[((size_t)y * width + x) * 3];
            rgb[0] = colour.red;
            rgb[1] = colour.green;
            rgb[2] = colour.blue;
        }
    }
    file.bytes = BuildBmp(layout, PackPixelRows(width, height, bitCount, values));
    return file;
}

int IsFileOpenOrMapped(const std::string &path) {
    char resolved[4096];
    std::string absolute = realpath(path.c_str(), resolved) ? resolved : path;
    return IsFileOpen(absolute) || IsFileMapped(absolute);
}

size_t HeapBytesInUse() {
#ifdef IMAGE_TESTS_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

TempDir::TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/image-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()))
        path = name.data();
}

TempDir::~TempDir() {
    if (!path.empty())
        RemoveTree(path);
}

TempWorkingDir::TempWorkingDir() {
    char current[4096];
    if (getcwd(current, sizeof current))
        previous = current;
    if (chdir(dir.path.c_str()) != 0)
        std::abort();
}

TempWorkingDir::~TempWorkingDir() {
    if (!previous.empty() && chdir(previous.c_str()) != 0)
        std::abort();
}
