// What the triangle and the rotated blit settle once per call before they
// walk: the refusals, the clipped draw area, the source kind, the span
// context and the one span loop that will draw every pixel.
#pragma once

#include <cstdint>

#include "image/memimg.h"
#include "soft/span_pipeline.h"

namespace DuRud {

// The draw area intersected with the destination; right and bottom exclusive.
struct DrawArea {
    int32_t left, top, right, bottom;
};

// Largest source width or height drawn: the 14.18 bounds must fit.
constexpr int32_t kMaxShapeSource = 8192;
// Vertices, centres and corners of shapes lie in this range of pixels.
constexpr int32_t kShapeCoordMin = -8192;
constexpr int32_t kShapeCoordMax = 8191;

struct TexturedCall {
    SpanContext context;
    SpanFunction span = nullptr;
    uint8_t* destPixels = nullptr;
    intptr_t destPitch = 0;
    int32_t destPixelSize = 0;
    DrawArea area{};
};

// 1 and *out filled when the call draws; 0 when it is refused (different
// colour types, a palette or alpha destination, an unsupported source, a bad
// or too small blend image, a mode or parameter that draws nothing, an empty
// area).
int PrepareTexturedCall(MEMIMG* dest, const MEMIMG* src, const MEMIMG* blend, int trans,
                        TexturedCall* out);

// The destination checks every shape makes: a valid record whose body has
// colour type 0 or 1, no palette, no alpha and the matching pixel size.
// Fills *area and returns 1, else 0.
int PrepareShapeDestination(const MEMIMG* dest, DrawArea* area);

// The 48 plain-copy loops (blend mode 0, and mode 1 at parameter 255).
SpanFunction PickPlainCopySpan(SourceKind kind, bool blend, bool white, bool trans);
// The 48 loops of each other blend mode, one file per mode.
SpanFunction PickAlphaBlendSpan(SourceKind kind, bool blend, bool white, bool trans);      // 1
SpanFunction PickAdditiveSpan(SourceKind kind, bool blend, bool white, bool trans);        // 2
SpanFunction PickSubtractiveSpan(SourceKind kind, bool blend, bool white, bool trans);     // 3
SpanFunction PickModulateSpan(SourceKind kind, bool blend, bool white, bool trans);        // 4
SpanFunction PickInvertedSourceSpan(SourceKind kind, bool blend, bool white, bool trans);  // 10
SpanFunction PickMultiplySpan(SourceKind kind, bool blend, bool white, bool trans);        // 11

}  // namespace DuRud
