#include "support/window_test_support.h"

#include <algorithm>

#include "test_knobs.h"

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

Sent Codes(const std::vector<Seen>& seen) {
    Sent out;
    for (const Seen& s : seen) out.emplace_back(s.message, s.wParam);
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

std::vector<uint32_t> Capture(HWND window, int* width, int* height) {
    std::vector<uint32_t> shown;
    int w = 0, h = 0;
    if (!KnobCaptureWindow(window, &shown, &w, &h)) shown.clear();
    if (width) *width = w;
    if (height) *height = h;
    return shown;
}

std::vector<uint32_t> Picture(int width, int height,
                              const std::function<uint32_t(int, int)>& pixel) {
    std::vector<uint32_t> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.push_back(pixel(x, y));
    return out;
}

DibInfo MakeInfo(int width, int height, int bits, DWORD compression,
                 std::initializer_list<uint32_t> extra) {
    DibInfo info;
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = compression;
    std::copy(extra.begin(), extra.end(), info.extra);
    return info;
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
