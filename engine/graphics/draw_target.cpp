// The draw target: selecting where drawing goes (the back buffer, the front
// screen with its repaint timer, or a draw-target graphic) with everything
// that follows its size; further render-target slots; repainting; and the
// copy of a target's rectangle into a graphic.
#include "graphics/draw_target.h"

#include <algorithm>

#include "DuRud.h"
#include "core/text_literals.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/draw_surfaces.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "graphics/masks.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/base_shaders.h"
#include "graphics/shader_constants.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics/surface_readback.h"
#include "graphics/vertex_batch.h"
#include "image/memimg.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

// The size drawing sees on a target; -1 for a target without one.
int TargetSize(Handle target, int* width, int* height) {
    if (IsScreenTarget(target)) return QueryDrawSize(width, height);
    const GraphicRecord* g = GraphicFromHandle(target, 0);
    if (!g) return -1;
    *width = g->width;
    *height = g->height;
    return 0;
}

// A graphic drawing can go to: made as a draw target (in software, not a
// palette image).
bool IsDrawableGraphic(const GraphicRecord* g) {
    if (!g || !g->image || !g->image->request.drawTarget) return false;
    return !g->image->request.software || (MemImgIsValid(&g->view) && !g->view.body->paletteFlag);
}

// Drawing reaches a target's first texture only: a picture cut into more
// would lose what lands past it without a word, so it is refused.
bool FitsOneTexture(const GraphicRecord* g) {
    if (g->image->request.software || g->image->tileCount <= 1) return true;
    LogFormatLine("%s Size:%dx%d",
                  Cp932Text("テクスチャ一枚に収まらないグラフィックは描画先にできません"),
                  g->image->width, g->image->height);
    return false;
}

void ResolveOldTarget(Handle old) {
    if (IsScreenTarget(old)) return;
    GraphicRecord* g = GraphicFromHandle(old, 1);
    if (g && g->image && !g->image->request.software && g->image->tileCount > 0 &&
        g->image->tiles[0].multisampleSurface)
        ResolveMultiSampleTile(&g->image->tiles[0]);
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

int SelectDrawTarget(int target) {
    if (!GetScreenState().started) return -1;
    if (GetMainWindowHandle() && !GetWindowActiveFlag()) WaitWhileInactive();
    DrawSettings& d = GetDrawSettings();
    const bool screen = IsScreenTarget(target);
    GraphicRecord* graphic = screen ? nullptr : GraphicFromHandle(target, 0);
    if (!screen && (!IsDrawableGraphic(graphic) || !FitsOneTexture(graphic))) return -1;
    const int maskUse = IsMaskEnabled();
    SetMaskEnabled(0);
    const Handle old = d.renderTargets[0];
    int oldWidth = -1, oldHeight = -1;
    TargetSize(old, &oldWidth, &oldHeight);
    d.renderTargets[0] = target;
    int width = 0, height = 0;
    TargetSize(target, &width, &height);
    if (GetScreenState().useDirect3D) {
        if (HasDevice()) {
            FlushVertexBatch();
            EndSceneIfBegun();
            RaiseDrawStateChanged();
            ResolveOldTarget(old);
            SetRenderTargetSurface(DrawTargetSurface(target), 0);
            RefreshDepthSurface();
        }
    } else {
        SetSoftwareDrawTarget(screen ? nullptr : &graphic->view);
    }
    if (target == -4) StartRepaintTimer(1);
    if (width != oldWidth || height != oldHeight)
        SetDrawClip(0, 0, width, height);
    else
        SetDrawClip(d.areaX1, d.areaY1, d.areaX2, d.areaY2);
    SetCameraForDrawSize(width, height);
    SetMaskEnabled(maskUse);
    return 0;
}

int SetRenderTargetSlot(int slot, Handle graphic) {
    const int slots =
        GetScreenState().useDirect3D ? GetDeviceResources().caps.renderTargetSlots : 1;
    if (slot < 0 || slot >= std::max(slots, 1) || slot >= kRenderTargetSlots) return -1;
    DrawSettings& d = GetDrawSettings();
    if (d.renderTargets[slot] == graphic) return 0;
    if (slot == 0) return SelectDrawTarget(graphic);
    if (!GetScreenState().useDirect3D || !ProgrammableShadersInUse() || !HasDevice()) return -1;
    FlushVertexBatch();
    EndSceneIfBegun();
    ResolveOldTarget(d.renderTargets[slot] > 0 ? d.renderTargets[slot] : -2);
    GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (g && (!IsDrawableGraphic(g) || !FitsOneTexture(g))) return -1;
    if (!g) {
        d.renderTargets[slot] = 0;
        SetRenderTargetSurface(nullptr, slot);
        return 0;
    }
    d.renderTargets[slot] = graphic;
    SetRenderTargetSurface(DrawTargetSurface(graphic), slot);
    return 0;
}

int RepaintScreen() {
    if (GetScreenState().useDirect3D && GetWindowModeFlag() != 1) MoveDrawingToSubBackBuffer();
    return FlipScreenCore(nullptr);
}

int CaptureScreenToGraphic(Handle source, int x1, int y1, int x2, int y2, int destX, int destY,
                           Handle graphic) {
    GraphicRecord* dest = GraphicFromHandle(graphic, 0);
    if (!dest || !dest->image) return -1;
    FlushVertexBatch();
    EndSceneIfBegun();
    const GraphicRecord* from = IsScreenTarget(source) ? nullptr : GraphicFromHandle(source, 0);
    if (from && !IsDrawableGraphic(from)) return -1;
    const Handle sourceTarget = from ? source : -2;
    int width = 0, height = 0;
    TargetSize(sourceTarget, &width, &height);
    if (x1 < 0 || y1 < 0 || x1 >= x2 || y1 >= y2 || x2 > width || y2 > height) return -1;
    if (destX < 0 || destY < 0 || x2 - x1 + destX > dest->width || y2 - y1 + destY > dest->height)
        return -1;
    const RECT sourceRect{x1, y1, x2, y2};
    const RECT destRect{destX, destY, destX + x2 - x1, destY + y2 - y1};
    // One picture copied onto itself: the rectangles must not meet.
    if (from && from->image == dest->image) {
        const RECT a{from->x + x1, from->y + y1, from->x + x2, from->y + y2};
        const RECT b{dest->x + destRect.left, dest->y + destRect.top, dest->x + destRect.right,
                     dest->y + destRect.bottom};
        if (Overlap(a, b)) return -1;
    }
    if (dest->image->request.software) {
        const MEMIMG* image = from ? &from->view : SoftwarePrimary();
        if (!image || !MemImgIsValid(&dest->view)) return -1;
        return CopyMemImgRect(&dest->view, image, &sourceRect, destX, destY) == 0 ? 0 : -1;
    }
    if (!HasDevice()) return -1;
    if (dest->image->request.drawTarget) {
        IDirect3DSurface9* from3d = DrawTargetSurface(sourceTarget);
        IDirect3DSurface9* to3d = DrawTargetSurface(graphic);
        if (!from3d || !to3d) return -1;
        const int fromX = from ? from->x : 0, fromY = from ? from->y : 0;
        const RECT s{fromX + x1, fromY + y1, fromX + x2, fromY + y2};
        const RECT t{dest->x + destRect.left, dest->y + destRect.top, dest->x + destRect.right,
                     dest->y + destRect.bottom};
        return SUCCEEDED(DeviceStretchRect(from3d, &s, to3d, &t, D3DTEXF_NONE)) ? 0 : -1;
    }
    BaseImage image{};
    if (ReadGraphicToBaseImage(sourceTarget, &image, &sourceRect) != 0) return -1;
    const int result =
        TransferImageToGraphic(graphic, nullptr, destX, destY, &image, nullptr, 0, 0, 0, 0);
    FreeBaseImagePixels(&image);
    return result == 0 ? 0 : -1;
}

int CopyScreenRectToGraphic(int x1, int y1, int x2, int y2, Handle graphic, int) {
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!g || g->width != x2 - x1 || g->height != y2 - y1) return -1;
    return CaptureScreenToGraphic(QueryDrawTarget(), x1, y1, x2, y2, 0, 0, graphic);
}

}  // namespace DuRud
