// The filter graph manager (CLSID_FilterGraph): builds graphs (graph_building.cpp)
// and runs, seeks and reports on them (graph_control.cpp, graph_events.cpp).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "dshow_base_classes.h"

namespace dshow {

class FilterGraph : public D_CUnknown,
                    public IFilterGraph2,
                    public IMediaControl,
                    public IMediaEvent,
                    public IMediaEventSink,
                    public IMediaSeeking,
                    public IMediaFilter,
                    public IBasicAudio {
  public:
    explicit FilterGraph(IUnknown* outer);
    ~FilterGraph() override;
    D_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IFilterGraph, IGraphBuilder, IFilterGraph2
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* pFilter) override;
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) override;
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE Reconnect(IPin* pin) override;
    HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) override;
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override;
    HRESULT STDMETHODCALLTYPE Connect(IPin* out, IPin* in) override;
    HRESULT STDMETHODCALLTYPE Render(IPin* out) override;
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR file, LPCWSTR name,
                                              IBaseFilter** ppFilter) override;
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Abort() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddSourceFilterForMoniker(IUnknown*, IUnknown*, LPCWSTR,
                                                        IBaseFilter**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE RenderEx(IPin* out, DWORD, DWORD*) override { return Render(out); }

    // IMediaControl and IMediaFilter
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetState(LONG msTimeout, OAFilterState* pfs) override;
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file) override {
        return RenderFile(file, nullptr);
    }
    HRESULT STDMETHODCALLTYPE StopWhenReady() override { return Stop(); }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD ms, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;

    // IMediaEvent and IMediaEventSink
    HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT* hEvent) override;
    HRESULT STDMETHODCALLTYPE GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG ms) override;
    HRESULT STDMETHODCALLTYPE WaitForCompletion(LONG ms, LONG* code) override;
    HRESULT STDMETHODCALLTYPE CancelDefaultHandling(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Notify(LONG code, LONG_PTR p1, LONG_PTR p2) override;

    // IMediaSeeking, in media time, through the renderers
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* p) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* p) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* f) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* f) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* f) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* f) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* f) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* p) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* p) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* p) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s,
                                                const GUID* sf) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* cur, DWORD cf, LONGLONG* stop,
                                           DWORD sf) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* cur, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* e, LONGLONG* l) override;
    HRESULT STDMETHODCALLTYPE SetRate(double r) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* r) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* p) override;

    // IBasicAudio, forwarded to the audio renderer
    HRESULT STDMETHODCALLTYPE put_Volume(LONG v) override;
    HRESULT STDMETHODCALLTYPE get_Volume(LONG* v) override;
    HRESULT STDMETHODCALLTYPE put_Balance(LONG b) override;
    HRESULT STDMETHODCALLTYPE get_Balance(LONG* b) override;

  private:
    struct Entry {
        IBaseFilter* filter;  // referenced
        std::u16string name;
    };
    struct Event {
        LONG code;
        LONG_PTR p1, p2;
    };
    // Undo record of a graph-building call.
    struct Building {
        std::vector<IBaseFilter*> added;
        std::vector<IPin*> connected;  // output pins (referenced)
    };

    bool Contains(IBaseFilter* filter);
    std::vector<IBaseFilter*> Snapshot();  // referenced
    // Filters ordered renderers first, sources last (referenced).
    std::vector<IBaseFilter*> DownstreamFirst();
    // Renderers: a connected input and no connected output.
    std::vector<IBaseFilter*> Renderers();
    IMediaSeeking* Seeking();  // referenced, or null
    IBasicAudio* Audio();      // referenced, or null
    HRESULT ConnectTracked(IPin* out, IPin* in, Building& b);
    HRESULT ConnectVia(IPin* out, IPin* in, Building& b, int depth);
    HRESULT RenderPin(IPin* out, Building& b, int depth);
    HRESULT RenderOutputs(IBaseFilter* filter, Building& b, int depth);
    HRESULT AddStandIn(D_CBaseFilter* filter, const char* name, Building& b);
    void Undo(Building& b, size_t filters, size_t connections);
    void ArmCompletion();
    REFERENCE_TIME StreamTime();
    HRESULT ChangeState(FILTER_STATE target, REFERENCE_TIME tStart);

    D_CCritSec lock_;
    std::vector<Entry> filters_;
    IReferenceClock* clock_ = nullptr;
    bool clockChosen_ = false;  // SetSyncSource was called (null included)
    std::atomic<FILTER_STATE> state_{State_Stopped};
    REFERENCE_TIME tStart_ = 0, pausedAt_ = 0;

    D_CCritSec eventLock_;
    D_CAMEvent eventReady_{TRUE};     // set while the queue holds events
    D_CAMEvent terminalEvent_{TRUE};  // set once the graph completed or aborted
    std::deque<Event> events_;
    std::vector<IBaseFilter*> expected_, completed_;  // not referenced
    LONG terminal_ = 0;
};

}  // namespace dshow
