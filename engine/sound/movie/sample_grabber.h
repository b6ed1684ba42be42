// The sample grabber: an in-place filter that shows every sample to a
// callback (the MP3 conversion collects the decoded PCM through it) and can
// make its upstream deliver into one caller-given buffer.
#pragma once

#include <dshow_base_classes.h>

namespace DuRud {

// {2FA4F053-6D60-4CB0-9503-8E89234F3F73}
extern const GUID CLSID_D_SampleGrabber;
// {6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}
extern const GUID IID_D_SampleGrabber;

// Sees a sample with its times (stream start added); `typeChanged` is set
// for the first call after a flush or a new segment. The result is the
// transform's.
typedef HRESULT (*SampleGrabberCallback)(IMediaSample* sample, REFERENCE_TIME* start,
                                         REFERENCE_TIME* stop, BOOL typeChanged, void* user);

struct ISampleGrabberControl : IUnknown {
    // Major type, subtype and format type to accept (GUID_NULL: any); null clears.
    virtual HRESULT STDMETHODCALLTYPE SetAcceptedMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallback(SampleGrabberCallback callback, void* user) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDeliveryBuffer(ALLOCATOR_PROPERTIES props,
                                                        BYTE* buffer) = 0;
};

// Samples over one caller-given buffer.
class SampleGrabberAllocator : public D_CMemAllocator {
  public:
    explicit SampleGrabberAllocator(HRESULT* phr)
        : D_CMemAllocator("Sample grabber allocator", nullptr, phr) {}
    ~SampleGrabberAllocator() override { Free(); }
    // One buffer only (E_INVALIDARG), not null (E_POINTER).
    HRESULT SetDeliveryBuffer(const ALLOCATOR_PROPERTIES& props, BYTE* buffer);
    const ALLOCATOR_PROPERTIES& DeliveryProperties() const { return bufferProps_; }
    bool HasBuffer() const { return buffer_ != nullptr; }
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                            ALLOCATOR_PROPERTIES* actual) override;

  protected:
    HRESULT Alloc() override;
    void Free() override;

  private:
    ALLOCATOR_PROPERTIES bufferProps_{};
    BYTE* buffer_ = nullptr;
};

class D_CSampleGrabber;

// "Input": insists on its own allocator while a delivery buffer is set.
class SampleGrabberInputPin : public D_CTransformInputPin {
  public:
    SampleGrabberInputPin(D_CSampleGrabber* filter, HRESULT* phr);
    ~SampleGrabberInputPin() override;
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                         double rate) override;
    HRESULT SetDeliveryBuffer(const ALLOCATOR_PROPERTIES& props, BYTE* buffer);
    // The flush-or-new-segment flag, cleared as it is read.
    BOOL TakeTypeChanged() { return typeChanged_.exchange(false); }

  private:
    D_CSampleGrabber* grabber_;
    SampleGrabberAllocator* allocator_ = nullptr;  // referenced; null until a buffer is set
    std::atomic<bool> typeChanged_{false};
};

class D_CSampleGrabber : public D_CTransInPlaceFilter, public ISampleGrabberControl {
  public:
    D_CSampleGrabber(IUnknown* outer, HRESULT* phr, bool modifiesData);
    D_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT CheckInputType(const D_CMediaType* in) override;
    HRESULT Transform(IMediaSample* sample) override;

    HRESULT STDMETHODCALLTYPE SetAcceptedMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetCallback(SampleGrabberCallback callback, void* user) override;
    HRESULT STDMETHODCALLTYPE SetDeliveryBuffer(ALLOCATOR_PROPERTIES props, BYTE* buffer) override;
    bool ModifiesData() const { return m_modifiesData; }

  private:
    D_CCritSec lock_;  // the accepted type and the callback
    GUID major_ = GUID_NULL, sub_ = GUID_NULL, format_ = GUID_NULL;
    SampleGrabberCallback callback_ = nullptr;
    void* user_ = nullptr;
};

// Null and E_OUTOFMEMORY when the filter or its pin cannot be made; the
// caller holds one reference.
D_CSampleGrabber* CreateSampleGrabber(IUnknown* outer, HRESULT* phr, bool modifiesData);

}  // namespace DuRud
