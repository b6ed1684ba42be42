// Resource creation of the software device: textures, volume textures,
// surfaces, buffers, declarations and shaders, with Direct3D 9's checks of
// size, format, usage and pool.
#include <new>
#include <set>

#include "formats.h"
#include "knobs.h"
#include "objects.h"

namespace platform::d3d9 {

namespace {
bool IsPow2(UINT v) {
    return v && !(v & (v - 1));
}

// The pool checks every resource shares.
const char* PoolProblem(D3DPOOL pool, DWORD usage, bool ex) {
    if (pool > D3DPOOL_SCRATCH) return "unknown pool";
    if (pool == D3DPOOL_MANAGED && ex) return "MANAGED on an Ex device";
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return "DYNAMIC in MANAGED";
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT)
        return "target outside DEFAULT";
    return nullptr;
}
}  // namespace

HRESULT DeviceImpl::CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DTexture9** pp, HANDLE* shared) {
    CallGuard guard(*core_);
    const char* name = "CreateTexture";
    auto refuse = [&](HRESULT hr, const char* why) {
        return Traced(name, hr, "%ux%u levels %u usage 0x%X %s pool %u: %s", w, h, levels,
                      unsigned(usage), FormatName(format), unsigned(pool), why);
    };
    if (!pp) return refuse(D3DERR_INVALIDCALL, "no output");
    *pp = nullptr;
    if (shared) return refuse(D3DERR_INVALIDCALL, "shared handles not supported");
    if (w == 0 || h == 0) return refuse(D3DERR_INVALIDCALL, "empty size");
    const DWORD allowed = D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC | D3DUSAGE_DEPTHSTENCIL |
                          D3DUSAGE_AUTOGENMIPMAP | D3DUSAGE_DMAP;
    if (usage & ~allowed) return refuse(D3DERR_INVALIDCALL, "usage");
    if ((usage & D3DUSAGE_RENDERTARGET) && (usage & D3DUSAGE_DYNAMIC))
        return refuse(D3DERR_INVALIDCALL, "RENDERTARGET with DYNAMIC");
    if (const char* why = PoolProblem(pool, usage, isEx_)) return refuse(D3DERR_INVALIDCALL, why);
    if (FormatSupport(format, usage, D3DRTYPE_TEXTURE) != D3D_OK)
        return refuse(D3DERR_INVALIDCALL, "format not supported");
    if (w > caps_.MaxTextureWidth || h > caps_.MaxTextureHeight)
        return refuse(D3DERR_INVALIDCALL, "larger than the maximum texture");
    const bool np2Allowed = (caps_.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) && levels == 1;
    if ((caps_.TextureCaps & D3DPTEXTURECAPS_POW2) && !np2Allowed && (!IsPow2(w) || !IsPow2(h)))
        return refuse(D3DERR_INVALIDCALL, "not a power of two");
    if ((caps_.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) && w != h)
        return refuse(D3DERR_INVALIDCALL, "not square");
    const UINT full = FullChainLevels(w, h);
    if (levels > full) return refuse(D3DERR_INVALIDCALL, "too many levels");
    if (levels == 0) levels = full;
    if (HRESULT hr = CountResourceCreation(); FAILED(hr)) return refuse(hr, "resource limit");
    auto* t = new TextureImpl(core_, w, h, levels, usage, format, pool);
    for (SurfaceImpl* s : t->levels_)
        if (!s->pixels_.bytes) {
            t->Release();
            return refuse(D3DERR_OUTOFVIDEOMEMORY, "no memory");
        }
    *pp = t;
    return Traced(name, D3D_OK, "%ux%u levels %u usage 0x%X %s pool %u", w, h, levels,
                  unsigned(usage), FormatName(format), unsigned(pool));
}

HRESULT DeviceImpl::CreateVolumeTexture(UINT w, UINT h, UINT d, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DVolumeTexture9** pp, HANDLE* shared) {
    CallGuard guard(*core_);
    const char* name = "CreateVolumeTexture";
    auto refuse = [&](HRESULT hr, const char* why) {
        return Traced(name, hr, "%ux%ux%u levels %u %s pool %u: %s", w, h, d, levels,
                      FormatName(format), unsigned(pool), why);
    };
    if (!pp) return refuse(D3DERR_INVALIDCALL, "no output");
    *pp = nullptr;
    if (shared) return refuse(D3DERR_INVALIDCALL, "shared handles not supported");
    if (w == 0 || h == 0 || d == 0) return refuse(D3DERR_INVALIDCALL, "empty size");
    if (usage & ~DWORD(D3DUSAGE_DYNAMIC)) return refuse(D3DERR_INVALIDCALL, "usage");
    if (const char* why = PoolProblem(pool, usage, isEx_)) return refuse(D3DERR_INVALIDCALL, why);
    if (FormatSupport(format, usage, D3DRTYPE_VOLUMETEXTURE) != D3D_OK)
        return refuse(D3DERR_INVALIDCALL, "format not supported");
    if (w > caps_.MaxVolumeExtent || h > caps_.MaxVolumeExtent || d > caps_.MaxVolumeExtent)
        return refuse(D3DERR_INVALIDCALL, "larger than the maximum extent");
    if ((caps_.TextureCaps & D3DPTEXTURECAPS_VOLUMEMAP_POW2) &&
        (!IsPow2(w) || !IsPow2(h) || !IsPow2(d)))
        return refuse(D3DERR_INVALIDCALL, "not a power of two");
    const UINT full = FullChainLevels(w, h, d);
    if (levels > full) return refuse(D3DERR_INVALIDCALL, "too many levels");
    if (levels == 0) levels = full;
    if (HRESULT hr = CountResourceCreation(); FAILED(hr)) return refuse(hr, "resource limit");
    auto* t = new VolumeTextureImpl(core_, w, h, d, levels, usage, format, pool);
    for (VolumeImpl* v : t->levels_)
        if (!v->pixels_.bytes) {
            t->Release();
            return refuse(D3DERR_OUTOFVIDEOMEMORY, "no memory");
        }
    *pp = t;
    return Traced(name, D3D_OK, "%ux%ux%u levels %u %s pool %u", w, h, d, levels,
                  FormatName(format), unsigned(pool));
}

HRESULT DeviceImpl::CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                      IDirect3DCubeTexture9** pp, HANDLE*) {
    if (pp) *pp = nullptr;
    return Unsupported("CreateCubeTexture");
}

namespace {
// The most one buffer may hold: the device's memory is the process's.
constexpr UINT kMaxBufferBytes = 256u << 20;
constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC |
                                D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS |
                                D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES;
}  // namespace

HRESULT DeviceImpl::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** pp, HANDLE* shared) {
    CallGuard guard(*core_);
    const char* name = "CreateVertexBuffer";
    auto refuse = [&](HRESULT hr, const char* why) {
        return Traced(name, hr, "%u bytes usage 0x%X pool %u: %s", length, unsigned(usage),
                      unsigned(pool), why);
    };
    if (!pp) return refuse(D3DERR_INVALIDCALL, "no output");
    *pp = nullptr;
    if (shared) return refuse(D3DERR_INVALIDCALL, "shared handles not supported");
    if (length == 0) return refuse(D3DERR_INVALIDCALL, "empty");
    if (length > kMaxBufferBytes) return refuse(D3DERR_OUTOFVIDEOMEMORY, "too large");
    if (usage & ~kBufferUsages) return refuse(D3DERR_INVALIDCALL, "usage");
    if (pool == D3DPOOL_SCRATCH) return refuse(D3DERR_INVALIDCALL, "SCRATCH buffer");
    if (const char* why = PoolProblem(pool, usage, isEx_)) return refuse(D3DERR_INVALIDCALL, why);
    if (HRESULT hr = CountResourceCreation(); FAILED(hr)) return refuse(hr, "resource limit");
    try {
        *pp = new VertexBufferImpl(core_, length, usage, fvf, pool);
    } catch (const std::bad_alloc&) {
        return refuse(D3DERR_OUTOFVIDEOMEMORY, "no memory");
    }
    return Traced(name, D3D_OK, "%u bytes usage 0x%X fvf 0x%X pool %u", length, unsigned(usage),
                  unsigned(fvf), unsigned(pool));
}

HRESULT DeviceImpl::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** pp, HANDLE* shared) {
    CallGuard guard(*core_);
    const char* name = "CreateIndexBuffer";
    auto refuse = [&](HRESULT hr, const char* why) {
        return Traced(name, hr, "%u bytes %s pool %u: %s", length, FormatName(format),
                      unsigned(pool), why);
    };
    if (!pp) return refuse(D3DERR_INVALIDCALL, "no output");
    *pp = nullptr;
    if (shared) return refuse(D3DERR_INVALIDCALL, "shared handles not supported");
    if (length == 0) return refuse(D3DERR_INVALIDCALL, "empty");
    if (length > kMaxBufferBytes) return refuse(D3DERR_OUTOFVIDEOMEMORY, "too large");
    if (usage & ~kBufferUsages) return refuse(D3DERR_INVALIDCALL, "usage");
    if (pool == D3DPOOL_SCRATCH) return refuse(D3DERR_INVALIDCALL, "SCRATCH buffer");
    if (const char* why = PoolProblem(pool, usage, isEx_)) return refuse(D3DERR_INVALIDCALL, why);
    if (FormatSupport(format, 0, D3DRTYPE_INDEXBUFFER) != D3D_OK)
        return refuse(D3DERR_INVALIDCALL, "index format");
    if (HRESULT hr = CountResourceCreation(); FAILED(hr)) return refuse(hr, "resource limit");
    try {
        *pp = new IndexBufferImpl(core_, length, usage, format, pool);
    } catch (const std::bad_alloc&) {
        return refuse(D3DERR_OUTOFVIDEOMEMORY, "no memory");
    }
    return Traced(name, D3D_OK, "%u bytes %s pool %u", length, FormatName(format), unsigned(pool));
}

namespace {
struct SurfaceRequest {
    SurfaceRole role;
    UINT w, h;
    D3DFORMAT format;
    DWORD usage;
    D3DPOOL pool;
    bool lockable;
};
}  // namespace

static HRESULT MakeSurface(DeviceImpl* dev, const char* name, const SurfaceRequest& r,
                           D3DMULTISAMPLE_TYPE ms, IDirect3DSurface9** pp, HANDLE* shared) {
    auto refuse = [&](HRESULT hr, const char* why) {
        return Traced(name, hr, "%ux%u %s pool %u: %s", r.w, r.h, FormatName(r.format),
                      unsigned(r.pool), why);
    };
    if (!pp) return refuse(D3DERR_INVALIDCALL, "no output");
    *pp = nullptr;
    if (shared) return refuse(D3DERR_INVALIDCALL, "shared handles not supported");
    if (r.w == 0 || r.h == 0 || r.w > 8192 || r.h > 8192) return refuse(D3DERR_INVALIDCALL, "size");
    if (ms != D3DMULTISAMPLE_NONE) return refuse(D3DERR_INVALIDCALL, "multisampling not supported");
    if (const char* why = PoolProblem(r.pool, r.usage, dev->isEx_))
        return refuse(D3DERR_INVALIDCALL, why);
    if (r.role == SurfaceRole::Plain && r.pool == D3DPOOL_MANAGED)
        return refuse(D3DERR_INVALIDCALL, "MANAGED plain surface");
    if (IsYuvFormat(r.format) && (r.role != SurfaceRole::Plain || r.pool != D3DPOOL_DEFAULT))
        return refuse(D3DERR_INVALIDCALL, "YUV outside a DEFAULT plain surface");
    if (FormatSupport(r.format, r.usage, D3DRTYPE_SURFACE) != D3D_OK)
        return refuse(D3DERR_INVALIDCALL, "format not supported");
    if (HRESULT hr = dev->CountResourceCreation(); FAILED(hr)) return refuse(hr, "resource limit");
    auto* s =
        new SurfaceImpl(dev->core_, r.role, r.w, r.h, r.format, r.usage, r.pool, r.lockable, false);
    if (!s->pixels_.bytes) {
        s->Release();
        return refuse(D3DERR_OUTOFVIDEOMEMORY, "no memory");
    }
    *pp = s;
    return Traced(name, D3D_OK, "%ux%u %s pool %u", r.w, r.h, FormatName(r.format),
                  unsigned(r.pool));
}

HRESULT DeviceImpl::CreateRenderTarget(UINT w, UINT h, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                       DWORD, BOOL lockable, IDirect3DSurface9** pp,
                                       HANDLE* shared) {
    CallGuard guard(*core_);
    return MakeSurface(this, "CreateRenderTarget",
                       {SurfaceRole::RenderTarget, w, h, format, D3DUSAGE_RENDERTARGET,
                        D3DPOOL_DEFAULT, lockable != FALSE},
                       ms, pp, shared);
}

HRESULT DeviceImpl::CreateDepthStencilSurface(UINT w, UINT h, D3DFORMAT format,
                                              D3DMULTISAMPLE_TYPE ms, DWORD, BOOL,
                                              IDirect3DSurface9** pp, HANDLE* shared) {
    CallGuard guard(*core_);
    return MakeSurface(
        this, "CreateDepthStencilSurface",
        {SurfaceRole::DepthStencil, w, h, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, false},
        ms, pp, shared);
}

HRESULT DeviceImpl::CreateOffscreenPlainSurface(UINT w, UINT h, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9** pp, HANDLE* shared) {
    CallGuard guard(*core_);
    return MakeSurface(this, "CreateOffscreenPlainSurface",
                       {SurfaceRole::Plain, w, h, format, 0, pool, true}, D3DMULTISAMPLE_NONE, pp,
                       shared);
}

HRESULT DeviceImpl::CreateRenderTargetEx(UINT w, UINT h, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                         DWORD q, BOOL lockable, IDirect3DSurface9** pp,
                                         HANDLE* shared, DWORD usage) {
    if (usage != 0)
        return Traced("CreateRenderTargetEx", D3DERR_INVALIDCALL, "usage 0x%X", unsigned(usage));
    return CreateRenderTarget(w, h, format, ms, q, lockable, pp, shared);
}

HRESULT DeviceImpl::CreateOffscreenPlainSurfaceEx(UINT w, UINT h, D3DFORMAT format, D3DPOOL pool,
                                                  IDirect3DSurface9** pp, HANDLE* shared,
                                                  DWORD usage) {
    if (usage != 0) return Traced("CreateOffscreenPlainSurfaceEx", D3DERR_INVALIDCALL);
    return CreateOffscreenPlainSurface(w, h, format, pool, pp, shared);
}

HRESULT DeviceImpl::CreateDepthStencilSurfaceEx(UINT w, UINT h, D3DFORMAT format,
                                                D3DMULTISAMPLE_TYPE ms, DWORD q, BOOL discard,
                                                IDirect3DSurface9** pp, HANDLE* shared,
                                                DWORD usage) {
    if (usage != 0) return Traced("CreateDepthStencilSurfaceEx", D3DERR_INVALIDCALL);
    return CreateDepthStencilSurface(w, h, format, ms, q, discard, pp, shared);
}

HRESULT DeviceImpl::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9** pp) {
    if (pp) *pp = nullptr;
    return Unsupported("CreateAdditionalSwapChain");
}

HRESULT DeviceImpl::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                            IDirect3DVertexDeclaration9** pp) {
    CallGuard guard(*core_);
    const char* name = "CreateVertexDeclaration";
    if (!pp || !elements) return Traced(name, D3DERR_INVALIDCALL, "null");
    *pp = nullptr;
    std::vector<D3DVERTEXELEMENT9> list;
    std::set<std::pair<int, int>> seen;
    for (size_t i = 0;; ++i) {
        if (i > MAXD3DDECLLENGTH) return Traced(name, D3DERR_INVALIDCALL, "no end marker");
        const D3DVERTEXELEMENT9& e = elements[i];
        list.push_back(e);
        if (e.Stream == 0xFF) break;
        if (e.Stream >= 16 || e.Type >= D3DDECLTYPE_UNUSED ||
            e.Method > D3DDECLMETHOD_LOOKUPPRESAMPLED || e.Usage > D3DDECLUSAGE_SAMPLE ||
            (e.Offset & 3))
            return Traced(name, D3DERR_INVALIDCALL, "element %zu", i);
        if (!seen.insert({e.Usage, e.UsageIndex}).second)
            return Traced(name, D3DERR_INVALIDCALL, "element %zu repeats usage %u/%u", i, e.Usage,
                          e.UsageIndex);
    }
    *pp = new VertexDeclarationImpl(core_, std::move(list));
    return Traced(name, D3D_OK, "%zu elements", seen.size());
}

HRESULT DeviceImpl::CreateVertexShader(const DWORD* fn, IDirect3DVertexShader9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("CreateVertexShader", D3DERR_INVALIDCALL, "no output");
    *pp = nullptr;
    ShaderCode code;
    HRESULT hr = ParseShaderBlob(fn, true, caps_.VertexShaderVersion, &code);
    if (FAILED(hr)) return Traced("CreateVertexShader", hr, "blob refused");
    if (KernelRefused(code.kernel))
        return Traced("CreateVertexShader", D3DERR_OUTOFVIDEOMEMORY, "%s refused by the knob",
                      code.kernel.c_str());
    *pp = new VertexShaderImpl(core_, std::move(code));
    return Traced("CreateVertexShader", D3D_OK, "%s",
                  static_cast<VertexShaderImpl*>(*pp)->code_.kernel.c_str());
}

HRESULT DeviceImpl::CreatePixelShader(const DWORD* fn, IDirect3DPixelShader9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("CreatePixelShader", D3DERR_INVALIDCALL, "no output");
    *pp = nullptr;
    ShaderCode code;
    HRESULT hr = ParseShaderBlob(fn, false, caps_.PixelShaderVersion, &code);
    if (FAILED(hr)) return Traced("CreatePixelShader", hr, "blob refused");
    if (KernelRefused(code.kernel))
        return Traced("CreatePixelShader", D3DERR_OUTOFVIDEOMEMORY, "%s refused by the knob",
                      code.kernel.c_str());
    *pp = new PixelShaderImpl(core_, std::move(code));
    return Traced("CreatePixelShader", D3D_OK, "%s",
                  static_cast<PixelShaderImpl*>(*pp)->code_.kernel.c_str());
}

}  // namespace platform::d3d9
