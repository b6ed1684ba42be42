// Blend mode 0: the lit source colour replaces the destination, weighted
// only by a blend-image factor or a source alpha.
#include "soft/span_pipeline.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

struct PlainCopy {
    template <bool Is32, bool Blend, bool White>
    static void Write(const SpanContext&, uint8_t* d, const Texel& t, int32_t f, int32_t a,
                      TexelPath path) {
        if constexpr (!Blend) {
            if (path == TexelPath::Opaque) {
                // Whole-entry copy: the raw texel or palette entry, byte 3 included.
                if constexpr (White)
                    StoreWhole<Is32>(d, t.whole);
                else
                    StoreChannels<Is32>(d, t.r, t.g, t.b);
                return;
            }
        }
        int32_t dr, dg, db;
        LoadChannels<Is32>(d, dr, dg, db);
        if (!Blend) {
            // Alpha mix.
            StoreChannels<Is32>(d, ((t.r - dr) * a + dr * 256) >> 8,
                                ((t.g - dg) * a + dg * 256) >> 8, ((t.b - db) * a + db * 256) >> 8);
        } else if (path == TexelPath::Opaque) {
            // Blend-factor mix.
            StoreChannels<Is32>(d, ((t.r - dr) * f + dr * 256) >> 8,
                                ((t.g - dg) * f + dg * 256) >> 8, ((t.b - db) * f + db * 256) >> 8);
        } else {
            // Blend-factor and alpha mix.
            const int32_t w = f * a;
            StoreChannels<Is32>(d, ((t.r - dr) * w + dr * 65536) >> 16,
                                ((t.g - dg) * w + dg * 65536) >> 16,
                                ((t.b - db) * w + db * 65536) >> 16);
        }
    }
};

}  // namespace

SpanFunction PickPlainCopySpan(SourceKind kind, bool blend, bool white, bool trans) {
    return PickSpan<PlainCopy>(kind, blend, white, trans);
}

}  // namespace DuRud
