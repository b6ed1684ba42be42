// The character-code ring: capacity, double-byte characters that arrive in
// two pieces, peeking, wrapping, and the control codes of editing keys.
#include <gtest/gtest.h>

#include "DuRud.h"
#include "input/char_input.h"

namespace DuRud {
namespace {

class CharRing : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(InitCharBuffer(), 0); }
    void TearDown() override { InitCharBuffer(); }
};

TEST_F(CharRing, EmptyRingGivesNothing) {
    unsigned char out[2] = {0xEE, 0xEE};
    PushCharCode('a');
    InitCharBuffer();
    EXPECT_EQ(GetCharCode(out, 1), 0);
    EXPECT_EQ(GetCharCode(nullptr, 1), 0);
}

TEST_F(CharRing, LeadByteWaitsForItsTrail) {
    unsigned char out[2] = {};
    ASSERT_EQ(PushCharCode('a'), 0);
    ASSERT_EQ(PushCharCode(0x82), 0);  // lead byte of "あ"
    EXPECT_EQ(GetCharCode(out, 1), 1);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(GetCharCode(out, 1), 0);
    EXPECT_EQ(GetCharRingView().writeIndex - GetCharRingView().readIndex, 1);  // still there
    ASSERT_EQ(PushCharCode(0xA0), 0);
    EXPECT_EQ(GetCharCode(out, 1), 2);
    EXPECT_EQ(out[0], 0x82);
    EXPECT_EQ(out[1], 0xA0);
    EXPECT_EQ(GetCharCode(out, 1), 0);
}

TEST_F(CharRing, PeekLeavesTheBytes) {
    unsigned char out[2] = {};
    PushCharCode(0x88);
    PushCharCode(0x9F);  // "亜"
    EXPECT_EQ(GetCharCode(out, 0), 2);
    EXPECT_EQ(GetCharCode(out, 0), 2);
    EXPECT_EQ(GetCharCode(out, 1), 2);
    EXPECT_EQ(GetCharCode(out, 0), 0);
}

TEST_F(CharRing, IndicesWrapAndPairsSurviveTheWrap) {
    unsigned char out[2] = {};
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(PushCharCode('a' + i % 26), 0) << i;
    EXPECT_EQ(PushCharCode('x'), -1);  // 1024 bytes at most
    for (int i = 0; i < 1024; ++i) {
        ASSERT_EQ(GetCharCode(out, 1), 1) << i;
        ASSERT_EQ(out[0], 'a' + i % 26) << i;
    }
    // Read and write now sit at 1024: the next pair straddles the end.
    EXPECT_EQ(GetCharRingView().readIndex, 1024);
    ASSERT_EQ(PushCharCode(0x82), 0);
    ASSERT_EQ(PushCharCode(0xA0), 0);
    EXPECT_EQ(GetCharRingView().writeIndex, 1);
    EXPECT_EQ(GetCharCode(out, 1), 2);
    EXPECT_EQ(out[0], 0x82);
    EXPECT_EQ(out[1], 0xA0);
    EXPECT_EQ(GetCharRingView().readIndex, 1);
    // Full again after a wrap: 1024 more, then refusal.
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(PushCharCode('q'), 0) << i;
    EXPECT_EQ(PushCharCode('q'), -1);
}

TEST(CharCounting, DoubleByteCharactersCountOnce) {
    EXPECT_EQ(CountChars("abc", 3), 3);
    EXPECT_EQ(CountChars("abc", 2), 2);
    EXPECT_EQ(CountChars("a\x82\xA0"
                         "b",
                         4),
              3);
    EXPECT_EQ(CountChars("a\x82\xA0"
                         "b",
                         3),
              2);
    EXPECT_EQ(CountChars("ab\0cd", 5), 2);  // stops at the NUL
    EXPECT_EQ(CountChars(nullptr, 5), 0);
    EXPECT_EQ(CountChars("abc", -1), 0);
}

}  // namespace
}  // namespace DuRud
