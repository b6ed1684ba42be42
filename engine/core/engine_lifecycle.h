// Engine start-up and shutdown: the engine-wide flags and the workers behind
// the three public life-cycle entries.
#pragma once

#include <cstdint>

#include <windows.h>

namespace DuRud {

struct EngineFlags {
    int32_t initialised;
    int32_t initialising;
    int32_t noWindow;
    int32_t noGraphics;
    int32_t noSound;
    int32_t noInput;
    int32_t endRequest;
    int32_t useAsyncLoad;
};

const EngineFlags& GetEngineFlags();
// The four skip flags; no public setter exists (tests and tools only).
int SetEngineSkipFlags(int noWindow, int noGraphics, int noSound, int noInput);

int InitializeEngine();  // 0, or -1 after the started steps were ended again
int ShutdownEngine();    // 0; nothing when not initialised

// The directory current at start-up, restored at shutdown.
const char* GetStartDirectory();
// The thread that started the engine (0 before).
DWORD GetEngineMainThreadId();

}  // namespace DuRud
