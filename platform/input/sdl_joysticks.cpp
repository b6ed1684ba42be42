// SDL joysticks shared by the pad stand-ins: opened on first use, closed
// when SDL reports them detached.
#include "sdl_joysticks.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

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

namespace {
struct PadRecord {
    SDL_JoystickGUID guid;
    std::string path;
    SDL_JoystickID current;  // -1 while unplugged
};
std::vector<PadRecord>& Pads() {
    static auto* pads = new std::vector<PadRecord>();
    return *pads;
}
bool IsAttachedId(SDL_JoystickID id) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return true;
    return false;
}
}  // namespace

int PadNumberAt(int deviceIndex) {
    if (!EnsureJoysticks() || deviceIndex < 0 || deviceIndex >= SDL_NumJoysticks()) return -1;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    std::vector<PadRecord>& pads = Pads();
    for (size_t n = 0; n < pads.size(); ++n)
        if (pads[n].current == id) return static_cast<int>(n);
    for (PadRecord& p : pads)
        if (p.current >= 0 && !IsAttachedId(p.current)) p.current = -1;
    const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(deviceIndex);
    const char* path = SDL_JoystickPathForIndex(deviceIndex);
    const std::string pathText = path ? path : "";
    for (size_t n = 0; n < pads.size(); ++n) {
        PadRecord& p = pads[n];
        if (p.current < 0 && std::memcmp(&p.guid, &guid, sizeof guid) == 0 && p.path == pathText) {
            p.current = id;
            return static_cast<int>(n);
        }
    }
    pads.push_back(PadRecord{guid, pathText, id});
    return static_cast<int>(pads.size() - 1);
}

SDL_Joystick* JoystickByPadNumber(int number) {
    if (!EnsureJoysticks() || number < 0) return nullptr;
    UpdateAndForgetDetached();
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (PadNumberAt(i) == number) return JoystickAt(i);
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
