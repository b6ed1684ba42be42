// Thousands of members of one archive open at once, as a game keeps its
// sounds and pictures open, under Linux's usual limit of 1024 descriptors.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <vector>

#include "archive_test_support.h"
#include "files/archive_access.h"

using namespace DuRud;
using namespace archive_test;

namespace {

TEST(ArchiveManyMembers, FourThousandOpenAtOnceUnderTheUsualDescriptorLimit) {
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 5000)
        GTEST_SKIP() << "the hard descriptor limit is " << limit.rlim_max;
    const rlimit usual{1024, limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &usual), 0);

    std::vector<zav::WriterNode> files;
    files.push_back(File("stored.bin", Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    files.push_back(File("packed.txt", Repetitive(4000)));
    FILE* out = std::fopen("DATA.ZAV", "wb");
    ASSERT_NE(out, nullptr);
    const Bytes image = Write(Dir("", files), 5, zav::KeyKind::None, "");
    std::fwrite(image.data(), 1, image.size(), out);
    std::fclose(out);

    std::vector<StreamHandle> open;
    for (int i = 0; i < 4000; ++i) {
        StreamHandle h = ArchiveApiOpen(i % 2 ? "DATA\\packed.txt" : "DATA\\stored.bin", 0, 0, 0);
        if (!h) break;
        open.push_back(h);
    }
    const size_t opened = open.size();
    int wrong = 0;
    const unsigned char packedFirst = Repetitive(1)[0];
    for (size_t i = 0; i < open.size(); ++i) {
        unsigned char byte = 0;
        if (ArchiveApiRead(&byte, 1, 1, open[i]) != 1 || byte != (i % 2 ? packedFirst : 1)) ++wrong;
    }
    for (StreamHandle h : open) EXPECT_EQ(ArchiveApiClose(h), 0);
    EndArchives();
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_EQ(opened, 4000u);
    EXPECT_EQ(wrong, 0) << "members that read wrong";
}

}  // namespace
