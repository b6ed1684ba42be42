// Rectangle clear and rectangle copy between MEMIMGs, with clipping.
#include <gtest/gtest.h>

#include <climits>

#include "image/memimg.h"
#include "memimg_test_support.h"

using namespace DuRud;
using namespace memimgtest;

namespace {

bool Inside(int x, int y, const RECT& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Every pixel of a w x h record: value inside r, 0 elsewhere.
void ExpectFilled(const MEMIMG& m, const RECT& r, uint32_t value) {
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            EXPECT_EQ(Get(m, x, y), Inside(x, y, r) ? value : 0u) << x << "," << y;
}

TEST(MemImgClear, FillsOneTwoAndFourBytePixelsInsideTheClip) {
    const struct {
        int type;
        uint32_t value;
    } cases[] = {{kMemImgSingle8, 0xA5}, {kMemImgColor16, 0x1234}, {kMemImgColor32, 0xDEADBEEF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        MEMIMG m;
        ASSERT_EQ(NewMemImg(&m, 5, 4, c.type), 0);
        const RECT r{1, 1, 3, 3};
        ASSERT_EQ(ClearMemImgRect(&m, &r, c.value), 0);
        ExpectFilled(m, r, c.value);
        DropMemImg(&m);
    }
}

TEST(MemImgClear, ClipsToTheImage) {
    MEMIMG m;
    ASSERT_EQ(NewMemImg(&m, 5, 4, kMemImgColor16), 0);
    const RECT over{-5, -5, 2, 1};
    ASSERT_EQ(ClearMemImgRect(&m, &over, 0x7777), 0);
    ExpectFilled(m, RECT{0, 0, 2, 1}, 0x7777);

    // Wholly outside on each side, reversed or empty: nothing.
    const RECT outside[] = {{5, 0, 9, 4},
                            {0, 4, 5, 9},
                            {-9, 0, 0, 4},
                            {0, -9, 5, 0},
                            {3, 3, 1, 1},
                            {2, 2, 2, 4},
                            {INT_MIN, INT_MIN, INT_MIN + 1, INT_MIN + 1}};
    for (const RECT& r : outside) {
        ASSERT_EQ(ClearMemImgRect(&m, &r, 0x1111), 0);
        ExpectFilled(m, RECT{0, 0, 2, 1}, 0x7777);
    }
    // Null: the whole image.
    ASSERT_EQ(ClearMemImgRect(&m, nullptr, 0x2222), 0);
    ExpectFilled(m, RECT{0, 0, 5, 4}, 0x2222);
    DropMemImg(&m);
}

TEST(MemImgClear, AViewClearsOnlyItsRectangleOfTheBody) {
    MEMIMG owner, view;
    ASSERT_EQ(NewMemImg(&owner, 6, 5, kMemImgColor32), 0);
    ASSERT_EQ(ViewMemImg(&view, &owner, 2, 1, 3, 2), 0);
    ASSERT_EQ(ClearMemImgRect(&view, nullptr, 0x00ABCDEF), 0);
    ExpectFilled(owner, RECT{2, 1, 5, 3}, 0x00ABCDEF);
    const RECT big{-100, -100, 100, 100};
    ASSERT_EQ(ClearMemImgRect(&view, &big, 0x00000001), 0);
    ExpectFilled(owner, RECT{2, 1, 5, 3}, 0x00000001);
    DropMemImg(&view);
    DropMemImg(&owner);
}

TEST(MemImgClear, InvalidRecordIsRefused) {
    MEMIMG empty{};
    EXPECT_EQ(ClearMemImgRect(&empty, nullptr, 1), -1);
    EXPECT_EQ(ClearMemImgRect(nullptr, nullptr, 1), -1);
}

// 16-bit pixels and their 32-bit forms: each 5/6-bit channel moves to the
// top of its byte (0x8410 -> 0x808080), and back.
const uint16_t k16[4] = {0xF800, 0x07E0, 0x001F, 0x8410};
const uint32_t k32[4] = {0x00F80000, 0x0000FC00, 0x000000F8, 0x00808080};

TEST(MemImgCopy, SixteenToThirtyTwoBitsAndBack) {
    MEMIMG a, b, c;
    ASSERT_EQ(NewMemImg(&a, 4, 1, kMemImgColor16), 0);
    ASSERT_EQ(NewMemImg(&b, 4, 1, kMemImgColor32), 0);
    ASSERT_EQ(NewMemImg(&c, 4, 1, kMemImgColor16), 0);
    for (int x = 0; x < 4; ++x) Put(a, x, 0, k16[x]);
    ASSERT_EQ(CopyMemImgRect(&b, &a, nullptr, 0, 0), 0);
    EXPECT_EQ(RowOf(b, 0, 4), std::vector<uint32_t>(k32, k32 + 4));
    ASSERT_EQ(CopyMemImgRect(&c, &b, nullptr, 0, 0), 0);
    EXPECT_EQ(RowOf(c, 0, 4), std::vector<uint32_t>(k16, k16 + 4));
    for (MEMIMG* m : {&a, &b, &c}) DropMemImg(m);
}

TEST(MemImgCopy, ClipsToBothRecords) {
    MEMIMG src, dst;
    ASSERT_EQ(NewMemImg(&src, 4, 1, kMemImgColor16), 0);
    ASSERT_EQ(NewMemImg(&dst, 3, 2, kMemImgColor32), 0);
    for (int x = 0; x < 4; ++x) Put(src, x, 0, k16[x]);

    // Source columns 1..3 to destination x = 1: only columns 1 and 2 fit.
    const RECT r{1, 0, 4, 1};
    ASSERT_EQ(CopyMemImgRect(&dst, &src, &r, 1, 1), 0);
    EXPECT_EQ(RowOf(dst, 0, 3), (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_EQ(RowOf(dst, 1, 3), (std::vector<uint32_t>{0, k32[1], k32[2]}));

    // A source rectangle reaching left of the source moves the destination.
    const RECT left{-2, 0, 2, 1};
    ASSERT_EQ(CopyMemImgRect(&dst, &src, &left, 0, 0), 0);
    EXPECT_EQ(RowOf(dst, 0, 3), (std::vector<uint32_t>{0, 0, k32[0]}));

    // A negative destination cuts the source's left part.
    ASSERT_EQ(CopyMemImgRect(&dst, &src, nullptr, -3, 1), 0);
    EXPECT_EQ(Get(dst, 0, 1), k32[3]);

    // Nothing left after clipping, reversed or beyond: 0, nothing written.
    const RECT reversed{3, 0, 1, 1};
    const RECT beyond{4, 0, 9, 1};
    MEMIMG before;
    ASSERT_EQ(NewMemImg(&before, 3, 2, kMemImgColor32), 0);
    ASSERT_EQ(CopyMemImgRect(&before, &dst, nullptr, 0, 0), 0);
    EXPECT_EQ(CopyMemImgRect(&dst, &src, &reversed, 0, 0), 0);
    EXPECT_EQ(CopyMemImgRect(&dst, &src, &beyond, 0, 0), 0);
    EXPECT_EQ(CopyMemImgRect(&dst, &src, nullptr, 3, 0), 0);
    EXPECT_EQ(CopyMemImgRect(&dst, &src, nullptr, INT_MIN, INT_MIN), 0);
    const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(CopyMemImgRect(&dst, &src, &huge, INT_MAX, 0), 0);
    for (int y = 0; y < 2; ++y) EXPECT_EQ(RowOf(dst, y, 3), RowOf(before, y, 3)) << y;

    MEMIMG empty{};
    EXPECT_EQ(CopyMemImgRect(&empty, &src, nullptr, 0, 0), -1);
    EXPECT_EQ(CopyMemImgRect(&dst, &empty, nullptr, 0, 0), -1);
    for (MEMIMG* m : {&src, &dst, &before}) DropMemImg(m);
}

TEST(MemImgCopy, WritingPixelsMakesTheRunTableStale) {
    MEMIMG m, src;
    ASSERT_EQ(SetupMemImg(&m, 2, 2, -1, 0, kMemImgColor32, 0, 0, 1, nullptr), 0);
    ASSERT_EQ(NewMemImg(&src, 2, 2, kMemImgColor32), 0);
    Picture p(2, 2, FormatX8R8G8B8);
    ASSERT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &m, 0, 0, 2, 2, 0, 0, 0), 0);
    ASSERT_EQ(MemImgRunTableMatches(&m), 1);
    ASSERT_EQ(CopyMemImgRect(&m, &src, nullptr, 0, 0), 0);
    EXPECT_EQ(MemImgRunTableMatches(&m), 0);
    ASSERT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &m, 0, 0, 2, 2, 0, 0, 0), 0);
    ASSERT_EQ(ClearMemImgRect(&m, nullptr, 5), 0);
    EXPECT_EQ(MemImgRunTableMatches(&m), 0);
    DropMemImg(&m);
    DropMemImg(&src);
}

}  // namespace
