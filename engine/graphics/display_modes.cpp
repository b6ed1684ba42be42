// The full-screen display switch through the Win32 display settings and the
// list of display modes (built once, freed at device shutdown).
#include "graphics/display_modes.h"

#include <windows.h>

#include "DuRud.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/screen_state.h"
#include "window/window_state.h"

namespace DuRud {
namespace {

// A UTF-8 message literal into the log; -1, so failure paths can return it.
int Log(const char* utf8) {
    LogWrite(Cp932Text(utf8));
    return -1;
}

DisplayModeInfo* g_modes = nullptr;
int g_modeCount = 0;
int g_modesBuilt = 0;
int g_dialogBoxMode = 0;

void EnsureModeList() {
    if (!g_modesBuilt) ListDisplayModes(nullptr, nullptr);
}

}  // namespace

int SetFullScreenDisplayMode() {
    ScreenState& s = GetScreenState();
    LogFormatLine(Cp932Text("画面モードの変更処理を開始します %u x %u  %u bit "),
                  static_cast<unsigned>(s.screenWidth), static_cast<unsigned>(s.screenHeight),
                  static_cast<unsigned>(s.colorBits));
    LogIndent();
    if (s.colorBits != 16 && s.colorBits != 32) {
        LogUnindent();
        return -1;
    }
    Log("画面解像度を変更します... ");
    DEVMODEA mode{};
    mode.dmSize = 156;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = static_cast<DWORD>(s.colorBits);
    mode.dmPelsWidth = static_cast<DWORD>(s.screenWidth);
    mode.dmPelsHeight = static_cast<DWORD>(s.screenHeight);
    if (s.refreshRate != 0) {
        mode.dmFields |= DM_DISPLAYFREQUENCY;
        mode.dmDisplayFrequency = static_cast<DWORD>(s.refreshRate);
    }
    bool switched = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    if (!switched) {
        // Without the refresh rate the display picks its own.
        mode.dmFields &= ~static_cast<DWORD>(DM_DISPLAYFREQUENCY);
        mode.dmDisplayFrequency = 0;
        s.refreshRate = 0;
        switched = ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
    }
    if (!switched && s.screenWidth == 320 && s.screenHeight == 240) {
        SetAutoEmulate320x240(1);
        StoreScreenSize(640, 480);
        mode.dmPelsWidth = 640;
        mode.dmPelsHeight = 480;
        switched = ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
        if (switched && GetMainWindowHandle()) ApplyWindowStyle();
    }
    if (!switched) {
        Log("画面モードの変更に失敗しました\n");
        LogUnindent();
        return -1;
    }
    s.displayModeChanged = 1;
    Log("成功しました\n");
    LogUnindent();
    return 0;
}

int ListDisplayModes(int* count, DisplayModeInfo** list) {
    FreeDisplayModeList();
    g_modesBuilt = 1;
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    int counted = 0;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i)
        if (mode.dmBitsPerPel >= 16) ++counted;
    if (counted > 0) {
        g_modes = static_cast<DisplayModeInfo*>(
            HeapAlloc(GetProcessHeap(), 0, sizeof(DisplayModeInfo) * static_cast<size_t>(counted)));
        if (g_modes) {
            // The list may have grown since it was counted: copy no more.
            for (DWORD i = 0; g_modeCount < counted && EnumDisplaySettingsA(nullptr, i, &mode);
                 ++i) {
                if (mode.dmBitsPerPel < 16) continue;
                g_modes[g_modeCount++] = {static_cast<int32_t>(mode.dmPelsWidth),
                                          static_cast<int32_t>(mode.dmPelsHeight),
                                          static_cast<int32_t>(mode.dmBitsPerPel),
                                          static_cast<int32_t>(mode.dmDisplayFrequency)};
            }
        }
    }
    if (count) *count = g_modeCount;
    if (list) *list = g_modes;
    return 0;
}

int FreeDisplayModeList() {
    if (g_modes) HeapFree(GetProcessHeap(), 0, g_modes);
    g_modes = nullptr;
    g_modeCount = 0;
    g_modesBuilt = 0;
    return 0;
}

int QueryDisplayModeCount() {
    EnsureModeList();
    return g_modeCount;
}

DisplayModeInfo QueryDisplayMode(int index) {
    EnsureModeList();
    if (index < 0 || index >= g_modeCount) return {-1, -1, -1, -1};
    return g_modes[index];
}

int IsDisplayModeAvailable(int width, int height, int bits) {
    EnsureModeList();
    for (int i = 0; i < g_modeCount; ++i)
        if (g_modes[i].width == width && g_modes[i].height == height &&
            g_modes[i].colorBits == bits)
            return 1;
    return 0;
}

int SetDialogBoxModeFlag(int flag) {
    g_dialogBoxMode = flag;
    if (GetScreenState().useDirect3D && HasDevice()) {
        DeviceSetDialogBoxMode(FALSE);
        if (flag) DeviceSetDialogBoxMode(TRUE);
    }
    return 0;
}

int GetDialogBoxModeFlag() {
    return g_dialogBoxMode;
}

void* GetDirectDrawObject() {
    return QueryDirectDrawObject();
}

}  // namespace DuRud
