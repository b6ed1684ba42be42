// Pixel-conversion throughput at 800 x 600, in megapixels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "graphics/transparent_key.h"
#include "image/image_memory.h"
#include "image/pixel_conversion.h"
#include "image/video_frames.h"

using namespace DuRud;

namespace {

constexpr int kW = 800, kH = 600;

ColorFormat Format(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    ColorFormat f;
    SetupColorFormat(&f, bits, r, g, b, a, 0, 0, 0);
    return f;
}

std::vector<uint8_t> Noise(size_t n) {
    std::vector<uint8_t> v(n);
    std::mt19937 rng(7);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

void Report(benchmark::State& state) {
    state.counters["Mpix/s"] =
        benchmark::Counter(double(state.iterations()) * kW * kH / 1e6, benchmark::Counter::kIsRate);
}

void Convert(benchmark::State& state, const ColorFormat& df, const ColorFormat& sf, int dither) {
    auto src = Noise(size_t(kW) * kH * sf.bytesPerPixel);
    std::vector<uint8_t> dst(size_t(kW) * kH * df.bytesPerPixel);
    const RECT r{0, 0, kW, kH};
    for (auto _ : state) {
        ConvertPixelRect(dst.data(), kW * df.bytesPerPixel, &df, src.data(), kW * sf.bytesPerPixel,
                         &sf, nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, dither, 0, 0, 0, 0);
        benchmark::DoNotOptimize(dst.data());
    }
    Report(state);
}

void BM_SameLayoutCopy(benchmark::State& state) {
    ColorFormat f{};
    SetColorFormatX8R8G8B8(&f);
    Convert(state, f, f, 0);
}

void BM_R5G6B5ToX1R5G5B5(benchmark::State& state) {
    auto src = Noise(size_t(kW) * kH * 2);
    std::vector<uint8_t> dst(src.size());
    const int simd = int(state.range(0));
    for (auto _ : state) {
        ConvertLinesR5G6B5ToX1R5G5B5(dst.data(), kW * 2, src.data(), kW * 2, kW, kH, 0, 0, simd);
        benchmark::DoNotOptimize(dst.data());
    }
    Report(state);
}

void BM_R8G8B8ToR5G6B5(benchmark::State& state) {
    ColorFormat rgb{};
    SetColorFormatR8G8B8(&rgb);
    Convert(state, Format(16, 0xF800, 0x7E0, 0x1F, 0), rgb, 0);
}

// The 24-bit pair towards 32 bits with the key cleared (most loaded pictures).
void BM_R8G8B8ToA8R8G8B8Keyed(benchmark::State& state) {
    ColorFormat rgb{}, argb{};
    SetColorFormatR8G8B8(&rgb);
    SetColorFormatA8R8G8B8(&argb);
    auto src = Noise(size_t(kW) * kH * 3);
    std::vector<uint8_t> dst(size_t(kW) * kH * 4);
    const RECT r{0, 0, kW, kH};
    for (auto _ : state) {
        ConvertPixelRect(dst.data(), kW * 4, &argb, src.data(), kW * 3, &rgb, nullptr, 0, nullptr,
                         0, 0, &r, 0, 1, 0x00FF00, 0, 0, 0, 0, 0);
        benchmark::DoNotOptimize(dst.data());
    }
    Report(state);
}

// A 24-bit sprite sheet keyed to alpha as its texture is written: a key
// background (every other 32-pixel cell) with the key pixels beside the
// sprites taking their colours.
void BM_KeyedPicture(benchmark::State& state) {
    ColorFormat argb{};
    SetColorFormatA8R8G8B8(&argb);
    BaseImage picture{};
    ColorFormat rgb{};
    SetColorFormatR8G8B8(&rgb);
    CreateBaseImage(kW, kH, &rgb, &picture);
    const auto noise = Noise(size_t(picture.pitch) * kH);
    auto* p = static_cast<uint8_t*>(picture.pixels);
    std::memcpy(p, noise.data(), noise.size());
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if ((x / 32 + y / 32) % 2 == 0) {
                uint8_t* px = p + int64_t(y) * picture.pitch + 3 * x;
                px[0] = 0x00, px[1] = 0xFF, px[2] = 0x00;
            }
    std::vector<uint8_t> dst(size_t(kW) * kH * 4);
    const RECT r{0, 0, kW, kH};
    for (auto _ : state) {
        ConvertKeyedRect(dst.data(), kW * 4, &argb, 0, 0, &picture, nullptr, 0x00FF00, r);
        benchmark::DoNotOptimize(dst.data());
    }
    FreeBaseImagePixels(&picture);
    Report(state);
}

void BM_GenericOrderedDither(benchmark::State& state) {
    ColorFormat argb{};
    SetColorFormatA8R8G8B8(&argb);
    Convert(state, Format(16, 0xF00, 0xF0, 0xF, 0xF000), argb, kDitherOrdered);
}

void BM_Dxt1(benchmark::State& state) {
    const auto blocks = Noise(size_t(kW / 4) * (kH / 4) * 8);
    for (auto _ : state) {
        state.PauseTiming();
        BaseImage im{};
        im.colorFormat.formatCode = kFormatDxt1;
        im.colorFormat.bytesPerPixel = 4;
        im.width = kW;
        im.height = kH;
        im.pixels = IMAGE_ALLOC(int64_t(blocks.size()));
        std::memcpy(im.pixels, blocks.data(), blocks.size());
        state.ResumeTiming();
        DecompressBaseImage(&im);
        state.PauseTiming();
        FreeBaseImagePixels(&im);
        state.ResumeTiming();
    }
    Report(state);
}

void Video(benchmark::State& state, int (*convert)(const void*, int, int, BaseImage*),
           size_t frameBytes) {
    const auto frame = Noise(frameBytes);
    BaseImage im{};
    CreateX8R8G8B8BaseImage(kW, kH, &im);
    for (auto _ : state) {
        convert(frame.data(), kW, kH, &im);
        benchmark::DoNotOptimize(im.pixels);
    }
    FreeBaseImagePixels(&im);
    Report(state);
}

void BM_Yv12(benchmark::State& state) {
    Video(state, ConvertYv12ToBaseImage, size_t(kW) * kH * 3 / 2);
}
void BM_Yuy2(benchmark::State& state) {
    Video(state, ConvertYuy2ToBaseImage, size_t(kW) * kH * 2);
}

}  // namespace

BENCHMARK(BM_SameLayoutCopy);
BENCHMARK(BM_R5G6B5ToX1R5G5B5)->Arg(0)->Arg(1);
BENCHMARK(BM_R8G8B8ToR5G6B5);
BENCHMARK(BM_R8G8B8ToA8R8G8B8Keyed);
BENCHMARK(BM_KeyedPicture);
BENCHMARK(BM_GenericOrderedDither);
BENCHMARK(BM_Dxt1);
BENCHMARK(BM_Yv12);
BENCHMARK(BM_Yuy2);
BENCHMARK_MAIN();
