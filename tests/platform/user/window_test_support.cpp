#include "window_test_support.h"

#include <algorithm>

namespace windowtest {

namespace {
std::vector<Seen> seen;

LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(Seen{window, message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

std::vector<Seen>& Log() {
    return seen;
}
void Clear() {
    seen.clear();
}

std::vector<Seen> Only(std::initializer_list<UINT> codes) {
    std::vector<Seen> out;
    for (const Seen& s : seen) {
        if (std::find(codes.begin(), codes.end(), s.message) != codes.end()) out.push_back(s);
    }
    return out;
}

const char* RecordingClass() {
    {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = Record;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        wc.lpszClassName = "RecordingWindow";
        RegisterClassA(&wc);  // already there after the first call
    }
    return "RecordingWindow";
}

HWND MakeWindow(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool show) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND window =
        CreateWindowExA(exStyle, RecordingClass(), "test", style, 40, 30, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    if (window && show) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return window;
}

int PumpAll() {
    MSG msg;
    int n = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++n;
        if (n > 10000) break;
    }
    return n;
}

}  // namespace windowtest
