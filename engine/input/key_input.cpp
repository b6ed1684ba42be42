// Key-input strings: records in the module's own array, edited once per pump
// pass from the character ring. A double-byte character is always moved,
// inserted and deleted as a whole.
#include "input/key_input.h"

#include <imm.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/system_services.h"
#include "input/char_input_state.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

constexpr int kMaxKeyInputLength = 0x10000;

// Codes of the editing table.
enum : unsigned char {
    kCopy = 0x03,
    kBackSpace = 0x08,
    kTab = 0x09,
    kEnter = 0x0D,
    kDelete = 0x10,
    kPaste = 0x16,
    kCut = 0x18,
    kEnd = 0x19,
    kHome = 0x1A,
    kEscape = 0x1B,
    kRight = 0x1C,
    kLeft = 0x1D,
    kUp = 0x1E,
    kDown = 0x1F,
};

int Index(Handle handle) {
    return handle & 0xFFFF;
}

bool ShiftDown() {
    return CheckKeyDown(0x2A) || CheckKeyDown(0x36);
}

// Bytes of the character at `at` (2 for a double-byte character whose trail
// byte is there, else 1).
int CharBytesAt(const KeyInputRecord& r, int at) {
    return IsCharLeadByte(static_cast<unsigned char>(r.text[at])) && at + 1 < r.length ? 2 : 1;
}

// Start of the character before `at`.
int PreviousCharStart(const KeyInputRecord& r, int at) {
    int start = 0;
    for (int i = 0; i < at;) {
        start = i;
        i += CharBytesAt(r, i);
    }
    return start;
}

bool HasSelection(const KeyInputRecord& r) {
    return r.selectionStart >= 0 && r.selectionEnd >= 0 && r.selectionStart != r.selectionEnd;
}

void ClearSelection(KeyInputRecord& r) {
    r.selectionStart = -1;
    r.selectionEnd = -1;
}

// Removes bytes [from, to) of the text.
void RemoveBytes(KeyInputRecord& r, int from, int to) {
    from = std::clamp(from, 0, r.length);
    to = std::clamp(to, from, r.length);
    std::memmove(r.text + from, r.text + to, r.length - to);
    r.length -= to - from;
    r.text[r.length] = '\0';
    if (r.cursor > r.length) r.cursor = r.length;
    if (r.displayStart > r.length) r.displayStart = r.length;
}

void DeleteSelection(KeyInputRecord& r) {
    const int from = std::clamp(std::min(r.selectionStart, r.selectionEnd), 0, r.length);
    const int to = std::clamp(std::max(r.selectionStart, r.selectionEnd), 0, r.length);
    RemoveBytes(r, from, to);
    r.cursor = from;
    ClearSelection(r);
}

void CopySelection(const KeyInputRecord& r) {
    const int from = std::clamp(std::min(r.selectionStart, r.selectionEnd), 0, r.length);
    const int to = std::clamp(std::max(r.selectionStart, r.selectionEnd), 0, r.length);
    SetClipboardText(std::string(r.text + from, r.text + to).c_str());
}

// Clipboard text into the ring: double-byte characters whole, and no control
// bytes, so pasted text is typed text and never an editing command (a pasted
// 0x16 would paste again without end).
void Paste() {
    const int size = GetClipboardText(nullptr, 0);
    if (size <= 1) return;
    std::string text(static_cast<size_t>(size), '\0');
    if (GetClipboardText(text.data(), size) != 0) return;
    text.resize(std::strlen(text.c_str()));
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (IsCharLeadByte(byte) && i + 1 < text.size()) {
            if (CharRingFree() < 2) return;
            PushCharCode(byte);
            PushCharCode(static_cast<unsigned char>(text[++i]));
        } else if (byte >= 0x20 && byte != 0x7F) {
            if (PushCharCode(byte) != 0) return;
        }
    }
}

// Home and End: the target is 0 or the length.
void MoveToEdge(KeyInputRecord& r, int target) {
    if (ShiftDown()) {
        r.selectionStart = r.selectionStart >= 0 ? r.selectionStart : r.cursor;
        r.selectionEnd = target;
    } else {
        ClearSelection(r);
    }
    r.cursor = target;
}

void StepCursor(KeyInputRecord& r, bool right) {
    const int old = r.cursor;
    if (right) {
        if (r.cursor < r.length) r.cursor += CharBytesAt(r, r.cursor);
    } else if (r.cursor > 0) {
        r.cursor = PreviousCharStart(r, r.cursor);
    }
    if (ShiftDown()) {
        if (r.selectionStart < 0) r.selectionStart = old;
        r.selectionEnd = r.cursor;
    } else {
        ClearSelection(r);
    }
}

bool Accepts(const KeyInputRecord& r, const unsigned char* c, int n) {
    if (r.digitsOnly) {
        if (n != 1) return false;
        if (c[0] >= '0' && c[0] <= '9') return true;
        if (c[0] == '-') return r.cursor == 0;
        if (c[0] == '.') return std::memchr(r.text, '.', r.length) == nullptr;
        return false;
    }
    if (r.singleByteOnly && n == 2) return false;
    if (r.doubleByteOnly && n == 1) return false;
    // A character longer than the whole string can never fit: dropping the
    // text's characters would not make room for it.
    return n <= r.maxLength;
}

void Insert(KeyInputRecord& r, const unsigned char* c, int n) {
    if (HasSelection(r)) DeleteSelection(r);
    ClearSelection(r);
    if (!Accepts(r, c, n)) return;
    while (r.length + n > r.maxLength && r.length > 0) {
        const bool atEnd = r.cursor >= r.length;
        RemoveBytes(r, PreviousCharStart(r, r.length), r.length);
        if (atEnd) r.cursor = r.length;
    }
    std::memmove(r.text + r.cursor + n, r.text + r.cursor, r.length - r.cursor);
    std::memcpy(r.text + r.cursor, c, n);
    r.cursor += n;
    r.length += n;
    r.text[r.length] = '\0';
}

void EndInput(KeyInputRecord& r, bool cancelled) {
    if (cancelled) r.cancelled = 1;
    r.ended = 1;
    CharInput().activeKeyInput = -1;
}

void Edit(KeyInputRecord& r, const unsigned char* c, int n) {
    if (n == 2) {
        Insert(r, c, 2);
        return;
    }
    switch (c[0]) {
        case kCopy:
            if (HasSelection(r)) CopySelection(r);
            break;
        case kBackSpace:
            if (HasSelection(r)) {
                DeleteSelection(r);
            } else if (r.cursor > 0) {
                const int start = PreviousCharStart(r, r.cursor);
                RemoveBytes(r, start, r.cursor);
                r.cursor = start;
                ClearSelection(r);
            }
            break;
        case kTab:
        case kUp:
        case kDown:
            break;
        case kEnter:
            EndInput(r, false);
            break;
        case kDelete:
            if (HasSelection(r)) {
                if (ShiftDown()) CopySelection(r);
                DeleteSelection(r);
            } else if (r.cursor < r.length) {
                RemoveBytes(r, r.cursor, r.cursor + CharBytesAt(r, r.cursor));
                ClearSelection(r);
            }
            break;
        case kPaste:
            Paste();
            break;
        case kCut:
            if (HasSelection(r)) {
                CopySelection(r);
                DeleteSelection(r);
            }
            break;
        case kEnd:
            MoveToEdge(r, r.length);
            break;
        case kHome:
            MoveToEdge(r, 0);
            break;
        case kEscape:
            if (r.cancelAllowed) EndInput(r, true);
            break;
        case kRight:
        case kLeft:
            StepCursor(r, c[0] == kRight);
            break;
        default:
            Insert(r, c, 1);
            break;
    }
}

// Cuts a composition that would make the string pass its limits at the last
// whole character that fits, and sets the cut string back into the IME.
void ApplyCompositionLimit(const KeyInputRecord& r) {
    CharInputState& s = CharInput();
    if (!s.compositionLimitSwitch && !s.compositionLimit) return;
    const int length = static_cast<int>(std::strlen(s.composition));
    int limit = length;
    if (s.compositionLimitSwitch) limit = std::min(limit, std::max(0, r.maxLength - r.length));
    if (s.compositionLimit) limit = std::min(limit, s.compositionLimit);
    if (limit >= length) return;
    int cut = 0;
    for (int i = 0; i < length;) {
        const int n = IsCharLeadByte(static_cast<unsigned char>(s.composition[i])) ? 2 : 1;
        if (i + n > limit) break;
        i += n;
        cut = i;
    }
    s.composition[cut] = '\0';
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    auto get = WinApi<HIMC(WINAPI*)(HWND)>(Api_ImmGetContext);
    auto release = WinApi<BOOL(WINAPI*)(HWND, HIMC)>(Api_ImmReleaseContext);
    auto notify = WinApi<BOOL(WINAPI*)(HIMC, DWORD, DWORD, DWORD)>(Api_ImmNotifyIME);
    auto setString = WinApi<BOOL(WINAPI*)(HIMC, DWORD, LPVOID, DWORD, LPVOID, DWORD)>(
        Api_ImmSetCompositionStringA);
    HIMC context = get && window ? get(window) : nullptr;
    if (!context) return;
    char cutText[kCompositionBytes + 1];
    std::memcpy(cutText, s.composition, cut + 1);
    if (notify) notify(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
    if (setString && cut > 0) setString(context, SCS_SETSTR, cutText, cut, nullptr, 0);
    if (release) release(window, context);
}

}  // namespace

KeyInputRecord* GetKeyInputRecord(Handle handle) {
    if ((handle & 0xFF000000) != kKeyInputHandleBase) return nullptr;
    const int index = Index(handle);
    if (index >= kKeyInputRecords) return nullptr;
    KeyInputRecord& r = CharInput().keyInputs[index];
    if (!r.inUse || r.check != ((handle >> 16) & 0xFF)) return nullptr;
    return &r;
}

Handle GetActiveKeyInput() {
    return CharInput().activeKeyInput;
}

Handle SetUpKeyInput(const KeyInputOptions& options, int activate) {
    if (options.maxLength < 1 || options.maxLength > kMaxKeyInputLength) return -1;
    CharInputState& s = CharInput();
    static int nextCheck = 0;
    for (int i = 0; i < kKeyInputRecords; ++i) {
        KeyInputRecord& r = s.keyInputs[i];
        if (r.inUse) continue;
        char* text = static_cast<char*>(
            TrackedCalloc(static_cast<uint32_t>(options.maxLength) + 1, __FILE__, __LINE__));
        if (!text) return -1;
        nextCheck = (nextCheck + 1) & 0xFF;
        r = KeyInputRecord{};
        r.inUse = 1;
        r.check = nextCheck;
        r.maxLength = options.maxLength;
        r.selectionStart = -1;
        r.selectionEnd = -1;
        r.text = text;
        r.cancelAllowed = options.cancelAllowed;
        r.singleByteOnly = options.singleByteOnly;
        r.digitsOnly = options.digitsOnly;
        r.doubleByteOnly = options.doubleByteOnly;
        s.imeInUse = s.imeUse;
        const Handle handle = kKeyInputHandleBase | (r.check << 16) | i;
        if (activate) s.activeKeyInput = handle;
        return handle;
    }
    return -1;
}

int ProcessKeyInput() {
    RunImeResetStep();
    CharInputState& s = CharInput();
    if (s.activeKeyInput == -1) return 0;
    KeyInputRecord* r = GetKeyInputRecord(s.activeKeyInput);
    if (!r) return -1;
    if (r->ended) return 0;
    ApplyCompositionLimit(*r);
    unsigned char c[2];
    while (!r->ended) {
        const int n = GetCharCode(c, 1);
        if (n == 0) break;
        ResetCursorBlink();
        Edit(*r, c, n);
    }
    return 0;
}

int DeleteKeyInput(Handle handle) {
    KeyInputRecord* r = GetKeyInputRecord(handle);
    if (!r) return -1;
    CharInputState& s = CharInput();
    TrackedFree(r->text);
    *r = KeyInputRecord{};
    if (s.activeKeyInput == handle) s.activeKeyInput = -1;
    for (const KeyInputRecord& other : s.keyInputs)
        if (other.inUse) return 0;
    s.imeInUse = 0;
    const int wanted = s.imeUse;
    if (wanted != s.imeEnabled) {
        if (auto enable = WinApi<BOOL(WINAPI*)(HWND, BOOL)>(Api_WINNLSEnableIME))
            enable(static_cast<HWND>(GetMainWindowHandle()), wanted);
        s.imeEnabled = wanted;
    }
    if (!s.imeUse) {
        FreeCandidateList();
        s.composition[0] = '\0';
        s.composing = 0;
    }
    return 0;
}

int DeleteAllKeyInputs() {
    CharInputState& s = CharInput();
    for (int i = 0; i < kKeyInputRecords; ++i) {
        const KeyInputRecord& r = s.keyInputs[i];
        if (r.inUse) DeleteKeyInput(kKeyInputHandleBase | (r.check << 16) | i);
    }
    TrackedFree(s.sharedText);
    s.sharedText = nullptr;
    s.activeKeyInput = -1;
    return 0;
}

}  // namespace DuRud
