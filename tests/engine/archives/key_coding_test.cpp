// Key expansion and XOR coding.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "files/archive_format.h"

using namespace DuRud;

namespace {

std::vector<unsigned char> Expand(const char* s) {
    std::vector<unsigned char> k(12);
    ArchiveKeyExpand(s, k.data());
    return k;
}

}  // namespace

TEST(KeyCoding, TransformOfOneRepeatedCharacter) {
    // 'A' = 0x41 in every position, then each position's transform by hand.
    const std::vector<unsigned char> want = {
        0xBE,  // NOT
        0x14,  // rotate left 4
        0x41 ^ kArchiveKeyK1,
        0xEB,  // rotate left 4, NOT
        0xBE,  // NOT
        0x41 ^ kArchiveKeyK2,
        0xBE,  // NOT
        0xD7,  // rotate right 3 (0x28), NOT
        0x0A,  // rotate left 3
        0x41 ^ kArchiveKeyK3,
        0x14 ^ kArchiveKeyK4,  // rotate left 4, XOR
        0x41 ^ kArchiveKeyK5,
    };
    EXPECT_EQ(Expand("A"), want);
    EXPECT_EQ(Expand("AAAAAAAAAAAAAAAAAAAA"), want);
}

TEST(KeyCoding, ShortStringsRepeatAndLongOnesKeepTwelve) {
    EXPECT_EQ(Expand("abcde"), Expand("abcdeabcdeab"));
    EXPECT_NE(Expand("abcde"), Expand("abcdeabcdeaa"));
    EXPECT_EQ(Expand("qorvintabelux"), Expand("qorvintabelu"));
    EXPECT_NE(Expand("qorvintabelux"), Expand("qorvintabelx"));
}

TEST(KeyCoding, NoStringTakesTheFillByteAndDiffersFromTheFallback) {
    const std::string fill(12, static_cast<char>(kArchiveKeyFillByte));
    EXPECT_EQ(Expand(nullptr), Expand(fill.c_str()));
    EXPECT_EQ(Expand(""), Expand(nullptr));
    std::vector<unsigned char> fallback(12);
    ArchiveFallbackKey(fallback.data());
    EXPECT_EQ(fallback, std::vector<unsigned char>(12, kArchiveFallbackKeyByte));  // untransformed
    EXPECT_NE(fallback, Expand(nullptr));
    EXPECT_NE(kArchiveKeyFillByte, kArchiveFallbackKeyByte);
}

TEST(KeyCoding, XorUsesTheKeyByPositionAndTwiceRestores) {
    const auto key = Expand("qorvintabelux");
    for (uint64_t position : {0ull, 1ull, 11ull, 12ull, 13ull, 5000ull, 0x1'0000'0007ull}) {
        for (size_t length : {0u, 1u, 11u, 12u, 13u, 25u, 100u}) {
            std::vector<unsigned char> data(length);
            for (size_t i = 0; i < length; ++i) data[i] = static_cast<unsigned char>(i * 7 + 3);
            const auto original = data;
            ArchiveXorCode(length, data.data(), position, key.data());
            for (size_t i = 0; i < length; ++i)
                ASSERT_EQ(data[i], original[i] ^ key[(position + i) % 12])
                    << "position " << position << " byte " << i;
            ArchiveXorCode(length, data.data(), position, key.data());
            EXPECT_EQ(data, original);
        }
    }
}
