// After a filter, successful or not, every setting the filter's state
// bracket touches is back as it was, the software renderer's blend mode
// and the device's depth surface included.
#include <gtest/gtest.h>

#include <tuple>

#include "DuRud.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_filters.h"
#include "graphics/lights.h"
#include "graphics/render_state_cache.h"
#include "graphics_fixture.h"
#include "image/memimg.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

uint32_t Pattern(int x, int y) {
    return 0xFF000000u | uint32_t(x * 20 + 5) << 16 | uint32_t(y * 30 + 7) << 8 | 0x40;
}

struct Settings {
    int blendMode, blendParameter, softMode, softParameter, sampling, testMode, testReference;
    int zBuffer3D, lightingDisabled;
    DWORD fog;
    int area[4];
    IDirect3DSurface9* depth;
    auto Tie() const {
        return std::tie(blendMode, blendParameter, softMode, softParameter, sampling, testMode,
                        testReference, zBuffer3D, lightingDisabled, fog, area[0], area[1], area[2],
                        area[3], depth);
    }
    bool operator==(const Settings& o) const { return Tie() == o.Tie(); }
};

Settings Current() {
    const DrawSettings& d = GetDrawSettings();
    Settings s{d.blendMode,
               d.blendParameter,
               MemImgDrawState.blendMode,
               MemImgDrawState.blendParameter,
               d.samplingMode,
               d.alphaTestMode,
               d.alphaTestReference,
               GetCamera3DSettings().useZBuffer3D,
               GetLightTable().lightingDisabled,
               GetRenderStateCache().fogEnable,
               {d.areaX1, d.areaY1, d.areaX2, d.areaY2},
               nullptr};
    if (HasDevice() && SUCCEEDED(DeviceGetDepthStencilSurface(&s.depth)) && s.depth)
        ReleaseComObject(s.depth);  // only the identity is compared
    return s;
}

struct BracketRow {
    const char* name;
    int (*filter)(Handle graphic);
    int result;
};
void PrintTo(const BracketRow& r, std::ostream* os) {
    *os << r.name;
}

class FilterStateBracket : public ::testing::TestWithParam<std::tuple<BracketRow, int>> {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_P(FilterStateBracket, EverySavedSettingIsBack) {
    const auto& [row, software] = GetParam();
    KnobD3D9ShaderVersions(0, 0);
    ScreenSettings s = WithHandles();
    s.softwareForced = software;
    ASSERT_EQ(0, StartDevice(s));
    const Handle g = GraphicOfPixels(8, 8, Pattern);
    ASSERT_GE(g, 0);
    ASSERT_EQ(0, SetBlendMode(5, 77));
    ASSERT_EQ(0, SetSamplingMode(2));
    ASSERT_EQ(0, SetDrawAlphaTest(3, 40));
    ASSERT_EQ(0, SetUseZBuffer3D(1));
    ASSERT_EQ(0, SetUseLighting(0));
    ASSERT_EQ(0, SetDrawClip(3, 4, 50, 60));
    const Settings before = Current();
    EXPECT_EQ(row.result, row.filter(g));
    EXPECT_TRUE(before == Current());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FilterStateBracket,
    ::testing::Combine(
        ::testing::Values(BracketRow{"Invert", [](Handle g) { return FilterGraphic(g, 5); }, 0},
                          BracketRow{"GradientMapBadHandle",
                                     [](Handle g) { return FilterGraphic(g, 8, -5, 0); }, -1},
                          BracketRow{"Mono", [](Handle g) { return FilterGraphic(g, 0, 0, 0); },
                                     0}),
        ::testing::Values(0, 1)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "Software" : "Device");
    });

}  // namespace
