#include "sound/movie/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace DuRud {

D_CMemStream::D_CMemStream(const BYTE* data, LONGLONG size, DWORD rate)
    : data_(data), size_(size), rate_(rate), created_(timeGetTime()) {
    InitializeCriticalSection(&lock_);
}

D_CMemStream::~D_CMemStream() {
    DeleteCriticalSection(&lock_);
}

HRESULT D_CMemStream::SetPointer(LONGLONG position) {
    if (position < 0 || position > size_) return S_FALSE;
    position_ = position;
    return S_OK;
}

HRESULT D_CMemStream::Read(BYTE* buffer, DWORD count, BOOL, DWORD* read) {
    if (rate_ != kMemStreamUnthrottled && rate_ != 0) {
        const LONGLONG due = created_ + (position_ + LONGLONG(count)) / rate_;
        const LONGLONG now = timeGetTime();
        if (due > now) Sleep(DWORD(due - now));
    }
    const LONGLONG n = std::min<LONGLONG>(count, size_ - position_);
    std::memcpy(buffer, data_ + position_, size_t(n));
    position_ += n;
    *read = DWORD(n);
    return S_OK;
}

HRESULT D_CMemStream::Size(LONGLONG* total, LONGLONG* available) {
    *total = size_;
    if (rate_ == kMemStreamUnthrottled || rate_ == 0) {
        *available = size_;
    } else {
        const LONGLONG elapsed = LONGLONG(timeGetTime() - created_);
        *available = std::min<LONGLONG>(size_, elapsed * rate_);
    }
    return S_OK;
}

D_CMemStream* CreateMemStream(const BYTE* data, DWORD size, DWORD sizeHigh, DWORD rate) {
    return new (std::nothrow) D_CMemStream(data, LONGLONG((uint64_t(sizeHigh) << 32) | size), rate);
}

D_CMemReader* CreateMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* phr) {
    auto* reader = new (std::nothrow) D_CMemReader(stream, *type, phr);
    if (!reader) {
        if (phr) *phr = E_OUTOFMEMORY;
        return nullptr;
    }
    reader->NonDelegatingAddRef();
    return reader;
}

}  // namespace DuRud
