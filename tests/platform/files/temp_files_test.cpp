#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

// Points the temporary folder at a directory for one test.
class TempFolder {
  public:
    explicit TempFolder(const std::string& dir) {
        const char* old = std::getenv("TMPDIR");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        setenv("TMPDIR", dir.c_str(), 1);
    }
    ~TempFolder() {
        if (hadOld_)
            setenv("TMPDIR", old_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

  private:
    bool hadOld_ = false;
    std::string old_;
};

std::string driveView(std::string native) {
    for (char& c : native)
        if (c == '/') c = '\\';
    return "C:" + native;
}

TEST(TempFiles, TempPathHonoursTmpdir) {
    std::filesystem::create_directories("tmp");
    TempFolder folder(testsupport::TestDirectory() + "/tmp");
    std::string expected = driveView(testsupport::TestDirectory() + "/tmp") + "\\";
    char buffer[MAX_PATH];
    EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), expected.size());
    EXPECT_EQ(std::string(buffer), expected);
    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetTempPathA(sizeof small, small), expected.size() + 1);
    EXPECT_EQ(small[0], '#');

    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), 7u);
    EXPECT_STREQ(buffer, "C:\\tmp\\");
}

TEST(TempFilesThreads, TwoThreadsMakeTwoHundredDistinctFiles) {
    std::filesystem::create_directories("tmp");
    TempFolder folder(testsupport::TestDirectory() + "/tmp");
    char tempPath[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, tempPath), 0u);
    std::vector<std::string> made[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = std::thread([t, &made, &tempPath] {
            for (int i = 0; i < 100; ++i) {
                char name[MAX_PATH];
                UINT unique = GetTempFileNameA(tempPath, "tmp", 0, name);
                if (unique != 0) made[t].push_back(name);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    std::set<std::string> all(made[0].begin(), made[0].end());
    all.insert(made[1].begin(), made[1].end());
    EXPECT_EQ(all.size(), 200u);
    size_t files = 0;
    for (auto& entry : std::filesystem::directory_iterator("tmp")) {
        EXPECT_EQ(entry.file_size(), 0u);
        ++files;
    }
    EXPECT_EQ(files, 200u);
    const std::string& first = *all.begin();
    EXPECT_EQ(first.substr(0, std::strlen(tempPath) + 3), std::string(tempPath) + "tmp");
    EXPECT_EQ(first.substr(first.size() - 4), ".TMP");
}

// A folder whose last character is double-byte with a 0x5C trail byte still
// gets its own '\', and the temporary file lands inside it.
TEST(TempFiles, FoldersEndingInATrailByte0x5C) {
    struct Row {
        const char* utf8;   // the folder's name on disk
        const char* cp932;  // as the program sees it
    };
    const Row rows[] = {{"\xE8\xA1\xA8", "\x95\x5C"}, {"\xE3\x82\xBD", "\x83\x5C"}, {"tmp", "tmp"}};
    for (const Row& row : rows) {
        std::filesystem::create_directories(row.utf8);
        TempFolder folder(testsupport::TestDirectory() + "/" + row.utf8);
        char path[MAX_PATH], name[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, path), 0u);
        EXPECT_EQ(std::string(path),
                  driveView(testsupport::TestDirectory()) + "\\" + row.cp932 + "\\")
            << row.utf8;
        ASSERT_NE(GetTempFileNameA(path, "t", 0, name), 0u) << row.utf8;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(row.utf8),
                                std::filesystem::directory_iterator{}),
                  1)
            << row.utf8;
    }
}

TEST(TempFiles, NamesFromTheCallersNumber) {
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA(".", "abcdef", 0x1A2B, name), 0x1A2Bu);
    EXPECT_STREQ(name, ".\\abc1A2B.TMP");
    EXPECT_FALSE(std::filesystem::exists("abc1A2B.TMP"));  // the name only

    UINT unique = GetTempFileNameA("C:", nullptr, 0, name);
    ASSERT_NE(unique, 0u);
    HANDLE file = CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

TEST(TempFiles, BadFoldersAndArguments) {
    char name[MAX_PATH];
    EXPECT_ERROR(GetTempFileNameA("missing", "tmp", 0, name), 0u, ERROR_DIRECTORY);
    testsupport::WriteFile("file", "");
    EXPECT_ERROR(GetTempFileNameA("file", "tmp", 0, name), 0u, ERROR_DIRECTORY);
    EXPECT_ERROR(GetTempFileNameA(nullptr, "tmp", 0, name), 0u, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(GetTempFileNameA(".", "tmp", 0, nullptr), 0u, ERROR_INVALID_PARAMETER);
    std::string longFolder(MAX_PATH, 'd');
    EXPECT_ERROR(GetTempFileNameA(longFolder.c_str(), "tmp", 0, name), 0u, ERROR_BUFFER_OVERFLOW);
}

}  // namespace
