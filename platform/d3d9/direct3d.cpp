// IDirect3D9 / IDirect3D9Ex: the one adapter, its display modes, format and
// device-type checks, capabilities and device creation; the two exports of
// "d3d9.dll".
#include <cstring>

#include "formats.h"
#include "knobs.h"
#include "objects.h"
#include "windows.h"

namespace platform::d3d9 {

namespace {

// The adapter's full-screen modes of one format: the window stand-in's
// display modes of the matching colour depth.
std::vector<D3DDISPLAYMODE> ModesOf(D3DFORMAT format) {
    std::vector<D3DDISPLAYMODE> out;
    if (format != D3DFMT_X8R8G8B8 && format != D3DFMT_R5G6B5) return out;
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &dm); ++i) {
        if (FormatForBits(dm.dmBitsPerPel) != format) continue;
        out.push_back(D3DDISPLAYMODE{dm.dmPelsWidth, dm.dmPelsHeight,
                                     dm.dmDisplayFrequency ? dm.dmDisplayFrequency : 60, format});
    }
    return out;
}

// The display format a back-buffer format runs on in full screen.
D3DFORMAT DisplayFormatFor(D3DFORMAT backBuffer) {
    switch (backBuffer) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return D3DFMT_X8R8G8B8;
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5:
            return D3DFMT_X1R5G5B5;
        case D3DFMT_R5G6B5:
            return D3DFMT_R5G6B5;
        default:
            return D3DFMT_UNKNOWN;
    }
}

}  // namespace

HRESULT ValidatePresentParameters(D3DPRESENT_PARAMETERS* pp, bool ex,
                                  const D3DDISPLAYMODEEX* fsMode, D3DDISPLAYMODE* mode) {
    if (!pp) return D3DERR_INVALIDCALL;
    if (pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (pp->BackBufferCount > 3) return D3DERR_INVALIDCALL;
    if (pp->BackBufferCount == 0) pp->BackBufferCount = 1;
    if (pp->SwapEffect == D3DSWAPEFFECT_COPY && pp->BackBufferCount > 1) return D3DERR_INVALIDCALL;
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    if (pp->PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT &&
        pp->PresentationInterval != D3DPRESENT_INTERVAL_ONE &&
        pp->PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE)
        return D3DERR_INVALIDCALL;
    if (pp->EnableAutoDepthStencil && !IsDepthFormat(pp->AutoDepthStencilFormat))
        return D3DERR_INVALIDCALL;
    if (pp->BackBufferWidth > 8192 || pp->BackBufferHeight > 8192) return D3DERR_INVALIDCALL;
    if (pp->Windowed) {
        if (pp->FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
        if (ex && fsMode) return D3DERR_INVALIDCALL;
        const D3DDISPLAYMODE desktop = DesktopMode();
        if (pp->BackBufferFormat == D3DFMT_UNKNOWN) pp->BackBufferFormat = desktop.Format;
        if (!IsBackBufferFormat(pp->BackBufferFormat)) return D3DERR_INVALIDCALL;
        // The window's client size is not known here; the size must be given.
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) return D3DERR_INVALIDCALL;
        *mode = desktop;
        return D3D_OK;
    }
    const D3DFORMAT display = DisplayFormatFor(pp->BackBufferFormat);
    if (display == D3DFMT_UNKNOWN) return D3DERR_INVALIDCALL;
    for (const D3DDISPLAYMODE& m : ModesOf(display)) {
        if (m.Width == pp->BackBufferWidth && m.Height == pp->BackBufferHeight &&
            (pp->FullScreen_RefreshRateInHz == 0 ||
             pp->FullScreen_RefreshRateInHz == m.RefreshRate)) {
            if (ex) {
                if (!fsMode || fsMode->Size != sizeof(D3DDISPLAYMODEEX) ||
                    fsMode->Width != m.Width || fsMode->Height != m.Height ||
                    fsMode->Format != pp->BackBufferFormat ||
                    (fsMode->RefreshRate != 0 && fsMode->RefreshRate != m.RefreshRate))
                    return D3DERR_INVALIDCALL;
            }
            *mode = m;
            return D3D_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

Direct3DImpl::Direct3DImpl(bool isEx) : isEx_(isEx) {
    LiveAdd(LiveKind::Direct3D);
}
Direct3DImpl::~Direct3DImpl() {
    LiveRemove(LiveKind::Direct3D);
}

HRESULT Direct3DImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3D9 || (isEx_ && riid == IID_IDirect3D9Ex)) {
        AddRef();
        *ppv = static_cast<IDirect3D9Ex*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG Direct3DImpl::AddRef() {
    return ULONG(++refs_);
}

ULONG Direct3DImpl::Release() {
    LONG left = --refs_;
    if (left < 0) {
        refs_ = 0;
        return 0;
    }
    if (left == 0) delete this;
    return ULONG(left);
}

HRESULT Direct3DImpl::RegisterSoftwareDevice(void*) {
    return Unsupported("Direct3D::RegisterSoftwareDevice");
}

UINT Direct3DImpl::GetAdapterCount() {
    return 1;
}

HRESULT Direct3DImpl::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) {
    if (adapter != 0 || !id || (flags & ~DWORD(D3DENUM_WHQL_LEVEL)))
        return Traced("GetAdapterIdentifier", D3DERR_INVALIDCALL);
    std::memset(id, 0, sizeof *id);
    std::strcpy(id->Driver, "vessamire_d3d9");
    std::strcpy(id->Description, "Vessamire software Direct3D 9 device");
    std::strcpy(id->DeviceName, "\\\\.\\DISPLAY1");
    id->DriverVersion.QuadPart = 0x0009000000000000LL;
    id->WHQLLevel = (flags & D3DENUM_WHQL_LEVEL) ? 1 : 0;
    return Traced("GetAdapterIdentifier", D3D_OK);
}

UINT Direct3DImpl::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    return adapter == 0 ? UINT(ModesOf(format).size()) : 0;
}

HRESULT Direct3DImpl::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index,
                                       D3DDISPLAYMODE* mode) {
    if (adapter != 0 || !mode) return Traced("EnumAdapterModes", D3DERR_INVALIDCALL);
    auto modes = ModesOf(format);
    if (modes.empty())
        return Traced("EnumAdapterModes", D3DERR_NOTAVAILABLE, "format %u", unsigned(format));
    if (index >= modes.size())
        return Traced("EnumAdapterModes", D3DERR_INVALIDCALL, "mode %u", index);
    *mode = modes[index];
    return D3D_OK;
}

HRESULT Direct3DImpl::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != 0 || !mode) return Traced("GetAdapterDisplayMode", D3DERR_INVALIDCALL);
    *mode = DesktopMode();
    return Traced("GetAdapterDisplayMode", D3D_OK, "%ux%u %s", mode->Width, mode->Height,
                  FormatName(mode->Format));
}

HRESULT Direct3DImpl::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display,
                                      D3DFORMAT backBuffer, BOOL windowed) {
    if (adapter != 0) return Traced("CheckDeviceType", D3DERR_INVALIDCALL);
    if (type != D3DDEVTYPE_HAL) return Traced("CheckDeviceType", D3DERR_NOTAVAILABLE);
    if (!IsDisplayFormat(display)) return Traced("CheckDeviceType", D3DERR_NOTAVAILABLE);
    if (windowed && display != DesktopMode().Format)
        return Traced("CheckDeviceType", D3DERR_NOTAVAILABLE, "not the desktop format");
    if (backBuffer == D3DFMT_UNKNOWN)
        return Traced("CheckDeviceType", windowed ? D3D_OK : D3DERR_INVALIDCALL);
    if (!windowed && DisplayFormatFor(backBuffer) != display)
        return Traced("CheckDeviceType", D3DERR_NOTAVAILABLE);
    return Traced("CheckDeviceType", IsBackBufferFormat(backBuffer) ? D3D_OK : D3DERR_NOTAVAILABLE);
}

HRESULT Direct3DImpl::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT display,
                                        DWORD usage, D3DRESOURCETYPE rtype, D3DFORMAT format) {
    if (adapter != 0) return Traced("CheckDeviceFormat", D3DERR_INVALIDCALL);
    if (type != D3DDEVTYPE_HAL || !IsDisplayFormat(display))
        return Traced("CheckDeviceFormat", D3DERR_NOTAVAILABLE);
    return Traced("CheckDeviceFormat", FormatSupport(format, usage, rtype), "%s usage 0x%X type %u",
                  FormatName(format), unsigned(usage), unsigned(rtype));
}

HRESULT Direct3DImpl::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                                 BOOL, D3DMULTISAMPLE_TYPE ms, DWORD* levels) {
    if (adapter != 0) return Traced("CheckDeviceMultiSampleType", D3DERR_INVALIDCALL);
    if (type != D3DDEVTYPE_HAL || ms != D3DMULTISAMPLE_NONE ||
        (!IsColourFormat(format) && !IsDepthFormat(format)))
        return Traced("CheckDeviceMultiSampleType", D3DERR_NOTAVAILABLE, "type %u", unsigned(ms));
    if (levels) *levels = 1;
    return Traced("CheckDeviceMultiSampleType", D3D_OK);
}

HRESULT Direct3DImpl::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT display,
                                             D3DFORMAT target, D3DFORMAT depth) {
    if (adapter != 0) return Traced("CheckDepthStencilMatch", D3DERR_INVALIDCALL);
    if (type != D3DDEVTYPE_HAL || !IsDisplayFormat(display) || !IsColourFormat(target) ||
        FormatSupport(depth, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE) != D3D_OK)
        return Traced("CheckDepthStencilMatch", D3DERR_NOTAVAILABLE);
    return Traced("CheckDepthStencilMatch", D3D_OK, "%s", FormatName(depth));
}

HRESULT Direct3DImpl::CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT src,
                                                  D3DFORMAT dst) {
    if (adapter != 0) return Traced("CheckDeviceFormatConversion", D3DERR_INVALIDCALL);
    // StretchRect converts between every pair of colour formats.
    return Traced("CheckDeviceFormatConversion",
                  type == D3DDEVTYPE_HAL && IsColourFormat(src) && IsColourFormat(dst)
                      ? D3D_OK
                      : D3DERR_NOTAVAILABLE);
}

HRESULT Direct3DImpl::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    if (adapter != 0 || !caps) return Traced("Direct3D::GetDeviceCaps", D3DERR_INVALIDCALL);
    if (type != D3DDEVTYPE_HAL) return Traced("Direct3D::GetDeviceCaps", D3DERR_NOTAVAILABLE);
    FillCaps(caps);
    return Traced("Direct3D::GetDeviceCaps", D3D_OK);
}

HMONITOR Direct3DImpl::GetAdapterMonitor(UINT adapter) {
    Unsupported("GetAdapterMonitor");
    return nullptr;
}

HRESULT Direct3DImpl::MakeDevice(bool ex, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                                 const D3DDISPLAYMODEEX* fsMode, DeviceImpl** out) {
    const DWORD vp =
        flags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                 D3DCREATE_MIXED_VERTEXPROCESSING);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if (!pp) return D3DERR_INVALIDCALL;
    if (!focus && !pp->hDeviceWindow) return D3DERR_INVALIDCALL;
    if (!pp->Windowed && !focus) return D3DERR_INVALIDCALL;
    D3DDISPLAYMODE mode{};
    HRESULT hr = ValidatePresentParameters(pp, ex, fsMode, &mode);
    if (FAILED(hr)) return hr;
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        Knobs& k = D3D9Knobs();
        int& failures = ex ? k.failCreateDeviceEx : k.failCreateDevice;
        if (failures > 0) {
            --failures;
            return D3DERR_NOTAVAILABLE;
        }
        if (k.failWidth && pp->BackBufferWidth == k.failWidth &&
            pp->BackBufferHeight == k.failHeight)
            return D3DERR_NOTAVAILABLE;
        if (k.lost) return D3DERR_DEVICELOST;
    }
    auto* device = new DeviceImpl(this, ex, focus, flags, *pp, mode);
    hr = device->BuildImplicit(*pp);
    if (SUCCEEDED(hr) && !pp->Windowed && !device->SwitchDisplay(true)) hr = D3DERR_NOTAVAILABLE;
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    *out = device;
    return D3D_OK;
}

HRESULT Direct3DImpl::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                   D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) {
    if (!ppDevice) return Traced("CreateDevice", D3DERR_INVALIDCALL, "no output");
    *ppDevice = nullptr;
    if (adapter != 0) return Traced("CreateDevice", D3DERR_INVALIDCALL, "adapter %u", adapter);
    if (type != D3DDEVTYPE_HAL)
        return Traced("CreateDevice", D3DERR_NOTAVAILABLE, "type %u", unsigned(type));
    DeviceImpl* device = nullptr;
    HRESULT hr = MakeDevice(false, focus, flags, pp, nullptr, &device);
    if (SUCCEEDED(hr)) *ppDevice = device;
    return Traced("CreateDevice", hr, "%ux%u windowed %d flags 0x%X", pp ? pp->BackBufferWidth : 0,
                  pp ? pp->BackBufferHeight : 0, pp ? pp->Windowed : 0, unsigned(flags));
}

UINT Direct3DImpl::GetAdapterModeCountEx(UINT adapter, const D3DDISPLAYMODEFILTER* filter) {
    if (adapter != 0 || !filter || filter->Size != sizeof(D3DDISPLAYMODEFILTER)) return 0;
    if (filter->ScanLineOrdering == D3DSCANLINEORDERING_INTERLACED) return 0;
    return UINT(ModesOf(filter->Format).size());
}

HRESULT Direct3DImpl::EnumAdapterModesEx(UINT adapter, const D3DDISPLAYMODEFILTER* filter,
                                         UINT index, D3DDISPLAYMODEEX* mode) {
    if (adapter != 0 || !filter || !mode || filter->Size != sizeof(D3DDISPLAYMODEFILTER) ||
        mode->Size != sizeof(D3DDISPLAYMODEEX))
        return Traced("EnumAdapterModesEx", D3DERR_INVALIDCALL);
    if (index >= GetAdapterModeCountEx(adapter, filter))
        return Traced("EnumAdapterModesEx", D3DERR_INVALIDCALL, "mode %u", index);
    D3DDISPLAYMODE m = ModesOf(filter->Format)[index];
    *mode =
        D3DDISPLAYMODEEX{sizeof(D3DDISPLAYMODEEX),       m.Width, m.Height, m.RefreshRate, m.Format,
                         D3DSCANLINEORDERING_PROGRESSIVE};
    return D3D_OK;
}

HRESULT Direct3DImpl::GetAdapterDisplayModeEx(UINT adapter, D3DDISPLAYMODEEX* mode,
                                              D3DDISPLAYROTATION* rotation) {
    if (adapter != 0 || !mode || mode->Size != sizeof(D3DDISPLAYMODEEX))
        return Traced("GetAdapterDisplayModeEx", D3DERR_INVALIDCALL);
    D3DDISPLAYMODE m = DesktopMode();
    *mode =
        D3DDISPLAYMODEEX{sizeof(D3DDISPLAYMODEEX),       m.Width, m.Height, m.RefreshRate, m.Format,
                         D3DSCANLINEORDERING_PROGRESSIVE};
    if (rotation) *rotation = D3DDISPLAYROTATION_IDENTITY;
    return D3D_OK;
}

HRESULT Direct3DImpl::CreateDeviceEx(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                     D3DPRESENT_PARAMETERS* pp, D3DDISPLAYMODEEX* fsMode,
                                     IDirect3DDevice9Ex** ppDevice) {
    if (!ppDevice) return Traced("CreateDeviceEx", D3DERR_INVALIDCALL, "no output");
    *ppDevice = nullptr;
    if (!isEx_) return Traced("CreateDeviceEx", D3DERR_INVALIDCALL, "not an Ex object");
    if (adapter != 0) return Traced("CreateDeviceEx", D3DERR_INVALIDCALL, "adapter %u", adapter);
    if (type != D3DDEVTYPE_HAL) return Traced("CreateDeviceEx", D3DERR_NOTAVAILABLE);
    DeviceImpl* device = nullptr;
    HRESULT hr = MakeDevice(true, focus, flags, pp, fsMode, &device);
    if (SUCCEEDED(hr)) *ppDevice = device;
    return Traced("CreateDeviceEx", hr, "%ux%u windowed %d flags 0x%X",
                  pp ? pp->BackBufferWidth : 0, pp ? pp->BackBufferHeight : 0,
                  pp ? pp->Windowed : 0, unsigned(flags));
}

HRESULT Direct3DImpl::GetAdapterLUID(UINT adapter, LUID* luid) {
    if (adapter != 0 || !luid) return Traced("GetAdapterLUID", D3DERR_INVALIDCALL);
    *luid = LUID{1, 0};
    return D3D_OK;
}

}  // namespace platform::d3d9

using platform::d3d9::Direct3DImpl;

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    if ((sdkVersion & 0x7FFFFFFFu) != D3D_SDK_VERSION) return nullptr;
    return new Direct3DImpl(false);
}

HRESULT WINAPI Direct3DCreate9Ex(UINT sdkVersion, IDirect3D9Ex** pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if ((sdkVersion & 0x7FFFFFFFu) != D3D_SDK_VERSION) return D3DERR_NOTAVAILABLE;
    *pp = new Direct3DImpl(true);
    return D3D_OK;
}
