// A graph of two streams, MP3 sound and raw video, each into its own test
// renderer: a seek while running reaches both, and both end again.
#include "graph_helpers.h"
#include "support/media_fixtures.h"
#include "support/test_support.h"

namespace {

using namespace dshowtest;
using TwoRendererThreads = GraphTest;

TEST_F(TwoRendererThreads, ASeekWhileRunningReachesEveryRenderer) {
    // Half a second of sound, ten video frames at 25 a second.
    const std::vector<int16_t> tone = mediafixtures::Tone(22050, 1, 44100, 440, 8000);
    testsupport::WriteFile("sound.mp3", mediafixtures::EncodeMp3(tone, 1, 44100, 64, false).bytes);
    testsupport::WriteFile(
        "clip.raw", mediafixtures::RawVideo(2, 2, 0, 32, 25, 1, 10, 16, std::string(160, 'V')));
    IGraphBuilder* graph = NewGraph();
    auto* audio = new TestRenderer(MEDIATYPE_Audio, GUID_NULL);
    auto* video = new TestRenderer(MEDIATYPE_Video, GUID_NULL);
    graph->AddFilter(audio, u"Audio Test Renderer");
    graph->AddFilter(video, u"Video Test Renderer");
    ASSERT_EQ(S_OK, graph->RenderFile(u"sound.mp3", nullptr));
    ASSERT_EQ(S_OK, graph->RenderFile(u"clip.raw", nullptr));
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    auto* seeking = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
    ASSERT_EQ(S_OK, control->Run());
    LONG code = 0;
    ASSERT_EQ(S_OK, WaitForEnd(events, &code));
    const size_t sound = audio->Frames().size(), pictures = video->Frames().size();
    ASSERT_GT(sound, 0u);
    ASSERT_EQ(pictures, 10u);
    LONGLONG to = 0;
    ASSERT_EQ(S_OK, seeking->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning));
    ASSERT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(audio->Frames().size(), 2 * sound) << "the sound played again";
    EXPECT_EQ(video->Frames().size(), 2 * pictures) << "the video played again";
    control->Stop();
    for (IUnknown* u : std::initializer_list<IUnknown*>{control, events, seeking, graph})
        u->Release();
    audio->Release();
    video->Release();
}

}  // namespace
