// Typed text through the scripted SDL events: committed text becomes one
// WM_CHAR per code page 932 byte, control characters come from key messages
// only, and SDL's text input follows the keyboard focus.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imm.h"
#include "test_knobs.h"
#include "support/window_test_support.h"
#include "windows.h"

namespace {

using namespace windowtest;

class TypedText : public WindowTest {
  protected:
    static std::vector<WPARAM> Of(UINT message) {
        std::vector<WPARAM> out;
        for (const Seen& s : Only({message})) out.push_back(s.wParam);
        return out;
    }
    void Key(int scancode) {
        ASSERT_TRUE(KnobWindowKey(w, scancode, true));
        ASSERT_TRUE(KnobWindowKey(w, scancode, false));
    }
};

using Bytes = std::vector<WPARAM>;

TEST_F(TypedText, TextBecomesCodePage932BytesLeadByteFirst) {
    ASSERT_TRUE(KnobWindowText(w, "a\xE3\x81\x82"));  // "aあ"
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{0x61, 0x82, 0xA0}));

    Clear();
    // Half-width katakana is one byte; the yen sign and the wave dash are the
    // code page's own bytes.
    ASSERT_TRUE(KnobWindowText(w, "\xEF\xBD\xB1\xE3\x80\x9C"));  // "ｱ〜"
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{0xB1, 0x81, 0x60}));
}

TEST_F(TypedText, CharactersOutsideTheCodePageAndBrokenBytesAreDropped) {
    // Hangul, an emoji and a stray continuation byte between two letters.
    ASSERT_TRUE(KnobWindowText(w, "x\xED\x95\x9C\xF0\x9F\x98\x80\x80y"));
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{'x', 'y'}));
}

TEST_F(TypedText, LongTextArrivesWholeAndInOrder) {
    std::string utf8;
    Bytes want;
    for (int i = 0; i < 40; ++i) {
        utf8 += "\xE4\xBA\x9C";  // "亜" 0x88 0x9F, split across SDL's 31-byte pieces
        want.push_back(0x88);
        want.push_back(0x9F);
        utf8 += static_cast<char>('0' + i % 10);
        want.push_back('0' + i % 10);
    }
    ASSERT_TRUE(KnobWindowText(w, utf8.c_str()));
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), want);
}

TEST_F(TypedText, ControlKeysGiveTheirCharacterFromTheKeyAlone) {
    Key(SDL_SCANCODE_RETURN);
    Key(SDL_SCANCODE_BACKSPACE);
    Key(SDL_SCANCODE_TAB);
    Key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(KnobWindowKey(w, SDL_SCANCODE_LCTRL, true));
    Key(SDL_SCANCODE_C);
    Key(SDL_SCANCODE_V);
    Key(SDL_SCANCODE_X);
    ASSERT_TRUE(KnobWindowKey(w, SDL_SCANCODE_LCTRL, false));
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{0x0D, 0x08, 0x09, 0x1B, 0x03, 0x16, 0x18}));
    EXPECT_TRUE(Of(WM_SYSCHAR).empty());
}

TEST_F(TypedText, PrintableKeyGivesNoCharacterBeyondItsText) {
    // A desktop sends the key and then its text: one character in all.
    ASSERT_TRUE(KnobWindowKey(w, SDL_SCANCODE_A, true));
    ASSERT_TRUE(KnobWindowText(w, "a"));
    ASSERT_TRUE(KnobWindowKey(w, SDL_SCANCODE_A, false));
    Key(SDL_SCANCODE_SPACE);  // its text would come as a text event too
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{'a'}));
    EXPECT_EQ(Of(WM_KEYDOWN), (Bytes{'A', VK_SPACE}));
}

TEST_F(TypedText, EditingKeysGiveKeyMessagesOnly) {
    const int keys[] = {SDL_SCANCODE_DELETE, SDL_SCANCODE_LEFT,   SDL_SCANCODE_RIGHT,
                        SDL_SCANCODE_UP,     SDL_SCANCODE_DOWN,   SDL_SCANCODE_HOME,
                        SDL_SCANCODE_END,    SDL_SCANCODE_PAGEUP, SDL_SCANCODE_PAGEDOWN};
    for (int k : keys) Key(k);
    PumpAll();
    EXPECT_EQ(Of(WM_KEYDOWN), (Bytes{VK_DELETE, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END,
                                     VK_PRIOR, VK_NEXT}));
    EXPECT_TRUE(Of(WM_CHAR).empty());
}

TEST_F(TypedText, TextInputRunsWhileAWindowHasTheKeyboard) {
    EXPECT_TRUE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowEvent(w, KnobWindowEventKind::FocusLost));
    PumpAll();
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowEvent(w, KnobWindowEventKind::FocusGained));
    PumpAll();
    EXPECT_EQ(GetFocus(), w);
    EXPECT_TRUE(SDL_IsTextInputActive());
}

TEST_F(TypedText, DisabledImeTakesNoTextButKeysStillCome) {
    EXPECT_EQ(TRUE, WINNLSEnableIME(w, FALSE)) << "enabled before";
    EXPECT_FALSE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowText(w, "ab"));
    EXPECT_FALSE(KnobImeCompose(w, "\xE3\x81\x82", 1));
    Key(SDL_SCANCODE_A);
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), Bytes{});
    for (const Seen& s : Log())
        EXPECT_FALSE(s.message >= 0x010D && s.message <= 0x010F) << s.message;
    EXPECT_EQ(Of(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(FALSE, WINNLSEnableIME(w, TRUE));
    EXPECT_TRUE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowText(w, "c"));
    PumpAll();
    EXPECT_EQ(Of(WM_CHAR), Bytes{'c'});
}

}  // namespace
