// The base shader objects: made from the unpacked package in a fixed order,
// each step with its own log line on failure; any failure switches
// programmable shaders off and drawing stays on the fixed-function paths.
#include "graphics/base_shaders.h"

#include <cstring>
#include <map>
#include <vector>

#include "DuRud.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/render_state_cache.h"
#include "graphics/shader_constants.h"
#include "graphics/shader_package.h"
#include "graphics/shader_package_names.h"

namespace DuRud {
namespace {

int g_shadersInUse = 0;
IDirect3DPixelShader9* g_plain[4] = {};
IDirect3DPixelShader9* g_blend[4][4][2][2] = {};
IDirect3DPixelShader9* g_maskBlend = nullptr;
std::map<int, IDirect3DVertexShader9*> g_modelVertex;
std::map<int, IDirect3DPixelShader9*> g_modelPixel;

// The device reads tokens as words: the code is copied into aligned words,
// with an end token behind it so that a damaged blob cannot be read past.
std::vector<DWORD> AlignedCode(const void* code, uint32_t size) {
    std::vector<DWORD> words(size / 4 + 1, D3DSIO_END);
    std::memcpy(words.data(), code, size / 4 * 4);
    return words;
}

IDirect3DPixelShader9* PixelShaderFromArchive(const std::string& name) {
    const void* code = nullptr;
    uint32_t size = 0;
    if (ShaderArchiveMember(BaseShaderArchive(), name.c_str(), &code, &size) != 0) return nullptr;
    IDirect3DPixelShader9* shader = nullptr;
    if (FAILED(CreatePixelShaderFromPackage(code, size, &shader))) return nullptr;
    return shader;
}

// Step 4: the 2D pixel shaders; false at the first one that cannot be made.
bool CreateDrawShaders() {
    for (int t = 0; t < 4; ++t)
        if (!(g_plain[t] = PixelShaderFromArchive(PlainShaderFile(t)))) return false;
    for (int b = 0; b < 4; ++b)
        for (int t = 0; t < 4; ++t)
            for (int c = 0; c < 2; ++c)
                for (int a = 0; a < 2; ++a)
                    if (!(g_blend[b][t][c][a] =
                              PixelShaderFromArchive(BlendShaderFile(b, t, c, a))))
                        return false;
    return true;
}

// Makes the objects; false with the step's line logged.
bool CreateShaderObjects() {
    if (!UnpackShaderPackage()) {
        LogWrite(Cp932Text("シェーダーコードを展開するメモリ領域の確保に失敗しました\n"));
        return false;
    }
    if (!ModelVertexShader(0)) {
        LogWrite(Cp932Text("頂点シェーダーオブジェクトの作成に失敗しました\n"));
        return false;
    }
    if (!ModelPixelShader(0)) {
        LogWrite(Cp932Text("ピクセルシェーダーオブジェクトの作成に失敗しました\n"));
        return false;
    }
    if (!CreateDrawShaders()) {
        LogWrite(Cp932Text("基本シェーダーオブジェクトの作成に失敗しました\n"));
        return false;
    }
    if (!(g_maskBlend = PixelShaderFromArchive(kMaskBlendFile))) {
        LogWrite(Cp932Text("マスク処理用シェーダーオブジェクトの作成に失敗しました\n"));
        return false;
    }
    return true;
}

// A model table's object, made from its entry's code on first request.
template <class Shader, class Create>
Shader* MadeOnDemand(std::map<int, Shader*>& made, int index,
                     int (*code)(int, const void**, uint32_t*), Create create) {
    if (!g_shadersInUse || !HasDevice()) return nullptr;
    auto it = made.find(index);
    if (it != made.end()) return it->second;
    const void* bytes = nullptr;
    uint32_t size = 0;
    if (code(index, &bytes, &size) != 0) return nullptr;
    const std::vector<DWORD> words = AlignedCode(bytes, size);
    Shader* shader = nullptr;
    if (FAILED(create(words.data(), &shader))) return nullptr;
    made[index] = shader;
    return shader;
}

void ReleaseObjects() {
    for (auto& shader : g_plain) ReleaseAndClear(shader);
    for (auto& perBlend : g_blend)
        for (auto& perKind : perBlend)
            for (auto& perColor : perKind)
                for (auto& shader : perColor) ReleaseAndClear(shader);
    ReleaseAndClear(g_maskBlend);
    for (auto& [index, shader] : g_modelVertex) ReleaseAndClear(shader);
    for (auto& [index, shader] : g_modelPixel) ReleaseAndClear(shader);
    g_modelVertex.clear();
    g_modelPixel.clear();
}

}  // namespace

HRESULT CreatePixelShaderFromPackage(const void* code, uint32_t size, IDirect3DPixelShader9** out) {
    if (!code || size < 8 || !out) return D3DERR_INVALIDCALL;
    const std::vector<DWORD> words = AlignedCode(code, size);
    return DeviceCreatePixelShader(words.data(), out);
}

int ProgrammableShadersInUse() {
    return g_shadersInUse;
}

int CreateBaseShaders() {
    ReleaseShaderObjects();
    g_shadersInUse = 0;
    if (DeviceHasShaderModel2()) {
        // The getters make objects only while the flag is set.
        g_shadersInUse = 1;
        if (!CreateShaderObjects()) {
            g_shadersInUse = 0;
            ReleaseShaderObjects();
        }
    }
    LogWrite(Cp932Text(g_shadersInUse ? "プログラマブルシェーダーを使用します\n"
                                      : "プログラマブルシェーダーを使用しません\n"));
    static const float kVertexZero[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    static const float kPixelZero[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    ShaderConstantCache& cache = EngineShaderConstants();
    SetShaderConstants(&cache, kVertexFloatConstants, 0, 0, kVertexZero, 1, 1);
    SetShaderConstants(&cache, kPixelFloatConstants, 0, 0, kPixelZero, 1, 1);
    return 0;
}

namespace {
// Both releases first take the shaders off the device and forget the cached
// current ones; without a device nothing happens.
template <class Release>
int ReleaseAfterUnsetting(Release release) {
    if (!HasDevice()) return 0;
    DeviceSetVertexShader(nullptr);
    DeviceSetPixelShader(nullptr);
    ClearCachedCurrentObjects();
    release();
    return 0;
}
}  // namespace

int ReleaseShaderObjects() {
    return ReleaseAfterUnsetting([] { ReleaseObjects(); });
}

int ReleaseVertexDeclarations() {
    return ReleaseAfterUnsetting([] { ReleaseFixedVertexDeclarations(); });
}

IDirect3DPixelShader9* PlainPixelShader(int kind) {
    if (!g_shadersInUse || kind < 0 || kind > 3) return nullptr;
    return g_plain[kind];
}

IDirect3DPixelShader9* BlendPixelShader(int blend, int kind, int replacement, int alphaSourceZero) {
    if (!g_shadersInUse || blend < 0 || blend > 3 || kind < 0 || kind > 3) return nullptr;
    return g_blend[blend][kind][replacement ? 1 : 0][alphaSourceZero ? 1 : 0];
}

IDirect3DPixelShader9* MaskBlendPixelShader() {
    return g_shadersInUse ? g_maskBlend : nullptr;
}

IDirect3DVertexShader9* ModelVertexShader(int index) {
    return MadeOnDemand(g_modelVertex, index, ModelVertexShaderCode,
                        [](const DWORD* code, IDirect3DVertexShader9** out) {
                            return DeviceCreateVertexShader(code, out);
                        });
}

IDirect3DPixelShader9* ModelPixelShader(int index) {
    return MadeOnDemand(g_modelPixel, index, ModelPixelShaderCode,
                        [](const DWORD* code, IDirect3DPixelShader9** out) {
                            return DeviceCreatePixelShader(code, out);
                        });
}

}  // namespace DuRud
