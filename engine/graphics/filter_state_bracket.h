// The draw state around a filter: everything a filter's passes change is
// saved first, set to the passes' plain values, and put back afterwards,
// whether the filter succeeded or not.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "graphics/draw_settings.h"

namespace DuRud {

struct FilterDrawState {
    int32_t renderTargets[kRenderTargetSlots];
    int32_t useZBuffer3D;
    int32_t blendMode, blendParameter;
    int32_t softBlendMode, softBlendParameter;  // the software renderer's own copy
    int32_t samplingMode;
    int32_t alphaTestMode, alphaTestReference;
    DWORD fogEnable;
    int32_t lighting;
    IDirect3DSurface9* depthSurface;  // a reference, dropped by the restore
};

// Saves into the block and sets 3D depth use off, blend mode 14 at 0,
// bilinear sampling, the always-passing alpha test, fog and lighting off,
// no depth surface and no render-target slot past the first.
int SaveFilterDrawState(FilterDrawState* saved);
int RestoreFilterDrawState(FilterDrawState* saved);

}  // namespace DuRud
