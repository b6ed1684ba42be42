// The render-state cache: every device state the drawing code changes goes
// through a setter here, which keeps a shadow of the value last sent, skips
// repeats, flushes the vertex batch before a real change and raises the
// draw-state-changed flag. Also the pending draw values the draw-state apply
// turns into device states, and the grid drawing.
#pragma once

#include <cstdint>

#include <d3d9.h>

namespace DuRud {

constexpr int kCachedSamplerStages = 8;
constexpr int kCachedLights = 256;
constexpr DWORD kGridVertexFormat = 0x144;  // XYZRHW | DIFFUSE | TEX1
constexpr int kGridPieceIndices = 1000;

struct GridVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};

struct RenderStateCache {
    int32_t force;  // send even unchanged values, never flush
    int32_t drawStateChanged;
    int32_t pendingApply;
    int32_t samplerStages;  // max(4, the device's), at most 8
    // render-state shadows
    DWORD zEnable, zWriteEnable, zFunc, depthBias, fillMode, cullMode, shadeMode;
    DWORD specularEnable, diffuseSource, specularSource, ambient, lighting;
    DWORD fogEnable, fogMode, fogColour;
    float fogStart, fogEnd, fogDensity;
    // sampler and stage shadows
    DWORD minFilter[kCachedSamplerStages], magFilter[kCachedSamplerStages],
        mipFilter[kCachedSamplerStages];
    DWORD address[3][kCachedSamplerStages];  // U, V, W
    DWORD maxAnisotropy;
    int32_t samplerFilterKind;
    DWORD texCoordIndex[4], resultArg[4];
    DWORD textureTransformFlags;
    D3DMATRIX textureMatrix;
    D3DVIEWPORT9 viewport;
    RECT scissor;
    D3DLIGHT9 lights[kCachedLights];
    int32_t lightEnabled[4];  // of the lights the shader constants carry
    D3DMATERIAL9 material;
    // current objects the draw paths compare against
    IDirect3DVertexShader9* vertexShader;
    IDirect3DPixelShader9* pixelShader;
    IDirect3DVertexDeclaration9* declaration;
    DWORD fvf;
    int32_t userVertexShader, userPixelShader;
    // pending draw values
    IDirect3DBaseTexture9* stageTexture;
    IDirect3DBaseTexture9* blendTexture;
    float blendTextureWidth, blendTextureHeight, blendTextureInvWidth, blendTextureInvHeight;
    int32_t blendGraphicType, blendParameter, blendThreshold, blendRange;
    int32_t blendMode, diffuseColourFlag, diffuseAlphaFlag;
    int32_t alphaTestFunction, alphaTestReference;  // -1: no override
    int32_t drawValues[4];  // texture-colour replacement, alpha channel, alpha test, draw skip
};

RenderStateCache& GetRenderStateCache();

// After a device creation: shadows back to Direct3D's defaults (the device's
// own), the two material sources stale (255), the current objects cleared.
int ResetRenderStateShadows();
int ClearCachedCurrentObjects();
int SetRenderStateForce(int on);  // the previous setting

// Render states. Without a device: -1 for depth, fill mode and sampler
// setters, 0 for the others.
int SetDeviceDepthTest(int on);
int SetDeviceDepthWrite(int on);
int SetDeviceDepthCompare(int function);
int SetDeviceDepthBias(float bias);
int SetDeviceFillMode(int mode);
int SetDeviceCullMode(int mode);
int SetDeviceShadeMode(int mode);
int SetDeviceSpecular(int on);
int SetDeviceDiffuseFromVertexColour(int on);
int SetDeviceSpecularFromVertexColour(int on);
int SetDeviceAmbientColour(D3DCOLOR colour);
int SetDeviceFogEnable(int on);
int SetDeviceFogMode(int mode);
int SetDeviceFogColour(D3DCOLOR colour);
int SetDeviceFogRange(float start, float end);
int SetDeviceFogDensity(float density);
int SetDeviceLighting(int on);

// Samplers: kind 0 nearest, 1 bilinear, 2 anisotropic; other kinds -1.
int SetSamplerFilterKind(int kind);
int SetMaxAnisotropy(int value);
// which: 0 U, 1 V, 2 W, 3 all three; stage 0..7, or -1 for all eight.
int SetTextureAddress(int which, int mode, int stage);
int SetDeviceTextureTransform(DWORD stage0Flags, const D3DMATRIX* matrix);

// Viewport and scissor; a refused viewport returns the device's code.
int SetDeviceViewport(const D3DVIEWPORT9* viewport);
int SetDeviceViewportRect(int left, int top, int right, int bottom);
int SetDeviceScissor(const RECT* rect);

// Lights and material.
int SetDeviceLight(int index, const D3DLIGHT9* light);
int EnableDeviceLight(int index, int on);
int SetDeviceMaterial(const D3DMATERIAL9* material);

// Pending draw values: 0, and the pending-apply flag when something changed.
int SetPendingStageTexture(IDirect3DBaseTexture9* texture);
int SetPendingBlendTexture(IDirect3DBaseTexture9* texture, int width, int height);
int SetPendingBlendGraphic(int type, int first, int second);  // 0: value; 1: threshold, range
int SetPendingBlendMode(int mode, int diffuseColour, int diffuseAlpha);
int SetPendingAlphaTestOverride(int function, int reference);
int SetPendingDrawValue(int index, int value);  // index 0..3

// The fixed-function basics sent again in full.
int ResendFixedFunctionBasics();

// A columns x rows grid of kGridVertexFormat vertices as indexed strips,
// in pieces of at most kGridPieceIndices indices. -1 without a device, for
// fewer than 2 columns or rows, or when a draw is refused.
int DrawVertexGrid(int columns, int rows, const GridVertex* vertices);

}  // namespace DuRud
