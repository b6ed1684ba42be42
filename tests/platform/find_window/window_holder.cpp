// Creates a window of the class named by its argument, says "ready" on stdout
// and keeps the window until its stdin ends.
#include <unistd.h>

#include <cstdio>

#include "test_knobs.h"
#include "windows.h"

namespace {
LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

extern "C" const char* __lsan_default_options() {
    return "suppressions=" LSAN_SUPPRESSIONS ":print_suppressions=0";
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    KnobApplyEnvironment();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = argv[1];
    if (!RegisterClassA(&wc)) return 3;
    HWND w = CreateWindowExA(0, argv[1], argc > 2 ? argv[2] : "", WS_POPUP, 0, 0, 16, 16, nullptr,
                             nullptr, nullptr, nullptr);
    if (!w) return 4;
    std::printf("ready\n");
    std::fflush(stdout);
    char c;
    while (read(0, &c, 1) > 0) {
    }
    // Leaves without destroying the window: its registry entry must be
    // ignored once the process is gone.
    return 0;
}
