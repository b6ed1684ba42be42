// Keys by DirectInput code and input held back for a clock time: what a
// whole-program run scripts. Each is delivered by the first pump at or after
// its time, so on the virtual clock it lands at the same point every run.
#include <SDL.h>
#include <gtest/gtest.h>

#include "support/win_values.h"
#include "support/window_test_support.h"
#include "test_knobs.h"

using namespace windowtest;

namespace {

class ScheduledInput : public WindowTest {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        KnobVirtualClockStart(1000);
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        KnobResetAll();
    }
};

TEST_F(ScheduledInput, KeysByDirectInputCodeTakeTheirKeysRoad) {
    struct Row {
        const char* name;
        int code;
        WPARAM key;
    } rows[] = {{"A", 0x1E, 'A'}, {"up, extended", 0xC8, VK_UP}, {"escape", 0x01, VK_ESCAPE}};
    for (const Row& r : rows) {
        Clear();
        ASSERT_TRUE(KnobWindowKeyCode(w, r.code, true)) << r.name;
        ASSERT_TRUE(KnobWindowKeyCode(w, r.code, false)) << r.name;
        PumpAll();
        EXPECT_EQ(Codes(Only({WM_KEYDOWN, WM_KEYUP})),
                  (Sent{{WM_KEYDOWN, r.key}, {WM_KEYUP, r.key}}))
            << r.name;
    }
    EXPECT_FALSE(KnobWindowKeyCode(w, 0x7F, true));  // no key has this code
    EXPECT_FALSE(KnobScheduleKeyCode(5000, 0x7F, true));
}

TEST_F(ScheduledInput, HeldBackUntilTheClockReachesTheirTime) {
    EXPECT_EQ(GetTickCount(), 1000u);  // the start reading
    KnobScheduleKeyCode(1500, 0x39, true);
    KnobScheduleWindowEvent(2000, KnobWindowEventKind::Close);
    Sleep(499);
    PumpAll();
    EXPECT_TRUE(Only({WM_KEYDOWN, WM_CLOSE}).empty());
    Sleep(1);  // 1500: the key, not yet the close
    PumpAll();
    EXPECT_EQ(Codes(Only({WM_KEYDOWN, WM_CLOSE})), (Sent{{WM_KEYDOWN, VK_SPACE}}));
    Clear();
    EXPECT_TRUE(KnobVirtualClockMoveTo(2500));
    EXPECT_FALSE(KnobVirtualClockMoveTo(2400));  // never backwards
    PumpAll();
    EXPECT_EQ(Codes(Only({WM_CLOSE})), (Sent{{WM_CLOSE, 0}}));
}

}  // namespace
