// The software mixer behind DirectSound buffers and XAudio2 voices: 44,100 Hz
// stereo in passes of 10 ms, mixed in float and clamped to 16 bits, played
// through the SDL output (audio_output.h) and offered to the capture knob.
//
// One mixer thread (a participant of the layer's clock) lives from the first
// MixerAcquire to the last MixerRelease and renders pass k at open time +
// k x 10 ms, waking 1 ns before each boundary, so a pass is done before a
// sleeper due at that boundary wakes. A pass: every source's BeforeMix
// (voice callbacks, no lock), MixInto for every source under MixerLock(),
// AfterMix (callbacks, no lock), then PassDone under the lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "wave_format.h"

namespace platform::audio {

constexpr int kOutputRate = 44100;
constexpr int kPassFrames = 441;
constexpr int64_t kPassNanoseconds = 10'000'000;
// Positions and steps in source frames, 32 fraction bits: a float step would
// drift over minutes of music.
constexpr int kFractionBits = 32;
constexpr uint64_t kUnitStep = uint64_t{1} << kFractionBits;

// The PCM formats the mixer plays: 1 or 2 channels, 8-bit unsigned or 16-bit signed.
struct PcmFormat {
    int channels = 2;
    int bits = 16;
    uint32_t rate = kOutputRate;
    int BlockAlign() const { return channels * bits / 8; }
};
// Whether a wave format is one of those (block align and byte rate consistent).
bool IsPlayablePcm(const WAVEFORMATEX& format);
PcmFormat PcmFormatOf(const WAVEFORMATEX& format);

// The step for playing `rate` x `ratio` frames a second at the output rate.
uint64_t StepFor(double rate);

// One stretch of frames to mix from, and the frame that follows it (used
// when interpolating across the end; null: the last frame is held).
struct Segment {
    const uint8_t* data = nullptr;
    uint32_t frames = 0;
    const uint8_t* following = nullptr;
};

// Adds frames of `segment` into `out` (stereo float, 16-bit scale) from
// position `pos` at `step` until `outFrames` are written or the position
// leaves the segment. A step of exactly one frame copies; any other
// interpolates linearly. Returns the output frames written; `pos` moves on.
int MixSegment(const Segment& segment, const PcmFormat& format, float gainLeft, float gainRight,
               uint64_t step, uint64_t& pos, float* out, int outFrames);

// Something the mixer reads every pass. Methods marked "locked" run with
// MixerLock() held; the others run on the mixer thread without it.
class MixSource {
  public:
    virtual void BeforeMix() {}
    virtual void MixInto(float* out, int frames) = 0;  // locked
    virtual void AfterMix() {}
    virtual void PassDone() {}  // locked
    // Locked: true while a pass would neither read the source nor call back
    // (stopped, nothing pending), so skipping a pass leaves it as it was.
    virtual bool Idle() const { return false; }

  protected:
    ~MixSource() = default;
};

// Life of the mixer and the output: each initialised DirectSound or XAudio2
// object holds one use.
void MixerAcquire();
void MixerRelease();

// Guards the source list and every source's mixing state.
std::mutex& MixerLock();
// Under MixerLock(): adds or removes a source (a removed source is no longer
// mixed, nor called from the next pass on).
void MixerAddLocked(std::shared_ptr<MixSource> source);
void MixerRemoveLocked(const MixSource* source);
// True on the mixer thread while a pass runs (inside a voice callback).
bool InMixerPass();
// Waits through the layer's clock (counted blocked) until `ready` holds;
// `lock` holds MixerLock(). MixerNotifyLocked wakes waiters to look again.
void MixerWaitFor(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready);
void MixerNotifyLocked();
// Waits through the clock (blocked, with no deadline of its own) until the
// passes due by now and `count` more are rendered; false when the mixer is
// not running.
bool MixerWaitPasses(int count);

}  // namespace platform::audio
