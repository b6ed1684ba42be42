#include "support/test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "test_knobs.h"

namespace testsupport {
namespace {

std::string currentDir;
std::string startDir;

class TestIsolation : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        KnobResetAll();
        std::string base = std::filesystem::temp_directory_path().string() + "/vessamire-test-XXXXXX";
        if (!mkdtemp(base.data())) std::abort();
        currentDir = base;
        if (chdir(currentDir.c_str()) != 0) std::abort();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        KnobResetAll();
        if (chdir(startDir.c_str()) != 0) std::abort();
        std::error_code ec;
        std::filesystem::remove_all(currentDir, ec);
        currentDir.clear();
    }
};

}  // namespace

const std::string& TestDirectory() { return currentDir; }

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

void InstallIsolation() {
    startDir = std::filesystem::current_path().string();
    testing::UnitTest::GetInstance()->listeners().Append(new TestIsolation);
}

}  // namespace testsupport
