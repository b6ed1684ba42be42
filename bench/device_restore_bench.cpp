// Time to rebuild the device and restore 3,072 divided graphics (a 64 x 48
// sheet of 16 x 16 cells per picture file, 48 cells each, 64 files), as a
// lost device costs the game with its whole picture table loaded.
#include <benchmark/benchmark.h>

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DuRud.h"
#include "bench_engine.h"
#include "core/engine_lifecycle.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_state.h"
#include "image/image_record.h"
#include "test_knobs.h"

using namespace DuRud;

namespace {

constexpr int kFiles = 64, kCellsPerFile = 48;

void WriteSheet(const std::string& path, int seed) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 128;
    image.height = 96;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(128 * 96 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 + seed);
    png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
}

void RestoreDividedGraphics(benchmark::State& state) {
    benchengine::Start();
    std::vector<Handle> handles(kFiles * kCellsPerFile);
    for (int f = 0; f < kFiles; ++f) {
        const std::string name = "bench_sheet_" + std::to_string(f) + ".png";
        WriteSheet(name, f);
        LoadDividedGraphic(name.c_str(), kCellsPerFile, 8, 6, 16, 16, &handles[f * kCellsPerFile]);
    }
    for (auto _ : state) RestartDevice();
    state.SetItemsProcessed(state.iterations() * kFiles * kCellsPerFile);
    benchengine::Stop();
    for (int f = 0; f < kFiles; ++f)
        std::remove(("bench_sheet_" + std::to_string(f) + ".png").c_str());
}
BENCHMARK(RestoreDividedGraphics)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
