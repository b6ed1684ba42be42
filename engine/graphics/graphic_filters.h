// Graphic filters: the dispatcher that checks, clips and decodes a filter
// call, then runs its passes through the filter shaders on the device
// (graphics/filter_passes.h) or, without shaders or for what the device path
// cannot read, reads the rectangles into images, runs the kind's CPU rule
// (graphics/filter_kinds.h) and writes the result into the destination.
#pragma once

#include <cstdint>

#include "DuRud.h"
#include "image/image_record.h"

namespace DuRud {

struct FilterRequest {
    int32_t twoSource;
    int32_t kind;
    Handle source;
    Handle blend;  // -1 for one-source kinds
    Handle dest;
    float blendRatio;  // blend parameter / 255
    int32_t pass;
    int32_t x1, y1, x2, y2;  // source rectangle, x2 and y2 exclusive
    int32_t blendX, blendY;
    int32_t blendPositionFlag;  // the blend graphic is read from (blendX, blendY)
    int32_t destX, destY;
    // CPU path: source, blend and destination (A8R8G8B8).
    BaseImage images[3];
};

// Parameters per kind are read as 32-bit integers; no kind takes more.
constexpr int kMaxFilterParameters = 5;

// A one-source filter over the whole graphic, in place; the kind's
// parameters follow as ints. 0 or -1.
int FilterGraphic(Handle graphic, int kind, ...);
// params: the kind's parameters (may be null for kinds that take none).
// 0 when the filter ran or was clipped to nothing, -1 otherwise (also when
// the blend graphic, read from its position, does not hold the rectangle).
int ApplyFilter(int twoSource, Handle source, Handle blend, Handle dest, int blendParameter,
                int kind, int x1, int y1, int x2, int y2, int blendX, int blendY,
                int blendPositionFlag, int destX, int destY, const int* params);

// Reads the source rectangle and the blend rectangle (without the position
// flag the whole blend graphic stretched over it, sampled at pixel centres
// as the device samples it) into
// images 0 and 1, and width x height of the destination at its position
// into image 2 (an empty image with makeEmpty). 0, or -1 with nothing held.
int ReadFilterSources(FilterRequest* request, int makeEmpty, int width, int height);
// Transfers image 2 into the destination at its position and frees the three
// images, whether or not the transfer worked. 0 or -1.
int CommitFilterSoftResult(FilterRequest* request);
// Frees whatever the request's images hold.
void FreeFilterImages(FilterRequest* request);

// The pixel-shader handle slots of the filter shaders: 20 single shaders, 16
// blend shaders and the 281 RGBA-mix variants, all -1 after a reset.
constexpr int kFilterShaderSlots = 20 + 16 + 256 + 16 + 8 + 1;
int ResetFilterShaderSlots();
const int32_t* FilterShaderSlots();
int32_t* FilterShaderSlotsForUpdate();
// Graphics start-up's probe runs its filter in place (source and destination
// one texture); everywhere else passes alternate between work textures.
int SetFilterInPlace(int on);

}  // namespace DuRud
