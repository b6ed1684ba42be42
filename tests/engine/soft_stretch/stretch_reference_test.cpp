// MemImgBlitStretch against the slow reference on random views: every source
// kind and blend mode, blend image, brightness and transparent flag both
// ways, several parameters, the MMX flag both ways, and rectangles that
// enlarge, reduce, mirror, clip against the draw area and the destination,
// at odd sizes. Whole stores are compared, so the sentinels round the views
// are checked too.
#include <gtest/gtest.h>

#include <sstream>

#include "soft/memimg_renderer.h"
#include "stretch_reference.h"

using namespace softblit;

namespace {

enum SourceKind { k32, k32Alpha, k16, k16Alpha, kPalette32, kPalette16 };

struct Case {
    SourceKind kind;
    int mode;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* kKinds[] = {"C32", "C32Alpha", "C16", "C16Alpha", "Palette32", "Palette16"};
    return std::string(kKinds[info.param.kind]) + "Mode" + std::to_string(info.param.mode);
}

class StretchReference : public SoftBlitTest, public ::testing::WithParamInterface<Case> {};

TEST_P(StretchReference, EveryKernelEqualsReference) {
    const Case tc = GetParam();
    const int type = tc.kind == k16 || tc.kind == k16Alpha || tc.kind == kPalette16
                         ? DuRud::kMemImgColor16
                         : DuRud::kMemImgColor32;
    const bool alpha = tc.kind == k32Alpha || tc.kind == k16Alpha;
    const bool palette = tc.kind == kPalette32 || tc.kind == kPalette16;
    const uint32_t transparent = palette ? 9 : type == DuRud::kMemImgColor16 ? 0x1234 : 0x00563412;
    std::mt19937 rng(7100 + 16 * tc.kind + tc.mode);
    const bool usesP =
        tc.mode == 1 || tc.mode == 2 || tc.mode == 3 || tc.mode == 10 || tc.mode == 11;
    const std::vector<int> parameters =
        usesP ? std::vector<int>{0, 1, 128, 200, 255} : std::vector<int>{77};
    const RECT wide{0, 0, 1 << 20, 1 << 20};
    const RECT narrow{3, 2, 12, 9};
    int calls = 0;
    for (int combo = 0; combo < 8; ++combo) {
        const bool withBlend = combo & 1;
        const bool white = combo & 2;
        const int trans = (combo & 4) ? 2 : 0;
        for (int p : parameters) {
            for (int mmx = 0; mmx < 2; ++mmx) {
                const int sw = 3 + (combo + p) % 5;  // 3..7
                const int sh = 2 + (combo + mmx) % 4;
                // {rect, draw area}: enlarged at a step that is no whole
                // number, reduced, mirrored at the source's own size and
                // enlarged, clipped by the area and by the destination's
                // edges, the unmirrored same-size hand-over, and whole-number
                // steps (2x, 2x mirrored, 3x cut inside its first pixel).
                const std::pair<RECT, RECT> rects[] = {
                    {{1, 1, 1 + 2 * sw, 1 + 2 * sh}, wide},
                    {{1 + 2 * sw, 0, 1, sh}, wide},
                    {{-1, 0, -1 + 3 * sw, 2 * sh}, wide},
                    {{1, 1, 1 + 2 * sw + 1, 1 + sh * 3 / 2 + 1}, wide},
                    {{2, 2, 2 + std::max(1, sw / 2), 2 + (sh + 1) / 2}, wide},
                    {{2, 1, 2 + sw / 3 + 1, 1 + 1}, wide},
                    {{12, 0, 12 - sw, sh}, wide},
                    {{2, sh + 1, 2 + sw, 1}, wide},
                    {{15, 12, 1, 2}, narrow},
                    {{0, 1, 14, 12}, narrow},
                    {{-4, -3, 9, 8}, wide},
                    {{20, 15, 6, 5}, wide},
                    {{3, 3, 3 + sw, 3 + sh}, narrow},
                };
                for (const auto& [rect, area] : rects) {
                    Canvas dst(17, 13, type);
                    Canvas src(sw, sh, type, alpha, palette, transparent, 2, 4);
                    Canvas mask(sw + 1, sh, DuRud::kMemImgSingle8, false, false, 0, 1, 3);
                    dst.Randomize(rng);
                    src.Randomize(rng);
                    mask.Randomize(rng);
                    for (int i = 0; i < 256; ++i) DuRud::MemImgBlendImageTable[i] = uint8_t(rng());
                    DrawState st;
                    st.mode = tc.mode;
                    st.p = p;
                    st.bright = white ? 0xFFFFFF : 0x80FE40;
                    st.area = area;
                    ApplyDrawState(st);
                    ScopedMmx scoped(mmx);
                    const Canvas* blend = withBlend ? &mask : nullptr;
                    const auto expected = RefStretch(dst, src, rect, trans, blend, st, mmx);
                    DuRud::MemImgBlitStretch(&dst.view, &src.view, &rect, trans,
                                             blend ? &blend->view : nullptr);
                    ++calls;
                    if (dst.Store() != expected) {
                        std::ostringstream where;
                        where << "combo " << combo << " p " << p << " mmx " << mmx << " source "
                              << sw << "x" << sh << " rect " << rect.left << "," << rect.top << ","
                              << rect.right << "," << rect.bottom;
                        FAIL() << where.str();
                    }
                }
            }
        }
    }
    EXPECT_GT(calls, 0);
}

std::vector<Case> AllCases() {
    std::vector<Case> out;
    for (SourceKind kind : {k32, k32Alpha, k16, k16Alpha, kPalette32, kPalette16})
        for (int mode : {0, 1, 2, 3, 4, 10, 11}) out.push_back({kind, mode});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Kinds, StretchReference, ::testing::ValuesIn(AllCases()), CaseName);

// The reference's own mapping, pinned by hand: a 2:1 reduction, a 2x
// enlargement, and a left clip of a 7 -> 10 stretch.
TEST(StretchSourceIndexes, PinnedMappings) {
    EXPECT_EQ(RefSourceIndexes(4, 8, 0, 4, false, false), (std::vector<int>{0, 2, 4, 6}));
    EXPECT_EQ(RefSourceIndexes(4, 8, 0, 4, true, false), (std::vector<int>{0, 1, 3, 5}));
    EXPECT_EQ(RefSourceIndexes(6, 3, 0, 6, true, false), (std::vector<int>{0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(RefSourceIndexes(6, 3, 0, 6, false, true), (std::vector<int>{2, 2, 1, 1, 0, 0}));
    // step = 10 * 65536 / 7 = 93622; 3 * 65536 / 93622 = 2.1
    EXPECT_EQ(RefSourceIndexes(10, 7, 3, 2, false, false), (std::vector<int>{2, 2}));
    EXPECT_EQ(RefSourceIndexes(10, 7, 3, 2, false, true), (std::vector<int>{4, 4}));
}

}  // namespace
