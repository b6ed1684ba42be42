// Untextured boxes (see box_shapes.h).
#include "graphics/box_shapes.h"

#include <algorithm>

#include "DuRud.h"
#include "graphics/device_layer.h"
#include "graphics/draw_brackets.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "soft/memimg_renderer.h"

namespace DuRud {
namespace {

struct Box {
    int x1, y1, x2, y2;
};

Box Sorted(int x1, int y1, int x2, int y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// The colour value's channels times the brightness, alpha the draw colour's.
uint32_t ShapeColour(uint32_t colour) {
    int r = 0, g = 0, b = 0;
    SplitColorValue(colour, &r, &g, &b);
    const DrawSettings& d = GetDrawSettings();
    return (DrawDiffuseColor() & 0xFF000000u) | uint32_t(r * d.brightRed / 255) << 16 |
           uint32_t(g * d.brightGreen / 255) << 8 | uint32_t(b * d.brightBlue / 255);
}

// The scene begun, no texture on stage 0, the state prepared for shapes.
void PrepareShapes() {
    EnsureSceneBegun();
    if (GetRenderStateCache().stageTexture) SetPendingStageTexture(nullptr);
    if (NeedsPrepareGraphicDraw(nullptr, kDrawDiffuseColour))
        PrepareGraphicDraw(nullptr, kDrawDiffuseColour);
}

// Six plain vertices of the box at the cursor; the colour on 0 and 3.
void WriteBoxQuad(Vertex2D* v, const Box& b, uint32_t colour, float z) {
    const float l = float(b.x1), t = float(b.y1), r = float(b.x2), bottom = float(b.y2);
    const float xs[6] = {l, r, l, r, l, r}, ys[6] = {t, t, bottom, bottom, bottom, t};
    for (int i = 0; i < 6; ++i) {
        v[i].x = xs[i], v[i].y = ys[i], v[i].z = z;
        if (i == 0 || i == 3) v[i].diffuse = colour;
    }
}

}  // namespace

int DrawFilledBoxHw(int x1, int y1, int x2, int y2, uint32_t colour) {
    if (!HasDevice()) return -1;
    const DrawSettings& d = GetDrawSettings();
    Box b = Sorted(x1, y1, x2, y2);
    b = {std::max(b.x1, d.areaX1), std::max(b.y1, d.areaY1), std::min(b.x2, d.areaX2),
         std::min(b.y2, d.areaY2)};
    if (b.x1 >= b.x2 || b.y1 >= b.y2) return 0;
    PrepareShapes();
    WriteBoxQuad(static_cast<Vertex2D*>(ReserveVertices(6)), b, ShapeColour(colour), d.drawDepth);
    AppendVertices(6);
    return 0;
}

int DrawBoxOutlineHw(int x1, int y1, int x2, int y2, uint32_t colour) {
    if (!HasDevice()) return -1;
    const Box b = Sorted(x1, y1, x2, y2);
    if (b.x1 == b.x2 || b.y1 == b.y2) return 0;
    // A box one pixel wide or high is its own outline; the four sides would
    // cover its pixels twice.
    const bool thin = b.x2 - b.x1 == 1 || b.y2 - b.y1 == 1;
    const Box sides[4] = {{b.x1, b.y1, b.x2, b.y1 + 1},
                          {b.x2 - 1, b.y1 + 1, b.x2, b.y2},
                          {b.x1, b.y1 + 1, b.x1 + 1, b.y2},
                          {b.x1 + 1, b.y2 - 1, b.x2 - 1, b.y2}};
    PrepareShapes();
    const uint32_t c = ShapeColour(colour);
    const float z = GetDrawSettings().drawDepth;
    auto* v = static_cast<Vertex2D*>(ReserveVertices(24));
    const Box* list = thin ? &b : sides;
    int written = 0;
    for (int i = 0; i < (thin ? 1 : 4); ++i) {
        if (list[i].x2 <= list[i].x1 || list[i].y2 <= list[i].y1) continue;
        WriteBoxQuad(v + written, list[i], c, z);
        written += 6;
    }
    AppendVertices(written);
    return 0;
}

int DrawBoxOutlineSoft(int x1, int y1, int x2, int y2, uint32_t colour) {
    MEMIMG* target = SoftwareDrawTarget();
    const Box b = Sorted(x1, y1, x2, y2);
    if (!target || b.x1 == b.x2 || b.y1 == b.y2) return 0;
    if (b.x2 - b.x1 == 1 || b.y2 - b.y1 == 1) {
        const RECT r{b.x1, b.y1, b.x2, b.y2};
        return SoftFillRect(&r, colour);
    }
    // Each line leaves out its second end point, which the next line starts on.
    const int p = GetDrawSettings().blendParameter, r = b.x2 - 1, bottom = b.y2 - 1;
    const MemImgLineRecord lines[4] = {{b.x1, b.y1, r, b.y1, colour, p},
                                       {r, b.y1, r, bottom, colour, p},
                                       {r, bottom, b.x1, bottom, colour, p},
                                       {b.x1, bottom, b.x1, b.y1, colour, p}};
    MemImgLineList(target, lines, 4);
    return 0;
}

namespace {

int SoftFilledBox(int x1, int y1, int x2, int y2, uint32_t colour) {
    const Box b = Sorted(x1, y1, x2, y2);
    const RECT r{b.x1, b.y1, b.x2, b.y2};
    return b.x1 == b.x2 || b.y1 == b.y2 ? 0 : SoftFillRect(&r, colour);
}

using BoxWorker = int (*)(int x1, int y1, int x2, int y2, uint32_t colour);

// The checks and brackets of a box draw around the renderer's worker.
int DrawBox(int x1, int y1, int x2, int y2, uint32_t colour, BoxWorker device, BoxWorker soft) {
    if (GetDrawSettings().areaEmpty) return 0;
    WaitWhileInactive();
    const int direct3D = GetScreenState().useDirect3D;
    return DrawInBrackets(
        direct3D, [&] { return OrderedRect(x1, y1, x2, y2); },
        [&] { return (direct3D ? device : soft)(x1, y1, x2, y2, colour); });
}

}  // namespace

int DrawFilledBox(int x1, int y1, int x2, int y2, uint32_t colour) {
    return DrawBox(x1, y1, x2, y2, colour, DrawFilledBoxHw, SoftFilledBox);
}

int DrawBoxOutline(int x1, int y1, int x2, int y2, uint32_t colour) {
    return DrawBox(x1, y1, x2, y2, colour, DrawBoxOutlineHw, DrawBoxOutlineSoft);
}

int DrawBoxShape(int x1, int y1, int x2, int y2, uint32_t colour, int filled) {
    return filled ? DrawFilledBox(x1, y1, x2, y2, colour) : DrawBoxOutline(x1, y1, x2, y2, colour);
}

}  // namespace DuRud
