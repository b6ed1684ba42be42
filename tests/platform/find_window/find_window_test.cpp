// FindWindowA finds a window of another process by class, gives a handle that
// is none of this process's, and forgets it when that process ends.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "test_knobs.h"
#include "windows.h"

extern char** environ;

namespace {

struct Holder {
    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
};

Holder StartHolder(const std::string& cls, const std::string& ns) {
    Holder h;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return h;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    setenv("VESSAMIRE_WINDOW_NAMESPACE", ns.c_str(), 1);
    std::string program = WINDOW_HOLDER;
    char* args[] = {program.data(), const_cast<char*>(cls.c_str()), const_cast<char*>("held"),
                    nullptr};
    if (posix_spawn(&h.pid, program.c_str(), &actions, nullptr, args, environ) != 0) h.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    h.toChild = in[1];
    h.fromChild = out[0];
    return h;
}

bool WaitReady(const Holder& h) {
    std::string line;
    char c;
    while (read(h.fromChild, &c, 1) == 1) {
        if (c == '\n') return line == "ready";
        line += c;
    }
    return false;
}

int StopHolder(Holder& h) {
    close(h.toChild);
    close(h.fromChild);
    int status = 0;
    waitpid(h.pid, &status, 0);
    return status;
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
    ASSERT_TRUE(WaitReady(h));
    HWND found = FindWindowA(cls.c_str(), nullptr);
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, mine);
    EXPECT_EQ(FindWindowA(cls.c_str(), "held"), found);
    EXPECT_EQ(FindWindowA(cls.c_str(), "other"), nullptr);
    EXPECT_FALSE(IsWindow(found));
    EXPECT_FALSE(DestroyWindow(found));  // not a window of this process
    EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), found);

    EXPECT_EQ(StopHolder(h), 0);
    EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), nullptr);

    // Another namespace never sees this one's windows.
    KnobWindowNamespace((ns + "-other").c_str());
    EXPECT_EQ(FindWindowA("LocalClass", nullptr), mine);  // own windows always
    DestroyWindow(mine);
    EXPECT_EQ(FindWindowA("LocalClass", nullptr), nullptr);
}
