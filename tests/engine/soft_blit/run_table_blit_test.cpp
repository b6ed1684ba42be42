// The run-table walk beyond what BlitReference.RunTablePathEqualsReference
// covers: every call the table does not describe takes the clipped path
// (shown by a corrupted table that would otherwise change the result).
#include <gtest/gtest.h>

#include "blit_reference.h"
#include "soft/memimg_renderer.h"

using namespace softblit;
using DuRud::kMemImgColor16;
using DuRud::kMemImgColor32;

namespace {

class RunTableBlit : public SoftBlitTest {
  protected:
    std::mt19937 rng{4242};
};

// A table that claims every pixel is transparent: the run path would draw nothing.
void CorruptTable(const Canvas& src) {
    uint8_t* t = src.body()->runTable;
    const size_t size = size_t(src.body()->width + 5) * src.body()->height;
    for (size_t i = 0; i < size; ++i) t[i] = (i % 2) ? 0xC0 : 0x3F;
}

TEST_F(RunTableBlit, CallsTheTableDoesNotDescribeTakeTheClippedPath) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        const DrawState st{0, 255, 0xFFFFFF, {0, 0, 100, 100}};
        ApplyDrawState(st);
        auto check = [&](Canvas& dst, const Canvas& src, int x, int y, int trans,
                         const char* what) {
            const auto expected = RefBlit(dst, src, x, y, trans, nullptr, st, false, false);
            DuRud::MemImgBlit(&dst.view, &src.view, x, y, trans, nullptr);
            EXPECT_EQ(dst.Store(), expected) << what;
        };
        {  // the transparent flag 2
            Canvas dst(12, 6, type), src(5, 3, type, false, false, 0x77);
            dst.Randomize(rng);
            src.Randomize(rng);
            src.BuildRunTable();
            CorruptTable(src);
            check(dst, src, 1, 1, 2, "flag 2");
        }
        {  // clipped on the left
            Canvas dst(12, 6, type), src(5, 3, type, false, false, 0x77);
            dst.Randomize(rng);
            src.Randomize(rng);
            src.BuildRunTable();
            CorruptTable(src);
            check(dst, src, -1, 1, 1, "clipped");
        }
        {  // a view of a body whose table was built over the whole body
            Canvas dst(12, 6, type), src(6, 4, type, false, false, 0x77, 0, 0);
            src.Randomize(rng);
            src.BuildRunTable();
            CorruptTable(src);
            DuRud::MEMIMG part{};
            ASSERT_EQ(DuRud::ViewMemImg(&part, &src.view, 1, 1, 4, 2), 0);
            dst.Randomize(rng);
            const auto before = dst.Store();
            DuRud::MemImgBlit(&dst.view, &part, 0, 0, 1, nullptr);
            EXPECT_NE(dst.Store(), before) << "a view is drawn";
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 4; ++x) {
                    const uint32_t s = src.Get(x + 1, y + 1);
                    if (s != 0x77) {
                        EXPECT_EQ(dst.Get(x, y), s);
                    }
                }
            DuRud::DropMemImg(&part);
        }
        {  // the table was built for another record of the same size
            Canvas dst(12, 6, type), src(5, 3, type, false, false, 0x77);
            dst.Randomize(rng);
            src.Randomize(rng);
            src.BuildRunTable();
            CorruptTable(src);
            src.body()->runTablePixels = src.view.pixels + 1;
            check(dst, src, 1, 1, 1, "other record");
        }
        {  // the table flag cleared
            Canvas dst(12, 6, type), src(5, 3, type, false, false, 0x77);
            dst.Randomize(rng);
            src.Randomize(rng);
            src.BuildRunTable();
            CorruptTable(src);
            src.body()->runTableValid = 0;
            check(dst, src, 1, 1, 1, "flag cleared");
        }
    }
}

TEST_F(RunTableBlit, DamagedTableStaysInsideTheImages) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        Canvas dst(8, 4, type), src(5, 3, type);
        dst.Randomize(rng);
        src.Randomize(rng);
        src.BuildRunTable();
        // Runs longer than the row and no row ends at all.
        std::memset(src.body()->runTable, 0x7F, size_t(src.body()->width + 5) * src.body()->height);
        ApplyDrawState({0, 255, 0xFFFFFF, {0, 0, 100, 100}});
        DuRud::MemImgBlit(&dst.view, &src.view, 3, 1, 1, nullptr);
        // Only the first row could be drawn, and only inside its width.
        for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.Get(x + 3, 1), src.Get(x, 0));
    }
}

// A 32-bit alpha sprite is drawn as its table says, not as its pixels are:
// a table left stale by later pixel writes, or damaged (runs past the row,
// rows without an end), decides which pixels are stored whole, weighted or
// left out. Widths below, at and past one block; runs near the row's end. A
// keyed source (no alpha flag) stores every run the table draws whole.
TEST_F(RunTableBlit, SpriteFollowsStaleAndDamagedTables) {
    struct Row {
        const char* name;
        int w;
        bool damaged;
        bool alpha = true;
    };
    const Row rows[] = {{"stale 3", 3, false},
                        {"stale 5", 5, false},
                        {"stale 16", 16, false},
                        {"stale 37", 37, false},
                        {"damaged 5", 5, true},
                        {"damaged 16", 16, true},
                        {"damaged 37", 37, true},
                        {"keyed stale 5", 5, false, false},
                        {"keyed stale 37", 37, false, false},
                        {"keyed damaged 16", 16, true, false},
                        {"keyed damaged 37", 37, true, false}};
    ApplyDrawState({0, 255, 0xFFFFFF, {0, 0, 100, 100}});
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (int round = 0; round < 40; ++round) {
            Canvas dst(r.w + 4, 6, kMemImgColor32), src(r.w, 4, kMemImgColor32, r.alpha);
            dst.Randomize(rng);
            src.Randomize(rng);
            src.BuildRunTable();
            src.Randomize(rng);  // the table now describes other pixels
            uint8_t* table = src.body()->runTable;
            const size_t size = size_t(r.w + 5) * 4;
            if (r.damaged) {
                for (size_t i = 0; i < size; ++i) {
                    const uint32_t pick = rng() % 8;
                    table[i] = pick == 0 ? uint8_t(0xC0 | rng()) : uint8_t(rng());
                }
            }
            // What the table says, pixel by pixel: 0 left out, 1 whole, 2 weighted.
            std::vector<int> kinds(size_t(r.w) * 4, 0);
            size_t at = 0;
            for (int y = 0; y < 4; ++y) {
                int x = 0;
                while (at < size) {
                    const uint8_t code = table[at++];
                    if (code >= 0xC0) break;
                    for (int i = 0; i <= (code & 0x3F) && x < r.w; ++i, ++x)
                        kinds[size_t(y) * r.w + x] = code >> 6;
                }
            }
            std::vector<uint32_t> want(size_t(r.w) * 4);
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < r.w; ++x) {
                    const uint32_t s = src.Get(x, y), d = dst.Get(x + 2, y + 1);
                    const uint32_t a = s >> 24;
                    uint32_t v = d;
                    const int kind = kinds[size_t(y) * r.w + x];
                    if (kind == 1 || (kind == 2 && !r.alpha)) v = s;
                    if (kind == 2 && r.alpha) {
                        v = d & 0xFF000000u;
                        for (int ch = 0; ch < 24; ch += 8)
                            v |= ((((s >> ch) & 0xFF) * a + ((d >> ch) & 0xFF) * (256 - a)) >> 8)
                                 << ch;
                    }
                    want[size_t(y) * r.w + x] = v;
                }
            }
            DuRud::MemImgBlit(&dst.view, &src.view, 2, 1, 1, nullptr);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < r.w; ++x)
                    ASSERT_EQ(dst.Get(x + 2, y + 1), want[size_t(y) * r.w + x])
                        << "round " << round << " at " << x << ", " << y;
        }
    }
}

TEST_F(RunTableBlit, PaletteSourceWithZeroParameterSubtractsNothing) {
    Canvas dst(3, 1, kMemImgColor16), src(3, 1, kMemImgColor16, false, true, 9);
    const uint16_t entry = 0x1234;
    std::memcpy(src.body()->palette + 2 * 5, &entry, 2);
    src.Put(0, 0, 5);
    src.Put(1, 0, 9);
    src.Put(2, 0, 5);
    src.BuildRunTable();
    dst.Fill(0x0000);
    ApplyDrawState({3, 0, 0xFFFFFF, {0, 0, 100, 100}});
    DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 1, nullptr);
    EXPECT_EQ(dst.Get(0, 0), 0x0800u);
    EXPECT_EQ(dst.Get(1, 0), 0x0000u);  // transparent index
    EXPECT_EQ(dst.Get(2, 0), 0x0800u);
}

}  // namespace
