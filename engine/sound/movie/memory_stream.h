// A byte block read as a stream (optionally throttled to a rate, as if it
// arrived over a wire) and the reader filter that offers it to a graph.
#pragma once

#include "sound/movie/async_reader.h"

namespace DuRud {

constexpr DWORD kMemStreamUnthrottled = 0xFFFFFFFFu;

class D_CMemStream : public D_CAsyncStream {
  public:
    // Over `size` bytes at `data` (kept by the caller); `rate` in bytes per
    // millisecond, or kMemStreamUnthrottled.
    D_CMemStream(const BYTE* data, LONGLONG size, DWORD rate);
    ~D_CMemStream() override;
    HRESULT SetPointer(LONGLONG position) override;
    // With a rate, first waits until (position + count) / rate ms have passed since creation.
    HRESULT Read(BYTE* buffer, DWORD count, BOOL aligned, DWORD* read) override;
    // Unthrottled, the whole size is available.
    HRESULT Size(LONGLONG* total, LONGLONG* available) override;
    DWORD Alignment() override { return 1; }
    void Lock() override { EnterCriticalSection(&lock_); }
    void Unlock() override { LeaveCriticalSection(&lock_); }

  private:
    CRITICAL_SECTION lock_;
    const BYTE* data_;
    LONGLONG size_;
    LONGLONG position_ = 0;
    DWORD rate_;
    DWORD created_;  // the millisecond clock at creation
};

// Null when out of memory.
D_CMemStream* CreateMemStream(const BYTE* data, DWORD size, DWORD sizeHigh, DWORD rate);

// The reader filter over a memory stream ("Mem Reader").
class D_CMemReader : public AsyncReaderFilter {
  public:
    D_CMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE& type, HRESULT* phr)
        : AsyncReaderFilter("Mem Reader", nullptr, stream, type, phr) {}
};

// Null and E_OUTOFMEMORY when out of memory; the caller holds one reference.
D_CMemReader* CreateMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* phr);

}  // namespace DuRud
