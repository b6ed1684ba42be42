#include "sound/movie/async_reader.h"

#include <algorithm>

namespace DuRud {
namespace {

// {C553F2C0-1529-11D0-B4D1-00805F6CBBEA}
const GUID kAsyncReaderClassId = {
    0xC553F2C0, 0x1529, 0x11D0, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
constexpr LONGLONG kUnitsPerByte = 10000000;

LONGLONG RoundUp(LONGLONG value, LONGLONG alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

// --- worker --------------------------------------------------------------------------------
AsyncIoWorker::AsyncIoWorker(D_CAsyncStream* stream) : stream_(stream) {}

AsyncIoWorker::~AsyncIoWorker() {
    if (!IsThreadCreated(&thread_)) return;
    stop_.Set();
    WaitForSingleObject(thread_.handle, INFINITE);
    CloseThreadHandle(&thread_);
}

void AsyncIoWorker::ThreadMain(ThreadContext*, uintptr_t self) {
    auto* worker = reinterpret_cast<AsyncIoWorker*>(self);
    const HANDLE events[2] = {worker->stop_.Handle(), worker->work_.Handle()};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        while (!worker->stop_.Check()) {  // ending: queued requests are dropped
            Request_ request;
            {
                D_CAutoLock lock(&worker->lock_);
                if (worker->queued_.empty() || worker->flushing_) {
                    worker->work_.Reset();
                    break;
                }
                request = worker->queued_.front();
                worker->queued_.pop_front();
                ++worker->inProgress_;
            }
            worker->Complete(request);  // without the lock: a flush may queue meanwhile
            D_CAutoLock lock(&worker->lock_);
            --worker->inProgress_;
            worker->Finish(request);
        }
    }
}

void AsyncIoWorker::Complete(Request_& request) {
    LONG got = 0;
    request.result = SyncRead(request.position, request.length, TRUE, request.buffer, &got);
    if (request.result == OLE_S_FIRST) {
        request.sample->SetDiscontinuity(TRUE);
        request.result = S_OK;
    }
    if (request.result == S_OK && request.shortened) request.result = S_FALSE;
    if (FAILED(request.result)) got = 0;
    request.sample->SetActualDataLength(got);
    REFERENCE_TIME start = request.position * kUnitsPerByte, stop = start + got * kUnitsPerByte;
    request.sample->SetTime(&start, &stop);
}

void AsyncIoWorker::Finish(const Request_& request) {
    done_.push_back(request);
    doneEvent_.Set();
    if (inProgress_ == 0 && waitingForAll_) allDone_.Set();
}

HRESULT AsyncIoWorker::SyncRead(LONGLONG position, LONG length, BOOL aligned, BYTE* buffer,
                                LONG* got) {
    *got = 0;
    stream_->Lock();
    HRESULT hr = stream_->SetPointer(position);
    DWORD read = 0;
    if (hr == S_OK) hr = stream_->Read(buffer, DWORD(length), aligned, &read);
    stream_->Unlock();
    if (FAILED(hr)) return hr;
    *got = LONG(read);
    return LONG(read) < length ? S_FALSE : hr;
}

HRESULT AsyncIoWorker::Request(LONGLONG position, LONG length, bool shortened, BYTE* buffer,
                               IMediaSample* sample, DWORD_PTR user) {
    D_CAutoLock lock(&lock_);
    if (flushing_) return VFW_E_WRONG_STATE;
    Request_ request{position, length, shortened, buffer, sample, user, S_OK};
    if (length == 0) {  // nothing to read (at or past the end): done at once
        sample->SetActualDataLength(0);
        request.result = S_FALSE;
        Finish(request);
        return S_OK;
    }
    queued_.push_back(request);
    if (!IsThreadCreated(&thread_)) {
        if (CreateEngineThread(&thread_, &AsyncIoWorker::ThreadMain, uintptr_t(this)) != 0) {
            queued_.pop_back();
            return E_OUTOFMEMORY;
        }
        ResumeEngineThread(&thread_);
    }
    work_.Set();
    return S_OK;
}

HRESULT AsyncIoWorker::WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) {
    *sample = nullptr;
    *user = 0;
    for (;;) {
        {
            D_CAutoLock lock(&lock_);
            if (!done_.empty()) {
                const Request_ request = done_.front();
                done_.pop_front();
                if (done_.empty() && !flushing_) doneEvent_.Reset();
                *sample = request.sample;
                *user = request.user;
                return request.result;
            }
            if (flushing_) return VFW_E_WRONG_STATE;
        }
        if (!doneEvent_.Wait(timeout)) return VFW_E_TIMEOUT;
    }
}

HRESULT AsyncIoWorker::BeginFlush() {
    bool inProgress;
    {
        D_CAutoLock lock(&lock_);
        flushing_ = true;
        for (Request_& request : queued_) {
            request.result = VFW_E_WRONG_STATE;  // cancelled
            done_.push_back(request);
        }
        queued_.clear();
        waitingForAll_ = inProgress_ > 0;
        if (waitingForAll_) allDone_.Reset();
        inProgress = waitingForAll_;
    }
    // Without the lock: the reads in progress need it to finish.
    if (inProgress) allDone_.Wait();
    D_CAutoLock lock(&lock_);
    waitingForAll_ = false;
    doneEvent_.Set();  // waiters see the cancelled requests, then the flush
    return S_OK;
}

HRESULT AsyncIoWorker::EndFlush() {
    D_CAutoLock lock(&lock_);
    flushing_ = false;
    if (done_.empty())
        doneEvent_.Reset();
    else
        doneEvent_.Set();
    if (!queued_.empty()) work_.Set();
    return S_OK;
}

// --- pin -----------------------------------------------------------------------------------
AsyncOutputPin::AsyncOutputPin(AsyncReaderFilter* filter, D_CCritSec* lock, HRESULT* phr)
    : D_CBasePin("Async output pin", filter, lock, phr, u"Output", PINDIR_OUTPUT),
      reader_(filter) {}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IAsyncReader) {
        queriedForAsyncReader_ = true;
        return D_GetInterface(static_cast<IAsyncReader*>(this), ppv);
    }
    return D_CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT AsyncOutputPin::CheckMediaType(const D_CMediaType* mt) {
    return D_CheckOfferedType(reader_->Type(), mt);
}

HRESULT AsyncOutputPin::GetMediaType(int position, D_CMediaType* mt) {
    return D_GetOfferedType(reader_->Type(), position, mt);
}

HRESULT AsyncOutputPin::CheckConnect(IPin* pin) {
    queriedForAsyncReader_ = false;
    return D_CBasePin::CheckConnect(pin);
}

HRESULT AsyncOutputPin::CompleteConnect(IPin* receivePin) {
    if (!queriedForAsyncReader_) return VFW_E_NO_TRANSPORT;
    return D_CBasePin::CompleteConnect(receivePin);
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::RequestAllocator(IMemAllocator* preferred,
                                                           ALLOCATOR_PROPERTIES* props,
                                                           IMemAllocator** actual) {
    return D_RequestReaderAllocator(preferred, props, LONG(reader_->Worker().Stream()->Alignment()),
                                    actual);
}

HRESULT AsyncOutputPin::SampleRange(IMediaSample* sample, LONGLONG* position, LONG* length,
                                    bool* shortened) {
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop))) return VFW_E_SAMPLE_TIME_NOT_SET;
    const LONGLONG from = start / kUnitsPerByte, to = stop / kUnitsPerByte;
    if (from < 0 || to < from || to - from > sample->GetSize()) return E_INVALIDARG;
    LONGLONG total = 0, available = 0;
    reader_->Worker().Stream()->Size(&total, &available);
    LONGLONG bytes = to - from;
    if (from >= total) {
        bytes = 0;
    } else if (from + bytes > total) {  // shortened, rounded up to the stream's alignment
        const LONGLONG alignment = reader_->Worker().Stream()->Alignment();
        bytes = std::min<LONGLONG>(RoundUp(total - from, alignment), sample->GetSize());
    }
    *position = from;
    *length = LONG(bytes);
    *shortened = bytes < to - from;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::Request(IMediaSample* sample, DWORD_PTR user) {
    if (!sample) return E_POINTER;
    LONGLONG position = 0;
    LONG length = 0;
    bool shortened = false;
    HRESULT hr = SampleRange(sample, &position, &length, &shortened);
    if (FAILED(hr)) return hr;
    BYTE* buffer = nullptr;
    hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    return reader_->Worker().Request(position, length, shortened, buffer, sample, user);
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::WaitForNext(DWORD timeout, IMediaSample** sample,
                                                      DWORD_PTR* user) {
    if (!sample || !user) return E_POINTER;
    return reader_->Worker().WaitForNext(timeout, sample, user);
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::SyncReadAligned(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    LONGLONG position = 0;
    LONG length = 0;
    bool shortened = false;
    HRESULT hr = SampleRange(sample, &position, &length, &shortened);
    BYTE* buffer = nullptr;
    if (SUCCEEDED(hr)) hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    const LONGLONG alignment = reader_->Worker().Stream()->Alignment();
    if (position % alignment || length % alignment || uintptr_t(buffer) % uintptr_t(alignment))
        return VFW_E_BADALIGN;
    LONG got = 0;
    hr = reader_->Worker().SyncRead(position, length, TRUE, buffer, &got);
    if (hr == OLE_S_FIRST) {
        sample->SetDiscontinuity(TRUE);
        hr = S_OK;
    }
    sample->SetActualDataLength(got);
    return hr == S_OK && shortened ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
    if (!buffer) return E_POINTER;
    if (position < 0 || length < 0) return E_INVALIDARG;
    const LONGLONG alignment = reader_->Worker().Stream()->Alignment();
    const BOOL aligned = position % alignment == 0 && length % alignment == 0 &&
                         uintptr_t(buffer) % uintptr_t(alignment) == 0;
    LONG got = 0;
    HRESULT hr = reader_->Worker().SyncRead(position, length, aligned, buffer, &got);
    return hr == OLE_S_FIRST ? S_OK : hr;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::Length(LONGLONG* total, LONGLONG* available) {
    if (!total || !available) return E_POINTER;
    return reader_->Worker().Stream()->Size(total, available);
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::BeginFlush() {
    return reader_->Worker().BeginFlush();
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::EndFlush() {
    return reader_->Worker().EndFlush();
}

// --- filter ---------------------------------------------------------------------------------
AsyncReaderFilter::AsyncReaderFilter(const char* name, IUnknown* outer, D_CAsyncStream* stream,
                                     const AM_MEDIA_TYPE& type, HRESULT* phr)
    : D_CBaseFilter(name, outer, &lock_, kAsyncReaderClassId),
      type_(type),
      worker_(stream),
      pin_(this, &lock_, phr) {}

AsyncReaderFilter::~AsyncReaderFilter() = default;

}  // namespace DuRud
