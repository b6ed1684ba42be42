// What the software device keeps that a rasteriser needs: surfaces as plain
// pixel memory (format, pitch, size), the device's states indexed by their
// numeric Direct3D 9 values, the bound textures and targets, and the seam
// through which DrawPrimitiveUP / DrawIndexedPrimitiveUP hand a validated
// draw to the rasteriser.
#pragma once

#include <cstdint>
#include <map>
#include <cstdlib>
#include <memory>

#include "d3d9.h"
#include "raster/held_rows.h"
#include "raster/known_depth_rows.h"
#include "win32/large_blocks.h"

namespace platform::d3d9 {

// One level of a surface or volume: exactly pitch x height (x depth) bytes.
struct PixelBuffer {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT width = 0;
    UINT height = 0;
    UINT depth = 1;
    UINT pitch = 0;       // bytes from one row to the next
    UINT slicePitch = 0;  // bytes from one slice to the next (volumes)
    // Zeroed pages from the system, untouched: padding and areas never drawn
    // cost no memory (large ones in huge pages, see win32/large_blocks.h).
    struct Free {
        void operator()(uint8_t* p) const { platform::FreeZeroedBlock(p); }
    };
    std::unique_ptr<uint8_t[], Free> bytes;
    size_t size = 0;
    // Depth surfaces bound for drawing: the rows' known depths, made on the
    // first draw and forgotten by any write the rasteriser does not see.
    std::unique_ptr<raster::KnownDepthRows> knownDepth;
    // 32-bit colour targets: writes held back (made on the first draw or
    // moved copy). Whatever reads the bytes outside a draw calls
    // WriteHeldRows first, whatever writes them SettleBeforeWrite.
    std::unique_ptr<raster::HeldRows> heldRows;
    // After a whole-surface copy that moved the bytes: the buffer whose rows
    // this one's held rows copy, and the buffer holding rows of this one.
    PixelBuffer* copyOf = nullptr;
    PixelBuffer* copiedBy = nullptr;
    // X8R8G8B8: the unused top byte of some pixels is not yet 255 (bytes
    // moved in from an A8R8G8B8 texture). Drawing and showing ignore it;
    // WriteHeldRows sets it before anything else reads the bytes.
    bool topBytesUnset = false;
    // Every byte is still the zero calloc gave and nothing is held: nothing
    // wrote, moved or locked the bytes since. A fill that writes zero bytes
    // then leaves them as they are, and the pages stay untouched.
    bool zeroSinceAllocation = false;

    PixelBuffer() = default;
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    ~PixelBuffer();

    uint8_t* Row(UINT y, UINT z = 0) const {
        return bytes.get() + size_t(z) * slicePitch + size_t(y) * pitch;
    }
};

// Counts of the state tables (the largest documented value + 1).
inline constexpr int kRenderStateCount = 256;
inline constexpr int kTextureStageCount = 8;
inline constexpr int kTextureStageStateCount = 33;
inline constexpr int kSamplerStateCount = 14;
// Samplers 0..15, then the displacement-map sampler (256) and the four vertex
// texture samplers (257..260) at slots 16..20.
inline constexpr int kSamplerSlotCount = 21;
inline constexpr int kMaxRenderTargets = 4;
inline constexpr int kVertexFloatConstants = 256;
inline constexpr int kPixelFloatConstants = 224;
inline constexpr int kIntConstants = 16;
inline constexpr int kBoolConstants = 16;

// Numeric state values the device itself reads.
inline constexpr DWORD kRsZEnable = 7;
inline constexpr DWORD kRsScissorTestEnable = 174;
inline constexpr DWORD kRsBlendOp = 171;
inline constexpr DWORD kRsBlendOpAlpha = 209;
inline constexpr DWORD kTssColorOp = 1;
inline constexpr DWORD kTssColorArg1 = 2;
inline constexpr DWORD kTssColorArg2 = 3;
inline constexpr DWORD kTssAlphaOp = 4;
inline constexpr DWORD kTssAlphaArg1 = 5;
inline constexpr DWORD kTssAlphaArg2 = 6;
inline constexpr DWORD kTssTexCoordIndex = 11;
inline constexpr DWORD kTssColorArg0 = 26;
inline constexpr DWORD kTssAlphaArg0 = 27;
inline constexpr DWORD kTssResultArg = 28;
inline constexpr DWORD kTaSelectMask = 0xF;
inline constexpr DWORD kTaTemp = 5;

// Maps a sampler number (0..15, 256..260) to its slot, -1 when invalid.
inline int SamplerSlot(DWORD sampler) {
    if (sampler < 16) return int(sampler);
    if (sampler >= 256 && sampler <= 260) return int(sampler - 256 + 16);
    return -1;
}

struct LightSlot {
    D3DLIGHT9 light{};
    bool enabled = false;
};

class SurfaceImpl;
class BaseTextureImpl;
class VertexDeclarationImpl;
class VertexShaderImpl;
class PixelShaderImpl;
class VertexBufferImpl;
class IndexBufferImpl;

struct DeviceState {
    DWORD renderStates[kRenderStateCount] = {};
    DWORD stageStates[kTextureStageCount][kTextureStageStateCount] = {};
    DWORD samplerStates[kSamplerSlotCount][kSamplerStateCount] = {};
    BaseTextureImpl* textures[kSamplerSlotCount] = {};
    SurfaceImpl* renderTargets[kMaxRenderTargets] = {};
    SurfaceImpl* depthStencil = nullptr;
    D3DVIEWPORT9 viewport{};
    RECT scissor{};
    std::map<DWORD, D3DMATRIX> transforms;  // unset slots are the identity
    D3DMATERIAL9 material{};
    std::map<DWORD, LightSlot> lights;
    float clipPlanes[6][4] = {};
    DWORD fvf = 0;
    VertexDeclarationImpl* declaration = nullptr;
    VertexShaderImpl* vertexShader = nullptr;
    PixelShaderImpl* pixelShader = nullptr;
    VertexBufferImpl* streams[16] = {};
    UINT streamOffsets[16] = {};
    UINT streamStrides[16] = {};
    UINT streamFrequencies[16] = {};
    IndexBufferImpl* indices = nullptr;
    float vertexConstF[kVertexFloatConstants][4] = {};
    int vertexConstI[kIntConstants][4] = {};
    BOOL vertexConstB[kBoolConstants] = {};
    float pixelConstF[kPixelFloatConstants][4] = {};
    int pixelConstI[kIntConstants][4] = {};
    BOOL pixelConstB[kBoolConstants] = {};
    bool inScene = false;
    bool softwareVertexProcessing = false;
    float nPatchMode = 0.f;
};

// The matrix a transform slot holds (the identity when never set).
D3DMATRIX TransformOf(const DeviceState& state, DWORD slot);

// Pixel memory behind a surface, and behind a level of a bound texture
// (null for a volume texture or a level out of range).
// The rasteriser's record of a buffer's first level.
raster::RasterSurface RasterOf(const PixelBuffer& p);

// Writes the rows held back on `p` (none: nothing to do), and sets unset
// top bytes unless the reader ignores them (`keepTopBytes`: presenting).
void WriteHeldRows(const PixelBuffer* p, bool keepTopBytes = false);
// Before `p`'s bytes change: the rows another buffer holds as a copy of them
// are written out, then p's own.
void SettleBeforeWrite(const PixelBuffer* p);
// Before rows y0 .. y1 - 1 of `p` change: the buffer holding rows of p as a
// copy writes those rows out (and lets go of p once it holds none).
void SettleHolderRows(const PixelBuffer* p, int y0, int y1);
// A copy of all of `src` onto `dst` (same format, size and pitch, 32-bit)
// done by moving the bytes: dst takes src's, and src holds its rows as a
// copy of dst's until something reads or partly writes them. False (nothing
// done) when the two do not qualify.
bool MoveWholeCopy(PixelBuffer& src, PixelBuffer& dst);
// The same for a draw that copies all of the texture level `src` onto the
// target `dst` (RasterWholeTextureCopy): dst's own held rows are dropped,
// as the draw would cover them, and with `topBytesUnset` dst remembers that
// its top bytes are src's.
bool MoveDrawnCopy(PixelBuffer& src, PixelBuffer& dst, bool topBytesUnset);

PixelBuffer* SurfacePixels(IDirect3DSurface9* surface);
PixelBuffer* SurfacePixels(SurfaceImpl* surface);
PixelBuffer* TextureLevelPixels(BaseTextureImpl* texture, UINT level);
UINT TextureLevelCount(BaseTextureImpl* texture);

// A draw that passed the device's checks.
struct DrawCall {
    D3DPRIMITIVETYPE primitiveType{};
    UINT primitiveCount = 0;
    UINT vertexCount = 0;  // vertices the primitives read (non-indexed)
    const void* vertices = nullptr;
    UINT stride = 0;
    const void* indices = nullptr;  // null for a non-indexed draw
    D3DFORMAT indexFormat = D3DFMT_UNKNOWN;
    UINT minVertexIndex = 0;
    UINT numVertices = 0;
};

// The function that draws a validated call: the rasteriser unless a test put
// another one in (null restores the rasteriser).
using DrawHandler = HRESULT (*)(DeviceState& state, const D3DCAPS9& caps, const DrawCall& call);
void SetDrawHandler(DrawHandler handler);
DrawHandler GetDrawHandler();
DrawHandler RasteriserDrawHandler();

}  // namespace platform::d3d9
