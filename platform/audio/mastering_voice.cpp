// IXAudio2MasteringVoice: the one output voice every source voice plays into
// (the mixer's 44,100 Hz stereo output).
#include "audio_knobs.h"
#include "xaudio2_voices.h"

namespace platform::audio {

namespace {

class MasteringVoice final : public VoiceWithoutExtras<IXAudio2MasteringVoice> {
  public:
    explicit MasteringVoice(std::shared_ptr<VoiceRegistry> registry)
        : registry_(std::move(registry)) {
        ++LiveVoices();
    }

    HRESULT STDMETHODCALLTYPE SetChannelVolumes(UINT32, const float*, UINT32) override {
        return E_NOTIMPL;
    }

    // Source voices still play into it: it stays, as XAudio2 keeps a voice
    // that is still another voice's destination.
    void STDMETHODCALLTYPE DestroyVoice() override {
        {
            std::lock_guard<std::mutex> g(registry_->lock);
            if (!registry_->sources.empty()) return;
            registry_->mastering = nullptr;
        }
        --LiveVoices();
        delete this;
    }

    HRESULT STDMETHODCALLTYPE GetChannelMask(DWORD* mask) override {
        if (!mask) return XAUDIO2_E_INVALID_CALL;
        *mask = SPEAKER_STEREO;
        return S_OK;
    }

  private:
    ~MasteringVoice() = default;
    std::shared_ptr<VoiceRegistry> registry_;
};

}  // namespace

IXAudio2MasteringVoice* NewMasteringVoice(std::shared_ptr<VoiceRegistry> registry) {
    return new MasteringVoice(std::move(registry));
}

}  // namespace platform::audio
