// Timers on the layer's clock (virtual here, so counts are exact) and the
// making of WM_PAINT from the invalid area.
#include <gtest/gtest.h>

#include "test_knobs.h"
#include "support/window_test_support.h"

using namespace windowtest;
using Timers = WindowTest;

namespace {
int procCalls = 0;
UINT_PTR procId = 0;
void CALLBACK OnTimer(HWND, UINT message, UINT_PTR id, DWORD) {
    EXPECT_EQ(message, static_cast<UINT>(WM_TIMER));
    ++procCalls;
    procId = id;
}

int CountTimerMessages(UINT_PTR id) {
    MSG msg;
    int n = 0;
    while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) n += msg.wParam == id;
    return n;
}
}  // namespace

TEST_F(Timers, ThirtyTwoMillisecondTimerFiresThirtyOneTimesInOneSecond) {
    KnobSetVirtualClock(true);
    const DWORD start = timeGetTime();
    ASSERT_EQ(SetTimer(w, 7, 32, nullptr), 7u);
    int fired = 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != WM_TIMER) {
            DispatchMessageA(&msg);
            continue;
        }
        if (msg.time - start > 1000) break;
        EXPECT_EQ(msg.time - start, static_cast<DWORD>(32 * (fired + 1)));
        ++fired;
    }
    EXPECT_EQ(fired, 31);
    EXPECT_TRUE(KillTimer(w, 7));
}

TEST_F(Timers, TimerProcIsCalledByDispatchInsteadOfTheWindowProcedure) {
    KnobSetVirtualClock(true);
    ASSERT_EQ(SetTimer(w, 0x7FFF, 32, OnTimer), 0x7FFFu);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, w, WM_TIMER, WM_TIMER), TRUE);
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(&OnTimer));
    DispatchMessageA(&msg);
    EXPECT_EQ(procCalls, 1);
    EXPECT_EQ(procId, 0x7FFFu);
    EXPECT_TRUE(Only({WM_TIMER}).empty());
    KillTimer(w, 0x7FFF);
    // After the timer is gone (or for a posted look-alike) nothing is called.
    DispatchMessageA(&msg);
    MSG fake{w, WM_TIMER, 1, reinterpret_cast<LPARAM>(&OnTimer), 0, {}};
    DispatchMessageA(&fake);
    EXPECT_EQ(procCalls, 1);
}

TEST_F(Timers, ReArmReplacesKillStopsAndLatePeriodsCoalesce) {
    KnobSetVirtualClock(true);
    SetTimer(w, 1, 100, nullptr);
    SetTimer(w, 1, 500, nullptr);  // same id: replaces
    Sleep(200);
    EXPECT_EQ(CountTimerMessages(1), 0);
    Sleep(300);
    EXPECT_EQ(CountTimerMessages(1), 1);

    SetTimer(w, 2, 10, nullptr);
    Sleep(95);  // nine periods late: one message
    EXPECT_EQ(CountTimerMessages(2), 1);
    EXPECT_EQ(CountTimerMessages(2), 0);  // next one a full period later
    Sleep(10);
    EXPECT_EQ(CountTimerMessages(2), 1);

    EXPECT_TRUE(KillTimer(w, 2));
    Sleep(50);
    EXPECT_EQ(CountTimerMessages(2), 0);
    EXPECT_FALSE(KillTimer(w, 2));
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x999), 1, 10, nullptr), 0u);

    // A thread timer gets an id of its own.
    UINT_PTR id = SetTimer(nullptr, 0, 20, nullptr);
    EXPECT_NE(id, 0u);
    Sleep(20);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(msg.wParam, id);
    EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST_F(Timers, GetMessageWaitsForTheTimerAndTimersComeAfterPosts) {
    KnobSetVirtualClock(true);
    SetTimer(w, 3, 50, nullptr);
    Sleep(60);
    PostMessageA(w, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    KillTimer(w, 3);
}

TEST(Paint, PaintOnlyWhileInvalidAndAfterPostedMessages) {
    HWND w = MakeWindow(100, 50);
    ASSERT_NE(w, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    // Default handling validated the first paint: nothing more.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));

    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, FALSE);
    PostMessageA(w, WM_USER, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    // Not validated yet: it stays.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ps.rcPaint.left, 10);
    EXPECT_EQ(ps.rcPaint.top, 5);
    EXPECT_EQ(ps.rcPaint.right, 40);
    EXPECT_EQ(ps.rcPaint.bottom, 20);
    EndPaint(w, &ps);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    RECT outside{200, 200, 300, 300};
    InvalidateRect(w, &outside, FALSE);  // clipped away: nothing to paint
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    InvalidateRect(w, nullptr, FALSE);
    RECT top{0, 0, 100, 20};
    ValidateRect(w, &top);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(w, &update, FALSE));
    EXPECT_EQ(update.top, 20);
    EXPECT_EQ(update.bottom, 50);
    ValidateRect(w, nullptr);
    EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));

    ShowWindow(w, SW_HIDE);
    InvalidateRect(w, nullptr, FALSE);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));  // hidden
    DestroyWindow(w);
}

TEST(Paint, ExposureInvalidatesAndEraseUsesTheClassBrush) {
    HWND w = MakeWindow(4, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    PumpAll();
    Clear();
    KnobWindowEvent(w, KnobWindowEventKind::Expose);
    PumpAll();
    EXPECT_EQ(Only({WM_PAINT}).size(), 1u);
    EXPECT_EQ(Only({WM_ERASEBKGND}).size(), 1u);
    DestroyWindow(w);
}
