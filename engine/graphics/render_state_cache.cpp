// The render-state cache: shadows of what the device holds, setters that
// send only changes, the pending draw values and the grid drawing.
#include "graphics/render_state_cache.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "DuRud.h"
#include "core/text_literals.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_state_apply.h"
#include "graphics/scene_bracket.h"
#include "graphics/shader_constants.h"
#include "graphics/transforms.h"
#include "graphics/vertex_batch.h"

namespace DuRud {
namespace {

// Layer-0 constant registers of the fixed-function emulation.
constexpr int kFogRegister = 12;
constexpr int kLightRegisterStride = 7;  // vertex registers (index + 2) x 7
constexpr int kLightPixelRegister = 9;   // pixel registers index x 3 + 9
constexpr int kLightEnableRegister = 0;  // vertex boolean registers 0..3
constexpr int kMaterialRegister = 42;

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void Changed() {
    GetRenderStateCache().drawStateChanged = 1;
}

// Sends a render state unless it equals its shadow; the shadow follows a
// successful send. noDevice is the answer without a device.
int SendState(DWORD& shadow, D3DRENDERSTATETYPE state, DWORD value, int noDevice, int failure = 0) {
    if (!HasDevice()) return noDevice;
    RenderStateCache& c = GetRenderStateCache();
    if (value == shadow && !c.force) return 0;
    if (!c.force) FlushVertexBatch();
    if (FAILED(DeviceSetRenderState(state, value))) return failure;
    shadow = value;
    Changed();
    return 0;
}

// Sends one sampler state of one stage when it differs; flushes once per call.
void SendSampler(DWORD& shadow, int stage, D3DSAMPLERSTATETYPE type, DWORD value, bool* flushed) {
    RenderStateCache& c = GetRenderStateCache();
    if (value == shadow && !c.force) return;
    if (!c.force && !*flushed) {
        FlushVertexBatch();
        *flushed = true;
    }
    if (FAILED(DeviceSetSamplerState(static_cast<DWORD>(stage), type, value))) return;
    shadow = value;
    Changed();
}

void PutFloat4(float* out, float a, float b, float c, float d) {
    out[0] = a;
    out[1] = b;
    out[2] = c;
    out[3] = d;
}
void PutColour(float* out, const D3DCOLORVALUE& colour) {
    PutFloat4(out, colour.r, colour.g, colour.b, colour.a);
}

void WriteFogConstants() {
    const RenderStateCache& c = GetRenderStateCache();
    const float span = c.fogEnd - c.fogStart;
    float registerValue[4];
    PutFloat4(registerValue, c.fogStart, c.fogEnd, span != 0.0f ? 1.0f / span : 0.0f, c.fogDensity);
    SetShaderConstants(&EngineShaderConstants(), kVertexFloatConstants, 0, kFogRegister,
                       registerValue, 1, 1);
}

D3DVECTOR Transform(const D3DMATRIX& m, const D3DVECTOR& v, float w) {
    return {v.x * m._11 + v.y * m._21 + v.z * m._31 + w * m._41,
            v.x * m._12 + v.y * m._22 + v.z * m._32 + w * m._42,
            v.x * m._13 + v.y * m._23 + v.z * m._33 + w * m._43};
}

void WriteLightConstants(int index, const D3DLIGHT9& light) {
    D3DMATRIX view{};
    GetCameraViewMatrix(&view);
    const D3DVECTOR position = Transform(view, light.Position, 1.0f);
    const D3DVECTOR direction = Transform(view, light.Direction, 0.0f);
    float vertex[7][4];
    PutFloat4(vertex[0], position.x, position.y, position.z, static_cast<float>(light.Type));
    PutFloat4(vertex[1], direction.x, direction.y, direction.z, 0.0f);
    PutColour(vertex[2], light.Diffuse);
    PutColour(vertex[3], light.Specular);
    PutColour(vertex[4], light.Ambient);
    PutFloat4(vertex[5], light.Range, light.Attenuation0, light.Attenuation1, light.Attenuation2);
    PutFloat4(vertex[6], std::cos(light.Theta * 0.5f), std::cos(light.Phi * 0.5f), light.Falloff,
              0.0f);
    float pixel[3][4];
    PutColour(pixel[0], light.Diffuse);
    PutColour(pixel[1], light.Specular);
    PutColour(pixel[2], light.Ambient);
    ShaderConstantCache& cache = EngineShaderConstants();
    SetShaderConstants(&cache, kVertexFloatConstants, 0, (index + 2) * kLightRegisterStride, vertex,
                       7, 1);
    SetShaderConstants(&cache, kPixelFloatConstants, 0, index * 3 + kLightPixelRegister, pixel, 3,
                       1);
}

// Marks a pending change: flush first unless forced.
int PendingChanged() {
    RenderStateCache& c = GetRenderStateCache();
    if (!c.force) FlushVertexBatch();
    c.pendingApply = 1;
    c.drawStateChanged = 1;
    return 0;
}

}  // namespace

RenderStateCache& GetRenderStateCache() {
    static RenderStateCache* cache = new RenderStateCache();  // lives for the process
    return *cache;
}

int ClearCachedCurrentObjects() {
    RenderStateCache& c = GetRenderStateCache();
    c.vertexShader = nullptr;
    c.pixelShader = nullptr;
    c.declaration = nullptr;
    c.fvf = 0;
    c.userVertexShader = -1;
    c.userPixelShader = -1;
    return 0;
}

int ResetRenderStateShadows() {
    RenderStateCache& c = GetRenderStateCache();
    c.zEnable = TRUE;  // the device set-up switches depth testing on
    c.zWriteEnable = TRUE;
    c.zFunc = D3DCMP_LESSEQUAL;
    c.depthBias = 0;
    c.fillMode = D3DFILL_SOLID;
    c.cullMode = D3DCULL_CCW;
    c.shadeMode = D3DSHADE_GOURAUD;
    c.specularEnable = FALSE;
    c.diffuseSource = 255;  // stale: the next set reaches the device
    c.specularSource = 255;
    c.ambient = 0;
    c.lighting = TRUE;
    c.fogEnable = FALSE;
    c.fogMode = D3DFOG_NONE;
    c.fogColour = 0;
    c.fogStart = 0.0f;
    c.fogEnd = 1.0f;
    c.fogDensity = 1.0f;
    for (int s = 0; s < kCachedSamplerStages; ++s) {
        c.minFilter[s] = D3DTEXF_POINT;
        c.magFilter[s] = D3DTEXF_POINT;
        c.mipFilter[s] = D3DTEXF_NONE;
        for (auto& address : c.address) address[s] = D3DTADDRESS_WRAP;
    }
    c.maxAnisotropy = 1;
    for (int s = 0; s < 4; ++s) {
        c.texCoordIndex[s] = static_cast<DWORD>(s);
        c.resultArg[s] = D3DTA_CURRENT;
    }
    c.textureTransformFlags = D3DTTFF_DISABLE;
    c.viewport = {};
    c.scissor = {};
    std::memset(c.lights, 0, sizeof c.lights);
    std::memset(c.lightEnabled, 0, sizeof c.lightEnabled);
    c.material = {};
    c.samplerStages = 4;
    D3DCAPS9 caps{};
    if (SUCCEEDED(DeviceGetDeviceCaps(&caps))) {
        const int stages = static_cast<int>(caps.MaxSimultaneousTextures);
        c.samplerStages = stages < 4                      ? 4
                          : stages > kCachedSamplerStages ? kCachedSamplerStages
                                                          : stages;
    }
    ClearCachedCurrentObjects();
    ResetDrawStateShadows();
    c.drawStateChanged = 1;
    return 0;
}

int SetRenderStateForce(int on) {
    RenderStateCache& c = GetRenderStateCache();
    const int previous = c.force;
    c.force = on ? 1 : 0;
    return previous;
}

// --- render states ----------------------------------------------------------------

int SetDeviceDepthTest(int on) {
    return SendState(GetRenderStateCache().zEnable, D3DRS_ZENABLE, on == 1 ? 1 : 0, -1);
}
int SetDeviceDepthWrite(int on) {
    return SendState(GetRenderStateCache().zWriteEnable, D3DRS_ZWRITEENABLE, static_cast<DWORD>(on),
                     -1);
}
int SetDeviceDepthCompare(int function) {
    return SendState(GetRenderStateCache().zFunc, D3DRS_ZFUNC, static_cast<DWORD>(function), -1);
}
int SetDeviceDepthBias(float bias) {
    return SendState(GetRenderStateCache().depthBias, D3DRS_DEPTHBIAS, FloatBits(bias), -1);
}
int SetDeviceFillMode(int mode) {
    return SendState(GetRenderStateCache().fillMode, D3DRS_FILLMODE, static_cast<DWORD>(mode), -1);
}
int SetDeviceCullMode(int mode) {
    return SendState(GetRenderStateCache().cullMode, D3DRS_CULLMODE, static_cast<DWORD>(mode), 0);
}
int SetDeviceShadeMode(int mode) {
    return SendState(GetRenderStateCache().shadeMode, D3DRS_SHADEMODE, static_cast<DWORD>(mode), 0);
}
int SetDeviceSpecular(int on) {
    return SendState(GetRenderStateCache().specularEnable, D3DRS_SPECULARENABLE,
                     static_cast<DWORD>(on), 0, -1);
}
int SetDeviceDiffuseFromVertexColour(int on) {
    return SendState(GetRenderStateCache().diffuseSource, D3DRS_DIFFUSEMATERIALSOURCE,
                     on ? D3DMCS_COLOR1 : D3DMCS_MATERIAL, 0, -1);
}
int SetDeviceSpecularFromVertexColour(int on) {
    return SendState(GetRenderStateCache().specularSource, D3DRS_SPECULARMATERIALSOURCE,
                     on ? D3DMCS_COLOR1 : D3DMCS_MATERIAL, 0, -1);
}
int SetDeviceAmbientColour(D3DCOLOR colour) {
    RenderStateCache& c = GetRenderStateCache();
    const DWORD before = c.ambient;
    const int result = SendState(c.ambient, D3DRS_AMBIENT, colour, 0);
    if (c.ambient != before) UploadLightingColourConstants();
    return result;
}
int SetDeviceFogEnable(int on) {
    return SendState(GetRenderStateCache().fogEnable, D3DRS_FOGENABLE, static_cast<DWORD>(on), 0);
}
int SetDeviceFogMode(int mode) {
    const int result =
        SendState(GetRenderStateCache().fogMode, D3DRS_FOGVERTEXMODE, static_cast<DWORD>(mode), 0);
    if (HasDevice()) WriteFogConstants();
    return result;
}
int SetDeviceLighting(int on) {
    return SendState(GetRenderStateCache().lighting, D3DRS_LIGHTING, on ? TRUE : FALSE, 0);
}
int SetDeviceFogColour(D3DCOLOR colour) {
    const int result = SendState(GetRenderStateCache().fogColour, D3DRS_FOGCOLOR, colour, 0);
    if (HasDevice()) WriteFogConstants();
    return result;
}
int SetDeviceFogRange(float start, float end) {
    if (!HasDevice()) return 0;
    RenderStateCache& c = GetRenderStateCache();
    DWORD startBits = FloatBits(c.fogStart), endBits = FloatBits(c.fogEnd);
    SendState(startBits, D3DRS_FOGSTART, FloatBits(start), 0);
    SendState(endBits, D3DRS_FOGEND, FloatBits(end), 0);
    std::memcpy(&c.fogStart, &startBits, sizeof startBits);
    std::memcpy(&c.fogEnd, &endBits, sizeof endBits);
    WriteFogConstants();
    return 0;
}
int SetDeviceFogDensity(float density) {
    if (!HasDevice()) return 0;
    RenderStateCache& c = GetRenderStateCache();
    DWORD bits = FloatBits(c.fogDensity);
    SendState(bits, D3DRS_FOGDENSITY, FloatBits(density), 0);
    std::memcpy(&c.fogDensity, &bits, sizeof bits);
    WriteFogConstants();
    return 0;
}

// --- samplers ----------------------------------------------------------------------

int SetSamplerFilterKind(int kind) {
    static const DWORD kFilters[3][3] = {
        // min, mag, mip
        {D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_NONE},
        {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_NONE},
        {D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, D3DTEXF_LINEAR},
    };
    if (!HasDevice() || kind < 0 || kind > 2) return -1;
    RenderStateCache& c = GetRenderStateCache();
    bool flushed = false;
    for (int s = 0; s < c.samplerStages; ++s) {
        SendSampler(c.minFilter[s], s, D3DSAMP_MINFILTER, kFilters[kind][0], &flushed);
        SendSampler(c.magFilter[s], s, D3DSAMP_MAGFILTER, kFilters[kind][1], &flushed);
        SendSampler(c.mipFilter[s], s, D3DSAMP_MIPFILTER, kFilters[kind][2], &flushed);
    }
    c.samplerFilterKind = kind;
    return 0;
}

int SetMaxAnisotropy(int value) {
    if (!HasDevice()) return -1;
    RenderStateCache& c = GetRenderStateCache();
    if (static_cast<DWORD>(value) == c.maxAnisotropy && !c.force) return 0;
    if (!c.force) FlushVertexBatch();
    for (int s = 0; s < c.samplerStages; ++s)
        DeviceSetSamplerState(static_cast<DWORD>(s), D3DSAMP_MAXANISOTROPY,
                              static_cast<DWORD>(value));
    c.maxAnisotropy = static_cast<DWORD>(value);
    Changed();
    return 0;
}

int SetTextureAddress(int which, int mode, int stage) {
    static const D3DSAMPLERSTATETYPE kStates[3] = {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV,
                                                   D3DSAMP_ADDRESSW};
    if (!HasDevice() || which < 0 || which > 3 || stage < -1 || stage >= kCachedSamplerStages)
        return -1;
    RenderStateCache& c = GetRenderStateCache();
    const int firstStage = stage < 0 ? 0 : stage;
    const int endStage = stage < 0 ? kCachedSamplerStages : stage + 1;
    bool flushed = false;
    for (int w = which == 3 ? 0 : which; w <= (which == 3 ? 2 : which); ++w)
        for (int s = firstStage; s < endStage; ++s)
            SendSampler(c.address[w][s], s, kStates[w], static_cast<DWORD>(mode), &flushed);
    return 0;
}

int SetDeviceTextureTransform(DWORD stage0Flags, const D3DMATRIX* matrix) {
    if (!HasDevice()) return 0;
    RenderStateCache& c = GetRenderStateCache();
    const bool sameMatrix = !matrix || std::memcmp(matrix, &c.textureMatrix, sizeof *matrix) == 0;
    if (stage0Flags == c.textureTransformFlags && sameMatrix && !c.force) return 0;
    if (!c.force) FlushVertexBatch();
    DeviceSetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, stage0Flags);
    c.textureTransformFlags = stage0Flags;
    if (matrix) {
        DeviceSetTransform(D3DTS_TEXTURE0, matrix);
        c.textureMatrix = *matrix;
    }
    Changed();
    return 0;
}

// --- viewport and scissor -------------------------------------------------------------

int SetDeviceViewport(const D3DVIEWPORT9* viewport) {
    if (!HasDevice() || !viewport) return 0;
    RenderStateCache& c = GetRenderStateCache();
    const D3DVIEWPORT9& v = c.viewport;
    if (viewport->X == v.X && viewport->Y == v.Y && viewport->Width == v.Width &&
        viewport->Height == v.Height && !c.force)
        return 0;
    if (!c.force) FlushVertexBatch();
    EndSceneIfBegun();
    const HRESULT hr = DeviceSetViewport(viewport);
    if (FAILED(hr)) {
        LogFormatLine(Cp932Text("ビューポートのセットに失敗しました ErrorCode %x\n"),
                      static_cast<unsigned>(hr));
        return static_cast<int>(hr);
    }
    c.viewport = *viewport;
    Changed();
    return 0;
}

int SetDeviceViewportRect(int left, int top, int right, int bottom) {
    const D3DVIEWPORT9 viewport{static_cast<DWORD>(left),
                                static_cast<DWORD>(top),
                                static_cast<DWORD>(right - left),
                                static_cast<DWORD>(bottom - top),
                                0.0f,
                                1.0f};
    return SetDeviceViewport(&viewport);
}

int SetDeviceScissor(const RECT* rect) {
    if (!HasDevice() || !rect) return 0;
    RenderStateCache& c = GetRenderStateCache();
    const RECT& r = c.scissor;
    if (rect->left == r.left && rect->right == r.right && rect->top == r.top &&
        rect->bottom == r.bottom && !c.force)
        return 0;
    if (!c.force) FlushVertexBatch();
    EndSceneIfBegun();
    DeviceSetScissorRect(rect);
    c.scissor = *rect;
    Changed();
    return 0;
}

// --- lights and material --------------------------------------------------------------

int SetDeviceLight(int index, const D3DLIGHT9* light) {
    if (!HasDevice() || !light || index < 0) return 0;
    RenderStateCache& c = GetRenderStateCache();
    if (!c.force) FlushVertexBatch();
    if (index < kCachedLights) c.lights[index] = *light;
    if (index < 4) WriteLightConstants(index, *light);
    UploadLightingColourConstants();
    Changed();
    return SUCCEEDED(DeviceSetLight(static_cast<DWORD>(index), light)) ? 0 : -1;
}

int EnableDeviceLight(int index, int on) {
    if (!HasDevice() || index < 0) return 0;
    RenderStateCache& c = GetRenderStateCache();
    if (!c.force) FlushVertexBatch();
    const HRESULT hr = DeviceLightEnable(static_cast<DWORD>(index), on ? TRUE : FALSE);
    if (index < 4) {
        const BOOL flag = on ? TRUE : FALSE;
        c.lightEnabled[index] = flag;
        SetShaderConstants(&EngineShaderConstants(), kVertexBoolConstants, 0,
                           kLightEnableRegister + index, &flag, 1, 1);
    }
    Changed();
    return SUCCEEDED(hr) ? 0 : -1;
}

int SetDeviceMaterial(const D3DMATERIAL9* material) {
    if (!HasDevice() || !material) return 0;
    RenderStateCache& c = GetRenderStateCache();
    if (!c.force) FlushVertexBatch();
    c.material = *material;
    float registers[5][4];
    PutColour(registers[0], material->Diffuse);
    PutColour(registers[1], material->Ambient);
    PutColour(registers[2], material->Specular);
    PutColour(registers[3], material->Emissive);
    PutFloat4(registers[4], material->Power, 0.0f, 0.0f, 0.0f);
    SetShaderConstants(&EngineShaderConstants(), kVertexFloatConstants, 0, kMaterialRegister,
                       registers, 5, 1);
    Changed();
    return SUCCEEDED(DeviceSetMaterial(material)) ? 0 : -1;
}

// --- pending draw values ------------------------------------------------------------

int SetPendingStageTexture(IDirect3DBaseTexture9* texture) {
    RenderStateCache& c = GetRenderStateCache();
    if (texture == c.stageTexture && !c.force) return 0;
    if (!c.force) FlushVertexBatch();
    if ((texture == nullptr) != (c.stageTexture == nullptr)) c.pendingApply = 1;
    c.stageTexture = texture;
    c.drawStateChanged = 1;
    return 0;
}

int SetPendingBlendTexture(IDirect3DBaseTexture9* texture, int width, int height) {
    RenderStateCache& c = GetRenderStateCache();
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    if (texture == c.blendTexture && w == c.blendTextureWidth && h == c.blendTextureHeight &&
        !c.force)
        return 0;
    PendingChanged();
    c.blendTexture = texture;
    c.blendTextureWidth = w;
    c.blendTextureHeight = h;
    c.blendTextureInvWidth = w != 0.0f ? 1.0f / w : 0.0f;
    c.blendTextureInvHeight = h != 0.0f ? 1.0f / h : 0.0f;
    return 0;
}

int SetPendingBlendGraphic(int type, int first, int second) {
    RenderStateCache& c = GetRenderStateCache();
    bool same = type == c.blendGraphicType;
    if (same && type == 0) same = first == c.blendParameter;
    if (same && type == 1) same = first == c.blendThreshold && second == c.blendRange;
    if (same && !c.force) return 0;
    PendingChanged();
    c.blendGraphicType = type;
    if (type == 0) c.blendParameter = first;
    if (type == 1) {
        c.blendThreshold = first;
        c.blendRange = second;
    }
    return 0;
}

int SetPendingBlendMode(int mode, int diffuseColour, int diffuseAlpha) {
    RenderStateCache& c = GetRenderStateCache();
    if (mode == c.blendMode && diffuseColour == c.diffuseColourFlag &&
        diffuseAlpha == c.diffuseAlphaFlag && !c.force)
        return 0;
    PendingChanged();
    c.blendMode = mode;
    c.diffuseColourFlag = diffuseColour;
    c.diffuseAlphaFlag = diffuseAlpha;
    return 0;
}

int SetPendingAlphaTestOverride(int function, int reference) {
    RenderStateCache& c = GetRenderStateCache();
    if (function == c.alphaTestFunction && reference == c.alphaTestReference && !c.force) return 0;
    PendingChanged();
    c.alphaTestFunction = function;
    c.alphaTestReference = reference;
    return 0;
}

int SetPendingDrawValue(int index, int value) {
    RenderStateCache& c = GetRenderStateCache();
    if (index < 0 || index >= 4) return -1;
    if (value == c.drawValues[index] && !c.force) return 0;
    PendingChanged();
    c.drawValues[index] = value;
    return 0;
}

// --- full re-send and grid ------------------------------------------------------------

int ResendFixedFunctionBasics() {
    if (!HasDevice()) return 0;
    RenderStateCache& c = GetRenderStateCache();
    FlushVertexBatch();
    for (int s = 0; s < 4; ++s) {
        DeviceSetSamplerState(static_cast<DWORD>(s), D3DSAMP_ADDRESSU, c.address[0][s]);
        DeviceSetSamplerState(static_cast<DWORD>(s), D3DSAMP_ADDRESSV, c.address[1][s]);
    }
    static const DWORD kTexCoordIndex[4] = {0, 1, 1, 0};
    for (int s = 0; s < 4; ++s) {
        DeviceSetTextureStageState(static_cast<DWORD>(s), D3DTSS_TEXCOORDINDEX, kTexCoordIndex[s]);
        c.texCoordIndex[s] = kTexCoordIndex[s];
    }
    if (DeviceHasStageTemporaryRegister())
        for (int s = 0; s < 4; ++s) {
            DeviceSetTextureStageState(static_cast<DWORD>(s), D3DTSS_RESULTARG, D3DTA_CURRENT);
            c.resultArg[s] = D3DTA_CURRENT;
        }
    DeviceSetRenderState(D3DRS_SHADEMODE, c.shadeMode);
    DeviceSetRenderState(D3DRS_LIGHTING, c.lighting);
    DeviceSetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    c.cullMode = D3DCULL_NONE;
    DeviceSetRenderState(D3DRS_DITHERENABLE, FALSE);
    static const float kVertexZero[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    static const float kPixelZero[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    ShaderConstantCache& cache = EngineShaderConstants();
    SetShaderConstants(&cache, kVertexFloatConstants, 0, 0, kVertexZero, 1, 1);
    SetShaderConstants(&cache, kPixelFloatConstants, 0, 0, kPixelZero, 1, 1);
    if (c.vertexShader) DeviceSetVertexShader(nullptr);
    if (c.pixelShader) DeviceSetPixelShader(nullptr);
    ClearCachedCurrentObjects();
    Changed();
    return 0;
}

int DrawVertexGrid(int columns, int rows, const GridVertex* vertices) {
    if (!HasDevice() || columns < 2 || rows < 2 || !vertices) return -1;
    RenderStateCache& c = GetRenderStateCache();
    EnsureSceneBegun();  // a new scene forgets the cached format
    if (c.fvf != kGridVertexFormat) {
        if (FAILED(DeviceSetFVF(kGridVertexFormat))) return -1;
        c.fvf = kGridVertexFormat;
    }
    // One strip per pair of rows: top and bottom vertex of each column in turn.
    // A long strip is cut into pieces that overlap by one column, so each
    // piece starts on an even index and keeps the winding.
    std::vector<uint16_t> indices;
    const int stripIndices = columns * 2;
    const int piece = kGridPieceIndices & ~1;
    for (int row = 0; row + 1 < rows; ++row) {
        const GridVertex* base = vertices + static_cast<size_t>(row) * columns;
        for (int start = 0; start + 2 < stripIndices; start += piece - 2) {
            const int count = stripIndices - start < piece ? stripIndices - start : piece;
            const int firstColumn = start / 2;
            indices.clear();
            for (int i = 0; i < count; ++i) {
                const int column = (start + i) / 2 - firstColumn;
                indices.push_back(static_cast<uint16_t>((i & 1) ? columns + column : column));
            }
            const int pieceColumns = count / 2;
            // Indices address the piece's columns of this row and the next.
            const GridVertex* pieceBase = base + firstColumn;
            const UINT vertexSpan = static_cast<UINT>(columns + pieceColumns);
            if (FAILED(DeviceDrawIndexedPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, vertexSpan,
                                                    static_cast<UINT>(count - 2), indices.data(),
                                                    D3DFMT_INDEX16, pieceBase, sizeof(GridVertex))))
                return -1;
            if (start + count >= stripIndices) break;
        }
    }
    return 0;
}

}  // namespace DuRud
