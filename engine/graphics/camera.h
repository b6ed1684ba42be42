// The 3D settings of the draw settings: world, view, projection and viewport
// matrices with their combined products and the view frustum, the camera
// and its angles, fog, material and the 3D depth-buffer switches. The public
// setters are in DuRud.h.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"

namespace DuRud {

constexpr int kProjectionPerspective = 0;
constexpr int kProjectionUser = 2;

struct Camera3DSettings {
    int32_t projectionKind;
    float zNear, zFar;
    float aspectScale;
    float fieldOfView;  // radians
    Mat4 projection, userProjection;
    Mat4 world, view, viewport;
    Mat4 viewProjection;  // view x projection
    Mat4 viewToScreen;    // view x projection x viewport
    Mat4 worldToScreen;   // world x view x projection x viewport
    Mat4 screenToWorld;   // inverse of worldToScreen, valid while inverseValid
    int32_t combinedStale, inverseValid;
    float viewportScale;
    Vec3 position, target, up;
    float verticalAngle, horizontalAngle, twistAngle;
    Vec3 axisX, axisY, axisZ;  // the camera's axes in world space
    float screenCenterX, screenCenterY;
    int32_t fogMode;
    D3DCOLOR fogColor;
    float fogStart, fogEnd;
    D3DMATERIAL9 material;
    int32_t useZBuffer3D, writeZBuffer3D, zCompare3D, zCompare2D;
    // The depth switches 2D draws go back to after a 3D draw (SetUseZBuffer).
    int32_t useZBuffer2D, writeZBuffer2D;
    Vec4 frustum[6];  // near, far, left, right, top, bottom; inside is positive
    Vec3 corners[8];  // draw-area corners at depth 0, then at depth 1
};

// The settings with the combined matrices brought up to date.
const Camera3DSettings& GetCamera3DSettings();

// The 3D defaults a draw-settings reset applies (the lights and the
// lighting switch are not touched; see lights.h).
int ResetCamera3DSettings();
// The camera a new draw target of w x h gets: screen centre (w/2, h/2), at
// (w/2, h/2, -d) looking along +z with d = (h / 2) / tan 30 degrees, 60
// degree perspective, near d x 0.1, far d + 20000, viewport scale 1.
int SetCameraForDrawSize(int width, int height);

// The view matrix lights are transformed by.
int GetCameraViewMatrix(D3DMATRIX* out);

}  // namespace DuRud
