// Test hooks on ReadFile: a gate that holds every ReadFile call until it is
// released, and a count of ReadFile calls.
#pragma once

namespace platform {

// Called at the start of every ReadFile: counts the call and waits while the
// gate is closed.
void FileReadGate();

void ResetFileReadKnobs();

}  // namespace platform
