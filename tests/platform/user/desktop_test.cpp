// Display modes, metrics, cursor, clipboard and the modules' exports.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "test_knobs.h"
#include "support/window_test_support.h"

using namespace windowtest;

TEST(DisplaySettings, DefaultListHasEightSixteenAndThirtyTwoBitModes) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    int count = 0, eight = 0, sixteen = 0, thirtyTwo = 0;
    while (EnumDisplaySettingsA(nullptr, static_cast<DWORD>(count), &mode)) {
        EXPECT_EQ(mode.dmDisplayFrequency, 60u);
        eight += mode.dmBitsPerPel == 8;
        sixteen += mode.dmBitsPerPel == 16;
        thirtyTwo += mode.dmBitsPerPel == 32;
        ++count;
        ASSERT_LT(count, 100);
    }
    EXPECT_EQ(eight, 1);
    EXPECT_GE(sixteen, 2);
    EXPECT_GE(thirtyTwo, 2);
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, static_cast<DWORD>(count), &mode));
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 0, nullptr));
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmBitsPerPel, 32u);
    EXPECT_EQ(static_cast<int>(mode.dmPelsWidth), GetSystemMetrics(SM_CXSCREEN));
}

TEST(DisplaySettings, ChangeToListedModeRecordsItAndTellsWindows) {
    ASSERT_TRUE(KnobDisplayModes("640x480x16@60,800x600x32@75"));
    EXPECT_FALSE(KnobDisplayModes("640x480"));
    EXPECT_FALSE(KnobDisplayModes("640x480x15"));
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    PumpAll();
    const int desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    Clear();
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
    mode.dmPelsWidth = 800;
    mode.dmPelsHeight = 600;
    mode.dmBitsPerPel = 32;
    mode.dmDisplayFrequency = 60;  // the display only offers 75 Hz
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    mode.dmFields &= ~static_cast<DWORD>(DM_DISPLAYFREQUENCY);
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktopWidth);  // a test changes nothing
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    auto changes = Only({WM_DISPLAYCHANGE});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].wParam, 32u);
    EXPECT_EQ(changes[0].lParam, MAKELPARAM(800, 600));
    DEVMODEA now{};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &now));
    EXPECT_EQ(now.dmDisplayFrequency, 75u);

    mode.dmPelsWidth = 1000;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, 0x80), DISP_CHANGE_BADFLAGS);
    mode.dmSize = 20;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, 0), DISP_CHANGE_BADPARAM);

    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktopWidth);
    DestroyWindow(w);
}

TEST(DisplaySettings, FullScreenPopupShowsItsPictureScaledWithMouseMappedBack) {
    ASSERT_TRUE(KnobDisplayModes("320x240x32"));
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    mode.dmPelsWidth = 320;
    mode.dmPelsHeight = 240;
    mode.dmBitsPerPel = 32;
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    HWND w = CreateWindowExA(WS_EX_TOPMOST, RecordingClass(), "", WS_POPUP | WS_VISIBLE, 0, 0, 320,
                             240, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);  // the window now covers the screen
    PumpAll();
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    // The desktop is larger: SDL positions map back to client pixels.
    SDL_DisplayMode desktop;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    Clear();
    KnobWindowMouseMove(w, desktop.w / 2, desktop.h / 2);
    PumpAll();
    auto moves = Only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_NEAR(GET_X_LPARAM(moves[0].lParam), 160, 1);
    EXPECT_NEAR(GET_Y_LPARAM(moves[0].lParam), 120, 1);
    ChangeDisplaySettingsA(nullptr, 0);
    DestroyWindow(w);
}

TEST(Metrics, FramesScreenAndParameters) {
    // The frame and caption sizes are checked through AdjustWindowRectEx.
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(9999), 0);
    DWORD timeout = 0;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0));
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE));
    DWORD now = 1;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &now, 0);
    EXPECT_EQ(now, 0u);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0));
    BOOL active = TRUE;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0));
    EXPECT_FALSE(active);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
    EXPECT_FALSE(SystemParametersInfoA(0x9999, 0, nullptr, 0));
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0));
}

TEST(Cursor, ShowCountsClipConfinesAndNullFrees) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_EQ(SetCursor(nullptr), arrow);

    HWND w = MakeWindow(100, 100);
    ASSERT_NE(w, nullptr);
    PumpAll();
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    RECT clip{origin.x + 10, origin.y + 10, origin.x + 20, origin.y + 20};
    ASSERT_TRUE(ClipCursor(&clip));
    KnobWindowMouseMove(w, 50, 5);
    Clear();
    PumpAll();
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, origin.x + 19);
    EXPECT_EQ(p.y, origin.y + 10);
    auto moves = Only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].lParam, MAKELPARAM(19, 10));
    RECT got;
    ASSERT_TRUE(GetClipCursor(&got));
    EXPECT_EQ(got.left, clip.left);
    ASSERT_TRUE(ClipCursor(nullptr));
    KnobWindowMouseMove(w, 50, 5);
    PumpAll();
    GetCursorPos(&p);
    EXPECT_EQ(p.x, origin.x + 50);
    EXPECT_EQ(p.y, origin.y + 5);
    RECT reversed{10, 10, 0, 0};
    EXPECT_FALSE(ClipCursor(&reversed));
    EXPECT_FALSE(GetCursorPos(nullptr));
    DestroyWindow(w);
}

TEST(Clipboard, CodePage932TextRoundTripsThroughSdlAsUtf8) {
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);  // not open
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
    ASSERT_TRUE(OpenClipboard(w));
    ASSERT_TRUE(EmptyClipboard());
    const char text[] = "abc\x83\x65\x83\x58\x83\x67";  // "abcテスト"
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    std::memcpy(GlobalLock(block), text, sizeof text);
    GlobalUnlock(block);
    EXPECT_NE(SetClipboardData(CF_TEXT, block), nullptr);
    EXPECT_EQ(SetClipboardData(2, block), nullptr);  // only CF_TEXT
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());

    char* utf8 = SDL_GetClipboardText();
    EXPECT_STREQ(utf8, "abc\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88");
    SDL_free(utf8);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(2));

    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), text);
    GlobalUnlock(data);
    CloseClipboard();

    // Another thread cannot open it while it is held.
    ASSERT_TRUE(OpenClipboard(nullptr));
    std::thread other([] { EXPECT_FALSE(OpenClipboard(nullptr)); });
    other.join();
    CloseClipboard();
    DestroyWindow(w);
}

TEST(MessageWaits, MsgWaitEndsForAMessageOrTimesOutOnTheClock) {
    KnobSetVirtualClock(true);
    DWORD start = timeGetTime();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_GE(timeGetTime() - start, 40u);
    PostMessageA(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 10, QS_ALLINPUT), WAIT_TIMEOUT);
    CloseHandle(event);
}
