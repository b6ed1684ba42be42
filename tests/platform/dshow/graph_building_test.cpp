// Building graphs: Render through the graph's own filters first, a failing
// Render leaving the graph as it was, the MP3 conversion's renderer swap,
// COM identity and aggregation, the hidden module, and the held file.
#include <algorithm>
#include <set>

#include "graph_helpers.h"
#include "support/media_fixtures.h"
#include "support/test_support.h"

namespace {

using namespace dshowtest;

// Takes Audio/PCM in and gives it on unchanged.
class PcmFilter : public D_CTransInPlaceFilter {
  public:
    PcmFilter() : D_CTransInPlaceFilter("PCM filter", nullptr, GUID_NULL, nullptr) {
        NonDelegatingAddRef();
    }
    HRESULT CheckInputType(const D_CMediaType* mt) override {
        return mt->majortype == MEDIATYPE_Audio && mt->subtype == MEDIASUBTYPE_PCM
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT Transform(IMediaSample*) override { return S_OK; }
};

class GraphBuilding : public GraphTest {
  protected:
    void SetUp() override {
        GraphTest::SetUp();
        mediafixtures::Mp3 mp3 = mediafixtures::EncodeMp3(
            mediafixtures::Tone(22050, 2, 44100, 440.0, 8000.0), 2, 44100, 128, false);
        testsupport::WriteFile("tone.mp3", mp3.bytes);
        graph_ = NewGraph();
        pcm_ = new PcmFilter;
        ASSERT_EQ(S_OK, graph_->AddFilter(pcm_, u"PCM Filter"));
        ASSERT_EQ(S_OK, graph_->AddSourceFilter(u"tone.mp3", u"Source", &source_));
        out_ = PinOf(source_, PINDIR_OUTPUT);
    }
    void TearDown() override {
        out_->Release();
        source_->Release();
        graph_->Release();
        pcm_->Release();
        GraphTest::TearDown();
    }
    std::set<std::string> names() {
        std::vector<std::string> v = FilterNames(graph_);
        return {v.begin(), v.end()};
    }
    IGraphBuilder* graph_ = nullptr;
    PcmFilter* pcm_ = nullptr;
    IBaseFilter* source_ = nullptr;
    IPin* out_ = nullptr;
};

TEST_F(GraphBuilding, RenderGoesThroughTheGraphsOwnFilterFirst) {
    KnobDshowTrace(true);
    ASSERT_EQ(S_OK, graph_->Render(out_));
    EXPECT_EQ((std::set<std::string>{"Source", "MP3 Decoder", "PCM Filter", "Audio Renderer"}),
              names());
    std::vector<std::string> trace = KnobDshowTakeTrace();
    auto has = [&](const std::string& line) {
        return std::find(trace.begin(), trace.end(), line) != trace.end();
    };
    EXPECT_TRUE(has("Connect Source.Output -> MP3 Decoder.Input -> 0x00000000"));
    EXPECT_TRUE(has("Connect MP3 Decoder.Audio -> PCM Filter.XForm In -> 0x00000000"));
    EXPECT_TRUE(has("Connect PCM Filter.XForm Out -> Audio Renderer.In -> 0x00000000"));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph_->Render(out_));
}

TEST_F(GraphBuilding, FailingRenderLeavesTheGraphAsItWas) {
    KnobDshowHideFilter("Audio Renderer", true);
    EXPECT_EQ(VFW_E_CANNOT_RENDER, graph_->Render(out_));
    EXPECT_EQ((std::set<std::string>{"Source", "PCM Filter"}), names());
    IPin* other = nullptr;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out_->ConnectedTo(&other));
    IPin* in = PinOf(pcm_, PINDIR_INPUT);
    EXPECT_EQ(VFW_E_NOT_CONNECTED, in->ConnectedTo(&other));
    EXPECT_EQ(E_POINTER, graph_->Render(nullptr));
    EXPECT_EQ(VFW_E_INVALID_DIRECTION, graph_->Render(in));
    in->Release();
}

class GraphBuildingThreads : public GraphBuilding {};

TEST_F(GraphBuildingThreads, SwappedRendererRunsToCompletion) {
    ASSERT_EQ(S_OK, graph_->Render(out_));
    auto* control = Query<IMediaControl>(graph_, IID_IMediaControl);
    auto* audio = Query<IBasicAudio>(graph_, IID_IBasicAudio);
    EXPECT_EQ(S_OK, audio->put_Volume(-10000));
    LONG volume = 0;
    EXPECT_EQ(S_OK, audio->get_Volume(&volume));
    EXPECT_EQ(-10000, volume);

    IBaseFilter* old = nullptr;
    ASSERT_EQ(S_OK, graph_->FindFilterByName(u"Audio Renderer", &old));
    IPin* oldIn = PinOf(old, PINDIR_INPUT);
    IPin* upstream = nullptr;
    ASSERT_EQ(S_OK, oldIn->ConnectedTo(&upstream));
    EXPECT_EQ(S_OK, graph_->Disconnect(upstream));
    EXPECT_EQ(S_OK, graph_->Disconnect(oldIn));
    IBaseFilter* null = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, reinterpret_cast<void**>(&null)));
    ASSERT_EQ(S_OK, graph_->AddFilter(null, u"File Renderer"));
    IPin* nullIn = PinOf(null, PINDIR_INPUT);
    ASSERT_EQ(S_OK, graph_->Connect(upstream, nullIn));
    auto* filter = Query<IMediaFilter>(graph_, IID_IMediaFilter);
    ASSERT_EQ(S_OK, filter->SetSyncSource(nullptr));
    auto* events = Query<IMediaEvent>(graph_, IID_IMediaEvent);
    ASSERT_EQ(S_OK, control->Run());
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(5u, names().size());  // the old renderer is still there
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 0));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(E_ABORT, events->GetEvent(&code, &p1, &p2, 0));
    control->Stop();
    for (IUnknown* u : std::initializer_list<IUnknown*>{control, audio, old, oldIn, upstream, null,
                                                        nullIn, filter, events})
        u->Release();
}

class DshowCom : public GraphTest {};

// An outer object that aggregates one inner object.
struct Outer : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    IUnknown* inner = nullptr;
    long refs = 1;
};

TEST_F(DshowCom, IdentityAggregationAndTheHiddenModule) {
    IGraphBuilder* graph = NewGraph();
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    IUnknown* a = Query<IUnknown>(graph, IID_IUnknown);
    IUnknown* b = Query<IUnknown>(control, IID_IUnknown);
    EXPECT_EQ(a, b);
    EXPECT_EQ(nullptr, Query<IPin>(graph, IID_IPin));
    a->Release(), b->Release(), control->Release(), graph->Release();

    Outer outer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, &outer, CLSCTX_INPROC_SERVER,
                                     IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    auto* alloc = Query<IMemAllocator>(outer.inner, IID_IMemAllocator);
    ASSERT_NE(nullptr, alloc);
    EXPECT_EQ(2, outer.refs);  // the inner object's interface counts on the outer one
    EXPECT_EQ(&outer, Query<IUnknown>(alloc, IID_IUnknown));
    outer.Release();
    alloc->Release();
    EXPECT_EQ(1, outer.refs);
    outer.inner->Release();

    KnobHideModule("quartz.dll", true);
    void* object = nullptr;
    for (const CLSID* clsid : {&CLSID_FilterGraph, &CLSID_NullRenderer})
        EXPECT_EQ(REGDB_E_CLASSNOTREG,
                  CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    KnobHideModule("quartz.dll", false);
}

TEST_F(DshowCom, GraphHoldsItsFileAgainstDeletion) {
    testsupport::WriteFile(
        "clip.raw", mediafixtures::RawVideo(2, 2, 0, 32, 25, 1, 1, 16, std::string(16, 'A')));
    IGraphBuilder* graph = NewGraph();
    auto* renderer = new TestRenderer(MEDIATYPE_Video, GUID_NULL);
    graph->AddFilter(renderer, u"Test Renderer");
    ASSERT_EQ(S_OK, graph->RenderFile(u"CLIP.RAW", nullptr));
    EXPECT_FALSE(DeleteFileW(u"clip.raw"));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    graph->Release();
    renderer->Release();
    EXPECT_TRUE(DeleteFileW(u"clip.raw"));
}

}  // namespace
