// Typed text through the scripted SDL events: committed text becomes one
// WM_CHAR per code page 932 byte, control characters come from key messages
// only, and SDL's text input follows the keyboard focus.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imm.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
};
std::vector<Seen> seen;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back({message, wParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

class TypedText : public testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TypedTextRecorder";
        RegisterClassA(&wc);  // may exist from an earlier test of this process
        window = CreateWindowExA(0, "TypedTextRecorder", "typing", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                 100, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        Pump();
        seen.clear();
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
        seen.clear();
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    static std::vector<WPARAM> Of(UINT message) {
        std::vector<WPARAM> out;
        for (const Seen& s : seen)
            if (s.message == message) out.push_back(s.wParam);
        return out;
    }
    void Key(int scancode) {
        ASSERT_TRUE(KnobWindowKey(window, scancode, true));
        ASSERT_TRUE(KnobWindowKey(window, scancode, false));
    }
    HWND window = nullptr;
};

using Bytes = std::vector<WPARAM>;

TEST_F(TypedText, TextBecomesCodePage932BytesLeadByteFirst) {
    ASSERT_TRUE(KnobWindowText(window, "a\xE3\x81\x82"));  // "aあ"
    Pump();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{0x61, 0x82, 0xA0}));

    seen.clear();
    // Half-width katakana is one byte; the yen sign and the wave dash are the
    // code page's own bytes.
    ASSERT_TRUE(KnobWindowText(window, "\xEF\xBD\xB1\xE3\x80\x9C"));  // "ｱ〜"
    Pump();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{0xB1, 0x81, 0x60}));
}

TEST_F(TypedText, CharactersOutsideTheCodePageAndBrokenBytesAreDropped) {
    // Hangul, an emoji and a stray continuation byte between two letters.
    ASSERT_TRUE(KnobWindowText(window, "x\xED\x95\x9C\xF0\x9F\x98\x80\x80y"));
    Pump();
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
    ASSERT_TRUE(KnobWindowText(window, utf8.c_str()));
    Pump();
    EXPECT_EQ(Of(WM_CHAR), want);
}

TEST_F(TypedText, ControlKeysGiveTheirCharacterFromTheKeyAlone) {
    Key(SDL_SCANCODE_RETURN);
    Key(SDL_SCANCODE_BACKSPACE);
    Key(SDL_SCANCODE_TAB);
    Key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(KnobWindowKey(window, SDL_SCANCODE_LCTRL, true));
    Key(SDL_SCANCODE_C);
    Key(SDL_SCANCODE_V);
    Key(SDL_SCANCODE_X);
    ASSERT_TRUE(KnobWindowKey(window, SDL_SCANCODE_LCTRL, false));
    Pump();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{0x0D, 0x08, 0x09, 0x1B, 0x03, 0x16, 0x18}));
    EXPECT_TRUE(Of(WM_SYSCHAR).empty());
}

TEST_F(TypedText, PrintableKeyGivesNoCharacterBeyondItsText) {
    // A desktop sends the key and then its text: one character in all.
    ASSERT_TRUE(KnobWindowKey(window, SDL_SCANCODE_A, true));
    ASSERT_TRUE(KnobWindowText(window, "a"));
    ASSERT_TRUE(KnobWindowKey(window, SDL_SCANCODE_A, false));
    Key(SDL_SCANCODE_SPACE);  // its text would come as a text event too
    Pump();
    EXPECT_EQ(Of(WM_CHAR), (Bytes{'a'}));
    EXPECT_EQ(Of(WM_KEYDOWN), (Bytes{'A', VK_SPACE}));
}

TEST_F(TypedText, EditingKeysGiveKeyMessagesOnly) {
    const int keys[] = {SDL_SCANCODE_DELETE, SDL_SCANCODE_LEFT,   SDL_SCANCODE_RIGHT,
                        SDL_SCANCODE_UP,     SDL_SCANCODE_DOWN,   SDL_SCANCODE_HOME,
                        SDL_SCANCODE_END,    SDL_SCANCODE_PAGEUP, SDL_SCANCODE_PAGEDOWN};
    for (int k : keys) Key(k);
    Pump();
    EXPECT_EQ(Of(WM_KEYDOWN), (Bytes{VK_DELETE, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END,
                                     VK_PRIOR, VK_NEXT}));
    EXPECT_TRUE(Of(WM_CHAR).empty());
}

TEST_F(TypedText, TextInputRunsWhileAWindowHasTheKeyboard) {
    EXPECT_TRUE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowEvent(window, KnobWindowEventKind::FocusLost));
    Pump();
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowEvent(window, KnobWindowEventKind::FocusGained));
    Pump();
    EXPECT_EQ(GetFocus(), window);
    EXPECT_TRUE(SDL_IsTextInputActive());
}

TEST_F(TypedText, DisabledImeTakesNoTextButKeysStillCome) {
    EXPECT_EQ(TRUE, WINNLSEnableIME(window, FALSE)) << "enabled before";
    EXPECT_FALSE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowText(window, "ab"));
    EXPECT_FALSE(KnobImeCompose(window, "\xE3\x81\x82", 1));
    Key(SDL_SCANCODE_A);
    Pump();
    EXPECT_EQ(Of(WM_CHAR), Bytes{});
    for (const Seen& s : seen)
        EXPECT_FALSE(s.message >= 0x010D && s.message <= 0x010F) << s.message;
    EXPECT_EQ(Of(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(FALSE, WINNLSEnableIME(window, TRUE));
    EXPECT_TRUE(SDL_IsTextInputActive());
    ASSERT_TRUE(KnobWindowText(window, "c"));
    Pump();
    EXPECT_EQ(Of(WM_CHAR), Bytes{'c'});
}

}  // namespace
