// CF_TEXT is shared with other X clients (xclip) through the CLIPBOARD
// selection: code page 932 on the layer's side, UTF-8 on the server's.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/test_support.h"
#include "support/window_test_support.h"
#include "windows.h"
#include "x_server.h"

namespace {

using Xclip = testsupport::Child;

// -quiet keeps xclip in the foreground, so its end is ours to see.
Xclip StartXclip(const char* mode) {
    Xclip x = testsupport::SpawnWithPipes({"xclip", "-quiet", "-selection", "clipboard", mode});
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
    // An earlier test may have left the layer owning the selection: wait for xclip's.
    const Window before = XGetSelectionOwner(d, clipboard);
    Xclip xclip = StartXclip("-i");
    ASSERT_GT(xclip.pid, 0);
    const std::string text = "テスト 1";
    ASSERT_EQ(write(xclip.input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(xclip.input);
    xclip.input = -1;
    ASSERT_TRUE(xtest::PumpUntil([&] {
        const Window owner = XGetSelectionOwner(d, clipboard);
        return owner != None && owner != before;
    }));

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
