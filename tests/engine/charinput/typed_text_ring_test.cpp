// Typed text reaches the ring through the real path: scripted SDL text and
// key events, the message queue, TranslateMessage and the module's feed. How
// the window layer turns text and control keys into WM_CHAR is its own suite's;
// here only what the module does with the messages.
#include <SDL.h>

#include "char_input_fixture.h"

namespace charinputtest {
namespace {

using Chars = std::vector<std::string>;

class TypedTextToRing : public CharInputTest {};

TEST_F(TypedTextToRing, TextPairsAndEditingKeysReachTheRing) {
    ASSERT_TRUE(KnobWindowText(g_window, "a\xE3\x81\x82"));  // "aあ"
    const int editing[] = {SDL_SCANCODE_DELETE, SDL_SCANCODE_LEFT,   SDL_SCANCODE_RIGHT,
                           SDL_SCANCODE_UP,     SDL_SCANCODE_DOWN,   SDL_SCANCODE_HOME,
                           SDL_SCANCODE_END,    SDL_SCANCODE_PAGEUP, SDL_SCANCODE_PAGEDOWN};
    for (int k : editing) {
        ASSERT_TRUE(KnobWindowKey(g_window, k, true));
        ASSERT_TRUE(KnobWindowKey(g_window, k, false));
    }
    PumpQueue();
    EXPECT_EQ(TakeChars(), (Chars{"a", "\x82\xA0", "\x10", "\x1D", "\x1C", "\x1E", "\x1F", "\x1A",
                                  "\x19", "\x17", "\x15"}));
}

TEST_F(TypedTextToRing, FeedTakesOnlyCharactersAndEditingKeys) {
    EXPECT_EQ(DuRud::FeedCharMessage(WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(DuRud::FeedCharMessage(WM_KEYUP, VK_DELETE, 0), 0);
    EXPECT_EQ(DuRud::FeedCharMessage(WM_SYSCHAR, VK_RETURN, 0), 0);  // Alt+Enter
    EXPECT_EQ(DuRud::FeedCharMessage(WM_CHAR, 0x1234, 0), 0);        // the low byte
    EXPECT_EQ(TakeChars(), (Chars{"\x34"}));
}

}  // namespace
}  // namespace charinputtest
