// The shader-constant cache: layers hand registers up and down, the device
// sees runs of changed registers, and nothing but the uploaded copy changes
// while shaders are off.
#include <gtest/gtest.h>

#include <cstring>

#include "DuRud.h"
#include "graphics/shader_constants.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

float Uploaded(const ShaderConstantCache& cache, int reg) {
    float value;
    std::memcpy(&value, cache.uploaded[kVertexFloatConstants] + reg * 16, sizeof value);
    return value;
}

void SetValue(ShaderConstantCache* cache, int layer, int reg, float value) {
    const float v[4] = {value, 0.0f, 0.0f, 0.0f};
    ASSERT_EQ(0, SetShaderConstants(cache, kVertexFloatConstants, layer, reg, v, 1, 1));
}

TEST(ShaderConstants, RefusesBadLayersAndRanges) {
    static ShaderConstantCache cache;
    InitShaderConstantCache(&cache);
    const float v[8] = {};
    EXPECT_EQ(-1, SetShaderConstants(&cache, kVertexFloatConstants, 4, 0, v, 1, 1));
    EXPECT_EQ(-1, SetShaderConstants(&cache, kVertexFloatConstants, -1, 0, v, 1, 1));
    EXPECT_EQ(-1, SetShaderConstants(&cache, kVertexFloatConstants, 0, 255, v, 2, 1));
    EXPECT_EQ(-1, SetShaderConstants(&cache, kPixelFloatConstants, 0, 224, v, 1, 1));
    EXPECT_EQ(-1, SetShaderConstants(&cache, kShaderConstantFileCount, 0, 0, v, 1, 1));
    EXPECT_EQ(-1, ResetShaderConstants(&cache, kVertexIntConstants, 0, 15, 2));
    EXPECT_EQ(-1, ResetShaderConstants(&cache, kVertexIntConstants, 7, 0, 1));
    EXPECT_EQ(0, SetShaderConstants(&cache, kVertexFloatConstants, 0, 254, v, 2, 1));
}

TEST(ShaderConstants, LayersWinAndHandDown) {
    static ShaderConstantCache cache;
    InitShaderConstantCache(&cache);
    SetActiveShaderLayers(&cache, 0b0111);
    SetValue(&cache, 0, 5, 1.0f);
    SetValue(&cache, 1, 5, 2.0f);
    SetValue(&cache, 2, 5, 3.0f);
    EXPECT_EQ(2, cache.owner[kVertexFloatConstants][5]);
    EXPECT_EQ(3.0f, Uploaded(cache, 5));
    SetValue(&cache, 1, 5, 2.5f);  // a lower layer's change does not win
    EXPECT_EQ(3.0f, Uploaded(cache, 5));
    const struct {
        int layer;
        int owner;
        float value;
    } resets[] = {{2, 1, 2.5f}, {1, 0, 1.0f}, {0, kNoShaderConstantOwner, 1.0f}};
    for (const auto& r : resets) {
        ASSERT_EQ(0, ResetShaderConstants(&cache, kVertexFloatConstants, r.layer, 5, 1));
        EXPECT_EQ(r.owner, cache.owner[kVertexFloatConstants][5]) << r.layer;
        EXPECT_EQ(r.value, Uploaded(cache, 5)) << r.layer;
    }
    SetValue(&cache, 0, 7, 4.0f);
    SetValue(&cache, 1, 7, 5.0f);
    EXPECT_EQ(5.0f, Uploaded(cache, 7));
    SetActiveShaderLayers(&cache, 0b0001);
    EXPECT_EQ(4.0f, Uploaded(cache, 7));
    SetActiveShaderLayers(&cache, 0b0011);
    EXPECT_EQ(5.0f, Uploaded(cache, 7));
}

TEST(ShaderConstants, DeviceSeesRunsOnlyWhenUploadsAreOn) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    static ShaderConstantCache cache;
    InitShaderConstantCache(&cache);
    SetActiveShaderLayers(&cache, 0b0001);
    KnobD3D9Trace(true);
    KnobD3D9TakeTrace();
    SetValue(&cache, 1, 3, 1.0f);  // layer 1 is not active yet
    SetValue(&cache, 0, 20, 6.0f);
    EXPECT_EQ(6.0f, Uploaded(cache, 20));
    EXPECT_TRUE(TraceOf(KnobD3D9TakeTrace(), "SetVertexShaderConstantF").empty())
        << "shaders are off";
    SetShaderConstantUploadsForced(1);
    for (int reg : {4, 5, 9}) SetValue(&cache, 1, reg, 2.0f);
    KnobD3D9TakeTrace();
    SetActiveShaderLayers(&cache, 0b0011);
    const auto runs = TraceOf(KnobD3D9TakeTrace(), "SetVertexShaderConstantF");
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ(0u, runs[0].find("SetVertexShaderConstantF(3+3)"));
    EXPECT_EQ(0u, runs[1].find("SetVertexShaderConstantF(9+1)"));
    SetActiveShaderLayers(&cache, 0b0011);
    EXPECT_TRUE(KnobD3D9TakeTrace().empty()) << "an unchanged mask uploads nothing";
    SetShaderConstantUploadsForced(0);
    StopDevice();
}

}  // namespace
