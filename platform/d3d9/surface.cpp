// IDirect3DSurface9: plain, render-target, depth, back-buffer surfaces and
// texture levels, with the lock rules of Direct3D 9.
#include <cstdlib>
#include <cstring>

#include "formats.h"
#include "objects.h"
#include "win32/large_blocks.h"

namespace platform::d3d9 {

bool AllocatePixels(PixelBuffer& p, D3DFORMAT format, UINT width, UINT height, UINT depth) {
    p.format = format;
    p.width = width;
    p.height = height;
    p.depth = depth;
    p.pitch = PitchFor(format, width);
    p.slicePitch = p.pitch * height;
    p.size = size_t(p.slicePitch) * depth;
    if (format == kFormatYV12) p.size += Yv12ChromaBytes(p.pitch, height);
    SettleBeforeWrite(&p);
    p.heldRows.reset();
    p.bytes.reset(static_cast<uint8_t*>(platform::AllocateZeroedBlock(p.size)));
    p.zeroSinceAllocation = p.bytes != nullptr;
    return p.bytes != nullptr;
}

void AdviseRowsWrite(const PixelBuffer& p, UINT x, UINT y, UINT z, UINT w, UINT h, UINT d) {
    const size_t minimum = platform::LargeBlockMinimum();
    if (minimum == 0 || p.size < minimum || w == 0 || h == 0 || d == 0 || IsYuvFormat(p.format))
        return;
    // Whole-height slices follow each other as one run of rows.
    if (d > 1 && y == 0 && h == p.height) {
        h *= d;
        d = 1;
    }
    const size_t bpp = BytesPerPixel(p.format), row = size_t(w) * bpp;
    // Every small page of the rows' span is written only when the gaps
    // between the rows hold no whole page.
    if (row == 0 || row > p.pitch || p.pitch - row >= 4096) return;
    for (UINT slice = z; slice < z + d; ++slice) {
        const size_t begin = size_t(p.Row(y, slice) - p.bytes.get()) + size_t(x) * bpp;
        platform::AdviseLargeBlockWrite(p.bytes.get(), begin,
                                        begin + size_t(h - 1) * p.pitch + row);
    }
}

bool RectInside(const RECT* r, UINT width, UINT height, RECT* out) {
    if (!r) {
        *out = RECT{0, 0, LONG(width), LONG(height)};
        return true;
    }
    if (r->left < 0 || r->top < 0 || r->left >= r->right || r->top >= r->bottom ||
        r->right > LONG(width) || r->bottom > LONG(height))
        return false;
    *out = *r;
    return true;
}

namespace {
LiveKind KindOf(SurfaceRole) {
    return LiveKind::Surface;
}
}  // namespace

SurfaceImpl::SurfaceImpl(std::shared_ptr<DeviceCore> core, SurfaceRole role, UINT width,
                         UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable,
                         bool implicit)
    : Object(std::move(core), KindOf(role), pool, implicit),
      role_(role),
      usage_(usage),
      lockable_(lockable) {
    AllocatePixels(pixels_, format, width, height);
}

SurfaceImpl::~SurfaceImpl() = default;

HRESULT SurfaceImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DSurface9) {
        AddRef();
        *ppv = static_cast<IDirect3DSurface9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT SurfaceImpl::GetDevice(IDirect3DDevice9** ppDevice) {
    return GetDeviceFor(ppDevice);
}
HRESULT SurfaceImpl::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return Unsupported("Surface::SetPrivateData");
}
HRESULT SurfaceImpl::GetPrivateData(REFGUID, void*, DWORD*) {
    return Unsupported("Surface::GetPrivateData");
}
HRESULT SurfaceImpl::FreePrivateData(REFGUID) {
    return Unsupported("Surface::FreePrivateData");
}
DWORD SurfaceImpl::SetPriority(DWORD p) {
    DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD SurfaceImpl::GetPriority() {
    return priority_;
}

HRESULT SurfaceImpl::GetContainer(REFIID riid, void** ppContainer) {
    CallGuard guard(*core_);
    if (!ppContainer) return Traced("Surface::GetContainer", D3DERR_INVALIDCALL);
    if (texture_)
        return Traced("Surface::GetContainer", texture_->QueryInterface(riid, ppContainer));
    if (swapChain_)
        return Traced("Surface::GetContainer", swapChain_->QueryInterface(riid, ppContainer));
    if (core_->device)
        return Traced("Surface::GetContainer", core_->device->QueryInterface(riid, ppContainer));
    *ppContainer = nullptr;
    return Traced("Surface::GetContainer", E_NOINTERFACE);
}

D3DSURFACE_DESC SurfaceImpl::Desc() const {
    D3DSURFACE_DESC d{};
    d.Format = pixels_.format;
    d.Type = D3DRTYPE_SURFACE;
    d.Usage = usage_;
    d.Pool = pool_;
    d.MultiSampleType = D3DMULTISAMPLE_NONE;
    d.MultiSampleQuality = 0;
    d.Width = pixels_.width;
    d.Height = pixels_.height;
    return d;
}

HRESULT SurfaceImpl::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (!pDesc) return Traced("Surface::GetDesc", D3DERR_INVALIDCALL);
    *pDesc = Desc();
    return D3D_OK;
}

HRESULT SurfaceImpl::LockRect(D3DLOCKED_RECT* out, const RECT* pRect, DWORD flags) {
    CallGuard guard(*core_);
    const char* name = "Surface::LockRect";
    if (!out) return Traced(name, D3DERR_INVALIDCALL, "no output");
    bool allowed;
    switch (role_) {
        case SurfaceRole::DepthStencil:
            allowed = false;
            break;
        case SurfaceRole::RenderTarget:
        case SurfaceRole::BackBuffer:
            allowed = lockable_;
            break;
        case SurfaceRole::TextureLevel:
            allowed = pool_ != D3DPOOL_DEFAULT || (usage_ & D3DUSAGE_DYNAMIC);
            break;
        default:
            allowed = true;
            break;
    }
    if (!allowed) {
        out->pBits = nullptr;
        out->Pitch = 0;
        return Traced(name, D3DERR_INVALIDCALL, "not lockable %s pool %u usage 0x%X",
                      FormatName(pixels_.format), unsigned(pool_), unsigned(usage_));
    }
    if (locked_) return Traced(name, D3DERR_INVALIDCALL, "already locked");
    if ((flags & D3DLOCK_DISCARD) && !(usage_ & D3DUSAGE_DYNAMIC) &&
        role_ == SurfaceRole::TextureLevel)
        return Traced(name, D3DERR_INVALIDCALL, "DISCARD without DYNAMIC");
    RECT r;
    if (!RectInside(pRect, pixels_.width, pixels_.height, &r))
        return Traced(name, D3DERR_INVALIDCALL, "rect %ld,%ld,%ld,%ld outside %ux%u",
                      long(pRect->left), long(pRect->top), long(pRect->right), long(pRect->bottom),
                      pixels_.width, pixels_.height);
    // DISCARD gives up the whole surface, so it cannot lock only part of it.
    if ((flags & D3DLOCK_DISCARD) && (r.left != 0 || r.top != 0 || r.right != LONG(pixels_.width) ||
                                      r.bottom != LONG(pixels_.height)))
        return Traced(name, D3DERR_INVALIDCALL, "DISCARD of a sub-rectangle");
    locked_ = true;
    if (pixels_.knownDepth) pixels_.knownDepth->ForgetAll();  // the caller may write anything
    SettleBeforeWrite(&pixels_);
    if (!(flags & D3DLOCK_READONLY))
        AdviseRowsWrite(pixels_, UINT(r.left), UINT(r.top), 0, UINT(r.right - r.left),
                        UINT(r.bottom - r.top));
    out->Pitch = INT(pixels_.pitch);
    out->pBits = pixels_.Row(UINT(r.top)) + size_t(r.left) * BytesPerPixel(pixels_.format);
    if (texture_ && !(flags & (D3DLOCK_READONLY | D3DLOCK_NO_DIRTY_UPDATE)) &&
        pool_ != D3DPOOL_DEFAULT) {
        // Dirty regions are kept in level-0 texels.
        texture_->MarkDirty(D3DBOX{UINT(r.left) << level_, UINT(r.top) << level_,
                                   UINT(r.right) << level_, UINT(r.bottom) << level_, 0, 1});
    }
    return Traced(name, D3D_OK, "%ld,%ld,%ld,%ld flags 0x%X", long(r.left), long(r.top),
                  long(r.right), long(r.bottom), unsigned(flags));
}

HRESULT SurfaceImpl::UnlockRect() {
    CallGuard guard(*core_);
    if (!locked_) return Traced("Surface::UnlockRect", D3DERR_INVALIDCALL, "not locked");
    locked_ = false;
    return Traced("Surface::UnlockRect", D3D_OK);
}

HRESULT SurfaceImpl::GetDC(HDC*) {
    return Unsupported("Surface::GetDC");
}
HRESULT SurfaceImpl::ReleaseDC(HDC) {
    return Unsupported("Surface::ReleaseDC");
}

std::string SurfaceImpl::Describe() const {
    static const char* roles[] = {"plain surface", "render target", "depth surface",
                                  "texture level", "back buffer"};
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s %ux%u %s pool %u refs %ld", roles[int(role_)], pixels_.width,
                  pixels_.height, FormatName(pixels_.format), unsigned(pool_), long(refs_.load()));
    return buf;
}

}  // namespace platform::d3d9
