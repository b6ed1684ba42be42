// The audio renderer is heard: an MP3 graph's PCM reaches the mixer's
// capture unchanged, at the device's pace, and ends with EC_COMPLETE.
#include <algorithm>
#include <cstring>

#include "dsound.h"
#include "graph_helpers.h"
#include "support/media_fixtures.h"
#include "support/test_support.h"

namespace {

using namespace dshowtest;

// Stereo frames that are not silent, in order.
std::vector<int16_t> Sounding(const std::vector<int16_t>& pcm) {
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2)
        if (pcm[i] || pcm[i + 1]) out.insert(out.end(), {pcm[i], pcm[i + 1]});
    return out;
}

struct SoundCase {
    const char* name;
    bool clock;     // the default clock, else none (the device sets the pace)
    LONG volume;    // IBasicAudio level
    LONG balance;   // IBasicAudio balance: 10000 silences the left channel
    bool pause;     // paused for 200 ms in the middle
    bool seekBack;  // set back to the start in the middle
};

class AudioRendererThreads : public GraphTest, public ::testing::WithParamInterface<SoundCase> {};

TEST_P(AudioRendererThreads, Mp3IsHeardThenCompletes) {
    const SoundCase& c = GetParam();
    // 0.5 s of tone: 20 MPEG-1 frames of 1152 samples hold it (and the encoder's delay).
    mediafixtures::Mp3 mp3 = mediafixtures::EncodeMp3(
        mediafixtures::Tone(22050, 2, 44100, 440.0, 8000.0), 2, 44100, 128, false);
    testsupport::WriteFile("tone.mp3", mp3.bytes);
    const std::string bytes = decodeDirect(mp3.bytes, 0);
    std::vector<int16_t> decoded(bytes.size() / 2);
    std::memcpy(decoded.data(), bytes.data(), bytes.size());
    const DWORD lengthMs = DWORD(mp3.frames) * 1152 * 1000 / 44100;

    IGraphBuilder* graph = NewGraph();
    ASSERT_EQ(S_OK, graph->RenderFile(u"tone.mp3", nullptr));
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    auto* audio = Query<IBasicAudio>(graph, IID_IBasicAudio);
    auto* seeking = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
    auto* filter = Query<IMediaFilter>(graph, IID_IMediaFilter);
    if (!c.clock) {
        ASSERT_EQ(S_OK, filter->SetSyncSource(nullptr));
    }
    ASSERT_EQ(S_OK, audio->put_Volume(c.volume));
    ASSERT_EQ(S_OK, audio->put_Balance(c.balance));
    KnobAudioCaptureStart();
    const DWORD started = timeGetTime();
    ASSERT_EQ(S_OK, control->Run());
    DWORD pausedMs = 0;
    std::vector<int16_t> heard;
    if (c.pause || c.seekBack) {
        ASSERT_TRUE(KnobAudioWaitPasses(20));
        if (c.pause) {
            ASSERT_EQ(S_OK, control->Pause());
            heard = KnobAudioCaptured();
            KnobAudioCaptureClear();
            ASSERT_TRUE(KnobAudioWaitPasses(20));
            EXPECT_TRUE(Sounding(KnobAudioCaptured()).empty()) << "heard while paused";
            pausedMs = 200;
            ASSERT_EQ(S_OK, control->Run());
        } else {
            LONGLONG zero = 0;
            ASSERT_EQ(S_OK, seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr,
                                                  AM_SEEKING_NoPositioning));
        }
    }
    LONG code = 0;
    ASSERT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    const DWORD tookMs = timeGetTime() - started;
    const std::vector<int16_t> rest = KnobAudioCaptured();
    heard.insert(heard.end(), rest.begin(), rest.end());
    KnobAudioCaptureStop();

    // Copied at step 1 and full volume, the decoder's samples come out as they
    // are. Compared without silent frames: a loaded machine may let the
    // virtual clock pass a busy decoder, and the device then plays silence.
    std::vector<int16_t> played = decoded;
    for (size_t i = 0; c.balance == 10000 && i < played.size(); i += 2) played[i] = 0;
    const std::vector<int16_t> sounding = Sounding(heard), expected = Sounding(played);
    if (c.volume == -10000) {
        EXPECT_TRUE(sounding.empty());
    } else if (c.seekBack) {  // the whole stream again after what was heard before the seek
        ASSERT_GE(sounding.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                               sounding.end() - ptrdiff_t(expected.size())));
    } else {
        EXPECT_EQ(expected, sounding);
    }
    // Played at the device's pace: complete no sooner than the sound lasts.
    if (!c.seekBack) {
        EXPECT_GE(tookMs, lengthMs + pausedMs);
    }
    EXPECT_EQ(S_OK, control->Stop());
    for (IUnknown* u : std::initializer_list<IUnknown*>{control, events, audio, seeking, filter})
        u->Release();
    graph->Release();
    const KnobAudioCounts live = KnobAudioLive();
    EXPECT_EQ(0, live.objects + live.buffers);
}

INSTANTIATE_TEST_SUITE_P(Graphs, AudioRendererThreads,
                         ::testing::Values(SoundCase{"DefaultClock", true, 0, 0, false, false},
                                           SoundCase{"NoClock", false, 0, 0, false, false},
                                           SoundCase{"Silenced", true, -10000, 0, false, false},
                                           SoundCase{"BalanceFullRight", true, 0, 10000, false,
                                                     false},
                                           SoundCase{"PausedInTheMiddle", true, 0, 0, true, false},
                                           SoundCase{"SeekBackToStart", true, 0, 0, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioRendererThreads, NoDeviceFailsRunWithItsErrorThenRuns) {
    mediafixtures::Mp3 mp3 = mediafixtures::EncodeMp3(
        mediafixtures::Tone(4410, 1, 44100, 440.0, 8000.0), 1, 44100, 64, false);
    testsupport::WriteFile("tone.mp3", mp3.bytes);
    IGraphBuilder* graph = NewGraph();
    ASSERT_EQ(S_OK, graph->RenderFile(u"tone.mp3", nullptr));
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    KnobAudioRefuse("DirectSoundInitialize", 1);
    KnobDshowTrace(true);
    EXPECT_EQ(DSERR_NODRIVER, control->Run());
    std::vector<std::string> trace = KnobDshowTakeTrace();
    EXPECT_NE(trace.end(), std::find(trace.begin(), trace.end(),
                                     "Audio Renderer: no sound device -> 0x88780078"));
    OAFilterState state = -1;
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);
    ASSERT_EQ(S_OK, control->Run());
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    control->Release();
    events->Release();
    graph->Release();
}

}  // namespace
