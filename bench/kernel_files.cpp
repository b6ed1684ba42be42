// Costs of the file layer: opening by an upper-cased full path (every
// component matched ignoring case, as the archive layer asks), a failed
// open, and code page 932 conversion.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "windows.h"

namespace {

// A scratch tree datas/lists/a.list under a fresh temporary directory.
struct Tree {
    Tree() {
        std::string base =
            std::filesystem::temp_directory_path().string() + "/vessamire-bench-XXXXXX";
        if (!mkdtemp(base.data())) std::abort();
        root = base;
        std::filesystem::create_directories(root + "/datas/lists");
        for (int i = 0; i < 200; ++i) std::ofstream(root + "/datas/lists/f" + std::to_string(i));
        std::ofstream(root + "/datas/lists/a.list") << "x";
        upper = "C:" + root + "/DATAS/LISTS/A.LIST";
        std::replace(upper.begin(), upper.end(), '/', '\\');
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    ~Tree() { std::filesystem::remove_all(root); }
    std::string root, upper;
};

void OpenUpperCasedFullPath(benchmark::State& state) {
    Tree tree;
    for (auto _ : state) {
        HANDLE file = CreateFileA(tree.upper.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) state.SkipWithError("open failed");
        CloseHandle(file);
    }
}
BENCHMARK(OpenUpperCasedFullPath);

void OpenExactPath(benchmark::State& state) {
    Tree tree;
    std::string exact = tree.root + "/datas/lists/a.list";
    for (auto _ : state) {
        HANDLE file = CreateFileA(exact.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) state.SkipWithError("open failed");
        CloseHandle(file);
    }
}
BENCHMARK(OpenExactPath);

void OpenMissingArchive(benchmark::State& state) {
    Tree tree;
    std::string missing = "C:" + tree.root + "\\DATAS.ZAV";
    for (auto _ : state) {
        HANDLE file = CreateFileA(missing.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        benchmark::DoNotOptimize(file);
    }
}
BENCHMARK(OpenMissingArchive);

void ConvertCodePage932ToWide(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 64; ++i)
        text +=
            "\x83\x5C\x95\x5C\x81\x60"
            "abc";
    WCHAR wide[1024];
    for (auto _ : state)
        benchmark::DoNotOptimize(MultiByteToWideChar(932, 0, text.c_str(), -1, wide, 1024));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(ConvertCodePage932ToWide);

}  // namespace

BENCHMARK_MAIN();
