// The screen-state record: the screen and draw sizes, colour bits, refresh
// rate, renderer choice and the 320 x 240 emulation, written by the device
// set-up, its retries and the display-mode switch, read by everything that
// draws.
#pragma once

#include <cstdint>

#include "graphics/graphics_startup.h"

namespace DuRud {

struct ScreenState {
    int32_t started;
    int32_t screenWidth, screenHeight;  // 0: not set yet
    int32_t drawWidth, drawHeight;      // what drawing sees
    int32_t colorBits;                  // 8, 16 or 32; 0: not set yet
    int32_t refreshRate;                // Hz; 0: the display's default
    int32_t drawArea[4];                // left, top, right, bottom
    int32_t displayModeChanged;         // the desktop mode must be restored
    int32_t modeChangeRunning;
    int32_t useDirect3D;         // 0: the software renderer draws
    int32_t startedOnDirect3D;   // the module came up on Direct3D (kept while the device is away)
    int32_t softwareForced;      // the device set-up skips Direct3D
    int32_t autoEmulate320x240;  // a 320 x 240 full screen was asked for
    int32_t emulate320x240;      // the caller's own switch
    int32_t inPlaceFilterWorks;
    int32_t backgroundRed, backgroundGreen, backgroundBlue, backgroundSet;
};

ScreenState& GetScreenState();

// 1 while the module runs on Direct3D whose device was given up for a while
// (a full-screen window away): graphics made meanwhile stay Direct3D ones,
// their textures made and filled when the device is back.
int IsDirect3DDeviceAway();
// 1 while either emulation flag is on.
int IsEmulating320x240();
int IsModeChangeRunning();

// Also in graphics_startup.h: StoreScreenSize, QueryDrawSize, QueryColorBits,
// QueryRefreshRate, IsHardwareRenderingWanted, SetEmulate320x240,
// GetEmulate320x240, QueryDisplayModeCount, QueryDisplayMode.

}  // namespace DuRud
