// The d3d9 knobs: capabilities, refusals, creation failures, pitch padding,
// device loss and the refresh rate, with their VESSAMIRE_D3D_* variables.
#include "knobs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shader_kernels.h"
#include "test_knobs.h"
#include "windows.h"

namespace platform::d3d9 {

Knobs& D3D9Knobs() {
    static Knobs knobs;
    return knobs;
}

std::mutex& D3D9KnobMutex() {
    static std::mutex mutex;
    return mutex;
}

D3DFORMAT FormatForBits(DWORD bits) {
    switch (bits) {
        case 32:
            return D3DFMT_X8R8G8B8;
        case 24:
            return D3DFMT_R8G8B8;
        case 16:
            return D3DFMT_R5G6B5;
        default:
            return D3DFMT_UNKNOWN;
    }
}

D3DDISPLAYMODE DesktopMode() {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    D3DDISPLAYMODE mode{1920, 1080, 60, D3DFMT_X8R8G8B8};
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm)) {
        mode.Width = dm.dmPelsWidth;
        mode.Height = dm.dmPelsHeight;
        if (dm.dmDisplayFrequency) mode.RefreshRate = dm.dmDisplayFrequency;
        mode.Format = FormatForBits(dm.dmBitsPerPel);
    }
    std::lock_guard<std::mutex> lock(D3D9KnobMutex());
    if (D3D9Knobs().desktopFormat != D3DFMT_UNKNOWN) mode.Format = D3D9Knobs().desktopFormat;
    return mode;
}

bool KernelRefused(const std::string& kernel) {
    std::lock_guard<std::mutex> lock(D3D9KnobMutex());
    const auto& refused = D3D9Knobs().refusedKernels;
    return std::find(refused.begin(), refused.end(), kernel) != refused.end();
}

}  // namespace platform::d3d9

using platform::d3d9::D3D9KnobMutex;
using platform::d3d9::D3D9Knobs;

#define WITH_KNOBS                                         \
    std::lock_guard<std::mutex> knobLock(D3D9KnobMutex()); \
    auto& k = D3D9Knobs()

void KnobD3D9ShaderVersions(DWORD vertex, DWORD pixel) {
    WITH_KNOBS;
    k.vertexShaderVersion = vertex;
    k.pixelShaderVersion = pixel;
}

void KnobD3D9MaxTextureSize(DWORD size) {
    WITH_KNOBS;
    // Larger sizes would overflow row pitches; no device offered more.
    k.maxTextureSize = std::min<DWORD>(size, 16384);
}

void KnobD3D9TextureCaps(bool pow2, bool squareOnly, bool nonPow2Conditional) {
    WITH_KNOBS;
    k.pow2 = pow2;
    k.squareOnly = squareOnly;
    k.nonPow2Conditional = nonPow2Conditional;
}

void KnobD3D9BlendOp(bool on) {
    WITH_KNOBS;
    k.blendOp = on;
}

void KnobD3D9TssArgTemp(bool on) {
    WITH_KNOBS;
    k.tssArgTemp = on;
}

void KnobD3D9RefuseFormat(DWORD format, DWORD usage) {
    WITH_KNOBS;
    k.refused.emplace_back(format, usage);
}

void KnobD3D9AdmitYuvSurfaces(DWORD fourcc, bool admitted) {
    WITH_KNOBS;
    std::erase(k.yuvPlain, fourcc);
    if (admitted) k.yuvPlain.push_back(fourcc);
}

void KnobD3D9DesktopFormat(DWORD format) {
    WITH_KNOBS;
    k.desktopFormat = static_cast<D3DFORMAT>(format);
}

void KnobD3D9FailCreateDevice(int times) {
    WITH_KNOBS;
    k.failCreateDevice = times;
}

void KnobD3D9FailCreateDeviceEx(int times) {
    WITH_KNOBS;
    k.failCreateDeviceEx = times;
}

void KnobD3D9FailCreateDeviceForSize(UINT width, UINT height) {
    WITH_KNOBS;
    k.failWidth = width;
    k.failHeight = height;
}

void KnobD3D9FailResourcesAfter(int count) {
    WITH_KNOBS;
    k.resourcesLeft = count;
}

void KnobD3D9PitchPadding(UINT bytes) {
    WITH_KNOBS;
    k.pitchPadding = bytes;
}

void KnobD3D9LoseDevices() {
    WITH_KNOBS;
    ++k.lossGeneration;
    k.lost = true;
}

void KnobD3D9RegainDevices() {
    WITH_KNOBS;
    k.lost = false;
}

void KnobD3D9RefreshRate(UINT hz) {
    WITH_KNOBS;
    k.refreshHz = hz ? hz : 60;
}

void KnobD3D9RegisterTestKernel(const char* name, bool vertex) {
    if (name && *name) platform::d3d9::RegisterTestShaderKernel(name, vertex);
}

void KnobD3D9RefuseShaderKernel(const char* name) {
    WITH_KNOBS;
    if (name && *name) k.refusedKernels.emplace_back(name);
}

void D3D9ResetHooks();

void D3D9KnobReset() {
    {
        WITH_KNOBS;
        // The loss count only grows, so that devices made before a reset
        // never see an old loss as new.
        UINT generation = k.lossGeneration;
        k = platform::d3d9::Knobs{};
        k.lossGeneration = generation;
    }
    D3D9ResetHooks();
    platform::d3d9::UnregisterTestShaderKernels();
}

namespace {

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

DWORD ParseFormat(const std::string& s) {
    static const struct {
        const char* name;
        DWORD value;
    } names[] = {{"X8R8G8B8", 22},     {"A8R8G8B8", 21},     {"R5G6B5", 23},
                 {"X1R5G5B5", 24},     {"A1R5G5B5", 25},     {"A4R4G4B4", 26},
                 {"D16", 80},          {"D24X8", 77},        {"D24S8", 75},
                 {"D32", 71},          {"DXT1", 0x31545844}, {"DXT5", 0x35545844},
                 {"YV12", 0x32315659}, {"YUY2", 0x32595559}, {"UYVY", 0x59565955}};
    for (auto& n : names)
        if (s == n.name) return n.value;
    return DWORD(std::strtoul(s.c_str(), nullptr, 0));
}

// A shader version as the caps list writes it: "2.0" (major.minor, the
// kind's token added), "0" (none) or the whole version token ("0xFFFF0200").
DWORD ParseShaderVersion(const std::string& text, bool vertex) {
    const size_t dot = text.find('.');
    if (dot == std::string::npos) return DWORD(std::strtoul(text.c_str(), nullptr, 0));
    const DWORD major = DWORD(std::strtoul(text.substr(0, dot).c_str(), nullptr, 10));
    const DWORD minor = DWORD(std::strtoul(text.c_str() + dot + 1, nullptr, 10));
    if (major == 0 && minor == 0) return 0;
    return (vertex ? 0xFFFE0000u : 0xFFFF0000u) | (major & 0xFF) << 8 | (minor & 0xFF);
}

}  // namespace

void D3D9KnobApplyEnvironment() {
    // VESSAMIRE_D3D_CAPS: comma list of pow2, squareonly, nonpow2cond,
    // noblendop, notssargtemp, vs=<version>, ps=<version> (2.0, 0 or the
    // version token), maxtex=<size>.
    if (const char* caps = Env("VESSAMIRE_D3D_CAPS")) {
        std::string list = caps;
        size_t pos = 0;
        while (pos <= list.size()) {
            size_t end = list.find(',', pos);
            if (end == std::string::npos) end = list.size();
            std::string item = list.substr(pos, end - pos);
            WITH_KNOBS;
            if (item == "pow2")
                k.pow2 = true;
            else if (item == "squareonly")
                k.squareOnly = true;
            else if (item == "nonpow2cond")
                k.nonPow2Conditional = true;
            else if (item == "noblendop")
                k.blendOp = false;
            else if (item == "notssargtemp")
                k.tssArgTemp = false;
            else if (item.rfind("vs=", 0) == 0)
                k.vertexShaderVersion = ParseShaderVersion(item.substr(3), true);
            else if (item.rfind("ps=", 0) == 0)
                k.pixelShaderVersion = ParseShaderVersion(item.substr(3), false);
            else if (item.rfind("maxtex=", 0) == 0)
                k.maxTextureSize = DWORD(std::strtoul(item.c_str() + 7, nullptr, 0));
            pos = end + 1;
        }
    }
    // VESSAMIRE_D3D_REFUSE: comma list of format[:usage].
    if (const char* refuse = Env("VESSAMIRE_D3D_REFUSE")) {
        std::string list = refuse;
        size_t pos = 0;
        while (pos < list.size()) {
            size_t end = list.find(',', pos);
            if (end == std::string::npos) end = list.size();
            std::string item = list.substr(pos, end - pos);
            size_t colon = item.find(':');
            DWORD usage = colon == std::string::npos
                              ? 0
                              : DWORD(std::strtoul(item.c_str() + colon + 1, nullptr, 0));
            KnobD3D9RefuseFormat(ParseFormat(item.substr(0, colon)), usage);
            pos = end + 1;
        }
    }
    // VESSAMIRE_D3D_YUV: comma list of YV12, YUY2, UYVY (plain surfaces admitted).
    if (const char* yuv = Env("VESSAMIRE_D3D_YUV")) {
        std::string list = yuv;
        for (size_t pos = 0; pos < list.size();) {
            size_t end = list.find(',', pos);
            if (end == std::string::npos) end = list.size();
            KnobD3D9AdmitYuvSurfaces(ParseFormat(list.substr(pos, end - pos)), true);
            pos = end + 1;
        }
    }
    if (const char* v = Env("VESSAMIRE_D3D_DESKTOP")) KnobD3D9DesktopFormat(ParseFormat(v));
    if (const char* v = Env("VESSAMIRE_D3D_FAIL_DEVICE")) KnobD3D9FailCreateDevice(std::atoi(v));
    if (const char* v = Env("VESSAMIRE_D3D_FAIL_DEVICE_EX"))
        KnobD3D9FailCreateDeviceEx(std::atoi(v));
    if (const char* v = Env("VESSAMIRE_D3D_FAIL_RESOURCES_AFTER"))
        KnobD3D9FailResourcesAfter(std::atoi(v));
    if (const char* v = Env("VESSAMIRE_D3D_PITCH_PAD")) KnobD3D9PitchPadding(UINT(std::atoi(v)));
    if (const char* v = Env("VESSAMIRE_D3D_REFRESH")) KnobD3D9RefreshRate(UINT(std::atoi(v)));
    if (const char* v = Env("VESSAMIRE_D3D_TRACE")) KnobD3D9Trace(std::atoi(v) != 0);
    if (const char* v = Env("VESSAMIRE_D3D_LOSE_AT_PRESENT")) {
        WITH_KNOBS;
        k.loseAtPresent = std::atoi(v);
    }
}
