// The forwarders: each posted call is a request beginning with the
// main-thread header, its arguments kept at their own types behind it.
#include "graphics/main_thread_forwarders.h"

#include <tuple>

#include "core/async_loading.h"
#include "graphics/device_layer.h"

namespace DuRud {
namespace {

template <auto Wrapper, class... Args>
struct ForwardedCall : MainThreadRequest {
    std::tuple<Args...> arguments;

    static int32_t Run(MainThreadRequest* request) {
        auto* call = static_cast<ForwardedCall*>(request);
        return static_cast<int32_t>(std::apply(Wrapper, call->arguments));
    }
};

// Calls the wrapper here, or on the main thread for a loader thread.
template <auto Wrapper, class... Args>
int32_t Forward(int fromWorker, Args... arguments) {
    if (!fromWorker) return static_cast<int32_t>(Wrapper(arguments...));
    ForwardedCall<Wrapper, Args...> call;
    call.function = &ForwardedCall<Wrapper, Args...>::Run;
    call.workerSlot = 0;
    call.result = 0;
    call.arguments = std::make_tuple(arguments...);
    return PostToMainThread(&call);
}

int CreateVertexBufferWithDevice(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                 IDirect3DVertexBuffer9** out) {
    if (!HasDevice()) return -1;
    return FAILED(DeviceCreateVertexBuffer(length, usage, fvf, pool, out)) ? -1 : 0;
}
int CreateIndexBufferWithDevice(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DIndexBuffer9** out) {
    if (!HasDevice()) return -1;
    return FAILED(DeviceCreateIndexBuffer(length, usage, format, pool, out)) ? -1 : 0;
}

}  // namespace

ULONG ReleaseObjectOnMainThread(IUnknown* object, int fromWorker) {
    return static_cast<ULONG>(Forward<ReleaseComObject>(fromWorker, object));
}
HRESULT CreateRenderTargetOnMainThread(UINT width, UINT height, D3DFORMAT format,
                                       D3DMULTISAMPLE_TYPE multisample, DWORD quality,
                                       BOOL lockable, IDirect3DSurface9** out, int fromWorker) {
    return Forward<DeviceCreateRenderTarget>(fromWorker, width, height, format, multisample,
                                             quality, lockable, out);
}
HRESULT CreateDepthSurfaceOnMainThread(UINT width, UINT height, D3DFORMAT format,
                                       D3DMULTISAMPLE_TYPE multisample, DWORD quality, BOOL discard,
                                       IDirect3DSurface9** out, int fromWorker) {
    return Forward<DeviceCreateDepthStencilSurface>(fromWorker, width, height, format, multisample,
                                                    quality, discard, out);
}
HRESULT CreateTextureOnMainThread(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out,
                                  int fromWorker) {
    return Forward<DeviceCreateTexture>(fromWorker, width, height, levels, usage, format, pool,
                                        out);
}
HRESULT ColorFillOnMainThread(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color,
                              int fromWorker) {
    return Forward<DeviceColorFill>(fromWorker, surface, rect, color);
}
HRESULT CreatePlainSurfaceOnMainThread(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                       IDirect3DSurface9** out, int fromWorker) {
    return Forward<DeviceCreateOffscreenPlainSurface>(fromWorker, width, height, format, pool, out);
}
HRESULT UpdateSurfaceOnMainThread(IDirect3DSurface9* source, const RECT* sourceRect,
                                  IDirect3DSurface9* destination, const POINT* point,
                                  int fromWorker) {
    return Forward<DeviceUpdateSurface>(fromWorker, source, sourceRect, destination, point);
}
HRESULT CreateVertexShaderOnMainThread(const DWORD* code, IDirect3DVertexShader9** out,
                                       int fromWorker) {
    return Forward<DeviceCreateVertexShader>(fromWorker, code, out);
}
HRESULT CreatePixelShaderOnMainThread(const DWORD* code, IDirect3DPixelShader9** out,
                                      int fromWorker) {
    return Forward<DeviceCreatePixelShader>(fromWorker, code, out);
}
int CreateVertexBufferOnMainThread(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out, int fromWorker) {
    return Forward<CreateVertexBufferWithDevice>(fromWorker, length, usage, fvf, pool, out);
}
int CreateIndexBufferOnMainThread(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out, int fromWorker) {
    return Forward<CreateIndexBufferWithDevice>(fromWorker, length, usage, format, pool, out);
}
HRESULT GetSurfaceLevelOnMainThread(IDirect3DTexture9* texture, UINT level, IDirect3DSurface9** out,
                                    int fromWorker) {
    return Forward<TextureGetSurfaceLevel>(fromWorker, texture, level, out);
}
HRESULT LockTextureRectOnMainThread(IDirect3DBaseTexture9* texture, UINT level,
                                    D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags,
                                    int fromWorker) {
    return Forward<TextureLockRect>(fromWorker, texture, level, locked, rect, flags);
}
HRESULT UnlockTextureRectOnMainThread(IDirect3DBaseTexture9* texture, UINT level, int fromWorker) {
    return Forward<TextureUnlockRect>(fromWorker, texture, level);
}
HRESULT LockSurfaceRectOnMainThread(IDirect3DSurface9* surface, D3DLOCKED_RECT* locked,
                                    const RECT* rect, DWORD flags, int fromWorker) {
    return Forward<SurfaceLockRect>(fromWorker, surface, locked, rect, flags);
}
HRESULT UnlockSurfaceOnMainThread(IDirect3DSurface9* surface, int fromWorker) {
    return Forward<SurfaceUnlockRect>(fromWorker, surface);
}
HRESULT LockBufferOnMainThread(IDirect3DResource9* buffer, int isIndex, UINT offset, UINT size,
                               void** data, DWORD flags, int fromWorker) {
    return Forward<BufferLock>(fromWorker, buffer, isIndex, offset, size, data, flags);
}
HRESULT UnlockBufferOnMainThread(IDirect3DResource9* buffer, int isIndex, int fromWorker) {
    return Forward<BufferUnlock>(fromWorker, buffer, isIndex);
}

}  // namespace DuRud
