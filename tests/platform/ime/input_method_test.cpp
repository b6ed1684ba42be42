// The scripted input method: what "Imm32.dll" reports by default, the
// platform's copy contracts, compositions, results and candidate lists as the
// knobs type them (with the WM_IME_* messages in Windows' order), the calls a
// program makes, and bad handles and arguments.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imm.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string text;  // WM_IME_COMPOSITION: the part its lParam names, read at once
};
std::vector<Seen> seen;

std::string ReadPart(HWND window, DWORD part) {
    HIMC context = ImmGetContext(window);
    std::string out;
    LONG size = ImmGetCompositionStringA(context, part, nullptr, 0);
    if (size > 0) {
        out.resize(size);
        ImmGetCompositionStringA(context, part, out.data(), size);
    }
    ImmReleaseContext(window, context);
    return out;
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message >= WM_IME_STARTCOMPOSITION && message <= WM_IME_COMPOSITION) ||
        (message >= WM_IME_SETCONTEXT && message <= WM_IME_KEYUP)) {
        Seen s{message, wParam, lParam, {}};
        if (message == WM_IME_COMPOSITION) {
            if (lParam & GCS_RESULTSTR)
                s.text = ReadPart(window, GCS_RESULTSTR);
            else if (lParam & GCS_COMPSTR)
                s.text = ReadPart(window, GCS_COMPSTR);
        }
        seen.push_back(s);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class InputMethod : public testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ImeRecorder";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "ImeRecorder", "ime", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        seen.clear();
        context = ImmGetContext(window);
        ASSERT_NE(context, nullptr);
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
        seen.clear();
    }
    std::vector<UINT> Messages() const {
        std::vector<UINT> out;
        for (const Seen& s : seen) out.push_back(s.message);
        return out;
    }
    HWND window = nullptr;
    HIMC context = nullptr;
};

const char kKanji[] = "\x8A\xBF\x8E\x9A";              // "漢字" in code page 932
const char kKanjiUtf8[] = "\xE6\xBC\xA2\xE5\xAD\x97";  // "漢字"

TEST_F(InputMethod, ByDefaultAContextWithNothingComposedClosedAndNoCandidates) {
    EXPECT_EQ(ImmGetContext(window), context);  // one context per window
    EXPECT_FALSE(ImmGetOpenStatus(context));
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPSTR, nullptr, 0), 0);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_RESULTSTR, nullptr, 0), 0);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_CURSORPOS, nullptr, 0), 0);
    EXPECT_EQ(ImmGetCandidateListA(context, 0, nullptr, 0), 0u);
    DWORD conversion = 99, sentence = 99;
    EXPECT_TRUE(ImmGetConversionStatus(context, &conversion, &sentence));
    EXPECT_EQ(conversion, static_cast<DWORD>(IME_CMODE_ALPHANUMERIC));
    EXPECT_TRUE(ImmReleaseContext(window, context));
    EXPECT_TRUE(seen.empty());
}

TEST_F(InputMethod, EnableReturnsThePreviousStateAndDisabledImeTypesNothing) {
    EXPECT_TRUE(WINNLSEnableIME(window, FALSE));
    EXPECT_FALSE(WINNLSEnableIME(window, FALSE));
    EXPECT_FALSE(KnobImeOpen(window, true));
    EXPECT_FALSE(ImmSetOpenStatus(context, TRUE));
    EXPECT_FALSE(KnobImeCommit(window, "a"));
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(WINNLSEnableIME(window, TRUE));
    EXPECT_TRUE(WINNLSEnableIME(window, TRUE));
    EXPECT_TRUE(KnobImeOpen(window, true));
}

TEST_F(InputMethod, CompositionIsReportedAsScripted) {
    ASSERT_TRUE(KnobImeOpen(window, true));
    EXPECT_TRUE(ImmGetOpenStatus(context));
    // "かんじ" with the cursor after two characters, clauses "か" and "んじ".
    ASSERT_TRUE(KnobImeCompose(window, "\xE3\x81\x8B\xE3\x82\x93\xE3\x81\x98", 2, {0, 1, 3},
                               {ATTR_TARGET_CONVERTED, ATTR_INPUT, ATTR_INPUT}));
    ASSERT_EQ(Messages(),
              (std::vector<UINT>{WM_IME_NOTIFY, WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION}));
    EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(IMN_SETOPENSTATUS));
    const LPARAM composing = GCS_COMPSTR | GCS_COMPATTR | GCS_COMPCLAUSE | GCS_CURSORPOS;
    EXPECT_EQ(seen[2].lParam & (composing | GCS_RESULTSTR), composing);
    EXPECT_EQ(seen[2].wParam, 0x82B6u);  // the last character, "じ"
    const std::string kana = "\x82\xA9\x82\xF1\x82\xB6";
    EXPECT_EQ(seen[2].text, kana);

    // Size query, copy without a NUL, copy cut to the buffer.
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPSTR, nullptr, 0), 6);
    char buffer[10];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPSTR, buffer, sizeof buffer), 6);
    EXPECT_EQ(std::string(buffer, 6), kana);
    EXPECT_EQ(static_cast<unsigned char>(buffer[6]), 0xEE);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPSTR, buffer, 3), 3);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPSTR, nullptr, 5), IMM_ERROR_GENERAL);
    // The cursor is the result, in bytes.
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_CURSORPOS, nullptr, 0), 4);
    std::vector<DWORD> clauses(4);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPCLAUSE, clauses.data(), 16), 12);
    EXPECT_EQ(clauses, (std::vector<DWORD>{0, 2, 6, 0}));
    BYTE attributes[8] = {};
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPATTR, attributes, sizeof attributes), 6);
    const BYTE wantAttributes[6] = {1, 1, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(attributes, wantAttributes, 6), 0);

    // A second step of the same composition starts nothing new.
    seen.clear();
    ASSERT_TRUE(KnobImeCompose(window, kKanjiUtf8, 2));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_IME_COMPOSITION}));
    EXPECT_EQ(seen[0].text, kKanji);
}

TEST_F(InputMethod, CommitSendsTheResultThenEnds) {
    ASSERT_TRUE(KnobImeOpen(window, true));
    ASSERT_TRUE(KnobImeCompose(window, kKanjiUtf8, 2));
    seen.clear();
    ASSERT_TRUE(KnobImeCommit(window, kKanjiUtf8));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION}));
    EXPECT_EQ(seen[0].lParam & (GCS_RESULTSTR | GCS_COMPSTR), GCS_RESULTSTR);
    EXPECT_EQ(seen[0].text, kKanji);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPSTR, nullptr, 0), 0);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_RESULTSTR, nullptr, 0), 4);

    // A commit with no composition running starts one first.
    seen.clear();
    ASSERT_TRUE(KnobImeCommit(window, "a"));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION,
                                             WM_IME_ENDCOMPOSITION}));
}

TEST_F(InputMethod, CandidateListOpensChangesAndCloses) {
    ASSERT_TRUE(KnobImeOpen(window, true));
    seen.clear();
    ASSERT_TRUE(KnobImeCandidates(window, {kKanjiUtf8, "\xE6\x84\x9F\xE3\x81\x98", "x"}, 1));
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_IME_NOTIFY});
    EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(IMN_OPENCANDIDATE));
    EXPECT_EQ(seen[0].lParam, 1);

    const DWORD size = ImmGetCandidateListA(context, 0, nullptr, 0);
    // Header of six words, three offsets, then "漢字\0", "感じ\0", "x\0".
    ASSERT_EQ(size, 24u + 12u + 5u + 5u + 2u);
    std::vector<unsigned char> bytes(size + 8, 0xEE);
    auto* list = reinterpret_cast<CANDIDATELIST*>(bytes.data());
    EXPECT_EQ(ImmGetCandidateListA(context, 0, list, size - 1), 0u);  // too small
    ASSERT_EQ(ImmGetCandidateListA(context, 0, list, size + 8), size);
    EXPECT_EQ(
        (std::vector<DWORD>{list->dwSize, list->dwCount, list->dwSelection, list->dwOffset[0]}),
        (std::vector<DWORD>{size, 3, 1, 36}));
    EXPECT_STREQ(reinterpret_cast<char*>(bytes.data() + list->dwOffset[0]), kKanji);
    EXPECT_STREQ(reinterpret_cast<char*>(bytes.data() + list->dwOffset[2]), "x");
    EXPECT_EQ(ImmGetCandidateListA(context, 1, nullptr, 0), 0u);  // only list 0 exists

    seen.clear();
    ASSERT_TRUE(KnobImeCandidates(window, {"y"}, 0));
    EXPECT_EQ(seen.at(0).wParam, static_cast<WPARAM>(IMN_CHANGECANDIDATE));
    KnobImeFailCandidateRead(true);
    const DWORD small = ImmGetCandidateListA(context, 0, nullptr, 0);
    EXPECT_EQ(small, 24u + 4u + 2u);
    EXPECT_EQ(ImmGetCandidateListA(context, 0, list, small), 0u);
    KnobImeFailCandidateRead(false);

    seen.clear();
    ASSERT_TRUE(KnobImeCloseCandidates(window));
    EXPECT_EQ(seen.at(0).wParam, static_cast<WPARAM>(IMN_CLOSECANDIDATE));
    EXPECT_EQ(ImmGetCandidateListA(context, 0, nullptr, 0), 0u);
    EXPECT_FALSE(KnobImeCloseCandidates(window));
}

TEST_F(InputMethod, ProgramCallsCancelCloseOpenAndSetTheString) {
    ASSERT_TRUE(KnobImeOpen(window, true));
    ASSERT_TRUE(KnobImeCompose(window, kKanjiUtf8, 1));
    seen.clear();
    EXPECT_TRUE(ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION}));
    EXPECT_EQ(seen[0].lParam, 0);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_COMPSTR, nullptr, 0), 0);

    seen.clear();
    EXPECT_TRUE(ImmSetOpenStatus(context, FALSE));
    EXPECT_FALSE(ImmGetOpenStatus(context));
    EXPECT_FALSE(ImmSetCompositionStringA(context, SCS_SETSTR, const_cast<char*>(kKanji), 4,
                                          nullptr, 0));  // closed: nothing to set
    EXPECT_TRUE(ImmSetOpenStatus(context, TRUE));
    EXPECT_TRUE(ImmSetOpenStatus(context, TRUE));  // no change: no message
    EXPECT_TRUE(
        ImmSetCompositionStringA(context, SCS_SETSTR, const_cast<char*>(kKanji), 4, nullptr, 0));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_IME_NOTIFY, WM_IME_NOTIFY, WM_IME_STARTCOMPOSITION,
                                             WM_IME_COMPOSITION}));
    EXPECT_EQ(seen[3].text, kKanji);
    EXPECT_EQ(ImmGetCompositionStringA(context, GCS_CURSORPOS, nullptr, 0), 4);
    EXPECT_EQ(KnobImeTakeCalls(),
              (std::vector<std::string>{"ImmNotifyIME(21, 4, 0)", "ImmSetOpenStatus(0)",
                                        "ImmSetCompositionStringA(9, \xE6\xBC\xA2\xE5\xAD\x97)",
                                        "ImmSetOpenStatus(1)", "ImmSetOpenStatus(1)",
                                        "ImmSetCompositionStringA(9, \xE6\xBC\xA2\xE5\xAD\x97)"}));
    EXPECT_TRUE(KnobImeTakeCalls().empty());

    // Completing makes the composition the result.
    seen.clear();
    EXPECT_TRUE(ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION}));
    EXPECT_TRUE(seen[0].lParam & GCS_RESULTSTR);
    EXPECT_EQ(seen[0].text, kKanji);
    EXPECT_FALSE(ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CONVERT, 0));  // no dictionary
}

TEST_F(InputMethod, BadHandlesAndArgumentsFailCleanly) {
    EXPECT_EQ(ImmGetContext(nullptr), nullptr);
    EXPECT_EQ(ImmGetContext(reinterpret_cast<HWND>(0x7777)), nullptr);
    HIMC bogus = reinterpret_cast<HIMC>(0x12345);
    EXPECT_FALSE(ImmGetOpenStatus(bogus));
    EXPECT_FALSE(ImmSetOpenStatus(bogus, TRUE));
    EXPECT_FALSE(ImmNotifyIME(bogus, NI_COMPOSITIONSTR, CPS_CANCEL, 0));
    EXPECT_FALSE(ImmReleaseContext(window, bogus));
    EXPECT_EQ(ImmGetCompositionStringA(bogus, GCS_COMPSTR, nullptr, 0), IMM_ERROR_GENERAL);
    EXPECT_EQ(ImmGetCandidateListA(bogus, 0, nullptr, 0), 0u);
    EXPECT_FALSE(ImmGetConversionStatus(bogus, nullptr, nullptr));
    EXPECT_EQ(ImmGetCompositionStringA(context, 0x4000, nullptr, 0), IMM_ERROR_GENERAL);
    EXPECT_FALSE(ImmSetCompositionStringA(context, SCS_CHANGEATTR, nullptr, 0, nullptr, 0));
    EXPECT_FALSE(ImmSetCompositionStringA(context, SCS_SETSTR, nullptr, 4, nullptr, 0));

    // Hostile scripts are refused.
    ASSERT_TRUE(KnobImeOpen(window, true));
    seen.clear();
    EXPECT_FALSE(KnobImeCompose(nullptr, "a", 0));
    EXPECT_FALSE(KnobImeCompose(window, nullptr, 0));
    EXPECT_FALSE(KnobImeCompose(window, "", 0));
    EXPECT_FALSE(KnobImeCompose(window, "\xED\x95\x9C", 0));  // Hangul: not in code page 932
    EXPECT_FALSE(KnobImeCompose(window, "ab", 3));
    EXPECT_FALSE(KnobImeCompose(window, "ab", -1));
    EXPECT_FALSE(KnobImeCompose(window, "ab", 0, {0, 5}));
    EXPECT_FALSE(KnobImeCompose(window, "ab", 0, {}, {ATTR_INPUT}));
    EXPECT_FALSE(KnobImeCandidates(window, {}, 0));
    EXPECT_FALSE(KnobImeCandidates(window, {"a"}, 1));
    EXPECT_FALSE(KnobImeCancel(window));  // nothing composed
    EXPECT_TRUE(seen.empty());

    // A context dies with its window.
    HWND doomed = CreateWindowExA(0, "ImeRecorder", "doomed", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(doomed, nullptr);
    HIMC doomedContext = ImmGetContext(doomed);
    ASSERT_NE(doomedContext, nullptr);
    EXPECT_NE(doomedContext, context);
    DestroyWindow(doomed);
    EXPECT_FALSE(ImmGetOpenStatus(doomedContext));
    EXPECT_EQ(ImmGetCompositionStringA(doomedContext, GCS_COMPSTR, nullptr, 0), IMM_ERROR_GENERAL);
}

}  // namespace
