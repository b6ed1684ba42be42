// Typed text reaches the ring through the real path: scripted SDL text and
// key events, the message queue, TranslateMessage and the module's feed.
#include <SDL.h>

#include "char_input_fixture.h"

namespace charinputtest {
namespace {

using Chars = std::vector<std::string>;

class TypedTextToRing : public CharInputTest {
  protected:
    static void Key(int scancode) {
        ASSERT_TRUE(KnobWindowKey(g_window, scancode, true));
        ASSERT_TRUE(KnobWindowKey(g_window, scancode, false));
    }
};

TEST_F(TypedTextToRing, TextArrivesAsSingleAndDoubleByteCharacters) {
    ASSERT_TRUE(KnobWindowText(g_window, "a\xE3\x81\x82"));  // "aあ"
    ASSERT_TRUE(KnobWindowText(g_window, "\xED\x95\x9C"));   // Hangul: dropped
    PumpQueue();
    EXPECT_EQ(TakeChars(), (Chars{"a", "\x82\xA0"}));
}

TEST_F(TypedTextToRing, ControlKeysAndEditingKeysGiveTheirCodes) {
    Key(SDL_SCANCODE_RETURN);
    Key(SDL_SCANCODE_BACKSPACE);
    Key(SDL_SCANCODE_TAB);
    Key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_LCTRL, true));
    Key(SDL_SCANCODE_C);
    Key(SDL_SCANCODE_V);
    Key(SDL_SCANCODE_X);
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_LCTRL, false));
    const int editing[] = {SDL_SCANCODE_DELETE, SDL_SCANCODE_LEFT,   SDL_SCANCODE_RIGHT,
                           SDL_SCANCODE_UP,     SDL_SCANCODE_DOWN,   SDL_SCANCODE_HOME,
                           SDL_SCANCODE_END,    SDL_SCANCODE_PAGEUP, SDL_SCANCODE_PAGEDOWN};
    for (int k : editing) Key(k);
    // A printable key brings its text event and nothing more.
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_B, true));
    ASSERT_TRUE(KnobWindowText(g_window, "b"));
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_B, false));
    PumpQueue();
    EXPECT_EQ(TakeChars(),
              (Chars{"\x0D", "\x08", "\x09", "\x1B", "\x03", "\x16", "\x18", "\x10", "\x1D", "\x1C",
                     "\x1E", "\x1F", "\x1A", "\x19", "\x17", "\x15", "b"}));
}

TEST_F(TypedTextToRing, AltEnterIsNoCharacter) {
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_LALT, true));
    Key(SDL_SCANCODE_RETURN);
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_LALT, false));
    PumpQueue();
    EXPECT_TRUE(TakeChars().empty());
}

TEST_F(TypedTextToRing, FeedTakesOnlyCharactersAndEditingKeys) {
    EXPECT_EQ(DuRud::FeedCharMessage(WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(DuRud::FeedCharMessage(WM_KEYUP, VK_DELETE, 0), 0);
    EXPECT_EQ(DuRud::FeedCharMessage(WM_CHAR, 0x1234, 0), 0);  // the low byte
    EXPECT_EQ(TakeChars(), (Chars{"\x34"}));
}

}  // namespace
}  // namespace charinputtest
