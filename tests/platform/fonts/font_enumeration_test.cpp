// EnumFontFamiliesExA: one callback per (face, charset), under the name asked.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "font_test_support.h"
#include "support/error_checks.h"
#include "support/test_support.h"
#include "support/truetype_face.h"

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

// The test programs read fonts under the suite's own configuration: a face
// the machine has beyond the setup's packages changes no answer. A child copy
// runs the enumeration with one more Japanese face where the system's
// configuration finds it (the data home's fonts folder): it passes, and fails
// once the system's configuration stands in for the suite's.
TEST(FontConfiguration, AFaceTheMachineAddsChangesNoTest) {
    const std::string system = "/etc/fonts/fonts.conf";
    if (access(system.c_str(), R_OK) != 0) GTEST_SKIP() << "no system configuration";
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::create_directories(home / "data/fonts");
    testsupport::TestFaceSpec extra;
    extra.family = "Vessamire Extra Gothic";
    extra.codePages = 1u | (1u << 17);  // Latin 1 and Japanese
    testsupport::WriteFile((home / "data/fonts/extra.ttf").string(),
                           testsupport::MakeTrueTypeFace(extra));
    char program[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", program, sizeof program - 1), 0);
    const auto child = [&](const std::string& config) {
        const std::string command = "env HOME='" + home.string() + "' XDG_DATA_HOME='" +
                                    (home / "data").string() + "' XDG_CACHE_HOME='" +
                                    (home / "cache").string() + "' " + config + " '" + program +
                                    "' --gtest_filter=FontEnumeration.FacesAndCharsets >/dev/null "
                                    "2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(child(""), 0);
    EXPECT_NE(child("FONTCONFIG_FILE=" + system), 0);
}
