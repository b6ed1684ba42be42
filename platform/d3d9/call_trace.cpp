// Call trace, live-object counts and foreign-thread counts of the software
// Direct3D 9 device (read by tests through the d3d9 knobs).
#include "call_trace.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "test_knobs.h"

namespace platform::d3d9 {
namespace {

std::atomic<long> g_live[static_cast<int>(LiveKind::Count)];
std::atomic<bool> g_traceOn{false};
std::atomic<long> g_foreignCalls{0};
std::mutex g_traceMutex;
std::vector<std::string> g_trace;
constexpr size_t kTraceLimit = 100000;  // oldest lines are dropped past this

}  // namespace

const char* LiveKindName(LiveKind kind) {
    static const char* const names[] = {
        "Direct3D",     "Device",      "SwapChain",    "Texture",     "VolumeTexture",
        "Surface",      "Volume",      "VertexBuffer", "IndexBuffer", "VertexDeclaration",
        "VertexShader", "PixelShader", "DirectDraw"};
    int i = static_cast<int>(kind);
    return i >= 0 && i < static_cast<int>(LiveKind::Count) ? names[i] : "?";
}

void LiveAdd(LiveKind kind) {
    ++g_live[static_cast<int>(kind)];
}
void LiveRemove(LiveKind kind) {
    --g_live[static_cast<int>(kind)];
}

bool TraceEnabled() {
    return g_traceOn.load(std::memory_order_relaxed);
}

void TraceLine(std::string line) {
    std::lock_guard<std::mutex> lock(g_traceMutex);
    if (g_trace.size() >= kTraceLimit)
        g_trace.erase(g_trace.begin(), g_trace.begin() + kTraceLimit / 2);
    g_trace.push_back(std::move(line));
}

void CountForeignThreadCall() {
    ++g_foreignCalls;
}

}  // namespace platform::d3d9

using namespace platform::d3d9;

void KnobD3D9Trace(bool on) {
    g_traceOn = on;
}

std::vector<std::string> KnobD3D9TakeTrace() {
    std::lock_guard<std::mutex> lock(g_traceMutex);
    std::vector<std::string> out;
    out.swap(g_trace);
    return out;
}

long KnobD3D9LiveCount(const char* kind) {
    long total = 0;
    for (int i = 0; i < static_cast<int>(LiveKind::Count); ++i) {
        if (!kind || std::string(kind) == LiveKindName(static_cast<LiveKind>(i)))
            total += g_live[i].load();
    }
    return total;
}

long KnobD3D9ForeignThreadCalls() {
    return g_foreignCalls.load();
}

void D3D9ResetHooks() {
    g_traceOn = false;
    g_foreignCalls = 0;
    std::lock_guard<std::mutex> lock(g_traceMutex);
    g_trace.clear();
}
