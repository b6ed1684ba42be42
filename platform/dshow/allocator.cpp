// D_CBaseAllocator (the free list, commit and blocking GetBuffer) and
// D_CMemAllocator (samples over one block; CLSID_MemoryAllocator).
#include <cstdlib>

#include "dshow_base_classes.h"

D_CBaseAllocator::D_CBaseAllocator(const char* name, IUnknown* outer, HRESULT*)
    : D_CUnknown(name, outer) {}

D_CBaseAllocator::~D_CBaseAllocator() {
    for (D_CMediaSample* s : m_all) delete s;
}

HRESULT STDMETHODCALLTYPE D_CBaseAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IMemAllocator) return D_GetInterface(static_cast<IMemAllocator*>(this), ppv);
    return D_CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE D_CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                                          ALLOCATOR_PROPERTIES* pActual) {
    if (!pRequest || !pActual) return E_POINTER;
    D_CAutoLock lock(&m_lock);
    if (m_committed) return VFW_E_ALREADY_COMMITTED;
    if (m_outstanding > 0) return VFW_E_BUFFERS_OUTSTANDING;
    if (pRequest->cbAlign <= 0 || pRequest->cbAlign > 4096 ||
        (pRequest->cbAlign & (pRequest->cbAlign - 1)))
        return VFW_E_BADALIGN;
    if (pRequest->cBuffers < 0 || pRequest->cbBuffer < 0 || pRequest->cbPrefix < 0)
        return E_INVALIDARG;
    m_props = *pRequest;
    m_changed = true;
    *pActual = m_props;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps) {
    if (!pProps) return E_POINTER;
    D_CAutoLock lock(&m_lock);
    *pProps = m_props;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseAllocator::Commit() {
    D_CAutoLock lock(&m_lock);
    if (m_committed) return S_OK;
    if (m_props.cBuffers <= 0 || m_props.cbBuffer <= 0) return VFW_E_SIZENOTSET;
    if (m_changed || m_all.empty()) {
        if (m_outstanding > 0) return VFW_E_BUFFERS_OUTSTANDING;
        Free();
        HRESULT hr = Alloc();
        if (FAILED(hr)) return hr;
        m_changed = false;
    }
    m_committed = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseAllocator::Decommit() {
    D_CAutoLock lock(&m_lock);
    m_committed = false;
    // Wakes every GetBuffer waiting for a sample: they fail now.
    m_freeEvent.Set();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CBaseAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME*,
                                                      REFERENCE_TIME*, DWORD dwFlags) {
    if (!ppBuffer) return E_POINTER;
    *ppBuffer = nullptr;
    for (;;) {
        {
            D_CAutoLock lock(&m_lock);
            if (!m_committed) return VFW_E_NOT_COMMITTED;
            if (!m_free.empty()) {
                D_CMediaSample* sample = m_free.back();
                m_free.pop_back();
                sample->ResetProperties();
                sample->refs_ = 1;
                ++m_outstanding;
                // An outstanding sample keeps its allocator alive.
                NonDelegatingAddRef();
                *ppBuffer = sample;
                return S_OK;
            }
            if (dwFlags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
        }
        m_freeEvent.Wait(INFINITE);
    }
}

HRESULT STDMETHODCALLTYPE D_CBaseAllocator::ReleaseBuffer(IMediaSample* pBuffer) {
    if (!pBuffer) return E_POINTER;
    {
        D_CAutoLock lock(&m_lock);
        m_free.push_back(static_cast<D_CMediaSample*>(pBuffer));
        --m_outstanding;
        m_freeEvent.Set();
    }
    NonDelegatingRelease();
    return S_OK;
}

D_CMemAllocator::D_CMemAllocator(const char* name, IUnknown* outer, HRESULT* phr)
    : D_CBaseAllocator(name, outer, phr) {}

D_CMemAllocator::~D_CMemAllocator() {
    Free();
}

HRESULT D_CMemAllocator::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    HRESULT hr = S_OK;
    auto* allocator = new D_CMemAllocator("Memory allocator", outer, &hr);
    allocator->NonDelegatingAddRef();
    hr = outer ? D_GetInterface(allocator->Inner(), ppv)
               : allocator->NonDelegatingQueryInterface(riid, ppv);
    allocator->NonDelegatingRelease();
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                                         ALLOCATOR_PROPERTIES* pActual) {
    if (!pRequest || !pActual) return E_POINTER;
    ALLOCATOR_PROPERTIES request = *pRequest;
    if (request.cbAlign == 0) request.cbAlign = 1;
    HRESULT hr = D_CBaseAllocator::SetProperties(&request, pActual);
    if (FAILED(hr)) return hr;
    // Each buffer with its prefix rounded up to the alignment.
    D_CAutoLock lock(&m_lock);
    LONG whole = m_props.cbBuffer + m_props.cbPrefix;
    LONG rem = whole % m_props.cbAlign;
    if (rem) m_props.cbBuffer += m_props.cbAlign - rem;
    *pActual = m_props;
    return S_OK;
}

HRESULT D_CMemAllocator::Alloc() {
    const size_t stride = size_t(m_props.cbBuffer) + size_t(m_props.cbPrefix);
    m_memory = static_cast<BYTE*>(std::aligned_alloc(
        size_t(m_props.cbAlign) < alignof(std::max_align_t) ? alignof(std::max_align_t)
                                                            : size_t(m_props.cbAlign),
        ((stride * size_t(m_props.cBuffers) + 4095) / 4096) * 4096));
    if (!m_memory) return E_OUTOFMEMORY;
    for (LONG i = 0; i < m_props.cBuffers; ++i) {
        auto* sample = new D_CMediaSample(
            this, m_memory + stride * size_t(i) + size_t(m_props.cbPrefix), m_props.cbBuffer);
        m_all.push_back(sample);
        m_free.push_back(sample);
    }
    return S_OK;
}

void D_CMemAllocator::Free() {
    for (D_CMediaSample* s : m_all) delete s;
    m_all.clear();
    m_free.clear();
    std::free(m_memory);
    m_memory = nullptr;
}

HRESULT D_RequestReaderAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                 LONG alignment, IMemAllocator** actual) {
    if (!props || !actual) return E_POINTER;
    *actual = nullptr;
    ALLOCATOR_PROPERTIES request = *props, got{};
    if (request.cbAlign <= 0 || request.cbAlign % alignment != 0) request.cbAlign = alignment;
    auto grants = [&](IMemAllocator* allocator) {
        return SUCCEEDED(allocator->SetProperties(&request, &got)) && got.cbAlign > 0 &&
               got.cbAlign % alignment == 0;
    };
    if (preferred && grants(preferred)) {
        preferred->AddRef();
        *actual = preferred;
        return S_OK;
    }
    IMemAllocator* own = nullptr;
    HRESULT hr =
        D_CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator, reinterpret_cast<void**>(&own));
    if (FAILED(hr)) return hr;
    if (!grants(own)) {
        own->Release();
        return VFW_E_BADALIGN;
    }
    *actual = own;
    return S_OK;
}
