// The d3d9 knobs as the device reads them (set through test_knobs.h or the
// VESSAMIRE_D3D_* environment variables).
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "d3d9_types.h"

namespace platform::d3d9 {

struct Knobs {
    DWORD vertexShaderVersion = 0xFFFE0200;  // 2.0 by default
    DWORD pixelShaderVersion = 0xFFFF0200;
    DWORD maxTextureSize = 4096;
    bool pow2 = false;
    bool squareOnly = false;
    bool nonPow2Conditional = false;
    bool blendOp = true;
    bool tssArgTemp = true;
    std::vector<std::pair<DWORD, DWORD>> refused;  // (format, usage bits; 0 = any use)
    D3DFORMAT desktopFormat = D3DFMT_UNKNOWN;      // UNKNOWN: from the display's colour depth
    int failCreateDevice = 0;
    int failCreateDeviceEx = 0;
    UINT failWidth = 0;
    UINT failHeight = 0;
    int resourcesLeft = -1;  // creations that still succeed; -1 = no limit
    UINT pitchPadding = 0;
    UINT lossGeneration = 0;  // counts every loss
    bool lost = false;        // lost and not yet regained
    int loseAtPresent = 0;    // env: lose at this present (1-based), 0 = never
    long presentCount = 0;
    UINT refreshHz = 60;
    std::vector<DWORD> yuvPlain;              // FourCCs admitted for default-pool plain surfaces
    std::vector<std::string> refusedKernels;  // shader creations naming these fail
};

// True when the knob refuses creating shaders that name this kernel.
bool KernelRefused(const std::string& kernel);

// The knobs and the lock that guards them.
Knobs& D3D9Knobs();
std::mutex& D3D9KnobMutex();

// Desktop (adapter display) mode of the window stand-in; the format knob
// overrides its colour depth.
D3DDISPLAYMODE DesktopMode();
D3DFORMAT FormatForBits(DWORD bits);

}  // namespace platform::d3d9
