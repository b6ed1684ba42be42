// A window in front, COM started and a DirectInput 8 object for the
// DirectInput tests.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <dinput.h>

#include <string>
#include <utility>
#include <vector>

#include "support/window_test_support.h"
#include "test_knobs.h"

namespace ditest {

inline void Pump() {
    windowtest::PumpAll();
}

class DirectInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        window = windowtest::MakeWindow();
        ASSERT_NE(window, nullptr);
        Pump();
        ASSERT_EQ(GetForegroundWindow(), window);
        ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDirectInput8A, reinterpret_cast<void**>(&di)),
                  S_OK);
        ASSERT_EQ(di->Initialize(GetModuleHandleA(nullptr), 0x0800), DI_OK);
    }
    void TearDown() override {
        for (IUnknown* object : release) object->Release();
        if (di) di->Release();
        if (window) DestroyWindow(window);
        CoUninitialize();
    }

    // A device set up as the engine sets its devices up; null on failure.
    IDirectInputDevice8A* Open(REFGUID guid, const DIDATAFORMAT& format, DWORD level) {
        IDirectInputDevice8A* device = nullptr;
        if (di->CreateDevice(guid, &device, nullptr) != DI_OK) return nullptr;
        release.push_back(device);
        if (device->SetDataFormat(&format) != DI_OK) return nullptr;
        if (device->SetCooperativeLevel(window, level) != DI_OK) return nullptr;
        return device;
    }

    // The game controllers DirectInput lists.
    std::vector<DIDEVICEINSTANCEA> Controllers() {
        std::vector<DIDEVICEINSTANCEA> found;
        di->EnumDevices(
            DI8DEVCLASS_GAMECTRL,
            [](LPCDIDEVICEINSTANCEA instance, LPVOID context) -> BOOL {
                static_cast<std::vector<DIDEVICEINSTANCEA>*>(context)->push_back(*instance);
                return DIENUM_CONTINUE;
            },
            &found, DIEDFL_ATTACHEDONLY);
        return found;
    }

    void Key(int scancode, bool down) {
        ASSERT_TRUE(KnobWindowKey(window, scancode, down));
        Pump();
    }

    HWND window = nullptr;
    IDirectInput8A* di = nullptr;
    std::vector<IUnknown*> release;  // released before the DirectInput object
};

// The motor speeds last sent to the pad: {-1, -1} when none were.
inline std::pair<int, int> Rumble(int pad) {
    int low = -1, high = -1;
    if (!KnobPadLastRumble(pad, &low, &high)) return {-1, -1};
    return {low, high};
}
using Speeds = std::pair<int, int>;

inline DIPROPRANGE Range(DWORD offset, LONG min, LONG max) {
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwObj = offset;
    range.diph.dwHow = DIPH_BYOFFSET;
    range.lMin = min;
    range.lMax = max;
    return range;
}

inline DIPROPDWORD Dword(DWORD how, DWORD object, DWORD value) {
    DIPROPDWORD prop{};
    prop.diph.dwSize = sizeof(DIPROPDWORD);
    prop.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    prop.diph.dwObj = object;
    prop.diph.dwHow = how;
    prop.dwData = value;
    return prop;
}

}  // namespace ditest
