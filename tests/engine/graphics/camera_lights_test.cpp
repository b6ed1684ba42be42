// Camera matrices and angles against hand values; the light table's limits
// and check numbers; light slots on the device by type.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DuRud.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/lights.h"
#include "graphics/screen_state.h"
#include "graphics/shader_constants.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr float kHalfPi = 1.5707963f;

void ExpectMatrix(const Mat4& m, std::initializer_list<float> rows, const char* name) {
    int i = 0;
    for (float v : rows) {
        EXPECT_NEAR(v, m.m[i / 4][i % 4], 1e-4f) << name << " [" << i / 4 << "][" << i % 4 << "]";
        ++i;
    }
}

class Camera : public ::testing::Test {
  protected:
    void SetUp() override {
        StoreScreenSize(800, 600);
        ResetCamera3DSettings();
    }
};

TEST_F(Camera, LookAtAndPerspectiveEqualHandValues) {
    ASSERT_EQ(0, SetCameraPositionAndTargetAndUp(10, 0, 0, 0, 0, 0, 0, 1, 0));
    ExpectMatrix(GetCamera3DSettings().view, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 1},
                 "view");
    EXPECT_NEAR(-kHalfPi, GetCamera3DSettings().horizontalAngle, 1e-5f);
    ASSERT_EQ(0, SetCameraNearFar(10, 10000));
    ASSERT_EQ(0, SetCameraPerspective(1.0471976f));
    // cot 30 degrees = 1.7320508; aspect 600 / 800.
    ExpectMatrix(
        GetCamera3DSettings().projection,
        {1.2990381f, 0, 0, 0, 0, 1.7320508f, 0, 0, 0, 0, 1.001001f, 1, 0, 0, -10.01001f, 0},
        "projection");
}

TEST_F(Camera, VerticalViewsAndRefusedFrames) {
    const struct {
        const char* name;
        float targetY, upZ, vertical;
    } rows[] = {{"down", -10, 1, -kHalfPi}, {"up", 10, -1, kHalfPi}};
    for (const auto& r : rows) {
        ASSERT_EQ(0, SetCameraPositionAndTargetAndUp(0, 0, 0, 0, r.targetY, 0, 0, 0, r.upZ))
            << r.name;
        EXPECT_EQ(0.0f, GetCamera3DSettings().horizontalAngle) << r.name;
        EXPECT_NEAR(r.vertical, GetCamera3DSettings().verticalAngle, 1e-6f) << r.name;
    }
    EXPECT_EQ(-1, SetCameraPositionAndTargetAndUp(1, 2, 3, 1, 2, 3, 0, 1, 0)) << "on its target";
    EXPECT_EQ(-1, SetCameraPositionAndTargetAndUp(5, 5, 5, 5, 9, 5, 0, 1, 0))
        << "up along the view";
    EXPECT_EQ(0.0f, GetCamera3DSettings().position.x) << "nothing changed";
}

TEST_F(Camera, ScreenPositionsGoBackToTheWorld) {
    ASSERT_EQ(0, SetCameraPositionAndTargetAndUp(0, 0, -10, 0, 0, 0, 0, 1, 0));
    const struct {
        const char* name;
        float z;
        Vec3 world;
    } rows[] = {{"near plane", 0, {0, 0, 0}}, {"far plane", 1, {0, 0, 9990}}};
    for (const auto& r : rows) {
        Vec3 out{};
        ASSERT_EQ(0, ConvScreenPosToWorldPos(&out, 400, 300, r.z)) << r.name;
        EXPECT_NEAR(r.world.x, out.x, 1e-2f) << r.name;
        EXPECT_NEAR(r.world.y, out.y, 1e-2f) << r.name;
        EXPECT_NEAR(r.world.z, out.z, 2.0f) << r.name;  // float depth at 1000:1
    }
    // The right edge of the near plane: tan 30 x 10 x 800 / 600 to the right.
    Vec3 edge{};
    ConvScreenPosToWorldPos(&edge, 800, 300, 0);
    EXPECT_NEAR(7.6980036f, edge.x, 1e-3f);
}

TEST_F(Camera, DrawTargetCameraStandsBackFromTheScreen) {
    ASSERT_EQ(0, SetCameraForDrawSize(800, 600));
    const Camera3DSettings& c = GetCamera3DSettings();
    const float d = 519.6152f;  // 300 / tan 30 degrees
    EXPECT_NEAR(400.0f, c.position.x, 1e-3f);
    EXPECT_NEAR(300.0f, c.position.y, 1e-3f);
    EXPECT_NEAR(-d, c.position.z, 1e-2f);
    EXPECT_NEAR(d * 0.1f, c.zNear, 1e-3f);
    EXPECT_NEAR(d + 20000.0f, c.zFar, 1e-1f);
    Vec3 nearPoint{};
    ConvScreenPosToWorldPos(&nearPoint, 400, 300, 0);
    EXPECT_NEAR(-d * 0.9f, nearPoint.z, 1e-1f) << "the near plane, d x 0.1 ahead";
}

TEST(Lights, TableLimitsAndCheckNumbers) {
    TerminateLights();  // the draw settings' default light of an earlier test
    // Earlier tests moved the check counter: go round to check 1022 first.
    Handle h = CreateLight();
    for (int i = 0; i < 1023 && h != 0x2FFE0000; ++i) {
        ASSERT_EQ(0, DeleteLight(h));
        EXPECT_EQ(-1, DeleteLight(h)) << "stale";
        h = CreateLight();
    }
    EXPECT_EQ(0x2FFE0000, h) << "check 1022 in slot 0";
    ASSERT_EQ(0, DeleteLight(h));
    EXPECT_EQ(0x2C000000, CreateLight()) << "the counter wrapped to 0";
    for (int i = 1; i < kMaxLights; ++i) ASSERT_GE(CreateLight(), 0);
    EXPECT_EQ(-1, CreateLight()) << "full";
    const LightTable& t = GetLightTable();
    DeleteLight(t.slots[7]->handle);
    EXPECT_EQ(7, CreateLight() & 0xFFFF) << "the first free slot";
    DeleteLight(t.slots[4094]->handle);
    EXPECT_EQ(4096, t.highestPlusOne);
    DeleteLight(t.slots[4095]->handle);
    EXPECT_EQ(4094, t.highestPlusOne) << "past the empty slot below";
    EXPECT_EQ(4094, CreateLight() & 0xFFFF) << "the slot after the highest";
    EXPECT_EQ(-1, DeleteLight(0x04000007)) << "another type";
    EXPECT_EQ(-1, CreateDirectionalLight(0, 0, 0));
    TerminateLights();
    EXPECT_EQ(0, t.count);
}

TEST(Lights, DefaultLightIsMadeOnceAndSurvivesDeleteAll) {
    EnsureDefaultLight();
    EnsureDefaultLight();
    CreateDirectionalLight(0, 0, 2);
    EXPECT_EQ(2, GetLightTable().count);
    const LightRecord* d = GetLightRecord(GetLightTable().defaultLight);
    ASSERT_NE(nullptr, d);
    EXPECT_NEAR(0.5773503f, d->light.Direction.x, 1e-6f);
    EXPECT_NEAR(-0.5773503f, d->light.Direction.y, 1e-6f);
    DeleteAllLights();
    EXPECT_EQ(1, GetLightTable().count);
    TerminateLights();
    EXPECT_EQ(-1, GetLightTable().defaultLight);
}

TEST(Lights, DeviceSlotsGoDirectionalSpotPoint) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    TerminateLights();  // without the default light the slots below are the test's own
    IDirect3DDevice9* device = GetDeviceLayer().device;
    const D3DLIGHTTYPE types[4] = {D3DLIGHT_POINT, D3DLIGHT_DIRECTIONAL, D3DLIGHT_SPOT,
                                   D3DLIGHT_DIRECTIONAL};
    Handle handles[4];
    for (int i = 0; i < 4; ++i) {
        handles[i] = CreateLight();
        GetLightRecord(handles[i])->light.Type = types[i];
        GetLightRecord(handles[i])->light.Range = 100.0f + i;
    }
    GetLightRecord(handles[3])->enabled = 0;
    GetLightRecord(handles[1])->light.Direction = D3DVECTOR{1, 0, 0};
    ApplyLights();
    // A view moved by (5, 6, 7): light 0 moves, its direction does not;
    // the view goes transposed into vertex registers 6-9.
    Mat4 view;
    MakeIdentityMatrix(&view);
    view.m[3][0] = 5, view.m[3][1] = 6, view.m[3][2] = 7;
    SetViewMatrix(&view);
    const auto* reg = reinterpret_cast<const float(*)[4]>(
        EngineShaderConstants().values[kVertexFloatConstants][0]);
    EXPECT_EQ(
        (std::vector<float>{5, 6, 7, 1, 1, 0, 0, 0, 1, 0, 0, 5}),
        (std::vector<float>{reg[14][0], reg[14][1], reg[14][2], reg[14][3], reg[15][0], reg[15][1],
                            reg[15][2], reg[15][3], reg[6][0], reg[6][1], reg[6][2], reg[6][3]}));
    auto slotRange = [&](int slot) {
        D3DLIGHT9 l{};
        return SUCCEEDED(device->GetLight(slot, &l)) ? l.Range : -1.0f;
    };
    auto enabled = [&](int slot) {
        BOOL on = FALSE;
        device->GetLightEnable(slot, &on);
        return on;
    };
    EXPECT_EQ(101.0f, slotRange(0));
    EXPECT_EQ(102.0f, slotRange(1));
    EXPECT_EQ(100.0f, slotRange(2));
    EXPECT_EQ(-1.0f, slotRange(3)) << "disabled light never sent";
    DeleteLight(handles[1]);
    ApplyLights();
    EXPECT_EQ(102.0f, slotRange(0));
    EXPECT_EQ(100.0f, slotRange(1));
    EXPECT_FALSE(enabled(2)) << "stale slot switched off";

    SetUseLighting(0);
    const Handle late = CreateDirectionalLight(1, 0, 0);
    KnobD3D9Trace(true);
    KnobD3D9TakeTrace();
    ApplyLights();
    EXPECT_TRUE(TraceOf(KnobD3D9TakeTrace(), "SetLight").empty());
    DWORD lighting = TRUE;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(static_cast<DWORD>(FALSE), lighting);
    EXPECT_EQ(-1, GetLightRecord(late)->deviceSlot) << "kept, not placed";
    SetUseLighting(1);
    ApplyLights();
    EXPECT_EQ(0, GetLightRecord(late)->deviceSlot);
    TerminateLights();
    StopDevice();
}

}  // namespace
