// Device set-up: the screen device up and down as a whole, with every
// fall-back ending on the software renderer; capabilities, the texture
// format table and the read-back choice; the depth buffer and the sub back
// buffer (the brightness volume has a file of its own).
#include "graphics/device_setup.h"

#include <cstring>
#include <string>
#include <vector>

#include "DuRud.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "graphics/buffer_handles.h"
#include "graphics/device_layer.h"
#include "graphics/display_modes.h"
#include "graphics/graphic_handles.h"
#include "graphics/masks.h"
#include "graphics/model_buffers.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/base_shaders.h"
#include "graphics/brightness_volume.h"
#include "graphics/shader_constants.h"
#include "graphics/shader_handles.h"
#include "graphics/work_textures.h"
#include "image/memimg.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

// A UTF-8 message literal into the log; -1, so failure paths can return it.
int Log(const char* utf8) {
    LogWrite(Cp932Text(utf8));
    return -1;
}

const char* FormatName(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R5G6B5:
            return "D3DFMT_R5G6B5";
        case D3DFMT_X1R5G5B5:
            return "D3DFMT_X1R5G5B5";
        case D3DFMT_A1R5G5B5:
            return "D3DFMT_A1R5G5B5";
        case D3DFMT_A4R4G4B4:
            return "D3DFMT_A4R4G4B4";
        case D3DFMT_X8R8G8B8:
            return "D3DFMT_X8R8G8B8";
        case D3DFMT_A8R8G8B8:
            return "D3DFMT_A8R8G8B8";
        case D3DFMT_DXT1:
            return "D3DFMT_DXT1";
        case D3DFMT_DXT2:
            return "D3DFMT_DXT2";
        case D3DFMT_DXT3:
            return "D3DFMT_DXT3";
        case D3DFMT_DXT4:
            return "D3DFMT_DXT4";
        case D3DFMT_DXT5:
            return "D3DFMT_DXT5";
        case D3DFMT_A16B16G16R16:
            return "D3DFMT_A16B16G16R16";
        case D3DFMT_A16B16G16R16F:
            return "D3DFMT_A16B16G16R16F";
        case D3DFMT_A32B32G32R32F:
            return "D3DFMT_A32B32G32R32F";
        case D3DFMT_L8:
            return "D3DFMT_L8";
        case D3DFMT_A8L8:
            return "D3DFMT_A8L8";
        case D3DFMT_L16:
            return "D3DFMT_L16";
        case D3DFMT_G16R16:
            return "D3DFMT_G16R16";
        case D3DFMT_R16F:
            return "D3DFMT_R16F";
        case D3DFMT_G16R16F:
            return "D3DFMT_G16R16F";
        case D3DFMT_R32F:
            return "D3DFMT_R32F";
        case D3DFMT_G32R32F:
            return "D3DFMT_G32R32F";
        case D3DFMT_D16:
            return "D3DFMT_D16";
        case D3DFMT_D24X8:
            return "D3DFMT_D24X8";
        case D3DFMT_D32:
            return "D3DFMT_D32";
        default:
            return "D3DFMT_UNKNOWN";
    }
}

// One slot of the format table: its candidates in order (0 ends the list;
// a negative entry -n stands for the choice of slot n - 1) and its lines.
struct SlotRule {
    const char* label;  // the log line: "<label>カラーフォーマットは %s です"
    D3DFORMAT candidates[5];
    const char* failure;  // null: the slot stays 0 silently
    int mandatory;
};

constexpr D3DFORMAT SlotChoice(int slot) {
    return static_cast<D3DFORMAT>(-(slot + 1));
}
constexpr D3DFORMAT kBackBufferKind16 = static_cast<D3DFORMAT>(-100);  // R5G6B5 or X1R5G5B5
constexpr D3DFORMAT kOtherKind16 = static_cast<D3DFORMAT>(-101);

// The message literals of the table, converted once.
const char* Text(const char* utf8) {
    return Cp932Text(utf8);
}

const SlotRule* SlotRules() {
    static const SlotRule rules[kTextureFormatSlotCount] = {
        {"16bit ",
         {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5},
         Text("使用できる 16bit カラーフォーマットが見つかりませんでした\n"),
         1},
        {"32bit ", {D3DFMT_X8R8G8B8, SlotChoice(kSlotColour16)}, nullptr, 0},
        {Text("アルファ付き 16bit "),
         {D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8},
         Text("使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした\n"),
         1},
        {Text("アルファ付き 32bit "),
         {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4},
         Text("使用できるアルファ付き 32bit カラーフォーマットが見つかりませんでした\n"),
         1},
        {Text("アルファテスト用 16bit "),
         {D3DFMT_A1R5G5B5, D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4},
         Text("使用できるアルファテスト用 16bit カラーフォーマットが見つかりませんでした\n"),
         1},
        {Text("アルファテスト用 32bit "),
         {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4},
         Text("使用できるアルファテスト用 32bit カラーフォーマットが見つかりませんでした\n"),
         1},
        {Text("ＤＸＴ１"), {D3DFMT_DXT1, SlotChoice(kSlotAlphaTest16)}, nullptr, 0},
        {Text("ＤＸＴ２"), {D3DFMT_DXT2, SlotChoice(kSlotAlpha32)}, nullptr, 0},
        {Text("ＤＸＴ３"), {D3DFMT_DXT3, SlotChoice(kSlotAlpha32)}, nullptr, 0},
        {Text("ＤＸＴ４"), {D3DFMT_DXT4, SlotChoice(kSlotAlpha32)}, nullptr, 0},
        {Text("ＤＸＴ５"), {D3DFMT_DXT5, SlotChoice(kSlotAlpha32)}, nullptr, 0},
        {Text("描画用 16bit "),
         {kBackBufferKind16, kOtherKind16, D3DFMT_X8R8G8B8},
         Text("使用できる描画用 16bit カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用 32bit "),
         {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5},
         Text("使用できる描画用 32bit カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用アルファ付き 32bit "),
         {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4},
         Text("使用できる描画用アルファ付き 32bit カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用ABGR整数16ビット型"),
         {D3DFMT_A16B16G16R16},
         Text("使用できる描画用ABGR整数16ビット型カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用ABGR浮動小数点16ビット型"),
         {D3DFMT_A16B16G16R16F},
         Text("使用できる描画用ABGR浮動小数点16ビット型カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用ABGR浮動小数点32ビット型"),
         {D3DFMT_A32B32G32R32F, D3DFMT_A16B16G16R16F},
         Text("使用できる描画用ABGR浮動小数点32ビット型カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用１チャンネル整数8ビット型"),
         {D3DFMT_L8, D3DFMT_A8L8, D3DFMT_A8R8G8B8},
         Text("使用できる描画用１チャンネル整数8ビット型カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用１チャンネル整数16ビット型"),
         {D3DFMT_L16, D3DFMT_G16R16, D3DFMT_A16B16G16R16},
         Text("使用できる描画用１チャンネル整数16ビット型カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用１チャンネル浮動小数点16ビット型"),
         {D3DFMT_R16F, D3DFMT_G16R16F, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F},
         Text("使用できる描画用１チャンネル浮動小数点16ビット型カラーフォーマットがありませんでした"
              "\n"),
         0},
        {Text("描画用１チャンネル浮動小数点32ビット型"),
         {D3DFMT_R32F, D3DFMT_G32R32F, D3DFMT_A32B32G32R32F, D3DFMT_A16B16G16R16F},
         Text("使用できる描画用１チャンネル浮動小数点32ビット型カラーフォーマットがありませんでした"
              "\n"),
         0},
        {Text("描画用２チャンネル整数8ビット型"),
         {D3DFMT_A8L8, D3DFMT_A8R8G8B8},
         Text("使用できる描画用２チャンネル整数8ビット型カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用２チャンネル整数16ビット型"),
         {D3DFMT_G16R16, D3DFMT_A16B16G16R16},
         Text("使用できる描画用２チャンネル整数16ビット型カラーフォーマットがありませんでした\n"),
         0},
        {Text("描画用２チャンネル浮動小数点16ビット型"),
         {D3DFMT_G16R16F, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F},
         Text("使用できる描画用２チャンネル浮動小数点16ビット型カラーフォーマットがありませんでした"
              "\n"),
         0},
        {Text("描画用２チャンネル浮動小数点32ビット型"),
         {D3DFMT_G32R32F, D3DFMT_A32B32G32R32F, D3DFMT_A16B16G16R16F},
         Text("使用できる描画用２チャンネル浮動小数点32ビット型カラーフォーマットがありませんでした"
              "\n"),
         0},
    };
    return rules;
}

bool IsDxtSlot(int slot) {
    return slot >= kSlotDxt1 && slot <= kSlotDxt5;
}

// Fills the format table; -1 when a mandatory slot has no format.
int ChooseTextureFormats() {
    DeviceResources& r = GetDeviceResources();
    const D3DFORMAT own16 = r.backBufferFormat == D3DFMT_R5G6B5 ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5;
    const D3DFORMAT other16 = own16 == D3DFMT_R5G6B5 ? D3DFMT_X1R5G5B5 : D3DFMT_R5G6B5;
    for (int slot = 0; slot < kTextureFormatSlotCount; ++slot) {
        const SlotRule& rule = SlotRules()[slot];
        const DWORD usage = slot >= kSlotDraw16 ? D3DUSAGE_RENDERTARGET : 0;
        D3DFORMAT chosen = D3DFMT_UNKNOWN;
        bool fromOwnCandidate = false;
        for (D3DFORMAT candidate : rule.candidates) {
            if (candidate == D3DFMT_UNKNOWN) break;
            if (static_cast<int>(candidate) < 0 && candidate != kBackBufferKind16 &&
                candidate != kOtherKind16) {
                chosen = r.formats[-static_cast<int>(candidate) - 1];
                break;
            }
            if (candidate == kBackBufferKind16) candidate = own16;
            if (candidate == kOtherKind16) candidate = other16;
            if (SUCCEEDED(Direct3DCheckDeviceFormat(r.backBufferFormat, usage, D3DRTYPE_TEXTURE,
                                                    candidate))) {
                chosen = candidate;
                fromOwnCandidate = true;
                break;
            }
        }
        r.formats[slot] = chosen;
        if (IsDxtSlot(slot)) {
            const std::string line =
                std::string(rule.label) + Cp932Text("テクスチャフォーマットは");
            LogFormatLine("%s%s", line.c_str(),
                          fromOwnCandidate
                              ? (std::string(FormatName(chosen)) + Cp932Text(" です")).c_str()
                              : Cp932Text("使えません"));
            continue;
        }
        if (chosen == D3DFMT_UNKNOWN) {
            if (rule.failure) LogWrite(rule.failure);  // converted already
            if (rule.mandatory) return -1;
            continue;
        }
        const std::string line =
            std::string(rule.label) + Cp932Text("カラーフォーマットは %s です");
        LogFormatLine(line.c_str(), FormatName(chosen));
    }
    return 0;
}

// The mask's formats; a missing one only matters once a mask screen is made.
void ChooseMaskFormats() {
    DeviceResources& r = GetDeviceResources();
    r.maskColourFormat = DrawFormatForScreenDepth();
    r.maskAlphaFormat = D3DFMT_UNKNOWN;
    for (D3DFORMAT candidate : {D3DFMT_A8, D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4})
        if (SUCCEEDED(Direct3DCheckDeviceFormat(r.backBufferFormat, D3DUSAGE_DYNAMIC,
                                                D3DRTYPE_TEXTURE, candidate))) {
            r.maskAlphaFormat = candidate;
            break;
        }
    if (r.maskColourFormat != D3DFMT_UNKNOWN)
        LogFormatLine(Cp932Text("マスク描画用カラーバッファのフォーマットは %s です"),
                      FormatName(r.maskColourFormat));
    else
        Log("マスク描画用カラーバッファで使用できるテクスチャフォーマットがありませんでした\n");
    if (r.maskAlphaFormat != D3DFMT_UNKNOWN)
        LogFormatLine(Cp932Text("マスク描画用アルファチャンネルバッファのフォーマットは %s です"),
                      FormatName(r.maskAlphaFormat));
    else
        Log("マスク描画用アルファチャンネルバッファで使用できるテクスチャフォーマットがありませんで"
            "した\n");
}

int ChooseDepthFormat() {
    DeviceResources& r = GetDeviceResources();
    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32}) {
        if (SUCCEEDED(
                Direct3DCheckDepthStencilMatch(r.backBufferFormat, r.backBufferFormat, depth))) {
            r.depthFormat = depth;
            LogFormatLine(Cp932Text("Ｚバッファのフォーマットは %s です"), FormatName(depth));
            return 0;
        }
    }
    r.depthFormat = D3DFMT_UNKNOWN;
    return Log("使用できる Zバッファフォーマットが見つかりませんでした\n");
}

void ReadCapabilities() {
    DeviceCapabilities& caps = GetDeviceResources().caps;
    D3DCAPS9 d{};
    DeviceGetDeviceCaps(&d);
    caps.renderTargetSlots =
        d.NumSimultaneousRTs > 16 ? 16 : static_cast<int>(d.NumSimultaneousRTs);
    caps.stageTemporaryRegister = (d.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP) ? 1 : 0;
    caps.blendOperation = (d.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP) ? 1 : 0;
    caps.vertexShader2 = (d.VertexShaderVersion & 0xFFFF) >= 0x200 ? 1 : 0;
    caps.pixelShader2 = (d.PixelShaderVersion & 0xFFFF) >= 0x200 ? 1 : 0;
    caps.conditionalNonPow2 = (d.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) ? 1 : 0;
    caps.pow2Required = (d.TextureCaps & D3DPTEXTURECAPS_POW2) ? 1 : 0;
    caps.squareOnly = (d.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) ? 1 : 0;
    caps.maxTextureWidth = d.MaxTextureWidth ? static_cast<int>(d.MaxTextureWidth) : 256;
    caps.maxTextureHeight = d.MaxTextureHeight ? static_cast<int>(d.MaxTextureHeight) : 256;
    caps.maxTextureSize =
        caps.maxTextureWidth < caps.maxTextureHeight ? caps.maxTextureWidth : caps.maxTextureHeight;
    caps.maxPrimitiveCount = static_cast<int>(d.MaxPrimitiveCount);
    LogFormatLine(Cp932Text("一度に描画できるプリミティブの最大数:%d"), caps.maxPrimitiveCount);
    LogFormatLine(Cp932Text("対応している最大頂点インデックス:%d"),
                  static_cast<int>(d.MaxVertexIndex));
    LogFormatLine(Cp932Text("同時にレンダリングできるバッファの数:%d"), caps.renderTargetSlots);
    LogFormatLine(Cp932Text("最大テクスチャサイズ　幅:%d 高さ:%d"), caps.maxTextureWidth,
                  caps.maxTextureHeight);
    LogFormatLine(Cp932Text("テクスチャステージテンポラリレジスタ：%s"),
                  Cp932Text(caps.stageTemporaryRegister ? "使用可" : "使用不可"));
    LogFormatLine(Cp932Text("減算合成のハードウェア対応：%s"),
                  Cp932Text(caps.blendOperation ? "ネイティブ" : "エミュレート"));
    const DeviceLayerState& layer = GetDeviceLayer();
    if (layer.vertexProcessing) {
        LogFormatLine(Cp932Text("ハードウェア頂点シェーダーバージョンコード：%x"),
                      static_cast<unsigned>(d.VertexShaderVersion));
        Log("エミュレーション頂点シェーダーバージョンコード：エミュレーション無し\n");
    } else {
        LogFormatLine(Cp932Text("ハードウェア頂点シェーダーバージョンコード：%x"),
                      static_cast<unsigned>(layer.vertexShaderVersion));
        LogFormatLine(Cp932Text("エミュレーション頂点シェーダーバージョンコード：%x"),
                      static_cast<unsigned>(d.VertexShaderVersion));
    }
    LogFormatLine(Cp932Text("ピクセルシェーダーバージョンコード：%x"),
                  static_cast<unsigned>(d.PixelShaderVersion));
}

// Copies rows of a locked rectangle into a locked one (both size x size).
void CopyLockedRows(const D3DLOCKED_RECT& from, const D3DLOCKED_RECT& to, int rowBytes, int rows) {
    for (int y = 0; y < rows; ++y)
        std::memcpy(static_cast<uint8_t*>(to.pBits) + y * to.Pitch,
                    static_cast<const uint8_t*>(from.pBits) + y * from.Pitch, rowBytes);
}

// Microseconds the lock way takes, -1 when it cannot be done.
int64_t TimeLockReadBack(int size, int rowBytes) {
    DeviceResources& r = GetDeviceResources();
    const int64_t start = DeviceClockMicroseconds();
    IDirect3DSurface9* system = nullptr;
    if (FAILED(DeviceCreateOffscreenPlainSurface(size, size, r.backBufferFormat, D3DPOOL_SYSTEMMEM,
                                                 &system)))
        return -1;
    int64_t result = -1;
    const RECT area{0, 0, size, size};
    D3DLOCKED_RECT to{}, from{};
    if (SUCCEEDED(SurfaceLockRect(system, &to, nullptr, 0))) {
        if (SUCCEEDED(SurfaceLockRect(r.backBuffer, &from, &area, D3DLOCK_READONLY))) {
            CopyLockedRows(from, to, rowBytes, size);
            SurfaceUnlockRect(r.backBuffer);
            result = 0;
        }
        SurfaceUnlockRect(system);
    }
    system->Release();
    return result < 0 ? -1 : DeviceClockMicroseconds() - start;
}

// Microseconds the temporary-target way takes, -1 when it cannot be done.
int64_t TimeTargetReadBack(int size, int rowBytes) {
    DeviceResources& r = GetDeviceResources();
    const int64_t start = DeviceClockMicroseconds();
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* system = nullptr;
    int64_t result = -1;
    const RECT area{0, 0, size, size};
    if (SUCCEEDED(DeviceCreateRenderTarget(size, size, r.backBufferFormat, D3DMULTISAMPLE_NONE, 0,
                                           FALSE, &target)) &&
        SUCCEEDED(DeviceCreateOffscreenPlainSurface(size, size, r.backBufferFormat,
                                                    D3DPOOL_SYSTEMMEM, &system)) &&
        SUCCEEDED(DeviceStretchRect(r.backBuffer, &area, target, nullptr, D3DTEXF_NONE)) &&
        SUCCEEDED(DeviceGetRenderTargetData(target, system))) {
        D3DLOCKED_RECT from{};
        if (SUCCEEDED(SurfaceLockRect(system, &from, nullptr, D3DLOCK_READONLY))) {
            std::vector<uint8_t> copy(static_cast<size_t>(rowBytes) * size);
            const D3DLOCKED_RECT to{rowBytes, copy.data()};
            CopyLockedRows(from, to, rowBytes, size);
            SurfaceUnlockRect(system);
            result = 0;
        }
    }
    ReleaseAndClear(target);
    ReleaseAndClear(system);
    return result < 0 ? -1 : DeviceClockMicroseconds() - start;
}

void ChooseReadBack() {
    DeviceResources& r = GetDeviceResources();
    const ScreenState& s = GetScreenState();
    int size = 256;
    while (size > s.screenWidth || size > s.screenHeight) size /= 2;
    r.readBackSize = size;
    const ColorFormat* format = ColorFormatForD3DFormat(r.backBufferFormat);
    const int rowBytes = size * (format ? format->bitsPerPixel / 8 : 4);
    int64_t lockTime = -1, targetTime = -1;
    for (int pass = 0; pass < 3; ++pass) {
        lockTime = TimeLockReadBack(size, rowBytes);
        targetTime = TimeTargetReadBack(size, rowBytes);
    }
    r.caps.useBackBufferLock = 0;
    if (lockTime < 0 || targetTime < 0) {
        Log("バックバッファロックはロックできません\n");
        return;
    }
    LogFormatLine(Cp932Text("バックバッファロック転送の時間:%dnsec  "
                            "一時的な描画可能バッファを使用した転送の時間:%dnsec"),
                  static_cast<int>(lockTime), static_cast<int>(targetTime));
    r.caps.useBackBufferLock = lockTime < targetTime ? 1 : 0;
    Log(r.caps.useBackBufferLock ? "バックバッファロックを使用します\n"
                                 : "バックバッファロックを使用しません\n");
}

// Ends the set-up on the software renderer with the same screen mode.
int FinishOnSoftware() {
    DeviceResources& r = GetDeviceResources();
    ScreenState& s = GetScreenState();
    ReleaseAndClear(r.depthSurface);
    ReleaseAndClear(r.backBuffer);
    ReleaseDevice();
    ReleaseDirect3DObject();
    ClearSceneBegunFlag();
    s.useDirect3D = 0;
    if (GetWindowModeFlag() != 1 && SetFullScreenDisplayMode() != 0) return -1;
    MeasureRefreshPeriod();
    return 0;
}

int SmallestPowerOfTwo(int value) {
    int p = 1;
    while (p < value) p <<= 1;
    return p;
}

}  // namespace

DeviceResources& GetDeviceResources() {
    static DeviceResources* resources = new DeviceResources();  // lives for the process
    return *resources;
}

D3DFORMAT DrawFormatForScreenDepth() {
    const DeviceResources& r = GetDeviceResources();
    return QueryColorBits() == 32 ? r.formats[kSlotDraw32] : r.formats[kSlotDraw16];
}
D3DFORMAT AlphaTestFormatForScreenDepth() {
    const DeviceResources& r = GetDeviceResources();
    return QueryColorBits() == 32 ? r.formats[kSlotAlphaTest32] : r.formats[kSlotAlphaTest16];
}
int DeviceHasShaderModel2() {
    const DeviceCapabilities& caps = GetDeviceResources().caps;
    return caps.vertexShader2 && caps.pixelShader2 ? 1 : 0;
}
int DeviceHasStageTemporaryRegister() {
    return GetDeviceResources().caps.stageTemporaryRegister;
}

int SetupScreenDevice() {
    ScreenState& s = GetScreenState();
    const int libraryLoaded = LoadD3D9Library() == 0;
    const int directDrawMade = CreateDirectDrawObject() == 0;
    s.useDirect3D = 0;
    const bool windowed = GetWindowModeFlag() == 1;
    if (s.softwareForced) {
        if (!windowed && SetFullScreenDisplayMode() != 0) return -1;
        MeasureRefreshPeriod();
        return 0;
    }
    bool tryDirect3D = libraryLoaded && directDrawMade;
    if (tryDirect3D && !windowed && GetSystemState().osVersionCode >= kOsWindowsVista &&
        IsEmulating320x240() && SetFullScreenDisplayMode() != 0)
        tryDirect3D = false;
    if (tryDirect3D) {
        struct AheadEnd {
            ~AheadEnd() { EndBrightnessVolumeAhead(); }
        } aheadEnd;
        int result = -1;
        while (CreateDirect3DObject() == 0) {
            // With shaders the volume is made: its texels are worked out
            // meanwhile, since making the device waits for vertical blanks.
            D3DCAPS9 hal{};
            if (SUCCEEDED(Direct3DGetDeviceCaps(&hal)) &&
                (hal.VertexShaderVersion & 0xFFFF) >= 0x200 &&
                (hal.PixelShaderVersion & 0xFFFF) >= 0x200)
                StartBrightnessVolumeAhead();
            result = SetUpDevice();
            if (result != -2) break;
        }
        if (result == 0 && CreateZBuffer() == 0) {
            s.useDirect3D = 1;
            CreateBaseShaders();
            if (ProgrammableShadersInUse()) {
                CreateVertexDeclarations();
                CreateBrightnessVolume();
            }
            return 0;
        }
    }
    return FinishOnSoftware();
}

int ShutdownScreenDevice() {
    DeviceResources& r = GetDeviceResources();
    ScreenState& s = GetScreenState();
    ReleaseAllModelBuffers();
    ReleaseVertexDeclarations();
    ReleaseShaderObjects();
    ReleaseWorkTextureObjects();
    if (s.displayModeChanged) {
        ChangeDisplaySettingsA(nullptr, 0);
        s.displayModeChanged = 0;
    }
    ReleaseAndClear(r.depthSurface);
    ReleaseAndClear(r.subBackBuffer);
    ReleaseAndClear(r.backBuffer);
    ReleaseAndClear(r.brightnessVolume);
    ReleaseDevice();
    ClearSceneBegunFlag();
    ReleaseDirect3DObject();
    ReleaseDirectDrawObject();
    UnloadD3D9Library();
    FreeDisplayModeList();
    s.useDirect3D = 0;
    return 0;
}

int SetUpDevice() {
    DeviceResources& r = GetDeviceResources();
    DeviceLayerState& layer = GetDeviceLayer();
    ScreenState& s = GetScreenState();
    if (!HasDirect3DObject()) return -1;
    ReleaseAndClear(r.backBuffer);
    ReleaseDevice();
    ClearSceneBegunFlag();
    layer.multisampleType = D3DMULTISAMPLE_NONE;
    layer.multisampleQuality = 0;
    int result = CreateScreenDevice();
    if (result == -2) return -2;
    if (result != 0) {
        s.colorBits = 32;
        SetMemImgDefaultColorType(1);
        result = CreateScreenDevice();
    }
    static const int kRetrySizes[2][2] = {{800, 600}, {1024, 768}};
    for (const auto& size : kRetrySizes) {
        if (result == 0 || result == -2) break;
        StoreScreenSize(size[0], size[1]);
        result = CreateScreenDevice();
    }
    if (result == -2) return -2;
    if (result != 0) return -1;
    MeasureRefreshPeriod();
    ClearCachedCurrentObjects();
    DeviceGetBackBuffer(&r.backBuffer);
    Log("成功\n");
    ResetRenderStateShadows();
    D3DADAPTER_IDENTIFIER9 identifier{};
    Direct3DGetAdapterIdentifier(&identifier);
    LogFormatLine("Driver:%s  Description:%s", identifier.Driver, identifier.Description);
    D3DSURFACE_DESC desc{};
    SurfaceGetDesc(r.backBuffer, &desc);
    r.backBufferFormat = desc.Format;
    if (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_R5G6B5 ||
        desc.Format == D3DFMT_X1R5G5B5)
        LogFormatLine(Cp932Text("画面のフォーマットは %s です"), FormatName(desc.Format));
    else
        LogFormatLine(Cp932Text("バックバッファが対応していないフォーマット %d です"),
                      static_cast<int>(desc.Format));
    if (ChooseDepthFormat() != 0 || ChooseTextureFormats() != 0) return -1;
    ChooseMaskFormats();
    ReadCapabilities();
    ChooseReadBack();
    return 0;
}

int CreateZBuffer() {
    DeviceResources& r = GetDeviceResources();
    const DeviceLayerState& layer = GetDeviceLayer();
    const ScreenState& s = GetScreenState();
    ReleaseAndClear(r.depthSurface);
    Log("Ｚバッファを作成します.... ");
    const int width = SmallestPowerOfTwo(s.screenWidth);
    const int height = SmallestPowerOfTwo(s.screenHeight);
    if (FAILED(DeviceCreateDepthStencilSurface(width, height, r.depthFormat, layer.multisampleType,
                                               layer.multisampleQuality, TRUE, &r.depthSurface))) {
        r.depthSurface = nullptr;
        return Log("Ｚバッファの作成に失敗しました\n");
    }
    r.depthWidth = width;
    r.depthHeight = height;
    DeviceSetDepthStencilSurface(r.depthSurface);
    DeviceClear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    Log("成功\n");
    return 0;
}

int CreateSubBackBuffer() {
    DeviceResources& r = GetDeviceResources();
    const DeviceLayerState& layer = GetDeviceLayer();
    const ScreenState& s = GetScreenState();
    ReleaseAndClear(r.subBackBuffer);
    if (FAILED(DeviceCreateRenderTarget(s.screenWidth, s.screenHeight, r.backBufferFormat,
                                        layer.multisampleType, layer.multisampleQuality, FALSE,
                                        &r.subBackBuffer))) {
        r.subBackBuffer = nullptr;
        return Log("サブバックバッファの作成に失敗しました\n");
    }
    return 0;
}

const ColorFormat* ColorFormatForD3DFormat(int format) {
    struct Entry {
        int format, bits;
        uint32_t r, g, b, a;
        int channels, bitsPerChannel, isFloat;
    };
    static const Entry kEntries[] = {
        {20, 24, 0xFF0000, 0xFF00, 0xFF, 0, 0, 0, 0},
        {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0, 0, 0},
        {22, 32, 0xFF0000, 0xFF00, 0xFF, 0, 0, 0, 0},
        {23, 16, 0xF800, 0x7E0, 0x1F, 0, 0, 0, 0},
        {24, 16, 0x7C00, 0x3E0, 0x1F, 0, 0, 0, 0},
        {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, 0, 0, 0},
        {26, 16, 0xF00, 0xF0, 0xF, 0xF000, 0, 0, 0},
        {27, 8, 0xE0, 0x1C, 0x3, 0, 0, 0, 0},
        {29, 16, 0xE0, 0x1C, 0x3, 0xFF00, 0, 0, 0},
        {30, 16, 0xF00, 0xF0, 0xF, 0, 0, 0, 0},
        {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, 0, 0, 0},
        {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, 0, 0, 0},
        {33, 32, 0xFF, 0xFF00, 0xFF0000, 0, 0, 0, 0},
        {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, 0, 0, 0},
        {34, 32, 0, 0, 0, 0, 2, 16, 0},
        {36, 64, 0, 0, 0, 0, 4, 16, 0},
        {50, 8, 0, 0, 0, 0, 1, 8, 0},
        {60, 16, 0, 0, 0, 0, 2, 8, 0},
        {81, 16, 0, 0, 0, 0, 1, 16, 0},
        {111, 16, 0, 0, 0, 0, 1, 16, 1},
        {112, 32, 0, 0, 0, 0, 2, 16, 1},
        {113, 64, 0, 0, 0, 0, 4, 16, 1},
        {114, 32, 0, 0, 0, 0, 1, 32, 1},
        {115, 64, 0, 0, 0, 0, 2, 32, 1},
        {116, 128, 0, 0, 0, 0, 4, 32, 1},
    };
    constexpr int kCount = sizeof(kEntries) / sizeof(kEntries[0]);
    static ColorFormat* table = [] {
        auto* formats = new ColorFormat[kCount]();  // lives for the process
        for (int i = 0; i < kCount; ++i) {
            const Entry& e = kEntries[i];
            SetupColorFormat(&formats[i], e.bits, e.r, e.g, e.b, e.a, e.channels, e.bitsPerChannel,
                             e.isFloat);
        }
        return formats;
    }();
    for (int i = 0; i < kCount; ++i)
        if (kEntries[i].format == format) return &table[i];
    return nullptr;
}

namespace {

// A model vertex: position, then blend indices and weights for skinned
// vertices (four or eight bones), tangent and binormal when asked, normal, two
// colours, then `coordinates` FLOAT4 texture-coordinate sets.
std::vector<D3DVERTEXELEMENT9> ModelDeclarationElements(int tangents, int skinning,
                                                        int coordinates) {
    std::vector<D3DVERTEXELEMENT9> e;
    WORD at = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index, WORD bytes) {
        e.push_back({0, at, type, D3DDECLMETHOD_DEFAULT, usage, index});
        at = static_cast<WORD>(at + bytes);
    };
    add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, 12);
    for (int set = 0; set < skinning; ++set)
        add(D3DDECLTYPE_UBYTE4, D3DDECLUSAGE_BLENDINDICES, BYTE(set), 4);
    for (int set = 0; set < skinning; ++set)
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_BLENDWEIGHT, BYTE(set), 16);
    if (tangents) {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TANGENT, 0, 12);
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_BINORMAL, 0, 12);
    }
    add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0, 12);
    add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0, 4);
    add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1, 4);
    for (int set = 0; set < coordinates; ++set)
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_TEXCOORD, BYTE(set), 16);
    e.push_back(D3DDECL_END());
    return e;
}

}  // namespace

int CreateVertexDeclarations() {
    DeviceResources& r = GetDeviceResources();
    ReleaseFixedVertexDeclarations();
    const BYTE kFloat3 = D3DDECLTYPE_FLOAT3, kFloat2 = D3DDECLTYPE_FLOAT2,
               kColour = D3DDECLTYPE_D3DCOLOR;
    // 3D vertices: position, normal, two colours and two texture coordinates;
    // the second declaration adds tangent and binormal.
    const D3DVERTEXELEMENT9 plain[] = {{0, 0, kFloat3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 12, kFloat3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       {0, 24, kColour, 0, D3DDECLUSAGE_COLOR, 0},
                                       {0, 28, kColour, 0, D3DDECLUSAGE_COLOR, 1},
                                       {0, 32, kFloat2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                       {0, 40, kFloat2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                       D3DDECL_END()};
    const D3DVERTEXELEMENT9 tangent[] = {{0, 0, kFloat3, 0, D3DDECLUSAGE_POSITION, 0},
                                         {0, 12, kFloat3, 0, D3DDECLUSAGE_NORMAL, 0},
                                         {0, 24, kColour, 0, D3DDECLUSAGE_COLOR, 0},
                                         {0, 28, kColour, 0, D3DDECLUSAGE_COLOR, 1},
                                         {0, 32, kFloat2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                         {0, 40, kFloat2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                         {0, 48, kFloat3, 0, D3DDECLUSAGE_TANGENT, 0},
                                         {0, 60, kFloat3, 0, D3DDECLUSAGE_BINORMAL, 0},
                                         D3DDECL_END()};
    if (FAILED(DeviceCreateVertexDeclaration(plain, &r.fixedDeclarations[0]))) return -1;
    if (FAILED(DeviceCreateVertexDeclaration(tangent, &r.fixedDeclarations[1]))) return -1;
    for (int tangents = 0; tangents < 2; ++tangents)
        for (int skinning = 0; skinning < 3; ++skinning)
            for (int coordinates = 0; coordinates <= 8; ++coordinates) {
                const std::vector<D3DVERTEXELEMENT9> elements =
                    ModelDeclarationElements(tangents, skinning, coordinates);
                IDirect3DVertexDeclaration9*& slot =
                    r.modelDeclarations[tangents * 27 + skinning * 9 + coordinates];
                if (FAILED(DeviceCreateVertexDeclaration(elements.data(), &slot))) return -1;
            }
    return 0;
}

int ReleaseFixedVertexDeclarations() {
    DeviceResources& r = GetDeviceResources();
    for (auto& declaration : r.modelDeclarations) ReleaseAndClear(declaration);
    for (auto& declaration : r.fixedDeclarations) ReleaseAndClear(declaration);
    return 0;
}

int RecreateDeviceResources() {
    RecreateWorkTextures();
    RecreateAllGraphicTextures();
    RecreateAllBufferObjects();
    RecreateAllShaderObjects();
    RestoreMaskScreen();
    return 0;
}

}  // namespace DuRud
