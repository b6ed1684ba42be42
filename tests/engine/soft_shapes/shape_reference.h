// A slow per-pixel model of the textured blend modes (0-4, 10, 11) and of the
// one-colour combine, written with run-time branches and plain divisions
// straight from the rules of each flag combination, against which every
// specialised loop is compared. The packed additions and subtractions are
// modelled channel by channel from their carry and borrow rules.
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
    int mode = 0;
    int p = 255;
};

inline bool RefIs32(RefKind k) {
    return k == kDirect32 || k == kAlpha32 || k == kPalette32;
}

// Channels are indexed 0 blue, 1 green, 2 red.
struct RefChannels {
    int v[3];
};

inline int RefMax(bool is32, int ch) {
    return is32 ? 255 : (ch == 1 ? 63 : 31);
}

inline RefChannels RefUnpack(bool is32, uint32_t w) {
    if (is32) return {{int(w & 255), int((w >> 8) & 255), int((w >> 16) & 255)}};
    return {{int(w & 31), int((w >> 5) & 63), int((w >> 11) & 31)}};
}

// Byte 3 comes from keep (32-bit only).
inline uint32_t RefPack(bool is32, const RefChannels& c, uint32_t keep) {
    if (is32)
        return (keep & 0xFF000000u) | uint32_t(c.v[2]) << 16 | uint32_t(c.v[1]) << 8 |
               uint32_t(c.v[0]);
    return uint32_t(c.v[2]) << 11 | uint32_t(c.v[1]) << 5 | uint32_t(c.v[0]);
}

inline int RefBrightByte(uint32_t bright, int ch) {
    return int((bright >> (8 * ch)) & 255);
}
inline bool RefWhite(uint32_t bright) {
    return (bright & 0xFFFFFF) == 0xFFFFFF;
}

// Saturating addition, channel by channel. 32-bit: each channel's exact sum,
// the fourth byte the carry out of red. 16-bit: green and red add their
// upper bits, their lowest bit is the OR of both lowest bits and the carry
// from below.
inline uint32_t RefAdd(bool is32, uint32_t d, uint32_t t) {
    const RefChannels dc = RefUnpack(is32, d), tc = RefUnpack(is32, t);
    RefChannels out;
    if (is32) {
        for (int ch = 0; ch < 3; ++ch) out.v[ch] = std::min(255, dc.v[ch] + tc.v[ch]);
        return RefPack(is32, out, 0) | (dc.v[2] + tc.v[2] > 255 ? 0x01000000u : 0u);
    }
    const int bsum = dc.v[0] + tc.v[0];
    out.v[0] = bsum > RefMax(is32, 0) ? RefMax(is32, 0) : bsum;
    bool carry = bsum > RefMax(is32, 0);
    for (int ch = 1; ch < 3; ++ch) {
        const int upper = (dc.v[ch] >> 1) + (tc.v[ch] >> 1);
        const int limit = RefMax(is32, ch) >> 1;
        const int low = ((dc.v[ch] | tc.v[ch]) & 1) | (carry ? 1 : 0);
        carry = upper > limit;
        // A 16-bit saturated green keeps its computed lowest bit; red and
        // 32-bit channels fill with ones.
        if (carry)
            out.v[ch] = (!is32 && ch == 1) ? (62 | low) : RefMax(is32, ch);
        else
            out.v[ch] = 2 * upper + low;
    }
    uint32_t r = RefPack(is32, out, 0);
    if (is32 && carry) r |= 0x01000000u;
    return r;
}

// Saturating subtraction, channel by channel: green and red subtract their
// upper bits and stop at 0; otherwise their lowest bit says the channel below
// did not borrow (16-bit green's lowest bit is always 0). A 32-bit pixel's
// fourth byte becomes 0.
inline uint32_t RefSubtract(bool is32, uint32_t d, uint32_t t) {
    const RefChannels dc = RefUnpack(is32, d), tc = RefUnpack(is32, t);
    RefChannels out;
    out.v[0] = dc.v[0] > tc.v[0] ? dc.v[0] - tc.v[0] : 0;
    bool borrow = dc.v[0] < tc.v[0];
    for (int ch = 1; ch < 3; ++ch) {
        const int diff = (dc.v[ch] >> 1) - (tc.v[ch] >> 1);
        const int low = (!is32 && ch == 1) ? 0 : (borrow ? 0 : 1);
        out.v[ch] = diff < 0 ? 0 : 2 * diff + low;
        borrow = diff < 0;
    }
    return RefPack(is32, out, 0);
}

// p * delta / 255 toward zero; C++ division truncates.
inline int RefSigned(int p, int delta) {
    return p * delta / 255;
}

// The alpha blend's four mixes towards v (mode 1, 10 and 11).
inline int RefParameterMix(bool is32, bool blend, bool alphaPath, int v, int d, int p, int f,
                           int a) {
    const int64_t delta = v - d;
    if (!blend && !alphaPath) {
        if (!is32) return d + RefSigned(p, int(delta));
        return int((delta * p + int64_t(d) * 256) >> 8);  // arithmetic: never negative
    }
    if (!blend) return int((delta * a * p + int64_t(d) * 65536) / 65536);
    if (!alphaPath) return int((delta * f * p + int64_t(d) * 65536) / 65536);
    return int((delta * f * a * p + int64_t(d) * 16777216) / 16777216);
}

// What one texel does to the destination pixel d under the flags' blend mode.
// texel: the stored bytes at (tx, ty); palette: the source palette; factor:
// the blend-image factor of that texel.
inline uint32_t RefTextured(const RefFlags& f, const uint8_t* texel, const uint8_t* palette,
                            int factor, uint32_t d) {
    int mode = f.mode;
    const int p = f.p;
    const bool paletted = f.kind == kPalette16 || f.kind == kPalette32;
    if (mode == 1 && p == 255) mode = 0;
    if ((mode == 1 || mode == 2) && p == 0) return d;
    if (mode == 3 && p == 0 && !paletted) return d;
    if (mode != 0 && mode != 1 && mode != 2 && mode != 3 && mode != 4 && mode != 10 && mode != 11)
        return d;

    const bool is32 = RefIs32(f.kind);
    const bool hasAlpha = f.kind == kAlpha16 || f.kind == kAlpha32;
    uint32_t raw = 0;
    const int rawSize = paletted ? 1 : (f.kind == kDirect16 ? 2 : 4);
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

    const bool white = RefWhite(f.bright);
    const RefChannels src = RefUnpack(is32, entry);
    const RefChannels dc = RefUnpack(is32, d);
    auto light = [&](int ch, int x) { return white ? x : x * RefBrightByte(f.bright, ch) / 255; };
    RefChannels lit;
    for (int ch = 0; ch < 3; ++ch) lit.v[ch] = light(ch, src.v[ch]);

    RefChannels out;
    switch (mode) {
        case 0:
            if (!f.blend && !alphaPath) {
                if (white) return entry;
                return RefPack(is32, lit, d);
            }
            for (int ch = 0; ch < 3; ++ch) {
                const int s = lit.v[ch], dd = dc.v[ch];
                if (!f.blend)
                    out.v[ch] = ((s - dd) * a + dd * 256) >> 8;
                else if (!alphaPath)
                    out.v[ch] = ((s - dd) * factor + dd * 256) >> 8;
                else
                    out.v[ch] = int((int64_t(s - dd) * factor * a + int64_t(dd) * 65536) >> 16);
            }
            return RefPack(is32, out, d);
        case 1:
            for (int ch = 0; ch < 3; ++ch)
                out.v[ch] =
                    RefParameterMix(is32, f.blend, alphaPath, lit.v[ch], dc.v[ch], p, factor, a);
            return RefPack(is32, out, d);
        case 10:
            for (int ch = 0; ch < 3; ++ch) {
                const int inverted = light(ch, RefMax(is32, ch) - src.v[ch]);
                out.v[ch] =
                    RefParameterMix(is32, f.blend, alphaPath, inverted, dc.v[ch], p, factor, a);
            }
            return RefPack(is32, out, d);
        case 11:
            for (int ch = 0; ch < 3; ++ch) {
                const int width = is32 ? 8 : (ch == 1 ? 6 : 5);
                const int m = (lit.v[ch] * dc.v[ch]) >> width;
                out.v[ch] = RefParameterMix(is32, f.blend, alphaPath, m, dc.v[ch], p, factor, a);
                if (!is32 && ch == 1 && !f.blend && white && alphaPath) {
                    // Green with five more fraction bits.
                    const int64_t fine = (lit.v[1] * dc.v[1]) / 2 - 32 * dc.v[1];
                    const int64_t num = fine * a * p + int64_t(dc.v[1]) * 2097152;
                    out.v[1] = int(num / 2097152);
                }
            }
            return RefPack(is32, out, d);
        case 4:
            for (int ch = 0; ch < 3; ++ch) {
                const int width = is32 ? 8 : (ch == 1 ? 6 : 5);
                uint64_t prod = uint64_t(lit.v[ch]) * uint64_t(dc.v[ch]);
                int shift = width;
                if (f.blend) prod *= uint64_t(factor), shift += 8;
                if (alphaPath) prod *= uint64_t(a), shift += 8;
                out.v[ch] = int(prod >> shift);
            }
            return RefPack(is32, out, d);
        default: {  // 2 and 3: the term
            RefChannels term;
            for (int ch = 0; ch < 3; ++ch) {
                const int c = src.v[ch], s = lit.v[ch];
                const int64_t P = p;
                int64_t t;
                // The parameter's row: p * x / 255 to the nearest.
                auto row = [&](int64_t x) { return (x * P + 127) / 255; };
                if (!is32) {
                    if (!f.blend && !alphaPath)
                        t = row(s);
                    else if (!f.blend)
                        t = row(light(ch, c * a / 256));  // alpha before brightness
                    else if (!alphaPath)
                        t = row(s * factor / 256);
                    else
                        t = row(int64_t(s) * factor * a / 65536);
                } else {
                    if (!f.blend && !alphaPath)
                        t = row(s);
                    else if (!f.blend)
                        t = int64_t(s) * a * P / 65536;
                    else if (!alphaPath)
                        t = int64_t(s) * factor * P / 65536;
                    else
                        t = int64_t(s) * factor * a * P / 16777216;
                }
                term.v[ch] = int(t);
            }
            const uint32_t packed = RefPack(is32, term, 0);
            return mode == 2 ? RefAdd(is32, d, packed) : RefSubtract(is32, d, packed);
        }
    }
}

// The plain copy alone (mode 0).
inline uint32_t RefPlainCopy(const RefFlags& f, const uint8_t* texel, const uint8_t* palette,
                             int factor, uint32_t d) {
    RefFlags zero = f;
    zero.mode = 0;
    return RefTextured(zero, texel, palette, factor, d);
}

// The one-colour combine of a lit colour c with the destination pixel d;
// nothing drawn gives d back.
inline uint32_t RefFlat(bool is32, int mode, int p, uint32_t c, uint32_t d) {
    if (mode == 1 && p == 255) mode = 0;
    if ((mode == 1 || mode == 2 || mode == 3) && p == 0) return d;
    if (!is32) c &= 0xFFFF;
    const RefChannels cc = RefUnpack(is32, c), dc = RefUnpack(is32, d);
    RefChannels out;
    switch (mode) {
        case 0:
            return c;
        case 2:
        case 3: {
            RefChannels e;
            for (int ch = 0; ch < 3; ++ch) e.v[ch] = (cc.v[ch] * p + 127) / 255;  // to the nearest
            const uint32_t packed = RefPack(is32, e, 0);
            return mode == 2 ? RefAdd(is32, d, packed) : RefSubtract(is32, d, packed);
        }
        case 1:
        case 4:
        case 10:
        case 11:
            for (int ch = 0; ch < 3; ++ch) {
                const int width = is32 ? 8 : (ch == 1 ? 6 : 5);
                const int dd = dc.v[ch];
                int v = cc.v[ch];
                if (mode == 4) {
                    out.v[ch] = (dd * v) >> width;
                    continue;
                }
                if (mode == 10) v = RefMax(is32, ch) - v;
                if (mode == 11) v = (dd * v) >> width;
                out.v[ch] = is32 ? ((v - dd) * p + dd * 256) >> 8 : dd + RefSigned(p, v - dd);
            }
            return RefPack(is32, out, d);
        default:
            return d;
    }
}

}  // namespace shapetest
