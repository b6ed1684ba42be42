// The tests' own connection to the X server the layer's windows live on:
// screen reads, XTEST input and focus moves, and waiting for the server's
// answers while the layer pumps its messages.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "windows.h"

typedef struct _XDisplay Display;

namespace xtest {

// The connection, or null (with the test skipped by the caller) when SDL
// does not run on X11 or no X server answers.
Display* Connection();

// Skips the calling test unless the layer runs on a reachable X server.
#define SKIP_WITHOUT_X_SERVER()                                               \
    do {                                                                      \
        if (!xtest::Connection()) GTEST_SKIP() << "needs SDL on an X server"; \
    } while (0)

// The X window of a layer window (0 when none).
unsigned long XWindowOf(HWND window);

// Screen pixels (0xRRGGBB) of a root-window rectangle, after the server has
// done everything asked of it so far.
std::vector<uint32_t> ReadScreen(int x, int y, int width, int height);

// XTEST: a key by keysym, the pointer to a screen point, a button (4/5: wheel).
void Key(unsigned long keysym, bool down);
void MovePointer(int x, int y);
void Button(unsigned int button, bool down);

// Pumps the calling thread's messages (dispatching them) until `done` holds
// or testsupport::kWaitLimit of real time passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done);

}  // namespace xtest
