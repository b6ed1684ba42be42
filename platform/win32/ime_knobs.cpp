// Test knobs of the input method: the user's side of composing, choosing and
// committing, in UTF-8, turned into the code page 932 data the IME reports.
#include <string>
#include <vector>

#include "code_pages.h"
#include "ime_state.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

// Code page 932 bytes of UTF-8 text and the byte offset where each character
// starts (plus the end); false when a character has no code page 932 form.
bool ToCp932(const char* utf8, std::string& out, std::vector<DWORD>* starts) {
    if (!utf8) return false;
    out.clear();
    if (starts) starts->clear();
    std::u16string wide;
    if (!platform::CodePageDecode(CP_UTF8, utf8, true, wide)) return false;
    for (size_t i = 0; i < wide.size(); ++i) {
        size_t n = (wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size()) ? 2 : 1;
        std::string bytes;
        if (!platform::CodePageEncode(932, std::u16string_view(wide).substr(i, n), true, {},
                                      nullptr, bytes))
            return false;
        if (starts) starts->push_back(static_cast<DWORD>(out.size()));
        out += bytes;
        i += n - 1;
    }
    if (starts) starts->push_back(static_cast<DWORD>(out.size()));
    return true;
}

}  // namespace

bool KnobImeOpen(HWND window, bool open) {
    if (!IsWindow(window)) return false;
    return platform::ime::SetOpen(window, open);
}

bool KnobImeCompose(HWND window, const char* utf8, int cursorChars,
                    const std::vector<int>& clauseChars, const std::vector<BYTE>& attributes) {
    if (!IsWindow(window)) return false;
    platform::ime::Composition c;
    std::vector<DWORD> starts;
    if (!ToCp932(utf8, c.text, &starts) || c.text.empty()) return false;
    const int chars = static_cast<int>(starts.size()) - 1;
    if (cursorChars < 0 || cursorChars > chars) return false;
    c.cursor = starts[cursorChars];
    if (clauseChars.empty()) {
        c.clauses = {0, static_cast<DWORD>(c.text.size())};
    } else {
        for (int at : clauseChars) {
            if (at < 0 || at > chars) return false;
            c.clauses.push_back(starts[at]);
        }
    }
    if (!attributes.empty() && static_cast<int>(attributes.size()) != chars) return false;
    for (int i = 0; i < chars; ++i) {
        const BYTE attribute = attributes.empty() ? ATTR_INPUT : attributes[i];
        c.attributes.insert(c.attributes.end(), starts[i + 1] - starts[i], attribute);
    }
    return platform::ime::Compose(window, c);
}

bool KnobImeCommit(HWND window, const char* utf8) {
    std::string text;
    if (!IsWindow(window) || !ToCp932(utf8, text, nullptr)) return false;
    return platform::ime::Commit(window, text);
}

bool KnobImeCancel(HWND window) {
    if (!IsWindow(window)) return false;
    return platform::ime::CancelComposition(window);
}

bool KnobImeCandidates(HWND window, const std::vector<std::string>& utf8, int selection) {
    if (!IsWindow(window) || selection < 0) return false;
    std::vector<std::string> list;
    for (const std::string& candidate : utf8) {
        std::string bytes;
        if (!ToCp932(candidate.c_str(), bytes, nullptr)) return false;
        list.push_back(bytes);
    }
    return platform::ime::ShowCandidates(window, list, static_cast<DWORD>(selection));
}

bool KnobImeCloseCandidates(HWND window) {
    if (!IsWindow(window)) return false;
    return platform::ime::CloseCandidates(window);
}

void KnobImeFailCandidateRead(bool fail) {
    platform::ime::FailCandidateRead(fail);
}

std::vector<std::string> KnobImeTakeCalls() {
    return platform::ime::TakeCalls();
}
