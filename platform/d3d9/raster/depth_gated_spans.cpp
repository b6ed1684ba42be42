#include "depth_gated_spans.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "blending.h"
#include "known_depth_rows.h"
#include "pixel_formats.h"

namespace platform::raster {

namespace {

enum class Stored { kAllEqual, kAllPass, kSomeFail };

// The specialised span settles held rows itself where it knows more.
void SettleBeforeDepthFree(const DrawSetup& ds, int y, int x0, int x1) {
    if (!ds.settlesInSpan) SettleHeldRows(ds, y, x0, x1, true);
}

// The stored depths of [x0, x1) against the new depth d, which passes
// against itself.
Stored ScanDepths(const uint8_t* row, uint32_t format, int func, uint32_t d, int x0, int x1) {
    if (format == kFormatD16) {
        const uint8_t* p = row + size_t(x0) * 2;
        uint32_t differs = 0;
        int x = x0;
#if defined(__SSE2__)
        const __m128i wantV = _mm_set1_epi16(short(d));
        __m128i any = _mm_setzero_si128();
        for (; x + 8 <= x1; x += 8, p += 16)
            any = _mm_or_si128(
                any, _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), wantV));
        differs = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF);
#endif
        for (; x < x1; ++x, p += 2) differs |= ReadDepth(p, format) ^ d;
        if (differs == 0) return Stored::kAllEqual;
    } else {
        // Depth and stencil share the word; only the depth bits count.
        const uint32_t mask = format == kFormatD32 ? 0xFFFFFFFFu : 0xFFFFFF00u;
        const uint32_t want = format == kFormatD32 ? d : d << 8;
        const uint8_t* p = row + size_t(x0) * 4;
        uint32_t differs = 0;
        int x = x0;
#if defined(__SSE2__)
        const __m128i maskV = _mm_set1_epi32(int(mask)), wantV = _mm_set1_epi32(int(want));
        __m128i any = _mm_setzero_si128();
        for (; x + 4 <= x1; x += 4, p += 16)
            any = _mm_or_si128(
                any, _mm_xor_si128(
                         _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), maskV),
                         wantV));
        differs = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF);
#endif
        for (; x < x1; ++x, p += 4) {
            uint32_t w;
            std::memcpy(&w, p, 4);
            differs |= (w & mask) ^ want;
        }
        if (differs == 0) return Stored::kAllEqual;
    }
    // The least depth under LESSEQUAL passes against anything stored.
    if (func == D3DCMP_ALWAYS || (func == D3DCMP_LESSEQUAL && d == 0)) return Stored::kAllPass;
    const int bytes = format == kFormatD16 ? 2 : 4;
    for (int x = x0; x < x1; ++x)
        if (!Compare(func, d, ReadDepth(row + size_t(x) * bytes, format))) return Stored::kSomeFail;
    return Stored::kAllPass;
}

// Whether depth d passes against every value a depth surface can hold (the
// least depth under LESSEQUAL).
bool PassesAnyStored(int func, uint32_t d) {
    return func == D3DCMP_ALWAYS || (func == D3DCMP_LESSEQUAL && d == 0);
}

}  // namespace

void DepthGatedSpan(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0, int x1) {
    const uint32_t format = ds.depth.format;
    // The generic path's depth of pixel x0; with no step along x every pixel
    // of the row has it.
    const uint32_t d = QuantiseDepth(tri.z.Row(y) + tri.z.dx * double(x0), format);
    // With no depth write, a test that passes against every possible stored
    // depth needs no look at the stored ones.
    if (!ds.depthWrite && PassesAnyStored(ds.depthFunc, d)) {
        SettleBeforeDepthFree(ds, y, x0, x1);
        tri.depthFree(ds, tri, y, x0, x1);
        return;
    }
    KnownDepthRows* known = ds.depth.known;
    // A row known to hold d already passes whole (d passes against itself)
    // and a write of d changes nothing.
    if (known && known->Holds(y, x0, x1, d) && Compare(ds.depthFunc, d, d)) {
        SettleBeforeDepthFree(ds, y, x0, x1);
        tri.depthFree(ds, tri, y, x0, x1);
        return;
    }
    uint8_t* row = ds.depth.pixels + size_t(y) * ds.depth.pitch;
    const int bytes = format == kFormatD16 ? 2 : 4;
#if defined(__SSE2__)
    // Spans come row after row: ask for the stored depths two rows down
    // while this one is scanned and drawn.
    if (y + 2 < ds.depth.height) {
        const char* ahead = reinterpret_cast<const char*>(row) + 2 * size_t(ds.depth.pitch);
        for (size_t at = size_t(x0) * bytes; at < size_t(x1) * bytes; at += 64)
            _mm_prefetch(ahead + at, _MM_HINT_T0);
    }
#endif
    const Stored stored = Compare(ds.depthFunc, d, d)
                              ? ScanDepths(row, format, ds.depthFunc, d, x0, x1)
                              : Stored::kSomeFail;
    if (stored == Stored::kAllEqual || (stored == Stored::kAllPass && !ds.depthWrite)) {
        if (known && stored == Stored::kAllEqual) known->Learn(y, x0, x1, d);
        SettleBeforeDepthFree(ds, y, x0, x1);
        tri.depthFree(ds, tri, y, x0, x1);
        return;
    }
    if (stored == Stored::kAllPass && !ds.alphaTest) {
        SettleBeforeDepthFree(ds, y, x0, x1);
        tri.depthFree(ds, tri, y, x0, x1);
        for (int x = x0; x < x1; ++x) WriteDepth(row + size_t(x) * bytes, format, d);
        if (known) known->Learn(y, x0, x1, d);
        return;
    }
    SettleHeldRows(ds, y, x0, x1, false);
    // Every pixel passes the depth test but only those the alpha test keeps
    // take the depth.
    if (stored == Stored::kAllPass && tri.depthWriting) {
        tri.depthWriting(ds, tri, y, x0, x1);
        return;
    }
    tri.fallback(ds, tri, y, x0, x1);  // forgets what it may write
}

}  // namespace platform::raster
