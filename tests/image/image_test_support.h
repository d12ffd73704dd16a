#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Every text passed to ShowErrorMessage, in order. The image test executables link this
// recorder in place of the platform's message box.
extern std::vector<std::string> shownMessages;

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
