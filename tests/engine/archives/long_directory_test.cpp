// A current directory too long for the archive layer's buffers: the directory
// query fails with an emptied buffer, and relative opens fail cleanly instead
// of reading a buffer that was never written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/archive_access.h"
#include "windows.h"

using namespace DuRud;

namespace {

TEST(ArchiveLongDirectory, QueriesAndRelativeOpensFollowTheDirectoryLength) {
    char root[] = "/tmp/dirlenXXXXXX";
    ASSERT_NE(mkdtemp(root), nullptr);
    char home[PATH_MAX];
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    for (int length : {255, 256, 257, 258, 259, 260, 300}) {
        SCOPED_TRACE(length);
        ASSERT_EQ(chdir(root), 0);
        char view[MAX_PATH];
        const DWORD rootLength = GetCurrentDirectoryA(MAX_PATH, view);  // "C:\tmp\dirlen.."
        // Components of at most 200 characters until the Windows view has `length`.
        std::string posix = root;
        for (int have = int(rootLength); have < length;) {
            const int rest = length - have;
            const int part = rest - 1 <= 200 ? rest - 1 : (rest == 202 ? 150 : 200);
            posix += "/" + std::string(size_t(part), char('a' + have % 26));
            have += part + 1;
            ASSERT_TRUE(mkdir(posix.c_str(), 0755) == 0 || errno == EEXIST) << posix;
        }
        ASSERT_EQ(chdir(posix.c_str()), 0);
        FILE* f = std::fopen("a", "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("x", f);
        std::fclose(f);

        char dir[256];
        std::memset(dir, 'x', sizeof dir);
        const int got = ArchiveApiGetDir(dir);
        EXPECT_EQ(got, length <= 255 ? 0 : -1);
        EXPECT_EQ(got == 0 ? std::strlen(dir) : size_t(dir[0]), got == 0 ? size_t(length) : 0u);
        // The relative name needs two more characters ("\a") within 260.
        StreamHandle h = ArchiveApiOpen("a", 0, 0, 0);
        EXPECT_EQ(h != 0, length + 2 < MAX_PATH) << "relative open";
        if (h) ArchiveApiClose(h);
        std::remove("a");
    }
    ASSERT_EQ(chdir(home), 0);
    EXPECT_EQ(std::system((std::string("rm -rf ") + root).c_str()), 0);
}

}  // namespace
