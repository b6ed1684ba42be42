// Window classes and windows: creation geometry, creation and destruction
// messages, refusals and bad handles.
#include <gtest/gtest.h>

#include "support/win_values.h"
#include "test_knobs.h"
#include "support/window_test_support.h"
#include "support/error_checks.h"

using namespace windowtest;

namespace {

LRESULT CALLBACK Plain(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

WNDCLASSA PlainClass(const char* name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Plain;
    wc.lpszClassName = name;
    return wc;
}

}  // namespace

TEST(WindowClasses, RegisterTwiceUnregisterAndRefuse) {
    WNDCLASSA wc = PlainClass("TwiceClass");
    EXPECT_NE(RegisterClassA(&wc), 0);
    WNDCLASSA upper = PlainClass("TWICECLASS");
    EXPECT_EQ(RegisterClassA(&upper), 0);  // names match without regard to case
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_TRUE(UnregisterClassA("twiceclass", nullptr));
    EXPECT_ERROR(UnregisterClassA("twiceclass", nullptr), FALSE, ERROR_CLASS_DOES_NOT_EXIST);

    EXPECT_EQ(RegisterClassA(nullptr), 0);
    WNDCLASSA noProc = PlainClass("NoProc");
    noProc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassA(&noProc), 0);

    KnobRefuseRegisterClass(true);
    WNDCLASSA refused = PlainClass("Refused");
    EXPECT_EQ(RegisterClassA(&refused), 0);
    KnobRefuseRegisterClass(false);
    EXPECT_NE(RegisterClassA(&refused), 0);
}

TEST(WindowClasses, ClassWithWindowsCannotBeUnregistered) {
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_ERROR(UnregisterClassA(RecordingClass(), nullptr), FALSE, ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA(RecordingClass(), nullptr));
}

TEST(WindowClasses, StockIconsAndCursorsOnlyWithoutInstance) {
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    HINSTANCE module = reinterpret_cast<HINSTANCE>(0x400000);
    EXPECT_ERROR(LoadIconA(module, MAKEINTRESOURCEA(0x7F00)), nullptr,
                 ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(LoadCursorA(nullptr, "NoSuchCursor"), nullptr);
}

TEST(Windows, ClientIsWindowLessFrame) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD ex = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
    RECT frame{0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRectEx(&frame, style, FALSE, ex));
    // Caption 23, dialog frame 3, client edge 2.
    EXPECT_EQ(frame, (RECT{-5, -28, 645, 485}));

    HWND w =
        CreateWindowExA(ex, RecordingClass(), "geometry", style, 100, 50, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    RECT client, outer;
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client, (RECT{0, 0, 640, 480}));
    ASSERT_TRUE(GetWindowRect(w, &outer));
    EXPECT_EQ(outer, (RECT{100, 50, 750, 563}));
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(w, &origin));
    EXPECT_EQ(origin, (POINT{105, 78}));
    ASSERT_TRUE(ScreenToClient(w, &origin));
    EXPECT_EQ(origin, (POINT{0, 0}));

    // The thick frame is 4 wide; a tool window has the small caption.
    RECT thick{0, 0, 10, 10};
    AdjustWindowRectEx(&thick, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_TOOLWINDOW);
    EXPECT_EQ(thick, (RECT{-4, -21, 14, 14}));
    DestroyWindow(w);
}

TEST(Windows, CreateSendsCreateBeforeReturningAndDestroySendsDestroy) {
    Clear();
    HWND w = MakeWindow(200, 100, WS_OVERLAPPEDWINDOW, 0, false);
    ASSERT_NE(w, nullptr);
    auto created = Only({WM_NCCREATE, WM_CREATE});
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(created[1].message, static_cast<UINT>(WM_CREATE));
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(FindWindowA(RecordingClass(), nullptr), w);
    EXPECT_EQ(FindWindowA("recordingwindow", "test"), w);
    EXPECT_EQ(FindWindowA(RecordingClass(), "other title"), nullptr);

    Clear();
    ASSERT_TRUE(DestroyWindow(w));
    auto destroyed = Only({WM_DESTROY, WM_NCDESTROY});
    ASSERT_EQ(destroyed.size(), 2u);
    EXPECT_EQ(destroyed[0].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(FindWindowA(RecordingClass(), nullptr), nullptr);
    EXPECT_ERROR(DestroyWindow(w), FALSE, ERROR_INVALID_WINDOW_HANDLE);
}

namespace {
LRESULT CALLBACK RefuseCreate(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CREATE) return -1;
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST(Windows, RefusedCreationLeavesNoWindow) {
    WNDCLASSA wc = PlainClass("RefusesCreate");
    wc.lpfnWndProc = RefuseCreate;
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(CreateWindowExA(0, "RefusesCreate", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(FindWindowA("RefusesCreate", nullptr), nullptr);
    EXPECT_TRUE(UnregisterClassA("RefusesCreate", nullptr));

    EXPECT_ERROR(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr),
                 nullptr, ERROR_CANNOT_FIND_WND_CLASS);

    KnobRefuseCreateWindow(true);
    EXPECT_EQ(MakeWindow(), nullptr);
    KnobRefuseCreateWindow(false);
    HWND w = MakeWindow();
    EXPECT_NE(w, nullptr);
    DestroyWindow(w);
}

TEST(Windows, BadHandlesFailCleanly) {
    HWND bogus = reinterpret_cast<HWND>(0x12345678);
    RECT r;
    EXPECT_FALSE(IsWindow(bogus));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(GetClientRect(bogus, &r));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_FALSE(SetWindowTextA(bogus, "x"));
    EXPECT_EQ(GetWindowLongA(bogus, GWL_STYLE), 0);
    EXPECT_ERROR(PostMessageA(bogus, WM_USER, 0, 0), FALSE, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessageA(bogus, WM_USER, 0, 0), 0);
    EXPECT_FALSE(SetWindowPos(bogus, nullptr, 0, 0, 1, 1, 0));
    EXPECT_EQ(GetDC(bogus), nullptr);
    EXPECT_FALSE(AdjustWindowRectEx(nullptr, 0, FALSE, 0));
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, bogus, 0, 0), -1);
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

TEST(Windows, TextStylesAndLongs) {
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    // Code page 932 caption: "テスト".
    const char caption[] = "\x83\x65\x83\x58\x83\x67";
    ASSERT_TRUE(SetWindowTextA(w, caption));
    char buffer[16];
    EXPECT_EQ(GetWindowTextA(w, buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, caption);
    EXPECT_EQ(GetWindowTextA(w, buffer, 3), 2);  // truncated, terminated

    LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    SetWindowLongA(w, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE), static_cast<LONG>(WS_POPUP | WS_VISIBLE));
    SetWindowLongA(w, GWL_EXSTYLE, WS_EX_TOPMOST);
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE), WS_EX_TOPMOST);

    EXPECT_EQ(SetWindowLongPtrA(w, GWLP_USERDATA, 0x1234567890LL), 0);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 0x1234567890LL);
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC));
    ASSERT_NE(proc, nullptr);
    Clear();
    EXPECT_EQ(CallWindowProcA(proc, w, WM_USER + 5, 1, 2), 0);
    ASSERT_EQ(Only({WM_USER + 5}).size(), 1u);
    DestroyWindow(w);
}

TEST(Windows, StyleChangeLeavesVisibilityAlone) {
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(IsWindowVisible(w));
    PumpAll();
    Clear();
    // A new style without WS_VISIBLE changes the bits, not whether it shows.
    SetWindowLongA(w, GWL_STYLE, WS_POPUP | WS_CAPTION);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE), static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_VISIBLE));
    PumpAll();
    EXPECT_TRUE(Only({WM_SHOWWINDOW}).empty());

    // Nor does WS_VISIBLE show a hidden window: only ShowWindow does.
    ShowWindow(w, SW_HIDE);
    ASSERT_FALSE(IsWindowVisible(w));
    SetWindowLongA(w, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE), static_cast<LONG>(WS_POPUP));
    ShowWindow(w, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(w));
    DestroyWindow(w);
}

TEST(Windows, SetWindowPosMovesAndSizesWithMessages) {
    HWND w = MakeWindow(200, 100);
    ASSERT_NE(w, nullptr);
    PumpAll();
    Clear();
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    ASSERT_TRUE(SetWindowPos(w, nullptr, 10, 20, 300 + frame.right - frame.left,
                             150 + frame.bottom - frame.top, SWP_NOZORDER));
    auto moves = Only({WM_MOVE, WM_SIZE});
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].message, static_cast<UINT>(WM_MOVE));
    EXPECT_EQ(moves[0].lParam, MAKELPARAM(10 - frame.left, 20 - frame.top));
    EXPECT_EQ(moves[1].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(moves[1].lParam, MAKELPARAM(300, 150));
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client, (RECT{0, 0, 300, 150}));
    Clear();
    ASSERT_TRUE(MoveWindow(w, 10, 20, 300 + frame.right - frame.left,
                           150 + frame.bottom - frame.top, TRUE));
    EXPECT_TRUE(Only({WM_MOVE, WM_SIZE}).empty());  // nothing changed
    DestroyWindow(w);
}

TEST(Windows, HostileSizesAreCutNotAllocated) {
    HWND w = CreateWindowExA(0, RecordingClass(), "", WS_POPUP, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF,
                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client, (RECT{0, 0, 8192, 8192}));
    ASSERT_TRUE(SetWindowPos(w, nullptr, 0, 0, -50, -50, SWP_NOZORDER));
    GetClientRect(w, &client);
    EXPECT_EQ(client, (RECT{0, 0, 0, 0}));
    // Drawing into an empty client does nothing, and does not fail.
    HDC dc = GetDC(w);
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 1);
    ReleaseDC(w, dc);
    DestroyWindow(w);
}
