// The character-code ring: typed bytes wait here until the key-input editor
// takes them, a double-byte character only once both its bytes arrived.
#include "input/char_input.h"

#include "input/char_input_state.h"

#include <cstring>

#include "DuRud.h"
#include "core/text_literals.h"

namespace DuRud {
namespace {

// Virtual key -> control code of the editing keys.
struct ControlKey {
    int virtualKey;
    unsigned char code;
};
constexpr ControlKey kControlKeys[] = {
    {0x2E, 0x10},  // delete
    {0x25, 0x1D},  // left
    {0x27, 0x1C},  // right
    {0x26, 0x1E},  // up
    {0x28, 0x1F},  // down
    {0x24, 0x1A},  // home
    {0x23, 0x19},  // end
    {0x21, 0x17},  // page up
    {0x22, 0x15},  // page down
};

constexpr uint32_t kBlinkPeriodMs = 500;

CharInputState state;

int Next(int index) {
    return (index + 1) % kCharRingSlots;
}

}  // namespace

int InitCharBuffer() {
    LogWrite(Cp932Text("文字コードバッファの初期化を行います... "));
    const int imeUse = state.imeUse;
    const int imeEnabled = state.imeEnabled;
    // Blocks a second start-up would otherwise lose track of.
    for (KeyInputRecord& record : state.keyInputs) TrackedFree(record.text);
    TrackedFree(state.candidateList);
    TrackedFree(state.sharedText);
    std::memset(&state, 0, sizeof state);
    state.imeUse = imeUse;
    state.imeEnabled = imeEnabled;
    state.activeKeyInput = -1;
    state.blinkPeriod = kBlinkPeriodMs;
    LogWrite(Cp932Text("完了しました\n"));
    return 0;
}

int PushCharCode(unsigned char code) {
    const int next = Next(state.writeIndex);
    if (next == state.readIndex) return -1;
    state.ring[state.writeIndex] = code;
    state.writeIndex = next;
    return 0;
}

int GetCharCode(unsigned char* out, int consume) {
    if (!out || state.readIndex == state.writeIndex) return 0;
    const unsigned char first = state.ring[state.readIndex];
    int count = 1;
    if (IsCharLeadByte(first)) {
        const int trail = Next(state.readIndex);
        if (trail == state.writeIndex) return 0;  // the trail byte is still to come
        out[1] = state.ring[trail];
        count = 2;
    }
    out[0] = first;
    if (consume) state.readIndex = (state.readIndex + count) % kCharRingSlots;
    return count;
}

int CountChars(const char* text, int byteCount) {
    if (!text) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    int chars = 0;
    for (int i = 0; i < byteCount && p[i] != 0;) {
        i += (IsCharLeadByte(p[i]) && i + 1 < byteCount && p[i + 1] != 0) ? 2 : 1;
        ++chars;
    }
    return chars;
}

CharInputState& CharInput() {
    return state;
}

int IsCharLeadByte(unsigned char byte) {
    return IsLeadByte(byte, GetEngineCharSet()) && !IsControlCode(byte);
}

int CharRingFree() {
    return (state.readIndex - state.writeIndex - 1 + kCharRingSlots) % kCharRingSlots;
}

int FeedCharMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CHAR) {
        PushCharCode(static_cast<unsigned char>(wParam & 0xFF));
    } else if (message == WM_KEYDOWN) {
        const int code = ControlCodeForVirtualKey(static_cast<int>(wParam));
        if (!code) return 0;
        PushCharCode(static_cast<unsigned char>(code));
    } else {
        return 0;
    }
    ResetCursorBlink();
    return 0;
}

int IsControlCode(unsigned char code) {
    for (const ControlKey& key : kControlKeys)
        if (key.code == code) return 1;
    return 0;
}

int ControlCodeForVirtualKey(int virtualKey) {
    for (const ControlKey& key : kControlKeys)
        if (key.virtualKey == virtualKey) return key.code;
    return 0;
}

int ResetCursorBlink() {
    state.blinkTime = static_cast<uint32_t>(GetMillisecondCounter());
    state.cursorVisible = 1;
    return 0;
}

CharRingView GetCharRingView() {
    return {state.readIndex, state.writeIndex, state.cursorVisible};
}

}  // namespace DuRud
