// Helpers of the DirectShow tests: a recording renderer and small graph
// utilities.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "audio/mpeg_audio_feed.h"
#include "support/test_support.h"
#include "dshow_base_classes.h"
#include "test_knobs.h"
#include "windows.h"

namespace dshowtest {

// Waits for the end of the stream (its code in `code`), for at most
// kWaitLimit of real time. Not a timed wait: on the virtual clock that could
// be cut short while a streaming thread is busy elsewhere, and its deadline
// could let the clock pass a streaming thread a signal has just woken.
inline HRESULT WaitForEnd(IMediaEvent* events, LONG* code) {
    testsupport::Watchdog bound("the end of the stream");
    return events->WaitForCompletion(-1, code);
}

inline std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

template <class T>
T* Query(IUnknown* unknown, REFIID iid) {
    void* out = nullptr;
    return SUCCEEDED(unknown->QueryInterface(iid, &out)) ? static_cast<T*>(out) : nullptr;
}

// The first pin of a filter in a direction (referenced), or null.
inline IPin* PinOf(IBaseFilter* filter, PIN_DIRECTION want) {
    IEnumPins* e = nullptr;
    filter->EnumPins(&e);
    IPin* pin = nullptr;
    ULONG got = 0;
    while (e->Next(1, &pin, &got) == S_OK) {
        PIN_DIRECTION dir;
        pin->QueryDirection(&dir);
        if (dir == want) break;
        pin->Release();
        pin = nullptr;
    }
    e->Release();
    return pin;
}

// The names of the graph's filters, in the graph's order.
inline std::vector<std::string> FilterNames(IGraphBuilder* graph) {
    std::vector<std::string> names;
    IEnumFilters* e = nullptr;
    graph->EnumFilters(&e);
    IBaseFilter* f = nullptr;
    ULONG got = 0;
    while (e->Next(1, &f, &got) == S_OK) {
        FILTER_INFO info;
        f->QueryFilterInfo(&info);
        if (info.pGraph) info.pGraph->Release();
        std::u16string n(info.achName);
        names.push_back(std::string(n.begin(), n.end()));
        f->Release();
    }
    e->Release();
    return names;
}

inline IGraphBuilder* NewGraph() {
    IGraphBuilder* graph = nullptr;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
    return graph;
}

// Whole frames of a file decoded directly, after any ID3v2 tag.
inline std::string decodeDirect(const std::string& file, size_t from) {
    platform::MpegAudioFeed feed;
    const auto* data = reinterpret_cast<const uint8_t*>(file.data());
    platform::MpegFrameHeader h{}, first{};
    std::vector<int16_t> pcm;
    ptrdiff_t at;
    while ((at = platform::MpegAudioFeed::FindFrame(data, file.size(), from, first.sampleRate,
                                                    first.channels, &h)) >= 0 &&
           size_t(at) + size_t(h.length) <= file.size()) {
        if (!first.sampleRate) first = h;
        feed.DecodeFrame(data + at, h, &pcm);
        from = size_t(at) + size_t(h.length);
    }
    return std::string(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
}

struct Frame {
    std::string bytes;
    REFERENCE_TIME start, stop;
    DWORD renderedAt;  // the layer's millisecond clock
};

// Accepts one major type and subtype (null: any) and keeps every sample;
// over the video renderer's base it also shows the sample held while paused.
template <class Base>
class RecordingRenderer : public Base {
  public:
    RecordingRenderer(const GUID& major, const GUID& sub)
        : Base(GUID_NULL, "Test renderer", nullptr, nullptr), major_(major), sub_(sub) {
        this->NonDelegatingAddRef();
    }
    HRESULT CheckMediaType(const D_CMediaType* mt) override {
        if (major_ != GUID_NULL && mt->majortype != major_) return VFW_E_TYPE_NOT_ACCEPTED;
        return sub_ == GUID_NULL || mt->subtype == sub_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample* s) override {
        BYTE* data = nullptr;
        s->GetPointer(&data);
        Frame f{std::string(reinterpret_cast<char*>(data), size_t(s->GetActualDataLength())), 0, 0,
                timeGetTime()};
        s->GetTime(&f.start, &f.stop);
        std::lock_guard<std::mutex> g(lock_);
        frames_.push_back(f);
        return S_OK;
    }
    std::vector<Frame> Frames() {
        std::lock_guard<std::mutex> g(lock_);
        return frames_;
    }
    std::string Bytes() {
        std::string all;
        for (const Frame& f : Frames()) all += f.bytes;
        return all;
    }

  private:
    GUID major_, sub_;
    std::mutex lock_;
    std::vector<Frame> frames_;
};
using TestRenderer = RecordingRenderer<D_CBaseRenderer>;
using TestVideoRenderer = RecordingRenderer<D_CBaseVideoRenderer>;

// Each test: COM on, the virtual clock, and nothing left behind.
class GraphTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        KnobSetVirtualClock(true);
        live_ = KnobDshowLiveObjects();
    }
    void TearDown() override {
        EXPECT_EQ(live_, KnobDshowLiveObjects()) << "DirectShow objects left alive";
        CoUninitialize();
    }
    long live_ = 0;
};

}  // namespace dshowtest
