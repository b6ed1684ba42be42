// Camera and lights as the render-state cache reads them.
#pragma once

#include <d3d9.h>

namespace DuRud {

// The view matrix lights are transformed by.
int GetCameraViewMatrix(D3DMATRIX* out);
// Uploads the lighting colour constants (ambient and light colours). 0.
int UploadLightingColourConstants();
// The 3D part of the draw settings back to its defaults (the draw-settings
// reset calls it). 0.
int ResetCameraDefaults();
// Rebuilds the viewport matrix and the combined matrices for a draw area. 0.
int SetViewportMatrixArea(int left, int top, int width, int height);

}  // namespace DuRud
