// Messages made from SDL events (scripted through the knobs, so they take the
// real path): activation, show state, close, keys, mouse, wheel and drops.
#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>

#include "support/win_values.h"
#include "test_knobs.h"
#include "support/window_test_support.h"

using namespace windowtest;
using SdlMessages = WindowTest;

TEST(SdlActivation, ShownWindowIsActiveAndFocusChangesAreSent) {
    Clear();
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Codes(Only({WM_ACTIVATEAPP, WM_ACTIVATE})),
              (Sent{{WM_ACTIVATEAPP, TRUE}, {WM_ACTIVATE, WA_ACTIVE}}));
    EXPECT_EQ(GetForegroundWindow(), w);

    Clear();
    ASSERT_TRUE(KnobWindowEvent(w, KnobWindowEventKind::FocusLost));
    MSG msg;
    // Sent during the pump, never posted: nothing comes out of the queue.
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_NE(msg.message, static_cast<UINT>(WM_ACTIVATEAPP));
        EXPECT_NE(msg.message, static_cast<UINT>(WM_ACTIVATE));
    }
    EXPECT_EQ(Codes(Only({WM_ACTIVATEAPP, WM_ACTIVATE})),
              (Sent{{WM_ACTIVATE, WA_INACTIVE}, {WM_ACTIVATEAPP, FALSE}}));
    EXPECT_EQ(GetActiveWindow(), nullptr);

    Clear();
    KnobWindowEvent(w, KnobWindowEventKind::FocusGained);
    KnobWindowEvent(w, KnobWindowEventKind::FocusGained);  // no change: nothing more
    PumpAll();
    EXPECT_EQ(Codes(Only({WM_ACTIVATEAPP, WM_ACTIVATE})),
              (Sent{{WM_ACTIVATEAPP, TRUE}, {WM_ACTIVATE, WA_ACTIVE}}));
    DestroyWindow(w);
}

TEST_F(SdlMessages, MinimiseRestoreMaximiseSendSizeAndActivation) {
    KnobWindowEvent(w, KnobWindowEventKind::Minimise);
    PumpAll();
    // The high word of WM_ACTIVATE says minimised.
    EXPECT_EQ(Codes(Only({WM_SIZE, WM_ACTIVATE, WM_ACTIVATEAPP})),
              (Sent{{WM_SIZE, SIZE_MINIMIZED},
                    {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)},
                    {WM_ACTIVATEAPP, FALSE}}));
    EXPECT_TRUE(IsIconic(w));

    Clear();
    KnobWindowEvent(w, KnobWindowEventKind::Restore);
    PumpAll();
    auto seen = Only({WM_SIZE, WM_ACTIVATE, WM_ACTIVATEAPP});
    EXPECT_EQ(Codes(seen), (Sent{{WM_SIZE, SIZE_RESTORED},
                                 {WM_ACTIVATEAPP, TRUE},
                                 {WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0)}}));
    EXPECT_EQ(seen[0].lParam, MAKELPARAM(320, 240));
    EXPECT_FALSE(IsIconic(w));

    Clear();
    KnobWindowEvent(w, KnobWindowEventKind::Maximise);
    PumpAll();
    EXPECT_EQ(Codes(Only({WM_SIZE})), (Sent{{WM_SIZE, SIZE_MAXIMIZED}}));

    Clear();
    KnobWindowEvent(w, KnobWindowEventKind::Resize, 400, 300);
    KnobWindowEvent(w, KnobWindowEventKind::Move, 77, 66);
    PumpAll();
    seen = Only({WM_SIZE, WM_MOVE});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].lParam, MAKELPARAM(400, 300));
    EXPECT_EQ(seen[1].lParam, MAKELPARAM(77, 66));  // the client origin
}

TEST_F(SdlMessages, CloseRequestBecomesSysCommandThenCloseThenDestroy) {
    ASSERT_TRUE(KnobWindowEvent(w, KnobWindowEventKind::Close));
    PumpAll();
    EXPECT_EQ(Codes(Only({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY})),
              (Sent{{WM_SYSCOMMAND, SC_CLOSE}, {WM_CLOSE, 0}, {WM_DESTROY, 0}}));
    EXPECT_FALSE(IsWindow(w));
}

// A termination signal is the desktop's close request: the window gets what
// its close button sends, once; a later signal starts no second close.
TEST(SdlTermination, SignalsBecomeOneCloseOfTheMainWindow) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        KnobResetAll();
        Clear();
        HWND w = MakeWindow();
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(std::raise(signal), 0);  // the process goes on
        PumpAll();
        EXPECT_EQ(Codes(Only({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY})),
                  (Sent{{WM_SYSCOMMAND, SC_CLOSE}, {WM_CLOSE, 0}, {WM_DESTROY, 0}}));
        EXPECT_FALSE(IsWindow(w));

        Clear();
        HWND later = MakeWindow();
        ASSERT_EQ(std::raise(SIGTERM), 0);
        PumpAll();
        EXPECT_TRUE(Only({WM_SYSCOMMAND, WM_CLOSE}).empty());
        EXPECT_TRUE(IsWindow(later));
        DestroyWindow(later);
    }
    KnobResetAll();
}

TEST_F(SdlMessages, KeysGiveVirtualKeysWithWindowsKeyData) {
    KnobWindowKey(w, SDL_SCANCODE_A, true);
    KnobWindowKey(w, SDL_SCANCODE_A, true, true);
    KnobWindowKey(w, SDL_SCANCODE_A, false);
    KnobWindowKey(w, SDL_SCANCODE_LEFT, true);
    PumpAll();
    auto keys = Only({WM_KEYDOWN, WM_KEYUP});
    EXPECT_EQ(Codes(keys),
              (Sent{{WM_KEYDOWN, 'A'}, {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYDOWN, VK_LEFT}}));
    // Scan 0x1E, first press; previously down; released; extended.
    std::vector<DWORD> data;
    for (const Seen& k : keys) data.push_back(static_cast<DWORD>(k.lParam));
    EXPECT_EQ(data, (std::vector<DWORD>{0x001E0001u, 0x401E0001u, 0xC01E0001u, 0x014B0001u}));
    EXPECT_TRUE(GetKeyState(VK_LEFT) & 0x8000);
    EXPECT_FALSE(GetKeyState('A') & 0x8000);
    BYTE state[256];
    ASSERT_TRUE(GetKeyboardState(state));
    EXPECT_EQ(state[VK_LEFT] & 0x80, 0x80);
    EXPECT_FALSE(GetKeyboardState(nullptr));

    // Japanese positions.
    Clear();
    const std::pair<int, int> jp[] = {
        {SDL_SCANCODE_APOSTROPHE, 0xBA},     {SDL_SCANCODE_SEMICOLON, 0xBB},
        {SDL_SCANCODE_LEFTBRACKET, 0xC0},    {SDL_SCANCODE_RIGHTBRACKET, 0xDB},
        {SDL_SCANCODE_INTERNATIONAL3, 0xDC}, {SDL_SCANCODE_BACKSLASH, 0xDD},
        {SDL_SCANCODE_EQUALS, 0xDE},         {SDL_SCANCODE_INTERNATIONAL1, 0xE2},
        {SDL_SCANCODE_SLASH, 0xBF},          {SDL_SCANCODE_MINUS, 0xBD}};
    for (auto [scancode, vk] : jp) KnobWindowKey(w, scancode, true);
    PumpAll();
    keys = Only({WM_KEYDOWN});
    ASSERT_EQ(keys.size(), std::size(jp));
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(keys[i].wParam, static_cast<WPARAM>(jp[i].second));
}

TEST_F(SdlMessages, AltMakesSystemKeysAndAltEnterIsSysChar) {
    KnobWindowKey(w, SDL_SCANCODE_LALT, true);
    KnobWindowKey(w, SDL_SCANCODE_RETURN, true);
    KnobWindowKey(w, SDL_SCANCODE_RETURN, false);
    KnobWindowKey(w, SDL_SCANCODE_LALT, false);
    PumpAll();
    auto seen = Only({WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYDOWN, WM_KEYUP, WM_SYSCHAR, WM_CHAR});
    EXPECT_EQ(Codes(seen), (Sent{{WM_SYSKEYDOWN, VK_MENU},
                                 {WM_SYSKEYDOWN, VK_RETURN},
                                 {WM_SYSCHAR, 0x0D},
                                 {WM_SYSKEYUP, VK_RETURN},
                                 {WM_SYSKEYUP, VK_MENU}}));
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_TRUE(seen[1].lParam & (1 << 29));
    EXPECT_FALSE(GetAsyncKeyState(VK_MENU) & 0x8000);
    EXPECT_FALSE(GetAsyncKeyState(VK_LMENU) & 0x8000);
}

TEST_F(SdlMessages, MouseMessagesCarryClientPositionAndButtons) {
    KnobWindowMouseMove(w, 12, 34);
    KnobWindowMouseButton(w, SDL_BUTTON_LEFT, true, 12, 34);
    KnobWindowMouseMove(w, 13, 35);
    KnobWindowMouseButton(w, SDL_BUTTON_LEFT, false, 13, 35);
    KnobWindowMouseButton(w, SDL_BUTTON_RIGHT, true, 1, 2);
    KnobWindowWheel(w, 0, 2);
    KnobWindowWheel(w, -1, 0);
    PumpAll();
    auto cursor = Only({WM_SETCURSOR});
    ASSERT_EQ(cursor.size(), 4u);  // two moves and two presses ask for the shape
    EXPECT_EQ(cursor[0].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(cursor[1].lParam, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    auto seen = Only({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEWHEEL,
                      WM_MOUSEHWHEEL});
    // Moving with the button down carries it; wheel deltas in the high word,
    // the right button still down in the low one.
    EXPECT_EQ(Codes(seen), (Sent{{WM_MOUSEMOVE, 0},
                                 {WM_LBUTTONDOWN, MK_LBUTTON},
                                 {WM_MOUSEMOVE, MK_LBUTTON},
                                 {WM_LBUTTONUP, 0},
                                 {WM_RBUTTONDOWN, MK_RBUTTON},
                                 {WM_MOUSEWHEEL, WPARAM(240) << 16 | MK_RBUTTON},
                                 {WM_MOUSEHWHEEL, WPARAM(0xFF88) << 16 | MK_RBUTTON}}));
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[0].lParam, MAKELPARAM(12, 34));

    // The cursor position is in screen coordinates.
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    EXPECT_EQ(p, (POINT{origin.x + 1, origin.y + 2}));
}

TEST_F(SdlMessages, DropPostsOneMessageWhenAccepted) {
    const char* paths[] = {"/tmp/a.txt", "/tmp/\xe3\x83\x86.bmp"};  // second: "テ"
    Clear();
    KnobWindowDrop(w, paths, 2);
    PumpAll();
    EXPECT_TRUE(Only({WM_DROPFILES}).empty());  // not accepting files yet

    DragAcceptFiles(w, TRUE);
    KnobWindowDrop(w, paths, 2);
    MSG msg;
    int drops = 0;
    HDROP drop = nullptr;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_DROPFILES) {
            ++drops;
            drop = reinterpret_cast<HDROP>(msg.wParam);
        }
    }
    ASSERT_EQ(drops, 1);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    char name[64];
    // The drive-letter view, names in code page 932.
    EXPECT_EQ(DragQueryFileA(drop, 0, name, sizeof name), 12u);
    EXPECT_STREQ(name, "C:\\tmp\\a.txt");
    EXPECT_EQ(DragQueryFileA(drop, 1, name, sizeof name), 13u);
    EXPECT_STREQ(name, "C:\\tmp\\\x83\x65.bmp");
    EXPECT_EQ(DragQueryFileA(drop, 1, nullptr, 0), 13u);
    EXPECT_EQ(DragQueryFileA(drop, 0, name, 5), 4u);  // cut to the buffer, terminated
    EXPECT_STREQ(name, "C:\\t");
    EXPECT_EQ(DragQueryFileA(drop, 2, name, sizeof name), 0u);
    DragFinish(drop);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);  // gone
    DragFinish(drop);                                             // twice: harmless
}
