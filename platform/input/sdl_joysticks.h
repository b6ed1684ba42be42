// SDL's joystick subsystem for the pad stand-ins: started once, read under
// one lock. Joystick events are not queued; readers update the state first.
#pragma once

#include <SDL.h>

#include <mutex>

namespace platform::input {

// Starts the joystick subsystem (once); false when SDL refuses.
bool EnsureJoysticks();
// The lock every reader and the test hooks hold around SDL joystick calls.
std::mutex& JoystickMutex();
// The opened joystick at an SDL device index after bringing the state up to
// date; null when no device has the index. Call with the lock held.
SDL_Joystick* JoystickAt(int deviceIndex);
// DirectInput's number for the pad at an SDL device index. SDL gives a pad a
// new instance id on every plug; this number stays the pad's own when it is
// unplugged and plugged back (matched by SDL's GUID and device path, the
// first free match), as a Windows instance GUID does. -1 when no device has
// the index. Call with the lock held.
int PadNumberAt(int deviceIndex);
// The opened joystick that holds a pad number now; null while it is
// unplugged. Call with the lock held.
SDL_Joystick* JoystickByPadNumber(int number);
// A hat position as a POV value in hundredths of a degree clockwise from up,
// 0xFFFFFFFF when centred.
uint32_t HatToPov(Uint8 hat);

}  // namespace platform::input
