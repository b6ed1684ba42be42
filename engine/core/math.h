// Vector and matrix math (declared in DuRud.h) and the Windows-rectangle form
// of the rectangle clip that graphics and the blitters call.
#pragma once

#include <windows.h>

#include "DuRud.h"

namespace DuRud {

static_assert(sizeof(RECT) == sizeof(IntRect));

inline int ClipRect(RECT* rect, const RECT* bounds) {
    IntRect r{rect->left, rect->top, rect->right, rect->bottom};
    const IntRect b{bounds->left, bounds->top, bounds->right, bounds->bottom};
    ClipRect(&r, &b);
    *rect = RECT{r.left, r.top, r.right, r.bottom};
    return 0;
}

}  // namespace DuRud
