// The state of one draw, checked and decoded once before any pixel: what the
// span loops read instead of the raw state arrays.
#pragma once

#include <cstdint>

#include "eight_bit_math.h"
#include "raster.h"
#include "vertex_fetch.h"

namespace platform::raster {

enum FilterKind : int { kFilterPoint = 0, kFilterLinear = 1 };
enum MipKind : int { kMipNone = 0, kMipPoint = 1, kMipLinear = 2 };

struct SamplerSetup {
    int addressU = D3DTADDRESS_CLAMP;
    int addressV = D3DTADDRESS_CLAMP;
    uint32_t border = 0;
    int magFilter = kFilterPoint;
    int minFilter = kFilterPoint;
    int mipFilter = kMipNone;
};

struct StageSetup {
    int colorOp = D3DTOP_DISABLE;
    int alphaOp = D3DTOP_DISABLE;
    DWORD colorArg1 = 0, colorArg2 = 0, alphaArg1 = 0, alphaArg2 = 0;
    bool resultTemp = false;
    int texCoordSet = -1;  // -1: the vertex lacks the set, coordinates read (0, 0)
    bool usesTexture = false;
    const RasterTexture* texture = nullptr;  // null: the stage reads opaque white
    SamplerSetup sampler;
};

struct DrawSetup {
    FvfLayout layout;
    int stageCount = 0;  // stages before the first colour DISABLE
    StageSetup stages[D3DMAXTEXTURESTAGES];
    Rgba tfactor{255, 255, 255, 255};
    bool specularAdd = false;
    bool flat = false;
    int cull = D3DCULL_NONE;
    bool lastPixel = true;

    bool alphaTest = false;
    int alphaFunc = D3DCMP_ALWAYS;
    int alphaRef = 0;

    bool blend = false;
    int srcBlend = D3DBLEND_ONE;
    int destBlend = D3DBLEND_ZERO;
    int blendOp = D3DBLENDOP_ADD;
    Rgba blendFactor{255, 255, 255, 255};
    uint32_t writeMask = 0xF;  // D3DCOLORWRITEENABLE_* bits
    // Every covered pixel that passes the depth test and that a pixel kernel
    // keeps is written with a value that does not depend on the target's
    // (nothing blended, alpha-tested or masked).
    bool overwrites = false;
    // A source-alpha blend whose alpha is the texel's: where every texel a
    // span reads is opaque, the span overwrites. Its specialised span settles
    // the target's held rows itself, knowing the texels.
    bool settlesInSpan = false;
    bool settleNeedsOpaqueDiffuse = false;  // the texel's alpha times the flat diffuse's

    bool depthTest = false;
    bool depthWrite = false;
    int depthFunc = D3DCMP_LESSEQUAL;

    RasterSurface target;
    RasterSurface depth;
    RECT clip{0, 0, 0, 0};  // pixels drawn: left <= x < right, top <= y < bottom

    // A pixel kernel replaces the stages: stage i then holds sampler i's
    // texture, sampler states and coordinate set.
    const d3d9::ShaderKernel* kernel = nullptr;
    const float (*constF)[4] = nullptr;
    const int (*constI)[4] = nullptr;
    const int* constB = nullptr;
};

// Fills a setup from the state; a refusal reason (static string) or null.
const char* BuildDrawSetup(const RasterState& state, DrawSetup& setup);

// Parts of the above, one per area.
const char* BuildStageSetups(const RasterState& state, DrawSetup& setup);
const char* BuildSamplerSetup(const RasterState& state, int stage, SamplerSetup& sampler);
const char* BuildBlendSetup(const RasterState& state, DrawSetup& setup);
// The samplers a pixel kernel reads, in place of the stages.
const char* BuildKernelSamplers(const RasterState& state, DrawSetup& setup);
// Checks the texture bound to stage or sampler i and takes it with its
// sampler states into `st`.
const char* TakeStageTexture(const RasterState& state, int i, StageSetup& st);

}  // namespace platform::raster
