// Device state defaults, the re-application of the cached state to a new
// device, and the default restore callback that reloads every graphic from
// its restore source.
#include "graphics/graphic_restore.h"

#include <cstring>
#include <string>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_filters.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/lights.h"
#include "graphics/scene_bracket.h"
#include "graphics/transforms.h"
#include "graphics/vertex_batch.h"
#include "image/image_loading.h"

namespace DuRud {
namespace {

D3DMATRIX AsD3D(const Mat4& m) {
    D3DMATRIX out;
    std::memcpy(&out, &m, sizeof out);
    return out;
}

int FromBits(DWORD bits) {
    return static_cast<int>(bits);
}

float FloatFromBits(DWORD bits) {
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The picture a run of graphics is refilled from, held from one graphic to
// the next with the same source.
class HeldPicture {
  public:
    HeldPicture() = default;
    HeldPicture(const HeldPicture&) = delete;
    HeldPicture& operator=(const HeldPicture&) = delete;
    ~HeldPicture() { Free(); }

    // The images of the source, loaded when it differs from the held one;
    // null when the picture cannot be read (logged once per source).
    const BaseImage* For(const RestoreSource& r, const BaseImage** alpha) {
        *alpha = nullptr;
        if (r.fileName || r.memoryImage) {
            if (!Holds(r)) Load(r);
            if (failed_) return nullptr;
            return Result(alpha);
        }
        if (!r.image) return nullptr;
        // A kept image is used as it is; only its keyed copy is ours.
        Free();
        source_ = kKept;
        image_ = *r.image;
        borrowed_ = true;
        if (r.alphaImage) {
            alpha_ = *r.alphaImage;
            haveAlpha_ = true;
        }
        if (Key(r) != 0) return nullptr;
        return Result(alpha);
    }

  private:
    enum Source { kNone, kFile, kMemory, kKept };

    bool Holds(const RestoreSource& r) const {
        if (!SameKeying(r)) return false;
        if (r.fileName) return source_ == kFile && fileName_ == r.fileName && option_ == r.option;
        return source_ == kMemory && memory_ == r.memoryImage && memorySize_ == r.memorySize &&
               alphaMemory_ == r.alphaMemoryImage && option_ == r.option;
    }
    bool SameKeying(const RestoreSource& r) const {
        return keyColor_ == r.transparentColor && keyed_ == WantsKey(r);
    }
    static bool WantsKey(const RestoreSource& r) {
        return r.transparentToAlpha && !r.keepTransparentColor;
    }

    void Load(const RestoreSource& r) {
        Free();
        option_ = r.option;
        int result;
        if (r.fileName) {
            source_ = kFile;
            fileName_ = r.fileName;
            result = LoadBaseImageAndAlpha(r.fileName, nullptr, 0, 0, nullptr, 0, 0, &image_,
                                           &alpha_, r.option);
        } else {
            source_ = kMemory;
            memory_ = r.memoryImage;
            memorySize_ = r.memorySize;
            alphaMemory_ = r.alphaMemoryImage;
            result = LoadBaseImageAndAlpha(nullptr, r.memoryImage, r.memorySize, 1,
                                           r.alphaMemoryImage, r.alphaMemorySize,
                                           r.alphaMemoryImage ? 1 : 2, &image_, &alpha_, r.option);
        }
        if (result < 0) {
            image_ = BaseImage{};
            alpha_ = BaseImage{};
            failed_ = true;
            if (r.fileName)
                LogFormatLine(Cp932Text("ファイル:%s がロードできませんでした"), r.fileName);
            else
                LogWrite(Cp932Text("メモリからの画像データのローができませんでした\n"));
            return;
        }
        haveAlpha_ = result == 0;
        if (Key(r) != 0) failed_ = true;
    }

    // The load turned the transparent colour into alpha; so does the refill.
    int Key(const RestoreSource& r) {
        keyColor_ = r.transparentColor;
        keyed_ = WantsKey(r);
        if (!keyed_) return 0;
        return MakeTransparentAlphaImage(&image_, haveAlpha_ ? &alpha_ : nullptr,
                                         static_cast<uint32_t>(r.transparentColor), &keyedImage_);
    }
    // The keyed copy carries the alpha companion in its own alpha.
    const BaseImage* Result(const BaseImage** alpha) const {
        *alpha = !keyed_ && haveAlpha_ ? &alpha_ : nullptr;
        return keyed_ ? &keyedImage_ : &image_;
    }
    void Free() {
        if (!borrowed_) {
            if (image_.pixels) FreeBaseImagePixels(&image_);
            if (alpha_.pixels) FreeBaseImagePixels(&alpha_);
        }
        if (keyedImage_.pixels) FreeBaseImagePixels(&keyedImage_);
        image_ = alpha_ = keyedImage_ = BaseImage{};
        borrowed_ = haveAlpha_ = failed_ = keyed_ = false;
        source_ = kNone;
        fileName_.clear();
        memory_ = alphaMemory_ = nullptr;
        memorySize_ = 0;
        option_ = 0;
        keyColor_ = 0;
    }

    Source source_ = kNone;
    std::string fileName_;
    const void* memory_ = nullptr;
    const void* alphaMemory_ = nullptr;
    int memorySize_ = 0;
    int option_ = 0;
    int32_t keyColor_ = 0;
    bool keyed_ = false;
    BaseImage image_{}, alpha_{}, keyedImage_{};
    bool borrowed_ = false, haveAlpha_ = false, failed_ = false;
};

}  // namespace

int InitDeviceState() {
    ResetFilterShaderSlots();
    PrefillVertexBatch();
    DrawSettings& d = GetDrawSettings();
    for (auto& stages : d.textureAddress)
        for (int32_t& mode : stages)
            if (mode == 0) mode = D3DTADDRESS_CLAMP;
    if (!HasDevice()) return 0;
    RenderStateCache& c = GetRenderStateCache();
    for (int stage = 0; stage < kTextureStages; ++stage)
        for (int which = 0; which < 3; ++which)
            SetTextureAddress(which, d.textureAddress[which][stage], stage);
    SetSamplerFilterKind(c.samplerFilterKind);
    SetDeviceCullMode(D3DCULL_NONE);
    SetDeviceLighting(1);
    SetDeviceShadeMode(D3DSHADE_FLAT);
    DeviceSetRenderState(D3DRS_DITHERENABLE, FALSE);
    SetDeviceSpecular(1);
    DeviceSetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    DeviceSetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    SetDeviceFogEnable(0);
    DeviceSetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    SetDeviceFogColour(0);
    SetDeviceFogRange(0.0f, 1.0f);
    DeviceGetMaterial(&c.material);
    ResendAllRenderState();
    EnsureSceneBegun();
    PrepareGraphicDraw(nullptr, 0);
    if (c.fvf) DeviceSetFVF(c.fvf);
    const D3DMATRIX world = AsD3D(GetCamera3DSettings().world);
    SetWorldTransform(&world);
    return 0;
}

int RestoreCachedStateValues(const RenderStateCache& kept) {
    RenderStateCache& c = GetRenderStateCache();
    const int samplerStages = c.samplerStages;
    c = kept;
    c.samplerStages = samplerStages;
    c.force = 0;
    c.drawStateChanged = 1;
    c.pendingApply = 1;
    c.stageTexture = nullptr;
    c.blendTexture = nullptr;
    ClearCachedCurrentObjects();
    return 0;
}

int ReapplyDeviceState() {
    if (!HasDevice()) return -1;
    DeviceSetRenderState(D3DRS_DITHERENABLE, FALSE);
    RenderStateCache& c = GetRenderStateCache();
    const int oldForce = SetRenderStateForce(1);
    c.drawStateChanged = 1;
    c.pendingApply = 1;
    SetSamplerFilterKind(c.samplerFilterKind);
    SetMaxAnisotropy(static_cast<int>(c.maxAnisotropy));
    for (int stage = 0; stage < kCachedSamplerStages; ++stage)
        for (int which = 0; which < 3; ++which)
            SetTextureAddress(which, FromBits(c.address[which][stage]), stage);
    SetDeviceTextureTransform(c.textureTransformFlags, &c.textureMatrix);
    SetDeviceFogEnable(FromBits(c.fogEnable));
    SetDeviceFogMode(FromBits(c.fogMode));
    SetDeviceFogColour(c.fogColour);
    SetDeviceFogRange(c.fogStart, c.fogEnd);
    SetDeviceFogDensity(c.fogDensity);
    SetDeviceDepthTest(FromBits(c.zEnable));
    SetDeviceDepthWrite(FromBits(c.zWriteEnable));
    SetDeviceDepthCompare(FromBits(c.zFunc));
    SetDeviceDepthBias(FloatFromBits(c.depthBias));
    SetDeviceFillMode(FromBits(c.fillMode));
    const Camera3DSettings& camera = GetCamera3DSettings();
    const D3DMATRIX world = AsD3D(camera.world), view = AsD3D(camera.view),
                    projection = AsD3D(camera.projection);
    SetWorldTransform(&world);
    SetViewTransform(&view);
    SetProjectionTransform(&projection);
    SetDeviceMaterial(&c.material);
    SetDeviceSpecular(FromBits(c.specularEnable));
    if (c.diffuseSource != 255)
        SetDeviceDiffuseFromVertexColour(c.diffuseSource != D3DMCS_MATERIAL);
    if (c.specularSource != 255)
        SetDeviceSpecularFromVertexColour(c.specularSource != D3DMCS_MATERIAL);
    SetDeviceAmbientColour(c.ambient);
    SetDeviceLighting(FromBits(c.lighting));
    for (int light = 0; light < 4; ++light) {
        if (c.lights[light].Type == 0) continue;
        SetDeviceLight(light, &c.lights[light]);
        EnableDeviceLight(light, c.lightEnabled[light]);
    }
    if (c.viewport.Width > 0 && c.viewport.Height > 0) SetDeviceViewport(&c.viewport);
    if (c.scissor.right > c.scissor.left && c.scissor.bottom > c.scissor.top)
        SetDeviceScissor(&c.scissor);
    ApplyPendingDrawState(0, nullptr, 0);
    SetRenderStateForce(oldForce);
    return ResendAllRenderState();
}

int ReloadAllGraphics() {
    LogWrite(Cp932Text("グラフィックを復帰します\n"));
    HeldPicture held;
    ForEachHandleRecord(HandleTypeGraphic, [&](HandleHeader* header) {
        auto* g = reinterpret_cast<GraphicRecord*>(header);
        if (!g->restore || !g->image) return;
        const BaseImage* alpha = nullptr;
        const BaseImage* image = held.For(*g->restore, &alpha);
        if (!image) return;
        const int keyToAlpha = g->restore->keepTransparentColor ? 0 : 1;
        CreateGraphicFromBaseImage(image, alpha, keyToAlpha, g->header.handle, g->originX,
                                   g->originY, 0, 0);
    });
    LogWrite(Cp932Text("グラフィックの復帰が完了しました\n"));
    return 0;
}

}  // namespace DuRud
