// Reading and writing the colour and depth formats of surfaces and textures
// as 8-bit ARGB: narrow channels widen by bit replication and narrow by
// round(v * max / 255); formats without alpha read alpha as 255.
#pragma once

#include <cstdint>
#include <cstring>

#include "eight_bit_math.h"
#include "raster.h"

namespace platform::raster {

// Bytes per pixel of a colour or depth format; 0 when not supported.
int FormatBytesPerPixel(uint32_t format);
bool IsColourFormat(uint32_t format);
bool IsDepthFormat(uint32_t format);
bool FormatHasAlpha(uint32_t format);

inline int Widen5(uint32_t v) {
    return int((v << 3) | (v >> 2));
}
inline int Widen6(uint32_t v) {
    return int((v << 2) | (v >> 4));
}
inline int Widen4(uint32_t v) {
    return int(v * 17);
}
inline uint32_t Narrow(int v, int max) {
    return uint32_t(Div255(v * max));
}

inline uint32_t ReadArgb(const uint8_t* p, uint32_t format) {
    switch (format) {
        case kFormatA8R8G8B8: {
            uint32_t c;
            std::memcpy(&c, p, 4);
            return c;
        }
        case kFormatX8R8G8B8: {
            uint32_t c;
            std::memcpy(&c, p, 4);
            return c | 0xFF000000u;
        }
        default:
            break;
    }
    uint16_t w;
    std::memcpy(&w, p, 2);
    int a = 255, r, g, b;
    switch (format) {
        case kFormatR5G6B5:
            r = Widen5(w >> 11), g = Widen6((w >> 5) & 63), b = Widen5(w & 31);
            break;
        case kFormatX1R5G5B5:
            r = Widen5((w >> 10) & 31), g = Widen5((w >> 5) & 31), b = Widen5(w & 31);
            break;
        case kFormatA1R5G5B5:
            a = (w & 0x8000) ? 255 : 0;
            r = Widen5((w >> 10) & 31), g = Widen5((w >> 5) & 31), b = Widen5(w & 31);
            break;
        case kFormatA4R4G4B4:
            a = Widen4(w >> 12), r = Widen4((w >> 8) & 15), g = Widen4((w >> 4) & 15),
            b = Widen4(w & 15);
            break;
        default:
            return 0xFF000000u;
    }
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Writes an ARGB colour; formats without alpha keep no alpha (their X bits
// are written as 1, as the hardware reads them).
inline void WriteArgb(uint8_t* p, uint32_t format, uint32_t c) {
    if (format == kFormatA8R8G8B8) {
        std::memcpy(p, &c, 4);
        return;
    }
    if (format == kFormatX8R8G8B8) {
        c |= 0xFF000000u;
        std::memcpy(p, &c, 4);
        return;
    }
    int a = int(c >> 24), r = int((c >> 16) & 255), g = int((c >> 8) & 255), b = int(c & 255);
    uint32_t w;
    switch (format) {
        case kFormatR5G6B5:
            w = (Narrow(r, 31) << 11) | (Narrow(g, 63) << 5) | Narrow(b, 31);
            break;
        case kFormatX1R5G5B5:
            w = 0x8000u | (Narrow(r, 31) << 10) | (Narrow(g, 31) << 5) | Narrow(b, 31);
            break;
        case kFormatA1R5G5B5:
            w = (Narrow(a, 1) << 15) | (Narrow(r, 31) << 10) | (Narrow(g, 31) << 5) | Narrow(b, 31);
            break;
        case kFormatA4R4G4B4:
            w = (Narrow(a, 15) << 12) | (Narrow(r, 15) << 8) | (Narrow(g, 15) << 4) | Narrow(b, 15);
            break;
        default:
            return;
    }
    uint16_t h = uint16_t(w);
    std::memcpy(p, &h, 2);
}

// Depth values as unsigned integers of the format's width; the 24-bit
// formats keep depth in the high bits and stencil or padding in the low 8.
inline uint32_t ReadDepth(const uint8_t* p, uint32_t format) {
    if (format == kFormatD16) {
        uint16_t d;
        std::memcpy(&d, p, 2);
        return d;
    }
    uint32_t d;
    std::memcpy(&d, p, 4);
    return format == kFormatD32 ? d : (d >> 8);  // 24-bit depth sits above the stencil byte
}

inline void WriteDepth(uint8_t* p, uint32_t format, uint32_t d) {
    if (format == kFormatD16) {
        uint16_t h = uint16_t(d);
        std::memcpy(p, &h, 2);
        return;
    }
    if (format != kFormatD32) {
        uint32_t old;
        std::memcpy(&old, p, 4);
        d = (old & 0xFFu) | (d << 8);  // keep the stencil / X byte
    }
    std::memcpy(p, &d, 4);
}

// A depth in [0, 1] quantised to the format: round(z * max).
inline uint32_t QuantiseDepth(double z, uint32_t format) {
    if (!(z >= 0.0)) z = 0.0;
    if (z > 1.0) z = 1.0;
    double max =
        format == kFormatD16 ? 65535.0 : (format == kFormatD32 ? 4294967295.0 : 16777215.0);
    return uint32_t(z * max + 0.5);
}

}  // namespace platform::raster
