// The raw test video through the splitter: every frame's bytes and times in
// each layout, duration, seeking while running, refused headers, and the
// picture a paused video renderer shows.
#include "graph_helpers.h"
#include "support/media_fixtures.h"
#include "support/test_support.h"

namespace {

using namespace dshowtest;

// Frame k is frameBytes bytes of value 'A' + k.
std::string frames(int count, uint32_t frameBytes) {
    std::string out;
    for (int k = 0; k < count; ++k) out += std::string(frameBytes, char('A' + k));
    return out;
}

struct Layout {
    const char* name;
    int32_t width, height;
    uint32_t fourcc, bits, frameBytes;  // bytes by hand: rows padded to 4 for RGB
    const GUID* subtype;
};

class VideoGraphThreads : public GraphTest, public ::testing::WithParamInterface<Layout> {
  protected:
    // A graph of the file into a test renderer; false when RenderFile failed.
    bool build(const std::string& file, HRESULT expect = S_OK) {
        testsupport::WriteFile("clip.raw", file);
        graph_ = NewGraph();
        renderer_ = new TestRenderer(MEDIATYPE_Video, GUID_NULL);
        graph_->AddFilter(renderer_, u"Test Renderer");
        HRESULT hr = graph_->RenderFile(u"clip.raw", nullptr);
        EXPECT_EQ(expect, hr);
        control_ = Query<IMediaControl>(graph_, IID_IMediaControl);
        events_ = Query<IMediaEvent>(graph_, IID_IMediaEvent);
        seeking_ = Query<IMediaSeeking>(graph_, IID_IMediaSeeking);
        return SUCCEEDED(hr);
    }
    LONG runToEnd() {
        EXPECT_EQ(S_OK, control_->Run());
        LONG code = 0;
        EXPECT_EQ(S_OK, WaitForEnd(events_, &code));
        return code;
    }
    void TearDown() override {
        if (control_) control_->Stop();
        for (IUnknown* u : std::initializer_list<IUnknown*>{control_, events_, seeking_, graph_})
            if (u) u->Release();
        if (renderer_) renderer_->Release();
        GraphTest::TearDown();
    }
    IGraphBuilder* graph_ = nullptr;
    TestRenderer* renderer_ = nullptr;
    IMediaControl* control_ = nullptr;
    IMediaEvent* events_ = nullptr;
    IMediaSeeking* seeking_ = nullptr;
};

TEST_P(VideoGraphThreads, EveryFrameWithItsTime) {
    const Layout& l = GetParam();
    // 25 frames per second: frame k at k x 400000.
    ASSERT_TRUE(build(mediafixtures::RawVideo(l.width, l.height, l.fourcc, l.bits, 25, 1, 3,
                                              l.frameBytes, frames(3, l.frameBytes))));
    IPin* in = PinOf(renderer_, PINDIR_INPUT);
    AM_MEDIA_TYPE mt;
    ASSERT_EQ(S_OK, in->ConnectionMediaType(&mt));
    EXPECT_EQ(*l.subtype, mt.subtype);
    EXPECT_EQ(FORMAT_VideoInfo, mt.formattype);
    EXPECT_EQ(l.height, reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader.biHeight);
    D_FreeMediaType(mt);
    in->Release();
    LONGLONG duration = 0;
    EXPECT_EQ(S_OK, seeking_->GetDuration(&duration));
    EXPECT_EQ(1200000, duration);
    EXPECT_EQ(EC_COMPLETE, runToEnd());
    std::vector<Frame> got = renderer_->Frames();
    ASSERT_EQ(3u, got.size());
    const REFERENCE_TIME starts[] = {0, 400000, 800000};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(std::string(l.frameBytes, char('A' + k)), got[size_t(k)].bytes) << k;
        EXPECT_EQ(starts[k], got[size_t(k)].start);
        EXPECT_EQ(starts[k] + 400000, got[size_t(k)].stop);
    }
    LONGLONG position = 0, stop = 0;
    EXPECT_EQ(S_OK, seeking_->GetCurrentPosition(&position));
    EXPECT_EQ(S_OK, seeking_->GetStopPosition(&stop));
    EXPECT_EQ(stop, position);
    EXPECT_EQ(1200000, position);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, VideoGraphThreads,
    ::testing::Values(Layout{"Rgb24BottomUp", 3, 2, 0, 24, 24, &MEDIASUBTYPE_RGB24},
                      Layout{"Rgb32TopDown", 2, -2, 0, 32, 16, &MEDIASUBTYPE_RGB32},
                      Layout{"Yuy2", 2, 2, 0x32595559, 16, 8, &MEDIASUBTYPE_YUY2},
                      Layout{"Uyvy", 2, 2, 0x59565955, 16, 8, &MEDIASUBTYPE_UYVY},
                      Layout{"Yvyu", 2, 2, 0x55595659, 16, 8, &MEDIASUBTYPE_YVYU},
                      Layout{"Yv12", 2, 2, 0x32315659, 12, 6, &MEDIASUBTYPE_YV12},
                      Layout{"Nv12", 2, 2, 0x3231564E, 12, 6, &MEDIASUBTYPE_NV12},
                      Layout{"Nv11", 4, 1, 0x3131564E, 12, 6, &MEDIASUBTYPE_NV11}),
    [](const auto& info) { return std::string(info.param.name); });

struct Header {
    const char* name;
    int32_t width, height;
    uint32_t bits, num, den, count, frameBytes, framesPresent;
    int framesPlayed;  // -1: refused
};

class RawVideoHeaderThreads : public VideoGraphThreads {};

TEST_F(RawVideoHeaderThreads, RefusedOrCutToTheWholeFrames) {
    const Header cases[] = {
        {"zero rate", 2, 2, 32, 0, 1, 2, 16, 2, -1},
        {"zero denominator", 2, 2, 32, 25, 0, 2, 16, 2, -1},
        {"overflowing size", 65536, 65536, 32, 25, 1, 1, 0, 0, -1},
        {"wrong frame size", 3, 2, 24, 25, 1, 2, 18, 2, -1},
        {"frames past the end", 2, 2, 32, 25, 1, 5, 16, 2, 2},
        {"no frames", 2, 2, 32, 25, 1, 0, 16, 0, 0},
    };
    for (const Header& h : cases) {
        SCOPED_TRACE(h.name);
        bool built =
            build(mediafixtures::RawVideo(h.width, h.height, 0, h.bits, h.num, h.den, h.count,
                                          h.frameBytes, frames(int(h.framesPresent), h.frameBytes)),
                  h.framesPlayed < 0 ? VFW_E_CANNOT_RENDER : S_OK);
        if (built) {
            LONGLONG duration = -1;
            seeking_->GetDuration(&duration);
            EXPECT_EQ(h.framesPlayed * 400000LL, duration);
            EXPECT_EQ(EC_COMPLETE, runToEnd());
            EXPECT_EQ(size_t(h.framesPlayed), renderer_->Frames().size());
        } else {
            EXPECT_EQ(std::vector<std::string>{"Test Renderer"}, FilterNames(graph_));
        }
        TearDown();
        control_ = nullptr, events_ = nullptr, seeking_ = nullptr, graph_ = nullptr;
        renderer_ = nullptr;
        GraphTest::SetUp();
    }
}

TEST_F(RawVideoHeaderThreads, Rgb565WithoutRendererIsRefusedAndReleased) {
    testsupport::WriteFile("clip.raw",
                           mediafixtures::RawVideo(2, 2, 0, 16, 25, 1, 1, 8, frames(1, 8)));
    graph_ = NewGraph();
    EXPECT_EQ(VFW_E_CANNOT_RENDER, graph_->RenderFile(u"clip.raw", nullptr));
    EXPECT_TRUE(FilterNames(graph_).empty());
    EXPECT_TRUE(DeleteFileW(u"clip.raw"));
}

TEST_F(RawVideoHeaderThreads, SeekWhileRunningDeliversThatFrameNext) {
    // 10 frames at 25 per second on the (virtual) system clock.
    ASSERT_TRUE(build(mediafixtures::RawVideo(2, 2, 0, 32, 25, 1, 10, 16, frames(10, 16))));
    ASSERT_EQ(S_OK, control_->Run());
    ASSERT_TRUE(testsupport::WaitUntil(
        [] { return KnobDshowRenderedSamples("Test Renderer") >= 2; }, testsupport::kWaitLimit,
        "two frames rendered", testsupport::PollStep::kYield));
    size_t before = renderer_->Frames().size();
    LONGLONG to = 6 * 400000;
    ASSERT_EQ(S_OK, seeking_->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr,
                                           AM_SEEKING_NoPositioning));
    LONG code = 0;
    ASSERT_EQ(S_OK, WaitForEnd(events_, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    std::vector<Frame> got = renderer_->Frames();
    ASSERT_EQ(before + 4, got.size());
    for (int k = 6; k < 10; ++k) {
        EXPECT_EQ(std::string(16, char('A' + k)), got[before + size_t(k - 6)].bytes);
        EXPECT_EQ((k - 6) * 400000LL, got[before + size_t(k - 6)].start);
    }
    LONGLONG position = 0;
    seeking_->GetCurrentPosition(&position);
    EXPECT_EQ(4000000, position);
}

using VideoRendererThreads = GraphTest;

TEST_F(VideoRendererThreads, PausedShowsItsHeldFrameOnce) {
    // Frames 'A', 'B', 'C' at 0, 100 and 200 ms.
    testsupport::WriteFile("clip.raw",
                           mediafixtures::RawVideo(2, 2, 0, 32, 10, 1, 3, 16, frames(3, 16)));
    IGraphBuilder* graph = NewGraph();
    auto* renderer = new TestVideoRenderer(MEDIATYPE_Video, GUID_NULL);
    graph->AddFilter(renderer, u"Test Renderer");
    ASSERT_EQ(S_OK, graph->RenderFile(u"clip.raw", nullptr));
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    ASSERT_EQ(S_OK, control->Pause());
    EXPECT_TRUE(testsupport::WaitUntil([&] { return !renderer->Frames().empty(); },
                                       testsupport::kWaitLimit, "the paused picture"));
    EXPECT_EQ(frames(1, 16), renderer->Bytes()) << "only the held frame while paused";
    // Running on, the frame already shown is not rendered again.
    ASSERT_EQ(S_OK, control->Run());
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(frames(3, 16), renderer->Bytes());
    control->Stop();
    events->Release();
    control->Release();
    graph->Release();
    renderer->Release();
}

}  // namespace
