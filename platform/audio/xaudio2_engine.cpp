// The XAudio2 engine object in both layouts: version 2.8 (XAudio2Create,
// initialised at once) and version 2.7 (COM classes CLSID_XAudio2_7 and
// CLSID_XAudio2_7_Debug; Initialize first, then the device queries).
#include <atomic>

#include "../win32/com_object.h"
#include "audio_knobs.h"
#include "mixer.h"
#include "xaudio2_voices.h"

namespace platform::audio {

namespace {

// KSDATAFORMAT_SUBTYPE_PCM, the sub-format of an extensible PCM format.
constexpr GUID kSubtypePcm = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

bool NoEffects(const XAUDIO2_EFFECT_CHAIN* effects) {
    return !effects || effects->EffectCount == 0;
}

class Engine final : public IXAudio2, public IXAudio2_7 {
  public:
    explicit Engine(bool legacy) : legacy_(legacy) {
        if (!legacy) Start();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == (legacy_ ? IID_IXAudio2_7 : IID_IXAudio2)) {
            *object = legacy_ ? static_cast<void*>(static_cast<IXAudio2_7*>(this))
                              : static_cast<void*>(static_cast<IXAudio2*>(this));
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        bool last;
        const ULONG left = refs_.Drop(&last);
        if (last) delete this;
        return left;
    }

    // 2.7 only.
    HRESULT STDMETHODCALLTYPE GetDeviceCount(UINT32* count) override {
        if (!count || !started_) return XAUDIO2_E_INVALID_CALL;
        *count = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDeviceDetails(UINT32 index,
                                               XAUDIO2_DEVICE_DETAILS* details) override {
        if (!details || !started_) return XAUDIO2_E_INVALID_CALL;
        if (index != 0) return E_INVALIDARG;
        *details = XAUDIO2_DEVICE_DETAILS{};
        const char16_t id[] = u"default";
        const char16_t name[] = u"プライマリ サウンド ドライバ";
        std::copy(std::begin(id), std::end(id), details->DeviceID);
        std::copy(std::begin(name), std::end(name), details->DisplayName);
        details->Role = GlobalDefaultDevice;
        WAVEFORMATEXTENSIBLE& f = details->OutputFormat;
        f.Format = {WAVE_FORMAT_EXTENSIBLE, 2, kOutputRate, kOutputRate * 4, 4, 16, 22};
        f.Samples.wValidBitsPerSample = 16;
        f.dwChannelMask = SPEAKER_STEREO;
        f.SubFormat = kSubtypePcm;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Initialize(UINT32 flags, XAUDIO2_PROCESSOR) override {
        if (started_ || (flags & ~UINT32{XAUDIO2_DEBUG_ENGINE})) return XAUDIO2_E_INVALID_CALL;
        if (StepRefused("XAudio2Initialize")) return E_FAIL;
        Start();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE RegisterForCallbacks(IXAudio2EngineCallback*) override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE UnregisterForCallbacks(IXAudio2EngineCallback*) override {}

    HRESULT STDMETHODCALLTYPE CreateSourceVoice(IXAudio2SourceVoice** voice,
                                                const WAVEFORMATEX* format, UINT32 flags,
                                                float maxRatio, IXAudio2VoiceCallback* callback,
                                                const XAUDIO2_VOICE_SENDS* sends,
                                                const XAUDIO2_EFFECT_CHAIN* effects) override {
        if (!voice) return XAUDIO2_E_INVALID_CALL;
        *voice = nullptr;
        if (!started_ || !format || !IsPlayablePcm(*format) ||
            format->nSamplesPerSec < XAUDIO2_MIN_SAMPLE_RATE ||
            format->nSamplesPerSec > XAUDIO2_MAX_SAMPLE_RATE ||
            (flags & ~UINT32{XAUDIO2_VOICE_NOPITCH | XAUDIO2_VOICE_NOSRC}) ||
            !(maxRatio >= XAUDIO2_MIN_FREQ_RATIO && maxRatio <= XAUDIO2_MAX_FREQ_RATIO) ||
            !NoEffects(effects))
            return XAUDIO2_E_INVALID_CALL;
        {
            std::lock_guard<std::mutex> g(registry_->lock);
            if (!registry_->mastering) return XAUDIO2_E_INVALID_CALL;
            // Sends may only name the mastering voice: there are no submix voices.
            for (UINT32 i = 0; sends && i < sends->SendCount; ++i) {
                if (!sends->pSends || sends->pSends[i].pOutputVoice != registry_->mastering)
                    return XAUDIO2_E_INVALID_CALL;
            }
        }
        if (CreationRefused()) return E_OUTOFMEMORY;
        *voice = NewSourceVoice(registry_, *format, flags, maxRatio, callback);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateSubmixVoice(IXAudio2SubmixVoice** voice, UINT32, UINT32, UINT32,
                                                UINT32, const XAUDIO2_VOICE_SENDS*,
                                                const XAUDIO2_EFFECT_CHAIN*) override {
        if (voice) *voice = nullptr;
        return E_NOTIMPL;
    }

    // 2.8
    HRESULT STDMETHODCALLTYPE CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 channels,
                                                   UINT32 rate, UINT32 flags, LPCWSTR deviceId,
                                                   const XAUDIO2_EFFECT_CHAIN* effects,
                                                   AUDIO_STREAM_CATEGORY) override {
        if (deviceId && deviceId[0] != 0) return E_INVALIDARG;  // only the default device
        return MakeMasteringVoice(voice, channels, rate, flags, effects);
    }

    // 2.7
    HRESULT STDMETHODCALLTYPE CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 channels,
                                                   UINT32 rate, UINT32 flags, UINT32 deviceIndex,
                                                   const XAUDIO2_EFFECT_CHAIN* effects) override {
        if (deviceIndex != 0) return XAUDIO2_E_INVALID_CALL;
        return MakeMasteringVoice(voice, channels, rate, flags, effects);
    }

    HRESULT STDMETHODCALLTYPE StartEngine() override { return E_NOTIMPL; }
    void STDMETHODCALLTYPE StopEngine() override {}
    HRESULT STDMETHODCALLTYPE CommitChanges(UINT32) override { return E_NOTIMPL; }
    void STDMETHODCALLTYPE GetPerformanceData(XAUDIO2_PERFORMANCE_DATA*) override {}
    void STDMETHODCALLTYPE SetDebugConfiguration(const XAUDIO2_DEBUG_CONFIGURATION*,
                                                 void*) override {}

  private:
    // The last Release ends the voices still alive, as XAudio2 does.
    ~Engine() {
        std::vector<IXAudio2SourceVoice*> sources;
        IXAudio2MasteringVoice* mastering;
        {
            std::lock_guard<std::mutex> g(registry_->lock);
            sources = registry_->sources;
            mastering = registry_->mastering;
        }
        for (IXAudio2SourceVoice* voice : sources) voice->DestroyVoice();
        if (mastering) mastering->DestroyVoice();
        if (!started_) return;
        --LiveObjects();
        MixerRelease();
    }

    void Start() {
        started_ = true;
        ++LiveObjects();
        MixerAcquire();
    }

    HRESULT MakeMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 channels, UINT32 rate,
                               UINT32 flags, const XAUDIO2_EFFECT_CHAIN* effects) {
        if (!voice) return XAUDIO2_E_INVALID_CALL;
        *voice = nullptr;
        if (!started_ || flags != 0 || channels > XAUDIO2_MAX_AUDIO_CHANNELS ||
            !NoEffects(effects) ||
            (rate != 0 && (rate < XAUDIO2_MIN_SAMPLE_RATE || rate > XAUDIO2_MAX_SAMPLE_RATE)))
            return XAUDIO2_E_INVALID_CALL;
        std::lock_guard<std::mutex> g(registry_->lock);
        if (registry_->mastering) return XAUDIO2_E_INVALID_CALL;  // one per engine
        if (StepRefused("CreateMasteringVoice")) return E_FAIL;
        registry_->mastering = *voice = NewMasteringVoice(registry_);
        return S_OK;
    }

    const bool legacy_;
    bool started_ = false;
    ComReferences refs_;
    std::shared_ptr<VoiceRegistry> registry_ = std::make_shared<VoiceRegistry>();
};

}  // namespace

HRESULT CreateXAudio2Legacy(IUnknown* outer, REFIID riid, void** object) {
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* engine = new Engine(true);
    HRESULT hr = engine->QueryInterface(riid, object);
    static_cast<IXAudio2_7*>(engine)->Release();
    return hr;
}

}  // namespace platform::audio

HRESULT WINAPI XAudio2Create(IXAudio2** engine, UINT32 flags, XAUDIO2_PROCESSOR) {
    if (!engine) return XAUDIO2_E_INVALID_CALL;
    *engine = nullptr;
    if (flags & ~UINT32{XAUDIO2_DEBUG_ENGINE}) return XAUDIO2_E_INVALID_CALL;
    if (platform::audio::StepRefused("XAudio2Create")) return E_FAIL;
    *engine = new platform::audio::Engine(false);
    return S_OK;
}
