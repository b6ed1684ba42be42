// The device side of the world, view and projection matrices: the device's
// transforms, their transposed copies in the vertex-shader constants, the
// view-space light constants and the light colour constants.
#pragma once

#include <d3d9.h>

namespace DuRud {

// Without a device nothing happens. 0.
int SetWorldTransform(const D3DMATRIX* matrix);
int SetViewTransform(const D3DMATRIX* matrix);  // also moves lights 0-3 into view space
int SetProjectionTransform(const D3DMATRIX* matrix);
// For each enabled light of 0-3 the ambient product (light x material
// ambient), then the global term (global ambient x material ambient +
// emissive) in register 1. 0.
int UploadLightingColourConstants();

}  // namespace DuRud
