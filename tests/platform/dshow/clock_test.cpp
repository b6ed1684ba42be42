// Renderers and the reference clock (virtual): samples render at their time
// on the graph's clock, at once without one, on a test's own clock when set,
// and Stop releases a waiting renderer at once.
#include "graph_helpers.h"
#include "support/media_fixtures.h"
#include "support/test_support.h"

namespace {

using namespace dshowtest;

// Runs the clock at half the speed of the layer's clock.
class HalfSpeedClock : public IReferenceClock {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IReferenceClock) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* t) override {
        *t = REFERENCE_TIME(timeGetTime()) * 10000 / 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT,
                                         DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE,
                                             DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }
    std::atomic<long> refs{1};
};

class ClockThreads : public GraphTest {
  protected:
    // Frames every 10^7 x den / num; the graph rendered into a test renderer.
    void build(uint32_t num, uint32_t den, uint32_t count) {
        std::string frames;
        for (uint32_t k = 0; k < count; ++k) frames += std::string(16, char('A' + k));
        testsupport::WriteFile("clip.raw",
                               mediafixtures::RawVideo(2, 2, 0, 32, num, den, count, 16, frames));
        graph_ = NewGraph();
        renderer_ = new TestRenderer(MEDIATYPE_Video, GUID_NULL);
        graph_->AddFilter(renderer_, u"Test Renderer");
        ASSERT_EQ(S_OK, graph_->RenderFile(u"clip.raw", nullptr));
        control_ = Query<IMediaControl>(graph_, IID_IMediaControl);
        filter_ = Query<IMediaFilter>(graph_, IID_IMediaFilter);
    }
    long rendered() { return KnobDshowRenderedSamples("Test Renderer"); }
    // Paused with the first frame held, then running: stream time 0 is
    // the returned clock value.
    DWORD start() {
        EXPECT_EQ(S_OK, control_->Pause());
        OAFilterState state;
        EXPECT_EQ(S_OK, control_->GetState(-1, &state));
        EXPECT_EQ(State_Paused, state);
        EXPECT_EQ(0, rendered());
        DWORD now = timeGetTime();
        EXPECT_EQ(S_OK, control_->Run());
        return now;
    }
    void TearDown() override {
        control_->Stop();
        control_->Release();
        filter_->Release();
        graph_->Release();
        renderer_->Release();
        GraphTest::TearDown();
    }
    IGraphBuilder* graph_ = nullptr;
    TestRenderer* renderer_ = nullptr;
    IMediaControl* control_ = nullptr;
    IMediaFilter* filter_ = nullptr;
};

// The (virtual) times at which the frames were rendered, from Run on.
std::vector<DWORD> renderTimes(TestRenderer* renderer, DWORD run) {
    std::vector<DWORD> out;
    for (const Frame& f : renderer->Frames()) out.push_back(f.renderedAt - run);
    return out;
}

TEST_F(ClockThreads, SampleAt500MsRendersAtExactly500Ms) {
    build(2, 1, 3);  // frames stamped 0, 500, 1000 ms
    DWORD run = start();
    // Render times rather than sleeps: a sleep's deadline could let the
    // clock pass a streaming thread that a signal has just woken.
    auto* events = Query<IMediaEvent>(graph_, IID_IMediaEvent);
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    events->Release();
    EXPECT_EQ((std::vector<DWORD>{0, 500, 1000}), renderTimes(renderer_, run));
}

TEST_F(ClockThreads, TestsOwnClockIsObeyed) {
    build(2, 1, 3);
    HalfSpeedClock clock;
    ASSERT_EQ(S_OK, filter_->SetSyncSource(&clock));
    DWORD run = start();
    auto* events = Query<IMediaEvent>(graph_, IID_IMediaEvent);
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    events->Release();
    EXPECT_EQ((std::vector<DWORD>{0, 1000, 2000}), renderTimes(renderer_, run));
    control_->Stop();
    filter_->SetSyncSource(nullptr);
}

TEST_F(ClockThreads, WithoutClockEverythingRendersAtOnce) {
    build(1, 10, 3);  // frames 10 s apart
    ASSERT_EQ(S_OK, filter_->SetSyncSource(nullptr));
    DWORD start = timeGetTime();
    ASSERT_EQ(S_OK, control_->Run());
    auto* events = Query<IMediaEvent>(graph_, IID_IMediaEvent);
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(3, rendered());
    EXPECT_LT(timeGetTime() - start, 5u);
    events->Release();
}

TEST_F(ClockThreads, StopWhileRendererWaitsReturnsAtOnce) {
    build(1, 10, 2);
    start();
    // Frame 0 renders at once, then the renderer waits 10 s for frame 1.
    // (Virtual milliseconds: a wait with no deadline could let the clock
    // jump to the renderer's before this thread is back.)
    ASSERT_TRUE(testsupport::WaitUntil([&] { return rendered() != 0; }, testsupport::kWaitLimit,
                                       "frame 0 rendered"));
    EXPECT_EQ(1, rendered());
    DWORD before = timeGetTime();
    EXPECT_EQ(S_OK, control_->Stop());
    EXPECT_EQ(before, timeGetTime());
    EXPECT_EQ(1, rendered());
}

}  // namespace
