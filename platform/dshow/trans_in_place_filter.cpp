// D_CTransInPlaceFilter: the output offers the input's type and, when the
// downstream pin takes it, the input's allocator, so samples pass unchanged
// in their own buffers; otherwise each is copied into an output sample.
#include <cstring>

#include "dshow_base_classes.h"

D_CTransInPlaceFilter::D_CTransInPlaceFilter(const char* name, IUnknown* outer, REFCLSID clsid,
                                             HRESULT*, bool modifiesData)
    : D_CTransformFilter(name, outer, clsid), m_modifiesData(modifiesData) {}

HRESULT D_CTransInPlaceFilter::CheckTransform(const D_CMediaType* in, const D_CMediaType* out) {
    if (in->majortype != out->majortype || in->subtype != out->subtype)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return CheckInputType(out);
}

HRESULT D_CTransInPlaceFilter::GetMediaType(int position, D_CMediaType* mt) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *mt = m_pInput->CurrentMediaType();
    return S_OK;
}

HRESULT D_CTransInPlaceFilter::DecideBufferSize(IMemAllocator* alloc,
                                                ALLOCATOR_PROPERTIES* request) {
    ALLOCATOR_PROPERTIES upstream{};
    IMemAllocator* in = m_pInput->PeekAllocator();
    if (in) in->GetProperties(&upstream);
    request->cBuffers = std::max<LONG>({request->cBuffers, upstream.cBuffers, 1});
    request->cbBuffer = std::max<LONG>({request->cbBuffer, upstream.cbBuffer, 1});
    request->cbAlign = std::max<LONG>({request->cbAlign, upstream.cbAlign, 1});
    ALLOCATOR_PROPERTIES actual;
    return alloc->SetProperties(request, &actual);
}

IMemAllocator* D_CTransInPlaceFilter::PreferredOutputAllocator() {
    return m_pInput->PeekAllocator();
}

HRESULT D_CTransInPlaceFilter::Receive(IMediaSample* sample) {
    D_CAutoLock lock(&m_csReceive);
    if (!m_pOutput->IsConnected()) return S_OK;
    IMemAllocator* in = m_pInput->PeekAllocator();
    if (in && m_pOutput->Allocator() == in) {
        m_copied = false;
        HRESULT hr = Transform(sample);
        if (hr == S_FALSE) return S_OK;
        return FAILED(hr) ? hr : m_pOutput->Deliver(sample);
    }
    m_copied = true;
    IMediaSample* out = nullptr;
    HRESULT hr = InitializeOutputSample(sample, &out);
    if (FAILED(hr)) return hr;
    BYTE *src = nullptr, *dst = nullptr;
    sample->GetPointer(&src);
    out->GetPointer(&dst);
    LONG length = std::min(sample->GetActualDataLength(), out->GetSize());
    std::memcpy(dst, src, size_t(length));
    out->SetActualDataLength(length);
    hr = Transform(out);
    if (hr == S_OK)
        hr = m_pOutput->Deliver(out);
    else if (hr == S_FALSE)
        hr = S_OK;
    out->Release();
    return hr;
}
