// Vertex declarations, vertex and pixel shaders, and the kernel registry the
// shader blobs name.
#include <cstring>
#include <map>
#include <mutex>

#include "objects.h"
#include "shader_kernels.h"

namespace platform::d3d9 {

namespace {
std::mutex g_kernelMutex;
using KernelKey = std::pair<std::string, bool>;
// The device's own kernels, and the tests' in front of them: the reset
// drops the tests' alone, so a test can never take a package kernel away.
std::map<KernelKey, const ShaderKernel*>& Kernels() {
    static std::map<KernelKey, const ShaderKernel*> kernels;
    return kernels;
}
std::map<KernelKey, const ShaderKernel*>& TestKernels() {
    static std::map<KernelKey, const ShaderKernel*> kernels;
    return kernels;
}
// What a name registered without a program stands for: shaders of it are
// made, draws with it refused (no function to run).
const ShaderKernel g_nameOnlyKernel{};
}  // namespace

void RegisterTestShaderKernel(const std::string& name, bool vertex, const ShaderKernel* kernel) {
    std::lock_guard<std::mutex> lock(g_kernelMutex);
    // A bare name the device runs already stays the device's kernel.
    if (!kernel && Kernels().count({name, vertex})) return;
    TestKernels()[{name, vertex}] = kernel ? kernel : &g_nameOnlyKernel;
}

void UnregisterTestShaderKernels() {
    std::lock_guard<std::mutex> lock(g_kernelMutex);
    TestKernels().clear();
}

void RegisterShaderKernel(const std::string& name, bool vertex, const ShaderKernel* kernel) {
    std::lock_guard<std::mutex> lock(g_kernelMutex);
    Kernels()[{name, vertex}] = kernel;
}

void UnregisterShaderKernel(const std::string& name, bool vertex) {
    std::lock_guard<std::mutex> lock(g_kernelMutex);
    Kernels().erase({name, vertex});
}

const ShaderKernel* FindShaderKernel(const std::string& name, bool vertex) {
    std::lock_guard<std::mutex> lock(g_kernelMutex);
    for (auto* table : {&TestKernels(), &Kernels()}) {
        auto it = table->find({name, vertex});
        if (it != table->end()) return it->second;
    }
    return nullptr;
}

HRESULT ParseShaderBlob(const DWORD* fn, bool vertex, DWORD maxVersion, ShaderCode* out) {
    if (!fn) return D3DERR_INVALIDCALL;
    const DWORD kind = vertex ? 0xFFFE0000u : 0xFFFF0000u;
    const DWORD version = fn[0];
    if ((version & 0xFFFF0000u) != kind) return D3DERR_INVALIDCALL;
    const DWORD v = version & 0xFFFF;
    if (v != 0x0200 && v != 0x0300) return D3DERR_INVALIDCALL;
    if ((maxVersion & 0xFFFF) < v) return D3DERR_INVALIDCALL;  // beyond the device's caps
    size_t i = 1;
    std::string kernel;
    // Tokens are read only up to the bound: the call carries no size.
    while (i < kShaderTokenBound) {
        const DWORD t = fn[i];
        if (t == D3DSIO_END) {
            if (kernel.empty()) return D3DERR_INVALIDCALL;
            out->tokens.assign(fn, fn + i + 1);
            out->kernel = kernel;
            out->version = version;
            return D3D_OK;
        }
        if ((t & 0xFFFF) != D3DSIO_COMMENT || (t & 0x80000000u)) return D3DERR_INVALIDCALL;
        const size_t len = (t & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT;
        if (i + 1 + len >= kShaderTokenBound) return D3DERR_INVALIDCALL;
        if (kernel.empty()) {
            // The first comment's payload is the kernel name (zero-padded).
            const char* text = reinterpret_cast<const char*>(fn + i + 1);
            kernel.assign(text, strnlen(text, len * 4));
            if (kernel.empty()) return D3DERR_INVALIDCALL;
            out->program = FindShaderKernel(kernel, vertex);
            if (!out->program) return D3DERR_INVALIDCALL;
        }
        i += 1 + len;
    }
    return D3DERR_INVALIDCALL;
}

// --- declarations -------------------------------------------------------------
VertexDeclarationImpl::VertexDeclarationImpl(std::shared_ptr<DeviceCore> core,
                                             std::vector<D3DVERTEXELEMENT9> elements)
    : Object(std::move(core), LiveKind::VertexDeclaration, D3DPOOL_SYSTEMMEM, false),
      elements_(std::move(elements)) {}

HRESULT VertexDeclarationImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DVertexDeclaration9) {
        AddRef();
        *ppv = static_cast<IDirect3DVertexDeclaration9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
HRESULT VertexDeclarationImpl::GetDevice(IDirect3DDevice9** pp) {
    return GetDeviceFor(pp);
}
HRESULT VertexDeclarationImpl::GetDeclaration(D3DVERTEXELEMENT9* e, UINT* n) {
    if (!n) return Traced("VertexDeclaration::GetDeclaration", D3DERR_INVALIDCALL);
    *n = UINT(elements_.size());
    if (e) std::memcpy(e, elements_.data(), elements_.size() * sizeof *e);
    return D3D_OK;
}
std::string VertexDeclarationImpl::Describe() const {
    return "vertex declaration of " + std::to_string(elements_.size() - 1) + " elements";
}

// --- shaders --------------------------------------------------------------------
namespace {
HRESULT CopyFunction(const ShaderCode& code, void* data, UINT* size) {
    if (!size) return D3DERR_INVALIDCALL;
    const UINT bytes = UINT(code.tokens.size() * sizeof(DWORD));
    if (!data) {
        *size = bytes;
        return D3D_OK;
    }
    if (*size < bytes) return D3DERR_INVALIDCALL;
    std::memcpy(data, code.tokens.data(), bytes);
    *size = bytes;
    return D3D_OK;
}
}  // namespace

VertexShaderImpl::VertexShaderImpl(std::shared_ptr<DeviceCore> core, ShaderCode code)
    : Object(std::move(core), LiveKind::VertexShader, D3DPOOL_SYSTEMMEM, false),
      code_(std::move(code)) {}
HRESULT VertexShaderImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DVertexShader9) {
        AddRef();
        *ppv = static_cast<IDirect3DVertexShader9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
HRESULT VertexShaderImpl::GetDevice(IDirect3DDevice9** pp) {
    return GetDeviceFor(pp);
}
HRESULT VertexShaderImpl::GetFunction(void* data, UINT* size) {
    return Traced("VertexShader::GetFunction", CopyFunction(code_, data, size));
}
std::string VertexShaderImpl::Describe() const {
    return "vertex shader " + code_.kernel;
}

PixelShaderImpl::PixelShaderImpl(std::shared_ptr<DeviceCore> core, ShaderCode code)
    : Object(std::move(core), LiveKind::PixelShader, D3DPOOL_SYSTEMMEM, false),
      code_(std::move(code)) {}
HRESULT PixelShaderImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DPixelShader9) {
        AddRef();
        *ppv = static_cast<IDirect3DPixelShader9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
HRESULT PixelShaderImpl::GetDevice(IDirect3DDevice9** pp) {
    return GetDeviceFor(pp);
}
HRESULT PixelShaderImpl::GetFunction(void* data, UINT* size) {
    return Traced("PixelShader::GetFunction", CopyFunction(code_, data, size));
}
std::string PixelShaderImpl::Describe() const {
    return "pixel shader " + code_.kernel;
}

}  // namespace platform::d3d9
