// Looking paths up in an archive, splitting paths and matching wildcards.
#include <gtest/gtest.h>

#include "archive_test_support.h"

using namespace DuRud;
using namespace archive_test;

namespace {

class ArchiveLookup : public ::testing::Test {
  protected:
    void SetUp() override {
        zav::WriterNode root = Dir(
            "", {Dir("A", {File("B", BytesOf("file b")), Dir("C", {})}), File("XZ", BytesOf("x")),
                 Dir(kTrailBackslashName, {File("in.txt", BytesOf("in"))}),
                 File("A.B.PNG", BytesOf("p"))});
        image_ = Write(root, 5, zav::KeyKind::None);
        ArchiveClear(&a_);
        ASSERT_EQ(ArchiveOpenMemory(&a_, image_.data(), image_.size(), nullptr), 0);
    }
    void TearDown() override { ArchiveClose(&a_); }
    Bytes image_;
    Archive a_;
};

}  // namespace

TEST_F(ArchiveLookup, CaseInsensitiveAndDoubleByteNames) {
    EXPECT_NE(ArchiveFindFileEntry("a\\b", &a_), nullptr);
    EXPECT_NE(ArchiveFindFileEntry("A/B", &a_), nullptr);
    EXPECT_NE(ArchiveFindFileEntry("xz", &a_), nullptr);  // both ends of a..z
    // The 0x5C trail byte is part of the name, not a separator.
    EXPECT_NE(ArchiveFindFileEntry((kTrailBackslashName + "\\IN.TXT").c_str(), &a_), nullptr);
    EXPECT_EQ(ArchiveChangeDir(&a_, kTrailBackslashName.c_str(), 1, nullptr), 0);
    EXPECT_NE(ArchiveFindFileEntry("in.txt", &a_), nullptr) << "relative to the current directory";
    EXPECT_NE(ArchiveFindFileEntry("\\XZ", &a_), nullptr) << "a leading separator is the root";
    ArchiveChangeDir(&a_, "\\", 1, nullptr);
}

TEST_F(ArchiveLookup, WalksStopWhereTheyMust) {
    // B is a file of A: the walk stops there and B is what is found.
    const unsigned char* b = ArchiveFindFileEntry("A\\B\\C", &a_);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b, ArchiveFindFileEntry("A\\B", &a_));
    EXPECT_EQ(ArchiveFindFileEntry("..\\XZ", &a_), nullptr) << "'..' inside a path is a name";
    EXPECT_EQ(ArchiveFindFileEntry("A\\C", &a_), nullptr) << "a directory";
    EXPECT_EQ(ArchiveFindFileEntry("A\\missing", &a_), nullptr);
    EXPECT_EQ(a_.currentDir, a_.dirTable) << "lookups restore the directory";

    ArchiveSearchName name;
    EXPECT_EQ(ArchiveChangeDir(&a_, "A\\Nope\\C", 1, &name), -1);
    EXPECT_EQ(a_.currentDir, a_.dirTable) << "restored";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name.name)), "NOPE");
    EXPECT_EQ(name.units, 2);
    EXPECT_EQ(ArchiveChangeDir(&a_, "A\\Nope", 0, &name), -1);
    EXPECT_NE(a_.currentDir, a_.dirTable) << "left in A without restore";
    EXPECT_EQ(ArchiveChangeDir(&a_, "..", 1, nullptr), 0);
    EXPECT_EQ(a_.currentDir, a_.dirTable);
    EXPECT_EQ(ArchiveChangeDir(&a_, "A\\C\\", 1, nullptr), 0)
        << "a trailing separator ends the walk";
    EXPECT_EQ(ArchiveChangeDir(&a_, ".", 1, nullptr), 0);
    EXPECT_EQ(ArchiveChangeDir(&a_, "\\\\A", 1, nullptr), 0) << "empty components go to the root";
    EXPECT_EQ(ArchiveChangeDir(&a_, "/", 1, nullptr), 0);
}

TEST_F(ArchiveLookup, OverlongComponentsFail) {
    const std::string longName(1021, 'Q');
    EXPECT_EQ(ArchiveFindFileEntry(longName.c_str(), &a_), nullptr);
    EXPECT_EQ(ArchiveFindFileEntry(("A\\" + longName + "\\B").c_str(), &a_), nullptr);
    EXPECT_EQ(ArchiveChangeDir(&a_, (longName + "\\A").c_str(), 1, nullptr), -1);
    const std::string fits(1020, 'Q');
    EXPECT_EQ(ArchiveFindFileEntry(fits.c_str(), &a_), nullptr);
    std::string huge(100000, 'z');
    EXPECT_EQ(ArchiveFindFileEntry(huge.c_str(), &a_), nullptr);
}

TEST(ArchiveWildcard, StarNeverBacktracks) {
    EXPECT_EQ(ArchiveWildcardMatch("A.PNG", "*.PNG", nullptr), 0);
    EXPECT_EQ(ArchiveWildcardMatch("A.B.PNG", "*.PNG", nullptr), -1);
    EXPECT_EQ(ArchiveWildcardMatch("ANYTHING.AT.ALL", "*", nullptr), 0);
    EXPECT_EQ(ArchiveWildcardMatch("", "*", nullptr), 0);
    EXPECT_EQ(ArchiveWildcardMatch("ABC", "A?C", nullptr), 0);
    EXPECT_EQ(ArchiveWildcardMatch("AC", "A?C", nullptr), -1);
    EXPECT_EQ(ArchiveWildcardMatch("ABCD", "A?C", nullptr), -1);
    EXPECT_EQ(ArchiveWildcardMatch("AB", "AB", nullptr), 0);
    EXPECT_EQ(ArchiveWildcardMatch("AB", "ABC", nullptr), -1);
    EXPECT_EQ(ArchiveWildcardMatch("\x93\xfa.TXT", "\x93\xfa*", nullptr), 0);
    EXPECT_EQ(ArchiveWildcardMatch("\x93\xfb.TXT", "\x93\xfa*", nullptr), -1);
    EXPECT_EQ(ArchiveWildcardMatch("\x93", "\x93\xfa", nullptr), -1) << "name ends inside";
}

TEST(ArchiveSplit, LastSeparatorOutsideDoubleByteCharacters) {
    char file[64], dir[64];
    ArchiveSplitPath("A\\B/C.TXT", nullptr, file, dir);
    EXPECT_STREQ(file, "C.TXT");
    EXPECT_STREQ(dir, "A\\B");
    ArchiveSplitPath("NAME", nullptr, file, dir);
    EXPECT_STREQ(file, "NAME");
    EXPECT_STREQ(dir, "");
    ArchiveSplitPath("C:X", nullptr, file, dir);
    EXPECT_STREQ(file, "X");
    EXPECT_STREQ(dir, "C");
    ArchiveSplitPath("D\\\x83\x5c", nullptr, file, dir);
    EXPECT_STREQ(file, "\x83\x5c");
    EXPECT_STREQ(dir, "D");
}
