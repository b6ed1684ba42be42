// The device side of the graphic filters: each pass draws one quad from its
// source texture through the kind's pixel shader into a work texture (square,
// power of two, kept per size) or into the destination, and a result left in
// a work texture is copied out into the destination.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"

namespace DuRud {

struct FilterRequest;

// 1 when the request can run on the device: shaders in use, one texture
// behind every graphic the passes read, work textures within the maximum
// texture size. Otherwise the CPU path runs it (the same pixels).
int FilterRunsOnDevice(const FilterRequest& request, const int* params, int scale);
// Runs the passes and the copy-out; 0, or -1 when a pass, a shader, a work
// texture or the copy-out failed. The caller holds the state bracket.
int RunFilterOnDevice(FilterRequest* request, const int* params, int passCount, int pingPong,
                      int scale);

// The pass's destination: the destination graphic or a work texture; the
// pass source stays as it is (every source the device path reads is one
// texture). 0, or -1 with the failure logged.
int AcquireWorkTexture(FilterRequest* request, int passCount, int pingPong, int outWidth,
                       int outHeight, Handle* dest, int* work);
// Draws the request's pass with the shader into its destination at the
// destination position, the source rectangle divided by the divisor. 0, -1.
int DrawFilterPass(const FilterRequest& request, int divisor, Handle shader, int swapped);
// The draw state of a pass: blend mode 14's state, the two stage textures,
// the two-texture screen-space vertex format, the shader last. 0, -1.
int SetFilterPassState(IDirect3DBaseTexture9* stage0, IDirect3DBaseTexture9* stage1, Handle shader);
// Texture coordinates (u1, v1, u2, v2) of the source texels a pass reads:
// the request's source rectangle, cut to whole blocks of the divisor. 0, or
// -1 when the source is not one texture.
int PassSourceCoords(const FilterRequest& request, int divisor, float uv[4]);
// Work textures alive, and the one of a side 2^exponent and variant (or -1).
int FilterWorkTextureCount();
Handle FilterWorkTextureAt(int exponent, int variant);

}  // namespace DuRud
