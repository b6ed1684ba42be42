// Shader records, their creation (at once or on a loader thread), deletion,
// the user shader selections and the device's shader-model query.
#include "graphics/shader_handles.h"

#include <cstring>

#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/graphic_handles.h"
#include "graphics/main_thread_forwarders.h"
#include "graphics/render_state_cache.h"
#include "graphics/shader_constants.h"

namespace DuRud {
namespace {

constexpr uint32_t kVertexVersionKind = 0xFFFE0000u;
constexpr uint32_t kPixelVersionKind = 0xFFFF0000u;
constexpr uint32_t kEndToken = 0x0000FFFFu;
constexpr int kUserShaderLayers = 3;  // the engine's layer and the user's

UserShaderSelection g_selection;

void ClearCurrentObject(ShaderRecord* s) {
    RenderStateCache& c = GetRenderStateCache();
    if (s->vertexShader && c.vertexShader == s->vertexShader) {
        if (HasDevice()) DeviceSetVertexShader(nullptr);
        c.vertexShader = nullptr;
    }
    if (s->pixelShader && c.pixelShader == s->pixelShader) {
        if (HasDevice()) DeviceSetPixelShader(nullptr);
        c.pixelShader = nullptr;
    }
}

void ReleaseObjects(ShaderRecord* s, int fromWorker) {
    ClearCurrentObject(s);
    if (s->vertexShader) ReleaseObjectOnMainThread(s->vertexShader, fromWorker);
    if (s->pixelShader) ReleaseObjectOnMainThread(s->pixelShader, fromWorker);
    s->vertexShader = nullptr;
    s->pixelShader = nullptr;
}

int ShaderTerminate(HandleHeader* header) {
    auto* s = reinterpret_cast<ShaderRecord*>(header);
    if (g_selection.vertexShader == header->handle) g_selection.vertexShader = 0;
    if (g_selection.pixelShader == header->handle) g_selection.pixelShader = 0;
    TrackedFree(s->code);
    s->code = nullptr;
    ReleaseObjects(s, 0);
    return 0;
}

// Makes the device object from the kept code.
int MakeObject(ShaderRecord* s, int fromWorker) {
    const auto* tokens = reinterpret_cast<const DWORD*>(s->code);
    const HRESULT hr = s->isVertex
                           ? CreateVertexShaderOnMainThread(tokens, &s->vertexShader, fromWorker)
                           : CreatePixelShaderOnMainThread(tokens, &s->pixelShader, fromWorker);
    if (SUCCEEDED(hr)) return 0;
    s->vertexShader = nullptr;
    s->pixelShader = nullptr;
    return -1;
}

int SetUserShader(Handle shader, int isVertex, Handle* selection) {
    if (shader <= 0) {
        *selection = 0;
        return 0;
    }
    const ShaderRecord* s = ShaderFromHandle(shader, 0);
    if (!s || s->isVertex != isVertex) return -1;
    *selection = shader;
    return 0;
}

template <typename Object>
int SetShaderNow(Handle shader, int isVertex, Object* ShaderRecord::*field, Object*& current,
                 HRESULT (*set)(Object*)) {
    ShaderRecord* s = ShaderFromHandle(shader, 0);
    if (!HasDevice() || !s || s->isVertex != isVertex || !(s->*field)) return -1;
    if (current != s->*field) {
        if (FAILED(set(s->*field))) return -1;
        current = s->*field;
    }
    GetRenderStateCache().drawStateChanged = 1;
    return 0;
}

void ShaderLoadWorker(AsyncRequest* request) {
    const uint8_t* params = AsyncRequestParams(request);
    int offset = 0;
    const Handle handle = AsyncParamGetInt(params, &offset);
    const int isVertex = AsyncParamGetInt(params, &offset);
    int size = 0;
    const void* code = AsyncParamGetBlock(params, &offset, &size);
    if (HandleHeader* header = GetHandleRecord(handle)) header->asyncRequestId = request->queueSlot;
    const int result = CreateShaderObject(handle, code, 1, isVertex, size, 0, 1);
    EndHandleAsyncLoad(handle);
    if (result != 0) DeleteHandle(handle);
}

// Queues the creation; -1 when the loader cannot take it.
int QueueShaderLoad(Handle handle, int isVertex, const void* code, int size) {
    int bytes = 0;
    AsyncParamPutInt(nullptr, &bytes, handle);
    AsyncParamPutInt(nullptr, &bytes, isVertex);
    if (AsyncParamPutBlock(nullptr, &bytes, code, size) != 0) return -1;
    AsyncRequest* request = AsyncRequestAlloc(bytes);
    if (!request) return -1;
    int offset = 0;
    AsyncParamPutInt(AsyncRequestParams(request), &offset, handle);
    AsyncParamPutInt(AsyncRequestParams(request), &offset, isVertex);
    AsyncParamPutBlock(AsyncRequestParams(request), &offset, code, size);
    request->worker = ShaderLoadWorker;
    BeginHandleAsyncLoad(handle, -1);
    if (AsyncRequestEnqueue(request) != 0) {
        EndHandleAsyncLoad(handle);
        TrackedFree(request);
        return -1;
    }
    return 0;
}

}  // namespace

int RegisterShaderHandleType() {
    return RegisterHandleType(HandleTypeShader, sizeof(ShaderRecord), kMaxShaders, nullptr,
                              ShaderTerminate, Cp932Text("シェーダー"));
}

ShaderRecord* ShaderFromHandle(Handle handle, int allowPending) {
    return reinterpret_cast<ShaderRecord*>(
        TypedHandleRecord(handle, HandleTypeShader, allowPending));
}

const UserShaderSelection& GetUserShaderSelection() {
    return g_selection;
}

int CreateShaderObject(Handle handle, const void* code, int allowPending, int isVertex,
                       int codeSize, int freeCode, int fromWorker) {
    ShaderRecord* s = ShaderFromHandle(handle, allowPending);
    int result = -1;
    // The device reads tokens up to an end token: the code must hold whole
    // tokens, and its leading comment must end inside it.
    const int count = codeSize / 4;
    if (s && code && codeSize >= 8 && codeSize % 4 == 0 && !s->code) {
        uint32_t second;  // caller memory may be unaligned
        std::memcpy(&second, static_cast<const uint8_t*>(code) + 4, 4);
        int commentWords = 0;
        if ((second & 0xFFFFu) == 0xFFFEu)
            commentWords =
                static_cast<int>((second & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT);
        if (2 + commentWords <= count) {
            s->code = static_cast<uint32_t*>(TrackedAlloc(codeSize + 4, __FILE__, __LINE__));
            if (s->code) {
                std::memcpy(s->code, code, codeSize);
                s->code[count] = kEndToken;
                s->codeSize = codeSize;
                s->isVertex = isVertex ? 1 : 0;
                result = MakeObject(s, fromWorker);
            }
            if (result == 0 && commentWords > 0) {
                s->constantTable = s->code + 2;
                s->constantTableSize = commentWords * 4;
            } else if (result != 0) {
                TrackedFree(s->code);
                s->code = nullptr;
            }
        }
    }
    if (freeCode) TrackedFree(const_cast<void*>(code));
    return result;
}

Handle CreateShaderFromMemory(const void* code, int size) {
    HandleTypeRecord* type = GetHandleTypeRecord(HandleTypeShader);
    if (!code || size < 8 || !HasDevice() || QueryShaderVersion() <= 0 || !type ||
        !type->initialised)
        return -1;
    uint32_t version;
    std::memcpy(&version, code, 4);
    const uint32_t kind = version & 0xFFFF0000u;
    if (kind != kVertexVersionKind && kind != kPixelVersionKind) return -1;
    const int isVertex = kind == kVertexVersionKind ? 1 : 0;
    const Handle handle = AddHandle(HandleTypeShader, -1);
    if (handle < 0) return -1;
    if (GetUseAsyncLoad() && AsyncLoadIsInitialised() &&
        QueueShaderLoad(handle, isVertex, code, size) == 0)
        return handle;
    if (CreateShaderObject(handle, code, 0, isVertex, size, 0, 0) != 0) {
        LogWrite(Cp932Text("シェーダーの作成に失敗しました\n"));
        DeleteHandle(handle);
        return -1;
    }
    return handle;
}

int SetUserVertexShader(Handle shader) {
    return SetUserShader(shader, 1, &g_selection.vertexShader);
}

int SetUserPixelShader(Handle shader) {
    return SetUserShader(shader, 0, &g_selection.pixelShader);
}

int SetUserShaderTexture(int slot, Handle graphic) {
    if (slot < 0 || slot >= kUserShaderTextures) return -1;
    if (graphic == -1) {
        g_selection.textures[slot] = 0;
        return 0;
    }
    if (!IsGraphicValid(graphic)) return -1;
    g_selection.textures[slot] = graphic;
    return 0;
}

int SaveUserShaders(UserShaderSetup* setup, int textureCount) {
    if (!setup) return -1;
    if (textureCount < 0) textureCount = 0;
    if (textureCount > kUserShaderTextures) textureCount = kUserShaderTextures;
    setup->vertexShader = g_selection.vertexShader;
    setup->pixelShader = g_selection.pixelShader;
    setup->textureCount = textureCount;
    for (int i = 0; i < textureCount; ++i) setup->textures[i] = g_selection.textures[i];
    SetActiveShaderLayers(&EngineShaderConstants(), kUserShaderLayers);
    return 0;
}

int ApplyUserShaders(const UserShaderSetup* setup) {
    if (!setup) return -1;
    int result = 0;
    for (int i = 0; i < setup->textureCount && i < kUserShaderTextures; ++i)
        if (SetUserShaderTexture(i, setup->textures[i] ? setup->textures[i] : -1) != 0) result = -1;
    if (SetUserVertexShader(setup->vertexShader) != 0) result = -1;
    if (SetUserPixelShader(setup->pixelShader) != 0) result = -1;
    return result;
}

int SetVertexShaderNow(Handle shader) {
    return SetShaderNow(shader, 1, &ShaderRecord::vertexShader, GetRenderStateCache().vertexShader,
                        DeviceSetVertexShader);
}

int SetPixelShaderNow(Handle shader) {
    return SetShaderNow(shader, 0, &ShaderRecord::pixelShader, GetRenderStateCache().pixelShader,
                        DeviceSetPixelShader);
}

int QueryShaderVersion() {
    D3DCAPS9 caps{};
    const HRESULT hr = HasDevice() ? DeviceGetDeviceCaps(&caps) : Direct3DGetDeviceCaps(&caps);
    if (FAILED(hr)) return 0;
    const unsigned vertex = D3DSHADER_VERSION_MAJOR(caps.VertexShaderVersion);
    const unsigned pixel = D3DSHADER_VERSION_MAJOR(caps.PixelShaderVersion);
    if (vertex < 2 && pixel < 2) return 0;
    if (vertex >= 3 && pixel >= 3) return 300;
    return 200;
}

int SetLightingState(int flag) {
    return SetDeviceLighting(flag);
}

int ResetTexCoordIndices() {
    if (!HasDevice()) return 0;
    RenderStateCache& c = GetRenderStateCache();
    for (DWORD stage = 0; stage < 8; ++stage) {
        DeviceSetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage);
        if (stage < 4) c.texCoordIndex[stage] = stage;
    }
    return 0;
}

int ReleaseAllShaderObjects() {
    ForEachHandleRecord(HandleTypeShader, [](HandleHeader* header) {
        ReleaseObjects(reinterpret_cast<ShaderRecord*>(header), 0);
    });
    return 0;
}

int RecreateAllShaderObjects() {
    ForEachHandleRecord(HandleTypeShader, [](HandleHeader* header) {
        auto* s = reinterpret_cast<ShaderRecord*>(header);
        if (s->code && !s->vertexShader && !s->pixelShader) MakeObject(s, 0);
    });
    return 0;
}

}  // namespace DuRud
