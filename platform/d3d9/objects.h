// The classes behind the Direct3D 9 interfaces of the software device and the
// bookkeeping they share (reference counts, the device core that outlives the
// device while resources live, live-object registration).
#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "call_trace.h"
#include "device_internals.h"
#include "shader_kernels.h"

namespace platform::d3d9 {

class DeviceImpl;
class Object;

// State shared by a device and everything it created. Resources keep it
// alive, so a resource released after its device still finds its lock.
struct DeviceCore {
    std::recursive_mutex mutex;
    DeviceImpl* device = nullptr;  // null once the device was destroyed
    bool isEx = false;
    std::thread::id creatorThread;
    std::set<Object*> objects;  // every live child (for Reset and leak lists)
};

// Locks the device core for one call and counts calls from other threads.
class CallGuard {
  public:
    explicit CallGuard(DeviceCore& core);

  private:
    std::unique_lock<std::recursive_mutex> lock_;
};

// Reference counting shared by every device child. An object with an owner
// (a texture level, a back buffer) shares its owner's count. Implicit objects
// (swap chain, back buffers, automatic depth surface) belong to the device and
// are never freed by Release.
class Object {
  public:
    Object(std::shared_ptr<DeviceCore> core, LiveKind kind, D3DPOOL pool, bool implicit);
    virtual ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    ULONG AddRefObject();
    ULONG ReleaseObject();
    // References that device bindings (SetTexture, SetRenderTarget, ...) hold.
    void Bind();
    void Unbind();
    LONG ExternalRefs() const;
    Object* CountOwner() { return owner_ ? owner_->CountOwner() : this; }

    // One line naming the object for the leak list.
    virtual std::string Describe() const = 0;

    HRESULT GetDeviceFor(IDirect3DDevice9** ppDevice);

    std::shared_ptr<DeviceCore> core_;
    LiveKind kind_;
    D3DPOOL pool_;
    bool implicit_;
    Object* owner_ = nullptr;
    std::atomic<LONG> refs_{1};
    std::atomic<LONG> bindRefs_{0};
    DWORD priority_ = 0;
};

// Gives a level exactly pitch x height (x depth) zeroed bytes; false when
// the memory cannot be had.
bool AllocatePixels(PixelBuffer& p, D3DFORMAT format, UINT width, UINT height, UINT depth = 1);
// Before a write of every pixel of w x h at x, y in slices z to z + d - 1:
// lets the pages it covers whole come as huge pages (see win32/large_blocks.h).
void AdviseRowsWrite(const PixelBuffer& p, UINT x, UINT y, UINT z, UINT w, UINT h, UINT d = 1);

// Checks a rectangle against a size; null means the whole surface.
bool RectInside(const RECT* r, UINT width, UINT height, RECT* out);

// Unimplemented methods: trace the name and refuse.
HRESULT Unsupported(const char* method);

// --- surfaces ---------------------------------------------------------------
enum class SurfaceRole { Plain, RenderTarget, DepthStencil, TextureLevel, BackBuffer };

class SurfaceImpl final : public IDirect3DSurface9, public Object {
  public:
    SurfaceImpl(std::shared_ptr<DeviceCore> core, SurfaceRole role, UINT width, UINT height,
                D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable, bool implicit);
    ~SurfaceImpl() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                       DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* phdc) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC hdc) override;

    std::string Describe() const override;
    D3DSURFACE_DESC Desc() const;
    bool IsRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }
    bool IsDepthStencil() const { return role_ == SurfaceRole::DepthStencil; }

    SurfaceRole role_;
    DWORD usage_;
    bool lockable_;
    bool locked_ = false;
    PixelBuffer pixels_;
    class TextureImpl* texture_ = nullptr;  // container of a texture level
    UINT level_ = 0;
    class SwapChainImpl* swapChain_ = nullptr;  // container of a back buffer
};

// --- textures ---------------------------------------------------------------
class BaseTextureImpl : public Object {
  public:
    using Object::Object;
    virtual IDirect3DBaseTexture9* Interface() = 0;
    virtual bool IsVolume() const = 0;
    virtual UINT Levels() const = 0;
    virtual D3DFORMAT Format() const = 0;
    virtual DWORD Usage() const = 0;
    virtual PixelBuffer* LevelPixels(UINT level) = 0;
    // Regions changed since the last UpdateTexture, in level-0 texels; an
    // entry covering everything when the whole texture is dirty.
    std::vector<D3DBOX> dirty_;
    void MarkDirty(const D3DBOX& box);
    void MarkAllDirty();
    DWORD lod_ = 0;
};

BaseTextureImpl* AsBaseTexture(IDirect3DBaseTexture9* texture);

class TextureImpl final : public IDirect3DTexture9, public BaseTextureImpl {
  public:
    TextureImpl(std::shared_ptr<DeviceCore> core, UINT width, UINT height, UINT levels, DWORD usage,
                D3DFORMAT format, D3DPOOL pool);
    ~TextureImpl() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD LODNew) override;
    DWORD STDMETHODCALLTYPE GetLOD() override;
    DWORD STDMETHODCALLTYPE GetLevelCount() override;
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) override;
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override;
    void STDMETHODCALLTYPE GenerateMipSubLevels() override;
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                       DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT Level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT* pDirtyRect) override;

    IDirect3DBaseTexture9* Interface() override { return this; }
    bool IsVolume() const override { return false; }
    UINT Levels() const override { return UINT(levels_.size()); }
    D3DFORMAT Format() const override { return format_; }
    DWORD Usage() const override { return usage_; }
    PixelBuffer* LevelPixels(UINT level) override;
    std::string Describe() const override;

    UINT width_, height_;
    DWORD usage_;
    D3DFORMAT format_;
    std::vector<SurfaceImpl*> levels_;
};

class VolumeTextureImpl;

class VolumeImpl final : public IDirect3DVolume9, public Object {
  public:
    VolumeImpl(std::shared_ptr<DeviceCore> core, VolumeTextureImpl* owner, UINT level, UINT width,
               UINT height, UINT depth, D3DFORMAT format, DWORD usage, D3DPOOL pool);
    ~VolumeImpl() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override;
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVOLUME_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox,
                                      DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockBox() override;

    std::string Describe() const override;

    VolumeTextureImpl* texture_;
    UINT level_;
    DWORD usage_;
    bool locked_ = false;
    PixelBuffer pixels_;
};

class VolumeTextureImpl final : public IDirect3DVolumeTexture9, public BaseTextureImpl {
  public:
    VolumeTextureImpl(std::shared_ptr<DeviceCore> core, UINT width, UINT height, UINT depth,
                      UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~VolumeTextureImpl() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VOLUMETEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD LODNew) override;
    DWORD STDMETHODCALLTYPE GetLOD() override;
    DWORD STDMETHODCALLTYPE GetLevelCount() override;
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) override;
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override;
    void STDMETHODCALLTYPE GenerateMipSubLevels() override;
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE GetVolumeLevel(UINT Level, IDirect3DVolume9** ppVolume) override;
    HRESULT STDMETHODCALLTYPE LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox,
                                      DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockBox(UINT Level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyBox(const D3DBOX* pDirtyBox) override;

    IDirect3DBaseTexture9* Interface() override { return this; }
    bool IsVolume() const override { return true; }
    UINT Levels() const override { return UINT(levels_.size()); }
    D3DFORMAT Format() const override { return format_; }
    DWORD Usage() const override { return usage_; }
    PixelBuffer* LevelPixels(UINT level) override;
    std::string Describe() const override;

    UINT width_, height_, depth_;
    DWORD usage_;
    D3DFORMAT format_;
    std::vector<VolumeImpl*> levels_;
};

// --- buffers ------------------------------------------------------------------
class VertexBufferImpl final : public IDirect3DVertexBuffer9, public Object {
  public:
    VertexBufferImpl(std::shared_ptr<DeviceCore> core, UINT length, DWORD usage, DWORD fvf,
                     D3DPOOL pool);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData,
                                   DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;
    std::string Describe() const override;

    std::vector<uint8_t> bytes_;
    DWORD usage_;
    DWORD fvf_;
    int lockCount_ = 0;
};

class IndexBufferImpl final : public IDirect3DIndexBuffer9, public Object {
  public:
    IndexBufferImpl(std::shared_ptr<DeviceCore> core, UINT length, DWORD usage, D3DFORMAT format,
                    D3DPOOL pool);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData,
                                   DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
    std::string Describe() const override;

    std::vector<uint8_t> bytes_;
    DWORD usage_;
    D3DFORMAT format_;
    int lockCount_ = 0;
};

// --- declarations and shaders --------------------------------------------------
class VertexDeclarationImpl final : public IDirect3DVertexDeclaration9, public Object {
  public:
    VertexDeclarationImpl(std::shared_ptr<DeviceCore> core,
                          std::vector<D3DVERTEXELEMENT9> elements);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE GetDeclaration(D3DVERTEXELEMENT9* pElement,
                                             UINT* pNumElements) override;
    std::string Describe() const override;

    std::vector<D3DVERTEXELEMENT9> elements_;  // including the end marker
};

// A parsed shader blob: its tokens and the registered kernel it names.
struct ShaderCode {
    std::vector<DWORD> tokens;
    std::string kernel;
    const ShaderKernel* program = nullptr;  // the registered kernel of that name
    DWORD version = 0;
};

class VertexShaderImpl final : public IDirect3DVertexShader9, public Object {
  public:
    VertexShaderImpl(std::shared_ptr<DeviceCore> core, ShaderCode code);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE GetFunction(void* pData, UINT* pSizeOfData) override;
    std::string Describe() const override;
    ShaderCode code_;
};

class PixelShaderImpl final : public IDirect3DPixelShader9, public Object {
  public:
    PixelShaderImpl(std::shared_ptr<DeviceCore> core, ShaderCode code);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE GetFunction(void* pData, UINT* pSizeOfData) override;
    std::string Describe() const override;
    ShaderCode code_;
};

// Reads a shader blob: a version token of the wanted kind, comment blocks of
// which the first names a registered kernel, and the end token, all within a
// fixed bound. D3DERR_INVALIDCALL for anything else.
HRESULT ParseShaderBlob(const DWORD* function, bool vertex, DWORD maxVersion, ShaderCode* out);
inline constexpr size_t kShaderTokenBound = 4096;

// --- swap chain ------------------------------------------------------------------
class SwapChainImpl final : public IDirect3DSwapChain9, public Object {
  public:
    SwapChainImpl(std::shared_ptr<DeviceCore> core, const D3DPRESENT_PARAMETERS& pp);
    ~SwapChainImpl() override;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
    HRESULT STDMETHODCALLTYPE Present(const RECT* pSourceRect, const RECT* pDestRect,
                                      HWND hDestWindowOverride, const RGNDATA* pDirtyRegion,
                                      DWORD dwFlags) override;
    HRESULT STDMETHODCALLTYPE GetFrontBufferData(IDirect3DSurface9* pDestSurface) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                            IDirect3DSurface9** ppBackBuffer) override;
    HRESULT STDMETHODCALLTYPE GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT STDMETHODCALLTYPE GetPresentParameters(D3DPRESENT_PARAMETERS* pp) override;
    std::string Describe() const override;

    // Shows back buffer 0 and rotates the buffers (used by the device too).
    HRESULT PresentNow(const RECT* src, const RECT* dst, HWND override, DWORD flags);

    D3DPRESENT_PARAMETERS params_;
    std::vector<SurfaceImpl*> backBuffers_;
};

// --- the device ---------------------------------------------------------------------
class Direct3DImpl;

class DeviceImpl final : public IDirect3DDevice9Ex {
  public:
    DeviceImpl(Direct3DImpl* d3d, bool isEx, HWND focus, DWORD behaviour,
               const D3DPRESENT_PARAMETERS& pp, const D3DDISPLAYMODE& mode);
    ~DeviceImpl();
    DeviceImpl(const DeviceImpl&) = delete;
    DeviceImpl& operator=(const DeviceImpl&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override;
    HRESULT STDMETHODCALLTYPE EvictManagedResources() override;
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE
    GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                                                  IDirect3DSurface9* pCursorBitmap) override;
    void STDMETHODCALLTYPE SetCursorPosition(int X, int Y, DWORD Flags) override;
    BOOL STDMETHODCALLTYPE ShowCursor(BOOL bShow) override;
    HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(
        D3DPRESENT_PARAMETERS* pPresentationParameters, IDirect3DSwapChain9** pSwapChain) override;
    HRESULT STDMETHODCALLTYPE GetSwapChain(UINT iSwapChain,
                                           IDirect3DSwapChain9** pSwapChain) override;
    UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* pSourceRect, const RECT* pDestRect,
                                      HWND hDestWindowOverride,
                                      const RGNDATA* pDirtyRegion) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT iSwapChain, UINT iBackBuffer,
                                            D3DBACKBUFFER_TYPE Type,
                                            IDirect3DSurface9** ppBackBuffer) override;
    HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT iSwapChain,
                                              D3DRASTER_STATUS* pRasterStatus) override;
    HRESULT STDMETHODCALLTYPE SetDialogBoxMode(BOOL bEnableDialogs) override;
    void STDMETHODCALLTYPE SetGammaRamp(UINT iSwapChain, DWORD Flags,
                                        const D3DGAMMARAMP* pRamp) override;
    void STDMETHODCALLTYPE GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool,
                                            IDirect3DTexture9** ppTexture,
                                            HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels,
                                                  DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                  IDirect3DVolumeTexture9** ppVolumeTexture,
                                                  HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage,
                                                D3DFORMAT Format, D3DPOOL Pool,
                                                IDirect3DCubeTexture9** ppCubeTexture,
                                                HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                                 IDirect3DVertexBuffer9** ppVertexBuffer,
                                                 HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format,
                                                D3DPOOL Pool, IDirect3DIndexBuffer9** ppIndexBuffer,
                                                HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                                 D3DMULTISAMPLE_TYPE MultiSample,
                                                 DWORD MultisampleQuality, BOOL Lockable,
                                                 IDirect3DSurface9** ppSurface,
                                                 HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                        D3DMULTISAMPLE_TYPE MultiSample,
                                                        DWORD MultisampleQuality, BOOL Discard,
                                                        IDirect3DSurface9** ppSurface,
                                                        HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9* pSourceSurface,
                                            const RECT* pSourceRect,
                                            IDirect3DSurface9* pDestinationSurface,
                                            const POINT* pDestPoint) override;
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                                            IDirect3DBaseTexture9* pDestinationTexture) override;
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                                  IDirect3DSurface9* pDestSurface) override;
    HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT iSwapChain,
                                                 IDirect3DSurface9* pDestSurface) override;
    HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9* pSourceSurface,
                                          const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                                          const RECT* pDestRect,
                                          D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect,
                                        D3DCOLOR color) override;
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                          D3DPOOL Pool,
                                                          IDirect3DSurface9** ppSurface,
                                                          HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD RenderTargetIndex,
                                              IDirect3DSurface9* pRenderTarget) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD RenderTargetIndex,
                                              IDirect3DSurface9** ppRenderTarget) override;
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT STDMETHODCALLTYPE
    GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color,
                                    float Z, DWORD Stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE State,
                                           const D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE State,
                                           D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE State,
                                                const D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* pMaterial) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT STDMETHODCALLTYPE SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
    HRESULT STDMETHODCALLTYPE GetLight(DWORD Index, D3DLIGHT9* pLight) override;
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD Index, const float* pPlane) override;
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE Type,
                                               IDirect3DStateBlock9** ppSB) override;
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override;
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** ppSB) override;
    HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9* pClipStatus) override;
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9* pClipStatus) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                                   DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                                   DWORD Value) override;
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type,
                                              DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type,
                                              DWORD Value) override;
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* pNumPasses) override;
    HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT PaletteNumber,
                                                const PALETTEENTRY* pEntries) override;
    HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT PaletteNumber,
                                                PALETTEENTRY* pEntries) override;
    HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT PaletteNumber) override;
    HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT* PaletteNumber) override;
    HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT* pRect) override;
    HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* pRect) override;
    HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(BOOL bSoftware) override;
    BOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override;
    HRESULT STDMETHODCALLTYPE SetNPatchMode(float nSegments) override;
    float STDMETHODCALLTYPE GetNPatchMode() override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                            UINT PrimitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType,
                                                   INT BaseVertexIndex, UINT MinVertexIndex,
                                                   UINT NumVertices, UINT startIndex,
                                                   UINT primCount) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                              const void* pVertexStreamZeroData,
                                              UINT VertexStreamZeroStride) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType,
                                                     UINT MinVertexIndex, UINT NumVertices,
                                                     UINT PrimitiveCount, const void* pIndexData,
                                                     D3DFORMAT IndexDataFormat,
                                                     const void* pVertexStreamZeroData,
                                                     UINT VertexStreamZeroStride) override;
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount,
                                              IDirect3DVertexBuffer9* pDestBuffer,
                                              IDirect3DVertexDeclaration9* pVertexDecl,
                                              DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(
        const D3DVERTEXELEMENT9* pVertexElements, IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT STDMETHODCALLTYPE GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD FVF) override;
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* pFVF) override;
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD* pFunction,
                                                 IDirect3DVertexShader9** ppShader) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* pShader) override;
    HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** ppShader) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT StartRegister,
                                                       const float* pConstantData,
                                                       UINT Vector4fCount) override;
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                                       UINT Vector4fCount) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT StartRegister, const int* pConstantData,
                                                       UINT Vector4iCount) override;
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT StartRegister, int* pConstantData,
                                                       UINT Vector4iCount) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT StartRegister,
                                                       const BOOL* pConstantData,
                                                       UINT BoolCount) override;
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT StartRegister, BOOL* pConstantData,
                                                       UINT BoolCount) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT StreamNumber,
                                              IDirect3DVertexBuffer9* pStreamData,
                                              UINT OffsetInBytes, UINT Stride) override;
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT StreamNumber,
                                              IDirect3DVertexBuffer9** ppStreamData,
                                              UINT* pOffsetInBytes, UINT* pStride) override;
    HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT StreamNumber, UINT Setting) override;
    HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD* pFunction,
                                                IDirect3DPixelShader9** ppShader) override;
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* pShader) override;
    HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** ppShader) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT StartRegister,
                                                      const float* pConstantData,
                                                      UINT Vector4fCount) override;
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                                      UINT Vector4fCount) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT StartRegister, const int* pConstantData,
                                                      UINT Vector4iCount) override;
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT StartRegister, int* pConstantData,
                                                      UINT Vector4iCount) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT StartRegister, const BOOL* pConstantData,
                                                      UINT BoolCount) override;
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT StartRegister, BOOL* pConstantData,
                                                      UINT BoolCount) override;
    HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT Handle, const float* pNumSegs,
                                            const D3DRECTPATCH_INFO* pRectPatchInfo) override;
    HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT Handle, const float* pNumSegs,
                                           const D3DTRIPATCH_INFO* pTriPatchInfo) override;
    HRESULT STDMETHODCALLTYPE DeletePatch(UINT Handle) override;
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) override;
    HRESULT STDMETHODCALLTYPE SetConvolutionMonoKernel(UINT width, UINT height, float* rows,
                                                       float* columns) override;
    HRESULT STDMETHODCALLTYPE ComposeRects(IDirect3DSurface9* pSrc, IDirect3DSurface9* pDst,
                                           IDirect3DVertexBuffer9* pSrcRectDescs, UINT NumRects,
                                           IDirect3DVertexBuffer9* pDstRectDescs,
                                           D3DCOMPOSERECTSOP Operation, int Xoffset,
                                           int Yoffset) override;
    HRESULT STDMETHODCALLTYPE PresentEx(const RECT* pSourceRect, const RECT* pDestRect,
                                        HWND hDestWindowOverride, const RGNDATA* pDirtyRegion,
                                        DWORD dwFlags) override;
    HRESULT STDMETHODCALLTYPE GetGPUThreadPriority(INT* pPriority) override;
    HRESULT STDMETHODCALLTYPE SetGPUThreadPriority(INT Priority) override;
    HRESULT STDMETHODCALLTYPE WaitForVBlank(UINT iSwapChain) override;
    HRESULT STDMETHODCALLTYPE CheckResourceResidency(IDirect3DResource9** pResourceArray,
                                                     UINT32 NumResources) override;
    HRESULT STDMETHODCALLTYPE SetMaximumFrameLatency(UINT MaxLatency) override;
    HRESULT STDMETHODCALLTYPE GetMaximumFrameLatency(UINT* pMaxLatency) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceState(HWND hDestinationWindow) override;
    HRESULT STDMETHODCALLTYPE CreateRenderTargetEx(UINT Width, UINT Height, D3DFORMAT Format,
                                                   D3DMULTISAMPLE_TYPE MultiSample,
                                                   DWORD MultisampleQuality, BOOL Lockable,
                                                   IDirect3DSurface9** ppSurface,
                                                   HANDLE* pSharedHandle, DWORD Usage) override;
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurfaceEx(UINT Width, UINT Height,
                                                            D3DFORMAT Format, D3DPOOL Pool,
                                                            IDirect3DSurface9** ppSurface,
                                                            HANDLE* pSharedHandle,
                                                            DWORD Usage) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurfaceEx(UINT Width, UINT Height, D3DFORMAT Format,
                                                          D3DMULTISAMPLE_TYPE MultiSample,
                                                          DWORD MultisampleQuality, BOOL Discard,
                                                          IDirect3DSurface9** ppSurface,
                                                          HANDLE* pSharedHandle,
                                                          DWORD Usage) override;
    HRESULT STDMETHODCALLTYPE ResetEx(D3DPRESENT_PARAMETERS* pPresentationParameters,
                                      D3DDISPLAYMODEEX* pFullscreenDisplayMode) override;
    HRESULT STDMETHODCALLTYPE GetDisplayModeEx(UINT iSwapChain, D3DDISPLAYMODEEX* pMode,
                                               D3DDISPLAYROTATION* pRotation) override;

    // Builds the swap chain, the automatic depth surface and the default states.
    HRESULT BuildImplicit(const D3DPRESENT_PARAMETERS& pp);
    void ReleaseImplicit();
    // Full screen: switches the display to the device's mode; windowed (or
    // null) gives the desktop back when this device had switched it.
    bool SwitchDisplay(bool fullScreen);
    void ResetStates();
    void UnbindAll();
    HRESULT LossState() const;  // D3D_OK, D3DERR_DEVICELOST or D3DERR_DEVICENOTRESET
    HRESULT CountResourceCreation();
    template <class T>
    void Rebind(T*& slot, T* value) {
        if (slot == value) return;
        if (value) value->Bind();
        T* old = slot;
        slot = value;
        if (old) old->Unbind();
    }

    std::shared_ptr<DeviceCore> core_;
    std::atomic<LONG> refs_{1};
    Direct3DImpl* d3d_;
    bool isEx_;
    HWND focus_;
    DWORD behaviour_;
    D3DDISPLAYMODE mode_;  // the display mode the device runs in
    D3DCAPS9 caps_{};
    DeviceState state_;
    SwapChainImpl* swapChain_ = nullptr;
    SurfaceImpl* autoDepth_ = nullptr;
    UINT lossSeen_ = 0;         // the loss count this device has recovered from
    bool needsReset_ = false;   // a failed Reset leaves the device waiting for another
    bool lostByReset_ = false;  // ... and lost first when it was working before
    bool switchedDisplay_ = false;
    UINT maxFrameLatency_ = 3;
    BOOL dialogBoxMode_ = FALSE;
    INT gpuPriority_ = 0;
    D3DGAMMARAMP gamma_{};
};

// --- the Direct3D object --------------------------------------------------------------
class Direct3DImpl final : public IDirect3D9Ex {
  public:
    explicit Direct3DImpl(bool isEx);
    ~Direct3DImpl();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* pInitializeFunction) override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                                   D3DADAPTER_IDENTIFIER9* pIdentifier) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                               D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType,
                                              D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat,
                                              BOOL bWindowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType,
                                                D3DFORMAT AdapterFormat, DWORD Usage,
                                                D3DRESOURCETYPE RType,
                                                D3DFORMAT CheckFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                                         D3DFORMAT SurfaceFormat, BOOL Windowed,
                                                         D3DMULTISAMPLE_TYPE MultiSampleType,
                                                         DWORD* pQualityLevels) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                                     D3DFORMAT AdapterFormat,
                                                     D3DFORMAT RenderTargetFormat,
                                                     D3DFORMAT DepthStencilFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType,
                                                          D3DFORMAT SourceFormat,
                                                          D3DFORMAT TargetFormat) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType,
                                            D3DCAPS9* pCaps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT Adapter) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                           DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pp,
                                           IDirect3DDevice9** ppDevice) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCountEx(UINT Adapter,
                                                 const D3DDISPLAYMODEFILTER* pFilter) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModesEx(UINT Adapter, const D3DDISPLAYMODEFILTER* pFilter,
                                                 UINT Mode, D3DDISPLAYMODEEX* pMode) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayModeEx(UINT Adapter, D3DDISPLAYMODEEX* pMode,
                                                      D3DDISPLAYROTATION* pRotation) override;
    HRESULT STDMETHODCALLTYPE CreateDeviceEx(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                             DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pp,
                                             D3DDISPLAYMODEEX* pFullscreenDisplayMode,
                                             IDirect3DDevice9Ex** ppDevice) override;
    HRESULT STDMETHODCALLTYPE GetAdapterLUID(UINT Adapter, LUID* pLUID) override;

    HRESULT MakeDevice(bool ex, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                       const D3DDISPLAYMODEEX* fullscreenMode, DeviceImpl** out);

    std::atomic<LONG> refs_{1};
    bool isEx_;
    std::mutex mutex_;
};

// Checks presentation parameters as CreateDevice and Reset do and completes
// them (back-buffer count, windowed format); fills the display mode to use.
HRESULT ValidatePresentParameters(D3DPRESENT_PARAMETERS* pp, bool ex,
                                  const D3DDISPLAYMODEEX* fullscreenMode, D3DDISPLAYMODE* mode);

// Maps interface pointers the application passes back to our objects; null
// for anything this device did not make.
SurfaceImpl* AsSurface(IDirect3DSurface9* surface);

}  // namespace platform::d3d9
