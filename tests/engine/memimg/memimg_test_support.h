// Small records and readers shared by the MEMIMG tests.
#pragma once

#include <cstring>
#include <vector>

#include "image/memimg.h"

namespace memimgtest {

// A BaseImage whose pixels are freed with it.
struct Picture {
    DuRud::BaseImage image{};
    Picture(int width, int height, void (*setFormat)(DuRud::ColorFormat*)) {
        DuRud::ColorFormat f{};
        setFormat(&f);
        DuRud::CreateBaseImage(width, height, &f, &image);
    }
    ~Picture() { DuRud::FreeBaseImagePixels(&image); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    void Set32(int x, int y, uint32_t v) {
        std::memcpy(static_cast<uint8_t*>(image.pixels) + y * image.pitch + 4 * x, &v, 4);
    }
    void Set8(int x, int y, uint8_t v) {
        static_cast<uint8_t*>(image.pixels)[y * image.pitch + x] = v;
    }
};

inline void FormatX8R8G8B8(DuRud::ColorFormat* f) {
    DuRud::SetColorFormatX8R8G8B8(f);
}
inline void FormatA8R8G8B8(DuRud::ColorFormat* f) {
    DuRud::SetColorFormatA8R8G8B8(f);
}
inline void FormatPal8(DuRud::ColorFormat* f) {
    DuRud::SetColorFormatPal8(f);
}
inline void FormatGray8(DuRud::ColorFormat* f) {
    DuRud::SetColorFormatGray8(f);
}

// The draw state as the process starts with it.
inline void ResetMemImgDrawState() {
    const RECT none{0, 0, 0, 0};
    DuRud::SetMemImgDrawArea(&none);
    DuRud::SetMemImgBlendMode(0, 255);
    DuRud::SetMemImgDrawBright(0xFFFFFF);
    DuRud::SetMemImgDefaultColorType(DuRud::kMemImgColor32);
    std::memset(DuRud::MemImgBlendImageTable, 0, sizeof(DuRud::MemImgBlendImageTable));
}

// Pixel readers and writers on a record (its own coordinates, the body's pitch).
inline uint8_t* PixelAt(const DuRud::MEMIMG& m, int x, int y) {
    return m.pixels + int64_t(y) * m.body->pitch + int64_t(x) * m.body->colorFormat->bytesPerPixel;
}
inline uint32_t Get(const DuRud::MEMIMG& m, int x, int y) {
    return DuRud::ReadPixelValue(PixelAt(m, x, y), m.body->colorFormat->bytesPerPixel);
}
inline void Put(const DuRud::MEMIMG& m, int x, int y, uint32_t v) {
    DuRud::WritePixelValue(PixelAt(m, x, y), m.body->colorFormat->bytesPerPixel, v);
}
inline uint32_t AlphaPlaneAt(const DuRud::MEMIMG& m, int x, int y) {
    return DuRud::ReadPixelValue(m.alphaPixels + int64_t(y) * m.body->pitch + 4 * x, 4);
}
// Pixels x0..x0+n-1 of row y, to compare a row in one assertion.
inline std::vector<uint32_t> RowOf(const DuRud::MEMIMG& m, int y, int n, int x0 = 0) {
    std::vector<uint32_t> out;
    for (int x = x0; x < x0 + n; ++x) out.push_back(Get(m, x, y));
    return out;
}
// The run table from its start up to and including the n-th line end.
inline std::vector<uint8_t> RunLines(const DuRud::MEMIMG& m, int lines) {
    std::vector<uint8_t> out;
    const uint8_t* p = m.body->runTable;
    const uint8_t* end = p + (int64_t(m.body->width) + 5) * m.body->height;
    while (lines > 0 && p < end) {
        out.push_back(*p);
        if (*p++ == DuRud::kMemImgRunLineEnd) --lines;
    }
    return out;
}

}  // namespace memimgtest
