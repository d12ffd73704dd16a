#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/bmp_builder.h"

// Defined when built with AddressSanitizer (GCC and clang spell the test differently).
#if defined(__SANITIZE_ADDRESS__)
#define IMAGE_TESTS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define IMAGE_TESTS_ASAN 1
#endif
#endif

// Every message the loader reported, in order: the image test executables that link this file
// have the loader report to a recorder instead of standard error.
extern std::vector<std::string> shownMessages;

// A test file and the red-green-blue bytes the loader must return for it, bottom row first.
struct TestFile {
    Bytes bytes;
    int width, height;
    Bytes expectedRgb;
};

// The colour of entry index in the test pictures' colour tables.
BmpColour PaletteColour(uint32_t index);

// A picture in the given form: palette pictures use every entry of a full table, 24-bit ones a
// gradient. Rows go into the file in storage order (top first when topDown).
TestFile MakeTestFile(uint32_t bitCount, uint32_t headerSize, int fileHeader, int width = 5,
                      int height = 3, int topDown = 0);

// Non-zero while this process holds path open or mapped (from /proc/self/fd and maps).
int IsFileOpenOrMapped(const std::string &path);

// Bytes the heap has handed out and not taken back (glibc's or AddressSanitizer's allocator).
size_t HeapBytesInUse();

// A fresh directory under TMPDIR (or /tmp), removed with its files when the object goes.
struct TempDir {
    TempDir();
    ~TempDir();
    std::string File(const char *name) const { return path + "/" + name; }
    std::string path;
};

// Makes a fresh temporary directory the working directory until the object goes, so that tests
// of fixed relative file names can run in parallel.
struct TempWorkingDir {
    TempWorkingDir();
    ~TempWorkingDir();
    TempDir dir;
    std::string previous;
};
