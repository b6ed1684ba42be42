// A window-module call table for tests: records the calls that matter (with
// their arguments), answers queries from the fields, and fakes fonts so the
// on-screen log can be observed. Installed for the helper's lifetime.
#pragma once

#include <string>
#include <vector>

#include "core/module_calls.h"
#include "window/window_calls.h"

namespace windowtest {

struct DrawnText {
    int x, y;
    std::string text;
};

class RecordingWindowCalls {
  public:
    RecordingWindowCalls();
    ~RecordingWindowCalls();
    RecordingWindowCalls(const RecordingWindowCalls&) = delete;
    RecordingWindowCalls& operator=(const RecordingWindowCalls&) = delete;
    static RecordingWindowCalls* Current();

    std::vector<std::string> Take();
    void Record(const std::string& name) { trace_.push_back(name); }

    int hasDirectDrawWindow = 0;
    int hasRestoreCallback = 1;
    int drawTarget = -4;
    int textWidthPerByte = 8;
    std::vector<int> anyInputBits;  // answered in turn; the last one repeats
    int fontsCreated = 0;
    int fontsDeleted = 0;
    int32_t* fontDeletedFlag = nullptr;
    std::vector<DrawnText> drawn;
    int repaints = 0;
    int networkPasses = 0;  // ProcessNetworkMessages calls

  private:
    std::vector<std::string> trace_;
    const DuRud::WindowModuleCalls* previous_;
};

// A main module table whose display-mode list and screen settings the test
// sets; the 320x240 emulation switch and the stored screen size are kept.
class DisplayModeCalls {
  public:
    explicit DisplayModeCalls(std::vector<DuRud::DisplayModeInfo> modes);
    ~DisplayModeCalls();
    static DisplayModeCalls* Current();
    std::vector<DuRud::DisplayModeInfo> modes;
    int drawWidth = 640;
    int drawHeight = 480;
    int colorBits = 16;
    int autoEmulate320x240 = 0;
    int storedWidth = 0;
    int storedHeight = 0;

  private:
    DuRud::ModuleCalls table_;
    const DuRud::ModuleCalls* previous_;
};

// Starts the engine in window mode without input, graphics and sound.
int StartWindowedEngine();

}  // namespace windowtest
