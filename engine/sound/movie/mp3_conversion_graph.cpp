// The converter's last reader (kind 3): the whole MP3 file in memory is
// offered to a graph by the memory reader, decoded by the platform, seen by
// the sample grabber, which appends every buffer to one growing PCM block,
// and swallowed by a null renderer, with no clock, so the graph runs at full
// speed and nothing plays.
#include <cstring>

#include "DuRud.h"
#include "core/system_services.h"
#include "sound/movie/memory_stream.h"
#include "sound/movie/sample_grabber.h"
#include "sound/sound_convert_readers.h"

namespace DuRud {

IPin* FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction);
HRESULT Mp3GrabberCallback(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                           BOOL typeChanged, void* converter);

namespace {

constexpr uint32_t kGrowStep = 1048576;

// Everything one conversion makes; Release stops the graph (joining its
// threads) before anything else goes, on every way out.
struct Mp3Graph {
    uint8_t* file = nullptr;
    D_CMemStream* stream = nullptr;
    D_CMemReader* reader = nullptr;
    IBaseFilter* nullRenderer = nullptr;
    IGraphBuilder* graph = nullptr;
    D_CSampleGrabber* grabber = nullptr;
    IMediaFilter* filter = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    bool comStarted = false;

    void Release() {
        if (control) control->Stop();
        for (IUnknown** u :
             {reinterpret_cast<IUnknown**>(&events), reinterpret_cast<IUnknown**>(&filter),
              reinterpret_cast<IUnknown**>(&control), reinterpret_cast<IUnknown**>(&graph),
              reinterpret_cast<IUnknown**>(&nullRenderer)}) {
            if (*u) (*u)->Release();
            *u = nullptr;
        }
        if (grabber) grabber->Release();
        if (reader) reader->Release();
        grabber = nullptr;
        reader = nullptr;
        delete stream;
        stream = nullptr;
        TrackedFree(file);
        file = nullptr;
        if (comStarted) {
            auto coUninitialize = WinApi<void(WINAPI*)()>(Api_CoUninitialize);
            if (coUninitialize) coUninitialize();
            comStarted = false;
        }
    }
};

template <class T>
HRESULT Create(REFCLSID clsid, REFIID iid, T** out) {
    auto create =
        WinApi<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>(Api_CoCreateInstance);
    if (!create) return E_NOINTERFACE;
    return create(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(out));
}

template <class T>
bool Query(IUnknown* from, REFIID iid, T** out) {
    return SUCCEEDED(from->QueryInterface(iid, reinterpret_cast<void**>(out)));
}

// The first filter with a connected input pin and no output pin: the
// renderer the graph chose. Its input is disconnected and the pin that fed
// it (referenced) returned; null when there is none.
IPin* TakeRendererFeed(IGraphBuilder* graph) {
    IEnumFilters* filters = nullptr;
    if (FAILED(graph->EnumFilters(&filters))) return nullptr;
    IPin* feed = nullptr;
    IBaseFilter* f = nullptr;
    ULONG got = 0;
    while (!feed && filters->Next(1, &f, &got) == S_OK) {
        IPin* in = FindFilterPin(f, PINDIR_INPUT);
        IPin* out = FindFilterPin(f, PINDIR_OUTPUT);
        IPin* upstream = nullptr;
        if (in && !out && in->ConnectedTo(&upstream) == S_OK) {
            if (SUCCEEDED(graph->Disconnect(upstream)) && SUCCEEDED(graph->Disconnect(in)))
                feed = upstream;
            else
                upstream->Release();
        }
        if (in) in->Release();
        if (out) out->Release();
        f->Release();
    }
    filters->Release();
    return feed;
}

// `message` is code page 932 already.
int Fail(Mp3Graph& g, SoundConvertState* s, const char* message) {
    LogWrite(message);
    LogWrite("\n");
    g.Release();
    TrackedFree(s->pcm.block);
    s->pcm = {};
    return -1;
}

}  // namespace

IPin* FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    IEnumPins* pins = nullptr;
    if (!filter || FAILED(filter->EnumPins(&pins))) return nullptr;
    IPin* pin = nullptr;
    ULONG got = 0;
    while (pins->Next(1, &pin, &got) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) break;
        pin->Release();
        pin = nullptr;
    }
    pins->Release();
    return pin;
}

HRESULT Mp3GrabberCallback(IMediaSample* sample, REFERENCE_TIME*, REFERENCE_TIME*, BOOL,
                           void* converter) {
    auto* s = static_cast<SoundConvertState*>(converter);
    if (!s->pcm.block) return 0;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const uint32_t length = uint32_t(std::max<LONG>(0, sample->GetActualDataLength()));
    uint64_t capacity = s->pcm.capacity;
    while (uint64_t(s->pcm.used) + length > capacity) capacity += kGrowStep;
    if (capacity != s->pcm.capacity) {
        void* grown =
            capacity <= UINT32_MAX ? TrackedAlloc(uint32_t(capacity), __FILE__, __LINE__) : nullptr;
        if (!grown) {  // the conversion reports the lost block
            TrackedFree(s->pcm.block);
            s->pcm.block = nullptr;
            return 0;
        }
        std::memcpy(grown, s->pcm.block, s->pcm.used);
        TrackedFree(s->pcm.block);
        s->pcm.block = static_cast<uint8_t*>(grown);
        s->pcm.capacity = uint32_t(capacity);
    }
    std::memcpy(s->pcm.block + s->pcm.used, data, length);
    s->pcm.used += length;
    return 0;
}

int DecodeMp3ToPcm(SoundConvertState* s) {
    s->pcm = {};
    Mp3Graph g;
    // The whole file, from its start whatever a reader tried before this
    // one left the position at; the stream covers the bytes really read.
    const int64_t size = MeasureStream(s);
    if (size > 0 && size < INT32_MAX && SeekStreamTo(s, 0))
        g.file = static_cast<uint8_t*>(TrackedAlloc(uint32_t(size), __FILE__, __LINE__));
    const uint32_t got = g.file ? ReadStreamBytes(s, g.file, uint32_t(size)) : 0;
    if (got > 0) g.stream = CreateMemStream(g.file, got, 0, kMemStreamUnthrottled);
    if (!g.stream) return Fail(g, s, Cp932Text("MP3変換用 D_CMemStream の作成に失敗しました"));
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Stream;
    type.subtype = MEDIASUBTYPE_MPEG1Audio;
    HRESULT hr = S_OK;
    g.reader = CreateMemReader(g.stream, &type, &hr);
    if (!g.reader) return Fail(g, s, Cp932Text("MP3変換用 D_CMemReader の作成に失敗しました"));

    // A load worker has no COM of its own: start it like the main thread's.
    auto coInitializeEx = WinApi<HRESULT(WINAPI*)(LPVOID, DWORD)>(Api_CoInitializeEx);
    if (coInitializeEx) {
        hr = coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        g.comStarted = hr == S_OK || hr == S_FALSE;
    }
    if (FAILED(Create(CLSID_NullRenderer, IID_IBaseFilter, &g.nullRenderer)))
        return Fail(g, s, Cp932Text("MP3変換用 NullRender の作成に失敗しました"));
    if (FAILED(Create(CLSID_FilterGraph, IID_IGraphBuilder, &g.graph)))
        return Fail(g, s, Cp932Text("MP3変換用 IGraphBuilder の作成に失敗しました"));
    g.grabber = CreateSampleGrabber(nullptr, &hr, true);
    if (!g.grabber) return Fail(g, s, Cp932Text("MP3変換用 D_CSampleGrabber の作成に失敗しました"));

    AM_MEDIA_TYPE pcm{};
    pcm.majortype = MEDIATYPE_Audio;
    pcm.subtype = MEDIASUBTYPE_PCM;
    if (FAILED(g.grabber->SetAcceptedMediaType(&pcm)))
        return Fail(g, s, Cp932Text("サンプルグラバフィルタのメディアタイプの設定に失敗しました"));
    if (FAILED(g.graph->AddFilter(g.grabber, u"SampleGrabber")))
        return Fail(g, s, Cp932Text("サンプルグラバフィルタのグラフへの追加に失敗しました"));
    if (FAILED(g.graph->AddFilter(g.reader, u"MemFile")))
        return Fail(g, s, Cp932Text("メモリファイルフィルタのグラフへの追加に失敗しました"));
    IPin* readerOut = FindFilterPin(g.reader, PINDIR_OUTPUT);
    hr = readerOut ? g.graph->Render(readerOut) : E_FAIL;
    if (readerOut) readerOut->Release();
    if (FAILED(hr)) return Fail(g, s, Cp932Text("グラフの構築に失敗しました"));
    if (FAILED(g.graph->AddFilter(g.nullRenderer, u"File Renderer")))
        return Fail(g, s, Cp932Text("ヌルレンダラーフィルタのグラフへの追加に失敗しました"));

    IPin* feed = TakeRendererFeed(g.graph);
    IPin* nullIn = FindFilterPin(g.nullRenderer, PINDIR_INPUT);
    hr = feed && nullIn ? g.graph->Connect(feed, nullIn) : E_FAIL;
    if (feed) feed->Release();
    if (nullIn) nullIn->Release();
    if (FAILED(hr))
        return Fail(g, s, Cp932Text("既存レンダラーをNullレンダラーと交換する処理が失敗しました"));

    AM_MEDIA_TYPE connected{};
    if (FAILED(g.grabber->GetConnectedMediaType(&connected)))
        return Fail(
            g, s,
            Cp932Text("音声が含まれていないか、オーディオフォーマットの取得に失敗しました。"));
    WAVEFORMATEX wave{};
    const bool waveFormat = connected.formattype == FORMAT_WaveFormatEx &&
                            connected.cbFormat >= 16 && connected.pbFormat;
    if (waveFormat) std::memcpy(&wave, connected.pbFormat, 16);
    D_FreeMediaType(connected);
    if (!waveFormat) return Fail(g, s, Cp932Text("サポート外のストリームフォーマットです。"));
    // A zero channel count, rate or block align would divide by zero below.
    if (wave.wFormatTag != WAVE_FORMAT_PCM || wave.nChannels == 0 || wave.nSamplesPerSec == 0 ||
        wave.nBlockAlign == 0)
        return Fail(g, s, Cp932Text("サポート外のオーディオフォーマットです。"));
    WAVEFORMATEX& out = s->outputFormat;
    out = WAVEFORMATEX{};
    out.wFormatTag = WAVE_FORMAT_PCM;
    out.nChannels = wave.nChannels;
    out.nSamplesPerSec = wave.nSamplesPerSec;
    out.nBlockAlign = wave.nBlockAlign;
    out.nAvgBytesPerSec = uint32_t(wave.nBlockAlign) * wave.nSamplesPerSec;
    out.wBitsPerSample = WORD(wave.nBlockAlign * 8 / wave.nChannels);

    if (FAILED(g.grabber->SetCallback(&Mp3GrabberCallback, s)))
        return Fail(g, s, Cp932Text("コールバック関数を設定できません"));
    const uint64_t first = uint64_t(got) * 10;
    s->pcm.capacity = uint32_t(std::min<uint64_t>(first, UINT32_MAX / 2));
    s->pcm.block = static_cast<uint8_t*>(TrackedAlloc(s->pcm.capacity, __FILE__, __LINE__));
    if (!s->pcm.block)
        return Fail(g, s, Cp932Text("PCMデータを格納するメモリ領域の確保に失敗しました"));

    if (!Query(g.graph, IID_IMediaFilter, &g.filter) || FAILED(g.filter->SetSyncSource(nullptr)))
        return Fail(g, s, Cp932Text("IMediaFilter の取得に失敗しました"));
    if (!Query(g.graph, IID_IMediaControl, &g.control))
        return Fail(g, s, Cp932Text("IMediaControl の取得に失敗しました"));
    if (!Query(g.graph, IID_IMediaEvent, &g.events))
        return Fail(g, s, Cp932Text("IMediaEvent の取得に失敗しました"));

    if (FAILED(g.control->Run()))
        return Fail(g, s, Cp932Text("MP3変換の途中でエラーが発生しました"));
    for (;;) {
        if (PumpWindowMessages() != 0)
            return Fail(g, s, Cp932Text("MP3変換の途中でソフトが終了しました"));
        LONG code = 0;
        hr = g.events->WaitForCompletion(100, &code);
        if (hr == E_ABORT) continue;
        if (FAILED(hr) || code == EC_ERRORABORT)
            return Fail(g, s, Cp932Text("MP3変換の途中でエラーが発生しました"));
        if (code == EC_COMPLETE) break;
    }
    g.control->Stop();  // the callback is done with the block from here on
    if (!s->pcm.block)
        return Fail(g, s, Cp932Text("PCMデータを格納するメモリ領域の再確保に失敗しました"));
    g.Release();
    s->kind = SoundConvertKindPcmBlock;
    s->pcm.readPosition = 0;
    s->outputSize = out.nAvgBytesPerSec;
    return FinishSoundConvertSetup(s);
}

}  // namespace DuRud
