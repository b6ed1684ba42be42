// Blend mode 4: each channel becomes the lit source times the destination,
// times the blend factor and the source alpha where they weigh, scaled down
// by the channel width plus 8 bits per weight (shifts, so a full channel
// loses a step or more). The blend parameter plays no part. An alpha texel
// of 0 under the transparent flag is skipped by the shared gate, as the
// whole-image blits skip it, instead of turning the pixel black.
#include "soft/span_pipeline.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

// s * d * w >> shift, in unsigned 32 bits: 255^4 still fits.
inline int32_t Scale(int32_t s, int32_t d, uint32_t w, int shift) {
    return int32_t((uint32_t(s) * uint32_t(d) * w) >> shift);
}

struct Modulate {
    template <bool Is32, bool Blend, bool White>
    static void Write(const SpanContext&, uint8_t* d, const Texel& t, int32_t f, int32_t a,
                      TexelPath path) {
        uint32_t w = 1;
        int extra = 0;
        if constexpr (Blend) {
            w = uint32_t(f);
            extra = 8;
        }
        if (path == TexelPath::Alpha) {
            w *= uint32_t(a);
            extra += 8;
        }
        int32_t dr, dg, db;
        LoadChannels<Is32>(d, dr, dg, db);
        constexpr int wide = Is32 ? 8 : 5;
        constexpr int green = Is32 ? 8 : 6;
        StoreChannels<Is32>(d, Scale(t.r, dr, w, wide + extra), Scale(t.g, dg, w, green + extra),
                            Scale(t.b, db, w, wide + extra));
    }
};

}  // namespace

SpanFunction PickModulateSpan(SourceKind kind, bool blend, bool white, bool trans) {
    return PickSpan<Modulate>(kind, blend, white, trans);
}

}  // namespace DuRud
