// The engine's asynchronous source filter: a byte stream offered to a graph
// through IAsyncReader, with reads queued to a worker thread of its own.
#pragma once

#include <deque>

#include <dshow_base_classes.h>

#include "core/threads_and_locks.h"

namespace DuRud {

// What the reader reads through: a positioned, lockable byte stream.
class D_CAsyncStream {
  public:
    virtual ~D_CAsyncStream() = default;
    // S_OK, or S_FALSE (1) for a position before 0 or past the end.
    virtual HRESULT SetPointer(LONGLONG position) = 0;
    // Reads up to `count` bytes at the pointer; OLE_S_FIRST marks a discontinuity.
    virtual HRESULT Read(BYTE* buffer, DWORD count, BOOL aligned, DWORD* read) = 0;
    virtual HRESULT Size(LONGLONG* total, LONGLONG* available) = 0;
    virtual DWORD Alignment() = 0;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

// Queues reads into samples and completes them on a worker thread, which
// starts with the first request and ends with the worker.
class AsyncIoWorker {
  public:
    explicit AsyncIoWorker(D_CAsyncStream* stream);
    ~AsyncIoWorker();
    AsyncIoWorker(const AsyncIoWorker&) = delete;
    AsyncIoWorker& operator=(const AsyncIoWorker&) = delete;

    // Byte position and length; the sample's buffer receives the bytes. A
    // request shortened at the end of the stream completes with S_FALSE.
    HRESULT Request(LONGLONG position, LONG length, bool shortened, BYTE* buffer,
                    IMediaSample* sample, DWORD_PTR user);
    HRESULT WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user);
    HRESULT BeginFlush();
    HRESULT EndFlush();
    // Reads at once on the caller's thread; the bytes read in `got`.
    HRESULT SyncRead(LONGLONG position, LONG length, BOOL aligned, BYTE* buffer, LONG* got);
    D_CAsyncStream* Stream() const { return stream_; }

  private:
    struct Request_ {
        LONGLONG position;
        LONG length;
        bool shortened;
        BYTE* buffer;
        IMediaSample* sample;
        DWORD_PTR user;
        HRESULT result;
    };
    static void ThreadMain(ThreadContext* context, uintptr_t self);
    void Complete(Request_& request);
    void Finish(const Request_& request);  // worker lock held

    D_CAsyncStream* stream_;
    D_CCritSec lock_;
    std::deque<Request_> queued_, done_;
    D_CAMEvent work_{TRUE}, doneEvent_{TRUE}, allDone_{TRUE}, stop_{TRUE};
    int inProgress_ = 0;
    bool flushing_ = false;
    bool waitingForAll_ = false;
    ThreadContext thread_{};
};

class AsyncReaderFilter;

// "Output": the filter's one pin; its IAsyncReader face counts and queries
// through the filter.
class AsyncOutputPin : public D_CBasePin, public IAsyncReader {
  public:
    AsyncOutputPin(AsyncReaderFilter* filter, D_CCritSec* lock, HRESULT* phr);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return D_CBasePin::QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return D_CBasePin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return D_CBasePin::Release(); }
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT CheckMediaType(const D_CMediaType* mt) override;
    HRESULT GetMediaType(int position, D_CMediaType* mt) override;
    HRESULT CheckConnect(IPin* pin) override;
    // Refuses a downstream pin that never asked for IAsyncReader.
    HRESULT CompleteConnect(IPin* receivePin) override;
    bool AskedForAsyncReader() const { return queriedForAsyncReader_; }

    HRESULT STDMETHODCALLTYPE RequestAllocator(IMemAllocator* preferred,
                                               ALLOCATOR_PROPERTIES* props,
                                               IMemAllocator** actual) override;
    HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) override;
    HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeout, IMediaSample** sample,
                                          DWORD_PTR* user) override;
    HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

  private:
    // Byte range of a sample's times, checked against its buffer and shortened at the end.
    HRESULT SampleRange(IMediaSample* sample, LONGLONG* position, LONG* length, bool* shortened);
    AsyncReaderFilter* reader_;
    bool queriedForAsyncReader_ = false;
};

class AsyncReaderFilter : public D_CBaseFilter {
  public:
    // `stream` stays the caller's and must outlive the filter.
    AsyncReaderFilter(const char* name, IUnknown* outer, D_CAsyncStream* stream,
                      const AM_MEDIA_TYPE& type, HRESULT* phr);
    ~AsyncReaderFilter() override;
    int GetPinCount() override { return 1; }
    D_CBasePin* GetPin(int n) override { return n == 0 ? &pin_ : nullptr; }
    const D_CMediaType& Type() const { return type_; }
    AsyncIoWorker& Worker() { return worker_; }

  private:
    D_CCritSec lock_;
    D_CMediaType type_;
    AsyncIoWorker worker_;
    AsyncOutputPin pin_;
};

}  // namespace DuRud
