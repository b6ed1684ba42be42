// The device layer's wrappers: one plain function per Direct3D method the
// graphics module uses. They pass their arguments on unchanged; a missing
// object answers D3DERR_INVALIDCALL instead of crashing.
#include "graphics/device_layer.h"

namespace DuRud {
namespace {

IDirect3D9* D3D() {
    return GetDeviceLayer().direct3D;
}
IDirect3DDevice9* Dev() {
    return GetDeviceLayer().device;
}
// The adapter format probes compare against: the desktop's.
constexpr UINT kAdapter = 0;

}  // namespace

#define D3D_CALL(call) return D3D() ? D3D()->call : D3DERR_INVALIDCALL
#define DEVICE_CALL(call) return Dev() ? Dev()->call : D3DERR_INVALIDCALL
#define OBJECT_CALL(object, call) return (object) ? (object)->call : D3DERR_INVALIDCALL

HRESULT Direct3DGetAdapterIdentifier(D3DADAPTER_IDENTIFIER9* identifier) {
    D3D_CALL(GetAdapterIdentifier(kAdapter, 0, identifier));
}
HRESULT Direct3DCheckDeviceFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE type,
                                  D3DFORMAT format) {
    D3D_CALL(CheckDeviceFormat(kAdapter, D3DDEVTYPE_HAL, adapterFormat, usage, type, format));
}
HRESULT Direct3DCheckDepthStencilMatch(D3DFORMAT adapterFormat, D3DFORMAT targetFormat,
                                       D3DFORMAT depthFormat) {
    D3D_CALL(
        CheckDepthStencilMatch(kAdapter, D3DDEVTYPE_HAL, adapterFormat, targetFormat, depthFormat));
}
HRESULT Direct3DGetDeviceCaps(D3DCAPS9* caps) {
    D3D_CALL(GetDeviceCaps(kAdapter, D3DDEVTYPE_HAL, caps));
}
HRESULT DeviceSetDialogBoxMode(BOOL enable) {
    DEVICE_CALL(SetDialogBoxMode(enable));
}
HRESULT DeviceGetDeviceCaps(D3DCAPS9* caps) {
    DEVICE_CALL(GetDeviceCaps(caps));
}
HRESULT DeviceGetBackBuffer(IDirect3DSurface9** out) {
    DEVICE_CALL(GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, out));
}
HRESULT DeviceCreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DTexture9** out) {
    DEVICE_CALL(CreateTexture(width, height, levels, usage, format, pool, out, nullptr));
}
HRESULT DeviceCreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** out) {
    DEVICE_CALL(
        CreateVolumeTexture(width, height, depth, levels, usage, format, pool, out, nullptr));
}
HRESULT DeviceCreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                 IDirect3DVertexBuffer9** out) {
    DEVICE_CALL(CreateVertexBuffer(length, usage, fvf, pool, out, nullptr));
}
HRESULT DeviceCreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DIndexBuffer9** out) {
    DEVICE_CALL(CreateIndexBuffer(length, usage, format, pool, out, nullptr));
}
HRESULT DeviceCreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                 D3DMULTISAMPLE_TYPE multisample, DWORD quality, BOOL lockable,
                                 IDirect3DSurface9** out) {
    DEVICE_CALL(
        CreateRenderTarget(width, height, format, multisample, quality, lockable, out, nullptr));
}
HRESULT DeviceCreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                        D3DMULTISAMPLE_TYPE multisample, DWORD quality,
                                        BOOL discard, IDirect3DSurface9** out) {
    DEVICE_CALL(CreateDepthStencilSurface(width, height, format, multisample, quality, discard, out,
                                          nullptr));
}
HRESULT DeviceUpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect,
                            IDirect3DSurface9* destination, const POINT* destinationPoint) {
    DEVICE_CALL(UpdateSurface(source, sourceRect, destination, destinationPoint));
}
HRESULT DeviceUpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* destination) {
    DEVICE_CALL(UpdateTexture(source, destination));
}
HRESULT DeviceGetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* destination) {
    DEVICE_CALL(GetRenderTargetData(target, destination));
}
HRESULT DeviceStretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                          IDirect3DSurface9* destination, const RECT* destinationRect,
                          D3DTEXTUREFILTERTYPE filter) {
    DEVICE_CALL(StretchRect(source, sourceRect, destination, destinationRect, filter));
}
HRESULT DeviceColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
    DEVICE_CALL(ColorFill(surface, rect, color));
}
HRESULT DeviceCreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                          IDirect3DSurface9** out) {
    DEVICE_CALL(CreateOffscreenPlainSurface(width, height, format, pool, out, nullptr));
}
HRESULT DeviceSetRenderTarget(DWORD index, IDirect3DSurface9* target) {
    DEVICE_CALL(SetRenderTarget(index, target));
}
HRESULT DeviceSetDepthStencilSurface(IDirect3DSurface9* surface) {
    DEVICE_CALL(SetDepthStencilSurface(surface));
}
HRESULT DeviceGetDepthStencilSurface(IDirect3DSurface9** out) {
    DEVICE_CALL(GetDepthStencilSurface(out));
}
HRESULT DeviceBeginScene() {
    DEVICE_CALL(BeginScene());
}
HRESULT DeviceEndScene() {
    DEVICE_CALL(EndScene());
}
HRESULT DeviceClear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                    DWORD stencil) {
    DEVICE_CALL(Clear(count, rects, flags, color, z, stencil));
}
HRESULT DeviceSetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    DEVICE_CALL(SetTransform(state, matrix));
}
HRESULT DeviceSetViewport(const D3DVIEWPORT9* viewport) {
    DEVICE_CALL(SetViewport(viewport));
}
HRESULT DeviceSetMaterial(const D3DMATERIAL9* material) {
    DEVICE_CALL(SetMaterial(material));
}
HRESULT DeviceGetMaterial(D3DMATERIAL9* material) {
    DEVICE_CALL(GetMaterial(material));
}
HRESULT DeviceSetLight(DWORD index, const D3DLIGHT9* light) {
    DEVICE_CALL(SetLight(index, light));
}
HRESULT DeviceLightEnable(DWORD index, BOOL enable) {
    DEVICE_CALL(LightEnable(index, enable));
}
HRESULT DeviceSetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    DEVICE_CALL(SetRenderState(state, value));
}
HRESULT DeviceSetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    DEVICE_CALL(SetTexture(stage, texture));
}
HRESULT DeviceSetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    DEVICE_CALL(SetTextureStageState(stage, type, value));
}
HRESULT DeviceSetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    DEVICE_CALL(SetSamplerState(sampler, type, value));
}
HRESULT DeviceSetScissorRect(const RECT* rect) {
    DEVICE_CALL(SetScissorRect(rect));
}
HRESULT DeviceDrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* vertices,
                              UINT stride) {
    DEVICE_CALL(DrawPrimitiveUP(type, count, vertices, stride));
}
HRESULT DeviceDrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                     UINT primitiveCount, const void* indices,
                                     D3DFORMAT indexFormat, const void* vertices, UINT stride) {
    DEVICE_CALL(DrawIndexedPrimitiveUP(type, minIndex, vertexCount, primitiveCount, indices,
                                       indexFormat, vertices, stride));
}
HRESULT DeviceCreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                      IDirect3DVertexDeclaration9** out) {
    DEVICE_CALL(CreateVertexDeclaration(elements, out));
}
HRESULT DeviceSetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
    DEVICE_CALL(SetVertexDeclaration(declaration));
}
HRESULT DeviceSetFVF(DWORD fvf) {
    DEVICE_CALL(SetFVF(fvf));
}
HRESULT DeviceCreateVertexShader(const DWORD* code, IDirect3DVertexShader9** out) {
    DEVICE_CALL(CreateVertexShader(code, out));
}
HRESULT DeviceSetVertexShader(IDirect3DVertexShader9* shader) {
    DEVICE_CALL(SetVertexShader(shader));
}
HRESULT DeviceSetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    DEVICE_CALL(SetVertexShaderConstantF(start, data, count));
}
HRESULT DeviceSetVertexShaderConstantI(UINT start, const int* data, UINT count) {
    DEVICE_CALL(SetVertexShaderConstantI(start, data, count));
}
HRESULT DeviceSetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) {
    DEVICE_CALL(SetVertexShaderConstantB(start, data, count));
}
HRESULT DeviceCreatePixelShader(const DWORD* code, IDirect3DPixelShader9** out) {
    DEVICE_CALL(CreatePixelShader(code, out));
}
HRESULT DeviceSetPixelShader(IDirect3DPixelShader9* shader) {
    DEVICE_CALL(SetPixelShader(shader));
}
HRESULT DeviceSetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    DEVICE_CALL(SetPixelShaderConstantF(start, data, count));
}
HRESULT DeviceSetPixelShaderConstantI(UINT start, const int* data, UINT count) {
    DEVICE_CALL(SetPixelShaderConstantI(start, data, count));
}
HRESULT DeviceSetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) {
    DEVICE_CALL(SetPixelShaderConstantB(start, data, count));
}

HRESULT TextureGetSurfaceLevel(IDirect3DTexture9* texture, UINT level, IDirect3DSurface9** out) {
    OBJECT_CALL(texture, GetSurfaceLevel(level, out));
}
HRESULT TextureLockRect(IDirect3DBaseTexture9* texture, UINT level, D3DLOCKED_RECT* locked,
                        const RECT* rect, DWORD flags) {
    if (!texture || !locked) return D3DERR_INVALIDCALL;
    if (texture->GetType() == D3DRTYPE_VOLUMETEXTURE) {
        D3DLOCKED_BOX box{};
        const HRESULT hr =
            static_cast<IDirect3DVolumeTexture9*>(texture)->LockBox(level, &box, nullptr, flags);
        locked->Pitch = box.RowPitch;
        locked->pBits = box.pBits;
        return hr;
    }
    return static_cast<IDirect3DTexture9*>(texture)->LockRect(level, locked, rect, flags);
}
HRESULT TextureUnlockRect(IDirect3DBaseTexture9* texture, UINT level) {
    if (!texture) return D3DERR_INVALIDCALL;
    if (texture->GetType() == D3DRTYPE_VOLUMETEXTURE)
        return static_cast<IDirect3DVolumeTexture9*>(texture)->UnlockBox(level);
    return static_cast<IDirect3DTexture9*>(texture)->UnlockRect(level);
}
HRESULT TextureLockBox(IDirect3DVolumeTexture9* texture, UINT level, D3DLOCKED_BOX* locked,
                       DWORD flags) {
    OBJECT_CALL(texture, LockBox(level, locked, nullptr, flags));
}
HRESULT SurfaceGetDesc(IDirect3DSurface9* surface, D3DSURFACE_DESC* desc) {
    OBJECT_CALL(surface, GetDesc(desc));
}
HRESULT SurfaceLockRect(IDirect3DSurface9* surface, D3DLOCKED_RECT* locked, const RECT* rect,
                        DWORD flags) {
    OBJECT_CALL(surface, LockRect(locked, rect, flags));
}
HRESULT SurfaceUnlockRect(IDirect3DSurface9* surface) {
    OBJECT_CALL(surface, UnlockRect());
}
HRESULT BufferLock(IDirect3DResource9* buffer, int isIndex, UINT offset, UINT size, void** data,
                   DWORD flags) {
    if (!buffer) return D3DERR_INVALIDCALL;
    if (isIndex)
        return static_cast<IDirect3DIndexBuffer9*>(buffer)->Lock(offset, size, data, flags);
    return static_cast<IDirect3DVertexBuffer9*>(buffer)->Lock(offset, size, data, flags);
}
HRESULT BufferUnlock(IDirect3DResource9* buffer, int isIndex) {
    if (!buffer) return D3DERR_INVALIDCALL;
    if (isIndex) return static_cast<IDirect3DIndexBuffer9*>(buffer)->Unlock();
    return static_cast<IDirect3DVertexBuffer9*>(buffer)->Unlock();
}

#undef D3D_CALL
#undef DEVICE_CALL
#undef OBJECT_CALL

}  // namespace DuRud
