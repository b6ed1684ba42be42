// Reading the installed faces ahead on a thread: a font made meanwhile on
// the caller's thread realises as one made without it, the read-ahead's own
// font does not outlive it, and a refused font leaves nothing behind.
#include <gtest/gtest.h>

#include <vector>

#include <windows.h>

#include "DuRud.h"
#include "font/faces_read_ahead.h"
#include "test_knobs.h"

using namespace DuRud;

namespace {

HFONT GothicFont() {
    return CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH,
                       Cp932Text("ＭＳ ゴシック"));
}

KnobFontInfo Realised(HFONT font) {
    KnobFontInfo info;
    EXPECT_TRUE(KnobFontInformation(font, &info));
    return info;
}

TEST(FacesReadAheadThreads, FontsMadeMeanwhileAndTheReadAheadsOwnFont) {
    struct Row {
        const char* name;
        int refusals;           // fonts refused from the start
        long readAheadCreates;  // creation calls the read-ahead makes
    };
    const Row rows[] = {{"fonts made", 0, 1}, {"its font refused", 1, 1}};
    std::vector<KnobFontInfo> made;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KnobFontRefuseCreate(nullptr, row.refusals);
        const KnobFontCounters before = KnobFontCounts();
        HFONT meanwhile = nullptr;
        {
            FacesReadAhead ahead;
            if (row.refusals == 0) meanwhile = GothicFont();
        }
        const KnobFontCounters after = KnobFontCounts();
        const long ours = meanwhile ? 1 : 0;
        EXPECT_EQ(after.creates - before.creates, row.readAheadCreates + ours);
        EXPECT_EQ(after.liveFonts - before.liveFonts, ours);
        if (meanwhile) {
            made.push_back(Realised(meanwhile));
            DeleteObject(meanwhile);
        }
    }
    KnobFontRefuseCreate(nullptr, 0);
    // The first row ran in a process whose faces were not read yet: its font
    // waited for the read-ahead. One made now, with nothing beside it:
    HFONT alone = GothicFont();
    ASSERT_NE(alone, nullptr);
    const KnobFontInfo expected = Realised(alone);
    DeleteObject(alone);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_FALSE(expected.file.empty());
    EXPECT_EQ(made[0].file, expected.file);
    EXPECT_EQ(made[0].index, expected.index);
    EXPECT_EQ(made[0].ppem, expected.ppem);
}

}  // namespace
