// Blend mode 3: the scaled source term taken from the destination with the
// packed saturating subtraction (low bits of green and red follow its guard
// bits; the fourth byte of a 32-bit pixel becomes 0). Direct sources at
// parameter 0 never reach these loops; paletted ones do and rewrite each
// pixel through a subtraction of 0.
#include "soft/packed_terms.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

struct Subtractive {
    template <bool Is32, bool Blend, bool White>
    static void Write(const SpanContext& c, uint8_t* d, const Texel& t, int32_t f, int32_t a,
                      TexelPath path) {
        const uint32_t term = PackedTerm<Is32, Blend, White>(c, t, f, a, path);
        if constexpr (Is32)
            Store32(d, MemImgSubtract32(Load32(d), term));
        else
            Store16(d, MemImgSubtract16(Load16(d), term));
    }
};

}  // namespace

SpanFunction PickSubtractiveSpan(SourceKind kind, bool blend, bool white, bool trans) {
    return PickSpan<Subtractive>(kind, blend, white, trans);
}

}  // namespace DuRud
