// Desktop composition and common controls. There is no compositor or control
// library behind them here; the calls are checked and remembered, and tests
// read what the program asked for.
#include <atomic>

#include "process_services.h"
#include "test_knobs.h"
#include "win_kernel.h"

namespace {

std::atomic<int> lastComposition{-1};
std::atomic<int> commonControlsCalls{0};

}  // namespace

HRESULT WINAPI DwmEnableComposition(UINT action) {
    if (action != DWM_EC_DISABLECOMPOSITION && action != DWM_EC_ENABLECOMPOSITION)
        return E_INVALIDARG;
    lastComposition = static_cast<int>(action);
    return S_OK;
}

void WINAPI InitCommonControls() {
    ++commonControlsCalls;
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ++commonControlsCalls;
    return TRUE;
}

int KnobDesktopComposition() {
    return lastComposition.load();
}

int KnobCommonControlsInitialised() {
    return commonControlsCalls.load();
}

namespace platform {

void ResetDesktopKnobs() {
    lastComposition = -1;
    commonControlsCalls = 0;
}

}  // namespace platform
