// Formats, layouts, pixel conversion and capabilities of the software device.
#include "formats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "device_internals.h"
#include "knobs.h"
#include "raster/pixel_formats.h"
#include "raster/raster.h"

namespace platform::d3d9 {

bool IsColourFormat(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
            return true;
        default:
            return false;
    }
}

bool IsYuvFormat(D3DFORMAT f) {
    return f == kFormatYV12 || f == D3DFMT_YUY2 || f == D3DFMT_UYVY;
}

size_t Yv12ChromaBytes(UINT pitch, UINT height) {
    return 2 * size_t(pitch / 2) * ((height + 1) / 2);
}

DWORD ReadYuvAsXrgb(const PixelBuffer& p, UINT x, UINT y) {
    int Y, U, V;
    if (p.format == kFormatYV12) {
        const size_t half = p.pitch / 2, rows = (p.height + 1) / 2;
        const uint8_t* v = p.bytes.get() + size_t(p.pitch) * p.height;
        const uint8_t* u = v + half * rows;
        Y = p.Row(y)[x];
        V = v[(y / 2) * half + x / 2];
        U = u[(y / 2) * half + x / 2];
    } else {
        const uint8_t* pair = p.Row(y) + (x & ~1u) * 2;
        const bool yuy2 = p.format == D3DFMT_YUY2;
        Y = yuy2 ? pair[(x & 1) * 2] : pair[1 + (x & 1) * 2];
        U = yuy2 ? pair[1] : pair[0];
        V = yuy2 ? pair[3] : pair[2];
    }
    // The movie player's 4:2:0 arithmetic, so both roads give one colour.
    auto clamp = [](int v) { return DWORD(v < 0 ? 0 : v > 255 ? 255 : v); };
    const int l = 19070 * (Y - 16);
    const DWORD r = clamp((l + 26148 * (V - 128)) / 16384);
    const DWORD g = clamp((l - 6406 * (U - 128) - 13320 * (V - 128)) / 16384);
    const DWORD b = clamp((l + 33062 * (U - 128)) / 16384);
    return 0xFF000000u | r << 16 | g << 8 | b;
}

bool IsBackBufferFormat(D3DFORMAT f) {
    return IsColourFormat(f) && f != D3DFMT_A4R4G4B4;
}

bool IsDisplayFormat(D3DFORMAT f) {
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5;
}

bool IsDepthFormat(D3DFORMAT f) {
    return f == D3DFMT_D16 || f == D3DFMT_D24X8 || f == D3DFMT_D24S8 || f == D3DFMT_D32;
}

bool HasStencil(D3DFORMAT f) {
    return f == D3DFMT_D24S8;
}

UINT BytesPerPixel(D3DFORMAT f) {
    switch (static_cast<uint32_t>(f)) {  // also the FourCC formats
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_D16:
        case D3DFMT_INDEX16:
        case D3DFMT_YUY2:
        case D3DFMT_UYVY:
            return 2;
        case kFormatYV12:
            return 1;  // the Y rows; the chroma rows follow them
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8:
        case D3DFMT_D24X8:
        case D3DFMT_D24S8:
        case D3DFMT_D32:
        case D3DFMT_INDEX32:
            return 4;
        default:
            return 0;
    }
}

const char* FormatName(D3DFORMAT f) {
    switch (static_cast<uint32_t>(f)) {  // also the FourCC formats
        case D3DFMT_X8R8G8B8:
            return "X8R8G8B8";
        case D3DFMT_A8R8G8B8:
            return "A8R8G8B8";
        case D3DFMT_R5G6B5:
            return "R5G6B5";
        case D3DFMT_X1R5G5B5:
            return "X1R5G5B5";
        case D3DFMT_A1R5G5B5:
            return "A1R5G5B5";
        case D3DFMT_A4R4G4B4:
            return "A4R4G4B4";
        case D3DFMT_D16:
            return "D16";
        case D3DFMT_D24X8:
            return "D24X8";
        case D3DFMT_D24S8:
            return "D24S8";
        case D3DFMT_D32:
            return "D32";
        case D3DFMT_INDEX16:
            return "INDEX16";
        case D3DFMT_INDEX32:
            return "INDEX32";
        case kFormatYV12:
            return "YV12";
        case D3DFMT_YUY2:
            return "YUY2";
        case D3DFMT_UYVY:
            return "UYVY";
        default:
            return "other";
    }
}

UINT PitchFor(D3DFORMAT f, UINT width) {
    UINT pad;
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        pad = D3D9Knobs().pitchPadding;
    }
    return ((width * BytesPerPixel(f) + 3) & ~3u) + ((pad + 3) & ~3u);
}

HRESULT FormatSupport(D3DFORMAT f, DWORD usage, D3DRESOURCETYPE type) {
    // Query bits the device cannot honour.
    const DWORD refusedQueries = D3DUSAGE_QUERY_LEGACYBUMPMAP | D3DUSAGE_QUERY_SRGBREAD |
                                 D3DUSAGE_QUERY_SRGBWRITE | D3DUSAGE_QUERY_VERTEXTEXTURE |
                                 D3DUSAGE_AUTOGENMIPMAP | D3DUSAGE_DMAP;
    if (usage & refusedQueries) return D3DERR_NOTAVAILABLE;
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        for (auto& [format, bits] : D3D9Knobs().refused)
            if (format == DWORD(f) && (bits == 0 || (usage & bits))) return D3DERR_NOTAVAILABLE;
    }
    const bool rt = usage & D3DUSAGE_RENDERTARGET;
    const bool ds = usage & D3DUSAGE_DEPTHSTENCIL;
    if (IsYuvFormat(f)) {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        const auto& admitted = D3D9Knobs().yuvPlain;
        const bool known = std::find(admitted.begin(), admitted.end(), DWORD(f)) != admitted.end();
        return known && type == D3DRTYPE_SURFACE && !rt && !ds && usage == 0 ? D3D_OK
                                                                             : D3DERR_NOTAVAILABLE;
    }
    if (rt && ds) return D3DERR_NOTAVAILABLE;
    switch (type) {
        case D3DRTYPE_SURFACE:
            if (ds) return IsDepthFormat(f) ? D3D_OK : D3DERR_NOTAVAILABLE;
            return IsColourFormat(f) ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_TEXTURE:
            if (ds) return D3DERR_NOTAVAILABLE;
            return IsColourFormat(f) ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_VOLUME:
        case D3DRTYPE_VOLUMETEXTURE:
            if (rt || ds) return D3DERR_NOTAVAILABLE;
            return IsColourFormat(f) ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_VERTEXBUFFER:
            return f == D3DFMT_VERTEXDATA && !rt && !ds ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_INDEXBUFFER:
            return f == D3DFMT_INDEX16 && !rt && !ds ? D3D_OK : D3DERR_NOTAVAILABLE;
        default:
            return D3DERR_NOTAVAILABLE;  // cube textures are not offered
    }
}

// Conversions go through the rasteriser's, so Clear, ColorFill, copies and
// drawing turn a colour into the same 16-bit pixel.
DWORD ReadArgb(D3DFORMAT f, const BYTE* p) {
    return raster::IsColourFormat(f) ? raster::ReadArgb(p, f) : 0;
}

void WriteArgb(D3DFORMAT f, BYTE* p, DWORD c) {
    raster::WriteArgb(p, f, c);  // writes nothing for a format without colour
}

void WriteDepth(D3DFORMAT f, BYTE* p, float z, bool writeDepth, DWORD stencil, bool writeStencil) {
    z = std::clamp(z, 0.f, 1.f);
    if (f == D3DFMT_D16) {
        if (!writeDepth) return;
        WORD v = WORD(std::lround(double(z) * 65535.0));
        std::memcpy(p, &v, 2);
        return;
    }
    DWORD v;
    std::memcpy(&v, p, 4);
    if (f == D3DFMT_D32) {
        if (writeDepth) v = DWORD(std::llround(double(z) * 4294967295.0));
    } else {  // depth in the high 24 bits, stencil (D24S8) or nothing in the low 8
        if (writeDepth) v = (v & 0xFFu) | (DWORD(std::lround(double(z) * 16777215.0)) << 8);
        if (writeStencil && f == D3DFMT_D24S8) v = (v & ~0xFFu) | (stencil & 0xFFu);
    }
    std::memcpy(p, &v, 4);
}

UINT FullChainLevels(UINT width, UINT height, UINT depth) {
    UINT m = std::max({width, height, depth, 1u});
    UINT levels = 1;
    while (m > 1) {
        m >>= 1;
        ++levels;
    }
    return levels;
}

void FillCaps(D3DCAPS9* c) {
    Knobs k;
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        k = D3D9Knobs();
    }
    std::memset(c, 0, sizeof *c);
    c->DeviceType = D3DDEVTYPE_HAL;
    c->AdapterOrdinal = 0;
    c->Caps = D3DCAPS_READ_SCANLINE;
    c->Caps2 = D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_CANMANAGERESOURCE;
    c->Caps3 = D3DCAPS3_COPY_TO_VIDMEM | D3DCAPS3_COPY_TO_SYSTEMMEM;
    c->DevCaps2 = D3DDEVCAPS2_CAN_STRETCHRECT_FROM_TEXTURES;
    c->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    c->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                 D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                 D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX |
                 D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    c->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                           D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                           D3DPMISCCAPS_CLIPTLVERTS;
    if (k.tssArgTemp) c->PrimitiveMiscCaps |= D3DPMISCCAPS_TSSARGTEMP;
    if (k.blendOp) c->PrimitiveMiscCaps |= D3DPMISCCAPS_BLENDOP;
    c->RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX |
                    D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_SCISSORTEST;
    c->ZCmpCaps = 0xFF;
    c->SrcBlendCaps = 0x1FFF;
    c->DestBlendCaps = 0x1FFF;
    c->AlphaCmpCaps = 0xFF;
    c->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                   D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    c->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                     D3DPTEXTURECAPS_PROJECTED | D3DPTEXTURECAPS_MIPMAP |
                     D3DPTEXTURECAPS_VOLUMEMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP;
    if (k.pow2) c->TextureCaps |= D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_VOLUMEMAP_POW2;
    if (k.squareOnly) c->TextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
    if (k.nonPow2Conditional) c->TextureCaps |= D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
    const DWORD filters = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                          D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                          D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    c->TextureFilterCaps = filters;
    c->VolumeTextureFilterCaps = filters;
    c->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                            D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                            D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
    c->VolumeTextureAddressCaps = c->TextureAddressCaps;
    c->LineCaps =
        D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
    c->MaxTextureWidth = k.maxTextureSize;
    c->MaxTextureHeight = k.maxTextureSize;
    c->MaxVolumeExtent = 256;
    c->MaxTextureRepeat = 8192;
    c->MaxTextureAspectRatio = k.maxTextureSize;
    c->MaxAnisotropy = 1;
    c->MaxVertexW = 1e10f;
    c->GuardBandLeft = -8192.f;
    c->GuardBandTop = -8192.f;
    c->GuardBandRight = 8192.f;
    c->GuardBandBottom = 8192.f;
    c->StencilCaps = 0xFF;
    c->FVFCaps = 8 | D3DFVFCAPS_DONOTSTRIPELEMENTS;
    // Each operation's D3DTEXOPCAPS bit is 1 << (operation - 1).
    for (DWORD op = D3DTOP_DISABLE; op <= D3DTOP_LERP; ++op)
        if (raster::RasterStageOperationSupported(op)) c->TextureOpCaps |= 1u << (op - 1);
    c->MaxTextureBlendStages = 8;
    c->MaxSimultaneousTextures = 8;
    c->VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 |
                              D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS |
                              D3DVTXPCAPS_LOCALVIEWER;
    c->MaxActiveLights = 8;
    c->MaxUserClipPlanes = 6;
    c->MaxVertexBlendMatrices = 4;
    c->MaxVertexBlendMatrixIndex = 0;
    c->MaxPointSize = 64.f;
    c->MaxPrimitiveCount = 0xFFFFF;
    c->MaxVertexIndex = 0xFFFF;
    c->MaxStreams = 16;
    c->MaxStreamStride = 255;
    c->VertexShaderVersion = k.vertexShaderVersion;
    // The device stores 256 vertex constants whatever the shader version.
    c->MaxVertexShaderConst = 256;
    c->PixelShaderVersion = k.pixelShaderVersion;
    c->PixelShader1xMaxValue = k.pixelShaderVersion ? 8.f : 0.f;
    c->MasterAdapterOrdinal = 0;
    c->AdapterOrdinalInGroup = 0;
    c->NumberOfAdaptersInGroup = 1;
    c->NumSimultaneousRTs = 1;
    c->StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                               D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
}

}  // namespace platform::d3d9
