// The stand-in's renderers: the null renderer (any type, discards) and the
// audio renderer (Audio/PCM through the DirectSound stand-in; IBasicAudio).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/mixer.h"
#include "dshow/graph_trace.h"
#include "dshow/sound_stream.h"
#include "dshow/standin_filters.h"

namespace dshow {
namespace {

class NullRenderer : public D_CBaseRenderer {
  public:
    NullRenderer() : D_CBaseRenderer(CLSID_NullRenderer, kNullRendererName, nullptr, nullptr) {}
    HRESULT CheckMediaType(const D_CMediaType*) override { return S_OK; }
    HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

// Plays PCM through the DirectSound stand-in. Samples are queued when their
// time comes (at once without a clock) and the device plays them at its own
// pace; end of stream waits until the device has played the last of them.
// The device is open from Pause to Stop and plays only while running.
class AudioRenderer : public D_CBaseRenderer, public IBasicAudio {
  public:
    AudioRenderer() : D_CBaseRenderer(CLSID_DSoundRender, kAudioRendererName, nullptr, nullptr) {}
    D_DECLARE_IUNKNOWN

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IBasicAudio) return D_GetInterface(static_cast<IBasicAudio*>(this), ppv);
        return D_CBaseRenderer::NonDelegatingQueryInterface(riid, ppv);
    }

    HRESULT CheckMediaType(const D_CMediaType* mt) override {
        if (mt->majortype != MEDIATYPE_Audio || mt->subtype != MEDIASUBTYPE_PCM ||
            mt->formattype != FORMAT_WaveFormatEx || mt->cbFormat < 16 || !mt->pbFormat)
            return VFW_E_TYPE_NOT_ACCEPTED;
        WAVEFORMATEX wave{};
        std::memcpy(&wave, mt->pbFormat, 16);
        if (!platform::audio::IsPlayablePcm(wave) || wave.nSamplesPerSec < DSBFREQUENCY_MIN ||
            wave.nSamplesPerSec > DSBFREQUENCY_MAX)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }

    HRESULT OnStartStreaming() override {
        if (!m_pInputPin->IsConnected()) return S_OK;  // a swapped-out renderer stays idle
        WAVEFORMATEX wave{};
        std::memcpy(&wave, m_pInputPin->CurrentMediaType().pbFormat, 16);
        D_CAutoLock lock(&soundLock_);
        HRESULT hr = stream_.Open(wave, volume_, balance_);
        if (FAILED(hr)) {
            char code[16];
            std::snprintf(code, sizeof(code), "0x%08X", unsigned(hr));
            Trace(std::string("Audio Renderer: no sound device -> ") + code);
        }
        return hr;
    }

    HRESULT OnStopStreaming() override {
        D_CAutoLock lock(&soundLock_);
        stream_.Close();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Pause() override {
        HRESULT hr = D_CBaseRenderer::Pause();
        D_CAutoLock lock(&soundLock_);
        stream_.Pause();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override {
        if (IsStopped()) {
            HRESULT hr = Pause();
            if (FAILED(hr)) return hr;
        }
        {
            D_CAutoLock lock(&soundLock_);
            stream_.Play();
        }
        return D_CBaseRenderer::Run(tStart);
    }

    HRESULT DoRenderSample(IMediaSample* sample) override {
        BYTE* data = nullptr;
        HRESULT hr = sample->GetPointer(&data);
        if (FAILED(hr)) return hr;
        const auto* wave =
            reinterpret_cast<const WAVEFORMATEX*>(m_pInputPin->CurrentMediaType().pbFormat);
        // Whole frames only: a torn frame at the end of a sample is dropped.
        DWORD left = DWORD(std::max<LONG>(0, sample->GetActualDataLength()));
        left -= left % wave->nBlockAlign;
        while (left > 0) {
            DWORD taken = 0;
            {
                D_CAutoLock lock(&soundLock_);
                if (!stream_.IsOpen()) return S_OK;  // stopped meanwhile
                hr = stream_.Write(data, left, &taken);
            }
            if (FAILED(hr)) return hr;
            if (taken == 0 && !WaitAPass()) return S_OK;
            data += taken;
            left -= taken;
        }
        return S_OK;
    }

    DWORD OnWaitForRenderTime() override {
        D_CAutoLock lock(&soundLock_);
        stream_.Queued();  // silences what was played
        return kLookMs;
    }

    bool WaitForPlayedOut() override {
        for (;;) {
            {
                D_CAutoLock lock(&soundLock_);
                if (stream_.Queued() == 0) return true;
            }
            if (!WaitAPass()) return false;
        }
    }

    HRESULT EndFlush() override {
        {
            D_CAutoLock lock(&soundLock_);
            stream_.Clear();
        }
        return D_CBaseRenderer::EndFlush();
    }

    HRESULT STDMETHODCALLTYPE put_Volume(LONG v) override {
        if (v < -10000 || v > 0) return E_INVALIDARG;
        D_CAutoLock lock(&soundLock_);
        volume_ = v;
        stream_.SetVolume(v);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Volume(LONG* v) override {
        if (!v) return E_POINTER;
        *v = volume_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Balance(LONG b) override {
        if (b < -10000 || b > 10000) return E_INVALIDARG;
        D_CAutoLock lock(&soundLock_);
        balance_ = b;
        stream_.SetPan(b);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Balance(LONG* b) override {
        if (!b) return E_POINTER;
        *b = balance_;
        return S_OK;
    }

  private:
    static constexpr DWORD kPassMs = 10;   // the mixer's pace
    static constexpr DWORD kLookMs = 100;  // well inside the buffer's half second

    // Waits about one mixer pass for the device to play on (until the state
    // changes while paused); false once stopped or flushing.
    bool WaitAPass() {
        const FILTER_STATE state = m_State;
        if (state == State_Stopped || m_pInputPin->IsFlushing()) return false;
        m_stateEvent.Wait(state == State_Running ? kPassMs : INFINITE);
        return m_State != State_Stopped && !m_pInputPin->IsFlushing();
    }

    D_CCritSec soundLock_;  // the stream and the levels; never held while waiting
    SoundStream stream_;
    std::atomic<LONG> volume_{0}, balance_{0};
};

}  // namespace

D_CBaseFilter* CreateNullRenderer() {
    return new NullRenderer();
}
D_CBaseFilter* CreateAudioRenderer() {
    return new AudioRenderer();
}

}  // namespace dshow
