// XInput over SDL game controllers: the first four controllers become users
// 0..3 and keep their user while attached. Buttons are mapped by name, stick
// Y is turned to point up, triggers scaled to 0..255.
#include "xinput.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "../win32/module_registry.h"
#include "sdl_joysticks.h"
#include "xinput_users.h"

namespace {

// SDL ends a rumble after at most this long; XInput speeds hold until
// changed, so a running rumble is sent again well before then.
constexpr Uint32 kRumbleDurationMs = 0xFFFF;
constexpr Uint32 kRumbleRenewMs = 30000;

struct User {
    SDL_GameController* controller = nullptr;
    SDL_JoystickID id = -1;
    XINPUT_GAMEPAD last{};
    DWORD packet = 0;
    WORD low = 0;
    WORD high = 0;
    Uint32 sentAt = 0;
};

User g_users[XUSER_MAX_COUNT];

struct ButtonMask {
    SDL_GameControllerButton button;
    WORD mask;
};
constexpr ButtonMask kButtons[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_UP, XINPUT_GAMEPAD_DPAD_UP},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, XINPUT_GAMEPAD_DPAD_DOWN},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, XINPUT_GAMEPAD_DPAD_LEFT},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, XINPUT_GAMEPAD_DPAD_RIGHT},
    {SDL_CONTROLLER_BUTTON_START, XINPUT_GAMEPAD_START},
    {SDL_CONTROLLER_BUTTON_BACK, XINPUT_GAMEPAD_BACK},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, XINPUT_GAMEPAD_LEFT_THUMB},
    {SDL_CONTROLLER_BUTTON_RIGHTSTICK, XINPUT_GAMEPAD_RIGHT_THUMB},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, XINPUT_GAMEPAD_LEFT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, XINPUT_GAMEPAD_RIGHT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_A, XINPUT_GAMEPAD_A},
    {SDL_CONTROLLER_BUTTON_B, XINPUT_GAMEPAD_B},
    {SDL_CONTROLLER_BUTTON_X, XINPUT_GAMEPAD_X},
    {SDL_CONTROLLER_BUTTON_Y, XINPUT_GAMEPAD_Y},
};

bool EnsureControllers() {
    static bool started = [] {
        if (!platform::input::EnsureJoysticks()) return false;
        return SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    }();
    return started;
}

// Brings the controller state up to date, frees the users of detached
// controllers and gives free users to newly attached ones in SDL's order.
// Call with the joystick lock held.
void RefreshUsers() {
    SDL_GameControllerUpdate();
    for (User& user : g_users) {
        if (user.controller && !SDL_GameControllerGetAttached(user.controller)) {
            SDL_GameControllerClose(user.controller);
            user = User{};
        }
    }
    int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        if (!SDL_IsGameController(i)) continue;
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
        auto served = std::find_if(std::begin(g_users), std::end(g_users),
                                   [id](const User& u) { return u.controller && u.id == id; });
        if (served != std::end(g_users)) continue;
        auto free = std::find_if(std::begin(g_users), std::end(g_users),
                                 [](const User& u) { return !u.controller; });
        if (free == std::end(g_users)) break;
        SDL_GameController* controller = SDL_GameControllerOpen(i);
        if (!controller) continue;
        free->controller = controller;
        free->id = id;
        free->packet = 1;
    }
}

// The user's controller, or null (lock held, users refreshed).
User* ConnectedUser(DWORD index) {
    if (index >= XUSER_MAX_COUNT || !EnsureControllers()) return nullptr;
    RefreshUsers();
    User& user = g_users[index];
    return user.controller ? &user : nullptr;
}

bool SendRumble(User& user, WORD low, WORD high) {
    if (SDL_GameControllerRumble(user.controller, low, high, kRumbleDurationMs) != 0) return false;
    user.low = low;
    user.high = high;
    user.sentAt = SDL_GetTicks();
    return true;
}

void RenewRumble(User& user) {
    if ((user.low || user.high) && SDL_GetTicks() - user.sentAt >= kRumbleRenewMs) {
        SendRumble(user, user.low, user.high);
    }
}

BYTE Trigger(SDL_GameController* controller, SDL_GameControllerAxis axis) {
    int v = SDL_GameControllerGetAxis(controller, axis);  // 0..32767
    return static_cast<BYTE>(std::clamp(v, 0, 32767) * 255 / 32767);
}

// XInput's Y points up; -1 - v keeps both ends at the ends.
SHORT StickY(SDL_GameController* controller, SDL_GameControllerAxis axis) {
    return static_cast<SHORT>(-1 - SDL_GameControllerGetAxis(controller, axis));
}

}  // namespace

DWORD WINAPI XInputGetState(DWORD dwUserIndex, XINPUT_STATE* pState) {
    if (!pState || dwUserIndex >= XUSER_MAX_COUNT) return ERROR_BAD_ARGUMENTS;
    std::lock_guard<std::mutex> lock(platform::input::JoystickMutex());
    User* user = ConnectedUser(dwUserIndex);
    if (!user) return ERROR_DEVICE_NOT_CONNECTED;
    SDL_GameController* c = user->controller;
    XINPUT_GAMEPAD pad{};
    for (const ButtonMask& b : kButtons) {
        if (SDL_GameControllerGetButton(c, b.button)) pad.wButtons |= b.mask;
    }
    pad.bLeftTrigger = Trigger(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    pad.bRightTrigger = Trigger(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    pad.sThumbLX = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
    pad.sThumbLY = StickY(c, SDL_CONTROLLER_AXIS_LEFTY);
    pad.sThumbRX = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX);
    pad.sThumbRY = StickY(c, SDL_CONTROLLER_AXIS_RIGHTY);
    if (std::memcmp(&pad, &user->last, sizeof(pad)) != 0) {
        user->last = pad;
        ++user->packet;
    }
    RenewRumble(*user);
    pState->dwPacketNumber = user->packet;
    pState->Gamepad = pad;
    return ERROR_SUCCESS;
}

DWORD WINAPI XInputSetState(DWORD dwUserIndex, XINPUT_VIBRATION* pVibration) {
    if (!pVibration || dwUserIndex >= XUSER_MAX_COUNT) return ERROR_BAD_ARGUMENTS;
    std::lock_guard<std::mutex> lock(platform::input::JoystickMutex());
    User* user = ConnectedUser(dwUserIndex);
    if (!user) return ERROR_DEVICE_NOT_CONNECTED;
    // A controller without motors cannot take the speeds: say so.
    if (!SendRumble(*user, pVibration->wLeftMotorSpeed, pVibration->wRightMotorSpeed)) {
        return ERROR_NOT_SUPPORTED;
    }
    return ERROR_SUCCESS;
}

DWORD WINAPI XInputGetCapabilities(DWORD dwUserIndex, DWORD dwFlags,
                                   XINPUT_CAPABILITIES* pCapabilities) {
    if (!pCapabilities || dwUserIndex >= XUSER_MAX_COUNT ||
        (dwFlags != 0 && dwFlags != XINPUT_FLAG_GAMEPAD)) {
        return ERROR_BAD_ARGUMENTS;
    }
    std::lock_guard<std::mutex> lock(platform::input::JoystickMutex());
    User* user = ConnectedUser(dwUserIndex);
    if (!user) return ERROR_DEVICE_NOT_CONNECTED;
    SDL_GameController* c = user->controller;
    XINPUT_CAPABILITIES caps{};
    caps.Type = XINPUT_DEVTYPE_GAMEPAD;
    caps.SubType = XINPUT_DEVSUBTYPE_GAMEPAD;
    for (const ButtonMask& b : kButtons) {
        if (SDL_GameControllerHasButton(c, b.button)) caps.Gamepad.wButtons |= b.mask;
    }
    // Capabilities report the meaningful bits of each control.
    auto axisBits = [c](SDL_GameControllerAxis axis) -> SHORT {
        return SDL_GameControllerHasAxis(c, axis) ? SHORT{-1} : SHORT{0};
    };
    caps.Gamepad.bLeftTrigger =
        SDL_GameControllerHasAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT) ? 255 : 0;
    caps.Gamepad.bRightTrigger =
        SDL_GameControllerHasAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) ? 255 : 0;
    caps.Gamepad.sThumbLX = axisBits(SDL_CONTROLLER_AXIS_LEFTX);
    caps.Gamepad.sThumbLY = axisBits(SDL_CONTROLLER_AXIS_LEFTY);
    caps.Gamepad.sThumbRX = axisBits(SDL_CONTROLLER_AXIS_RIGHTX);
    caps.Gamepad.sThumbRY = axisBits(SDL_CONTROLLER_AXIS_RIGHTY);
    if (SDL_GameControllerHasRumble(c)) {
        caps.Flags |= XINPUT_CAPS_FFB_SUPPORTED;
        caps.Vibration.wLeftMotorSpeed = caps.Vibration.wRightMotorSpeed = 0xFFFF;
    }
    *pCapabilities = caps;
    return ERROR_SUCCESS;
}

bool platform::input::ServesAsXInputUser(SDL_JoystickID id) {
    if (!EnsureControllers()) return false;
    RefreshUsers();
    return std::any_of(std::begin(g_users), std::end(g_users),
                       [id](const User& u) { return u.controller && u.id == id; });
}

namespace platform {

void RegisterXInputModules() {
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
        RegisterModule(name, {
                                 {"XInputGetState", ExportOf(&XInputGetState)},
                                 {"XInputSetState", ExportOf(&XInputSetState)},
                                 {"XInputGetCapabilities", ExportOf(&XInputGetCapabilities)},
                             });
    }
}

}  // namespace platform
