// The draw-state apply: PrepareGraphicDraw, the state derived from the
// cache, explicit and user descriptions, the partial and forced sends with
// their shadows of what the device holds, render targets and the full
// re-send after a device creation.
#include "graphics/draw_state_apply.h"

#include <cstring>

#include "graphics/base_shaders.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_handles.h"
#include "graphics/render_state_cache.h"
#include "graphics/shader_constants.h"
#include "graphics/vertex_batch.h"

namespace DuRud {
namespace {

constexpr DWORD kUnknown = 0xFFFFFFFEu;  // no device value is known
IDirect3DBaseTexture9* const kUnknownTexture = reinterpret_cast<IDirect3DBaseTexture9*>(1);

// What the apply last sent to the device.
struct AppliedState {
    DWORD alphaFunction, alphaReference, alphaTest, alphaBlend, textureFactor;
    DWORD sourceBlend, destinationBlend, blendOperation;
    IDirect3DBaseTexture9* textures[kMaxDrawStages];
    DWORD texCoordIndex[kMaxDrawStages], resultArg[kMaxDrawStages];
    DWORD stageStates[kMaxDrawStages][6];  // alpha op, arg 1, arg 2, colour op, arg 1, arg 2
    int32_t stageCount;
    IDirect3DSurface9* renderTargets[kRenderTargetSlots];
};

AppliedState g_applied;
DWORD g_textureFactor = 0xFFFFFFFFu;  // the cached factor of kinds without their own
// The textures of the last full or texture-only apply.
IDirect3DBaseTexture9* g_appliedStageTexture = kUnknownTexture;
IDirect3DBaseTexture9* g_appliedBlendTexture = kUnknownTexture;
// PrepareGraphicDraw's memory.
bool g_prepared = false;
IDirect3DBaseTexture9* g_preparedTexture = nullptr;
uint32_t g_preparedFlags = 0;
int32_t g_blendOnlyFlag = 0;
// The pixel shader the apply set last, and constant 5 as it sent it.
IDirect3DPixelShader9* g_appliedPixelShader = nullptr;
float g_appliedConstant5[4];
bool g_constant5Known = false;
// The user description.
RenderStateDesc g_user;
int32_t g_userActive = 0, g_userKeepStages = 0;

bool TexturesDirty() {
    const RenderStateCache& c = GetRenderStateCache();
    return c.stageTexture != g_appliedStageTexture || c.blendTexture != g_appliedBlendTexture;
}

void Send(DWORD& shadow, D3DRENDERSTATETYPE state, DWORD value) {
    if (value == shadow && !GetRenderStateCache().force) return;
    DeviceSetRenderState(state, value);
    shadow = value;
}

void SendStage(DWORD& shadow, int stage, D3DTEXTURESTAGESTATETYPE type, int value) {
    if (value == -1) return;
    if (static_cast<DWORD>(value) == shadow && !GetRenderStateCache().force) return;
    DeviceSetTextureStageState(static_cast<DWORD>(stage), type, static_cast<DWORD>(value));
    shadow = static_cast<DWORD>(value);
}

void SendTexture(int stage, IDirect3DBaseTexture9* texture) {
    if (texture == g_applied.textures[stage] && !GetRenderStateCache().force) return;
    DeviceSetTexture(static_cast<DWORD>(stage), texture);
    g_applied.textures[stage] = texture;
}

IDirect3DBaseTexture9* GraphicTexture(Handle handle) {
    const GraphicRecord* g = GraphicFromHandle(handle, 0);
    if (!g || !g->image || g->image->request.software || g->pieceCount < 1) return nullptr;
    return g->pieces[0].tile->texture;
}

// Sends a description: the partial form compares with the shadows, the
// forced form (the cache's force flag) sends everything.
void SendDescription(const RenderStateDesc& desc, int resolveHandles, int keepStages) {
    const RenderStateCache& c = GetRenderStateCache();
    AppliedState& a = g_applied;
    const bool forced = c.force != 0;
    Send(a.alphaFunction, D3DRS_ALPHAFUNC, static_cast<DWORD>(desc.alphaFunction));
    Send(a.alphaReference, D3DRS_ALPHAREF, static_cast<DWORD>(desc.alphaReference));
    Send(a.alphaTest, D3DRS_ALPHATESTENABLE, static_cast<DWORD>(desc.alphaTestEnable));
    Send(a.alphaBlend, D3DRS_ALPHABLENDENABLE, static_cast<DWORD>(desc.alphaBlendEnable));
    const bool shader = desc.pixelShader != nullptr;
    if (!shader) Send(a.textureFactor, D3DRS_TEXTUREFACTOR, desc.textureFactor);
    if (shader && (forced || !g_constant5Known ||
                   std::memcmp(g_appliedConstant5, desc.constant5, sizeof g_appliedConstant5))) {
        SetShaderConstants(&EngineShaderConstants(), kPixelFloatConstants, 0, 5, desc.constant5, 1,
                           1);
        std::memcpy(g_appliedConstant5, desc.constant5, sizeof g_appliedConstant5);
        g_constant5Known = true;
    }
    const int32_t blends[3] = {desc.sourceBlend, desc.destinationBlend, desc.blendOperation};
    DWORD* blendShadows[3] = {&a.sourceBlend, &a.destinationBlend, &a.blendOperation};
    const D3DRENDERSTATETYPE blendStates[3] = {D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP};
    for (int i = 0; i < 3; ++i) {
        if (blends[i] != -1)
            Send(*blendShadows[i], blendStates[i], static_cast<DWORD>(blends[i]));
        else if (forced && *blendShadows[i] > 1 && *blendShadows[i] != kUnknown)
            DeviceSetRenderState(blendStates[i], *blendShadows[i]);
    }
    const int count = desc.stageCount < 0                ? 0
                      : desc.stageCount > kMaxDrawStages ? kMaxDrawStages
                                                         : desc.stageCount;
    const bool temporary = DeviceHasStageTemporaryRegister() != 0;
    int s = 0;
    RenderStateCache& cache = GetRenderStateCache();
    if (shader != (cache.pixelShader != nullptr) || desc.pixelShader != cache.pixelShader ||
        forced) {
        if (shader || cache.pixelShader) DeviceSetPixelShader(desc.pixelShader);
        cache.pixelShader = desc.pixelShader;
    }
    g_appliedPixelShader = desc.pixelShader;
    for (; s < count; ++s) {
        const StageDesc& st = desc.stages[s];
        if (!keepStages && s >= 2 && (shader || desc.stages[s - 1].alphaOp == D3DTOP_DISABLE))
            break;
        if (st.texture != -1) {
            IDirect3DBaseTexture9* texture =
                resolveHandles ? GraphicTexture(static_cast<Handle>(st.texture))
                               : reinterpret_cast<IDirect3DBaseTexture9*>(st.texture);
            SendTexture(s, texture);
        }
        if (shader) continue;  // the shader does what the stage operations would
        SendStage(a.texCoordIndex[s], s, D3DTSS_TEXCOORDINDEX, st.texCoordIndex);
        if (temporary && st.resultToTemp != -1)
            SendStage(a.resultArg[s], s, D3DTSS_RESULTARG,
                      st.resultToTemp ? D3DTA_TEMP : D3DTA_CURRENT);
        SendStage(a.stageStates[s][0], s, D3DTSS_ALPHAOP, st.alphaOp);
        SendStage(a.stageStates[s][1], s, D3DTSS_ALPHAARG1, st.alphaArg1);
        SendStage(a.stageStates[s][2], s, D3DTSS_ALPHAARG2, st.alphaArg2);
        SendStage(a.stageStates[s][3], s, D3DTSS_COLOROP, st.colorOp);
        SendStage(a.stageStates[s][4], s, D3DTSS_COLORARG1, st.colorArg1);
        SendStage(a.stageStates[s][5], s, D3DTSS_COLORARG2, st.colorArg2);
    }
    if (forced)
        for (int rest = count; rest < kMaxDrawStages; ++rest) {
            SendTexture(rest, nullptr);
            SendStage(a.texCoordIndex[rest], rest, D3DTSS_TEXCOORDINDEX, 0);
        }
}

// The texture-only update: the stage textures move, nothing else.
int ApplyTexturesOnly() {
    RenderStateCache& c = GetRenderStateCache();
    if (!TexturesDirty()) return -1;
    FlushVertexBatch();
    IDirect3DBaseTexture9* texture = c.stageTexture;
    IDirect3DBaseTexture9* blend = c.blendTexture;
    if (!blend) {
        SendTexture(0, texture);
    } else if (c.blendGraphicType == 0) {
        SendTexture(0, blend);
        SendTexture(1, texture);
        if (!g_appliedPixelShader) SendTexture(3, texture);
    } else if (c.blendGraphicType == 1) {
        SendTexture(0, blend);
        // The shaders read the drawn graphic on stage 1 in every row.
        SendTexture(c.drawValues[1] && !c.drawValues[2] && !g_appliedPixelShader ? 2 : 1, texture);
    } else {
        SendTexture(0, texture);
        SendTexture(1, blend);
    }
    g_appliedStageTexture = texture;
    g_appliedBlendTexture = blend;
    c.drawStateChanged = 1;
    return 0;
}

void CopyList(RenderStateDesc& desc, const StageDesc* list) {
    const int n = static_cast<int>(list[0].texture);
    for (int s = 0; s <= n && s < kMaxDrawStages; ++s) {
        desc.stages[s] = list[s];
        desc.stages[s].texture = 0;
    }
    desc.stageCount = n + 1 > kMaxDrawStages ? kMaxDrawStages : n + 1;
}

void SetTest(RenderStateDesc& desc, int on, int reference, int function) {
    desc.alphaTestEnable = on;
    desc.alphaReference = on ? reference : static_cast<int32_t>(g_applied.alphaReference);
    desc.alphaFunction = on ? function : static_cast<int32_t>(g_applied.alphaFunction);
    if (!on && g_applied.alphaReference == kUnknown) desc.alphaReference = 0;
    if (!on && g_applied.alphaFunction == kUnknown) desc.alphaFunction = D3DCMP_ALWAYS;
}

intptr_t TextureWord(IDirect3DBaseTexture9* texture) {
    return reinterpret_cast<intptr_t>(texture);
}

// The wipe: the blend graphic's alpha against a threshold, either as a hard
// edge through the alpha test or as a ramp whose steepness follows the range.
void DeriveWipe(RenderStateDesc& desc, int hasAlpha, bool blending) {
    const RenderStateCache& c = GetRenderStateCache();
    const int t = c.blendThreshold, r = c.blendRange;
    GetRenderStateCache().drawValues[3] = t == 255 ? 1 : 0;  // draw skip
    if (!blending) {
        desc.sourceBlend = D3DBLEND_SRCALPHA;
        desc.destinationBlend = D3DBLEND_INVSRCALPHA;
    }
    if (r < 2) {
        SetTest(desc, 1, t == 0 && hasAlpha ? 1 : t, D3DCMP_GREATEREQUAL);
        desc.alphaBlendEnable = 0;
        desc.textureFactor = 0x00FFFFFFu;
        // The factor's alpha is 0 here: the test must see the blend alpha itself.
        desc.stages[0].alphaOp = D3DTOP_ADD;
        return;
    }
    desc.alphaBlendEnable = 1;
    SetTest(desc, 0, 0, 0);
    const int scale = r <= 64 ? 1280 : r <= 128 ? 768 : 512;
    const int f = scale == 1280 ? 64 : scale == 768 ? 128 : 255;
    const int v = scale - t * scale / 255;
    int a = 0;
    if (v < scale - 256) {
        a = 255 - v * 255 / (scale - 256);
        desc.stages[0].alphaOp = D3DTOP_SUBTRACT;
    } else {
        a = (v - (scale - 256)) * f / 256;
        desc.stages[0].alphaOp = D3DTOP_ADD;
    }
    desc.textureFactor = static_cast<uint32_t>(a) << 24;
    desc.stages[1].alphaOp = static_cast<int16_t>(scale == 1280  ? D3DTOP_MODULATE4X
                                                  : scale == 768 ? D3DTOP_MODULATE2X
                                                                 : D3DTOP_MODULATE);
    if (desc.pixelShader) {
        const float sign = desc.stages[0].alphaOp == D3DTOP_SUBTRACT ? -1.0f : 1.0f;
        desc.constant5[0] = desc.constant5[1] = 0.0f;
        desc.constant5[2] = scale == 1280 ? 4.0f : scale == 768 ? 2.0f : 1.0f;
        desc.constant5[3] = sign * static_cast<float>(a) / 255.0f;
    }
}

// The texture factor as pixel-shader constant 5 (red, green, blue, alpha / 255).
void FactorAsConstant5(RenderStateDesc& desc) {
    const uint32_t f = desc.textureFactor;
    const int shifts[4] = {16, 8, 0, 24};
    for (int i = 0; i < 4; ++i)
        desc.constant5[i] = static_cast<float>(f >> shifts[i] & 0xFF) / 255.0f;
}

// The state the cache asks for (no description given).
RenderStateDesc DeriveState() {
    RenderStateCache& c = GetRenderStateCache();
    RenderStateDesc desc{};
    const int mode = c.blendMode < 0 || c.blendMode > 16 ? 0 : c.blendMode;
    const BlendModeRow& row = BlendModeTableRow(mode);
    desc.sourceBlend = row.sourceBlend;
    desc.destinationBlend = row.destinationBlend;
    desc.blendOperation = row.blendOperation;
    if (mode == 3 && GetDeviceResources().caps.blendOperation) {
        desc.sourceBlend = D3DBLEND_SRCALPHA;
        desc.destinationBlend = D3DBLEND_ONE;
        desc.blendOperation = D3DBLENDOP_REVSUBTRACT;
    }
    const bool blending = mode != 0 && mode != 6;
    desc.alphaBlendEnable = blending ? 1 : 0;
    desc.textureFactor = g_textureFactor;
    const int alphaChannel = c.drawValues[1], alphaTest = c.drawValues[2];
    const int alphaSource = alphaTest ? 2 : alphaChannel ? 1 : 0;
    const int hasAlpha = alphaChannel || alphaTest;
    c.drawValues[3] = 0;
    if (!c.stageTexture) {
        SetVertexBatchKind(0);
        const int16_t diffuse = D3DTA_DIFFUSE, factor = D3DTA_TFACTOR;
        StageDesc& s = desc.stages[0];
        s = StageDesc{0,
                      0,
                      0,
                      D3DTA_TEXTURE,
                      diffuse,
                      D3DTOP_SELECTARG2,
                      D3DTA_TEXTURE,
                      diffuse,
                      D3DTOP_SELECTARG2};
        if (row.kind == 1) {
            s.colorOp = D3DTOP_BLENDDIFFUSEALPHA;
            s.colorArg1 = diffuse;
            s.colorArg2 = factor;
            desc.textureFactor = 0xFFFFFFFFu;
        } else if (row.kind == 2) {
            s.colorOp = D3DTOP_SELECTARG1;
            s.colorArg1 = diffuse | D3DTA_COMPLEMENT;
        } else if (row.kind == 3) {
            s.colorOp = D3DTOP_MODULATE4X;
            s.colorArg1 = diffuse;
            s.colorArg2 = D3DTA_TEXTURE;
            s.texture = TextureWord(GraphicTexture(WhiteTextureGraphic()));
        }
        desc.stages[1] = StageDesc{0,
                                   0,
                                   0,
                                   D3DTA_CURRENT,
                                   diffuse,
                                   D3DTOP_DISABLE,
                                   D3DTA_CURRENT,
                                   diffuse,
                                   D3DTOP_DISABLE};
        desc.stageCount = 2;
        SetTest(desc, 0, 0, 0);
        if ((desc.pixelShader = PlainPixelShader(row.kind))) FactorAsConstant5(desc);
        return desc;
    }
    const int replacement = c.drawValues[0] ? 1 : 0;
    if (!c.blendTexture) {
        SetVertexBatchKind(1);
        CopyList(desc, PrebuiltStageList(row.kind, 0, c.diffuseColourFlag, c.diffuseAlphaFlag,
                                         alphaSource));
        desc.stages[0].texture = TextureWord(c.stageTexture);
        if (row.kind == 1) desc.textureFactor = 0xFFFFFFFFu;
        if (c.drawValues[0]) {  // texture-colour replacement
            int16_t& arg = desc.stages[0].colorArg1;
            arg = static_cast<int16_t>((arg & ~D3DTA_SELECTMASK) | D3DTA_TFACTOR);
        }
        if (alphaTest)
            SetTest(desc, 1, 16, D3DCMP_GREATER);
        else if (blending || alphaChannel)
            SetTest(desc, 1, 0, D3DCMP_GREATER);
        else
            SetTest(desc, 0, 0, 0);
        // Blending turned on for the alpha channel needs its own factors,
        // or it takes whatever the previous draw left.
        if (alphaChannel && !blending) {
            desc.sourceBlend = D3DBLEND_SRCALPHA;
            desc.destinationBlend = D3DBLEND_INVSRCALPHA;
        }
        desc.alphaBlendEnable = blending || alphaChannel ? 1 : 0;
        if ((desc.pixelShader = BlendPixelShader(0, row.kind, replacement, alphaSource == 0)))
            FactorAsConstant5(desc);
        return desc;
    }
    SetVertexBatchKind(2);
    const int kind = mode == 12 || mode == 13 ? 3 : mode == 10 ? 2 : 0;
    const int type = c.blendGraphicType < 0 || c.blendGraphicType > 2 ? 0 : c.blendGraphicType;
    CopyList(desc, PrebuiltStageList(kind, type + 1, c.diffuseColourFlag, c.diffuseAlphaFlag,
                                     alphaSource));
    const intptr_t drawn = TextureWord(c.stageTexture), blend = TextureWord(c.blendTexture);
    desc.pixelShader = BlendPixelShader(type + 1, kind, replacement, alphaSource == 0);
    if (type == 1) {
        desc.stages[0].texture = blend;
        desc.stages[alphaSource == 1 && !desc.pixelShader ? 2 : 1].texture = drawn;
        DeriveWipe(desc, hasAlpha, blending);
        if (desc.pixelShader && c.blendRange < 2) FactorAsConstant5(desc);
        return desc;
    }
    desc.stages[0].texture = type == 0 ? blend : drawn;
    desc.stages[1].texture = type == 0 ? drawn : blend;
    desc.textureFactor =
        type == 0 ? static_cast<uint32_t>(c.blendParameter & 0xFF) << 24 : 0xFFFFFFFFu;
    const bool on = hasAlpha || blending;
    SetTest(desc, on ? 1 : 0, 0, D3DCMP_GREATER);
    desc.alphaBlendEnable = on ? 1 : 0;
    if (!blending && hasAlpha) {
        desc.sourceBlend = D3DBLEND_SRCALPHA;
        desc.destinationBlend = D3DBLEND_INVSRCALPHA;
    }
    if (desc.pixelShader) FactorAsConstant5(desc);
    return desc;
}

// The alpha-test override of the draw settings replaces any test.
void ApplyOverride(RenderStateDesc& desc) {
    const RenderStateCache& c = GetRenderStateCache();
    if (c.alphaTestFunction < D3DCMP_NEVER) return;  // -1, or never set
    desc.alphaTestEnable = 1;
    desc.alphaFunction = c.alphaTestFunction;
    desc.alphaReference = c.alphaTestReference;
}

// A changed stage count re-sends the sampler filters of every stage.
void ResendSamplersOnCountChange(int count) {
    if (count == g_applied.stageCount) return;
    g_applied.stageCount = count;
    RenderStateCache& c = GetRenderStateCache();
    const int previous = SetRenderStateForce(1);
    SetSamplerFilterKind(c.samplerFilterKind);
    SetMaxAnisotropy(static_cast<int>(c.maxAnisotropy));
    SetRenderStateForce(previous);
}

}  // namespace

int ResetDrawStateShadows() {
    AppliedState& a = g_applied;
    a.alphaFunction = a.alphaReference = a.alphaTest = a.alphaBlend = a.textureFactor = kUnknown;
    a.sourceBlend = a.destinationBlend = a.blendOperation = kUnknown;
    for (int s = 0; s < kMaxDrawStages; ++s) {
        a.textures[s] = kUnknownTexture;
        a.texCoordIndex[s] = a.resultArg[s] = kUnknown;
        for (DWORD& state : a.stageStates[s]) state = kUnknown;
    }
    a.stageCount = -1;
    for (IDirect3DSurface9*& target : a.renderTargets) target = nullptr;
    g_appliedStageTexture = g_appliedBlendTexture = kUnknownTexture;
    g_appliedPixelShader = nullptr;
    g_constant5Known = false;
    g_prepared = false;
    // Textures of an earlier device are gone.
    RenderStateCache& c = GetRenderStateCache();
    c.stageTexture = c.blendTexture = nullptr;
    return 0;
}

int ForgetPreparedDraw() {
    g_prepared = false;
    return 0;
}

int NeedsPrepareGraphicDraw(IDirect3DBaseTexture9* texture, uint32_t flags) {
    return GetRenderStateCache().drawStateChanged || !g_prepared || texture != g_preparedTexture ||
                   flags != g_preparedFlags
               ? 1
               : 0;
}

void PrepareGraphicDraw(IDirect3DBaseTexture9* texture, uint32_t flags) {
    RenderStateCache& c = GetRenderStateCache();
    const DrawSettings& d = GetDrawSettings();
    c.drawStateChanged = 0;
    if (!(flags & kDrawKeepVertexShader) && c.vertexShader) {
        DeviceSetVertexShader(nullptr);
        c.vertexShader = nullptr;
        c.declaration = nullptr;
        c.fvf = 0;
    }
    if (!(flags & kDrawKeepVertexShader) && c.pixelShader &&
        c.pixelShader != g_appliedPixelShader) {
        DeviceSetPixelShader(nullptr);  // someone else's shader: the apply chooses again
        c.pixelShader = nullptr;
    }
    if (HasDevice()) {
        const DWORD lighting = (flags & kDrawLighting) ? d.lightingEnable : 0;
        if (lighting != c.lighting) {
            FlushVertexBatch();
            DeviceSetRenderState(D3DRS_LIGHTING, lighting);
            c.lighting = lighting;
            c.drawStateChanged = 1;
        }
    }
    // Two-texture vertices carry a white specular: it must not add in 2D.
    SetDeviceSpecular((flags & kDrawSpecular) ? d.specularEnable : 0);
    // 3D draws take the camera's depth switches; 2D draws go back to the 2D
    // switch (SetUseZBuffer), which a 3D draw before them has overwritten.
    const Camera3DSettings& camera = GetCamera3DSettings();
    const bool depth3D = (flags & kDrawDepth3D) != 0;
    SetDeviceDepthTest(depth3D ? camera.useZBuffer3D : camera.useZBuffer2D);
    SetDeviceDepthWrite(depth3D ? camera.writeZBuffer3D : camera.writeZBuffer2D);
    SetDeviceDepthCompare(depth3D ? camera.zCompare3D : camera.zCompare2D);
    SetDeviceShadeMode((flags & kDrawGouraud) ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    SetDeviceCullMode((flags & kDrawCullMode) ? d.cullMode : D3DCULL_NONE);
    if (HasDevice()) SetSamplerFilterKind(d.samplingMode);
    for (int s = 0; s < ((flags & kDrawAddressModes) ? kTextureStages : 4); ++s)
        for (int which = 0; which < ((flags & kDrawAddressModes) ? 3 : 2); ++which)
            SetTextureAddress(
                which, (flags & kDrawAddressModes) ? d.textureAddress[which][s] : D3DTADDRESS_CLAMP,
                s);
    if (!(flags & kDrawKeepBlendState)) {
        int alphaChannel = 0, alphaTest = 0;
        if (texture && (flags & kDrawTransparent)) {
            alphaChannel = (flags & kDrawAlphaChannel) ? 1 : 0;
            alphaTest = (flags & kDrawAlphaTest) ? 1 : 0;
        }
        // Blending and filtering both need real alpha edges.
        if ((alphaChannel || alphaTest) &&
            ((d.blendMode != 0 && d.blendMode != 8) ||
             (d.samplingMode == 1 && !(flags & kDrawIntegerPlacement)))) {
            alphaTest = 0;
            alphaChannel = 1;
        }
        const bool white = d.brightRed == 255 && d.brightGreen == 255 && d.brightBlue == 255;
        const int diffuseColour = (flags & kDrawDiffuseColour) || !white ? 1 : 0;
        const int diffuseAlpha =
            (flags & kDrawDiffuseAlpha) || d.blendMode != 0 || d.forcedDiffuseAlpha ? 1 : 0;
        if (d.blendGraphic < 0 && c.blendTexture) SetPendingBlendTexture(nullptr, 0, 0);
        SetPendingStageTexture(texture);
        SetPendingDrawValue(0, 0);
        SetPendingBlendMode(d.blendMode, diffuseColour, diffuseAlpha);
        SetPendingDrawValue(1, alphaChannel);
        SetPendingDrawValue(2, alphaTest);
        const int32_t blendOnly = (flags & kDrawBlendOnlyFlag) ? 1 : 0;
        if (blendOnly != g_blendOnlyFlag) {
            FlushVertexBatch();
            g_blendOnlyFlag = blendOnly;
            c.pendingApply = 1;
        }
        SetPendingAlphaTestOverride(d.alphaTestMode,
                                    d.alphaTestMode == -1 ? 0 : d.alphaTestReference);
        // With shaders, a draw whose shader someone else replaced applies again.
        if (ProgrammableShadersInUse() && (!c.pixelShader || c.pixelShader != g_appliedPixelShader))
            c.pendingApply = 1;
        if (c.pendingApply || TexturesDirty()) ApplyPendingDrawState(0, nullptr, 0);
    }
    g_prepared = true;
    g_preparedTexture = texture;
    g_preparedFlags = flags;
}

int ApplyPendingDrawState(int resolveHandles, const RenderStateDesc* desc, int keepStages) {
    if (!HasDevice()) return -1;
    RenderStateCache& c = GetRenderStateCache();
    if (!desc && !g_userActive && !c.force && !c.pendingApply) return ApplyTexturesOnly();
    if (!c.force) FlushVertexBatch();
    RenderStateDesc state{};
    if (desc) {
        state = *desc;
    } else if (g_userActive) {
        state = g_user;
        keepStages = g_userKeepStages;
    } else {
        state = DeriveState();
        ResendSamplersOnCountChange(state.stageCount);
        g_appliedStageTexture = c.stageTexture;
        g_appliedBlendTexture = c.blendTexture;
    }
    ApplyOverride(state);
    SendDescription(state, resolveHandles, keepStages);
    if (!desc) c.pendingApply = 0;
    return 0;
}

int SetUserRenderStateDesc(const RenderStateDesc* desc, int keepStages) {
    RenderStateCache& c = GetRenderStateCache();
    FlushVertexBatch();
    if (!desc) {
        g_userActive = 0;
        c.pendingApply = 1;
        c.drawStateChanged = 1;
        return 0;
    }
    std::memcpy(&g_user, desc, sizeof g_user);
    g_userActive = 1;
    g_userKeepStages = keepStages;
    c.pendingApply = 1;
    c.drawStateChanged = 1;
    ApplyPendingDrawState(0, nullptr, keepStages);
    return 0;
}

int SetRenderTargetSurface(IDirect3DSurface9* surface, int index) {
    if (!HasDevice() || index < 0 || index >= kRenderTargetSlots) return -1;
    RenderStateCache& c = GetRenderStateCache();
    if (surface == g_applied.renderTargets[index] && !c.force) return 0;
    if (!c.force) FlushVertexBatch();
    if (FAILED(DeviceSetRenderTarget(static_cast<DWORD>(index), surface))) return -1;
    g_applied.renderTargets[index] = surface;
    if (index == 0 && surface) {
        // The device itself resets viewport and scissor to the new target.
        D3DSURFACE_DESC info{};
        SurfaceGetDesc(surface, &info);
        c.viewport = D3DVIEWPORT9{0, 0, info.Width, info.Height, 0.0f, 1.0f};
        c.scissor = RECT{0, 0, static_cast<LONG>(info.Width), static_cast<LONG>(info.Height)};
        SetDeviceViewportRect(0, 0, static_cast<int>(info.Width), static_cast<int>(info.Height));
    }
    return 0;
}

int ResendAllRenderState() {
    if (!HasDevice()) return -1;
    RenderStateCache& c = GetRenderStateCache();
    SetRenderStateForce(1);
    c.drawStateChanged = 1;
    c.pendingApply = 1;
    SetDeviceViewport(&c.viewport);
    if (c.scissor.right > c.scissor.left && c.scissor.bottom > c.scissor.top)
        SetDeviceScissor(&c.scissor);
    SendTexture(0, c.stageTexture);
    ResendFixedFunctionBasics();
    SetSamplerFilterKind(c.samplerFilterKind);
    ApplyPendingDrawState(0, nullptr, 0);
    SetDeviceDepthTest(static_cast<int>(c.zEnable));
    SetDeviceDepthWrite(static_cast<int>(c.zWriteEnable));
    SetDeviceDepthCompare(static_cast<int>(c.zFunc));
    float bias = 0.0f;
    std::memcpy(&bias, &c.depthBias, sizeof bias);
    SetDeviceDepthBias(bias);
    SetDeviceCullMode(static_cast<int>(c.cullMode));
    SetDeviceShadeMode(static_cast<int>(c.shadeMode));
    SetDeviceMaterial(&c.material);
    SetDeviceSpecular(static_cast<int>(c.specularEnable));
    DeviceSetRenderState(D3DRS_LIGHTING, c.lighting);
    DeviceSetRenderState(D3DRS_AMBIENT, c.ambient);
    ShaderConstantCache& constants = EngineShaderConstants();
    for (int file = 0; file < kShaderConstantFileCount; ++file)
        UploadShaderConstantRange(&constants, file, 0, constants.registerCount[file]);
    SetRenderStateForce(0);
    return 0;
}

}  // namespace DuRud
