// Shared helpers of the archive tests: a small tree with nested and empty
// directories, empty files and code page 932 names, written with the
// writer library, and a plain (decoded) view for editing archives by hand.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_writer.h"
#include "files/archive.h"

namespace archive_test {

using Bytes = std::vector<unsigned char>;

inline Bytes BytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

inline zav::WriterNode File(const std::string& name, Bytes data) {
    zav::WriterNode n;
    n.name = name;
    n.data = std::move(data);
    n.writeTime = zav::FileTimeFromPosix(1577934245);  // 2020-01-02 03:04:05 UTC
    n.creationTime = n.writeTime;
    return n;
}

inline zav::WriterNode Dir(const std::string& name, std::vector<zav::WriterNode> children) {
    zav::WriterNode n;
    n.name = name;
    n.directory = true;
    n.children = std::move(children);
    return n;
}

// "\x93\xfa\x96\x7b" is two double-byte characters; "\x83\x5c" has a
// second byte equal to '\'.
inline const std::string kJapaneseName = "\x93\xfa\x96\x7b.txt";
inline const std::string kTrailBackslashName =
    "\x83\x5c"
    "dir";

inline Bytes Repetitive(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>("abcabcabd"[i % 9]);
    return b;
}

inline zav::WriterNode SampleTree() {
    zav::WriterNode root = Dir("", {});
    root.children.push_back(File("readme.txt", BytesOf("plain text, plain text, plain text")));
    root.children.push_back(File("empty.bin", {}));
    root.children.push_back(Dir("Empty", {}));
    root.children.push_back(
        Dir("lists", {File("a.list", BytesOf("first line\r\nsecond line\r\nthird\r\n")),
                      File(kJapaneseName, Repetitive(5000)),
                      Dir("deeper", {File("b.png", Repetitive(100)), Dir("leaf", {})})}));
    root.children.push_back(Dir(kTrailBackslashName, {File("x.txt", BytesOf("under 0x5C"))}));
    return root;
}

inline Bytes Write(const zav::WriterNode& root, int version, zav::KeyKind kind,
                   const std::string& key = "", bool compress = true) {
    zav::WriteOptions o;
    o.version = version;
    o.keyKind = kind;
    o.key = key;
    o.compress = compress;
    Bytes out;
    std::string error;
    EXPECT_TRUE(zav::WriteArchive(root, o, &out, &error)) << error;
    return out;
}

inline void KeyOf(zav::KeyKind kind, const std::string& key, unsigned char out[12]) {
    if (kind == zav::KeyKind::Fallback)
        DuRud::ArchiveFallbackKey(out);
    else
        DuRud::ArchiveKeyExpand(kind == zav::KeyKind::Own ? key.c_str() : nullptr, out);
}

// Decodes header and info block by the positions of the version (not the
// members of version 5); Encode undoes it.
struct PlainView {
    Bytes& image;
    unsigned char key[12];
    int version;
    PlainView(Bytes& img, int v, zav::KeyKind kind, const std::string& k = "")
        : image(img), version(v) {
        KeyOf(kind, k, key);
        Code();
    }
    uint32_t codedInfoSize = 0, codedInfoOffset = 0;
    // The info block's place is taken from the header as written, so that
    // tests may change those fields between decoding and encoding.
    void Code() {
        if (version < 5) {
            DuRud::ArchiveXorCode(image.size(), image.data(), 0, key);
            return;
        }
        const uint32_t headerSize = DuRud::ArchiveHeaderSize(version);
        const bool decoding = codedInfoSize == 0;
        DuRud::ArchiveXorCode(headerSize, image.data(), 0, key);
        if (decoding) {
            codedInfoSize = InfoSize();
            codedInfoOffset = InfoOffset();
        }
        DuRud::ArchiveXorCode(codedInfoSize, image.data() + codedInfoOffset, 0, key);
    }
    uint32_t U32(size_t at) const { return DuRud::LoadU32(&image[at]); }
    void SetU32(size_t at, uint32_t v) { DuRud::StoreU32(&image[at], v); }
    uint32_t InfoSize() const { return U32(4); }
    uint32_t InfoOffset() const { return U32(12); }
    uint32_t FileTable() const { return InfoOffset() + U32(16); }
    uint32_t DirTable() const { return InfoOffset() + U32(20); }
    uint32_t EntrySize() const { return DuRud::ArchiveEntrySize(version); }
};

}  // namespace archive_test
