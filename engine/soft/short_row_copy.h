// Copying short pixel rows without a library call per row: for small
// sprites the call costs more than the bytes. The SSE2 form copies in
// 16-byte pieces, the last piece overlapping the one before it; the plain
// twin is memmove. Rows must not overlap (the callers check the whole
// spans first and use memmove otherwise).
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace DuRud {

// Rows up to this many bytes take the SSE2 copy; longer ones memmove.
constexpr size_t kShortRowBytes = 128;

inline void ShortRowCopySimd(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n >= 16) {
        size_t i = 0;
        for (; i + 64 <= n; i += 64) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 16));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 32));
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 48));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), a);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 16), b);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 32), c);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 48), d);
        }
        for (; i + 16 <= n; i += 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
        }
        if (i < n) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 16),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 16)));
        }
    } else if (n >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + n - 8, 8);
        std::memcpy(dst, &head, 8);
        std::memcpy(dst + n - 8, &tail, 8);
    } else if (n >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, src, 4);
        std::memcpy(&tail, src + n - 4, 4);
        std::memcpy(dst, &head, 4);
        std::memcpy(dst + n - 4, &tail, 4);
    } else {
        for (size_t i = 0; i < n; ++i) dst[i] = src[i];
    }
}

// The AVX2 form: 32-byte pieces from 32 bytes on, the last overlapping the
// one before it; shorter rows as the SSE2 form. Callers check AVX2.
[[gnu::target("avx2")]] inline void ShortRowCopyAvx2(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n < 32) {
        ShortRowCopySimd(dst, src, n);
        return;
    }
    for (size_t i = 0; i + 32 < n; i += 32) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i)));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + n - 32),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + n - 32)));
}

// The AVX2 copy of a whole row: 32-byte pieces stored on the destination's
// own 32-byte boundaries (a piece across two cache lines costs two stores),
// the first piece and a last half piece unaligned, overlapping the others.
// Callers check AVX2.
[[gnu::target("avx2")]] inline void RowCopyAvx2(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n < 32) {
        ShortRowCopySimd(dst, src, n);
        return;
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src)));
    size_t i = 32 - (reinterpret_cast<uintptr_t>(dst) & 31);
    for (; i + 128 <= n; i += 128) {
        for (size_t k = i; k < i + 128; k += 32) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(dst + k),
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k)));
        }
    }
    for (; i + 32 <= n; i += 32) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(dst + i),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i)));
    }
    if (i + 16 <= n) {
        _mm_store_si128(reinterpret_cast<__m128i*>(dst + i),
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
        i += 16;
    }
    if (i < n) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 16),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 16)));
    }
}

inline void ShortRowCopyPlain(uint8_t* dst, const uint8_t* src, size_t n) {
    std::memmove(dst, src, n);
}

// Whether h rows of rowBytes bytes, pitches apart, overlap between source and
// destination. Compared as addresses; both spans lie inside their stores.
inline bool RowSpansOverlap(const uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
                            ptrdiff_t srcPitch, size_t rowBytes, int h) {
    const auto begin = [&](const uint8_t* p, ptrdiff_t pitch) {
        return reinterpret_cast<uintptr_t>(p) + uintptr_t(pitch < 0 ? pitch * (h - 1) : 0);
    };
    const auto end = [&](const uint8_t* p, ptrdiff_t pitch) {
        return reinterpret_cast<uintptr_t>(p) + uintptr_t(pitch > 0 ? pitch * (h - 1) : 0) +
               rowBytes;
    };
    return begin(dst, dstPitch) < end(src, srcPitch) && begin(src, srcPitch) < end(dst, dstPitch);
}

namespace row_copy_detail {

// Rows of 32 * (Pieces - 1) + 1 to 32 * Pieces bytes: Pieces unaligned
// pieces a row, the last ending at the row's end, with no test per row.
template <int Pieces>
[[gnu::target("avx2")]] inline void FixedRowsAvx2(uint8_t* dst, ptrdiff_t dstPitch,
                                                  const uint8_t* src, ptrdiff_t srcPitch, size_t n,
                                                  int h) {
    for (int y = 0; y < h; ++y, src += srcPitch, dst += dstPitch) {
        for (int k = 0; k < Pieces; ++k) {
            const size_t at = k + 1 < Pieces ? size_t(32 * k) : n - 32;
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + at),
                                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + at)));
        }
    }
}

[[gnu::target("avx2")]] inline void RowsAvx2(uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
                                             ptrdiff_t srcPitch, size_t n, int h) {
    if (n >= 32 && n <= 128) {
        switch ((n + 31) / 32) {
            case 1:
                return FixedRowsAvx2<1>(dst, dstPitch, src, srcPitch, n, h);
            case 2:
                return FixedRowsAvx2<2>(dst, dstPitch, src, srcPitch, n, h);
            case 3:
                return FixedRowsAvx2<3>(dst, dstPitch, src, srcPitch, n, h);
            default:
                return FixedRowsAvx2<4>(dst, dstPitch, src, srcPitch, n, h);
        }
    }
    for (int y = 0; y < h; ++y, src += srcPitch, dst += dstPitch) RowCopyAvx2(dst, src, n);
}

}  // namespace row_copy_detail

// h rows of n bytes, pitches apart, as memmove moves each: rows that lie
// apart by the vector copies (AVX2 where the processor has it; without it
// the SSE2 form up to kShortRowBytes), rows onto themselves by memmove.
inline void CopyRows(uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src, ptrdiff_t srcPitch,
                     size_t n, int h) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!RowSpansOverlap(dst, dstPitch, src, srcPitch, n, h)) {
        if (avx2) {
            row_copy_detail::RowsAvx2(dst, dstPitch, src, srcPitch, n, h);
            return;
        }
        if (n <= kShortRowBytes) {
            for (int y = 0; y < h; ++y, src += srcPitch, dst += dstPitch) {
                ShortRowCopySimd(dst, src, n);
            }
            return;
        }
    }
    for (int y = 0; y < h; ++y, src += srcPitch, dst += dstPitch) std::memmove(dst, src, n);
}

}  // namespace DuRud
