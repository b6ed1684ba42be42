// The sound system's threads: the stream thread and its end, the engine's
// start and end around sound, buffers made on a load worker, and buffer
// operations racing the voices' callbacks.
#include <atomic>
#include <thread>

#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/tracked_memory.h"
#include "media_fixtures.h"
#include "sound/sound_handles.h"
#include "sound_output_support.h"
#include "window/main_window.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace soundtest;

namespace {

TEST(SoundSystemThreads, OneStreamThreadAtTimeCriticalOnlyWithTwoProcessors) {
    StartServices();
    const int base = testsupport::QuietThreadCount();
    ASSERT_EQ(InitSoundSystem(), 0);  // one processor: no stream thread
    // The mixer's thread and the audio device's.
    const int withMixer = testsupport::SettledThreadCount(base + 2);
    EXPECT_EQ(SoundSystem().streamThread.handle, nullptr);
    ASSERT_EQ(TerminateSoundSystem(), 0);
    EXPECT_EQ(testsupport::SettledThreadCount(base), base);

    MutableSystemState().processorCount = 2;
    ASSERT_EQ(InitSoundSystem(), 0);
    EXPECT_EQ(testsupport::SettledThreadCount(withMixer + 1), withMixer + 1);
    ASSERT_NE(SoundSystem().streamThread.handle, nullptr);
    EXPECT_EQ(GetThreadPriority(SoundSystem().streamThread.handle), THREAD_PRIORITY_TIME_CRITICAL);
    ASSERT_EQ(TerminateSoundSystem(), 0);
    EXPECT_EQ(SoundSystem().streamEndFlag.load(), kStreamThreadEnded);
    EXPECT_EQ(SoundSystem().streamThread.handle, nullptr);
    EXPECT_EQ(testsupport::SettledThreadCount(base), base);
    EndServices();
}

// The engine as the game starts it, without graphics.
struct EngineRun {
    EngineRun() {
        KnobSetVirtualClock(true);
        ChangeWindowMode(TRUE);
        SetEngineSkipFlags(0, 1, 0, 0);
    }
    ~EngineRun() { SetEngineSkipFlags(0, 0, 0, 0); }
};

TEST(SoundEngineThreads, StartsWithoutSoundAndEndsAfterTheWindowClosed) {
    const int base = testsupport::QuietThreadCount();
    {
        EngineRun run;
        ChooseBackend(Backend::DirectSound);
        KnobHideComClass(CLSID_DirectSound, true);
        ASSERT_EQ(InitializeEngineLocked(), 0);
        EXPECT_EQ(SoundSystem().initialised, 0);
        ShutdownEngineLocked();
    }
    KnobResetAll();
    ResetSoundSystemForTest();
    EngineRun run;
    KnobSetVirtualClock(true);
    const int blocks = MemGetCount();
    ASSERT_EQ(InitializeEngineLocked(), 0);
    ASSERT_EQ(SoundSystem().initialised, 1);
    // Alive at the end: a memory sound, a stream and one sharing its ring.
    testsupport::WriteFile("tone.wav",
                           mediafixtures::SimpleWave(1, 2, 44100, 16, std::string(80000, '\x21')));
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    ASSERT_GE(LoadSoundFromFile("tone.wav", 3, -1), 0);
    const Handle owner = LoadSoundFileWithSettings(&settings, "tone.wav", 1, -1, 0, 0);
    ASSERT_GE(LoadSoundFileWithSettings(&settings, "tone.wav", 1, owner, 0, 0), 0);
    PlaySoundHandle(owner, 3, 1);
    // Deactivation through the window pauses it, activation resumes it.
    const HWND window = static_cast<HWND>(GetMainWindowHandle());
    DWORD status = 0;
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    GetSoundBufferStatus(&GetSoundRecord(owner)->buffers[0], &status);
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    EXPECT_EQ(IsSoundPlaying(owner), 1);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    GetSoundBufferStatus(&GetSoundRecord(owner)->buffers[0], &status);
    EXPECT_NE(status & DSBSTATUS_PLAYING, 0u);
    const bool threaded = GetSystemState().processorCount > 1;
    EXPECT_EQ(SoundSystem().streamThread.handle != nullptr, threaded);
    ASSERT_TRUE(
        KnobWindowEvent(static_cast<HWND>(GetMainWindowHandle()), KnobWindowEventKind::Close));
    int pumps = 0;
    while (PumpWindowMessagesLocked() == 0 && ++pumps < 100) {
    }
    ASSERT_LT(pumps, 100);
    ShutdownEngineLocked();
    if (threaded) {
        EXPECT_EQ(SoundSystem().streamEndFlag.load(), kStreamThreadEnded);
    }
    const KnobAudioCounts live = KnobAudioLive();
    EXPECT_EQ(live.objects + live.buffers + live.voices, 0);
    EXPECT_EQ(testsupport::SettledThreadCount(base), base);
    EXPECT_EQ(MemGetCount(), blocks);
}

struct WorkerResult {
    HANDLE done;
    HRESULT coCreate;
    int made, played, released;
};

void BuffersOnWorker(AsyncRequest* request) {
    int offset = 0;
    auto* result =
        static_cast<WorkerResult*>(AsyncParamGetPointer(AsyncRequestParams(request), &offset));
    auto coCreate =
        WinApi<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>(Api_CoCreateInstance);
    void* object = nullptr;
    result->coCreate = coCreate(CLSID_DirectSound, nullptr, 7, IID_IDirectSound, &object);
    const std::vector<int16_t> ramp = Ramp(300);
    {
        Buffers b;
        result->made = b.Make(Pcm(2, 16), ramp, 2);
        result->played = PlaySoundBuffer(&b.records[1], 0);
        KnobAudioWaitPasses(2);
        result->released = ReleaseSoundBuffer(&b.records[1]) + ReleaseSoundBuffer(&b.records[0]);
        b.count = 0;
    }
    SetEvent(result->done);
}

class SoundWorkerThreads : public testing::TestWithParam<Backend> {};

TEST_P(SoundWorkerThreads, BuffersAreMadePlayedAndReleasedOnALoadWorker) {
    StartServices();
    ChooseBackend(GetParam());
    ASSERT_EQ(InitSoundSystem(), 0);
    ASSERT_EQ(AsyncLoadInit(GetCurrentThreadId()), 0);
    ASSERT_EQ(AsyncLoadStartThreads(2), 0);
    WorkerResult result{CreateEventA(nullptr, TRUE, FALSE, nullptr), S_OK, -2, -2, -2};
    int size = 0;
    AsyncParamPutPointer(nullptr, &size, &result);
    AsyncRequest* request = AsyncRequestAlloc(size);
    request->worker = BuffersOnWorker;
    int offset = 0;
    AsyncParamPutPointer(AsyncRequestParams(request), &offset, &result);
    ASSERT_EQ(AsyncRequestEnqueue(request), 0);
    WaitForSingleObject(result.done, INFINITE);
    CloseHandle(result.done);
    AsyncLoadStopThreads();
    AsyncLoadTerm();
    EXPECT_EQ(result.coCreate, CO_E_NOTINITIALIZED);
    EXPECT_EQ(result.made, 0);
    EXPECT_EQ(result.played, 0);
    EXPECT_EQ(result.released, 0);
    EndServices();
}

SOUND_ON_EVERY_BACKEND(SoundWorkerThreads);

// Real clock: the voices' callbacks run on the mixer's thread meanwhile.
TEST(SoundBufferThreads, OperationsRaceTheCallbacksSafely) {
    StartServices(false);
    ASSERT_EQ(InitSoundSystem(), 0);
    {
        const std::vector<int16_t> ramp = Ramp(2000);
        Buffers b;
        ASSERT_EQ(b.Make(Pcm(2, 16), ramp, 4), 0);
        for (int i = 0; i < 2000; ++i) {
            SoundBufferRecord* r = &b.records[i % 4];
            PlaySoundBuffer(r, i % 3 == 0);
            SetSoundBufferPosition(r, static_cast<DWORD>((i * 52) % 8000));
            SetSoundBufferFrequency(r, 22050 + 10 * i);
            if (i % 5 == 0) StopSoundBuffer(r);
            DWORD play, write;
            GetSoundBufferPosition(r, &play, &write);
            ASSERT_LE(play, 8000u);  // a one-shot fed to its end stands there
        }
    }
    EndServices();
}

TEST(SoundHandleThreads, AsynchronousLoadsAreRefusedUntilDone) {
    StartServices();
    InitSoundConvert();
    ASSERT_EQ(InitSoundSystem(), 0);
    const int blocks = MemGetCount();
    ASSERT_EQ(AsyncLoadInit(GetCurrentThreadId()), 0);
    ASSERT_EQ(AsyncLoadStartThreads(2), 0);
    testsupport::WriteFile("ramp.wav",
                           mediafixtures::SimpleWave(1, 2, 44100, 16, std::string(40000, '\x11')));
    SetUseAsyncLoad(1);
    auto settle = [](Handle h) {
        testsupport::ServeUntil([h] { return IsHandleAsyncPending(h) != 1; }, "the queued load");
    };
    KnobHoldReadFile(true);
    const Handle h = LoadSoundFromFile("ramp.wav", 3, -1);
    ASSERT_GE(h, 0);
    ASSERT_TRUE(KnobWaitForHeldReadFile(1));
    EXPECT_EQ(IsSoundPlaying(h), -1);
    EXPECT_EQ(PlaySoundHandle(h, 1, 1), -1);
    EXPECT_EQ(SetSoundVolume(100, h), -1);
    KnobHoldReadFile(false);
    settle(h);
    EXPECT_EQ(PlaySoundHandle(h, 1, 1), 0);
    const Handle missing = LoadSoundFromFile("missing.wav", 3, -1);
    ASSERT_GE(missing, 0);
    // The worker deletes it.
    testsupport::ServeUntil([missing] { return IsHandleAsyncPending(missing) == -1; },
                            "the missing file's handle deleted");
    // Deleting while the load runs waits for it.
    KnobHoldReadFile(true);
    const Handle deleted = LoadSoundFromFile("ramp.wav", 3, -1);
    ASSERT_TRUE(KnobWaitForHeldReadFile(1));
    std::thread deleter([deleted] { DeleteHandle(deleted); });
    KnobHoldReadFile(false);
    deleter.join();
    EXPECT_EQ(GetSoundRecord(deleted), nullptr);
    SetUseAsyncLoad(0);
    DeleteHandle(h);
    AsyncLoadStopThreads();
    AsyncLoadTerm();
    EXPECT_EQ(MemGetCount(), blocks);
    EndServices();
    TerminateSoundConvert();
}

// Real clock, two processors: the stream thread refills while the main
// thread seeks, stops, plays and pauses.
TEST(SoundHandleThreads, StreamsSurviveTheMainThreadWorkingThem) {
    StartServices(false);
    InitSoundConvert();
    MutableSystemState().processorCount = 2;
    ASSERT_EQ(InitSoundSystem(), 0);
    const std::vector<int16_t> tone = mediafixtures::Tone(44100, 2, 44100, 330, 7000);
    testsupport::WriteFile("a.ogg", mediafixtures::EncodeVorbis(tone, 2, 44100, 0.2f));
    testsupport::WriteFile("a.mp3", mediafixtures::EncodeMp3(tone, 2, 44100, 96, false).bytes);
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    const Handle streams[] = {LoadSoundFileWithSettings(&settings, "a.ogg", 1, -1, 0, 0),
                              LoadSoundFileWithSettings(&settings, "a.mp3", 1, -1, 0, 0)};
    for (int i = 0; i < 300; ++i) {
        const Handle h = streams[i % 2];
        ASSERT_GE(h, 0);
        if (i % 7 == 0) SetSoundPositionSamples((i * 997) % 40000, h);
        if (i % 5 == 0) StopSoundHandle(h);
        if (i % 3 == 0) PlaySoundHandle(h, i % 2 ? 3 : 1, i % 4 == 0);
        if (i % 11 == 0) PauseAllSounds(i % 22 == 0);
        if (i % 13 == 0) SetSoundLoopPoint((i * 311) % 30000, h);  // read by the refill thread
        GetSoundPositionSamples(h);
        Sleep(3);
    }
    PauseAllSounds(0);
    EndServices();
    TerminateSoundConvert();
}

// A one-shot stream ends at the same virtual time whether the pump (one
// processor) or the stream thread (two) refills it.
TEST(SoundHandleThreads, AStreamEndsAtTheSameTimeWithTheStreamThread) {
    testsupport::WriteFile("ramp.wav",
                           mediafixtures::SimpleWave(1, 2, 44100, 16, std::string(88200, '\x05')));
    DWORD took[2] = {};
    for (int processors : {1, 2}) {
        StartServices();
        // Strict: a stream thread slow to wake on a loaded machine holds the
        // clock instead of letting the cursor run past the stream's end.
        KnobVirtualClockStrict(true);
        MutableSystemState().processorCount = processors;
        InitSoundConvert();
        ASSERT_EQ(InitSoundSystem(), 0);
        SoundCreateSettings settings{0, 2, {0, 2, 0}};
        const Handle h = LoadSoundFileWithSettings(&settings, "ramp.wav", 1, -1, 0, 0);
        const DWORD start = timeGetTime();
        ASSERT_EQ(PlaySoundHandle(h, 0, 1), 0);  // returns when the stream has stopped itself
        took[processors - 1] = timeGetTime() - start;
        EndServices();
        TerminateSoundConvert();
        KnobVirtualClockStrict(false);
    }
    EXPECT_GE(took[0], 500u);  // half a second of sound
    // The thread notices the end at its next 10 ms refill; a loaded machine can
    // let the virtual clock pass one more while the thread is being woken.
    EXPECT_NEAR(double(took[1]), double(took[0]), 30.0);
}

}  // namespace
