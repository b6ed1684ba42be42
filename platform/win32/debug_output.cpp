// OutputDebugStringA: the debugger output is a capture that tests switch on,
// and stderr (converted to UTF-8) for whole-program runs.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "code_pages.h"
#include "process_services.h"
#include "test_knobs.h"
#include "win_kernel.h"

namespace {

struct DebugOutput {
    std::mutex lock;
    bool capture = false;
    bool toStderr = false;
    std::string captured;
};

DebugOutput& state() {
    static DebugOutput* s = new DebugOutput;  // outlives every thread; never destroyed at exit
    return *s;
}

}  // namespace

void WINAPI OutputDebugStringA(LPCSTR text) {
    if (!text) return;
    DebugOutput& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.capture) s.captured.append(text);
    if (s.toStderr) {
        std::string utf8 = platform::Cp932ToUtf8(text);
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
        std::fflush(stderr);
    }
}

void KnobCaptureDebugOutput(bool on) {
    DebugOutput& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.capture = on;
    s.captured.clear();
}

std::string KnobDebugOutput() {
    DebugOutput& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    return s.captured;
}

void KnobDebugOutputToStderr(bool on) {
    DebugOutput& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.toStderr = on;
}

namespace platform {

void ResetDebugOutputKnobs() {
    KnobCaptureDebugOutput(false);
    KnobDebugOutputToStderr(false);
}

void ApplyDebugOutputEnvironment() {
    const char* v = std::getenv("VESSAMIRE_DEBUG_OUTPUT");
    if (v && std::strcmp(v, "1") == 0) KnobDebugOutputToStderr(true);
}

}  // namespace platform
