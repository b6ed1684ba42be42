// The debug overlay on the fake: its lines, their ageing and what is drawn.
#include <string>

#include "fake_engine_test.h"
#include "world/debug_overlay.h"
#include "world/world_globals.h"

namespace {

constexpr const char* green = "4278255360";  // 0xFF00FF00

class DebugOverlay : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        for (debug_line& line : debug_log) line = {};
        debug_mode = 1;
    }
    void TearDown() override { debug_mode = 0; }
};

// The texts drawn by one draw_debug_log, as "y: text".
std::vector<std::string> drawn_lines() {
    fake_engine::reset();
    draw_debug_log();
    std::vector<std::string> out;
    const std::string colour = std::string(", ") + green + ", ";
    for (const fake_engine::call& c : fake_engine::calls()) {
        if (c.name != "DrawFormattedText") continue;
        EXPECT_EQ(c.args.substr(0, 5), "544, ");
        const std::size_t at = c.args.find(colour);
        out.push_back(c.args.substr(5, at - 5) + ": " + c.args.substr(at + colour.size()));
    }
    return out;
}

TEST_F(DebugOverlay, OffDoesNothing) {
    debug_mode = 0;
    add_debug_message("text", 5);
    draw_debug_log();
    EXPECT_EQ(debug_log[0].lifetime, 0);
    EXPECT_TRUE(fake_engine::calls().empty());
}

TEST_F(DebugOverlay, DrawsOverAFaintOrDarkenedBackground) {
    struct Row {
        const char* name;
        unsigned char d_key;
        std::vector<std::string> trace;
    };
    const std::vector<std::string> text = {
        "SetDefaultFontThickness(3)", "SetDefaultFontSize(10)", "MakeColorValue(0, 255, 0)",
        std::string("DrawFormattedText(544, 74, ") + green + ", 00: text)", "SetBlendMode(0, 0)"};
    const Row rows[] = {
        {"without D", 0, {"CheckKeyDown(32)", "SetBlendMode(1, 64)"}},
        {"with D",
         1,
         {"CheckKeyDown(32)", "SetBlendMode(1, 160)", "MakeColorValue(0, 0, 0)",
          "DrawBoxShape(500, 0, 800, 600, 4278190080, 1)", "SetBlendMode(1, 224)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake_engine::reset();
        fake_engine::set_key_state(0x20, row.d_key);
        add_debug_message("text", 1);
        draw_debug_log();
        std::vector<std::string> expected = row.trace;
        expected.insert(expected.end(), text.begin(), text.end());
        EXPECT_EQ(fake_engine::trace(), expected);
        EXPECT_TRUE(drawn_lines().empty()) << "a 1-frame line is drawn once";
    }
}

TEST_F(DebugOverlay, LinesAreKeptWholeAndInOrder) {
    const std::string long_text(300, 'x');
    add_debug_message("A", 1);
    add_debug_message("100% %s %n", 25);
    add_debug_message(long_text.c_str(), 2);
    struct Row {
        const char* name;
        std::vector<std::string> lines;
    };
    const Row frames[] = {
        {"all three", {"74: 00: A", "84: 01: 100% %s %n", "94: 02: " + long_text.substr(0, 255)}},
        {"A expired: the others move up with their own texts",
         {"74: 00: 100% %s %n", "84: 01: " + long_text.substr(0, 255)}},
        {"the long one expired", {"74: 00: 100% %s %n"}},
    };
    for (const Row& frame : frames) EXPECT_EQ(drawn_lines(), frame.lines) << frame.name;
    for (int f = 3; f < 25; ++f) drawn_lines();
    EXPECT_TRUE(drawn_lines().empty()) << "after 25 frames";
}

TEST_F(DebugOverlay, The65thLiveLineIsDropped) {
    for (int k = 0; k < 65; ++k) add_debug_message(std::to_string(k).c_str(), 1);
    const std::vector<std::string> lines = drawn_lines();
    ASSERT_EQ(lines.size(), 64u);
    EXPECT_EQ(lines.back(), "704: 63: 63");
}

}  // namespace
