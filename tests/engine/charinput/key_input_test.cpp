// Key-input strings through the internal set-up: handles, every row of the
// editing table, the clipboard, the limits, ending, and deletion.
#include <SDL.h>

#include "char_input_fixture.h"
#include "input/key_input.h"
#include "window/main_window.h"

namespace charinputtest {
namespace {

using DuRud::CharInput;
using DuRud::GetKeyInputRecord;
using DuRud::Handle;
using DuRud::KeyInputOptions;
using DuRud::KeyInputRecord;

constexpr char kCopy = 0x03, kBack = 0x08, kEnter = 0x0D, kDelete = 0x10, kPaste = 0x16,
               kCut = 0x18, kEnd = 0x19, kHome = 0x1A, kEscape = 0x1B, kRight = 0x1C, kLeft = 0x1D;
const char kA[] = "\x88\x9F";  // "亜"

class KeyInput : public CharInputTest {
  protected:
    void SetUp() override {
        CharInputTest::SetUp();
        ASSERT_EQ(DuRud::InitializeInput(), 0);
    }
    Handle Make(KeyInputOptions options = {64, 0, 0, 0, 0}) {
        Handle h = DuRud::SetUpKeyInput(options, 1);
        EXPECT_NE(h, -1);
        return h;
    }
    // Puts the bytes into the ring and runs one editing pass.
    static void Type(const std::string& bytes) {
        for (char c : bytes) ASSERT_EQ(DuRud::PushCharCode(static_cast<unsigned char>(c)), 0);
        ASSERT_EQ(DuRud::ProcessKeyInput(), 0);
    }
    static void Shift(bool down) {
        ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_LSHIFT, down));
        PumpQueue();
        Sleep(1);  // the keyboard is read once per millisecond
    }
    static void ShiftType(const std::string& bytes) {
        Shift(true);
        Type(bytes);
        Shift(false);
    }
    static std::string Clipboard() {
        const int size = DuRud::GetClipboardText(nullptr, 0);
        if (size <= 0) return {};
        std::string text(size, '\0');
        DuRud::GetClipboardText(text.data(), size);
        return text.c_str();
    }
    static KeyInputRecord& R(Handle h) {
        KeyInputRecord* r = GetKeyInputRecord(h);
        EXPECT_NE(r, nullptr);
        static KeyInputRecord none{};
        return r ? *r : none;
    }
};

TEST_F(KeyInput, HandlesComeFromTheModulesOwnArray) {
    const Handle first = Make();
    const Handle second = DuRud::SetUpKeyInput({8, 0, 0, 0, 0}, 0);
    EXPECT_EQ(first & 0xFF00FFFF, 0x24000000);
    EXPECT_EQ(second & 0xFF00FFFF, 0x24000001);
    EXPECT_NE((first >> 16) & 0xFF, (second >> 16) & 0xFF);
    EXPECT_EQ(DuRud::GetActiveKeyInput(), first);
    EXPECT_EQ(DuRud::DeleteKeyInput(first), 0);
    EXPECT_EQ(DuRud::DeleteKeyInput(first), -1);
    EXPECT_EQ(DuRud::GetActiveKeyInput(), -1);
    const Handle reused = Make();
    EXPECT_EQ(reused & 0xFFFF, 0);  // the free slot again
    EXPECT_NE(reused, first);       // with a new check number
    EXPECT_EQ(GetKeyInputRecord(first), nullptr);
    EXPECT_EQ(DuRud::DeleteKeyInput(0x25000000 | (reused & 0x00FFFFFF)), -1);  // other type
    EXPECT_EQ(DuRud::DeleteKeyInput(0x24000000 | 300), -1);
    EXPECT_EQ(DuRud::DeleteKeyInput(-1), -1);
    EXPECT_EQ(DuRud::SetUpKeyInput({0, 0, 0, 0, 0}, 0), -1);
    EXPECT_EQ(DuRud::SetUpKeyInput({-5, 0, 0, 0, 0}, 0), -1);
    for (int i = 2; i < DuRud::kKeyInputRecords; ++i)
        ASSERT_NE(DuRud::SetUpKeyInput({4, 0, 0, 0, 0}, 0), -1) << i;
    EXPECT_EQ(DuRud::SetUpKeyInput({4, 0, 0, 0, 0}, 0), -1);  // all 256 in use
    EXPECT_EQ(DuRud::DeleteAllKeyInputs(), 0);
    EXPECT_EQ(GetKeyInputRecord(second), nullptr);
    EXPECT_EQ(DuRud::GetActiveKeyInput(), -1);
}

TEST_F(KeyInput, InvalidActiveHandleIsReported) {
    CharInput().activeKeyInput = 0x24FF0005;
    EXPECT_EQ(DuRud::ProcessKeyInput(), -1);
    CharInput().activeKeyInput = -1;
    EXPECT_EQ(DuRud::ProcessKeyInput(), 0);
}

TEST_F(KeyInput, TypingInsertsAtTheCursorAndStepsOverWholeCharacters) {
    const Handle h = Make();
    Type(std::string("a") + kA + "b");
    EXPECT_STREQ(R(h).text,
                 "a\x88\x9F"
                 "b");
    EXPECT_EQ(R(h).length, 4);
    EXPECT_EQ(R(h).cursor, 4);
    Type({kLeft});
    EXPECT_EQ(R(h).cursor, 3);
    Type({kLeft});
    EXPECT_EQ(R(h).cursor, 1);  // over both bytes
    Type({kRight});
    EXPECT_EQ(R(h).cursor, 3);
    Type("c");
    EXPECT_STREQ(R(h).text,
                 "a\x88\x9F"
                 "cb");
    Type({kHome});
    EXPECT_EQ(R(h).cursor, 0);
    Type({kLeft});
    EXPECT_EQ(R(h).cursor, 0);
    Type({kEnd});
    EXPECT_EQ(R(h).cursor, 5);
    Type({kRight, 0x09, 0x1E, 0x1F});  // tab, up and down change nothing
    EXPECT_EQ(R(h).cursor, 5);
    EXPECT_STREQ(R(h).text,
                 "a\x88\x9F"
                 "cb");
    EXPECT_EQ(R(h).selectionStart, -1);
}

TEST_F(KeyInput, ShiftSelectsWithArrowsHomeAndEnd) {
    const Handle h = Make();
    Type("abcd");
    ShiftType({kLeft});
    EXPECT_EQ(R(h).selectionStart, 4);
    EXPECT_EQ(R(h).selectionEnd, 3);
    ShiftType({kLeft});
    EXPECT_EQ(R(h).selectionEnd, 2);
    ShiftType({kHome});  // from the old start to the start
    EXPECT_EQ(R(h).selectionStart, 4);
    EXPECT_EQ(R(h).selectionEnd, 0);
    EXPECT_EQ(R(h).cursor, 0);
    Type({kRight});  // without shift the selection goes
    EXPECT_EQ(R(h).selectionStart, -1);
    EXPECT_EQ(R(h).cursor, 1);
    ShiftType({kEnd});  // no selection: from the cursor
    EXPECT_EQ(R(h).selectionStart, 1);
    EXPECT_EQ(R(h).selectionEnd, 4);
    ShiftType({kRight});  // at the end: nowhere to go, still selected
    EXPECT_EQ(R(h).selectionEnd, 4);
    Type({kHome});
    EXPECT_EQ(R(h).selectionStart, -1);
    EXPECT_EQ(R(h).cursor, 0);
}

TEST_F(KeyInput, BackSpaceAndDeleteWithAndWithoutSelection) {
    const Handle h = Make();
    Type(std::string("a") + kA + "bc");
    Type({kBack});
    EXPECT_STREQ(R(h).text,
                 "a\x88\x9F"
                 "b");
    Type({kLeft, kBack});  // the whole double-byte character before the cursor
    EXPECT_STREQ(R(h).text, "ab");
    EXPECT_EQ(R(h).cursor, 1);
    Type({kDelete});
    EXPECT_STREQ(R(h).text, "a");
    Type({kDelete});  // nothing at the cursor
    EXPECT_STREQ(R(h).text, "a");
    Type({kHome, kBack});
    EXPECT_STREQ(R(h).text, "a");

    Type({kEnd});
    Type("bcdef");
    ShiftType({kLeft, kLeft});  // "ef" selected backwards
    Type({kBack});
    EXPECT_STREQ(R(h).text, "abcd");
    EXPECT_EQ(R(h).cursor, 4);
    EXPECT_EQ(R(h).selectionStart, -1);
    Type({kHome});
    ShiftType({kRight});
    Type({kDelete});
    EXPECT_STREQ(R(h).text, "bcd");
    EXPECT_EQ(R(h).cursor, 0);

    // Shift+Delete with a selection cuts it.
    ShiftType({kRight, kRight});
    ShiftType({kDelete});
    EXPECT_STREQ(R(h).text, "d");
    EXPECT_EQ(Clipboard(), "bc");
}

TEST_F(KeyInput, TypingOverASelectionReplacesIt) {
    const Handle h = Make();
    Type("hello");
    Type({kHome, kRight});
    ShiftType({kRight, kRight, kRight});
    Type("a");
    EXPECT_STREQ(R(h).text, "hao");
    EXPECT_EQ(R(h).cursor, 2);
}

TEST_F(KeyInput, CutCopyAndPasteGoThroughTheClipboard) {
    const Handle h = Make();
    Type("hello");
    Type({kHome, kRight});
    ShiftType({kRight, kRight, kRight});
    Type({kCopy});
    EXPECT_EQ(Clipboard(), "ell");
    EXPECT_STREQ(R(h).text, "hello");
    Type({kCut});
    EXPECT_EQ(Clipboard(), "ell");
    EXPECT_STREQ(R(h).text, "ho");
    EXPECT_EQ(R(h).cursor, 1);
    Type({kCut, kCopy});  // without a selection: nothing
    EXPECT_EQ(Clipboard(), "ell");

    ASSERT_EQ(DuRud::SetClipboardText((std::string("x\r\ny") + kA + "\n").c_str()), 0);
    Type({kPaste});
    EXPECT_STREQ(R(h).text, "hxy\x88\x9Fo");
    EXPECT_EQ(R(h).cursor, 5);
}

TEST_F(KeyInput, PastedControlBytesAreNoCommands) {
    const Handle h = Make();
    Type("ab");
    // A clipboard holding paste, back space and enter bytes pastes only its
    // text: it neither pastes itself again nor edits nor ends the input.
    ASSERT_EQ(DuRud::SetClipboardText("\x16z\x08\x0D\x1B"), 0);
    Type({kPaste});
    EXPECT_STREQ(R(h).text, "abz");
    EXPECT_EQ(R(h).ended, 0);
    EXPECT_EQ(DuRud::GetCharRingView().readIndex, DuRud::GetCharRingView().writeIndex);
}

TEST_F(KeyInput, MaximumLengthDropsCharactersFromTheEnd) {
    const Handle h = Make({4, 0, 0, 0, 0});
    Type("abcde");
    EXPECT_STREQ(R(h).text, "abce");  // 'd' made room for 'e'
    EXPECT_EQ(R(h).cursor, 4);
    Type({kHome});
    Type("x");
    EXPECT_STREQ(R(h).text, "xabc");
    EXPECT_EQ(R(h).cursor, 1);
    Type({kEnd});
    Type(kA);
    EXPECT_STREQ(R(h).text, "xa\x88\x9F");
    Type("y");  // the double-byte character goes whole
    EXPECT_STREQ(R(h).text, "xay");
    EXPECT_EQ(R(h).length, 3);
}

TEST_F(KeyInput, CharacterLongerThanTheMaximumIsRefused) {
    const Handle h = Make({1, 0, 0, 0, 0});
    Type("a");
    Type(kA);
    EXPECT_STREQ(R(h).text, "a");
    Type("b");
    EXPECT_STREQ(R(h).text, "b");
}

TEST_F(KeyInput, DigitsOnlyTakesOneSignAtTheStartAndOnePoint) {
    const Handle h = Make({16, 0, 0, 1, 0});
    Type("1-2");
    EXPECT_STREQ(R(h).text, "12");
    Type({kHome});
    Type("-");
    Type({kEnd});
    Type(std::string(".3.4x") + kA);
    EXPECT_STREQ(R(h).text, "-12.34");
}

TEST_F(KeyInput, SingleAndDoubleByteOnly) {
    const Handle single = Make({16, 0, 1, 0, 0});
    Type(std::string("a") + kA + "b");
    EXPECT_STREQ(R(single).text, "ab");
    ASSERT_EQ(DuRud::DeleteKeyInput(single), 0);
    const Handle dbcs = Make({16, 0, 0, 0, 1});
    Type(std::string("a") + kA + "b");
    EXPECT_STREQ(R(dbcs).text, kA);
}

TEST_F(KeyInput, EnterEndsAndEscapeOnlyWhenAllowed) {
    const Handle h = Make();
    Type({'a', kEscape, 'b'});
    EXPECT_STREQ(R(h).text, "ab");
    EXPECT_EQ(R(h).ended, 0);
    Type({kEnter, 'c'});
    EXPECT_EQ(R(h).ended, 1);
    EXPECT_EQ(R(h).cancelled, 0);
    EXPECT_EQ(DuRud::GetActiveKeyInput(), -1);
    EXPECT_STREQ(R(h).text, "ab");
    unsigned char c[2];
    EXPECT_EQ(DuRud::GetCharCode(c, 0), 1);  // 'c' waits for whoever reads next
    EXPECT_EQ(c[0], 'c');
    DuRud::InitCharBuffer();

    const Handle cancellable = Make({8, 1, 0, 0, 0});
    Type({'x', kEscape, 'y'});
    EXPECT_EQ(R(cancellable).ended, 1);
    EXPECT_EQ(R(cancellable).cancelled, 1);
    EXPECT_STREQ(R(cancellable).text, "x");
    EXPECT_EQ(DuRud::GetActiveKeyInput(), -1);
}

TEST_F(KeyInput, DeletingTheLastRecordSwitchesTheImeOnlyWhenTheWantedStateChanges) {
    // The engine had the IME on; IME use is off: deleting the last string turns it off.
    CharInput().imeEnabled = 1;
    ASSERT_TRUE(WINNLSEnableIME(g_window, TRUE) == TRUE);
    const Handle a = Make();
    const Handle b = DuRud::SetUpKeyInput({8, 0, 0, 0, 0}, 0);
    ASSERT_TRUE(KnobImeOpen(g_window, true));
    ASSERT_TRUE(KnobImeCompose(g_window, "a", 1));
    ASSERT_TRUE(KnobImeCandidates(g_window, {"b"}, 0));
    ASSERT_EQ(DuRud::DeleteKeyInput(a), 0);
    EXPECT_EQ(CharInput().imeEnabled, 1);  // one string is left
    EXPECT_NE(CharInput().candidateList, nullptr);
    ASSERT_EQ(DuRud::DeleteKeyInput(b), 0);
    EXPECT_EQ(CharInput().imeEnabled, 0);
    EXPECT_FALSE(WINNLSEnableIME(g_window, TRUE));  // the engine switched it off
    EXPECT_EQ(CharInput().candidateList, nullptr);
    EXPECT_STREQ(CharInput().composition, "");
    EXPECT_EQ(CharInput().composing, 0);

    // No change wanted: no call.
    const Handle c = Make();
    ASSERT_EQ(DuRud::DeleteKeyInput(c), 0);
    EXPECT_TRUE(WINNLSEnableIME(g_window, TRUE));  // still as the test left it
}

}  // namespace
}  // namespace charinputtest

namespace charinputtest {
namespace {

TEST_F(KeyInput, CompositionIsCutToWhatTheStringCanStillTake) {
    const Handle h = Make({4, 0, 0, 0, 0});
    Type("ab");
    ASSERT_TRUE(KnobImeOpen(g_window, true));
    ASSERT_TRUE(KnobImeCompose(g_window, "\xE3\x81\x8B\xE3\x82\x93\xE3\x81\x98", 3));  // "かんじ"
    KnobImeTakeCalls();
    ASSERT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_TRUE(KnobImeTakeCalls().empty());  // no limit switched on: left alone

    CharInput().compositionLimitSwitch = 1;  // room for 2 more bytes
    ASSERT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_EQ(KnobImeTakeCalls(),
              (std::vector<std::string>{"ImmNotifyIME(21, 4, 0)",
                                        "ImmSetCompositionStringA(9, \xE3\x81\x8B)"}));
    EXPECT_STREQ(CharInput().composition, "\x82\xA9");  // as the IME reports it back
    ASSERT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_TRUE(KnobImeTakeCalls().empty());  // it fits now
    CharInput().compositionLimitSwitch = 0;

    // A byte limit of 3 keeps one double-byte character, never half of one.
    ASSERT_TRUE(KnobImeCompose(g_window, "\xE3\x82\x93\xE3\x81\x98", 2));  // "んじ"
    CharInput().compositionLimit = 3;
    KnobImeTakeCalls();
    ASSERT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_STREQ(CharInput().composition, "\x82\xF1");
    CharInput().compositionLimit = 0;
    EXPECT_STREQ(R(h).text, "ab");  // composing types nothing into the string
}

}  // namespace
}  // namespace charinputtest

namespace charinputtest {
namespace {

TEST_F(KeyInput, PasteIntoANearlyFullRingNeverSplitsACharacter) {
    const Handle h = Make({2048, 0, 0, 0, 0});
    ASSERT_EQ(DuRud::SetClipboardText((std::string("b") + kA).c_str()), 0);
    ASSERT_EQ(DuRud::PushCharCode(kPaste), 0);
    for (int i = 0; i < 1022; ++i) ASSERT_EQ(DuRud::PushCharCode('a'), 0);
    ASSERT_EQ(DuRud::ProcessKeyInput(), 0);  // the paste finds room for two bytes only
    EXPECT_EQ(R(h).length, 1023);
    EXPECT_EQ(R(h).text[1022], 'b');
    // No lone lead byte was left behind to swallow the next character.
    EXPECT_EQ(DuRud::GetCharRingView().readIndex, DuRud::GetCharRingView().writeIndex);
}

}  // namespace
}  // namespace charinputtest

namespace charinputtest {
namespace {

TEST_F(KeyInput, PageKeysAndOtherCodesAreTypedLikeCharacters) {
    const Handle h = Make();
    Type({'a', 0x17, 0x15, 0x01});
    EXPECT_EQ(std::string(R(h).text), std::string("a\x17\x15\x01"));
    EXPECT_EQ(R(h).cursor, 4);
}

}  // namespace
}  // namespace charinputtest
