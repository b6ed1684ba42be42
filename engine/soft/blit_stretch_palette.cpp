// The stretched blit's groups for palette sources onto 32-bit and 16-bit
// destinations. Each source pixel is an index: it is tested against the whole
// transparent value (so a value above 255 skips nothing), then its entry
// goes through the direct-colour forms as a source without alpha. Blend mode
// 3 draws at p = 0 too; at p = 255 with white and no blend image it is the
// whole-entry subtract, read from the work palette (MMX or plain at 32 bits).
#include "soft/stretch_walk.h"

namespace DuRud {

namespace {

template <bool Is32>
uint32_t Entry(const uint8_t* palette, uint32_t index) {
    if constexpr (Is32) {
        return Load32(palette + 4 * index);
    } else {
        return Load16(palette + 2 * index);
    }
}

template <bool Is32, int Mode, bool Blend, bool White, bool Trans, Advance Form>
void StretchPalette(const StretchCall& c) {
    const BlitCall& k = c.k;
    // The entry copy does not read the destination.
    constexpr bool copy = Mode == 0 && !Blend && White && !Trans;
    if constexpr (copy) {
        StretchCopyWalk<Form, Is32 ? 4 : 2>(
            c, [&](const uint8_t* s) { return Entry<Is32>(k.palette, *s); });
        return;
    }
    StretchWalk<Form, Is32 ? 4 : 2, Blend>(
        c, [&](const uint8_t* s, const uint8_t* b, uint8_t* d, int n) {
            const uint32_t index = *s;
            if constexpr (Trans) {
                if (index == k.transColor) return;
            }
            const uint32_t e = Entry<Is32>(k.palette, index);
            uint32_t t = 0;
            if constexpr (Blend) t = k.blendTable[*b];
            for (int i = 0; i < n; ++i) {
                if constexpr (Is32) {
                    Pixel32<Mode, Blend, White, false>(d + 4 * i, e, t, k);
                } else {
                    uint8_t* p = d + 2 * i;
                    Store16(p, Pixel16<Mode, Blend, White, false>(Load16(p), e, 0, t, k));
                }
            }
        });
}

// Blend mode 3, p = 255, white, no blend image: the entry itself is
// subtracted, one pixel at a time. Mmx: every byte saturates on its own.
template <bool Is32, bool Mmx, bool Trans>
void WholeEntrySubtract(const StretchCall& c) {
    StretchWalk<Advance::Strict, Is32 ? 4 : 2, false>(
        c, [&](const uint8_t* s, const uint8_t*, uint8_t* d, int n) {
            const uint32_t index = *s;
            if constexpr (Trans) {
                if (index == c.k.transColor) return;
            }
            const uint32_t e = Entry<Is32>(c.workPalette, index);
            for (int i = 0; i < n; ++i) {
                if constexpr (!Is32) {
                    Store16(d + 2 * i, MemImgSubtract16(Load16(d + 2 * i), e));
                } else if constexpr (Mmx) {
                    Store32(d + 4 * i, SubtractSaturateBytes32(Load32(d + 4 * i), e));
                } else {
                    Store32(d + 4 * i, MemImgSubtract32(Load32(d + 4 * i), e));
                }
            }
        });
}

template <bool Is32, int Mode>
void SelectPalette(const StretchCall& c) {
    const BlitCall& k = c.k;
    const bool plain = !k.hasBlend && k.white;
    if constexpr (Mode == 0) {
        // The entry copy (all four bytes at 32 bits).
        if (plain) {
            WithBool(k.trans, [&](auto trans) {
                StretchPalette<Is32, 0, false, true, trans(), Advance::Strict>(c);
            });
            return;
        }
    }
    if constexpr (Mode == 3) {
        if (plain && k.p == 255) {
            WithBool(Is32 && k.mmx, [&](auto mmx) {
                WithBool(k.trans, [&](auto trans) { WholeEntrySubtract<Is32, mmx(), trans()>(c); });
            });
            return;
        }
    }
    WithBool(k.hasBlend, [&](auto blend) {
        WithBool(k.white, [&](auto white) {
            WithBool(k.trans, [&](auto trans) {
                StretchPalette<Is32, Mode, blend(), white(), trans(), Advance::Inclusive>(c);
            });
        });
    });
}

}  // namespace

void StretchGroupPalette(const StretchCall& c, bool is32) {
    WithBlendMode(c.k.mode, [&](auto mode) {
        if (is32) {
            SelectPalette<true, mode()>(c);
        } else {
            SelectPalette<false, mode()>(c);
        }
    });
}

}  // namespace DuRud
