// CF_TEXT is shared with other X clients (xclip) through the CLIPBOARD
// selection: code page 932 on the layer's side, UTF-8 on the server's.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "window_test_support.h"
#include "windows.h"
#include "x_server.h"

extern char** environ;

namespace {

// xclip with the given arguments; its stdin and stdout are pipes.
struct Xclip {
    pid_t pid = -1;
    int input = -1;
    int output = -1;
};

Xclip StartXclip(const char* mode) {
    Xclip x;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return x;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    // -quiet keeps it in the foreground, so its end is ours to see.
    char* args[] = {const_cast<char*>("xclip"),      const_cast<char*>("-quiet"),
                    const_cast<char*>("-selection"), const_cast<char*>("clipboard"),
                    const_cast<char*>(mode),         nullptr};
    if (posix_spawnp(&x.pid, "xclip", &actions, nullptr, args, environ) != 0) x.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    x.input = in[1];
    x.output = out[0];
    fcntl(x.output, F_SETFL, O_NONBLOCK);
    return x;
}

void StopXclip(Xclip& x) {
    close(x.input);
    close(x.output);
    if (x.pid > 0) {
        kill(x.pid, SIGTERM);
        waitpid(x.pid, nullptr, 0);
    }
}

// Reads what xclip prints until it ends, pumping messages meanwhile: this
// thread's message pump is what answers xclip's request for the selection.
std::string ReadUntilEnd(Xclip& x) {
    std::string text;
    xtest::PumpUntil([&] {
        char buffer[256];
        ssize_t n;
        while ((n = read(x.output, buffer, sizeof buffer)) > 0) text.append(buffer, n);
        return n == 0;
    });
    return text;
}

}  // namespace

TEST(XClipboard, TextSetByTheLayerIsReadByAnotherClient) {
    SKIP_WITHOUT_X_SERVER();
    HWND window = windowtest::MakeWindow();
    ASSERT_NE(window, nullptr);
    const char cp932[] = "\x93\xfa\x96\x7b\x8c\xea abc";  // "日本語 abc"
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof cp932);
    std::memcpy(GlobalLock(memory), cp932, sizeof cp932);
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(window));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_NE(SetClipboardData(CF_TEXT, memory), nullptr);
    ASSERT_TRUE(CloseClipboard());

    Xclip xclip = StartXclip("-o");
    ASSERT_GT(xclip.pid, 0);
    EXPECT_EQ(ReadUntilEnd(xclip), "日本語 abc");
    StopXclip(xclip);
    DestroyWindow(window);
}

TEST(XClipboard, TextSetByAnotherClientIsReadByTheLayer) {
    SKIP_WITHOUT_X_SERVER();
    HWND window = windowtest::MakeWindow();
    ASSERT_NE(window, nullptr);
    Display* d = xtest::Connection();
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    Xclip xclip = StartXclip("-i");
    ASSERT_GT(xclip.pid, 0);
    const std::string text = "テスト 1";
    ASSERT_EQ(write(xclip.input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(xclip.input);
    xclip.input = -1;
    ASSERT_TRUE(xtest::PumpUntil([&] { return XGetSelectionOwner(d, clipboard) != None; }));

    ASSERT_TRUE(OpenClipboard(window));
    HANDLE memory = GetClipboardData(CF_TEXT);
    ASSERT_NE(memory, nullptr);
    const std::string got(static_cast<const char*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    CloseClipboard();
    EXPECT_EQ(got, "\x83\x65\x83\x58\x83\x67 1");  // テスト in code page 932
    StopXclip(xclip);
    DestroyWindow(window);
}
