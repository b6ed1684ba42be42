// The graph's event queue: filters notify, the application reads. EC_COMPLETE
// reaches the queue once every renderer whose input was connected when the
// stream started has sent its own.
#include <algorithm>

#include "dshow/filter_graph.h"
#include "dshow/graph_trace.h"

namespace dshow {

HRESULT STDMETHODCALLTYPE FilterGraph::Notify(LONG code, LONG_PTR p1, LONG_PTR p2) {
    D_CAutoLock lock(&eventLock_);
    if (code == EC_COMPLETE) {
        auto* from = reinterpret_cast<IBaseFilter*>(p2);
        if (std::find(expected_.begin(), expected_.end(), from) == expected_.end() ||
            std::find(completed_.begin(), completed_.end(), from) != completed_.end())
            return S_OK;
        completed_.push_back(from);
        if (completed_.size() < expected_.size() || terminal_) return S_OK;
        p2 = 0;
    }
    if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) {
        if (terminal_) return S_OK;  // the first end counts
        terminal_ = code;
        terminalEvent_.Set();
        Trace(code == EC_COMPLETE ? "Graph complete" : "Graph aborted");
    }
    events_.push_back({code, p1, p2});
    eventReady_.Set();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetEventHandle(OAEVENT* hEvent) {
    if (!hEvent) return E_POINTER;
    *hEvent = reinterpret_cast<OAEVENT>(eventReady_.Handle());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG ms) {
    if (!code || !p1 || !p2) return E_POINTER;
    *code = 0;
    *p1 = *p2 = 0;
    if (!eventReady_.Wait(ms < 0 ? INFINITE : DWORD(ms))) return E_ABORT;
    D_CAutoLock lock(&eventLock_);
    if (events_.empty()) return E_ABORT;
    *code = events_.front().code;
    *p1 = events_.front().p1;
    *p2 = events_.front().p2;
    events_.pop_front();
    if (events_.empty()) eventReady_.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterGraph::WaitForCompletion(LONG ms, LONG* code) {
    if (!code) return E_POINTER;
    *code = 0;
    if (state_ == State_Stopped) return VFW_E_WRONG_STATE;
    if (!terminalEvent_.Wait(ms < 0 ? INFINITE : DWORD(ms))) return E_ABORT;
    D_CAutoLock lock(&eventLock_);
    *code = terminal_;
    return S_OK;
}

}  // namespace dshow
