// Test pads: SDL virtual joysticks attached and steered by the knobs.
#include <SDL.h>

#include <memory>
#include <vector>

#include "sdl_joysticks.h"
#include "test_knobs.h"

namespace platform::input {

namespace {

struct TestPad {
    SDL_JoystickID id = -1;
    SDL_Joystick* joystick = nullptr;  // the knob's own opened handle
    bool rumbled = false;
    int low = 0;
    int high = 0;
};

std::vector<std::unique_ptr<TestPad>>& Pads() {
    static auto* pads = new std::vector<std::unique_ptr<TestPad>>();
    return *pads;
}

int Rumble(void* user, Uint16 low, Uint16 high) {
    auto* pad = static_cast<TestPad*>(user);
    pad->rumbled = true;
    pad->low = low;
    pad->high = high;
    return 0;
}

// The test pad at an SDL device index, or null (call with the lock held).
TestPad* PadAt(int deviceIndex) {
    if (deviceIndex < 0 || deviceIndex >= SDL_NumJoysticks()) return nullptr;
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (auto& pad : Pads()) {
        if (pad->id == id) return pad.get();
    }
    return nullptr;
}

}  // namespace

void ResetPadKnobs() {
    std::lock_guard<std::mutex> lock(JoystickMutex());
    for (auto& pad : Pads()) {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == pad->id) {
                SDL_JoystickDetachVirtual(i);
                break;
            }
        }
        SDL_JoystickClose(pad->joystick);
    }
    Pads().clear();
    if (SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_JoystickUpdate();
}

}  // namespace platform::input

using platform::input::JoystickMutex;
using platform::input::PadAt;

namespace platform::input {
namespace {

int AttachPad(SDL_JoystickType type, int axes, int buttons, int hats, bool rumble) {
    if (axes < 0 || buttons < 0 || hats < 0 || axes > 16 || buttons > 64 || hats > 4) return -1;
    if (!platform::input::EnsureJoysticks()) return -1;
    std::lock_guard<std::mutex> lock(JoystickMutex());
    auto pad = std::make_unique<platform::input::TestPad>();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = static_cast<Uint16>(type);
    desc.naxes = static_cast<Uint16>(axes);
    desc.nbuttons = static_cast<Uint16>(buttons);
    desc.nhats = static_cast<Uint16>(hats);
    desc.name = "Test Pad";
    desc.userdata = pad.get();
    if (rumble) desc.Rumble = &platform::input::Rumble;
    int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return -1;
    pad->joystick = SDL_JoystickOpen(index);
    if (!pad->joystick) {
        SDL_JoystickDetachVirtual(index);
        return -1;
    }
    pad->id = SDL_JoystickInstanceID(pad->joystick);
    if (type == SDL_JOYSTICK_TYPE_GAMECONTROLLER) {
        // Released triggers: SDL maps the full axis range onto the trigger.
        SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_TRIGGERLEFT, -32768);
        SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
    }
    platform::input::Pads().push_back(std::move(pad));
    return index;
}

}  // namespace
}  // namespace platform::input

int KnobPadAttach(int axes, int buttons, int hats, bool rumble) {
    return platform::input::AttachPad(SDL_JOYSTICK_TYPE_UNKNOWN, axes, buttons, hats, rumble);
}

int KnobPadAttachController() {
    return platform::input::AttachPad(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0, true);
}

bool KnobPadDetach(int index) {
    std::lock_guard<std::mutex> lock(JoystickMutex());
    auto* pad = PadAt(index);
    if (!pad) return false;
    SDL_JoystickDetachVirtual(index);
    SDL_JoystickClose(pad->joystick);
    auto& pads = platform::input::Pads();
    for (auto it = pads.begin(); it != pads.end(); ++it) {
        if (it->get() == pad) {
            pads.erase(it);
            break;
        }
    }
    SDL_JoystickUpdate();
    return true;
}

bool KnobPadAxis(int index, int axis, int value) {
    if (value < -32768 || value > 32767) return false;
    std::lock_guard<std::mutex> lock(JoystickMutex());
    auto* pad = PadAt(index);
    return pad && axis >= 0 &&
           SDL_JoystickSetVirtualAxis(pad->joystick, axis, static_cast<Sint16>(value)) == 0;
}

bool KnobPadButton(int index, int button, bool down) {
    std::lock_guard<std::mutex> lock(JoystickMutex());
    auto* pad = PadAt(index);
    return pad && button >= 0 &&
           SDL_JoystickSetVirtualButton(pad->joystick, button, down ? 1 : 0) == 0;
}

bool KnobPadHat(int index, int hat, int value) {
    std::lock_guard<std::mutex> lock(JoystickMutex());
    auto* pad = PadAt(index);
    return pad && hat >= 0 &&
           SDL_JoystickSetVirtualHat(pad->joystick, hat, static_cast<Uint8>(value)) == 0;
}

bool KnobPadLastRumble(int index, int* low, int* high) {
    std::lock_guard<std::mutex> lock(JoystickMutex());
    auto* pad = PadAt(index);
    if (!pad || !pad->rumbled) return false;
    if (low) *low = pad->low;
    if (high) *high = pad->high;
    return true;
}
