// Character input: the character-code ring of typed text (code page 932
// bytes from WM_CHAR and the IME's results) and the control codes the window
// procedure makes of editing keys.
#pragma once

#include <cstdint>

namespace DuRud {

// Ring capacity: one slot stays free so that full and empty differ.
constexpr int kCharRingSlots = 1025;

// Empties the ring (keeps the IME-use setting and the last IME enable state). 0.
int InitCharBuffer();
// 0, or -1 when the ring is full (the byte is dropped).
int PushCharCode(unsigned char code);
// Bytes of the next character into out[0..1]: 0 (empty, or a lead byte whose
// trail has not arrived), 1 or 2. With consume 0 the bytes stay in the ring.
int GetCharCode(unsigned char* out, int consume);
// Characters in the first byteCount bytes of text (stops at a NUL).
int CountChars(const char* text, int byteCount);
// 1 when the byte is one of the editing keys' control codes.
int IsControlCode(unsigned char code);
// The control code of an editing key's virtual key, 0 for other keys.
int ControlCodeForVirtualKey(int virtualKey);
// Restarts the cursor blink (visible, from now). 0.
int ResetCursorBlink();

// Test view of the module state.
struct CharRingView {
    int readIndex;
    int writeIndex;
    int cursorVisible;
};
CharRingView GetCharRingView();

}  // namespace DuRud
