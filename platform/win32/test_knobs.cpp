// Resets and environment reading for every area's knobs.
#include "test_knobs.h"

#include <cstdlib>
#include <cstring>

namespace platform::user {
void ResetUserKnobs();
}

void KnobResetAll() {
    platform::user::ResetUserKnobs();
}

void KnobApplyEnvironment() {
    // windows
    auto flag = [](const char* name) {
        const char* v = std::getenv(name);
        return v && std::strcmp(v, "0") != 0 && *v;
    };
    KnobRefuseRegisterClass(flag("VESSAMIRE_REFUSE_REGISTER_CLASS"));
    KnobRefuseCreateWindow(flag("VESSAMIRE_REFUSE_CREATE_WINDOW"));
    if (const char* modes = std::getenv("VESSAMIRE_DISPLAY_MODES")) KnobDisplayModes(modes);
    if (const char* bits = std::getenv("VESSAMIRE_DESKTOP_BITS")) KnobDesktopBits(std::atoi(bits));
    if (const char* ns = std::getenv("VESSAMIRE_WINDOW_NAMESPACE")) KnobWindowNamespace(ns);
}
