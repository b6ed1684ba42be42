#include "x_server.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "support/test_support.h"
#include "win32/user_state.h"

namespace xtest {

Display* Connection() {
    static Display* display = [] {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        return driver && std::strcmp(driver, "x11") == 0 ? XOpenDisplay(nullptr) : nullptr;
    }();
    return display;
}

unsigned long XWindowOf(HWND handle) {
    auto window = platform::user::GetWindow(handle);
    if (!window || !window->sdl) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window->sdl, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

std::vector<uint32_t> ReadScreen(int x, int y, int width, int height) {
    Display* d = Connection();
    XSync(d, False);
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    std::vector<uint32_t> pixels;
    if (!image) return pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels.push_back(static_cast<uint32_t>(XGetPixel(image, column, row)) & 0xFFFFFFu);
    XDestroyImage(image);
    return pixels;
}

void Key(unsigned long keysym, bool down) {
    Display* d = Connection();
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, keysym), down ? True : False, CurrentTime);
    XSync(d, False);
}

void MovePointer(int x, int y) {
    Display* d = Connection();
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
    XSync(d, False);
}

void Button(unsigned int button, bool down) {
    Display* d = Connection();
    XTestFakeButtonEvent(d, button, down ? True : False, CurrentTime);
    XSync(d, False);
}

bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + testsupport::kWaitLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG msg;
        // Waits for the next message (a few milliseconds at most while SDL is polled).
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

}  // namespace xtest
