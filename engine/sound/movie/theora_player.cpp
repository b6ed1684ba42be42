// The Theora movie player. The decoding thread owns the reader (the file and
// the libogg and libtheora records); everything else is shared under the
// state's lock.
#include "sound/movie/theora_player.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/threads_and_locks.h"
#include "graphics/device_layer.h"
#include "graphics/main_thread_forwarders.h"
#include "sound/movie/movie_frames.h"
#include "sound/movie/movie_module.h"
#include "sound/movie/theora_reader.h"

namespace DuRud {

namespace {

// Colour tables in 14-bit fixed point, and the 0..255 clamp over -512..767.
struct ColorTables {
    int32_t luma[256], vRed[256], uGreen[256], vGreen[256], uBlue[256];
    uint8_t clamp[1280];
    bool built = false;
} g_tables;

uint8_t Clamp(int32_t v) {
    return g_tables.clamp[std::clamp(v, -512, 767) + 512];
}

}  // namespace

struct StockEntry {
    int inUse = 0;  // 1 shown to the main thread, 2 being written by the thread
    int64_t frame = -1;
    std::vector<uint8_t> y, u, v;
    int yWidth = 0, yHeight = 0, cWidth = 0, cHeight = 0;  // planes stored without padding
};

// The reader's part is owned by the decoding thread once it runs.
struct TheoraState : TheoraReader {
    TracedLock lock;
    ThreadContext thread{};
    int threadState = 0;  // 0 idle, 1 decoding, 3 ended
    int endRequest = 0;
    int endOfStream = 0;  // the decoder ran out of data
    // Shared.
    int64_t currentFrame = -1;
    std::vector<StockEntry> stock;
    BaseImage image{};
    // The YUV surface graphics may draw from (4:2:0 movies on the device only).
    IDirect3DSurface9* surface = nullptr;
    D3DFORMAT surfaceFormat = D3DFMT_UNKNOWN;
    int surfaceLost = 0;
    int surfaceDone = 0;
    int rgbDone = 0;
};

namespace {

void CopyPlane(std::vector<uint8_t>* to, const unsigned char* from, int stride, int width,
               int height) {
    to->resize(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        std::memcpy(to->data() + static_cast<size_t>(row) * width, from + row * stride, width);
}

// The frames the stock should hold: the current one and those after it,
// continuing at frame 0 past the end.
bool Wanted(const TheoraState* s, int64_t frame) {
    const int64_t size = static_cast<int64_t>(s->stock.size());
    const int64_t ahead = (frame - s->currentFrame + s->frameCount) % s->frameCount;
    return s->currentFrame >= 0 && ahead < std::min(size, s->frameCount);
}

void DecodeThread(ThreadContext*, uintptr_t argument) {
    auto* s = reinterpret_cast<TheoraState*>(argument);
    auto idleSince = std::chrono::steady_clock::now();
    LockWithSource(&s->lock, __FILE__, __LINE__);
    while (!s->endRequest) {
        for (StockEntry& e : s->stock)
            if (e.inUse == 1 && !Wanted(s, e.frame)) e.inUse = 0;
        int64_t missing = -1;
        for (int64_t i = 0; s->currentFrame >= 0 && !s->endOfStream && i < s->frameCount &&
                            i < static_cast<int64_t>(s->stock.size());
             ++i) {
            const int64_t frame = (s->currentFrame + i) % s->frameCount;
            if (std::none_of(s->stock.begin(), s->stock.end(), [&](const StockEntry& e) {
                    return e.inUse == 1 && e.frame == frame;
                })) {
                missing = frame;
                break;
            }
        }
        if (missing < 0) {
            if (s->threadState != 0) idleSince = std::chrono::steady_clock::now();
            s->threadState = 0;
            LeaveLock(&s->lock);
            if (std::chrono::steady_clock::now() - idleSince > std::chrono::milliseconds(200))
                SleepMilliseconds(1);
            else
                std::this_thread::yield();
            LockWithSource(&s->lock, __FILE__, __LINE__);
            continue;
        }
        s->threadState = 1;
        auto free = std::find_if(s->stock.begin(), s->stock.end(),
                                 [](const StockEntry& e) { return e.inUse == 0; });
        free->inUse = 2;
        LeaveLock(&s->lock);
        yuv_buffer yuv{};
        const bool ok =
            DecodeTheoraFrame(s, missing) && theora_decode_YUVout(&s->decoder, &yuv) == 0;
        if (ok) {
            CopyPlane(&free->y, yuv.y, yuv.y_stride, yuv.y_width, yuv.y_height);
            CopyPlane(&free->u, yuv.u, yuv.uv_stride, yuv.uv_width, yuv.uv_height);
            CopyPlane(&free->v, yuv.v, yuv.uv_stride, yuv.uv_width, yuv.uv_height);
            free->yWidth = yuv.y_width;
            free->yHeight = yuv.y_height;
            free->cWidth = yuv.uv_width;
            free->cHeight = yuv.uv_height;
        }
        LockWithSource(&s->lock, __FILE__, __LINE__);
        free->frame = missing;
        free->inUse = ok && Wanted(s, missing) ? 1 : 0;
        if (!ok) s->endOfStream = 1;
    }
    s->threadState = 3;
    LeaveLock(&s->lock);
}

void ToRgb(const StockEntry& e, BaseImage* image) {
    const int width = std::min(e.yWidth, image->width);
    const int height = std::min(e.yHeight, image->height);
    const bool half = e.yWidth == 2 * e.cWidth && e.yHeight == 2 * e.cHeight;
    for (int y = 0; y < height; ++y) {
        auto* out = static_cast<uint8_t*>(image->pixels) + static_cast<size_t>(y) * image->pitch;
        for (int x = 0; x < width; ++x, out += 4) {
            const int Y = e.y[static_cast<size_t>(y) * e.yWidth + x];
            const int cx = half ? x / 2 : static_cast<int>(int64_t{x} * e.cWidth / e.yWidth);
            const int cy = half ? y / 2 : static_cast<int>(int64_t{y} * e.cHeight / e.yHeight);
            const int U = e.u[static_cast<size_t>(cy) * e.cWidth + cx];
            const int V = e.v[static_cast<size_t>(cy) * e.cWidth + cx];
            if (half) {
                const int32_t l = g_tables.luma[Y];
                out[2] = Clamp((l + g_tables.vRed[V]) / 16384);
                out[1] = Clamp((l + g_tables.uGreen[U] + g_tables.vGreen[V]) / 16384);
                out[0] = Clamp((l + g_tables.uBlue[U]) / 16384);
            } else {
                const double l = 1.164 * (Y - 16);
                out[2] = Clamp(static_cast<int32_t>(l + 1.596 * (V - 128)));
                out[1] = Clamp(static_cast<int32_t>(l - 0.391 * (U - 128) - 0.813 * (V - 128)));
                out[0] = Clamp(static_cast<int32_t>(l + 2.018 * (U - 128)));
            }
            out[3] = 255;
        }
    }
}

constexpr D3DFORMAT kYV12 = static_cast<D3DFORMAT>(MAKEFOURCC('Y', 'V', '1', '2'));

void ReleaseSurfaceNow(TheoraState* s) {
    if (s->surface) s->surface->Release();
    s->surface = nullptr;
    s->surfaceFormat = D3DFMT_UNKNOWN;
    s->surfaceLost = 0;
}

// Device work, on the main thread: a plain surface of the coded size in the
// first YUV layout the device takes; none for other chroma layouts, which
// the surface could not show.
void CreateSurfaceNow(TheoraState* s) {
    ReleaseSurfaceNow(s);
    if (!HasDevice() || s->info.pixelformat != OC_PF_420) return;
    for (D3DFORMAT f : {kYV12, D3DFMT_YUY2, D3DFMT_UYVY}) {
        if (SUCCEEDED(DeviceCreateOffscreenPlainSurface(s->info.width, s->info.height, f,
                                                        D3DPOOL_DEFAULT, &s->surface))) {
            s->surfaceFormat = f;
            return;
        }
        s->surface = nullptr;
    }
}

struct SurfaceRequest {
    MainThreadRequest base;
    TheoraState* state;
    bool release;
};

int32_t RunSurfaceRequest(MainThreadRequest* request) {
    auto* r = reinterpret_cast<SurfaceRequest*>(request);
    if (r->release)
        ReleaseSurfaceNow(r->state);
    else
        CreateSurfaceNow(r->state);
    return 0;
}

void SurfaceWork(TheoraState* s, bool release, int offMainThread) {
    SurfaceRequest request{{RunSurfaceRequest, 0, 0}, s, release};
    if (offMainThread)
        PostToMainThread(&request.base);
    else
        RunSurfaceRequest(&request.base);
}

// The stock entry's planes into the locked surface, in its layout.
void WriteSurface(const StockEntry& e, D3DFORMAT format, uint8_t* bits, int pitch) {
    if (format == kYV12) {
        const int half = pitch / 2;
        uint8_t* v = bits + static_cast<size_t>(pitch) * e.yHeight;
        uint8_t* u = v + static_cast<size_t>(half) * e.cHeight;
        for (int y = 0; y < e.yHeight; ++y)
            std::memcpy(bits + static_cast<size_t>(y) * pitch, &e.y[size_t(y) * e.yWidth],
                        e.yWidth);
        for (int y = 0; y < e.cHeight; ++y) {
            std::memcpy(v + static_cast<size_t>(y) * half, &e.v[size_t(y) * e.cWidth], e.cWidth);
            std::memcpy(u + static_cast<size_t>(y) * half, &e.u[size_t(y) * e.cWidth], e.cWidth);
        }
        return;
    }
    const bool yuy2 = format == D3DFMT_YUY2;
    for (int y = 0; y < e.yHeight; ++y) {
        uint8_t* out = bits + static_cast<size_t>(y) * pitch;
        const uint8_t* luma = &e.y[size_t(y) * e.yWidth];
        const size_t chroma = size_t(y / 2) * e.cWidth;
        for (int x = 0; x + 1 < e.yWidth; x += 2, out += 4) {
            const uint8_t U = e.u[chroma + x / 2], V = e.v[chroma + x / 2];
            if (yuy2) {
                out[0] = luma[x], out[1] = U, out[2] = luma[x + 1], out[3] = V;
            } else {
                out[0] = U, out[1] = luma[x], out[2] = V, out[3] = luma[x + 1];
            }
        }
    }
}

// A lost or unlockable surface is made again, at most three times.
bool FillSurface(TheoraState* s, const StockEntry& e, int offMainThread) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (s->surfaceLost || !s->surface) {
            SurfaceWork(s, false, offMainThread);
            if (!s->surface) return false;
        }
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(
                LockSurfaceRectOnMainThread(s->surface, &locked, nullptr, 0, offMainThread))) {
            WriteSurface(e, s->surfaceFormat, static_cast<uint8_t*>(locked.pBits), locked.Pitch);
            UnlockSurfaceOnMainThread(s->surface, offMainThread);
            return true;
        }
        s->surfaceLost = 1;
    }
    return false;
}

void FreeState(TheoraState* s) {
    EndTheoraReader(s);
    ReleaseSurfaceNow(s);
    FreeBaseImagePixels(&s->image);
    DeleteLock(&s->lock);
    delete s;
}

TheoraState* Fail(TheoraState* s, const char* message) {
    if (message) LogWrite(message);  // already in the log's code page
    TheoraClose(s);
    return nullptr;
}

}  // namespace

int InitTheoraColorTables() {
    for (int i = 0; i < 256; ++i) {
        g_tables.luma[i] = 19070 * (i - 16);
        g_tables.vRed[i] = 26148 * (i - 128);
        g_tables.uGreen[i] = -6406 * (i - 128);
        g_tables.vGreen[i] = -13320 * (i - 128);
        g_tables.uBlue[i] = 33062 * (i - 128);
    }
    for (int i = -512; i < 768; ++i)
        g_tables.clamp[i + 512] = static_cast<uint8_t>(std::clamp(i, 0, 255));
    g_tables.built = true;
    return 0;
}

TheoraState* TheoraOpen(const StreamFunctionTable* functions, StreamHandle stream, int stockSize,
                        int offMainThread) {
    if (!functions || !stream || stockSize < 1) return nullptr;
    char magic[4] = {};
    if (functions->Read(magic, 1, 4, stream) != 4 || std::memcmp(magic, "OggS", 4) != 0)
        return nullptr;
    functions->Seek(stream, 0, 0);
    if (!g_tables.built) InitTheoraColorTables();
    auto* s = new TheoraState;
    InitLock(&s->lock);
    const char* message = nullptr;
    if (StartTheoraReader(s, functions, stream, &message) != 0) return Fail(s, message);
    if (CreateX8R8G8B8BaseImage(static_cast<int>(s->info.width), static_cast<int>(s->info.height),
                                &s->image) != 0)
        return Fail(
            s, Cp932Text(
                   "Theora ムービーデコードフレームストック用画像バッファの確保に失敗しました\n"));
    s->stock.resize(static_cast<size_t>(stockSize));
    if (CreateEngineThread(&s->thread, DecodeThread, reinterpret_cast<uintptr_t>(s)) != 0)
        return Fail(s, Cp932Text("Theora ムービーデコード用スレッドの作成に失敗しました\n"));
    ResumeEngineThread(&s->thread);
    SurfaceWork(s, false, offMainThread);
    TheoraSeekFrame(s, 0);
    TheoraConvertCurrentFrame(s, 1, 1, offMainThread);
    return s;
}

int TheoraClose(TheoraState* s) {
    if (!s) return -1;
    if (s->thread.handle) {
        LockWithSource(&s->lock, __FILE__, __LINE__);
        s->endRequest = 1;
        LeaveLock(&s->lock);
        WaitForSingleObject(s->thread.handle, INFINITE);
        CloseThreadHandle(&s->thread);
    }
    FreeState(s);
    return 0;
}

int TheoraSeekFrame(TheoraState* s, int64_t frame) {
    LockWithSource(&s->lock, __FILE__, __LINE__);
    frame = std::clamp<int64_t>(frame, 0, s->frameCount - 1);
    if (frame != s->currentFrame) {
        s->currentFrame = frame;
        s->rgbDone = 0;
        s->surfaceDone = 0;
        s->endOfStream = 0;
    }
    LeaveLock(&s->lock);
    return 0;
}

int TheoraAdvanceFrames(TheoraState* s, int64_t count) {
    if (count < 1) return 0;
    LockWithSource(&s->lock, __FILE__, __LINE__);
    s->currentFrame = (s->currentFrame + count) % s->frameCount;
    s->rgbDone = 0;
    s->surfaceDone = 0;
    s->endOfStream = 0;
    LeaveLock(&s->lock);
    return 0;
}

int TheoraConvertCurrentFrame(TheoraState* s, int makeRgb, int useSurface, int offMainThread) {
    if (!s || (!makeRgb && !useSurface)) return 0;
    for (;;) {
        LockWithSource(&s->lock, __FILE__, __LINE__);
        const bool surfaceWanted =
            useSurface && (s->surface || s->surfaceLost) && (!s->surfaceDone || s->surfaceLost);
        if ((!makeRgb || s->rgbDone) && !surfaceWanted) {
            LeaveLock(&s->lock);
            return 1;
        }
        for (const StockEntry& e : s->stock) {
            if (e.inUse != 1 || e.frame != s->currentFrame) continue;
            if (makeRgb && !s->rgbDone) {
                ToRgb(e, &s->image);
                s->rgbDone = 1;
            }
            // The entry stays in use while it is the current frame, which only
            // this caller moves: the surface is written outside the lock, so a
            // posted lock never waits on the player.
            LeaveLock(&s->lock);
            if (surfaceWanted && FillSurface(s, e, offMainThread)) s->surfaceDone = 1;
            return 1;
        }
        const bool hopeless = s->endOfStream || s->threadState == 3;
        LeaveLock(&s->lock);
        if (hopeless) return 0;
        std::this_thread::yield();
    }
}

BaseImage* TheoraGetFrameImage(TheoraState* s) {
    return s ? &s->image : nullptr;
}

IDirect3DSurface9* TheoraGetFrameSurface(TheoraState* s) {
    return s && !s->surfaceLost ? s->surface : nullptr;
}

int TheoraInvalidateSurface(TheoraState* s) {
    if (!s) return -1;
    LockWithSource(&s->lock, __FILE__, __LINE__);
    s->surfaceLost = 1;
    LeaveLock(&s->lock);
    return 0;
}

int TheoraGetMovieInfo(TheoraState* s, MovieInfo* info) {
    info->framesPerSecond = static_cast<double>(s->info.fps_numerator) / s->info.fps_denominator;
    info->frameCount = s->frameCount;
    info->width = static_cast<int32_t>(s->info.width);
    info->height = static_cast<int32_t>(s->info.height);
    return 0;
}

int64_t TheoraGetCurrentFrame(TheoraState* s) {
    LockWithSource(&s->lock, __FILE__, __LINE__);
    const int64_t frame = s->currentFrame;
    LeaveLock(&s->lock);
    return frame;
}

int TheoraKeyFrameCount(TheoraState* s) {
    return static_cast<int>(std::count(s->keyFrames.begin(), s->keyFrames.end(), 1));
}

}  // namespace DuRud
