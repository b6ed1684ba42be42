// IDirect3DTexture9, IDirect3DVolumeTexture9 and IDirect3DVolume9: mip chains
// whose levels share the texture's reference count, level locks and the dirty
// regions that UpdateTexture copies.
#include <algorithm>
#include <cstring>

#include "formats.h"
#include "objects.h"

namespace platform::d3d9 {

namespace {
template <class T>
HRESULT QueryTexture(T* self, REFIID riid, REFIID own, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 ||
        riid == IID_IDirect3DBaseTexture9 || riid == own) {
        self->AddRef();
        *ppv = self;
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
}  // namespace

// --- 2D textures --------------------------------------------------------------
TextureImpl::TextureImpl(std::shared_ptr<DeviceCore> core, UINT width, UINT height, UINT levels,
                         DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BaseTextureImpl(core, LiveKind::Texture, pool, false),
      width_(width),
      height_(height),
      usage_(usage),
      format_(format) {
    for (UINT i = 0; i < levels; ++i) {
        auto* s = new SurfaceImpl(core, SurfaceRole::TextureLevel, std::max(1u, width >> i),
                                  std::max(1u, height >> i), format, usage, pool, false, false);
        s->owner_ = this;
        s->texture_ = this;
        s->level_ = i;
        levels_.push_back(s);
    }
    MarkAllDirty();
}

TextureImpl::~TextureImpl() {
    for (SurfaceImpl* s : levels_) delete s;
}

HRESULT TextureImpl::QueryInterface(REFIID riid, void** ppv) {
    return QueryTexture(static_cast<IDirect3DTexture9*>(this), riid, IID_IDirect3DTexture9, ppv);
}
HRESULT TextureImpl::GetDevice(IDirect3DDevice9** ppDevice) {
    return GetDeviceFor(ppDevice);
}
HRESULT TextureImpl::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return Unsupported("Texture::SetPrivateData");
}
HRESULT TextureImpl::GetPrivateData(REFGUID, void*, DWORD*) {
    return Unsupported("Texture::GetPrivateData");
}
HRESULT TextureImpl::FreePrivateData(REFGUID) {
    return Unsupported("Texture::FreePrivateData");
}
DWORD TextureImpl::SetPriority(DWORD p) {
    DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD TextureImpl::GetPriority() {
    return priority_;
}

DWORD TextureImpl::SetLOD(DWORD lod) {
    if (pool_ != D3DPOOL_MANAGED) {
        Traced("Texture::SetLOD", D3DERR_INVALIDCALL, "not managed");
        return 0;
    }
    DWORD old = lod_;
    lod_ = std::min<DWORD>(lod, Levels() - 1);
    return old;
}
DWORD TextureImpl::GetLOD() {
    return lod_;
}
DWORD TextureImpl::GetLevelCount() {
    return Levels();
}
HRESULT TextureImpl::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) {
    return Unsupported("Texture::SetAutoGenFilterType");
}
D3DTEXTUREFILTERTYPE TextureImpl::GetAutoGenFilterType() {
    Unsupported("Texture::GetAutoGenFilterType");
    return D3DTEXF_NONE;
}
void TextureImpl::GenerateMipSubLevels() {
    Unsupported("Texture::GenerateMipSubLevels");
}

HRESULT TextureImpl::GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) {
    if (level >= Levels() || !pDesc)
        return Traced("Texture::GetLevelDesc", D3DERR_INVALIDCALL, "level %u", level);
    *pDesc = levels_[level]->Desc();
    return D3D_OK;
}

HRESULT TextureImpl::GetSurfaceLevel(UINT level, IDirect3DSurface9** pp) {
    if (!pp) return Traced("Texture::GetSurfaceLevel", D3DERR_INVALIDCALL);
    if (level >= Levels()) {
        *pp = nullptr;
        return Traced("Texture::GetSurfaceLevel", D3DERR_INVALIDCALL, "level %u of %u", level,
                      Levels());
    }
    levels_[level]->AddRef();
    *pp = levels_[level];
    return Traced("Texture::GetSurfaceLevel", D3D_OK, "level %u", level);
}

HRESULT TextureImpl::LockRect(UINT level, D3DLOCKED_RECT* out, const RECT* r, DWORD flags) {
    if (level >= Levels())
        return Traced("Texture::LockRect", D3DERR_INVALIDCALL, "level %u", level);
    return levels_[level]->LockRect(out, r, flags);
}

HRESULT TextureImpl::UnlockRect(UINT level) {
    if (level >= Levels())
        return Traced("Texture::UnlockRect", D3DERR_INVALIDCALL, "level %u", level);
    return levels_[level]->UnlockRect();
}

HRESULT TextureImpl::AddDirtyRect(const RECT* r) {
    CallGuard guard(*core_);
    if (!r) {
        MarkAllDirty();
        return Traced("Texture::AddDirtyRect", D3D_OK, "all");
    }
    RECT in;
    if (!RectInside(r, width_, height_, &in))
        return Traced("Texture::AddDirtyRect", D3DERR_INVALIDCALL, "outside");
    MarkDirty(D3DBOX{UINT(in.left), UINT(in.top), UINT(in.right), UINT(in.bottom), 0, 1});
    return Traced("Texture::AddDirtyRect", D3D_OK);
}

PixelBuffer* TextureImpl::LevelPixels(UINT level) {
    return level < Levels() ? &levels_[level]->pixels_ : nullptr;
}

std::string TextureImpl::Describe() const {
    char buf[160];
    std::snprintf(buf, sizeof buf, "texture %ux%u levels %zu %s usage 0x%X pool %u refs %ld",
                  width_, height_, levels_.size(), FormatName(format_), unsigned(usage_),
                  unsigned(pool_), long(refs_.load()));
    return buf;
}

// --- volumes --------------------------------------------------------------------
VolumeImpl::VolumeImpl(std::shared_ptr<DeviceCore> core, VolumeTextureImpl* owner, UINT level,
                       UINT width, UINT height, UINT depth, D3DFORMAT format, DWORD usage,
                       D3DPOOL pool)
    : Object(std::move(core), LiveKind::Volume, pool, false),
      texture_(owner),
      level_(level),
      usage_(usage) {
    owner_ = owner;
    AllocatePixels(pixels_, format, width, height, depth);
}

VolumeImpl::~VolumeImpl() = default;

HRESULT VolumeImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DVolume9) {
        AddRef();
        *ppv = static_cast<IDirect3DVolume9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
HRESULT VolumeImpl::GetDevice(IDirect3DDevice9** ppDevice) {
    return GetDeviceFor(ppDevice);
}
HRESULT VolumeImpl::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return Unsupported("Volume::SetPrivateData");
}
HRESULT VolumeImpl::GetPrivateData(REFGUID, void*, DWORD*) {
    return Unsupported("Volume::GetPrivateData");
}
HRESULT VolumeImpl::FreePrivateData(REFGUID) {
    return Unsupported("Volume::FreePrivateData");
}
HRESULT VolumeImpl::GetContainer(REFIID riid, void** pp) {
    if (!pp) return Traced("Volume::GetContainer", D3DERR_INVALIDCALL);
    return texture_->QueryInterface(riid, pp);
}

HRESULT VolumeImpl::GetDesc(D3DVOLUME_DESC* d) {
    if (!d) return Traced("Volume::GetDesc", D3DERR_INVALIDCALL);
    *d = D3DVOLUME_DESC{pixels_.format, D3DRTYPE_VOLUME, usage_,       pool_,
                        pixels_.width,  pixels_.height,  pixels_.depth};
    return D3D_OK;
}

HRESULT VolumeImpl::LockBox(D3DLOCKED_BOX* out, const D3DBOX* box, DWORD flags) {
    CallGuard guard(*core_);
    const char* name = "Volume::LockBox";
    if (!out) return Traced(name, D3DERR_INVALIDCALL, "no output");
    if (pool_ == D3DPOOL_DEFAULT && !(usage_ & D3DUSAGE_DYNAMIC))
        return Traced(name, D3DERR_INVALIDCALL, "default pool without DYNAMIC");
    if (locked_) return Traced(name, D3DERR_INVALIDCALL, "already locked");
    D3DBOX b{0, 0, pixels_.width, pixels_.height, 0, pixels_.depth};
    if (box) {
        if (box->Left >= box->Right || box->Top >= box->Bottom || box->Front >= box->Back ||
            box->Right > pixels_.width || box->Bottom > pixels_.height || box->Back > pixels_.depth)
            return Traced(name, D3DERR_INVALIDCALL, "box outside");
        b = *box;
    }
    locked_ = true;
    pixels_.zeroSinceAllocation = false;  // the caller may write anything
    if (!(flags & D3DLOCK_READONLY))
        AdviseRowsWrite(pixels_, b.Left, b.Top, b.Front, b.Right - b.Left, b.Bottom - b.Top,
                        b.Back - b.Front);
    out->RowPitch = INT(pixels_.pitch);
    out->SlicePitch = INT(pixels_.slicePitch);
    out->pBits = pixels_.Row(b.Top, b.Front) + size_t(b.Left) * BytesPerPixel(pixels_.format);
    if (!(flags & (D3DLOCK_READONLY | D3DLOCK_NO_DIRTY_UPDATE)) && pool_ != D3DPOOL_DEFAULT)
        texture_->MarkDirty(D3DBOX{b.Left << level_, b.Top << level_, b.Right << level_,
                                   b.Bottom << level_, b.Front << level_, b.Back << level_});
    return Traced(name, D3D_OK, "level %u", level_);
}

HRESULT VolumeImpl::UnlockBox() {
    CallGuard guard(*core_);
    if (!locked_) return Traced("Volume::UnlockBox", D3DERR_INVALIDCALL, "not locked");
    locked_ = false;
    return Traced("Volume::UnlockBox", D3D_OK);
}

std::string VolumeImpl::Describe() const {
    return "volume level";
}

// --- volume textures ------------------------------------------------------------
VolumeTextureImpl::VolumeTextureImpl(std::shared_ptr<DeviceCore> core, UINT width, UINT height,
                                     UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool)
    : BaseTextureImpl(core, LiveKind::VolumeTexture, pool, false),
      width_(width),
      height_(height),
      depth_(depth),
      usage_(usage),
      format_(format) {
    for (UINT i = 0; i < levels; ++i)
        levels_.push_back(new VolumeImpl(core, this, i, std::max(1u, width >> i),
                                         std::max(1u, height >> i), std::max(1u, depth >> i),
                                         format, usage, pool));
    MarkAllDirty();
}

VolumeTextureImpl::~VolumeTextureImpl() {
    for (VolumeImpl* v : levels_) delete v;
}

HRESULT VolumeTextureImpl::QueryInterface(REFIID riid, void** ppv) {
    return QueryTexture(static_cast<IDirect3DVolumeTexture9*>(this), riid,
                        IID_IDirect3DVolumeTexture9, ppv);
}
HRESULT VolumeTextureImpl::GetDevice(IDirect3DDevice9** ppDevice) {
    return GetDeviceFor(ppDevice);
}
HRESULT VolumeTextureImpl::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return Unsupported("VolumeTexture::SetPrivateData");
}
HRESULT VolumeTextureImpl::GetPrivateData(REFGUID, void*, DWORD*) {
    return Unsupported("VolumeTexture::GetPrivateData");
}
HRESULT VolumeTextureImpl::FreePrivateData(REFGUID) {
    return Unsupported("VolumeTexture::FreePrivateData");
}
DWORD VolumeTextureImpl::SetPriority(DWORD p) {
    DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD VolumeTextureImpl::GetPriority() {
    return priority_;
}
DWORD VolumeTextureImpl::SetLOD(DWORD lod) {
    if (pool_ != D3DPOOL_MANAGED) {
        Traced("VolumeTexture::SetLOD", D3DERR_INVALIDCALL, "not managed");
        return 0;
    }
    DWORD old = lod_;
    lod_ = std::min<DWORD>(lod, Levels() - 1);
    return old;
}
DWORD VolumeTextureImpl::GetLOD() {
    return lod_;
}
DWORD VolumeTextureImpl::GetLevelCount() {
    return Levels();
}
HRESULT VolumeTextureImpl::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) {
    return Unsupported("VolumeTexture::SetAutoGenFilterType");
}
D3DTEXTUREFILTERTYPE VolumeTextureImpl::GetAutoGenFilterType() {
    Unsupported("VolumeTexture::GetAutoGenFilterType");
    return D3DTEXF_NONE;
}
void VolumeTextureImpl::GenerateMipSubLevels() {
    Unsupported("VolumeTexture::GenerateMipSubLevels");
}

HRESULT VolumeTextureImpl::GetLevelDesc(UINT level, D3DVOLUME_DESC* d) {
    if (level >= Levels() || !d) return Traced("VolumeTexture::GetLevelDesc", D3DERR_INVALIDCALL);
    return levels_[level]->GetDesc(d);
}

HRESULT VolumeTextureImpl::GetVolumeLevel(UINT level, IDirect3DVolume9** pp) {
    if (!pp) return Traced("VolumeTexture::GetVolumeLevel", D3DERR_INVALIDCALL);
    if (level >= Levels()) {
        *pp = nullptr;
        return Traced("VolumeTexture::GetVolumeLevel", D3DERR_INVALIDCALL, "level %u", level);
    }
    levels_[level]->AddRef();
    *pp = levels_[level];
    return D3D_OK;
}

HRESULT VolumeTextureImpl::LockBox(UINT level, D3DLOCKED_BOX* out, const D3DBOX* box, DWORD flags) {
    if (level >= Levels())
        return Traced("VolumeTexture::LockBox", D3DERR_INVALIDCALL, "level %u", level);
    return levels_[level]->LockBox(out, box, flags);
}

HRESULT VolumeTextureImpl::UnlockBox(UINT level) {
    if (level >= Levels())
        return Traced("VolumeTexture::UnlockBox", D3DERR_INVALIDCALL, "level %u", level);
    return levels_[level]->UnlockBox();
}

HRESULT VolumeTextureImpl::AddDirtyBox(const D3DBOX* box) {
    CallGuard guard(*core_);
    if (!box) {
        MarkAllDirty();
        return D3D_OK;
    }
    if (box->Left >= box->Right || box->Top >= box->Bottom || box->Front >= box->Back ||
        box->Right > width_ || box->Bottom > height_ || box->Back > depth_)
        return Traced("VolumeTexture::AddDirtyBox", D3DERR_INVALIDCALL, "outside");
    MarkDirty(*box);
    return D3D_OK;
}

PixelBuffer* VolumeTextureImpl::LevelPixels(UINT level) {
    return level < Levels() ? &levels_[level]->pixels_ : nullptr;
}

std::string VolumeTextureImpl::Describe() const {
    char buf[160];
    std::snprintf(buf, sizeof buf, "volume texture %ux%ux%u levels %zu %s pool %u refs %ld", width_,
                  height_, depth_, levels_.size(), FormatName(format_), unsigned(pool_),
                  long(refs_.load()));
    return buf;
}

}  // namespace platform::d3d9
