// The mixer: its thread and passes, the source list, and the mixing kernel
// (copy at a step of one frame, linear interpolation otherwise).
#include "mixer.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <vector>

#include "../win32/clock.h"
#include "audio_knobs.h"
#include "audio_output.h"
#include "windows.h"

namespace platform::audio {

namespace {

// How far the real clock may leave the mixer behind before it skips passes
// instead of catching up.
constexpr int64_t kMaxPassesBehind = 50;

struct MixerState {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::shared_ptr<MixSource>> sources;
    bool running = false;
    uint64_t generation = 0;         // a thread left over from an earlier life ends itself
    uint64_t startedGeneration = 0;  // the newest thread about to sleep for its first pass
    uint64_t passes = 0;             // the last pass done (1 is due at open time + 10 ms)
    int64_t openTime = 0;
};

MixerState& State() {
    static auto* state = new MixerState;  // the thread may outlive static destruction
    return *state;
}

// Start and end of the mixer's life, one at a time.
std::mutex& LifeLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
int users = 0;
HANDLE mixerThread = nullptr;
std::atomic<DWORD> mixerThreadId{0};
thread_local bool inPass = false;

template <int Channels, int Bits>
inline void ReadFrame(const uint8_t* frame, float& left, float& right) {
    if constexpr (Bits == 16) {
        int16_t s[2];
        std::memcpy(s, frame, sizeof(int16_t) * Channels);
        left = s[0];
        right = s[Channels - 1];
    } else {
        left = (static_cast<int>(frame[0]) - 128) * 256.0f;
        right = (static_cast<int>(frame[Channels - 1]) - 128) * 256.0f;
    }
}

template <int Channels, int Bits>
int MixSegmentAs(const Segment& seg, float gainLeft, float gainRight, uint64_t step, uint64_t& pos,
                 float* out, int outFrames) {
    constexpr int kBlock = Channels * Bits / 8;
    const uint64_t end = uint64_t{seg.frames} << kFractionBits;
    int written = 0;
    if (step == kUnitStep) {
        for (; written < outFrames && pos < end; ++written, pos += kUnitStep) {
            float l, r;
            ReadFrame<Channels, Bits>(seg.data + (pos >> kFractionBits) * kBlock, l, r);
            out[2 * written] += l * gainLeft;
            out[2 * written + 1] += r * gainRight;
        }
        return written;
    }
    constexpr float kFraction = 1.0f / static_cast<float>(kUnitStep);
    for (; written < outFrames && pos < end; ++written, pos += step) {
        const uint64_t index = pos >> kFractionBits;
        const uint8_t* frame = seg.data + index * kBlock;
        const uint8_t* next = index + 1 < seg.frames ? frame + kBlock
                              : seg.following        ? seg.following
                                                     : frame;
        float l0, r0, l1, r1;
        ReadFrame<Channels, Bits>(frame, l0, r0);
        ReadFrame<Channels, Bits>(next, l1, r1);
        const float t = static_cast<float>(pos & (kUnitStep - 1)) * kFraction;
        out[2 * written] += (l0 + (l1 - l0) * t) * gainLeft;
        out[2 * written + 1] += (r0 + (r1 - r0) * t) * gainRight;
    }
    return written;
}

// Renders pass `index`: callbacks before, the mix, callbacks after. A pass
// in which every source is idle is silence and calls nothing back, so it is
// written as such: each loaded sound keeps its stopped voices in the list,
// and copying and walking them was most of the cost of a silent pass.
void RunPass(MixerState& s, uintptr_t generation, uint64_t index) {
    std::vector<std::shared_ptr<MixSource>> sources;
    bool silent = true;
    {
        std::lock_guard<std::mutex> g(s.lock);
        silent = std::all_of(s.sources.begin(), s.sources.end(),
                             [](const auto& source) { return source->Idle(); });
        if (!silent) sources = s.sources;
    }
    int16_t frames[2 * kPassFrames] = {};
    if (!silent) {
        inPass = true;
        for (auto& source : sources) source->BeforeMix();
        float mix[2 * kPassFrames] = {};
        {
            std::lock_guard<std::mutex> g(s.lock);
            for (auto& source : s.sources) source->MixInto(mix, kPassFrames);
        }
        for (auto& source : sources) source->AfterMix();
        inPass = false;
        for (int i = 0; i < 2 * kPassFrames; ++i) {
            frames[i] = static_cast<int16_t>(std::lrint(std::clamp(mix[i], -32768.0f, 32767.0f)));
        }
    }
    CapturePass(frames, kPassFrames);
    OutputPush(frames, kPassFrames);
    std::lock_guard<std::mutex> g(s.lock);
    for (auto& source : s.sources) source->PassDone();
    if (s.generation == generation) s.passes = index;
    s.changed.notify_all();
}

// Passes up to `through` (all due now) taken at once when none of them would
// do anything but play silence: every source idle and no capture. Only a
// jump of the virtual clock (a test moving it on by minutes) leaves the
// mixer that far behind; rendering each pass would cost seconds for nothing.
bool SkipIdlePasses(MixerState& s, uintptr_t generation, uint64_t through) {
    if (CaptureOn()) return false;
    uint64_t skipped = 0;
    {
        std::lock_guard<std::mutex> g(s.lock);
        if (s.generation != generation || s.passes >= through) return false;
        for (const auto& source : s.sources)
            if (!source->Idle()) return false;
        skipped = through - s.passes;
        s.passes = through;
        s.changed.notify_all();
    }
    // The output ring holds a few passes: that much silence fills it.
    static const int16_t silence[2 * kPassFrames] = {};
    for (uint64_t k = 0; k < std::min<uint64_t>(skipped, kOutputRingPasses); ++k)
        OutputPush(silence, kPassFrames);
    return true;
}

DWORD WINAPI MixerMain(LPVOID parameter) {
    const auto generation = reinterpret_cast<uintptr_t>(parameter);
    MixerState& s = State();
    int64_t openTime;
    {
        std::lock_guard<std::mutex> g(s.lock);
        openTime = s.openTime;
        s.startedGeneration = generation;
        s.changed.notify_all();
    }
    for (int64_t pass = 1;; ++pass) {
        {
            // A stop ends the wait at once, so the thread ends at the
            // instant it was asked to, never a pass later by chance.
            std::unique_lock<std::mutex> l(s.lock);
            const auto stopped = [&] { return !s.running || s.generation != generation; };
            if (ClockWaitUntil(l, s.changed, openTime + pass * kPassNanoseconds - 1, stopped))
                break;
        }
        if (ClockIsVirtual()) {
            // Passes that fell due behind this one: the clock jumped.
            const int64_t due = (ClockNowNanoseconds() + 1 - openTime) / kPassNanoseconds;
            if (due > pass && SkipIdlePasses(s, generation, static_cast<uint64_t>(due - 1)))
                pass = due;
        }
        RunPass(s, generation, static_cast<uint64_t>(pass));
        if (!ClockIsVirtual()) {
            const int64_t due = (ClockNowNanoseconds() - openTime) / kPassNanoseconds;
            if (due - pass > kMaxPassesBehind) pass = due;
        }
    }
    return 0;
}

// Waits until `done` holds (checked under the state's lock). Under the
// virtual clock the waiter keeps a deadline a microsecond ahead: a thread
// woken from a wait without one still counts as blocked until it runs, and
// meanwhile the clock would let the mixer run passes ahead of it.
void WaitForMixer(MixerState& s, const std::function<bool()>& done) {
    std::unique_lock<std::mutex> lock(s.lock);
    while (!done()) {
        if (!ClockIsVirtual()) {
            ClockWaitFor(lock, s.changed, INFINITE, done);
            return;
        }
        lock.unlock();
        ClockSleepUntilNanoseconds(ClockNowNanoseconds() + 1000);
        lock.lock();
    }
}

}  // namespace

bool IsPlayablePcm(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

PcmFormat PcmFormatOf(const WAVEFORMATEX& f) {
    return PcmFormat{f.nChannels, f.wBitsPerSample, f.nSamplesPerSec};
}

uint64_t StepFor(double rate) {
    return static_cast<uint64_t>(std::llround(rate / kOutputRate * static_cast<double>(kUnitStep)));
}

int MixSegment(const Segment& segment, const PcmFormat& format, float gainLeft, float gainRight,
               uint64_t step, uint64_t& pos, float* out, int outFrames) {
    const int kind = format.channels * 100 + format.bits;
    switch (kind) {
        case 116:
            return MixSegmentAs<1, 16>(segment, gainLeft, gainRight, step, pos, out, outFrames);
        case 216:
            return MixSegmentAs<2, 16>(segment, gainLeft, gainRight, step, pos, out, outFrames);
        case 108:
            return MixSegmentAs<1, 8>(segment, gainLeft, gainRight, step, pos, out, outFrames);
        default:
            return MixSegmentAs<2, 8>(segment, gainLeft, gainRight, step, pos, out, outFrames);
    }
}

void MixerAcquire() {
    std::lock_guard<std::mutex> life(LifeLock());
    if (users++ > 0) return;
    OutputOpen();
    MixerState& s = State();
    uintptr_t generation;
    {
        std::lock_guard<std::mutex> g(s.lock);
        s.running = true;
        generation = ++s.generation;
        s.openTime = ClockNowNanoseconds();
        s.passes = 0;
    }
    DWORD id = 0;
    mixerThread =
        CreateThread(nullptr, 0, &MixerMain, reinterpret_cast<LPVOID>(generation), 0, &id);
    mixerThreadId = id;
    if (!mixerThread) {
        std::fprintf(stderr, "audio: the mixer thread could not start\n");
        return;
    }
    // Until the thread sleeps for its first pass the virtual clock would wait
    // for it only one real-time slice; a slow start must not cost a pass.
    WaitForMixer(s, [&] { return s.startedGeneration == generation; });
}

void MixerRelease() {
    std::lock_guard<std::mutex> life(LifeLock());
    if (users == 0 || --users > 0) return;
    MixerState& s = State();
    {
        std::lock_guard<std::mutex> g(s.lock);
        s.running = false;
        s.changed.notify_all();
    }
    if (mixerThread) {
        // From inside a callback the thread cannot wait for itself: it ends
        // after the pass.
        if (GetCurrentThreadId() != mixerThreadId) WaitForSingleObject(mixerThread, INFINITE);
        CloseHandle(mixerThread);
        mixerThread = nullptr;
        mixerThreadId = 0;
    }
    OutputClose();
}

std::mutex& MixerLock() {
    return State().lock;
}

void MixerAddLocked(std::shared_ptr<MixSource> source) {
    State().sources.push_back(std::move(source));
}

void MixerRemoveLocked(const MixSource* source) {
    auto& list = State().sources;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [source](const auto& s) { return s.get() == source; }),
               list.end());
}

bool InMixerPass() {
    return inPass;
}

void MixerWaitFor(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready) {
    ClockWaitFor(lock, State().changed, INFINITE, ready);
}

bool MixerWaitPasses(int count) {
    MixerState& s = State();
    uint64_t target;
    int64_t due;
    {
        std::lock_guard<std::mutex> g(s.lock);
        if (!s.running) return false;
        // Pass k is due at open time + k x 10 ms - 1 ns.
        const auto dueNow =
            static_cast<uint64_t>((ClockNowNanoseconds() + 1 - s.openTime) / kPassNanoseconds);
        target = std::max(s.passes, dueNow) + static_cast<uint64_t>(count);
        due = s.openTime + static_cast<int64_t>(target) * kPassNanoseconds;
    }
    ClockSleepUntilNanoseconds(due);
    bool done = false;
    WaitForMixer(s, [&] { return (done = s.passes >= target) || !s.running; });
    return done;
}

void MixerNotifyLocked() {
    State().changed.notify_all();
}

}  // namespace platform::audio
