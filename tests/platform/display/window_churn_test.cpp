// Windows made and ended in a loop on a real X server leave nothing behind:
// no X window, no shared-memory picture, no thread.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <fstream>
#include <string>

#include "support/test_support.h"
#include "support/window_test_support.h"
#include "windows.h"
#include "x_server.h"

namespace {

int TopLevelXWindows() {
    Display* d = xtest::Connection();
    XSync(d, False);
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
    if (children) XFree(children);
    return static_cast<int>(count);
}

// Shared-memory segments mapped into this process (window pictures go to the
// X server through them).
int SharedSegments() {
    std::ifstream maps("/proc/self/maps");
    int n = 0;
    for (std::string line; std::getline(maps, line);) n += line.find("SYSV") != std::string::npos;
    return n;
}

void MakeShowResizeEnd(int i) {
    HWND window = windowtest::MakeWindow(200 + i, 150 + i);
    ASSERT_NE(window, nullptr);
    windowtest::PumpAll();
    ASSERT_TRUE(SetWindowPos(window, nullptr, 0, 0, 400 - i, 300 - i, SWP_NOMOVE | SWP_NOZORDER));
    windowtest::PumpAll();
    ASSERT_TRUE(DestroyWindow(window));
    windowtest::PumpAll();
}

}  // namespace

TEST(XWindowChurn, FiftyWindowsLeaveNoXResourceOrThread) {
    SKIP_WITHOUT_X_SERVER();
    MakeShowResizeEnd(0);  // SDL's own lasting pieces start with the first window
    const int xWindows = TopLevelXWindows();
    const int segments = SharedSegments();
    const int threads = testsupport::QuietThreadCount();
    for (int i = 1; i <= 50; ++i) MakeShowResizeEnd(i);
    EXPECT_EQ(TopLevelXWindows(), xWindows);
    EXPECT_EQ(SharedSegments(), segments);
    EXPECT_EQ(testsupport::SettledThreadCount(threads), threads);
}
