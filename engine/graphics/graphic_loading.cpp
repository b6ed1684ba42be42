// Loading pictures into graphics, cutting sheets into pieces, empty and
// draw-target graphics, and graphics from images in memory.
#include "graphics/graphic_loading.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/async_loading.h"
#include "core/text_literals.h"
#include "files/file_access_table.h"
#include "files/full_path.h"
#include "graphics/device_layer.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "graphics/movie_frames.h"
#include "graphics/screen_state.h"
#include "image/image_loading.h"
#include "image/pixel_conversion.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

bool HasAlpha(const BaseImage* image) {
    return image->colorFormat.alphaWidth > 0 || image->colorFormat.alphaMask != 0;
}

bool IsPaletteImage(const BaseImage* image) {
    return image->colorFormat.bitsPerPixel == 8 && image->colorFormat.formatCode == kFormatPlain &&
           image->colorFormat.redMask == 0 && !HasAlpha(image);
}

void WaitForActiveWindowOnMainThread(int fromWorker) {
    if (!fromWorker && GetMainWindowHandle() && !GetWindowActiveFlag()) WaitWhileInactive();
}

void LogMissingFile(const char* fileName) {
    char fullPath[1024] = {};
    ConvertToFullPath(fileName, fullPath, sizeof fullPath, nullptr);
    LogFormatLine(Cp932Text("画像ファイル %s がありません"), fullPath);
}

// Reads the picture and its alpha companion; -1 when nothing decodes.
int ReadImages(const char* fileName, int mirror, BaseImage* image, BaseImage* alpha,
               bool* haveAlpha) {
    *image = BaseImage{};
    *alpha = BaseImage{};
    const int result =
        LoadBaseImageAndAlpha(fileName, nullptr, 0, 0, nullptr, 0, 0, image, alpha, mirror);
    *haveAlpha = result == 0;
    return result < 0 ? -1 : 0;
}

void FreeImages(BaseImage* image, BaseImage* alpha) {
    if (image->pixels) FreeBaseImagePixels(image);
    if (alpha->pixels) FreeBaseImagePixels(alpha);
}

// A file that no picture loader accepts but that opens is tried as a movie.
int LoadAsMovie(const GraphicCreateParams& params, Handle handle, const char* fileName,
                int fromWorker) {
    const StreamHandle stream = OpenStream(fileName, 0, 1, 0);
    if (!stream) {
        LogMissingFile(fileName);
        return -1;
    }
    CloseStream(stream);
    int32_t setting = 0;
    ReadMovieSetting(&setting);
    return CreateGraphicFromMovie(params, handle, fileName, 0, setting, fromWorker);
}

}  // namespace

int CreateGraphicFromBaseImage(const BaseImage* image, const BaseImage* alphaImage,
                               int colorKeyToAlpha, Handle handle, int copyX, int copyY,
                               int asynchronous, int fromWorker) {
    GraphicRecord* g = GraphicFromHandle(handle, asynchronous || fromWorker);
    if (!g) return -1;
    g->originX = copyX;
    g->originY = copyY;
    const RECT source{copyX, copyY, copyX + g->width, copyY + g->height};
    return TransferImageToGraphic(handle, &source, 0, 0, image, alphaImage, colorKeyToAlpha, 0, 1,
                                  fromWorker);
}

int FillDividedGraphicsFromImage(const BaseImage* image, const BaseImage* alphaImage,
                                 const Handle* handles, int count, int columns, int cellWidth,
                                 int cellHeight, int reverse, int asynchronous, int fromWorker) {
    if (count < 1 || columns < 1) return -1;
    SharedImage* shared = nullptr;
    bool oneBody = true;
    for (int k = 0; k < count; ++k) {
        GraphicRecord* g = GraphicFromHandle(handles[k], asynchronous || fromWorker);
        if (!g) return -1;
        const int column = reverse ? columns - 1 - k % columns : k % columns;
        g->originX = column * cellWidth;
        g->originY = (k / columns) * cellHeight;
        if (k == 0) shared = g->image;
        oneBody = oneBody && g->image == shared;
    }
    if (oneBody)
        return TransferImageToGraphic(handles[0], nullptr, 0, 0, image, alphaImage, 1, 1, 1,
                                      fromWorker);
    for (int k = 0; k < count; ++k) {
        GraphicRecord* g = GraphicFromHandle(handles[k], 1);
        const RECT source{g->originX, g->originY, g->originX + g->width, g->originY + g->height};
        if (TransferImageToGraphic(handles[k], &source, 0, 0, image, alphaImage, 1, 0, 1,
                                   fromWorker) != 0)
            return -1;
    }
    return 0;
}

int MakeTransparentAlphaImage(const BaseImage* image, const BaseImage* alphaImage,
                              uint32_t transparentColor, BaseImage* out) {
    const int w = image->width, h = image->height;
    if (CreateA8R8G8B8BaseImage(w, h, out) != 0) return -1;
    const RECT all{0, 0, w, h};
    ConvertPixelRect(out->pixels, out->pitch, &out->colorFormat, image->pixels, image->pitch,
                     &image->colorFormat, alphaImage ? alphaImage->pixels : nullptr,
                     alphaImage ? alphaImage->pitch : 0,
                     alphaImage ? &alphaImage->colorFormat : nullptr, 0, 0, &all, 0, 0, 0,
                     kDitherNone, 0, 0, 0, 0);
    const bool keepsAlpha = HasAlpha(image) || alphaImage;
    auto pixel = [&](int x, int y) -> uint32_t& {
        return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(out->pixels) + y * out->pitch)[x];
    };
    std::vector<uint8_t> transparent(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t& p = pixel(x, y);
            const bool key = (p & 0xFFFFFF) == (transparentColor & 0xFFFFFF);
            transparent[static_cast<size_t>(y) * w + x] = key;
            p = key ? (p & 0xFFFFFF) : (keepsAlpha ? p : (p | 0xFF000000u));
        }
    // Each opaque pixel lends its colour to its transparent neighbours, left,
    // up, right, down; a later write wins.
    static const int kSteps[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (transparent[static_cast<size_t>(y) * w + x]) continue;
            const uint32_t colour = pixel(x, y) & 0xFFFFFF;
            for (const auto& step : kSteps) {
                const int nx = x + step[0], ny = y + step[1];
                if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                if (transparent[static_cast<size_t>(ny) * w + nx]) pixel(nx, ny) = colour;
            }
        }
    return 0;
}

int CreateGraphicFromImage(const GraphicCreateParams& params, int reload, Handle handle,
                           const BaseImage* image, const BaseImage* alphaImage, int option,
                           int fromWorker) {
    (void)option;
    if (!image || !image->pixels) return -1;
    GraphicCreateParams p = params;
    const int* w = p.words;
    BaseImage keyed{};
    if (!reload && w[kWordTransparentToAlpha] && !w[kWordKeepTransparentColor]) {
        if (MakeTransparentAlphaImage(image, alphaImage,
                                      static_cast<uint32_t>(w[kWordTransparentColor]), &keyed) != 0)
            return -1;
        image = &keyed;
        alphaImage = nullptr;
    }
    auto done = [&](int result) {
        if (keyed.pixels) FreeBaseImagePixels(&keyed);
        return result;
    };
    if (alphaImage && (alphaImage->width != image->width || alphaImage->height != image->height))
        return done(-1);
    if (w[kWordTopLeftTransparent])
        p.words[kWordTransparentColor] =
            static_cast<int32_t>(GetBaseImagePixelArgb(image, 0, 0) & 0xFFFFFF);
    if (reload) {
        GraphicRecord* g = GraphicFromHandle(handle, 1);
        if (!g || g->width != image->width || g->height != image->height) return done(-1);
    } else {
        const int hasAlpha = HasAlpha(image) || alphaImage ? 1 : 0;
        const int palette = IsPaletteImage(image) && !alphaImage ? 1 : 0;
        const int mips = image->mipMapCount > 1 ? image->mipMapCount : -1;
        if (CreateSharedImage(p, handle, image->width, image->height, hasAlpha, palette,
                              image->colorFormat.formatCode, mips, 1, fromWorker) != 0)
            return done(-1);
    }
    const int result = CreateGraphicFromBaseImage(
        image, alphaImage, w[kWordKeepTransparentColor] ? 0 : 1, handle, 0, 0, 1, fromWorker);
    return done(result);
}

int CreateDivGraphFromGraphImage(const GraphicCreateParams& params, int reload, Handle baseHandle,
                                 const BaseImage* image, const BaseImage* alphaImage, int count,
                                 int across, int down, int width, int height, Handle* handles,
                                 int option, int mirror, int fromWorker) {
    if (reload) {
        if (image->width < across * width || image->height < down * height) return -1;
        return FillDividedGraphicsFromImage(image, alphaImage, handles, count, across, width,
                                            height, mirror, 1, fromWorker);
    }
    if (CreateGraphicFromImage(params, 0, baseHandle, image, alphaImage, option, fromWorker) != 0)
        return -1;
    int made = 0;
    for (int row = 0; row < down && made < count; ++row) {
        for (int column = 0; column < across && made < count; ++column) {
            const int x = mirror ? (across - 1 - column) * width : column * width;
            if (MakeSubGraphic(handles[made], x, row * height, width, height, baseHandle, 1) != 0) {
                LogWrite(Cp932Text(
                    "グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n"));
                return -1;
            }
            ++made;
        }
    }
    return made == count ? 0 : -1;
}

Handle CreateEmptyGraphic(const GraphicCreateParams& params, int width, int height,
                          int asynchronous, int fromWorker) {
    (void)asynchronous;
    WaitForActiveWindowOnMainThread(fromWorker);
    const Handle handle = NewGraphicHandle();
    if (handle < 0) return -1;
    if (CreateSharedImage(params, handle, width, height, params.words[kWordEmptyAlpha], 0, 0, -1, 1,
                          fromWorker) != 0)
        return -1;  // the shared image's failure deleted the handle
    return handle;
}

Handle CreateDrawableGraphic(int width, int height, int withAlpha) {
    if (withAlpha && !GetScreenState().useDirect3D) return -1;
    GraphicCreateParams params;
    FillGraphicCreateParams(&params, 0);
    params.words[kWordDrawTarget] = 1;
    params.words[kWordDrawAlpha] = withAlpha ? 1 : 0;
    return CreateEmptyGraphic(params, width, height, GetUseAsyncLoad(), 0);
}

Handle NewGraphicFromBaseImage(const BaseImage* image, const BaseImage* alphaImage, int) {
    GraphicCreateParams params;
    FillGraphicCreateParams(&params, 1);
    const Handle handle = NewGraphicHandle();
    if (handle < 0) return -1;
    if (CreateGraphicFromImage(params, 0, handle, image, alphaImage, 0, 0) != 0 ||
        SetGraphicRestoreSource(handle, nullptr, nullptr, 0, nullptr, 0, image, alphaImage, 0, -1,
                                0) != 0) {
        DeleteHandle(handle);
        return -1;
    }
    return handle;
}

namespace {

// Everything a load needs, copied when it is asked for, so later setting
// changes do not reach a queued load.
struct GraphicLoadJob {
    GraphicCreateParams params;
    std::string fileName;
    Handle handle = -1;  // a single picture
    Handle base = -1;    // a divided picture: the whole sheet, deleted afterwards
    std::vector<Handle> pieces;
    int across = 0, down = 0, width = 0, height = 0, mirror = 0;
};

int RunGraphicLoad(const GraphicLoadJob& job, int fromWorker) {
    BaseImage image{}, alpha{};
    bool haveAlpha = false;
    if (ReadImages(job.fileName.c_str(), 0, &image, &alpha, &haveAlpha) != 0)
        return LoadAsMovie(job.params, job.handle, job.fileName.c_str(), fromWorker);
    int result = CreateGraphicFromImage(job.params, 0, job.handle, &image,
                                        haveAlpha ? &alpha : nullptr, 0, fromWorker);
    if (result == 0)
        result = SetGraphicRestoreSource(job.handle, job.fileName.c_str(), nullptr, 0, nullptr, 0,
                                         nullptr, nullptr, 0, -1, 1);
    FreeImages(&image, &alpha);
    return result;
}

int RunDividedLoad(GraphicLoadJob& job, int fromWorker) {
    BaseImage image{}, alpha{};
    bool haveAlpha = false;
    if (ReadImages(job.fileName.c_str(), job.mirror, &image, &alpha, &haveAlpha) != 0) {
        char fullPath[1024] = {};
        ConvertToFullPath(job.fileName.c_str(), fullPath, sizeof fullPath, nullptr);
        LogFormatLine(Cp932Text("画像ファイル %s のロードに失敗しました"), fullPath);
        return -1;
    }
    const int count = static_cast<int>(job.pieces.size());
    int result = CreateDivGraphFromGraphImage(
        job.params, 0, job.base, &image, haveAlpha ? &alpha : nullptr, count, job.across, job.down,
        job.width, job.height, job.pieces.data(), 0, job.mirror, fromWorker);
    if (result == 0)
        result = SetGraphicRestoreSource(job.pieces[0], job.fileName.c_str(), nullptr, 0, nullptr,
                                         0, nullptr, nullptr, 0, -1, 1);
    for (int k = 1; result == 0 && k < count; ++k)
        result = SetGraphicRestoreSource(job.pieces[k], nullptr, nullptr, 0, nullptr, 0, nullptr,
                                         nullptr, 0, job.pieces[0], 1);
    FreeImages(&image, &alpha);
    return result;
}

// A loader thread releases the textures of a body it holds the last
// reference of through the main thread first: the deletion callback then
// finds none to release.
void DeleteLoadedGraphic(Handle handle, int fromWorker) {
    if (fromWorker) {
        GraphicRecord* g = GraphicFromHandle(handle, 1);
        if (g && g->image && g->image->referenceCount == 1) ReleaseSharedImageTextures(g->image, 1);
    }
    DeleteHandle(handle);
}

void FinishJob(GraphicLoadJob& job, int result, int fromWorker) {
    if (job.pieces.empty()) {
        if (result != 0) DeleteLoadedGraphic(job.handle, fromWorker);
        return;
    }
    if (result != 0)
        for (Handle h : job.pieces) DeleteLoadedGraphic(h, fromWorker);
    DeleteLoadedGraphic(job.base, fromWorker);
}

void GraphicLoadWorker(AsyncRequest* request) {
    int offset = 0;
    auto* job =
        static_cast<GraphicLoadJob*>(AsyncParamGetPointer(AsyncRequestParams(request), &offset));
    // Deleting a handle while its load runs waits for this request.
    for (Handle h : job->pieces.empty() ? std::vector<Handle>{job->handle} : job->pieces)
        if (HandleHeader* header = GetHandleRecord(h)) header->asyncRequestId = request->queueSlot;
    const int result = job->pieces.empty() ? RunGraphicLoad(*job, 1) : RunDividedLoad(*job, 1);
    if (job->pieces.empty()) {
        EndHandleAsyncLoad(job->handle);
    } else {
        EndHandleAsyncLoad(job->base);
        for (Handle h : job->pieces) EndHandleAsyncLoad(h);
    }
    FinishJob(*job, result, 1);
    delete job;
}

// Queues the job; the handles count one pending load until it ran. -1 when
// the loader cannot take it (the job is then the caller's again).
int QueueJob(GraphicLoadJob* job) {
    int size = 0;
    AsyncParamPutPointer(nullptr, &size, job);
    AsyncRequest* request = AsyncRequestAlloc(size);
    if (!request) return -1;
    int offset = 0;
    AsyncParamPutPointer(AsyncRequestParams(request), &offset, job);
    request->worker = GraphicLoadWorker;
    std::vector<Handle> pending = job->pieces;
    pending.push_back(job->pieces.empty() ? job->handle : job->base);
    for (Handle h : pending) BeginHandleAsyncLoad(h, -1);
    if (AsyncRequestEnqueue(request) != 0) {
        for (Handle h : pending) EndHandleAsyncLoad(h);
        TrackedFree(request);
        return -1;
    }
    return 0;
}

std::string FullPathOf(const char* fileName) {
    char fullPath[1024] = {};
    ConvertToFullPath(fileName, fullPath, sizeof fullPath, nullptr);
    return fullPath[0] ? std::string(fullPath) : std::string(fileName);
}

}  // namespace

Handle LoadGraphic(const char* fileName, int) {
    if (!fileName) return -1;
    WaitForActiveWindowOnMainThread(0);
    auto* job = new GraphicLoadJob();
    FillGraphicCreateParams(&job->params, 1);
    job->handle = NewGraphicHandle();
    if (job->handle < 0) {
        delete job;
        return -1;
    }
    const Handle handle = job->handle;
    if (GetUseAsyncLoad() && AsyncLoadIsInitialised()) {
        job->fileName = FullPathOf(fileName);
        if (QueueJob(job) == 0) return handle;
    }
    job->fileName = fileName;
    const int result = RunGraphicLoad(*job, 0);
    FinishJob(*job, result, 0);
    delete job;
    return result == 0 ? handle : -1;
}

int LoadDividedGraphic(const char* fileName, int count, int across, int down, int width, int height,
                       Handle* handles, int) {
    if (!fileName || !handles || count < 1 || across < 1 || down < 1 || width < 1 || height < 1)
        return -1;
    WaitForActiveWindowOnMainThread(0);
    auto* job = new GraphicLoadJob();
    FillGraphicCreateParams(&job->params, 1);
    job->across = across;
    job->down = down;
    job->width = width;
    job->height = height;
    for (int k = 0; k < count; ++k) handles[k] = -1;
    auto fail = [&] {
        for (Handle h : job->pieces) DeleteHandle(h);
        if (job->base >= 0) DeleteHandle(job->base);
        for (int k = 0; k < count; ++k) handles[k] = -1;
        delete job;
        return -1;
    };
    for (int k = 0; k < count; ++k) {
        const Handle h = NewGraphicHandle();
        if (h < 0) return fail();
        job->pieces.push_back(h);
    }
    job->base = NewGraphicHandle();
    if (job->base < 0) return fail();
    for (int k = 0; k < count; ++k) handles[k] = job->pieces[k];
    if (GetUseAsyncLoad() && AsyncLoadIsInitialised()) {
        job->fileName = FullPathOf(fileName);
        if (QueueJob(job) == 0) return 0;
    }
    job->fileName = fileName;
    const int result = RunDividedLoad(*job, 0);
    FinishJob(*job, result, 0);
    delete job;
    if (result != 0) {
        for (int k = 0; k < count; ++k) handles[k] = -1;
        return -1;
    }
    return 0;
}

}  // namespace DuRud
