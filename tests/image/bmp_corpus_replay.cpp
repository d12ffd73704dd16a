// Feeds every file named on the command line, or found in a folder named there, through the
// fuzz target once. Fails when it finds no file at all, so a missing corpus cannot pass.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

int Replay(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path path(argv[i]);
        if (!std::filesystem::is_directory(path)) {
            replayed += Replay(path);
            continue;
        }
        for (const auto &entry : std::filesystem::directory_iterator(path))
            if (entry.is_regular_file())
                replayed += Replay(entry.path());
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
