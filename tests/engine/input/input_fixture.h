// A main window, a pump double and the input module reset around each test.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "DuRud.h"
#include "core/system_services.h"
#include "input/input_devices.h"
#include "input/input_state.h"
#include "test_knobs.h"
#include "window/window_calls.h"

namespace inputtest {

inline HWND g_window = nullptr;
inline int g_pumps = 0;
inline DWORD g_mainThread = 0;
inline int g_mouseX = 10, g_mouseY = 10;

inline int PumpDouble() {
    ++g_pumps;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

inline const DuRud::InputWindowLink kLink = {
    PumpDouble,
    [] { return 0; },
    [] { return 1; },
    []() -> void* { return g_window; },
    []() -> uint32_t { return g_mainThread; },
    [] { return 0; },
    [](int* x, int* y) {
        *x = g_mouseX;
        *y = g_mouseY;
        return 0;
    },
    [](int* w, int* h) {
        *w = 320;
        *h = 240;
        return 0;
    },
};

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        DuRud::ResetInputForTest();
        DuRud::LoadWinApis();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "InputTestWindow";
        RegisterClassA(&wc);
        g_window = CreateWindowExA(0, "InputTestWindow", "input", WS_OVERLAPPEDWINDOW, 0, 0, 320,
                                   240, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(g_window, nullptr);
        ShowWindow(g_window, SW_SHOW);
        g_pumps = 0;
        g_mainThread = GetCurrentThreadId();
        DuRud::SetInputWindowLink(&kLink);
        PumpDouble();
    }
    void TearDown() override {
        DuRud::ResetInputForTest();
        DuRud::UnloadWinApis();
        if (g_window) DestroyWindow(g_window);
        g_window = nullptr;
        UnregisterClassA("InputTestWindow", nullptr);
    }
    // A scripted key, delivered, and the next millisecond.
    static void Key(int scancode, bool down) {
        ASSERT_TRUE(KnobWindowKey(g_window, scancode, down));
        PumpDouble();
        Sleep(1);
    }
};

}  // namespace inputtest
