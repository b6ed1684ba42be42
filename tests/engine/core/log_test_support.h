// A started log in the test's directory on the virtual clock, and helpers to
// read "Log.txt" back.
#pragma once

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/log.h"
#include "core/system_services.h"
#include "support/test_support.h"
#include "test_knobs.h"

namespace DuRud {

class StartedLog : public testing::Test {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        LoadWinApis();
        ASSERT_EQ(SetLogFolder(testsupport::TestDirectory().c_str()), 0);
        ASSERT_EQ(LogStart(), 0);
    }
    void TearDown() override {
        UnloadWinApis();
        ResetLogForTest();
    }
    static std::string LogBytes() { return testsupport::ReadFile("Log.txt"); }
};

// Death tests: the child process runs without the per-test folder (test
// events are not forwarded there), so it takes its log folder from the
// environment variable the parent sets. Plain TESTs, no fixture.
inline void StartLogInFolderFrom(const char* variable) {
    KnobSetVirtualClock(true);
    LoadWinApis();
    SetLogFolder(std::getenv(variable));
    LogStart();
}

// The log's lines (split at CR LF) with the "<ms>:" stamp removed; the stamps
// go to *stamps when asked.
inline std::vector<std::string> LinesWithoutStamps(const std::string& bytes,
                                                   std::vector<std::string>* stamps = nullptr) {
    std::vector<std::string> lines;
    size_t start = 0;
    static const std::regex stamp("^([0-9]+):");
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        std::smatch m;
        if (std::regex_search(line, m, stamp)) {
            if (stamps) stamps->push_back(m[1]);
            line = m.suffix();
        }
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

}  // namespace DuRud
