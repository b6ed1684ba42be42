// The on-screen log over fake fonts: line count and scrolling, the byte and
// width limits, dropped bytes, TABs, double-byte characters, a re-created
// font; with the placeholders it does nothing.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "window/main_window.h"
#include "window/on_screen_log.h"
#include "window_fakes.h"

using namespace DuRud;
using windowtest::DrawnText;
using windowtest::RecordingWindowCalls;
using windowtest::StartWindowedEngine;

namespace {

class OnScreenLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        calls_.hasDirectDrawWindow = 1;
        ASSERT_EQ(0, StartWindowedEngine());
    }
    void TearDown() override { ShutdownEngineLocked(); }

    // The lines the next draw shows, in order.
    std::vector<std::string> Lines() {
        calls_.drawn.clear();
        DrawOnScreenLog();
        std::vector<std::string> lines;
        for (const DrawnText& d : calls_.drawn) lines.push_back(d.text);
        return lines;
    }

    RecordingWindowCalls calls_;
};

TEST_F(OnScreenLogTest, ThirtyLinesAtSixteenPixelsThenScrolling) {
    EXPECT_EQ(1, calls_.fontsCreated);
    EXPECT_EQ(0, GetOnScreenLogFlag());
    for (int i = 0; i < 30; ++i) PrintOnScreenLog(i == 0 ? "L%d" : "\nL%d", i);
    EXPECT_EQ(1, GetOnScreenLogFlag());
    calls_.drawn.clear();
    DrawOnScreenLog();
    ASSERT_EQ(30u, calls_.drawn.size());
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(0, calls_.drawn[i].x);
        EXPECT_EQ(16 * i, calls_.drawn[i].y);
        EXPECT_EQ("L" + std::to_string(i), calls_.drawn[i].text);
    }
    PrintOnScreenLog("\nL30");
    const auto lines = Lines();
    ASSERT_EQ(30u, lines.size());
    EXPECT_EQ("L1", lines.front());
    EXPECT_EQ("L30", lines.back());
    ClearOnScreenLog();
    EXPECT_EQ(0, GetOnScreenLogFlag());
    EXPECT_EQ("", Lines().front());
}

TEST_F(OnScreenLogTest, LineHoldsAtMost254BytesAndWrapsAtTheDrawWidth) {
    calls_.textWidthPerByte = 1;
    PrintOnScreenLog("%s", std::string(300, 'x').c_str());
    auto lines = Lines();
    EXPECT_EQ(254u, lines[0].size());
    EXPECT_EQ(46u, lines[1].size());
    ClearOnScreenLog();
    // 8 pixels a byte on a 640-pixel screen: 79 characters stay under 640.
    calls_.textWidthPerByte = 8;
    PrintOnScreenLog("%s", std::string(100, 'y').c_str());
    lines = Lines();
    EXPECT_EQ(79u, lines[0].size());
    EXPECT_EQ(21u, lines[1].size());
}

TEST_F(OnScreenLogTest, TabsDroppedBytesAndDoubleByteCharacters) {
    PrintOnScreenLog("a\tb\x07\x08\x0B\x0C\r?c");
    EXPECT_EQ("a    bc", Lines()[0]);
    ClearOnScreenLog();
    // A double-byte character that does not fit moves whole to the next line.
    calls_.textWidthPerByte = 1;
    PrintOnScreenLog("%s\x82\xA0", std::string(253, 'z').c_str());
    auto lines = Lines();
    EXPECT_EQ(253u, lines[0].size());
    EXPECT_EQ("\x82\xA0", lines[1]);
    ClearOnScreenLog();
    // A lead byte right before the end is one byte on its own.
    PrintOnScreenLog("q\x82");
    EXPECT_EQ("q\x82", Lines()[0]);
}

TEST_F(OnScreenLogTest, DeletedFontIsRecreatedAndSizesBelowOneGiveSixteen) {
    ASSERT_NE(nullptr, calls_.fontDeletedFlag);
    *calls_.fontDeletedFlag = 1;  // the font module deleted it
    PrintOnScreenLog("x");
    EXPECT_EQ(2, calls_.fontsCreated);
    calls_.Take();
    EXPECT_EQ(0, SetOnScreenLogFontSize(0));
    EXPECT_EQ(1, calls_.fontsDeleted);
    const auto trace = calls_.Take();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ("CreateFontHandle(null,16,4,-1,0)", trace.back());
    SetOnScreenLogFontSize(24);
    // 480 / 24: 20 lines.
    EXPECT_EQ(20u, Lines().size());
}

TEST(OnScreenLogPlaceholderTest, WithoutADirectDrawWindowEveryCallDoesNothing) {
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_EQ(-1, StartOnScreenLog());
    EXPECT_EQ(0, PrintOnScreenLog("text"));
    EXPECT_EQ(0, GetOnScreenLogFlag());
    EXPECT_EQ(0, SetOnScreenLogFontSize(20));
    EXPECT_EQ(0, DrawOnScreenLog());
    EXPECT_EQ(0, ClearOnScreenLog());
    EXPECT_EQ(0, EndOnScreenLog());
    ShutdownEngineLocked();
}

}  // namespace
