// The frame keeper on the fake's scripted millisecond clock.
#include <algorithm>

#include "fake_engine_test.h"
#include "shell/frame_keeper.h"

namespace {

using FrameKeeper = FakeEngineTest;

bool traced(const char* call) {
    const auto t = fake_engine::trace();
    return std::find(t.begin(), t.end(), call) != t.end();
}

TEST_F(FrameKeeper, SixtyPerSecondIsSixteenMillisecondsAndTheRateShowsAfterAWindow) {
    frame_keeper k;
    frame_keeper_init(&k, 60.0f);
    EXPECT_EQ(k.frame_time, 16);
    EXPECT_EQ(fake_engine::trace(),
              (std::vector<std::string>{"SetDefaultFontSize(9)", "MakeColorValue(255, 255, 255)"}));
    k.text_y = 590;
    // Every frame ends exactly 16 ms after the last: the second call closes a
    // window spanning the whole clock (about 0), the 53rd one of 51 frames in
    // 816 ms.
    for (int call = 1; call <= 53; ++call) {
        const int now = 100000 + 16 * (call - 1);
        fake_engine::reset();
        fake_engine::script("GetMillisecondCounter", {now, now + 16});
        keep_frame(&k);
        const char* shown = call == 53  ? "DrawFormattedText(0, 590, 4294967295, fps:62.5)"
                            : call <= 2 ? "DrawFormattedText(0, 590, 4294967295, fps:0.0)"
                                        : nullptr;
        if (shown) {
            EXPECT_TRUE(traced(shown)) << call;
        }
    }
}

TEST_F(FrameKeeper, WaitsOutTheFrameOnlyAndNeverAcrossTheClocksWrap) {
    struct row {
        const char* name;
        int last, now;
        const char* wait;  // null: no wait
    } rows[] = {
        {"4 ms spent", 1000, 1004, "WaitMilliseconds(12)"},
        {"overrun", 1000, 1020, nullptr},
        {"4 ms across the wrap", 0x7FFFFFFE, 2, "WaitMilliseconds(12)"},
        {"21 ms across the wrap", 0x7FFFFFF0, 5, nullptr},
        {"no timer", 1000, -1, nullptr},
    };
    for (const row& r : rows) {
        frame_keeper k;
        frame_keeper_init(&k, 60.0f);
        k.last_stamp = k.window_start = r.last;
        fake_engine::reset();
        fake_engine::script("GetMillisecondCounter", {r.now, r.now});
        keep_frame(&k);
        EXPECT_EQ(traced("WaitMilliseconds(12)"), r.wait != nullptr) << r.name;
        EXPECT_GE(k.wait, 0) << r.name;
        EXPECT_LE(k.wait, 16) << r.name;
    }
}

}  // namespace
