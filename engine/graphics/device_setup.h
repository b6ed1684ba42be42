// Device set-up and device resources: the screen device brought up and down
// as a whole with its fall-backs to the software renderer, the capabilities
// and the texture format table, the read-back choice, the depth buffer, the
// sub back buffer, the brightness volume and the vertex declarations.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "image/image_record.h"

namespace DuRud {

// Texture format slots; a graphic's image body names its slot by index.
enum TextureFormatSlot : int {
    kSlotColour16,
    kSlotColour32,
    kSlotAlpha16,
    kSlotAlpha32,
    kSlotAlphaTest16,
    kSlotAlphaTest32,
    kSlotDxt1,
    kSlotDxt2,
    kSlotDxt3,
    kSlotDxt4,
    kSlotDxt5,
    kSlotDraw16,
    kSlotDraw32,
    kSlotDrawAlpha32,
    kSlotDrawAbgr16,
    kSlotDrawAbgr16Float,
    kSlotDrawAbgr32Float,
    kSlotDrawOne8,
    kSlotDrawOne16,
    kSlotDrawOne16Float,
    kSlotDrawOne32Float,
    kSlotDrawTwo8,
    kSlotDrawTwo16,
    kSlotDrawTwo16Float,
    kSlotDrawTwo32Float,
    kTextureFormatSlotCount
};

struct DeviceCapabilities {
    int32_t renderTargetSlots;  // at most 16
    int32_t stageTemporaryRegister;
    int32_t blendOperation;
    int32_t vertexShader2, pixelShader2;
    int32_t conditionalNonPow2, pow2Required, squareOnly;
    int32_t maxTextureWidth, maxTextureHeight, maxTextureSize;
    int32_t maxPrimitiveCount;
    int32_t useBackBufferLock;
};

constexpr int kFixedDeclarationCount = 8;
constexpr int kModelDeclarationCount = 54;

struct DeviceResources {
    DeviceCapabilities caps;
    D3DFORMAT formats[kTextureFormatSlotCount];  // 0: the slot is unusable
    D3DFORMAT depthFormat;
    D3DFORMAT backBufferFormat;
    IDirect3DSurface9* backBuffer;
    IDirect3DSurface9* depthSurface;
    int32_t depthWidth, depthHeight;
    IDirect3DSurface9* subBackBuffer;
    IDirect3DVolumeTexture9* brightnessVolume;
    IDirect3DVertexDeclaration9* modelDeclarations[kModelDeclarationCount];
    IDirect3DVertexDeclaration9* fixedDeclarations[kFixedDeclarationCount];
    int32_t readBackSize;  // side of the read-back timing surfaces
    // The mask's work texture (the draw slot for the screen depth) and its
    // mask texture (the mask byte is its alpha); D3DFMT_UNKNOWN: none.
    D3DFORMAT maskColourFormat;
    D3DFORMAT maskAlphaFormat;
};

DeviceResources& GetDeviceResources();
D3DFORMAT DrawFormatForScreenDepth();
D3DFORMAT AlphaTestFormatForScreenDepth();
int DeviceHasShaderModel2();  // vertex and pixel shader 2.0
int DeviceHasStageTemporaryRegister();

int SetupScreenDevice();     // 0, or -1 when a full-screen display switch failed
int ShutdownScreenDevice();  // 0
int SetUpDevice();           // 0, -1, or -2 when the Ex device failed
int CreateZBuffer();
int CreateSubBackBuffer();
int CreateVertexDeclarations();
int ReleaseFixedVertexDeclarations();
// After a device rebuild: each step in order (the work-texture pool, the
// graphics' textures, the vertex and index buffers, the shaders, the mask
// screen).
int RecreateDeviceResources();

// The descriptor of a Direct3D format number, or null (built on first use).
const ColorFormat* ColorFormatForD3DFormat(int format);

}  // namespace DuRud
