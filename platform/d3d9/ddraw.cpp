// IDirectDraw7 as the engine uses it: Initialize, SetCooperativeLevel with
// DDSCL_NORMAL and WaitForVerticalBlank; every other method answers
// DDERR_UNSUPPORTED.
#include <atomic>

#include "call_trace.h"
#include "ddraw_object.h"
#include "vertical_blank.h"

namespace platform::d3d9 {

namespace {

HRESULT No(const char* method) {
    return Traced(method, DDERR_UNSUPPORTED, "unsupported");
}

class DirectDrawImpl final : public IDirectDraw7 {
  public:
    DirectDrawImpl() { LiveAdd(LiveKind::DirectDraw); }
    ~DirectDrawImpl() { LiveRemove(LiveKind::DirectDraw); }
    DirectDrawImpl(const DirectDrawImpl&) = delete;
    DirectDrawImpl& operator=(const DirectDrawImpl&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectDraw7) {
            AddRef();
            *ppv = static_cast<IDirectDraw7*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = --refs_;
        if (left < 0) {
            refs_ = 0;
            return 0;
        }
        if (left == 0) delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE Compact() override { return No("DirectDraw::Compact"); }
    HRESULT STDMETHODCALLTYPE CreateClipper(DWORD, IDirectDrawClipper**, IUnknown*) override {
        return No("DirectDraw::CreateClipper");
    }
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD, PALETTEENTRY*, IDirectDrawPalette**,
                                            IUnknown*) override {
        return No("DirectDraw::CreatePalette");
    }
    HRESULT STDMETHODCALLTYPE CreateSurface(DDSURFACEDESC2*, IDirectDrawSurface7**,
                                            IUnknown*) override {
        return No("DirectDraw::CreateSurface");
    }
    HRESULT STDMETHODCALLTYPE DuplicateSurface(IDirectDrawSurface7*,
                                               IDirectDrawSurface7**) override {
        return No("DirectDraw::DuplicateSurface");
    }
    HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD, DDSURFACEDESC2*, void*,
                                               LPDDENUMMODESCALLBACK2) override {
        return No("DirectDraw::EnumDisplayModes");
    }
    HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD, DDSURFACEDESC2*, void*,
                                           LPDDENUMSURFACESCALLBACK7) override {
        return No("DirectDraw::EnumSurfaces");
    }
    HRESULT STDMETHODCALLTYPE FlipToGDISurface() override {
        return No("DirectDraw::FlipToGDISurface");
    }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS, LPDDCAPS) override {
        return No("DirectDraw::GetCaps");
    }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(DDSURFACEDESC2*) override {
        return No("DirectDraw::GetDisplayMode");
    }
    HRESULT STDMETHODCALLTYPE GetFourCCCodes(DWORD*, DWORD*) override {
        return No("DirectDraw::GetFourCCCodes");
    }
    HRESULT STDMETHODCALLTYPE GetGDISurface(IDirectDrawSurface7**) override {
        return No("DirectDraw::GetGDISurface");
    }
    HRESULT STDMETHODCALLTYPE GetMonitorFrequency(DWORD*) override {
        return No("DirectDraw::GetMonitorFrequency");
    }
    HRESULT STDMETHODCALLTYPE GetScanLine(DWORD*) override { return No("DirectDraw::GetScanLine"); }
    HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(BOOL*) override {
        return No("DirectDraw::GetVerticalBlankStatus");
    }
    HRESULT STDMETHODCALLTYPE Initialize(GUID* guid) override {
        if (initialised_) return Traced("DirectDraw::Initialize", DDERR_ALREADYINITIALIZED);
        if (guid)
            return Traced("DirectDraw::Initialize", DDERR_INVALIDPARAMS,
                          "only the primary display");
        initialised_ = true;
        return Traced("DirectDraw::Initialize", DD_OK);
    }
    HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override {
        return No("DirectDraw::RestoreDisplayMode");
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override {
        if (!initialised_) return Traced("DirectDraw::SetCooperativeLevel", DDERR_NOTINITIALIZED);
        if (flags != DDSCL_NORMAL)
            return Traced("DirectDraw::SetCooperativeLevel", DDERR_UNSUPPORTED, "flags 0x%X",
                          unsigned(flags));
        window_ = window;
        return Traced("DirectDraw::SetCooperativeLevel", DD_OK, "normal");
    }
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD, DWORD, DWORD, DWORD, DWORD) override {
        return No("DirectDraw::SetDisplayMode");
    }
    HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE) override {
        if (!initialised_) return Traced("DirectDraw::WaitForVerticalBlank", DDERR_NOTINITIALIZED);
        if (flags != DDWAITVB_BLOCKBEGIN)
            return Traced("DirectDraw::WaitForVerticalBlank", DDERR_UNSUPPORTED, "flags 0x%X",
                          unsigned(flags));
        WaitForNextVerticalBlank();
        return DD_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAvailableVidMem(DDSCAPS2*, DWORD*, DWORD*) override {
        return No("DirectDraw::GetAvailableVidMem");
    }
    HRESULT STDMETHODCALLTYPE GetSurfaceFromDC(HDC, IDirectDrawSurface7**) override {
        return No("DirectDraw::GetSurfaceFromDC");
    }
    HRESULT STDMETHODCALLTYPE RestoreAllSurfaces() override {
        return No("DirectDraw::RestoreAllSurfaces");
    }
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override {
        return No("DirectDraw::TestCooperativeLevel");
    }
    HRESULT STDMETHODCALLTYPE GetDeviceIdentifier(DDDEVICEIDENTIFIER2*, DWORD) override {
        return No("DirectDraw::GetDeviceIdentifier");
    }
    HRESULT STDMETHODCALLTYPE StartModeTest(SIZE*, DWORD, DWORD) override {
        return No("DirectDraw::StartModeTest");
    }
    HRESULT STDMETHODCALLTYPE EvaluateMode(DWORD, DWORD*) override {
        return No("DirectDraw::EvaluateMode");
    }

  private:
    std::atomic<LONG> refs_{1};
    bool initialised_ = false;
    HWND window_ = nullptr;
};

}  // namespace

HRESULT CreateDirectDrawObject(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* object = new DirectDrawImpl();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

}  // namespace platform::d3d9
