// Blend mode 11: each channel moves towards the product of the lit source
// and the destination, (S * D) >> width (a shift, so white lowers a full
// channel by one), by p/255 with the alpha blend's mixes. Every parameter
// runs here; p = 0 rewrites each pixel unchanged.
#include "soft/parameter_mixes.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

struct Multiply {
    template <bool Is32, bool Blend, bool White>
    static void Write(const SpanContext& c, uint8_t* d, const Texel& t, int32_t f, int32_t a,
                      TexelPath path) {
        int32_t dr, dg, db;
        LoadChannels<Is32>(d, dr, dg, db);
        constexpr int wide = Is32 ? 8 : 5;  // red and blue
        constexpr int green = Is32 ? 8 : 6;
        const int32_t r = ParameterMix<Is32, Blend>(c, (t.r * dr) >> wide, dr, f, a, path);
        const int32_t b = ParameterMix<Is32, Blend>(c, (t.b * db) >> wide, db, f, a, path);
        int32_t g;
        if (!Is32 && !Blend && White && path == TexelPath::Alpha) {
            // The 16-bit alpha loops without blend image under white
            // brightness carry green with five more fraction bits:
            // floor(S*D/2) - 32*D, weighted by A*p / 2^21. The sum stays
            // below 2^27 and is never negative.
            const int32_t fine = ((t.g * dg) >> 1) - 32 * dg;
            g = ((dg << 21) + fine * a * c.parameter) >> 21;
        } else {
            g = ParameterMix<Is32, Blend>(c, (t.g * dg) >> green, dg, f, a, path);
        }
        StoreChannels<Is32>(d, r, g, b);
    }
};

}  // namespace

SpanFunction PickMultiplySpan(SourceKind kind, bool blend, bool white, bool trans) {
    return PickSpan<Multiply>(kind, blend, white, trans);
}

}  // namespace DuRud
