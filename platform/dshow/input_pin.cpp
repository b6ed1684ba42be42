// D_CBaseInputPin: IMemInputPin, flushing and the end of the stream.
#include "dshow_base_classes.h"

D_CBaseInputPin::D_CBaseInputPin(const char* objectName, D_CBaseFilter* filter, D_CCritSec* lock,
                                 HRESULT* phr, LPCWSTR name)
    : D_CBasePin(objectName, filter, lock, phr, name, PINDIR_INPUT) {}

D_CBaseInputPin::~D_CBaseInputPin() {
    if (m_pAllocator) m_pAllocator->Release();
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IMemInputPin) return D_GetInterface(static_cast<IMemInputPin*>(this), ppv);
    return D_CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::GetAllocator(IMemAllocator** ppAllocator) {
    if (!ppAllocator) return E_POINTER;
    D_CAutoLock lock(m_pLock);
    if (!m_pAllocator) {
        HRESULT hr = D_CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator,
                                                     reinterpret_cast<void**>(&m_pAllocator));
        if (FAILED(hr)) return hr;
    }
    m_pAllocator->AddRef();
    *ppAllocator = m_pAllocator;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator,
                                                           BOOL bReadOnly) {
    if (!pAllocator) return E_POINTER;
    D_CAutoLock lock(m_pLock);
    pAllocator->AddRef();
    if (m_pAllocator) m_pAllocator->Release();
    m_pAllocator = pAllocator;
    m_bReadOnly = bReadOnly != FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
    return E_NOTIMPL;
}

HRESULT D_CBaseInputPin::CheckStreaming() {
    if (m_bFlushing) return S_FALSE;
    if (m_pFilter->IsStopped()) return VFW_E_WRONG_STATE;
    if (m_bAtEndOfStream) return VFW_E_SAMPLE_REJECTED_EOS;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::Receive(IMediaSample* pSample) {
    if (!pSample) return E_POINTER;
    return CheckStreaming();
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                                           LONG* nSamplesProcessed) {
    if (!pSamples || !nSamplesProcessed) return E_POINTER;
    HRESULT hr = S_OK;
    *nSamplesProcessed = 0;
    while (nSamples-- > 0) {
        hr = Receive(pSamples[*nSamplesProcessed]);
        if (hr != S_OK) break;
        ++*nSamplesProcessed;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::BeginFlush() {
    m_bFlushing = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::EndFlush() {
    m_bFlushing = false;
    m_bAtEndOfStream = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseInputPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr == S_OK) m_bAtEndOfStream = true;
    return hr;
}

HRESULT D_CBaseInputPin::BreakConnect() {
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    return S_OK;
}

HRESULT D_CBaseInputPin::Inactive() {
    m_bAtEndOfStream = false;
    m_bFlushing = false;
    return m_pAllocator ? m_pAllocator->Decommit() : S_OK;
}
