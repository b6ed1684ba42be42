// Run, Pause, SetPositions and Stop over and over while streams flow (one
// of them heard through the audio renderer): no hang, nothing left alive,
// every streaming thread and the mixer's gone.
#include "graph_helpers.h"
#include "support/media_fixtures.h"
#include "support/test_support.h"

namespace {

using namespace dshowtest;

class StateChangeThreads : public GraphTest {};

TEST_F(StateChangeThreads, LoopedStateChangesLeaveNothingBehind) {
    const int threads = testsupport::QuietThreadCount();
    std::string frames;
    for (int k = 0; k < 20; ++k) frames += std::string(16, char('A' + k));
    testsupport::WriteFile("clip.raw", mediafixtures::RawVideo(2, 2, 0, 32, 25, 1, 20, 16, frames));
    mediafixtures::Mp3 mp3 = mediafixtures::EncodeMp3(
        mediafixtures::Tone(44100, 2, 44100, 440.0, 8000.0), 2, 44100, 128, false);
    testsupport::WriteFile("tone.mp3", mp3.bytes);
    IGraphBuilder* graph = NewGraph();
    auto* video = new TestRenderer(MEDIATYPE_Video, GUID_NULL);
    graph->AddFilter(video, u"Video");
    ASSERT_EQ(S_OK, graph->RenderFile(u"clip.raw", nullptr));
    ASSERT_EQ(S_OK, graph->RenderFile(u"tone.mp3", nullptr));
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* seeking = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
    // A few seconds of (virtual) time through every kind of change.
    for (int i = 0; i < 60; ++i) {
        LONGLONG to = (i * 130000LL) % 7000000;
        switch (i % 4) {
            case 0:
                EXPECT_EQ(S_OK, control->Run());
                break;
            case 1:
                EXPECT_EQ(S_OK, control->Pause());
                break;
            case 2:
                EXPECT_EQ(S_OK, seeking->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr,
                                                      AM_SEEKING_NoPositioning));
                EXPECT_EQ(S_OK, control->Run());
                break;
            case 3:
                EXPECT_EQ(S_OK, control->Stop());
                break;
        }
        Sleep(DWORD(17 + i % 50));
    }
    EXPECT_EQ(S_OK, control->Stop());
    EXPECT_GT(KnobDshowRenderedSamples("Video"), 0);
    EXPECT_GT(KnobDshowRenderedSamples("Audio Renderer"), 0);
    control->Release();
    seeking->Release();
    graph->Release();
    video->Release();
    const KnobAudioCounts live = KnobAudioLive();
    EXPECT_EQ(0, live.objects + live.buffers);
    EXPECT_EQ(threads, testsupport::SettledThreadCount(threads));
}

}  // namespace
