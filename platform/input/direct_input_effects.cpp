// IDirectInputEffect on a joystick's rumble motors: parameters, start, stop
// and status; the device combines running effects into motor speeds.
#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "direct_input_device.h"
#include "win_time.h"

namespace platform::input::dinput {

namespace {

constexpr DWORD kOlderEffectSize = offsetof(DIEFFECT, dwStartDelay);
constexpr DWORD kMaxEffectAxes = 6;

bool OneOf(DWORD flags, DWORD a, DWORD b, DWORD c = 0) {
    int n = ((flags & a) ? 1 : 0) + ((flags & b) ? 1 : 0) + ((c && (flags & c)) ? 1 : 0);
    return n == 1;
}

}  // namespace

Effect::Effect(Device* device, REFGUID type, Motor motor)
    : device_(device), type_(type), motor_(motor) {
    device_->AddRef();
    device_->AddEffect(this);
}

Effect::~Effect() {
    device_->RemoveEffect(this);
    if (playing_) {
        playing_ = false;
        device_->UpdateRumble();
    }
    device_->Release();
}

uint32_t Effect::Remaining(uint32_t now) const {
    if (!playing_) return 0;
    if (duration_ == INFINITE || iterations_ == INFINITE) return UINT32_MAX;
    uint64_t total = uint64_t{duration_ / 1000} * iterations_ + startDelay_ / 1000;
    uint64_t elapsed = static_cast<uint32_t>(now - startedAt_);
    if (elapsed >= total) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(total - elapsed, UINT32_MAX - 1));
}

uint16_t Effect::Speed(uint32_t now) const {
    if (Remaining(now) == 0) return 0;
    uint64_t magnitude = motor_ == Motor::Low
                             ? static_cast<uint64_t>(std::labs(constant_.lMagnitude))
                             : periodic_.dwMagnitude;
    magnitude = std::min<uint64_t>(magnitude, DI_FFNOMINALMAX);
    uint64_t level = magnitude * gain_ / DI_FFNOMINALMAX;
    return static_cast<uint16_t>(level * 65535 / DI_FFNOMINALMAX);
}

HRESULT Effect::GetEffectGuid(LPGUID guid) {
    if (!guid) return DIERR_INVALIDPARAM;
    *guid = type_;
    return DI_OK;
}

HRESULT Effect::SetParameters(LPCDIEFFECT p, DWORD flags) {
    if (HRESULT hr = RefusedStep("SetParameters", DI8DEVCLASS_GAMECTRL); FAILED(hr)) return hr;
    if (!p || (p->dwSize != sizeof(DIEFFECT) && p->dwSize != kOlderEffectSize)) {
        return DIERR_INVALIDPARAM;
    }
    if (flags & ~DWORD{DIEP_ALLPARAMS | DIEP_START | DIEP_NORESTART | DIEP_NODOWNLOAD}) {
        return DIERR_INVALIDPARAM;
    }
    if (p->dwSize == kOlderEffectSize) flags &= ~DWORD{DIEP_STARTDELAY};
    // Check everything before changing anything.
    if ((flags & DIEP_GAIN) && p->dwGain > DI_FFNOMINALMAX) return DIERR_INVALIDPARAM;
    size_t axisCount = axes_.size();
    if (flags & DIEP_AXES) {
        if (p->cAxes == 0 || p->cAxes > kMaxEffectAxes || !p->rgdwAxes ||
            !OneOf(p->dwFlags, DIEFF_OBJECTIDS, DIEFF_OBJECTOFFSETS)) {
            return DIERR_INVALIDPARAM;
        }
        axisCount = p->cAxes;
    }
    if (flags & DIEP_DIRECTION) {
        if (axisCount == 0 || !p->rglDirection ||
            !OneOf(p->dwFlags, DIEFF_CARTESIAN, DIEFF_POLAR, DIEFF_SPHERICAL)) {
            return DIERR_INVALIDPARAM;
        }
    }
    if ((flags & DIEP_ENVELOPE) && p->lpEnvelope &&
        (p->lpEnvelope->dwSize != sizeof(DIENVELOPE) ||
         p->lpEnvelope->dwAttackLevel > DI_FFNOMINALMAX ||
         p->lpEnvelope->dwFadeLevel > DI_FFNOMINALMAX)) {
        return DIERR_INVALIDPARAM;
    }
    bool truncated = false;
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        DWORD wanted = motor_ == Motor::Low ? sizeof(DICONSTANTFORCE) : sizeof(DIPERIODIC);
        if (!p->lpvTypeSpecificParams || p->cbTypeSpecificParams != wanted) {
            return DIERR_INVALIDPARAM;
        }
    }

    if (flags & DIEP_DURATION) duration_ = p->dwDuration;
    if (flags & DIEP_SAMPLEPERIOD) samplePeriod_ = p->dwSamplePeriod;
    if (flags & DIEP_GAIN) gain_ = p->dwGain;
    if (flags & DIEP_TRIGGERBUTTON) triggerButton_ = p->dwTriggerButton;
    if (flags & DIEP_TRIGGERREPEATINTERVAL) triggerRepeat_ = p->dwTriggerRepeatInterval;
    if (flags & DIEP_STARTDELAY) startDelay_ = p->dwStartDelay;
    if (flags & DIEP_AXES) axes_.assign(p->rgdwAxes, p->rgdwAxes + p->cAxes);
    if (flags & DIEP_DIRECTION) {
        coordinates_ = p->dwFlags & (DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL);
        direction_.assign(p->rglDirection, p->rglDirection + axisCount);
    }
    if (flags & DIEP_ENVELOPE) {
        hasEnvelope_ = p->lpEnvelope != nullptr;
        if (hasEnvelope_) envelope_ = *p->lpEnvelope;
    }
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        if (motor_ == Motor::Low) {
            constant_ = *static_cast<const DICONSTANTFORCE*>(p->lpvTypeSpecificParams);
            LONG clamped =
                std::clamp<LONG>(constant_.lMagnitude, -DI_FFNOMINALMAX, DI_FFNOMINALMAX);
            truncated = clamped != constant_.lMagnitude;
            constant_.lMagnitude = clamped;
        } else {
            periodic_ = *static_cast<const DIPERIODIC*>(p->lpvTypeSpecificParams);
            truncated = periodic_.dwMagnitude > DI_FFNOMINALMAX;
            periodic_.dwMagnitude = std::min<DWORD>(periodic_.dwMagnitude, DI_FFNOMINALMAX);
        }
        complete_ = true;
    }
    if (playing_) device_->UpdateRumble();
    if (flags & DIEP_START) {
        if (HRESULT hr = Start(1, 0); FAILED(hr)) return hr;
    }
    return truncated ? DI_TRUNCATED : DI_OK;
}

HRESULT Effect::GetParameters(LPDIEFFECT p, DWORD flags) {
    if (!p || (p->dwSize != sizeof(DIEFFECT) && p->dwSize != kOlderEffectSize) ||
        (flags & ~DWORD{DIEP_ALLPARAMS})) {
        return DIERR_INVALIDPARAM;
    }
    if (p->dwSize == kOlderEffectSize) flags &= ~DWORD{DIEP_STARTDELAY};
    HRESULT result = DI_OK;
    if (flags & DIEP_DURATION) p->dwDuration = duration_;
    if (flags & DIEP_SAMPLEPERIOD) p->dwSamplePeriod = samplePeriod_;
    if (flags & DIEP_GAIN) p->dwGain = gain_;
    if (flags & DIEP_TRIGGERBUTTON) p->dwTriggerButton = triggerButton_;
    if (flags & DIEP_TRIGGERREPEATINTERVAL) p->dwTriggerRepeatInterval = triggerRepeat_;
    if (flags & DIEP_STARTDELAY) p->dwStartDelay = startDelay_;
    if (flags & (DIEP_AXES | DIEP_DIRECTION)) {
        DWORD room = p->cAxes;
        p->cAxes = static_cast<DWORD>(axes_.size());
        if (room < axes_.size()) {
            result = DIERR_MOREDATA;
        } else {
            if ((flags & DIEP_AXES) && p->rgdwAxes)
                std::copy(axes_.begin(), axes_.end(), p->rgdwAxes);
            if ((flags & DIEP_DIRECTION) && p->rglDirection) {
                std::copy(direction_.begin(), direction_.end(), p->rglDirection);
                p->dwFlags =
                    (p->dwFlags & ~DWORD{DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL}) |
                    coordinates_;
            }
        }
    }
    if ((flags & DIEP_ENVELOPE) && p->lpEnvelope && hasEnvelope_) *p->lpEnvelope = envelope_;
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        DWORD wanted = motor_ == Motor::Low ? sizeof(DICONSTANTFORCE) : sizeof(DIPERIODIC);
        DWORD room = p->cbTypeSpecificParams;
        p->cbTypeSpecificParams = wanted;
        if (room < wanted || !p->lpvTypeSpecificParams) {
            result = DIERR_MOREDATA;
        } else if (motor_ == Motor::Low) {
            *static_cast<DICONSTANTFORCE*>(p->lpvTypeSpecificParams) = constant_;
        } else {
            *static_cast<DIPERIODIC*>(p->lpvTypeSpecificParams) = periodic_;
        }
    }
    return result;
}

HRESULT Effect::Start(DWORD iterations, DWORD flags) {
    if (HRESULT hr = RefusedStep("Start", DI8DEVCLASS_GAMECTRL); FAILED(hr)) return hr;
    if (iterations == 0 || (flags & ~DWORD{DIES_SOLO | DIES_NODOWNLOAD})) return DIERR_INVALIDPARAM;
    if (!complete_) return DIERR_INCOMPLETEEFFECT;
    if (!device_->ExclusivelyAcquired()) return DIERR_NOTEXCLUSIVEACQUIRED;
    if (flags & DIES_SOLO) device_->StopEffects(this);
    playing_ = true;
    startedAt_ = timeGetTime();
    iterations_ = iterations;
    device_->UpdateRumble();
    return DI_OK;
}

HRESULT Effect::Stop() {
    if (HRESULT hr = RefusedStep("Stop", DI8DEVCLASS_GAMECTRL); FAILED(hr)) return hr;
    if (!device_->ExclusivelyAcquired()) return DIERR_NOTEXCLUSIVEACQUIRED;
    playing_ = false;
    device_->UpdateRumble();
    return DI_OK;
}

HRESULT Effect::GetEffectStatus(LPDWORD flags) {
    if (!flags) return DIERR_INVALIDPARAM;
    *flags = Remaining(timeGetTime()) > 0 ? DIEGES_PLAYING : 0;
    return DI_OK;
}

HRESULT Effect::Download() {
    if (!complete_) return DIERR_INCOMPLETEEFFECT;
    return device_->ExclusivelyAcquired() ? DI_OK : DIERR_NOTEXCLUSIVEACQUIRED;
}

HRESULT Effect::Unload() {
    if (playing_) {
        playing_ = false;
        device_->UpdateRumble();
    }
    return DI_OK;
}

}  // namespace platform::input::dinput
