#include "graphics/graphic_filters.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_surfaces.h"
#include "graphics/filter_kinds.h"
#include "graphics/filter_passes.h"
#include "graphics/filter_state_bracket.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/surface_readback.h"
#include "graphics/vertex_batch.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

int32_t g_shaderSlots[kFilterShaderSlots];
// Set only around graphics start-up's probe: the passes may read and write
// one texture.
int g_inPlace = 0;

// Parameters each one-source kind reads.
constexpr int kParameterCount[10] = {2, 2, 1, 5, 4, 0, 5, 5, 2, 0};

int ParameterCount(int twoSource, int kind) {
    if (twoSource) return kind == kBlendRgbaMix ? 4 : 0;
    return kParameterCount[kind];
}

// A colour value of the screen's format split into 0-255 channels.
FilterColor SplitScreenColor(uint32_t value, int alpha) {
    int r = 0, g = 0, b = 0;
    SplitColorValue(value, &r, &g, &b);
    return {r, g, b, alpha};
}

int DownScaleOf(int parameter) {
    return parameter <= 2 ? 2 : parameter <= 4 ? 4 : 8;
}

// The 256 colours of a gradient graphic's top row, or -1 for a bad handle.
int ReadGradient(Handle gradient, int reverse, uint32_t table[256]) {
    const GraphicRecord* g = GraphicFromHandle(gradient, 0);
    if (!g) return -1;
    BaseImage row{};
    const RECT top{0, 0, g->width, 1};
    if (ReadGraphicToBaseImage(gradient, &row, &top) != 0) return -1;
    for (int i = 0; i < 256; ++i)
        table[reverse ? 255 - i : i] = GetBaseImagePixelArgb(&row, i * row.width / 256, 0);
    FreeBaseImagePixels(&row);
    return 0;
}

int RunKind(FilterRequest& r, const int* p) {
    const BaseImage& src = r.images[0];
    BaseImage& dst = r.images[2];
    if (r.twoSource) {
        if (r.kind == kBlendRgbaMix) return SoftRgbaMix(src, r.images[1], dst, p);
        return SoftBlend(src, r.images[1], dst, r.kind,
                         static_cast<int>(r.blendRatio * 255.0f + 0.5f));
    }
    switch (r.kind) {
        case kFilterMono:
            return SoftMono(src, dst, p[0] * 100.0 / 255, p[1] * 100.0 / 255);
        case kFilterGauss:
            return SoftGauss(src, dst, p[0], p[1] / 100.0);
        case kFilterDownScale:
            return SoftDownScale(src, dst, p[0]);
        case kFilterBrightClip:
            return SoftBrightClip(src, dst, p[0], p[1], p[2], SplitScreenColor(p[3], p[4]));
        case kFilterHsb:
            return SoftHsb(src, dst, p[0], p[1], p[2] * 100.0 / 255, p[3] * 100.0 / 255);
        case kFilterInvert:
            return SoftInvert(src, dst);
        case kFilterLevel:
            return SoftLevel(src, dst, p[0], p[1], p[2] / 100.0, p[3], p[4]);
        case kFilterTwoColor:
            return SoftTwoColor(src, dst, p[0], SplitScreenColor(p[1], p[2]),
                                SplitScreenColor(p[3], p[4]));
        case kFilterGradientMap: {
            uint32_t table[256];
            if (ReadGradient(p[0], p[1], table) != 0) return -1;
            return SoftGradientMap(src, dst, table);
        }
        case kFilterPremultipliedAlpha:
            return SoftPremultipliedAlpha(src, dst);
        default:
            return -1;
    }
}

// Stretches one A8R8G8B8 image over another as the device samples a
// texture drawn over a quad without filtering: each pixel takes the texel
// under its centre, (x + 0.5) x from width / to width.
void PointSampleAtCentres(const BaseImage& from, BaseImage& to) {
    for (int y = 0; y < to.height; ++y) {
        const int64_t sy = (2 * int64_t{y} + 1) * from.height / (2 * int64_t{to.height});
        const auto* row = static_cast<const uint8_t*>(from.pixels) + sy * from.pitch;
        auto* out = static_cast<uint8_t*>(to.pixels) + int64_t{y} * to.pitch;
        for (int x = 0; x < to.width; ++x) {
            const int64_t sx = (2 * int64_t{x} + 1) * from.width / (2 * int64_t{to.width});
            std::memcpy(out + 4 * x, row + 4 * sx, 4);
        }
    }
}

// A multi-sampled draw target the filter reads or writes is resolved into
// its texture first.
void ResolveDrawTargetIfRead(std::initializer_list<Handle> used) {
    const Handle target = GetDrawSettings().renderTargets[0];
    if (IsScreenTarget(target) || !IsGraphicMultiSampled(target)) return;
    if (std::find(used.begin(), used.end(), target) == used.end()) return;
    GraphicRecord* g = GraphicFromHandle(target, 0);
    if (!g || !g->image || g->image->tileCount < 1) return;
    FlushVertexBatch();
    EndSceneIfBegun();
    ResolveMultiSampleTile(&g->image->tiles[0]);
}

}  // namespace

int ResetFilterShaderSlots() {
    std::fill(std::begin(g_shaderSlots), std::end(g_shaderSlots), -1);
    return 0;
}

const int32_t* FilterShaderSlots() {
    return g_shaderSlots;
}

int32_t* FilterShaderSlotsForUpdate() {
    return g_shaderSlots;
}

int SetFilterInPlace(int on) {
    g_inPlace = on ? 1 : 0;
    return 0;
}

void FreeFilterImages(FilterRequest* request) {
    for (BaseImage& image : request->images)
        if (image.pixels) FreeBaseImagePixels(&image);
}

int ReadFilterSources(FilterRequest* r, int makeEmpty, int width, int height) {
    std::memset(r->images, 0, sizeof r->images);
    const RECT source{r->x1, r->y1, r->x2, r->y2};
    const int w = r->x2 - r->x1, h = r->y2 - r->y1;
    int result = ReadGraphicToBaseImage(r->source, &r->images[0], &source);
    if (result == 0 && r->twoSource) {
        if (r->blendPositionFlag) {
            const RECT at{r->blendX, r->blendY, r->blendX + w, r->blendY + h};
            result = ReadGraphicToBaseImage(r->blend, &r->images[1], &at);
        } else {
            BaseImage whole{};
            result = ReadGraphicToBaseImage(r->blend, &whole, nullptr);
            if (result == 0) {
                result = CreateA8R8G8B8BaseImage(w, h, &r->images[1]);
                if (result == 0) PointSampleAtCentres(whole, r->images[1]);
                FreeBaseImagePixels(&whole);
            }
        }
    }
    if (result == 0) {
        if (makeEmpty) {
            result = CreateA8R8G8B8BaseImage(width, height, &r->images[2]);
        } else {
            const RECT dest{r->destX, r->destY, r->destX + width, r->destY + height};
            result = ReadGraphicToBaseImage(r->dest, &r->images[2], &dest);
        }
    }
    if (result != 0) FreeFilterImages(r);
    return result == 0 ? 0 : -1;
}

int CommitFilterSoftResult(FilterRequest* r) {
    const int result = TransferImageToGraphic(r->dest, nullptr, r->destX, r->destY, &r->images[2],
                                              nullptr, 0, 0, 0, 0);
    FreeFilterImages(r);
    return result == 0 ? 0 : -1;
}

int ApplyFilter(int twoSource, Handle source, Handle blend, Handle dest, int blendParameter,
                int kind, int x1, int y1, int x2, int y2, int blendX, int blendY,
                int blendPositionFlag, int destX, int destY, const int* params) {
    const GraphicRecord* src = GraphicFromHandle(source, 0);
    const GraphicRecord* dst = GraphicFromHandle(dest, 0);
    if (!src || !dst || x2 <= x1 || y2 <= y1) return -1;
    if (twoSource ? (!GraphicFromHandle(blend, 0) || kind < 0 || kind > 16)
                  : (kind < 0 || kind > 9))
        return -1;
    int p[kMaxFilterParameters] = {};
    const int count = ParameterCount(twoSource, kind);
    if (count > 0 && !params) return -1;
    std::copy(params, params + count, p);
    const bool downScale = !twoSource && kind == kFilterDownScale;
    if (downScale && p[0] < 1) return -1;
    const int scale = downScale ? DownScaleOf(p[0]) : 1;

    // A negative corner on either side moves every position by the same amount.
    auto shift = [](int& a, int& b, int& c, int& d) {
        if (a >= 0) return;
        const int by = -a;
        a = 0, b += by, c += by, d += by;
    };
    int unused = 0;
    shift(x1, blendX, destX, unused);
    shift(y1, blendY, destY, unused);
    shift(destX, x1, blendX, unused);
    shift(destY, y1, blendY, unused);
    x2 = std::min(x2, src->width);
    y2 = std::min(y2, src->height);
    if (x2 <= x1 || y2 <= y1 || destX >= dst->width || destY >= dst->height) return 0;
    const int roomX = dst->width - destX, roomY = dst->height - destY;
    if (downScale) {
        if ((x2 - x1) / scale > roomX) x2 = x1 + roomX * scale;
        if ((y2 - y1) / scale > roomY) y2 = y1 + roomY * scale;
        if ((x2 - x1) / scale == 0 || (y2 - y1) / scale == 0) return 0;
    } else {
        x2 = std::min(x2, x1 + roomX);
        y2 = std::min(y2, y1 + roomY);
    }
    // A blend graphic read from a position must hold the whole rectangle:
    // no pixel outside it is read (the device would read whatever lies
    // beside it in its texture).
    if (twoSource && blendPositionFlag) {
        const GraphicRecord* b = GraphicFromHandle(blend, 0);
        if (blendX < 0 || blendY < 0 || blendX + (x2 - x1) > b->width ||
            blendY + (y2 - y1) > b->height)
            return -1;
    }

    FilterRequest r{};
    r.twoSource = twoSource ? 1 : 0;
    r.kind = kind;
    r.source = source;
    r.blend = twoSource ? blend : -1;
    r.dest = dest;
    r.blendRatio = static_cast<float>(std::clamp(blendParameter, 0, 255)) / 255.0f;
    r.x1 = x1, r.y1 = y1, r.x2 = x2, r.y2 = y2;
    r.blendX = blendX, r.blendY = blendY, r.blendPositionFlag = blendPositionFlag;
    r.destX = destX, r.destY = destY;
    const Handle gradient = !twoSource && kind == kFilterGradientMap ? p[0] : -1;
    ResolveDrawTargetIfRead({source, r.blend, dest, gradient});
    if (GetScreenState().useDirect3D && HasDevice()) EnsureSceneBegun();
    const bool device = FilterRunsOnDevice(r, p, scale) != 0;
    int passes = 1;
    if (device && !twoSource && (kind == kFilterGauss || (kind == kFilterHsb && p[0] != 1)))
        passes = 2;
    const int pingPong =
        !device || (!twoSource && kind == kFilterGauss) || x1 != destX || y1 != destY || !g_inPlace
            ? 1
            : 0;
    FilterDrawState saved;
    SaveFilterDrawState(&saved);
    int result = 0;
    if (device) {
        result = RunFilterOnDevice(&r, p, passes, pingPong, scale);
    } else {
        result = ReadFilterSources(&r, 1, (x2 - x1) / scale, (y2 - y1) / scale);
        if (result == 0 && RunKind(r, p) != 0) {
            FreeFilterImages(&r);
            result = -1;
        }
    }
    RestoreFilterDrawState(&saved);
    if (result != 0) return -1;
    return device ? 0 : CommitFilterSoftResult(&r);
}

int FilterGraphic(Handle graphic, int kind, ...) {
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!g || kind < 0 || kind > 9) return -1;
    int params[kMaxFilterParameters] = {};
    va_list list;
    va_start(list, kind);
    for (int i = 0; i < kParameterCount[kind]; ++i) params[i] = va_arg(list, int);
    va_end(list);
    return ApplyFilter(0, graphic, -1, graphic, 0, kind, 0, 0, g->width, g->height, 0, 0, 0, 0, 0,
                       params);
}

}  // namespace DuRud
