// Decoding vertices of the flexible vertex formats the device draws.
#pragma once

#include <cstdint>

#include "raster.h"

namespace platform::raster {

struct FvfLayout {
    DWORD fvf = 0;
    UINT size = 0;  // bytes of one vertex
    int diffuseOffset = -1;
    int specularOffset = -1;
    int texCount = 0;
    int texOffset[8] = {};
};

// A vertex as the pipeline reads it: screen position, 1/w, colours and the
// coordinate sets (unused sets are 0).
struct RasterVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float tex[8][2];
};

// Decodes a format; a refusal reason or null.
const char* DecodeFvf(DWORD fvf, FvfLayout& layout);

// Reads vertex `index` of an array; positions and coordinates are taken as
// they are, non-finite coordinates become 0 (the rasteriser drops triangles
// whose positions are not finite).
void FetchVertex(const FvfLayout& layout, const uint8_t* vertices, UINT stride, UINT index,
                 RasterVertex& out);

}  // namespace platform::raster
