// The draw-settings block: reset, setters, queries, draw area, depth surface
// choice and the diffuse colour the draw workers write.
#include "graphics/draw_settings.h"

#include <utility>

#include "core/engine_lifecycle.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_surfaces.h"
#include "graphics/graphic_create_params.h"
#include "graphics/graphic_handles.h"
#include "graphics/lights.h"
#include "graphics/masks.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/vertex_batch.h"
#include "image/memimg.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

int g_vsyncWish = 1;  // the device's presentation interval follows it

int Clamp255(int value) {
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

bool BrightnessIsWhite(const DrawSettings& d) {
    return d.brightRed == 255 && d.brightGreen == 255 && d.brightBlue == 255;
}

void UpdateDiffuseColor() {
    DrawSettings& d = GetDrawSettings();
    const uint32_t alpha = d.blendMode != 0 ? static_cast<uint32_t>(d.blendParameter) : 255u;
    d.diffuseColor = alpha << 24 | static_cast<uint32_t>(d.brightRed) << 16 |
                     static_cast<uint32_t>(d.brightGreen) << 8 | d.brightBlue;
}

void SendBrightnessToSoftware() {
    const DrawSettings& d = GetDrawSettings();
    SetMemImgDrawBright(static_cast<uint32_t>(d.brightRed) << 16 |
                        static_cast<uint32_t>(d.brightGreen) << 8 | d.brightBlue);
}

// The draw target's size: the screen's for -2 to -5, else the graphic's.
int TargetSize(int target, int* width, int* height) {
    if (IsScreenTarget(target)) return QueryDrawSize(width, height);
    const GraphicRecord* g = GraphicFromHandle(target, 0);
    if (!g) return -1;
    *width = g->width;
    *height = g->height;
    return 0;
}

IDirect3DSurface9* GraphicDepthSurface(const GraphicRecord* g) {
    if (!g || !g->image || g->image->request.software || g->image->tileCount < 1) return nullptr;
    return g->image->tiles[0].depthSurface;
}

// The values after a reset, before the kept fields are copied back.
DrawSettings DefaultDrawSettings() {
    DrawSettings d{};
    d.waitVSync = 1;
    d.blendGraphic = -1;
    for (auto& stages : d.textureAddress)
        for (int32_t& mode : stages) mode = D3DTADDRESS_CLAMP;
    d.alphaTestMode = d.appliedAlphaTestMode = -1;
    d.brightRed = d.brightGreen = d.brightBlue = 255;
    d.diffuseColor = 0xFFFFFFFFu;
    d.cullMode = D3DCULL_NONE;
    for (int32_t& slot : d.renderTargets) slot = -1;
    d.renderTargets[0] = -4;  // the front screen
    d.depthGraphic = -2;
    return d;
}

}  // namespace

DrawSettings& GetDrawSettings() {
    static DrawSettings settings = DefaultDrawSettings();
    return settings;
}

int IsDrawStateChanged() {
    return GetRenderStateCache().drawStateChanged;
}

int RaiseDrawStateChanged() {
    GetRenderStateCache().drawStateChanged = 1;
    return 0;
}

int ResetDrawSettings() {
    DrawSettings& d = GetDrawSettings();
    const DrawSettings kept = d;
    d = DefaultDrawSettings();
    d.waitVSync = kept.waitVSync;
    d.fullScreenMaskWorks = kept.fullScreenMaskWorks;
    ResetGraphicCreateParams();
    SetMemImgBlendMode(0, 0);
    SendBrightnessToSoftware();
    UpdateDiffuseColor();
    int width = 0, height = 0;
    QueryDrawSize(&width, &height);
    SetDrawClip(0, 0, width, height);
    ResetCamera3DSettings();
    EnsureDefaultLight();
    ResetMaskUse();
    RaiseDrawStateChanged();
    return 0;
}

uint32_t DrawDiffuseColor() {
    return GetDrawSettings().diffuseColor;
}

int ApplyAlphaTestState(int compareMode, int reference) {
    DrawSettings& d = GetDrawSettings();
    if (!HasDevice()) return 0;
    if (compareMode == d.appliedAlphaTestMode && reference == d.appliedAlphaTestReference) return 0;
    FlushVertexBatch();
    d.appliedAlphaTestMode = compareMode;
    d.appliedAlphaTestReference = reference;
    return RaiseDrawStateChanged();
}

// --- setters --------------------------------------------------------------------------

int SetBlendMode(int mode, int parameter) {
    if (mode < 0 || mode > 16) return -1;
    DrawSettings& d = GetDrawSettings();
    if (mode != d.blendMode) RaiseDrawStateChanged();
    d.blendMode = mode;
    d.blendParameter = Clamp255(parameter);
    SetMemImgBlendMode(mode, d.blendParameter);
    UpdateDiffuseColor();
    return 0;
}

int SetDrawAlphaTest(int compareMode, int reference) {
    if (compareMode != -1 && (compareMode < 1 || compareMode > 8)) return -1;
    DrawSettings& d = GetDrawSettings();
    d.alphaTestMode = compareMode;
    d.alphaTestReference = Clamp255(reference);
    UpdateDiffuseColor();
    return RaiseDrawStateChanged();
}

int SetBrightness(int red, int green, int blue) {
    DrawSettings& d = GetDrawSettings();
    const bool wasWhite = BrightnessIsWhite(d);
    d.brightRed = static_cast<uint8_t>(Clamp255(red));
    d.brightGreen = static_cast<uint8_t>(Clamp255(green));
    d.brightBlue = static_cast<uint8_t>(Clamp255(blue));
    if (wasWhite != BrightnessIsWhite(d)) RaiseDrawStateChanged();
    SendBrightnessToSoftware();
    UpdateDiffuseColor();
    return 0;
}

int SetBrightnessColor(uint32_t rgb) {
    DrawSettings& d = GetDrawSettings();
    d.brightRed = static_cast<uint8_t>(rgb >> 16);
    d.brightGreen = static_cast<uint8_t>(rgb >> 8);
    d.brightBlue = static_cast<uint8_t>(rgb);
    SendBrightnessToSoftware();
    UpdateDiffuseColor();
    return RaiseDrawStateChanged();
}

int SetSamplingMode(int mode) {
    if (mode < 0 || mode > 2) return -1;
    GetDrawSettings().samplingMode = mode;
    RaiseDrawStateChanged();
    if (GetScreenState().useDirect3D && HasDevice()) SetSamplerFilterKind(mode);
    return 0;
}

int SetBlendSourceGraphic(Handle graphic, int blendType, int parameter1, int parameter2) {
    DrawSettings& d = GetDrawSettings();
    if (graphic < 1) {
        d.blendGraphic = -1;
        return RaiseDrawStateChanged();
    }
    if (blendType < 0 || blendType > 2 || !GraphicFromHandle(graphic, 0)) return -1;
    d.blendGraphic = graphic;
    d.blendType = blendType;
    d.blendParameter1 = blendType <= 1 ? Clamp255(parameter1) : 0;
    d.blendParameter2 = blendType == 1 ? Clamp255(parameter2) : 0;
    if (blendType == 1) BuildMemImgBlendImageTable(d.blendParameter1, d.blendParameter2);
    return RaiseDrawStateChanged();
}

int SetDrawClip(int x1, int y1, int x2, int y2) {
    DrawSettings& d = GetDrawSettings();
    d.rawArea[0] = x1;
    d.rawArea[1] = y1;
    d.rawArea[2] = x2;
    d.rawArea[3] = y2;
    int width = 0, height = 0;
    if (TargetSize(d.renderTargets[0], &width, &height) != 0) return -1;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    auto clamp = [](int v, int high) { return v < 0 ? 0 : v > high ? high : v; };
    d.areaX1 = clamp(x1, width);
    d.areaX2 = clamp(x2, width);
    d.areaY1 = clamp(y1, height);
    d.areaY2 = clamp(y2, height);
    const int area[4] = {d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    for (int i = 0; i < 4; ++i) d.areaFloat[i] = static_cast<float>(area[i]);
    const RECT rect{d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    SetMemImgDrawArea(&rect);
    int32_t* kept = GetScreenState().drawArea;  // the camera's projections read it
    kept[0] = d.areaX1, kept[1] = d.areaY1, kept[2] = d.areaX2, kept[3] = d.areaY2;
    if (d.areaX1 == d.areaX2 || d.areaY1 == d.areaY2) {
        d.areaEmpty = 1;
        return 0;
    }
    d.areaEmpty = 0;
    if (GetScreenState().useDirect3D && HasDevice()) {
        SetDeviceViewportRect(d.areaX1, d.areaY1, d.areaX2, d.areaY2);
        Mat4 viewport;
        MakeViewportMatrix(&viewport, (d.areaX1 + d.areaX2) * 0.5f, (d.areaY1 + d.areaY2) * 0.5f,
                           static_cast<float>(d.areaX2 - d.areaX1),
                           static_cast<float>(d.areaY2 - d.areaY1));
        SetViewportMatrix(&viewport);
    }
    return 0;
}

int SetDepthBufferGraphic(Handle graphic) {
    if (!GetScreenState().started && !HasDevice()) return -1;
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (g &&
        (!GetScreenState().useDirect3D || !g->image->request.drawTarget || !GraphicDepthSurface(g)))
        return -1;
    GetDrawSettings().depthGraphic = graphic;
    return RefreshDepthSurface();
}

int SetBackgroundColor(int red, int green, int blue) {
    ScreenState& s = GetScreenState();
    s.backgroundRed = Clamp255(red);
    s.backgroundGreen = Clamp255(green);
    s.backgroundBlue = Clamp255(blue);
    s.backgroundSet = 1;
    return 0;
}

int SetWaitVSync(int flag) {
    GetDrawSettings().waitVSync = flag ? 1 : 0;
    if (!GetEngineFlags().initialised) g_vsyncWish = flag ? 1 : 0;
    return 0;
}

int SetVSyncWaitReturningOld(int on) {
    const int old = GetDrawSettings().waitVSync;
    GetDrawSettings().waitVSync = on ? 1 : 0;
    return old;
}

int QueryVSyncWish() {
    return g_vsyncWish;
}

int SetHardwareRenderingWanted(int flag) {
    if (GetEngineFlags().initialised) return -1;
    GetScreenState().softwareForced = flag ? 0 : 1;
    return 0;
}

// --- depth surface --------------------------------------------------------------------

int RefreshDepthSurface() {
    if (!HasDevice()) return 0;
    const DrawSettings& d = GetDrawSettings();
    const DeviceResources& r = GetDeviceResources();
    const GraphicRecord* depth = GraphicFromHandle(d.depthGraphic, 0);
    IDirect3DSurface9* depthSurface = GraphicDepthSurface(depth);
    IDirect3DSurface9* chosen = r.depthSurface;
    if (!IsScreenTarget(d.renderTargets[0])) {
        const GraphicRecord* target = GraphicFromHandle(d.renderTargets[0], 0);
        if (!target) return -1;
        if (depthSurface && depth->width >= target->width && depth->height >= target->height)
            chosen = depthSurface;
        else if (GraphicDepthSurface(target))
            chosen = GraphicDepthSurface(target);
        else if (target->width > r.depthWidth || target->height > r.depthHeight)
            chosen = nullptr;
    } else {
        int width = 0, height = 0;
        QueryDrawSize(&width, &height);
        if (depthSurface && depth->width >= width && depth->height >= height) chosen = depthSurface;
    }
    FlushVertexBatch();
    DeviceSetDepthStencilSurface(chosen);
    return 0;
}

int CheckBlendGraphicSize(Handle graphic) {
    const GraphicRecord* blend = GraphicFromHandle(GetDrawSettings().blendGraphic, 0);
    const GraphicRecord* g = GraphicFromHandle(graphic, 1);
    if (!blend || !g) return -1;
    return blend->width >= g->width && blend->height >= g->height ? 0 : -1;
}

int EnableDialogBoxMode(int flag) {
    if (!HasDevice()) return 0;
    EndSceneIfBegun();
    DeviceSetDialogBoxMode(flag ? TRUE : FALSE);
    return 0;
}

// --- queries ----------------------------------------------------------------------------

int QueryGraphicSize(Handle graphic, int* width, int* height) {
    int w = 0, h = 0;
    if (IsScreenTarget(graphic)) {
        QueryDrawSize(&w, &h);
    } else {
        const GraphicRecord* g = GraphicFromHandle(graphic, 1);
        if (!g) return -1;
        w = g->width;
        h = g->height;
    }
    if (width) *width = w;
    if (height) *height = h;
    return 0;
}

int QueryGraphicTextureSize(Handle graphic, int* width, int* height) {
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!g || !g->image) return -1;
    int w = g->width, h = g->height;
    if (!g->image->request.software && g->image->tileCount > 0) {
        w = g->image->tiles[0].textureWidth;
        h = g->image->tiles[0].textureHeight;
    }
    if (width) *width = w;
    if (height) *height = h;
    return 0;
}

int QueryScreenState(int* width, int* height, int* colorBits) {
    QueryDrawSize(width, height);
    if (colorBits) *colorBits = QueryColorBits();
    return 0;
}

int IsFullScreen() {
    return GetWindowModeFlag() != 1 ? 1 : 0;
}
int IsSoftwareRenderer() {
    return GetScreenState().useDirect3D ? 0 : 1;
}
int QuerySamplingMode() {
    return GetDrawSettings().samplingMode;
}
int QueryWaitVSync() {
    return GetDrawSettings().waitVSync;
}
int QueryDrawTarget() {
    return GetDrawSettings().renderTargets[0];
}
int IsFlipInProgress() {
    return GetDrawSettings().flipInProgress;
}

int GetBackgroundColorSetting(int* red, int* green, int* blue) {
    const ScreenState& s = GetScreenState();
    if (!s.backgroundSet) return 0;
    *red = s.backgroundRed;
    *green = s.backgroundGreen;
    *blue = s.backgroundBlue;
    return 1;
}

}  // namespace DuRud
