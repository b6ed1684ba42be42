// IDirectInputDevice8A over one keyboard, mouse or SDL joystick, and the
// effects it plays on the joystick's motors.
#pragma once

#include <atomic>
#include <vector>

#include "../win32/com_object.h"
#include "direct_input_internal.h"

namespace platform::input::dinput {

class Effect;

// Per-axis properties: range, dead zone and saturation (0..10000).
struct AxisProperties {
    LONG min = 0;
    LONG max = 65535;
    DWORD deadZone = 0;
    DWORD saturation = 10000;
};

class Device final : public SingleInterfaceObject<Device, IDirectInputDevice8A> {
  public:
    static const IID& InterfaceId() { return IID_IDirectInputDevice8A; }
    explicit Device(const DeviceDescription& description);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Signals the notification event of acquired keyboard or mouse devices.
    static void NotifyAll(DeviceKind kind);

    // For effects.
    bool ExclusivelyAcquired();
    bool HasRumble() const { return description_.forceFeedback; }
    void AddEffect(Effect* effect);
    void RemoveEffect(Effect* effect);
    // Sends the motor speeds the running effects ask for.
    void UpdateRumble(bool renew = false);
    // Stops every effect (on unacquire, loss, DIES_SOLO).
    void StopEffects(Effect* except = nullptr);

    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override;
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(REFDIPROP property, LPDIPROPHEADER header) override;
    HRESULT STDMETHODCALLTYPE SetProperty(REFDIPROP property, LPCDIPROPHEADER header) override;
    HRESULT STDMETHODCALLTYPE Acquire() override;
    HRESULT STDMETHODCALLTYPE Unacquire() override;
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, DIDEVICEOBJECTDATA*, LPDWORD, DWORD) override {
        // Buffered data are not kept; programs read the immediate state.
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE event) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetObjectInfo(DIDEVICEOBJECTINSTANCEA*, DWORD, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA info) override;
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version, REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID type, LPCDIEFFECT parameters,
                                           LPDIRECTINPUTEFFECT* effect, LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetEffectInfo(DIEFFECTINFOA*, REFGUID) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                       DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Escape(DIEFFESCAPE*) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Poll() override;
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, const DIDEVICEOBJECTDATA*, LPDWORD,
                                             DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID,
                                                DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCSTR, DWORD, DIFILEEFFECT*, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE BuildActionMap(DIACTIONFORMATA*, LPCSTR, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE SetActionMap(DIACTIONFORMATA*, LPCSTR, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetImageInfo(DIDEVICEIMAGEINFOHEADERA*) override {
        return DIERR_UNSUPPORTED;
    }

  private:
    int DeviceClass() const { return DeviceClassOf(description_.kind); }
    // DI_OK when the device may be read; loses the acquisition first when a
    // foreground device's window is no longer in front or a joystick is gone.
    HRESULT CheckReadable();
    void LoseAcquisition();
    bool WindowInFront() const;
    // Target axes of a property header; DI_OK or the error.
    HRESULT PropertyAxes(const DIPROPHEADER& header, std::vector<int>* axes) const;
    LONG ScaleAxis(int axis, int32_t raw) const;
    void Read(RawReading* reading);

    DeviceDescription description_;
    std::vector<AxisProperties> axes_;
    bool formatSet_ = false;
    std::vector<Binding> bindings_;
    DWORD dataSize_ = 0;
    HWND window_ = nullptr;
    DWORD cooperation_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    DWORD bufferSize_ = 0;
    // Read by the raw-input listener: guarded by DeviceMutex().
    bool acquired_ = false;
    HANDLE event_ = nullptr;
    bool lost_ = false;
    MouseMark mouseMark_;
    RawReading lastJoystick_;
    std::vector<Effect*> effects_;
    uint16_t sentLow_ = 0;
    uint16_t sentHigh_ = 0;
    uint32_t sentAt_ = 0;
};

// Effects of a joystick with motors: a constant force drives the low-frequency
// motor, periodic effects the high-frequency one, at magnitude x gain.
class Effect final : public SingleInterfaceObject<Effect, IDirectInputEffect> {
  public:
    static const IID& InterfaceId() { return IID_IDirectInputEffect; }
    enum class Motor { Low, High };
    Effect(Device* device, REFGUID type, Motor motor);
    ~Effect();
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    Motor motor() const { return motor_; }
    // The speed 0..65535 while playing and not yet over, else 0.
    uint16_t Speed(uint32_t now) const;
    // Milliseconds left to play (UINT32_MAX: until stopped), 0 when not playing.
    uint32_t Remaining(uint32_t now) const;
    void StopQuietly() { playing_ = false; }

    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID guid) override;
    HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT parameters, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT parameters, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Start(DWORD iterations, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD flags) override;
    HRESULT STDMETHODCALLTYPE Download() override;
    HRESULT STDMETHODCALLTYPE Unload() override;
    HRESULT STDMETHODCALLTYPE Escape(DIEFFESCAPE*) override { return DIERR_UNSUPPORTED; }

  private:
    Device* device_;
    GUID type_;
    Motor motor_;
    bool complete_ = false;  // type-specific parameters were given
    DWORD duration_ = INFINITE;
    DWORD samplePeriod_ = 0;
    DWORD gain_ = DI_FFNOMINALMAX;
    DWORD triggerButton_ = DIEB_NOTRIGGER;
    DWORD triggerRepeat_ = 0;
    DWORD startDelay_ = 0;
    DWORD coordinates_ = DIEFF_CARTESIAN;
    std::vector<DWORD> axes_;
    std::vector<LONG> direction_;
    bool hasEnvelope_ = false;
    DIENVELOPE envelope_{};
    DICONSTANTFORCE constant_{};
    DIPERIODIC periodic_{};
    bool playing_ = false;
    uint32_t startedAt_ = 0;
    DWORD iterations_ = 1;
};

}  // namespace platform::input::dinput
