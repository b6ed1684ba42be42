// MP3 files through the graph: the decoder gives what MpegAudioFeed decodes
// from the same frames, in the file's rate and channels; hostile files end
// with the documented results.
#include "graph_helpers.h"
#include "support/media_fixtures.h"
#include "support/test_support.h"

namespace {

using namespace dshowtest;

struct Mp3Case {
    const char* name;
    int channels, rate, kbps;
    bool tags;     // ID3v2 in front, ID3v1 behind
    int cutBytes;  // bytes cut off the end (inside the last frame)
};

class Mp3GraphThreads : public GraphTest, public ::testing::WithParamInterface<Mp3Case> {};

TEST_P(Mp3GraphThreads, GivesTheCompressionManagersPcm) {
    const Mp3Case& c = GetParam();
    mediafixtures::Mp3 mp3 =
        mediafixtures::EncodeMp3(mediafixtures::Tone(c.rate / 2, c.channels, c.rate, 440.0, 8000.0),
                                 c.channels, c.rate, c.kbps, false);
    std::string id3v2 =
        c.tags ? std::string("ID3\x03\x00\x00\x00\x00\x00\x14", 10) + std::string(20, '\0') : "";
    std::string file = id3v2 + mp3.bytes + (c.tags ? "TAG" + std::string(125, 'x') : "");
    file.resize(file.size() - size_t(c.cutBytes));
    testsupport::WriteFile("tone.mp3", file);

    IGraphBuilder* graph = NewGraph();
    auto* renderer = new TestRenderer(MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
    ASSERT_EQ(S_OK, graph->AddFilter(renderer, u"Test Renderer"));
    ASSERT_EQ(S_OK, graph->RenderFile(u"tone.mp3", nullptr));
    auto* filter = Query<IMediaFilter>(graph, IID_IMediaFilter);
    ASSERT_EQ(S_OK, filter->SetSyncSource(nullptr));
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    auto* audio = Query<IBasicAudio>(graph, IID_IBasicAudio);  // no audio renderer to reach
    LONG level = 0;
    EXPECT_EQ(E_NOTIMPL, audio->put_Volume(-100));
    EXPECT_EQ(E_NOTIMPL, audio->get_Balance(&level));
    audio->Release();
    ASSERT_EQ(S_OK, control->Run());
    LONG code = 0;
    ASSERT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);

    AM_MEDIA_TYPE mt;
    IPin* in = PinOf(renderer, PINDIR_INPUT);
    ASSERT_EQ(S_OK, in->ConnectionMediaType(&mt));
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    EXPECT_EQ(c.channels, wave->nChannels);
    EXPECT_EQ(DWORD(c.rate), wave->nSamplesPerSec);
    EXPECT_EQ(16, wave->wBitsPerSample);
    D_FreeMediaType(mt);
    in->Release();

    std::string pcm = renderer->Bytes();
    EXPECT_EQ(decodeDirect(file, id3v2.size()), pcm);
    int wholeFrames = c.cutBytes ? mp3.frames - 1 : mp3.frames;
    EXPECT_EQ(size_t(wholeFrames) * size_t(mp3.samplesPerFrame) * size_t(c.channels) * 2,
              pcm.size());

    control->Stop();
    control->Release();
    events->Release();
    filter->Release();
    graph->Release();
    renderer->Release();
}

INSTANTIATE_TEST_SUITE_P(Files, Mp3GraphThreads,
                         ::testing::Values(Mp3Case{"Mpeg1Stereo44100", 2, 44100, 128, false, 0},
                                           Mp3Case{"Mpeg2Mono22050", 1, 22050, 32, false, 0},
                                           Mp3Case{"Id3v2AndId3v1Tags", 2, 44100, 128, true, 0},
                                           Mp3Case{"CutInsideAFrame", 2, 44100, 128, false, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

class Mp3Hostile : public GraphTest {};

TEST_F(Mp3Hostile, GarbageAndMissingFilesFailRenderFile) {
    testsupport::WriteFile("junk.mp3", std::string(4096, '\x55'));
    IGraphBuilder* graph = NewGraph();
    EXPECT_EQ(VFW_E_UNSUPPORTED_STREAM, graph->RenderFile(u"junk.mp3", nullptr));
    EXPECT_EQ(VFW_E_NOT_FOUND, graph->RenderFile(u"absent.mp3", nullptr));
    EXPECT_TRUE(FilterNames(graph).empty());
    graph->Release();
}

TEST_F(Mp3GraphThreads, ErrorKnobEndsWithErrorAbort) {
    mediafixtures::Mp3 mp3 = mediafixtures::EncodeMp3(
        mediafixtures::Tone(44100, 2, 44100, 440.0, 8000.0), 2, 44100, 128, false);
    testsupport::WriteFile("tone.mp3", mp3.bytes);
    KnobDshowAbortAfter("MP3 Decoder", 3);
    IGraphBuilder* graph = NewGraph();
    auto* renderer = new TestRenderer(MEDIATYPE_Audio, GUID_NULL);
    graph->AddFilter(renderer, u"Test Renderer");
    ASSERT_EQ(S_OK, graph->RenderFile(u"tone.mp3", nullptr));
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    ASSERT_EQ(S_OK, control->Run());
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_ERRORABORT, code);
    EXPECT_LE(renderer->Frames().size(), 3u);
    control->Stop();
    control->Release();
    events->Release();
    graph->Release();
    renderer->Release();
}

}  // namespace
