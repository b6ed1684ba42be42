// The sound system on one of its three interfaces for a test: the log in the
// test's folder, the run-time entry points loaded, COM started on the test
// thread, the virtual clock, one processor; buffers filled as a loader fills
// them, and the mixed output captured.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DuRud.h"
#include "core/log.h"
#include "core/system_services.h"
#include "sound/sound_buffer.h"
#include "sound/sound_device.h"
#include "sound/sound_system.h"
#include "support/test_support.h"
#include "test_knobs.h"

namespace soundtest {

enum class Backend { DirectSound, Version28, Version27 };

inline const char* BackendName(Backend b) {
    return b == Backend::DirectSound ? "DirectSound"
           : b == Backend::Version28 ? "XAudio28"
                                     : "XAudio27";
}

// Runs a parameterised suite once on each interface.
#define SOUND_ON_EVERY_BACKEND(suite)                                                  \
    INSTANTIATE_TEST_SUITE_P(                                                          \
        Backends, suite,                                                               \
        testing::Values(Backend::DirectSound, Backend::Version28, Backend::Version27), \
        [](const testing::TestParamInfo<Backend>& info) { return BackendName(info.param); })

// Hides what stands before the wanted interface in the start-up order.
inline void ChooseBackend(Backend b) {
    if (b == Backend::Version28) return;
    KnobHideModule("XAudio2_8.dll", true);
    if (b == Backend::DirectSound) {
        KnobHideComClass(CLSID_XAudio2_7, true);
        KnobHideComClass(CLSID_XAudio2_7_Debug, true);
    }
}

inline Backend RunningBackend() {
    return DuRud::DirectSoundDevice()  ? Backend::DirectSound
           : DuRud::XAudio2Version28() ? Backend::Version28
                                       : Backend::Version27;
}

inline void StartServices(bool virtualClock = true) {
    KnobSetVirtualClock(virtualClock);
    DuRud::LoadWinApis();
    DuRud::InitializeCom();
    DuRud::ResetLogForTest();
    DuRud::SetLogFolder(testsupport::TestDirectory().c_str());
    DuRud::LogStart();
    DuRud::MutableSystemState().processorCount = 1;
    DuRud::ResetSoundSystemForTest();
}

inline void EndServices() {
    DuRud::TerminateSoundSystem();
    DuRud::TerminateCom();
    DuRud::UnloadWinApis();
    DuRud::MutableSystemState().processorCount = 0;
    DuRud::ResetSoundSystemForTest();
    DuRud::ResetLogForTest();
}

// The log's lines without their time stamps, tabs kept.
inline std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    const std::string text = testsupport::ReadFile("Log.txt");
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        const size_t colon = line.find(':');
        lines.push_back(colon == std::string::npos ? line : line.substr(colon + 1));
        at = end + 2;
    }
    return lines;
}

inline std::string Cp(const char* utf8) {
    return DuRud::Cp932Text(utf8);
}

inline WAVEFORMATEX Pcm(int channels, int bits, int rate = 44100) {
    const WORD block = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM,
                        static_cast<WORD>(channels),
                        static_cast<DWORD>(rate),
                        static_cast<DWORD>(rate * block),
                        block,
                        static_cast<WORD>(bits),
                        0};
}

// 16-bit frames: left 1 + 4i, right -(1 + 4i).
inline std::vector<int16_t> Ramp(int frames) {
    std::vector<int16_t> pcm;
    for (int i = 0; i < frames; ++i) {
        pcm.push_back(static_cast<int16_t>(1 + 4 * i));
        pcm.push_back(static_cast<int16_t>(-(1 + 4 * i)));
    }
    return pcm;
}

// The buffers of one sound, filled the way a loader fills them: every
// buffer that does not share buffer 0's data is locked and written whole.
struct Buffers {
    DuRud::SoundBufferRecord records[10]{};
    int32_t shared[10]{};
    int count = 0;

    int Make(const WAVEFORMATEX& format, const void* pcm, uint32_t bytes, int buffers = 1) {
        if (DuRud::CreateSoundBuffers(records, shared, buffers, &format, bytes, 0) < 0) return -1;
        count = buffers;
        for (int i = 0; i < buffers; ++i) {
            if (shared[i]) continue;
            void* p[2];
            DWORD n[2];
            if (DuRud::LockSoundBuffer(&records[i], 0, bytes, &p[0], &n[0], &p[1], &n[1]) < 0)
                return -1;
            std::memcpy(p[0], pcm, n[0]);
            if (p[1]) std::memcpy(p[1], static_cast<const uint8_t*>(pcm) + n[0], n[1]);
            if (DuRud::UnlockSoundBuffer(&records[i], p[0], n[0], p[1], n[1]) < 0) return -1;
        }
        return 0;
    }
    template <class T>
    int Make(const WAVEFORMATEX& format, const std::vector<T>& pcm, int buffers = 1) {
        return Make(format, pcm.data(), static_cast<uint32_t>(pcm.size() * sizeof(T)), buffers);
    }
    ~Buffers() {
        for (int i = 0; i < count; ++i) DuRud::ReleaseSoundBuffer(&records[i]);
    }
};

// Captures the mixed output while `run` starts sounds, then `passes` more.
template <class Run>
std::vector<int16_t> Capture(int passes, Run run) {
    KnobAudioCaptureStart();
    run();
    KnobAudioWaitPasses(passes);
    KnobAudioCaptureStop();
    return KnobAudioCaptured();
}

// Frames [from, from + count) of the capture, interleaved; empty when out of range.
inline std::vector<int16_t> Slice(const std::vector<int16_t>& c, long from, size_t count) {
    if (from < 0 || 2 * (from + count) > c.size()) return {};
    return {c.begin() + 2 * from, c.begin() + 2 * (from + static_cast<long>(count))};
}

// The index of the first frame whose left sample is not 0, or -1.
inline long FirstSound(const std::vector<int16_t>& c) {
    for (size_t i = 0; i < c.size(); i += 2) {
        if (c[i] != 0) return static_cast<long>(i / 2);
    }
    return -1;
}

// Whether the capture holds three plays of the 16-bit stereo `pcm` summed, the
// later two starting one or more passes (441 frames) after the one before.
inline bool ThreePlaysSum(const std::vector<int16_t>& c, const std::vector<int16_t>& pcm) {
    const long start = FirstSound(c), frames = static_cast<long>(pcm.size() / 2);
    for (long d2 = 441; d2 <= 4 * 441; d2 += 441) {
        for (long d3 = d2 + 441; d3 <= d2 + 4 * 441; d3 += 441) {
            std::vector<int16_t> sum(2 * (d3 + frames), 0);
            for (long offset : {0L, d2, d3}) {
                for (size_t i = 0; i < pcm.size(); ++i) sum[2 * offset + i] += pcm[i];
            }
            if (Slice(c, start, d3 + frames) == sum) return true;
        }
    }
    return false;
}

}  // namespace soundtest
