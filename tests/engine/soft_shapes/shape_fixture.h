// Images, draw-state set-up and pixel access shared by the shape tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/memimg.h"
#include "soft/memimg_renderer.h"

namespace shapetest {

using namespace DuRud;

// A MEMIMG with its own store, dropped with the object.
struct Image {
    MEMIMG m{};
    int bpp = 0;
    Image(int w, int h, int colorType, int palette = 0, int alpha = 0, uint32_t transparent = 0) {
        EXPECT_EQ(SetupMemImg(&m, w, h, -1, transparent, colorType, palette, alpha, 0, nullptr), 0);
        bpp = m.body ? m.body->colorFormat->bytesPerPixel : 0;
        if (m.body && m.body->pixelStore)
            std::memset(m.body->pixelStore, 0, size_t(m.body->pitch) * size_t(h));
        if (m.body && m.body->palette) std::memset(m.body->palette, 0, 2048);
    }
    ~Image() { DropMemImg(&m); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    uint8_t* At(int x, int y) const {
        return m.pixels + intptr_t(y) * m.body->pitch + intptr_t(x) * bpp;
    }
    uint32_t Get(int x, int y) const {
        uint32_t v = 0;
        std::memcpy(&v, At(x, y), bpp);
        return v;
    }
    void Set(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, bpp); }
    void Fill(uint32_t v) {
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x) Set(x, y, v);
    }
    void SetPalette(int i, uint32_t v) {
        std::memcpy(m.body->palette + i * (m.body->colorType == kMemImgColor16 ? 2 : 4), &v,
                    m.body->colorType == kMemImgColor16 ? 2 : 4);
    }
    std::vector<uint32_t> Pixels() const {
        std::vector<uint32_t> out;
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x) out.push_back(Get(x, y));
        return out;
    }
};

class ShapeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { BuildMemImgBlendTables(); }
    void SetUp() override {
        SetArea(0, 0, 4096, 4096);
        SetMemImgBlendMode(0, 255);
        SetMemImgDrawBright(0xFFFFFF);
        for (int i = 0; i < 256; ++i) MemImgBlendImageTable[i] = uint8_t(i);
    }
    void TearDown() override {
        SetArea(0, 0, 0, 0);
        SetMemImgBlendMode(0, 255);
        SetMemImgDrawBright(0xFFFFFF);
        std::memset(MemImgBlendImageTable, 0, 256);
    }
    static void SetArea(int l, int t, int r, int b) {
        const RECT rc{l, t, r, b};
        SetMemImgDrawArea(&rc);
    }
};

// Every texel of a 32-bit direct source distinct: 0x01 y x in bytes 2..0.
inline void FillUnique32(Image& src) {
    for (int y = 0; y < src.m.height; ++y)
        for (int x = 0; x < src.m.width; ++x)
            src.Set(x, y, 0xA0000000u | (uint32_t(y) << 8) | uint32_t(x));
}
inline uint32_t Unique32(int x, int y) {
    return 0xA0000000u | (uint32_t(y) << 8) | uint32_t(x);
}

// An axis-aligned quad of the whole source with its top-left at (x, y).
inline void DrawBox(Image& dest, const Image& src, int x, int y, int trans = 0,
                    const MEMIMG* blend = nullptr) {
    const int32_t w = src.m.width, h = src.m.height;
    const int32_t c[8] = {x, y, x + w, y, x, y + h, x + w, y + h};
    MemImgQuad(&dest.m, &src.m, c, trans, blend);
}

}  // namespace shapetest
