// Hostile and truncated archives: every open fails with -1, from memory and
// from a file, and a memory image is given back unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "archive_test_support.h"

using namespace DuRud;
using namespace archive_test;

namespace {

void WriteFile(const char* path, const Bytes& bytes) {
    FILE* f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A stream-mode open reads no member bytes: member heads are checked when
// the member opens, so those cases pass streamToo = false.
void ExpectRefused(const Bytes& corrupt, const std::string& what, bool streamToo = true) {
    const char* key = nullptr;
    SCOPED_TRACE(what);
    Bytes image = corrupt;
    Archive a;
    ArchiveClear(&a);
    EXPECT_EQ(ArchiveOpenMemory(&a, image.data(), static_cast<uint32_t>(image.size()), key), -1);
    EXPECT_TRUE(image == corrupt) << "image changed";
    EXPECT_EQ(a.image, nullptr);
    WriteFile("corrupt.zav", corrupt);
    if (streamToo) {
        EXPECT_EQ(ArchiveOpenStream(&a, "corrupt.zav", key), -1);
    }
    EXPECT_EQ(a.stream, 0);
    EXPECT_EQ(ArchiveClose(&a), 0);
}

// Writes a small archive, lets `edit` change the decoded bytes, codes it again.
Bytes Edited(int version, const std::function<void(PlainView&)>& edit) {
    zav::WriterNode root =
        Dir("", {File("a.txt", Repetitive(600)), File("s.bin", BytesOf("stored!")),
                 Dir("d", {Dir("e", {File("f", BytesOf("f"))})})});
    Bytes image = Write(root, version, zav::KeyKind::None);
    PlainView v(image, version, zav::KeyKind::None);
    edit(v);
    v.Code();
    return image;
}

// The decoded file entry `index` of the root's run (a.txt, d, s.bin in
// upper-cased order of writing: a.txt 0, s.bin 1, d 2).
size_t EntryAt(PlainView& v, int index) {
    return v.FileTable() + static_cast<size_t>(index) * v.EntrySize();
}

}  // namespace

TEST(ArchiveCorrupt, SoundArchiveOpensBothWays) {
    for (int version : {2, 5}) {
        Bytes image = Edited(version, [](PlainView&) {});
        WriteFile("sound.zav", image);
        Archive a;
        ArchiveClear(&a);
        ASSERT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), nullptr), 0);
        ArchiveClose(&a);
        ASSERT_EQ(ArchiveOpenStream(&a, "sound.zav", nullptr), 0);
        EXPECT_NE(ArchiveFindFileEntry("d\\e\\f", &a), nullptr);
        EXPECT_EQ(ArchiveOpenStream(&a, "sound.zav", nullptr), -1) << "already open";
        ArchiveClose(&a);
    }
    Archive a;
    ArchiveClear(&a);
    EXPECT_EQ(ArchiveOpenStream(&a, "missing.zav", nullptr), -1);
}

TEST(ArchiveCorrupt, HeaderFaults) {
    for (int version : {2, 5}) {
        ExpectRefused(Edited(version, [](PlainView& v) { v.image[0] = 'Q'; }), "wrong magic");
        ExpectRefused(Edited(version, [](PlainView& v) { v.image[2] = 6; }), "version 6");
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(4, v.InfoSize() + 1); }),
                      "info block past the end");
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(4, 0xFFFFFFF0u); }),
                      "huge info block");
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(12, 0xFFFFFFF0u); }),
                      "info offset past the end");
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(16, v.InfoSize() + 4); }),
                      "file table outside the info block");
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(20, v.InfoSize() - 8); }),
                      "directory table outside the info block");
    }
    Bytes whole = Edited(5, [](PlainView&) {});
    for (size_t cut : {0u, 1u, 7u, 8u, 23u, 27u, 40u})
        ExpectRefused(Bytes(whole.begin(), whole.begin() + cut), "cut at " + std::to_string(cut));
    ExpectRefused(Bytes(whole.begin(), whole.end() - 1), "last byte cut");
}

TEST(ArchiveCorrupt, TableFaults) {
    for (int version : {1, 2, 5}) {
        SCOPED_TRACE(version);
        ExpectRefused(
            Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 0), v.InfoSize() - 2); }),
            "name record past the block");
        ExpectRefused(Edited(version,
                             [](PlainView& v) {
                                 // The record's L grows until its NUL-padded name runs out.
                                 const size_t record = v.InfoOffset() + v.U32(EntryAt(v, 0));
                                 DuRud::StoreU16(&v.image[record], 0x7FFF);
                             }),
                      "name record longer than the block");
        ExpectRefused(Edited(version,
                             [](PlainView& v) {
                                 const size_t record = v.InfoOffset() + v.U32(EntryAt(v, 0));
                                 v.image[record + 4 + 4 * v.image[record] - 1] = 'Z';
                             }),
                      "upper-cased name without its NUL");
        ExpectRefused(Edited(version,
                             [](PlainView& v) {
                                 // The last name record's written name runs to the block's end.
                                 const size_t end = v.FileTable();
                                 for (size_t i = v.InfoOffset(); i < end; ++i)
                                     if (v.image[i] == 0) v.image[i] = 'Y';
                                 const size_t dirs = v.DirTable();
                                 (void)dirs;
                             }),
                      "names without NULs");
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(v.DirTable() + 8, 1000); }),
                      "entry count past the table");
        ExpectRefused(
            Edited(version, [](PlainView& v) { v.SetU32(v.DirTable() + 12, v.InfoSize()); }),
            "first entry past the table");
        // Directory "d" is the root's third entry; its record offset 16.
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 2) + 32, 0); }),
                      "a directory cycle back to the root");
        ExpectRefused(Edited(version,
                             [](PlainView& v) {
                                 // e's entry (in d's run) points at d's own record.
                                 const size_t dRecord = v.DirTable() + v.U32(EntryAt(v, 2) + 32);
                                 const size_t eEntry = v.FileTable() + v.U32(dRecord + 12);
                                 v.SetU32(eEntry + 32, v.U32(EntryAt(v, 2) + 32));
                             }),
                      "a directory reached twice");
        ExpectRefused(
            Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 2) + 32, v.InfoSize()); }),
            "directory record past the table");
        ExpectRefused(Edited(version,
                             [](PlainView& v) {
                                 const size_t dRecord = v.DirTable() + v.U32(EntryAt(v, 2) + 32);
                                 v.SetU32(dRecord + 4, 0x7777);
                             }),
                      "a parent that is not the directory above");
        ExpectRefused(
            Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 1) + 32, v.InfoOffset()); }),
            "member span past the end");
        ExpectRefused(
            Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 1) + 36, 0x7FFFFFFF); }),
            "member size past the end");
        ExpectRefused(
            Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 1) + 32, 0xFFFFFFF0u); }),
            "member offset wrapping");
    }
}

TEST(ArchiveCorrupt, PackedMemberFaults) {
    for (int version : {2, 4, 5}) {
        SCOPED_TRACE(version);
        ExpectRefused(Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 0) + 40, 8); }),
                      "packed size below 9");
        ExpectRefused(
            Edited(version, [](PlainView& v) { v.SetU32(EntryAt(v, 0) + 36, 0x7FFFFFFF); }),
            "unpacked size its body cannot give");
        if (version == 5) continue;  // member bytes of version 5 are coded apart
        ExpectRefused(Edited(version,
                             [](PlainView& v) {
                                 const size_t data = v.U32(8) + v.U32(EntryAt(v, 0) + 32);
                                 v.SetU32(data, v.U32(data) + 1);
                             }),
                      "head's unpacked size differs from the entry", false);
        ExpectRefused(Edited(version,
                             [](PlainView& v) {
                                 const size_t data = v.U32(8) + v.U32(EntryAt(v, 0) + 32);
                                 v.SetU32(data + 4, v.U32(data + 4) - 1);
                             }),
                      "head's packed size differs from the entry", false);
    }
}

TEST(ArchiveCorrupt, RandomBytesNeverOpen) {
    std::vector<unsigned char> noise(4096);
    uint32_t x = 12345;
    for (int round = 0; round < 50; ++round) {
        for (auto& b : noise) b = static_cast<unsigned char>((x = x * 1103515245 + 12345) >> 16);
        // A right magic under the fill key, the rest noise.
        unsigned char key[12];
        ArchiveKeyExpand(nullptr, key);
        noise[0] = 'D' ^ key[0];
        noise[1] = 'X' ^ key[1];
        noise[2] = static_cast<unsigned char>(round % 6) ^ key[2];
        noise[3] = key[3];
        Bytes image = noise;
        Archive a;
        ArchiveClear(&a);
        if (ArchiveOpenMemory(&a, image.data(), image.size(), nullptr) == 0) {
            ArchiveFindFileEntry("A\\B", &a);
            ArchiveClose(&a);
        }
        EXPECT_TRUE(image == noise);
    }
}
