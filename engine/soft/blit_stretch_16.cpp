// The stretched blit's group for 16-bit R5G6B5 sources without a palette:
// one loop per blend mode and combination of blend image, brightness, source
// alpha and transparent flag, one pixel at a time. Unlike the whole-image
// kernels there is no six-bit mix, no half form and no two-pixel word: blend
// mode 1 takes the scaled form for every p. The MMX flag is not read here.
#include "soft/stretch_walk.h"

namespace DuRud {

namespace {

template <int Mode, bool Blend, bool White, bool Alpha, bool Trans, Advance Form>
void Stretch16(const StretchCall& c) {
    const BlitCall& k = c.k;
    // The plain copy does not read the destination.
    constexpr bool copy = Mode == 0 && !Blend && White && !Alpha && !Trans;
    if constexpr (copy) {
        StretchCopyWalk<Form, 2>(c, [](const uint8_t* s) { return Load16(s); });
        return;
    }
    StretchWalk<Form, 2, Blend>(c, [&](const uint8_t* s, const uint8_t* b, uint8_t* d, int n) {
        uint32_t t = 0;
        if constexpr (Blend) t = k.blendTable[*b];
        if constexpr (!Alpha) {
            const uint32_t sv = Load16(s);
            if constexpr (Trans) {
                // Compared widened: a stored value above 0xFFFF matches nothing.
                if (sv == k.transColor) return;
            }
            for (int i = 0; i < n; ++i) {
                uint8_t* p = d + 2 * i;
                Store16(p, Pixel16<Mode, Blend, White, false>(Load16(p), sv, 0, t, k));
            }
        } else {
            const uint32_t sv = Load32(s);
            const uint32_t s16 = sv & 0xFFFF;
            const uint32_t a = (sv >> 16) & 0xFF;
            if constexpr (Trans) {
                if (a == 0) return;
                if (a == 255) {
                    for (int i = 0; i < n; ++i) {
                        uint8_t* p = d + 2 * i;
                        Store16(p, Pixel16<Mode, Blend, White, false>(Load16(p), s16, 0, t, k));
                    }
                    return;
                }
            }
            for (int i = 0; i < n; ++i) {
                uint8_t* p = d + 2 * i;
                Store16(p, Pixel16<Mode, Blend, White, true>(Load16(p), s16, a, t, k));
            }
        }
    });
}

template <int Mode>
void Select16(const StretchCall& c) {
    const BlitCall& k = c.k;
    const bool plainSource = !k.hasBlend && k.white && !k.alpha;
    // The plain copy, and the direct subtract of blend mode 3 at p = 255
    // (x = s, which the general form gives at p = 255), advance strictly.
    if ((Mode == 0 || (Mode == 3 && k.p == 255)) && plainSource) {
        WithBool(k.trans, [&](auto trans) {
            Stretch16<Mode, false, true, false, trans(), Advance::Strict>(c);
        });
        return;
    }
    WithBool(k.hasBlend, [&](auto blend) {
        WithBool(k.white, [&](auto white) {
            WithBool(k.alpha, [&](auto alpha) {
                WithBool(k.trans, [&](auto trans) {
                    Stretch16<Mode, blend(), white(), alpha(), trans(), Advance::Inclusive>(c);
                });
            });
        });
    });
}

}  // namespace

void StretchGroup16(const StretchCall& c) {
    WithBlendMode(c.k.mode, [&](auto mode) { Select16<mode()>(c); });
}

}  // namespace DuRud
