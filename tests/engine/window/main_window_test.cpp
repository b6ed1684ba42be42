// The engine opens a real window through the platform layer (SDL dummy
// driver), with the class, caption, size and styles it asks for, and leaves
// nothing behind when it ends or fails.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <windows.h>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/text_literals.h"
#include "test_knobs.h"
#include "support/test_support.h"
#include "window/main_window.h"
#include "window_fakes.h"

using namespace DuRud;
using windowtest::StartWindowedEngine;

namespace {

// The client area's width and height.
std::pair<int, int> ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

std::string Log() {
    return testsupport::ReadFile("Log.txt");
}

// True when the lines appear in the log in this order.
::testing::AssertionResult InOrder(const std::string& log,
                                   std::initializer_list<const char*> lines) {
    size_t at = 0;
    for (const char* line : lines) {
        const size_t found = log.find(Cp932Text(line), at);
        if (found == std::string::npos) {
            return ::testing::AssertionFailure() << "missing or out of order: " << line;
        }
        at = found;
    }
    return ::testing::AssertionSuccess();
}

TEST(MainWindowTest, StartUpOpensTheDefaultWindowAndShutdownRemovesIt) {
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(IsWindowVisible(window));
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    EXPECT_STREQ("DuRud", caption);
    EXPECT_STREQ("Z123987O", GetWindowClassName());
    EXPECT_EQ(window, FindWindowA("Z123987O", nullptr));
    EXPECT_EQ(ClientSize(window), std::pair(640, 480));
    EXPECT_EQ(1, GetWindowActiveFlag()) << "the window must have focus, or the pump parks";
    EXPECT_GT(AsyncLiveWorkerThreads(), 0);
    EXPECT_TRUE(InOrder(
        Log(), {"メモリ総量:", "タイマーの精度を検査します", "精度結果 更新回数",
                "ソフトの二重起動検査... ", "二重起動はされていませんでした",
                "ウインドウクラスを登録します... ", "登録に成功しました",
                "ウインドウモード起動用のウインドウを作成します", "ウインドウの作成に成功しました",
                "ウインドウを表示します", "ＩＭＥを無効にしました"}));
    EXPECT_FALSE(SDL_IsTextInputActive()) << "the IME is really off, not only logged";

    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(nullptr, FindWindowA("Z123987O", nullptr));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
    WNDCLASSA again{};
    again.lpfnWndProc = DefWindowProcA;
    again.hInstance = static_cast<HINSTANCE>(GetWindowInstanceHandle());
    again.lpszClassName = "Z123987O";
    EXPECT_NE(0, RegisterClassA(&again)) << "class still registered";
    UnregisterClassA("Z123987O", again.hInstance);

    // A second start and stop in the same process.
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_NE(nullptr, FindWindowA("Z123987O", nullptr));
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(nullptr, FindWindowA("Z123987O", nullptr));
}

TEST(MainWindowTest, ScaleAndExplicitClientSizeSetTheClientArea) {
    SetWindowScale(2.0, 0);
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_EQ(ClientSize(static_cast<HWND>(GetMainWindowHandle())), std::pair(1280, 960));
    ShutdownEngineLocked();

    // On a live window the new scale applies at once.
    ASSERT_EQ(0, StartWindowedEngine());
    SetWindowScale(1.5, 0);
    EXPECT_EQ(ClientSize(static_cast<HWND>(GetMainWindowHandle())), std::pair(960, 720));
    ShutdownEngineLocked();

    SetWindowScale(1.0, 1.0);
    ASSERT_EQ(0, SetWindowClientSize(800, 600));
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_EQ(ClientSize(static_cast<HWND>(GetMainWindowHandle())), std::pair(800, 600));
    double x = 0, y = 0;
    GetWindowScale(&x, &y);
    EXPECT_DOUBLE_EQ(1.25, x);
    EXPECT_DOUBLE_EQ(1.25, y);
    ShutdownEngineLocked();
    EXPECT_EQ(-1, SetWindowClientSize(0, 600));
}

TEST(MainWindowTest, CaptionIsFoundAndLongOnesAreCutOnACharacterBoundary) {
    SetMainWindowText("Game");
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    EXPECT_EQ(window, FindWindowA("Game", nullptr));
    // 127 double-byte characters and one more lead byte cut short: 254 bytes kept.
    std::string text;
    for (int i = 0; i < 200; ++i) text += "\x82\xA0";
    SetMainWindowText(text.c_str());
    char caption[300] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    EXPECT_EQ(std::string(caption), text.substr(0, 254));
    ShutdownEngineLocked();
}

struct StyleCase {
    int index;
    DWORD style;
    DWORD exStyle;
};

class WindowStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(WindowStyleTest, StyleIndexGivesTheTableStyles) {
    const StyleCase c = GetParam();
    ASSERT_EQ(0, SetWindowStyleIndex(c.index));
    SetWindowModeChangeAllowed(1);
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD wanted = c.style | WS_MAXIMIZEBOX;  // mode change allowed adds it
    EXPECT_EQ(wanted, style & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE)) << std::hex << style;
    EXPECT_EQ(c.exStyle, static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    ShutdownEngineLocked();
}

constexpr DWORD kCaptioned = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kEdges = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
INSTANTIATE_TEST_SUITE_P(
    AllIndices, WindowStyleTest,
    ::testing::Values(StyleCase{0, kCaptioned, kEdges}, StyleCase{1, WS_POPUP | WS_SYSMENU, kEdges},
                      StyleCase{2, WS_POPUP | WS_SYSMENU, 0},
                      StyleCase{3, kCaptioned, WS_EX_TOOLWINDOW},
                      StyleCase{4, WS_POPUP | WS_SYSMENU, WS_EX_TOOLWINDOW},
                      StyleCase{5, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_WINDOWEDGE},
                      StyleCase{6, kCaptioned, kEdges},
                      StyleCase{7, kCaptioned | WS_MAXIMIZEBOX, kEdges},
                      StyleCase{8, kCaptioned | WS_MAXIMIZEBOX, kEdges},
                      StyleCase{9, kCaptioned, WS_EX_WINDOWEDGE},
                      StyleCase{10, kCaptioned | WS_MAXIMIZEBOX, WS_EX_WINDOWEDGE}),
    [](const ::testing::TestParamInfo<StyleCase>& info) {
        return "Index" + std::to_string(info.param.index);
    });

TEST(MainWindowTest, OutOfRangeStyleIndexIsRefused) {
    EXPECT_EQ(-1, SetWindowStyleIndex(11));
    EXPECT_EQ(-1, SetWindowStyleIndex(-1));
}

TEST(MainWindowTest, RefusedWindowFailsStartUpAndLeavesNothingRunning) {
    KnobRefuseCreateWindow(true);
    EXPECT_EQ(-1, StartWindowedEngine());
    EXPECT_EQ(1, GetWindowQuitFlag());
    EXPECT_EQ(1, GetEndRequestFlag());
    EXPECT_TRUE(InOrder(Log(), {"ウインドウの作成に失敗しました"}));
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
    EXPECT_EQ(0, AsyncLoadIsInitialised());
    EXPECT_EQ(nullptr, GetMainWindowHandle());
}

TEST(MainWindowTest, FullScreenScaleIsAlwaysOne) {
    SetWindowScale(3.0, 2.0);
    SetWindowModeFlag(0);
    double x = 0, y = 0;
    EXPECT_DOUBLE_EQ(1.0, GetWindowScale(&x, &y));
    EXPECT_DOUBLE_EQ(1.0, y);
    SetWindowModeFlag(1);
    EXPECT_DOUBLE_EQ(3.0, GetWindowScale(&x, &y));
    EXPECT_DOUBLE_EQ(2.0, y);
    SetWindowScale(-2.0, -1.0);
    GetWindowScale(&x, &y);
    EXPECT_DOUBLE_EQ(1.0, x);
    EXPECT_DOUBLE_EQ(1.0, y);
}

TEST(MainWindowTest, FullScreenNeedsAListedMode) {
    windowtest::RecordingWindowCalls calls;
    KnobDisplayModes("1024x768x32");  // nothing at the unset 640 x 480 x 16
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    EXPECT_EQ(-1, ChangeWindowMode(FALSE)) << "no display mode listed";
    EXPECT_EQ(1, GetWindowModeFlag());
    {
        windowtest::DisplayModeCalls modes({{640, 480, 32, 60}});
        calls.Take();
        EXPECT_EQ(0, ChangeWindowMode(FALSE));
        EXPECT_EQ(0, GetWindowModeFlag());
        EXPECT_EQ(static_cast<DWORD>(WS_POPUP),
                  static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_VISIBLE);
        EXPECT_EQ(static_cast<DWORD>(WS_EX_TOPMOST),
                  static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
        const auto trace = calls.Take();
        EXPECT_EQ(trace.end(), std::find(trace.begin(), trace.end(), "PauseAllSounds(1)"))
            << "the switch must not deactivate the window";
        EXPECT_NE(trace.end(),
                  std::find(trace.begin(), trace.end(), "ChangeScreenMode(-1,-1,-1,1,-1)"));
        ChangeWindowMode(TRUE);
    }
    ShutdownEngineLocked();
}

TEST(MainWindowTest, FullScreen320x240RunsAsA640x480Window) {
    windowtest::DisplayModeCalls screen({{320, 240, 16, 60}});
    screen.drawWidth = 320;
    screen.drawHeight = 240;
    SetEngineSkipFlags(0, 1, 1, 1);
    ChangeWindowMode(FALSE);
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(0, GetWindowModeFlag());
    EXPECT_EQ(1, screen.autoEmulate320x240);
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP),
              static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_VISIBLE);
    EXPECT_EQ(ClientSize(window), std::pair(640, 480));
    ShutdownEngineLocked();
}

TEST(MainWindowTest, SwitchTo320x240FullScreenSizesTheWindowFor640x480) {
    windowtest::RecordingWindowCalls calls;
    windowtest::DisplayModeCalls screen({});
    screen.drawWidth = 320;
    screen.drawHeight = 240;
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    EXPECT_EQ(ClientSize(window), std::pair(320, 240));
    // No listed mode, but hardware rendering shows 320 x 240 at double size.
    EXPECT_EQ(0, ChangeWindowMode(FALSE));
    EXPECT_EQ(1, screen.autoEmulate320x240);
    EXPECT_EQ(640, screen.storedWidth);
    EXPECT_EQ(480, screen.storedHeight);
    EXPECT_EQ(ClientSize(window), std::pair(640, 480));
    EXPECT_TRUE(IsWindowVisible(window)) << "a style change must not hide the window";
    ShutdownEngineLocked();
}

TEST(MainWindowTest, StyleChangesKeepTheWindowShown) {
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    ASSERT_TRUE(IsWindowVisible(window));
    for (int index : {2, 5, 0}) {
        ASSERT_EQ(0, SetWindowStyleIndex(index));
        EXPECT_TRUE(IsWindowVisible(window)) << "style index " << index;
    }
    ShutdownEngineLocked();
}

// The logged total of physical memory, as "%.2f" megabytes.
std::string MemoryTotalText() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return "?";
    char text[64];
    FormatString(text, sizeof(text), "%.2fMB", status.ullTotalPhys / 1048576.0);
    return Cp932Text("メモリ総量:") + std::string(text);
}

TEST(MainWindowTest, MemoryIsMeasuredThroughTheLookedUpCallOrItsFallBack) {
    for (bool hidden : {false, true}) {
        KnobHideExport("kernel32.dll", "GlobalMemoryStatusEx", hidden);
        ASSERT_EQ(0, StartWindowedEngine());
        EXPECT_NE(std::string::npos, Log().find(MemoryTotalText())) << hidden;
        ShutdownEngineLocked();
    }
    KnobHideExport("kernel32.dll", "GlobalMemoryStatusEx", false);
}

TEST(MainWindowTest, SizingKeepsTheAspectAndAMinimum) {
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    // Drag the right edge to a client width of 800: the height follows (600).
    RECT r = {100, 100, 100 + 800 + fw, 100 + 100 + fh};
    SendMessageA(window, WM_SIZING, 2 /* right */, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(800, r.right - r.left - fw);
    EXPECT_EQ(600, r.bottom - r.top - fh);
    double x = 0, y = 0;
    GetWindowScale(&x, &y);
    EXPECT_DOUBLE_EQ(1.25, x);
    // Too small: the smaller side keeps 128 pixels.
    r = {100, 100, 100 + 20 + fw, 100 + 20 + fh};
    SendMessageA(window, WM_SIZING, 6 /* bottom */, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(170, r.right - r.left - fw);
    EXPECT_EQ(128, r.bottom - r.top - fh);
    ShutdownEngineLocked();
}

}  // namespace
