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
#define KANJI "\x88\x9F"

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
    // The text with the cursor as '|' and any selection as " [start,end]".
    static std::string Shown(Handle h) {
        const KeyInputRecord& r = R(h);
        std::string text = r.text;
        EXPECT_EQ(r.length, static_cast<int>(text.size()));
        text.insert(static_cast<size_t>(r.cursor), "|");
        if (r.selectionStart == -1) return text;
        return text + " [" + std::to_string(r.selectionStart) + "," +
               std::to_string(r.selectionEnd) + "]";
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
    Type("a" KANJI "b");
    EXPECT_EQ(Shown(h), "a" KANJI "b|");
    Type({kLeft});
    EXPECT_EQ(Shown(h), "a" KANJI "|b");
    Type({kLeft});
    EXPECT_EQ(Shown(h), "a|" KANJI "b");  // over both bytes
    Type({kRight});
    Type("c");
    EXPECT_EQ(Shown(h), "a" KANJI "c|b");
    Type({kHome});
    Type({kLeft});
    EXPECT_EQ(Shown(h), "|a" KANJI "cb");
    Type({kEnd});
    Type({kRight, 0x09, 0x1E, 0x1F});  // tab, up and down change nothing
    EXPECT_EQ(Shown(h), "a" KANJI "cb|");
}

TEST_F(KeyInput, ShiftSelectsWithArrowsHomeAndEnd) {
    const Handle h = Make();
    Type("abcd");
    ShiftType({kLeft});
    EXPECT_EQ(Shown(h), "abc|d [4,3]");
    ShiftType({kLeft});
    ShiftType({kHome});  // from the old start to the start
    EXPECT_EQ(Shown(h), "|abcd [4,0]");
    Type({kRight});  // without shift the selection goes
    EXPECT_EQ(Shown(h), "a|bcd");
    ShiftType({kEnd});    // no selection: from the cursor
    ShiftType({kRight});  // at the end: nowhere to go, still selected
    EXPECT_EQ(Shown(h), "abcd| [1,4]");
    Type({kHome});
    EXPECT_EQ(Shown(h), "|abcd");
}

TEST_F(KeyInput, BackSpaceAndDeleteWithAndWithoutSelection) {
    const Handle h = Make();
    Type("a" KANJI "bc");
    Type({kBack});
    EXPECT_EQ(Shown(h), "a" KANJI "b|");
    Type({kLeft, kBack});  // the whole double-byte character before the cursor
    EXPECT_EQ(Shown(h), "a|b");
    Type({kDelete});
    Type({kDelete});  // nothing at the cursor
    Type({kHome, kBack});
    EXPECT_EQ(Shown(h), "|a");

    Type({kEnd});
    Type("bcdef");
    ShiftType({kLeft, kLeft});  // "ef" selected backwards
    Type({kBack});
    EXPECT_EQ(Shown(h), "abcd|");
    Type({kHome});
    ShiftType({kRight});
    Type({kDelete});
    EXPECT_EQ(Shown(h), "|bcd");

    // Shift+Delete with a selection cuts it.
    ShiftType({kRight, kRight});
    ShiftType({kDelete});
    EXPECT_EQ(Shown(h), "|d");
    EXPECT_EQ(Clipboard(), "bc");
}

TEST_F(KeyInput, CutCopyAndPasteGoThroughTheClipboardAndReplaceTheSelection) {
    const Handle h = Make();
    Type("hello");
    Type({kHome, kRight});
    ShiftType({kRight, kRight, kRight});
    Type({kCopy});
    EXPECT_EQ(Clipboard(), "ell");
    EXPECT_EQ(Shown(h), "hell|o [1,4]");
    Type({kCut});
    EXPECT_EQ(Shown(h), "h|o");
    Type({kCut, kCopy});  // without a selection: nothing
    EXPECT_EQ(Clipboard(), "ell");

    ASSERT_EQ(DuRud::SetClipboardText("x\r\ny" KANJI "\n"), 0);
    Type({kPaste});
    EXPECT_EQ(Shown(h), "hxy" KANJI "|o");
    ShiftType({kLeft, kLeft});
    Type("a");  // typing over a selection replaces it
    EXPECT_EQ(Shown(h), "hxa|o");
}

TEST_F(KeyInput, PastedControlBytesAreNoCommands) {
    const Handle h = Make();
    Type("ab");
    // A clipboard holding paste, back space and enter bytes pastes only its
    // text: it neither pastes itself again nor edits nor ends the input.
    ASSERT_EQ(DuRud::SetClipboardText("\x16z\x08\x0D\x1B"), 0);
    Type({kPaste});
    EXPECT_EQ(Shown(h), "abz|");
    EXPECT_EQ(R(h).ended, 0);
    EXPECT_EQ(DuRud::GetCharRingView().readIndex, DuRud::GetCharRingView().writeIndex);
}

TEST_F(KeyInput, Limits) {
    struct Row {
        const char* name;
        KeyInputOptions options;
        std::string typed, shown;
    } rows[] = {
        // 'd' makes room for 'e'; at the start 'x' pushes 'e' out; the
        // double-byte character goes whole for 'y'.
        {"maximum drops from the end",
         {4, 0, 0, 0, 0},
         std::string("abcde") + kHome + "x" + kEnd + KANJI "y",
         "xay|"},
        {"character longer than the maximum", {1, 0, 0, 0, 0}, "a" KANJI "b", "b|"},
        {"digits: one sign at the start, one point",
         {16, 0, 0, 1, 0},
         std::string("1-2") + kHome + "-" + kEnd + ".3.4x" KANJI,
         "-12.34|"},
        {"single-byte only", {16, 0, 1, 0, 0}, "a" KANJI "b", "ab|"},
        {"double-byte only", {16, 0, 0, 0, 1}, "a" KANJI "b", KANJI "|"},
        {"page keys and other codes typed", {64, 0, 0, 0, 0}, "a\x17\x15\x01", "a\x17\x15\x01|"},
    };
    for (const Row& r : rows) {
        const Handle h = Make(r.options);
        for (char c : r.typed) Type({c});
        EXPECT_EQ(Shown(h), r.shown) << r.name;
        ASSERT_EQ(DuRud::DeleteKeyInput(h), 0);
    }
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
