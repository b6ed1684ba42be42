// Fixed-formula pixel pairs. Channels are not rescaled by bit replication:
// each pair is its straight formula. The two 16-bit pairs have an SSE2 twin
// that gives byte-identical results.
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/system_services.h"
#include "image/pixel_conversion.h"
#include "image/pixel_pairs.h"

namespace DuRud {
namespace {

enum class Layout { Other, Pal8, R8G8B8, Rgb888x32, R5G6B5, X1R5G5B5 };

bool Masks(const ColorFormat& f, int bits, uint32_t r, uint32_t g, uint32_t b) {
    return f.formatCode == 0 && f.bitsPerPixel == bits && f.redMask == r && f.greenMask == g &&
           f.blueMask == b;
}

// dest: true when classifying a destination (its alpha must be one the
// formula can fill).
Layout Classify(const ColorFormat& f, bool dest) {
    if (f.formatCode == 0 && f.bytesPerPixel == 1) return dest ? Layout::Other : Layout::Pal8;
    if (Masks(f, 24, 0xFF0000, 0xFF00, 0xFF) && f.alphaMask == 0) return Layout::R8G8B8;
    if (Masks(f, 32, 0xFF0000, 0xFF00, 0xFF) && f.bytesPerPixel == 4 &&
        (!dest || f.alphaMask == 0 || f.alphaMask == 0xFF000000u)) {
        return Layout::Rgb888x32;
    }
    if (Masks(f, 16, 0xF800, 0x7E0, 0x1F) && f.bytesPerPixel == 2 && f.alphaMask == 0) {
        return Layout::R5G6B5;
    }
    if (Masks(f, 16, 0x7C00, 0x3E0, 0x1F) && f.bytesPerPixel == 2 &&
        (!dest || f.alphaMask == 0 || f.alphaMask == 0x8000)) {
        return Layout::X1R5G5B5;
    }
    return Layout::Other;
}

inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void Store16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void Store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

inline uint16_t R5G6B5ToX1R5G5B5(uint16_t v) {
    return uint16_t(((v & 0xFFC0) >> 1) | (v & 0x1F));
}
inline uint16_t X1R5G5B5ToR5G6B5(uint16_t v) {
    return uint16_t(((v & 0x7FE0) << 1) | (v & 0x3F));
}

uint16_t ReduceToR5G6B5(uint32_t rgb) {
    return uint16_t((rgb >> 8 & 0xF800) | (rgb >> 5 & 0x7E0) | (rgb >> 3 & 0x1F));
}

// Runs f(destPixel, srcPixel) over the block.
template <int DestBytes, int SrcBytes, typename F>
void ForEachPixel(const PairJob& j, F f) {
    for (int y = 0; y < j.height; ++y) {
        uint8_t* d = j.dest + int64_t(y) * j.destPitch;
        const uint8_t* s = j.src + int64_t(y) * j.srcPitch;
        for (int x = 0; x < j.width; ++x) f(d + x * DestBytes, s + x * SrcBytes);
    }
}

}  // namespace

int PixelPairsUseSimd() {
#ifdef __SSE2__
    return GetMmxAvailable() ? 1 : 0;
#else
    return 0;
#endif
}

void ConvertLinesR5G6B5ToX1R5G5B5(uint8_t* dest, int destPitch, const uint8_t* src, int srcPitch,
                                  int width, int height, int keyed, uint16_t key, int useSimd) {
    for (int y = 0; y < height; ++y) {
        uint8_t* d = dest + int64_t(y) * destPitch;
        const uint8_t* s = src + int64_t(y) * srcPitch;
        int x = 0;
#ifdef __SSE2__
        if (useSimd) {
            const __m128i high = _mm_set1_epi16(int16_t(0xFFC0));
            const __m128i low = _mm_set1_epi16(0x1F);
            const __m128i alpha = _mm_set1_epi16(int16_t(0x8000));
            const __m128i keyv = _mm_set1_epi16(int16_t(key));
            for (; x + 8 <= width; x += 8) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * x));
                __m128i r =
                    _mm_or_si128(_mm_srli_epi16(_mm_and_si128(v, high), 1), _mm_and_si128(v, low));
                if (keyed) r = _mm_or_si128(r, _mm_andnot_si128(_mm_cmpeq_epi16(v, keyv), alpha));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * x), r);
            }
        }
#endif
        for (; x < width; ++x) {
            const uint16_t v = Load16(s + 2 * x);
            uint16_t r = R5G6B5ToX1R5G5B5(v);
            if (keyed && v != key) r |= 0x8000;
            Store16(d + 2 * x, r);
        }
    }
}

void ConvertLinesX1R5G5B5ToR5G6B5(uint8_t* dest, int destPitch, const uint8_t* src, int srcPitch,
                                  int width, int height, int useSimd) {
    for (int y = 0; y < height; ++y) {
        uint8_t* d = dest + int64_t(y) * destPitch;
        const uint8_t* s = src + int64_t(y) * srcPitch;
        int x = 0;
#ifdef __SSE2__
        if (useSimd) {
            const __m128i mid = _mm_set1_epi16(0x7FE0);
            const __m128i low = _mm_set1_epi16(0x3F);
            for (; x + 8 <= width; x += 8) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * x));
                __m128i r =
                    _mm_or_si128(_mm_slli_epi16(_mm_and_si128(v, mid), 1), _mm_and_si128(v, low));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * x), r);
            }
        }
#endif
        for (; x < width; ++x) Store16(d + 2 * x, X1R5G5B5ToR5G6B5(Load16(s + 2 * x)));
    }
}

bool RunFixedPair(const PairJob& j) {
    const Layout from = Classify(*j.srcFormat, false);
    const Layout to = Classify(*j.destFormat, true);
    const uint32_t destAlpha = j.destFormat->alphaMask;
    const bool key = j.colorKey && destAlpha != 0;
    const uint32_t keyRgb = j.transparentColor & 0xFFFFFF;
    const uint16_t key565 = ReduceToR5G6B5(keyRgb);
    const PaletteEntry* pal = j.srcFormat->palette;

    switch (from) {
        case Layout::Pal8:
            if (to == Layout::R5G6B5) {
                ForEachPixel<2, 1>(j, [&](uint8_t* d, const uint8_t* s) {
                    const uint32_t e = PaletteEntryValue(pal[*s]);
                    Store16(d, uint16_t((e >> 8 & 0xF800) | (e >> 5 & 0x7E0) | (e >> 3 & 0x1F)));
                });
                return true;
            }
            if (to == Layout::X1R5G5B5) {
                ForEachPixel<2, 1>(j, [&](uint8_t* d, const uint8_t* s) {
                    const uint32_t e = PaletteEntryValue(pal[*s]);
                    uint16_t v = uint16_t((e >> 9 & 0x7C00) | (e >> 6 & 0x3E0) | (e >> 3 & 0x1F));
                    if (!key || (e & 0xFFFFFF) != keyRgb) v |= 0x8000;
                    Store16(d, v);
                });
                return true;
            }
            if (to == Layout::Rgb888x32) {
                ForEachPixel<4, 1>(j, [&](uint8_t* d, const uint8_t* s) {
                    const uint32_t e = PaletteEntryValue(pal[*s]);
                    if (key) {
                        Store32(d, (e & 0xFFFFFF) | ((e & 0xFFFFFF) == keyRgb ? 0 : 0xFF000000u));
                    } else {
                        Store32(d, e | 0xFF000000u);
                    }
                });
                return true;
            }
            return false;
        case Layout::R8G8B8:
            if (to == Layout::R5G6B5) {
                ForEachPixel<2, 3>(j, [&](uint8_t* d, const uint8_t* s) {
                    Store16(d, uint16_t((s[2] >> 3) << 11 | (s[1] >> 2) << 5 | s[0] >> 3));
                });
                return true;
            }
            if (to == Layout::X1R5G5B5) {
                ForEachPixel<2, 3>(j, [&](uint8_t* d, const uint8_t* s) {
                    uint16_t v = uint16_t((s[2] >> 3) << 10 | (s[1] >> 3) << 5 | s[0] >> 3);
                    const uint32_t rgb = uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
                    if (!key || rgb != keyRgb) v |= 0x8000;
                    Store16(d, v);
                });
                return true;
            }
            if (to == Layout::Rgb888x32) {
                // Whole 32-bit stores; four pixels are read as three 32-bit
                // words, the last few of a line byte by byte.
                const uint32_t keyOrNone = key ? keyRgb : 0xFFFFFFFFu;
                const int width = j.width, height = j.height;
                auto value = [keyOrNone](uint32_t rgb) {
                    return rgb | (rgb == keyOrNone ? 0 : 0xFF000000u);
                };
                for (int y = 0; y < height; ++y) {
                    uint8_t* const d = j.dest + int64_t(y) * j.destPitch;
                    const uint8_t* const s = j.src + int64_t(y) * j.srcPitch;
                    int x = 0;
                    for (; x + 4 <= width; x += 4) {
                        const uint32_t a = Load32(s + 3 * x), b = Load32(s + 3 * x + 4),
                                       c = Load32(s + 3 * x + 8);
                        Store32(d + 4 * x, value(a & 0xFFFFFF));
                        Store32(d + 4 * x + 4, value((a >> 24 | b << 8) & 0xFFFFFF));
                        Store32(d + 4 * x + 8, value((b >> 16 | c << 16) & 0xFFFFFF));
                        Store32(d + 4 * x + 12, value(c >> 8));
                    }
                    for (; x < width; ++x)
                        Store32(d + 4 * x, value(uint32_t(s[3 * x + 2]) << 16 |
                                                 uint32_t(s[3 * x + 1]) << 8 | s[3 * x]));
                }
                return true;
            }
            return false;
        case Layout::Rgb888x32:
            if (to == Layout::R5G6B5) {
                ForEachPixel<2, 4>(j, [&](uint8_t* d, const uint8_t* s) {
                    const uint32_t v = Load32(s);
                    Store16(d, uint16_t((v >> 8 & 0xF800) | (v & 0xFC00) >> 5 | (v & 0xF8) >> 3));
                });
                return true;
            }
            return false;
        case Layout::R5G6B5:
            if (to == Layout::R8G8B8) {
                ForEachPixel<3, 2>(j, [&](uint8_t* d, const uint8_t* s) {
                    const uint16_t v = Load16(s);
                    d[0] = uint8_t((v & 0x1F) << 3);
                    d[1] = uint8_t((v >> 5 & 0x3F) << 2);
                    d[2] = uint8_t((v >> 8) & 0xF8);
                });
                return true;
            }
            if (to == Layout::Rgb888x32) {
                ForEachPixel<4, 2>(j, [&](uint8_t* d, const uint8_t* s) {
                    const uint32_t v = Load16(s);
                    uint32_t r = (v & 0xF800) << 8 | (v & 0x7E0) << 5 | (v & 0x1F) << 3;
                    if (key && v != key565) r |= 0xFF000000u;
                    Store32(d, r);
                });
                return true;
            }
            if (to == Layout::X1R5G5B5) {
                ConvertLinesR5G6B5ToX1R5G5B5(j.dest, j.destPitch, j.src, j.srcPitch, j.width,
                                             j.height, key ? 1 : 0, key565, PixelPairsUseSimd());
                return true;
            }
            return false;
        case Layout::X1R5G5B5:
            if (to == Layout::R5G6B5) {
                ConvertLinesX1R5G5B5ToR5G6B5(j.dest, j.destPitch, j.src, j.srcPitch, j.width,
                                             j.height, PixelPairsUseSimd());
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace DuRud
