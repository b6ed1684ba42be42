// FindWindowA finds a window of another process by class, gives a handle that
// is none of this process's, and forgets it when that process ends.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "support/test_support.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

using Holder = testsupport::Child;

Holder StartHolder(const std::string& cls, const std::string& ns) {
    setenv("VESSAMIRE_WINDOW_NAMESPACE", ns.c_str(), 1);
    return testsupport::SpawnWithPipes({WINDOW_HOLDER, cls, "held"});
}

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

}  // namespace

TEST(FindWindowAcrossProcesses, FindsAnotherProcessWindowUntilItEnds) {
    const std::string ns = "find-test-" + std::to_string(getpid());
    KnobWindowNamespace(ns.c_str());
    const std::string cls = "HeldClass" + std::to_string(getpid());
    EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), nullptr);

    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "LocalClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND mine = CreateWindowExA(0, "LocalClass", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(mine, nullptr);

    Holder h = StartHolder(cls, ns);
    ASSERT_GT(h.pid, 0);
    ASSERT_TRUE(testsupport::WaitForLine(h, "ready"));
    HWND found = FindWindowA(cls.c_str(), nullptr);
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, mine);
    EXPECT_EQ(FindWindowA(cls.c_str(), "held"), found);
    EXPECT_EQ(FindWindowA(cls.c_str(), "other"), nullptr);
    EXPECT_FALSE(IsWindow(found));
    EXPECT_FALSE(DestroyWindow(found));  // not a window of this process
    EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), found);

    EXPECT_EQ(testsupport::EndChild(h), 0);
    EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), nullptr);

    // Another namespace never sees this one's windows.
    KnobWindowNamespace((ns + "-other").c_str());
    EXPECT_EQ(FindWindowA("LocalClass", nullptr), mine);  // own windows always
    DestroyWindow(mine);
    EXPECT_EQ(FindWindowA("LocalClass", nullptr), nullptr);
}

TEST(FindWindowAcrossProcesses, AKilledProgramNotYetReapedHoldsNoWindow) {
    const std::string ns = "find-zombie-" + std::to_string(getpid());
    KnobWindowNamespace(ns.c_str());
    const std::string cls = "ZombieClass" + std::to_string(getpid());
    Holder h = StartHolder(cls, ns);
    ASSERT_GT(h.pid, 0);
    ASSERT_TRUE(testsupport::WaitForLine(h, "ready"));
    ASSERT_NE(FindWindowA(cls.c_str(), nullptr), nullptr);
    ASSERT_EQ(kill(h.pid, SIGKILL), 0);
    siginfo_t info{};
    // Waits for the end without reaping: the holder stays a zombie.
    ASSERT_EQ(waitid(P_PID, h.pid, &info, WEXITED | WNOWAIT), 0);
    EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), nullptr);
    testsupport::EndChild(h);
    KnobWindowNamespace(nullptr);
}
