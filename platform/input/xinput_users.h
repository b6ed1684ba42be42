// Which SDL game controllers XInput serves (users 0..3), for DirectInput's
// device list.
#pragma once

#include <SDL.h>

namespace platform::input {

// True when the joystick is (or, being among the first four controllers,
// now becomes) an XInput user. Call with the joystick lock held.
bool ServesAsXInputUser(SDL_JoystickID id);

}  // namespace platform::input
