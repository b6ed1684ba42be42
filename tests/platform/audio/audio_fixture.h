// COM started, the virtual clock on, and helpers to make DirectSound buffers
// and XAudio2 voices and to read the mixed output. Every audio test starts
// the mixer thread, so every suite here ends in "Threads".
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <dsound.h>
#include <xaudio2.h>

#include <cstring>
#include <vector>

#include "test_knobs.h"
#include "win32/clock.h"

namespace audiotest {

constexpr int kPass = 441;  // frames per 10 ms pass

inline WAVEFORMATEX Pcm(WORD channels, WORD bits, DWORD rate) {
    const WORD block = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

// Stereo 16-bit frames: left rises by 7, right falls by 5 from distinct starts.
inline std::vector<int16_t> Ramp(int frames) {
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i) {
        v.push_back(static_cast<int16_t>(-20000 + 7 * i));
        v.push_back(static_cast<int16_t>(20000 - 5 * i));
    }
    return v;
}

inline std::vector<int16_t> Constant(int frames, int16_t left, int16_t right) {
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i) {
        v.push_back(left);
        v.push_back(right);
    }
    return v;
}

inline std::vector<int16_t> Frames(const std::vector<int16_t>& v, int first, int count) {
    return std::vector<int16_t>(v.begin() + 2 * first, v.begin() + 2 * (first + count));
}

class AudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override {
        if (engine) engine->Release();  // ends the voices still alive
        for (auto it = buffers.rbegin(); it != buffers.rend(); ++it) (*it)->Release();
        if (sound) sound->Release();
        CoUninitialize();
    }

    // A DirectSound object set up as the engine sets it up.
    IDirectSound* OpenSound() {
        EXPECT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_ALL, IID_IDirectSound,
                                   reinterpret_cast<void**>(&sound)),
                  S_OK);
        openTime = platform::ClockNowNanoseconds();
        EXPECT_EQ(sound->Initialize(nullptr), DS_OK);
        EXPECT_EQ(sound->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY), DS_OK);
        return sound;
    }

    // Waits for the next pass. The virtual clock waits for a busy thread one
    // real-time slice only, and set-up on a loaded machine may take longer
    // while the mixer runs: a test acts right after a pass, so the passes
    // fall where it expects them.
    static void Settle() { ASSERT_TRUE(KnobAudioWaitPasses(1)); }

    // A 2.8 engine with its mastering voice.
    void OpenXAudio2() {
        ASSERT_EQ(XAudio2Create(&engine, 0, XAUDIO2_ANY_PROCESSOR), S_OK);
        ASSERT_EQ(engine->CreateMasteringVoice(&master), S_OK);
    }

    // A secondary buffer holding `frames` (kept for release); null when refused.
    IDirectSoundBuffer* Buffer(const std::vector<int16_t>& frames,
                               WAVEFORMATEX format = Pcm(2, 16, 44100),
                               DWORD flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN |
                                             DSBCAPS_CTRLFREQUENCY) {
        const auto bytes = static_cast<DWORD>(frames.size() * sizeof(int16_t));
        DSBUFFERDESC desc{sizeof(DSBUFFERDESC), flags, bytes, 0, &format, {}};
        IDirectSoundBuffer* buffer = nullptr;
        if (sound->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK) return nullptr;
        buffers.push_back(buffer);
        void *p1, *p2;
        DWORD n1, n2;
        EXPECT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        std::memcpy(p1, frames.data(), n1);
        EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
        Settle();
        return buffer;
    }

    // The next `passes` passes as mixed.
    static std::vector<int16_t> CapturePasses(int passes) {
        KnobAudioCaptureStart();
        EXPECT_TRUE(KnobAudioWaitPasses(passes));
        return KnobAudioCaptured();
    }

    IDirectSound* sound = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
    IXAudio2* engine = nullptr;
    IXAudio2MasteringVoice* master = nullptr;
    int64_t openTime = 0;
};

}  // namespace audiotest
