// Device transforms and the light constants that follow the view and the
// material (vertex and pixel float registers of layer 0).
#include "graphics/transforms.h"

#include "graphics/device_layer.h"
#include "graphics/render_state_cache.h"
#include "graphics/shader_constants.h"

namespace DuRud {
namespace {

constexpr int kProjectionRegister = 2;
constexpr int kViewRegister = 6;
constexpr int kWorldRegister = 94;
constexpr int kGlobalTermRegister = 1;
constexpr int kLightVertexRegister = 14;  // position; direction + 1, ambient + 4
constexpr int kLightPixelRegister = 32;   // position; direction + 1, ambient + 4
constexpr int kLightPixelAmbient = 11;    // + 3 per light
constexpr int kLightStride = 7;
constexpr int kShaderLights = 4;

void SetFloats(int file, int reg, const float (*values)[4], int count) {
    SetShaderConstants(&EngineShaderConstants(), file, 0, reg, values, count, 1);
}

int SendTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m, int reg) {
    if (!HasDevice() || !m) return 0;
    DeviceSetTransform(state, m);
    float transposed[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) transposed[r][c] = m->m[c][r];
    SetFloats(kVertexFloatConstants, reg, transposed, 4);
    return 0;
}

D3DVECTOR Transform(const D3DMATRIX& m, const D3DVECTOR& v, float w) {
    return {v.x * m._11 + v.y * m._21 + v.z * m._31 + w * m._41,
            v.x * m._12 + v.y * m._22 + v.z * m._32 + w * m._42,
            v.x * m._13 + v.y * m._23 + v.z * m._33 + w * m._43};
}

}  // namespace

int SetWorldTransform(const D3DMATRIX* matrix) {
    return SendTransform(D3DTS_WORLD, matrix, kWorldRegister);
}

int SetProjectionTransform(const D3DMATRIX* matrix) {
    return SendTransform(D3DTS_PROJECTION, matrix, kProjectionRegister);
}

int SetViewTransform(const D3DMATRIX* matrix) {
    if (!HasDevice() || !matrix) return 0;
    SendTransform(D3DTS_VIEW, matrix, kViewRegister);
    const RenderStateCache& c = GetRenderStateCache();
    for (int i = 0; i < kShaderLights; ++i) {
        const D3DVECTOR p = Transform(*matrix, c.lights[i].Position, 1.0f);
        const D3DVECTOR d = Transform(*matrix, c.lights[i].Direction, 0.0f);
        const float values[2][4] = {{p.x, p.y, p.z, 1.0f}, {d.x, d.y, d.z, 0.0f}};
        SetFloats(kVertexFloatConstants, kLightVertexRegister + kLightStride * i, values, 2);
        SetFloats(kPixelFloatConstants, kLightPixelRegister + kLightStride * i, values, 2);
    }
    return 0;
}

int UploadLightingColourConstants() {
    const RenderStateCache& c = GetRenderStateCache();
    const D3DCOLORVALUE& ambient = c.material.Ambient;
    for (int i = 0; i < kShaderLights; ++i) {
        if (!c.lightEnabled[i]) continue;
        const D3DCOLORVALUE& l = c.lights[i].Ambient;
        const float product[1][4] = {
            {l.r * ambient.r, l.g * ambient.g, l.b * ambient.b, l.a * ambient.a}};
        SetFloats(kVertexFloatConstants, kLightVertexRegister + kLightStride * i + 4, product, 1);
        SetFloats(kPixelFloatConstants, kLightPixelAmbient + 3 * i, product, 1);
        SetFloats(kPixelFloatConstants, kLightPixelRegister + kLightStride * i + 4, product, 1);
    }
    const float global[4] = {((c.ambient >> 16) & 0xFF) / 255.0f,
                             ((c.ambient >> 8) & 0xFF) / 255.0f, (c.ambient & 0xFF) / 255.0f,
                             ((c.ambient >> 24) & 0xFF) / 255.0f};
    const D3DCOLORVALUE& e = c.material.Emissive;
    const float term[1][4] = {{global[0] * ambient.r + e.r, global[1] * ambient.g + e.g,
                               global[2] * ambient.b + e.b, global[3] * ambient.a + e.a}};
    SetFloats(kVertexFloatConstants, kGlobalTermRegister, term, 1);
    SetFloats(kPixelFloatConstants, kGlobalTermRegister, term, 1);
    return 0;
}

}  // namespace DuRud
