// Test support: each test runs in its own temporary working directory with
// every platform knob at its default.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace testsupport {

// The test's own temporary directory (the working directory while it runs).
const std::string& TestDirectory();

// Writes a file (binary) relative to the working directory.
void WriteFile(const std::string& path, const std::string& bytes);

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// How long a test waits for another thread, a clock or a device before it
// gives up: real time, generous for a loaded machine, well inside ctest's
// time-out.
constexpr std::chrono::seconds kWaitLimit{30};

// What a poll does between two looks.
enum class PollStep {
    kSleep,  // sleeps a millisecond on the layer's clock (a virtual clock moves on)
    kYield,  // only yields: a virtual clock stands still
};

// Polls `done` until it holds. After `limit` of real time the test fails
// with "never happened: <what>" and the result is false.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               const std::string& what, PollStep step = PollStep::kSleep);

// Bounds a blocking wait that cannot be polled without changing what it
// waits for (a wait on the virtual clock): while it lives, a thread outside
// the layer watches the real time; after kWaitLimit it prints "never
// happened: <what>" and aborts the program.
class Watchdog {
  public:
    explicit Watchdog(std::string what);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    struct State;
    State* state_;
};

// The number of threads in this process now.
int ThreadCount();

// The number of threads in this process once it has settled at `expected`:
// an ended thread leaves the kernel's list a moment after its waiters were
// released, so this polls (for kWaitLimit of real time at most) and returns
// the last count.
int SettledThreadCount(int expected);

// The number of threads once it has held still for 100 ms (kWaitLimit of
// real time at most): a count taken as a test starts, while threads an
// earlier test stopped may still be leaving the kernel's list.
int QuietThreadCount();

// A child program whose stdin and stdout are pipes to this process.
struct Child {
    pid_t pid = -1;   // -1 when it could not start
    int input = -1;   // its stdin
    int output = -1;  // its stdout
};
// Starts args[0] (looked up in PATH when it has no slash) with this
// process's environment.
Child SpawnWithPipes(const std::vector<std::string>& args);
// Reads the child's lines until one equals `line` (true), or its output ends
// or kWaitLimit passes (false).
bool WaitForLine(const Child& child, const std::string& line);
// Closes both pipes and waits for the child: its exit code, or -1 when it did
// not exit normally (one still running after kWaitLimit is killed).
int EndChild(Child& child);
// This test program's own file, to run a copy of it as a child.
std::string OwnProgram();

}  // namespace testsupport
