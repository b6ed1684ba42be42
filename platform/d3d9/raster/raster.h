// The software device's rasteriser and fixed-function pixel pipeline, over
// plain surface and state records so that it needs nothing of the device
// objects: the device fills a RasterState from what it stores and calls the
// draw functions here.
//
// Rules kept everywhere (as Direct3D 9 hardware does):
// - Pixel centres lie on integer coordinates; a triangle covers a pixel when
//   the centre is inside, or on a top or left edge. Positions are snapped to
//   1/256 pixel first, so triangles sharing an edge cover each pixel once.
// - Texel i of a texture of size n spans [i, i + 1) in u * n; point sampling
//   takes floor(u * n), bilinear sampling weighs the texels around
//   u * n - 0.5 with 8-bit weights.
// - 8-bit arithmetic: a product a * b of two channel values is
//   round(a * b / 255) (round half up, which never ties), sums saturate at 0
//   and 255; a narrow channel widens by bit replication and narrows by
//   round(v * max / 255).
#pragma once

#include <cstdint>

#include "../shader_kernels.h"
#include "d3d9_states.h"
#include "win_types.h"

namespace platform::raster {

// Surface formats by their D3DFORMAT numbers.
enum RasterFormat : uint32_t {
    kFormatA8R8G8B8 = 21,
    kFormatX8R8G8B8 = 22,
    kFormatR5G6B5 = 23,
    kFormatX1R5G5B5 = 24,
    kFormatA1R5G5B5 = 25,
    kFormatA4R4G4B4 = 26,
    kFormatD32 = 71,
    kFormatD24S8 = 75,
    kFormatD24X8 = 77,
    kFormatD16 = 80,
    kFormatIndex16 = 101,
    kFormatIndex32 = 102,
};

// D3DERR_INVALIDCALL.
constexpr HRESULT kInvalidCall = static_cast<HRESULT>(0x8876086Cu);

class KnownDepthRows;
class HeldRows;

// Pixels of one surface; the memory belongs to the caller.
struct RasterSurface {
    uint8_t* pixels = nullptr;
    int pitch = 0;  // bytes from one row to the next
    int width = 0;
    int height = 0;
    uint32_t format = 0;
    // Depth surfaces: what the owner knows of the rows' depths (null: nothing).
    // The rasteriser keeps it true for every depth it writes.
    KnownDepthRows* known = nullptr;
    // 32-bit colour targets: the writes held back on it (null: fills are
    // written as they come). The rasteriser keeps it true for every pixel.
    HeldRows* held = nullptr;
};

// A texture: its mip levels, largest first.
struct RasterTexture {
    static constexpr int kMaxLevels = 16;
    int levelCount = 0;
    RasterSurface levels[kMaxLevels];
};

struct RasterViewport {
    DWORD x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};

// Everything a draw reads. Arrays are indexed by the documented state numbers.
struct RasterState {
    DWORD render[D3DRS_STATE_COUNT] = {};
    DWORD stage[D3DMAXTEXTURESTAGES][D3DTSS_STATE_COUNT] = {};
    DWORD sampler[D3DMAXTEXTURESTAGES][D3DSAMP_STATE_COUNT] = {};
    const RasterTexture* textures[D3DMAXTEXTURESTAGES] = {};
    RasterSurface target;  // the render target (pixels null: none)
    RasterSurface depth;   // the depth surface (pixels null: none)
    RasterViewport viewport;
    RECT scissor = {0, 0, 0, 0};
    DWORD fvf = 0;
    bool vertexShaderSet = false;  // a vertex shader is set (not run: refused)
    bool declarationSet = false;   // a vertex declaration replaces the FVF (refused)
    // The set pixel shader's kernel (null: the fixed-function stages), and
    // the constant registers it reads.
    const d3d9::ShaderKernel* pixelKernel = nullptr;
    const float (*pixelConstF)[4] = nullptr;  // c0 .. c223
    const int (*pixelConstI)[4] = nullptr;    // i0 .. i15
    const int* pixelConstB = nullptr;         // b0 .. b15
    UINT maxPrimitiveCount = 0xFFFFF;
    UINT maxVertexIndex = 0xFFFFFF;
};

// Outcome of a draw: S_OK, or kInvalidCall with a short reason for the call
// trace (a static string).
struct RasterResult {
    HRESULT hr = S_OK;
    const char* reason = nullptr;
};

// The documented default of every state, with a viewport and scissor over
// the target and a depth test on when a depth surface is given.
void RasterSetDefaultStates(RasterState& state);

RasterResult RasterDrawPrimitiveUP(const RasterState& state, D3DPRIMITIVETYPE type,
                                   UINT primitiveCount, const void* vertices, UINT stride);

RasterResult RasterDrawIndexedPrimitiveUP(const RasterState& state, D3DPRIMITIVETYPE type,
                                          UINT minVertexIndex, UINT numVertices,
                                          UINT primitiveCount, const void* indices,
                                          uint32_t indexFormat, const void* vertices, UINT stride);

// Bilinear stretch of a rectangle of one colour surface onto a rectangle of
// another with the same sampling as textured triangles (texel centres at
// i + 0.5, 8-bit weights, clamped at the source rectangle's edges). Formats
// convert; false for a non-colour format or a rectangle outside a surface.
bool RasterStretchLinear(const RasterSurface& src, const RECT& srcRect, const RasterSurface& dst,
                         const RECT& dstRect);

// True for the texture stage operations the stages compute (D3DTOP_DISABLE,
// which ends the cascade, included); a draw using any other is refused.
bool RasterStageOperationSupported(DWORD op);

// Drawing paths chosen per draw: specialised spans when the state has one,
// else the generic path. Tests force the generic path to compare the two.
void RasterForceGenericSpans(bool force);
bool RasterGenericSpansForced();

// What a draw of two triangles does when it is a copy of stage 0's texture
// onto the whole target, texel (x, y) to pixel (x, y) with nothing blended,
// tested, masked or written to depth: every target byte becomes the texel's
// byte (kExact), or every byte but the unused top byte of an X8R8G8B8 target,
// which a draw would set to 255 (kTopByteUnset). kNone for any other draw.
// The caller may then hand the texture's bytes to the target instead.
enum class WholeCopy { kNone, kExact, kTopByteUnset };
WholeCopy RasterWholeTextureCopy(const RasterState& state, D3DPRIMITIVETYPE type,
                                 UINT primitiveCount, const void* vertices, UINT stride);

}  // namespace platform::raster
