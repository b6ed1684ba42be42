// A window that routes typed characters and IME messages to the character-
// input module as the engine's window procedure does, with the Imm32 stand-in
// loaded, the input module's keyboard on a pump double, the window standing in
// for the main window (IME context, clipboard owner) and a counting pump in
// the module call table.
#pragma once

#include <gtest/gtest.h>
#include <imm.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "DuRud.h"
#include "core/log.h"
#include "core/module_calls.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "input/char_input_state.h"
#include "input/input_devices.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/window_state.h"

namespace charinputtest {

inline HWND g_window = nullptr;
inline DWORD g_mainThread = 0;
inline int g_pumpCalls = 0;
inline int (*g_onPump)() = nullptr;  // what the counting pump does besides counting

inline void PumpQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline int KeyboardPump() {
    PumpQueue();
    return 0;
}

inline int CountingPump() {
    ++g_pumpCalls;
    return g_onPump ? g_onPump() : -1;
}

inline const DuRud::InputWindowLink kLink = {
    KeyboardPump,
    [] { return 0; },
    [] { return 1; },
    []() -> void* { return g_window; },
    []() -> uint32_t { return g_mainThread; },
    [] { return 0; },
    [](int* x, int* y) {
        *x = 0;
        *y = 0;
        return 0;
    },
    [](int* w, int* h) {
        *w = 320;
        *h = 240;
        return 0;
    },
};

inline LRESULT CALLBACK RoutingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR || message == WM_KEYDOWN) {
        DuRud::FeedCharMessage(message, wParam, lParam);
    } else if ((message >= 0x010D && message <= 0x010F) ||
               (message >= 0x0281 && message <= 0x0291)) {
        return DuRud::HandleImeMessage(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class CharInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        DuRud::ResetInputForTest();
        DuRud::LoadWinApis();
        ASSERT_EQ(DuRud::SetLogFolder(testsupport::TestDirectory().c_str()), 0);
        ASSERT_EQ(DuRud::LogStart(), 0);
        WNDCLASSA wc{};
        wc.lpfnWndProc = RoutingProc;
        wc.lpszClassName = "CharInputTestWindow";
        RegisterClassA(&wc);
        g_window = CreateWindowExA(0, "CharInputTestWindow", "typing", WS_OVERLAPPEDWINDOW, 0, 0,
                                   320, 240, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(g_window, nullptr);
        ShowWindow(g_window, SW_SHOW);
        g_mainThread = GetCurrentThreadId();
        DuRud::SetInputWindowLink(&kLink);
        DuRud::WindowState().window = g_window;
        calls_ = DuRud::RealModuleCalls();
        calls_.PumpWindowMessages = CountingPump;
        previousCalls_ = DuRud::InstallModuleCalls(&calls_);
        g_pumpCalls = 0;
        g_onPump = nullptr;
        PumpQueue();
        ASSERT_EQ(DuRud::InitCharBuffer(), 0);
    }
    void TearDown() override {
        DuRud::DeleteAllKeyInputs();
        DuRud::FreeCandidateList();
        DuRud::CharInput().imeUse = 0;
        DuRud::CharInput().imeEnabled = 0;
        DuRud::InitCharBuffer();
        DuRud::InstallModuleCalls(previousCalls_);
        DuRud::WindowState().window = nullptr;
        DuRud::ResetInputForTest();
        DuRud::UnloadWinApis();
        DuRud::ResetLogForTest();
        if (g_window) DestroyWindow(g_window);
        g_window = nullptr;
        UnregisterClassA("CharInputTestWindow", nullptr);
        g_onPump = nullptr;
    }
    // Every character waiting in the ring, each as one string of 1 or 2 bytes.
    static std::vector<std::string> TakeChars() {
        std::vector<std::string> out;
        unsigned char c[2];
        for (int n; (n = DuRud::GetCharCode(c, 1)) != 0;)
            out.emplace_back(reinterpret_cast<char*>(c), n);
        return out;
    }
    DuRud::ModuleCalls calls_{};
    const DuRud::ModuleCalls* previousCalls_ = nullptr;
};

}  // namespace charinputtest
