// IDirect3DDevice9(Ex): life cycle, the stored states (render, stage,
// sampler, transform, material, light, clip plane, constant), scenes,
// targets, viewport and scissor, and the two user-memory draw calls.
#include <cstring>

#include "formats.h"
#include "knobs.h"
#include "objects.h"
#include "windows.h"

namespace platform::d3d9 {

namespace {
DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

// Direct3D 9's documented starting values of the render states.
void DefaultRenderStates(DWORD* rs, bool autoDepth) {
    std::memset(rs, 0, sizeof(DWORD) * kRenderStateCount);
    rs[7] = autoDepth ? 1 : 0;        // ZENABLE
    rs[8] = 3;                        // FILLMODE solid
    rs[9] = 2;                        // SHADEMODE gouraud
    rs[14] = 1;                       // ZWRITEENABLE
    rs[16] = 1;                       // LASTPIXEL
    rs[19] = 2;                       // SRCBLEND one
    rs[20] = 1;                       // DESTBLEND zero
    rs[22] = 3;                       // CULLMODE ccw
    rs[23] = 4;                       // ZFUNC lessequal
    rs[25] = 8;                       // ALPHAFUNC always
    rs[37] = FloatBits(1.f);          // FOGEND
    rs[38] = FloatBits(1.f);          // FOGDENSITY
    rs[53] = rs[54] = rs[55] = 1;     // stencil ops keep
    rs[56] = 8;                       // STENCILFUNC always
    rs[58] = rs[59] = 0xFFFFFFFF;     // stencil masks
    rs[60] = 0xFFFFFFFF;              // TEXTUREFACTOR
    rs[136] = 1;                      // CLIPPING
    rs[137] = 1;                      // LIGHTING
    rs[141] = 1;                      // COLORVERTEX
    rs[142] = 1;                      // LOCALVIEWER
    rs[145] = 1;                      // DIFFUSEMATERIALSOURCE color1
    rs[146] = 2;                      // SPECULARMATERIALSOURCE color2
    rs[154] = FloatBits(1.f);         // POINTSIZE
    rs[155] = FloatBits(1.f);         // POINTSIZE_MIN
    rs[158] = FloatBits(1.f);         // POINTSCALE_A
    rs[161] = 1;                      // MULTISAMPLEANTIALIAS
    rs[162] = 0xFFFFFFFF;             // MULTISAMPLEMASK
    rs[165] = 0xbaadcafe;             // DEBUGMONITORTOKEN
    rs[166] = FloatBits(64.f);        // POINTSIZE_MAX
    rs[168] = 0xF;                    // COLORWRITEENABLE
    rs[171] = 1;                      // BLENDOP add
    rs[172] = 3;                      // POSITIONDEGREE cubic
    rs[173] = 1;                      // NORMALDEGREE linear
    rs[178] = FloatBits(1.f);         // MINTESSELLATIONLEVEL
    rs[179] = FloatBits(1.f);         // MAXTESSELLATIONLEVEL
    rs[182] = FloatBits(1.f);         // ADAPTIVETESS_Z
    rs[186] = rs[187] = rs[188] = 1;  // ccw stencil ops keep
    rs[189] = 8;                      // CCW_STENCILFUNC always
    rs[190] = rs[191] = rs[192] = 0xF;
    rs[193] = 0xFFFFFFFF;  // BLENDFACTOR
    rs[207] = 2;           // SRCBLENDALPHA one
    rs[208] = 1;           // DESTBLENDALPHA zero
    rs[209] = 1;           // BLENDOPALPHA add
}

UINT VerticesFor(D3DPRIMITIVETYPE type, UINT count) {
    switch (DWORD(type)) {
        case 1:
            return count;  // point list
        case 2:
            return count * 2;  // line list
        case 3:
            return count + 1;  // line strip
        case 4:
            return count * 3;  // triangle list
        case 5:                // triangle strip
        case 6:
            return count + 2;  // triangle fan
        default:
            return 0;
    }
}
}  // namespace

DeviceImpl::DeviceImpl(Direct3DImpl* d3d, bool isEx, HWND focus, DWORD behaviour,
                       const D3DPRESENT_PARAMETERS& pp, const D3DDISPLAYMODE& mode)
    : core_(std::make_shared<DeviceCore>()),
      d3d_(d3d),
      isEx_(isEx),
      focus_(focus),
      behaviour_(behaviour),
      mode_(mode) {
    core_->device = this;
    core_->isEx = isEx;
    core_->creatorThread = std::this_thread::get_id();
    d3d_->AddRef();
    FillCaps(&caps_);
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        lossSeen_ = D3D9Knobs().lossGeneration;
    }
    state_.softwareVertexProcessing = (behaviour & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
    for (int i = 0; i < 256; ++i) gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = WORD(i * 257);
    LiveAdd(LiveKind::Device);
}

DeviceImpl::~DeviceImpl() {
    {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        UnbindAll();
        ReleaseImplicit();
        // What the application still holds outlives the device: list it.
        std::vector<Object*> alive(core_->objects.begin(), core_->objects.end());
        for (Object* o : alive)
            if (!o->owner_ && !o->implicit_)
                TraceLine("Device::Release(leak: " + o->Describe() + ")");
        core_->device = nullptr;
    }
    SwitchDisplay(false);
    d3d_->Release();
    LiveRemove(LiveKind::Device);
}

HRESULT DeviceImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9 ||
        (isEx_ && riid == IID_IDirect3DDevice9Ex)) {
        AddRef();
        *ppv = static_cast<IDirect3DDevice9Ex*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG DeviceImpl::AddRef() {
    return ULONG(++refs_);
}

ULONG DeviceImpl::Release() {
    LONG left = --refs_;
    if (left < 0) {
        refs_ = 0;
        return 0;
    }
    if (left == 0) delete this;
    return ULONG(left);
}

HRESULT DeviceImpl::BuildImplicit(const D3DPRESENT_PARAMETERS& pp) {
    std::lock_guard<std::recursive_mutex> lock(core_->mutex);
    swapChain_ = new SwapChainImpl(core_, pp);
    for (SurfaceImpl* b : swapChain_->backBuffers_)
        if (!b->pixels_.bytes) return D3DERR_OUTOFVIDEOMEMORY;
    if (pp.EnableAutoDepthStencil) {
        autoDepth_ = new SurfaceImpl(core_, SurfaceRole::DepthStencil, pp.BackBufferWidth,
                                     pp.BackBufferHeight, pp.AutoDepthStencilFormat,
                                     D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, false, true);
        autoDepth_->refs_ = 0;
        if (!autoDepth_->pixels_.bytes) return D3DERR_OUTOFVIDEOMEMORY;
    }
    ResetStates();
    return D3D_OK;
}

bool DeviceImpl::SwitchDisplay(bool fullScreen) {
    if (!fullScreen) {
        if (switchedDisplay_) ChangeDisplaySettingsA(nullptr, 0);
        switchedDisplay_ = false;
        return true;
    }
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    dm.dmBitsPerPel = mode_.Format == D3DFMT_X8R8G8B8 ? 32 : 16;
    dm.dmPelsWidth = mode_.Width;
    dm.dmPelsHeight = mode_.Height;
    dm.dmDisplayFrequency = mode_.RefreshRate;
    if (ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
    switchedDisplay_ = true;
    return true;
}

void DeviceImpl::ReleaseImplicit() {
    delete swapChain_;
    swapChain_ = nullptr;
    delete autoDepth_;
    autoDepth_ = nullptr;
}

void DeviceImpl::UnbindAll() {
    for (auto& t : state_.textures) Rebind(t, static_cast<BaseTextureImpl*>(nullptr));
    for (auto& r : state_.renderTargets) Rebind(r, static_cast<SurfaceImpl*>(nullptr));
    Rebind(state_.depthStencil, static_cast<SurfaceImpl*>(nullptr));
    Rebind(state_.declaration, static_cast<VertexDeclarationImpl*>(nullptr));
    Rebind(state_.vertexShader, static_cast<VertexShaderImpl*>(nullptr));
    Rebind(state_.pixelShader, static_cast<PixelShaderImpl*>(nullptr));
    for (auto& s : state_.streams) Rebind(s, static_cast<VertexBufferImpl*>(nullptr));
    Rebind(state_.indices, static_cast<IndexBufferImpl*>(nullptr));
}

void DeviceImpl::ResetStates() {
    UnbindAll();
    DeviceState& s = state_;
    DefaultRenderStates(s.renderStates, autoDepth_ != nullptr);
    std::memset(s.stageStates, 0, sizeof s.stageStates);
    for (int i = 0; i < kTextureStageCount; ++i) {
        DWORD* t = s.stageStates[i];
        t[kTssColorOp] = i == 0 ? 4 : 1;  // modulate / disable
        t[kTssColorArg1] = 2;             // texture
        t[kTssColorArg2] = 1;             // current
        t[kTssAlphaOp] = i == 0 ? 2 : 1;  // select arg 1 / disable
        t[kTssAlphaArg1] = 2;
        t[kTssAlphaArg2] = 1;
        t[kTssTexCoordIndex] = DWORD(i);
        t[kTssColorArg0] = t[kTssAlphaArg0] = t[kTssResultArg] = 1;
    }
    std::memset(s.samplerStates, 0, sizeof s.samplerStates);
    for (auto& smp : s.samplerStates) {
        smp[1] = smp[2] = smp[3] = 1;  // address wrap
        smp[5] = smp[6] = 1;           // mag, min point
        smp[10] = 1;                   // max anisotropy
    }
    s.transforms.clear();
    s.material = D3DMATERIAL9{};
    s.lights.clear();
    std::memset(s.clipPlanes, 0, sizeof s.clipPlanes);
    s.fvf = 0;
    std::memset(s.vertexConstF, 0, sizeof s.vertexConstF);
    std::memset(s.vertexConstI, 0, sizeof s.vertexConstI);
    std::memset(s.vertexConstB, 0, sizeof s.vertexConstB);
    std::memset(s.pixelConstF, 0, sizeof s.pixelConstF);
    std::memset(s.pixelConstI, 0, sizeof s.pixelConstI);
    std::memset(s.pixelConstB, 0, sizeof s.pixelConstB);
    for (auto& f : s.streamFrequencies) f = 1;
    s.inScene = false;
    SurfaceImpl* back = swapChain_ ? swapChain_->backBuffers_[0] : nullptr;
    Rebind(s.renderTargets[0], back);
    Rebind(s.depthStencil, autoDepth_);
    const UINT w = back ? back->pixels_.width : 0, h = back ? back->pixels_.height : 0;
    s.viewport = D3DVIEWPORT9{0, 0, w, h, 0.f, 1.f};
    s.scissor = RECT{0, 0, LONG(w), LONG(h)};
}

HRESULT DeviceImpl::CountResourceCreation() {
    std::lock_guard<std::mutex> lock(D3D9KnobMutex());
    int& left = D3D9Knobs().resourcesLeft;
    if (left == 0) return D3DERR_OUTOFVIDEOMEMORY;
    if (left > 0) --left;
    return D3D_OK;
}

// --- simple queries -------------------------------------------------------------
UINT DeviceImpl::GetAvailableTextureMem() {
    return 512u << 20;
}
HRESULT DeviceImpl::EvictManagedResources() {
    return Unsupported("EvictManagedResources");
}

HRESULT DeviceImpl::GetDirect3D(IDirect3D9** pp) {
    if (!pp) return Traced("GetDirect3D", D3DERR_INVALIDCALL);
    d3d_->AddRef();
    *pp = d3d_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return Traced("Device::GetDeviceCaps", D3DERR_INVALIDCALL);
    *caps = caps_;
    return Traced("Device::GetDeviceCaps", D3D_OK);
}

HRESULT DeviceImpl::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    if (swapChain != 0 || !mode) return Traced("GetDisplayMode", D3DERR_INVALIDCALL);
    *mode = mode_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) {
    if (!p) return Traced("GetCreationParameters", D3DERR_INVALIDCALL);
    *p = D3DDEVICE_CREATION_PARAMETERS{0, D3DDEVTYPE_HAL, focus_, behaviour_};
    return D3D_OK;
}

HRESULT DeviceImpl::SetCursorProperties(UINT, UINT, IDirect3DSurface9*) {
    return Unsupported("SetCursorProperties");
}
void DeviceImpl::SetCursorPosition(int, int, DWORD) {
    Unsupported("SetCursorPosition");
}
BOOL DeviceImpl::ShowCursor(BOOL) {
    Unsupported("ShowCursor");
    return FALSE;
}

HRESULT DeviceImpl::SetDialogBoxMode(BOOL enable) {
    CallGuard guard(*core_);
    // Dialogs need a lockable, discarded back buffer in full screen, and no
    // scene drawing over them.
    const D3DPRESENT_PARAMETERS& pp = swapChain_->params_;
    if (enable && !pp.Windowed && !(pp.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER))
        return Traced("SetDialogBoxMode", D3DERR_INVALIDCALL, "%d without a lockable back buffer",
                      enable);
    if (enable && !pp.Windowed && pp.SwapEffect != D3DSWAPEFFECT_DISCARD)
        return Traced("SetDialogBoxMode", D3DERR_INVALIDCALL, "%d without SWAPEFFECT_DISCARD",
                      enable);
    if (enable && state_.inScene)
        return Traced("SetDialogBoxMode", D3DERR_INVALIDCALL, "%d inside a scene", enable);
    dialogBoxMode_ = enable;
    return Traced("SetDialogBoxMode", D3D_OK, "%d", enable);
}

void DeviceImpl::SetGammaRamp(UINT swapChain, DWORD, const D3DGAMMARAMP* ramp) {
    if (swapChain == 0 && ramp) gamma_ = *ramp;
}
void DeviceImpl::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
    if (swapChain == 0 && ramp) *ramp = gamma_;
}

// --- targets, scenes, viewport ------------------------------------------------------
HRESULT DeviceImpl::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
    CallGuard guard(*core_);
    const char* name = "SetRenderTarget";
    if (index >= caps_.NumSimultaneousRTs)
        return Traced(name, D3DERR_INVALIDCALL, "index %u", unsigned(index));
    SurfaceImpl* s = AsSurface(surface);
    if (index == 0 && !s) return Traced(name, D3DERR_INVALIDCALL, "null target 0");
    if (s && (s->core_ != core_ || !s->IsRenderTarget()))
        return Traced(name, D3DERR_INVALIDCALL, "not a render target");
    Rebind(state_.renderTargets[index], s);
    if (index == 0) {
        state_.viewport = D3DVIEWPORT9{0, 0, s->pixels_.width, s->pixels_.height, 0.f, 1.f};
        state_.scissor = RECT{0, 0, LONG(s->pixels_.width), LONG(s->pixels_.height)};
    }
    return Traced(name, D3D_OK, "%u %ux%u", unsigned(index), s ? s->pixels_.width : 0,
                  s ? s->pixels_.height : 0);
}

HRESULT DeviceImpl::GetRenderTarget(DWORD index, IDirect3DSurface9** pp) {
    CallGuard guard(*core_);
    if (!pp || index >= caps_.NumSimultaneousRTs)
        return Traced("GetRenderTarget", D3DERR_INVALIDCALL);
    SurfaceImpl* s = state_.renderTargets[index];
    *pp = s;
    if (!s) return Traced("GetRenderTarget", D3DERR_NOTFOUND);
    s->AddRef();
    return D3D_OK;
}

HRESULT DeviceImpl::SetDepthStencilSurface(IDirect3DSurface9* surface) {
    CallGuard guard(*core_);
    SurfaceImpl* s = AsSurface(surface);
    if (s && (s->core_ != core_ || !s->IsDepthStencil()))
        return Traced("SetDepthStencilSurface", D3DERR_INVALIDCALL, "not a depth surface");
    Rebind(state_.depthStencil, s);
    return Traced("SetDepthStencilSurface", D3D_OK, "%s",
                  s ? FormatName(s->pixels_.format) : "none");
}

HRESULT DeviceImpl::GetDepthStencilSurface(IDirect3DSurface9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("GetDepthStencilSurface", D3DERR_INVALIDCALL);
    *pp = state_.depthStencil;
    if (!state_.depthStencil) return Traced("GetDepthStencilSurface", D3DERR_NOTFOUND);
    state_.depthStencil->AddRef();
    return D3D_OK;
}

HRESULT DeviceImpl::BeginScene() {
    CallGuard guard(*core_);
    if (state_.inScene) return Traced("BeginScene", D3DERR_INVALIDCALL, "nested");
    state_.inScene = true;
    return Traced("BeginScene", D3D_OK);
}

HRESULT DeviceImpl::EndScene() {
    CallGuard guard(*core_);
    if (!state_.inScene) return Traced("EndScene", D3DERR_INVALIDCALL, "no scene");
    state_.inScene = false;
    return Traced("EndScene", D3D_OK);
}

HRESULT DeviceImpl::SetViewport(const D3DVIEWPORT9* vp) {
    CallGuard guard(*core_);
    if (!vp) return Traced("SetViewport", D3DERR_INVALIDCALL);
    SurfaceImpl* rt = state_.renderTargets[0];
    const uint64_t right = uint64_t(vp->X) + vp->Width, bottom = uint64_t(vp->Y) + vp->Height;
    if (!rt || right > rt->pixels_.width || bottom > rt->pixels_.height || !(vp->MinZ >= 0.f) ||
        !(vp->MaxZ <= 1.f) || vp->MinZ > vp->MaxZ)
        return Traced("SetViewport", D3DERR_INVALIDCALL, "%u,%u %ux%u past %ux%u", unsigned(vp->X),
                      unsigned(vp->Y), unsigned(vp->Width), unsigned(vp->Height),
                      rt ? rt->pixels_.width : 0, rt ? rt->pixels_.height : 0);
    state_.viewport = *vp;
    return Traced("SetViewport", D3D_OK, "%u,%u %ux%u", unsigned(vp->X), unsigned(vp->Y),
                  unsigned(vp->Width), unsigned(vp->Height));
}

HRESULT DeviceImpl::GetViewport(D3DVIEWPORT9* vp) {
    if (!vp) return Traced("GetViewport", D3DERR_INVALIDCALL);
    CallGuard guard(*core_);
    *vp = state_.viewport;
    return D3D_OK;
}

HRESULT DeviceImpl::SetScissorRect(const RECT* r) {
    CallGuard guard(*core_);
    if (!r) return Traced("SetScissorRect", D3DERR_INVALIDCALL);
    state_.scissor = *r;
    return Traced("SetScissorRect", D3D_OK, "%ld,%ld,%ld,%ld", long(r->left), long(r->top),
                  long(r->right), long(r->bottom));
}

HRESULT DeviceImpl::GetScissorRect(RECT* r) {
    if (!r) return Traced("GetScissorRect", D3DERR_INVALIDCALL);
    CallGuard guard(*core_);
    *r = state_.scissor;
    return D3D_OK;
}

// --- transforms, material, lights, clip planes ------------------------------------------
namespace {
bool ValidTransform(DWORD t) {
    return t == 2 || t == 3 || (t >= 16 && t <= 23) || (t >= 256 && t <= 511);
}
}  // namespace

HRESULT DeviceImpl::SetTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) {
    CallGuard guard(*core_);
    if (!m || !ValidTransform(t))
        return Traced("SetTransform", D3DERR_INVALIDCALL, "%u", unsigned(t));
    state_.transforms[t] = *m;
    return Traced("SetTransform", D3D_OK, "%u", unsigned(t));
}

HRESULT DeviceImpl::GetTransform(D3DTRANSFORMSTATETYPE t, D3DMATRIX* m) {
    CallGuard guard(*core_);
    if (!m || !ValidTransform(t))
        return Traced("GetTransform", D3DERR_INVALIDCALL, "%u", unsigned(t));
    *m = TransformOf(state_, t);
    return D3D_OK;
}

HRESULT DeviceImpl::MultiplyTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) {
    CallGuard guard(*core_);
    if (!m || !ValidTransform(t)) return Traced("MultiplyTransform", D3DERR_INVALIDCALL);
    const D3DMATRIX cur = TransformOf(state_, t);
    D3DMATRIX out{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += m->m[r][k] * cur.m[k][c];
            out.m[r][c] = sum;
        }
    state_.transforms[t] = out;
    return Traced("MultiplyTransform", D3D_OK, "%u", unsigned(t));
}

HRESULT DeviceImpl::SetMaterial(const D3DMATERIAL9* m) {
    CallGuard guard(*core_);
    if (!m) return Traced("SetMaterial", D3DERR_INVALIDCALL);
    state_.material = *m;
    return Traced("SetMaterial", D3D_OK);
}

HRESULT DeviceImpl::GetMaterial(D3DMATERIAL9* m) {
    CallGuard guard(*core_);
    if (!m) return Traced("GetMaterial", D3DERR_INVALIDCALL);
    *m = state_.material;
    return D3D_OK;
}

HRESULT DeviceImpl::SetLight(DWORD index, const D3DLIGHT9* light) {
    CallGuard guard(*core_);
    if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return Traced("SetLight", D3DERR_INVALIDCALL, "%u", unsigned(index));
    state_.lights[index].light = *light;
    return Traced("SetLight", D3D_OK, "%u type %u", unsigned(index), unsigned(light->Type));
}

HRESULT DeviceImpl::GetLight(DWORD index, D3DLIGHT9* light) {
    CallGuard guard(*core_);
    auto it = state_.lights.find(index);
    if (!light || it == state_.lights.end())
        return Traced("GetLight", D3DERR_INVALIDCALL, "%u", unsigned(index));
    *light = it->second.light;
    return D3D_OK;
}

HRESULT DeviceImpl::LightEnable(DWORD index, BOOL enable) {
    CallGuard guard(*core_);
    auto it = state_.lights.find(index);
    if (it == state_.lights.end()) {
        // Enabling a light never set gives Direct3D's default light.
        LightSlot slot;
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = D3DCOLORVALUE{1.f, 1.f, 1.f, 0.f};
        slot.light.Direction = D3DVECTOR{0.f, 0.f, 1.f};
        it = state_.lights.emplace(index, slot).first;
    }
    it->second.enabled = enable != FALSE;
    return Traced("LightEnable", D3D_OK, "%u %d", unsigned(index), enable);
}

HRESULT DeviceImpl::GetLightEnable(DWORD index, BOOL* enable) {
    CallGuard guard(*core_);
    auto it = state_.lights.find(index);
    if (!enable || it == state_.lights.end()) return Traced("GetLightEnable", D3DERR_INVALIDCALL);
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT DeviceImpl::SetClipPlane(DWORD index, const float* plane) {
    CallGuard guard(*core_);
    if (!plane || index >= 6)
        return Traced("SetClipPlane", D3DERR_INVALIDCALL, "%u", unsigned(index));
    std::memcpy(state_.clipPlanes[index], plane, sizeof(float) * 4);
    return Traced("SetClipPlane", D3D_OK, "%u", unsigned(index));
}

HRESULT DeviceImpl::GetClipPlane(DWORD index, float* plane) {
    CallGuard guard(*core_);
    if (!plane || index >= 6) return Traced("GetClipPlane", D3DERR_INVALIDCALL);
    std::memcpy(plane, state_.clipPlanes[index], sizeof(float) * 4);
    return D3D_OK;
}

// --- render, stage and sampler states ---------------------------------------------------
HRESULT DeviceImpl::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    CallGuard guard(*core_);
    if (DWORD(state) >= DWORD(kRenderStateCount))
        return Traced("SetRenderState", D3DERR_INVALIDCALL, "%u", unsigned(state));
    state_.renderStates[state] = value;
    return Traced("SetRenderState", D3D_OK, "%u = 0x%X", unsigned(state), unsigned(value));
}

HRESULT DeviceImpl::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    CallGuard guard(*core_);
    if (!value || DWORD(state) >= DWORD(kRenderStateCount))
        return Traced("GetRenderState", D3DERR_INVALIDCALL, "%u", unsigned(state));
    *value = state_.renderStates[state];
    return D3D_OK;
}

HRESULT DeviceImpl::CreateStateBlock(D3DSTATEBLOCKTYPE, IDirect3DStateBlock9** pp) {
    if (pp) *pp = nullptr;
    return Unsupported("CreateStateBlock");
}
HRESULT DeviceImpl::BeginStateBlock() {
    return Unsupported("BeginStateBlock");
}
HRESULT DeviceImpl::EndStateBlock(IDirect3DStateBlock9** pp) {
    if (pp) *pp = nullptr;
    return Unsupported("EndStateBlock");
}
HRESULT DeviceImpl::SetClipStatus(const D3DCLIPSTATUS9*) {
    return Unsupported("SetClipStatus");
}
HRESULT DeviceImpl::GetClipStatus(D3DCLIPSTATUS9*) {
    return Unsupported("GetClipStatus");
}

HRESULT DeviceImpl::GetTexture(DWORD stage, IDirect3DBaseTexture9** pp) {
    CallGuard guard(*core_);
    const int slot = SamplerSlot(stage);
    if (!pp || slot < 0) return Traced("GetTexture", D3DERR_INVALIDCALL, "%u", unsigned(stage));
    BaseTextureImpl* t = state_.textures[slot];
    *pp = t ? t->Interface() : nullptr;
    if (t) t->AddRefObject();
    return D3D_OK;
}

HRESULT DeviceImpl::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    CallGuard guard(*core_);
    const int slot = SamplerSlot(stage);
    if (slot < 0) return Traced("SetTexture", D3DERR_INVALIDCALL, "stage %u", unsigned(stage));
    BaseTextureImpl* t = AsBaseTexture(texture);
    if (texture && (!t || t->core_ != core_))
        return Traced("SetTexture", D3DERR_INVALIDCALL, "foreign texture");
    if (t && (t->pool_ == D3DPOOL_SYSTEMMEM || t->pool_ == D3DPOOL_SCRATCH))
        return Traced("SetTexture", D3DERR_INVALIDCALL, "stage %u pool %u", unsigned(stage),
                      unsigned(t->pool_));
    Rebind(state_.textures[slot], t);
    return Traced("SetTexture", D3D_OK, "stage %u %s", unsigned(stage), t ? "texture" : "none");
}

HRESULT DeviceImpl::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* v) {
    CallGuard guard(*core_);
    if (!v || stage >= DWORD(kTextureStageCount) || DWORD(type) == 0 ||
        DWORD(type) >= DWORD(kTextureStageStateCount))
        return Traced("GetTextureStageState", D3DERR_INVALIDCALL);
    *v = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT DeviceImpl::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD v) {
    CallGuard guard(*core_);
    if (stage >= DWORD(kTextureStageCount) || DWORD(type) == 0 ||
        DWORD(type) >= DWORD(kTextureStageStateCount))
        return Traced("SetTextureStageState", D3DERR_INVALIDCALL, "%u %u", unsigned(stage),
                      unsigned(type));
    state_.stageStates[stage][type] = v;
    return Traced("SetTextureStageState", D3D_OK, "%u %u = 0x%X", unsigned(stage), unsigned(type),
                  unsigned(v));
}

HRESULT DeviceImpl::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* v) {
    CallGuard guard(*core_);
    const int slot = SamplerSlot(sampler);
    if (!v || slot < 0 || DWORD(type) == 0 || DWORD(type) >= DWORD(kSamplerStateCount))
        return Traced("GetSamplerState", D3DERR_INVALIDCALL);
    *v = state_.samplerStates[slot][type];
    return D3D_OK;
}

HRESULT DeviceImpl::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD v) {
    CallGuard guard(*core_);
    const int slot = SamplerSlot(sampler);
    if (slot < 0 || DWORD(type) == 0 || DWORD(type) >= DWORD(kSamplerStateCount))
        return Traced("SetSamplerState", D3DERR_INVALIDCALL, "%u %u", unsigned(sampler),
                      unsigned(type));
    state_.samplerStates[slot][type] = v;
    return Traced("SetSamplerState", D3D_OK, "%u %u = 0x%X", unsigned(sampler), unsigned(type),
                  unsigned(v));
}

HRESULT DeviceImpl::ValidateDevice(DWORD*) {
    return Unsupported("ValidateDevice");
}
HRESULT DeviceImpl::SetPaletteEntries(UINT, const PALETTEENTRY*) {
    return Unsupported("SetPaletteEntries");
}
HRESULT DeviceImpl::GetPaletteEntries(UINT, PALETTEENTRY*) {
    return Unsupported("GetPaletteEntries");
}
HRESULT DeviceImpl::SetCurrentTexturePalette(UINT) {
    return Unsupported("SetCurrentTexturePalette");
}
HRESULT DeviceImpl::GetCurrentTexturePalette(UINT*) {
    return Unsupported("GetCurrentTexturePalette");
}

HRESULT DeviceImpl::SetSoftwareVertexProcessing(BOOL sw) {
    CallGuard guard(*core_);
    if (!(behaviour_ & D3DCREATE_MIXED_VERTEXPROCESSING))
        return Traced("SetSoftwareVertexProcessing", D3DERR_INVALIDCALL, "not a mixed device");
    state_.softwareVertexProcessing = sw != FALSE;
    return Traced("SetSoftwareVertexProcessing", D3D_OK, "%d", sw);
}
BOOL DeviceImpl::GetSoftwareVertexProcessing() {
    return state_.softwareVertexProcessing;
}
HRESULT DeviceImpl::SetNPatchMode(float) {
    return Unsupported("SetNPatchMode");
}
float DeviceImpl::GetNPatchMode() {
    return 0.f;
}

// --- drawing -------------------------------------------------------------------------
HRESULT DeviceImpl::DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) {
    return Unsupported("DrawPrimitive");
}
HRESULT DeviceImpl::DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) {
    return Unsupported("DrawIndexedPrimitive");
}

namespace {
// The checks both user-memory draws share; D3D_OK when the draw may go on.
HRESULT CheckDraw(const DeviceState& s, const D3DCAPS9& caps, D3DPRIMITIVETYPE type, UINT count,
                  const void* vertices, UINT stride, const char** why) {
    if (!s.inScene) return *why = "outside a scene", D3DERR_INVALIDCALL;
    if (DWORD(type) < 1 || DWORD(type) > 6) return *why = "primitive type", D3DERR_INVALIDCALL;
    if (count > caps.MaxPrimitiveCount) return *why = "too many primitives", D3DERR_INVALIDCALL;
    if (!vertices || stride == 0) return *why = "no vertices", D3DERR_INVALIDCALL;
    // Pixel shaders run over pre-transformed vertices; nothing here draws 3D.
    if (s.vertexShader) return *why = "vertex shaders are not run", D3DERR_INVALIDCALL;
    if (s.declaration)
        return *why = "a vertex declaration without a vertex format", D3DERR_INVALIDCALL;
    if (s.pixelShader && !s.pixelShader->code_.program->pixel)
        return *why = "the pixel shader's kernel runs nothing", D3DERR_INVALIDCALL;
    if (s.fvf == 0) return *why = "no vertex format", D3DERR_INVALIDCALL;
    if (!s.renderTargets[0]) return *why = "no render target", D3DERR_INVALIDCALL;
    if (!(caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP) &&
        (s.renderStates[kRsBlendOp] != 1 || s.renderStates[kRsBlendOpAlpha] != 1))
        return *why = "blend operation not supported", D3DERR_INVALIDCALL;
    if (!(caps.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP)) {
        for (int i = 0; i < kTextureStageCount; ++i) {
            const DWORD* t = s.stageStates[i];
            if (t[kTssResultArg] == kTaTemp) return *why = "temporary register", D3DERR_INVALIDCALL;
            for (DWORD a : {kTssColorArg0, kTssColorArg1, kTssColorArg2, kTssAlphaArg0,
                            kTssAlphaArg1, kTssAlphaArg2})
                if ((t[a] & kTaSelectMask) == kTaTemp)
                    return *why = "temporary register", D3DERR_INVALIDCALL;
        }
    }
    return D3D_OK;
}
}  // namespace

HRESULT DeviceImpl::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* vertices,
                                    UINT stride) {
    CallGuard guard(*core_);
    const char* why = "";
    HRESULT hr = CheckDraw(state_, caps_, type, count, vertices, stride, &why);
    if (FAILED(hr))
        return Traced("DrawPrimitiveUP", hr, "type %u count %u: %s", unsigned(type), count, why);
    if (count == 0) return Traced("DrawPrimitiveUP", D3D_OK, "type %u count 0", unsigned(type));
    DrawCall call;
    call.primitiveType = type;
    call.primitiveCount = count;
    call.vertexCount = VerticesFor(type, count);
    call.vertices = vertices;
    call.stride = stride;
    hr = GetDrawHandler()(state_, caps_, call);
    return Traced("DrawPrimitiveUP", hr, "type %u count %u stride %u fvf 0x%X", unsigned(type),
                  count, stride, unsigned(state_.fvf));
}

HRESULT DeviceImpl::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                           UINT count, const void* indices, D3DFORMAT indexFormat,
                                           const void* vertices, UINT stride) {
    CallGuard guard(*core_);
    const char* name = "DrawIndexedPrimitiveUP";
    const char* why = "";
    HRESULT hr = CheckDraw(state_, caps_, type, count, vertices, stride, &why);
    if (FAILED(hr)) return Traced(name, hr, "type %u count %u: %s", unsigned(type), count, why);
    if (count == 0) return Traced(name, D3D_OK, "type %u count 0", unsigned(type));
    if (!indices || (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32))
        return Traced(name, D3DERR_INVALIDCALL, "index data");
    if (indexFormat == D3DFMT_INDEX32 && caps_.MaxVertexIndex <= 0xFFFF)
        return Traced(name, D3DERR_INVALIDCALL, "32-bit indices not supported");
    if (numVertices == 0 || uint64_t(minIndex) + numVertices > uint64_t(caps_.MaxVertexIndex) + 1)
        return Traced(name, D3DERR_INVALIDCALL, "vertex range %u+%u", minIndex, numVertices);
    // Every index must lie in the declared range: the rasteriser reads
    // vertices only there.
    const UINT n = VerticesFor(type, count);
    for (UINT i = 0; i < n; ++i) {
        DWORD idx;
        if (indexFormat == D3DFMT_INDEX16) {
            WORD w;
            std::memcpy(&w, static_cast<const BYTE*>(indices) + i * 2, 2);
            idx = w;
        } else {
            std::memcpy(&idx, static_cast<const BYTE*>(indices) + i * 4, 4);
        }
        if (idx < minIndex || idx >= minIndex + numVertices)
            return Traced(name, D3DERR_INVALIDCALL, "index %u outside %u+%u", unsigned(idx),
                          minIndex, numVertices);
    }
    DrawCall call;
    call.primitiveType = type;
    call.primitiveCount = count;
    call.vertexCount = n;
    call.vertices = vertices;
    call.stride = stride;
    call.indices = indices;
    call.indexFormat = indexFormat;
    call.minVertexIndex = minIndex;
    call.numVertices = numVertices;
    hr = GetDrawHandler()(state_, caps_, call);
    return Traced(name, hr, "type %u count %u stride %u fvf 0x%X", unsigned(type), count, stride,
                  unsigned(state_.fvf));
}

HRESULT DeviceImpl::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*,
                                    IDirect3DVertexDeclaration9*, DWORD) {
    return Unsupported("ProcessVertices");
}

// --- vertex formats, shaders, constants, streams -----------------------------------------
HRESULT DeviceImpl::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
    CallGuard guard(*core_);
    auto* d = decl ? dynamic_cast<VertexDeclarationImpl*>(decl) : nullptr;
    if (d && d->core_ != core_) return Traced("SetVertexDeclaration", D3DERR_INVALIDCALL);
    Rebind(state_.declaration, d);
    if (d) state_.fvf = 0;
    return Traced("SetVertexDeclaration", D3D_OK, "%s", d ? "set" : "none");
}

HRESULT DeviceImpl::GetVertexDeclaration(IDirect3DVertexDeclaration9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("GetVertexDeclaration", D3DERR_INVALIDCALL);
    *pp = state_.declaration;
    if (state_.declaration) state_.declaration->AddRef();
    return D3D_OK;
}

HRESULT DeviceImpl::SetFVF(DWORD fvf) {
    CallGuard guard(*core_);
    state_.fvf = fvf;
    if (fvf) Rebind(state_.declaration, static_cast<VertexDeclarationImpl*>(nullptr));
    return Traced("SetFVF", D3D_OK, "0x%X", unsigned(fvf));
}

HRESULT DeviceImpl::GetFVF(DWORD* fvf) {
    if (!fvf) return Traced("GetFVF", D3DERR_INVALIDCALL);
    *fvf = state_.fvf;
    return D3D_OK;
}

HRESULT DeviceImpl::SetVertexShader(IDirect3DVertexShader9* shader) {
    CallGuard guard(*core_);
    auto* s = shader ? dynamic_cast<VertexShaderImpl*>(shader) : nullptr;
    if (s && s->core_ != core_) return Traced("SetVertexShader", D3DERR_INVALIDCALL);
    Rebind(state_.vertexShader, s);
    return Traced("SetVertexShader", D3D_OK, "%s", s ? s->code_.kernel.c_str() : "none");
}

HRESULT DeviceImpl::GetVertexShader(IDirect3DVertexShader9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("GetVertexShader", D3DERR_INVALIDCALL);
    *pp = state_.vertexShader;
    if (state_.vertexShader) state_.vertexShader->AddRef();
    return D3D_OK;
}

HRESULT DeviceImpl::SetPixelShader(IDirect3DPixelShader9* shader) {
    CallGuard guard(*core_);
    auto* s = shader ? dynamic_cast<PixelShaderImpl*>(shader) : nullptr;
    if (s && s->core_ != core_) return Traced("SetPixelShader", D3DERR_INVALIDCALL);
    Rebind(state_.pixelShader, s);
    return Traced("SetPixelShader", D3D_OK, "%s", s ? s->code_.kernel.c_str() : "none");
}

HRESULT DeviceImpl::GetPixelShader(IDirect3DPixelShader9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("GetPixelShader", D3DERR_INVALIDCALL);
    *pp = state_.pixelShader;
    if (state_.pixelShader) state_.pixelShader->AddRef();
    return D3D_OK;
}

namespace {
template <class T, size_t N, size_t W>
HRESULT SetConstants(const char* name, T (&table)[N][W], UINT start, const T* data, UINT count) {
    if (!data || uint64_t(start) + count > N)
        return Traced(name, D3DERR_INVALIDCALL, "%u+%u of %zu", start, count, N);
    std::memcpy(table[start], data, sizeof(T) * W * count);
    return Traced(name, D3D_OK, "%u+%u", start, count);
}
template <class T, size_t N, size_t W>
HRESULT GetConstants(const char* name, T (&table)[N][W], UINT start, T* data, UINT count) {
    if (!data || uint64_t(start) + count > N)
        return Traced(name, D3DERR_INVALIDCALL, "%u+%u", start, count);
    std::memcpy(data, table[start], sizeof(T) * W * count);
    return D3D_OK;
}
template <size_t N>
HRESULT SetBools(const char* name, BOOL (&table)[N], UINT start, const BOOL* data, UINT count) {
    if (!data || uint64_t(start) + count > N)
        return Traced(name, D3DERR_INVALIDCALL, "%u+%u of %zu", start, count, N);
    std::memcpy(table + start, data, sizeof(BOOL) * count);
    return Traced(name, D3D_OK, "%u+%u", start, count);
}
template <size_t N>
HRESULT GetBools(const char* name, BOOL (&table)[N], UINT start, BOOL* data, UINT count) {
    if (!data || uint64_t(start) + count > N) return Traced(name, D3DERR_INVALIDCALL);
    std::memcpy(data, table + start, sizeof(BOOL) * count);
    return D3D_OK;
}
}  // namespace

HRESULT DeviceImpl::SetVertexShaderConstantF(UINT start, const float* d, UINT n) {
    CallGuard guard(*core_);
    return SetConstants("SetVertexShaderConstantF", state_.vertexConstF, start, d, n);
}
HRESULT DeviceImpl::GetVertexShaderConstantF(UINT start, float* d, UINT n) {
    CallGuard guard(*core_);
    return GetConstants("GetVertexShaderConstantF", state_.vertexConstF, start, d, n);
}
HRESULT DeviceImpl::SetVertexShaderConstantI(UINT start, const int* d, UINT n) {
    CallGuard guard(*core_);
    return SetConstants("SetVertexShaderConstantI", state_.vertexConstI, start, d, n);
}
HRESULT DeviceImpl::GetVertexShaderConstantI(UINT start, int* d, UINT n) {
    CallGuard guard(*core_);
    return GetConstants("GetVertexShaderConstantI", state_.vertexConstI, start, d, n);
}
HRESULT DeviceImpl::SetVertexShaderConstantB(UINT start, const BOOL* d, UINT n) {
    CallGuard guard(*core_);
    return SetBools("SetVertexShaderConstantB", state_.vertexConstB, start, d, n);
}
HRESULT DeviceImpl::GetVertexShaderConstantB(UINT start, BOOL* d, UINT n) {
    CallGuard guard(*core_);
    return GetBools("GetVertexShaderConstantB", state_.vertexConstB, start, d, n);
}
HRESULT DeviceImpl::SetPixelShaderConstantF(UINT start, const float* d, UINT n) {
    CallGuard guard(*core_);
    return SetConstants("SetPixelShaderConstantF", state_.pixelConstF, start, d, n);
}
HRESULT DeviceImpl::GetPixelShaderConstantF(UINT start, float* d, UINT n) {
    CallGuard guard(*core_);
    return GetConstants("GetPixelShaderConstantF", state_.pixelConstF, start, d, n);
}
HRESULT DeviceImpl::SetPixelShaderConstantI(UINT start, const int* d, UINT n) {
    CallGuard guard(*core_);
    return SetConstants("SetPixelShaderConstantI", state_.pixelConstI, start, d, n);
}
HRESULT DeviceImpl::GetPixelShaderConstantI(UINT start, int* d, UINT n) {
    CallGuard guard(*core_);
    return GetConstants("GetPixelShaderConstantI", state_.pixelConstI, start, d, n);
}
HRESULT DeviceImpl::SetPixelShaderConstantB(UINT start, const BOOL* d, UINT n) {
    CallGuard guard(*core_);
    return SetBools("SetPixelShaderConstantB", state_.pixelConstB, start, d, n);
}
HRESULT DeviceImpl::GetPixelShaderConstantB(UINT start, BOOL* d, UINT n) {
    CallGuard guard(*core_);
    return GetBools("GetPixelShaderConstantB", state_.pixelConstB, start, d, n);
}

HRESULT DeviceImpl::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* vb, UINT offset,
                                    UINT stride) {
    CallGuard guard(*core_);
    auto* b = vb ? dynamic_cast<VertexBufferImpl*>(vb) : nullptr;
    if (stream >= 16 || (b && b->core_ != core_))
        return Traced("SetStreamSource", D3DERR_INVALIDCALL);
    Rebind(state_.streams[stream], b);
    state_.streamOffsets[stream] = offset;
    state_.streamStrides[stream] = stride;
    return Traced("SetStreamSource", D3D_OK, "%u", stream);
}

HRESULT DeviceImpl::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** pp, UINT* offset,
                                    UINT* stride) {
    CallGuard guard(*core_);
    if (stream >= 16 || !pp || !offset || !stride)
        return Traced("GetStreamSource", D3DERR_INVALIDCALL);
    *pp = state_.streams[stream];
    if (*pp) state_.streams[stream]->AddRef();
    *offset = state_.streamOffsets[stream];
    *stride = state_.streamStrides[stream];
    return D3D_OK;
}

HRESULT DeviceImpl::SetStreamSourceFreq(UINT stream, UINT setting) {
    CallGuard guard(*core_);
    if (stream >= 16) return Traced("SetStreamSourceFreq", D3DERR_INVALIDCALL);
    state_.streamFrequencies[stream] = setting;
    return D3D_OK;
}

HRESULT DeviceImpl::GetStreamSourceFreq(UINT stream, UINT* setting) {
    if (stream >= 16 || !setting) return Traced("GetStreamSourceFreq", D3DERR_INVALIDCALL);
    *setting = state_.streamFrequencies[stream];
    return D3D_OK;
}

HRESULT DeviceImpl::SetIndices(IDirect3DIndexBuffer9* ib) {
    CallGuard guard(*core_);
    auto* b = ib ? dynamic_cast<IndexBufferImpl*>(ib) : nullptr;
    if (b && b->core_ != core_) return Traced("SetIndices", D3DERR_INVALIDCALL);
    Rebind(state_.indices, b);
    return Traced("SetIndices", D3D_OK);
}

HRESULT DeviceImpl::GetIndices(IDirect3DIndexBuffer9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("GetIndices", D3DERR_INVALIDCALL);
    *pp = state_.indices;
    if (state_.indices) state_.indices->AddRef();
    return D3D_OK;
}

HRESULT DeviceImpl::DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) {
    return Unsupported("DrawRectPatch");
}
HRESULT DeviceImpl::DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) {
    return Unsupported("DrawTriPatch");
}
HRESULT DeviceImpl::DeletePatch(UINT) {
    return Unsupported("DeletePatch");
}
HRESULT DeviceImpl::CreateQuery(D3DQUERYTYPE, IDirect3DQuery9** pp) {
    if (pp) *pp = nullptr;
    return Unsupported("CreateQuery");
}

// --- Ex extras --------------------------------------------------------------------------
HRESULT DeviceImpl::SetConvolutionMonoKernel(UINT, UINT, float*, float*) {
    return Unsupported("SetConvolutionMonoKernel");
}
HRESULT DeviceImpl::ComposeRects(IDirect3DSurface9*, IDirect3DSurface9*, IDirect3DVertexBuffer9*,
                                 UINT, IDirect3DVertexBuffer9*, D3DCOMPOSERECTSOP, int, int) {
    return Unsupported("ComposeRects");
}
HRESULT DeviceImpl::GetGPUThreadPriority(INT* p) {
    if (!p) return Traced("GetGPUThreadPriority", D3DERR_INVALIDCALL);
    *p = gpuPriority_;
    return D3D_OK;
}
HRESULT DeviceImpl::SetGPUThreadPriority(INT p) {
    if (p < -7 || p > 7) return Traced("SetGPUThreadPriority", D3DERR_INVALIDCALL);
    gpuPriority_ = p;
    return D3D_OK;
}
HRESULT DeviceImpl::CheckResourceResidency(IDirect3DResource9**, UINT32) {
    return Unsupported("CheckResourceResidency");
}

HRESULT DeviceImpl::SetMaximumFrameLatency(UINT latency) {
    CallGuard guard(*core_);
    if (latency > 20) return Traced("SetMaximumFrameLatency", D3DERR_INVALIDCALL, "%u", latency);
    maxFrameLatency_ = latency == 0 ? 3 : latency;
    return Traced("SetMaximumFrameLatency", D3D_OK, "%u", latency);
}

HRESULT DeviceImpl::GetMaximumFrameLatency(UINT* latency) {
    if (!latency) return Traced("GetMaximumFrameLatency", D3DERR_INVALIDCALL);
    *latency = maxFrameLatency_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetDisplayModeEx(UINT swapChain, D3DDISPLAYMODEEX* mode,
                                     D3DDISPLAYROTATION* rot) {
    if (swapChain != 0 || !mode || mode->Size != sizeof(D3DDISPLAYMODEEX))
        return Traced("GetDisplayModeEx", D3DERR_INVALIDCALL);
    *mode =
        D3DDISPLAYMODEEX{sizeof(D3DDISPLAYMODEEX), mode_.Width,  mode_.Height,
                         mode_.RefreshRate,        mode_.Format, D3DSCANLINEORDERING_PROGRESSIVE};
    if (rot) *rot = D3DDISPLAYROTATION_IDENTITY;
    return D3D_OK;
}

}  // namespace platform::d3d9
