// Reading a 64 MiB file in 4 KiB reads through the Windows file layer in its
// four modes (direct, read-ahead cache, asynchronous, both); MB/s.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/windows_file_layer.h"

namespace {

constexpr size_t kFileSize = 64u << 20;
constexpr size_t kChunk = 4096;

// The file is made once in a private temporary folder, which becomes the
// working directory so that the layer sees a plain relative name.
const char* BenchFile() {
    static std::string name = [] {
        std::string dir = std::filesystem::temp_directory_path().string() + "/file-bench-XXXXXX";
        if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) std::abort();
        std::ofstream out("bench.bin", std::ios::binary);
        std::vector<char> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131);
        for (size_t written = 0; written < kFileSize; written += block.size()) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        std::atexit([] {
            std::error_code ec;
            auto dir = std::filesystem::current_path();
            std::filesystem::remove_all(dir, ec);
        });
        return std::string("bench.bin");
    }();
    return name.c_str();
}

void ReadWholeFile(benchmark::State& state) {
    const int cache = static_cast<int>(state.range(0));
    const int async = static_cast<int>(state.range(1));
    const char* path = BenchFile();
    std::vector<char> buffer(kChunk);
    for (auto _ : state) {
        DuRud::StreamHandle stream = DuRud::FileWinOpen(path, cache, 0, async);
        if (stream == 0) {
            state.SkipWithError("open failed");
            return;
        }
        size_t total = 0;
        for (;;) {
            size_t n = DuRud::FileWinRead(buffer.data(), 1, kChunk, stream);
            if (n == 0) break;
            if (async) {
                while (DuRud::FileWinIdleCheck(stream) == 0) {
                }
            }
            total += n;
        }
        benchmark::DoNotOptimize(total);
        DuRud::FileWinClose(stream);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(kFileSize) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(ReadWholeFile)
    ->ArgNames({"cache", "async"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
