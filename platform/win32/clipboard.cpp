// The clipboard over SDL's clipboard (which the dummy video driver keeps in
// memory). Only CF_TEXT exists: code page 932 text in a global memory block,
// UTF-8 on SDL's side. One thread at a time holds it open.
#include <SDL.h>

#include <cstring>

#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {
std::mutex clipboardMutex;
DWORD openThread = 0;         // 0: closed
HGLOBAL handedOut = nullptr;  // the block GetClipboardData gave; the clipboard owns it

bool HeldByCaller() {
    if (openThread == CurrentThreadId()) return true;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
}

void FreeHandedOut() {
    if (handedOut) GlobalFree(handedOut);
    handedOut = nullptr;
}
}  // namespace

}  // namespace platform::user

using namespace platform::user;

BOOL WINAPI OpenClipboard(HWND owner) {
    if (owner && !GetWindow(owner)) return FALSE;
    if (!EnsureVideo()) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (!OnVideoThread()) {
        // SDL's clipboard belongs to the thread that runs the windows.
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(clipboardMutex);
    if (openThread != 0 && openThread != CurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    openThread = CurrentThreadId();
    return TRUE;
}

BOOL WINAPI CloseClipboard() {
    std::lock_guard<std::mutex> lock(clipboardMutex);
    if (!HeldByCaller()) return FALSE;
    openThread = 0;
    FreeHandedOut();
    return TRUE;
}

BOOL WINAPI EmptyClipboard() {
    std::lock_guard<std::mutex> lock(clipboardMutex);
    if (!HeldByCaller()) return FALSE;
    FreeHandedOut();
    if (SDL_SetClipboardText("") != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT format, HANDLE memory) {
    std::lock_guard<std::mutex> lock(clipboardMutex);
    if (!HeldByCaller()) return nullptr;
    if (format != CF_TEXT) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!memory) {
        SetLastError(ERROR_INVALID_PARAMETER);  // delayed rendering does not exist here
        return nullptr;
    }
    const SIZE_T size = GlobalSize(memory);
    const char* bytes = static_cast<const char*>(GlobalLock(memory));
    if (!bytes) return nullptr;
    std::string text(bytes, strnlen(bytes, size));
    GlobalUnlock(memory);
    if (SDL_SetClipboardText(Cp932ToUtf8(text).c_str()) != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    // The clipboard owns the block now; the text lives on in SDL's clipboard.
    GlobalFree(memory);
    return memory;
}

HANDLE WINAPI GetClipboardData(UINT format) {
    std::lock_guard<std::mutex> lock(clipboardMutex);
    if (!HeldByCaller()) return nullptr;
    if (format != CF_TEXT || !SDL_HasClipboardText()) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    char* utf8 = SDL_GetClipboardText();
    std::string text = Utf8ToCp932(utf8 ? utf8 : "");
    SDL_free(utf8);
    FreeHandedOut();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return nullptr;
    char* out = static_cast<char*>(GlobalLock(block));
    std::memcpy(out, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    handedOut = block;
    return block;
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
    if (format != CF_TEXT || !EnsureVideo()) return FALSE;
    return SDL_HasClipboardText() ? TRUE : FALSE;
}
