// A second copy of the program: this test binary, re-executed as a child
// process that runs the engine and keeps its window, makes start-up refuse to
// run, or go on when double start is allowed.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/text_literals.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "window_fakes.h"

extern char** environ;

using namespace DuRud;
using windowtest::StartWindowedEngine;

namespace {

// Set in the child: the socket it reports on and waits for its end on.
constexpr const char* kHolderFdVariable = "WINDOW_TEST_HOLDER_FD";
constexpr const char* kHolderTest = "DoubleStartChildProcess.RunsTheEngineUntilReleased";

struct Holder {
    pid_t pid = -1;
    int socket = -1;
};

std::string OwnProgram() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) return {};
    path[length] = 0;
    return path;
}

// Starts the child and waits until its engine holds the window; pid -1 when
// it could not start or ended first.
Holder StartHolder(const std::string& windowNamespace) {
    Holder holder;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return holder;
    const std::string program = OwnProgram();
    const std::string filter = std::string("--gtest_filter=") + kHolderTest;
    std::vector<std::string> variables = {std::string(kHolderFdVariable) + "=3",
                                          "VESSAMIRE_WINDOW_NAMESPACE=" + windowNamespace};
    std::vector<char*> environment;
    for (char** v = environ; *v; ++v) environment.push_back(*v);
    for (std::string& v : variables) environment.push_back(v.data());
    environment.push_back(nullptr);
    char* arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>(filter.c_str()),
                         nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Our end first: it may itself be descriptor 3 (it is when nothing else
    // is open), and closing it after the dup would close the child's end.
    posix_spawn_file_actions_addclose(&actions, pair[0]);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawn(&holder.pid, program.c_str(), &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    holder.socket = pair[0];
    if (spawned != 0) {
        holder.pid = -1;
        return holder;
    }
    std::string line;
    char c;
    while (read(holder.socket, &c, 1) == 1 && c != '\n') line += c;
    if (line != "ready") {
        int status = 0;
        waitpid(holder.pid, &status, 0);
        holder.pid = -1;
    }
    return holder;
}

// Ends the child; its exit status (0 when its engine shut down cleanly).
int StopHolder(Holder& holder) {
    if (holder.socket >= 0) close(holder.socket);
    holder.socket = -1;
    if (holder.pid <= 0) return -1;
    int status = 0;
    waitpid(holder.pid, &status, 0);
    holder.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string NamespaceForThisTest() {
    return "double-start-" + std::to_string(getpid());
}

}  // namespace

// The child's part; ctest never runs it on its own.
TEST(DoubleStartChildProcess, RunsTheEngineUntilReleased) {
    const char* fdText = std::getenv(kHolderFdVariable);
    if (!fdText) GTEST_SKIP() << "runs only as the double-start tests' child process";
    KnobWindowNamespace(std::getenv("VESSAMIRE_WINDOW_NAMESPACE"));
    const int fd = std::atoi(fdText);
    ASSERT_EQ(0, StartWindowedEngine());
    ASSERT_EQ(6, write(fd, "ready\n", 6));
    char c;
    while (read(fd, &c, 1) > 0) {
    }
    EXPECT_EQ(0, ShutdownEngineLocked());
}

TEST(DoubleStartTest, RunningCopyMakesStartUpRefuse) {
    const std::string ns = NamespaceForThisTest();
    KnobWindowNamespace(ns.c_str());
    Holder holder = StartHolder(ns);
    ASSERT_GT(holder.pid, 0) << "the child engine did not start";
    ASSERT_NE(nullptr, FindWindowA("Z123987O", nullptr));

    EXPECT_EQ(-1, StartWindowedEngine());
    const std::string log = testsupport::ReadFile("Log.txt");
    EXPECT_NE(std::string::npos, log.find(Cp932Text("二重起動されています、ソフトを終了します")));
    EXPECT_EQ(std::string::npos, log.find(Cp932Text("ウインドウクラスを登録します")));
    EXPECT_EQ(1, GetWindowQuitFlag());
    EXPECT_EQ(1, GetEndRequestFlag());
    EXPECT_EQ(nullptr, GetMainWindowHandle());
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
    EXPECT_EQ(0, AsyncLoadIsInitialised());
    EXPECT_EQ(0, StopHolder(holder));

    // With the other copy gone the program starts.
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_NE(std::string::npos,
              testsupport::ReadFile("Log.txt").find(Cp932Text("二重起動はされていませんでした")));
    EXPECT_EQ(0, ShutdownEngineLocked());
}

TEST(DoubleStartTest, AllowedDoubleStartGoesOn) {
    const std::string ns = NamespaceForThisTest();
    KnobWindowNamespace(ns.c_str());
    Holder holder = StartHolder(ns);
    ASSERT_GT(holder.pid, 0) << "the child engine did not start";
    SetDoubleStartAllowed(1);
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_NE(std::string::npos,
              testsupport::ReadFile("Log.txt").find(Cp932Text("二重起動されていますが続行します")));
    HWND own = static_cast<HWND>(GetMainWindowHandle());
    EXPECT_TRUE(IsWindowVisible(own));
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_FALSE(IsWindow(own));
    EXPECT_EQ(0, StopHolder(holder));
}
