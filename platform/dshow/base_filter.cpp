// D_CBaseFilter: state changes through the pins, the clock, the graph link
// and pin enumeration.
#include <cstring>

#include "dshow_base_classes.h"
#include "dshow/graph_trace.h"

D_CBaseFilter::D_CBaseFilter(const char* name, IUnknown* outer, D_CCritSec* lock, REFCLSID clsid)
    : D_CUnknown(name, outer), m_pLock(lock), m_clsid(clsid) {}

D_CBaseFilter::~D_CBaseFilter() {
    if (m_pClock) m_pClock->Release();
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
        return D_GetInterface(static_cast<IBaseFilter*>(this), ppv);
    return D_CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::GetClassID(CLSID* pClassID) {
    if (!pClassID) return E_POINTER;
    *pClassID = m_clsid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::Stop() {
    D_CAutoLock lock(m_pLock);
    HRESULT result = S_OK;
    if (m_State != State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            D_CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result)) result = hr;
            }
        }
    }
    m_State = State_Stopped;
    dshow::TraceState(m_name, "Stop", result);
    return result;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::Pause() {
    D_CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            D_CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr)) {
                    dshow::TraceState(m_name, "Pause", hr);
                    return hr;
                }
            }
        }
    }
    m_State = State_Paused;
    dshow::TraceState(m_name, "Pause", S_OK);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::Run(REFERENCE_TIME tStart) {
    D_CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    if (m_State != State_Running) {
        for (int i = 0; i < GetPinCount(); ++i) {
            D_CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Run(tStart);
                if (FAILED(hr)) return hr;
            }
        }
    }
    m_State = State_Running;
    dshow::TraceState(m_name, "Run", S_OK);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = m_State;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::SetSyncSource(IReferenceClock* clock) {
    D_CAutoLock lock(m_pLock);
    if (clock) clock->AddRef();
    if (m_pClock) m_pClock->Release();
    m_pClock = clock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    D_CAutoLock lock(m_pLock);
    *clock = m_pClock;
    if (m_pClock) m_pClock->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::EnumPins(IEnumPins** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new D_CEnumPins(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
    if (!Id || !ppPin) return E_POINTER;
    for (int i = 0; i < GetPinCount(); ++i) {
        D_CBasePin* pin = GetPin(i);
        if (pin && pin->PinName() == std::u16string(Id)) {
            pin->AddRef();
            *ppPin = pin;
            return S_OK;
        }
    }
    *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    if (!pInfo) return E_POINTER;
    std::memset(pInfo, 0, sizeof *pInfo);
    size_t n = std::min<size_t>(m_name.size(), MAX_FILTER_NAME - 1);
    std::memcpy(pInfo->achName, m_name.data(), n * sizeof(WCHAR));
    pInfo->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
    D_CAutoLock lock(m_pLock);
    m_pGraph = pGraph;
    m_pSink = nullptr;
    if (pGraph) {
        // Not referenced: the graph outlives the filter's membership, and a
        // reference would keep graph and filter alive through each other.
        void* sink = nullptr;
        if (SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, &sink))) {
            m_pSink = static_cast<IMediaEventSink*>(sink);
            m_pSink->Release();
        }
    }
    m_name = pName ? std::u16string(pName) : std::u16string();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseFilter::QueryVendorInfo(LPWSTR*) {
    return E_NOTIMPL;
}

HRESULT D_CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    IMediaEventSink* sink = m_pSink;
    if (!sink) return E_NOTIMPL;
    if (code == EC_COMPLETE && param2 == 0)
        param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return sink->Notify(code, param1, param2);
}
