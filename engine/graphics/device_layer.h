// The device layer: the engine's only road to Direct3D 9 and DirectDraw.
// It loads "d3d9.dll", makes the DirectDraw, Direct3D and device objects,
// presents, paces by the vertical blank, runs the repaint timer and wraps
// every method the graphics module uses in a plain function. Main thread
// only; loader threads go through the forwarders.
#pragma once

#include <cstdint>

#include <d3d9.h>
#include <ddraw.h>
#include <windows.h>

namespace DuRud {

struct DeviceLayerState {
    HMODULE d3d9Library;
    IDirectDraw7* directDraw;
    IDirect3D9* direct3D;
    IDirect3D9Ex* direct3DEx;  // the same object when it is the Ex kind
    IDirect3DDevice9* device;
    IDirect3DDevice9Ex* deviceEx;  // the same device when made by the Ex path
    IDirect3DSwapChain9* swapChain;
    int32_t exDisabled;        // the Ex device failed: plain objects from now on
    int32_t vertexProcessing;  // 1 mixed, 0 software
    DWORD vertexShaderVersion;
    D3DMULTISAMPLE_TYPE multisampleType;
    DWORD multisampleQuality;
    int64_t refreshPeriod;  // microseconds; -1 not measured
    int64_t lastVerticalBlank;
    RECT lastSource, lastDestination;  // of the last windowed present
};

DeviceLayerState& GetDeviceLayer();

// Releases a COM object when there is one and clears the pointer.
template <class T>
void ReleaseAndClear(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

constexpr UINT kRepaintTimerId = 32767;
constexpr UINT kRepaintTimerPeriod = 32;

// Creation and release.
int LoadD3D9Library();
int UnloadD3D9Library();
int CreateDirectDrawObject();
int ReleaseDirectDrawObject();
IDirectDraw7* QueryDirectDrawObject();
int CreateDirect3DObject();
int ReleaseDirect3DObject();
int CreateScreenDevice();  // 0, -1, or -2 when the Ex device failed
int ReleaseDevice();
ULONG ReleaseComObject(IUnknown* object);

// Per frame and timing.
int PresentScreen(const RECT* clientRect);
int WaitVerticalBlank();
// Starts the measurement beside the caller (a thread that waits for the
// blanks); the period is there once QueryRefreshPeriod returns.
int MeasureRefreshPeriod();
// Microseconds between vertical blanks, -1 when none was measured; waits for
// a measurement still running.
int64_t QueryRefreshPeriod();
int StartRepaintTimer(int flag);
void CALLBACK RepaintTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
int64_t DeviceClockMicroseconds();

// Queries.
int HasDevice();
int HasDirect3DObject();
int HasDirect3DExObject();
int IsDeviceLost();         // 0 without a device
int HasDirectDrawWindow();  // the DirectDraw object and the main window exist

// Wrappers: the method's result, D3DERR_INVALIDCALL when the object is missing.
HRESULT Direct3DGetAdapterIdentifier(D3DADAPTER_IDENTIFIER9* identifier);
HRESULT Direct3DCheckDeviceFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE type,
                                  D3DFORMAT format);
HRESULT Direct3DCheckDepthStencilMatch(D3DFORMAT adapterFormat, D3DFORMAT targetFormat,
                                       D3DFORMAT depthFormat);
HRESULT Direct3DGetDeviceCaps(D3DCAPS9* caps);
HRESULT DeviceSetDialogBoxMode(BOOL enable);
HRESULT DeviceGetDeviceCaps(D3DCAPS9* caps);
HRESULT DeviceGetBackBuffer(IDirect3DSurface9** out);
HRESULT DeviceCreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DTexture9** out);
HRESULT DeviceCreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** out);
HRESULT DeviceCreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                 IDirect3DVertexBuffer9** out);
HRESULT DeviceCreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DIndexBuffer9** out);
HRESULT DeviceCreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                 D3DMULTISAMPLE_TYPE multisample, DWORD quality, BOOL lockable,
                                 IDirect3DSurface9** out);
HRESULT DeviceCreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                        D3DMULTISAMPLE_TYPE multisample, DWORD quality,
                                        BOOL discard, IDirect3DSurface9** out);
HRESULT DeviceUpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect,
                            IDirect3DSurface9* destination, const POINT* destinationPoint);
HRESULT DeviceUpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* destination);
HRESULT DeviceGetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* destination);
HRESULT DeviceStretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                          IDirect3DSurface9* destination, const RECT* destinationRect,
                          D3DTEXTUREFILTERTYPE filter);
HRESULT DeviceColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color);
HRESULT DeviceCreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                          IDirect3DSurface9** out);
HRESULT DeviceSetRenderTarget(DWORD index, IDirect3DSurface9* target);
HRESULT DeviceSetDepthStencilSurface(IDirect3DSurface9* surface);
HRESULT DeviceGetDepthStencilSurface(IDirect3DSurface9** out);
HRESULT DeviceBeginScene();
HRESULT DeviceEndScene();
HRESULT DeviceClear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                    DWORD stencil);
HRESULT DeviceSetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
HRESULT DeviceSetViewport(const D3DVIEWPORT9* viewport);
HRESULT DeviceSetMaterial(const D3DMATERIAL9* material);
HRESULT DeviceGetMaterial(D3DMATERIAL9* material);
HRESULT DeviceSetLight(DWORD index, const D3DLIGHT9* light);
HRESULT DeviceLightEnable(DWORD index, BOOL enable);
HRESULT DeviceSetRenderState(D3DRENDERSTATETYPE state, DWORD value);
HRESULT DeviceSetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
HRESULT DeviceSetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
HRESULT DeviceSetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
HRESULT DeviceSetScissorRect(const RECT* rect);
HRESULT DeviceDrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* vertices, UINT stride);
HRESULT DeviceDrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                     UINT primitiveCount, const void* indices,
                                     D3DFORMAT indexFormat, const void* vertices, UINT stride);
HRESULT DeviceCreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                      IDirect3DVertexDeclaration9** out);
HRESULT DeviceSetVertexDeclaration(IDirect3DVertexDeclaration9* declaration);
HRESULT DeviceSetFVF(DWORD fvf);
HRESULT DeviceCreateVertexShader(const DWORD* code, IDirect3DVertexShader9** out);
HRESULT DeviceSetVertexShader(IDirect3DVertexShader9* shader);
HRESULT DeviceSetVertexShaderConstantF(UINT start, const float* data, UINT count);
HRESULT DeviceSetVertexShaderConstantI(UINT start, const int* data, UINT count);
HRESULT DeviceSetVertexShaderConstantB(UINT start, const BOOL* data, UINT count);
HRESULT DeviceCreatePixelShader(const DWORD* code, IDirect3DPixelShader9** out);
HRESULT DeviceSetPixelShader(IDirect3DPixelShader9* shader);
HRESULT DeviceSetPixelShaderConstantF(UINT start, const float* data, UINT count);
HRESULT DeviceSetPixelShaderConstantI(UINT start, const int* data, UINT count);
HRESULT DeviceSetPixelShaderConstantB(UINT start, const BOOL* data, UINT count);
// On a volume texture the lock is a box lock (the locked rectangle's pitch
// is the row pitch, its bits the box's).
HRESULT TextureGetSurfaceLevel(IDirect3DTexture9* texture, UINT level, IDirect3DSurface9** out);
HRESULT TextureLockRect(IDirect3DBaseTexture9* texture, UINT level, D3DLOCKED_RECT* locked,
                        const RECT* rect, DWORD flags);
HRESULT TextureUnlockRect(IDirect3DBaseTexture9* texture, UINT level);
HRESULT TextureLockBox(IDirect3DVolumeTexture9* texture, UINT level, D3DLOCKED_BOX* locked,
                       DWORD flags);
HRESULT SurfaceGetDesc(IDirect3DSurface9* surface, D3DSURFACE_DESC* desc);
HRESULT SurfaceLockRect(IDirect3DSurface9* surface, D3DLOCKED_RECT* locked, const RECT* rect,
                        DWORD flags);
HRESULT SurfaceUnlockRect(IDirect3DSurface9* surface);
// A vertex or index buffer (isIndex 1).
HRESULT BufferLock(IDirect3DResource9* buffer, int isIndex, UINT offset, UINT size, void** data,
                   DWORD flags);
HRESULT BufferUnlock(IDirect3DResource9* buffer, int isIndex);

}  // namespace DuRud
