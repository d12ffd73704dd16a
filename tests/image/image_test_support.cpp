#include "tests/image/image_test_support.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

#include "platform/message_box.h"

#if defined(__SANITIZE_ADDRESS__)
#define IMAGE_TESTS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define IMAGE_TESTS_ASAN 1
#endif
#endif
#ifdef IMAGE_TESTS_ASAN
// The sanitizer runtime's own count (declared here: GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#endif

std::vector<std::string> shownMessages;

void ShowErrorMessage(const char *text) {
    shownMessages.push_back(text);
}

namespace {

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
