// D_CBasePin: connection (type negotiation, both directions), disconnection
// and the pin's information.
#include <cstring>

#include "dshow/graph_trace.h"
#include "dshow_base_classes.h"

D_CBasePin::D_CBasePin(const char* objectName, D_CBaseFilter* filter, D_CCritSec* lock, HRESULT*,
                       LPCWSTR name, PIN_DIRECTION dir)
    : D_CUnknown(objectName, nullptr),
      m_pFilter(filter),
      m_pLock(lock),
      m_pName(name ? name : u""),
      m_dir(dir) {}

D_CBasePin::~D_CBasePin() {
    if (m_Connected) m_Connected->Release();
}

HRESULT STDMETHODCALLTYPE D_CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IPin || riid == IID_IUnknown)
        return D_GetInterface(static_cast<IPin*>(this), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT D_CBasePin::SetMediaType(const D_CMediaType* mt) {
    m_mt = *mt;
    return S_OK;
}

HRESULT D_CBasePin::GetMediaType(int, D_CMediaType*) {
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT D_CBasePin::CheckConnect(IPin* pin) {
    PIN_DIRECTION dir;
    HRESULT hr = pin->QueryDirection(&dir);
    if (FAILED(hr)) return hr;
    return dir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT D_CBasePin::BreakConnect() {
    return S_OK;
}

HRESULT D_CBasePin::CompleteConnect(IPin*) {
    return S_OK;
}

HRESULT D_CBasePin::AttemptConnection(IPin* receivePin, const D_CMediaType* mt) {
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(mt);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    m_Connected = receivePin;
    m_Connected->AddRef();
    hr = SetMediaType(mt);
    if (SUCCEEDED(hr)) {
        hr = receivePin->ReceiveConnection(static_cast<IPin*>(this), mt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receivePin);
            if (SUCCEEDED(hr)) return S_OK;
            receivePin->Disconnect();
        }
    }
    BreakConnect();
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt = D_CMediaType();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT D_CBasePin::TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* pmt,
                                  IEnumMediaTypes* types) {
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    AM_MEDIA_TYPE* type = nullptr;
    ULONG fetched = 0;
    types->Reset();
    while (types->Next(1, &type, &fetched) == S_OK && fetched == 1) {
        D_CMediaType candidate(*type);
        D_DeleteMediaType(type);
        if (pmt) {
            D_CMediaType partial(*pmt);
            if (!partial.MatchesPartial(&candidate)) continue;
        }
        HRESULT hr = AttemptConnection(receivePin, &candidate);
        if (SUCCEEDED(hr)) return hr;
        last = hr;
    }
    return last;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    if (!pReceivePin) return E_POINTER;
    D_CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr;
    if (pmt && !D_CMediaType(*pmt).IsPartiallySpecified()) {
        D_CMediaType whole(*pmt);
        hr = AttemptConnection(pReceivePin, &whole);
    } else {
        // The receiving pin's types first, then ours.
        hr = VFW_E_NO_ACCEPTABLE_TYPES;
        IEnumMediaTypes* types = nullptr;
        if (SUCCEEDED(pReceivePin->EnumMediaTypes(&types)) && types) {
            hr = TryMediaTypes(pReceivePin, pmt, types);
            types->Release();
        }
        if (FAILED(hr)) {
            types = new D_CEnumMediaTypes(this);
            hr = TryMediaTypes(pReceivePin, pmt, types);
            types->Release();
        }
    }
    dshow::TraceConnection(this, pReceivePin, hr);
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::ReceiveConnection(IPin* pConnector,
                                                        const AM_MEDIA_TYPE* pmt) {
    if (!pConnector || !pmt) return E_POINTER;
    D_CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    D_CMediaType mt(*pmt);
    hr = CheckMediaType(&mt);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    m_Connected = pConnector;
    m_Connected->AddRef();
    hr = SetMediaType(&mt);
    if (SUCCEEDED(hr)) hr = CompleteConnect(pConnector);
    if (SUCCEEDED(hr)) return S_OK;
    BreakConnect();
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt = D_CMediaType();
    return hr;
}

HRESULT D_CBasePin::DisconnectInternal() {
    if (!m_Connected) return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr)) return hr;
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt = D_CMediaType();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::Disconnect() {
    D_CAutoLock lock(m_pLock);
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
}

HRESULT STDMETHODCALLTYPE D_CBasePin::ConnectedTo(IPin** pPin) {
    if (!pPin) return E_POINTER;
    D_CAutoLock lock(m_pLock);
    *pPin = m_Connected;
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    if (!pmt) return E_POINTER;
    D_CAutoLock lock(m_pLock);
    if (!m_Connected) {
        D_CMediaType empty;
        std::memset(pmt, 0, sizeof *pmt);
        return VFW_E_NOT_CONNECTED;
    }
    return D_CopyMediaType(pmt, &m_mt);
}

HRESULT STDMETHODCALLTYPE D_CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
    if (!pInfo) return E_POINTER;
    std::memset(pInfo, 0, sizeof *pInfo);
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    pInfo->dir = m_dir;
    size_t n = std::min<size_t>(m_pName.size(), MAX_PIN_NAME - 1);
    std::memcpy(pInfo->achName, m_pName.data(), n * sizeof(WCHAR));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::QueryDirection(PIN_DIRECTION* pPinDir) {
    if (!pPinDir) return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::QueryId(LPWSTR* Id) {
    if (!Id) return E_POINTER;
    auto* text = static_cast<WCHAR*>(CoTaskMemAlloc((m_pName.size() + 1) * sizeof(WCHAR)));
    if (!text) return E_OUTOFMEMORY;
    std::memcpy(text, m_pName.c_str(), (m_pName.size() + 1) * sizeof(WCHAR));
    *Id = text;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
    if (!pmt) return E_POINTER;
    D_CMediaType mt(*pmt);
    HRESULT hr = CheckMediaType(&mt);
    return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new D_CEnumMediaTypes(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE D_CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                                 double dRate) {
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}
