// Blend mode 1: each channel moves from the destination towards the lit
// source by p/255, weighted further by the blend factor and the source alpha.
// Parameter 0 and 255 never reach these loops (nothing drawn, plain copy).
#include "soft/parameter_mixes.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

struct AlphaBlend {
    template <bool Is32, bool Blend, bool White>
    static void Write(const SpanContext& c, uint8_t* d, const Texel& t, int32_t f, int32_t a,
                      TexelPath path) {
        WriteParameterMix<Is32, Blend>(c, d, t.r, t.g, t.b, f, a, path);
    }
};

}  // namespace

SpanFunction PickAlphaBlendSpan(SourceKind kind, bool blend, bool white, bool trans) {
    return PickSpan<AlphaBlend>(kind, blend, white, trans);
}

}  // namespace DuRud
