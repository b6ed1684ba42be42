#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "../../../platform/win32/paths.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

std::string expectedPath() {
    char native[4096];
    ssize_t n = readlink("/proc/self/exe", native, sizeof native - 1);
    EXPECT_GT(n, 0);
    return platform::NativeToDriveView(std::string(native, size_t(n)));
}

TEST(ProgramFile, TheExecutableInTheDriveView) {
    std::string expected = expectedPath();
    ASSERT_EQ(expected.substr(0, 3), "C:\\");
    char buffer[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, MAX_PATH), expected.size());
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, MAX_PATH), expected.size());
    // The path names a file the program can open.
    HANDLE self =
        CreateFileA(buffer, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(self, INVALID_HANDLE_VALUE);
    CloseHandle(self);
}

TEST(ProgramFile, ShortBuffersAreCutAndTerminated) {
    std::string expected = expectedPath();
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_ERROR(GetModuleFileNameA(nullptr, buffer, sizeof buffer), DWORD(sizeof buffer),
                 ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(buffer), expected.substr(0, 7));
    EXPECT_ERROR(GetModuleFileNameA(nullptr, buffer, 0), 0u, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(GetModuleFileNameA(nullptr, nullptr, 10), 0u);
}

TEST(ProgramFile, StandInModulesHaveNoFile) {
    HMODULE winmm = LoadLibraryA("winmm.dll");
    ASSERT_NE(winmm, nullptr);
    char buffer[MAX_PATH];
    EXPECT_ERROR(GetModuleFileNameA(winmm, buffer, MAX_PATH), 0u, ERROR_MOD_NOT_FOUND);
    FreeLibrary(winmm);
}

}  // namespace
