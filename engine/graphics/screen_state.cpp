// The screen-state record and its small queries and setters.
#include "graphics/screen_state.h"

#include "DuRud.h"

namespace DuRud {

ScreenState& GetScreenState() {
    static ScreenState state{};
    return state;
}

int IsEmulating320x240() {
    const ScreenState& s = GetScreenState();
    return (s.emulate320x240 || s.autoEmulate320x240) ? 1 : 0;
}

int IsDirect3DDeviceAway() {
    const ScreenState& s = GetScreenState();
    return s.started && s.startedOnDirect3D && !s.useDirect3D ? 1 : 0;
}

int IsModeChangeRunning() {
    return GetScreenState().modeChangeRunning;
}

// A 640 x 480 screen under the emulation is drawn as 320 x 240; a zero side
// takes its 640 x 480 default.
int StoreScreenSize(int width, int height) {
    ScreenState& s = GetScreenState();
    s.screenWidth = width;
    s.screenHeight = height;
    if (IsEmulating320x240() && width == 640 && height == 480) {
        s.drawWidth = 320;
        s.drawHeight = 240;
    } else {
        s.drawWidth = width != 0 ? width : 640;
        s.drawHeight = height != 0 ? height : 480;
    }
    SetMathScreenSize(s.drawWidth, s.drawHeight);
    return 0;
}

int QueryDrawSize(int* width, int* height) {
    const ScreenState& s = GetScreenState();
    if (width) *width = s.drawWidth != 0 ? s.drawWidth : 640;
    if (height) *height = s.drawHeight != 0 ? s.drawHeight : 480;
    return 0;
}

int QueryColorBits() {
    const int bits = GetScreenState().colorBits;
    return bits != 0 ? bits : 16;
}

int QueryRefreshRate() {
    return GetScreenState().refreshRate;
}

int IsHardwareRenderingWanted() {
    return GetScreenState().softwareForced ? 0 : 1;
}

int SetEmulate320x240(int flag) {
    GetScreenState().emulate320x240 = flag ? 1 : 0;
    return 0;
}

int SetAutoEmulate320x240(int flag) {
    GetScreenState().autoEmulate320x240 = flag ? 1 : 0;
    return 0;
}

int GetEmulate320x240() {
    return IsEmulating320x240();
}

}  // namespace DuRud
