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

TEST(WindowPicture, WritesFromAnotherThreadReachTheWindowOnThePump) {
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
