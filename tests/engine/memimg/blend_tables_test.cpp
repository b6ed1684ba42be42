// The blend tables, the blend-image table and the draw-state setters,
// against entries worked out by hand.
#include <gtest/gtest.h>

#include "image/memimg.h"
#include "memimg_test_support.h"

using namespace DuRud;

namespace {

// The tables are 1 MiB of static storage: built once for the whole suite.
class BlendTables : public testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_EQ(BuildMemImgBlendTables(), 0); }
};

TEST_F(BlendTables, ProductTable) {
    EXPECT_EQ(MemImgMulTable[255][255], 255);
    EXPECT_EQ(MemImgMulTable[128][255], 128);
    EXPECT_EQ(MemImgMulTable[255][128], 128);
    EXPECT_EQ(MemImgMulTable[1][254], 0);  // 254 / 255 truncates
    EXPECT_EQ(MemImgMulTable[0][200], 0);
    EXPECT_EQ(MemImgMulTable[100][200], 78);   // 20000 / 255 = 78.4
    EXPECT_EQ(MemImgMulTable[254][254], 253);  // 64516 / 255 = 253.0...
    for (int b = 0; b < 256; ++b) EXPECT_EQ(MemImgMulTable[255][b], b);
}

TEST_F(BlendTables, SignedTableIsAddressedAtSlot255) {
    const int32_t* row255 = &MemImgSignedMulTable[255][255];
    EXPECT_EQ(MemImgSignedMulTable[255][0], -255);
    EXPECT_EQ(MemImgSignedMulTable[255][510], 255);
    EXPECT_EQ(row255[0], 0);
    EXPECT_EQ(row255[-100], -100);

    const int32_t* row128 = &MemImgSignedMulTable[128][255];
    EXPECT_EQ(row128[-1], 0);  // -128 / 255 toward zero
    EXPECT_EQ(row128[-255], -128);
    EXPECT_EQ(row128[255], 128);
    EXPECT_EQ(row128[-2], -1);  // -256 / 255 = -1.003
    EXPECT_EQ(row128[2], 1);
    EXPECT_EQ(MemImgSignedMulTable[0][0], 0);
    for (int a = 0; a < 256; ++a) EXPECT_EQ(MemImgSignedMulTable[a][511], 0);
}

TEST_F(BlendTables, SixBitMixTable) {
    for (int s = 0; s < 64; s += 7) {
        for (int d = 0; d < 64; d += 5) {
            EXPECT_EQ(MemImgBlend6Table[63][s][d], s);
            EXPECT_EQ(MemImgBlend6Table[0][s][d], d);
        }
    }
    // (63 * 32 + 0 * 31) / 63 = 32; (10 * 32 + 20 * 31) / 63 = 940 / 63 = 14.9
    EXPECT_EQ(MemImgBlend6Table[32][63][0], 32);
    EXPECT_EQ(MemImgBlend6Table[32][10][20], 14);
    EXPECT_EQ(MemImgBlend6Table[1][0][63], 62);  // 62 * 63 / 63
}

// Each case leaves the draw state as it found it.
class DrawStateCase : public testing::Test {
  protected:
    void SetUp() override { memimgtest::ResetMemImgDrawState(); }
    void TearDown() override { memimgtest::ResetMemImgDrawState(); }
};
using BlendImageTable = DrawStateCase;

TEST_F(BlendImageTable, BorderAndRange) {
    // (128, 0): one step from 0 to 255 between 127 and 129.
    ASSERT_EQ(BuildMemImgBlendImageTable(128, 0), 0);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(MemImgBlendImageTable[i], 0) << i;
    EXPECT_EQ(MemImgBlendImageTable[128], 128);
    for (int i = 129; i < 256; ++i) EXPECT_EQ(MemImgBlendImageTable[i], 255) << i;

    // (0, 255): offset 256, every entry clamps to 255.
    BuildMemImgBlendImageTable(0, 255);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(MemImgBlendImageTable[i], 255) << i;

    // (255, 255): offset 256 - 510 = -254, so entry i is i - 254.
    BuildMemImgBlendImageTable(255, 255);
    for (int i = 0; i < 255; ++i) EXPECT_EQ(MemImgBlendImageTable[i], 0) << i;
    EXPECT_EQ(MemImgBlendImageTable[255], 1);

    // (64, 127): d = 128, step 512, offset 256 - (768 * 64) / 256 = 64;
    // entry i = 2i + 64 up to 255.
    BuildMemImgBlendImageTable(64, 127);
    EXPECT_EQ(MemImgBlendImageTable[0], 64);
    EXPECT_EQ(MemImgBlendImageTable[10], 84);
    EXPECT_EQ(MemImgBlendImageTable[95], 254);
    EXPECT_EQ(MemImgBlendImageTable[96], 255);

    // The table is the draw state's.
    EXPECT_EQ(&MemImgBlendImageTable[0], &MemImgDrawState.blendImageTable[0]);
}

TEST_F(BlendImageTable, OutOfRangeInputsAreClamped) {
    // Range -1 would divide by zero; it counts as 0, like (0, 0): offset 256.
    ASSERT_EQ(BuildMemImgBlendImageTable(0, -1), 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(MemImgBlendImageTable[i], 255) << i;
    // As (255, 0): offset 256 - (65792 * 255) / 256 = -65279, entry 256 i - 65279.
    BuildMemImgBlendImageTable(1000, 0);
    EXPECT_EQ(MemImgBlendImageTable[254], 0);
    EXPECT_EQ(MemImgBlendImageTable[255], 1);
    BuildMemImgBlendImageTable(-5, 100000);  // as (0, 255)
    EXPECT_EQ(MemImgBlendImageTable[0], 255);
}

}  // namespace
