// Whole-image blit throughput: a 256 x 256 source onto an 800 x 600 target
// under a few blend modes, both depths, clipped and run-table paths, and the
// MMX flag both ways for the full-strength add.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "core/system_services.h"
#include "image/memimg.h"
#include "soft/memimg_renderer.h"

using namespace DuRud;

namespace {

struct Images {
    MEMIMG dst{}, src{};
    Images(int type, bool alpha) {
        SetupMemImg(&dst, 800, 600, -1, 0, type, 0, 0, 0, nullptr);
        SetupMemImg(&src, 256, 256, -1, 0, type, 0, alpha, 1, nullptr);
        std::mt19937 rng(5);
        for (int i = 0; i < dst.body->pitch * 600; ++i) dst.pixels[i] = uint8_t(rng());
        for (int i = 0; i < src.body->pitch * 256; ++i) src.pixels[i] = uint8_t(rng() & 0xF0);
    }
    ~Images() {
        DropMemImg(&src);
        DropMemImg(&dst);
    }
};

void Blit(benchmark::State& state, int type, int mode, int p, int trans, int mmx, bool alpha) {
    BuildMemImgBlendTables();
    Images im(type, alpha);
    const RECT area{0, 0, 800, 600};
    SetMemImgDrawArea(&area);
    SetMemImgBlendMode(mode, p);
    SetMemImgDrawBright(0xFFFFFF);
    ForceMmxAvailable(mmx);
    for (auto _ : state) {
        MemImgBlit(&im.dst, &im.src, 100, 100, trans, nullptr);
        benchmark::ClobberMemory();
    }
    ForceMmxAvailable(-1);
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}

BENCHMARK_CAPTURE(Blit, copy32, kMemImgColor32, 0, 255, 0, 1, false);
BENCHMARK_CAPTURE(Blit, transparentCopy32, kMemImgColor32, 0, 255, 2, 1, false);
BENCHMARK_CAPTURE(Blit, alpha32, kMemImgColor32, 1, 200, 2, 1, true);
BENCHMARK_CAPTURE(Blit, add32Mmx, kMemImgColor32, 2, 255, 0, 1, false);
BENCHMARK_CAPTURE(Blit, add32Plain, kMemImgColor32, 2, 255, 0, 0, false);
BENCHMARK_CAPTURE(Blit, half32, kMemImgColor32, 1, 128, 0, 1, false);
BENCHMARK_CAPTURE(Blit, add16Pairs, kMemImgColor16, 2, 255, 0, 1, false);
BENCHMARK_CAPTURE(Blit, mix16, kMemImgColor16, 1, 100, 0, 1, false);
BENCHMARK_CAPTURE(Blit, multiply16, kMemImgColor16, 4, 0, 2, 1, false);

}  // namespace

BENCHMARK_MAIN();
