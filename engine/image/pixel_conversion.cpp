// ConvertPixelRect: the one routine that copies a rectangle of pixels from
// any plain colour format into any other. The first path that matches the
// formats and options runs; the generic path handles everything.
#include <algorithm>
#include <cstring>

#include "image/pixel_conversion.h"
#include "image/pixel_pairs.h"

namespace DuRud {
namespace {

constexpr uint8_t kBayer4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

uint64_t LowBits(int width) {
    return width >= 64 ? ~0ull : (uint64_t{1} << width) - 1;
}

bool PlainReadable(const ColorFormat& f) {
    return f.formatCode == kFormatPlain && f.bytesPerPixel >= 1 && f.bytesPerPixel <= 4;
}

uint32_t ColorMasks(const ColorFormat& f) {
    return f.redMask | f.greenMask | f.blueMask;
}
uint32_t AllMasks(const ColorFormat& f) {
    return ColorMasks(f) | f.alphaMask;
}

uint32_t Extract(uint32_t v, uint32_t mask, int shift) {
    return shift >= 32 ? 0 : (v & mask) >> shift;
}

// A channel of srcWidth bits brought to destWidth bits: narrowing drops low
// bits (kept for dithering), widening shifts and adds the scaled remainder.
struct Resized {
    uint32_t value;
    uint32_t dropped;  // bits the narrowing removed
    int droppedBits;   // 0 when not narrowed
};

Resized Resize(uint32_t v, int srcWidth, int destWidth) {
    if (srcWidth == 0) return {0, 0, 0};  // absent channel reads 0
    if (destWidth == srcWidth) return {v, 0, 0};
    if (destWidth < srcWidth) {
        const int d = srcWidth - destWidth;
        return {uint32_t(uint64_t(v) >> d), uint32_t(v & LowBits(d)), d};
    }
    const int d = destWidth - srcWidth;
    const uint64_t widened = (uint64_t(v) << d) + uint64_t(v) * LowBits(d) / LowBits(srcWidth);
    return {uint32_t(widened), 0, 0};
}

// Resize for one channel of a whole call: a table for channels up to 8 bits
// wide (the common case), the arithmetic above otherwise.
class ChannelMap {
  public:
    ChannelMap(int srcWidth, int destWidth) : srcWidth_(srcWidth), destWidth_(destWidth) {
        table_ = srcWidth_ <= 8;
        if (!table_) return;
        for (uint32_t v = 0; v < (1u << srcWidth_); ++v) {
            const Resized r = Resize(v, srcWidth_, destWidth_);
            value_[v] = r.value;
            dropped_[v] = uint8_t(r.dropped);
            droppedBits_ = r.droppedBits;
        }
    }
    Resized operator()(uint32_t v) const {
        if (table_) return {value_[v & 0xFF], dropped_[v & 0xFF], droppedBits_};
        return Resize(v, srcWidth_, destWidth_);
    }

  private:
    int srcWidth_, destWidth_;
    bool table_ = false;
    int droppedBits_ = 0;
    uint32_t value_[256] = {};
    uint8_t dropped_[256] = {};
};

uint32_t ReadSource(const uint8_t* p, const ColorFormat& f) {
    const uint32_t v = ReadPixelValue(p, f.bytesPerPixel);
    return f.bytesPerPixel == 1 ? PaletteEntryValue(f.palette[v]) : v;
}

struct Options {
    bool mirror;
    bool colorKey;
    uint32_t transparent;
    int dither;
    bool colorClear;
    bool alphaFromRed;
    bool skip;
    bool remap;
    bool alphaFromImage;
    bool alphaImageGiven;
};

struct Surface {
    uint8_t* dest;
    int destPitch;
    const ColorFormat* df;
    const uint8_t* src;
    int srcPitch;
    const ColorFormat* sf;
    const uint8_t* alpha;
    int alphaPitch;
    const ColorFormat* af;
    int destX, destY;
    int left, top, width, height;

    uint8_t* DestPixel(int col, int row) const {
        return dest + int64_t(destY + row) * destPitch + int64_t(destX + col) * df->bytesPerPixel;
    }
    const uint8_t* SrcPixel(int col, int row) const {
        return src + int64_t(top + row) * srcPitch + int64_t(left + col) * sf->bytesPerPixel;
    }
    const uint8_t* AlphaPixel(int col, int row) const {
        return alpha + int64_t(top + row) * alphaPitch + int64_t(left + col) * af->bytesPerPixel;
    }
    // Destination column for source column i (mirroring runs right to left).
    int DestColumn(int i, bool mirror) const { return mirror ? width - 1 - i : i; }
};

int PaletteRemap(const Surface& s) {
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = s.sf->palette[i];
        table[i] = uint8_t(FindNearestPaletteIndex(s.df, e.red, e.green, e.blue));
    }
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* src = s.SrcPixel(0, y);
        uint8_t* dst = s.DestPixel(0, y);
        for (int x = 0; x < s.width; ++x) dst[x] = table[src[x]];
    }
    return 0;
}

// Channels below 8 bits are brought to 0..255 before the nearest-entry
// search so that 16-bit sources find the entries they look like.
int ToPaletteIndices(const Surface& s) {
    const ColorFormat& f = *s.sf;
    auto to8 = [](uint32_t v, int w) { return int(Resize(v, w, 8).value); };
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = ReadPixelValue(s.SrcPixel(x, y), f.bytesPerPixel);
            const int r = to8(Extract(v, f.redMask, f.redShift), f.redWidth);
            const int g = to8(Extract(v, f.greenMask, f.greenShift), f.greenWidth);
            const int b = to8(Extract(v, f.blueMask, f.blueShift), f.blueWidth);
            *s.DestPixel(x, y) = uint8_t(FindNearestPaletteIndex(s.df, r, g, b));
        }
    }
    return 0;
}

int CopyIndices(const Surface& s) {
    int largest = 0;
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* src = s.SrcPixel(0, y);
        std::memcpy(s.DestPixel(0, y), src, size_t(s.width));
        largest = std::max<int>(largest, *std::max_element(src, src + s.width));
    }
    return largest;
}

int SameLayoutCopy(const Surface& s, const Options& o) {
    const int bpp = s.sf->bytesPerPixel;
    const uint32_t widthMask = uint32_t(LowBits(8 * bpp));
    const uint32_t key = o.transparent & widthMask;
    for (int y = 0; y < s.height; ++y) {
        if (!o.mirror && !o.skip) {
            std::memcpy(s.DestPixel(0, y), s.SrcPixel(0, y), size_t(s.width) * bpp);
            continue;
        }
        for (int x = 0; x < s.width; ++x) {
            const uint8_t* sp = s.SrcPixel(x, y);
            if (o.skip && ReadPixelValue(sp, bpp) == key) continue;
            std::memcpy(s.DestPixel(s.DestColumn(x, o.mirror), y), sp, size_t(bpp));
        }
    }
    return 0;
}

int SkipToOpaqueAlpha(const Surface& s, const Options& o) {
    const uint32_t key = o.transparent & 0xFFFFFF;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = ReadPixelValue(s.SrcPixel(x, y), 4) & 0xFFFFFF;
            if (v != key) WritePixelValue(s.DestPixel(x, y), 4, v | 0xFF000000u);
        }
    }
    return 0;
}

int KeyToAlphaSameLayout(const Surface& s, const Options& o) {
    const ColorFormat& df = *s.df;
    const int bpp = df.bytesPerPixel;
    const uint32_t colors = ColorMasks(df);
    const uint32_t key =
        PackColorFormatColor(&df, int(o.transparent >> 16 & 0xFF), int(o.transparent >> 8 & 0xFF),
                             int(o.transparent & 0xFF), 255) &
        colors;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = ReadPixelValue(s.SrcPixel(x, y), s.sf->bytesPerPixel);
            const uint32_t out = (v & ~df.alphaMask) | ((v & colors) == key ? 0 : df.alphaMask);
            WritePixelValue(s.DestPixel(s.DestColumn(x, o.mirror), y), bpp, out);
        }
    }
    return 0;
}

struct ChannelPlan {
    uint32_t destMask;  // destination mask shifted down (the channel's maximum)
    int destShift;
    int destWidth;
};

int Generic(const Surface& s, const Options& o) {
    const ColorFormat& sf = *s.sf;
    const ColorFormat& df = *s.df;
    const bool srcPalette = sf.bytesPerPixel == 1;
    const uint32_t srcMasks = AllMasks(sf);
    const uint32_t skipKey =
        srcPalette ? (o.transparent & 0xFF)
                   : (o.transparent & uint32_t(LowBits(8 * sf.bytesPerPixel)) & srcMasks);

    // Colour key compared in the source's own channel values.
    uint32_t keyR = 0, keyG = 0, keyB = 0;
    if (o.colorKey) {
        const int tr = int(o.transparent >> 16 & 0xFF), tg = int(o.transparent >> 8 & 0xFF),
                  tb = int(o.transparent & 0xFF);
        if (srcPalette) {
            keyR = uint32_t(tr);
            keyG = uint32_t(tg);
            keyB = uint32_t(tb);
        } else {
            const uint32_t k = PackColorFormatColor(&sf, tr, tg, tb, 255);
            keyR = Extract(k, sf.redMask, sf.redShift);
            keyG = Extract(k, sf.greenMask, sf.greenShift);
            keyB = Extract(k, sf.blueMask, sf.blueShift);
        }
    }

    const ChannelPlan plan[4] = {
        {uint32_t(LowBits(df.redWidth)), df.redShift, df.redWidth},
        {uint32_t(LowBits(df.greenWidth)), df.greenShift, df.greenWidth},
        {uint32_t(LowBits(df.blueWidth)), df.blueShift, df.blueWidth},
        {uint32_t(LowBits(df.alphaWidth)), df.alphaShift, df.alphaWidth},
    };
    const bool destHasAlpha = df.alphaWidth != 0;
    const uint32_t fullAlpha = plan[3].destMask;
    const uint32_t unused = (df.bytesPerPixel == 2 || df.bytesPerPixel == 4) ? df.unusedMask : 0;
    const int alphaRedWidth = !s.af ? 0 : s.af->bytesPerPixel == 1 ? 8 : s.af->redWidth;
    const ChannelMap mapRed(sf.redWidth, df.redWidth), mapGreen(sf.greenWidth, df.greenWidth),
        mapBlue(sf.blueWidth, df.blueWidth), mapAlpha(sf.alphaWidth, df.alphaWidth),
        mapAlphaImage(alphaRedWidth, df.alphaWidth);

    // Without dithering or an alpha image a pixel's result is a function of
    // its value alone: a run of equal pixels (a fill, a flat background)
    // reuses the last result.
    const bool reuse = o.dither == kDitherNone && !o.alphaFromImage;
    for (int y = 0; y < s.height; ++y) {
        uint32_t carry[4] = {0, 0, 0, 0};
        bool haveLast = false;
        uint32_t lastValue = 0, lastWritten = 0;
        for (int x = 0; x < s.width; ++x) {
            const uint8_t* sp = s.SrcPixel(x, y);
            const uint32_t v = ReadSource(sp, sf);
            if (o.skip) {
                const uint32_t seen = srcPalette ? *sp : (v & srcMasks);
                if (seen == skipKey) continue;
            }
            uint8_t* dp = s.DestPixel(s.DestColumn(x, o.mirror), y);
            if (reuse && haveLast && v == lastValue) {
                if (df.bytesPerPixel == 1)
                    *dp = uint8_t(lastWritten);
                else
                    WritePixelValue(dp, df.bytesPerPixel, lastWritten);
                continue;
            }
            const uint32_t r = Extract(v, sf.redMask, sf.redShift);
            const uint32_t g = Extract(v, sf.greenMask, sf.greenShift);
            const uint32_t b = Extract(v, sf.blueMask, sf.blueShift);

            Resized ch[4] = {mapRed(r), mapGreen(g), mapBlue(b), {fullAlpha, 0, 0}};
            if (o.alphaFromRed) {
                ch[3] = {r, 0, 0};  // as it stands, not brought to the alpha width
            } else if (o.colorKey) {
                ch[3] = {(r == keyR && g == keyG && b == keyB) ? 0 : fullAlpha, 0, 0};
            } else if (o.alphaFromImage) {
                const uint32_t av = ReadSource(s.AlphaPixel(x, y), *s.af);
                ch[3] = mapAlphaImage(Extract(av, s.af->redMask, s.af->redShift));
            } else if (sf.alphaWidth != 0) {
                ch[3] = mapAlpha(Extract(v, sf.alphaMask, sf.alphaShift));
            }
            if (o.colorClear) {
                for (int c = 0; c < 3; ++c) ch[c] = {0, 0, 0};
            }
            if (o.dither == kDitherOrdered) {
                const uint32_t m = kBayer4[(x & 3) + 4 * (y & 3)];
                for (auto& c : ch) {
                    if (c.droppedBits == 0) continue;
                    const uint64_t threshold = ((uint64_t{1} << c.droppedBits) * m) >> 4;
                    if (threshold < c.dropped) ++c.value;
                }
            } else if (o.dither == kDitherCarry) {
                for (int k = 0; k < 4; ++k) {
                    if (ch[k].droppedBits == 0) continue;
                    const uint32_t mask = uint32_t(LowBits(ch[k].droppedBits));
                    carry[k] += ch[k].dropped;
                    if (carry[k] > mask) {
                        ++ch[k].value;
                        carry[k] &= mask;
                    }
                }
            }
            // Clamped to each channel's range (dither overflow, alpha from a
            // wider red).
            uint32_t out = unused;
            for (int k = 0; k < 3; ++k) {
                if (plan[k].destWidth == 0) continue;
                out |= std::min(ch[k].value, plan[k].destMask) << plan[k].destShift;
            }
            if (destHasAlpha) out |= std::min(ch[3].value, plan[3].destMask) << plan[3].destShift;

            uint32_t written = out;
            if (df.bytesPerPixel == 1) {
                // A palette destination takes the nearest entry.
                written = uint32_t(
                    FindNearestPaletteIndex(&df, int(Extract(out, df.redMask, df.redShift)),
                                            int(Extract(out, df.greenMask, df.greenShift)),
                                            int(Extract(out, df.blueMask, df.blueShift))));
                *dp = uint8_t(written);
            } else {
                WritePixelValue(dp, df.bytesPerPixel, out);
            }
            haveLast = true;
            lastValue = v;
            lastWritten = written;
        }
    }
    return 0;
}

}  // namespace

int ConvertPixelRect(void* destPixels, int destPitch, const ColorFormat* destFormat,
                     const void* srcPixels, int srcPitch, const ColorFormat* srcFormat,
                     const void* alphaPixels, int alphaPitch, const ColorFormat* alphaFormat,
                     int destX, int destY, const RECT* srcRect, int mirror, int colorKeyToAlpha,
                     uint32_t transparentColor, int ditherMode, int colorClear, int alphaFromRed,
                     int skipTransparent, int paletteRemap) {
    if (!destPixels || !destFormat || !srcPixels || !srcFormat || !srcRect) return -1;
    const ColorFormat& df = *destFormat;
    const ColorFormat& sf = *srcFormat;
    if (!PlainReadable(df) || !PlainReadable(sf)) return -1;
    // A null alpha-image format counts as no alpha image.
    const bool alphaGiven = alphaPixels && alphaFormat && PlainReadable(*alphaFormat);

    const bool destAlpha = df.alphaWidth != 0;
    const bool srcAlpha = sf.alphaWidth != 0;
    const bool alphaAvailable = destAlpha && (alphaGiven || srcAlpha);

    Options o{};
    o.alphaImageGiven = alphaGiven;
    o.alphaFromImage = destAlpha && alphaGiven && !srcAlpha;
    o.colorKey = colorKeyToAlpha && destAlpha && !alphaAvailable && !alphaFromRed;
    o.mirror = mirror != 0;
    o.skip = skipTransparent && !o.mirror;
    o.transparent = transparentColor;
    o.dither = ditherMode;
    o.colorClear = colorClear != 0;
    o.alphaFromRed = alphaFromRed != 0;
    o.remap = paletteRemap != 0;

    const int64_t width = int64_t(srcRect->right) - srcRect->left;
    const int64_t height = int64_t(srcRect->bottom) - srcRect->top;
    if (width <= 0 || height <= 0) return -1;

    Surface s{static_cast<uint8_t*>(destPixels),
              destPitch,
              destFormat,
              static_cast<const uint8_t*>(srcPixels),
              srcPitch,
              srcFormat,
              alphaGiven ? static_cast<const uint8_t*>(alphaPixels) : nullptr,
              alphaPitch,
              alphaGiven ? alphaFormat : nullptr,
              destX,
              destY,
              srcRect->left,
              srcRect->top,
              int(width),
              int(height)};

    const bool src8 = sf.bytesPerPixel == 1, dest8 = df.bytesPerPixel == 1;

    // 1. Palette remap between differing palettes.
    if (o.remap && src8 && dest8 && !o.mirror &&
        std::memcmp(sf.palette, df.palette, sizeof(sf.palette)) != 0) {
        return PaletteRemap(s);
    }
    // 2. Colours to palette indices.
    if (dest8 && !src8 && !o.alphaFromRed && !o.mirror) return ToPaletteIndices(s);
    // 3. Plain index copy.
    if (src8 && dest8 && !o.colorClear && !o.skip && !o.alphaFromRed && !o.mirror) {
        return CopyIndices(s);
    }
    // 4. Same layout.
    if (!o.colorKey && !o.alphaFromImage && !o.colorClear && !o.alphaFromRed &&
        sf.bitsPerPixel == df.bitsPerPixel && sf.bytesPerPixel == df.bytesPerPixel &&
        sf.redMask == df.redMask && sf.greenMask == df.greenMask && sf.blueMask == df.blueMask &&
        sf.alphaMask == df.alphaMask) {
        return SameLayoutCopy(s, o);
    }
    const bool noOtherOption =
        !o.colorKey && !alphaGiven && !o.dither && !o.colorClear && !o.alphaFromRed;
    // 5. X8R8G8B8 with a transparent colour to A8R8G8B8.
    auto is888 = [](const ColorFormat& f) {
        return f.bitsPerPixel == 32 && f.bytesPerPixel == 4 && f.redMask == 0xFF0000 &&
               f.greenMask == 0xFF00 && f.blueMask == 0xFF;
    };
    if (o.skip && noOtherOption && is888(sf) && sf.alphaMask == 0 && is888(df) &&
        df.alphaMask == 0xFF000000u) {
        return SkipToOpaqueAlpha(s, o);
    }
    // 6. Colour key to alpha between equal colour layouts.
    if (o.colorKey && !o.colorClear && !o.skip && sf.bitsPerPixel == df.bitsPerPixel &&
        sf.bytesPerPixel == df.bytesPerPixel && !src8 && sf.redMask == df.redMask &&
        sf.greenMask == df.greenMask && sf.blueMask == df.blueMask) {
        return KeyToAlphaSameLayout(s, o);
    }
    // 7. Fixed pairs.
    if (!o.dither && !o.colorClear && !o.alphaFromRed && !o.mirror && !alphaGiven && !o.skip) {
        PairJob job{s.DestPixel(0, 0), destPitch,  s.SrcPixel(0, 0), srcPitch,   s.width,
                    s.height,          destFormat, srcFormat,        o.colorKey, transparentColor};
        if (RunFixedPair(job)) return 0;
    }
    // 8. Generic.
    return Generic(s, o);
}

}  // namespace DuRud
