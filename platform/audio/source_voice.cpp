// IXAudio2SourceVoice over the mixer: a queue of submitted buffers read in
// place, the frequency ratio and channel volumes, and the voice callbacks,
// which the mixer thread runs without the mixer's lock so that they may call
// back into the voice.
#include <algorithm>
#include <cmath>
#include <deque>

#include "audio_knobs.h"
#include "mixer.h"
#include "xaudio2_voices.h"

namespace platform::audio {

namespace {

struct QueuedBuffer {
    const BYTE* data;
    uint32_t frames;
    UINT32 flags;
    void* context;
    bool started;
};

enum class EventKind { BufferStart, BufferEnd, StreamEnd };
struct VoiceEvent {
    EventKind kind;
    void* context;
};

// The voice's mixing state; guarded by MixerLock(). Shared with the mixer's
// pass, so it outlives a DestroyVoice that comes in the middle of one.
class VoiceMix final : public MixSource {
  public:
    VoiceMix(const PcmFormat& format, float maxRatio, IXAudio2VoiceCallback* callback)
        : format(format), maxRatio(maxRatio), callback(callback), step(StepFor(format.rate)) {}

    void BeforeMix() override {
        UINT32 bytes = 0;
        {
            std::lock_guard<std::mutex> g(MixerLock());
            passStarted = started && callback;
            if (!passStarted) return;
            bytes = BytesRequiredLocked();
        }
        Call([bytes](IXAudio2VoiceCallback* c) { c->OnVoiceProcessingPassStart(bytes); });
    }

    void MixInto(float* out, int count) override {
        if (!started) return;
        int done = 0;
        while (done < count) {
            EndFinishedBuffersLocked();
            if (queue.empty()) break;
            QueuedBuffer& head = queue.front();
            if (!head.started) {
                head.started = true;
                AddEvent(EventKind::BufferStart, head.context);
            }
            const Segment segment{head.data, head.frames,
                                  queue.size() > 1 ? queue[1].data : nullptr};
            done += MixSegment(segment, format, gainLeft, gainRight, step, pos, out + 2 * done,
                               count - done);
        }
        EndFinishedBuffersLocked();
    }

    void AfterMix() override {
        std::vector<VoiceEvent> taken;
        bool passEnd;
        {
            std::lock_guard<std::mutex> g(MixerLock());
            taken.swap(events);
            passEnd = passStarted;
            passStarted = false;
        }
        for (const VoiceEvent& e : taken) {
            Call([&e](IXAudio2VoiceCallback* c) {
                if (e.kind == EventKind::BufferStart) c->OnBufferStart(e.context);
                if (e.kind == EventKind::BufferEnd) c->OnBufferEnd(e.context);
                if (e.kind == EventKind::StreamEnd) c->OnStreamEnd();
            });
        }
        if (passEnd) Call([](IXAudio2VoiceCallback* c) { c->OnVoiceProcessingPassEnd(); });
    }

    bool Idle() const override {
        return !started && !stopAfterPass && !passStarted && events.empty();
    }

    void PassDone() override {
        if (stopAfterPass) started = false;
        stopAfterPass = false;
    }

    // Bytes to submit now so that this pass does not run dry: whole frames,
    // up to the frame after the one under the pass's last output, which that
    // output interpolates towards.
    UINT32 BytesRequiredLocked() const {
        const uint64_t start = pos & (kUnitStep - 1);
        const uint64_t last = start + (kPassFrames - 1) * step;
        const uint64_t consumed = (start + kPassFrames * step + kUnitStep - 1) >> kFractionBits;
        const uint64_t read = (last >> kFractionBits) + ((last & (kUnitStep - 1)) ? 2 : 1);
        const uint64_t needed = std::max(consumed, read);
        const uint64_t queued = queuedFrames - (queue.empty() ? 0 : pos >> kFractionBits);
        return needed > queued ? static_cast<UINT32>((needed - queued) * format.BlockAlign()) : 0;
    }

    void AddEvent(EventKind kind, void* context) {
        if (callback) events.push_back({kind, context});
    }

    void EndFinishedBuffersLocked() {
        while (!queue.empty() && pos >= uint64_t{queue.front().frames} << kFractionBits) {
            const QueuedBuffer done = queue.front();
            queue.pop_front();
            queuedFrames -= done.frames;
            pos -= uint64_t{done.frames} << kFractionBits;
            if (!done.started) AddEvent(EventKind::BufferStart, done.context);
            AddEvent(EventKind::BufferEnd, done.context);
            if (done.flags & XAUDIO2_END_OF_STREAM) AddEvent(EventKind::StreamEnd, nullptr);
        }
        if (queue.empty()) pos = 0;  // a starved voice starts its next buffer at its start
    }

    // Runs one callback unless the voice was destroyed; DestroyVoice waits
    // while `inCallback` is set.
    template <class F>
    void Call(F&& f) {
        {
            std::lock_guard<std::mutex> g(MixerLock());
            if (destroyed) return;
            inCallback = true;
        }
        f(callback);
        std::lock_guard<std::mutex> g(MixerLock());
        inCallback = false;
        MixerNotifyLocked();
    }

    const PcmFormat format;
    const float maxRatio;
    IXAudio2VoiceCallback* const callback;
    uint64_t step;
    float gainLeft = 1.0f;
    float gainRight = 1.0f;
    std::deque<QueuedBuffer> queue;
    uint64_t queuedFrames = 0;
    uint64_t pos = 0;  // in the head buffer
    bool started = false;
    bool stopAfterPass = false;
    bool passStarted = false;
    bool destroyed = false;
    bool inCallback = false;
    std::vector<VoiceEvent> events;
};

class SourceVoice final : public VoiceWithoutExtras<IXAudio2SourceVoice> {
  public:
    SourceVoice(std::shared_ptr<VoiceRegistry> registry, const WAVEFORMATEX& format, UINT32 flags,
                float maxRatio, IXAudio2VoiceCallback* callback)
        : registry_(std::move(registry)),
          flags_(flags),
          mix_(std::make_shared<VoiceMix>(PcmFormatOf(format), maxRatio, callback)) {
        {
            std::lock_guard<std::mutex> g(registry_->lock);
            registry_->sources.push_back(this);
        }
        std::lock_guard<std::mutex> g(MixerLock());
        MixerAddLocked(mix_);
        ++LiveVoices();
    }

    HRESULT STDMETHODCALLTYPE SetChannelVolumes(UINT32 channels, const float* volumes,
                                                UINT32) override {
        if (!volumes || channels != static_cast<UINT32>(mix_->format.channels))
            return XAUDIO2_E_INVALID_CALL;
        for (UINT32 i = 0; i < channels; ++i) {
            if (!(std::fabs(volumes[i]) <= XAUDIO2_MAX_VOLUME_LEVEL)) return XAUDIO2_E_INVALID_CALL;
        }
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->gainLeft = volumes[0];
        mix_->gainRight = volumes[channels - 1];  // a mono voice plays on both sides alike
        return S_OK;
    }

    void STDMETHODCALLTYPE DestroyVoice() override {
        {
            std::unique_lock<std::mutex> lock(MixerLock());
            mix_->destroyed = true;
            MixerRemoveLocked(mix_.get());
            // From inside a callback the mixer thread goes on after it returns.
            if (!InMixerPass()) MixerWaitFor(lock, [this] { return !mix_->inCallback; });
        }
        {
            std::lock_guard<std::mutex> g(registry_->lock);
            auto& list = registry_->sources;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
        }
        --LiveVoices();
        delete this;
    }

    HRESULT STDMETHODCALLTYPE Start(UINT32 flags, UINT32) override {
        if (flags != 0) return XAUDIO2_E_INVALID_CALL;
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->started = true;
        mix_->stopAfterPass = false;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Stop(UINT32 flags, UINT32) override {
        if (flags & ~UINT32{XAUDIO2_PLAY_TAILS}) return XAUDIO2_E_INVALID_CALL;
        std::lock_guard<std::mutex> g(MixerLock());
        // Inside a callback the pass's audio still plays; the stop follows it.
        if (InMixerPass())
            mix_->stopAfterPass = true;
        else
            mix_->started = false;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SubmitSourceBuffer(const XAUDIO2_BUFFER* buffer,
                                                 const XAUDIO2_BUFFER_WMA* wma) override {
        if (!buffer || wma || (buffer->Flags & ~UINT32{XAUDIO2_END_OF_STREAM}) ||
            !buffer->pAudioData || buffer->AudioBytes == 0 ||
            buffer->AudioBytes > XAUDIO2_MAX_BUFFER_BYTES || buffer->LoopCount != 0 ||
            buffer->LoopBegin != 0 || buffer->LoopLength != 0)
            return XAUDIO2_E_INVALID_CALL;
        const UINT32 block = mix_->format.BlockAlign();
        if (buffer->AudioBytes % block != 0) return XAUDIO2_E_INVALID_CALL;
        const uint64_t frames = buffer->AudioBytes / block;
        const uint64_t length =
            buffer->PlayLength ? buffer->PlayLength : frames - buffer->PlayBegin;
        if (buffer->PlayBegin >= frames || buffer->PlayBegin + length > frames)
            return XAUDIO2_E_INVALID_CALL;
        std::lock_guard<std::mutex> g(MixerLock());
        if (mix_->queue.size() >= XAUDIO2_MAX_QUEUED_BUFFERS) return XAUDIO2_E_INVALID_CALL;
        mix_->queue.push_back({buffer->pAudioData + uint64_t{buffer->PlayBegin} * block,
                               static_cast<uint32_t>(length), buffer->Flags, buffer->pContext,
                               false});
        mix_->queuedFrames += length;
        return S_OK;
    }

    // The buffer being played stays; the others end (OnBufferEnd in the next pass).
    HRESULT STDMETHODCALLTYPE FlushSourceBuffers() override {
        std::lock_guard<std::mutex> g(MixerLock());
        VoiceMix& m = *mix_;
        const size_t keep = m.started && !m.queue.empty() && m.queue.front().started ? 1 : 0;
        for (size_t i = keep; i < m.queue.size(); ++i) {
            m.queuedFrames -= m.queue[i].frames;
            m.AddEvent(EventKind::BufferEnd, m.queue[i].context);
        }
        m.queue.erase(m.queue.begin() + static_cast<std::ptrdiff_t>(keep), m.queue.end());
        if (m.queue.empty()) m.pos = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Discontinuity() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExitLoop(UINT32) override { return E_NOTIMPL; }
    void STDMETHODCALLTYPE GetState(XAUDIO2_VOICE_STATE* state, UINT32) override {
        if (!state) return;
        std::lock_guard<std::mutex> g(MixerLock());
        state->pCurrentBufferContext = mix_->queue.empty() ? nullptr : mix_->queue.front().context;
        state->BuffersQueued = static_cast<UINT32>(mix_->queue.size());
        state->SamplesPlayed = 0;
    }

    HRESULT STDMETHODCALLTYPE SetFrequencyRatio(float ratio, UINT32) override {
        if ((flags_ & XAUDIO2_VOICE_NOPITCH) || !std::isfinite(ratio))
            return XAUDIO2_E_INVALID_CALL;
        ratio = std::clamp(ratio, XAUDIO2_MIN_FREQ_RATIO, mix_->maxRatio);
        std::lock_guard<std::mutex> g(MixerLock());
        mix_->step = StepFor(static_cast<double>(mix_->format.rate) * ratio);
        return S_OK;
    }

    void STDMETHODCALLTYPE GetFrequencyRatio(float*) override {}
    HRESULT STDMETHODCALLTYPE SetSourceSampleRate(UINT32) override { return E_NOTIMPL; }

  private:
    ~SourceVoice() = default;

    std::shared_ptr<VoiceRegistry> registry_;
    const UINT32 flags_;
    std::shared_ptr<VoiceMix> mix_;
};

}  // namespace

IXAudio2SourceVoice* NewSourceVoice(std::shared_ptr<VoiceRegistry> registry,
                                    const WAVEFORMATEX& format, UINT32 flags, float maxRatio,
                                    IXAudio2VoiceCallback* callback) {
    return new SourceVoice(std::move(registry), format, flags, maxRatio, callback);
}

}  // namespace platform::audio
