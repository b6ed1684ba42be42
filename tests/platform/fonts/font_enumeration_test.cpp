// EnumFontFamiliesExA: one callback per (face, charset), under the name asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "font_test_support.h"
#include "support/error_checks.h"

using namespace fonttest;

namespace {

struct Call {
    std::string face, fullName;
    int charset;
    DWORD type;
    UINT sizeEm;
};

struct Listing {
    std::vector<Call> calls;
    int stopAfter = -1;
};

int CALLBACK Collect(const LOGFONTA* lf, const TEXTMETRICA* tm, DWORD type, LPARAM param) {
    auto* listing = reinterpret_cast<Listing*>(param);
    auto* elf = reinterpret_cast<const ENUMLOGFONTEXA*>(lf);
    auto* ntm = reinterpret_cast<const NEWTEXTMETRICEXA*>(tm);
    listing->calls.push_back({lf->lfFaceName, reinterpret_cast<const char*>(elf->elfFullName),
                              lf->lfCharSet, type, ntm->ntmTm.ntmSizeEM});
    return static_cast<int>(listing->calls.size()) == listing->stopAfter ? 0 : 1;
}

Listing Enumerate(HDC dc, const char* face, int charset, int stopAfter = -1,
                  int* result = nullptr) {
    LOGFONTA log{};
    log.lfCharSet = static_cast<BYTE>(charset);
    std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
    Listing listing;
    listing.stopAfter = stopAfter;
    int r = EnumFontFamiliesExA(dc, &log, Collect, reinterpret_cast<LPARAM>(&listing), 0);
    if (result) *result = r;
    return listing;
}

}  // namespace

TEST(FontEnumeration, FacesAndCharsets) {
    HDC dc = GetDC(nullptr);
    EXPECT_TRUE(Enumerate(dc, "DejaVu Sans", SHIFTJIS_CHARSET).calls.empty());

    Listing latin = Enumerate(dc, "DejaVu Sans", DEFAULT_CHARSET);
    std::vector<int> charsets;
    for (const Call& c : latin.calls) {
        EXPECT_EQ(c.face, "DejaVu Sans");
        EXPECT_EQ(c.type, static_cast<DWORD>(TRUETYPE_FONTTYPE));
        EXPECT_EQ(c.sizeEm, 2048u);
        EXPECT_EQ(std::count(charsets.begin(), charsets.end(), c.charset), 0) << c.charset;
        charsets.push_back(c.charset);
    }
    EXPECT_EQ(std::count(charsets.begin(), charsets.end(), ANSI_CHARSET), 1);

    Listing alias = Enumerate(dc, kMsGothic, SHIFTJIS_CHARSET);
    ASSERT_EQ(alias.calls.size(), 1u);
    EXPECT_EQ(alias.calls[0].fullName, kMsGothic);
    EXPECT_EQ(alias.calls[0].face, kMsGothic);

    Listing japanese = Enumerate(dc, "", SHIFTJIS_CHARSET);
    std::vector<std::string> names;
    for (const Call& c : japanese.calls) names.push_back(c.face);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"@IPAGothic", "@IPAPGothic", "IPAGothic", "IPAPGothic"}));

    int result = -1;
    EXPECT_EQ(Enumerate(dc, "", DEFAULT_CHARSET, 1, &result).calls.size(), 1u);
    EXPECT_EQ(result, 0);

    LOGFONTA log{};
    EXPECT_EQ(EnumFontFamiliesExA(dc, nullptr, Collect, 0, 0), 0);
    EXPECT_ERROR(EnumFontFamiliesExA(dc, &log, nullptr, 0, 0), 0, ERROR_INVALID_PARAMETER);
    ReleaseDC(nullptr, dc);
}
