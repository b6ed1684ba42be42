// Input typed through the X server (XTEST) reaches the window as Windows
// messages. No window manager runs: the tests move the X focus themselves.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "support/window_test_support.h"
#include "windows.h"
#include "x_server.h"

using windowtest::Clear;
using windowtest::Log;
using windowtest::MakeWindow;
using windowtest::Only;
using windowtest::PumpAll;
using windowtest::Seen;

namespace {

struct KeyRow {
    const char* name;
    unsigned long keysym;
    WPARAM virtualKey;
    LPARAM scanBits;  // scan code and extended flag, bits 16..24
};

class XInput : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_X_SERVER();
        window = MakeWindow(320, 240);
        ASSERT_NE(window, nullptr);
        PumpAll();
        Clear();
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
    }
    // Waits until `count` messages with one of the codes arrived.
    std::vector<Seen> Await(std::initializer_list<UINT> codes, size_t count) {
        xtest::PumpUntil([&] { return Only(codes).size() >= count; });
        return Only(codes);
    }
    HWND window = nullptr;
};

}  // namespace

TEST_F(XInput, KeysArriveWithTheirVirtualKeysAndScanCodes) {
    const KeyRow rows[] = {
        {"Letter", XK_a, 'A', 0x1E << 16},
        {"ExtendedArrow", XK_Right, VK_RIGHT, (0x4D << 16) | (1 << 24)},
        {"Henkan", XK_Henkan_Mode, VK_CONVERT, 0x79 << 16},
        {"Muhenkan", XK_Muhenkan, VK_NONCONVERT, 0x7B << 16},
        {"HiraganaKatakana", XK_Hiragana_Katakana, VK_KANA, 0x70 << 16},
    };
    for (const KeyRow& row : rows) {
        if (!XKeysymToKeycode(xtest::Connection(), row.keysym)) continue;  // not on this keyboard
        Clear();
        xtest::Key(row.keysym, true);
        xtest::Key(row.keysym, false);
        auto keys = Await({WM_KEYDOWN, WM_KEYUP}, 2);
        ASSERT_EQ(keys.size(), 2u) << row.name;
        EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_KEYDOWN)) << row.name;
        EXPECT_EQ(keys[0].wParam, row.virtualKey) << row.name;
        EXPECT_EQ(keys[0].lParam, 1 | row.scanBits) << row.name;
        EXPECT_EQ(keys[1].message, static_cast<UINT>(WM_KEYUP)) << row.name;
        EXPECT_EQ(keys[1].wParam, row.virtualKey) << row.name;
        EXPECT_EQ(static_cast<DWORD>(keys[1].lParam),
                  static_cast<DWORD>(1 | row.scanBits | (1 << 30)) | 0x80000000u)
            << row.name;
    }
}

TEST_F(XInput, TypedTextArrivesAsCodePage932Characters) {
    Display* d = xtest::Connection();
    // A key of its own for katakana A: the keyboard has no kana keys.
    int first = 0, last = 0;
    XDisplayKeycodes(d, &first, &last);
    KeyCode spare = 0;
    for (int code = last; code >= first && !spare; --code) {
        int per = 0;
        KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(code), 1, &per);
        bool empty = true;
        for (int i = 0; i < per; ++i) empty = empty && syms[i] == NoSymbol;
        XFree(syms);
        if (empty) spare = static_cast<KeyCode>(code);
    }
    ASSERT_NE(spare, 0);
    KeySym kanaA[] = {XK_kana_A, XK_kana_A};
    XChangeKeyboardMapping(d, spare, 2, kanaA, 1);
    XSync(d, False);
    PumpAll();  // the keyboard's new mapping reaches SDL first

    xtest::Key(XK_a, true);
    xtest::Key(XK_a, false);
    XTestFakeKeyEvent(d, spare, True, CurrentTime);
    XTestFakeKeyEvent(d, spare, False, CurrentTime);
    XSync(d, False);
    auto chars = Await({WM_CHAR}, 3);
    KeySym none[] = {NoSymbol, NoSymbol};
    XChangeKeyboardMapping(d, spare, 2, none, 1);
    XSync(d, False);
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('a'));
    EXPECT_EQ(chars[1].wParam, 0x83u);  // katakana A in code page 932: 83 41
    EXPECT_EQ(chars[2].wParam, 0x41u);
}

TEST_F(XInput, MouseMoveClickAndWheelArriveInClientCoordinates) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    xtest::MovePointer(origin.x + 100, origin.y + 50);
    auto moves = Await({WM_MOUSEMOVE}, 1);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().lParam, MAKELPARAM(100, 50));

    Clear();
    xtest::Button(1, true);
    xtest::Button(1, false);
    auto clicks = Await({WM_LBUTTONDOWN, WM_LBUTTONUP}, 2);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(clicks[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(clicks[0].lParam, MAKELPARAM(100, 50));
    EXPECT_EQ(clicks[1].lParam, MAKELPARAM(100, 50));

    Clear();
    xtest::Button(4, true);  // one notch away from the user
    xtest::Button(4, false);
    auto wheel = Await({WM_MOUSEWHEEL}, 1);
    ASSERT_EQ(wheel.size(), 1u);
    EXPECT_EQ(static_cast<short>(HIWORD(wheel[0].wParam)), WHEEL_DELTA);
    EXPECT_EQ(wheel[0].lParam, MAKELPARAM(origin.x + 100, origin.y + 50));  // screen coordinates
}

TEST_F(XInput, FocusToAnotherXWindowAndBackDeactivatesAndActivates) {
    Display* d = xtest::Connection();
    Window other = XCreateSimpleWindow(d, DefaultRootWindow(d), 600, 400, 50, 50, 0, 0, 0);
    XMapWindow(d, other);
    XSync(d, False);
    XSetInputFocus(d, other, RevertToNone, CurrentTime);
    XSync(d, False);
    auto off = Await({WM_ACTIVATE, WM_ACTIVATEAPP}, 2);
    ASSERT_EQ(off.size(), 2u);
    EXPECT_EQ(off[0].message, static_cast<UINT>(WM_ACTIVATE));
    EXPECT_EQ(LOWORD(off[0].wParam), WA_INACTIVE);
    EXPECT_EQ(off[1].message, static_cast<UINT>(WM_ACTIVATEAPP));
    EXPECT_EQ(off[1].wParam, static_cast<WPARAM>(FALSE));

    Clear();
    XSetInputFocus(d, xtest::XWindowOf(window), RevertToNone, CurrentTime);
    XSync(d, False);
    auto on = Await({WM_ACTIVATE, WM_ACTIVATEAPP}, 2);
    ASSERT_EQ(on.size(), 2u);
    EXPECT_EQ(on[0].message, static_cast<UINT>(WM_ACTIVATEAPP));
    EXPECT_EQ(on[0].wParam, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(on[1].message, static_cast<UINT>(WM_ACTIVATE));
    EXPECT_EQ(LOWORD(on[1].wParam), WA_ACTIVE);
    XDestroyWindow(d, other);
    XSync(d, False);
}
