// IDirect3DVertexBuffer9 and IDirect3DIndexBuffer9: byte arrays with
// range-checked, counted locks.
#include "formats.h"
#include "objects.h"

namespace platform::d3d9 {

namespace {
HRESULT LockRange(const char* name, std::vector<uint8_t>& bytes, int& lockCount, UINT offset,
                  UINT size, void** pp, DWORD flags) {
    if (!pp) return Traced(name, D3DERR_INVALIDCALL, "no output");
    if (size == 0) {
        if (offset > bytes.size()) return Traced(name, D3DERR_INVALIDCALL, "offset %u", offset);
        size = UINT(bytes.size()) - offset;
    }
    if (uint64_t(offset) + size > bytes.size()) {
        *pp = nullptr;
        return Traced(name, D3DERR_INVALIDCALL, "range %u+%u past %zu", offset, size, bytes.size());
    }
    ++lockCount;
    *pp = bytes.data() + offset;
    return Traced(name, D3D_OK, "%u+%u flags 0x%X", offset, size, unsigned(flags));
}

HRESULT UnlockRange(const char* name, int& lockCount) {
    if (lockCount == 0) return Traced(name, D3DERR_INVALIDCALL, "not locked");
    --lockCount;
    return Traced(name, D3D_OK);
}
}  // namespace

VertexBufferImpl::VertexBufferImpl(std::shared_ptr<DeviceCore> core, UINT length, DWORD usage,
                                   DWORD fvf, D3DPOOL pool)
    : Object(std::move(core), LiveKind::VertexBuffer, pool, false),
      bytes_(length),
      usage_(usage),
      fvf_(fvf) {}

HRESULT VertexBufferImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 ||
        riid == IID_IDirect3DVertexBuffer9) {
        AddRef();
        *ppv = static_cast<IDirect3DVertexBuffer9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
HRESULT VertexBufferImpl::GetDevice(IDirect3DDevice9** pp) {
    return GetDeviceFor(pp);
}
HRESULT VertexBufferImpl::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return Unsupported("VertexBuffer::SetPrivateData");
}
HRESULT VertexBufferImpl::GetPrivateData(REFGUID, void*, DWORD*) {
    return Unsupported("VertexBuffer::GetPrivateData");
}
HRESULT VertexBufferImpl::FreePrivateData(REFGUID) {
    return Unsupported("VertexBuffer::FreePrivateData");
}
DWORD VertexBufferImpl::SetPriority(DWORD p) {
    DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD VertexBufferImpl::GetPriority() {
    return priority_;
}
HRESULT VertexBufferImpl::Lock(UINT offset, UINT size, void** pp, DWORD flags) {
    CallGuard guard(*core_);
    return LockRange("VertexBuffer::Lock", bytes_, lockCount_, offset, size, pp, flags);
}
HRESULT VertexBufferImpl::Unlock() {
    CallGuard guard(*core_);
    return UnlockRange("VertexBuffer::Unlock", lockCount_);
}
HRESULT VertexBufferImpl::GetDesc(D3DVERTEXBUFFER_DESC* d) {
    if (!d) return Traced("VertexBuffer::GetDesc", D3DERR_INVALIDCALL);
    *d = D3DVERTEXBUFFER_DESC{
        D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, UINT(bytes_.size()), fvf_};
    return D3D_OK;
}
std::string VertexBufferImpl::Describe() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "vertex buffer %zu bytes pool %u refs %ld", bytes_.size(),
                  unsigned(pool_), long(refs_.load()));
    return buf;
}

IndexBufferImpl::IndexBufferImpl(std::shared_ptr<DeviceCore> core, UINT length, DWORD usage,
                                 D3DFORMAT format, D3DPOOL pool)
    : Object(std::move(core), LiveKind::IndexBuffer, pool, false),
      bytes_(length),
      usage_(usage),
      format_(format) {}

HRESULT IndexBufferImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 ||
        riid == IID_IDirect3DIndexBuffer9) {
        AddRef();
        *ppv = static_cast<IDirect3DIndexBuffer9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
HRESULT IndexBufferImpl::GetDevice(IDirect3DDevice9** pp) {
    return GetDeviceFor(pp);
}
HRESULT IndexBufferImpl::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return Unsupported("IndexBuffer::SetPrivateData");
}
HRESULT IndexBufferImpl::GetPrivateData(REFGUID, void*, DWORD*) {
    return Unsupported("IndexBuffer::GetPrivateData");
}
HRESULT IndexBufferImpl::FreePrivateData(REFGUID) {
    return Unsupported("IndexBuffer::FreePrivateData");
}
DWORD IndexBufferImpl::SetPriority(DWORD p) {
    DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD IndexBufferImpl::GetPriority() {
    return priority_;
}
HRESULT IndexBufferImpl::Lock(UINT offset, UINT size, void** pp, DWORD flags) {
    CallGuard guard(*core_);
    return LockRange("IndexBuffer::Lock", bytes_, lockCount_, offset, size, pp, flags);
}
HRESULT IndexBufferImpl::Unlock() {
    CallGuard guard(*core_);
    return UnlockRange("IndexBuffer::Unlock", lockCount_);
}
HRESULT IndexBufferImpl::GetDesc(D3DINDEXBUFFER_DESC* d) {
    if (!d) return Traced("IndexBuffer::GetDesc", D3DERR_INVALIDCALL);
    *d = D3DINDEXBUFFER_DESC{format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, UINT(bytes_.size())};
    return D3D_OK;
}
std::string IndexBufferImpl::Describe() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "index buffer %zu bytes pool %u refs %ld", bytes_.size(),
                  unsigned(pool_), long(refs_.load()));
    return buf;
}

}  // namespace platform::d3d9
