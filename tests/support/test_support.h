// Test support: each test runs in its own temporary working directory with
// every platform knob at its default.
#pragma once

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

// The number of threads in this process now.
int ThreadCount();

// The number of threads in this process once it has settled at `expected`:
// an ended thread leaves the kernel's list a moment after its waiters were
// released, so this polls (for a few seconds at most) and returns the last count.
int SettledThreadCount(int expected);

// A child program whose stdin and stdout are pipes to this process.
struct Child {
    pid_t pid = -1;   // -1 when it could not start
    int input = -1;   // its stdin
    int output = -1;  // its stdout
};
// Starts args[0] (looked up in PATH when it has no slash) with this
// process's environment.
Child SpawnWithPipes(const std::vector<std::string>& args);
// Reads the child's lines until one equals `line` (true) or its output ends.
bool WaitForLine(const Child& child, const std::string& line);
// Closes both pipes and waits: its exit code, or -1 when it did not exit.
int EndChild(Child& child);
// This test program's own file, to run a copy of it as a child.
std::string OwnProgram();

}  // namespace testsupport
