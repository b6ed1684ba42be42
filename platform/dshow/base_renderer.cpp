// D_CBaseRenderer and its input pin: samples wait for their time on the
// graph's clock (held while paused), end of stream becomes EC_COMPLETE, and
// Stop or a flush releases a waiting sample at once.
#include <algorithm>

#include "dshow/graph_trace.h"
#include "dshow_base_classes.h"

// --- input pin ---------------------------------------------------------------------------
D_CRendererInputPin::D_CRendererInputPin(D_CBaseRenderer* renderer, HRESULT* phr, LPCWSTR name)
    : D_CBaseInputPin("Renderer input pin", renderer, renderer->FilterLock(), phr, name),
      m_pRenderer(renderer) {}

HRESULT D_CRendererInputPin::CheckMediaType(const D_CMediaType* mt) {
    return m_pRenderer->CheckMediaType(mt);
}

HRESULT D_CRendererInputPin::SetMediaType(const D_CMediaType* mt) {
    HRESULT hr = D_CBasePin::SetMediaType(mt);
    return FAILED(hr) ? hr : m_pRenderer->SetMediaType(mt);
}

HRESULT D_CRendererInputPin::BreakConnect() {
    m_pRenderer->BreakConnect();
    return D_CBaseInputPin::BreakConnect();
}

HRESULT D_CRendererInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = m_pRenderer->CompleteConnect(receivePin);
    return FAILED(hr) ? hr : D_CBaseInputPin::CompleteConnect(receivePin);
}

HRESULT STDMETHODCALLTYPE D_CRendererInputPin::Receive(IMediaSample* pSample) {
    if (!pSample) return E_POINTER;
    return m_pRenderer->Receive(pSample);
}

HRESULT STDMETHODCALLTYPE D_CRendererInputPin::EndOfStream() {
    return m_pRenderer->EndOfStream();
}

HRESULT STDMETHODCALLTYPE D_CRendererInputPin::BeginFlush() {
    D_CBaseInputPin::BeginFlush();
    return m_pRenderer->BeginFlush();
}

HRESULT STDMETHODCALLTYPE D_CRendererInputPin::EndFlush() {
    m_pRenderer->EndFlush();
    return D_CBaseInputPin::EndFlush();
}

// --- filter --------------------------------------------------------------------------------
D_CBaseRenderer::D_CBaseRenderer(REFCLSID clsid, const char* name, IUnknown* outer, HRESULT* phr)
    : D_CBaseFilter(name, outer, &m_InterfaceLock, clsid) {
    m_pInputPin = new D_CRendererInputPin(this, phr, u"In");
    m_pPosition = new D_CPosPassThru(static_cast<IBaseFilter*>(this), m_pInputPin);
}

D_CBaseRenderer::~D_CBaseRenderer() {
    delete m_pPosition;
    delete m_pInputPin;
}

HRESULT STDMETHODCALLTYPE D_CBaseRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IMediaSeeking) return D_GetInterface(m_pPosition, ppv);
    return D_CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

D_CBasePin* D_CBaseRenderer::GetPin(int n) {
    return n == 0 ? m_pInputPin : nullptr;
}

HRESULT STDMETHODCALLTYPE D_CBaseRenderer::Stop() {
    HRESULT hr;
    {
        D_CAutoLock lock(&m_InterfaceLock);
        bool wasActive = IsActive();
        hr = D_CBaseFilter::Stop();
        if (wasActive) OnStopStreaming();
        m_eosSent = false;
        m_haveLastStop = false;
    }
    m_prerollEvent.Set();
    m_stateEvent.Set();
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CBaseRenderer::Pause() {
    HRESULT hr;
    {
        D_CAutoLock lock(&m_InterfaceLock);
        bool starting = IsStopped();
        if (starting) m_prerollEvent.Reset();
        hr = D_CBaseFilter::Pause();
        if (SUCCEEDED(hr) && starting) hr = OnStartStreaming();
        if (FAILED(hr)) D_CBaseFilter::Stop();
    }
    m_stateEvent.Set();
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CBaseRenderer::Run(REFERENCE_TIME tStart) {
    HRESULT hr;
    {
        D_CAutoLock lock(&m_InterfaceLock);
        if (IsStopped()) {
            hr = Pause();
            if (FAILED(hr)) return hr;
        }
        hr = D_CBaseFilter::Run(tStart);
    }
    m_prerollEvent.Set();
    m_stateEvent.Set();
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CBaseRenderer::GetState(DWORD ms, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    bool waiting = m_State == State_Paused && m_pInputPin->IsConnected();
    if (waiting && !m_prerollEvent.Wait(ms)) {
        *state = m_State;
        return VFW_S_STATE_INTERMEDIATE;
    }
    *state = m_State;
    return S_OK;
}

bool D_CBaseRenderer::WaitForRenderTime(REFERENCE_TIME streamTime, bool haveTime,
                                        const std::function<void()>& held) {
    for (;;) {
        FILTER_STATE state;
        REFERENCE_TIME start;
        IReferenceClock* clock;
        {
            D_CAutoLock lock(&m_InterfaceLock);
            state = m_State;
            start = m_tStart;
            clock = m_pClock;
            if (clock) clock->AddRef();
        }
        DWORD wait = INFINITE;
        m_prerollEvent.Set();  // a sample (or the end) is here
        if (state == State_Stopped || m_pInputPin->IsFlushing()) {
            if (clock) clock->Release();
            return false;
        }
        if (state == State_Running) {
            if (!clock || !haveTime) {
                if (clock) clock->Release();
                return true;
            }
            REFERENCE_TIME now = 0;
            clock->GetTime(&now);
            clock->Release();
            if (now >= start + streamTime) return true;
            wait = DWORD(std::min<REFERENCE_TIME>((start + streamTime - now + 9999) / 10000,
                                                  OnWaitForRenderTime()));
        } else {
            if (clock) clock->Release();
            if (held) held();
        }
        m_stateEvent.Wait(wait);
    }
}

HRESULT D_CBaseRenderer::Receive(IMediaSample* sample) {
    D_CAutoLock lock(&m_RendererLock);
    HRESULT hr = m_pInputPin->CheckStreaming();
    if (hr != S_OK) return hr;
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timed = sample->GetTime(&start, &stop);
    bool haveTime = SUCCEEDED(timed);
    bool rendered = false;
    auto render = [&] {
        if (rendered) return;
        rendered = true;
        hr = DoRenderSample(sample);
        ++m_rendered;
        dshow::CountRendered(m_name);
    };
    std::function<void()> showHeld;
    if (ShowsSampleWhilePaused()) showHeld = render;
    if (!WaitForRenderTime(start, haveTime, showHeld))
        return m_pInputPin->IsFlushing() ? S_FALSE : VFW_E_WRONG_STATE;
    render();
    if (timed == S_OK) {
        m_lastStop = stop;
        m_haveLastStop = true;
    }
    return hr;
}

HRESULT D_CBaseRenderer::EndOfStream() {
    D_CAutoLock lock(&m_RendererLock);
    HRESULT hr = m_pInputPin->D_CBaseInputPin::EndOfStream();
    if (hr != S_OK) return hr;
    // On a clock the stream ends when its last sample's time is over.
    const bool haveLastStop = m_haveLastStop.load();
    if (!WaitForRenderTime(haveLastStop ? m_lastStop.load() : 0, haveLastStop) ||
        !WaitForPlayedOut())
        return S_OK;
    if (!m_eosSent.exchange(true)) NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

HRESULT D_CBaseRenderer::BeginFlush() {
    m_stateEvent.Set();
    return S_OK;
}

HRESULT D_CBaseRenderer::EndFlush() {
    D_CAutoLock lock(&m_RendererLock);
    m_eosSent = false;
    m_haveLastStop = false;
    return S_OK;
}
