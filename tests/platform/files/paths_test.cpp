#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../../../platform/win32/paths.h"
#include "support/test_support.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

// The drive view of the test's own directory: "C:" and the path with '\'.
std::string driveView(const std::string& native) {
    std::string view = "C:" + native;
    std::replace(view.begin(), view.end(), '/', '\\');
    return view;
}

std::string currentDirectory() {
    char buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, buffer);
    EXPECT_GT(n, 0u);
    EXPECT_LT(n, DWORD(MAX_PATH));
    return std::string(buffer, n);
}

std::string fullPath(const char* path) {
    char buffer[MAX_PATH];
    DWORD n = GetFullPathNameA(path, MAX_PATH, buffer, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n)
                                 : "<error " + std::to_string(GetLastError()) + ">";
}

TEST(Paths, CurrentDirectoryIsADriveView) {
    EXPECT_EQ(currentDirectory(), driveView(testsupport::TestDirectory()));
    ASSERT_TRUE(SetCurrentDirectoryA("/"));
    EXPECT_EQ(currentDirectory(), "C:\\");
    ASSERT_TRUE(SetCurrentDirectoryA(driveView(testsupport::TestDirectory()).c_str()));
    EXPECT_EQ(std::filesystem::current_path().string(), testsupport::TestDirectory());
}

TEST(Paths, SetCurrentDirectoryMatchesCaseAndRefusesFiles) {
    std::filesystem::create_directories("Data/Sub");
    testsupport::WriteFile("plain.txt", "x");
    ASSERT_TRUE(SetCurrentDirectoryA("DATA\\sub"));
    EXPECT_EQ(std::filesystem::current_path().string(), testsupport::TestDirectory() + "/Data/Sub");
    EXPECT_EQ(currentDirectory(), driveView(testsupport::TestDirectory()) + "\\Data\\Sub");
    ASSERT_TRUE(SetCurrentDirectoryA("..\\.."));

    EXPECT_ERROR(SetCurrentDirectoryA("plain.txt"), FALSE, ERROR_DIRECTORY);
    EXPECT_ERROR(SetCurrentDirectoryA("missing"), FALSE, ERROR_FILE_NOT_FOUND);
    EXPECT_ERROR(SetCurrentDirectoryA("missing\\deeper"), FALSE, ERROR_PATH_NOT_FOUND);
    EXPECT_ERROR(SetCurrentDirectoryA("D:\\"), FALSE, ERROR_PATH_NOT_FOUND);
    EXPECT_ERROR(SetCurrentDirectoryA(nullptr), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(std::filesystem::current_path().string(), testsupport::TestDirectory());
}

TEST(Paths, TooSmallBufferGetsTheSizeAndNothingWritten) {
    std::string view = driveView(testsupport::TestDirectory());
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), view.size() + 1);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), view.size() + 1);
    EXPECT_EQ(buffer[0], '#');
    // Exactly the length without room for the zero is still too small.
    std::string big(view.size() + 1, '#');
    EXPECT_EQ(GetCurrentDirectoryA(DWORD(view.size()), big.data()), view.size() + 1);
    EXPECT_EQ(big[0], '#');
    EXPECT_EQ(GetCurrentDirectoryA(DWORD(view.size() + 1), big.data()), view.size());
    EXPECT_EQ(std::string(big.c_str()), view);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetFullPathNameA("C:\\abcdefgh\\x", sizeof buffer, buffer, nullptr), 14u);
    EXPECT_EQ(buffer[0], '#');
}

TEST(Paths, FullPathNames) {
    std::string here = driveView(testsupport::TestDirectory());
    EXPECT_EQ(fullPath("a\\b\\..\\c"), here + "\\a\\c");
    EXPECT_EQ(fullPath("a/./b//c"), here + "\\a\\b\\c");
    EXPECT_EQ(fullPath("C:\\..\\a"), "C:\\a");
    EXPECT_EQ(fullPath("c:/x/y/"), "C:\\x\\y\\");
    EXPECT_EQ(fullPath("\\x"), "C:\\x");
    EXPECT_EQ(fullPath("/"), "C:\\");
    EXPECT_EQ(fullPath("C:"), here);
    EXPECT_EQ(fullPath("name. . "), here + "\\name");  // trailing dots and spaces go
    EXPECT_EQ(fullPath("\\\\server\\share\\a"), "\\\\server\\share\\a");
    EXPECT_EQ(fullPath("C:\\d\\*.li?"), "C:\\d\\*.li?");  // only text: no name is checked
    EXPECT_EQ(fullPath("C:\\a<b"), "C:\\a<b");

    char buffer[MAX_PATH];
    LPSTR filePart = nullptr;
    ASSERT_GT(GetFullPathNameA("dir\\File.txt", MAX_PATH, buffer, &filePart), 0u);
    ASSERT_NE(filePart, nullptr);
    EXPECT_STREQ(filePart, "File.txt");
    ASSERT_GT(GetFullPathNameA("dir\\", MAX_PATH, buffer, &filePart), 0u);
    EXPECT_EQ(filePart, nullptr);
}

TEST(Paths, DoubleByteCharacterWithBackslashTrailIsOneComponent) {
    // "表\ソ" in code page 932: 95 5C is one character, 5C after it a separator.
    const char* path = "\x95\x5C\\\x83\x5C";
    auto parts = platform::PathSplit(path);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], "\x95\x5C");
    EXPECT_EQ(parts[1], "\x83\x5C");
    EXPECT_EQ(fullPath("\x95\x5C"), driveView(testsupport::TestDirectory()) + "\\\x95\x5C");
    // A 0x7C ('|') trail byte is no forbidden character either.
    EXPECT_EQ(fullPath("\x83\x7C"), driveView(testsupport::TestDirectory()) + "\\\x83\x7C");
}

TEST(Paths, BadPathsGiveCleanErrors) {
    char buffer[MAX_PATH];
    EXPECT_ERROR(GetFullPathNameA(nullptr, MAX_PATH, buffer, nullptr), 0u, ERROR_INVALID_PARAMETER);
    std::string longPath(300, 'a');
    EXPECT_ERROR(GetFullPathNameA(longPath.c_str(), MAX_PATH, buffer, nullptr), 0u,
                 ERROR_FILENAME_EXCED_RANGE);
    // Short enough alone, too long once joined with the current directory.
    std::string joined(MAX_PATH - 5, 'b');
    EXPECT_ERROR(GetFullPathNameA(joined.c_str(), MAX_PATH, buffer, nullptr), 0u,
                 ERROR_FILENAME_EXCED_RANGE);
    // One component longer than a file name may be.
    std::string longName = "C:\\" + std::string(256, 'n');
    EXPECT_ERROR(GetFullPathNameA(longName.c_str(), MAX_PATH, buffer, nullptr), 0u,
                 ERROR_FILENAME_EXCED_RANGE);
    platform::NativePath native;
    EXPECT_ERROR(platform::PathResolve("a<b", native), FALSE, ERROR_INVALID_NAME);
    EXPECT_ERROR(platform::PathResolve("a*b", native), FALSE, ERROR_INVALID_NAME);
    EXPECT_ERROR(platform::PathResolve("\\\\server\\share\\x", native), FALSE, ERROR_BAD_NETPATH);
    EXPECT_ERROR(platform::PathResolve("", native), FALSE, ERROR_PATH_NOT_FOUND);
}

TEST(Paths, ResolverMatchesEachComponentIgnoringCase) {
    std::filesystem::create_directories("datas/lists");
    testsupport::WriteFile("datas/lists/a.list", "x");
    platform::NativePath native;
    ASSERT_TRUE(platform::PathResolve("DATAS\\Lists\\A.LIST", native));
    EXPECT_EQ(native.path, testsupport::TestDirectory() + "/datas/lists/a.list");
    EXPECT_EQ(native.missing, 0u);
    // Missing names keep the case given.
    ASSERT_TRUE(platform::PathResolve("Datas/NEW/File.Txt", native));
    EXPECT_EQ(native.path, testsupport::TestDirectory() + "/datas/NEW/File.Txt");
    EXPECT_EQ(native.missing, 2u);
    // An exact match wins over a case variant.
    std::filesystem::create_directories("Datas");
    ASSERT_TRUE(platform::PathResolve("Datas", native));
    EXPECT_EQ(native.path, testsupport::TestDirectory() + "/Datas");
    ASSERT_TRUE(platform::PathResolve("datas", native));
    EXPECT_EQ(native.path, testsupport::TestDirectory() + "/datas");
    // Full-width letters fold too.
    std::filesystem::create_directories("\xEF\xBD\x81");     // U+FF41 full-width a
    ASSERT_TRUE(platform::PathResolve("\x82\x60", native));  // U+FF21 full-width A
    EXPECT_EQ(native.path, testsupport::TestDirectory() + "/\xEF\xBD\x81");
}

// Lookups remember directory listings; a change made after a lookup must
// still be seen by the next one, as a fresh listing would see it.
TEST(Paths, LookupSeesChangesMadeAfterTheFirstLookup) {
    namespace fs = std::filesystem;
    struct Row {
        const char* name;
        std::vector<const char*> before;  // folders made under the row's own folder
        const char* lookup;               // looked up under the row's folder
        const char* foundBefore;          // the native name found (or kept when missing)
        std::function<void()> change;     // run in the row's folder
        const char* foundAfter;
    };
    const Row rows[] = {
        {"a byte-smaller variant created",
         {"dAta"},
         "data",
         "dAta",
         [] { fs::create_directories("DATA"); },
         "DATA"},
        {"the variant found renamed",
         {"Data"},
         "DATA",
         "Data",
         [] { fs::rename("Data", "daTa"); },
         "daTa"},
        {"the variant found removed", {"Data"}, "DATA", "Data", [] { fs::remove("Data"); }, "DATA"},
        {"the smaller of two variants removed",
         {"dATA", "Data"},
         "DATA",
         "Data",
         [] { fs::remove("Data"); },
         "dATA"},
        {"the larger of two variants removed",
         {"dATA", "Data"},
         "DATA",
         "Data",
         [] { fs::remove("dATA"); },
         "Data"},
        {"a variant created where none was",
         {},
         "DATA",
         "DATA",
         [] { fs::create_directories("data"); },
         "data"},
        {"a variant moved in from elsewhere",
         {"dATA", "else/DATA"},
         "Data",
         "dATA",
         [] { fs::rename("else/DATA", "DATA"); },
         "DATA"},
        {"a folder further up the path replaced",
         {"top/sub/Data"},
         "top\\sub\\DATA",
         "top/sub/Data",
         [] {
             fs::rename("top", "old");
             fs::create_directories("top/sub/dATA");
         },
         "top/sub/dATA"},
    };
    int index = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string folder = "row" + std::to_string(index++);
        fs::create_directories(folder);
        for (const char* made : r.before) fs::create_directories(folder + "/" + made);
        const std::string lookup = folder + "\\" + r.lookup;
        platform::NativePath native;
        ASSERT_TRUE(platform::PathResolve(lookup.c_str(), native));
        EXPECT_EQ(native.path, testsupport::TestDirectory() + "/" + folder + "/" + r.foundBefore);
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        r.change();
        ASSERT_TRUE(SetCurrentDirectoryA(".."));
        ASSERT_TRUE(platform::PathResolve(lookup.c_str(), native));
        EXPECT_EQ(native.path, testsupport::TestDirectory() + "/" + folder + "/" + r.foundAfter);
        EXPECT_EQ(native.missing, fs::exists(native.path) ? 0u : 1u);
    }
}

TEST(Paths, NativeToDriveView) {
    EXPECT_EQ(platform::NativeToDriveView("/"), "C:\\");
    EXPECT_EQ(platform::NativeToDriveView("/home/x"), "C:\\home\\x");
    EXPECT_EQ(platform::NativeToDriveView("/\xE8\xA1\xA8"), "C:\\\x95\x5C");
}

}  // namespace
