// Surface read-back: direct locks where the surface allows them, else a
// copy through a render target of the rectangle's size into system memory.
#include "graphics/surface_readback.h"

#include <algorithm>

#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

struct LockState {
    int locked;
    IDirect3DSurface9* lockedSurface;  // the one LockRect succeeded on
    IDirect3DSurface9* levelSurface;   // a texture level we asked for
    IDirect3DSurface9* target;         // copy path: the render target
    IDirect3DSurface9* system;         // copy path: the system-memory surface
};
LockState g_lock;

bool IsScreen(Handle graphic) {
    return graphic == -1 || graphic == -2 || graphic == -4;
}

void ReleaseLockSurfaces() {
    ReleaseAndClear(g_lock.levelSurface);
    ReleaseAndClear(g_lock.target);
    ReleaseAndClear(g_lock.system);
    g_lock = LockState{};
}

bool RectInside(const RECT& r, int width, int height) {
    return r.left >= 0 && r.left < r.right && r.top >= 0 && r.top < r.bottom && r.right <= width &&
           r.bottom <= height;
}

int DescribeView(BaseImage* view, const ColorFormat* format, const RECT& r, int pitch,
                 void* pixels) {
    if (!format) return -1;
    *view = BaseImage{};
    view->colorFormat = *format;
    view->width = r.right - r.left;
    view->height = r.bottom - r.top;
    view->pitch = pitch;
    view->pixels = pixels;
    view->mipMapCount = 1;
    return 0;
}

int LockSoftware(const RECT* rect, BaseImage* view, Handle graphic) {
    GraphicRecord* g = IsScreen(graphic) ? nullptr : GraphicFromHandle(graphic, 0);
    const MEMIMG* image = g ? &g->view : IsScreen(graphic) ? SoftwarePrimary() : nullptr;
    if (!image || !image->body) return -1;
    const MEMIMG& m = *image;
    const RECT r = rect ? *rect : RECT{0, 0, m.width, m.height};
    if (!RectInside(r, m.width, m.height)) return -1;
    const int pitch = m.body->pitch;
    const int bytes = m.body->colorFormat->bitsPerPixel / 8;
    if (DescribeView(view, m.body->colorFormat, r, pitch,
                     m.pixels + r.top * pitch + r.left * bytes) != 0)
        return -1;
    g_lock.locked = 1;
    return 0;
}

// Copies the rectangle through a render target into system memory and locks that.
int LockThroughCopy(IDirect3DSurface9* source, const RECT& r, D3DFORMAT format,
                    D3DLOCKED_RECT* locked) {
    const UINT w = static_cast<UINT>(r.right - r.left), h = static_cast<UINT>(r.bottom - r.top);
    if (FAILED(DeviceCreateRenderTarget(w, h, format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                        &g_lock.target))) {
        g_lock.target = nullptr;
        return LogWrite(
            Cp932Text("バックバッファロック用描画可能サーフェスの作成に失敗しました\n"));
    }
    if (FAILED(
            DeviceCreateOffscreenPlainSurface(w, h, format, D3DPOOL_SYSTEMMEM, &g_lock.system))) {
        g_lock.system = nullptr;
        return LogWrite(
            Cp932Text("バックバッファロック用システムメモリサーフェスの作成に失敗しました\n"));
    }
    if (FAILED(DeviceStretchRect(source, &r, g_lock.target, nullptr, D3DTEXF_NONE)) ||
        FAILED(DeviceGetRenderTargetData(g_lock.target, g_lock.system)) ||
        FAILED(SurfaceLockRect(g_lock.system, locked, nullptr, D3DLOCK_READONLY)))
        return -1;
    g_lock.lockedSurface = g_lock.system;
    return 0;
}

IDirect3DSurface9* TileSurface(Handle graphic, int tile) {
    const DeviceResources& res = GetDeviceResources();
    if (IsScreen(graphic)) return res.subBackBuffer ? res.subBackBuffer : res.backBuffer;
    GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!g || !g->image || tile < 0 || tile >= g->image->tileCount) return nullptr;
    TextureTile& t = g->image->tiles[tile];
    if (t.multisampleSurface) return t.multisampleSurface;
    if (t.surface) return t.surface;
    if (!t.texture || FAILED(TextureGetSurfaceLevel(t.texture, 0, &g_lock.levelSurface))) {
        g_lock.levelSurface = nullptr;
        return nullptr;
    }
    return g_lock.levelSurface;
}

int LockDevice(const RECT* rect, BaseImage* view, Handle graphic, int readOnly, int tile) {
    IDirect3DSurface9* source = TileSurface(graphic, tile);
    D3DSURFACE_DESC desc{};
    if (!source || FAILED(SurfaceGetDesc(source, &desc))) return -1;
    const RECT r = rect ? *rect : RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
    if (!RectInside(r, static_cast<int>(desc.Width), static_cast<int>(desc.Height))) return -1;
    D3DLOCKED_RECT locked{};
    const bool direct = desc.Pool != D3DPOOL_DEFAULT ||
                        (IsScreen(graphic) && GetDeviceResources().caps.useBackBufferLock);
    if (direct &&
        SUCCEEDED(SurfaceLockRect(source, &locked, &r, readOnly ? D3DLOCK_READONLY : 0))) {
        g_lock.lockedSurface = source;
    } else if (LockThroughCopy(source, r, desc.Format, &locked) != 0) {
        return -1;
    }
    g_lock.locked = 1;
    return DescribeView(view, ColorFormatForD3DFormat(desc.Format), r, locked.Pitch, locked.pBits);
}

}  // namespace

int LockGraphicSurface(const RECT* rect, BaseImage* view, Handle graphic, int readOnly, int tile) {
    if (!view || g_lock.locked) return -1;
    FlushVertexBatch();
    EndSceneIfBegun();
    const int result = GetScreenState().useDirect3D
                           ? (HasDevice() ? LockDevice(rect, view, graphic, readOnly, tile) : -1)
                           : LockSoftware(rect, view, graphic);
    if (result != 0) UnlockGraphicSurface();
    return result;
}

int UnlockGraphicSurface() {
    if (g_lock.lockedSurface) SurfaceUnlockRect(g_lock.lockedSurface);
    ReleaseLockSurfaces();
    return 0;
}

int ReadGraphicToBaseImage(Handle graphic, BaseImage* out, const RECT* rect) {
    if (!out) return -1;
    int width = 0, height = 0;
    GraphicRecord* g = nullptr;
    if (IsScreen(graphic)) {
        QueryDrawSize(&width, &height);
    } else {
        g = GraphicFromHandle(graphic, 0);
        if (!g) return -1;
        width = g->width;
        height = g->height;
    }
    const RECT r = rect ? *rect : RECT{0, 0, width, height};
    if (!RectInside(r, width, height)) return -1;
    if (CreateA8R8G8B8BaseImage(r.right - r.left, r.bottom - r.top, out) != 0) return -1;
    auto copy = [&](const RECT* part, Handle source, int tile, int destX, int destY) {
        BaseImage view;
        if (LockGraphicSurface(part, &view, source, 1, tile) != 0) return -1;
        const int result =
            CopyBaseImageRect(0, 0, view.width, view.height, destX, destY, &view, out);
        UnlockGraphicSurface();
        return result;
    };
    int result = 0;
    if (!g || !GetScreenState().useDirect3D) {
        result = copy(&r, graphic, 0, 0, 0);
    } else if (!g->image) {
        result = -1;
    } else {
        const int left = g->x + r.left, top = g->y + r.top;
        const int right = g->x + r.right, bottom = g->y + r.bottom;
        for (int i = 0; result == 0 && i < g->image->tileCount; ++i) {
            const TextureTile& t = g->image->tiles[i];
            const RECT part{std::max<LONG>(left, t.x) - t.x, std::max<LONG>(top, t.y) - t.y,
                            std::min(right, t.x + t.usedWidth) - t.x,
                            std::min(bottom, t.y + t.usedHeight) - t.y};
            if (part.left >= part.right || part.top >= part.bottom) continue;
            result = copy(&part, graphic, i, part.left + t.x - left, part.top + t.y - top);
        }
    }
    if (result != 0) FreeBaseImagePixels(out);
    return result;
}

}  // namespace DuRud
