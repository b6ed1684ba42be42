// The STOP screen on the fake: what it draws, the breakpoint memo and the
// fatal exit.
#include <algorithm>
#include <cstring>

#include "fake_engine_test.h"
#include "world/stop_screen.h"

namespace {

constexpr const char* white = "4294967295";  // 0xFFFFFFFF

class StopScreen : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        std::memset(remembered_breakpoints, 0, sizeof(remembered_breakpoints));
    }
};
using StopScreenDeathTest = StopScreen;

// The arguments of every text drawn.
std::vector<std::string> texts() {
    std::vector<std::string> out;
    for (const fake_engine::call& c : fake_engine::calls())
        if (c.name == "DrawFormattedText") out.push_back(c.args);
    return out;
}

int count_of(const char* name) {
    const auto& calls = fake_engine::calls();
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const auto& c) { return c.name == name; }));
}

const std::vector<std::string> setup_trace = {"SelectDrawTarget(-2)", "SetDefaultFontThickness(3)",
                                              "SetDefaultFontSize(14)", "SetBlendMode(1, 196)"};

TEST_F(StopScreen, FileCorruptedReportDrawsBoxTextsAndOneFlip) {
    EXPECT_TRUE(draw_stop_screen(stop_file_corrupted, 0xF0100005, 12, 4, 0));
    std::vector<std::string> expected = setup_trace;
    const std::vector<std::string> rest = {
        "MakeColorValue(0, 96, 96)",
        "DrawBoxShape(64, 64, 736, 536, 4278214752, 1)",  // 0xFF006060
        "SetBlendMode(0, 0)",
        "MakeColorValue(255, 255, 255)",
        "DrawFormattedText(84, 84, 4294967295, *** STOP: 0x00000003 (0xF0100005, 0x0000000C, "
        "0x00000004, 0x00000000) ***)",
        "DrawFormattedText(84, 96, 4294967295, FILE_CORRUPTED)",
        "DrawFormattedText(84, 132, 4294967295, Hit ESC key to quit)",
        "FlipScreen()"};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(fake_engine::trace(), expected);
}

TEST_F(StopScreen, EveryCodeShowsItsNameAndFatalOnesSayQuit) {
    struct Row {
        const char* name;
        int32_t code;
        uint32_t param1;
        std::string header, line;
    };
    const Row rows[] = {
        {"0", 0, 0, "0x00000000 (0x00000000", "PROGRAM_STATE_OUT_OF_RANGE"},
        {"1", 1, 0, "0x00000001 (0x00000000", "FILE_LOAD_ERROR"},
        {"2", 2, 0, "0x00000002 (0x00000000", "INTERACTION_FAILURE"},
        {"4", 4, 0, "0x00000004 (0x00000000", "ENTITY_SPAWN_FAILURE"},
        {"5 with the affecter's word", 5, 0x88888888, "0x00000005 (0x88888888", "LIMIT_EXCEEDED"},
        {"6", 6, 0, "0x00000006 (0x00000000", "BGM_FAILED"},
        {"7", 7, 0, "0x00000007 (0x00000000", "UNKNOWN_ERROR"},
        {"just below the breakpoint", 0xB00AFF, 0, "0x00B00AFF (0x00000000", "UNKNOWN_ERROR"},
        {"negative", -1, 5, "0xFFFFFFFF (0x00000005", "UNKNOWN_ERROR"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake_engine::reset();
        EXPECT_TRUE(draw_stop_screen(row.code, row.param1, 0, 0, 0));
        const std::string prefix = std::string("84, 84, ") + white + ", *** STOP: ";
        EXPECT_EQ(texts(), (std::vector<std::string>{
                               prefix + row.header + ", 0x00000000, 0x00000000, 0x00000000) ***",
                               std::string("84, 96, ") + white + ", " + row.line,
                               std::string("84, 132, ") + white + ", Hit ESC key to quit"}));
    }
}

TEST_F(StopScreen, BreakpointShowsOncePerIdentifierAndReturns) {
    stop_screen(stop_breakpoint, 5, 0, 0, 0);
    EXPECT_EQ(count_of("DrawBoxShape"), 1);
    EXPECT_EQ(fake_engine::calls()[4].args, "72, 72, 0");  // the box colour
    EXPECT_EQ(texts()[1], std::string("84, 96, ") + white + ", BREAKPOINT_HIT / 5 / 0x00000005");
    EXPECT_EQ(texts()[2], std::string("84, 132, ") + white + ", Hit ESC key to continue");
    EXPECT_EQ(fake_engine::trace().back(), "WaitForAnyInput()");

    fake_engine::reset();
    stop_screen(stop_breakpoint, 5, 0, 0, 0);
    EXPECT_EQ(fake_engine::trace(), setup_trace);  // nothing drawn, flipped or waited on
}

TEST_F(StopScreen, IdentifierZeroAndIdentifiersPastTheMemoShowEveryTime) {
    struct Row {
        const char* name;
        int already_remembered;  // identifiers 1000 .. 1000 + n - 1 shown before
        uint32_t id;
    };
    const Row rows[] = {{"identifier 0", 0, 0}, {"the 257th identifier", 256, 7}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::memset(remembered_breakpoints, 0, sizeof(remembered_breakpoints));
        for (int k = 0; k < row.already_remembered; ++k)
            stop_screen(stop_breakpoint, 1000 + k, 0, 0, 0);
        fake_engine::reset();
        stop_screen(stop_breakpoint, row.id, 0, 0, 0);
        stop_screen(stop_breakpoint, row.id, 0, 0, 0);
        EXPECT_EQ(count_of("FlipScreen"), 2);
        EXPECT_EQ(count_of("WaitForAnyInput"), 2);
    }
}

TEST_F(StopScreenDeathTest, EscOrTheEndOfTheProgramShutsDownAndExitsWithOne) {
    struct Row {
        const char* name;
        const char* function;
        std::initializer_list<int> results;
    };
    const Row rows[] = {
        {"ESC on the third pass", "CheckKeyDown", {0, 0, 1}},
        {"the pump reports the end", "PumpWindowMessagesLocked", {0, -1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake_engine::reset();
        fake_engine::script(row.function, row.results);
        EXPECT_EXIT(stop_screen(stop_file_load_error, 0, 0, 0, 0), testing::ExitedWithCode(1),
                    "fake engine: ShutdownEngineLocked");
    }
}

}  // namespace
