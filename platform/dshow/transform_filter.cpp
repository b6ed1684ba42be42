// D_CTransformFilter and its pins: the output is offered once the input is
// connected; each input sample is transformed into a new output sample.
#include <cstring>

#include "dshow_base_classes.h"

// --- input pin ---------------------------------------------------------------------------
D_CTransformInputPin::D_CTransformInputPin(const char* objectName, D_CTransformFilter* filter,
                                           HRESULT* phr, LPCWSTR name)
    : D_CBaseInputPin(objectName, filter, filter->FilterLock(), phr, name),
      m_pTransformFilter(filter) {}

HRESULT D_CTransformInputPin::CheckConnect(IPin* pin) {
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, pin);
    return FAILED(hr) ? hr : D_CBaseInputPin::CheckConnect(pin);
}

HRESULT D_CTransformInputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_INPUT);
    return D_CBaseInputPin::BreakConnect();
}

HRESULT D_CTransformInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, receivePin);
    return FAILED(hr) ? hr : D_CBaseInputPin::CompleteConnect(receivePin);
}

HRESULT D_CTransformInputPin::CheckMediaType(const D_CMediaType* mt) {
    HRESULT hr = m_pTransformFilter->CheckInputType(mt);
    if (hr != S_OK) return hr;
    D_CTransformOutputPin* out = m_pTransformFilter->OutputPin();
    if (out && out->IsConnected())
        return m_pTransformFilter->CheckTransform(mt, &out->CurrentMediaType());
    return S_OK;
}

HRESULT D_CTransformInputPin::SetMediaType(const D_CMediaType* mt) {
    HRESULT hr = D_CBasePin::SetMediaType(mt);
    return FAILED(hr) ? hr : m_pTransformFilter->SetMediaType(PINDIR_INPUT, mt);
}

HRESULT STDMETHODCALLTYPE D_CTransformInputPin::Receive(IMediaSample* pSample) {
    HRESULT hr = D_CBaseInputPin::Receive(pSample);
    if (hr != S_OK) return hr;
    return m_pTransformFilter->Receive(pSample);
}

HRESULT STDMETHODCALLTYPE D_CTransformInputPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return m_pTransformFilter->EndOfStream();
}

HRESULT STDMETHODCALLTYPE D_CTransformInputPin::BeginFlush() {
    D_CBaseInputPin::BeginFlush();
    return m_pTransformFilter->BeginFlush();
}

HRESULT STDMETHODCALLTYPE D_CTransformInputPin::EndFlush() {
    HRESULT hr = m_pTransformFilter->EndFlush();
    D_CBaseInputPin::EndFlush();
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CTransformInputPin::NewSegment(REFERENCE_TIME tStart,
                                                           REFERENCE_TIME tStop, double dRate) {
    D_CBasePin::NewSegment(tStart, tStop, dRate);
    return m_pTransformFilter->NewSegment(tStart, tStop, dRate);
}

// --- output pin ------------------------------------------------------------------------------
D_CTransformOutputPin::D_CTransformOutputPin(const char* objectName, D_CTransformFilter* filter,
                                             HRESULT* phr, LPCWSTR name)
    : D_CBaseOutputPin(objectName, filter, filter->FilterLock(), phr, name),
      m_pTransformFilter(filter) {}

D_CTransformOutputPin::~D_CTransformOutputPin() {
    delete m_pPosition;
}

HRESULT STDMETHODCALLTYPE D_CTransformOutputPin::NonDelegatingQueryInterface(REFIID riid,
                                                                             void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IMediaSeeking) {
        if (!m_pPosition)
            m_pPosition =
                new D_CPosPassThru(static_cast<IPin*>(this), m_pTransformFilter->InputPin());
        return D_GetInterface(m_pPosition, ppv);
    }
    return D_CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT D_CTransformOutputPin::CheckConnect(IPin* pin) {
    // Nothing to offer before the input knows its type.
    if (!m_pTransformFilter->InputPin()->IsConnected()) return E_UNEXPECTED;
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, pin);
    return FAILED(hr) ? hr : D_CBaseOutputPin::CheckConnect(pin);
}

HRESULT D_CTransformOutputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
    return D_CBaseOutputPin::BreakConnect();
}

HRESULT D_CTransformOutputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, receivePin);
    if (FAILED(hr)) return hr;
    return D_CBaseOutputPin::CompleteConnect(receivePin);
}

HRESULT D_CTransformOutputPin::CheckMediaType(const D_CMediaType* mt) {
    D_CTransformInputPin* in = m_pTransformFilter->InputPin();
    if (!in->IsConnected()) return E_INVALIDARG;
    return m_pTransformFilter->CheckTransform(&in->CurrentMediaType(), mt);
}

HRESULT D_CTransformOutputPin::SetMediaType(const D_CMediaType* mt) {
    HRESULT hr = D_CBasePin::SetMediaType(mt);
    return FAILED(hr) ? hr : m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, mt);
}

HRESULT D_CTransformOutputPin::GetMediaType(int position, D_CMediaType* mt) {
    if (!m_pTransformFilter->InputPin()->IsConnected()) return E_UNEXPECTED;
    return m_pTransformFilter->GetMediaType(position, mt);
}

HRESULT D_CTransformOutputPin::DecideBufferSize(IMemAllocator* alloc,
                                                ALLOCATOR_PROPERTIES* request) {
    return m_pTransformFilter->DecideBufferSize(alloc, request);
}

// --- filter --------------------------------------------------------------------------------------
D_CTransformFilter::D_CTransformFilter(const char* name, IUnknown* outer, REFCLSID clsid)
    : D_CBaseFilter(name, outer, &m_csFilter, clsid) {}

D_CTransformFilter::~D_CTransformFilter() {
    delete m_pInput;
    delete m_pOutput;
}

D_CBasePin* D_CTransformFilter::GetPin(int n) {
    // Made on first use; a subclass may have put its own in place before.
    HRESULT hr = S_OK;
    if (!m_pInput) m_pInput = new D_CTransformInputPin("Transform input pin", this, &hr, u"XForm In");
    if (!m_pOutput)
        m_pOutput = new D_CTransformOutputPin("Transform output pin", this, &hr, u"XForm Out");
    if (n == 0) return m_pInput;
    if (n == 1) return m_pOutput;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE D_CTransformFilter::Stop() {
    HRESULT hr = D_CBaseFilter::Stop();
    D_CAutoLock lock(&m_csReceive);
    StopStreaming();
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CTransformFilter::Pause() {
    bool starting = IsStopped();
    HRESULT hr = D_CBaseFilter::Pause();
    if (SUCCEEDED(hr) && starting) hr = StartStreaming();
    return hr;
}

HRESULT D_CTransformFilter::Transform(IMediaSample*, IMediaSample*) {
    return E_UNEXPECTED;
}

HRESULT D_CTransformFilter::InitializeOutputSample(IMediaSample* in, IMediaSample** out) {
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(out, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    HRESULT timed = in->GetTime(&start, &stop);
    if (timed == S_OK)
        (*out)->SetTime(&start, &stop);
    else if (timed == VFW_S_NO_STOP_TIME)
        (*out)->SetTime(&start, nullptr);
    (*out)->SetSyncPoint(in->IsSyncPoint() == S_OK);
    (*out)->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
    (*out)->SetPreroll(in->IsPreroll() == S_OK);
    return S_OK;
}

HRESULT D_CTransformFilter::Receive(IMediaSample* sample) {
    D_CAutoLock lock(&m_csReceive);
    if (!m_pOutput->IsConnected()) return S_OK;
    IMediaSample* out = nullptr;
    HRESULT hr = InitializeOutputSample(sample, &out);
    if (FAILED(hr)) return hr;
    hr = Transform(sample, out);
    if (hr == S_OK)
        hr = m_pOutput->Deliver(out);
    else if (hr == S_FALSE)
        hr = S_OK;  // dropped on purpose
    out->Release();
    return hr;
}

HRESULT D_CTransformFilter::EndOfStream() {
    return m_pOutput->IsConnected() ? m_pOutput->DeliverEndOfStream() : S_OK;
}

HRESULT D_CTransformFilter::BeginFlush() {
    return m_pOutput->IsConnected() ? m_pOutput->DeliverBeginFlush() : S_OK;
}

HRESULT D_CTransformFilter::EndFlush() {
    return m_pOutput->IsConnected() ? m_pOutput->DeliverEndFlush() : S_OK;
}

HRESULT D_CTransformFilter::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    return m_pOutput->IsConnected() ? m_pOutput->DeliverNewSegment(tStart, tStop, dRate) : S_OK;
}

HRESULT D_CTransformOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** alloc) {
    IMemAllocator* preferred = m_pTransformFilter->PreferredOutputAllocator();
    if (preferred && SUCCEEDED(pin->NotifyAllocator(preferred, FALSE))) {
        preferred->AddRef();
        *alloc = preferred;
        return S_OK;
    }
    return D_CBaseOutputPin::DecideAllocator(pin, alloc);
}
