// Resets and environment reading for every area's knobs.
#include "test_knobs.h"

#include <cstdlib>
#include <cstring>

#include "clock.h"
#include "module_registry.h"
#include "process_services.h"

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

void KnobResetAll() {
    platform::ResetModuleKnobs();
    platform::ResetDebugOutputKnobs();
    platform::ResetDesktopKnobs();
    platform::ClockSetVirtual(false);
    KnobFailHeapAlloc(0);
}

void KnobApplyEnvironment() {
    platform::ApplyModuleEnvironment();
    platform::ApplyDebugOutputEnvironment();
    if (envFlag("VESSAMIRE_VIRTUAL_CLOCK")) platform::ClockSetVirtual(true);
    if (const char* n = std::getenv("VESSAMIRE_FAIL_HEAP_ALLOC")) KnobFailHeapAlloc(std::atoi(n));
}
