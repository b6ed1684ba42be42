// "Imm32.dll" and WINNLSEnableIME over the process's one scripted input
// method. Nothing here composes on its own: the composition, the result and
// the candidates are what the user (a test, through the knobs) typed, and the
// functions answer from them with the platform's contracts: a size query with
// bufferSize 0, strings copied without a NUL, GCS_CURSORPOS as the result.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "ime_state.h"
#include "code_pages.h"
#include "module_registry.h"
#include "user_state.h"
#include "windows.h"

namespace platform::ime {

namespace {

struct ImeState {
    std::mutex mutex;
    bool enabled = true;  // WINNLSEnableIME
    bool open = false;
    bool composing = false;
    Composition composition;
    std::string result;
    std::vector<std::string> candidates;
    DWORD selection = 0;
    bool failCandidateRead = false;
    std::map<uintptr_t, HWND> contexts;  // context value -> window
    uintptr_t nextContext = 0x100;
    std::vector<std::string> calls;
};

ImeState& State() {
    static ImeState state;
    return state;
}

// The double-byte code of the last character, as WM_IME_COMPOSITION's wParam.
WPARAM LastCharacter(const std::string& text) {
    WPARAM last = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (CodePageIsLeadByte(932, byte) && i + 1 < text.size()) {
            last = (static_cast<WPARAM>(byte) << 8) | static_cast<unsigned char>(text[++i]);
        } else {
            last = byte;
        }
    }
    return last;
}

constexpr LPARAM kCompositionParts =
    GCS_COMPSTR | GCS_COMPATTR | GCS_COMPCLAUSE | GCS_CURSORPOS | GCS_DELTASTART;
constexpr LPARAM kResultParts = GCS_RESULTSTR | GCS_RESULTCLAUSE;

// Copies a part out as ImmGetCompositionStringA does.
LONG CopyPart(const void* data, size_t size, LPVOID buffer, DWORD bufferSize) {
    if (bufferSize == 0) return static_cast<LONG>(size);
    if (!buffer) return IMM_ERROR_GENERAL;
    const size_t n = std::min<size_t>(size, bufferSize);
    if (n) std::memcpy(buffer, data, n);
    return static_cast<LONG>(n);
}

HIMC ContextValue(uintptr_t id) {
    return reinterpret_cast<HIMC>(id);
}

}  // namespace

HWND WindowOfContext(HIMC context) {
    ImeState& s = State();
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.contexts.find(reinterpret_cast<uintptr_t>(context));
        if (it != s.contexts.end()) window = it->second;
    }
    if (!window || !IsWindow(window)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return window;
}

bool Compose(HWND window, const Composition& composition) {
    ImeState& s = State();
    bool starting;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.enabled || !s.open) return false;
        starting = !s.composing;
        s.composing = true;
        s.composition = composition;
        s.result.clear();
    }
    if (starting) SendMessageA(window, WM_IME_STARTCOMPOSITION, 0, 0);
    SendMessageA(window, WM_IME_COMPOSITION, LastCharacter(composition.text), kCompositionParts);
    return true;
}

bool Commit(HWND window, const std::string& text) {
    ImeState& s = State();
    bool starting;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.enabled || !s.open || text.empty()) return false;
        starting = !s.composing;
        s.composing = false;
        s.composition = Composition{};
        s.result = text;
    }
    if (starting) SendMessageA(window, WM_IME_STARTCOMPOSITION, 0, 0);
    SendMessageA(window, WM_IME_COMPOSITION, LastCharacter(text), kResultParts);
    SendMessageA(window, WM_IME_ENDCOMPOSITION, 0, 0);
    return true;
}

bool CancelComposition(HWND window) {
    ImeState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.composing) return false;
        s.composing = false;
        s.composition = Composition{};
    }
    SendMessageA(window, WM_IME_COMPOSITION, 0, 0);  // the composition is gone, no result
    SendMessageA(window, WM_IME_ENDCOMPOSITION, 0, 0);
    return true;
}

bool SetOpen(HWND window, bool open) {
    ImeState& s = State();
    bool composing;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.enabled) return false;
        if (s.open == open) return true;
        composing = s.composing;
    }
    // Closing drops what was being composed.
    if (!open && composing) CancelComposition(window);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.open = open;
    }
    SendMessageA(window, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0);
    return true;
}

bool ShowCandidates(HWND window, const std::vector<std::string>& candidates, DWORD selection) {
    ImeState& s = State();
    bool opening;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.enabled || !s.open || candidates.empty() || selection >= candidates.size())
            return false;
        opening = s.candidates.empty();
        s.candidates = candidates;
        s.selection = selection;
    }
    SendMessageA(window, WM_IME_NOTIFY, opening ? IMN_OPENCANDIDATE : IMN_CHANGECANDIDATE, 1);
    return true;
}

bool CloseCandidates(HWND window) {
    ImeState& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.candidates.empty()) return false;
        s.candidates.clear();
        s.selection = 0;
    }
    SendMessageA(window, WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 1);
    return true;
}

void RecordCall(const std::string& line) {
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.push_back(line);
}

std::vector<std::string> TakeCalls() {
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<std::string> out;
    out.swap(s.calls);
    return out;
}

void FailCandidateRead(bool fail) {
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failCandidateRead = fail;
}

bool TextInputEnabled() {
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.enabled;
}

void ResetImeKnobs() {
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.enabled = true;
    s.open = false;
    s.composing = false;
    s.composition = Composition{};
    s.result.clear();
    s.candidates.clear();
    s.selection = 0;
    s.failCandidateRead = false;
    s.contexts.clear();
    s.calls.clear();
}

}  // namespace platform::ime

using namespace platform::ime;

HIMC WINAPI ImmGetContext(HWND window) {
    if (!window || !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (const auto& [id, owner] : s.contexts)
        if (owner == window) return ContextValue(id);
    const uintptr_t id = s.nextContext;
    s.nextContext += 4;
    s.contexts[id] = window;
    return ContextValue(id);
}

BOOL WINAPI ImmReleaseContext(HWND window, HIMC context) {
    HWND owner = WindowOfContext(context);
    return owner && owner == window ? TRUE : FALSE;
}

BOOL WINAPI ImmGetOpenStatus(HIMC context) {
    if (!WindowOfContext(context)) return FALSE;
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.open ? TRUE : FALSE;
}

BOOL WINAPI ImmSetOpenStatus(HIMC context, BOOL open) {
    HWND window = WindowOfContext(context);
    if (!window) return FALSE;
    RecordCall(std::string("ImmSetOpenStatus(") + (open ? "1" : "0") + ")");
    return SetOpen(window, open != FALSE) ? TRUE : FALSE;
}

BOOL WINAPI ImmGetConversionStatus(HIMC context, LPDWORD conversion, LPDWORD sentence) {
    if (!WindowOfContext(context)) return FALSE;
    // No conversion dictionary: the IME converts nothing by itself.
    if (conversion) *conversion = IME_CMODE_ALPHANUMERIC;
    if (sentence) *sentence = IME_SMODE_NONE;
    return TRUE;
}

BOOL WINAPI ImmNotifyIME(HIMC context, DWORD action, DWORD index, DWORD value) {
    HWND window = WindowOfContext(context);
    if (!window) return FALSE;
    RecordCall("ImmNotifyIME(" + std::to_string(action) + ", " + std::to_string(index) + ", " +
               std::to_string(value) + ")");
    ImeState& s = State();
    if (action == NI_COMPOSITIONSTR) {
        switch (index) {
            case CPS_CANCEL:
                CancelComposition(window);
                return TRUE;
            case CPS_COMPLETE: {
                std::string text;
                {
                    std::lock_guard<std::mutex> lock(s.mutex);
                    if (s.composing) text = s.composition.text;
                }
                if (text.empty()) {
                    CancelComposition(window);  // nothing to complete
                    return TRUE;
                }
                return Commit(window, text) ? TRUE : FALSE;
            }
            default:
                return FALSE;  // converting needs a dictionary this IME does not have
        }
    }
    if (action == NI_CLOSECANDIDATE) {
        CloseCandidates(window);
        return TRUE;
    }
    return FALSE;
}

DWORD WINAPI ImmGetCandidateListA(HIMC context, DWORD index, LPCANDIDATELIST buffer,
                                  DWORD bufferSize) {
    if (!WindowOfContext(context)) return 0;
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (index != 0 || s.candidates.empty()) return 0;
    const size_t count = s.candidates.size();
    const size_t header = offsetof(CANDIDATELIST, dwOffset) + count * sizeof(DWORD);
    size_t size = header;
    for (const std::string& c : s.candidates) size += c.size() + 1;
    if (bufferSize == 0) return static_cast<DWORD>(size);
    if (!buffer || bufferSize < size || s.failCandidateRead) return 0;
    auto* bytes = reinterpret_cast<unsigned char*>(buffer);
    buffer->dwSize = static_cast<DWORD>(size);
    buffer->dwStyle = IME_CAND_READ;
    buffer->dwCount = static_cast<DWORD>(count);
    buffer->dwSelection = s.selection;
    buffer->dwPageStart = s.selection / 9 * 9;
    buffer->dwPageSize = static_cast<DWORD>(std::min<size_t>(count, 9));
    size_t at = header;
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(bytes + offsetof(CANDIDATELIST, dwOffset) + i * sizeof(DWORD), &at,
                    sizeof(DWORD));
        std::memcpy(bytes + at, s.candidates[i].c_str(), s.candidates[i].size() + 1);
        at += s.candidates[i].size() + 1;
    }
    return static_cast<DWORD>(size);
}

LONG WINAPI ImmGetCompositionStringA(HIMC context, DWORD index, LPVOID buffer, DWORD bufferSize) {
    if (!WindowOfContext(context)) return IMM_ERROR_GENERAL;
    ImeState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    const Composition& c = s.composition;
    switch (index) {
        case GCS_COMPSTR:
            return CopyPart(c.text.data(), c.text.size(), buffer, bufferSize);
        case GCS_COMPATTR:
            return CopyPart(c.attributes.data(), c.attributes.size(), buffer, bufferSize);
        case GCS_COMPCLAUSE:
            return CopyPart(c.clauses.data(), c.clauses.size() * sizeof(DWORD), buffer, bufferSize);
        case GCS_CURSORPOS:
            return static_cast<LONG>(c.cursor);
        case GCS_DELTASTART:
            return 0;
        case GCS_RESULTSTR:
            return CopyPart(s.result.data(), s.result.size(), buffer, bufferSize);
        case GCS_RESULTCLAUSE: {
            if (s.result.empty()) return 0;
            const DWORD clauses[2] = {0, static_cast<DWORD>(s.result.size())};
            return CopyPart(clauses, sizeof clauses, buffer, bufferSize);
        }
        case GCS_COMPREADSTR:
        case GCS_COMPREADATTR:
        case GCS_COMPREADCLAUSE:
        case GCS_RESULTREADSTR:
        case GCS_RESULTREADCLAUSE:
            return 0;  // the typed reading is not kept
        default:
            return IMM_ERROR_GENERAL;
    }
}

BOOL WINAPI ImmSetCompositionStringA(HIMC context, DWORD index, LPVOID composition,
                                     DWORD compositionSize, LPVOID reading, DWORD readingSize) {
    (void)reading;
    (void)readingSize;
    HWND window = WindowOfContext(context);
    if (!window) return FALSE;
    if (index != SCS_SETSTR || (!composition && compositionSize) || compositionSize > 0x10000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const char* bytes = static_cast<const char*>(composition);
    std::string text(bytes ? bytes : "", bytes ? strnlen(bytes, compositionSize) : 0);
    RecordCall("ImmSetCompositionStringA(" + std::to_string(index) + ", " +
               platform::Cp932ToUtf8(text) + ")");
    if (text.empty()) {
        CancelComposition(window);
        return TRUE;
    }
    Composition c;
    c.text = text;
    c.cursor = static_cast<DWORD>(text.size());
    c.clauses = {0, static_cast<DWORD>(text.size())};
    c.attributes.assign(text.size(), ATTR_INPUT);
    return Compose(window, c) ? TRUE : FALSE;
}

BOOL WINAPI WINNLSEnableIME(HWND window, BOOL enable) {
    (void)window;  // the state belongs to the thread's windows, not to one
    ImeState& s = State();
    BOOL previous;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        previous = s.enabled ? TRUE : FALSE;
        s.enabled = enable != FALSE;
    }
    // The desktop's input method follows at once when one of our windows
    // has the keyboard.
    platform::user::FollowTextInputFocus(GetFocus() != nullptr);
    return previous;
}

void platform::RegisterImeModules() {
    RegisterModule("imm32.dll",
                   {
                       {"ImmGetContext", ExportOf(&ImmGetContext)},
                       {"ImmReleaseContext", ExportOf(&ImmReleaseContext)},
                       {"ImmGetOpenStatus", ExportOf(&ImmGetOpenStatus)},
                       {"ImmSetOpenStatus", ExportOf(&ImmSetOpenStatus)},
                       {"ImmGetConversionStatus", ExportOf(&ImmGetConversionStatus)},
                       {"ImmNotifyIME", ExportOf(&ImmNotifyIME)},
                       {"ImmGetCandidateListA", ExportOf(&ImmGetCandidateListA)},
                       {"ImmGetCompositionStringA", ExportOf(&ImmGetCompositionStringA)},
                       {"ImmSetCompositionStringA", ExportOf(&ImmSetCompositionStringA)},
                   });
    RegisterModule("user32.dll", {{"WINNLSEnableIME", ExportOf(&WINNLSEnableIME)}});
}
