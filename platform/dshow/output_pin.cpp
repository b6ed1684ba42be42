// D_CBaseOutputPin: allocator negotiation on connection, commit while active,
// and delivery downstream.
#include "dshow_base_classes.h"

D_CBaseOutputPin::D_CBaseOutputPin(const char* objectName, D_CBaseFilter* filter, D_CCritSec* lock,
                                   HRESULT* phr, LPCWSTR name)
    : D_CBasePin(objectName, filter, lock, phr, name, PINDIR_OUTPUT) {}

D_CBaseOutputPin::~D_CBaseOutputPin() {
    BreakConnect();
}

HRESULT D_CBaseOutputPin::CheckConnect(IPin* pin) {
    HRESULT hr = D_CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    void* input = nullptr;
    if (FAILED(pin->QueryInterface(IID_IMemInputPin, &input))) return E_NOINTERFACE;
    m_pInputPin = static_cast<IMemInputPin*>(input);
    return S_OK;
}

HRESULT D_CBaseOutputPin::CompleteConnect(IPin*) {
    return DecideAllocator(m_pInputPin, &m_pAllocator);
}

HRESULT D_CBaseOutputPin::BreakConnect() {
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    if (m_pInputPin) {
        m_pInputPin->Release();
        m_pInputPin = nullptr;
    }
    return S_OK;
}

HRESULT D_CBaseOutputPin::InitAllocator(IMemAllocator** alloc) {
    return D_CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator,
                                           reinterpret_cast<void**>(alloc));
}

HRESULT D_CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** alloc) {
    *alloc = nullptr;
    ALLOCATOR_PROPERTIES props{};
    pin->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0) props.cbAlign = 1;
    HRESULT hr = pin->GetAllocator(alloc);
    if (SUCCEEDED(hr)) {
        ALLOCATOR_PROPERTIES request = props;
        hr = DecideBufferSize(*alloc, &request);
        if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(*alloc, FALSE);
        if (SUCCEEDED(hr)) return S_OK;
    }
    if (*alloc) {
        (*alloc)->Release();
        *alloc = nullptr;
    }
    hr = InitAllocator(alloc);
    if (SUCCEEDED(hr)) {
        ALLOCATOR_PROPERTIES request = props;
        hr = DecideBufferSize(*alloc, &request);
        if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(*alloc, FALSE);
        if (SUCCEEDED(hr)) return S_OK;
    }
    if (*alloc) {
        (*alloc)->Release();
        *alloc = nullptr;
    }
    return FAILED(hr) ? hr : VFW_E_NO_ALLOCATOR;
}

HRESULT D_CBaseOutputPin::Active() {
    return m_pAllocator ? m_pAllocator->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT D_CBaseOutputPin::Inactive() {
    return m_pAllocator ? m_pAllocator->Decommit() : VFW_E_NO_ALLOCATOR;
}

HRESULT D_CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                            REFERENCE_TIME* stop, DWORD flags) {
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->GetBuffer(sample, start, stop, flags);
}

HRESULT D_CBaseOutputPin::Deliver(IMediaSample* sample) {
    return m_pInputPin ? m_pInputPin->Receive(sample) : VFW_E_NOT_CONNECTED;
}

HRESULT D_CBaseOutputPin::DeliverEndOfStream() {
    return m_Connected ? m_Connected->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT D_CBaseOutputPin::DeliverBeginFlush() {
    return m_Connected ? m_Connected->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT D_CBaseOutputPin::DeliverEndFlush() {
    return m_Connected ? m_Connected->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT D_CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                            double dRate) {
    return m_Connected ? m_Connected->NewSegment(tStart, tStop, dRate) : VFW_E_NOT_CONNECTED;
}

void D_CBaseOutputPin::ReplaceAllocator(IMemAllocator* allocator) {
    allocator->AddRef();
    if (m_pAllocator) m_pAllocator->Release();
    m_pAllocator = allocator;
}
