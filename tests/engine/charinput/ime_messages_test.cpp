// The IME bookkeeping as the scripted IME drives it through the window's
// messages: composing flag, composition, cursor in characters, clauses,
// attributes, results into the ring, candidate lists, the open-status step
// and the reset sequence.
#include <imm.h>

#include "char_input_fixture.h"
#include "window/main_window.h"

namespace charinputtest {
namespace {

using Chars = std::vector<std::string>;
using DuRud::CharInput;

const char kKanaUtf8[] = "\xE3\x81\x8B\xE3\x82\x93\xE3\x81\x98";  // "かんじ"
const char kKana[] = "\x82\xA9\x82\xF1\x82\xB6";
const char kKanjiUtf8[] = "\xE6\xBC\xA2\xE5\xAD\x97";  // "漢字"
const char kKanji[] = "\x8A\xBF\x8E\x9A";

class ImeMessages : public CharInputTest {
  protected:
    void SetUp() override {
        CharInputTest::SetUp();
        savedVersion_ = DuRud::GetSystemState().osVersionCode;
        ASSERT_TRUE(KnobImeOpen(g_window, true));
    }
    void TearDown() override {
        DuRud::MutableSystemState().osVersionCode = savedVersion_;
        CharInputTest::TearDown();
    }
    int savedVersion_ = 0;
};

TEST_F(ImeMessages, CompositionIsFollowedExactly) {
    DuRud::MutableSystemState().osVersionCode = DuRud::kOsWindowsXP;
    CharInput().imeOpen = 0;
    ASSERT_TRUE(KnobImeCompose(g_window, kKanaUtf8, 2, {0, 1, 3},
                               {ATTR_TARGET_CONVERTED, ATTR_INPUT, ATTR_INPUT}));
    EXPECT_EQ(CharInput().composing, 1);
    EXPECT_EQ(CharInput().imeOpen, 0);  // before Vista the start leaves it
    EXPECT_STREQ(CharInput().composition, kKana);
    EXPECT_EQ(CharInput().compositionCursor, 2);
    EXPECT_EQ(CharInput().clauseCount, 3);  // 12 bytes
    EXPECT_EQ(CharInput().clauses[1], 2u);
    EXPECT_EQ(CharInput().attributeCount, 6);
    EXPECT_EQ(CharInput().attributes[0], ATTR_TARGET_CONVERTED);
    EXPECT_EQ(CharInput().imeMessageSeen, 1);
    EXPECT_TRUE(TakeChars().empty());  // composing types nothing

    ASSERT_TRUE(KnobImeCommit(g_window, kKanjiUtf8));
    EXPECT_EQ(TakeChars(), (Chars{"\x8A\xBF", "\x8E\x9A"}));
    EXPECT_EQ(CharInput().composing, 0);
    EXPECT_STREQ(CharInput().composition, "");
}

TEST_F(ImeMessages, FromVistaOnStartAndEndSetTheOpenStatus) {
    DuRud::MutableSystemState().osVersionCode = DuRud::kOsWindowsVista;
    CharInput().imeOpen = 0;
    ASSERT_TRUE(KnobImeCompose(g_window, "a", 1));
    EXPECT_EQ(CharInput().imeOpen, 1);
    ASSERT_TRUE(KnobImeCancel(g_window));
    EXPECT_EQ(CharInput().imeOpen, 0);
    EXPECT_EQ(CharInput().composing, 0);
    EXPECT_TRUE(TakeChars().empty());
}

TEST_F(ImeMessages, LongStringsAreReadBoundedAndTerminated) {
    std::string utf8;
    for (int i = 0; i < 700; ++i) utf8 += "\xE4\xBA\x9C";  // 1400 bytes in code page 932
    ASSERT_TRUE(KnobImeCompose(g_window, utf8.c_str(), 700));
    EXPECT_EQ(std::strlen(CharInput().composition), 1024u);
    EXPECT_EQ(CharInput().compositionCursor, 512);  // of what was kept
    ASSERT_TRUE(KnobImeCommit(g_window, utf8.c_str()));
    const Chars chars = TakeChars();
    EXPECT_EQ(chars.size(), 512u);  // the first 1024 bytes of the result
    EXPECT_EQ(chars.back(), "\x88\x9F");
}

TEST_F(ImeMessages, CandidateListsAreKeptReplacedAndFreed) {
    ASSERT_TRUE(KnobImeCandidates(g_window, {kKanjiUtf8, "x"}, 1));
    ASSERT_NE(CharInput().candidateList, nullptr);
    EXPECT_EQ(CharInput().candidateSize, 24 + 8 + 5 + 2);
    auto* list = static_cast<CANDIDATELIST*>(CharInput().candidateList);
    EXPECT_EQ(list->dwCount, 2u);
    EXPECT_EQ(list->dwSelection, 1u);
    EXPECT_STREQ(reinterpret_cast<char*>(list) + list->dwOffset[0], kKanji);

    ASSERT_TRUE(KnobImeCandidates(g_window, {"y"}, 0));
    EXPECT_EQ(CharInput().candidateSize, 24 + 4 + 2);
    list = static_cast<CANDIDATELIST*>(CharInput().candidateList);
    EXPECT_STREQ(reinterpret_cast<char*>(list) + list->dwOffset[0], "y");

    ASSERT_TRUE(KnobImeCloseCandidates(g_window));
    EXPECT_EQ(CharInput().candidateList, nullptr);
    EXPECT_EQ(CharInput().candidateSize, 0);
}

TEST_F(ImeMessages, MissingOrUnreadableCandidateListsAreLogged) {
    SendMessageA(g_window, WM_IME_NOTIFY, IMN_OPENCANDIDATE, 1);  // no list shown
    EXPECT_EQ(CharInput().candidateList, nullptr);
    const std::string log = testsupport::ReadFile("Log.txt");
    EXPECT_NE(log.find(DuRud::Cp932Text("漢字変換候補のデータサイズが０でした  DefHWND:")),
              std::string::npos)
        << log;

    ASSERT_TRUE(KnobImeCandidates(g_window, {"a"}, 0));
    ASSERT_NE(CharInput().candidateList, nullptr);
    KnobImeFailCandidateRead(true);
    ASSERT_TRUE(KnobImeCandidates(g_window, {"b"}, 0));
    EXPECT_EQ(CharInput().candidateList, nullptr);  // the old list is gone too
    EXPECT_NE(testsupport::ReadFile("Log.txt").find(
                  DuRud::Cp932Text("漢字変換候補の取得に失敗しました  BufSize:30")),
              std::string::npos);
}

// The nested notification the pump double sends while the step pumps.
int SendNestedOpenStatus() {
    SendMessageA(g_window, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0);
    return g_pumpCalls >= 2 ? -1 : 0;
}

TEST_F(ImeMessages, OpenStatusStepPumpsWithoutReentering) {
    CharInput().imeOpen = 0;
    g_pumpCalls = 0;
    g_onPump = SendNestedOpenStatus;
    SendMessageA(g_window, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0);
    // The pump ended the wait on its second pass; the notifications sent
    // meanwhile pumped nothing more.
    EXPECT_LE(g_pumpCalls, 2);
    EXPECT_GE(g_pumpCalls, 1);
    EXPECT_EQ(CharInput().imeOpen, 1);  // what the IME reports
    EXPECT_EQ(CharInput().inOpenStatusStep, 0);

    g_pumpCalls = 0;
    g_onPump = nullptr;  // the pump reports the end at once
    ASSERT_TRUE(KnobImeOpen(g_window, false));
    EXPECT_EQ(g_pumpCalls, 1);
    EXPECT_EQ(CharInput().imeOpen, 0);
}

TEST_F(ImeMessages, ResetSequenceCancelsClosesOpensAndRestoresInFourPasses) {
    ASSERT_TRUE(KnobImeCompose(g_window, kKanaUtf8, 3));
    ASSERT_EQ(CharInput().imeOpen, 1);
    KnobImeTakeCalls();

    DuRud::StartImeReset();  // IME use is off: nothing starts
    EXPECT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_TRUE(KnobImeTakeCalls().empty());

    DuRud::SetImeUse(1);
    DuRud::StartImeReset();
    EXPECT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_EQ(KnobImeTakeCalls(), (Chars{"ImmNotifyIME(21, 4, 0)"}));
    EXPECT_STREQ(CharInput().savedComposition, kKana);
    EXPECT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_EQ(KnobImeTakeCalls(), (Chars{"ImmSetOpenStatus(0)"}));
    EXPECT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_EQ(KnobImeTakeCalls(), (Chars{"ImmSetOpenStatus(1)"}));
    EXPECT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_EQ(KnobImeTakeCalls(),
              (Chars{"ImmSetOpenStatus(1)",
                     std::string("ImmSetCompositionStringA(9, ") + kKanaUtf8 + ")"}));
    EXPECT_EQ(CharInput().imeResetStep, 0);
    EXPECT_STREQ(CharInput().composition, kKana);  // the IME reported it back
    EXPECT_EQ(DuRud::ProcessKeyInput(), 0);
    EXPECT_TRUE(KnobImeTakeCalls().empty());
}

TEST_F(ImeMessages, ActivationStartsTheResetOnlyWithImeUseAndOpen) {
    DuRud::WindowSystemState& w = DuRud::WindowState();
    const auto saved = w.settings;
    w.settings.windowMode = 1;
    w.settings.alwaysRun = 1;
    w.active = 0;
    ASSERT_EQ(CharInput().imeOpen, 1);
    EXPECT_EQ(DuRud::WindowActivate(1, 1), 0);
    EXPECT_EQ(CharInput().imeResetStep, 0);  // IME use is off
    EXPECT_EQ(DuRud::WindowActivate(0, 1), 0);
    DuRud::SetImeUse(1);
    EXPECT_EQ(DuRud::WindowActivate(1, 1), 0);
    EXPECT_EQ(CharInput().imeResetStep, 1);
    w.active = 0;
    w.settings = saved;
}

TEST_F(ImeMessages, SetContextHidesTheImeWindowsAndOtherMessagesPassOn) {
    EXPECT_EQ(SendMessageA(g_window, WM_IME_SETCONTEXT, 1, ISC_SHOWUIALL), 0);
    EXPECT_EQ(SendMessageA(g_window, WM_IME_NOTIFY, IMN_SETCONVERSIONMODE, 0), 0);
    EXPECT_EQ(SendMessageA(g_window, WM_IME_CHAR, 0x82A0, 0), 0);
    EXPECT_EQ(CharInput().imeMessageSeen, 1);
    EXPECT_EQ(CharInput().cursorVisible, 1);
}

}  // namespace
}  // namespace charinputtest
