// Typed text: SDL's committed text becomes WM_CHAR messages of code page 932
// bytes, one message per byte with the lead byte first, as an ANSI window
// receives them. Characters code page 932 cannot hold are dropped rather than
// turned into '?', so nothing is typed that the user did not type. Keys that
// make control characters (Enter, Back Space, Ctrl+letter, ...) come through
// TranslateMessage from their key messages; SDL never reports those as text,
// so no key gives both.
#include <SDL.h>

#include <memory>
#include <string>

#include "code_pages.h"
#include "ime_state.h"
#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

// The code page 932 bytes of one Unicode character, empty when it has none.
std::string Cp932BytesOf(char32_t c) {
    std::u16string wide;
    if (c >= 0x10000) {
        c -= 0x10000;
        wide.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        wide.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        wide.push_back(static_cast<char16_t>(c));
    }
    std::string bytes;
    if (!CodePageEncode(932, wide, true, {}, nullptr, bytes)) return {};
    return bytes;
}

}  // namespace

void PostTypedText(const std::shared_ptr<Window>& window, const char* utf8) {
    POINT screen{};
    GetCursorPos(&screen);
    for (char32_t c : Utf8ToUtf32(utf8)) {
        if (c == 0xFFFD || c < 0x20 || c == 0x7F) continue;  // broken bytes, control characters
        for (char byte : Cp932BytesOf(c)) {
            MSG msg{window->handle,
                    WM_CHAR,
                    static_cast<WPARAM>(static_cast<unsigned char>(byte)),
                    1,
                    static_cast<DWORD>(NowMs()),
                    screen};
            PostToQueue(window->queue, msg);
        }
    }
}

void FollowTextInputFocus(bool focused) {
    // SDL starts its text input (and the desktop's input method) only while a
    // window of ours has the keyboard.
    if (!OnVideoThread()) return;
    if (focused && platform::ime::TextInputEnabled()) {
        if (!SDL_IsTextInputActive()) SDL_StartTextInput();
    } else if (SDL_IsTextInputActive()) {
        SDL_StopTextInput();
    }
}

}  // namespace platform::user
