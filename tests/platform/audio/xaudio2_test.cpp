// XAudio2 2.8 and 2.7: voices mixed like DirectSound buffers, the callback
// order, submissions, flushing, stopping and destroying from callbacks.
#include <atomic>
#include <functional>
#include <string>

#include "audio_fixture.h"

namespace audiotest {
namespace {

// Records every callback as one line; `onPassStart` may act inside the callback.
class Recorder : public IXAudio2VoiceCallback {
  public:
    void STDMETHODCALLTYPE OnVoiceProcessingPassStart(UINT32 bytes) override {
        Add("PassStart " + std::to_string(bytes));
        if (onPassStart) onPassStart(bytes);
    }
    void STDMETHODCALLTYPE OnVoiceProcessingPassEnd() override { Add("PassEnd"); }
    void STDMETHODCALLTYPE OnStreamEnd() override { Add("StreamEnd"); }
    void STDMETHODCALLTYPE OnBufferStart(void* c) override { Add("BufferStart " + Name(c)); }
    void STDMETHODCALLTYPE OnBufferEnd(void* c) override { Add("BufferEnd " + Name(c)); }
    void STDMETHODCALLTYPE OnLoopEnd(void* c) override { Add("LoopEnd " + Name(c)); }
    void STDMETHODCALLTYPE OnVoiceError(void* c, HRESULT) override { Add("Error " + Name(c)); }

    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> g(lock_);
        return std::exchange(log_, {});
    }
    std::function<void(UINT32)> onPassStart;

  private:
    static std::string Name(void* c) { return std::to_string(reinterpret_cast<intptr_t>(c)); }
    void Add(std::string line) {
        std::lock_guard<std::mutex> g(lock_);
        log_.push_back(std::move(line));
    }
    std::mutex lock_;
    std::vector<std::string> log_;
};

HRESULT Submit(IXAudio2SourceVoice* voice, const std::vector<int16_t>& frames, intptr_t context,
               UINT32 flags = 0) {
    XAUDIO2_BUFFER b{};
    b.Flags = flags;
    b.AudioBytes = static_cast<UINT32>(frames.size() * sizeof(int16_t));
    b.pAudioData = reinterpret_cast<const BYTE*>(frames.data());
    b.pContext = reinterpret_cast<void*>(context);
    return voice->SubmitSourceBuffer(&b);
}

class XAudio2Threads : public AudioTest {
  protected:
    void SetUp() override {
        AudioTest::SetUp();
        OpenXAudio2();
    }
    IXAudio2SourceVoice* Voice(IXAudio2VoiceCallback* callback = nullptr, float maxRatio = 2.0f,
                               WAVEFORMATEX format = Pcm(2, 16, 44100), UINT32 flags = 0) {
        IXAudio2SourceVoice* voice = nullptr;
        EXPECT_EQ(engine->CreateSourceVoice(&voice, &format, flags, maxRatio, callback), S_OK);
        Settle();
        return voice;
    }
};

TEST_F(XAudio2Threads, RampPlaysAsThroughDirectSoundInBothVersions) {
    const auto ramp = Ramp(1000);
    auto expected = ramp;
    expected.resize(2 * 3 * kPass, 0);
    OpenSound();
    ASSERT_EQ(Buffer(ramp)->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(CapturePasses(3), expected);

    IXAudio2SourceVoice* voice = Voice();
    ASSERT_EQ(Submit(voice, ramp, 0), S_OK);
    ASSERT_EQ(voice->Start(0), S_OK);
    EXPECT_EQ(CapturePasses(3), expected);

    IXAudio2_7* legacy = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XAudio2_7, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2_7,
                               reinterpret_cast<void**>(&legacy)),
              S_OK);
    ASSERT_EQ(legacy->Initialize(0, XAUDIO2_ANY_PROCESSOR), S_OK);
    IXAudio2MasteringVoice* legacyMaster = nullptr;
    ASSERT_EQ(legacy->CreateMasteringVoice(&legacyMaster, 0, 44100, 0, 0, nullptr), S_OK);
    const WAVEFORMATEX format = Pcm(2, 16, 44100);
    IXAudio2SourceVoice* legacyVoice = nullptr;
    ASSERT_EQ(legacy->CreateSourceVoice(&legacyVoice, &format, 0, 2.0f, nullptr), S_OK);
    ASSERT_EQ(Submit(legacyVoice, ramp, 0), S_OK);
    Settle();
    ASSERT_EQ(legacyVoice->Start(0), S_OK);
    EXPECT_EQ(CapturePasses(3), expected);
    legacy->Release();
}

TEST_F(XAudio2Threads, VoicesRefuseWhatCannotPlay) {
    IXAudio2* bare = nullptr;
    ASSERT_EQ(XAudio2Create(&bare, 0, XAUDIO2_ANY_PROCESSOR), S_OK);
    const WAVEFORMATEX stereo = Pcm(2, 16, 44100);
    IXAudio2SourceVoice* voice = nullptr;
    EXPECT_EQ(bare->CreateSourceVoice(&voice, &stereo),
              XAUDIO2_E_INVALID_CALL);  // no mastering voice
    bare->Release();
    IXAudio2MasteringVoice* second = nullptr;
    EXPECT_EQ(engine->CreateMasteringVoice(&second), XAUDIO2_E_INVALID_CALL);
    WAVEFORMATEX floating = stereo;
    floating.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    struct {
        const char* name;
        WAVEFORMATEX format;
        float maxRatio;
    } const bad[] = {{"float", floating, 2.0f},
                     {"threeChannels", Pcm(3, 16, 44100), 2.0f},
                     {"rate999", Pcm(2, 16, 999), 2.0f},
                     {"ratioZero", stereo, 0.0f},
                     {"ratio2000", stereo, 2000.0f}};
    for (const auto& b : bad) {
        EXPECT_EQ(engine->CreateSourceVoice(&voice, &b.format, 0, b.maxRatio),
                  XAUDIO2_E_INVALID_CALL)
            << b.name;
        EXPECT_EQ(voice, nullptr);
    }
    DWORD mask = 0;
    EXPECT_EQ(master->GetChannelMask(&mask), S_OK);
    EXPECT_EQ(mask, DWORD{SPEAKER_STEREO});
}

TEST_F(XAudio2Threads, CallbacksComeInPassOrderWithTheBytesStillNeeded) {
    Recorder recorder;
    IXAudio2SourceVoice* voice = Voice(&recorder);
    const auto a = Ramp(600), b = Ramp(300);
    ASSERT_EQ(Submit(voice, a, 1), S_OK);
    ASSERT_EQ(Submit(voice, b, 2, XAUDIO2_END_OF_STREAM), S_OK);
    ASSERT_EQ(voice->Start(0), S_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(4));
    // 900 frames queued: passes 1 and 2 need nothing; pass 3 finds 18 left
    // (needs 423 frames, 1692 bytes); pass 4 finds none (441 frames).
    const std::vector<std::string> expected = {
        "PassStart 0",   "BufferStart 1",  "PassEnd",        "PassStart 0", "BufferEnd 1",
        "BufferStart 2", "PassEnd",        "PassStart 1692", "BufferEnd 2", "StreamEnd",
        "PassEnd",       "PassStart 1764", "PassEnd"};
    EXPECT_EQ(recorder.Take(), expected);
}

TEST_F(XAudio2Threads, BadSubmissionsAreInvalidCalls) {
    IXAudio2SourceVoice* voice = Voice();
    const auto frames = Ramp(10);
    XAUDIO2_BUFFER good{};
    good.AudioBytes = 40;
    good.pAudioData = reinterpret_cast<const BYTE*>(frames.data());
    struct {
        const char* name;
        std::function<void(XAUDIO2_BUFFER&)> spoil;
    } const bad[] = {
        {"empty", [](auto& b) { b.AudioBytes = 0; }},
        {"partFrame", [](auto& b) { b.AudioBytes = 38; }},
        {"noData", [](auto& b) { b.pAudioData = nullptr; }},
        {"loops", [](auto& b) { b.LoopCount = 1; }},
        {"beginPastEnd", [](auto& b) { b.PlayBegin = 10; }},
        {"lengthPastEnd", [](auto& b) { b.PlayBegin = 5, b.PlayLength = 6; }},
        {"unknownFlag", [](auto& b) { b.Flags = 1; }},
    };
    for (const auto& b : bad) {
        XAUDIO2_BUFFER spoiled = good;
        b.spoil(spoiled);
        EXPECT_EQ(voice->SubmitSourceBuffer(&spoiled), XAUDIO2_E_INVALID_CALL) << b.name;
    }
    for (int i = 0; i < XAUDIO2_MAX_QUEUED_BUFFERS; ++i)
        ASSERT_EQ(voice->SubmitSourceBuffer(&good), S_OK);
    EXPECT_EQ(voice->SubmitSourceBuffer(&good), XAUDIO2_E_INVALID_CALL);
    XAUDIO2_VOICE_STATE state{};
    voice->GetState(&state);
    EXPECT_EQ(state.BuffersQueued, 64u);
}

TEST_F(XAudio2Threads, FlushKeepsTheBufferBeingPlayedAndEndsTheOthers) {
    Recorder recorder;
    IXAudio2SourceVoice* voice = Voice(&recorder);
    const auto a = Ramp(600), b = Ramp(300), c = Ramp(300);
    for (auto [frames, context] : {std::pair{&a, 1}, {&b, 2}, {&c, 3}})
        ASSERT_EQ(Submit(voice, *frames, context), S_OK);
    ASSERT_EQ(voice->Start(0), S_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(1));
    recorder.Take();
    ASSERT_EQ(voice->FlushSourceBuffers(), S_OK);
    XAUDIO2_VOICE_STATE state{};
    voice->GetState(&state);
    EXPECT_EQ(state.BuffersQueued, 1u);
    const auto got = CapturePasses(1);
    // 159 frames of the first buffer were left: 282 more are needed (1128 bytes).
    const std::vector<std::string> expected = {"PassStart 1128", "BufferEnd 2", "BufferEnd 3",
                                               "BufferEnd 1", "PassEnd"};
    EXPECT_EQ(recorder.Take(), expected);
    EXPECT_EQ(Frames(got, 0, 159), Frames(a, 441, 159));
    EXPECT_EQ(Frames(got, 159, 282), Constant(282, 0, 0));
}

TEST_F(XAudio2Threads, StopInsideACallbackLetsThatPassPlay) {
    Recorder recorder;
    IXAudio2SourceVoice* voice = Voice(&recorder);
    recorder.onPassStart = [&voice](UINT32) { voice->Stop(0); };
    const auto ramp = Ramp(2000);
    ASSERT_EQ(Submit(voice, ramp, 1), S_OK);
    ASSERT_EQ(voice->Start(0), S_OK);
    const auto got = CapturePasses(3);
    EXPECT_EQ(Frames(got, 0, kPass), Frames(ramp, 0, kPass));
    EXPECT_EQ(Frames(got, kPass, 2 * kPass), Constant(2 * kPass, 0, 0));
    const std::vector<std::string> expected = {"PassStart 0", "BufferStart 1", "PassEnd"};
    EXPECT_EQ(recorder.Take(), expected);
}

TEST_F(XAudio2Threads, FrequencyRatioStopsAtTheVoicesMaximum) {
    const auto ramp = Ramp(2000);
    IXAudio2SourceVoice* voice = Voice(nullptr, 2.0f);
    ASSERT_EQ(voice->SetFrequencyRatio(3.0f), S_OK);
    ASSERT_EQ(Submit(voice, ramp, 0), S_OK);
    ASSERT_EQ(voice->Start(0), S_OK);
    const auto got = CapturePasses(1);
    for (int j : {0, 1, 2, 200, 440}) EXPECT_EQ(Frames(got, j, 1), Frames(ramp, 2 * j, 1)) << j;
    IXAudio2SourceVoice* fixed = Voice(nullptr, 2.0f, Pcm(2, 16, 44100), XAUDIO2_VOICE_NOPITCH);
    EXPECT_EQ(fixed->SetFrequencyRatio(1.5f), XAUDIO2_E_INVALID_CALL);
}

TEST_F(XAudio2Threads, ChannelVolumesScaleEachSideAndMonoPlaysOnBoth) {
    struct {
        const char* name;
        WORD channels;
        std::vector<float> volumes;
        int16_t left, right;
    } const cases[] = {{"stereo", 2, {1.0f, 0.25f}, 20000, 5000},
                       {"mono", 1, {0.5f}, 10000, 10000}};
    for (const auto& c : cases) {
        const std::vector<int16_t> data(441u * c.channels, 20000);
        IXAudio2SourceVoice* voice = Voice(nullptr, 2.0f, Pcm(c.channels, 16, 44100));
        EXPECT_EQ(voice->SetChannelVolumes(3, c.volumes.data()), XAUDIO2_E_INVALID_CALL);
        ASSERT_EQ(voice->SetChannelVolumes(c.channels, c.volumes.data()), S_OK);
        ASSERT_EQ(Submit(voice, data, 0), S_OK);
        ASSERT_EQ(voice->Start(0), S_OK);
        EXPECT_EQ(Frames(CapturePasses(1), 0, kPass), Constant(kPass, c.left, c.right)) << c.name;
    }
}

TEST_F(XAudio2Threads, DestroyVoiceWaitsForABlockedCallbackAndNoneFollows) {
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> calls{0};
    std::atomic<bool> returned{false};
    Recorder recorder;
    recorder.onPassStart = [&](UINT32) {
        if (++calls > 1) return;
        SetEvent(entered);
        WaitForSingleObject(release, INFINITE);
        returned = true;
    };
    IXAudio2SourceVoice* voice = Voice(&recorder);
    ASSERT_EQ(voice->Start(0), S_OK);
    ASSERT_EQ(WaitForSingleObject(entered, INFINITE), WAIT_OBJECT_0);
    HANDLE helper = CreateThread(
        nullptr, 0,
        [](LPVOID event) -> DWORD {
            Sleep(25);
            SetEvent(static_cast<HANDLE>(event));
            return 0;
        },
        release, 0, nullptr);
    voice->DestroyVoice();
    EXPECT_TRUE(returned.load());
    ASSERT_TRUE(KnobAudioWaitPasses(5));
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(KnobAudioLive().voices, 1);  // the mastering voice
    WaitForSingleObject(helper, INFINITE);
    for (HANDLE h : {helper, entered, release}) CloseHandle(h);
}

TEST_F(XAudio2Threads, DestroyVoiceFromItsOwnCallback) {
    Recorder recorder;
    IXAudio2SourceVoice* voice = Voice(&recorder);
    recorder.onPassStart = [&voice](UINT32) { voice->DestroyVoice(); };
    ASSERT_EQ(voice->Start(0), S_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(3));
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"PassStart 1764"});
    EXPECT_EQ(KnobAudioLive().voices, 1);
}

TEST_F(XAudio2Threads, LegacyEngineAnswersOnlyAfterInitialize) {
    IXAudio2_7* legacy = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XAudio2_7_Debug, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2_7,
                               reinterpret_cast<void**>(&legacy)),
              S_OK);
    UINT32 count = 0;
    XAUDIO2_DEVICE_DETAILS details{};
    IXAudio2MasteringVoice* voice = nullptr;
    EXPECT_EQ(legacy->GetDeviceCount(&count), XAUDIO2_E_INVALID_CALL);
    EXPECT_EQ(legacy->GetDeviceDetails(0, &details), XAUDIO2_E_INVALID_CALL);
    EXPECT_EQ(legacy->CreateMasteringVoice(&voice), XAUDIO2_E_INVALID_CALL);
    ASSERT_EQ(legacy->Initialize(0, XAUDIO2_ANY_PROCESSOR), S_OK);
    EXPECT_EQ(legacy->Initialize(0, XAUDIO2_ANY_PROCESSOR), XAUDIO2_E_INVALID_CALL);
    EXPECT_EQ(legacy->GetDeviceCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(legacy->GetDeviceDetails(0, &details), S_OK);
    EXPECT_NE(details.DisplayName[0], 0);
    EXPECT_EQ(details.OutputFormat.Format.nChannels, 2);
    EXPECT_EQ(details.OutputFormat.Format.nSamplesPerSec, 44100u);
    EXPECT_EQ(details.OutputFormat.dwChannelMask, DWORD{SPEAKER_STEREO});
    EXPECT_EQ(legacy->GetDeviceDetails(1, &details), E_INVALIDARG);
    legacy->Release();
}

TEST_F(XAudio2Threads, RefusedStepsFailWithoutObjects) {
    const KnobAudioCounts before = KnobAudioLive();
    ASSERT_TRUE(KnobAudioRefuse("XAudio2Create", 1));
    IXAudio2* refused = nullptr;
    EXPECT_EQ(XAudio2Create(&refused, 0, XAUDIO2_ANY_PROCESSOR), E_FAIL);
    EXPECT_EQ(refused, nullptr);
    IXAudio2_7* legacy = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XAudio2_7, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2_7,
                               reinterpret_cast<void**>(&legacy)),
              S_OK);
    ASSERT_TRUE(KnobAudioRefuse("XAudio2Initialize", 1));
    EXPECT_EQ(legacy->Initialize(0, XAUDIO2_ANY_PROCESSOR), E_FAIL);
    EXPECT_EQ(KnobAudioLive().objects, before.objects);
    legacy->Release();
    IXAudio2* second = nullptr;
    ASSERT_EQ(XAudio2Create(&second, 0, XAUDIO2_ANY_PROCESSOR), S_OK);
    ASSERT_TRUE(KnobAudioRefuse("CreateMasteringVoice", 1));
    IXAudio2MasteringVoice* voice = nullptr;
    EXPECT_EQ(second->CreateMasteringVoice(&voice), E_FAIL);
    EXPECT_EQ(KnobAudioLive().voices, before.voices);
    second->Release();
    KnobAudioFailBuffer(1);
    const WAVEFORMATEX stereo = Pcm(2, 16, 44100);
    IXAudio2SourceVoice* source = nullptr;
    EXPECT_EQ(engine->CreateSourceVoice(&source, &stereo), E_OUTOFMEMORY);
    EXPECT_EQ(engine->CreateSourceVoice(&source, &stereo), S_OK);
}

}  // namespace
}  // namespace audiotest
