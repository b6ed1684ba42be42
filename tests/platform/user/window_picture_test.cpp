// The window picture: writes land in the client area, clipped and scaled, and
// the capture reads back what reached the SDL window.
#include <gtest/gtest.h>

#include <thread>

#include "../../../platform/win32/window_picture.h"
#include "test_knobs.h"
#include "window_test_support.h"

using namespace windowtest;

TEST(WindowPicture, WriteLandsInClientAndCaptureReadsItBack) {
    HWND w = MakeWindow(8, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    uint32_t pixels[2 * 2] = {0xFF112233, 0x00445566, 0x00778899, 0x00AABBCC};
    RECT dest{3, 1, 5, 3};
    uint64_t before = KnobWindowPresentCount(w);
    ASSERT_TRUE(platform::WindowPictureWrite(w, pixels, 2, 2, 8, nullptr, &dest));
    EXPECT_EQ(KnobWindowPresentCount(w), before + 1);
    std::vector<uint32_t> shown;
    int width = 0, height = 0;
    ASSERT_TRUE(KnobCaptureWindow(w, &shown, &width, &height));
    ASSERT_EQ(width, 8);
    ASSERT_EQ(height, 4);
    EXPECT_EQ(shown[1 * 8 + 3], 0x112233u);  // top byte dropped
    EXPECT_EQ(shown[1 * 8 + 4], 0x445566u);
    EXPECT_EQ(shown[2 * 8 + 3], 0x778899u);
    EXPECT_EQ(shown[2 * 8 + 4], 0xAABBCCu);
    EXPECT_EQ(shown[0], 0u);
    EXPECT_EQ(shown[3 * 8 + 7], 0u);
    DestroyWindow(w);
}

TEST(WindowPicture, ScaledAndClippedWrites) {
    HWND w = MakeWindow(4, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    uint32_t two[2] = {0x0000FF, 0x00FF00};
    // 2x1 stretched over the whole 4x4 client.
    ASSERT_TRUE(platform::WindowPictureWrite(w, two, 2, 1, 8, nullptr, nullptr));
    std::vector<uint32_t> shown;
    int width, height;
    KnobCaptureWindow(w, &shown, &width, &height);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(shown[y * 4 + 0], 0x0000FFu);
        EXPECT_EQ(shown[y * 4 + 1], 0x0000FFu);
        EXPECT_EQ(shown[y * 4 + 2], 0x00FF00u);
        EXPECT_EQ(shown[y * 4 + 3], 0x00FF00u);
    }
    // Partly outside the client: only the inside part lands.
    uint32_t white[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    RECT corner{3, 3, 5, 5};
    ASSERT_TRUE(platform::WindowPictureWrite(w, white, 2, 2, 8, nullptr, &corner));
    KnobCaptureWindow(w, &shown, &width, &height);
    EXPECT_EQ(shown[15], 0xFFFFFFu);
    EXPECT_EQ(shown[14], 0x00FF00u);
    // A source rectangle picks part of the picture.
    RECT right{1, 0, 2, 1};
    RECT one{0, 0, 1, 1};
    ASSERT_TRUE(platform::WindowPictureWrite(w, two, 2, 1, 8, &right, &one));
    KnobCaptureWindow(w, &shown, &width, &height);
    EXPECT_EQ(shown[0], 0x00FF00u);
    DestroyWindow(w);
}

TEST(WindowPicture, BadArgumentsAreRefused) {
    HWND w = MakeWindow(4, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    uint32_t p[4] = {};
    EXPECT_FALSE(
        platform::WindowPictureWrite(reinterpret_cast<HWND>(0x777), p, 2, 2, 8, nullptr, nullptr));
    EXPECT_FALSE(platform::WindowPictureWrite(w, nullptr, 2, 2, 8, nullptr, nullptr));
    EXPECT_FALSE(platform::WindowPictureWrite(w, p, 0, 2, 8, nullptr, nullptr));
    EXPECT_FALSE(platform::WindowPictureWrite(w, p, 2, 2, 4, nullptr, nullptr));  // pitch
    RECT outside{1, 1, 3, 3};
    EXPECT_FALSE(platform::WindowPictureWrite(w, p, 2, 2, 8, &outside, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    std::vector<uint32_t> shown;
    EXPECT_FALSE(KnobCaptureWindow(reinterpret_cast<HWND>(0x777), &shown, nullptr, nullptr));
    DestroyWindow(w);
}

TEST(WindowPictureThreads, WritesFromAnotherThreadReachTheWindowOnThePump) {
    HWND w = MakeWindow(2, 1, WS_POPUP);
    ASSERT_NE(w, nullptr);
    uint32_t pixels[2] = {0x010203, 0x040506};
    std::thread worker(
        [&] { EXPECT_TRUE(platform::WindowPictureWrite(w, pixels, 2, 1, 8, nullptr, nullptr)); });
    worker.join();
    PumpAll();
    std::vector<uint32_t> shown;
    int width, height;
    ASSERT_TRUE(KnobCaptureWindow(w, &shown, &width, &height));
    EXPECT_EQ(shown[0], 0x010203u);
    EXPECT_EQ(shown[1], 0x040506u);
    DestroyWindow(w);
}

TEST(WindowPicture, WholeWritesReachTheWindowAndLaterPartWritesKeepTheRest) {
    HWND w = MakeWindow(5, 3, WS_POPUP);
    ASSERT_NE(w, nullptr);
    // Rows of six words, the last one padding; top bytes are garbage.
    std::vector<uint32_t> frame(6 * 3);
    for (int i = 0; i < 18; ++i) frame[size_t(i)] = 0xA5000000u | uint32_t(i * 0x010203);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(platform::WindowPictureWrite(w, frame.data(), 5, 3, 24, nullptr, nullptr));
        uint32_t dot = 0x00ABCDEF;
        RECT one{2, 1, 3, 2};
        ASSERT_TRUE(platform::WindowPictureWrite(w, &dot, 1, 1, 4, nullptr, &one));
        std::vector<uint32_t> shown;
        int width = 0, height = 0;
        ASSERT_TRUE(KnobCaptureWindow(w, &shown, &width, &height));
        ASSERT_EQ(width, 5);
        ASSERT_EQ(height, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(shown[size_t(y) * 5 + x],
                          x == 2 && y == 1 ? 0xABCDEFu
                                           : uint32_t((y * 6 + x) * 0x010203 + round * 0x010101))
                    << x << "," << y << " round " << round;
        for (auto& p : frame) p += 0x00010101u;
    }
    DestroyWindow(w);
}

// After a whole write on the video thread the picture may live only in SDL's
// window surface; everything that needs the words afterwards must see them.
namespace {

// A whole-picture frame with garbage top bytes; word (x, y) is Expected(x, y, seed).
std::vector<uint32_t> WholeFrame(int width, int height, uint32_t seed) {
    std::vector<uint32_t> frame(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame[size_t(y) * width + x] =
                0x5A000000u | ((seed + uint32_t(y * 31 + x) * 0x030507u) & 0xFFFFFFu);
    return frame;
}

uint32_t Expected(int x, int y, uint32_t seed) {
    return (seed + uint32_t(y * 31 + x) * 0x030507u) & 0xFFFFFFu;
}

std::vector<uint32_t> Capture(HWND w) {
    std::vector<uint32_t> shown;
    int width = 0, height = 0;
    EXPECT_TRUE(KnobCaptureWindow(w, &shown, &width, &height));
    return shown;
}

}  // namespace

TEST(WindowPictureAfterWholeWrite, AnEditSeesTheWrittenWordsAndKeepsThem) {
    HWND w = MakeWindow(6, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = WholeFrame(6, 4, 0x102030);
    ASSERT_TRUE(platform::WindowPictureWrite(w, frame.data(), 6, 4, 24, nullptr, nullptr));
    std::vector<uint32_t> seen;
    ASSERT_TRUE(platform::WindowPictureEdit(w, [&](uint32_t* pixels, int width, int height) {
        seen.assign(pixels, pixels + size_t(width) * height);
        pixels[0] = 0x00FEDCBA;
    }));
    ASSERT_EQ(seen.size(), 24u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(seen[size_t(y) * 6 + x], Expected(x, y, 0x102030)) << x << "," << y;
    auto shown = Capture(w);
    ASSERT_EQ(shown.size(), 24u);
    EXPECT_EQ(shown[0], 0xFEDCBAu);
    for (size_t i = 1; i < shown.size(); ++i) EXPECT_EQ(shown[i], seen[i]) << i;
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWrite, FillRectOnTheWindowDcKeepsTheRest) {
    HWND w = MakeWindow(5, 5, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = WholeFrame(5, 5, 0x0A0B0C);
    ASSERT_TRUE(platform::WindowPictureWrite(w, frame.data(), 5, 5, 20, nullptr, nullptr));
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT box{1, 1, 3, 2};
    EXPECT_EQ(FillRect(dc, &box, red), 1);
    DeleteObject(red);
    ReleaseDC(w, dc);
    auto shown = Capture(w);
    ASSERT_EQ(shown.size(), 25u);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(shown[size_t(y) * 5 + x],
                      y == 1 && (x == 1 || x == 2) ? 0xFF0000u : Expected(x, y, 0x0A0B0C))
                << x << "," << y;
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWrite, AResizeKeepsTheOverlapAndClearsTheRest) {
    HWND w = MakeWindow(4, 3, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = WholeFrame(4, 3, 0x445566);
    ASSERT_TRUE(platform::WindowPictureWrite(w, frame.data(), 4, 3, 16, nullptr, nullptr));
    ASSERT_TRUE(SetWindowPos(w, nullptr, 0, 0, 6, 2, SWP_NOMOVE | SWP_NOZORDER));
    PumpAll();
    std::vector<uint32_t> shown;
    int width = 0, height = 0;
    ASSERT_TRUE(KnobCaptureWindow(w, &shown, &width, &height));
    ASSERT_EQ(width, 6);
    ASSERT_EQ(height, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(shown[size_t(y) * 6 + x], x < 4 ? Expected(x, y, 0x445566) : 0u)
                << x << "," << y;
    // And a whole write at the new size lands in full.
    auto next = WholeFrame(6, 2, 0x778899);
    ASSERT_TRUE(platform::WindowPictureWrite(w, next.data(), 6, 2, 24, nullptr, nullptr));
    shown = Capture(w);
    ASSERT_EQ(shown.size(), 12u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(shown[size_t(y) * 6 + x], Expected(x, y, 0x778899)) << x << "," << y;
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWriteThreads, AnotherThreadReadsAndWritesPartOfIt) {
    HWND w = MakeWindow(4, 4, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = WholeFrame(4, 4, 0x123456);
    ASSERT_TRUE(platform::WindowPictureWrite(w, frame.data(), 4, 4, 16, nullptr, nullptr));
    std::vector<uint32_t> fromWorker;
    std::thread worker([&] {
        int width = 0, height = 0;
        EXPECT_TRUE(KnobCaptureWindow(w, &fromWorker, &width, &height));
        uint32_t dot = 0x00C0FFEE;
        RECT one{3, 0, 4, 1};
        EXPECT_TRUE(platform::WindowPictureWrite(w, &dot, 1, 1, 4, nullptr, &one));
    });
    worker.join();
    ASSERT_EQ(fromWorker.size(), 16u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(fromWorker[size_t(y) * 4 + x], Expected(x, y, 0x123456)) << x << "," << y;
    PumpAll();
    auto shown = Capture(w);
    ASSERT_EQ(shown.size(), 16u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(shown[size_t(y) * 4 + x],
                      x == 3 && y == 0 ? 0xC0FFEEu : Expected(x, y, 0x123456))
                << x << "," << y;
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWriteThreads, ScaledWholeWritesAndWritesFromAnotherThreadReplaceIt) {
    HWND w = MakeWindow(4, 2, WS_POPUP);
    ASSERT_NE(w, nullptr);
    // 2x1 stretched over the whole 4x2 client.
    uint32_t two[2] = {0xFF0000FF, 0x1100FF00};
    ASSERT_TRUE(platform::WindowPictureWrite(w, two, 2, 1, 8, nullptr, nullptr));
    auto shown = Capture(w);
    ASSERT_EQ(shown.size(), 8u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(shown[size_t(y) * 4 + x], x < 2 ? 0x0000FFu : 0x00FF00u) << x << "," << y;
    ASSERT_TRUE(platform::WindowPictureWrite(w, two, 2, 1, 8, nullptr, nullptr));
    // A whole write from another thread replaces every word.
    auto frame = WholeFrame(4, 2, 0x3C3C3C);
    std::thread worker([&] {
        EXPECT_TRUE(platform::WindowPictureWrite(w, frame.data(), 4, 2, 16, nullptr, nullptr));
    });
    worker.join();
    PumpAll();
    shown = Capture(w);
    ASSERT_EQ(shown.size(), 8u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(shown[size_t(y) * 4 + x], Expected(x, y, 0x3C3C3C)) << x << "," << y;
    DestroyWindow(w);
}

TEST(WindowPictureAfterWholeWrite, AnEmptyOrOutsideWriteKeepsThePicture) {
    HWND w = MakeWindow(3, 3, WS_POPUP);
    ASSERT_NE(w, nullptr);
    auto frame = WholeFrame(3, 3, 0x0F0E0D);
    ASSERT_TRUE(platform::WindowPictureWrite(w, frame.data(), 3, 3, 12, nullptr, nullptr));
    uint32_t dot = 0x00FFFFFF;
    RECT outside{5, 5, 6, 6};
    ASSERT_TRUE(platform::WindowPictureWrite(w, &dot, 1, 1, 4, nullptr, &outside));
    auto shown = Capture(w);
    ASSERT_EQ(shown.size(), 9u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(shown[size_t(y) * 3 + x], Expected(x, y, 0x0F0E0D)) << x << "," << y;
    DestroyWindow(w);
}
