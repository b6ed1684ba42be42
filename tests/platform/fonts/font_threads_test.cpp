// Fonts are made on load workers too: each thread creates, selects, fetches
// and deletes its own fonts while the others do the same.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "font_test_support.h"

using namespace fonttest;

namespace {

// The bytes of a few glyphs of a fresh font, and its metrics.
std::vector<BYTE> Sample() {
    std::vector<BYTE> out;
    Selected s(kMsGothic, 16, SHIFTJIS_CHARSET);
    TEXTMETRICA tm{};
    if (!GetTextMetricsA(s.dc, &tm)) return {};
    out.insert(out.end(), reinterpret_cast<BYTE*>(&tm), reinterpret_cast<BYTE*>(&tm + 1));
    for (UINT code : {0x82A0u, 0x88A4u, 0x41u}) {
        for (UINT format : {GGO_BITMAP, GGO_GRAY8_BITMAP}) {
            GLYPHMETRICS gm{};
            DWORD size = GetGlyphOutlineA(s.dc, code, format, &gm, 0, nullptr, &kIdentity);
            std::vector<BYTE> bits(size);
            GetGlyphOutlineA(s.dc, code, format, &gm, size, bits.data(), &kIdentity);
            out.insert(out.end(), reinterpret_cast<BYTE*>(&gm), reinterpret_cast<BYTE*>(&gm + 1));
            out.insert(out.end(), bits.begin(), bits.end());
        }
    }
    return out;
}

}  // namespace

TEST(FontThreads, CreateSelectFetchDeleteOnEightThreads) {
    const std::vector<BYTE> expected = Sample();
    ASSERT_FALSE(expected.empty());
    std::vector<int> mismatches(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) mismatches[t] += Sample() != expected;
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(8, 0));
    EXPECT_EQ(KnobFontCounts().liveFonts, 0);
}
