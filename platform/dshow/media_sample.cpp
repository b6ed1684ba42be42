// D_CMediaSample: a buffer with times and flags that goes back to its
// allocator on the last Release.
#include "dshow_base_classes.h"

D_CMediaSample::D_CMediaSample(D_CBaseAllocator* allocator, BYTE* buffer, LONG length)
    : allocator_(allocator), buffer_(buffer), size_(length), actual_(length) {}

D_CMediaSample::~D_CMediaSample() {
    D_DeleteMediaType(type_);
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMediaSample) return D_GetInterface(this, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE D_CMediaSample::Release() {
    long left = --refs_;
    if (left == 0) {
        // Back to the allocator, which keeps the object for the next GetBuffer.
        allocator_->ReleaseBuffer(this);
        return 0;
    }
    return ULONG(left < 0 ? 0 : left);
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::GetPointer(BYTE** ppBuffer) {
    if (!ppBuffer) return E_POINTER;
    *ppBuffer = buffer_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end) return E_POINTER;
    if (!timeValid_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    if (stopValid_) {
        *end = end_;
        return S_OK;
    }
    *end = start_ + 1;
    return VFW_S_NO_STOP_TIME;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start) {
        timeValid_ = stopValid_ = false;
        return S_OK;
    }
    timeValid_ = true;
    start_ = *start;
    stopValid_ = end != nullptr;
    if (end) end_ = *end;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::SetSyncPoint(BOOL b) {
    sync_ = b != FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::SetPreroll(BOOL b) {
    preroll_ = b != FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
    actual_ = length;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType) {
    if (!ppMediaType) return E_POINTER;
    if (!type_) {
        *ppMediaType = nullptr;
        return S_FALSE;
    }
    *ppMediaType = D_CreateMediaType(type_);
    return *ppMediaType ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType) {
    D_DeleteMediaType(type_);
    type_ = pMediaType ? D_CreateMediaType(pMediaType) : nullptr;
    return (pMediaType && !type_) ? E_OUTOFMEMORY : S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::SetDiscontinuity(BOOL b) {
    discontinuity_ = b != FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
    if (!start || !end) return E_POINTER;
    if (!mediaTimeValid_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *end = mediaEnd_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* end) {
    mediaTimeValid_ = start && end;
    if (mediaTimeValid_) {
        mediaStart_ = *start;
        mediaEnd_ = *end;
    }
    return S_OK;
}

void D_CMediaSample::ResetProperties() {
    timeValid_ = stopValid_ = mediaTimeValid_ = false;
    sync_ = preroll_ = discontinuity_ = false;
    actual_ = size_;
    D_DeleteMediaType(type_);
    type_ = nullptr;
}

void D_CMediaSample::SetBuffer(BYTE* buffer, LONG length) {
    buffer_ = buffer;
    size_ = actual_ = length;
}
