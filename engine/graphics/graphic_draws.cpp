// The public graphic draws: the checks every draw makes (engine started,
// draw area, handle, blend graphic, inactive window, movie frame), then the
// Direct3D worker when the graphic lives in textures, else the software one.
#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_draw_workers.h"
#include "graphics/graphic_handles.h"
#include "graphics/software_draw.h"
#include "sound/movie/movie_module.h"

namespace DuRud {
namespace {

// The graphic and blend graphic a checked draw works with.
struct CheckedDraw {
    const GraphicRecord* graphic;
    const GraphicRecord* blend;  // null: none set
};

// 1 when the draw goes ahead, 0 when it draws nothing successfully (empty
// draw area, checked before the handle), -1 for a bad handle or a blend
// graphic that is invalid or smaller than the graphic.
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
    return 1;
}

bool InTextures(const GraphicRecord& graphic) {
    return graphic.image->request.direct3D != 0;
}

}  // namespace

int DrawGraphicAt(int x, int y, Handle handle, int trans) {
    if (!GetEngineFlags().initialised) return -1;
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    if (InTextures(*c.graphic))
        return DrawGraphicHw(c.blend, x, y, static_cast<float>(x), static_cast<float>(y), c.graphic,
                             trans, 1);
    return SoftDrawGraphic(x, y, trans, handle);
}

int DrawGraphicAtF(float x, float y, Handle handle, int trans) {
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    const int ix = TruncFloatToInt(x), iy = TruncFloatToInt(y);
    if (InTextures(*c.graphic)) return DrawGraphicHw(c.blend, ix, iy, x, y, c.graphic, trans, 0);
    return SoftDrawGraphic(ix, iy, trans, handle);
}

}  // namespace DuRud
