// Device calls forwarded to the main thread: the device operations that
// loading needs, each with a last flag saying whether the caller runs on a
// loader thread. Flag 0 calls the device-layer wrapper at once; flag 1 posts
// the call to the main thread and waits for its result. Out-parameters are
// written by the main thread before the worker resumes. Never post while
// holding a lock the main thread needs.
#pragma once

#include <d3d9.h>

namespace DuRud {

ULONG ReleaseObjectOnMainThread(IUnknown* object, int fromWorker);
HRESULT CreateRenderTargetOnMainThread(UINT width, UINT height, D3DFORMAT format,
                                       D3DMULTISAMPLE_TYPE multisample, DWORD quality,
                                       BOOL lockable, IDirect3DSurface9** out, int fromWorker);
HRESULT CreateDepthSurfaceOnMainThread(UINT width, UINT height, D3DFORMAT format,
                                       D3DMULTISAMPLE_TYPE multisample, DWORD quality, BOOL discard,
                                       IDirect3DSurface9** out, int fromWorker);
HRESULT CreateTextureOnMainThread(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out,
                                  int fromWorker);
HRESULT ColorFillOnMainThread(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color,
                              int fromWorker);
HRESULT CreatePlainSurfaceOnMainThread(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                       IDirect3DSurface9** out, int fromWorker);
HRESULT UpdateSurfaceOnMainThread(IDirect3DSurface9* source, const RECT* sourceRect,
                                  IDirect3DSurface9* destination, const POINT* point,
                                  int fromWorker);
HRESULT CreateVertexShaderOnMainThread(const DWORD* code, IDirect3DVertexShader9** out,
                                       int fromWorker);
HRESULT CreatePixelShaderOnMainThread(const DWORD* code, IDirect3DPixelShader9** out,
                                      int fromWorker);
// -1 without a device (no Direct3D call) or on failure, else 0.
int CreateVertexBufferOnMainThread(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out, int fromWorker);
int CreateIndexBufferOnMainThread(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out, int fromWorker);
HRESULT GetSurfaceLevelOnMainThread(IDirect3DTexture9* texture, UINT level, IDirect3DSurface9** out,
                                    int fromWorker);
HRESULT LockTextureRectOnMainThread(IDirect3DBaseTexture9* texture, UINT level,
                                    D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags,
                                    int fromWorker);
HRESULT UnlockTextureRectOnMainThread(IDirect3DBaseTexture9* texture, UINT level, int fromWorker);
HRESULT LockSurfaceRectOnMainThread(IDirect3DSurface9* surface, D3DLOCKED_RECT* locked,
                                    const RECT* rect, DWORD flags, int fromWorker);
HRESULT UnlockSurfaceOnMainThread(IDirect3DSurface9* surface, int fromWorker);
HRESULT LockBufferOnMainThread(IDirect3DResource9* buffer, int isIndex, UINT offset, UINT size,
                               void** data, DWORD flags, int fromWorker);
HRESULT UnlockBufferOnMainThread(IDirect3DResource9* buffer, int isIndex, int fromWorker);

}  // namespace DuRud
