// The draw settings: one global block that says how every draw is made
// (blend mode and parameter, alpha test, brightness, sampling, blend graphic,
// draw area and draw target, vertical-blank wait), its setters and queries,
// the colour value and the screen flip. Setters raise the draw-state-changed
// flag the draw-state apply consumes and copy what the software renderer
// needs into its own state.
#pragma once

#include <cstdint>

#include <windows.h>

#include "DuRud.h"

namespace DuRud {

constexpr int kRenderTargetSlots = 16;
constexpr int kTextureStages = 8;

struct DrawSettings {
    int32_t renderTargets[kRenderTargetSlots];  // slot 0: the draw target (-4, -2 or a graphic)
    int32_t depthGraphic;                       // -2: the screen's own depth buffer
    int32_t areaX1, areaY1, areaX2, areaY2;
    float areaFloat[4];
    int32_t areaEmpty;   // 1: the area has no pixels, draws do nothing
    int32_t rawArea[4];  // as the caller gave it
    int32_t blendMode, blendParameter;
    int32_t alphaTestMode, alphaTestReference;  // -1: the default test
    int32_t appliedAlphaTestMode, appliedAlphaTestReference;
    uint8_t brightRed, brightGreen, brightBlue;
    int32_t samplingMode;  // 0 nearest, 1 bilinear, 2 anisotropic
    int32_t blendGraphic;  // -1: none
    int32_t blendType, blendParameter1, blendParameter2;
    int32_t blendOffsetX, blendOffsetY;
    int32_t textureAddress[3][kTextureStages];  // U, V, W per stage
    int32_t forcedDiffuseAlpha;
    int32_t specularEnable, lightingEnable, cullMode;  // of 3D draws
    float drawDepth;
    uint32_t diffuseColor;  // alpha = blend parameter, then the brightness
    int32_t waitVSync;      // kept over a reset; 1 by default
    int32_t flipInProgress;
    int32_t overlayDrawing;
    int32_t fullScreenMaskWorks;  // kept over a reset
};

DrawSettings& GetDrawSettings();

// Resets every field but the emulation, vertical-blank and restore settings
// (and the 3D lights), then the creation settings; raises the changed flag.
int ResetDrawSettings();
int IsDrawStateChanged();
int RaiseDrawStateChanged();

// The current diffuse colour of the draw workers (ARGB).
uint32_t DrawDiffuseColor();
// With a device: flushes and records a changed alpha-test pair.
int ApplyAlphaTestState(int compareMode, int reference);
// Selects the depth surface that belongs to the draw target.
int RefreshDepthSurface();
// 0 when a loaded blend graphic is set and at least the graphic's size, else -1.
int CheckBlendGraphicSize(Handle graphic);
// Ends an open scene before the device's dialog-box mode changes.
int EnableDialogBoxMode(int flag);
int FlipScreenCore(const RECT* rect);

// 1 while presents wait for the vertical blank (the device's presentation
// interval follows it).
int QueryVSyncWish();
int IsFlipInProgress();
int GetBackgroundColorSetting(int* red, int* green, int* blue);  // 1 when set
int SetVSyncWaitReturningOld(int on);

// Also public (DuRud.h): SetBlendMode, SetDrawAlphaTest, SetBrightness,
// SetBrightnessColor, SetSamplingMode, SetBlendSourceGraphic, SetDrawClip,
// SetDepthBufferGraphic, SetBackgroundColor, SetWaitVSync,
// SetHardwareRenderingWanted, MakeColorValue, SplitColorValue,
// QueryGraphicSize, QueryGraphicTextureSize, QueryScreenState, IsFullScreen,
// IsSoftwareRenderer, QuerySamplingMode, QueryWaitVSync, QueryDrawTarget,
// FlipScreen.

}  // namespace DuRud
