// MemImgTriangle: a textured triangle through the span pipeline, or a flat
// one whose lit colour goes through the blend mode's one-colour combine.
#include "soft/flat_colour.h"
#include "soft/memimg_renderer.h"
#include "soft/triangle_setup.h"

namespace DuRud {
namespace {

struct TexturedLines {
    const TexturedCall* call;
    const TriangleSetup* setup;
};

// The texel position comes afresh from the anchor on every line.
void DrawTexturedLine(void* context, int32_t y, int32_t start, int32_t count) {
    const auto& t = *static_cast<TexturedLines*>(context);
    const TriangleSetup& s = *t.setup;
    const uint32_t dy = static_cast<uint32_t>(y - s.ya);
    const uint32_t dx = static_cast<uint32_t>(start - s.xa);
    const uint32_t u = s.ua + dy * s.dudy + dx * s.dudx;
    const uint32_t v = s.va + dy * s.dvdy + dx * s.dvdx;
    uint8_t* d = t.call->destPixels + intptr_t(y) * t.call->destPitch +
                 intptr_t(start) * t.call->destPixelSize;
    t.call->span(t.call->context, d, count, u, v, s.dudx, s.dvdx);
}

struct FlatLines {
    uint8_t* pixels;
    intptr_t pitch;
    FlatColour colour;
};

// One span of the flat triangle: the mode's combine step on every pixel.
template <bool Is32, int Mode>
void DrawFlatLine(void* context, int32_t y, int32_t start, int32_t count) {
    const auto& f = *static_cast<FlatLines*>(context);
    constexpr int size = Is32 ? 4 : 2;
    uint8_t* d = f.pixels + intptr_t(y) * f.pitch + intptr_t(start) * size;
    for (int32_t i = 0; i < count; ++i, d += size) FlatCombine<Is32, Mode>(d, f.colour);
}

void DrawFlatTriangle(MEMIMG* dest, const MemImgVertex* vertices, uint32_t colour) {
    DrawArea area;
    if (!PrepareShapeDestination(dest, &area)) return;
    const MemImgDrawStateRecord& s = MemImgDrawState;
    const int mode = FlatEffectiveMode(s.blendMode, s.blendParameter);
    if (mode < 0) return;
    TriangleSetup setup;
    if (!SetUpTriangle(vertices, &setup)) return;
    const bool is32 = dest->body->colorType == kMemImgColor32;
    FlatLines lines{
        dest->pixels, dest->body->pitch,
        FlatPrepare(FlatLightTriangle(colour, is32, s.drawBright), is32, s.blendParameter)};
    FlatDispatch(is32, mode, [&](auto depth, auto m) {
        WalkTriangle(setup, area, &DrawFlatLine<decltype(depth)::value, decltype(m)::value>,
                     &lines);
    });
}

}  // namespace

void MemImgTriangle(MEMIMG* dest, const MEMIMG* src, const MemImgVertex* vertices, int trans,
                    const MEMIMG* blend, uint32_t colour) {
    if (!vertices) return;
    if (!src) {
        DrawFlatTriangle(dest, vertices, colour);
        return;
    }
    TexturedCall call;
    if (!PrepareTexturedCall(dest, src, blend, trans, &call)) return;
    TriangleSetup setup;
    if (!SetUpTriangle(vertices, &setup)) return;
    TexturedLines lines{&call, &setup};
    WalkTriangle(setup, call.area, &DrawTexturedLine, &lines);
}

}  // namespace DuRud
