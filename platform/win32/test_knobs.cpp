// Resets and environment reading for every area's knobs.
#include "test_knobs.h"

#include <cstdlib>
#include <cstring>

#include "clock.h"
#include "com_registry.h"
#include "file_read_knobs.h"
#include "module_registry.h"
#include "process_services.h"

namespace platform::user {
void ResetUserKnobs();
void ApplyScheduledInputEnvironment();
}  // namespace platform::user
namespace platform::input {
void ResetPadKnobs();
}
namespace platform::input::dinput {
void ResetDirectInputKnobs();
void ApplyDirectInputEnvironment();
}  // namespace platform::input::dinput
namespace platform {
void ResetWindowsVersion();
void ApplyWindowsVersionEnvironment();
}  // namespace platform
namespace platform::ime {
void ResetImeKnobs();
}
namespace dshow {
void ResetKnobs();
void ApplyEnvironment();
}  // namespace dshow
namespace platform::gdi {
void ResetFontKnobs();
}
namespace platform::audio {
void ResetAudioKnobs();
void ApplyAudioEnvironment();
}  // namespace platform::audio
void D3D9KnobReset();
void D3D9KnobApplyEnvironment();

namespace {

bool envFlag(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && v[0] != '\0' && std::strcmp(v, "0") != 0;
}

}  // namespace

// --- clock (kernel) -----------------------------------------------------------
void KnobSetVirtualClock(bool on) {
    platform::ClockSetVirtual(on);
}
bool KnobVirtualClock() {
    return platform::ClockIsVirtual();
}
void KnobVirtualClockStrict(bool on) {
    if (on) platform::ClockSetVirtual(true);
    platform::ClockSetStrict(on);
}

void KnobVirtualClockStart(int64_t ms) {
    platform::ClockSetVirtualReading(ms * 1'000'000);
}

bool KnobVirtualClockMoveTo(int64_t ms) {
    return platform::ClockMoveVirtualTo(ms * 1'000'000);
}

void KnobResetAll() {
    platform::ResetModuleKnobs();
    platform::ResetDebugOutputKnobs();
    platform::ResetDesktopKnobs();
    platform::ClockSetVirtual(false);
    platform::ClockSetStrict(false);
    platform::ResetFileReadKnobs();
    KnobFailHeapAlloc(0);
    KnobLargeBlocksOff(false);
    platform::user::ResetUserKnobs();
    D3D9KnobReset();
    platform::input::ResetPadKnobs();
    platform::input::dinput::ResetDirectInputKnobs();
    platform::ResetWindowsVersion();
    platform::ime::ResetImeKnobs();
    dshow::ResetKnobs();
    platform::gdi::ResetFontKnobs();
    platform::ResetComKnobs();
    platform::audio::ResetAudioKnobs();
}

void KnobApplyEnvironment() {
    platform::ApplyModuleEnvironment();
    platform::ApplyDebugOutputEnvironment();
    if (envFlag("VESSAMIRE_VIRTUAL_CLOCK")) platform::ClockSetVirtual(true);
    if (const char* clock = std::getenv("VESSAMIRE_VIRTUAL_CLOCK");
        clock && std::strcmp(clock, "strict") == 0)
        KnobVirtualClockStrict(true);
    if (const char* start = std::getenv("VESSAMIRE_VIRTUAL_CLOCK_START"))
        KnobVirtualClockStart(std::atoll(start));
    if (const char* n = std::getenv("VESSAMIRE_FAIL_HEAP_ALLOC")) KnobFailHeapAlloc(std::atoi(n));
    if (const char* blocks = std::getenv("VESSAMIRE_LARGE_BLOCKS"))
        KnobLargeBlocksOff(std::strcmp(blocks, "heap") == 0);
    // windows
    KnobRefuseRegisterClass(envFlag("VESSAMIRE_REFUSE_REGISTER_CLASS"));
    KnobRefuseCreateWindow(envFlag("VESSAMIRE_REFUSE_CREATE_WINDOW"));
    if (const char* modes = std::getenv("VESSAMIRE_DISPLAY_MODES")) KnobDisplayModes(modes);
    if (const char* bits = std::getenv("VESSAMIRE_DESKTOP_BITS")) KnobDesktopBits(std::atoi(bits));
    if (const char* ns = std::getenv("VESSAMIRE_WINDOW_NAMESPACE")) KnobWindowNamespace(ns);
    platform::user::ApplyScheduledInputEnvironment();
    D3D9KnobApplyEnvironment();
    platform::input::dinput::ApplyDirectInputEnvironment();
    platform::ApplyWindowsVersionEnvironment();
    dshow::ApplyEnvironment();
    platform::ApplyComEnvironment();
    platform::audio::ApplyAudioEnvironment();
}
