// The one input method of the process, shared by the "Imm32.dll" functions and
// the test knobs that play the user's part (typing a composition, choosing a
// candidate, committing). Every step sends the window the WM_IME_* messages
// Windows sends for it, in Windows' order, with no lock held so that the
// window procedure can call back into the IME.
#pragma once

#include <string>
#include <vector>

#include "imm.h"
#include "win_types.h"

namespace platform::ime {

// A composition in code page 932: cursor in bytes, clause starts in bytes
// (ending with the length), one attribute per byte.
struct Composition {
    std::string text;
    DWORD cursor = 0;
    std::vector<DWORD> clauses;
    std::vector<BYTE> attributes;
};

// The window behind a context, or null (with ERROR_INVALID_HANDLE) when the
// context was never given out or its window is gone.
HWND WindowOfContext(HIMC context);

// The user's steps. False, with nothing sent, when the IME is disabled or
// closed (or, for a commit, when there is nothing to commit).
bool Compose(HWND window, const Composition& composition);
bool Commit(HWND window, const std::string& text);
bool CancelComposition(HWND window);  // false when nothing was being composed
bool SetOpen(HWND window, bool open);
bool ShowCandidates(HWND window, const std::vector<std::string>& candidates, DWORD selection);
bool CloseCandidates(HWND window);

// The IME calls programs make, one line each, for tests.
void RecordCall(const std::string& line);
std::vector<std::string> TakeCalls();
// Makes candidate-list reads fail while the size query still answers.
void FailCandidateRead(bool fail);

// False after WINNLSEnableIME(FALSE): typed text is then not taken at all.
bool TextInputEnabled();

// Back to the start: enabled, closed, nothing composed, no contexts.
void ResetImeKnobs();

}  // namespace platform::ime
