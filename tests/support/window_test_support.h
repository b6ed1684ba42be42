// Shared helpers of the window tests: a class whose procedure records every
// message it gets, and a pump that empties the queue.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "windows.h"

namespace windowtest {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Messages the recording procedure got since the last Clear().
std::vector<Seen>& Log();
void Clear();
// Only the messages with the given codes, in order.
std::vector<Seen> Only(std::initializer_list<UINT> codes);

// Each message's code and wParam, in order: one comparison states a sequence.
using Sent = std::vector<std::pair<UINT, WPARAM>>;
Sent Codes(const std::vector<Seen>& seen);

// Registers the recording class (once per process) and returns its name.
const char* RecordingClass();

// A window of the recording class with the given client size (WS_OVERLAPPEDWINDOW
// unless a style is given), shown.
HWND MakeWindow(int clientWidth = 320, int clientHeight = 240, DWORD style = WS_OVERLAPPEDWINDOW,
                DWORD exStyle = 0, bool show = true);

// What reached the window's picture (0xRRGGBB words, rows top first); the
// size goes to width and height. Empty when it cannot be captured.
std::vector<uint32_t> Capture(HWND window, int* width = nullptr, int* height = nullptr);

// A width x height picture whose word (x, y) is pixel(x, y).
std::vector<uint32_t> Picture(int width, int height,
                              const std::function<uint32_t(int, int)>& pixel);

// A BITMAPINFO with room for masks or a full palette; `extra` fills them.
struct DibInfo {
    BITMAPINFOHEADER header{};
    uint32_t extra[256]{};
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
    const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};
DibInfo MakeInfo(int width, int height, int bits, DWORD compression = BI_RGB,
                 std::initializer_list<uint32_t> extra = {});

// Removes and dispatches (after TranslateMessage) every message now available.
int PumpAll();

// A shown window of the recording class, its first messages pumped and the
// log cleared; destroyed at the end.
class WindowTest : public testing::Test {
  protected:
    void SetUp() override {
        w = MakeWindow();
        ASSERT_NE(w, nullptr);
        PumpAll();
        Clear();
    }
    void TearDown() override { DestroyWindow(w); }
    HWND w = nullptr;
};

}  // namespace windowtest
