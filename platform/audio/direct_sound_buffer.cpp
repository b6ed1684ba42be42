// IDirectSoundBuffer over the mixer: the sound data, the play cursor,
// volume, pan and frequency, Lock/Unlock, and the primary buffer's format.
#include "direct_sound_buffer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "../win32/com_object.h"
#include "audio_knobs.h"
#include "mixer.h"

namespace platform::audio {

namespace {

// Amplitude of a level in hundredths of a decibel; -10000 and below is silence.
float Amplitude(LONG hundredthsDb) {
    return hundredthsDb <= DSBVOLUME_MIN
               ? 0.0f
               : static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

// What the mixer reads of a secondary buffer; guarded by MixerLock().
class BufferMix final : public MixSource {
  public:
    BufferMix(const PcmFormat& format, DWORD bytes)
        : format(format),
          data(bytes, format.bits == 8 ? 0x80 : 0),
          frames(bytes / format.BlockAlign()),
          step(StepFor(format.rate)) {}

    void MixInto(float* out, int count) override {
        int done = 0;
        while (playing && done < count) {
            const Segment segment{data.data(), frames, looping ? data.data() : nullptr};
            done += MixSegment(segment, format, gainLeft, gainRight, step, pos, out + 2 * done,
                               count - done);
            const uint64_t end = uint64_t{frames} << kFractionBits;
            if (pos < end) continue;
            if (looping) {
                pos %= end;
            } else {  // a one-shot stops at its end with the cursor back at the start
                playing = false;
                pos = 0;
            }
        }
    }

    bool Idle() const override { return !playing; }

    // Bytes the play cursor moves in one pass at the current step.
    DWORD PassBytes() const {
        return static_cast<DWORD>(((kPassFrames * step + kUnitStep - 1) >> kFractionBits) *
                                  format.BlockAlign());
    }

    const PcmFormat format;
    std::vector<uint8_t> data;
    const uint32_t frames;
    uint64_t step;
    uint64_t pos = 0;
    bool playing = false;
    bool looping = false;
    float gainLeft = 1.0f;
    float gainRight = 1.0f;
};

struct LockedRegions {
    uint8_t* first;
    DWORD firstBytes;
    uint8_t* second;
    DWORD secondBytes;
};

class SoundBuffer final : public SingleInterfaceObject<SoundBuffer, IDirectSoundBuffer> {
  public:
    static const IID& InterfaceId() { return IID_IDirectSoundBuffer; }

    SoundBuffer(const DSBUFFERDESC& desc, std::shared_ptr<std::atomic<DWORD>> level)
        : flags_(desc.dwFlags), level_(std::move(level)) {
        if (primary()) {
            format_ = {WAVE_FORMAT_PCM, 2, 22050, 22050 * 2, 2, 8, 0};
        } else {
            format_ = *desc.lpwfxFormat;
            format_.cbSize = 0;
            mix_ = std::make_shared<BufferMix>(PcmFormatOf(format_), desc.dwBufferBytes);
            std::lock_guard<std::mutex> g(MixerLock());
            MixerAddLocked(mix_);
        }
        MixerAcquire();
        ++LiveBuffers();
    }

    ~SoundBuffer() {
        if (mix_) {
            std::lock_guard<std::mutex> g(MixerLock());
            MixerRemoveLocked(mix_.get());
        }
        --LiveBuffers();
        MixerRelease();
    }

    HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) override {
        if (!caps || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
        caps->dwFlags = flags_ | DSBCAPS_LOCSOFTWARE;
        caps->dwBufferBytes = mix_ ? static_cast<DWORD>(mix_->data.size()) : 0;
        caps->dwUnlockTransferRate = 0;
        caps->dwPlayCpuOverhead = 0;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        if (!mix_) return DSERR_INVALIDCALL;
        if (!play && !write) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> g(MixerLock());
        const DWORD block = format_.nBlockAlign;
        const DWORD at = static_cast<DWORD>(mix_->pos >> kFractionBits) * block;
        if (play) *play = at;
        if (write) *write = mix_->playing ? (at + mix_->PassBytes()) % Size() : at;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated,
                                        LPDWORD sizeWritten) override {
        if (!format && !sizeWritten) return DSERR_INVALIDPARAM;
        if (format) {
            if (sizeAllocated < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
            *format = format_;
        }
        if (sizeWritten) *sizeWritten = sizeof(WAVEFORMATEX);
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE GetVolume(LPLONG volume) override {
        return Get(DSBCAPS_CTRLVOLUME, volume, volume_);
    }
    HRESULT STDMETHODCALLTYPE GetPan(LPLONG pan) override {
        return Get(DSBCAPS_CTRLPAN, pan, pan_);
    }
    HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD frequency) override {
        if (!mix_) return DSERR_INVALIDCALL;
        return Get(DSBCAPS_CTRLFREQUENCY, frequency,
                   frequency_ ? frequency_ : format_.nSamplesPerSec);
    }

    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override {
        if (!status) return DSERR_INVALIDPARAM;
        if (!mix_) {
            *status = primaryPlaying_ ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
            return DS_OK;
        }
        std::lock_guard<std::mutex> g(MixerLock());
        *status = !mix_->playing  ? 0
                  : mix_->looping ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING
                                  : DSBSTATUS_PLAYING;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE Initialize(IDirectSound*, LPCDSBUFFERDESC) override {
        return DSERR_ALREADYINITIALIZED;
    }

    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1,
                                   LPVOID* audio2, LPDWORD bytes2, DWORD flags) override {
        if (!mix_) return DSERR_PRIOLEVELNEEDED;  // the primary needs DSSCL_WRITEPRIMARY
        if (!audio1 || !bytes1 || (flags & ~(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER)))
            return DSERR_INVALIDPARAM;
        if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
        if (flags & DSBLOCK_ENTIREBUFFER) bytes = Size();
        if (offset >= Size() || bytes == 0 || bytes > Size()) return DSERR_INVALIDPARAM;
        if (StepRefused("Lock")) return DSERR_BUFFERLOST;
        std::lock_guard<std::mutex> g(MixerLock());
        uint8_t* base = mix_->data.data();
        LockedRegions r{base + offset, std::min(bytes, Size() - offset), nullptr, 0};
        if (r.firstBytes < bytes && audio2 && bytes2) {
            r.second = base;
            r.secondBytes = bytes - r.firstBytes;
        }
        locks_.push_back(r);
        *audio1 = r.first;
        *bytes1 = r.firstBytes;
        if (audio2) *audio2 = r.second;
        if (bytes2) *bytes2 = r.secondBytes;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE Play(DWORD reserved1, DWORD priority, DWORD flags) override {
        if (reserved1 != 0 || priority != 0 || (flags & ~DWORD{DSBPLAY_LOOPING}))
            return DSERR_INVALIDPARAM;
        if (!mix_) {
            if (!(flags & DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;  // a primary always loops
            primaryPlaying_ = true;
            return DS_OK;
        }
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->playing = true;
        mix_->looping = (flags & DSBPLAY_LOOPING) != 0;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
        if (!mix_) return DSERR_INVALIDCALL;
        if (position >= Size()) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->pos = uint64_t{position / format_.nBlockAlign} << kFractionBits;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX format) override {
        if (mix_) return DSERR_INVALIDCALL;
        if (!format) return DSERR_INVALIDPARAM;
        if (level_->load() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
        if (!IsPlayablePcm(*format)) return DSERR_BADFORMAT;
        if (format->nSamplesPerSec < DSBFREQUENCY_MIN || format->nSamplesPerSec > DSBFREQUENCY_MAX)
            return DSERR_INVALIDPARAM;
        if (StepRefused("SetFormat")) return DSERR_GENERIC;
        format_ = *format;
        format_.cbSize = 0;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override {
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
        volume_ = volume;
        ApplyGains();
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE SetPan(LONG pan) override {
        if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
        pan_ = pan;
        ApplyGains();
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) override {
        if (!mix_) return DSERR_INVALIDCALL;
        if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
        if (frequency != DSBFREQUENCY_ORIGINAL &&
            (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
            return DSERR_INVALIDPARAM;
        frequency_ = frequency;
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->step = StepFor(frequency ? frequency : format_.nSamplesPerSec);
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE Stop() override {
        if (!mix_) {
            primaryPlaying_ = false;
            return DS_OK;
        }
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->playing = false;
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2,
                                     DWORD bytes2) override {
        if (!mix_) return DSERR_INVALIDCALL;
        std::lock_guard<std::mutex> g(MixerLock());
        auto it = std::find_if(locks_.begin(), locks_.end(), [&](const LockedRegions& r) {
            return r.first == audio1 && bytes1 <= r.firstBytes &&
                   (audio2 == nullptr ? bytes2 == 0
                                      : audio2 == r.second && bytes2 <= r.secondBytes);
        });
        if (it == locks_.end()) return DSERR_INVALIDPARAM;
        locks_.erase(it);
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE Restore() override { return DS_OK; }

  private:
    bool primary() const { return (flags_ & DSBCAPS_PRIMARYBUFFER) != 0; }
    DWORD Size() const { return static_cast<DWORD>(mix_->data.size()); }

    template <class T>
    HRESULT Get(DWORD control, T* out, T value) const {
        if (!(flags_ & control)) return DSERR_CONTROLUNAVAIL;
        if (!out) return DSERR_INVALIDPARAM;
        *out = value;
        return DS_OK;
    }

    // DirectSound pan only attenuates: the far side loses what the pan says.
    void ApplyGains() {
        if (!mix_) return;
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->gainLeft = Amplitude(volume_ + std::min<LONG>(0, -pan_));
        mix_->gainRight = Amplitude(volume_ + std::min<LONG>(0, pan_));
    }

    const DWORD flags_;
    std::shared_ptr<std::atomic<DWORD>> level_;
    WAVEFORMATEX format_{};
    std::shared_ptr<BufferMix> mix_;    // null for the primary buffer
    std::vector<LockedRegions> locks_;  // guarded by MixerLock()
    LONG volume_ = 0;
    LONG pan_ = 0;
    DWORD frequency_ = 0;
    bool primaryPlaying_ = false;
};

}  // namespace

HRESULT CreateSoundBuffer(const DSBUFFERDESC& desc, std::shared_ptr<std::atomic<DWORD>> level,
                          IDirectSoundBuffer** buffer) {
    *buffer = new SoundBuffer(desc, std::move(level));
    return DS_OK;
}

}  // namespace platform::audio
