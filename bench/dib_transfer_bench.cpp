// Speed of the DIB transfers behind the software present: a 640 x 480 frame
// into a DIB section and onto a window, from 32-bit and 16-bit (565) rows.
#include <benchmark/benchmark.h>

#include <vector>

#include "windows.h"

namespace {

struct Frame {
    BITMAPINFOHEADER header{};
    DWORD masks[3]{};
    std::vector<uint8_t> bits;
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(&header); }
};

Frame MakeFrame(int bitCount) {
    Frame f;
    f.header.biSize = sizeof(BITMAPINFOHEADER);
    f.header.biWidth = 640;
    f.header.biHeight = -480;
    f.header.biPlanes = 1;
    f.header.biBitCount = static_cast<WORD>(bitCount);
    if (bitCount == 16) {
        f.header.biCompression = BI_BITFIELDS;
        f.masks[0] = 0xF800;
        f.masks[1] = 0x07E0;
        f.masks[2] = 0x001F;
    }
    f.bits.resize(640 * 480 * bitCount / 8);
    for (size_t i = 0; i < f.bits.size(); ++i) f.bits[i] = static_cast<uint8_t>(i * 7);
    return f;
}

void IntoSection(benchmark::State& state) {
    Frame frame = MakeFrame(static_cast<int>(state.range(0)));
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO target{};
    target.bmiHeader = frame.header;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, section);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SetDIBitsToDevice(
            dc, 0, 0, 640, 480, 0, 0, 0, 480, frame.bits.data(), frame.info(), DIB_RGB_COLORS));
    }
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
}
BENCHMARK(IntoSection)->Arg(32)->Arg(16);

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

void OntoWindow(benchmark::State& state) {
    Frame frame = MakeFrame(32);
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "BenchWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "BenchWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr);
    if (!window) {
        state.SkipWithError("no window");
        return;
    }
    HDC dc = GetDC(window);
    for (auto _ : state) {
        benchmark::DoNotOptimize(StretchDIBits(dc, 0, 0, 640, 480, 0, 0, 640, 480,
                                               frame.bits.data(), frame.info(), DIB_RGB_COLORS,
                                               SRCCOPY));
    }
    ReleaseDC(window, dc);
    DestroyWindow(window);
}
BENCHMARK(OntoWindow);

}  // namespace

BENCHMARK_MAIN();
