// The base classes on a hand-driven stream: test source -> in-place filter ->
// copying transform -> null renderer, delivered from the test's own thread.
#include <algorithm>
#include <cstring>

#include "graph_helpers.h"

namespace {

using namespace dshowtest;

D_CMediaType pcmType() {
    D_CMediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    return mt;
}

HRESULT twoBuffers(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    request->cBuffers = 2;
    request->cbBuffer = 16;
    request->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual;
    return alloc->SetProperties(request, &actual);
}

class SourcePin : public D_CBaseOutputPin {
  public:
    SourcePin(D_CBaseFilter* f, D_CCritSec* lock)
        : D_CBaseOutputPin("Source pin", f, lock, nullptr, u"Out") {}
    HRESULT CheckMediaType(const D_CMediaType* mt) override {
        return mt->majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, D_CMediaType* mt) override {
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *mt = pcmType();
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* r) override {
        return twoBuffers(a, r);
    }
};

class TestSource : public D_CBaseFilter {
  public:
    TestSource() : D_CBaseFilter("Test source", nullptr, &lock_, GUID_NULL), pin_(this, &lock_) {
        NonDelegatingAddRef();
    }
    int GetPinCount() override { return 1; }
    D_CBasePin* GetPin(int n) override { return n == 0 ? &pin_ : nullptr; }
    D_CCritSec lock_;
    SourcePin pin_;
};

// Records the buffers it sees and writes a mark into each sample.
class Marker : public D_CTransInPlaceFilter {
  public:
    Marker() : D_CTransInPlaceFilter("Marker", nullptr, GUID_NULL, nullptr) {
        NonDelegatingAddRef();
    }
    HRESULT CheckInputType(const D_CMediaType*) override { return S_OK; }
    HRESULT Transform(IMediaSample* s) override {
        BYTE* p = nullptr;
        s->GetPointer(&p);
        seen.push_back(p);
        p[1] = 'm';
        return S_OK;
    }
    std::vector<BYTE*> seen;
};

class Copier : public D_CTransformFilter {
  public:
    Copier() : D_CTransformFilter("Copier", nullptr, GUID_NULL) { NonDelegatingAddRef(); }
    HRESULT CheckInputType(const D_CMediaType*) override { return S_OK; }
    HRESULT CheckTransform(const D_CMediaType*, const D_CMediaType*) override { return S_OK; }
    HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* r) override {
        return twoBuffers(a, r);
    }
    HRESULT GetMediaType(int position, D_CMediaType* mt) override {
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *mt = pcmType();
        return S_OK;
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        BYTE *a = nullptr, *b = nullptr;
        in->GetPointer(&a);
        out->GetPointer(&b);
        std::memcpy(b, a, 16);
        out->SetActualDataLength(16);
        inputs.push_back(a);
        outputs.push_back(b);
        marks.push_back(std::string(reinterpret_cast<char*>(a), 2));
        return S_OK;
    }
    std::vector<BYTE*> inputs, outputs;
    std::vector<std::string> marks;
};

class BaseClasses : public GraphTest {};

TEST_F(BaseClasses, SamplesFlowInOrderFlushDropsAndEndOfStreamCompletes) {
    IGraphBuilder* graph = NewGraph();
    auto* source = new TestSource;
    auto* marker = new Marker;
    auto* copier = new Copier;
    IBaseFilter* null = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, reinterpret_cast<void**>(&null)));
    IBaseFilter* chain[] = {source, marker, copier, null};
    const char16_t* names[] = {u"Source", u"Marker", u"Copier", u"Null"};
    for (int i = 0; i < 4; ++i) ASSERT_EQ(S_OK, graph->AddFilter(chain[i], names[i]));
    for (int i = 0; i < 3; ++i) {
        IPin* out = PinOf(chain[i], PINDIR_OUTPUT);
        IPin* in = PinOf(chain[i + 1], PINDIR_INPUT);
        ASSERT_EQ(S_OK, graph->ConnectDirect(out, in, nullptr)) << i;
        EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph->ConnectDirect(out, in, nullptr));
        out->Release();
        in->Release();
    }
    auto* filter = Query<IMediaFilter>(graph, IID_IMediaFilter);
    filter->SetSyncSource(nullptr);
    auto* control = Query<IMediaControl>(graph, IID_IMediaControl);
    auto* events = Query<IMediaEvent>(graph, IID_IMediaEvent);
    ASSERT_EQ(S_OK, control->Run());

    std::vector<BYTE*> sent;
    auto deliver = [&](char n) {
        IMediaSample* s = nullptr;
        EXPECT_EQ(S_OK, source->pin_.GetDeliveryBuffer(&s, nullptr, nullptr, 0));
        BYTE* p = nullptr;
        s->GetPointer(&p);
        std::memset(p, n, 16);
        s->SetActualDataLength(16);
        sent.push_back(p);
        HRESULT hr = source->pin_.Deliver(s);
        s->Release();
        return hr;
    };
    for (char n = '0'; n < '4'; ++n) EXPECT_EQ(S_OK, deliver(n));
    // In place: the very buffers the source filled; the copy: other buffers.
    EXPECT_EQ(sent, marker->seen);
    EXPECT_EQ(sent, copier->inputs);
    for (BYTE* out : copier->outputs)
        EXPECT_EQ(sent.end(), std::find(sent.begin(), sent.end(), out));
    EXPECT_EQ((std::vector<std::string>{"0m", "1m", "2m", "3m"}), copier->marks);
    EXPECT_EQ(4, KnobDshowRenderedSamples("Null"));

    source->pin_.DeliverBeginFlush();
    EXPECT_EQ(S_FALSE, deliver('x'));
    source->pin_.DeliverEndFlush();
    EXPECT_EQ(S_OK, deliver('5'));
    EXPECT_EQ(5, KnobDshowRenderedSamples("Null"));

    source->pin_.DeliverEndOfStream();
    LONG code = 0;
    EXPECT_EQ(S_OK, WaitForEnd(events, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(VFW_E_SAMPLE_REJECTED_EOS, deliver('6'));

    control->Stop();
    IMediaSample* late = nullptr;
    EXPECT_EQ(VFW_E_NOT_COMMITTED, source->pin_.GetDeliveryBuffer(&late, nullptr, nullptr, 0));
    for (IUnknown* u : std::initializer_list<IUnknown*>{control, events, filter, graph, null})
        u->Release();
    source->Release();
    marker->Release();
    copier->Release();
}

}  // namespace
