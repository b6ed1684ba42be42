// Key and pad counters.
#include <cstring>

#include "fake_engine_test.h"
#include "world/input_polling.h"

namespace {

class InputPolling : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        std::memset(keyboard_state, 0, sizeof(keyboard_state));
        std::memset(pad_state, 0, sizeof(pad_state));
    }
};

TEST_F(InputPolling, KeyCountersFollowTheStateFrameByFrame) {
    struct Row {
        const char* name;
        std::vector<unsigned char> states;  // one per frame
        std::vector<int> held, released;
    };
    const Row rows[] = {
        // A press keeps the last release count; only an up frame rewrites it.
        {"held three frames", {1, 1, 1, 0, 0}, {1, 2, 3, 0, 0}, {0, 0, 0, 3, 0}},
        {"only exactly 1 is down", {1, 2, 1, 0x80}, {1, 0, 1, 0}, {0, 1, 1, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::memset(keyboard_state, 0, sizeof(keyboard_state));
        for (std::size_t f = 0; f < row.states.size(); ++f) {
            fake_engine::set_key_state(0x2C, row.states[f]);
            EXPECT_EQ(poll_keyboard(), 0);
            EXPECT_EQ(key_counter(0x2C).held, row.held[f]) << "frame " << f;
            EXPECT_EQ(key_counter(0x2C).released, row.released[f]) << "frame " << f;
        }
    }
}

TEST_F(InputPolling, PadsFoundAndOneMoreAreReadUpToFour) {
    struct Row {
        const char* name;
        int pads;
        std::vector<std::string> trace;
    };
    const Row rows[] = {
        {"no pad", 0, {"GetJoypadCount()", "GetJoypadInputState(1)", "GetJoypadCount()"}},
        {"two pads",
         2,
         {"GetJoypadCount()", "GetJoypadInputState(1)", "GetJoypadCount()",
          "GetJoypadInputState(2)", "GetJoypadCount()", "GetJoypadInputState(3)",
          "GetJoypadCount()"}},
        {"six pads",
         6,
         {"GetJoypadCount()", "GetJoypadInputState(1)", "GetJoypadCount()",
          "GetJoypadInputState(2)", "GetJoypadCount()", "GetJoypadInputState(3)",
          "GetJoypadCount()", "GetJoypadInputState(4)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake_engine::reset();
        fake_engine::set_pad_count(row.pads);
        EXPECT_EQ(poll_pads(), 0);
        EXPECT_EQ(fake_engine::trace(), row.trace);
    }
}

TEST_F(InputPolling, ButtonsMapToBitsAndReadersRefuseOutOfRange) {
    fake_engine::set_pad_count(4);
    fake_engine::set_pad_state(1, static_cast<int>(0x80000011u));  // bits 31, 0 and 4
    fake_engine::set_pad_state(4, -1);
    for (int k = 0; k < 256; ++k) fake_engine::set_key_state(k, 1);
    poll_pads();
    poll_keyboard();
    struct Row {
        const char* name;
        key_state counter;
        int held;
    };
    const Row rows[] = {
        {"button 0 is bit 31", pad_button_counter(0, 0), 1},
        {"button 1 is bit 0", pad_button_counter(0, 1), 1},
        {"button 5 is bit 4", pad_button_counter(0, 5), 1},
        {"button 2 is bit 1", pad_button_counter(0, 2), 0},
        {"pad 3 button 31", pad_button_counter(3, 31), 1},
        {"pad -1", pad_button_counter(-1, 0), 0},
        {"pad 4", pad_button_counter(4, 0), 0},
        {"button -1", pad_button_counter(3, -1), 0},
        {"button 32", pad_button_counter(3, 32), 0},
        {"key 255", key_counter(255), 1},
        {"key -1", key_counter(-1), 0},
        {"key 256", key_counter(256), 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.counter.held, row.held) << row.name;
        EXPECT_EQ(row.counter.released, 0) << row.name;
    }
}

}  // namespace
