// The pixel arithmetic every software blitter shares: packed saturating add
// and subtract on 32-bit X8R8G8B8 and 16-bit R5G6B5 words, the per-byte
// saturating forms of the MMX code, the half blends, the weighted mix and
// the brightness lookups. One implementation; the whole-image, stretched,
// palette and shape drawers all call these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/memimg.h"

namespace DuRud {

// ---- 32-bit packed add and subtract ----------------------------------------
// The add of a scaled term: each channel's exact sum, saturating at 255, as
// the Direct3D path adds; the fourth byte becomes the carry out of red. (The
// packed form that adds only the upper seven bits of green and red loses up
// to one level of each a draw: a picture fed back through additive draws
// every frame went dark on it.)
inline uint32_t MemImgAdd32(uint32_t d, uint32_t x) {
    const uint32_t b = (d & 0xFFu) + (x & 0xFFu);
    const uint32_t g = ((d >> 8) & 0xFFu) + ((x >> 8) & 0xFFu);
    const uint32_t r = ((d >> 16) & 0xFFu) + ((x >> 16) & 0xFFu);
    return (b > 255 ? 255u : b) | (g > 255 ? 255u : g) << 8 | (r > 255 ? 255u : r) << 16 |
           (r >> 8) << 24;
}
// The full-strength plain kernel's form: green and red add their upper
// seven bits; a carry fills the channel with ones.
inline uint32_t MemImgAdd32NoTerm(uint32_t d, uint32_t x) {
    const uint32_t u = (d & 0xFEFEFFu) + (x & 0xFEFEFFu);
    const uint32_t k = u & 0x01010100u;
    return (k - (k >> 8)) | u;
}
inline uint32_t MemImgSubtract32(uint32_t d, uint32_t x) {
    const uint32_t u = (d | 0x01010100u) - (x & 0xFEFEFEFFu);
    const uint32_t k = u & 0x01010100u;
    return (k - (k >> 8)) & u;
}

// ---- 16-bit packed add and subtract (one pixel, zero-extended) -------------
inline uint16_t MemImgAdd16(uint32_t d, uint32_t x) {
    const uint32_t u = (d & 0xF7DEF7DFu) + (x & 0xF7DEF7DFu);
    const uint32_t k = u & 0x08210820u;
    return uint16_t((k - (k >> 5)) | ((d | x) & 0x0820u) | u);
}
inline uint16_t MemImgAdd16NoTerm(uint32_t d, uint32_t x) {
    const uint32_t u = (d & 0xF7DEF7DFu) + (x & 0xF7DEF7DFu);
    const uint32_t k = u & 0x08210820u;
    return uint16_t((k - (k >> 5)) | u);
}
inline uint16_t MemImgSubtract16(uint32_t d, uint32_t x) {
    const uint32_t u = (d | 0x08210820u) - (x & 0xF7DEF7DFu);
    const uint32_t k = u & 0x08210820u;
    return uint16_t((k - (k >> 5)) & u);
}

// Two adjacent 16-bit pixels in one word (left pixel in the low half): the
// 16-bit fast paths' forms. The carry or borrow out of bit 31 saturates the
// right pixel's red.
inline uint32_t MemImgAdd16Pair(uint32_t dw, uint32_t sw) {
    const uint64_t wide = uint64_t(dw & 0xF7DEF7DFu) + uint64_t(sw & 0xF7DEF7DFu);
    const uint32_t u = uint32_t(wide);
    const uint32_t c = uint32_t(wide >> 32);
    const uint32_t k = u & 0x08210820u;
    return (k - ((k >> 5) | (c << 27))) | u;
}
inline uint32_t MemImgSubtract16Pair(uint32_t dw, uint32_t sw) {
    const uint32_t minuend = dw | 0x08210820u;
    const uint32_t subtrahend = sw & 0xF7DEF7DFu;
    const uint32_t u = minuend - subtrahend;
    const bool borrow = subtrahend > minuend;
    const uint32_t k = u & 0x08210820u;
    return u & ((k - (k >> 5)) | (borrow ? 0u : 0xF8000000u));
}

// ---- MMX forms: every byte, byte 3 included, saturates on its own ----------
inline uint32_t AddSaturateBytes32(uint32_t d, uint32_t s) {
    uint32_t r = 0;
    for (int i = 0; i < 32; i += 8) {
        const uint32_t v = ((d >> i) & 0xFF) + ((s >> i) & 0xFF);
        r |= (v > 255 ? 255u : v) << i;
    }
    return r;
}
inline uint32_t SubtractSaturateBytes32(uint32_t d, uint32_t s) {
    uint32_t r = 0;
    for (int i = 0; i < 32; i += 8) {
        const uint32_t a = (d >> i) & 0xFF;
        const uint32_t b = (s >> i) & 0xFF;
        r |= (a > b ? a - b : 0u) << i;
    }
    return r;
}

// ---- Half blends: each channel (s >> 1) + (d >> 1) --------------------------
inline uint32_t MemImgHalf32(uint32_t d, uint32_t s) {
    return ((s >> 1) & 0x7F7F7Fu) + ((d >> 1) & 0x7F7F7Fu);
}
inline uint32_t MemImgHalf16(uint32_t d, uint32_t s) {
    return ((d >> 1) & 0x7BEF7BEFu) + ((s >> 1) & 0x7BEF7BEFu);
}

// ---- Weighted mix -----------------------------------------------------------
// ((v - d) * W + d * 2^n) >> n: W is a product of 8-bit weights, n eight
// bits per weight. The sum is never negative and fits 32 bits unsigned, so
// wrapping arithmetic gives it exactly.
inline uint32_t MemImgMix(uint32_t v, uint32_t d, uint32_t w, int n) {
    return ((v - d) * w + (d << n)) >> n;
}

// ---- Brightness -------------------------------------------------------------
inline bool MemImgBrightIsWhite(uint32_t bright) {
    return (bright & 0xFFFFFFu) == 0xFFFFFFu;
}
// The product-table row of one brightness byte (channel 0 blue, 1 green, 2 red).
inline const int32_t* MemImgBrightRow(uint32_t bright, int channel) {
    return MemImgMulTable[(bright >> (8 * channel)) & 0xFF];
}

// ---- Reading and writing unaligned pixels ----------------------------------
inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void Store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}
inline void Store16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
// Bytes 0..2 only; byte 3 of the destination stays.
inline void Store24(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}

// ---- Whole-word rows: SIMD and its plain twin ---------------------------------
// Each handles n 32-bit pixels; with skipWord set a source pixel equal to
// transparent is left out. The twins give identical results. Copy moves the
// source word as it is (with skipWord: the keyed copy).
enum class WordRowOp { AddSaturate, SubtractSaturate, Half, Copy };
void MemImgWordRowSimd(WordRowOp op, uint8_t* dst, const uint8_t* src, int n, bool skipWord,
                       uint32_t transparent);
// h rows of MemImgWordRowSimd, the pitches apart (in bytes).
void MemImgWordRowsSimd(WordRowOp op, uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
                        ptrdiff_t srcPitch, int n, int h, bool skipWord, uint32_t transparent);
void MemImgWordRowPlain(WordRowOp op, uint8_t* dst, const uint8_t* src, int n, bool skipWord,
                        uint32_t transparent);

}  // namespace DuRud
