// Directory searches of the plain file set: names as written (code page
// 932), the directory flag, sizes and local times under a fixed time zone.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>

#include "file_test_support.h"

namespace DuRud {
namespace {

class TimeZone {
  public:
    explicit TimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (had_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    bool had_ = false;
    std::string old_;
};

void SetModified(const char* path, time_t when) {
    timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path, times, 0), 0);
}

FileDateTime LocalFields(time_t when) {
    tm fields{};
    localtime_r(&when, &fields);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
            fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

// Birth time where the file system keeps one, else the last write.
time_t CreationOf(const char* path) {
    struct statx info {};
    if (statx(AT_FDCWD, path, 0, STATX_BTIME | STATX_MTIME, &info) == 0 &&
        (info.stx_mask & STATX_BTIME)) {
        return info.stx_btime.tv_sec;
    }
    return info.stx_mtime.tv_sec;
}

bool SameFields(const FileDateTime& a, const FileDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

TEST(FileFinds, ListsEntriesWithTheirDetails) {
    TimeZone zone("JST-9");
    mkdir("box", 0755);
    testsupport::WriteFile("box/plain.txt", "hello");
    testsupport::WriteFile("box/\xE8\xA1\xA8.dat", std::string(70000, 'x'));  // 表: 0x95 0x5C
    mkdir("box/inner", 0755);
    const time_t when = 1577934245;  // 2020-01-02 03:04:05 UTC
    SetModified("box/plain.txt", when);
    SetModified("box/inner", when + 3600);

    std::map<std::string, FileFindInfo> found;
    FileFindInfo info{};
    intptr_t find = FileWinFindFirst("box\\*", &info);
    ASSERT_NE(find, -1);
    do {
        found[info.name] = info;
    } while (FileWinFindNext(find, &info) == 0);
    EXPECT_EQ(FileWinFindNext(find, &info), -1);  // and again: still nothing more
    EXPECT_EQ(FileWinFindClose(find), 0);

    ASSERT_EQ(found.count("plain.txt"), 1u);
    ASSERT_EQ(found.count("inner"), 1u);
    ASSERT_EQ(found.count("\x95\x5C.dat"), 1u);
    const FileFindInfo& plain = found["plain.txt"];
    EXPECT_EQ(plain.isDirectory, 0);
    EXPECT_EQ(plain.size, 5u);
    FileDateTime expected{2020, 1, 2, 12, 4, 5};  // nine hours ahead of UTC
    EXPECT_TRUE(SameFields(plain.lastWriteTime, expected));
    EXPECT_TRUE(SameFields(plain.creationTime, LocalFields(CreationOf("box/plain.txt"))));
    const FileFindInfo& inner = found["inner"];
    EXPECT_EQ(inner.isDirectory, 1);
    FileDateTime innerWrite{2020, 1, 2, 13, 4, 5};
    EXPECT_TRUE(SameFields(inner.lastWriteTime, innerWrite));
    EXPECT_EQ(found["\x95\x5C.dat"].size, 70000u);
    EXPECT_EQ(found["\x95\x5C.dat"].isDirectory, 0);
    // The size's low word comes first.
    const auto* words = reinterpret_cast<const uint32_t*>(&found["\x95\x5C.dat"].size);
    EXPECT_EQ(words[0], 70000u);
    EXPECT_EQ(words[1], 0u);
}

TEST(FileFinds, PatternsAndNothingFound) {
    mkdir("box", 0755);
    testsupport::WriteFile("box/a.txt", "a");
    testsupport::WriteFile("box/b.bin", "b");
    FileFindInfo info{};
    intptr_t find = FileWinFindFirst("box\\*.TXT", &info);
    ASSERT_NE(find, -1);
    EXPECT_STREQ(info.name, "a.txt");
    EXPECT_EQ(FileWinFindNext(find, nullptr), -1);
    EXPECT_EQ(FileWinFindClose(find), 0);
    // Without an out record the search still runs.
    find = FileWinFindFirst("box\\b.*", nullptr);
    ASSERT_NE(find, -1);
    EXPECT_EQ(FileWinFindClose(find), 0);

    EXPECT_EQ(FileWinFindFirst("box\\*.png", &info), -1);
    EXPECT_EQ(FileWinFindFirst("nowhere\\*", &info), -1);
    EXPECT_EQ(FileWinFindFirst(nullptr, &info), -1);
    // Closed and made-up find handles are refused.
    EXPECT_EQ(FileWinFindClose(find), -1);
    EXPECT_EQ(FileWinFindNext(find, &info), -1);
    EXPECT_EQ(FileWinFindNext(-1, &info), -1);
    EXPECT_EQ(FileWinFindClose(12345), -1);
}

}  // namespace
}  // namespace DuRud
