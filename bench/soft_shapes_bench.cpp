// Software shapes at screen size: a 256 x 256 picture drawn as a free quad
// (in plain copy and in each blend mode) and rotated, and a flat triangle,
// onto an 800 x 600 destination, 32- and 16-bit.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "image/memimg.h"
#include "soft/memimg_renderer.h"

using namespace DuRud;

namespace {

struct Scene {
    MEMIMG dest{}, src{};
    explicit Scene(int type) {
        BuildMemImgBlendTables();
        SetupMemImg(&dest, 800, 600, -1, 0, type, 0, 0, 0, nullptr);
        SetupMemImg(&src, 256, 256, -1, 0, type, 0, 0, 0, nullptr);
        std::mt19937 rng(3);
        for (int64_t i = 0; i < int64_t(src.body->pitch) * 256; ++i) src.pixels[i] = uint8_t(rng());
        const RECT area{0, 0, 800, 600};
        SetMemImgDrawArea(&area);
        SetMemImgBlendMode(0, 255);
    }
    ~Scene() {
        DropMemImg(&dest);
        DropMemImg(&src);
    }
};

void Quad(benchmark::State& state, int type, uint32_t bright) {
    Scene s(type);
    SetMemImgDrawBright(bright);
    const int32_t corners[8] = {200, 100, 520, 140, 160, 420, 500, 460};
    for (auto _ : state) {
        MemImgQuad(&s.dest, &s.src, corners, 1, nullptr);
        benchmark::ClobberMemory();
    }
}

void QuadMode(benchmark::State& state, int type, int mode, int p) {
    Scene s(type);
    SetMemImgBlendMode(mode, p);
    SetMemImgDrawBright(0xFFFFFF);
    const int32_t corners[8] = {200, 100, 520, 140, 160, 420, 500, 460};
    for (auto _ : state) {
        MemImgQuad(&s.dest, &s.src, corners, 1, nullptr);
        benchmark::ClobberMemory();
    }
}

void FlatTriangle(benchmark::State& state, int type, int mode, int p) {
    Scene s(type);
    SetMemImgBlendMode(mode, p);
    SetMemImgDrawBright(0xFFFFFF);
    const MemImgVertex v[3] = {{100, 50, 0, 0}, {700, 200, 0, 0}, {250, 550, 0, 0}};
    for (auto _ : state) {
        MemImgTriangle(&s.dest, nullptr, v, 0, nullptr, 0x00405060u);
        benchmark::ClobberMemory();
    }
}

void Rotate(benchmark::State& state, int type, uint32_t bright) {
    Scene s(type);
    SetMemImgDrawBright(bright);
    float angle = 0.1f;
    for (auto _ : state) {
        MemImgBlitRotate(&s.dest, &s.src, 400, 300, angle, 1.5f, 1, 0, nullptr);
        angle += 0.01f;
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK_CAPTURE(Quad, color32_white, kMemImgColor32, 0xFFFFFFu);
BENCHMARK_CAPTURE(Quad, color32_lit, kMemImgColor32, 0x808080u);
BENCHMARK_CAPTURE(Quad, color16_white, kMemImgColor16, 0xFFFFFFu);
BENCHMARK_CAPTURE(QuadMode, alpha32, kMemImgColor32, 1, 128);
BENCHMARK_CAPTURE(QuadMode, additive32, kMemImgColor32, 2, 200);
BENCHMARK_CAPTURE(QuadMode, subtractive16, kMemImgColor16, 3, 200);
BENCHMARK_CAPTURE(QuadMode, modulate32, kMemImgColor32, 4, 0);
BENCHMARK_CAPTURE(QuadMode, inverted16, kMemImgColor16, 10, 128);
BENCHMARK_CAPTURE(QuadMode, multiply32, kMemImgColor32, 11, 128);
BENCHMARK_CAPTURE(FlatTriangle, additive32, kMemImgColor32, 2, 200);
BENCHMARK_CAPTURE(FlatTriangle, alpha16, kMemImgColor16, 1, 128);
BENCHMARK_CAPTURE(Rotate, color32_white, kMemImgColor32, 0xFFFFFFu);
BENCHMARK_CAPTURE(Rotate, color16_lit, kMemImgColor16, 0x808080u);

BENCHMARK_MAIN();
