// The IME bookkeeping: the composition, its cursor, clauses and attributes,
// the candidate list and the open status as the WM_IME_* messages report
// them, committed results into the character ring, and the reset sequence
// that puts a composition back after the window was reactivated.
#include <imm.h>

#include <algorithm>
#include <cstring>

#include "core/module_calls.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "input/char_input_state.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

// The open-status step pumps for about 2 ms; the pass limit keeps the wait
// bounded when the clock stands still (virtual clock) and the pump never sleeps.
constexpr int64_t kOpenStatusPumpMicroseconds = 2000;
constexpr int kOpenStatusPumpPassLimit = 1000;

HIMC GetContext(HWND window) {
    auto get = WinApi<HIMC(WINAPI*)(HWND)>(Api_ImmGetContext);
    return get && window ? get(window) : nullptr;
}
void ReleaseContext(HWND window, HIMC context) {
    auto release = WinApi<BOOL(WINAPI*)(HWND, HIMC)>(Api_ImmReleaseContext);
    if (release && context) release(window, context);
}
LONG GetCompositionString(HIMC context, DWORD part, void* buffer, DWORD size) {
    auto get = WinApi<LONG(WINAPI*)(HIMC, DWORD, LPVOID, DWORD)>(Api_ImmGetCompositionStringA);
    return get && context ? get(context, part, buffer, size) : 0;
}
int OnVistaOrLater() {
    return GetSystemState().osVersionCode >= kOsWindowsVista;
}

// Reads a string part into `out` (room for max + 1), terminated: the IME
// writes no NUL. Returns the byte count.
int ReadString(HIMC context, DWORD part, char* out, int max) {
    LONG n = GetCompositionString(context, part, out, static_cast<DWORD>(max));
    n = std::clamp<LONG>(n, 0, max);
    out[n] = '\0';
    return static_cast<int>(n);
}

void OnComposition(CharInputState& s, HWND window, LPARAM parts) {
    HIMC context = GetContext(window);
    if (!context) return;
    if (parts & GCS_COMPSTR) ReadString(context, GCS_COMPSTR, s.composition, kCompositionBytes);
    if (parts & GCS_RESULTSTR) {
        char result[kCompositionBytes + 1];
        const int n = ReadString(context, GCS_RESULTSTR, result, kCompositionBytes);
        for (int i = 0; i < n; ++i) PushCharCode(static_cast<unsigned char>(result[i]));
        ReadString(context, GCS_COMPSTR, s.composition, kCompositionBytes);
    }
    if (parts & GCS_CURSORPOS) {
        const LONG at = GetCompositionString(context, GCS_CURSORPOS, nullptr, 0);
        s.compositionCursor = CountChars(s.composition, std::max<LONG>(at, 0));
    }
    if (parts & GCS_COMPCLAUSE) {
        const LONG n = GetCompositionString(context, GCS_COMPCLAUSE, s.clauses, sizeof s.clauses);
        s.clauseCount = static_cast<int>(std::clamp<LONG>(n, 0, sizeof s.clauses) / 4);
    }
    if (parts & GCS_COMPATTR) {
        const LONG n =
            GetCompositionString(context, GCS_COMPATTR, s.attributes, sizeof s.attributes);
        s.attributeCount = static_cast<int>(std::clamp<LONG>(n, 0, sizeof s.attributes));
    }
    ReleaseContext(window, context);
}

void ReadCandidateList(CharInputState& s, HWND window) {
    auto getList =
        WinApi<DWORD(WINAPI*)(HIMC, DWORD, LPCANDIDATELIST, DWORD)>(Api_ImmGetCandidateListA);
    HIMC context = GetContext(window);
    const DWORD size = getList && context ? getList(context, 0, nullptr, 0) : 0;
    if (size == 0) {
        LogFormatLine(Cp932Text("漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x\n"),
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)),
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(context)));
        ReleaseContext(window, context);
        return;
    }
    FreeCandidateList();
    void* block = TrackedAlloc(size, __FILE__, __LINE__);
    if (!block) {
        FatalExitFormat(
            Cp932Text("漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d "
                      "バイト )"),
            static_cast<int>(size));
    }
    if (getList(context, 0, static_cast<LPCANDIDATELIST>(block), size) == 0) {
        TrackedFree(block);
        LogFormatLine(Cp932Text("漢字変換候補の取得に失敗しました  BufSize:%d\n"),
                      static_cast<int>(size));
    } else {
        s.candidateList = block;
        s.candidateSize = static_cast<int>(size);
    }
    ReleaseContext(window, context);
}

void OnSetOpenStatus(CharInputState& s, HWND window, WPARAM wParam, LPARAM lParam) {
    if (s.inOpenStatusStep) return;
    s.inOpenStatusStep = 1;
    DefWindowProcA(window, WM_IME_NOTIFY, wParam, lParam);
    const int64_t start = GetMicrosecondCounter();
    for (int pass = 0; pass < kOpenStatusPumpPassLimit; ++pass) {
        if (Calls().PumpWindowMessages() != 0) break;
        if (GetMicrosecondCounter() - start >= kOpenStatusPumpMicroseconds) break;
    }
    auto getOpen = WinApi<BOOL(WINAPI*)(HIMC)>(Api_ImmGetOpenStatus);
    HIMC context = GetContext(window);
    s.imeOpen = getOpen && context && getOpen(context) ? 1 : 0;
    ReleaseContext(window, context);
    s.inOpenStatusStep = 0;
}

}  // namespace

void FreeCandidateList() {
    CharInputState& s = CharInput();
    TrackedFree(s.candidateList);
    s.candidateList = nullptr;
    s.candidateSize = 0;
}

LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CharInputState& s = CharInput();
    s.imeMessageSeen = 1;
    ResetCursorBlink();
    switch (message) {
        case WM_IME_STARTCOMPOSITION:
            s.compositionCursor = 0;
            s.composing = 1;
            if (OnVistaOrLater()) s.imeOpen = 1;
            return 0;
        case WM_IME_ENDCOMPOSITION:
            s.composition[0] = '\0';
            s.composing = 0;
            if (OnVistaOrLater()) s.imeOpen = 0;
            return 0;
        case WM_IME_COMPOSITION:
            OnComposition(s, window, lParam);
            return 0;
        case WM_IME_SETCONTEXT:
            // lParam 0: the IME shows none of its own windows.
            return DefWindowProcA(window, message, wParam, 0);
        case WM_IME_NOTIFY:
            switch (wParam) {
                case IMN_CHANGECANDIDATE:
                case IMN_OPENCANDIDATE:
                case IMN_SETCANDIDATEPOS:
                    ReadCandidateList(s, window);
                    break;
                case IMN_CLOSECANDIDATE:
                    FreeCandidateList();
                    break;
                case IMN_SETOPENSTATUS:
                    OnSetOpenStatus(s, window, wParam, lParam);
                    break;
                default:
                    DefWindowProcA(window, message, wParam, lParam);
                    break;
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int StartImeReset() {
    CharInputState& s = CharInput();
    if (s.imeUse == 1 && s.imeOpen == 1) s.imeResetStep = 1;
    return 0;
}

int RunImeResetStep() {
    CharInputState& s = CharInput();
    if (s.imeResetStep == 0) return 0;
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    HIMC context = GetContext(window);
    auto notify = WinApi<BOOL(WINAPI*)(HIMC, DWORD, DWORD, DWORD)>(Api_ImmNotifyIME);
    auto setOpen = WinApi<BOOL(WINAPI*)(HIMC, BOOL)>(Api_ImmSetOpenStatus);
    auto setString = WinApi<BOOL(WINAPI*)(HIMC, DWORD, LPVOID, DWORD, LPVOID, DWORD)>(
        Api_ImmSetCompositionStringA);
    // The step moves on before its calls: they send messages that may pump.
    const int step = s.imeResetStep;
    s.imeResetStep = step >= 4 ? 0 : step + 1;
    switch (step) {
        case 1:
            std::memcpy(s.savedComposition, s.composition, sizeof s.savedComposition);
            if (notify && context) notify(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
            break;
        case 2:
            if (setOpen && context) setOpen(context, FALSE);
            break;
        case 3:
            if (setOpen && context) setOpen(context, TRUE);
            break;
        default:
            if (setOpen && context) setOpen(context, TRUE);
            if (setString && context) {
                setString(context, SCS_SETSTR, s.savedComposition,
                          static_cast<DWORD>(std::strlen(s.savedComposition)), nullptr, 0);
            }
            break;
    }
    ReleaseContext(window, context);
    return 0;
}

int SetImeUse(int use) {
    CharInput().imeUse = use ? 1 : 0;
    return 0;
}

}  // namespace DuRud
