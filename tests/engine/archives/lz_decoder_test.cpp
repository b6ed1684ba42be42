// The LZ decoder against hand-assembled streams, and its refusals of
// malformed ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/archive_format.h"

using namespace DuRud;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes Stream(uint32_t unpacked, unsigned char escape, const Bytes& body) {
    Bytes s(9);
    StoreU32(s.data(), unpacked);
    StoreU32(s.data() + 4, static_cast<uint32_t>(body.size() + 9));
    s[8] = escape;
    s.insert(s.end(), body.begin(), body.end());
    return s;
}

// Decodes into a buffer of exactly the unpacked size; empty on failure.
bool Decode(const Bytes& stream, Bytes* out) {
    const uint32_t size = LoadU32(stream.data());
    out->assign(size, 0xEE);
    return ArchiveDecompress(stream.data(), stream.size(), out->data(), out->size()) ==
           static_cast<int64_t>(size);
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

}  // namespace

TEST(LzDecoder, LiteralsAndEscapedEscape) {
    Bytes out;
    ASSERT_TRUE(Decode(Stream(3, 0xFF, Text("abc")), &out));
    EXPECT_EQ(out, Text("abc"));
    ASSERT_TRUE(Decode(Stream(3, 0x00, {'a', 0x00, 0x00, 'b'}), &out));
    EXPECT_EQ(out, (Bytes{'a', 0x00, 'b'}));
}

TEST(LzDecoder, CodesBelowAndAboveTheEscape) {
    Bytes out;
    // Code 0x00 below escape 0xF0: length 4, one distance byte (3 = 4 back).
    ASSERT_TRUE(Decode(Stream(8, 0xF0, {'a', 'b', 'c', 'd', 0xF0, 0x00, 0x03}), &out));
    EXPECT_EQ(out, Text("abcdabcd"));
    // Code 8 (length 5) at or above escape 0x05 is written as 9 and lowered on reading.
    ASSERT_TRUE(Decode(Stream(10, 0x05, {'a', 'b', 'c', 'd', 'e', 0x05, 0x09, 0x04}), &out));
    EXPECT_EQ(out, Text("abcdeabcde"));
    // The same code 8 below escape 0x40 stays 8.
    ASSERT_TRUE(Decode(Stream(10, 0x40, {'a', 'b', 'c', 'd', 'e', 0x40, 0x08, 0x04}), &out));
    EXPECT_EQ(out, Text("abcdeabcde"));
}

TEST(LzDecoder, ExtensionByteAndOverlappingRun) {
    Bytes out;
    // Code 0x0C: low length bits 1, extension flag; e = 2 gives (1 | 2 << 5) + 4 = 69,
    // copied from 1 back: a run of 70 'x'.
    ASSERT_TRUE(Decode(Stream(70, 0xFF, {'x', 0xFF, 0x0C, 0x02, 0x00}), &out));
    EXPECT_EQ(out, Bytes(70, 'x'));
    // Length 6 from 2 back repeats "ab" as a byte-by-byte copy would.
    ASSERT_TRUE(Decode(Stream(8, 0xFF, {'a', 'b', 0xFF, 0x10, 0x01}), &out));
    EXPECT_EQ(out, Text("abababab"));
    // The longest reference: low bits 31, e = 255: 8191 + 4.
    ASSERT_TRUE(Decode(Stream(8196, 0xFF, {'z', 0xFF, 0xFC, 0xFF, 0x00}), &out));
    EXPECT_EQ(out, Bytes(8196, 'z'));
}

TEST(LzDecoder, SixteenAndTwentyFourBitDistances) {
    Bytes body, want;
    for (int i = 0; i < 300; ++i) body.push_back(static_cast<unsigned char>(i % 251));
    want = body;
    // Distance code 1: 299 = 300 back, the first four bytes again.
    body.insert(body.end(), {0xFF, 0x01, 0x2B, 0x01});
    want.insert(want.end(), want.begin(), want.begin() + 4);
    Bytes out;
    ASSERT_TRUE(Decode(Stream(304, 0xFF, body), &out));
    EXPECT_EQ(out, want);

    body.clear();
    for (int i = 0; i < 70000; ++i) body.push_back(static_cast<unsigned char>((i * 13) % 251));
    want = body;
    // Distance code 2: 69999 = 0x01116F, 70000 back.
    body.insert(body.end(), {0xFF, 0x02, 0x6F, 0x11, 0x01});
    want.insert(want.end(), want.begin(), want.begin() + 4);
    ASSERT_TRUE(Decode(Stream(70004, 0xFF, body), &out));
    EXPECT_EQ(out, want);
}

TEST(LzDecoder, EmptyBody) {
    Bytes out;
    EXPECT_TRUE(Decode(Stream(0, 0x00, {}), &out));
    const Bytes noBody = Stream(5, 0x00, {});
    unsigned char buffer[5];
    EXPECT_EQ(ArchiveDecompress(noBody.data(), noBody.size(), buffer, 5), -1)
        << "an empty body cannot give 5 bytes";
    EXPECT_EQ(ArchiveDecompress(noBody.data(), noBody.size(), nullptr, 0), -1);
    const Bytes ok = Stream(3, 0xFF, Text("abc"));
    EXPECT_EQ(ArchiveDecompress(ok.data(), ok.size(), nullptr, 0), 3) << "size only";
}

TEST(LzDecoder, MalformedStreamsAreRefused) {
    struct Case {
        const char* what;
        Bytes stream;
    };
    const std::vector<Case> cases = {
        {"distance code 3", Stream(8, 0xFF, {'a', 'b', 'c', 'd', 0xFF, 0x03, 0x00})},
        {"reference before the start", Stream(8, 0xFF, {'a', 'b', 'c', 'd', 0xFF, 0x00, 0x04})},
        {"reference with no output yet", Stream(4, 0xFF, {0xFF, 0x00, 0x00})},
        {"escape at the end", Stream(2, 0xFF, {'a', 0xFF})},
        {"extension byte missing", Stream(70, 0xFF, {'x', 0xFF, 0x0C})},
        {"distance byte missing", Stream(5, 0xFF, {'x', 0xFF, 0x00})},
        {"16-bit distance cut", Stream(5, 0xFF, {'x', 0xFF, 0x01, 0x00})},
        {"24-bit distance cut", Stream(5, 0xFF, {'x', 0xFF, 0x02, 0x00, 0x00})},
        {"more output than the size", Stream(2, 0xFF, Text("abc"))},
        {"reference past the size", Stream(6, 0xFF, {'a', 'b', 0xFF, 0x10, 0x01})},
        {"less output than the size", Stream(4, 0xFF, Text("abc"))},
    };
    for (const Case& c : cases) {
        Bytes out;
        EXPECT_FALSE(Decode(c.stream, &out)) << c.what;
    }
    const Bytes good = Stream(3, 0xFF, Text("abc"));
    unsigned char buffer[8];
    EXPECT_EQ(ArchiveDecompress(good.data(), 8, buffer, 8), -1) << "head past the length";
    EXPECT_EQ(ArchiveDecompress(good.data(), good.size() - 1, buffer, 8), -1) << "body cut";
    EXPECT_EQ(ArchiveDecompress(good.data(), good.size(), buffer, 2), -1) << "small buffer";
    Bytes shortHead = good;
    StoreU32(shortHead.data() + 4, 8);
    EXPECT_EQ(ArchiveDecompress(shortHead.data(), shortHead.size(), buffer, 8), -1)
        << "packed size below 9";
    Bytes huge = Stream(0xFFFFFFFFu, 0xFF, Text("ab"));
    EXPECT_EQ(ArchiveDecompress(huge.data(), huge.size(), nullptr, 0), -1)
        << "more than a body this short can give";
}
