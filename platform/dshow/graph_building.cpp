// Building graphs: filters in and out, direct and intelligent connection,
// rendering pins and files. Connect and Render try the graph's own filters
// first, then the stand-in filters (never the null renderer); a failed
// Render or Connect leaves the graph as it was.
#include <algorithm>
#include <cstring>

#include "dshow/filter_graph.h"
#include "dshow/graph_trace.h"
#include "dshow/standin_filters.h"

namespace dshow {
namespace {

constexpr int kMaxDepth = 6;

// The pins of a filter in one direction (referenced).
std::vector<IPin*> pinsOf(IBaseFilter* filter, PIN_DIRECTION want) {
    std::vector<IPin*> pins;
    IEnumPins* e = nullptr;
    if (FAILED(filter->EnumPins(&e)) || !e) return pins;
    IPin* pin = nullptr;
    ULONG got = 0;
    while (e->Next(1, &pin, &got) == S_OK && got == 1) {
        PIN_DIRECTION dir;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == want)
            pins.push_back(pin);
        else
            pin->Release();
    }
    e->Release();
    return pins;
}

void releaseAll(std::vector<IPin*>& pins) {
    for (IPin* p : pins) p->Release();
    pins.clear();
}

IBaseFilter* filterOf(IPin* pin) {
    PIN_INFO info;
    if (FAILED(pin->QueryPinInfo(&info))) return nullptr;
    if (info.pFilter) info.pFilter->Release();  // the graph holds it
    return info.pFilter;
}

bool isConnected(IPin* pin) {
    IPin* other = nullptr;
    if (pin->ConnectedTo(&other) != S_OK || !other) return false;
    other->Release();
    return true;
}

bool isNullRenderer(IBaseFilter* filter) {
    CLSID clsid{};
    return SUCCEEDED(filter->GetClassID(&clsid)) && clsid == CLSID_NullRenderer;
}

// Graph enumerator over a snapshot.
class FilterEnum : public IEnumFilters {
  public:
    FilterEnum(std::vector<IBaseFilter*> filters, size_t position)
        : filters_(std::move(filters)), position_(position) {
        for (IBaseFilter* f : filters_) f->AddRef();
    }
    virtual ~FilterEnum() {
        for (IBaseFilter* f : filters_) f->Release();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumFilters) return D_GetInterface(this, ppv);
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        long left = --refs_;
        if (left == 0) delete this;
        return ULONG(left < 0 ? 0 : left);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IBaseFilter** out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        if (count > 1 && !fetched) return E_INVALIDARG;
        ULONG got = 0;
        while (got < count && position_ < filters_.size()) {
            out[got] = filters_[position_++];
            out[got++]->AddRef();
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        position_ = std::min(filters_.size(), position_ + count);
        return position_ < filters_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumFilters** out) override {
        if (!out) return E_POINTER;
        *out = new FilterEnum(filters_, position_);
        return S_OK;
    }

  private:
    std::atomic<long> refs_{1};
    std::vector<IBaseFilter*> filters_;
    size_t position_;
};

}  // namespace

bool FilterGraph::Contains(IBaseFilter* filter) {
    for (const Entry& e : filters_)
        if (e.filter == filter) return true;
    return false;
}

std::vector<IBaseFilter*> FilterGraph::Snapshot() {
    D_CAutoLock lock(&lock_);
    std::vector<IBaseFilter*> out;
    for (const Entry& e : filters_) {
        e.filter->AddRef();
        out.push_back(e.filter);
    }
    return out;
}

HRESULT STDMETHODCALLTYPE FilterGraph::AddFilter(IBaseFilter* pFilter, LPCWSTR pName) {
    if (!pFilter) return E_POINTER;
    D_CAutoLock lock(&lock_);
    if (Contains(pFilter)) return VFW_E_DUPLICATE_NAME;
    std::u16string name = pName ? std::u16string(pName) : u"Filter";
    if (name.size() >= MAX_FILTER_NAME) name.resize(MAX_FILTER_NAME - 6);
    HRESULT result = S_OK;
    auto taken = [&](const std::u16string& n) {
        for (const Entry& e : filters_)
            if (e.name == n) return true;
        return false;
    };
    if (taken(name)) {
        // Windows' way: the name with a number appended.
        for (int i = 1; i < 10000; ++i) {
            char suffix[8];
            std::snprintf(suffix, sizeof suffix, " %04d", i);
            std::u16string candidate = name;
            for (const char* c = suffix; *c; ++c) candidate.push_back(char16_t(*c));
            if (!taken(candidate)) {
                name = candidate;
                break;
            }
        }
        result = VFW_S_DUPLICATE_NAME;
    }
    HRESULT hr = pFilter->JoinFilterGraph(static_cast<IFilterGraph2*>(this), name.c_str());
    if (FAILED(hr)) return hr;
    pFilter->AddRef();
    filters_.push_back({pFilter, name});
    if (clock_) pFilter->SetSyncSource(clock_);
    Trace("AddFilter " + Utf8(name));
    return result;
}

HRESULT STDMETHODCALLTYPE FilterGraph::RemoveFilter(IBaseFilter* pFilter) {
    if (!pFilter) return E_POINTER;
    D_CAutoLock lock(&lock_);
    auto it = std::find_if(filters_.begin(), filters_.end(),
                           [&](const Entry& e) { return e.filter == pFilter; });
    if (it == filters_.end()) return VFW_E_NOT_FOUND;
    if (state_ != State_Stopped) pFilter->Stop();
    for (PIN_DIRECTION dir : {PINDIR_INPUT, PINDIR_OUTPUT}) {
        std::vector<IPin*> pins = pinsOf(pFilter, dir);
        for (IPin* pin : pins) {
            IPin* other = nullptr;
            if (pin->ConnectedTo(&other) == S_OK && other) {
                other->Disconnect();
                other->Release();
            }
            pin->Disconnect();
        }
        releaseAll(pins);
    }
    Trace("RemoveFilter " + Utf8(it->name));
    filters_.erase(it);
    pFilter->JoinFilterGraph(nullptr, nullptr);
    pFilter->SetSyncSource(nullptr);
    pFilter->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::EnumFilters(IEnumFilters** ppEnum) {
    if (!ppEnum) return E_POINTER;
    std::vector<IBaseFilter*> filters = Snapshot();
    *ppEnum = new FilterEnum(filters, 0);
    for (IBaseFilter* f : filters) f->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) {
    if (!pName || !ppFilter) return E_POINTER;
    D_CAutoLock lock(&lock_);
    *ppFilter = nullptr;
    for (const Entry& e : filters_) {
        if (e.name == pName) {
            e.filter->AddRef();
            *ppFilter = e.filter;
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE FilterGraph::ConnectDirect(IPin* out, IPin* in,
                                                     const AM_MEDIA_TYPE* pmt) {
    if (!out || !in) return E_POINTER;
    D_CAutoLock lock(&lock_);
    if (!Contains(filterOf(out)) || !Contains(filterOf(in))) return VFW_E_NOT_IN_GRAPH;
    PIN_DIRECTION dir;
    if (FAILED(out->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (FAILED(in->QueryDirection(&dir)) || dir != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    return out->Connect(in, pmt);
}

HRESULT STDMETHODCALLTYPE FilterGraph::Reconnect(IPin* pin) {
    return ReconnectEx(pin, nullptr);
}

HRESULT STDMETHODCALLTYPE FilterGraph::ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* pmt) {
    if (!pin) return E_POINTER;
    D_CAutoLock lock(&lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    IPin* other = nullptr;
    if (pin->ConnectedTo(&other) != S_OK || !other) return VFW_E_NOT_CONNECTED;
    PIN_DIRECTION dir;
    pin->QueryDirection(&dir);
    IPin* out = dir == PINDIR_OUTPUT ? pin : other;
    IPin* in = dir == PINDIR_OUTPUT ? other : pin;
    AM_MEDIA_TYPE current{};
    bool haveType = !pmt && SUCCEEDED(out->ConnectionMediaType(&current));
    out->Disconnect();
    in->Disconnect();
    HRESULT hr = out->Connect(in, pmt ? pmt : nullptr);
    if (FAILED(hr) && haveType) hr = out->Connect(in, &current);
    if (haveType) D_FreeMediaType(current);
    other->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE FilterGraph::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    D_CAutoLock lock(&lock_);
    return pin->Disconnect();
}

HRESULT FilterGraph::ConnectTracked(IPin* out, IPin* in, Building& b) {
    HRESULT hr = out->Connect(in, nullptr);
    if (SUCCEEDED(hr)) {
        out->AddRef();
        b.connected.push_back(out);
    }
    return hr;
}

void FilterGraph::Undo(Building& b, size_t filters, size_t connections) {
    while (b.connected.size() > connections) {
        IPin* out = b.connected.back();
        b.connected.pop_back();
        IPin* in = nullptr;
        if (out->ConnectedTo(&in) == S_OK && in) {
            in->Disconnect();
            in->Release();
        }
        out->Disconnect();
        out->Release();
    }
    while (b.added.size() > filters) {
        IBaseFilter* f = b.added.back();
        b.added.pop_back();
        RemoveFilter(f);
    }
}

HRESULT FilterGraph::AddStandIn(D_CBaseFilter* filter, const char* name, Building& b) {
    filter->NonDelegatingAddRef();
    std::u16string wide(name, name + std::strlen(name));
    HRESULT hr = AddFilter(filter, wide.c_str());
    if (SUCCEEDED(hr)) b.added.push_back(filter);
    filter->NonDelegatingRelease();  // the graph holds it now
    return hr;
}

// One stand-in filter a pin may go through or end in.
struct StandIn {
    const char* name;
    D_CBaseFilter* (*make)();
};
static const StandIn kStandIns[] = {
    {kMp3DecoderName, &CreateMp3Decoder},
    {kVideoSplitterName, &CreateVideoSplitter},
    {kAudioRendererName, &CreateAudioRenderer},
};

HRESULT FilterGraph::RenderOutputs(IBaseFilter* filter, Building& b, int depth) {
    std::vector<IPin*> outs = pinsOf(filter, PINDIR_OUTPUT);
    HRESULT hr = S_OK;
    for (IPin* out : outs) {
        if (isConnected(out)) continue;
        hr = RenderPin(out, b, depth + 1);
        if (FAILED(hr)) break;
    }
    releaseAll(outs);
    return hr;
}

HRESULT FilterGraph::RenderPin(IPin* out, Building& b, int depth) {
    if (depth > kMaxDepth) return VFW_E_CANNOT_RENDER;
    IBaseFilter* self = filterOf(out);
    // The graph's own filters first.
    std::vector<IBaseFilter*> filters = Snapshot();
    HRESULT hr = VFW_E_CANNOT_RENDER;
    for (IBaseFilter* f : filters) {
        if (f == self || isNullRenderer(f) || SUCCEEDED(hr)) continue;
        std::vector<IPin*> ins = pinsOf(f, PINDIR_INPUT);
        for (IPin* in : ins) {
            if (SUCCEEDED(hr) || isConnected(in)) continue;
            size_t filtersMark = b.added.size(), connMark = b.connected.size();
            if (SUCCEEDED(ConnectTracked(out, in, b))) {
                hr = RenderOutputs(f, b, depth);
                if (FAILED(hr)) {
                    Undo(b, filtersMark, connMark);
                    hr = VFW_E_CANNOT_RENDER;
                }
            }
        }
        releaseAll(ins);
    }
    for (IBaseFilter* f : filters) f->Release();
    if (SUCCEEDED(hr)) return hr;
    // Then the stand-in filters.
    for (const StandIn& s : kStandIns) {
        if (FilterHidden(s.name)) continue;
        size_t filtersMark = b.added.size(), connMark = b.connected.size();
        D_CBaseFilter* filter = s.make();
        if (FAILED(AddStandIn(filter, s.name, b))) continue;
        std::vector<IPin*> ins = pinsOf(filter, PINDIR_INPUT);
        hr = ins.empty() ? VFW_E_CANNOT_CONNECT : ConnectTracked(out, ins[0], b);
        releaseAll(ins);
        if (SUCCEEDED(hr)) hr = RenderOutputs(filter, b, depth);
        if (SUCCEEDED(hr)) return S_OK;
        Undo(b, filtersMark, connMark);
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT STDMETHODCALLTYPE FilterGraph::Render(IPin* out) {
    if (!out) return E_POINTER;
    D_CAutoLock lock(&lock_);
    PIN_DIRECTION dir;
    if (FAILED(out->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (!Contains(filterOf(out))) return VFW_E_NOT_IN_GRAPH;
    if (isConnected(out)) return VFW_E_ALREADY_CONNECTED;
    Building b;
    HRESULT hr = RenderPin(out, b, 0);
    if (FAILED(hr)) Undo(b, 0, 0);
    for (IPin* p : b.connected) p->Release();
    return hr;
}

HRESULT FilterGraph::ConnectVia(IPin* out, IPin* in, Building& b, int depth) {
    if (SUCCEEDED(ConnectTracked(out, in, b))) return S_OK;
    if (depth >= kMaxDepth) return VFW_E_CANNOT_CONNECT;
    IBaseFilter* ends[2] = {filterOf(out), filterOf(in)};
    std::vector<IBaseFilter*> candidates = Snapshot();
    std::vector<std::pair<IBaseFilter*, bool>> tries;  // (filter, is stand-in)
    for (IBaseFilter* f : candidates)
        if (f != ends[0] && f != ends[1] && !isNullRenderer(f)) tries.push_back({f, false});
    for (const StandIn& s : kStandIns)
        if (!FilterHidden(s.name)) tries.push_back({nullptr, true});
    size_t standIn = 0;
    HRESULT hr = VFW_E_CANNOT_CONNECT;
    for (auto& [filter, made] : tries) {
        size_t filtersMark = b.added.size(), connMark = b.connected.size();
        IBaseFilter* through = filter;
        if (made) {
            while (FilterHidden(kStandIns[standIn].name)) ++standIn;
            const StandIn& s = kStandIns[standIn++];
            D_CBaseFilter* created = s.make();
            if (FAILED(AddStandIn(created, s.name, b))) continue;
            through = created;
        }
        std::vector<IPin*> ins = pinsOf(through, PINDIR_INPUT);
        for (IPin* i : ins) {
            if (FAILED(hr) && !isConnected(i) && SUCCEEDED(ConnectTracked(out, i, b))) {
                std::vector<IPin*> outs = pinsOf(through, PINDIR_OUTPUT);
                for (IPin* o : outs)
                    if (FAILED(hr) && !isConnected(o)) hr = ConnectVia(o, in, b, depth + 1);
                releaseAll(outs);
                if (FAILED(hr)) Undo(b, b.added.size(), connMark);
            }
        }
        releaseAll(ins);
        if (SUCCEEDED(hr)) break;
        Undo(b, filtersMark, connMark);
    }
    for (IBaseFilter* f : candidates) f->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE FilterGraph::Connect(IPin* out, IPin* in) {
    if (!out || !in) return E_POINTER;
    D_CAutoLock lock(&lock_);
    if (!Contains(filterOf(out)) || !Contains(filterOf(in))) return VFW_E_NOT_IN_GRAPH;
    PIN_DIRECTION dir;
    if (FAILED(out->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (FAILED(in->QueryDirection(&dir)) || dir != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (isConnected(out) || isConnected(in)) return VFW_E_ALREADY_CONNECTED;
    Building b;
    HRESULT hr = ConnectVia(out, in, b, 0);
    if (FAILED(hr)) Undo(b, 0, 0);
    for (IPin* p : b.connected) p->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE FilterGraph::AddSourceFilter(LPCWSTR file, LPCWSTR name,
                                                       IBaseFilter** ppFilter) {
    if (!file || !ppFilter) return E_POINTER;
    *ppFilter = nullptr;
    D_CBaseFilter* source = CreateFileSource();
    source->NonDelegatingAddRef();
    void* loader = nullptr;
    source->NonDelegatingQueryInterface(IID_IFileSourceFilter, &loader);
    HRESULT hr = static_cast<IFileSourceFilter*>(loader)->Load(file, nullptr);
    static_cast<IFileSourceFilter*>(loader)->Release();
    if (SUCCEEDED(hr)) hr = AddFilter(source, name ? name : file);
    if (FAILED(hr)) {
        source->NonDelegatingRelease();
        return hr;
    }
    *ppFilter = source;  // the caller's reference
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::RenderFile(LPCWSTR file, LPCWSTR) {
    if (!file) return E_POINTER;
    D_CAutoLock lock(&lock_);
    IBaseFilter* source = nullptr;
    HRESULT hr = AddSourceFilter(file, nullptr, &source);
    if (FAILED(hr)) return hr;
    std::vector<IPin*> outs = pinsOf(source, PINDIR_OUTPUT);
    hr = outs.empty() ? VFW_E_CANNOT_RENDER : Render(outs[0]);
    releaseAll(outs);
    if (FAILED(hr)) RemoveFilter(source);
    source->Release();
    Trace("RenderFile -> " + std::string(SUCCEEDED(hr) ? "ok" : "failed"));
    return hr;
}

}  // namespace dshow
