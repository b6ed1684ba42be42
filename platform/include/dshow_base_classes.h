// The DirectShow base classes (D_ prefix) that the layer's filters and the
// engine's own filters derive from: COM objects with aggregation, locks and
// events, media types, pins, filters, allocators and samples, transform and
// renderer filters, a seeking pass-through, a pull pin and the system clock.
// Every object that blocks does so in the layer's waits, so the virtual clock
// sees the streaming threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "dshow.h"
#include "win_kernel.h"
#include "win_threads.h"

// --- COM objects ---------------------------------------------------------------------
struct D_INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
    virtual ~D_INonDelegatingUnknown() = default;
};

// The non-delegating unknown: an object made with an outer unknown hands its
// IUnknown calls to the outer one and offers its own through the inner face.
class D_CUnknown : public D_INonDelegatingUnknown {
  public:
    D_CUnknown(const char* name, IUnknown* outer);
    ~D_CUnknown() override;
    D_CUnknown(const D_CUnknown&) = delete;
    D_CUnknown& operator=(const D_CUnknown&) = delete;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // The outer unknown, or this object's own inner face.
    IUnknown* GetOwner() const { return owner_; }
    // The inner face (what an aggregating object keeps).
    IUnknown* Inner() { return &inner_; }
    // Live D_CUnknown objects in the process (tests compare before and after).
    static long LiveObjects();

  protected:
    std::atomic<long> m_cRef{0};

  private:
    struct InnerUnknown : IUnknown {
        D_CUnknown* self;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
            return self->NonDelegatingQueryInterface(riid, ppv);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return self->NonDelegatingAddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return self->NonDelegatingRelease(); }
    } inner_;
    IUnknown* owner_;
};

// Hands out an interface with a reference.
HRESULT D_GetInterface(IUnknown* unknown, void** ppv);

// IUnknown of a class derived from D_CUnknown: through the owner.
#define D_DECLARE_IUNKNOWN                                                       \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { \
        return GetOwner()->QueryInterface(riid, ppv);                            \
    }                                                                            \
    ULONG STDMETHODCALLTYPE AddRef() override {                                  \
        return GetOwner()->AddRef();                                             \
    }                                                                            \
    ULONG STDMETHODCALLTYPE Release() override {                                 \
        return GetOwner()->Release();                                            \
    }

// --- locks and events ------------------------------------------------------------------
class D_CCritSec {
  public:
    D_CCritSec() { InitializeCriticalSection(&section_); }
    ~D_CCritSec() { DeleteCriticalSection(&section_); }
    D_CCritSec(const D_CCritSec&) = delete;
    D_CCritSec& operator=(const D_CCritSec&) = delete;
    void Lock() { EnterCriticalSection(&section_); }
    void Unlock() { LeaveCriticalSection(&section_); }

  private:
    CRITICAL_SECTION section_;
};

class D_CAutoLock {
  public:
    explicit D_CAutoLock(D_CCritSec* lock) : lock_(lock) { lock_->Lock(); }
    ~D_CAutoLock() { lock_->Unlock(); }
    D_CAutoLock(const D_CAutoLock&) = delete;
    D_CAutoLock& operator=(const D_CAutoLock&) = delete;

  private:
    D_CCritSec* lock_;
};

// A kernel event (auto-reset unless manualReset).
class D_CAMEvent {
  public:
    explicit D_CAMEvent(BOOL manualReset = FALSE);
    ~D_CAMEvent();
    D_CAMEvent(const D_CAMEvent&) = delete;
    D_CAMEvent& operator=(const D_CAMEvent&) = delete;
    void Set() { SetEvent(event_); }
    void Reset() { ResetEvent(event_); }
    BOOL Wait(DWORD ms = INFINITE) { return WaitForSingleObject(event_, ms) == WAIT_OBJECT_0; }
    BOOL Check() { return Wait(0); }
    HANDLE Handle() const { return event_; }

  private:
    HANDLE event_;
};

// --- media types ---------------------------------------------------------------------------
// An AM_MEDIA_TYPE that owns its format block (CoTaskMemAlloc'd) and pUnk.
class D_CMediaType : public AM_MEDIA_TYPE {
  public:
    D_CMediaType();
    D_CMediaType(const AM_MEDIA_TYPE& other);
    D_CMediaType(const D_CMediaType& other);
    ~D_CMediaType();
    D_CMediaType& operator=(const AM_MEDIA_TYPE& other);
    D_CMediaType& operator=(const D_CMediaType& other);
    bool operator==(const D_CMediaType& other) const;
    bool IsValid() const { return majortype != GUID_NULL; }
    // Replaces the format block with a copy of `length` bytes; false when out of memory.
    bool SetFormat(const void* format, ULONG length);
    BYTE* AllocFormatBuffer(ULONG length);
    void InitMediaType();
    // Major type, subtype and format type all given.
    bool IsPartiallySpecified() const;
    // Whether this (possibly partial) type admits `other`.
    bool MatchesPartial(const AM_MEDIA_TYPE* other) const;
};

HRESULT D_CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
void D_FreeMediaType(AM_MEDIA_TYPE& type);
AM_MEDIA_TYPE* D_CreateMediaType(const AM_MEDIA_TYPE* source);
void D_DeleteMediaType(AM_MEDIA_TYPE* type);
// A source pin that offers one type: it accepts a type of the same major type
// and, unless its own subtype is null, the same subtype; it lists that type.
HRESULT D_CheckOfferedType(const D_CMediaType& ours, const D_CMediaType* offered);
HRESULT D_GetOfferedType(const D_CMediaType& ours, int position, D_CMediaType* out);

// --- filters and pins --------------------------------------------------------------------------
class D_CBasePin;

class D_CBaseFilter : public D_CUnknown, public IBaseFilter {
  public:
    D_CBaseFilter(const char* name, IUnknown* outer, D_CCritSec* lock, REFCLSID clsid);
    ~D_CBaseFilter() override;
    D_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    virtual int GetPinCount() = 0;
    virtual D_CBasePin* GetPin(int n) = 0;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD ms, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin** ppPin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) override;

    // Sends an event to the graph (EC_COMPLETE, EC_ERRORABORT, ...).
    HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    bool IsStopped() const { return m_State == State_Stopped; }
    bool IsActive() const { return m_State != State_Stopped; }
    D_CCritSec* FilterLock() const { return m_pLock; }
    // The name the graph gave the filter (UTF-16).
    const std::u16string& Name() const { return m_name; }

  protected:
    D_CCritSec* m_pLock;
    std::atomic<FILTER_STATE> m_State{State_Stopped};
    // Set by Run while a paused graph already streams: its threads read it.
    std::atomic<REFERENCE_TIME> m_tStart{0};
    IReferenceClock* m_pClock = nullptr;
    IFilterGraph* m_pGraph = nullptr;    // not referenced: the graph holds the filter
    IMediaEventSink* m_pSink = nullptr;  // not referenced
    std::u16string m_name;
    CLSID m_clsid;
};

class D_CBasePin : public D_CUnknown, public IPin {
  public:
    D_CBasePin(const char* objectName, D_CBaseFilter* filter, D_CCritSec* lock, HRESULT* phr,
               LPCWSTR name, PIN_DIRECTION dir);
    ~D_CBasePin() override;
    // Pins live as long as their filter: their references are the filter's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return NonDelegatingQueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_pFilter->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_pFilter->Release(); }
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // Overridables.
    virtual HRESULT CheckMediaType(const D_CMediaType* mt) = 0;
    virtual HRESULT SetMediaType(const D_CMediaType* mt);
    virtual HRESULT GetMediaType(int position, D_CMediaType* mt);
    virtual HRESULT CheckConnect(IPin* pin);
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* receivePin);
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }
    virtual HRESULT Run(REFERENCE_TIME) { return S_OK; }

    HRESULT STDMETHODCALLTYPE Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pConnector,
                                                const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pPin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                         double dRate) override;

    bool IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    const D_CMediaType& CurrentMediaType() const { return m_mt; }
    D_CBaseFilter* Filter() const { return m_pFilter; }
    const std::u16string& PinName() const { return m_pName; }
    PIN_DIRECTION Direction() const { return m_dir; }
    REFERENCE_TIME CurrentStartTime() const { return m_tStart; }

  protected:
    HRESULT AttemptConnection(IPin* receivePin, const D_CMediaType* mt);
    HRESULT TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* pmt, IEnumMediaTypes* types);
    HRESULT DisconnectInternal();

    D_CBaseFilter* m_pFilter;
    D_CCritSec* m_pLock;
    std::u16string m_pName;
    PIN_DIRECTION m_dir;
    IPin* m_Connected = nullptr;
    D_CMediaType m_mt;
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = 0x7FFFFFFFFFFFFFFFLL;
    double m_dRate = 1.0;
};

class D_CEnumPins : public IEnumPins {
  public:
    explicit D_CEnumPins(D_CBaseFilter* filter, size_t position = 0);
    virtual ~D_CEnumPins();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cPins) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** ppEnum) override;

  private:
    std::atomic<long> refs_{1};
    D_CBaseFilter* filter_;
    std::vector<IPin*> pins_;  // referenced at creation
    size_t position_;
};

class D_CEnumMediaTypes : public IEnumMediaTypes {
  public:
    explicit D_CEnumMediaTypes(D_CBasePin* pin, size_t position = 0);
    virtual ~D_CEnumMediaTypes();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** ppEnum) override;

  private:
    std::atomic<long> refs_{1};
    D_CBasePin* pin_;
    size_t position_;
};

// --- allocators and samples --------------------------------------------------------------------
class D_CBaseAllocator;

class D_CMediaSample : public IMediaSample {
  public:
    D_CMediaSample(D_CBaseAllocator* allocator, BYTE* buffer, LONG length);
    virtual ~D_CMediaSample();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** ppBuffer) override;
    LONG STDMETHODCALLTYPE GetSize() override { return size_; }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return sync_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL b) override;
    HRESULT STDMETHODCALLTYPE IsPreroll() override { return preroll_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL b) override;
    LONG STDMETHODCALLTYPE GetActualDataLength() override { return actual_; }
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL b) override;
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* end) override;
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* end) override;

    // Clears times and flags when the allocator hands the sample out again.
    void ResetProperties();
    void SetBuffer(BYTE* buffer, LONG length);

  private:
    friend class D_CBaseAllocator;
    std::atomic<long> refs_{0};
    D_CBaseAllocator* allocator_;
    BYTE* buffer_;
    LONG size_;
    LONG actual_;
    bool timeValid_ = false, stopValid_ = false, mediaTimeValid_ = false;
    REFERENCE_TIME start_ = 0, end_ = 0;
    LONGLONG mediaStart_ = 0, mediaEnd_ = 0;
    bool sync_ = false, preroll_ = false, discontinuity_ = false;
    AM_MEDIA_TYPE* type_ = nullptr;
};

class D_CBaseAllocator : public D_CUnknown, public IMemAllocator {
  public:
    D_CBaseAllocator(const char* name, IUnknown* outer, HRESULT* phr);
    ~D_CBaseAllocator() override;
    D_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                            ALLOCATOR_PROPERTIES* pActual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Decommit() override;
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                                        REFERENCE_TIME* pEndTime, DWORD dwFlags) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* pBuffer) override;

  protected:
    // Makes the samples for the set properties; frees them.
    virtual HRESULT Alloc() = 0;
    virtual void Free() = 0;

    D_CCritSec m_lock;
    D_CAMEvent m_freeEvent;  // set when a sample returns or the allocator decommits
    std::vector<D_CMediaSample*> m_free;
    std::vector<D_CMediaSample*> m_all;
    ALLOCATOR_PROPERTIES m_props{0, 0, 1, 0};
    bool m_committed = false;
    bool m_changed = false;  // properties changed since the samples were made
    long m_outstanding = 0;
};

// IAsyncReader::RequestAllocator for a source whose reads need `alignment`:
// a requested alignment of 0 or not a multiple of it becomes it; the
// preferred allocator serves when it grants a multiple of it, else a new
// memory allocator does; VFW_E_BADALIGN when neither does.
HRESULT D_RequestReaderAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                 LONG alignment, IMemAllocator** actual);

// Samples over one block of memory (CLSID_MemoryAllocator).
class D_CMemAllocator : public D_CBaseAllocator {
  public:
    D_CMemAllocator(const char* name, IUnknown* outer, HRESULT* phr);
    ~D_CMemAllocator() override;
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                            ALLOCATOR_PROPERTIES* pActual) override;

  protected:
    HRESULT Alloc() override;
    void Free() override;

  private:
    BYTE* m_memory = nullptr;
};

// --- pins of the streaming filters --------------------------------------------------------------
class D_CBaseOutputPin : public D_CBasePin {
  public:
    D_CBaseOutputPin(const char* objectName, D_CBaseFilter* filter, D_CCritSec* lock, HRESULT* phr,
                     LPCWSTR name);
    ~D_CBaseOutputPin() override;

    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Allocator negotiation: the input pin's own allocator first, else ours.
    virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** alloc);
    virtual HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT InitAllocator(IMemAllocator** alloc);

    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                              DWORD flags);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    // An output pin refuses these calls: they flow downstream only.
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return E_UNEXPECTED; }

    IMemAllocator* Allocator() const { return m_pAllocator; }
    // Makes the pin deliver from another allocator (referenced here).
    void ReplaceAllocator(IMemAllocator* allocator);

  protected:
    IMemAllocator* m_pAllocator = nullptr;
    IMemInputPin* m_pInputPin = nullptr;
};

class D_CBaseInputPin : public D_CBasePin, public IMemInputPin {
  public:
    D_CBaseInputPin(const char* objectName, D_CBaseFilter* filter, D_CCritSec* lock, HRESULT* phr,
                    LPCWSTR name);
    ~D_CBaseInputPin() override;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return D_CBasePin::QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return D_CBasePin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return D_CBasePin::Release(); }
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                              LONG* nSamplesProcessed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;

    HRESULT BreakConnect() override;
    HRESULT Inactive() override;
    // S_OK while samples may flow; S_FALSE while flushing; an error when stopped
    // or after the end of the stream.
    HRESULT CheckStreaming();
    bool IsFlushing() const { return m_bFlushing; }
    bool IsReadOnly() const { return m_bReadOnly; }
    IMemAllocator* PeekAllocator() const { return m_pAllocator; }

  protected:
    IMemAllocator* m_pAllocator = nullptr;
    std::atomic<bool> m_bFlushing{false};
    std::atomic<bool> m_bAtEndOfStream{false};
    bool m_bReadOnly = false;
};

// --- transform filters --------------------------------------------------------------------------
class D_CTransformFilter;

class D_CTransformInputPin : public D_CBaseInputPin {
  public:
    D_CTransformInputPin(const char* objectName, D_CTransformFilter* filter, HRESULT* phr,
                         LPCWSTR name);
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT CheckMediaType(const D_CMediaType* mt) override;
    HRESULT SetMediaType(const D_CMediaType* mt) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                         double dRate) override;

  protected:
    D_CTransformFilter* m_pTransformFilter;
};

// One IMediaSeeking call on an interface the caller holds a reference to,
// then its release; E_NOTIMPL when there is nobody to ask.
template <typename Call>
inline HRESULT D_CallSeekingAndRelease(IMediaSeeking* seeking, Call call) {
    if (!seeking) return E_NOTIMPL;
    const HRESULT hr = call(seeking);
    seeking->Release();
    return hr;
}

// A seeking pass-through: IMediaSeeking that asks the pin upstream of an input pin.
class D_CPosPassThru : public IMediaSeeking {
  public:
    explicit D_CPosPassThru(IUnknown* owner, IPin* inputPin) : owner_(owner), pin_(inputPin) {}
    virtual ~D_CPosPassThru() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return owner_->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* p) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* p) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* f) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* f) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* f) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* f) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* f) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* p) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* p) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* p) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s,
                                                const GUID* sf) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* cur, DWORD cf, LONGLONG* stop,
                                           DWORD sf) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* cur, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* e, LONGLONG* l) override;
    HRESULT STDMETHODCALLTYPE SetRate(double r) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* r) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* p) override;

  private:
    // The upstream pin's IMediaSeeking (referenced), or null.
    IMediaSeeking* Upstream();
    IUnknown* owner_;
    IPin* pin_;
};

class D_CTransformOutputPin : public D_CBaseOutputPin {
  public:
    D_CTransformOutputPin(const char* objectName, D_CTransformFilter* filter, HRESULT* phr,
                          LPCWSTR name);
    ~D_CTransformOutputPin() override;
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT CheckMediaType(const D_CMediaType* mt) override;
    HRESULT SetMediaType(const D_CMediaType* mt) override;
    HRESULT GetMediaType(int position, D_CMediaType* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;
    HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** alloc) override;

  protected:
    D_CTransformFilter* m_pTransformFilter;
    D_CPosPassThru* m_pPosition = nullptr;
};

class D_CTransformFilter : public D_CBaseFilter {
  public:
    D_CTransformFilter(const char* name, IUnknown* outer, REFCLSID clsid);
    ~D_CTransformFilter() override;

    int GetPinCount() override { return 2; }
    D_CBasePin* GetPin(int n) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;

    // Overridables.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
    virtual HRESULT CheckInputType(const D_CMediaType* in) = 0;
    virtual HRESULT CheckTransform(const D_CMediaType* in, const D_CMediaType* out) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT GetMediaType(int position, D_CMediaType* mt) = 0;
    virtual HRESULT SetMediaType(PIN_DIRECTION, const D_CMediaType*) { return S_OK; }
    virtual HRESULT CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
    virtual HRESULT CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    // An allocator the output offers downstream before its own (not referenced).
    virtual IMemAllocator* PreferredOutputAllocator() { return nullptr; }

    D_CTransformInputPin* InputPin() { return m_pInput; }
    D_CTransformOutputPin* OutputPin() { return m_pOutput; }

  protected:
    // Copies data, times and flags into a sample of the output allocator.
    HRESULT InitializeOutputSample(IMediaSample* in, IMediaSample** out);

    D_CCritSec m_csFilter;
    D_CCritSec m_csReceive;
    D_CTransformInputPin* m_pInput = nullptr;
    D_CTransformOutputPin* m_pOutput = nullptr;
};

// A transform that changes samples in place: the output uses the input's
// allocator when downstream accepts it, so the very buffer passes through;
// otherwise each sample is copied first.
class D_CTransInPlaceFilter : public D_CTransformFilter {
  public:
    D_CTransInPlaceFilter(const char* name, IUnknown* outer, REFCLSID clsid, HRESULT* phr,
                          bool modifiesData = true);

    virtual HRESULT Transform(IMediaSample* sample) = 0;
    HRESULT CheckTransform(const D_CMediaType* in, const D_CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, D_CMediaType* mt) override;
    HRESULT Receive(IMediaSample* sample) override;
    IMemAllocator* PreferredOutputAllocator() override;
    // Whether the last Receive copied (the allocators differed).
    bool Copied() const { return m_copied; }

  protected:
    bool m_modifiesData;
    bool m_copied = false;
};

// --- renderers
// ------------------------------------------------------------------------------------
class D_CBaseRenderer;

class D_CRendererInputPin : public D_CBaseInputPin {
  public:
    D_CRendererInputPin(D_CBaseRenderer* renderer, HRESULT* phr, LPCWSTR name);
    HRESULT CheckMediaType(const D_CMediaType* mt) override;
    HRESULT SetMediaType(const D_CMediaType* mt) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

  private:
    D_CBaseRenderer* m_pRenderer;
};

// Renders each sample when the clock reaches its start time (at once without
// a clock); holds the first sample while paused (a video renderer also shows
// it then); sends EC_COMPLETE after the end of the stream (after the last stop
// time on a clock).
class D_CBaseRenderer : public D_CBaseFilter {
  public:
    D_CBaseRenderer(REFCLSID clsid, const char* name, IUnknown* outer, HRESULT* phr);
    ~D_CBaseRenderer() override;
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    int GetPinCount() override { return 1; }
    D_CBasePin* GetPin(int n) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;
    // While paused: VFW_S_STATE_INTERMEDIATE until a sample (or the end of
    // the stream) has arrived, waiting up to `ms` for it.
    HRESULT STDMETHODCALLTYPE GetState(DWORD ms, FILTER_STATE* state) override;

    // Overridables.
    virtual HRESULT CheckMediaType(const D_CMediaType* mt) = 0;
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    virtual HRESULT SetMediaType(const D_CMediaType*) { return S_OK; }
    virtual HRESULT BreakConnect() { return S_OK; }
    virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
    virtual HRESULT OnStartStreaming() { return S_OK; }
    virtual HRESULT OnStopStreaming() { return S_OK; }
    // Runs on the streaming thread before each wait for a sample's time while
    // running; returns the longest that wait may last. A renderer feeding a
    // device looks after it this often.
    virtual DWORD OnWaitForRenderTime() { return INFINITE; }
    // Runs once the end of the stream is due, before EC_COMPLETE: a renderer
    // that buffers waits until what it holds is played. False when stopped
    // or flushed meanwhile (no EC_COMPLETE then).
    virtual bool WaitForPlayedOut() { return true; }

    HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    // Samples rendered since the filter was made.
    long RenderedSamples() const { return m_rendered; }
    D_CRendererInputPin* InputPin() { return m_pInputPin; }

  protected:
    // True: a sample held while paused is rendered at once (the picture a
    // paused video shows) and not again when its time comes.
    virtual bool ShowsSampleWhilePaused() const { return false; }
    // Waits until the stream time may be rendered; false when stopped or
    // flushed meanwhile. `held`, when given, runs each time the wait finds
    // the filter paused, before it waits.
    bool WaitForRenderTime(REFERENCE_TIME streamTime, bool haveTime,
                           const std::function<void()>& held = {});

    D_CCritSec m_InterfaceLock;
    D_CCritSec m_RendererLock;
    D_CAMEvent m_stateEvent;          // a state change, flush or stop
    D_CAMEvent m_prerollEvent{TRUE};  // set once paused with a sample (or streaming)
    D_CRendererInputPin* m_pInputPin = nullptr;
    D_CPosPassThru* m_pPosition = nullptr;
    std::atomic<long> m_rendered{0};
    // Written by the streaming thread under the renderer lock and reset by
    // Stop under the interface lock, which must not wait for a streaming
    // thread that is waiting for its render time.
    std::atomic<bool> m_eosSent{false};
    std::atomic<REFERENCE_TIME> m_lastStop{0};
    std::atomic<bool> m_haveLastStop{false};
};

// A paused video shows a picture: the sample held while paused is rendered
// then, so a stream paused before its first sample came due (a slow machine,
// a short clip whose end was reached first) still shows a frame.
class D_CBaseVideoRenderer : public D_CBaseRenderer {
  public:
    D_CBaseVideoRenderer(REFCLSID clsid, const char* name, IUnknown* outer, HRESULT* phr)
        : D_CBaseRenderer(clsid, name, outer, phr) {}

  protected:
    bool ShowsSampleWhilePaused() const override { return true; }
};

// --- pulling from an IAsyncReader
// ------------------------------------------------------------------ Pulls a byte range from an
// upstream IAsyncReader on a streaming thread of its own and hands the chunks to Receive. Seek
// restarts the range.
class D_CPullPin {
  public:
    D_CPullPin();
    virtual ~D_CPullPin();
    D_CPullPin(const D_CPullPin&) = delete;
    D_CPullPin& operator=(const D_CPullPin&) = delete;

    // Asks the upstream pin for IAsyncReader and an allocator of chunkBytes samples.
    HRESULT Connect(IUnknown* upstream, LONG chunkBytes);
    HRESULT Disconnect();
    IAsyncReader* GetReader() const { return reader_; }
    HRESULT Active();    // starts the thread
    HRESULT Inactive();  // stops and joins it
    // Sets the byte range [start, stop); restarts the thread when it runs.
    HRESULT Seek(LONGLONG start, LONGLONG stop);
    // Flushes downstream (BeginFlush, EndFlush) around stopping the thread.
    void StopForSeek();
    LONGLONG Length() const { return length_; }

    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual void OnError(HRESULT hr) = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;

  private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    void Process();
    void StopThread();
    void StartThread();

    IAsyncReader* reader_ = nullptr;
    IMemAllocator* allocator_ = nullptr;
    LONGLONG start_ = 0, stop_ = 0, length_ = 0;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stopRequested_{false};
    D_CCritSec lock_;
};

// --- the system reference clock ------------------------------------------------------------------
// Reads the layer's one clock (real or virtual) in 100 ns units; never goes back.
class D_CSystemClock : public D_CUnknown, public IReferenceClock {
  public:
    D_CSystemClock(const char* name, IUnknown* outer, HRESULT* phr);
    D_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTime) override;
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                                         HEVENT hEvent, DWORD_PTR* cookie) override;
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                                             HSEMAPHORE hSemaphore, DWORD_PTR* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR cookie) override;

  private:
    std::atomic<REFERENCE_TIME> last_{0};
};
