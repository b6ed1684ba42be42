// Running graphs: state changes (renderers first, Run through Pause), the
// reference clock, seeking in media time through the renderers, and the
// audio renderer's volume.
#include <algorithm>

#include "dshow/filter_graph.h"
#include "dshow/graph_trace.h"
#include "dshow/media_time_format.h"

namespace dshow {
namespace {

bool hasConnected(IBaseFilter* filter, PIN_DIRECTION want) {
    IEnumPins* e = nullptr;
    if (FAILED(filter->EnumPins(&e)) || !e) return false;
    bool found = false;
    IPin* pin = nullptr;
    ULONG got = 0;
    while (!found && e->Next(1, &pin, &got) == S_OK && got == 1) {
        PIN_DIRECTION dir;
        IPin* other = nullptr;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == want &&
            pin->ConnectedTo(&other) == S_OK) {
            found = true;
            other->Release();
        }
        pin->Release();
    }
    e->Release();
    return found;
}

// Filters directly downstream of a filter.
std::vector<IBaseFilter*> downstreamOf(IBaseFilter* filter) {
    std::vector<IBaseFilter*> out;
    IEnumPins* e = nullptr;
    if (FAILED(filter->EnumPins(&e)) || !e) return out;
    IPin* pin = nullptr;
    ULONG got = 0;
    while (e->Next(1, &pin, &got) == S_OK && got == 1) {
        PIN_DIRECTION dir;
        IPin* other = nullptr;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PINDIR_OUTPUT &&
            pin->ConnectedTo(&other) == S_OK) {
            PIN_INFO info;
            if (SUCCEEDED(other->QueryPinInfo(&info)) && info.pFilter) {
                out.push_back(info.pFilter);
                info.pFilter->Release();
            }
            other->Release();
        }
        pin->Release();
    }
    e->Release();
    return out;
}

int levelOf(IBaseFilter* filter, int depth) {
    if (depth > 16) return 0;
    int level = 0;
    for (IBaseFilter* d : downstreamOf(filter)) level = std::max(level, 1 + levelOf(d, depth + 1));
    return level;
}

}  // namespace

FilterGraph::FilterGraph(IUnknown* outer) : D_CUnknown("Filter graph", outer) {}

FilterGraph::~FilterGraph() {
    Stop();
    while (true) {
        IBaseFilter* f;
        {
            D_CAutoLock lock(&lock_);
            if (filters_.empty()) break;
            f = filters_.back().filter;
        }
        RemoveFilter(f);
    }
    if (clock_) clock_->Release();
}

HRESULT STDMETHODCALLTYPE FilterGraph::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IFilterGraph || riid == IID_IGraphBuilder || riid == IID_IFilterGraph2)
        return D_GetInterface(static_cast<IFilterGraph2*>(this), ppv);
    if (riid == IID_IMediaControl) return D_GetInterface(static_cast<IMediaControl*>(this), ppv);
    if (riid == IID_IMediaEvent) return D_GetInterface(static_cast<IMediaEvent*>(this), ppv);
    if (riid == IID_IMediaEventSink)
        return D_GetInterface(static_cast<IMediaEventSink*>(this), ppv);
    if (riid == IID_IMediaSeeking) return D_GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    if (riid == IID_IMediaFilter || riid == IID_IPersist)
        return D_GetInterface(static_cast<IMediaFilter*>(this), ppv);
    if (riid == IID_IBasicAudio) return D_GetInterface(static_cast<IBasicAudio*>(this), ppv);
    return D_CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

std::vector<IBaseFilter*> FilterGraph::DownstreamFirst() {
    std::vector<IBaseFilter*> filters = Snapshot();
    std::vector<std::pair<int, IBaseFilter*>> leveled;
    for (IBaseFilter* f : filters) leveled.push_back({levelOf(f, 0), f});
    std::stable_sort(leveled.begin(), leveled.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < leveled.size(); ++i) filters[i] = leveled[i].second;
    return filters;
}

std::vector<IBaseFilter*> FilterGraph::Renderers() {
    std::vector<IBaseFilter*> out;
    for (IBaseFilter* f : Snapshot()) {
        if (hasConnected(f, PINDIR_INPUT) && !hasConnected(f, PINDIR_OUTPUT))
            out.push_back(f);
        else
            f->Release();
    }
    return out;
}

void FilterGraph::ArmCompletion() {
    std::vector<IBaseFilter*> renderers = Renderers();
    D_CAutoLock lock(&eventLock_);
    expected_.assign(renderers.begin(), renderers.end());
    completed_.clear();
    terminal_ = 0;
    terminalEvent_.Reset();
    for (IBaseFilter* f : renderers) f->Release();
}

HRESULT FilterGraph::ChangeState(FILTER_STATE target, REFERENCE_TIME tStart) {
    std::vector<IBaseFilter*> order = DownstreamFirst();
    HRESULT result = S_OK;
    for (IBaseFilter* f : order) {
        HRESULT hr = target == State_Stopped  ? f->Stop()
                     : target == State_Paused ? f->Pause()
                                              : f->Run(tStart);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        if (FAILED(hr) && target != State_Stopped) break;
    }
    for (IBaseFilter* f : order) f->Release();
    return result;
}

HRESULT STDMETHODCALLTYPE FilterGraph::Pause() {
    D_CAutoLock lock(&lock_);
    if (state_ == State_Paused) return S_OK;
    if (state_ == State_Stopped) {
        if (!clockChosen_ && !clock_) SetDefaultSyncSource();
        ArmCompletion();
        pausedAt_ = 0;
    } else {
        pausedAt_ = StreamTime();
    }
    HRESULT hr = ChangeState(State_Paused, 0);
    if (FAILED(hr)) {
        ChangeState(State_Stopped, 0);
        state_ = State_Stopped;
        Trace("Graph Pause failed");
        return hr;
    }
    state_ = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::Run() {
    D_CAutoLock lock(&lock_);
    if (state_ == State_Running) return S_OK;
    if (state_ == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    REFERENCE_TIME now = 0;
    if (clock_) clock_->GetTime(&now);
    tStart_ = now - pausedAt_;
    HRESULT hr = ChangeState(State_Running, tStart_);
    if (FAILED(hr)) {
        ChangeState(State_Stopped, 0);
        state_ = State_Stopped;
        return hr;
    }
    state_ = State_Running;
    // A graph without renderers has nothing to wait for.
    D_CAutoLock events(&eventLock_);
    if (expected_.empty() && !terminal_) {
        terminal_ = EC_COMPLETE;
        events_.push_back({EC_COMPLETE, S_OK, 0});
        eventReady_.Set();
        terminalEvent_.Set();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::Run(REFERENCE_TIME) {
    return Run();
}

HRESULT STDMETHODCALLTYPE FilterGraph::Stop() {
    D_CAutoLock lock(&lock_);
    if (state_ == State_Stopped) return S_OK;
    HRESULT hr = ChangeState(State_Stopped, 0);
    state_ = State_Stopped;
    pausedAt_ = 0;
    return hr;
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetState(LONG msTimeout, OAFilterState* pfs) {
    if (!pfs) return E_POINTER;
    *pfs = state_;
    // A pause is complete once every renderer holds its first sample.
    HRESULT result = S_OK;
    for (IBaseFilter* f : Snapshot()) {
        FILTER_STATE s;
        if (f->GetState(msTimeout < 0 ? INFINITE : DWORD(msTimeout), &s) ==
            VFW_S_STATE_INTERMEDIATE)
            result = VFW_S_STATE_INTERMEDIATE;
        f->Release();
    }
    return result;
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = state_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::SetSyncSource(IReferenceClock* clock) {
    D_CAutoLock lock(&lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    if (clock) clock->AddRef();
    if (clock_) clock_->Release();
    clock_ = clock;
    clockChosen_ = true;
    for (const Entry& e : filters_) e.filter->SetSyncSource(clock);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    D_CAutoLock lock(&lock_);
    *clock = clock_;
    if (clock_) clock_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::SetDefaultSyncSource() {
    IReferenceClock* clock = nullptr;
    HRESULT hr = D_CSystemClock::CreateInstance(nullptr, IID_IReferenceClock,
                                                reinterpret_cast<void**>(&clock));
    if (FAILED(hr)) return hr;
    hr = SetSyncSource(clock);
    clock->Release();
    return hr;
}

REFERENCE_TIME FilterGraph::StreamTime() {
    if (state_ == State_Paused) return pausedAt_;
    if (state_ != State_Running || !clock_) return 0;
    REFERENCE_TIME now = 0;
    clock_->GetTime(&now);
    return now - tStart_;
}

// --- seeking -------------------------------------------------------------------------------
IMediaSeeking* FilterGraph::Seeking() {
    IMediaSeeking* found = nullptr;
    for (IBaseFilter* f : Renderers()) {
        void* s = nullptr;
        if (!found && SUCCEEDED(f->QueryInterface(IID_IMediaSeeking, &s))) {
            LONGLONG probe;
            if (static_cast<IMediaSeeking*>(s)->GetDuration(&probe) == S_OK)
                found = static_cast<IMediaSeeking*>(s);
            else
                static_cast<IMediaSeeking*>(s)->Release();
        }
        f->Release();
    }
    return found;
}

#define D_GRAPH_SEEK(call)                    \
    return D_CallSeekingAndRelease(Seeking(), \
                                   [&](IMediaSeeking* seeking_) { return seeking_->call; })

HRESULT STDMETHODCALLTYPE FilterGraph::GetCapabilities(DWORD* p) {
    D_GRAPH_SEEK(GetCapabilities(p));
}
HRESULT STDMETHODCALLTYPE FilterGraph::CheckCapabilities(DWORD* p) {
    D_GRAPH_SEEK(CheckCapabilities(p));
}
HRESULT STDMETHODCALLTYPE FilterGraph::IsFormatSupported(const GUID* f) {
    return IsMediaTimeFormat(f);
}
HRESULT STDMETHODCALLTYPE FilterGraph::QueryPreferredFormat(GUID* f) {
    return GetTimeFormat(f);
}
HRESULT STDMETHODCALLTYPE FilterGraph::GetTimeFormat(GUID* f) {
    return GetMediaTimeFormat(f);
}
HRESULT STDMETHODCALLTYPE FilterGraph::IsUsingTimeFormat(const GUID* f) {
    return IsFormatSupported(f);
}
HRESULT STDMETHODCALLTYPE FilterGraph::SetTimeFormat(const GUID* f) {
    return SetMediaTimeFormat(f);
}
HRESULT STDMETHODCALLTYPE FilterGraph::GetDuration(LONGLONG* p) {
    D_GRAPH_SEEK(GetDuration(p));
}
HRESULT STDMETHODCALLTYPE FilterGraph::GetStopPosition(LONGLONG* p) {
    D_GRAPH_SEEK(GetStopPosition(p));
}
HRESULT STDMETHODCALLTYPE FilterGraph::ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s,
                                                         const GUID* sf) {
    return ConvertMediaTime(t, tf, s, sf);
}
HRESULT STDMETHODCALLTYPE FilterGraph::GetAvailable(LONGLONG* e, LONGLONG* l) {
    D_GRAPH_SEEK(GetAvailable(e, l));
}
HRESULT STDMETHODCALLTYPE FilterGraph::SetRate(double r) {
    D_GRAPH_SEEK(SetRate(r));
}
HRESULT STDMETHODCALLTYPE FilterGraph::GetRate(double* r) {
    D_GRAPH_SEEK(GetRate(r));
}
HRESULT STDMETHODCALLTYPE FilterGraph::GetPreroll(LONGLONG* p) {
    D_GRAPH_SEEK(GetPreroll(p));
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetCurrentPosition(LONGLONG* p) {
    if (!p) return E_POINTER;
    D_CAutoLock lock(&lock_);
    IMediaSeeking* s = Seeking();
    if (!s) return E_NOTIMPL;
    LONGLONG start = 0, stop = 0;
    s->GetCurrentPosition(&start);
    s->GetStopPosition(&stop);
    s->Release();
    bool done;
    {
        D_CAutoLock events(&eventLock_);
        done = terminal_ == EC_COMPLETE;
    }
    // The segment's start plus the stream time, and exactly the stop position once complete.
    *p = done ? stop : std::min(stop, start + StreamTime());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetPositions(LONGLONG* cur, LONGLONG* stop) {
    if (cur) {
        HRESULT hr = GetCurrentPosition(cur);
        if (FAILED(hr)) return hr;
    }
    return stop ? GetStopPosition(stop) : S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::SetPositions(LONGLONG* cur, DWORD cf, LONGLONG* stop,
                                                    DWORD sf) {
    D_CAutoLock lock(&lock_);
    // Every renderer that seeks gets the seek: each stream moves, and each
    // reports its end again.
    std::vector<IMediaSeeking*> seekers;
    for (IBaseFilter* f : Renderers()) {
        void* s = nullptr;
        if (SUCCEEDED(f->QueryInterface(IID_IMediaSeeking, &s))) {
            LONGLONG probe;
            if (static_cast<IMediaSeeking*>(s)->GetDuration(&probe) == S_OK)
                seekers.push_back(static_cast<IMediaSeeking*>(s));
            else
                static_cast<IMediaSeeking*>(s)->Release();
        }
        f->Release();
    }
    if (seekers.empty()) return E_NOTIMPL;
    FILTER_STATE was = state_;
    // Renderers hold while the stream is flushed and restarted, then run
    // on from the new position at stream time 0.
    if (was == State_Running) ChangeState(State_Paused, 0);
    HRESULT hr = S_OK;
    const LONGLONG wantedCurrent = cur ? *cur : 0, wantedStop = stop ? *stop : 0;
    for (size_t k = 0; k < seekers.size(); ++k) {
        // Each gets the caller's values; the first one's answer goes back.
        LONGLONG c = wantedCurrent, e = wantedStop;
        const HRESULT one = seekers[k]->SetPositions(cur ? (k ? &c : cur) : nullptr, cf,
                                                     stop ? (k ? &e : stop) : nullptr, sf);
        if (FAILED(one) && SUCCEEDED(hr)) hr = one;
        seekers[k]->Release();
    }
    if ((cf & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning) {
        pausedAt_ = 0;
        if (was != State_Stopped) ArmCompletion();
    }
    if (was == State_Running) {
        REFERENCE_TIME now = 0;
        if (clock_) clock_->GetTime(&now);
        tStart_ = now - pausedAt_;
        ChangeState(State_Running, tStart_);
    }
    return hr;
}

// --- audio -------------------------------------------------------------------------------------
IBasicAudio* FilterGraph::Audio() {
    IBasicAudio* found = nullptr;
    for (IBaseFilter* f : Snapshot()) {
        void* a = nullptr;
        if (!found && SUCCEEDED(f->QueryInterface(IID_IBasicAudio, &a)))
            found = static_cast<IBasicAudio*>(a);
        f->Release();
    }
    return found;
}

#define D_GRAPH_AUDIO(call)   \
    IBasicAudio* a = Audio(); \
    if (!a) return E_NOTIMPL; \
    HRESULT hr = a->call;     \
    a->Release();             \
    return hr

HRESULT STDMETHODCALLTYPE FilterGraph::put_Volume(LONG v) {
    D_GRAPH_AUDIO(put_Volume(v));
}
HRESULT STDMETHODCALLTYPE FilterGraph::get_Volume(LONG* v) {
    D_GRAPH_AUDIO(get_Volume(v));
}
HRESULT STDMETHODCALLTYPE FilterGraph::put_Balance(LONG b) {
    D_GRAPH_AUDIO(put_Balance(b));
}
HRESULT STDMETHODCALLTYPE FilterGraph::get_Balance(LONG* b) {
    D_GRAPH_AUDIO(get_Balance(b));
}

}  // namespace dshow
