// Reference counting and registration shared by every object the software
// device makes, and the accessors the rasteriser uses.
#include "objects.h"

#include <algorithm>
#include <cstring>

#include "formats.h"
#include "test_knobs.h"

namespace platform::d3d9 {

CallGuard::CallGuard(DeviceCore& core) : lock_(core.mutex) {
    if (std::this_thread::get_id() != core.creatorThread) CountForeignThreadCall();
}

Object::Object(std::shared_ptr<DeviceCore> core, LiveKind kind, D3DPOOL pool, bool implicit)
    : core_(std::move(core)), kind_(kind), pool_(pool), implicit_(implicit) {
    LiveAdd(kind_);
    std::lock_guard<std::recursive_mutex> lock(core_->mutex);
    core_->objects.insert(this);
}

Object::~Object() {
    {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        core_->objects.erase(this);
    }
    LiveRemove(kind_);
}

ULONG Object::AddRefObject() {
    if (owner_) return owner_->AddRefObject();
    return ULONG(++refs_);
}

ULONG Object::ReleaseObject() {
    if (owner_) return owner_->ReleaseObject();
    LONG left = --refs_;
    if (left < 0) {  // an over-release: keep the count at zero
        refs_ = 0;
        return 0;
    }
    if (left == 0 && !implicit_) delete this;
    return ULONG(left);
}

void Object::Bind() {
    Object* o = CountOwner();
    ++o->refs_;
    ++o->bindRefs_;
}

void Object::Unbind() {
    Object* o = CountOwner();
    --o->bindRefs_;
    o->ReleaseObject();
}

LONG Object::ExternalRefs() const {
    const Object* o = this;
    while (o->owner_) o = o->owner_;
    return o->refs_ - o->bindRefs_;
}

HRESULT Object::GetDeviceFor(IDirect3DDevice9** ppDevice) {
    if (!ppDevice) return Traced("GetDevice", D3DERR_INVALIDCALL);
    std::lock_guard<std::recursive_mutex> lock(core_->mutex);
    if (!core_->device) {
        *ppDevice = nullptr;
        return Traced("GetDevice", D3DERR_INVALIDCALL, "device destroyed");
    }
    core_->device->AddRef();
    *ppDevice = core_->device;
    return Traced("GetDevice", D3D_OK);
}

HRESULT Unsupported(const char* method) {
    return Traced(method, D3DERR_INVALIDCALL, "unsupported");
}

SurfaceImpl* AsSurface(IDirect3DSurface9* surface) {
    return surface ? dynamic_cast<SurfaceImpl*>(surface) : nullptr;
}

BaseTextureImpl* AsBaseTexture(IDirect3DBaseTexture9* texture) {
    return texture ? dynamic_cast<BaseTextureImpl*>(texture) : nullptr;
}

void BaseTextureImpl::MarkDirty(const D3DBOX& box) {
    if (dirty_.size() >= 32) {  // too many pieces: keep their bounding box
        D3DBOX all = box;
        for (auto& b : dirty_) {
            all.Left = std::min(all.Left, b.Left);
            all.Top = std::min(all.Top, b.Top);
            all.Front = std::min(all.Front, b.Front);
            all.Right = std::max(all.Right, b.Right);
            all.Bottom = std::max(all.Bottom, b.Bottom);
            all.Back = std::max(all.Back, b.Back);
        }
        dirty_.assign(1, all);
        return;
    }
    dirty_.push_back(box);
}

void BaseTextureImpl::MarkAllDirty() {
    PixelBuffer* top = LevelPixels(0);
    dirty_.assign(1, D3DBOX{0, 0, top->width, top->height, 0, top->depth});
}

D3DMATRIX TransformOf(const DeviceState& state, DWORD slot) {
    auto it = state.transforms.find(slot);
    if (it != state.transforms.end()) return it->second;
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.f;
    return m;
}

PixelBuffer* SurfacePixels(SurfaceImpl* surface) {
    return surface ? &surface->pixels_ : nullptr;
}
PixelBuffer* SurfacePixels(IDirect3DSurface9* surface) {
    return SurfacePixels(AsSurface(surface));
}

PixelBuffer* TextureLevelPixels(BaseTextureImpl* texture, UINT level) {
    return texture ? texture->LevelPixels(level) : nullptr;
}

UINT TextureLevelCount(BaseTextureImpl* texture) {
    return texture ? texture->Levels() : 0;
}

namespace {
std::atomic<DrawHandler> g_drawHandler{nullptr};
}

void SetDrawHandler(DrawHandler handler) {
    g_drawHandler = handler;
}
DrawHandler GetDrawHandler() {
    DrawHandler h = g_drawHandler.load();
    return h ? h : RasteriserDrawHandler();
}

}  // namespace platform::d3d9

bool KnobD3D9ReadPixel(IDirect3DSurface9* surface, UINT x, UINT y, DWORD* argb) {
    using namespace platform::d3d9;
    SurfaceImpl* s = AsSurface(surface);
    if (!s || !argb || x >= s->pixels_.width || y >= s->pixels_.height) return false;
    std::lock_guard<std::recursive_mutex> lock(s->core_->mutex);
    const PixelBuffer& p = s->pixels_;
    WriteHeldRows(&p);
    const BYTE* at = p.Row(y) + size_t(x) * BytesPerPixel(p.format);
    if (IsColourFormat(p.format)) {
        *argb = ReadArgb(p.format, at);
    } else if (p.format == D3DFMT_D16) {
        WORD v;
        std::memcpy(&v, at, 2);
        *argb = v;
    } else {
        std::memcpy(argb, at, 4);
    }
    return true;
}
