// Life of the audio stand-in: real time, a missing output driver, COM
// apartments, the end of every object and thread, hidden modules and
// classes, and X3DAudio's start-up.
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "audio_fixture.h"
#include "support/test_support.h"
#include "x3daudio.h"

namespace audiotest {
namespace {

using AudioLifeThreads = AudioTest;

TEST_F(AudioLifeThreads, RealClockOneShotEndsByItselfAndIsCaptured) {
    KnobSetVirtualClock(false);
    OpenSound();
    const auto ramp = Ramp(8820);  // 200 ms
    IDirectSoundBuffer* buffer = Buffer(ramp);
    KnobAudioCaptureStart();
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    const DWORD start = GetTickCount();
    DWORD status = DSBSTATUS_PLAYING;
    const DWORD limit = std::chrono::milliseconds(testsupport::kWaitLimit).count();
    while (status != 0 && GetTickCount() - start < limit) {
        Sleep(10);
        ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    }
    EXPECT_EQ(status, 0u);
    // The status drops during the mixer's last pass; that pass reaches the
    // capture when it ends.
    ASSERT_TRUE(KnobAudioWaitPasses(2));
    const auto got = KnobAudioCaptured();
    size_t first = 0;
    while (first < got.size() && got[first] == 0) ++first;
    ASSERT_EQ(first % 2, 0u);
    ASSERT_GE(got.size(), first + ramp.size());
    EXPECT_EQ(std::vector<int16_t>(got.begin() + first, got.begin() + first + ramp.size()), ramp);
}

TEST_F(AudioLifeThreads, MissingOutputDriverStillStartsAndPlays) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    OpenSound();
    OpenXAudio2();
    EXPECT_EQ(KnobAudioLive().outputs, 0);
    IDirectSoundBuffer* buffer = Buffer(Ramp(500));
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    const auto got = CapturePasses(2);
    EXPECT_EQ(Frames(got, 0, 500), Ramp(500));
    DWORD status = 1;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

TEST_F(AudioLifeThreads, ThreadWithoutComStaysUninitialisedWhileSoundPlays) {
    OpenSound();
    ASSERT_EQ(Buffer(Constant(4410, 1, 1))->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    OpenXAudio2();
    IXAudio2SourceVoice* voice = nullptr;
    const WAVEFORMATEX format = Pcm(2, 16, 44100);
    ASSERT_EQ(engine->CreateSourceVoice(&voice, &format), S_OK);
    ASSERT_EQ(voice->Start(0), S_OK);
    Sleep(30);
    HRESULT seen = S_OK;
    HANDLE probe = CreateThread(
        nullptr, 0,
        [](LPVOID out) -> DWORD {
            void* object = nullptr;
            *static_cast<HRESULT*>(out) = CoCreateInstance(
                CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound, &object);
            return 0;
        },
        &seen, 0, nullptr);
    WaitForSingleObject(probe, INFINITE);
    CloseHandle(probe);
    EXPECT_EQ(seen, CO_E_NOTINITIALIZED);
}

TEST_F(AudioLifeThreads, LastReleaseEndsTheMixerAndClosesTheOutput) {
    const int threadsBefore = testsupport::QuietThreadCount();
    OpenSound();
    Buffer(Constant(441, 1, 1))->Play(0, 0, DSBPLAY_LOOPING);
    OpenXAudio2();
    IXAudio2SourceVoice* voice = nullptr;
    const WAVEFORMATEX format = Pcm(1, 8, 22050);
    ASSERT_EQ(engine->CreateSourceVoice(&voice, &format), S_OK);
    Sleep(20);
    const KnobAudioCounts live = KnobAudioLive();
    EXPECT_EQ(live.objects, 2);
    EXPECT_EQ(live.buffers, 1);
    EXPECT_EQ(live.voices, 2);
    EXPECT_EQ(live.outputs, 1);
    voice->DestroyVoice();
    master->DestroyVoice();
    engine->Release();
    engine = nullptr;
    buffers.back()->Release();
    buffers.clear();
    sound->Release();
    sound = nullptr;
    const KnobAudioCounts after = KnobAudioLive();
    EXPECT_EQ(after.objects + after.buffers + after.voices + after.outputs, 0);
    EXPECT_EQ(testsupport::SettledThreadCount(threadsBefore), threadsBefore);
}

struct Hidden {
    const char* name;
    void (*hide)(bool);
    bool xaudio28, dsound, directSoundClass, xaudio27Class;
};

const Hidden kHidden[] = {
    {"XAudio2_8", [](bool h) { KnobHideModule("XAudio2_8.dll", h); }, false, true, true, true},
    {"DSOUND", [](bool h) { KnobHideModule("DSOUND.DLL", h); }, true, false, true, true},
    {"DirectSoundClass", [](bool h) { KnobHideComClass(CLSID_DirectSound, h); }, true, true, false,
     true},
    {"XAudio27Class", [](bool h) { KnobHideComClass(CLSID_XAudio2_7, h); }, true, true, true,
     false},
};

bool Loads(const char* module) {
    HMODULE handle = LoadLibraryA(module);
    if (handle) FreeLibrary(handle);
    return handle != nullptr;
}

bool Creates(REFCLSID clsid, REFIID iid) {
    IUnknown* object = nullptr;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                                        reinterpret_cast<void**>(&object));
    if (object) object->Release();
    EXPECT_TRUE(hr == S_OK || hr == REGDB_E_CLASSNOTREG) << std::hex << hr;
    return hr == S_OK;
}

TEST_F(AudioLifeThreads, HidingOneModuleOrClassFailsExactlyThat) {
    for (const Hidden& h : kHidden) {
        h.hide(true);
        EXPECT_EQ(Loads("XAudio2_8.dll"), h.xaudio28) << h.name;
        EXPECT_EQ(Loads("DSOUND.DLL"), h.dsound) << h.name;
        EXPECT_EQ(Creates(CLSID_DirectSound, IID_IDirectSound), h.directSoundClass) << h.name;
        EXPECT_EQ(Creates(CLSID_XAudio2_7, IID_IXAudio2_7), h.xaudio27Class) << h.name;
        EXPECT_TRUE(Creates(CLSID_XAudio2_7_Debug, IID_IXAudio2_7)) << h.name;
        h.hide(false);
    }
    // What the program looks up but never calls is absent; MCI too.
    HMODULE xaudio = LoadLibraryA("XAudio2_8.dll");
    EXPECT_NE(GetProcAddress(xaudio, "XAudio2Create"), nullptr);
    EXPECT_NE(GetProcAddress(xaudio, "X3DAudioInitialize"), nullptr);
    EXPECT_EQ(GetProcAddress(xaudio, "X3DAudioCalculate"), nullptr);
    EXPECT_EQ(GetProcAddress(xaudio, "CreateAudioVolumeMeter"), nullptr);
    FreeLibrary(xaudio);
    HMODULE winmm = LoadLibraryA("winmm.dll");
    EXPECT_EQ(GetProcAddress(winmm, "mciSendCommandA"), nullptr);
    FreeLibrary(winmm);
}

TEST(X3DAudio, InitializeRecordsTheLayoutAndRefusesNoSpeakers) {
    HMODULE module = LoadLibraryA("X3DAudio1_7.dll");
    ASSERT_NE(module, nullptr);
    auto initialize = reinterpret_cast<decltype(&X3DAudioInitialize)>(
        reinterpret_cast<void*>(GetProcAddress(module, "X3DAudioInitialize")));
    ASSERT_NE(initialize, nullptr);
    struct {
        UINT mask;
        FLOAT speed;
        HRESULT expected;
    } const cases[] = {{0, 343.5f, E_INVALIDARG},
                       {3, 0.0f, E_INVALIDARG},
                       {3, std::nanf(""), E_INVALIDARG},
                       {SPEAKER_STEREO, 343.5f, S_OK}};
    UINT mask = 0;
    FLOAT speed = 0;
    EXPECT_FALSE(KnobAudioLastX3DAudioInitialize(&mask, &speed));
    for (const auto& c : cases) {
        X3DAUDIO_HANDLE instance{};
        EXPECT_EQ(initialize(c.mask, c.speed, instance), c.expected) << c.mask << " " << c.speed;
    }
    ASSERT_TRUE(KnobAudioLastX3DAudioInitialize(&mask, &speed));
    EXPECT_EQ(mask, UINT{SPEAKER_STEREO});
    EXPECT_EQ(speed, 343.5f);
    FreeLibrary(module);
}

TEST(DesktopWindow, IsAWindowThatNoCreationReturns) {
    HWND desktop = GetDesktopWindow();
    EXPECT_NE(desktop, nullptr);
    EXPECT_TRUE(IsWindow(desktop));
    EXPECT_EQ(GetDesktopWindow(), desktop);
}

}  // namespace
}  // namespace audiotest
