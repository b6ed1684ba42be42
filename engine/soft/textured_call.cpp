// Per-call preparation shared by the textured triangle and the rotated blit.
#include "soft/textured_call.h"

#include <algorithm>

namespace DuRud {
namespace {

int RecordUsable(const MEMIMG* m) {
    return MemImgIsValid(m) && m->pixels && m->body->colorFormat && m->width >= 0 && m->height >= 0;
}

// The textured loops of one blend mode and its parameter rules; null when
// the pair draws nothing.
SpanFunction PickModeSpan(uint32_t mode, int32_t parameter, SourceKind kind, bool blend, bool white,
                          bool trans) {
    if (mode > 11 || (mode >= 5 && mode <= 9)) return nullptr;
    if (mode == 1 && parameter == 255) mode = 0;
    // The parameter picks a table row: a value without one draws nothing in
    // the modes that read it.
    if (mode != 0 && mode != 4 && (parameter < 0 || parameter > 255)) return nullptr;
    const bool paletted = kind == SourceKind::Palette16 || kind == SourceKind::Palette32;
    if ((mode == 1 || mode == 2) && parameter == 0) return nullptr;
    if (mode == 3 && parameter == 0 && !paletted) return nullptr;
    switch (mode) {
        case 0:
            return PickPlainCopySpan(kind, blend, white, trans);
        case 1:
            return PickAlphaBlendSpan(kind, blend, white, trans);
        case 2:
            return PickAdditiveSpan(kind, blend, white, trans);
        case 3:
            return PickSubtractiveSpan(kind, blend, white, trans);
        case 4:
            return PickModulateSpan(kind, blend, white, trans);
        case 10:
            return PickInvertedSourceSpan(kind, blend, white, trans);
        case 11:
            return PickMultiplySpan(kind, blend, white, trans);
        default:
            return nullptr;
    }
}

}  // namespace

int PrepareShapeDestination(const MEMIMG* dest, DrawArea* area) {
    if (!RecordUsable(dest)) return 0;
    const MemImgBody* body = dest->body;
    if (body->paletteFlag || body->alphaFlag) return 0;
    if (body->colorType != kMemImgColor16 && body->colorType != kMemImgColor32) return 0;
    if (body->colorFormat->bytesPerPixel != (body->colorType == kMemImgColor16 ? 2 : 4)) return 0;
    const MemImgDrawStateRecord& s = MemImgDrawState;
    area->left = std::max(s.clipLeft, 0);
    area->top = std::max(s.clipTop, 0);
    area->right = std::min(s.clipRight, dest->width);
    area->bottom = std::min(s.clipBottom, dest->height);
    return area->left < area->right && area->top < area->bottom;
}

int PrepareTexturedCall(MEMIMG* dest, const MEMIMG* src, const MEMIMG* blend, int trans,
                        TexturedCall* out) {
    if (!RecordUsable(src) || !MemImgIsValid(dest)) return 0;
    const MemImgBody* sb = src->body;
    if (sb->colorType != dest->body->colorType) return 0;
    DrawArea area;
    if (!PrepareShapeDestination(dest, &area)) return 0;

    SourceKind kind;
    int texelSize;
    if (sb->colorType == kMemImgColor32) {
        kind = sb->paletteFlag ? SourceKind::Palette32
                               : (sb->alphaFlag ? SourceKind::Alpha32 : SourceKind::Direct32);
    } else if (sb->colorType == kMemImgColor16) {
        kind = sb->paletteFlag ? SourceKind::Palette16
                               : (sb->alphaFlag ? SourceKind::Alpha16 : SourceKind::Direct16);
    } else {
        return 0;
    }
    texelSize = sb->paletteFlag ? 1 : (kind == SourceKind::Direct16 ? 2 : 4);
    if (sb->colorFormat->bytesPerPixel != texelSize) return 0;
    if (sb->paletteFlag && !sb->palette) return 0;
    if (src->width <= 0 || src->height <= 0) return 0;
    if (src->width > kMaxShapeSource || src->height > kMaxShapeSource) return 0;
    // The blend image is read at the source's texel positions, so it must
    // cover the whole source.
    if (blend && (!RecordUsable(blend) || blend->width < src->width || blend->height < src->height))
        return 0;

    const MemImgDrawStateRecord& s = MemImgDrawState;
    const uint32_t bright = s.drawBright;
    const bool white = (bright & 0xFFFFFF) == 0xFFFFFF;
    SpanFunction span = PickModeSpan(static_cast<uint32_t>(s.blendMode), s.blendParameter, kind,
                                     blend != nullptr, white, trans != 0);
    if (!span) return 0;

    SpanContext& c = out->context;
    c = SpanContext{};
    c.srcPixels = src->pixels;
    c.srcPitch = sb->pitch;
    c.boundU = static_cast<uint32_t>(src->width) << 18;
    c.boundV = static_cast<uint32_t>(src->height) << 18;
    c.transparent = sb->transparentColor;
    c.palette = sb->palette;
    if (blend) {
        c.blendPixels = blend->pixels;
        c.blendPitch = blend->body->pitch;
    }
    c.blendTable = MemImgBlendImageTable;
    c.rowB = MemImgMulTable[bright & 255];
    c.rowG = MemImgMulTable[(bright >> 8) & 255];
    c.rowR = MemImgMulTable[(bright >> 16) & 255];
    const int32_t p = std::clamp(s.blendParameter, 0, 255);
    c.parameter = p;
    c.parameterRow = MemImgTermMulTable[p];
    c.signedRow = &MemImgSignedMulTable[p][255];

    out->span = span;
    out->destPixels = dest->pixels;
    out->destPitch = dest->body->pitch;
    out->destPixelSize = dest->body->colorType == kMemImgColor16 ? 2 : 4;
    out->area = area;
    return 1;
}

}  // namespace DuRud
