// The socket layer. Nothing in this system starts it (no WinSock start-up,
// no network window, handle type 10 never registered), so processing and
// the end do nothing and the socket routines refuse with -1.
#include "net/network.h"

#include <cstdarg>
#include <cstdio>

#include "DuRud.h"
#include "core/system_services.h"
#include "core/text_literals.h"

namespace DuRud {
namespace {

struct NetworkState {
    int initialised;
    HWND window;
};

NetworkState state;

int LastSocketError() {
    auto get = WinApi<int(WINAPI*)()>(Api_WSAGetLastError);
    return get ? get() : 0;
}

}  // namespace

int NetworkLogError(const char* format, ...) {
    char text[2048] = {};
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);  // truncates, always terminates
        va_end(args);
    }
    LogFormatLine(Cp932Text("ネットワークログ。%s[%d]"), text, LastSocketError());
    return -1;
}

int ProcessNetworkMessages(int) {
    if (!state.initialised || !state.window) return 0;
    return 0;
}

int EndNetwork() {
    if (!state.initialised) return 0;
    state = {};
    return 0;
}

int AcceptNetWork() {
    if (!state.initialised) return -1;
    return -1;
}

int RecvSocket(int32_t) {
    if (!state.initialised) return -1;
    return -1;
}

int SendSocket(int32_t) {
    if (!state.initialised) return -1;
    return -1;
}

int NetworkWindowMessage(HWND, UINT, WPARAM, LPARAM) {
    // No handle of type 10 exists while the layer is not started.
    LogWrite(Cp932Text("通信エラー No.1\n"));
    return 0;
}

}  // namespace DuRud
