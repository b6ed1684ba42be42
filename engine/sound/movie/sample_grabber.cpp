#include "sound/movie/sample_grabber.h"

#include <new>

namespace DuRud {

const GUID CLSID_D_SampleGrabber = {
    0x2FA4F053, 0x6D60, 0x4CB0, {0x95, 0x03, 0x8E, 0x89, 0x23, 0x4F, 0x3F, 0x73}};
const GUID IID_D_SampleGrabber = {
    0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};

// --- allocator -----------------------------------------------------------------------------
HRESULT SampleGrabberAllocator::SetDeliveryBuffer(const ALLOCATOR_PROPERTIES& props, BYTE* buffer) {
    if (props.cBuffers != 1) return E_INVALIDARG;
    if (!buffer) return E_POINTER;
    D_CAutoLock lock(&m_lock);
    if (m_committed) return VFW_E_ALREADY_COMMITTED;
    bufferProps_ = props;
    if (bufferProps_.cbAlign <= 0) bufferProps_.cbAlign = 1;
    buffer_ = buffer;
    m_changed = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleGrabberAllocator::SetProperties(ALLOCATOR_PROPERTIES* request,
                                                                ALLOCATOR_PROPERTIES* actual) {
    HRESULT hr = D_CMemAllocator::SetProperties(request, actual);
    if (FAILED(hr) || !buffer_) return hr;
    if (request->cbAlign != bufferProps_.cbAlign) return VFW_E_BADALIGN;
    if (request->cbPrefix != bufferProps_.cbPrefix || request->cBuffers > bufferProps_.cBuffers ||
        request->cbBuffer > bufferProps_.cbBuffer)
        return E_FAIL;
    D_CAutoLock lock(&m_lock);
    m_props = bufferProps_;
    *actual = m_props;
    return S_OK;
}

HRESULT SampleGrabberAllocator::Alloc() {
    if (!buffer_) return D_CMemAllocator::Alloc();
    const LONG align = bufferProps_.cbAlign;
    const LONG stride = (bufferProps_.cbBuffer + bufferProps_.cbPrefix + align - 1) / align * align;
    for (LONG i = 0; i < bufferProps_.cBuffers; ++i) {
        auto* sample = new D_CMediaSample(this, buffer_ + stride * i + bufferProps_.cbPrefix,
                                          bufferProps_.cbBuffer);
        m_all.push_back(sample);
        m_free.push_back(sample);
    }
    return S_OK;
}

void SampleGrabberAllocator::Free() {
    if (!buffer_) return D_CMemAllocator::Free();
    for (D_CMediaSample* s : m_all) delete s;
    m_all.clear();
    m_free.clear();
}

// --- input pin -----------------------------------------------------------------------------
SampleGrabberInputPin::SampleGrabberInputPin(D_CSampleGrabber* filter, HRESULT* phr)
    : D_CTransformInputPin("Sample grabber input pin", filter, phr, u"Input"), grabber_(filter) {}

SampleGrabberInputPin::~SampleGrabberInputPin() {
    if (allocator_) allocator_->NonDelegatingRelease();
}

HRESULT SampleGrabberInputPin::SetDeliveryBuffer(const ALLOCATOR_PROPERTIES& props, BYTE* buffer) {
    if (props.cBuffers != 1) return E_INVALIDARG;
    if (!buffer) return E_POINTER;
    if (!allocator_) {
        HRESULT hr = S_OK;
        allocator_ = new (std::nothrow) SampleGrabberAllocator(&hr);
        if (!allocator_) return E_OUTOFMEMORY;
        allocator_->NonDelegatingAddRef();
    }
    return allocator_->SetDeliveryBuffer(props, buffer);
}

HRESULT STDMETHODCALLTYPE SampleGrabberInputPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator_ || !allocator_->HasBuffer())
        return D_CTransformInputPin::GetAllocator(allocator);
    if (!allocator) return E_POINTER;
    *allocator = allocator_;
    allocator_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleGrabberInputPin::NotifyAllocator(IMemAllocator* allocator,
                                                                 BOOL readOnly) {
    if (allocator_ && allocator_->HasBuffer()) {
        if (allocator != static_cast<IMemAllocator*>(allocator_)) return E_FAIL;
        if (readOnly && grabber_->ModifiesData()) return E_FAIL;
    }
    return D_CTransformInputPin::NotifyAllocator(allocator, readOnly);
}

HRESULT STDMETHODCALLTYPE
SampleGrabberInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    if (!allocator_ || !allocator_->HasBuffer())
        return D_CTransformInputPin::GetAllocatorRequirements(props);
    if (!props) return E_POINTER;
    *props = allocator_->DeliveryProperties();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleGrabberInputPin::BeginFlush() {
    typeChanged_ = true;
    return D_CTransformInputPin::BeginFlush();
}

HRESULT STDMETHODCALLTYPE SampleGrabberInputPin::NewSegment(REFERENCE_TIME start,
                                                            REFERENCE_TIME stop, double rate) {
    typeChanged_ = true;
    return D_CTransformInputPin::NewSegment(start, stop, rate);
}

// --- filter --------------------------------------------------------------------------------
D_CSampleGrabber::D_CSampleGrabber(IUnknown* outer, HRESULT* phr, bool modifiesData)
    : D_CTransInPlaceFilter("SampleGrabber", outer, CLSID_D_SampleGrabber, phr, modifiesData) {
    m_pInput = new (std::nothrow) SampleGrabberInputPin(this, phr);
    if (!m_pInput && phr) *phr = E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE D_CSampleGrabber::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_D_SampleGrabber)
        return D_GetInterface(static_cast<ISampleGrabberControl*>(this), ppv);
    return D_CTransInPlaceFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT D_CSampleGrabber::CheckInputType(const D_CMediaType* in) {
    D_CAutoLock lock(&lock_);
    if ((major_ != GUID_NULL && in->majortype != major_) ||
        (sub_ != GUID_NULL && in->subtype != sub_) ||
        (format_ != GUID_NULL && in->formattype != format_))
        return VFW_E_INVALID_MEDIA_TYPE;
    return S_OK;
}

HRESULT D_CSampleGrabber::Transform(IMediaSample* sample) {
    D_CAutoLock lock(&lock_);
    if (!callback_) return S_OK;
    REFERENCE_TIME start = 0, stop = 0;
    sample->GetTime(&start, &stop);
    start += m_tStart;
    stop += m_tStart;
    auto* pin = static_cast<SampleGrabberInputPin*>(m_pInput);
    return callback_(sample, &start, &stop, pin->TakeTypeChanged(), user_);
}

HRESULT STDMETHODCALLTYPE D_CSampleGrabber::SetAcceptedMediaType(const AM_MEDIA_TYPE* type) {
    D_CAutoLock lock(&lock_);
    major_ = type ? type->majortype : GUID_NULL;
    sub_ = type ? type->subtype : GUID_NULL;
    format_ = type ? type->formattype : GUID_NULL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    if (!m_pInput || !m_pInput->IsConnected()) return VFW_E_NOT_CONNECTED;
    return D_CopyMediaType(type, &m_pInput->CurrentMediaType());
}

HRESULT STDMETHODCALLTYPE D_CSampleGrabber::SetCallback(SampleGrabberCallback callback,
                                                        void* user) {
    D_CAutoLock lock(&lock_);
    callback_ = callback;
    user_ = user;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CSampleGrabber::SetDeliveryBuffer(ALLOCATOR_PROPERTIES props,
                                                              BYTE* buffer) {
    D_CBasePin* out = GetPin(1);
    if (m_pInput->IsConnected() || (out && out->IsConnected())) return E_INVALIDARG;
    return static_cast<SampleGrabberInputPin*>(m_pInput)->SetDeliveryBuffer(props, buffer);
}

D_CSampleGrabber* CreateSampleGrabber(IUnknown* outer, HRESULT* phr, bool modifiesData) {
    HRESULT hr = S_OK;
    auto* grabber = new (std::nothrow) D_CSampleGrabber(outer, &hr, modifiesData);
    if (grabber && FAILED(hr)) {
        delete grabber;
        grabber = nullptr;
    }
    if (!grabber) {
        if (phr) *phr = E_OUTOFMEMORY;
        return nullptr;
    }
    grabber->NonDelegatingAddRef();
    if (phr) *phr = S_OK;
    return grabber;
}

}  // namespace DuRud
