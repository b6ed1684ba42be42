// IDirectInputDevice8A: data format, cooperative level, properties, event
// notification, acquisition and the immediate device state.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <set>

#include "../win32/kernel_objects.h"
#include "../win32/user_state.h"
#include "../win32/waitable.h"
#include "direct_input_device.h"
#include "win_kernel.h"
#include "win_time.h"
#include "win_user.h"

namespace platform::input::dinput {

namespace {

std::set<Device*>& LiveDevices() {
    static auto* devices = new std::set<Device*>();
    return *devices;
}

void OnRawInput(platform::user::RawInputKind kind) {
    Device::NotifyAll(kind == platform::user::RawInputKind::Keyboard ? DeviceKind::Keyboard
                                                                     : DeviceKind::Mouse);
}

// XInput-like renewal: SDL ends a rumble after its duration, DirectInput
// effects without an end play until stopped.
constexpr uint32_t kRumbleDurationMs = 0xFFFF;
constexpr uint32_t kRumbleRenewMs = 30000;

bool IsWaitableHandle(HANDLE handle) {
    return platform::KernelHandleGetAs<platform::Waitable>(handle) != nullptr;
}

}  // namespace

std::mutex& DeviceMutex() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

Device::Device(const DeviceDescription& description)
    : description_(description), axes_(static_cast<size_t>(description.axes)) {
    static std::once_flag listening;
    std::call_once(listening, [] { platform::user::SetRawInputListener(&OnRawInput); });
    std::lock_guard<std::mutex> lock(DeviceMutex());
    LiveDevices().insert(this);
}

Device::~Device() {
    {
        std::lock_guard<std::mutex> lock(DeviceMutex());
        LiveDevices().erase(this);
    }
    if (description_.kind == DeviceKind::Joystick && (sentLow_ || sentHigh_)) {
        RumbleJoystick(description_.padNumber, 0, 0, 0);
    }
}

void Device::NotifyAll(DeviceKind kind) {
    std::lock_guard<std::mutex> lock(DeviceMutex());
    for (Device* device : LiveDevices()) {
        if (device->description_.kind == kind && device->acquired_ && device->event_) {
            SetEvent(device->event_);
        }
    }
}

bool Device::WindowInFront() const {
    HWND front = GetForegroundWindow();
    return front != nullptr && front == window_;
}

void Device::LoseAcquisition() {
    {
        std::lock_guard<std::mutex> lock(DeviceMutex());
        acquired_ = false;
        lost_ = true;
    }
    StopEffects();
}

HRESULT Device::CheckReadable() {
    bool acquired;
    {
        std::lock_guard<std::mutex> lock(DeviceMutex());
        acquired = acquired_;
    }
    if (acquired && (cooperation_ & DISCL_FOREGROUND) && !WindowInFront()) {
        LoseAcquisition();
        acquired = false;
    }
    if (!acquired) return lost_ ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
    return DI_OK;
}

bool Device::ExclusivelyAcquired() {
    return (cooperation_ & DISCL_EXCLUSIVE) && SUCCEEDED(CheckReadable());
}

void Device::AddEffect(Effect* effect) {
    effects_.push_back(effect);
}

void Device::RemoveEffect(Effect* effect) {
    std::erase(effects_, effect);
}

void Device::StopEffects(Effect* except) {
    bool any = false;
    for (Effect* effect : effects_) {
        if (effect != except) {
            effect->StopQuietly();
            any = true;
        }
    }
    if (any || sentLow_ || sentHigh_) UpdateRumble();
}

void Device::UpdateRumble(bool renew) {
    if (description_.kind != DeviceKind::Joystick || !description_.forceFeedback) return;
    uint32_t now = timeGetTime();
    uint16_t low = 0, high = 0;
    uint32_t remaining = 0;
    for (Effect* effect : effects_) {
        uint16_t speed = effect->Speed(now);
        if (!speed) continue;
        uint16_t& motor = effect->motor() == Effect::Motor::Low ? low : high;
        motor = std::max(motor, speed);
        remaining = std::max(remaining, effect->Remaining(now));
    }
    uint32_t ticks = SDL_GetTicks();
    bool changed = low != sentLow_ || high != sentHigh_;
    bool due = renew && (low || high) && ticks - sentAt_ >= kRumbleRenewMs;
    if (!changed && !due) return;
    uint32_t duration = std::min(remaining, kRumbleDurationMs);
    if (RumbleJoystick(description_.padNumber, low, high, (low || high) ? duration : 0)) {
        sentLow_ = low;
        sentHigh_ = high;
        sentAt_ = ticks;
    }
}

HRESULT Device::GetCapabilities(LPDIDEVCAPS caps) {
    if (!caps || caps->dwSize != sizeof(DIDEVCAPS)) return DIERR_INVALIDPARAM;
    DIDEVCAPS out{};
    out.dwSize = sizeof(DIDEVCAPS);
    out.dwFlags = DIDC_ATTACHED;
    if (description_.kind == DeviceKind::Joystick) out.dwFlags |= DIDC_POLLEDDEVICE;
    if (description_.forceFeedback) out.dwFlags |= DIDC_FORCEFEEDBACK;
    out.dwDevType = description_.instance.dwDevType;
    out.dwAxes = static_cast<DWORD>(description_.axes);
    out.dwButtons = static_cast<DWORD>(description_.buttons);
    out.dwPOVs = static_cast<DWORD>(description_.povs);
    *caps = out;
    return DI_OK;
}

HRESULT Device::PropertyAxes(const DIPROPHEADER& header, std::vector<int>* axes) const {
    axes->clear();
    if (description_.kind != DeviceKind::Joystick) return DIERR_UNSUPPORTED;
    switch (header.dwHow) {
        case DIPH_DEVICE:
            if (header.dwObj != 0) return DIERR_INVALIDPARAM;
            for (int a = 0; a < description_.axes; ++a) axes->push_back(a);
            return DI_OK;
        case DIPH_BYOFFSET:
            for (const Binding& b : bindings_) {
                if (formatSet_ && b.offset == header.dwObj && b.kind == ObjectKind::Axis &&
                    b.index >= 0) {
                    axes->push_back(b.index);
                    return DI_OK;
                }
            }
            return DIERR_OBJECTNOTFOUND;
        case DIPH_BYID: {
            DWORD instance = DIDFT_GETINSTANCE(header.dwObj);
            if (!(DIDFT_GETTYPE(header.dwObj) & DIDFT_AXIS) ||
                instance >= static_cast<DWORD>(description_.axes)) {
                return DIERR_OBJECTNOTFOUND;
            }
            axes->push_back(static_cast<int>(instance));
            return DI_OK;
        }
        case DIPH_BYUSAGE:
            return DIERR_UNSUPPORTED;
        default:
            return DIERR_INVALIDPARAM;
    }
}

HRESULT Device::SetProperty(REFDIPROP property, LPCDIPROPHEADER header) {
    if (HRESULT hr = RefusedStep("SetProperty", DeviceClass()); FAILED(hr)) return hr;
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    const uintptr_t id = reinterpret_cast<uintptr_t>(property);
    if (id == reinterpret_cast<uintptr_t>(DIPROP_BUFFERSIZE)) {
        if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE ||
            header->dwObj != 0) {
            return DIERR_INVALIDPARAM;
        }
        std::lock_guard<std::mutex> lock(DeviceMutex());
        if (acquired_) return DIERR_ACQUIRED;
        bufferSize_ = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        return DI_OK;
    }
    if (id == reinterpret_cast<uintptr_t>(DIPROP_RANGE)) {
        if (header->dwSize != sizeof(DIPROPRANGE)) return DIERR_INVALIDPARAM;
        const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
        if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
        std::vector<int> targets;
        if (HRESULT hr = PropertyAxes(*header, &targets); FAILED(hr)) return hr;
        for (int a : targets) {
            axes_[a].min = range->lMin;
            axes_[a].max = range->lMax;
        }
        return DI_OK;
    }
    if (id == reinterpret_cast<uintptr_t>(DIPROP_DEADZONE) ||
        id == reinterpret_cast<uintptr_t>(DIPROP_SATURATION)) {
        if (header->dwSize != sizeof(DIPROPDWORD)) return DIERR_INVALIDPARAM;
        DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        if (value > 10000) return DIERR_INVALIDPARAM;
        std::vector<int> targets;
        if (HRESULT hr = PropertyAxes(*header, &targets); FAILED(hr)) return hr;
        for (int a : targets) {
            (id == reinterpret_cast<uintptr_t>(DIPROP_DEADZONE) ? axes_[a].deadZone
                                                                : axes_[a].saturation) = value;
        }
        return DI_OK;
    }
    return DIERR_UNSUPPORTED;
}

HRESULT Device::GetProperty(REFDIPROP property, LPDIPROPHEADER header) {
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    const uintptr_t id = reinterpret_cast<uintptr_t>(property);
    if (id == reinterpret_cast<uintptr_t>(DIPROP_BUFFERSIZE)) {
        if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE ||
            header->dwObj != 0) {
            return DIERR_INVALIDPARAM;
        }
        reinterpret_cast<DIPROPDWORD*>(header)->dwData = bufferSize_;
        return DI_OK;
    }
    bool range = id == reinterpret_cast<uintptr_t>(DIPROP_RANGE);
    bool dword = id == reinterpret_cast<uintptr_t>(DIPROP_DEADZONE) ||
                 id == reinterpret_cast<uintptr_t>(DIPROP_SATURATION);
    if (!range && !dword) return DIERR_UNSUPPORTED;
    if (header->dwSize != (range ? sizeof(DIPROPRANGE) : sizeof(DIPROPDWORD)) ||
        header->dwHow == DIPH_DEVICE) {
        return DIERR_INVALIDPARAM;  // per object only
    }
    std::vector<int> targets;
    if (HRESULT hr = PropertyAxes(*header, &targets); FAILED(hr)) return hr;
    const AxisProperties& p = axes_[targets.front()];
    if (range) {
        reinterpret_cast<DIPROPRANGE*>(header)->lMin = p.min;
        reinterpret_cast<DIPROPRANGE*>(header)->lMax = p.max;
    } else {
        reinterpret_cast<DIPROPDWORD*>(header)->dwData =
            id == reinterpret_cast<uintptr_t>(DIPROP_DEADZONE) ? p.deadZone : p.saturation;
    }
    return DI_OK;
}

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format) {
    if (HRESULT hr = RefusedStep("SetDataFormat", DeviceClass()); FAILED(hr)) return hr;
    {
        std::lock_guard<std::mutex> lock(DeviceMutex());
        if (acquired_) return DIERR_ACQUIRED;
    }
    std::vector<Binding> bindings;
    DWORD size = 0;
    if (HRESULT hr = BindDataFormat(format, description_, &bindings, &size); FAILED(hr)) {
        return hr;
    }
    bindings_.swap(bindings);
    dataSize_ = size;
    formatSet_ = true;
    return DI_OK;
}

HRESULT Device::SetEventNotification(HANDLE event) {
    if (HRESULT hr = RefusedStep("SetEventNotification", DeviceClass()); FAILED(hr)) return hr;
    if (event && !IsWaitableHandle(event)) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(DeviceMutex());
    if (acquired_) return DIERR_ACQUIRED;
    if (event && event_ && event != event_) return DIERR_HANDLEEXISTS;
    event_ = event;
    // Joysticks change only when read: Poll signals the event on a change.
    return description_.kind == DeviceKind::Joystick ? DI_POLLEDDEVICE : DI_OK;
}

HRESULT Device::SetCooperativeLevel(HWND window, DWORD flags) {
    if (HRESULT hr = RefusedStep("SetCooperativeLevel", DeviceClass()); FAILED(hr)) return hr;
    const DWORD known =
        DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
    bool exclusive = flags & DISCL_EXCLUSIVE, shared = flags & DISCL_NONEXCLUSIVE;
    bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
    if ((flags & ~known) || exclusive == shared || foreground == background) {
        return DIERR_INVALIDPARAM;
    }
    // The system keeps the keyboard and mouse for other programs in the background.
    if (exclusive && background && description_.kind != DeviceKind::Joystick) {
        return DIERR_UNSUPPORTED;
    }
    if ((window && !IsWindow(window)) || (!window && (foreground || exclusive))) return E_HANDLE;
    std::lock_guard<std::mutex> lock(DeviceMutex());
    if (acquired_) return DIERR_ACQUIRED;
    window_ = window;
    cooperation_ = flags;
    return DI_OK;
}

HRESULT Device::Acquire() {
    if (HRESULT hr = RefusedStep("Acquire", DeviceClass()); FAILED(hr)) return hr;
    if (!formatSet_) return DIERR_INVALIDPARAM;
    {
        std::lock_guard<std::mutex> lock(DeviceMutex());
        if (acquired_) return DI_NOEFFECT;
    }
    if ((cooperation_ & DISCL_FOREGROUND) && !WindowInFront()) return DIERR_OTHERAPPHASPRIO;
    RawReading reading;
    if (description_.kind == DeviceKind::Joystick) {
        ReadJoystick(description_.padNumber, description_.axes, description_.povs,
                     description_.buttons, &reading);
        if (!reading.attached) return DIERR_UNPLUGGED;
    }
    std::lock_guard<std::mutex> lock(DeviceMutex());
    if (cooperation_ & DISCL_EXCLUSIVE) {
        for (Device* other : LiveDevices()) {
            if (other != this && other->acquired_ && (other->cooperation_ & DISCL_EXCLUSIVE) &&
                other->description_.instance.guidInstance == description_.instance.guidInstance) {
                return DIERR_OTHERAPPHASPRIO;
            }
        }
    }
    if (description_.kind == DeviceKind::Mouse) mouseMark_ = CurrentMouseMark();
    if (description_.kind == DeviceKind::Joystick) lastJoystick_ = reading;
    acquired_ = true;
    lost_ = false;
    return DI_OK;
}

HRESULT Device::Unacquire() {
    if (HRESULT hr = RefusedStep("Unacquire", DeviceClass()); FAILED(hr)) return hr;
    bool was;
    {
        std::lock_guard<std::mutex> lock(DeviceMutex());
        was = acquired_;
        acquired_ = false;
        lost_ = false;
    }
    if (!was) return DI_NOEFFECT;
    StopEffects();
    return DI_OK;
}

LONG Device::ScaleAxis(int axis, int32_t raw) const {
    const AxisProperties& p = axes_[axis];
    double n = raw < 0 ? raw / 32768.0 : raw / 32767.0;
    double magnitude = std::fabs(n);
    double deadZone = p.deadZone / 10000.0, saturation = p.saturation / 10000.0;
    double sign = n < 0 ? -1.0 : 1.0;
    if (magnitude <= deadZone) {
        n = 0;
    } else if (magnitude >= saturation) {
        n = sign;
    } else {
        n = sign * (magnitude - deadZone) / (saturation - deadZone);
    }
    double value = p.min + (n + 1.0) * (static_cast<double>(p.max) - p.min) / 2.0;
    return static_cast<LONG>(std::llround(value));
}

void Device::Read(RawReading* reading) {
    switch (description_.kind) {
        case DeviceKind::Keyboard:
            ReadKeyboard(reading);
            break;
        case DeviceKind::Mouse:
            ReadMouse(&mouseMark_, reading);
            break;
        case DeviceKind::Joystick:
            ReadJoystick(description_.padNumber, description_.axes, description_.povs,
                         description_.buttons, reading);
            break;
    }
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data) {
    if (HRESULT hr = RefusedStep("GetDeviceState", DeviceClass()); FAILED(hr)) return hr;
    if (!data) return DIERR_INVALIDPARAM;
    if (HRESULT hr = CheckReadable(); FAILED(hr)) return hr;
    if (size != dataSize_) return DIERR_INVALIDPARAM;
    RawReading reading;
    Read(&reading);
    if (!reading.attached) {
        LoseAcquisition();
        return DIERR_INPUTLOST;
    }
    auto* bytes = static_cast<uint8_t*>(data);
    std::memset(bytes, 0, size);
    for (const Binding& b : bindings_) {
        switch (b.kind) {
            case ObjectKind::Axis: {
                LONG v = 0;
                if (b.index >= 0) {
                    v = description_.kind == DeviceKind::Joystick
                            ? ScaleAxis(b.index, reading.axes[b.index])
                            : reading.axes[b.index];
                }
                std::memcpy(bytes + b.offset, &v, sizeof v);
                break;
            }
            case ObjectKind::Pov: {
                DWORD v = b.index >= 0 ? reading.povs[b.index] : 0xFFFFFFFFu;
                std::memcpy(bytes + b.offset, &v, sizeof v);
                break;
            }
            case ObjectKind::Button:
                bytes[b.offset] = b.index >= 0 ? reading.buttons[b.index] : 0;
                break;
        }
    }
    if (description_.kind == DeviceKind::Joystick) UpdateRumble(true);
    return DI_OK;
}

HRESULT Device::Poll() {
    if (HRESULT hr = RefusedStep("Poll", DeviceClass()); FAILED(hr)) return hr;
    if (HRESULT hr = CheckReadable(); FAILED(hr)) return hr;
    if (description_.kind != DeviceKind::Joystick) return DI_NOEFFECT;
    RawReading reading;
    Read(&reading);
    if (!reading.attached) {
        LoseAcquisition();
        return DIERR_INPUTLOST;
    }
    bool changed = std::memcmp(reading.axes, lastJoystick_.axes, sizeof reading.axes) != 0 ||
                   std::memcmp(reading.povs, lastJoystick_.povs, sizeof reading.povs) != 0 ||
                   std::memcmp(reading.buttons, lastJoystick_.buttons, sizeof reading.buttons) != 0;
    lastJoystick_ = reading;
    {
        std::lock_guard<std::mutex> lock(DeviceMutex());
        if (changed && event_) SetEvent(event_);
    }
    UpdateRumble(true);
    return DI_OK;
}

HRESULT Device::GetDeviceInfo(LPDIDEVICEINSTANCEA info) {
    if (HRESULT hr = RefusedStep("GetDeviceInfo", DeviceClass()); FAILED(hr)) return hr;
    // The full record, or the older one without the force-feedback driver and usage.
    constexpr DWORD kOlderSize = offsetof(DIDEVICEINSTANCEA, guidFFDriver);
    if (!info || (info->dwSize != sizeof(DIDEVICEINSTANCEA) && info->dwSize != kOlderSize)) {
        return DIERR_INVALIDPARAM;
    }
    DWORD size = info->dwSize;
    std::memcpy(info, &description_.instance, size);
    info->dwSize = size;
    return DI_OK;
}

HRESULT Device::Initialize(HINSTANCE, DWORD, REFGUID guid) {
    return guid == description_.instance.guidInstance ? DI_OK : DIERR_ALREADYINITIALIZED;
}

HRESULT Device::CreateEffect(REFGUID type, LPCDIEFFECT parameters, LPDIRECTINPUTEFFECT* effect,
                             LPUNKNOWN outer) {
    if (HRESULT hr = RefusedStep("CreateEffect", DeviceClass()); FAILED(hr)) return hr;
    if (!effect) return DIERR_INVALIDPARAM;
    *effect = nullptr;
    if (outer) return DIERR_NOAGGREGATION;
    if (description_.kind != DeviceKind::Joystick || !description_.forceFeedback) {
        return DIERR_UNSUPPORTED;
    }
    Effect::Motor motor;
    if (type == GUID_ConstantForce) {
        motor = Effect::Motor::Low;
    } else if (type == GUID_Sine || type == GUID_Square || type == GUID_Triangle ||
               type == GUID_SawtoothUp || type == GUID_SawtoothDown) {
        motor = Effect::Motor::High;
    } else {
        // Rumble motors cannot play conditions, ramps or custom forces.
        return DIERR_UNSUPPORTED;
    }
    auto* made = new Effect(this, type, motor);
    if (parameters) {
        HRESULT hr = made->SetParameters(parameters, DIEP_ALLPARAMS);
        if (FAILED(hr)) {
            made->Release();
            return hr;
        }
    }
    *effect = made;
    return DI_OK;
}

}  // namespace platform::input::dinput
