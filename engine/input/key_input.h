// Key-input strings: text the user types into a record of this module, with
// cursor, selection, clipboard and length limits, edited once per pump pass.
// Handles are 0x24000000 | check << 16 | index into the module's own array.
#pragma once

#include <windows.h>

#include "DuRud.h"

namespace DuRud {

constexpr int kKeyInputRecords = 256;
constexpr Handle kKeyInputHandleBase = 0x24000000;

struct KeyInputRecord {
    int inUse;
    int check;
    int ended;  // 1 after Enter or a cancel
    int cancelled;
    int length;          // bytes
    int maxLength;       // bytes
    int selectionStart;  // -1: no selection; the ends come in either order
    int selectionEnd;
    int displayStart;
    int cursor;  // byte offset
    char* text;  // maxLength + 1 bytes, tracked
    int cancelAllowed;
    int singleByteOnly;
    int digitsOnly;
    int doubleByteOnly;
};

// Edits the active key-input string with the characters waiting in the ring;
// runs the IME reset step first. 0, -1 when the active handle is invalid.
int ProcessKeyInput();
int DeleteKeyInput(Handle handle);  // 0, -1 for an invalid handle
int DeleteAllKeyInputs();           // 0

// The record behind a handle, or null.
KeyInputRecord* GetKeyInputRecord(Handle handle);
Handle GetActiveKeyInput();

// Internal set-up (nothing in this system creates key-input strings): a
// record with an empty text of at most maxLength bytes and the given limits,
// made the active one when `activate` is set. Its handle, or -1 when the
// array is full, the length is out of range or memory runs out.
struct KeyInputOptions {
    int maxLength;
    int cancelAllowed;
    int singleByteOnly;
    int digitsOnly;
    int doubleByteOnly;
};
Handle SetUpKeyInput(const KeyInputOptions& options, int activate);

// IME side (ime_messages.cpp).
// The IME message handler; its result is the message's result.
LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Activation: starts the IME reset sequence when IME use and IME open are both 1. 0.
int StartImeReset();
// One step of the IME reset sequence (ProcessKeyInput runs it). 0.
int RunImeResetStep();
// The IME-use setting; internal set-up, nothing in this system sets it. 0.
int SetImeUse(int use);
// Frees the kept candidate list.
void FreeCandidateList();

// The window module's feed: WM_CHAR bytes and the editing keys' control codes
// of WM_KEYDOWN go into the ring. 0.
int FeedCharMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace DuRud
