// Resets and environment reading for every area's knobs.
#include "test_knobs.h"

#include "module_registry.h"
#include "process_services.h"

void KnobResetAll() {
    platform::ResetModuleKnobs();
    platform::ResetDebugOutputKnobs();
    platform::ResetDesktopKnobs();
}

void KnobApplyEnvironment() {
    platform::ApplyModuleEnvironment();
    platform::ApplyDebugOutputEnvironment();
}
