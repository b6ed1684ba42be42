// Font creation: the leading a taller GDI font absorbs, cells and cache
// sizes by hand, the char-set check, the fall-backs when GDI refuses, the
// handle limit and asynchronous creation.
#include <gtest/gtest.h>

#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "font_fixture.h"
#include "support/test_support.h"
#include "support/truetype_face.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace fonttest;

namespace {

int LiveFonts() {
    return GetHandleTypeRecord(HandleTypeFont)->count;
}

struct GrowthRow {
    const char* name;
    const char* face;
    int type;
    int growth;
};

TEST_F(FontTest, LeadingIsAbsorbedByATallerFont) {
    // The test face: no leading. IPA Gothic cell 16: internal leading 1, so
    // 16 / (1 - 1/16) = 17.07 -> 17. DejaVu Sans cell 16: leading 2, 16 /
    // (1 - 2/16) = 18.3 -> 18. DejaVu at 4x: cell 64 is ppem 55, leading 9,
    // 64 / (1 - 9/64) = 74.5 -> 74, growth (74 - 64) / 4 = 2.
    const GrowthRow rows[] = {
        {"NoLeading", kFace, 0, 0},
        {"IpaGothic", "IPAGothic", 0, 1},
        {"DejaVu", "DejaVu Sans", 0, 2},
        {"DejaVu4x", "DejaVu Sans", 18, 2},
    };
    for (const GrowthRow& r : rows) {
        SCOPED_TRACE(r.name);
        FontCacheSettings settings{};
        const long before = KnobFontCounts().creates;
        const Handle font = CreateFontHandle(&settings, r.face, 16, 4, r.type, -1, -1, 0, -1, 0);
        ASSERT_NE(-1, font);
        EXPECT_EQ(r.growth, Record(font)->heightGrowth);
        EXPECT_EQ(r.growth == 0 ? 1 : 2, KnobFontCounts().creates - before);
        DeleteHandle(font);
    }
}

TEST_F(FontTest, LeadingOfTheWholeHeightKeepsTheFirstFont) {
    // A line gap of 30000 units: external leading 30000 x 16 / 2048 = 234,
    // more than the height, where 16 / (1 - 234 / 16) would turn negative.
    testsupport::TestFaceSpec spec;
    spec.family = "Vessamire Gap";
    spec.winAscent = 1536, spec.winDescent = 512;
    spec.ascender = 1536, spec.descender = -512, spec.lineGap = 30000;
    spec.glyphs = {{u'A', 768, {{128, 0, 512, 1024}}}};
    testsupport::WriteFile("gap_face.ttf", testsupport::MakeTrueTypeFace(spec));
    ASSERT_TRUE(KnobFontAddFile((testsupport::TestDirectory() + "/gap_face.ttf").c_str()));
    const long before = KnobFontCounts().creates;
    FontCacheSettings settings{};
    const Handle font = CreateFontHandle(&settings, "Vessamire Gap", 16, 4, 0, -1, -1, 0, -1, 0);
    ASSERT_NE(-1, font);
    EXPECT_EQ(1, KnobFontCounts().creates - before);
    EXPECT_EQ(0, Record(font)->heightGrowth);
    EXPECT_EQ(6, GetTextWidthWithFont("A", -1, font, 0));
}

struct CellRow {
    const char* name;
    int type, size, edge;
    int cellWidth, cellHeight;
};

TEST_F(FontTest, CellsByHand) {
    // Widest box 11 px at ppem 16 (44 at 4x, 88 at 8x), height 16 x scale.
    // Width 11 + 4 (+ 2 edge) rounded up to 8; height 16 + 1 (+ 2 edge)
    // rounded up to even; the width never below the height.
    const CellRow rows[] = {
        {"Plain", 0, 16, -1, 18, 18},       // 15 -> 16, 17 -> 18, width 18
        {"Smooth4x", 18, 16, -1, 18, 18},   // 44 / 4 + 4 = 15 -> 16
        {"Smooth8x", 34, 16, -1, 18, 18},   // 88 / 8 + 4 = 15 -> 16
        {"Edge1", 1, 16, 1, 24, 20},        // 17 -> 24, 19 -> 20
        {"Edge3", 0, 16, 3, 24, 24},        // edge 3 makes it edged: 21 -> 24, 23 -> 24
        {"Size32Edge1", 3, 32, 1, 36, 36},  // 22 + 4 + 2 = 28 -> 32, 35 -> 36
    };
    for (const CellRow& r : rows) {
        SCOPED_TRACE(r.name);
        const Handle font = TestFont(r.type, r.size, r.edge);
        ASSERT_NE(-1, font);
        EXPECT_EQ(r.cellWidth, Record(font)->cellWidth);
        EXPECT_EQ(r.cellHeight, Record(font)->cellHeight);
        DeleteHandle(font);
    }
}

struct CacheRow {
    const char* name;
    int size;
    int noTexture;
    int cacheWidth, cacheHeight, capacity, bits;
};

TEST_F(FontTest, CacheSizes) {
    const CacheRow rows[] = {
        // Cell 18: (512 / 18)^2 = 784 cells, 28 a column.
        {"Texture", 16, 0, 512, 512, 784, 0},
        // Cell 202: 2 x 2 cells; the width doubles: 5 x 2 = 10.
        {"BigTexture", 200, 0, 1024, 512, 10, 0},
        // Cell 8 (size 5: widest box 3.4 px, height 6): 64^2 = 4096 cells, capped.
        {"SmallTexture", 5, 0, 512, 512, 2024, 0},
        // Memory: cell 126, the font's height (never taller than asked):
        // 327680 / 126^2 = 20.6; 327680 / 8^2 = 5120, capped.
        {"Memory126", 126, 1, 126, 20 * 126, 20, 1},
        {"Memory8", 5, 1, 8, 2024 * 8, 2024, 1},
    };
    for (const CacheRow& r : rows) {
        SCOPED_TRACE(r.name);
        FontCacheSettings settings{r.noTexture, 0, 0};
        const Handle font = CreateFontHandle(&settings, kFace, r.size, 4, 0, -1, -1, 0, -1, 0);
        ASSERT_NE(-1, font);
        const FontRecord* f = Record(font);
        EXPECT_EQ(r.noTexture ? 0 : 1, f->usesTexture);
        EXPECT_EQ(r.cacheWidth, f->cacheWidth);
        EXPECT_EQ(r.cacheHeight, f->cacheHeight);
        EXPECT_EQ(r.capacity, f->capacity);
        EXPECT_EQ(r.bits, f->memoryBits);
        DeleteHandle(font);
    }
    // One byte a pixel for every type but 0.
    FontCacheSettings memory{1, 0, 0};
    const Handle smooth = CreateFontHandle(&memory, kFace, 16, 4, 2, -1, -1, 0, -1, 0);
    EXPECT_EQ(8, Record(smooth)->memoryBits);
    EXPECT_EQ(18, Record(smooth)->memoryPitch);
}

TEST_F(FontTest, CharSetNotGivenFollowsTheFace) {
    ASSERT_EQ(1, GetEngineCharSet());
    FontCacheSettings settings{};
    const Handle dejaVu = CreateFontHandle(&settings, "DejaVu Sans", 16, 4, 0, -1, -1, 0, -1, 0);
    ASSERT_NE(-1, dejaVu);
    EXPECT_EQ(0, Record(dejaVu)->charSet);
    KnobFontInfo info;
    ASSERT_TRUE(KnobFontInformation(Record(dejaVu)->gdiFont, &info));
    EXPECT_NE(std::string::npos, info.file.find("DejaVuSans"));
    // The default face stays in the engine's set.
    EXPECT_EQ(1, Record(GetDefaultFontHandle())->charSet);
}

struct RefusalRow {
    const char* name;
    const char* face;  // null: the default face
    int refusals;
    long creates;  // CreateFontA calls
    bool created;
    int charset;  // what the kept font realised; -1: not looked at
    const char* message;
};

TEST_F(FontTest, RefusedCreationFallsBack) {
    // A named face: its set (Shift-JIS here), 1, 128. The default face:
    // "ＭＳ ゴシック" in the mapped set, set 1 without italic, no face; it has
    // leading, so a second pass starts the fall-backs afresh.
    const RefusalRow rows[] = {
        {"NamedAllRefused", kFace, 3, 3, false, -1, "指定のフォントの作成に失敗しました"},
        {"NamedThenSet1", kFace, 1, 2, true, ANSI_CHARSET, nullptr},
        // The face lacks Shift-JIS: GDI substitutes a Japanese face, whose
        // leading takes a second pass.
        {"NamedThenSjis", kFace, 2, 4, true, SHIFTJIS_CHARSET, nullptr},
        {"DefaultAllRefused", nullptr, 3, 3, false, -1, "フォントの作成に失敗しました"},
        {"DefaultFirstTry", nullptr, 0, 2, true, SHIFTJIS_CHARSET, nullptr},
        {"DefaultSet1", nullptr, 1, 3, true, -1, nullptr},
        {"DefaultNoFace", nullptr, 2, 4, true, -1, nullptr},
    };
    for (const RefusalRow& r : rows) {
        SCOPED_TRACE(r.name);
        const int live = LiveFonts();
        const long before = KnobFontCounts().creates;
        KnobFontRefuseCreate(r.face, r.refusals);
        FontCacheSettings settings{};
        const Handle font = CreateFontHandle(&settings, r.face, 16, 4, 0, 1, -1, 1, -1, 0);
        KnobFontRefuseCreate(nullptr, 0);
        EXPECT_EQ(r.creates, KnobFontCounts().creates - before);
        if (!r.created) {
            EXPECT_EQ(-1, font);
            EXPECT_EQ(live, LiveFonts());
            EXPECT_TRUE(graphicstest::LogHasInOrder({r.message}));
            continue;
        }
        ASSERT_NE(-1, font);
        KnobFontInfo info;
        ASSERT_TRUE(KnobFontInformation(Record(font)->gdiFont, &info));
        if (r.charset >= 0) {
            EXPECT_EQ(r.charset, info.charset);
        }
        DeleteHandle(font);
    }
}

TEST_F(FontTest, FortyFontsAtMost) {
    std::vector<Handle> fonts;
    for (int i = 1; i < kMaxFontHandles; ++i) fonts.push_back(TestFont(0));
    for (Handle f : fonts) ASSERT_NE(-1, f);
    EXPECT_EQ(40, LiveFonts());  // the default font is the first
    EXPECT_EQ(-1, TestFont(0));
    DeleteHandle(fonts.back());
    EXPECT_NE(-1, TestFont(0));
}

// On the device text is drawn from the cache texture only: without one the
// font is refused rather than handed out drawing nothing.
TEST_F(FontTest, FontWhoseCacheTextureFailsIsRefused) {
    const int live = LiveFonts();
    KnobD3D9FailResourcesAfter(0);
    const Handle font = TestFont(2);
    KnobD3D9FailResourcesAfter(-1);
    EXPECT_EQ(-1, font);
    EXPECT_EQ(live, LiveFonts());
    EXPECT_TRUE(graphicstest::LogHasInOrder({"テクスチャ文字キャッシュの作成に失敗しました\n"}));
}

using FontCreationThreads = FontTest;

// Pumps the loader's main-thread calls until the handle's creation ended.
bool WaitCreated(Handle font) {
    for (int i = 0; i < 5000 && IsHandleAsyncPending(font) == 1; ++i) {
        ServeMainThreadRequests();
        Sleep(1);
    }
    return IsHandleAsyncPending(font) != 1;
}

TEST_F(FontCreationThreads, AsynchronousCreationIsRefusedWhilePending) {
    FontCacheSettings settings{};
    const Handle font = CreateFontHandle(&settings, kFace, 16, 4, 0, -1, -1, 0, -1, 1);
    ASSERT_NE(-1, font);
    if (IsHandleAsyncPending(font) == 1) {
        EXPECT_EQ(0, IsFontHandleValid(font));
        EXPECT_EQ(-1, GetFontSize(font));
        EXPECT_EQ(-1, GetTextWidthWithFont("A", -1, font, 0));
        EXPECT_EQ(-1, SetFontSpacing(1, font));
    }
    ASSERT_TRUE(WaitCreated(font));
    EXPECT_EQ(1, IsFontHandleValid(font));
    EXPECT_EQ(6, GetTextWidthWithFont("A", -1, font, 0));

    const int live = LiveFonts();
    KnobFontRefuseCreate(kFace, 3);
    const Handle failed = CreateFontHandle(&settings, kFace, 16, 4, 0, -1, -1, 0, -1, 1);
    ASSERT_NE(-1, failed);
    ASSERT_TRUE(WaitCreated(failed));
    KnobFontRefuseCreate(nullptr, 0);
    EXPECT_EQ(-1, IsHandleAsyncPending(failed));
    EXPECT_EQ(live, LiveFonts());
}

}  // namespace

namespace {

TEST_F(FontTest, TerminatingLeavesNoFont) {
    EXPECT_EQ(-1, InitializeFonts());  // already started
    ASSERT_EQ(0, TerminateFonts());
    EXPECT_EQ(-1, TerminateFonts());
    const long hfonts = KnobFontCounts().liveFonts;
    ASSERT_EQ(0, InitializeFonts());
    int32_t watcher = 0;
    SetFontDeletedFlag(TestFont(3, 16, 1), &watcher);
    TestFont(0);
    ASSERT_EQ(0, TerminateFonts());
    EXPECT_EQ(hfonts, KnobFontCounts().liveFonts);
    EXPECT_EQ(-1, GetDefaultFontHandle());
    EXPECT_EQ(1, watcher);
    EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeFont)->initialised);
    ASSERT_EQ(0, InitializeFonts());
}

}  // namespace
