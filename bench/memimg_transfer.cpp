// MEMIMG work done at load time: whole-image transfer with the alpha plane
// and the run table at 800 x 600, and building the blend tables.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "image/memimg.h"

using namespace DuRud;

namespace {

constexpr int kW = 800, kH = 600;

void Transfer(benchmark::State& state, int type, int alpha) {
    BaseImage image{};
    ColorFormat f{};
    SetColorFormatA8R8G8B8(&f);
    CreateBaseImage(kW, kH, &f, &image);
    std::mt19937 rng(7);
    auto* p = static_cast<uint8_t*>(image.pixels);
    for (int64_t i = 0; i < int64_t(image.pitch) * kH; ++i) {
        // Alpha bytes mostly 0 or 255 so that runs form, as in sprites.
        p[i] =
            (i & 3) == 3 ? uint8_t((rng() % 8) == 0 ? rng() : (rng() & 1) * 255) : uint8_t(rng());
    }
    MEMIMG m{};
    SetupMemImg(&m, kW, kH, -1, 0, type, 0, alpha, 1, nullptr);
    for (auto _ : state) {
        TransferBaseImageToMemImg(&image, nullptr, &m, 0, 0, kW, kH, 0, 0, 0);
        benchmark::DoNotOptimize(m.body->runTable[0]);
    }
    state.counters["Mpix/s"] =
        benchmark::Counter(double(state.iterations()) * kW * kH / 1e6, benchmark::Counter::kIsRate);
    DropMemImg(&m);
    FreeBaseImagePixels(&image);
}

void BM_Transfer32Alpha(benchmark::State& s) {
    Transfer(s, kMemImgColor32, 1);
}
void BM_Transfer16Alpha(benchmark::State& s) {
    Transfer(s, kMemImgColor16, 1);
}
void BM_Transfer32Keyed(benchmark::State& s) {
    Transfer(s, kMemImgColor32, 0);
}
void BM_BuildBlendTables(benchmark::State& s) {
    for (auto _ : s) {
        BuildMemImgBlendTables();
        benchmark::DoNotOptimize(MemImgBlend6Table[1][2][3]);
    }
}

BENCHMARK(BM_Transfer32Alpha)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transfer16Alpha)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transfer32Keyed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildBlendTables)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
