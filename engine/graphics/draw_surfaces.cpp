// Clearing the draw target and the move of screen drawing onto the sub back
// buffer.
#include "graphics/draw_surfaces.h"

#include <algorithm>

#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_handles.h"
#include "graphics/masked_draw.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "image/memimg.h"

namespace DuRud {
namespace {

// The live, loaded draw-target graphic, or null for the screen.
const GraphicRecord* TargetGraphic(Handle target) {
    if (IsScreenTarget(target)) return nullptr;
    return GraphicFromHandle(target, 0);
}

RECT ClipToTarget(const RECT* rect, int width, int height) {
    if (!rect) return RECT{0, 0, width, height};
    return RECT{std::clamp<LONG>(rect->left, 0, width), std::clamp<LONG>(rect->top, 0, height),
                std::clamp<LONG>(rect->right, 0, width), std::clamp<LONG>(rect->bottom, 0, height)};
}

int ClearSoftware(const GraphicRecord* graphic, const RECT& area) {
    MEMIMG* image = graphic ? const_cast<MEMIMG*>(&graphic->view) : SoftwarePrimary();
    if (!image || !MemImgIsValid(image)) return 0;
    const ScreenState& s = GetScreenState();
    BaseImage format{};
    format.colorFormat = *image->body->colorFormat;
    ClearMemImgRect(
        image, &area,
        PackBaseImageColor(&format, s.backgroundRed, s.backgroundGreen, s.backgroundBlue, 255));
    return 0;
}

// Depth is cleared only when a depth surface is bound (the device refuses
// the whole clear otherwise); stencil only when its format has one.
DWORD ClearFlags() {
    IDirect3DSurface9* depth = nullptr;
    DWORD flags = D3DCLEAR_TARGET;
    if (SUCCEEDED(DeviceGetDepthStencilSurface(&depth)) && depth) {
        flags |= D3DCLEAR_ZBUFFER;
        D3DSURFACE_DESC desc{};
        if (SUCCEEDED(SurfaceGetDesc(depth, &desc)) &&
            (desc.Format == D3DFMT_D24S8 || desc.Format == D3DFMT_D15S1 ||
             desc.Format == D3DFMT_D24X4S4))
            flags |= D3DCLEAR_STENCIL;
        depth->Release();
    }
    return flags;
}

}  // namespace

IDirect3DSurface9* DrawTargetSurface(Handle target) {
    if (IsScreenTarget(target)) {
        const DeviceResources& r = GetDeviceResources();
        return r.subBackBuffer ? r.subBackBuffer : r.backBuffer;
    }
    const GraphicRecord* g = GraphicFromHandle(target, 1);
    if (!g || !g->image || g->image->request.software || g->image->tileCount < 1) return nullptr;
    const TextureTile& tile = g->image->tiles[0];
    return tile.multisampleSurface ? tile.multisampleSurface : tile.surface;
}

int ClearDrawTarget(const RECT* rect) {
    if (rect && (rect->left < 0 || rect->top < 0)) rect = nullptr;
    const DrawSettings& d = GetDrawSettings();
    const GraphicRecord* graphic = TargetGraphic(d.renderTargets[0]);
    int width = 0, height = 0;
    if (graphic) {
        width = graphic->width;
        height = graphic->height;
    } else {
        QueryDrawSize(&width, &height);
    }
    const RECT area = ClipToTarget(rect, width, height);
    if (area.right <= area.left || area.bottom <= area.top) return 0;
    if (!GetScreenState().useDirect3D) return ClearSoftware(graphic, area);
    if (!HasDevice()) return 0;
    FlushVertexBatch();
    EndSceneIfBegun();
    // Drawing through a mask lands on its work surface; the clear is for the
    // real target, and the work surface takes drawing again after it.
    IDirect3DSurface9* drawing = CurrentDrawingSurface();
    IDirect3DSurface9* real = DrawTargetSurface(d.renderTargets[0]);
    const bool throughMask = drawing && real && drawing != real;
    if (throughMask) SetRenderTargetSurface(real, 0);
    // The viewport limits the clear: the whole target, then the clip again.
    SetDeviceViewportRect(0, 0, width, height);
    const ScreenState& s = GetScreenState();
    const D3DCOLOR colour = D3DCOLOR_ARGB(0, s.backgroundRed, s.backgroundGreen, s.backgroundBlue);
    const D3DRECT whole{area.left, area.top, area.right, area.bottom};
    DeviceClear(rect ? 1 : 0, rect ? &whole : nullptr, ClearFlags(), colour, 1.0f, 0);
    if (throughMask) SetRenderTargetSurface(drawing, 0);
    if (!d.areaEmpty) SetDeviceViewportRect(d.areaX1, d.areaY1, d.areaX2, d.areaY2);
    return 0;
}

int MoveDrawingToSubBackBuffer() {
    DeviceResources& r = GetDeviceResources();
    if (r.subBackBuffer) return 0;
    if (!HasDevice()) return -1;
    FlushVertexBatch();
    EndSceneIfBegun();
    if (CreateSubBackBuffer() != 0) return -1;
    DeviceStretchRect(r.backBuffer, nullptr, r.subBackBuffer, nullptr, D3DTEXF_NONE);
    // Only screen drawing moves; a graphic target keeps its own surface.
    if (!IsScreenTarget(GetDrawSettings().renderTargets[0])) return 0;
    // With a mask in use drawing stays on its work surface, whose compose
    // now lands on the sub back buffer.
    const int oldForce = SetRenderStateForce(1);
    SetRenderTargetSurface(CurrentDrawingSurface(), 0);
    const ScreenState& s = GetScreenState();
    SetDeviceViewportRect(0, 0, s.screenWidth, s.screenHeight);
    SetRenderStateForce(oldForce);
    return 0;
}

}  // namespace DuRud
