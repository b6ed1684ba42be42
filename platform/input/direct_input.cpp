// IDirectInput8A: initialisation, the device list and device creation; the
// class CLSID_DirectInput8 in the layer's COM registry.
#include <atomic>

#include "../win32/com_object.h"
#include "../win32/com_registry.h"
#include "direct_input_device.h"

namespace platform::input::dinput {

namespace {

bool ClassMatches(DWORD filter, const DeviceDescription& device) {
    if (filter == DI8DEVCLASS_ALL) return true;
    if (filter <= DI8DEVCLASS_GAMECTRL) {
        if (filter == DI8DEVCLASS_DEVICE) return false;  // no other kinds of devices here
        return DeviceClassOf(device.kind) == static_cast<int>(filter);
    }
    return GET_DIDEVICE_TYPE(device.instance.dwDevType) == filter;
}

class DirectInput8 final : public SingleInterfaceObject<DirectInput8, IDirectInput8A> {
  public:
    static const IID& InterfaceId() { return IID_IDirectInput8A; }

    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device,
                                           LPUNKNOWN outer) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (outer) return DIERR_NOAGGREGATION;
        if (!initialized_) return DIERR_NOTINITIALIZED;
        DeviceDescription description;
        if (!FindAttachedDevice(guid, &description)) return DIERR_DEVICENOTREG;
        if (HRESULT hr = RefusedStep("CreateDevice", DeviceClassOf(description.kind)); FAILED(hr)) {
            return hr;
        }
        *device = new Device(description);
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback,
                                          LPVOID context, DWORD flags) override {
        if (HRESULT hr = RefusedStep("EnumDevices", 0); FAILED(hr)) return hr;
        const DWORD known = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES |
                            DIEDFL_INCLUDEPHANTOMS | DIEDFL_INCLUDEHIDDEN;
        if (!callback || (flags & ~known) ||
            (type > DI8DEVCLASS_GAMECTRL &&
             (type < DI8DEVTYPE_DEVICE || type > DI8DEVTYPE_SUPPLEMENTAL))) {
            return DIERR_INVALIDPARAM;
        }
        if (!initialized_) return DIERR_NOTINITIALIZED;
        // A snapshot: the callback may create devices.
        for (const DeviceDescription& device : AttachedDevices()) {
            if (!ClassMatches(type, device)) continue;
            if ((flags & DIEDFL_FORCEFEEDBACK) && !device.forceFeedback) continue;
            DIDEVICEINSTANCEA instance = device.instance;
            if (callback(&instance, context) != DIENUM_CONTINUE) break;
        }
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID instance) override {
        if (!initialized_) return DIERR_NOTINITIALIZED;
        DeviceDescription description;
        return FindAttachedDevice(instance, &description) ? DI_OK : DI_NOTATTACHED;
    }

    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return DIERR_UNSUPPORTED; }

    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version) override {
        if (HRESULT hr = RefusedStep("Initialize", 0); FAILED(hr)) return hr;
        if (!instance) return DIERR_INVALIDPARAM;
        if (version < DIRECTINPUT_VERSION_8) return DIERR_OLDDIRECTINPUTVERSION;
        if (version > DIRECTINPUT_VERSION_8) return DIERR_BETADIRECTINPUTVERSION;
        initialized_ = true;
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCSTR, DIACTIONFORMATA*,
                                                     LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID,
                                                     DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                               DICONFIGUREDEVICESPARAMSA*, DWORD, LPVOID) override {
        return DIERR_UNSUPPORTED;
    }

  private:
    bool initialized_ = false;
};

HRESULT CreateDirectInput8(IUnknown* outer, REFIID riid, void** ppv) {
    if (ClassRefused()) return REGDB_E_CLASSNOTREG;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* object = new DirectInput8();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

}  // namespace

}  // namespace platform::input::dinput

namespace platform {

void RegisterDirectInputComClasses() {
    RegisterComClass(CLSID_DirectInput8, &input::dinput::CreateDirectInput8);
}

}  // namespace platform
