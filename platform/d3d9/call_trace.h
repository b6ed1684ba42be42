// The software device's test hooks: a switchable trace of calls (method, key
// arguments, result), live-object counts per kind, and the count of calls made
// from a thread other than the one that created the device.
#pragma once

#include <cstdio>
#include <string>

#include "win_types.h"

namespace platform::d3d9 {

enum class LiveKind {
    Direct3D,
    Device,
    SwapChain,
    Texture,
    VolumeTexture,
    Surface,
    Volume,
    VertexBuffer,
    IndexBuffer,
    VertexDeclaration,
    VertexShader,
    PixelShader,
    DirectDraw,
    Count
};

const char* LiveKindName(LiveKind kind);
void LiveAdd(LiveKind kind);
void LiveRemove(LiveKind kind);

bool TraceEnabled();
void TraceLine(std::string line);
void CountForeignThreadCall();

// Appends "Method(args) -> 0xRESULT" when tracing is on; returns the result.
template <class... Args>
HRESULT Traced(const char* method, HRESULT hr, const char* format = "", Args... args) {
    if (TraceEnabled()) {
        char buf[512];
        if constexpr (sizeof...(Args) == 0)
            std::snprintf(buf, sizeof buf, "%s", format);
        else
            std::snprintf(buf, sizeof buf, format, args...);
        char tail[32];
        std::snprintf(tail, sizeof tail, ") -> 0x%08X", static_cast<unsigned>(hr));
        TraceLine(std::string(method) + "(" + buf + tail);
    }
    return hr;
}

}  // namespace platform::d3d9
