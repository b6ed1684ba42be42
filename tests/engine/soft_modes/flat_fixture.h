// Shared by the one-colour drawing tests: canvases from the blitter tests'
// fixture, a draw-state helper and pixel-set comparisons.
#pragma once

#include <climits>
#include <set>
#include <utility>

#include "../soft_blit/soft_blit_fixture.h"
#include "soft/memimg_renderer.h"

namespace softmodes {

using softblit::Canvas;
using Points = std::set<std::pair<int, int>>;

inline void State(int mode, int p, uint32_t bright = 0xFFFFFF,
                  RECT area = RECT{0, 0, 1 << 20, 1 << 20}) {
    softblit::ApplyDrawState(softblit::DrawState{mode, p, bright, area});
}

// The pixels that no longer hold `background`.
inline Points Changed(const Canvas& c, uint32_t background) {
    Points out;
    for (int y = 0; y < c.h(); ++y)
        for (int x = 0; x < c.w(); ++x)
            if (c.Get(x, y) != background) out.insert({x, y});
    return out;
}

// True when nothing outside the view was written.
inline bool MarginsIntact(const Canvas& c) {
    const auto store = c.Store();
    const int pitch = c.body()->pitch;
    const uint8_t* base = c.body()->pixelStore;
    const ptrdiff_t viewStart = c.view.pixels - base;
    for (size_t i = 0; i < store.size(); ++i) {
        const ptrdiff_t rel = ptrdiff_t(i) - viewStart;
        const ptrdiff_t row = rel >= 0 ? rel / pitch : -1;
        const ptrdiff_t col = rel >= 0 ? rel % pitch : -1;
        const bool inside = rel >= 0 && row < c.h() && col < c.w() * c.bpp;
        if (!inside && store[i] != softblit::kSentinel) return false;
    }
    return true;
}

}  // namespace softmodes
