// CreateFontA: which installed file a request realises as (the charset
// outranks the name; the nearest weight of the family, emboldened when a
// heavier file is missing), refused arguments and the font hooks.
#include <gtest/gtest.h>

#include <cstring>

#include "font_test_support.h"
#include "support/test_support.h"
#include "support/truetype_face.h"
#include "support/error_checks.h"

using namespace fonttest;

namespace {

struct MappingRow {
    const char* name;
    const char* face;
    int charset;
    int weight;
    int pitch;
    const char* file;
    bool emboldened;
    bool italic = false;  // asked for, and obliqued: no installed italic file
};

const MappingRow kRows[] = {
    {"Alias", kMsGothic, SHIFTJIS_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"Family", "IPAGothic", SHIFTJIS_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"JapaneseFamily", kIpaGothicJapanese, SHIFTJIS_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"AnyCase", "ipagothic", DEFAULT_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"Latin", "DejaVu Sans", ANSI_CHARSET, FW_NORMAL, 0, "DejaVuSans.ttf", false},
    {"LatinAnyCharset", "DejaVu Sans", DEFAULT_CHARSET, FW_NORMAL, 0, "DejaVuSans.ttf", false},
    {"CharsetOutranksName", "DejaVu Sans", SHIFTJIS_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"UnknownJapanese", "NoSuchFace", SHIFTJIS_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"UnknownDefault", "NoSuchFace", DEFAULT_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"EmptyName", "", DEFAULT_CHARSET, FW_NORMAL, 0, "ipag.ttf", false},
    {"UnknownLatin", "NoSuchFace", ANSI_CHARSET, FW_NORMAL, 0, "DejaVuSans.ttf", false},
    {"UnknownLatinFixed", "NoSuchFace", ANSI_CHARSET, FW_NORMAL, FIXED_PITCH, "DejaVuSansMono.ttf",
     false},
    {"BoldFile", "DejaVu Sans", ANSI_CHARSET, FW_BOLD, 0, "DejaVuSans-Bold.ttf", false},
    {"Emboldened", "IPAGothic", SHIFTJIS_CHARSET, FW_SEMIBOLD, 0, "ipag.ttf", true},
    {"BelowBold", "IPAGothic", SHIFTJIS_CHARSET, FW_MEDIUM, 0, "ipag.ttf", false},
    {"TestFace", "Vessamire Test", ANSI_CHARSET, FW_NORMAL, 0, "test_face.ttf", false},
    {"Obliqued", "IPAGothic", SHIFTJIS_CHARSET, FW_NORMAL, 0, "ipag.ttf", false, true},
    {"ObliquedBold", "IPAGothic", SHIFTJIS_CHARSET, FW_BOLD, 0, "ipag.ttf", true, true},
};

}  // namespace

TEST(FontMapping, RequestsRealiseInstalledFiles) {
    AddTestFace();
    for (const MappingRow& row : kRows) {
        SCOPED_TRACE(row.name);
        Selected s(row.face, 16, row.charset, row.weight, row.pitch, row.italic);
        KnobFontInfo info = s.Info();
        EXPECT_EQ(FileName(info), row.file);
        EXPECT_EQ(info.emboldened, row.emboldened);
        EXPECT_EQ(info.oblique, row.italic);
    }
    // A file FreeType cannot read adds no face.
    testsupport::WriteFile("broken.ttf", testsupport::MakeTrueTypeFace({}).substr(0, 100));
    EXPECT_FALSE(KnobFontAddFile((testsupport::TestDirectory() + "/broken.ttf").c_str()));
}

TEST(FontMapping, RefusedArgumentsAndHooks) {
    LOGFONTA log{};
    log.lfHeight = 16;
    log.lfCharSet = SHIFTJIS_CHARSET;
    std::memset(log.lfFaceName, 'x', sizeof log.lfFaceName);  // no NUL: read 31 bytes
    HFONT unterminated = CreateFontIndirectA(&log);
    ASSERT_NE(unterminated, nullptr);
    EXPECT_EQ(GetObjectType(unterminated), static_cast<DWORD>(OBJ_FONT));
    const struct {
        const char* name;
        LONG width, escapement, orientation;
    } kRefused[] = {{"Width", 8, 0, 0}, {"Escapement", 0, 900, 0}, {"Orientation", 0, 0, 900}};
    for (const auto& row : kRefused) {
        SCOPED_TRACE(row.name);
        EXPECT_ERROR(CreateFontA(16, row.width, row.escapement, row.orientation, 0, 0, 0, 0, 1, 0,
                                 0, 0, 0, "IPAGothic"),
                     nullptr, ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
    EXPECT_EQ(CreateFontA(-100000, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, nullptr),
              nullptr);  // beyond any glyph size

    KnobFontRefuseCreate("ipagothic", 2);
    EXPECT_EQ(CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, "IPAGothic"), nullptr);
    HFONT other = CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, "DejaVu Sans");
    EXPECT_NE(other, nullptr);
    EXPECT_EQ(CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, "IPAGothic"), nullptr);
    HFONT third = CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, "IPAGothic");
    EXPECT_NE(third, nullptr);
    KnobFontCounters counts = KnobFontCounts();
    EXPECT_EQ(counts.creates, 9);  // every call with a LOGFONTA, refused or not
    EXPECT_EQ(counts.liveFonts, 3);

    // A font selected into a live DC is not deleted; after DeleteDC it is.
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, third);
    EXPECT_FALSE(DeleteObject(third));
    EXPECT_EQ(GetObjectType(third), static_cast<DWORD>(OBJ_FONT));
    EXPECT_TRUE(DeleteDC(dc));
    for (HFONT font : {unterminated, other, third}) EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(KnobFontCounts().liveFonts, 0);
    EXPECT_FALSE(DeleteObject(third));
    KnobFontInfo info;
    EXPECT_FALSE(KnobFontInformation(third, &info));
}
