// SDL joysticks shared by the pad stand-ins: opened on first use, closed
// when SDL reports them detached.
#include "sdl_joysticks.h"

#include <cstdio>
#include <map>

namespace platform::input {

namespace {
std::map<SDL_JoystickID, SDL_Joystick*>& Opened() {
    static auto* opened = new std::map<SDL_JoystickID, SDL_Joystick*>();
    return *opened;
}
}  // namespace

std::mutex& JoystickMutex() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

bool EnsureJoysticks() {
    static bool started = [] {
        // joyGetPosEx reads the pad whichever window has the focus.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
            std::fprintf(stderr, "SDL joysticks could not start: %s\n", SDL_GetError());
            return false;
        }
        // Readers update the state themselves; events would only fill the queue.
        SDL_JoystickEventState(SDL_IGNORE);
        return true;
    }();
    return started;
}

namespace {
void UpdateAndForgetDetached() {
    SDL_JoystickUpdate();
    for (auto it = Opened().begin(); it != Opened().end();) {
        if (!SDL_JoystickGetAttached(it->second)) {
            SDL_JoystickClose(it->second);
            it = Opened().erase(it);
        } else {
            ++it;
        }
    }
}
}  // namespace

SDL_Joystick* JoystickById(SDL_JoystickID id) {
    if (!EnsureJoysticks() || id < 0) return nullptr;
    UpdateAndForgetDetached();
    auto found = Opened().find(id);
    if (found != Opened().end()) return found->second;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return JoystickAt(i);
    }
    return nullptr;
}

uint32_t HatToPov(Uint8 hat) {
    switch (hat) {
        case SDL_HAT_UP:
            return 0;
        case SDL_HAT_RIGHTUP:
            return 4500;
        case SDL_HAT_RIGHT:
            return 9000;
        case SDL_HAT_RIGHTDOWN:
            return 13500;
        case SDL_HAT_DOWN:
            return 18000;
        case SDL_HAT_LEFTDOWN:
            return 22500;
        case SDL_HAT_LEFT:
            return 27000;
        case SDL_HAT_LEFTUP:
            return 31500;
        default:
            return 0xFFFFFFFFu;
    }
}

SDL_Joystick* JoystickAt(int deviceIndex) {
    if (!EnsureJoysticks() || deviceIndex < 0) return nullptr;
    UpdateAndForgetDetached();
    if (deviceIndex >= SDL_NumJoysticks()) return nullptr;
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    auto found = Opened().find(id);
    if (found != Opened().end()) return found->second;
    SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
    if (!joystick) return nullptr;
    Opened()[id] = joystick;
    SDL_JoystickUpdate();
    return joystick;
}

}  // namespace platform::input
