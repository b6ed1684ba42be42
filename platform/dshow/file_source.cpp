// The stand-in's file source (CLSID_AsyncReader): holds its file through
// CreateFileW with read sharing only, sniffs the stream type from the first
// bytes and offers it through IAsyncReader.
#include <cstring>
#include <deque>

#include "audio/mpeg_audio_feed.h"
#include "dshow/standin_filters.h"
#include "windows.h"

namespace dshow {
namespace {

class FileSource;

class FileSourcePin : public D_CBasePin, public IAsyncReader {
  public:
    FileSourcePin(FileSource* filter, D_CCritSec* lock);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return D_CBasePin::QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return D_CBasePin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return D_CBasePin::Release(); }
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IAsyncReader) return D_GetInterface(static_cast<IAsyncReader*>(this), ppv);
        return D_CBasePin::NonDelegatingQueryInterface(riid, ppv);
    }

    HRESULT CheckMediaType(const D_CMediaType* mt) override;
    HRESULT GetMediaType(int position, D_CMediaType* mt) override;
    // One flush serves IPin and IAsyncReader: nothing upstream flushes a source's output.
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    // IAsyncReader: reads happen at once on the caller's thread; Request
    // queues the finished read for WaitForNext.
    HRESULT STDMETHODCALLTYPE RequestAllocator(IMemAllocator* preferred,
                                               ALLOCATOR_PROPERTIES* props,
                                               IMemAllocator** actual) override;
    HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) override;
    HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeout, IMediaSample** sample,
                                          DWORD_PTR* user) override;
    HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) override;

  private:
    FileSource* source_;
    D_CCritSec queueLock_;
    D_CAMEvent done_{TRUE};
    std::deque<std::pair<IMediaSample*, DWORD_PTR>> finished_;
    bool flushing_ = false;
};

class FileSource : public D_CBaseFilter, public IFileSourceFilter {
  public:
    FileSource() : D_CBaseFilter(kFileSourceName, nullptr, &lock_, CLSID_AsyncReader) {
        pin_ = new FileSourcePin(this, &lock_);
    }
    ~FileSource() override {
        delete pin_;
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    D_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IFileSourceFilter)
            return D_GetInterface(static_cast<IFileSourceFilter*>(this), ppv);
        return D_CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
    }
    int GetPinCount() override { return file_ == INVALID_HANDLE_VALUE ? 0 : 1; }
    D_CBasePin* GetPin(int n) override { return n == 0 && GetPinCount() ? pin_ : nullptr; }

    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR name, const AM_MEDIA_TYPE* pmt) override {
        if (!name) return E_POINTER;
        D_CAutoLock lock(&lock_);
        if (file_ != INVALID_HANDLE_VALUE) return E_UNEXPECTED;
        HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                       ? VFW_E_NOT_FOUND
                       : HRESULT(0x80070000u | (error & 0xFFFF));
        }
        LARGE_INTEGER size{};
        GetFileSizeEx(file, &size);
        file_ = file;
        size_ = size.QuadPart;
        type_ = D_CMediaType();
        type_.majortype = MEDIATYPE_Stream;
        if (pmt) {
            type_ = *pmt;
        } else if (!Sniff()) {
            CloseHandle(file_);
            file_ = INVALID_HANDLE_VALUE;
            return VFW_E_UNSUPPORTED_STREAM;
        }
        name_ = name;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* pmt) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (file_ == INVALID_HANDLE_VALUE) return E_FAIL;
        auto* text = static_cast<WCHAR*>(CoTaskMemAlloc((name_.size() + 1) * sizeof(WCHAR)));
        if (!text) return E_OUTOFMEMORY;
        std::memcpy(text, name_.c_str(), (name_.size() + 1) * sizeof(WCHAR));
        *name = text;
        return pmt ? D_CopyMediaType(pmt, &type_) : S_OK;
    }

    // Reads at a position under the file lock; the bytes really read.
    LONG ReadAt(LONGLONG position, LONG length, BYTE* buffer) {
        D_CAutoLock lock(&fileLock_);
        LARGE_INTEGER at;
        at.QuadPart = position;
        DWORD got = 0;
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) ||
            !ReadFile(file_, buffer, DWORD(length), &got, nullptr))
            return -1;
        return LONG(got);
    }

    LONGLONG Size() const { return size_; }
    const D_CMediaType& Type() const { return type_; }

  private:
    // Stream/MPEG1Audio for an ID3v2 tag or an MPEG audio frame sync at the
    // start, Stream/the raw test video for its magic; false for anything else.
    bool Sniff() {
        BYTE head[8192];
        LONG got = ReadAt(0, LONG(std::min<LONGLONG>(size_, sizeof head)), head);
        if (got >= 8 && std::memcmp(head, "VSMRAWV1", 8) == 0) {
            type_.subtype = MEDIASUBTYPE_VessamireRawVideo;
            return true;
        }
        platform::MpegFrameHeader frame;
        if ((got >= 3 && std::memcmp(head, "ID3", 3) == 0) ||
            (got >= 4 && platform::MpegAudioFeed::ParseHeader(head, &frame))) {
            type_.subtype = MEDIASUBTYPE_MPEG1Audio;
            return true;
        }
        return false;
    }

    D_CCritSec lock_, fileLock_;
    FileSourcePin* pin_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    LONGLONG size_ = 0;
    D_CMediaType type_;
    std::u16string name_;
};

FileSourcePin::FileSourcePin(FileSource* filter, D_CCritSec* lock)
    : D_CBasePin("File source output", filter, lock, nullptr, u"Output", PINDIR_OUTPUT),
      source_(filter) {}

HRESULT FileSourcePin::CheckMediaType(const D_CMediaType* mt) {
    return D_CheckOfferedType(source_->Type(), mt);
}

HRESULT FileSourcePin::GetMediaType(int position, D_CMediaType* mt) {
    return D_GetOfferedType(source_->Type(), position, mt);
}

HRESULT STDMETHODCALLTYPE FileSourcePin::RequestAllocator(IMemAllocator* preferred,
                                                          ALLOCATOR_PROPERTIES* props,
                                                          IMemAllocator** actual) {
    return D_RequestReaderAllocator(preferred, props, 1, actual);
}

HRESULT STDMETHODCALLTYPE FileSourcePin::SyncReadAligned(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop))) return VFW_E_SAMPLE_TIME_NOT_SET;
    LONGLONG position = start / 10000000LL;
    LONGLONG length = stop / 10000000LL - position;
    if (position < 0 || length < 0 || length > sample->GetSize()) return E_INVALIDARG;
    length = std::min<LONGLONG>(length, std::max<LONGLONG>(0, source_->Size() - position));
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    LONG got = source_->ReadAt(position, LONG(length), buffer);
    if (got < 0) return E_FAIL;
    sample->SetActualDataLength(got);
    return got == length ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE FileSourcePin::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
    if (!buffer) return E_POINTER;
    if (position < 0 || length < 0) return E_INVALIDARG;
    LONG got = source_->ReadAt(position, length, buffer);
    if (got < 0) return E_FAIL;
    return got == length ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE FileSourcePin::Request(IMediaSample* sample, DWORD_PTR user) {
    if (!sample) return E_POINTER;
    {
        D_CAutoLock lock(&queueLock_);
        if (flushing_) return VFW_E_WRONG_STATE;
    }
    HRESULT hr = SyncReadAligned(sample);
    if (FAILED(hr)) return hr;
    sample->AddRef();
    D_CAutoLock lock(&queueLock_);
    finished_.emplace_back(sample, user);
    done_.Set();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileSourcePin::WaitForNext(DWORD timeout, IMediaSample** sample,
                                                     DWORD_PTR* user) {
    if (!sample || !user) return E_POINTER;
    *sample = nullptr;
    for (;;) {
        {
            D_CAutoLock lock(&queueLock_);
            if (!finished_.empty()) {
                *sample = finished_.front().first;
                *user = finished_.front().second;
                finished_.pop_front();
                if (finished_.empty()) done_.Reset();
                // The caller gets back the reference Request took.
                return S_OK;
            }
            if (flushing_) return VFW_E_WRONG_STATE;
        }
        if (!done_.Wait(timeout)) return VFW_E_TIMEOUT;
    }
}

HRESULT STDMETHODCALLTYPE FileSourcePin::BeginFlush() {
    D_CAutoLock lock(&queueLock_);
    flushing_ = true;
    done_.Set();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileSourcePin::EndFlush() {
    D_CAutoLock lock(&queueLock_);
    flushing_ = false;
    if (finished_.empty()) done_.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileSourcePin::Length(LONGLONG* total, LONGLONG* available) {
    if (!total || !available) return E_POINTER;
    *total = *available = source_->Size();
    return S_OK;
}

}  // namespace

D_CBaseFilter* CreateFileSource() {
    return new FileSource();
}

}  // namespace dshow
