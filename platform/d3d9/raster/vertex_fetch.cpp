// Flexible-vertex-format decoding. The device draws pre-transformed screen
// vertices with a diffuse colour, an optional specular colour and up to eight
// two-float coordinate sets; the engine uses three of these layouts and any
// other is refused rather than drawn wrongly.
#include "vertex_fetch.h"

#include <cmath>
#include <cstring>

namespace platform::raster {

namespace {

constexpr DWORD kAcceptedFormats[] = {
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE,
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2,
};

float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

uint32_t ReadDword(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

float FiniteOrZero(float f) {
    return std::isfinite(f) ? f : 0.0f;
}

}  // namespace

const char* DecodeFvf(DWORD fvf, FvfLayout& layout) {
    bool accepted = false;
    for (DWORD f : kAcceptedFormats) accepted = accepted || f == fvf;
    if (!accepted) return "vertex format not supported by the fixed-function rasteriser";
    layout = FvfLayout{};
    layout.fvf = fvf;
    UINT offset = 16;  // x, y, z, rhw
    if (fvf & D3DFVF_DIFFUSE) layout.diffuseOffset = int(offset), offset += 4;
    if (fvf & D3DFVF_SPECULAR) layout.specularOffset = int(offset), offset += 4;
    layout.texCount = int((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    for (int i = 0; i < layout.texCount; ++i) layout.texOffset[i] = int(offset), offset += 8;
    layout.size = offset;
    return nullptr;
}

void FetchVertex(const FvfLayout& layout, const uint8_t* vertices, UINT stride, UINT index,
                 RasterVertex& out) {
    const uint8_t* p = vertices + size_t(index) * stride;
    out.x = ReadFloat(p);
    out.y = ReadFloat(p + 4);
    out.z = FiniteOrZero(ReadFloat(p + 8));
    out.rhw = ReadFloat(p + 12);
    out.diffuse = layout.diffuseOffset >= 0 ? ReadDword(p + layout.diffuseOffset) : 0xFFFFFFFFu;
    out.specular = layout.specularOffset >= 0 ? ReadDword(p + layout.specularOffset) : 0;
    for (int i = 0; i < 8; ++i) {
        if (i < layout.texCount) {
            out.tex[i][0] = FiniteOrZero(ReadFloat(p + layout.texOffset[i]));
            out.tex[i][1] = FiniteOrZero(ReadFloat(p + layout.texOffset[i] + 4));
        } else {
            out.tex[i][0] = out.tex[i][1] = 0.0f;
        }
    }
}

}  // namespace platform::raster
