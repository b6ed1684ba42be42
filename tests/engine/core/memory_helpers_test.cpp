// Byte fill, compare, copy and overlap-safe move.
#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "DuRud.h"

namespace DuRud {
namespace {

std::vector<unsigned char> Sequence(size_t n) {
    std::vector<unsigned char> v(n);
    std::iota(v.begin(), v.end(), 0);
    return v;
}

TEST(MemoryHelpers, MoveHandlesBothOverlaps) {
    auto up = Sequence(16);
    MoveBytes(up.data() + 4, up.data(), 10);  // source below destination
    const unsigned char expectUp[16] = {0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15};
    EXPECT_EQ(0, std::memcmp(up.data(), expectUp, 16));

    auto down = Sequence(16);
    MoveBytes(down.data(), down.data() + 4, 10);  // source above destination
    const unsigned char expectDown[16] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(0, std::memcmp(down.data(), expectDown, 16));

    auto same = Sequence(8);
    MoveBytes(same.data(), same.data(), 8);
    MoveBytes(same.data() + 1, same.data(), 0);
    EXPECT_EQ(same, Sequence(8));
}

TEST(MemoryHelpers, CopyIsAForwardCopy) {
    auto v = Sequence(8);
    CopyBytes(v.data() + 1, v.data(), 6);  // a forward byte loop repeats the first byte
    const unsigned char expect[8] = {0, 0, 0, 0, 0, 0, 0, 7};
    EXPECT_EQ(0, std::memcmp(v.data(), expect, 8));
    std::vector<unsigned char> dst(8, 0xEE);
    const auto src = Sequence(8);
    CopyBytes(dst.data(), src.data(), 8);
    EXPECT_EQ(dst, src);
}

TEST(MemoryHelpers, FillAndCompare) {
    std::vector<unsigned char> v(10, 1);
    FillBytes(v.data() + 2, 0x1AB, 3);  // the byte value only
    EXPECT_EQ(v, (std::vector<unsigned char>{1, 1, 0xAB, 0xAB, 0xAB, 1, 1, 1, 1, 1}));
    FillBytes(v.data(), 9, 0);
    EXPECT_EQ(v[0], 1);

    uint32_t words[4] = {};
    FillDwords(words, 0xDEADBEEF, 3);
    EXPECT_EQ(words[0], 0xDEADBEEFu);
    EXPECT_EQ(words[2], 0xDEADBEEFu);
    EXPECT_EQ(words[3], 0u);

    EXPECT_EQ(CompareBytes("abc", "abd", 2), 0);
    EXPECT_EQ(CompareBytes("abc", "abd", 3), 1);
    EXPECT_EQ(CompareBytes("a", "b", 0), 0);
}

}  // namespace
}  // namespace DuRud
