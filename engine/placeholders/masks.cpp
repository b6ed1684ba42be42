// The mask hooks as this system uses them (deleted when the mask module is
// built): no mask screen exists, so nothing is copied or composed and the
// hooks only count how deeply draws are nested.
#include "graphics/masked_draw.h"

namespace DuRud {
namespace {
int g_nesting = 0;
}

int IsMaskInUse() {
    return 0;
}
int BeginMaskedDraw(int, int, int, int) {
    ++g_nesting;
    return 0;
}
int EndMaskedDraw(int, int, int, int) {
    if (g_nesting > 0) --g_nesting;
    return 0;
}
int MaskedDrawNesting() {
    return g_nesting;
}

}  // namespace DuRud
