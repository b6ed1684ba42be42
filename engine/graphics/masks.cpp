// Masks: while a mask is in use every draw lands on a work surface, and the
// drawn rectangle is copied back onto the real target only where the
// screen-sized mask lets it through. Direct3D composes with one textured
// quad (the work texture tested against the mask texture's alpha); the
// software renderer copies pixel by pixel.
#include "graphics/masks.h"

#include <cstring>

#include "DuRud.h"
#include "core/math.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/draw_surfaces.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphics_startup.h"
#include "graphics/masked_draw.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "image/memimg.h"

namespace DuRud {
namespace {

constexpr int kMaxMaskHandles = 512;

struct MaskRecord {
    HandleHeader header;
    uint8_t* pixels;  // tracked, freed by the delete callback
    int32_t width, height;
};

struct MaskState {
    int32_t started;
    uint8_t* bytes;  // one per draw-size pixel, rows of `pitch`
    int32_t pitch, width, height;
    int32_t reversed;
    int32_t composePending;
    int32_t screenWanted;
    int32_t useRequested;
    int32_t active;
    int32_t nesting;
    int32_t workImageMade;
    MEMIMG workImage;
    int32_t textureWidth, textureHeight;
    IDirect3DTexture9* maskTexture;
    IDirect3DTexture9* screenTexture;
    IDirect3DSurface9* screenSurface;
    IDirect3DSurface9* realTarget;
};

MaskState g_mask{};

struct ComposeVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(ComposeVertex) == 28);
constexpr DWORD kComposeFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

int SmallestPowerOfTwoAtLeast(int value) {
    int p = 1;
    while (p < value) p <<= 1;
    return p;
}

RECT DrawArea() {
    const DrawSettings& d = GetDrawSettings();
    return RECT{d.areaX1, d.areaY1, d.areaX2, d.areaY2};
}

bool Direct3D() {
    return GetScreenState().useDirect3D && HasDevice();
}

// The MEMIMG drawing lands on without a mask: the draw-target graphic's,
// else the screen's.
MEMIMG* RealSoftwareTarget() {
    const Handle target = GetDrawSettings().renderTargets[0];
    if (!IsScreenTarget(target)) {
        GraphicRecord* g = GraphicFromHandle(target, 0);
        if (g) return &g->view;
    }
    return SoftwarePrimary();
}

int DeleteMaskHandle(HandleHeader* header) {
    auto* record = reinterpret_cast<MaskRecord*>(header);
    TrackedFree(record->pixels);
    record->pixels = nullptr;
    return 0;
}

// The fixed-function compose: the work texture's colour where the mask's
// alpha passes the test. Normal mode tests the complemented byte against
// 255 (the mask byte is 0), so composed pixels carry alpha 255; reversed
// tests the byte itself above 0.
RenderStateDesc ComposeState(int reversed) {
    RenderStateDesc desc{};
    desc.alphaTestEnable = TRUE;
    desc.alphaReference = reversed ? 0 : 255;
    desc.alphaFunction = reversed ? D3DCMP_GREATER : D3DCMP_GREATEREQUAL;
    desc.alphaBlendEnable = FALSE;
    desc.textureFactor = 0xFFFFFFFFu;
    desc.sourceBlend = desc.destinationBlend = desc.blendOperation = -1;
    desc.stageCount = 3;
    // Fields: texture, coordinate set, result to temp, alpha arg1, arg2, op,
    // colour arg1, arg2, op.
    const auto maskAlpha =
        static_cast<int16_t>(reversed ? D3DTA_TEXTURE : D3DTA_TEXTURE | D3DTA_COMPLEMENT);
    desc.stages[0] = StageDesc{reinterpret_cast<intptr_t>(g_mask.screenTexture),
                               0,
                               0,
                               D3DTA_TEXTURE,
                               D3DTA_DIFFUSE,
                               D3DTOP_SELECTARG1,
                               D3DTA_TEXTURE,
                               D3DTA_DIFFUSE,
                               D3DTOP_SELECTARG1};
    desc.stages[1] = StageDesc{reinterpret_cast<intptr_t>(g_mask.maskTexture),
                               0,
                               0,
                               maskAlpha,
                               D3DTA_CURRENT,
                               D3DTOP_SELECTARG1,
                               D3DTA_CURRENT,
                               D3DTA_TEXTURE,
                               D3DTOP_SELECTARG1};
    desc.stages[2] = StageDesc{0, 0, -1, -1, -1, D3DTOP_DISABLE, -1, -1, D3DTOP_DISABLE};
    return desc;
}

void ComposeDirect3D(const RECT& r) {
    RenderStateCache& c = GetRenderStateCache();
    FlushVertexBatch();
    SetRenderTargetSurface(g_mask.realTarget, 0);
    ApplyPendingDrawState(0, nullptr, 0);
    IDirect3DVertexShader9* vertexShader = c.vertexShader;
    IDirect3DPixelShader9* pixelShader = c.pixelShader;
    if (vertexShader) DeviceSetVertexShader(nullptr);
    if (pixelShader) DeviceSetPixelShader(nullptr);
    SetDeviceViewportRect(DrawArea().left, DrawArea().top, DrawArea().right, DrawArea().bottom);
    EnsureSceneBegun();
    if (c.fvf != kComposeFormat && SUCCEEDED(DeviceSetFVF(kComposeFormat))) c.fvf = kComposeFormat;
    RenderStateDesc desc = ComposeState(g_mask.reversed);
    // With shaders the compose kernel gives the same alpha for the test:
    // 1 - mask normally, the mask itself reversed (constant 5's x).
    if ((desc.pixelShader = MaskBlendPixelShader()))
        desc.constant5[0] = g_mask.reversed ? 1.0f : 0.0f;
    ApplyPendingDrawState(0, &desc, 0);
    const float tw = static_cast<float>(g_mask.textureWidth);
    const float th = static_cast<float>(g_mask.textureHeight);
    auto corner = [&](LONG x, LONG y) {
        return ComposeVertex{
            static_cast<float>(x) - 0.5f, static_cast<float>(y) - 0.5f, 0.0f, 1.0f, 0xFFFFFFFFu,
            static_cast<float>(x) / tw,   static_cast<float>(y) / th};
    };
    const ComposeVertex strip[4] = {corner(r.left, r.top), corner(r.right, r.top),
                                    corner(r.left, r.bottom), corner(r.right, r.bottom)};
    DeviceDrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(ComposeVertex));
    // Unbound again, so a released mask screen leaves no texture alive on
    // the device.
    RenderStateDesc unbound = desc;
    unbound.stages[0].texture = unbound.stages[1].texture = 0;
    ApplyPendingDrawState(0, &unbound, 0);
    // The draw settings' own state goes back on the next draw.
    if (vertexShader) DeviceSetVertexShader(vertexShader);
    if (pixelShader || desc.pixelShader) DeviceSetPixelShader(pixelShader);
    c.vertexShader = vertexShader;
    c.pixelShader = pixelShader;
    c.pendingApply = 1;
    RaiseDrawStateChanged();
    ForgetPreparedDraw();
    SetRenderTargetSurface(g_mask.screenSurface, 0);
    SetDeviceViewportRect(DrawArea().left, DrawArea().top, DrawArea().right, DrawArea().bottom);
}

template <class Pixel>
void ComposeRows(MEMIMG* dest, const MEMIMG* work, const RECT& r) {
    const uint8_t pass = g_mask.reversed ? 1 : 0;
    for (LONG y = r.top; y < r.bottom; ++y) {
        const uint8_t* mask = g_mask.bytes + static_cast<size_t>(y) * g_mask.pitch;
        auto* to =
            reinterpret_cast<Pixel*>(dest->pixels + static_cast<size_t>(y) * dest->body->pitch);
        const auto* from = reinterpret_cast<const Pixel*>(work->pixels + static_cast<size_t>(y) *
                                                                             work->body->pitch);
        for (LONG x = r.left; x < r.right; ++x)
            if ((mask[x] != 0) == (pass != 0)) to[x] = from[x];
    }
}

void ComposeSoftware(const RECT& r) {
    MEMIMG* dest = RealSoftwareTarget();
    if (!dest || !MemImgIsValid(dest) || !g_mask.workImageMade) return;
    const int bytes = GetMemImgBytesPerPixel(dest);
    if (bytes != GetMemImgBytesPerPixel(&g_mask.workImage)) return;
    if (bytes == 4) ComposeRows<uint32_t>(dest, &g_mask.workImage, r);
    if (bytes == 2) ComposeRows<uint16_t>(dest, &g_mask.workImage, r);
}

// Clipped to the draw area, the mask and (Direct3D) the work texture.
bool ClipToMask(RECT* r) {
    const RECT area = DrawArea();
    ClipRect(r, &area);
    const RECT mask{0, 0, g_mask.width, g_mask.height};
    ClipRect(r, &mask);
    return r->left < r->right && r->top < r->bottom;
}

void Compose(RECT r) {
    if (!g_mask.active || !ClipToMask(&r)) return;
    if (GetScreenState().useDirect3D) {
        if (HasDevice() && g_mask.screenSurface && g_mask.realTarget) ComposeDirect3D(r);
    } else {
        ComposeSoftware(r);
    }
}

void CarryOutPendingCompose() {
    if (g_mask.composePending && g_mask.active) Compose(DrawArea());
    g_mask.composePending = 0;
}

}  // namespace

IDirect3DSurface9* CurrentDrawingSurface() {
    return g_mask.active && g_mask.screenSurface
               ? g_mask.screenSurface
               : DrawTargetSurface(GetDrawSettings().renderTargets[0]);
}

namespace {

void RedirectDrawing() {
    const DrawSettings& d = GetDrawSettings();
    if (GetScreenState().useDirect3D) {
        if (!HasDevice()) return;
        FlushVertexBatch();
        IDirect3DSurface9* surface = CurrentDrawingSurface();
        SetRenderTargetSurface(surface, 0);
        RefreshDepthSurface();
        // The work texture is the draw size rounded up: a target graphic's
        // own depth surface can be too small for it, the screen's is not.
        const DeviceResources& r = GetDeviceResources();
        if (surface == g_mask.screenSurface)
            DeviceSetDepthStencilSurface(r.depthWidth >= g_mask.textureWidth &&
                                                 r.depthHeight >= g_mask.textureHeight
                                             ? r.depthSurface
                                             : nullptr);
        if (!d.areaEmpty) SetDeviceViewportRect(d.areaX1, d.areaY1, d.areaX2, d.areaY2);
        return;
    }
    if (g_mask.active && g_mask.workImageMade) {
        SetSoftwareDrawTarget(&g_mask.workImage);
        return;
    }
    const Handle target = d.renderTargets[0];
    GraphicRecord* g = IsScreenTarget(target) ? nullptr : GraphicFromHandle(target, 0);
    SetSoftwareDrawTarget(g ? &g->view : nullptr);
}

// The mask byte m as the texel of the alpha format.
void WriteTexel(uint8_t* row, int x, D3DFORMAT format, uint8_t m) {
    if (format == D3DFMT_A8) {
        row[x] = m;
    } else if (format == D3DFMT_A4R4G4B4) {
        const uint16_t v = static_cast<uint16_t>((m >> 4) << 12);
        std::memcpy(row + 2 * x, &v, 2);
    } else {
        const uint32_t v = static_cast<uint32_t>(m) << 24;
        std::memcpy(row + 4 * x, &v, 4);
    }
}

int FormatBytes(D3DFORMAT format) {
    return format == D3DFMT_A8 ? 1 : format == D3DFMT_A4R4G4B4 ? 2 : 4;
}

// Copies the mask bytes of the rectangle into the mask texture.
int UploadMaskBytes(const RECT& r) {
    if (!g_mask.maskTexture) return 0;
    const D3DFORMAT format = GetDeviceResources().maskAlphaFormat;
    D3DLOCKED_RECT locked{};
    if (FAILED(TextureLockRect(g_mask.maskTexture, 0, &locked, nullptr, 0))) return -1;
    for (LONG y = r.top; y < r.bottom; ++y) {
        uint8_t* row = static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        const uint8_t* mask = g_mask.bytes + static_cast<size_t>(y) * g_mask.pitch;
        for (LONG x = r.left; x < r.right; ++x)
            WriteTexel(row, static_cast<int>(x), format, mask[x]);
    }
    TextureUnlockRect(g_mask.maskTexture, 0);
    return 0;
}

void MakeDirect3DScreen(int width, int height) {
    const DeviceResources& r = GetDeviceResources();
    if (r.maskColourFormat == D3DFMT_UNKNOWN)
        FatalExit(Cp932Text(
            "マスク描画用カラーバッファで使用できるテクスチャフォーマットがありませんでした"));
    if (r.maskAlphaFormat == D3DFMT_UNKNOWN)
        FatalExit(
            Cp932Text("マスク描画用アルファチャンネルバッファで使用できるテクスチャフォーマットがあ"
                      "りませんでした"));
    g_mask.textureWidth = SmallestPowerOfTwoAtLeast(width);
    g_mask.textureHeight = SmallestPowerOfTwoAtLeast(height);
    const UINT tw = static_cast<UINT>(g_mask.textureWidth);
    const UINT th = static_cast<UINT>(g_mask.textureHeight);
    if (!g_mask.maskTexture) {
        if (FAILED(DeviceCreateTexture(tw, th, 1, D3DUSAGE_DYNAMIC, r.maskAlphaFormat,
                                       D3DPOOL_DEFAULT, &g_mask.maskTexture)))
            FatalExit(Cp932Text("マスク用イメージテクスチャの作成に失敗しました"));
        // Zeroed by the locked pitch and the texture's own height: the draw
        // size may be wider than a row under emulated small screens.
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(TextureLockRect(g_mask.maskTexture, 0, &locked, nullptr, 0))) {
            const size_t row = static_cast<size_t>(FormatBytes(r.maskAlphaFormat)) * tw;
            for (UINT y = 0; y < th; ++y)
                std::memset(
                    static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch, 0,
                    row);
            TextureUnlockRect(g_mask.maskTexture, 0);
        }
    }
    if (!g_mask.screenTexture &&
        FAILED(DeviceCreateTexture(tw, th, 1, D3DUSAGE_RENDERTARGET, r.maskColourFormat,
                                   D3DPOOL_DEFAULT, &g_mask.screenTexture)))
        FatalExit(Cp932Text("マスク用スクリーンテクスチャの作成に失敗しました"));
    if (!g_mask.screenSurface)
        TextureGetSurfaceLevel(g_mask.screenTexture, 0, &g_mask.screenSurface);
}

}  // namespace

int StartMasks() {
    if (g_mask.started) return -1;
    if (RegisterHandleType(HandleTypeMask, sizeof(MaskRecord), kMaxMaskHandles, nullptr,
                           DeleteMaskHandle, Cp932Text("マスク")) != 0)
        return -1;
    g_mask = MaskState{};
    g_mask.useRequested = 1;
    g_mask.started = 1;
    return 0;
}

int EndMasks() {
    if (!g_mask.started) return -1;
    if (g_mask.useRequested) SetMaskEnabled(0);
    ReleaseMaskScreen();
    g_mask.screenWanted = 0;
    g_mask.active = 0;
    DeleteAllHandles(HandleTypeMask, nullptr);
    g_mask.started = 0;
    EndHandleType(HandleTypeMask);
    return 0;
}

int IsMaskEnabled() {
    return g_mask.useRequested;
}

int ResetMaskUse() {
    g_mask.useRequested = 1;
    return 0;
}

int SetMaskEnabled(int flag) {
    if (!g_mask.started || !g_mask.bytes) return -1;
    CarryOutPendingCompose();
    g_mask.useRequested = flag;
    g_mask.active = flag && g_mask.screenWanted ? 1 : 0;
    RedirectDrawing();
    return 0;
}

int MakeMaskScreen(int wanted) {
    if (!wanted) return 0;
    int width = 0, height = 0;
    QueryDrawSize(&width, &height);
    if (!g_mask.bytes) {
        g_mask.pitch = (width + 3) / 4 * 4;
        g_mask.width = width;
        g_mask.height = height;
        g_mask.bytes = static_cast<uint8_t*>(
            TrackedCalloc(static_cast<uint32_t>(g_mask.pitch) * static_cast<uint32_t>(height),
                          __FILE__, __LINE__));
        if (!g_mask.bytes) FatalExit(Cp932Text("マスク用メモリの確保に失敗しました"));
    }
    if (GetScreenState().useDirect3D) {
        if (HasDevice()) MakeDirect3DScreen(width, height);
        return 0;
    }
    if (!MemImgIsValid(&g_mask.workImage)) {
        const MEMIMG* screen = SoftwarePrimary();
        const int colorType =
            screen && MemImgIsValid(screen) && GetMemImgBytesPerPixel(screen) == 2 ? 0 : 1;
        if (NewMemImg(&g_mask.workImage, width, height, colorType) != 0)
            FatalExit(Cp932Text("マスク用 MEMIMG の作成に失敗しました"));
        g_mask.workImageMade = 1;
    }
    return 0;
}

int ReleaseMaskScreen() {
    TrackedFree(g_mask.bytes);
    g_mask.bytes = nullptr;
    if (g_mask.workImageMade) DropMemImg(&g_mask.workImage);
    g_mask.workImage = MEMIMG{};
    g_mask.workImageMade = 0;
    ReleaseAndClear(g_mask.maskTexture);
    ReleaseAndClear(g_mask.screenSurface);
    ReleaseAndClear(g_mask.screenTexture);
    g_mask.realTarget = nullptr;
    return 0;
}

int RestoreMaskScreen() {
    if (!g_mask.started) return -1;
    MakeMaskScreen(g_mask.screenWanted);
    if (g_mask.useRequested) SetMaskEnabled(1);
    return 0;
}

int IsMaskInUse() {
    return g_mask.active;
}

int BeginMaskedDraw(int left, int top, int right, int bottom) {
    CarryOutPendingCompose();
    if (++g_mask.nesting != 1 || !g_mask.active) return 0;
    RECT r{left, top, right, bottom};
    if (!ClipToMask(&r)) return 0;
    const DrawSettings& d = GetDrawSettings();
    if (GetScreenState().useDirect3D) {
        if (!HasDevice() || !g_mask.screenSurface) return 0;
        g_mask.realTarget = DrawTargetSurface(d.renderTargets[0]);
        if (!g_mask.realTarget) return 0;
        FlushVertexBatch();
        EndSceneIfBegun();
        DeviceStretchRect(g_mask.realTarget, &r, g_mask.screenSurface, &r, D3DTEXF_NONE);
        return 0;
    }
    MEMIMG* from = RealSoftwareTarget();
    if (from && g_mask.workImageMade) CopyMemImgRect(&g_mask.workImage, from, &r, r.left, r.top);
    return 0;
}

int EndMaskedDraw(int left, int top, int right, int bottom) {
    if (g_mask.nesting <= 0) return 0;
    if (--g_mask.nesting != 0) return 0;
    Compose(RECT{left, top, right, bottom});
    return 0;
}

int MaskedDrawNesting() {
    return g_mask.nesting;
}

int MakeTestMaskScreen() {
    if (!g_mask.started) return -1;
    g_mask.screenWanted = 1;
    MakeMaskScreen(1);
    return 0;
}

int WriteTestMaskBytes(int x1, int y1, int x2, int y2, int value) {
    if (!g_mask.bytes) return -1;
    RECT r{x1, y1, x2, y2};
    const RECT whole{0, 0, g_mask.width, g_mask.height};
    ClipRect(&r, &whole);
    if (r.left >= r.right || r.top >= r.bottom) return 0;
    for (LONG y = r.top; y < r.bottom; ++y)
        std::memset(g_mask.bytes + static_cast<size_t>(y) * g_mask.pitch + r.left, value & 0xFF,
                    static_cast<size_t>(r.right - r.left));
    return Direct3D() ? UploadMaskBytes(r) : 0;
}

int SetTestMaskReversed(int reversed) {
    g_mask.reversed = reversed ? 1 : 0;
    return 0;
}

int TestMaskPitch() {
    return g_mask.bytes ? g_mask.pitch : -1;
}

}  // namespace DuRud
