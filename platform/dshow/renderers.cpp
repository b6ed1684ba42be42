// The stand-in's renderers: the null renderer (any type, discards) and the
// audio renderer (Audio/PCM; IBasicAudio).
#include "dshow/graph_trace.h"
#include "dshow/standin_filters.h"

namespace dshow {
namespace {

class NullRenderer : public D_CBaseRenderer {
  public:
    NullRenderer() : D_CBaseRenderer(CLSID_NullRenderer, kNullRendererName, nullptr, nullptr) {}
    HRESULT CheckMediaType(const D_CMediaType*) override { return S_OK; }
    HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

// Plays 16-bit PCM through the sound mixer. The mixer is not part of the
// layer yet, so starting to stream fails (E_FAIL) with a trace line.
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
        const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
        if (wave->wFormatTag != WAVE_FORMAT_PCM ||
            (wave->wBitsPerSample != 16 && wave->wBitsPerSample != 8) || wave->nChannels < 1 ||
            wave->nChannels > 2)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }

    HRESULT OnStartStreaming() override {
        if (!m_pInputPin->IsConnected()) return S_OK;  // a swapped-out renderer stays idle
        Trace("Audio Renderer: no sound mixer in the layer; cannot play");
        return E_FAIL;
    }

    HRESULT DoRenderSample(IMediaSample*) override { return E_FAIL; }

    HRESULT STDMETHODCALLTYPE put_Volume(LONG v) override {
        if (v < -10000 || v > 0) return E_INVALIDARG;
        volume_ = v;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Volume(LONG* v) override {
        if (!v) return E_POINTER;
        *v = volume_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Balance(LONG b) override {
        if (b < -10000 || b > 10000) return E_INVALIDARG;
        balance_ = b;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Balance(LONG* b) override {
        if (!b) return E_POINTER;
        *b = balance_;
        return S_OK;
    }

  private:
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
