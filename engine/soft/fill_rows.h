// Rows filled with one four-byte word repeated from each row's start (a
// 16-bit colour fills with the colour twice in the word): the SSE2 form, the
// AVX2 form (callers check AVX2 at run time) and the plain twin that
// defines their bytes. Every vector store writes the bytes the word
// repeated from the row's start puts there, whatever the row's alignment;
// bytes must be even.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace DuRud {

inline void FillRowPlain(uint8_t* d, uint32_t word, size_t bytes) {
    for (; bytes >= 4; bytes -= 4, d += 4) std::memcpy(d, &word, 4);
    if (bytes) std::memcpy(d, &word, bytes);
}

inline void FillRowSimd(uint8_t* d, uint32_t word, size_t bytes) {
    const __m128i v = _mm_set1_epi32(int32_t(word));
    for (; bytes >= 64; bytes -= 64, d += 64) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 48), v);
    }
    for (; bytes >= 16; bytes -= 16, d += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
    FillRowPlain(d, word, bytes);
}

// From 64 bytes on, the pieces are stored on the row's own 32-byte
// boundaries (a piece across two cache lines costs two stores), the word
// turned to the byte each piece begins on; the first piece and a last half
// piece unaligned, overlapping the others.
// The word as it lies from byte k of a row on.
inline uint32_t FillWordFrom(uint32_t word, size_t k) {
    const unsigned r = unsigned(k % 4) * 8;
    return r ? word >> r | word << (32 - r) : word;
}

[[gnu::target("avx2")]] inline void FillRowAvx2(uint8_t* d, uint32_t word, size_t bytes) {
    if (bytes >= 64) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_set1_epi32(int32_t(word)));
        size_t i = 32 - (reinterpret_cast<uintptr_t>(d) & 31);
        const __m256i v = _mm256_set1_epi32(int32_t(FillWordFrom(word, i)));
        for (; i + 128 <= bytes; i += 128) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(d + i), v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(d + i + 32), v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(d + i + 64), v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(d + i + 96), v);
        }
        for (; i + 32 <= bytes; i += 32) _mm256_store_si256(reinterpret_cast<__m256i*>(d + i), v);
        if (i + 16 <= bytes) {
            _mm_store_si128(reinterpret_cast<__m128i*>(d + i), _mm256_castsi256_si128(v));
            i += 16;
        }
        if (i < bytes) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + bytes - 16),
                             _mm_set1_epi32(int32_t(FillWordFrom(word, bytes - 16))));
        }
        return;
    }
    const __m256i v = _mm256_set1_epi32(int32_t(word));
    for (; bytes >= 32; bytes -= 32, d += 32) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), v);
    if (bytes >= 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(v));
        bytes -= 16;
        d += 16;
    }
    FillRowPlain(d, word, bytes);
}

// h rows, pitch bytes apart.
inline void FillRowsSimd(uint8_t* row, ptrdiff_t pitch, int h, uint32_t word, size_t bytes) {
    for (int y = 0; y < h; ++y, row += pitch) FillRowSimd(row, word, bytes);
}

// Rows of 16 to 64 bytes take two pieces each, the second ending at the
// row's end over the first, with no test per row.
[[gnu::target("avx2")]] inline void FillRowsAvx2(uint8_t* row, ptrdiff_t pitch, int h,
                                                 uint32_t word, size_t bytes) {
    if (bytes >= 32 && bytes <= 64) {
        const __m256i head = _mm256_set1_epi32(int32_t(word));
        const __m256i tail = _mm256_set1_epi32(int32_t(FillWordFrom(word, bytes - 32)));
        for (int y = 0; y < h; ++y, row += pitch) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row), head);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + bytes - 32), tail);
        }
        return;
    }
    if (bytes >= 16 && bytes < 32) {
        const __m128i head = _mm_set1_epi32(int32_t(word));
        const __m128i tail = _mm_set1_epi32(int32_t(FillWordFrom(word, bytes - 16)));
        for (int y = 0; y < h; ++y, row += pitch) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row), head);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + bytes - 16), tail);
        }
        return;
    }
    for (int y = 0; y < h; ++y, row += pitch) FillRowAvx2(row, word, bytes);
}

}  // namespace DuRud
