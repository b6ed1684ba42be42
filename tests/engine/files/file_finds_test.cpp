// Directory searches of the plain file set: names as written (code page
// 932), the directory flag, sizes and local times under a fixed time zone.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

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

// Patterns, names and handles are the find functions' own (tested with them):
// here each entry's description in local time.
TEST(FileFinds, ListsEntriesWithTheirDetails) {
    TimeZone zone("JST-9");
    mkdir("box", 0755);
    testsupport::WriteFile("box/plain.txt", "hello");
    testsupport::WriteFile("box/big.dat", std::string(70000, 'x'));
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
    EXPECT_EQ(FileWinFindClose(find), 0);
    EXPECT_EQ(FileWinFindClose(find), -1);

    ASSERT_EQ(found.count("plain.txt") + found.count("inner") + found.count("big.dat"), 3u);
    const FileFindInfo& plain = found["plain.txt"];
    EXPECT_EQ(plain.isDirectory * 100 + plain.size, 5u);
    const FileDateTime& t = plain.lastWriteTime;  // nine hours ahead of UTC
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
              std::vector<int>({2020, 1, 2, 12, 4, 5}));
    EXPECT_EQ(found["inner"].isDirectory, 1);
    EXPECT_EQ(found["inner"].lastWriteTime.hour, 13);
    EXPECT_EQ(found["big.dat"].size, 70000u);
    EXPECT_EQ(FileWinFindFirst(nullptr, &info), -1);
    EXPECT_EQ(FileWinFindFirst("box\\*.png", nullptr), -1);
}

}  // namespace
}  // namespace DuRud
