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
#include "core/threads_and_locks.h"
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
    int surfaceLost = 0;
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

void FreeState(TheoraState* s) {
    EndTheoraReader(s);
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
                        int) {
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
    TheoraSeekFrame(s, 0);
    TheoraConvertCurrentFrame(s, 1, 1, 0);
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
    s->endOfStream = 0;
    LeaveLock(&s->lock);
    return 0;
}

int TheoraConvertCurrentFrame(TheoraState* s, int makeRgb, int, int) {
    if (!s || !makeRgb) return 0;
    for (;;) {
        LockWithSource(&s->lock, __FILE__, __LINE__);
        if (s->rgbDone) {
            LeaveLock(&s->lock);
            return 1;
        }
        for (const StockEntry& e : s->stock) {
            if (e.inUse == 1 && e.frame == s->currentFrame) {
                ToRgb(e, &s->image);
                s->rgbDone = 1;
                LeaveLock(&s->lock);
                return 1;
            }
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

// The player writes no YUV surface: graphics always takes the RGB image.
IDirect3DSurface9* TheoraGetFrameSurface(TheoraState*) {
    return nullptr;
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
