// IDirectSound: the device object (class CLSID_DirectSound), its
// capabilities and buffer creation; DirectSoundEnumerateA ("DSOUND.DLL").
#include <SDL.h>

#include <string>

#include "../win32/code_pages.h"
#include "../win32/com_object.h"
#include "../win32/com_registry.h"
#include "audio_knobs.h"
#include "direct_sound.h"
#include "direct_sound_buffer.h"
#include "mixer.h"
#include "windows.h"

namespace platform::audio {

namespace {

// The GUID DirectSoundEnumerateA hands out for output device `index`.
GUID DeviceGuid(int index) {
    GUID guid = DSDEVID_DefaultPlayback;
    guid.Data1 = 0x56455353;  // apart from the default-device id
    guid.Data4[7] = static_cast<BYTE>(index);
    return guid;
}

bool KnownDevice(const GUID* device) {
    if (!device || *device == GUID_NULL || *device == DSDEVID_DefaultPlayback) return true;
    GUID pattern = DeviceGuid(0);
    pattern.Data4[7] = device->Data4[7];
    return *device == pattern;
}

class DirectSound final : public SingleInterfaceObject<DirectSound, IDirectSound> {
  public:
    static const IID& InterfaceId() { return IID_IDirectSound; }

    ~DirectSound() {
        if (!initialized_) return;
        --LiveObjects();
        MixerRelease();
    }

    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                                LPUNKNOWN outer) override {
        if (!desc || !buffer) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer) return DSERR_NOAGGREGATION;
        if (!initialized_) return DSERR_UNINITIALIZED;
        if (desc->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
        const DWORD unoffered = DSBCAPS_CTRL3D | DSBCAPS_CTRLFX | DSBCAPS_CTRLPOSITIONNOTIFY |
                                DSBCAPS_LOCHARDWARE | DSBCAPS_LOCDEFER;
        if (desc->dwFlags & unoffered) return DSERR_CONTROLUNAVAIL;
        if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat ||
                (desc->dwFlags & (DSBCAPS_CTRLFREQUENCY | DSBCAPS_STATIC)))
                return DSERR_INVALIDPARAM;
            if (StepRefused("PrimaryBuffer")) return DSERR_GENERIC;
            return platform::audio::CreateSoundBuffer(*desc, level_, buffer);
        }
        const WAVEFORMATEX* format = desc->lpwfxFormat;
        if (!format || desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
            return DSERR_INVALIDPARAM;
        if (!IsPlayablePcm(*format)) return DSERR_BADFORMAT;
        if (format->nSamplesPerSec < DSBFREQUENCY_MIN ||
            format->nSamplesPerSec > DSBFREQUENCY_MAX ||
            desc->dwBufferBytes % format->nBlockAlign != 0)
            return DSERR_INVALIDPARAM;
        if ((desc->dwFlags & DSBCAPS_CTRLFREQUENCY) && StepRefused("CtrlFrequency"))
            return DSERR_CONTROLUNAVAIL;
        if (CreationRefused()) return DSERR_OUTOFMEMORY;
        return platform::audio::CreateSoundBuffer(*desc, level_, buffer);
    }

    HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS caps) override {
        if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
        if (!initialized_) return DSERR_UNINITIALIZED;
        *caps = DSCAPS{};
        caps->dwSize = sizeof(DSCAPS);
        caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT |
                        DSCAPS_PRIMARY16BIT | DSCAPS_CONTINUOUSRATE | DSCAPS_SECONDARYMONO |
                        DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
        caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
        caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
        caps->dwPrimaryBuffers = 1;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER,
                                                   LPDIRECTSOUNDBUFFER* duplicate) override {
        if (duplicate) *duplicate = nullptr;
        return DSERR_UNSUPPORTED;
    }

    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override {
        if (!initialized_) return DSERR_UNINITIALIZED;
        if (!IsWindow(window) || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY)
            return DSERR_INVALIDPARAM;
        if (StepRefused("SetCooperativeLevel")) return DSERR_GENERIC;
        level_->store(level);
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE Compact() override {
        return initialized_ ? DS_OK : DSERR_UNINITIALIZED;
    }
    HRESULT STDMETHODCALLTYPE GetSpeakerConfig(LPDWORD) override { return DSERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SetSpeakerConfig(DWORD) override { return DSERR_UNSUPPORTED; }

    HRESULT STDMETHODCALLTYPE Initialize(const GUID* device) override {
        if (initialized_) return DSERR_ALREADYINITIALIZED;
        if (!KnownDevice(device) || StepRefused("DirectSoundInitialize")) return DSERR_NODRIVER;
        initialized_ = true;
        ++LiveObjects();
        MixerAcquire();
        return DS_OK;
    }

  private:
    bool initialized_ = false;
    std::shared_ptr<std::atomic<DWORD>> level_ = std::make_shared<std::atomic<DWORD>>(0);
};

}  // namespace

HRESULT CreateDirectSound(IUnknown* outer, REFIID riid, void** object) {
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* sound = new DirectSound();
    HRESULT hr = sound->QueryInterface(riid, object);
    sound->Release();
    return hr;
}

}  // namespace platform::audio

HRESULT WINAPI DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context) {
    if (!callback) return DSERR_INVALIDPARAM;
    const std::string primary = platform::Utf8ToCp932("プライマリ サウンド ドライバ");
    if (!callback(nullptr, primary.c_str(), "", context)) return DS_OK;
    // SDL's device list needs its audio subsystem; the count keeps it up while listing.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return DS_OK;
    const char* driver = SDL_GetCurrentAudioDriver();
    const std::string module = driver ? driver : "";
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count && i < 256; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        const std::string description = platform::Utf8ToCp932(name ? name : "");
        GUID guid = platform::audio::DeviceGuid(i);
        if (!callback(&guid, description.c_str(), module.c_str(), context)) break;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return DS_OK;
}
