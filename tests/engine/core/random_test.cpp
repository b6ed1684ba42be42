// The engine's MT19937 against std::mt19937 loaded with the state that the
// x69069 seeding routine builds.
#include "core/random.h"

#include <cstdint>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

namespace DuRud {
namespace {

// The reference generator: the seeding routine's state, streamed in with the
// index at 624 so that the first draw regenerates.
std::mt19937 Reference(uint32_t s) {
    std::ostringstream text;
    for (int i = 0; i < 624; ++i) {
        uint32_t word = s & 0xFFFF0000u;
        s = s * 69069u + 1u;
        word |= s >> 16;
        s = s * 69069u + 1u;
        text << word << ' ';
    }
    text << 624;
    std::mt19937 gen;
    std::istringstream in(text.str());
    in >> gen;
    return gen;
}

class RandomTest : public testing::Test {
  protected:
    void SetUp() override { ResetRandomForTest(); }
    void TearDown() override { ResetRandomForTest(); }
};

TEST_F(RandomTest, UnseededIsSeed4357) {
    std::mt19937 ref = Reference(4357);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(NextRandom(), ref()) << i;
}

TEST_F(RandomTest, OtherSeedsAcrossSeveralGenerations) {
    for (uint32_t seed : {1u, 0u, 0xFFFFFFFFu, 20261206u}) {
        SeedRandom(seed);
        std::mt19937 ref = Reference(seed);
        for (int i = 0; i < 1500; ++i) ASSERT_EQ(NextRandom(), ref()) << seed << " " << i;
    }
}

TEST_F(RandomTest, ReseedingStartsOver) {
    SeedRandom(99);
    const uint32_t first = NextRandom();
    NextRandom();
    SeedRandom(99);
    EXPECT_EQ(NextRandom(), first);
}

// The output that the next draw will give, without disturbing the sequence.
uint32_t PeekNext(uint32_t seed, int drawn) {
    std::mt19937 ref = Reference(seed);
    for (int i = 0; i < drawn; ++i) ref();
    return ref();
}

TEST_F(RandomTest, GetRandomIntRanges) {
    SeedRandom(5);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(GetRandomInt(0), 0);
        EXPECT_EQ(GetRandomInt(1), static_cast<int>(PeekNext(5, i * 3 + 1) >> 31));
        const int v = GetRandomInt(0x7FFFFFFF);
        const uint32_t third = PeekNext(5, i * 3 + 2);
        EXPECT_EQ(v, -static_cast<int64_t>((static_cast<uint64_t>(third) + 1) / 2));
        EXPECT_LE(v, 0);
    }
}

TEST_F(RandomTest, ListedOutputsOfTheScaling) {
    EXPECT_EQ(ScaleRandomOutput(3, 0x7FFFFFFF), -2);
    EXPECT_EQ(ScaleRandomOutput(0, 0x7FFFFFFF), 0);
    EXPECT_EQ(ScaleRandomOutput(0xFFFFFFFFu, 0x7FFFFFFF), INT32_MIN);
    EXPECT_EQ(ScaleRandomOutput(0xFFFFFFFFu, 0), 0);
    EXPECT_EQ(ScaleRandomOutput(0x80000000u, 1), 1);  // the top bit
    EXPECT_EQ(ScaleRandomOutput(0x7FFFFFFFu, 1), 0);
    EXPECT_EQ(ScaleRandomOutput(0xFFFFFFFFu, 9), 9);
    EXPECT_EQ(ScaleRandomOutput(0x80000000u, 9), 5);  // floor(2^31 * 10 / 2^32)
}

}  // namespace
}  // namespace DuRud
