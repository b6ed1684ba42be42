// Platform-internal side of the process functions: the knobs' reset and
// environment reading, and the command line the entry hands over.
#pragma once

#include <string>

namespace platform {

// Knob plumbing for test_knobs.cpp.
void ResetDebugOutputKnobs();
void ApplyDebugOutputEnvironment();  // VESSAMIRE_DEBUG_OUTPUT=1: debugger output to stderr
void ResetDesktopKnobs();

// Joins arguments into one Windows command line: each argument quoted when it
// is empty or holds a space, tab or quote (quotes and the backslashes before
// them escaped so that the Windows splitting rules give the arguments back).
std::string JoinCommandLine(int count, const char* const* arguments);

// Sets what GetCommandLineA returns (code page 932). Without it,
// GetCommandLineA builds the line from the process's own arguments.
void SetProcessCommandLine(const std::string& line);

}  // namespace platform
