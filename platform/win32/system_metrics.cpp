// System metrics and parameters: frame sizes of a classic Windows look (they
// fix AdjustWindowRectEx), the screen size of the recorded display mode, and
// the screen-saver and foreground-lock settings.
#include <SDL.h>

#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {
namespace {
std::mutex parameterMutex;
DWORD foregroundLockTimeout = 200000;
}  // namespace
void ResetSystemParameters() {
    std::lock_guard<std::mutex> lock(parameterMutex);
    foregroundLockTimeout = 200000;
}
}  // namespace platform::user

using namespace platform::user;

int WINAPI GetSystemMetrics(int index) {
    int width, height, bits, frequency;
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXVIRTUALSCREEN:
            CurrentDisplayMode(&width, &height, &bits, &frequency);
            return width;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
            CurrentDisplayMode(&width, &height, &bits, &frequency);
            return height;
        case SM_CYFULLSCREEN:
            CurrentDisplayMode(&width, &height, &bits, &frequency);
            return height - 23;
        case SM_CYCAPTION:
            return 23;
        case SM_CYSMCAPTION:
            return 17;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return 3;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return 4;
        case SM_CXEDGE:
        case SM_CYEDGE:
            return 2;
        case SM_CYMENU:
            return 20;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
            return 17;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
            return 32;
        case SM_CXMIN:
            return 112;
        case SM_CYMIN:
            return 27;
        case SM_MOUSEPRESENT:
            return 1;
        case SM_CMOUSEBUTTONS:
            return 3;
        case SM_CMONITORS:
            return 1;
        default:
            return 0;
    }
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT uiParam, PVOID pvParam, UINT winIni) {
    switch (action) {
        case SPI_GETSCREENSAVEACTIVE:
            if (!pvParam) break;
            *static_cast<BOOL*>(pvParam) =
                (!VideoStarted() || SDL_IsScreenSaverEnabled()) ? TRUE : FALSE;
            return TRUE;
        case SPI_SETSCREENSAVEACTIVE:
            if (!EnsureVideo()) {
                SetLastError(ERROR_NOT_READY);
                return FALSE;
            }
            if (uiParam) {
                SDL_EnableScreenSaver();
            } else {
                SDL_DisableScreenSaver();
            }
            return TRUE;
        case SPI_GETFOREGROUNDLOCKTIMEOUT: {
            if (!pvParam) break;
            std::lock_guard<std::mutex> lock(parameterMutex);
            *static_cast<DWORD*>(pvParam) = foregroundLockTimeout;
            return TRUE;
        }
        case SPI_SETFOREGROUNDLOCKTIMEOUT: {
            // The value travels in pvParam itself.
            std::lock_guard<std::mutex> lock(parameterMutex);
            foregroundLockTimeout = static_cast<DWORD>(reinterpret_cast<uintptr_t>(pvParam));
            return TRUE;
        }
        case SPI_GETWORKAREA: {
            if (!pvParam) break;
            int width, height, bits, frequency;
            CurrentDisplayMode(&width, &height, &bits, &frequency);
            *static_cast<RECT*>(pvParam) = RECT{0, 0, width, height};
            return TRUE;
        }
        default:
            break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
