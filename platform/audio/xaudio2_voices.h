// XAudio2 voices as the engine object makes them. The engine keeps a
// registry of its voices so that its last Release ends those still alive.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "xaudio2.h"

namespace platform::audio {

struct VoiceRegistry {
    std::mutex lock;
    std::vector<IXAudio2SourceVoice*> sources;
    IXAudio2MasteringVoice* mastering = nullptr;
};

// Arguments checked by the engine; the voice registers itself.
IXAudio2SourceVoice* NewSourceVoice(std::shared_ptr<VoiceRegistry> registry,
                                    const WAVEFORMATEX& format, UINT32 flags, float maxRatio,
                                    IXAudio2VoiceCallback* callback);
IXAudio2MasteringVoice* NewMasteringVoice(std::shared_ptr<VoiceRegistry> registry);

// The IXAudio2Voice methods no caller here uses: E_NOTIMPL, or nothing for
// those without a result. Each voice adds SetChannelVolumes and DestroyVoice.
template <class Interface>
class VoiceWithoutExtras : public Interface {
  public:
    void STDMETHODCALLTYPE GetVoiceDetails(XAUDIO2_VOICE_DETAILS*) override {}
    HRESULT STDMETHODCALLTYPE SetOutputVoices(const XAUDIO2_VOICE_SENDS*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetEffectChain(const XAUDIO2_EFFECT_CHAIN*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnableEffect(UINT32, UINT32) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisableEffect(UINT32, UINT32) override { return E_NOTIMPL; }
    void STDMETHODCALLTYPE GetEffectState(UINT32, BOOL* enabled) override {
        if (enabled) *enabled = FALSE;
    }
    HRESULT STDMETHODCALLTYPE SetEffectParameters(UINT32, const void*, UINT32, UINT32) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetEffectParameters(UINT32, void*, UINT32) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetFilterParameters(const XAUDIO2_FILTER_PARAMETERS*,
                                                  UINT32) override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE GetFilterParameters(XAUDIO2_FILTER_PARAMETERS*) override {}
    HRESULT STDMETHODCALLTYPE SetOutputFilterParameters(IXAudio2Voice*,
                                                        const XAUDIO2_FILTER_PARAMETERS*,
                                                        UINT32) override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE GetOutputFilterParameters(IXAudio2Voice*,
                                                     XAUDIO2_FILTER_PARAMETERS*) override {}
    HRESULT STDMETHODCALLTYPE SetVolume(float, UINT32) override { return E_NOTIMPL; }
    void STDMETHODCALLTYPE GetVolume(float*) override {}
    void STDMETHODCALLTYPE GetChannelVolumes(UINT32, float*) override {}
    HRESULT STDMETHODCALLTYPE SetOutputMatrix(IXAudio2Voice*, UINT32, UINT32, const float*,
                                              UINT32) override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE GetOutputMatrix(IXAudio2Voice*, UINT32, UINT32, float*) override {}

  protected:
    ~VoiceWithoutExtras() = default;
};

}  // namespace platform::audio
