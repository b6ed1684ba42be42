// A module call table for tests: each operation records its name (with the
// argument where it matters) and returns a scripted result; the log steps and
// the directory steps do their real work. Screen queries answer from the
// fields below and are not recorded. Installed for the helper's lifetime.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/module_calls.h"

namespace lifecycletest {

class RecordingCalls {
  public:
    RecordingCalls();
    ~RecordingCalls();
    RecordingCalls(const RecordingCalls&) = delete;
    RecordingCalls& operator=(const RecordingCalls&) = delete;

    // The recorded names since the last Take, which clears them.
    std::vector<std::string> Take();
    // The result an operation returns (0 unless scripted; PumpWindowMessages -1).
    void Script(const std::string& name, int result) { results_[name] = result; }
    void ClearScripts() { results_.clear(); }

    // Screen state the full-screen mode check sees.
    int drawWidth = 640, drawHeight = 480, colorBits = 16, refreshRate = 60;
    std::vector<DuRud::DisplayModeInfo> displayModes;
    bool setScreenModeStores = true;
    // Also writes every recorded name to the engine log (death tests read it).
    bool logNames = false;
    // Called after each recorded name (a test can raise a fatal error there).
    std::function<void(const std::string&)> onRecord;

    // Used by the table's functions.
    static RecordingCalls* Current();
    int Record(const std::string& name);

  private:
    std::vector<std::string> trace_;
    std::map<std::string, int> results_;
    const DuRud::ModuleCalls* previous_;
};

// Step names written one after another with blanks between.
std::vector<std::string> Steps(const char* text);
// The full start-up in window mode, and the full shutdown.
std::vector<std::string> WindowModeStartUp();
std::vector<std::string> FullShutdown();
// `all` without the listed names.
std::vector<std::string> Without(std::vector<std::string> all,
                                 const std::vector<std::string>& names);

}  // namespace lifecycletest
