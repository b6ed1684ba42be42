// The draw-state apply: before each hardware draw the draw settings become
// a complete render-state description (alpha test, blending, texture factor
// and per texture stage the texture and its colour and alpha operations),
// and only what differs from what the device holds is sent. The description
// record is also how masks and filters impose a state of their own.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"

namespace DuRud {

constexpr int kMaxDrawStages = 8;

// One texture stage; -1 in a field leaves the device's value.
struct StageDesc {
    intptr_t texture;  // a device texture (or a graphic handle when resolved); -1 leave
    int32_t texCoordIndex;
    int32_t resultToTemp;  // 1: D3DTSS_RESULTARG TEMP, 0: CURRENT
    int16_t alphaArg1, alphaArg2, alphaOp, colorArg1, colorArg2, colorOp;
};

struct RenderStateDesc {
    int32_t alphaTestEnable, alphaReference, alphaFunction, alphaBlendEnable;
    uint32_t textureFactor;
    int32_t sourceBlend, destinationBlend, blendOperation;  // -1 leave
    int32_t stageCount;                                     // 0..8
    StageDesc stages[kMaxDrawStages];
    // With programmable shaders: the pixel shader that replaces the stage
    // operations (only the textures of the stages are sent), and the value of
    // pixel-shader float constant 5. Null: the stages run fixed-function.
    IDirect3DPixelShader9* pixelShader;
    float constant5[4];
};

// The engine blend modes 0..16: factors (-1: not set), operation and the
// stage-list kind (0 plain, 1 faded toward white, 2 inverted colour,
// 3 colour times four).
struct BlendModeRow {
    int32_t sourceBlend, destinationBlend, blendOperation, kind;
};
const BlendModeRow& BlendModeTableRow(int mode);

// The prebuilt stage list of (kind 0..3, blend slot 0 none or 1 + blend
// type, diffuse-colour flag, diffuse-alpha flag, alpha source 0 diffuse,
// 1 alpha channel, 2 alpha test): n active stages then a DISABLE stage; the
// first stage's texture word holds n.
const StageDesc* PrebuiltStageList(int kind, int blendSlot, int diffuseColour, int diffuseAlpha,
                                   int alphaSource);

// Draw flags of PrepareGraphicDraw.
enum DrawFlag : uint32_t {
    kDrawTransparent = 1u << 0,
    kDrawIntegerPlacement = 1u << 1,
    kDrawGouraud = 1u << 3,
    kDrawDiffuseColour = 1u << 5,
    kDrawDiffuseAlpha = 1u << 6,
    kDrawExtraState = 1u << 7,
    kDrawKeepBlendState = 1u << 8,
    kDrawLighting = 1u << 9,
    kDrawSpecular = 1u << 10,
    kDrawDepth3D = 1u << 11,
    kDrawAddressModes = 1u << 12,
    kDrawKeepVertexShader = 1u << 13,
    kDrawCullMode = 1u << 14,
    kDrawAlphaChannel = 1u << 15,
    kDrawAlphaTest = 1u << 16,
    kDrawBlendOnlyFlag = 1u << 17,
};

// Brings the render-state cache in line with the draw settings for a draw
// of the texture (or none) and applies what changed.
void PrepareGraphicDraw(IDirect3DBaseTexture9* texture, uint32_t flags);
// 1 when a worker must call PrepareGraphicDraw: dirty, or texture or flags new.
int NeedsPrepareGraphicDraw(IDirect3DBaseTexture9* texture, uint32_t flags);
// Forgets the remembered texture and flags (a new scene prepares again).
int ForgetPreparedDraw();

// 0, or -1 without a device (and for a texture-only update with nothing to do).
int ApplyPendingDrawState(int resolveHandles, const RenderStateDesc* desc, int keepStages);
// Copies and applies the caller's description until it is cleared with null. 0.
int SetUserRenderStateDesc(const RenderStateDesc* desc, int keepStages);
// -1 without a device or for an index above 15.
int SetRenderTargetSurface(IDirect3DSurface9* surface, int index);
// The whole cached state sent again (after device creation and reset).
int ResendAllRenderState();
// After a device creation: nothing is known to be on the device.
int ResetDrawStateShadows();
// The opaque white 8 x 8 graphic of the colour-times-four draws without a
// texture, made on first use; -1 when it cannot be made.
Handle WhiteTextureGraphic();

}  // namespace DuRud
