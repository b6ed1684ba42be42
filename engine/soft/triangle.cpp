// MemImgTriangle: a textured triangle through the span pipeline, or a flat
// one in the draw brightness's lit colour.
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
    int32_t pixelSize;
    uint32_t colour;
};

void DrawFlatLine(void* context, int32_t y, int32_t start, int32_t count) {
    const auto& f = *static_cast<FlatLines*>(context);
    uint8_t* d = f.pixels + intptr_t(y) * f.pitch + intptr_t(start) * f.pixelSize;
    if (f.pixelSize == 4) {
        for (int32_t i = 0; i < count; ++i, d += 4) Store32(d, f.colour);
    } else {
        for (int32_t i = 0; i < count; ++i, d += 2) Store16(d, f.colour);
    }
}

// The colour through the brightness rows; white gives it back unchanged.
uint32_t LightFlatColour(uint32_t colour, int colorType, uint32_t bright) {
    const int32_t* rb = MemImgMulTable[bright & 255];
    const int32_t* rg = MemImgMulTable[(bright >> 8) & 255];
    const int32_t* rr = MemImgMulTable[(bright >> 16) & 255];
    if (colorType == kMemImgColor32) {
        return (colour & 0xFF000000u) | (uint32_t(rr[(colour >> 16) & 255]) << 16) |
               (uint32_t(rg[(colour >> 8) & 255]) << 8) | uint32_t(rb[colour & 255]);
    }
    return (uint32_t(rr[(colour >> 11) & 31]) << 11) | (uint32_t(rg[(colour >> 5) & 63]) << 5) |
           uint32_t(rb[colour & 31]);
}

void DrawFlatTriangle(MEMIMG* dest, const MemImgVertex* vertices, uint32_t colour) {
    DrawArea area;
    if (!PrepareShapeDestination(dest, &area)) return;
    const MemImgDrawStateRecord& s = MemImgDrawState;
    const uint32_t mode = static_cast<uint32_t>(s.blendMode);
    // Only the whole lit colour has a loop so far; the other modes draw
    // nothing until their arithmetic lands.
    if (!(mode == 0 || (mode == 1 && s.blendParameter == 255))) return;
    TriangleSetup setup;
    if (!SetUpTriangle(vertices, &setup)) return;
    const int colorType = dest->body->colorType;
    FlatLines lines{dest->pixels, dest->body->pitch, colorType == kMemImgColor16 ? 2 : 4,
                    LightFlatColour(colour, colorType, s.drawBright)};
    WalkTriangle(setup, area, &DrawFlatLine, &lines);
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
