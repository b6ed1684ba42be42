#include "support/test_support.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "test_knobs.h"
#include "windows.h"

extern char** environ;

namespace testsupport {
namespace {

std::string currentDir;
std::string startDir;
std::vector<std::string> startEnvironment;

std::vector<std::string> Environment() {
    std::vector<std::string> all;
    for (char** e = environ; *e; ++e) all.emplace_back(*e);
    return all;
}

// What a test set, changed or removed goes back to how it was at its start.
void RestoreEnvironment(const std::vector<std::string>& wanted) {
    for (const std::string& entry : Environment()) {
        const std::string name = entry.substr(0, entry.find('='));
        if (std::find_if(wanted.begin(), wanted.end(), [&](const std::string& w) {
                return w.compare(0, name.size() + 1, name + "=") == 0;
            }) == wanted.end())
            unsetenv(name.c_str());
    }
    for (const std::string& entry : wanted) {
        const size_t eq = entry.find('=');
        const std::string name = entry.substr(0, eq), value = entry.substr(eq + 1);
        const char* now = getenv(name.c_str());
        if (!now || value != now) setenv(name.c_str(), value.c_str(), 1);
    }
}

void ResetKnobs() {
    KnobResetAll();
    // A whole run pinned to other device capabilities (the second run of
    // the pixel tests) keeps them in every test.
    if (getenv("VESSAMIRE_D3D_CAPS")) KnobApplyEnvironment();
}

class TestIsolation : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        startEnvironment = Environment();
        ResetKnobs();
        std::string base =
            std::filesystem::temp_directory_path().string() + "/vessamire-test-XXXXXX";
        if (!mkdtemp(base.data())) std::abort();
        currentDir = base;
        if (chdir(currentDir.c_str()) != 0) std::abort();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        RestoreEnvironment(startEnvironment);
        KnobResetAll();
        if (chdir(startDir.c_str()) != 0) std::abort();
        std::error_code ec;
        std::filesystem::remove_all(currentDir, ec);
        currentDir.clear();
    }
};

}  // namespace

const std::string& TestDirectory() {
    return currentDir;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int ThreadCount() {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        (void)entry;
        ++n;
    }
    return n;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               const std::string& what, PollStep step) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "never happened: " << what << " (waited " << limit.count()
                          << " ms of real time)";
            return false;
        }
        if (step == PollStep::kSleep) Sleep(1);
        std::this_thread::yield();
    }
    return true;
}

struct Watchdog::State {
    std::string what;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::thread watcher;
};

Watchdog::Watchdog(std::string what) : state_(new State) {
    state_->what = std::move(what);
    state_->watcher = std::thread([s = state_] {
        std::unique_lock<std::mutex> hold(s->lock);
        if (s->ended.wait_for(hold, kWaitLimit, [s] { return s->done; })) return;
        std::fprintf(stderr, "never happened: %s (waited %lld s of real time)\n", s->what.c_str(),
                     static_cast<long long>(kWaitLimit.count()));
        std::abort();
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->done = true;
    }
    state_->ended.notify_one();
    state_->watcher.join();
    delete state_;
}

int SettledThreadCount(int expected) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    int n = ThreadCount();
    while (n != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        n = ThreadCount();
    }
    return n;
}

int QuietThreadCount() {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    int n = ThreadCount();
    auto since = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < deadline &&
           std::chrono::steady_clock::now() - since < std::chrono::milliseconds(100)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int now = ThreadCount();
        if (now != n) {
            n = now;
            since = std::chrono::steady_clock::now();
        }
    }
    return n;
}

Child SpawnWithPipes(const std::vector<std::string>& args) {
    Child child;
    int in[2], out[2];
    if (args.empty() || pipe(in) != 0) return child;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    child.input = in[1];
    child.output = out[0];
    return child;
}

// Waits (until the deadline) for the descriptor to become readable.
bool Readable(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int n = poll(&p, 1, int(left.count()));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool WaitForLine(const Child& child, const std::string& line) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    std::string got;
    char c;
    while (Readable(child.output, deadline) && read(child.output, &c, 1) == 1) {
        if (c != '\n') {
            got += c;
        } else if (got == line) {
            return true;
        } else {
            got.clear();
        }
    }
    return false;
}

int EndChild(Child& child) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    if (child.input >= 0) close(child.input);
    char rest[256];  // drained, so that a child still writing never meets a closed pipe
    while (child.output >= 0 && Readable(child.output, deadline) &&
           read(child.output, rest, sizeof rest) > 0) {
    }
    if (child.output >= 0) close(child.output);
    child.input = child.output = -1;
    if (child.pid <= 0) return -1;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(child.pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
        ADD_FAILURE() << "child " << child.pid << " still running after " << kWaitLimit.count()
                      << " s: killed";
        kill(child.pid, SIGKILL);
        waitpid(child.pid, &status, 0);
    }
    child.pid = -1;
    return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string OwnProgram() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

void InstallIsolation() {
    startDir = std::filesystem::current_path().string();
    // A death test's child gets no test events (the framework silences them
    // there), so the reset at each test's start never runs in it: reset once
    // here. This gives the child a window namespace of its own; in the shared
    // default one, children running side by side found each other's windows
    // and refused to start as a second copy.
    ResetKnobs();
    testing::UnitTest::GetInstance()->listeners().Append(new TestIsolation);
}

}  // namespace testsupport
