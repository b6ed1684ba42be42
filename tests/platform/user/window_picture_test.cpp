// The window picture: writes land in the client area, clipped and scaled, and
// the capture reads back what reached the SDL window.
#include <gtest/gtest.h>

#include <thread>

#include "../../../platform/win32/window_picture.h"
#include "test_knobs.h"
#include "support/window_test_support.h"
#include "support/error_checks.h"

using namespace windowtest;
using platform::WindowPictureWrite;

namespace {

// A picture whose every word differs; Frame() is it with garbage top bytes,
// as callers hand it over.
uint32_t Expected(int x, int y, uint32_t seed) {
    return (seed + uint32_t(y * 31 + x) * 0x030507u) & 0xFFFFFFu;
}
std::vector<uint32_t> Frame(int width, int height, uint32_t seed) {
    return Picture(width, height, [&](int x, int y) { return 0x5A000000u | Expected(x, y, seed); });
}
std::vector<uint32_t> Seeded(int width, int height, uint32_t seed) {
    return Picture(width, height, [&](int x, int y) { return Expected(x, y, seed); });
}

}  // namespace

TEST(WindowPicture, ScaledAndClippedWrites) {
    HWND w = MakeWindow(4, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    uint32_t two[2] = {0xFF0000FF, 0x5A00FF00};
    // 2x1 stretched over the whole 4x4 client, the top bytes dropped.
    const uint64_t before = KnobWindowPresentCount(w);
    ASSERT_TRUE(WindowPictureWrite(w, two, 2, 1, 8, nullptr, nullptr));
    EXPECT_EQ(KnobWindowPresentCount(w), before + 1);
    auto halves = [](int x, int) -> uint32_t { return x < 2 ? 0x0000FF : 0x00FF00; };
    int width = 0, height = 0;
    EXPECT_EQ(Capture(w, &width, &height), Picture(4, 4, halves));
    EXPECT_EQ(width * 10 + height, 44);
    // Partly outside the client: only the inside part lands.
    uint32_t white[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    RECT corner{3, 3, 5, 5};
    ASSERT_TRUE(WindowPictureWrite(w, white, 2, 2, 8, nullptr, &corner));
    EXPECT_EQ(Capture(w), Picture(4, 4, [&](int x, int y) {
                  return x == 3 && y == 3 ? 0xFFFFFFu : halves(x, y);
              }));
    // A source rectangle picks part of the picture.
    RECT right{1, 0, 2, 1}, one{0, 0, 1, 1};
    ASSERT_TRUE(WindowPictureWrite(w, two, 2, 1, 8, &right, &one));
    EXPECT_EQ(Capture(w)[0], 0x00FF00u);
    DestroyWindow(w);
}

TEST(WindowPicture, BadArgumentsAreRefused) {
    HWND w = MakeWindow(4, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    uint32_t p[4] = {};
    EXPECT_FALSE(WindowPictureWrite(reinterpret_cast<HWND>(0x777), p, 2, 2, 8, nullptr, nullptr));
    EXPECT_FALSE(WindowPictureWrite(w, nullptr, 2, 2, 8, nullptr, nullptr));
    EXPECT_FALSE(WindowPictureWrite(w, p, 0, 2, 8, nullptr, nullptr));
    EXPECT_FALSE(WindowPictureWrite(w, p, 2, 2, 4, nullptr, nullptr));  // pitch
    RECT outside{1, 1, 3, 3};
    EXPECT_ERROR(WindowPictureWrite(w, p, 2, 2, 8, &outside, nullptr), FALSE,
                 ERROR_INVALID_PARAMETER);
    std::vector<uint32_t> shown;
    EXPECT_FALSE(KnobCaptureWindow(reinterpret_cast<HWND>(0x777), &shown, nullptr, nullptr));
    DestroyWindow(w);
}

TEST(WindowPicture, WholeWritesReachTheWindowAndLaterPartWritesKeepTheRest) {
    HWND w = MakeWindow(5, 3, WS_POPUP);
    ASSERT_NE(w, nullptr);
    // Rows of six words, the last one padding; top bytes are garbage.
    std::vector<uint32_t> frame(6 * 3);
    for (int i = 0; i < 18; ++i) frame[size_t(i)] = 0xA5000000u | uint32_t(i * 0x010203);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(WindowPictureWrite(w, frame.data(), 5, 3, 24, nullptr, nullptr));
        uint32_t dot = 0x00ABCDEF;
        RECT one{2, 1, 3, 2};
        ASSERT_TRUE(WindowPictureWrite(w, &dot, 1, 1, 4, nullptr, &one));
        EXPECT_EQ(Capture(w),
                  Picture(5, 3,
                          [&](int x, int y) {
                              return x == 2 && y == 1
                                         ? 0xABCDEFu
                                         : uint32_t((y * 6 + x) * 0x010203 + round * 0x010101);
                          }))
            << "round " << round;
        for (auto& p : frame) p += 0x00010101u;
    }
    DestroyWindow(w);
}

// After a whole write on the video thread the picture may live only in SDL's
// window surface; everything that needs the words afterwards must see them.
TEST(WindowPictureAfterWholeWrite, AnEditSeesTheWrittenWordsAndKeepsThem) {
    HWND w = MakeWindow(6, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = Frame(6, 4, 0x102030);
    ASSERT_TRUE(WindowPictureWrite(w, frame.data(), 6, 4, 24, nullptr, nullptr));
    std::vector<uint32_t> seen;
    ASSERT_TRUE(platform::WindowPictureEdit(w, [&](uint32_t* pixels, int width, int height) {
        seen.assign(pixels, pixels + size_t(width) * height);
        pixels[0] = 0x00FEDCBA;
    }));
    EXPECT_EQ(seen, Seeded(6, 4, 0x102030));
    seen[0] = 0xFEDCBA;
    EXPECT_EQ(Capture(w), seen);
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWrite, FillRectOnTheWindowDcKeepsTheRest) {
    HWND w = MakeWindow(5, 5, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = Frame(5, 5, 0x0A0B0C);
    ASSERT_TRUE(WindowPictureWrite(w, frame.data(), 5, 5, 20, nullptr, nullptr));
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT box{1, 1, 3, 2};
    EXPECT_EQ(FillRect(dc, &box, red), 1);
    DeleteObject(red);
    ReleaseDC(w, dc);
    EXPECT_EQ(Capture(w), Picture(5, 5, [](int x, int y) {
                  return y == 1 && (x == 1 || x == 2) ? 0xFF0000u : Expected(x, y, 0x0A0B0C);
              }));
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWrite, AResizeKeepsTheOverlapAndClearsTheRest) {
    HWND w = MakeWindow(4, 3, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = Frame(4, 3, 0x445566);
    ASSERT_TRUE(WindowPictureWrite(w, frame.data(), 4, 3, 16, nullptr, nullptr));
    ASSERT_TRUE(SetWindowPos(w, nullptr, 0, 0, 6, 2, SWP_NOMOVE | SWP_NOZORDER));
    PumpAll();
    int width = 0, height = 0;
    EXPECT_EQ(Capture(w, &width, &height),
              Picture(6, 2, [](int x, int y) { return x < 4 ? Expected(x, y, 0x445566) : 0u; }));
    EXPECT_EQ(width, 6);
    EXPECT_EQ(height, 2);
    // And a whole write at the new size lands in full.
    auto next = Frame(6, 2, 0x778899);
    ASSERT_TRUE(WindowPictureWrite(w, next.data(), 6, 2, 24, nullptr, nullptr));
    EXPECT_EQ(Capture(w), Seeded(6, 2, 0x778899));
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWrite, AnEmptyOrOutsideWriteKeepsThePicture) {
    HWND w = MakeWindow(3, 3, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = Frame(3, 3, 0x0F0E0D);
    ASSERT_TRUE(WindowPictureWrite(w, frame.data(), 3, 3, 12, nullptr, nullptr));
    uint32_t dot = 0x00FFFFFF;
    RECT outside{5, 5, 6, 6};
    ASSERT_TRUE(WindowPictureWrite(w, &dot, 1, 1, 4, nullptr, &outside));
    EXPECT_EQ(Capture(w), Seeded(3, 3, 0x0F0E0D));
    DestroyWindow(w);
}

TEST(WindowPictureThreads, AnotherThreadReadsAndWritesPartOfAWholeWrite) {
    HWND w = MakeWindow(4, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = Frame(4, 4, 0x123456);
    ASSERT_TRUE(WindowPictureWrite(w, frame.data(), 4, 4, 16, nullptr, nullptr));
    std::vector<uint32_t> fromWorker;
    std::thread([&] {
        fromWorker = Capture(w);
        uint32_t dot = 0x00C0FFEE;
        RECT one{3, 0, 4, 1};
        EXPECT_TRUE(WindowPictureWrite(w, &dot, 1, 1, 4, nullptr, &one));
    }).join();
    EXPECT_EQ(fromWorker, Seeded(4, 4, 0x123456));
    PumpAll();
    EXPECT_EQ(Capture(w), Picture(4, 4, [](int x, int y) {
                  return x == 3 && y == 0 ? 0xC0FFEEu : Expected(x, y, 0x123456);
              }));
    DestroyWindow(w);
}

TEST(WindowPictureThreads, ScaledWholeWritesAndWritesFromAnotherThreadReplaceIt) {
    HWND w = MakeWindow(4, 2, WS_POPUP);
    ASSERT_NE(w, nullptr);
    // A scaled whole write (2x1 over the 4x2 client), then one from another thread.
    uint32_t two[2] = {0xFF0000FF, 0x1100FF00};
    ASSERT_TRUE(WindowPictureWrite(w, two, 2, 1, 8, nullptr, nullptr));
    // A whole write from another thread replaces every word.
    auto frame = Frame(4, 2, 0x3C3C3C);
    std::thread([&] {
        EXPECT_TRUE(WindowPictureWrite(w, frame.data(), 4, 2, 16, nullptr, nullptr));
    }).join();
    PumpAll();
    EXPECT_EQ(Capture(w), Seeded(4, 2, 0x3C3C3C));
    DestroyWindow(w);
}
