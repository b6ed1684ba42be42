// Writer-to-reader round trips in memory, key handling, and the coded
// layout of each version read with the XOR coding alone.
#include <gtest/gtest.h>

#include "archive_test_support.h"

using namespace DuRud;
using namespace archive_test;

namespace {

// The bytes of a member of an open memory archive, unpacked.
Bytes Member(Archive* a, const char* path) {
    const unsigned char* e = ArchiveFindFileEntry(path, a);
    if (!e) return {0xDE, 0xAD};
    const uint32_t size = LoadU32(e + kEntryDataSize);
    const unsigned char* stored = a->image + a->header.dataStart + LoadU32(e + kEntryDataOffset);
    Bytes out(size);
    if (ArchiveEntryIsPacked(a, e)) {
        EXPECT_EQ(ArchiveDecompress(stored, LoadU32(e + kEntryPackedSize), out.data(), size), size);
    } else if (size) {
        std::memcpy(out.data(), stored, size);
    }
    return out;
}

void ExpectSampleContents(Archive* a) {
    EXPECT_EQ(Member(a, "readme.txt"), BytesOf("plain text, plain text, plain text"));
    EXPECT_EQ(Member(a, "EMPTY.BIN"), Bytes{});
    EXPECT_EQ(Member(a, "lists\\a.list"), BytesOf("first line\r\nsecond line\r\nthird\r\n"));
    EXPECT_EQ(Member(a, ("LISTS/" + kJapaneseName).c_str()), Repetitive(5000));
    EXPECT_EQ(Member(a, "lists\\deeper\\b.png"), Repetitive(100));
    EXPECT_EQ(Member(a, (kTrailBackslashName + "\\X.TXT").c_str()), BytesOf("under 0x5C"));
    EXPECT_EQ(ArchiveFindFileEntry("Empty", a), nullptr) << "a directory is no file";
    EXPECT_EQ(ArchiveChangeDir(a, "lists\\deeper\\leaf", 1, nullptr), 0);
    EXPECT_EQ(ArchiveChangeDir(a, "\\", 1, nullptr), 0);
    EXPECT_EQ(ArchiveChangeDir(a, "empty", 1, nullptr), 0);
    EXPECT_EQ(ArchiveChangeDir(a, "..", 1, nullptr), 0);
    EXPECT_EQ(ArchiveChangeDir(a, "..", 1, nullptr), -1) << "the root has no parent";
}

struct KeyCase {
    zav::KeyKind kind;
    const char* writeKey;
    const char* openKey;
};

const KeyCase kKeyCases[] = {
    {zav::KeyKind::Own, "qorvintabelux", "qorvintabelux"},
    {zav::KeyKind::None, "", nullptr},
    {zav::KeyKind::None, "", ""},
    {zav::KeyKind::Fallback, "", "anything at all"},
    {zav::KeyKind::Fallback, "", nullptr},
};

}  // namespace

TEST(ArchiveMemory, RoundTripEveryVersionAndKey) {
    const zav::WriterNode tree = SampleTree();
    for (int version = 0; version <= 5; ++version) {
        for (const KeyCase& k : kKeyCases) {
            SCOPED_TRACE("version " + std::to_string(version) + " key " + k.writeKey);
            Bytes image = Write(tree, version, k.kind, k.writeKey);
            const Bytes original = image;
            Archive a;
            ArchiveClear(&a);
            ASSERT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), k.openKey), 0);
            EXPECT_EQ(ArchiveGetImage(&a), image.data());
            EXPECT_EQ(a.header.version, version);
            EXPECT_EQ(a.charSet, version >= 4 ? 1 : 0);
            ExpectSampleContents(&a);
            EXPECT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), k.openKey), -1)
                << "a second open without closing";
            EXPECT_EQ(ArchiveClose(&a), 0);
            EXPECT_TRUE(image == original) << "close gives back the coded image";
            EXPECT_EQ(ArchiveClose(&a), 0) << "closing a closed archive";
        }
    }
}

TEST(ArchiveMemory, PackedAndStoredMembers) {
    Bytes image = Write(SampleTree(), 5, zav::KeyKind::None);
    Archive a;
    ArchiveClear(&a);
    ASSERT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), nullptr), 0);
    EXPECT_TRUE(
        ArchiveEntryIsPacked(&a, ArchiveFindFileEntry(("lists\\" + kJapaneseName).c_str(), &a)));
    Bytes stored = Write(SampleTree(), 5, zav::KeyKind::None, "", false);
    Archive b;
    ArchiveClear(&b);
    ASSERT_EQ(ArchiveOpenMemory(&b, stored.data(), stored.size(), nullptr), 0);
    EXPECT_FALSE(
        ArchiveEntryIsPacked(&b, ArchiveFindFileEntry(("lists\\" + kJapaneseName).c_str(), &b)));
    ExpectSampleContents(&b);
    uint32_t offset = 0, size = 0;
    ASSERT_EQ(ArchiveGetFileSpan(&b, "lists\\a.list", &offset, &size), 0);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(std::memcmp(stored.data() + offset, "first line", 10), 0);
    EXPECT_EQ(ArchiveGetFileSpan(&b, "lists\\none", &offset, &size), -1);
    ArchiveClose(&a);
    ArchiveClose(&b);
}

TEST(ArchiveMemory, WrongKeysFailAndLeaveTheImage) {
    for (int version = 0; version <= 5; ++version) {
        SCOPED_TRACE(version);
        Bytes image = Write(SampleTree(), version, zav::KeyKind::Own, "abcde");
        const Bytes original = image;
        Archive a;
        ArchiveClear(&a);
        EXPECT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), "other"), -1);
        EXPECT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), nullptr), -1);
        // "abcd" expands to the same first four bytes: magic and version decode right.
        EXPECT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), "abcd"), -1);
        EXPECT_TRUE(image == original);
        EXPECT_EQ(ArchiveOpenMemory(&a, image.data(), image.size(), "abcdeabcdeab"), 0);
        ArchiveClose(&a);
        EXPECT_TRUE(image == original);
    }
}

TEST(ArchiveMemory, LayoutReadWithTheXorCodingAlone) {
    for (int version = 0; version <= 5; ++version) {
        SCOPED_TRACE(version);
        zav::WriterNode root = Dir("", {File("stored.txt", BytesOf("stored bytes")),
                                        Dir("sub", {File("packed.txt", Repetitive(400))})});
        Bytes image = Write(root, version, zav::KeyKind::Own, "qorvintabelux");
        unsigned char key[12];
        ArchiveKeyExpand("qorvintabelux", key);
        Bytes plain = image;
        const uint32_t headerSize = ArchiveHeaderSize(version);
        if (version < 5) {
            ArchiveXorCode(plain.size(), plain.data(), 0, key);
        } else {
            ArchiveXorCode(headerSize, plain.data(), 0, key);
        }
        ASSERT_EQ(plain[0], 'D');
        ASSERT_EQ(plain[1], 'X');
        EXPECT_EQ(LoadU16(&plain[2]), version);
        if (version >= 4) {
            EXPECT_EQ(LoadU32(&plain[24]), 932u);
        }
        const uint32_t infoSize = LoadU32(&plain[4]), dataStart = LoadU32(&plain[8]);
        const uint32_t infoOffset = LoadU32(&plain[12]);
        unsigned char* info = plain.data() + infoOffset;
        if (version == 5) ArchiveXorCode(infoSize, info, 0, key);
        const uint32_t entrySize = ArchiveEntrySize(version);
        unsigned char* files = info + LoadU32(&plain[16]);
        unsigned char* root0 = info + LoadU32(&plain[20]);
        EXPECT_EQ(LoadU32(root0 + 4), 0xFFFFFFFFu) << "root has no parent";
        ASSERT_EQ(LoadU32(root0 + 8), 2u);
        unsigned char* first = files + LoadU32(root0 + 12);
        // The first entry: "STORED.TXT", L = 10 / 4 + 1 = 3.
        const unsigned char* record = info + LoadU32(first);
        EXPECT_EQ(LoadU16(record), 3);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(record + 4)), "STORED.TXT");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(record + 16)), "stored.txt");
        int parity = 0;
        for (char c : std::string("STORED.TXT")) parity += static_cast<unsigned char>(c);
        EXPECT_EQ(LoadU16(record + 2), parity);
        const uint32_t size = LoadU32(first + 36);
        ASSERT_EQ(size, 12u);
        unsigned char* bytes = plain.data() + dataStart + LoadU32(first + 32);
        if (version == 5) ArchiveXorCode(size, bytes, size, key);  // positions from its size
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 12), "stored bytes");
        // The second entry: directory "SUB", its record holding "PACKED.TXT".
        unsigned char* sub = first + entrySize;
        EXPECT_EQ(LoadU32(sub + 4) & 0x10u, 0x10u);
        unsigned char* subDir = info + LoadU32(&plain[20]) + LoadU32(sub + 32);
        EXPECT_EQ(LoadU32(subDir + 4), 0u) << "parent is the root record";
        unsigned char* packedEntry = files + LoadU32(subDir + 12);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(info + LoadU32(packedEntry) + 4)),
                  "PACKED.TXT");
        const uint32_t packedSize = version >= 2 ? LoadU32(packedEntry + 40) : 0xFFFFFFFFu;
        unsigned char* stored = plain.data() + dataStart + LoadU32(packedEntry + 32);
        const uint32_t unpacked = LoadU32(packedEntry + 36);
        if (version < 2) {
            EXPECT_EQ(Bytes(stored, stored + unpacked), Repetitive(400));
        } else {
            ASSERT_NE(packedSize, 0xFFFFFFFFu);
            if (version == 5) ArchiveXorCode(packedSize, stored, unpacked, key);
            Bytes out(unpacked);
            EXPECT_EQ(ArchiveDecompress(stored, packedSize, out.data(), unpacked), 400);
            EXPECT_EQ(out, Repetitive(400));
        }
    }
}
