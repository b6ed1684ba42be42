// D_CPullPin: a streaming thread (made by CreateThread, so the virtual clock
// counts it) that reads a byte range through IAsyncReader in chunks.
#include "dshow_base_classes.h"

D_CPullPin::D_CPullPin() = default;

D_CPullPin::~D_CPullPin() {
    Disconnect();
}

HRESULT D_CPullPin::Connect(IUnknown* upstream, LONG chunkBytes) {
    D_CAutoLock lock(&lock_);
    if (reader_) return VFW_E_ALREADY_CONNECTED;
    void* reader = nullptr;
    if (FAILED(upstream->QueryInterface(IID_IAsyncReader, &reader))) return E_NOINTERFACE;
    reader_ = static_cast<IAsyncReader*>(reader);
    LONGLONG total = 0, available = 0;
    HRESULT hr = reader_->Length(&total, &available);
    if (SUCCEEDED(hr)) {
        length_ = total;
        start_ = 0;
        stop_ = total;
        ALLOCATOR_PROPERTIES props{2, chunkBytes, 1, 0};
        hr = reader_->RequestAllocator(nullptr, &props, &allocator_);
    }
    if (FAILED(hr)) {
        reader_->Release();
        reader_ = nullptr;
    }
    return hr;
}

HRESULT D_CPullPin::Disconnect() {
    StopThread();
    D_CAutoLock lock(&lock_);
    if (allocator_) {
        allocator_->Release();
        allocator_ = nullptr;
    }
    if (reader_) {
        reader_->Release();
        reader_ = nullptr;
    }
    return S_OK;
}

HRESULT D_CPullPin::Active() {
    if (!reader_) return VFW_E_NOT_CONNECTED;
    HRESULT hr = allocator_->Commit();
    if (FAILED(hr)) return hr;
    StartThread();
    return thread_ ? S_OK : E_FAIL;
}

HRESULT D_CPullPin::Inactive() {
    StopThread();
    return allocator_ ? allocator_->Decommit() : S_OK;
}

HRESULT D_CPullPin::Seek(LONGLONG start, LONGLONG stop) {
    if (start < 0 || stop < start) return E_INVALIDARG;
    bool running = thread_ != nullptr;
    if (running) StopForSeek();
    start_ = std::min(start, length_);
    stop_ = std::min(stop, length_);
    return running ? Active() : S_OK;
}

void D_CPullPin::StopForSeek() {
    if (!thread_) return;
    // Downstream lets go of the thread first; then it can be joined.
    stopRequested_ = true;
    BeginFlush();
    StopThread();
    EndFlush();
}

void D_CPullPin::StartThread() {
    stopRequested_ = false;
    thread_ = CreateThread(nullptr, 0, &D_CPullPin::ThreadMain, this, 0, nullptr);
}

void D_CPullPin::StopThread() {
    if (!thread_) return;
    stopRequested_ = true;
    // A thread waiting for a sample of our allocator gets VFW_E_NOT_COMMITTED.
    if (allocator_) allocator_->Decommit();
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI D_CPullPin::ThreadMain(LPVOID self) {
    static_cast<D_CPullPin*>(self)->Process();
    return 0;
}

void D_CPullPin::Process() {
    LONGLONG position = start_;
    const LONGLONG stop = stop_;
    while (!stopRequested_ && position < stop) {
        IMediaSample* sample = nullptr;
        if (FAILED(allocator_->GetBuffer(&sample, nullptr, nullptr, 0))) return;
        LONGLONG length = std::min<LONGLONG>(sample->GetSize(), stop - position);
        REFERENCE_TIME from = position * 10000000LL, to = (position + length) * 10000000LL;
        sample->SetTime(&from, &to);
        HRESULT hr = reader_->SyncReadAligned(sample);
        if (FAILED(hr)) {
            sample->Release();
            if (!stopRequested_) OnError(hr);
            return;
        }
        LONG got = sample->GetActualDataLength();
        hr = Receive(sample);
        sample->Release();
        if (hr != S_OK) {
            if (FAILED(hr) && !stopRequested_) OnError(hr);
            return;
        }
        if (got <= 0) break;
        position += got;
    }
    if (!stopRequested_) EndOfStream();
}
