// The frame keeper on the fake's scripted millisecond clock.
#include <algorithm>

#include "fake_engine_test.h"
#include "shell/frame_keeper.h"

namespace {

using FrameKeeper = FakeEngineTest;

bool traced(const std::string& call) {
    const auto t = fake_engine::trace();
    return std::find(t.begin(), t.end(), call) != t.end();
}

TEST_F(FrameKeeper, SixtyPerSecondIsSixteenMillisecondsAndTheRateShowsAfterAWindow) {
    frame_keeper k;
    frame_keeper_init(&k, 60.0f);
    EXPECT_EQ(k.frame_time, 16);
    EXPECT_TRUE(traced("SetDefaultFontSize(9)"));
    k.text_y = 590;
    // Each frame ends 16 ms after the last: call 2 closes a window spanning
    // the whole clock (about 0), call 53 one of 51 frames in 816 ms.
    for (int call = 1; call <= 53; ++call) {
        const int now = 100000 + 16 * (call - 1);
        fake_engine::reset();
        fake_engine::script("GetMillisecondCounter", {now, now + 16});
        keep_frame(&k);
        const std::string shown = std::string("fps:") + (call == 53 ? "62.5" : "0.0");
        if (call <= 2 || call == 53) {
            EXPECT_TRUE(traced("DrawFormattedText(0, 590, 4294967295, " + shown + ")")) << call;
        }
    }
}

TEST_F(FrameKeeper, WaitsOutTheFrameOnlyAndNeverAcrossTheClocksWrap) {
    const struct {
        const char* name;
        int last, now;
        bool waits_12;  // else no wait
    } rows[] = {
        {"4 ms spent", 1000, 1004, true},
        {"overrun", 1000, 1020, false},
        {"4 ms across the wrap", 0x7FFFFFFE, 2, true},
        {"21 ms across the wrap", 0x7FFFFFF0, 5, false},
        {"no timer", 1000, -1, false},
    };
    for (const auto& r : rows) {
        frame_keeper k;
        frame_keeper_init(&k, 60.0f);
        k.last_stamp = k.window_start = r.last;
        fake_engine::reset();
        fake_engine::script("GetMillisecondCounter", {r.now, r.now});
        keep_frame(&k);
        EXPECT_EQ(traced("WaitMilliseconds(12)"), r.waits_12) << r.name;
        EXPECT_EQ(k.wait, r.waits_12 ? 12 : 0) << r.name;
    }
}

}  // namespace
