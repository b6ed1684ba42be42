// The filter's state bracket (see filter_state_bracket.h).
#include "graphics/filter_state_bracket.h"

#include "DuRud.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/draw_state_apply.h"
#include "graphics/masked_draw.h"
#include "graphics/lights.h"
#include "graphics/render_state_cache.h"
#include "graphics/screen_state.h"
#include "graphics/vertex_batch.h"
#include "image/memimg.h"

namespace DuRud {
namespace {

constexpr int kFilterBlendMode = 14;
constexpr int kBilinear = 1;
constexpr int kAlwaysPasses = 8;

bool Direct3D() {
    return GetScreenState().useDirect3D && HasDevice();
}

}  // namespace

int SaveFilterDrawState(FilterDrawState* saved) {
    DrawSettings& d = GetDrawSettings();
    *saved = FilterDrawState{};
    for (int slot = 0; slot < kRenderTargetSlots; ++slot) {
        saved->renderTargets[slot] = d.renderTargets[slot];
        if (slot > 0 && d.renderTargets[slot] > 0) SetRenderTargetSlot(slot, 0);
    }
    saved->useZBuffer3D = GetCamera3DSettings().useZBuffer3D;
    saved->blendMode = d.blendMode;
    saved->blendParameter = d.blendParameter;
    saved->softBlendMode = MemImgDrawState.blendMode;
    saved->softBlendParameter = MemImgDrawState.blendParameter;
    saved->samplingMode = d.samplingMode;
    saved->alphaTestMode = d.alphaTestMode;
    saved->alphaTestReference = d.alphaTestReference;
    saved->fogEnable = GetRenderStateCache().fogEnable;
    saved->lighting = GetLightTable().lightingDisabled ? 0 : 1;
    SetUseZBuffer3D(0);
    SetBlendMode(kFilterBlendMode, 0);
    SetSamplingMode(kBilinear);
    SetDrawAlphaTest(kAlwaysPasses, 0);
    if (Direct3D()) SetDeviceFogEnable(0);
    SetUseLighting(0);
    if (Direct3D()) {
        FlushVertexBatch();
        DeviceGetDepthStencilSurface(&saved->depthSurface);
        DeviceSetDepthStencilSurface(nullptr);
    }
    return 0;
}

int RestoreFilterDrawState(FilterDrawState* saved) {
    if (Direct3D()) {
        FlushVertexBatch();
        DeviceSetDepthStencilSurface(saved->depthSurface);
        // Passes drew into their own targets.
        if (IDirect3DSurface9* target = CurrentDrawingSurface()) SetRenderTargetSurface(target, 0);
    }
    if (saved->depthSurface) ReleaseComObject(saved->depthSurface);
    saved->depthSurface = nullptr;
    SetUseZBuffer3D(saved->useZBuffer3D);
    SetBlendMode(saved->blendMode, saved->blendParameter);
    SetMemImgBlendMode(saved->softBlendMode, saved->softBlendParameter);
    SetSamplingMode(saved->samplingMode);
    SetDrawAlphaTest(saved->alphaTestMode, saved->alphaTestReference);
    if (Direct3D()) SetDeviceFogEnable(static_cast<int>(saved->fogEnable));
    SetUseLighting(saved->lighting);
    const DrawSettings& d = GetDrawSettings();
    SetDrawClip(d.areaX1, d.areaY1, d.areaX2, d.areaY2);
    for (int slot = 1; slot < kRenderTargetSlots; ++slot)
        if (saved->renderTargets[slot] > 0) SetRenderTargetSlot(slot, saved->renderTargets[slot]);
    return 0;
}

}  // namespace DuRud
