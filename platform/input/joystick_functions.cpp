// winmm's joystick functions over SDL joysticks. Axes 0..5 are X, Y, Z, R,
// U, V; SDL's signed axis -32768..32767 becomes 0..65535; hat 0 is the POV in
// hundredths of a degree.
#include <cstring>

#include "../win32/module_registry.h"
#include "sdl_joysticks.h"
#include "windows.h"

namespace {

constexpr UINT kMaxJoysticks = 16;

DWORD Position(SDL_Joystick* joystick, int axis) {
    if (axis >= SDL_JoystickNumAxes(joystick)) return 32767;
    return static_cast<DWORD>(SDL_JoystickGetAxis(joystick, axis) + 32768);
}

DWORD Pov(SDL_Joystick* joystick) {
    if (SDL_JoystickNumHats(joystick) < 1) return JOY_POVCENTERED;
    DWORD pov = platform::input::HatToPov(SDL_JoystickGetHat(joystick, 0));
    return pov == 0xFFFFFFFFu ? JOY_POVCENTERED : pov;
}

}  // namespace

UINT WINAPI joyGetNumDevs() {
    // Windows reports the number of supported ids, not the attached pads.
    return kMaxJoysticks;
}

UINT WINAPI joyGetDevCapsA(UINT_PTR joystickId, LPJOYCAPSA caps, UINT capsSize) {
    if (!caps || capsSize < sizeof(JOYCAPSA)) return MMSYSERR_INVALPARAM;
    if (joystickId >= kMaxJoysticks) return MMSYSERR_BADDEVICEID;
    std::lock_guard<std::mutex> lock(platform::input::JoystickMutex());
    SDL_Joystick* joystick = platform::input::JoystickAt(static_cast<int>(joystickId));
    if (!joystick) return JOYERR_PARMS;
    std::memset(caps, 0, sizeof(JOYCAPSA));
    caps->wMid = static_cast<WORD>(SDL_JoystickGetVendor(joystick));
    caps->wPid = static_cast<WORD>(SDL_JoystickGetProduct(joystick));
    const char* name = SDL_JoystickName(joystick);
    std::strncpy(caps->szPname, name ? name : "", MAXPNAMELEN - 1);
    int axes = SDL_JoystickNumAxes(joystick);
    if (axes > 6) axes = 6;
    int buttons = SDL_JoystickNumButtons(joystick);
    if (buttons > 32) buttons = 32;
    caps->wXmax = caps->wYmax = caps->wZmax = caps->wRmax = caps->wUmax = caps->wVmax = 65535;
    caps->wNumButtons = static_cast<UINT>(buttons);
    caps->wMaxButtons = 32;
    caps->wMaxAxes = 6;
    caps->wNumAxes = static_cast<UINT>(axes);
    caps->wPeriodMin = 10;
    caps->wPeriodMax = 1000;
    const UINT axisCaps[6] = {0, 0, JOYCAPS_HASZ, JOYCAPS_HASR, JOYCAPS_HASU, JOYCAPS_HASV};
    for (int a = 0; a < axes; ++a) caps->wCaps |= axisCaps[a];
    if (SDL_JoystickNumHats(joystick) > 0) caps->wCaps |= JOYCAPS_HASPOV | JOYCAPS_POV4DIR;
    return JOYERR_NOERROR;
}

UINT WINAPI joyGetPosEx(UINT joystickId, LPJOYINFOEX info) {
    if (!info || info->dwSize != sizeof(JOYINFOEX)) return MMSYSERR_INVALPARAM;
    if (joystickId >= kMaxJoysticks) return JOYERR_PARMS;
    std::lock_guard<std::mutex> lock(platform::input::JoystickMutex());
    SDL_Joystick* joystick = platform::input::JoystickAt(static_cast<int>(joystickId));
    if (!joystick) return JOYERR_UNPLUGGED;
    DWORD flags = info->dwFlags;
    DWORD* positions[6] = {&info->dwXpos, &info->dwYpos, &info->dwZpos,
                           &info->dwRpos, &info->dwUpos, &info->dwVpos};
    for (int a = 0; a < 6; ++a) {
        if (flags & (JOY_RETURNX << a)) *positions[a] = Position(joystick, a);
    }
    if (flags & JOY_RETURNBUTTONS) {
        DWORD bits = 0, count = 0;
        int buttons = SDL_JoystickNumButtons(joystick);
        for (int b = 0; b < buttons && b < 32; ++b) {
            if (SDL_JoystickGetButton(joystick, b)) {
                bits |= 1u << b;
                ++count;
            }
        }
        info->dwButtons = bits;
        info->dwButtonNumber = count;
    }
    if (flags & JOY_RETURNPOV) info->dwPOV = Pov(joystick);
    return JOYERR_NOERROR;
}

namespace platform {

void RegisterInputModules() {
    RegisterModule("winmm.dll", {
                                    {"joyGetNumDevs", ExportOf(&joyGetNumDevs)},
                                    {"joyGetDevCapsA", ExportOf(&joyGetDevCapsA)},
                                    {"joyGetPosEx", ExportOf(&joyGetPosEx)},
                                });
    RegisterXInputModules();
}

}  // namespace platform
