// Blend mode 2: the scaled source term added to the destination with the
// packed saturating addition, which also rewrites the fourth byte of a
// 32-bit pixel with the carry out of red. Parameter 0 never reaches these
// loops.
#include "soft/packed_terms.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

struct Additive {
    template <bool Is32, bool Blend, bool White>
    static void Write(const SpanContext& c, uint8_t* d, const Texel& t, int32_t f, int32_t a,
                      TexelPath path) {
        const uint32_t term = PackedTerm<Is32, Blend, White>(c, t, f, a, path);
        if constexpr (Is32)
            Store32(d, MemImgAdd32(Load32(d), term));
        else
            Store16(d, MemImgAdd16(Load16(d), term));
    }
};

}  // namespace

SpanFunction PickAdditiveSpan(SourceKind kind, bool blend, bool white, bool trans) {
    return PickSpan<Additive>(kind, blend, white, trans);
}

}  // namespace DuRud
