// Camera and lights as the render-state cache reads them.
#pragma once

#include <d3d9.h>

namespace DuRud {

// The view matrix lights are transformed by.
int GetCameraViewMatrix(D3DMATRIX* out);
// Uploads the lighting colour constants (ambient and light colours). 0.
int UploadLightingColourConstants();

}  // namespace DuRud
