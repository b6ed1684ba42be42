// A slow per-pixel model of the textured plain copy, written with run-time
// branches straight from the rules of each flag combination, against which
// every specialised loop is compared.
#pragma once

#include <cstdint>
#include <cstring>

namespace shapetest {

enum RefKind { kDirect16, kAlpha16, kDirect32, kAlpha32, kPalette16, kPalette32 };

struct RefFlags {
    RefKind kind;
    bool blend;
    bool trans;
    uint32_t bright;
    uint32_t transColor;
};

inline bool RefIs32(RefKind k) {
    return k == kDirect32 || k == kAlpha32 || k == kPalette32;
}

// texel: the stored bytes at (tx, ty); palette: the source palette; factor:
// the blend-image factor of that texel; d: the destination pixel.
inline uint32_t RefPlainCopy(const RefFlags& f, const uint8_t* texel, const uint8_t* palette,
                             int factor, uint32_t d) {
    const bool is32 = RefIs32(f.kind);
    const bool hasAlpha = f.kind == kAlpha16 || f.kind == kAlpha32;
    uint32_t raw = 0;
    int rawSize = f.kind == kPalette16 || f.kind == kPalette32 ? 1 : (f.kind == kDirect16 ? 2 : 4);
    std::memcpy(&raw, texel, rawSize);
    const int a = f.kind == kAlpha16 ? texel[2] : f.kind == kAlpha32 ? texel[3] : 255;
    bool alphaPath = false;
    if (hasAlpha) {
        if (f.trans && a == 0) return d;
        alphaPath = !f.trans || a != 255;
    } else if (f.trans && raw == f.transColor) {
        return d;
    }
    uint32_t entry = raw;
    if (f.kind == kPalette16)
        entry = uint32_t(palette[2 * raw]) | uint32_t(palette[2 * raw + 1]) << 8;
    if (f.kind == kPalette32) std::memcpy(&entry, palette + 4 * raw, 4);
    if (f.kind == kAlpha16) entry &= 0xFFFF;

    int s[3], dc[3];  // blue, green, red
    if (is32) {
        for (int c = 0; c < 3; ++c) {
            s[c] = (entry >> (8 * c)) & 255;
            dc[c] = (d >> (8 * c)) & 255;
        }
    } else {
        s[0] = entry & 31, s[1] = (entry >> 5) & 63, s[2] = (entry >> 11) & 31;
        dc[0] = d & 31, dc[1] = (d >> 5) & 63, dc[2] = (d >> 11) & 31;
    }
    const bool white = (f.bright & 0xFFFFFF) == 0xFFFFFF;
    if (!white)
        for (int c = 0; c < 3; ++c) s[c] = s[c] * int((f.bright >> (8 * c)) & 255) / 255;

    int out[3];
    if (!f.blend && !alphaPath) {
        if (white) return entry;
        for (int c = 0; c < 3; ++c) out[c] = s[c];
    } else {
        for (int c = 0; c < 3; ++c) {
            if (!f.blend)
                out[c] = ((s[c] - dc[c]) * a + dc[c] * 256) >> 8;
            else if (!alphaPath)
                out[c] = ((s[c] - dc[c]) * factor + dc[c] * 256) >> 8;
            else
                out[c] = (int64_t(s[c] - dc[c]) * factor * a + int64_t(dc[c]) * 65536) >> 16;
        }
    }
    if (is32)
        return (d & 0xFF000000u) | uint32_t(out[2]) << 16 | uint32_t(out[1]) << 8 |
               uint32_t(out[0]);
    return uint32_t(out[2]) << 11 | uint32_t(out[1]) << 5 | uint32_t(out[0]);
}

}  // namespace shapetest
