// Formats of the software device: which it supports for which use, their
// memory layout (bytes per pixel, pitch) and pixel conversion to and from
// A8R8G8B8 with bit replication.
#pragma once

#include "d3d9_types.h"

namespace platform::d3d9 {

bool IsColourFormat(D3DFORMAT f);
bool IsBackBufferFormat(D3DFORMAT f);
bool IsDisplayFormat(D3DFORMAT f);
bool IsDepthFormat(D3DFORMAT f);
bool HasStencil(D3DFORMAT f);
// YV12, YUY2 and UYVY: plain surfaces only, and only where the knob admits them.
bool IsYuvFormat(D3DFORMAT f);
inline constexpr D3DFORMAT kFormatYV12 = static_cast<D3DFORMAT>(MAKEFOURCC('Y', 'V', '1', '2'));
// Bytes after the Y rows of a YV12 level: its V rows, then its U rows.
size_t Yv12ChromaBytes(UINT pitch, UINT height);
// The colour of a YUV pixel (x, y) as X8R8G8B8, in 14-bit fixed point.
DWORD ReadYuvAsXrgb(const struct PixelBuffer& p, UINT x, UINT y);
UINT BytesPerPixel(D3DFORMAT f);
const char* FormatName(D3DFORMAT f);

// Row pitch of a level: 4-byte aligned, widened by the pitch knob.
UINT PitchFor(D3DFORMAT f, UINT width);

// D3D_OK when the format serves the usage for the resource type (and no knob
// refuses it), else D3DERR_NOTAVAILABLE. CheckDeviceFormat and every
// creation call ask here, so the two always agree.
HRESULT FormatSupport(D3DFORMAT f, DWORD usage, D3DRESOURCETYPE type);

// A pixel of a colour format as A8R8G8B8 (missing alpha reads 255) and back.
DWORD ReadArgb(D3DFORMAT f, const BYTE* p);
void WriteArgb(D3DFORMAT f, BYTE* p, DWORD argb);

// Depth and stencil values as stored in a depth format.
void WriteDepth(D3DFORMAT f, BYTE* p, float z, bool writeDepth, DWORD stencil, bool writeStencil);

// Capabilities as the knobs set them.
void FillCaps(D3DCAPS9* caps);

// Level count of a full chain down to 1 x 1 (x 1).
UINT FullChainLevels(UINT width, UINT height, UINT depth = 1);

}  // namespace platform::d3d9
