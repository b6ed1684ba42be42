// Shared by the software blitter tests: views inside sentinel-filled bodies
// whose pitch is wider than the view, seeded random images (alpha and
// palette sources too), hand-built run tables, draw-state set-up and a
// scoped MMX flag.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/system_services.h"
#include "image/memimg.h"

namespace softblit {

constexpr uint8_t kSentinel = 0xA5;

// A w x h view at (margin, margin) of a larger body; every byte of the store
// outside the view keeps kSentinel unless a blit writes it.
struct Canvas {
    DuRud::MEMIMG whole{};
    DuRud::MEMIMG view{};
    int bpp = 0;
    int colorType = 0;

    Canvas(int w, int h, int type, bool alpha = false, bool palette = false,
           uint32_t transparent = 0, int margin = 3, int extraPitch = 6) {
        colorType = type;
        const int bw = w + 2 * margin;
        const int bh = h + 2 * margin;
        bpp = palette                         ? 1
              : type == DuRud::kMemImgColor32 ? 4
              : type == DuRud::kMemImgSingle8 ? 1
              : alpha                         ? 4
                                              : 2;
        const int pitch = bw * bpp + extraPitch;
        EXPECT_EQ(DuRud::SetupMemImg(&whole, bw, bh, pitch, transparent, type, palette, alpha, 1,
                                     nullptr),
                  0);
        std::memset(whole.body->pixelStore, kSentinel, size_t(pitch) * bh);
        EXPECT_EQ(DuRud::ViewMemImg(&view, &whole, margin, margin, w, h), 0);
    }
    ~Canvas() {
        DuRud::DropMemImg(&view);
        DuRud::DropMemImg(&whole);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    DuRud::MemImgBody* body() const { return whole.body; }
    int w() const { return view.width; }
    int h() const { return view.height; }
    uint8_t* At(int x, int y) const {
        return view.pixels + ptrdiff_t(y) * body()->pitch + ptrdiff_t(x) * bpp;
    }
    uint32_t Get(int x, int y) const {
        uint32_t v = 0;
        std::memcpy(&v, At(x, y), bpp);
        return v;
    }
    void Put(int x, int y, uint32_t v) const { std::memcpy(At(x, y), &v, bpp); }
    void Fill(uint32_t v) const {
        for (int y = 0; y < h(); ++y)
            for (int x = 0; x < w(); ++x) Put(x, y, v);
    }
    std::vector<uint8_t> Store() const {
        const uint8_t* p = body()->pixelStore;
        return std::vector<uint8_t>(p, p + size_t(body()->pitch) * body()->height);
    }
    uint32_t PaletteEntry(uint32_t i) const {
        uint32_t v = 0;
        std::memcpy(&v, body()->palette + i * (colorType == DuRud::kMemImgColor16 ? 2 : 4),
                    colorType == DuRud::kMemImgColor16 ? 2 : 4);
        return v;
    }

    // Random pixels; about one in four equals the transparent colour (or has
    // alpha 0), one in four has alpha 255.
    void Randomize(std::mt19937& rng) const {
        std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFFFFu);
        const uint32_t tc = body()->transparentColor;
        if (body()->paletteFlag == 1) {
            const int unit = colorType == DuRud::kMemImgColor16 ? 2 : 4;
            for (int i = 0; i < 256; ++i) {
                const uint32_t e = unit == 2 ? any(rng) & 0xFFFF : any(rng) & 0xFFFFFF;
                std::memcpy(body()->palette + i * unit, &e, unit);
            }
            body()->paletteEntriesUsed = 256;
        }
        for (int y = 0; y < h(); ++y) {
            for (int x = 0; x < w(); ++x) {
                uint32_t v = any(rng);
                const uint32_t pick = any(rng) % 4;
                if (body()->alphaFlag == 1) {
                    const int shift = colorType == DuRud::kMemImgColor32 ? 24 : 16;
                    if (pick == 0) v &= ~(0xFFu << shift);
                    if (pick == 1) v |= 0xFFu << shift;
                } else if (pick == 0) {
                    v = tc;
                }
                Put(x, y, v);
            }
        }
    }

    // The run table over this view, built from the documented format.
    void BuildRunTable() const {
        DuRud::MemImgBody* b = body();
        ASSERT_NE(b->runTable, nullptr);
        uint8_t* out = b->runTable;
        for (int y = 0; y < h(); ++y) {
            int x = 0;
            while (x < w()) {
                const int kind = Classify(x, y);
                int n = 1;
                while (x + n < w() && n < 64 && Classify(x + n, y) == kind) ++n;
                *out++ = uint8_t(kind << 6 | (n - 1));
                x += n;
            }
            *out++ = DuRud::kMemImgRunLineEnd;
        }
        b->runTableValid = 1;
        b->runTablePixels = view.pixels;
        b->runTableWidth = w();
        b->runTableHeight = h();
    }
    int Classify(int x, int y) const {
        const DuRud::MemImgBody* b = body();
        const uint32_t v = Get(x, y);
        if (b->paletteFlag == 1) return (v & 0xFF) == b->transparentColor ? 0 : 1;
        if (b->alphaFlag == 1) {
            const uint32_t a = colorType == DuRud::kMemImgColor32 ? v >> 24 : (v >> 16) & 0xFF;
            return a == 0 ? 0 : a == 255 ? 1 : 2;
        }
        return v == b->transparentColor ? 0 : 1;
    }
};

struct DrawState {
    int mode = 0;
    int p = 255;
    uint32_t bright = 0xFFFFFF;
    RECT area{0, 0, 1 << 20, 1 << 20};
};

inline void ApplyDrawState(const DrawState& s) {
    DuRud::SetMemImgBlendMode(s.mode, s.p);
    DuRud::SetMemImgDrawBright(s.bright);
    DuRud::SetMemImgDrawArea(&s.area);
}

// Forces the MMX flag for the scope, then releases it.
struct ScopedMmx {
    explicit ScopedMmx(int on) { DuRud::ForceMmxAvailable(on); }
    ~ScopedMmx() { DuRud::ForceMmxAvailable(-1); }
};

// Tables and a default state; every blitter test starts from this.
class SoftBlitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DuRud::BuildMemImgBlendTables();
        DuRud::BuildMemImgBlendImageTable(0, 255);
        ApplyDrawState(DrawState{});
    }
    void TearDown() override {
        ApplyDrawState(DrawState{});
        DuRud::ForceMmxAvailable(-1);
    }
};

}  // namespace softblit
