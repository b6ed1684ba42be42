// PullSplitter: connection through IAsyncReader, the streaming thread's
// delivery, and seeking (flush, seek, carry on in the same state).
#include "dshow/pull_splitter.h"

#include <cstring>

#include "dshow/graph_trace.h"
#include "dshow/media_time_format.h"

namespace dshow {

// --- pins ------------------------------------------------------------------------------------
PullSplitterInput::PullSplitterInput(PullSplitter* filter, LPCWSTR name)
    : D_CBasePin("Pull input", filter, filter->FilterLock(), nullptr, name, PINDIR_INPUT),
      splitter_(filter) {}

HRESULT PullSplitterInput::CheckMediaType(const D_CMediaType* mt) {
    return splitter_->CheckInputType(mt);
}

HRESULT PullSplitterInput::CompleteConnect(IPin* receivePin) {
    return splitter_->ConnectUpstream(receivePin);
}

HRESULT PullSplitterInput::BreakConnect() {
    splitter_->DisconnectUpstream();
    return S_OK;
}

PullSplitterOutput::PullSplitterOutput(PullSplitter* filter, LPCWSTR name)
    : D_CBaseOutputPin("Pull output", filter, filter->FilterLock(), nullptr, name),
      splitter_(filter) {}

HRESULT STDMETHODCALLTYPE PullSplitterOutput::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IMediaSeeking)
        return D_GetInterface(static_cast<IMediaSeeking*>(splitter_), ppv);
    return D_CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT PullSplitterOutput::CheckMediaType(const D_CMediaType* mt) {
    if (!splitter_->input_->IsConnected()) return E_UNEXPECTED;
    return *mt == splitter_->outputType_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT PullSplitterOutput::GetMediaType(int position, D_CMediaType* mt) {
    if (!splitter_->input_->IsConnected()) return E_UNEXPECTED;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *mt = splitter_->outputType_;
    return S_OK;
}

HRESULT PullSplitterOutput::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    request->cBuffers = std::max<LONG>(request->cBuffers, 4);
    request->cbBuffer = std::max<LONG>(request->cbBuffer, splitter_->outputBufferSize_);
    if (request->cbAlign <= 0) request->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = alloc->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < splitter_->outputBufferSize_ ? E_FAIL : S_OK;
}

// --- filter ------------------------------------------------------------------------------------
PullSplitter::PullSplitter(const char* knobName, REFCLSID clsid, LPCWSTR outputName)
    : D_CBaseFilter(knobName, nullptr, &lock_, clsid), knobName_(knobName) {
    input_ = new PullSplitterInput(this, u"Input");
    output_ = new PullSplitterOutput(this, outputName);
}

PullSplitter::~PullSplitter() {
    DisconnectUpstream();
    delete output_;
    delete input_;
}

HRESULT STDMETHODCALLTYPE PullSplitter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IMediaSeeking) return D_GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    return D_CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

D_CBasePin* PullSplitter::GetPin(int n) {
    return n == 0 ? static_cast<D_CBasePin*>(input_) : n == 1 ? output_ : nullptr;
}

HRESULT PullSplitter::ConnectUpstream(IPin* upstream) {
    HRESULT hr = D_CPullPin::Connect(upstream, 65536);
    if (FAILED(hr)) return hr;
    hr = ParseStream(GetReader(), Length());
    if (FAILED(hr)) {
        D_CPullPin::Disconnect();
        return hr;
    }
    start_ = 0;
    stop_ = duration_;
    return S_OK;
}

void PullSplitter::DisconnectUpstream() {
    D_CPullPin::Disconnect();
}

void PullSplitter::StartSegment() {
    LONGLONG from = PrepareSeek(start_, &segmentStart_);
    D_CPullPin::Seek(from, StreamEnd());
    delivered_ = 0;
    ended_ = false;
    if (output_->IsConnected()) output_->DeliverNewSegment(segmentStart_, stop_, 1.0);
}

HRESULT STDMETHODCALLTYPE PullSplitter::Pause() {
    D_CAutoLock lock(&lock_);
    bool starting = IsStopped();
    HRESULT hr = D_CBaseFilter::Pause();
    if (FAILED(hr) || !starting || !input_->IsConnected() || !output_->IsConnected()) return hr;
    StartSegment();
    return D_CPullPin::Active();
}

HRESULT STDMETHODCALLTYPE PullSplitter::Stop() {
    // The thread is joined without the filter lock: it may wait on ours.
    output_->Inactive();
    D_CPullPin::Inactive();
    return D_CBaseFilter::Stop();
}

HRESULT PullSplitter::Receive(IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    return ProcessBytes(data, sample->GetActualDataLength());
}

HRESULT PullSplitter::EndOfStream() {
    if (!ended_) {
        ended_ = true;
        output_->DeliverEndOfStream();
    }
    return S_OK;
}

void PullSplitter::OnError(HRESULT hr) {
    Trace(std::string(knobName_) + " stream aborted");
    NotifyEvent(EC_ERRORABORT, hr, 0);
}

HRESULT PullSplitter::BeginFlush() {
    return output_->DeliverBeginFlush();
}

HRESULT PullSplitter::EndFlush() {
    return output_->DeliverEndFlush();
}

HRESULT PullSplitter::DeliverUnit(const BYTE* data, LONG length, REFERENCE_TIME start,
                                  REFERENCE_TIME stop) {
    if (ended_) return S_FALSE;
    if (start >= stop_) {
        EndOfStream();
        return S_FALSE;
    }
    int abortAfter = AbortAfter(knobName_);
    if (abortAfter >= 0 && delivered_ >= abortAfter) return E_ABORT;
    IMediaSample* sample = nullptr;
    HRESULT hr = output_->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return S_FALSE;  // decommitted: stopping
    BYTE* out = nullptr;
    sample->GetPointer(&out);
    length = std::min(length, sample->GetSize());
    std::memcpy(out, data, size_t(length));
    sample->SetActualDataLength(length);
    REFERENCE_TIME from = start - segmentStart_, to = stop - segmentStart_;
    sample->SetTime(&from, &to);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(delivered_ == 0);
    hr = output_->Deliver(sample);
    sample->Release();
    ++delivered_;
    // Downstream refusing (flushing, stopped) ends this thread's run quietly.
    return hr == S_OK ? S_OK : S_FALSE;
}

// --- seeking -----------------------------------------------------------------------------------
namespace {
constexpr DWORD kCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                        AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                        AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetCapabilities(DWORD* p) {
    if (!p) return E_POINTER;
    *p = kCaps;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::CheckCapabilities(DWORD* p) {
    if (!p) return E_POINTER;
    DWORD asked = *p;
    *p &= kCaps;
    return *p == asked ? S_OK : (*p ? S_FALSE : E_FAIL);
}

HRESULT STDMETHODCALLTYPE PullSplitter::IsFormatSupported(const GUID* f) {
    return IsMediaTimeFormat(f);
}

HRESULT STDMETHODCALLTYPE PullSplitter::QueryPreferredFormat(GUID* f) {
    return GetTimeFormat(f);
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetTimeFormat(GUID* f) {
    return GetMediaTimeFormat(f);
}

HRESULT STDMETHODCALLTYPE PullSplitter::IsUsingTimeFormat(const GUID* f) {
    return IsFormatSupported(f);
}

HRESULT STDMETHODCALLTYPE PullSplitter::SetTimeFormat(const GUID* f) {
    return SetMediaTimeFormat(f);
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetDuration(LONGLONG* p) {
    if (!p) return E_POINTER;
    *p = duration_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetStopPosition(LONGLONG* p) {
    if (!p) return E_POINTER;
    D_CAutoLock lock(&lock_);
    *p = stop_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetCurrentPosition(LONGLONG* p) {
    if (!p) return E_POINTER;
    D_CAutoLock lock(&lock_);
    *p = start_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s,
                                                          const GUID* sf) {
    return ConvertMediaTime(t, tf, s, sf);
}

HRESULT STDMETHODCALLTYPE PullSplitter::SetPositions(LONGLONG* cur, DWORD cf, LONGLONG* stop,
                                                     DWORD sf) {
    DWORD curMode = cf & AM_SEEKING_PositioningBitsMask;
    DWORD stopMode = sf & AM_SEEKING_PositioningBitsMask;
    if ((curMode && !cur) || (stopMode && !stop)) return E_POINTER;
    bool restart;
    {
        D_CAutoLock lock(&lock_);
        REFERENCE_TIME newStart = start_, newStop = stop_;
        if (curMode == AM_SEEKING_AbsolutePositioning)
            newStart = *cur;
        else if (curMode == AM_SEEKING_RelativePositioning)
            newStart = start_ + *cur;
        if (stopMode == AM_SEEKING_AbsolutePositioning)
            newStop = *stop;
        else if (stopMode == AM_SEEKING_RelativePositioning)
            newStop = stop_ + *stop;
        else if (stopMode == AM_SEEKING_IncrementalPositioning)
            newStop = newStart + *stop;
        newStart = std::clamp<REFERENCE_TIME>(newStart, 0, duration_);
        newStop = std::clamp<REFERENCE_TIME>(newStop, 0, duration_);
        if (newStart > newStop) return VFW_E_START_TIME_AFTER_END;
        start_ = newStart;
        stop_ = newStop;
        if (cf & AM_SEEKING_ReturnTime) *cur = start_;
        if (sf & AM_SEEKING_ReturnTime) *stop = stop_;
        restart = curMode != AM_SEEKING_NoPositioning && IsActive() && output_->IsConnected();
    }
    // Flush, seek and carry on, outside the filter lock (the thread is joined).
    if (restart) {
        D_CPullPin::StopForSeek();
        D_CAutoLock lock(&lock_);
        StartSegment();
        D_CPullPin::Active();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetPositions(LONGLONG* cur, LONGLONG* stop) {
    if (cur) GetCurrentPosition(cur);
    if (stop) GetStopPosition(stop);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetAvailable(LONGLONG* e, LONGLONG* l) {
    if (e) *e = 0;
    if (l) *l = duration_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::SetRate(double r) {
    return r == 1.0 ? S_OK : E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetRate(double* r) {
    if (!r) return E_POINTER;
    *r = 1.0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PullSplitter::GetPreroll(LONGLONG* p) {
    if (!p) return E_POINTER;
    *p = 0;
    return S_OK;
}

}  // namespace dshow
