// Microseconds per GetGlyphOutlineA of an IPA Gothic kanji (one-bit at ppem
// 16 and 128, 65 grey levels at 16) and per font create-select-metrics.
#include <benchmark/benchmark.h>

#include <vector>

#include "windows.h"

namespace {

const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
constexpr UINT kKanji = 0x88A4;

void Glyph(benchmark::State& state, int ppem, UINT format) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font =
        CreateFontA(-ppem, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "IPAGothic");
    SelectObject(dc, font);
    std::vector<BYTE> bits(static_cast<size_t>(ppem) * ppem * 2);
    GLYPHMETRICS gm;
    for (auto _ : state) {
        DWORD size = GetGlyphOutlineA(dc, kKanji, format, &gm, static_cast<DWORD>(bits.size()),
                                      bits.data(), &kIdentity);
        benchmark::DoNotOptimize(size);
    }
    DeleteDC(dc);
    DeleteObject(font);
}

void BM_BitmapPpem16(benchmark::State& state) {
    Glyph(state, 16, GGO_BITMAP);
}
void BM_BitmapPpem128(benchmark::State& state) {
    Glyph(state, 128, GGO_BITMAP);
}
void BM_Gray8Ppem16(benchmark::State& state) {
    Glyph(state, 16, GGO_GRAY8_BITMAP);
}

void BM_CreateSelectMetrics(benchmark::State& state) {
    HDC dc = CreateCompatibleDC(nullptr);
    for (auto _ : state) {
        HFONT font =
            CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "IPAGothic");
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA tm;
        benchmark::DoNotOptimize(GetTextMetricsA(dc, &tm));
        SelectObject(dc, old);
        DeleteObject(font);
    }
    DeleteDC(dc);
}

}  // namespace

BENCHMARK(BM_BitmapPpem16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BitmapPpem128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Gray8Ppem16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CreateSelectMetrics)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
