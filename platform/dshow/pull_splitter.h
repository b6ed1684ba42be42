// The frame of the stand-in's pull-mode filters (the MP3 decoder and the
// test-video splitter): an input that pulls bytes from an IAsyncReader on a
// streaming thread, one output, and seeking in media time. A subclass reads
// the stream's layout at connection and cuts the bytes into output samples.
#pragma once

#include <vector>

#include "dshow_base_classes.h"

namespace dshow {

class PullSplitter;

class PullSplitterInput : public D_CBasePin {
  public:
    PullSplitterInput(PullSplitter* filter, LPCWSTR name);
    HRESULT CheckMediaType(const D_CMediaType* mt) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }

  private:
    PullSplitter* splitter_;
};

class PullSplitterOutput : public D_CBaseOutputPin {
  public:
    PullSplitterOutput(PullSplitter* filter, LPCWSTR name);
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    HRESULT CheckMediaType(const D_CMediaType* mt) override;
    HRESULT GetMediaType(int position, D_CMediaType* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;

  private:
    PullSplitter* splitter_;
};

class PullSplitter : public D_CBaseFilter, public IMediaSeeking, private D_CPullPin {
  public:
    // `knobName` is the name the hide and abort knobs use.
    PullSplitter(const char* knobName, REFCLSID clsid, LPCWSTR outputName);
    ~PullSplitter() override;
    D_DECLARE_IUNKNOWN

    int GetPinCount() override { return 2; }
    D_CBasePin* GetPin(int n) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;

    // IMediaSeeking, in media time.
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

  protected:
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // --- for the subclass ---
    virtual HRESULT CheckInputType(const D_CMediaType* mt) = 0;
    // Reads the stream's layout through the reader; sets outputType_,
    // outputBufferSize_ and duration_. An error refuses the connection.
    virtual HRESULT ParseStream(IAsyncReader* reader, LONGLONG length) = 0;
    // Where to start pulling for a start time; sets the exact time of the
    // first unit there (the new segment's start) and resets the cutter.
    virtual LONGLONG PrepareSeek(REFERENCE_TIME start, REFERENCE_TIME* unitTime) = 0;
    // Where pulling ends.
    virtual LONGLONG StreamEnd() = 0;
    // Bytes pulled from `position` on; the subclass calls DeliverUnit. S_OK
    // goes on, S_FALSE stops quietly, an error aborts the stream.
    virtual HRESULT ProcessBytes(const BYTE* data, LONG length) = 0;

    // Delivers one output sample with media times; S_FALSE once the stop
    // position is passed (end of stream delivered).
    HRESULT DeliverUnit(const BYTE* data, LONG length, REFERENCE_TIME start, REFERENCE_TIME stop);

    D_CMediaType outputType_;
    LONG outputBufferSize_ = 0;
    REFERENCE_TIME duration_ = 0;

  private:
    friend class PullSplitterInput;
    friend class PullSplitterOutput;
    HRESULT ConnectUpstream(IPin* upstream);
    void DisconnectUpstream();
    void StartSegment();

    // D_CPullPin: the streaming thread's calls.
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    void OnError(HRESULT hr) override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    D_CCritSec lock_;
    const char* knobName_;
    PullSplitterInput* input_;
    PullSplitterOutput* output_;
    std::atomic<REFERENCE_TIME> start_{0}, stop_{0};
    REFERENCE_TIME segmentStart_ = 0;
    int delivered_ = 0;
    bool ended_ = false;
};

}  // namespace dshow
