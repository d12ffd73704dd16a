// Loading a 1024 x 1024 BMP file, 24 and 8 bits per pixel, next to a plain memcpy of the file's
// bytes measured in the same run as the baseline.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "image/bmp_loader.h"
#include "tools/bmp_builder.h"

namespace {

const int pictureSize = 1024;

// A picture with no runs or repeats for any cache or branch to profit from.
Bytes BenchFile(uint32_t bitCount) {
    BmpLayout layout;
    layout.width = pictureSize;
    layout.height = pictureSize;
    layout.bitCount = bitCount;
    if (bitCount == 8)
        for (int i = 0; i < 256; ++i)
            layout.palette.push_back(
                BmpColour{(unsigned char)i, (unsigned char)(255 - i), (unsigned char)(i * 7)});
    std::vector<uint32_t> values((size_t)pictureSize * pictureSize);
    uint32_t state = 12345;
    for (uint32_t &value : values) {
        state = state * 1664525u + 1013904223u;
        value = bitCount == 8 ? state >> 24 : state >> 8;
    }
    return BuildBmp(layout, PackPixelRows(pictureSize, pictureSize, bitCount, values));
}

std::string BenchPath(uint32_t bitCount) {
    const char *base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/image-bench-" + std::to_string(getpid()) +
           "-" + std::to_string(bitCount) + ".bmp";
}

// Through the file: open, map, convert, copy out, unmap.
void BM_LoadBmpImage(benchmark::State &state) {
    uint32_t bitCount = (uint32_t)state.range(0);
    Bytes file = BenchFile(bitCount);
    std::string path = BenchPath(bitCount);
    if (!WriteBytesToFile(path.c_str(), file)) {
        state.SkipWithError("cannot write the bench file");
        return;
    }
    for (auto _ : state) {
        RgbImage *image = LoadBmpImage(path.c_str());
        benchmark::DoNotOptimize(image->pixels);
        FreeRgbImage(image);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)file.size());
}
BENCHMARK(BM_LoadBmpImage)->Arg(24)->Arg(8)->Unit(benchmark::kMicrosecond);

// The same from a buffer already in memory: the conversion and copy alone.
void BM_LoadBmpFromMemory(benchmark::State &state) {
    Bytes file = BenchFile((uint32_t)state.range(0));
    for (auto _ : state) {
        RgbImage *image = LoadBmpFromMemory(file.data(), file.size());
        benchmark::DoNotOptimize(image->pixels);
        FreeRgbImage(image);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)file.size());
}
BENCHMARK(BM_LoadBmpFromMemory)->Arg(24)->Arg(8)->Unit(benchmark::kMicrosecond);

// Baseline: a plain copy of as many bytes as the file holds, between two blocks that stay.
void BM_MemcpyFileBytes(benchmark::State &state) {
    Bytes file = BenchFile((uint32_t)state.range(0));
    Bytes copy(file.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), file.data(), file.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)file.size());
}
BENCHMARK(BM_MemcpyFileBytes)->Arg(24)->Arg(8)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
