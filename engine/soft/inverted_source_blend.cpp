// Blend mode 10: each channel moves towards the complement of the source
// colour by p/255 with the alpha blend's mixes. The complement is taken
// before the brightness, so the brightness lights the inverted colour; it
// covers the colour only (the whole R5G6B5 word, or bytes 0-2), never the
// alpha or the fourth byte. Every parameter, 0 and 255 included, runs here.
#include "soft/parameter_mixes.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

struct InvertedSource {
    template <bool Is32, bool Blend, bool White>
    static void Write(const SpanContext& c, uint8_t* d, const Texel& t, int32_t f, int32_t a,
                      TexelPath path) {
        int32_t r, g, b;
        UnpackChannels<Is32>(~t.whole, r, g, b);
        if constexpr (!White) {
            r = c.rowR[r];
            g = c.rowG[g];
            b = c.rowB[b];
        }
        WriteParameterMix<Is32, Blend>(c, d, r, g, b, f, a, path);
    }
};

}  // namespace

SpanFunction PickInvertedSourceSpan(SourceKind kind, bool blend, bool white, bool trans) {
    return PickSpan<InvertedSource>(kind, blend, white, trans);
}

}  // namespace DuRud
