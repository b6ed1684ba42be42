// Whole-word rows (full-strength add and subtract with per-byte saturation,
// the half blend, and the copy, keyed or not): an SSE2 loop four pixels per
// step, and the plain one-pixel twin that defines its result.
#include <emmintrin.h>

#include "soft/packed_pixel_math.h"

namespace DuRud {

namespace {

uint32_t WordOp(WordRowOp op, uint32_t d, uint32_t s) {
    switch (op) {
        case WordRowOp::AddSaturate:
            return AddSaturateBytes32(d, s);
        case WordRowOp::SubtractSaturate:
            return SubtractSaturateBytes32(d, s);
        case WordRowOp::Half:
            return MemImgHalf32(d, s);
        case WordRowOp::Copy:
            return s;
    }
    return d;
}

template <WordRowOp Op>
__m128i WordOp4(__m128i d, __m128i s) {
    if constexpr (Op == WordRowOp::AddSaturate) {
        return _mm_adds_epu8(d, s);
    } else if constexpr (Op == WordRowOp::SubtractSaturate) {
        return _mm_subs_epu8(d, s);
    } else if constexpr (Op == WordRowOp::Copy) {
        return s;
    } else {
        const __m128i mask = _mm_set1_epi32(0x7F7F7F);
        return _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(s, 1), mask),
                             _mm_and_si128(_mm_srli_epi32(d, 1), mask));
    }
}

template <WordRowOp Op, bool Skip>
void Row4(uint8_t* dst, const uint8_t* src, int n, uint32_t transparent) {
    const __m128i key = _mm_set1_epi32(int32_t(transparent));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 4 * i));
        __m128i r = WordOp4<Op>(d, s);
        if constexpr (Skip) {
            const __m128i keep = _mm_cmpeq_epi32(s, key);
            r = _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, r));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), r);
    }
    for (; i < n; ++i) {
        const uint32_t s = Load32(src + 4 * i);
        if (Skip && s == transparent) continue;
        Store32(dst + 4 * i, WordOp(Op, Load32(dst + 4 * i), s));
    }
}

template <WordRowOp Op>
void RowFor(uint8_t* dst, const uint8_t* src, int n, bool skip, uint32_t transparent) {
    if (skip) {
        Row4<Op, true>(dst, src, n, transparent);
    } else {
        Row4<Op, false>(dst, src, n, transparent);
    }
}

// The row loop inside the chosen instantiation, so that small images pay
// the dispatch once per call rather than once per row.
template <WordRowOp Op, bool Skip>
void Rows4(uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src, ptrdiff_t srcPitch, int n, int h,
           uint32_t transparent) {
    for (int y = 0; y < h; ++y, dst += dstPitch, src += srcPitch) {
        Row4<Op, Skip>(dst, src, n, transparent);
    }
}

template <WordRowOp Op>
void RowsFor(uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src, ptrdiff_t srcPitch, int n, int h,
             bool skip, uint32_t transparent) {
    if (skip) {
        Rows4<Op, true>(dst, dstPitch, src, srcPitch, n, h, transparent);
    } else {
        Rows4<Op, false>(dst, dstPitch, src, srcPitch, n, h, transparent);
    }
}

}  // namespace

void MemImgWordRowSimd(WordRowOp op, uint8_t* dst, const uint8_t* src, int n, bool skipWord,
                       uint32_t transparent) {
    switch (op) {
        case WordRowOp::AddSaturate:
            RowFor<WordRowOp::AddSaturate>(dst, src, n, skipWord, transparent);
            break;
        case WordRowOp::SubtractSaturate:
            RowFor<WordRowOp::SubtractSaturate>(dst, src, n, skipWord, transparent);
            break;
        case WordRowOp::Half:
            RowFor<WordRowOp::Half>(dst, src, n, skipWord, transparent);
            break;
        case WordRowOp::Copy:
            RowFor<WordRowOp::Copy>(dst, src, n, skipWord, transparent);
            break;
    }
}

void MemImgWordRowsSimd(WordRowOp op, uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
                        ptrdiff_t srcPitch, int n, int h, bool skipWord, uint32_t transparent) {
    switch (op) {
        case WordRowOp::AddSaturate:
            RowsFor<WordRowOp::AddSaturate>(dst, dstPitch, src, srcPitch, n, h, skipWord,
                                            transparent);
            break;
        case WordRowOp::SubtractSaturate:
            RowsFor<WordRowOp::SubtractSaturate>(dst, dstPitch, src, srcPitch, n, h, skipWord,
                                                 transparent);
            break;
        case WordRowOp::Half:
            RowsFor<WordRowOp::Half>(dst, dstPitch, src, srcPitch, n, h, skipWord, transparent);
            break;
        case WordRowOp::Copy:
            RowsFor<WordRowOp::Copy>(dst, dstPitch, src, srcPitch, n, h, skipWord, transparent);
            break;
    }
}

void MemImgWordRowPlain(WordRowOp op, uint8_t* dst, const uint8_t* src, int n, bool skipWord,
                        uint32_t transparent) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = Load32(src + 4 * i);
        if (skipWord && s == transparent) continue;
        Store32(dst + 4 * i, WordOp(op, Load32(dst + 4 * i), s));
    }
}

}  // namespace DuRud
