// The one way pixels reach a window: a 32-bit picture written into the
// window's client area and shown. Window-DC drawing (FillRect,
// SetDIBitsToDevice, StretchDIBits) and the Direct3D device's Present use it;
// the capture knob reads back what it showed.
#pragma once

#include <cstdint>
#include <functional>

#include "win_types.h"

namespace platform {

// Writes `pixels` (X8R8G8B8 words, `pitch` bytes per row, top row first) into
// the client area of `window` and shows it. `source` picks a rectangle of the
// picture (null: all of it); `dest` is the client rectangle it fills (null: the
// whole client area), scaled by nearest pixel when the sizes differ. Parts
// outside the client area are clipped. Counts one present. Callable from any
// thread; the picture reaches SDL on the video thread's next pump (at once when
// called there). False with ERROR_INVALID_WINDOW_HANDLE for a bad window, or
// ERROR_INVALID_PARAMETER for null pixels, a size below 1, a pitch too small or
// a source rectangle outside the picture.
bool WindowPictureWrite(HWND window, const void* pixels, int width, int height, int pitch,
                        const RECT* source, const RECT* dest);

// Runs `edit` on the window's client picture (X8R8G8B8, width x height, rows
// of `width` words) under the picture's lock, then shows it (one present).
bool WindowPictureEdit(HWND window,
                       const std::function<void(uint32_t* pixels, int width, int height)>& edit);

// The client picture's size; false for a bad window.
bool WindowPictureSize(HWND window, int* width, int* height);

}  // namespace platform
