// The filter-graph road of movie handles: COM started for the calling thread
// as the main thread has it (a load worker has none), the file rendered
// directly or, when the graph cannot read it (an archive member), through a
// temporary copy.
#include "sound/movie/movie_directshow.h"

#include <dshow.h>

#include <cstdio>
#include <string>

#include "DuRud.h"
#include "core/system_services.h"
#include "files/file_access_table.h"
#include "sound/movie/movie_renderer.h"

namespace DuRud {

namespace {

constexpr uint32_t kCopyChunk = 1048576;

template <class T>
void ReleaseOne(T** p) {
    if (*p) (*p)->Release();
    *p = nullptr;
}

// Copies the file, read through the engine's file functions, into a new
// temporary file named in the record; false (the copy deleted) on any failure.
bool CopyToTemporary(MovieHandleRecord* m, const char* fileName) {
    const StreamHandle in = OpenStream(fileName, 0, 1, 0);
    if (!in) return false;
    SeekStream(in, 0, 2);
    const int32_t size = TellStream(in);
    SeekStream(in, 0, 0);
    void* buffer = TrackedAlloc(kCopyChunk, nullptr, -1);
    HANDLE out = buffer ? CreateTempFile(m->path) : nullptr;
    bool ok = out != nullptr && size >= 0;
    if (out) m->temporaryFile = 1;
    for (int32_t left = size; ok && left > 0;) {
        const uint32_t chunk = left < int32_t(kCopyChunk) ? uint32_t(left) : kCopyChunk;
        DWORD written = 0;
        ok = ReadStream(buffer, 1, chunk, in) == chunk &&
             WriteFile(out, buffer, chunk, &written, nullptr) && written == chunk;
        left -= int32_t(chunk);
    }
    if (out) CloseHandle(out);
    TrackedFree(buffer);
    CloseStream(in);
    if (!ok && m->temporaryFile) DeleteFileA(m->path);
    return ok;
}

HRESULT RenderPath(MovieHandleRecord* m, const char* path, int codePage) {
    char16_t wide[260] = {};
    if (ConvertMultiByteToWide(codePage, path, wide, 260) <= 0) return E_INVALIDARG;
    return m->graph->RenderFile(reinterpret_cast<LPCWSTR>(wide), nullptr);
}

int Fail(MovieHandleRecord* m, const std::string& message) {
    ReleaseMovieDirectShow(m);
    LogWrite(message.c_str());
    return -1;
}

}  // namespace

int OpenMovieDirectShow(MovieHandleRecord* m, const char* fileName, int* width, int* height) {
    m->frameImage = BaseImage{};
    m->frameUpdated = 0;
    auto coInitializeEx = WinApi<HRESULT(WINAPI*)(LPVOID, DWORD)>(Api_CoInitializeEx);
    auto coUninitialize = WinApi<void(WINAPI*)()>(Api_CoUninitialize);
    auto create =
        WinApi<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>(Api_CoCreateInstance);
    const HRESULT com = coInitializeEx ? coInitializeEx(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
    struct ComScope {
        bool started;
        void (*end)();
        ~ComScope() {
            if (started && end) end();
        }
    } scope{com == S_OK || com == S_FALSE, coUninitialize};

    if (!create || FAILED(create(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IGraphBuilder, reinterpret_cast<void**>(&m->graph))))
        return Fail(m, Cp932Text("CLSID_FilterGraph の作成に失敗しました\n"));
    HRESULT hr = S_OK;
    m->renderer = CreateMovieRenderer(nullptr, &hr);
    if (!m->renderer || FAILED(m->graph->AddFilter(m->renderer, u"MovieRenderer"))) {
        if (m->renderer) {  // never held by the graph: its one reference deletes it
            m->renderer->AddRef();
            m->renderer->Release();
        }
        m->renderer = nullptr;
        return Fail(m, "Could not add renderer filter to graph!\n");
    }
    if (FAILED(m->graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m->audio))))
        return Fail(m, Cp932Text("BasicAudio インターフェースの取得に失敗しました\n"));
    if (FAILED(m->graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m->control))))
        return Fail(m, Cp932Text("IID_IMediaControlインターフェイスの取得に失敗しました\n"));
    if (FAILED(m->graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m->seeking))))
        return Fail(m, Cp932Text("IID_IMediaSeekingインターフェイスの取得に失敗しました\n"));
    if (FAILED(RenderPath(m, fileName, GetEngineCodePage() ? GetEngineCodePage() : 932))) {
        const std::string message =
            Cp932Text("ファイル:") + std::string(fileName) + Cp932Text(" が開けませんでした\n");
        if (m->temporaryFile || !CopyToTemporary(m, fileName)) return Fail(m, message);
        if (FAILED(RenderPath(m, m->path, 932))) {
            DeleteFileA(m->path);
            return Fail(m, message);
        }
    }
    m->seeking->GetDuration(&m->duration);
    if (m->duration == 0) m->duration = 166666;
    m->seeking->GetStopPosition(&m->stopPosition);
    if (width) *width = m->renderer->width;
    if (height) *height = m->renderer->height;
    m->frameWidth = m->renderer->width;
    m->frameHeight = m->renderer->height;
    return 0;
}

int UpdateMovieDirectShow(MovieHandleRecord* m) {
    if (m->renderer) {
        MovieRendererFilter* r = m->renderer;
        D_CAutoLock lock(&r->frameLock);
        if (r->newFrame) {
            r->newFrame = 0;
            if (m->callback) {
                BaseImage& image = m->frameImage;
                if (r->format == kRendererRgb24)
                    SetColorFormatR8G8B8(&image.colorFormat);
                else
                    SetColorFormatX8R8G8B8(&image.colorFormat);
                image.width = r->width;
                image.height = r->height;
                image.pitch = r->pitch;
                image.pixels = r->frame;  // borrowed: the renderer frees it
                m->callback(m, m->userData);
                m->frameUpdated = 1;
            }
        }
    }
    if (m->seeking && m->control) {
        LONGLONG now = 0;
        m->seeking->GetCurrentPosition(&now);
        if (now >= m->stopPosition) {
            if (m->playType & 2) {
                LONGLONG start = 0;
                m->seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                         AM_SEEKING_NoPositioning);
                m->control->Run();
            } else {
                m->control->Pause();
                m->resume = 0;
                m->stopped = 1;
            }
        }
    }
    return 0;
}

int RunMovieDirectShow(MovieHandleRecord* m) {
    if (m->control) m->control->Run();
    return 0;
}

int PauseMovieDirectShow(MovieHandleRecord* m) {
    if (!m->control) return 1;
    m->control->Pause();
    return 0;
}

int ReleaseMovieDirectShow(MovieHandleRecord* m) {
    if (m->control) m->control->Stop();
    ReleaseOne(&m->audio);
    ReleaseOne(&m->seeking);
    ReleaseOne(&m->control);
    ReleaseOne(&m->graph);  // takes the renderer with it
    m->renderer = nullptr;
    m->frameImage = BaseImage{};
    return 0;
}

}  // namespace DuRud
