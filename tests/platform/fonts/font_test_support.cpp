#include "font_test_support.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/truetype_face.h"

namespace fonttest {

void AddTestFace() {
    constexpr int px = 128;
    testsupport::TestFaceSpec spec;
    spec.notdef = {0, 6 * px, {{2 * px, 0, 5 * px, 9 * px}}};
    spec.glyphs = {{u'A', 7 * px, {{1 * px, 0, 6 * px, 7 * px}}},
                   {u'B', 7 * px, {{1 * px, 0, 6 * px + px / 4, 7 * px}}},
                   {u'W', 41 * px, {{0, 0, 40 * px, 2 * px}}},
                   {u' ', 4 * px, {}}};
    testsupport::WriteFile("test_face.ttf", testsupport::MakeTrueTypeFace(spec));
    ASSERT_TRUE(KnobFontAddFile((testsupport::TestDirectory() + "/test_face.ttf").c_str()));
}

Selected::Selected(const char* face, int height, int charset, int weight, int pitch, bool italic) {
    dc = CreateCompatibleDC(nullptr);
    font = CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, pitch, face);
    EXPECT_NE(font, nullptr) << face;
    SelectObject(dc, font);
}

Selected::~Selected() {
    DeleteDC(dc);
    DeleteObject(font);
}

KnobFontInfo Selected::Info() const {
    KnobFontInfo info;
    EXPECT_TRUE(KnobFontInformation(font, &info));
    return info;
}

std::string FileName(const KnobFontInfo& info) {
    return info.file.substr(info.file.rfind('/') + 1);
}

}  // namespace fonttest
