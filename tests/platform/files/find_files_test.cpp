#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

struct Entry {
    std::string name;
    WIN32_FIND_DATAA data;
};

// Every entry a search reports, in order; empty with the error kept when none.
std::vector<Entry> search(const char* pattern, DWORD* error = nullptr) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return entries;
    }
    do entries.push_back({data.cFileName, data});
    while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    return entries;
}

// The error of a search that finds nothing; ERROR_SUCCESS when it finds something.
DWORD failure(const char* pattern) {
    DWORD error = ERROR_SUCCESS;
    return search(pattern, &error).empty() ? error : DWORD(ERROR_SUCCESS);
}

std::vector<std::string> names(const std::vector<Entry>& entries) {
    std::vector<std::string> out;
    for (const Entry& e : entries) out.push_back(e.name);
    return out;
}

void makeTree() {
    testsupport::WriteFile("a.list", "1234");
    testsupport::WriteFile("B.LIST", "1");
    testsupport::WriteFile("c.txt", "");
    testsupport::WriteFile("noext", "");
    testsupport::WriteFile("long.listing", "");
    std::filesystem::create_directories("sub");
    testsupport::WriteFile("sub/Inner.Txt", "abc");
}

TEST(FindFiles, WildcardsMatchIgnoringCase) {
    makeTree();
    auto found = search("*.LIST");
    ASSERT_EQ(names(found), (std::vector<std::string>{"a.list", "B.LIST"}));
    EXPECT_EQ(found[0].data.nFileSizeLow, 4u);
    EXPECT_EQ(found[0].data.nFileSizeHigh, 0u);
    EXPECT_EQ(found[1].data.nFileSizeLow, 1u);
    EXPECT_EQ(found[0].data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_NE(found[0].data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_NE(found[0].data.ftCreationTime.dwHighDateTime, 0u);
    EXPECT_NE(found[0].data.ftLastAccessTime.dwHighDateTime, 0u);

    EXPECT_EQ(names(search("?.TXT")), std::vector<std::string>{"c.txt"});
    EXPECT_EQ(names(search("b.list")), std::vector<std::string>{"B.LIST"});
    EXPECT_EQ(names(search("*.*")),
              (std::vector<std::string>{".", "..", "a.list", "B.LIST", "c.txt", "long.listing",
                                        "noext", "sub"}));
    // "?" stands for one character or none at the end: "noext" has 5.
    EXPECT_EQ(names(search("noext??")), std::vector<std::string>{"noext"});
    EXPECT_EQ(names(search("noex?")), std::vector<std::string>{"noext"});
    EXPECT_EQ(names(search("noe?")), std::vector<std::string>{});
    // ".*" also matches names without an extension.
    EXPECT_EQ(names(search("noext.*")), std::vector<std::string>{"noext"});
    EXPECT_EQ(names(search("SUB\\*.txt")), std::vector<std::string>{"Inner.Txt"});
}

// A '*' before a '.' stops at the name's last dot, and a trailing '.' asks
// for no extension.
TEST(FindFiles, DosWildcardsAroundTheLastDot) {
    makeTree();
    testsupport::WriteFile("two.dots.c", "");
    const std::vector<std::string> noExtension{".", "..", "noext", "sub"};
    struct Row {
        const char* pattern;
        std::vector<std::string> want;
    };
    const Row rows[] = {
        {"*.", noExtension},
        {"*.?", {".", "..", "noext", "sub", "two.dots.c"}},
        {"*.???", {".", "..", "c.txt", "noext", "sub", "two.dots.c"}},
        {"a.list.", {"a.list"}},
        {"*.dots", {}},
        {"*.list", {"a.list", "B.LIST"}},
        {"two*.c", {"two.dots.c"}},
    };
    for (const Row& row : rows) EXPECT_EQ(names(search(row.pattern)), row.want) << row.pattern;
}

TEST(FindFiles, DotEntriesAndDirectories) {
    makeTree();
    auto all = search("*");
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0].name, ".");
    EXPECT_EQ(all[1].name, "..");
    EXPECT_EQ(all[0].data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
              DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(all[1].data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
              DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(all.back().name, "sub");
    EXPECT_EQ(all.back().data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(all.back().data.nFileSizeLow, 0u);
    // The root lists no dot entries.
    for (const Entry& e : search("C:\\*")) {
        EXPECT_NE(e.name, ".");
        EXPECT_NE(e.name, "..");
    }
}

TEST(FindFiles, CodePage932NamesComeBackAsWritten) {
    testsupport::WriteFile("\xE8\xA1\xA8.dat", "x");  // "表.dat" in UTF-8 on disk
    auto found = search("*.DAT");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "\x95\x5C.dat");
    EXPECT_EQ(names(search("\x95\x5C.*")), std::vector<std::string>{"\x95\x5C.dat"});
    // '?' stands for one character, double-byte or not.
    EXPECT_EQ(names(search("?.DAT")), std::vector<std::string>{"\x95\x5C.dat"});
    EXPECT_EQ(names(search("??.DAT")), std::vector<std::string>{"\x95\x5C.dat"});
    EXPECT_EQ(names(search("?\x5C.DAT")), std::vector<std::string>{});
}

TEST(FindFiles, FailuresAndBadHandles) {
    makeTree();
    EXPECT_EQ(failure("*.none"), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(failure("missing\\*"), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(failure("c.txt\\*"), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(failure("sub\\"), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(failure("s*b\\*"), DWORD(ERROR_INVALID_NAME));
    EXPECT_EQ(failure("a|b"), DWORD(ERROR_INVALID_NAME));
    std::string tooLong(MAX_PATH + 10, 'a');
    EXPECT_EQ(failure(tooLong.c_str()), DWORD(ERROR_FILENAME_EXCED_RANGE));
    WIN32_FIND_DATAA data;
    EXPECT_ERROR(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FindFirstFileA("*", nullptr), INVALID_HANDLE_VALUE);

    HANDLE find = FindFirstFileA("*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindNextFileA(find, nullptr));
    EXPECT_TRUE(FindClose(find));
    EXPECT_ERROR(FindClose(find), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_ERROR(FindNextFileA(find, &data), FALSE, ERROR_INVALID_HANDLE);

    // A file handle is no search handle, and stays open.
    HANDLE file =
        CreateFileA("c.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(file));
    EXPECT_FALSE(FindNextFileA(file, &data));
    EXPECT_TRUE(CloseHandle(file));
}

}  // namespace
