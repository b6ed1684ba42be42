// Reading DIB sections back, filling rectangles, erasing with the class brush,
// and the thread and focus queries.
#include <gtest/gtest.h>

#include <cstring>
#include <atomic>
#include <thread>

#include <unistd.h>

#include "test_knobs.h"
#include "support/window_test_support.h"
#include "support/test_support.h"

using namespace windowtest;

TEST(GdiReadBack, GetDIBitsConvertsRowsInTheRequestedOrder) {
    HDC dc = CreateCompatibleDC(nullptr);
    DibInfo info = MakeInfo(2, -2, 32);  // top-down 32-bit section
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const uint32_t pixels[4] = {0x010203, 0x040506, 0x0A0B0C, 0x0D0E0F};
    std::memcpy(bits, pixels, sizeof pixels);

    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, nullptr, &query, DIB_RGB_COLORS), 2);
    EXPECT_EQ(query.bmiHeader.biWidth, 2);
    EXPECT_EQ(query.bmiHeader.biHeight, -2);
    EXPECT_EQ(query.bmiHeader.biBitCount, 32);

    // As a bottom-up 24-bit DIB: scan line 0 is the bottom row.
    DibInfo want = MakeInfo(2, 2, 24);
    uint8_t out[16] = {};
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, out, want.get(), DIB_RGB_COLORS), 2);
    const uint8_t expected[16] = {0x0C, 0x0B, 0x0A, 0x0F, 0x0E, 0x0D, 0, 0,
                                  0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0, 0};
    EXPECT_EQ(std::memcmp(out, expected, sizeof out), 0);
    want.header.biWidth = 3;  // a different size is refused
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, out, want.get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(dc, reinterpret_cast<HBITMAP>(0x99), 0, 2, out, want.get(), DIB_RGB_COLORS),
              0);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(GdiFill, FillRectOnSectionAndWindowClippedWithSystemColours) {
    HDC dc = CreateCompatibleDC(nullptr);
    DibInfo info = MakeInfo(3, 2, 32);  // bottom-up
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(RGB(0x10, 0x20, 0x30));
    RECT r{1, 0, 9, 1};  // the top row from x = 1, clipped at the right
    EXPECT_EQ(FillRect(dc, &r, brush), 1);
    const auto* p = static_cast<const uint32_t*>(bits);
    EXPECT_EQ(p[3 + 1], 0x102030u);  // top row is stored second
    EXPECT_EQ(p[3 + 2], 0x102030u);
    EXPECT_EQ(p[3 + 0], 0u);
    EXPECT_EQ(p[1], 0u);
    RECT all{0, 0, 3, 2};
    EXPECT_EQ(FillRect(dc, &all, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)), 1);
    EXPECT_EQ(p[0], 0xFFFFFFu);
    EXPECT_EQ(FillRect(dc, &all, reinterpret_cast<HBRUSH>(0x12345)), 0);
    EXPECT_EQ(FillRect(dc, nullptr, brush), 0);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

namespace {
LRESULT CALLBACK Plain(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST(GdiFill, EraseFillsWithTheClassBrush) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Plain;
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 255));
    wc.lpszClassName = "BlueBackground";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "BlueBackground", "", WS_POPUP | WS_VISIBLE, 0, 0, 3, 2, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    PumpAll();  // WM_PAINT -> BeginPaint -> WM_ERASEBKGND
    EXPECT_EQ(Capture(w), std::vector<uint32_t>(6, 0x0000FF));
    DestroyWindow(w);
    UnregisterClassA("BlueBackground", nullptr);
    DeleteObject(wc.hbrBackground);
}

TEST(FocusThreads, ThreadsForegroundAndAttachedInput) {
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    ASSERT_TRUE(a && b);
    PumpAll();
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(a, &pid);
    EXPECT_EQ(tid, GetCurrentThreadId());
    EXPECT_EQ(pid, static_cast<DWORD>(getpid()));
    EXPECT_EQ(GetWindowThreadProcessId(reinterpret_cast<HWND>(0x31), nullptr), 0u);
    EXPECT_EQ(GetForegroundWindow(), b);  // shown last
    Clear();
    EXPECT_TRUE(SetForegroundWindow(a));
    EXPECT_EQ(GetForegroundWindow(), a);
    auto act = Only({WM_ACTIVATE});
    ASSERT_EQ(act.size(), 2u);
    EXPECT_EQ(act[0].window, b);
    EXPECT_EQ(LOWORD(act[0].wParam), WA_INACTIVE);
    EXPECT_EQ(act[1].window, a);
    EXPECT_TRUE(Only({WM_ACTIVATEAPP}).empty());  // the application stayed active
    EXPECT_EQ(SetActiveWindow(b), a);
    EXPECT_EQ(GetFocus(), b);

    DWORD workerId = 0;
    std::atomic<bool> stop{false}, ready{false};
    std::thread worker([&] {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes its queue
        workerId = GetCurrentThreadId();
        ready = true;
        testsupport::WaitUntil([&] { return stop.load(); }, testsupport::kWaitLimit,
                               "the main thread done with the worker's queue",
                               testsupport::PollStep::kYield);
    });
    testsupport::WaitUntil([&] { return ready.load(); }, testsupport::kWaitLimit,
                           "the worker's queue made", testsupport::PollStep::kYield);
    EXPECT_TRUE(AttachThreadInput(workerId, tid, TRUE));
    EXPECT_TRUE(AttachThreadInput(workerId, tid, FALSE));
    EXPECT_FALSE(AttachThreadInput(tid, tid, TRUE));
    EXPECT_FALSE(AttachThreadInput(0xFFFFFF, tid, TRUE));
    stop = true;
    worker.join();
    DestroyWindow(a);
    DestroyWindow(b);
}
