// Transforms in the shader constants: each matrix transposed into its four
// vertex registers, and the view matrix moving the first four lights into
// view space (positions with the translation, directions without).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/render_state_cache.h"
#include "graphics/shader_constants.h"
#include "graphics/transforms.h"
#include "graphics_fixture.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

std::vector<float> Registers(int file, int first, int count) {
    std::vector<float> out(size_t(count) * 4);
    std::memcpy(out.data(), &EngineShaderConstants().values[file][0][first * 16], out.size() * 4);
    return out;
}

class Transforms : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(0, StartDevice());
        InitShaderConstantCache(&EngineShaderConstants());  // as graphics start-up does
    }
    void TearDown() override { StopDevice(); }
};

TEST_F(Transforms, MatricesGoTransposedToTheirRegisters) {
    D3DMATRIX m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = float(r * 4 + c + 1);
    // Register k holds column k of the matrix.
    const std::vector<float> transposed = {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16};
    const struct {
        const char* name;
        int (*set)(const D3DMATRIX*);
        int first;
    } rows[] = {{"Projection", SetProjectionTransform, 2},
                {"View", SetViewTransform, 6},
                {"World", SetWorldTransform, 94}};
    for (const auto& row : rows) {
        ASSERT_EQ(0, row.set(&m));
        EXPECT_EQ(transposed, Registers(kVertexFloatConstants, row.first, 4)) << row.name;
    }
}

TEST_F(Transforms, ViewMovesLightsIntoViewSpace) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Position = {1, 2, 3};
    light.Direction = {1, 0, 0};
    ASSERT_EQ(0, SetDeviceLight(0, &light));
    light.Position = {0, 0, 0};
    light.Direction = {0, 0, 1};
    ASSERT_EQ(0, SetDeviceLight(2, &light));
    // A quarter turn about z (x' = -y, y' = x), then a move by (10, 20, 30).
    D3DMATRIX view{};
    view._12 = 1, view._21 = -1, view._33 = 1, view._44 = 1;
    view._41 = 10, view._42 = 20, view._43 = 30;
    ASSERT_EQ(0, SetViewTransform(&view));
    const std::vector<float> light0 = {8, 21, 33, 1, 0, 1, 0, 0};
    const std::vector<float> light2 = {10, 20, 30, 1, 0, 0, 1, 0};
    EXPECT_EQ(light0, Registers(kVertexFloatConstants, 14, 2));
    EXPECT_EQ(light0, Registers(kPixelFloatConstants, 32, 2));
    EXPECT_EQ(light2, Registers(kVertexFloatConstants, 28, 2));
    EXPECT_EQ(light2, Registers(kPixelFloatConstants, 46, 2));
}

}  // namespace
