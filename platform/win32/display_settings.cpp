// Display settings: a list of display modes (by default an 8-bit mode and
// 16- and 32-bit modes at 60 Hz; a knob replaces it) and the recorded current
// mode. The physical display is never switched: a full-screen pop-up window of
// the recorded mode's size is shown full-screen on the desktop with its
// picture scaled, so nothing needs restoring when the process ends.
#include <SDL.h>

#include <algorithm>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "test_knobs.h"
#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

struct Mode {
    int width;
    int height;
    int bits;
    int frequency;
};

std::mutex displayMutex;
std::vector<Mode> configuredModes;  // empty: the default list
bool haveCurrent = false;
Mode current{};
int desktopBitsKnob = 0;

Mode Desktop() {
    Mode mode{1024, 768, 32, 60};
    if (EnsureVideo()) {
        SDL_DisplayMode sdl;
        if (SDL_GetDesktopDisplayMode(0, &sdl) == 0 && sdl.w > 0 && sdl.h > 0) {
            mode.width = sdl.w;
            mode.height = sdl.h;
            if (sdl.refresh_rate > 0) mode.frequency = sdl.refresh_rate;
        }
    }
    if (desktopBitsKnob) mode.bits = desktopBitsKnob;
    return mode;
}

std::vector<Mode> Modes() {
    if (!configuredModes.empty()) return configuredModes;
    std::vector<Mode> modes = {{640, 480, 8, 60},   {640, 480, 16, 60}, {800, 600, 16, 60},
                               {1024, 768, 16, 60}, {640, 480, 32, 60}, {800, 600, 32, 60},
                               {1024, 768, 32, 60}};
    Mode desktop = Desktop();
    for (int bits : {16, 32}) {
        bool listed = false;
        for (const Mode& m : modes)
            listed |= m.width == desktop.width && m.height == desktop.height && m.bits == bits;
        if (!listed) modes.push_back(Mode{desktop.width, desktop.height, bits, desktop.frequency});
    }
    return modes;
}

Mode Current() {
    if (!haveCurrent) {
        current = Desktop();
        haveCurrent = true;
    }
    return current;
}

void Fill(DEVMODEA* out, const Mode& mode) {
    std::memset(out, 0, sizeof(DEVMODEA));
    std::strncpy(reinterpret_cast<char*>(out->dmDeviceName), "DISPLAY", CCHDEVICENAME - 1);
    out->dmSize = sizeof(DEVMODEA);
    out->dmSpecVersion = 0x0401;
    out->dmFields =
        DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFLAGS | DM_DISPLAYFREQUENCY;
    out->dmBitsPerPel = static_cast<DWORD>(mode.bits);
    out->dmPelsWidth = static_cast<DWORD>(mode.width);
    out->dmPelsHeight = static_cast<DWORD>(mode.height);
    out->dmDisplayFrequency = static_cast<DWORD>(mode.frequency);
}

// A pop-up window covering the whole recorded screen is shown full-screen
// while the recorded mode is not the desktop's.
void UpdateFullscreenWindows(const Mode& mode, bool isDesktop) {
    if (!OnVideoThread()) return;
    for (auto& window : AllWindows()) {
        if (!window->sdl) continue;
        const bool cover = !isDesktop && (window->style & WS_POPUP) && window->client.left == 0 &&
                           window->client.top == 0 && window->client.right == mode.width &&
                           window->client.bottom == mode.height;
        if (cover == window->fullscreen) continue;
        window->fullscreen = cover;
        if (cover) {
            // The full-screen request is the window manager's to carry out;
            // without one (a bare X server) the window covers the screen by
            // its own size and place, which a manager's answer only repeats.
            SDL_Rect screen;
            if (VideoOnXServer() &&
                SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window->sdl)),
                                     &screen) == 0) {
                SDL_SetWindowPosition(window->sdl, screen.x, screen.y);
                SDL_SetWindowSize(window->sdl, screen.w, screen.h);
            }
            SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
        } else {
            SDL_SetWindowFullscreen(window->sdl, 0);
            if (VideoOnXServer()) {
                SDL_SetWindowSize(window->sdl,
                                  std::max(1, int(window->client.right - window->client.left)),
                                  std::max(1, int(window->client.bottom - window->client.top)));
                SDL_SetWindowPosition(window->sdl, window->client.left, window->client.top);
            }
        }
        window->pictureDirty = true;
        FlushPicture(window);
    }
}

}  // namespace

void CurrentDisplayMode(int* width, int* height, int* bits, int* frequency) {
    std::lock_guard<std::mutex> lock(displayMutex);
    Mode mode = Current();
    *width = mode.width;
    *height = mode.height;
    *bits = mode.bits;
    *frequency = mode.frequency;
}

void RefreshFullscreenWindows() {
    Mode mode, desktop;
    {
        std::lock_guard<std::mutex> lock(displayMutex);
        mode = Current();
        desktop = Desktop();
    }
    UpdateFullscreenWindows(mode, mode.width == desktop.width && mode.height == desktop.height &&
                                      mode.bits == desktop.bits);
}

void ResetDisplayKnobs() {
    std::lock_guard<std::mutex> lock(displayMutex);
    configuredModes.clear();
    desktopBitsKnob = 0;
    haveCurrent = false;
}

// Parses "640x480x16@60,800x600x32" (the rate defaults to 60 Hz).
bool ParseModes(const char* text, std::vector<Mode>* out) {
    std::vector<Mode> modes;
    std::stringstream list(text ? text : "");
    std::string item;
    while (std::getline(list, item, ',')) {
        Mode m{0, 0, 0, 60};
        int consumed = 0;
        if (std::sscanf(item.c_str(), " %dx%dx%d%n", &m.width, &m.height, &m.bits, &consumed) !=
            3) {
            return false;
        }
        const char* rest = item.c_str() + consumed;
        if (*rest == '@' && std::sscanf(rest + 1, "%d", &m.frequency) != 1) return false;
        if (m.width < 1 || m.height < 1 || m.frequency < 1 ||
            (m.bits != 8 && m.bits != 16 && m.bits != 24 && m.bits != 32)) {
            return false;
        }
        modes.push_back(m);
    }
    if (modes.empty()) return false;
    *out = std::move(modes);
    return true;
}

}  // namespace platform::user

using namespace platform::user;

bool KnobDisplayModes(const char* modes) {
    std::vector<Mode> parsed;
    if (modes && !ParseModes(modes, &parsed)) return false;
    std::lock_guard<std::mutex> lock(displayMutex);
    configuredModes = std::move(parsed);
    haveCurrent = false;
    return true;
}

void KnobDesktopBits(int bits) {
    std::lock_guard<std::mutex> lock(displayMutex);
    desktopBitsKnob = bits;
    haveCurrent = false;
}

BOOL WINAPI EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNumber, DEVMODEA* mode) {
    if (!mode || (deviceName && std::strcmp(deviceName, "\\\\.\\DISPLAY1") != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(displayMutex);
    if (modeNumber == ENUM_CURRENT_SETTINGS) {
        Fill(mode, Current());
        return TRUE;
    }
    if (modeNumber == ENUM_REGISTRY_SETTINGS) {
        Fill(mode, Desktop());
        return TRUE;
    }
    std::vector<Mode> modes = Modes();
    if (modeNumber >= modes.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(mode, modes[modeNumber]);
    return TRUE;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* request, DWORD flags) {
    const DWORD knownFlags = CDS_UPDATEREGISTRY | CDS_TEST | CDS_FULLSCREEN | CDS_RESET;
    if (flags & ~knownFlags) return DISP_CHANGE_BADFLAGS;
    Mode next;
    bool isDesktop;
    {
        std::lock_guard<std::mutex> lock(displayMutex);
        Mode now = Current();
        Mode desktop = Desktop();
        if (!request) {
            next = desktop;
        } else {
            if (request->dmSize < offsetof(DEVMODEA, dmDisplayFrequency) + sizeof(DWORD)) {
                return DISP_CHANGE_BADPARAM;
            }
            // Fields the request leaves out keep their current values.
            next = now;
            if (request->dmFields & DM_PELSWIDTH)
                next.width = static_cast<int>(request->dmPelsWidth);
            if (request->dmFields & DM_PELSHEIGHT)
                next.height = static_cast<int>(request->dmPelsHeight);
            if (request->dmFields & DM_BITSPERPEL)
                next.bits = static_cast<int>(request->dmBitsPerPel);
            const bool wantRate =
                (request->dmFields & DM_DISPLAYFREQUENCY) && request->dmDisplayFrequency > 1;
            bool found = false;
            for (const Mode& m : Modes()) {
                if (m.width == next.width && m.height == next.height && m.bits == next.bits &&
                    (!wantRate || m.frequency == static_cast<int>(request->dmDisplayFrequency))) {
                    next.frequency = m.frequency;
                    found = true;
                    break;
                }
            }
            const bool desktopMatch = next.width == desktop.width &&
                                      next.height == desktop.height && next.bits == desktop.bits;
            if (!found && !desktopMatch) return DISP_CHANGE_BADMODE;
            if (!found) next.frequency = desktop.frequency;
        }
        if (flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
        isDesktop = next.width == desktop.width && next.height == desktop.height &&
                    next.bits == desktop.bits;
        const bool changed = next.width != now.width || next.height != now.height ||
                             next.bits != now.bits || next.frequency != now.frequency;
        current = next;
        haveCurrent = true;
        if (!changed) {
            UpdateFullscreenWindows(next, isDesktop);
            return DISP_CHANGE_SUCCESSFUL;
        }
    }
    UpdateFullscreenWindows(next, isDesktop);
    for (auto& window : AllWindows()) {
        SendMessageA(window->handle, WM_DISPLAYCHANGE, static_cast<WPARAM>(next.bits),
                     MAKELPARAM(next.width, next.height));
    }
    return DISP_CHANGE_SUCCESSFUL;
}
