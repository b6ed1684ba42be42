// The public graphic draws: the checks every draw makes (engine started,
// draw area, handle, blend graphic, inactive window, movie frame), then the
// Direct3D worker when the graphic lives in textures, else the software one.
#include <algorithm>
#include <cmath>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "core/math.h"
#include "graphics/draw_brackets.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_draws.h"
#include "graphics/graphic_draw_workers.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_handles.h"
#include "graphics/software_draw.h"
#include "image/memimg.h"
#include "sound/movie/movie_module.h"

namespace DuRud {

int CheckGraphicDraw(Handle handle, CheckedDraw* out) {
    const DrawSettings& d = GetDrawSettings();
    if (d.areaEmpty) return 0;
    out->graphic = GraphicFromHandle(handle, 0);
    if (!out->graphic) return -1;
    out->blend = nullptr;
    if (d.blendGraphic > 0) {
        if (CheckBlendGraphicSize(handle) != 0) return -1;
        out->blend = GraphicFromHandle(d.blendGraphic, 0);
    }
    WaitWhileInactive();
    if (out->graphic->movie != -1) UpdateMovieFrame(out->graphic->movie, 0);
    out->direct3D = out->graphic->image->request.direct3D != 0;
    return 1;
}

int DrawGraphicAt(int x, int y, Handle handle, int trans) {
    if (!GetEngineFlags().initialised) return -1;
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    return DrawInBrackets(
        c.direct3D,
        [&] {
            return RECT{x, y, x + c.graphic->width, y + c.graphic->height};
        },
        [&] {
            if (c.direct3D)
                return DrawGraphicHw(c.blend, x, y, float(x), float(y), c.graphic, trans, 1);
            return SoftDrawGraphic(x, y, trans, handle);
        });
}

int DrawGraphicAtF(float x, float y, Handle handle, int trans) {
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    const int ix = TruncFloatToInt(x), iy = TruncFloatToInt(y);
    return DrawInBrackets(
        c.direct3D,
        [&] {
            return RECT{ix, iy, ix + c.graphic->width, iy + c.graphic->height};
        },
        [&] {
            if (c.direct3D) return DrawGraphicHw(c.blend, ix, iy, x, y, c.graphic, trans, 0);
            return SoftDrawGraphic(ix, iy, trans, handle);
        });
}

int DrawGraphicStretched(int x1, int y1, int x2, int y2, Handle handle, int trans) {
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    return DrawInBrackets(
        c.direct3D, [&] { return OrderedRect(x1, y1, x2, y2); },
        [&] {
            if (c.direct3D)
                return DrawGraphicStretchedHw(x1, y1, x2, y2, float(x2), float(y2), c.blend,
                                              c.graphic, trans, 1);
            return SoftDrawGraphicStretched(x1, y1, x2, y2, handle, trans);
        });
}

int DrawGraphicStretchedF(float x1, float y1, float x2, float y2, Handle handle, int trans) {
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    const int ix1 = TruncFloatToInt(x1), iy1 = TruncFloatToInt(y1);
    const int ix2 = TruncFloatToInt(x2), iy2 = TruncFloatToInt(y2);
    return DrawInBrackets(
        c.direct3D, [&] { return OrderedRect(ix1, iy1, ix2, iy2); },
        [&] {
            if (c.direct3D)
                return DrawGraphicStretchedHw(ix1, iy1, ix2, iy2, x2, y2, c.blend, c.graphic, trans,
                                              0);
            return SoftDrawGraphicStretched(ix1, iy1, ix2, iy2, handle, trans);
        });
}

namespace {

// The bounding box of the turned and scaled graphic about (x, y), widened by
// five pixels on every side.
RECT RotatedRect(int x, int y, double scale, double angle, int width, int height) {
    const double cosine = std::cos(float(angle)), sine = std::sin(float(angle));
    const int hw = width / 2, hh = height / 2;
    const double cx[4] = {double(-hw), double(width - hw), double(-hw), double(width - hw)};
    const double cy[4] = {double(-hh), double(-hh), double(height - hh), double(height - hh)};
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (int k = 0; k < 4; ++k) {
        const double px = x + (cx[k] * cosine - cy[k] * sine) * scale;
        const double py = y + (cx[k] * sine + cy[k] * cosine) * scale;
        left = std::min(left, px), right = std::max(right, px);
        top = std::min(top, py), bottom = std::max(bottom, py);
    }
    return {int(left - 5.0), int(top - 5.0), int(right + 5.0), int(bottom + 5.0)};
}

}  // namespace

int DrawGraphicRotated(int x, int y, double scale, double angle, Handle handle, int trans,
                       int turn) {
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    return DrawInBrackets(
        c.direct3D,
        [&] { return RotatedRect(x, y, scale, angle, c.graphic->width, c.graphic->height); },
        [&] {
            if (!c.direct3D)
                return SoftDrawGraphicRotated(float(x), float(y), float(scale), float(angle),
                                              handle, trans, turn);
            const uint32_t flags = (trans ? uint32_t{kDrawTransparent} : 0u) |
                                   kDrawIntegerPlacement | GraphicImageDrawFlags(*c.graphic);
            return DrawGraphicRotatedHw(x, y, float(x), float(y), scale, angle, c.blend, c.graphic,
                                        flags, turn, 1);
        });
}

int DrawGraphicTurned(int x, int y, Handle handle, int trans) {
    const GraphicRecord* g = GraphicFromHandle(handle, 0);
    if (!g) return -1;
    return DrawGraphicStretched(x + g->width, y, x, y + g->height, handle, trans);
}

int DrawGraphicPart(int x, int y, int srcX, int srcY, int width, int height, Handle handle,
                    int trans, int turn) {
    if (width < 1 || height < 1) return -1;
    DrawSettings& d = GetDrawSettings();
    const RECT saved{d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    float savedFloat[4];
    std::copy(d.areaFloat, d.areaFloat + 4, savedFloat);
    // The draw area narrowed to the part for the one draw, then given back.
    RECT part{x, y, x + width, y + height};
    ClipRect(&part, &saved);
    auto setArea = [&d](const RECT& r) {
        d.areaX1 = r.left, d.areaY1 = r.top, d.areaX2 = r.right, d.areaY2 = r.bottom;
        SetMemImgDrawArea(&r);
    };
    setArea(part);
    const float narrowed[4] = {float(part.left), float(part.top), float(part.right),
                               float(part.bottom)};
    std::copy(narrowed, narrowed + 4, d.areaFloat);
    int result = -1;
    if (!turn) {
        result = DrawGraphicAt(x - srcX, y - srcY, handle, trans);
    } else if (const GraphicRecord* g = GraphicFromHandle(handle, 0)) {
        result = DrawGraphicTurned(x - g->width + srcX + width, y - srcY, handle, trans);
    }
    setArea(saved);
    std::copy(savedFloat, savedFloat + 4, d.areaFloat);
    return result;
}

int DrawGraphicPartStretchedF(float x1, float y1, float x2, float y2, int srcX, int srcY,
                              int srcWidth, int srcHeight, Handle handle, int trans) {
    if (srcWidth < 1 || srcHeight < 1) return -1;
    // A sub-graphic of the piece for this one draw.
    const Handle piece = CreateSubGraphic(srcX, srcY, srcWidth, srcHeight, handle);
    if (piece < 0) return -1;
    const int result = DrawGraphicStretchedF(x1, y1, x2, y2, piece, trans);
    DeleteGraphic(piece);
    return result;
}

}  // namespace DuRud
