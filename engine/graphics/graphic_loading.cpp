// Loading pictures into graphics, cutting sheets into pieces, empty and
// draw-target graphics, and graphics from images in memory.
#include "graphics/graphic_loading.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "core/threads_and_locks.h"
#include "files/file_access_table.h"
#include "files/full_path.h"
#include "graphics/device_layer.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "graphics/movie_frames.h"
#include "graphics/screen_state.h"
#include "graphics/transparent_key.h"
#include "image/dib_conversion.h"
#include "image/image_loading.h"
#include "image/image_memory.h"
#include "image/pixel_conversion.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

bool HasAlpha(const BaseImage* image) {
    return image->colorFormat.alphaWidth > 0 || image->colorFormat.alphaMask != 0;
}

bool IsPaletteImage(const BaseImage* image) {
    // Eight-bit records always index their palette (grey ones included).
    const ColorFormat& f = image->colorFormat;
    return f.bitsPerPixel == 8 && f.formatCode == kFormatPlain && f.channelCount == 0 &&
           !HasAlpha(image);
}

void WaitForActiveWindowOnMainThread(int fromWorker) {
    if (!fromWorker && GetMainWindowHandle() && !GetWindowActiveFlag()) WaitWhileInactive();
}

std::string FullPathOf(const char* fileName) {
    char fullPath[1024] = {};
    ConvertToFullPath(fileName, fullPath, sizeof fullPath, nullptr);
    return fullPath[0] ? std::string(fullPath) : std::string(fileName);
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
    // A block-compressed picture is keyed from its 32-bit pixels.
    BaseImage decompressed{};
    if (image->colorFormat.formatCode != kFormatPlain) {
        const int64_t bytes =
            GetImageDataSize(&image->colorFormat, w, h, image->pitch, image->mipMapCount);
        if (bytes <= 0) return -1;
        decompressed = *image;
        decompressed.pixels = IMAGE_ALLOC(bytes);
        if (!decompressed.pixels) return -1;
        std::memcpy(decompressed.pixels, image->pixels, static_cast<size_t>(bytes));
        if (DecompressBaseImage(&decompressed) != 0) {
            FreeBaseImagePixels(&decompressed);
            return -1;
        }
        image = &decompressed;
    }
    int result = CreateA8R8G8B8BaseImage(w, h, out);
    if (result == 0 && w > 0 && h > 0 &&
        ConvertKeyedRect(out->pixels, out->pitch, &out->colorFormat, 0, 0, image, alphaImage,
                         transparentColor, RECT{0, 0, w, h}) != 0) {
        FreeBaseImagePixels(out);
        result = -1;
    }
    if (decompressed.pixels) FreeBaseImagePixels(&decompressed);
    return result;
}

namespace {

// release and releaseAlpha: the caller's pictures to free once read (null:
// kept); they are image and alphaImage when set.
int CreateFromImage(const GraphicCreateParams& params, int reload, Handle handle,
                    const BaseImage* image, const BaseImage* alphaImage, BaseImage* release,
                    BaseImage* releaseAlpha, int fromWorker) {
    auto freeGiven = [&] {
        if (release && release->pixels) FreeBaseImagePixels(release);
        if (releaseAlpha && releaseAlpha->pixels) FreeBaseImagePixels(releaseAlpha);
    };
    if (!image || !image->pixels) {
        freeGiven();
        return -1;
    }
    GraphicCreateParams p = params;
    const int* w = p.words;
    // Checked before anything reads the alpha image, whatever the mode.
    if (alphaImage && (alphaImage->width != image->width || alphaImage->height != image->height)) {
        freeGiven();
        return -1;
    }
    const bool keying = !reload && w[kWordTransparentToAlpha] && !w[kWordKeepTransparentColor];
    const uint32_t transparent = static_cast<uint32_t>(w[kWordTransparentColor]);
    // The usual case keys the picture as its textures are written, without
    // a whole 32-bit keyed copy (what that copy's creation would be given).
    if (keying && image->colorFormat.formatCode == kFormatPlain && !w[kWordTopLeftTransparent] &&
        (!release || (release == image && releaseAlpha == alphaImage))) {
        if (CreateSharedImage(p, handle, image->width, image->height, 1, 0, kFormatPlain, -1, 1,
                              fromWorker) != 0) {
            freeGiven();
            return -1;
        }
        GraphicRecord* g = GraphicFromHandle(handle, 1);
        if (!g) {
            freeGiven();
            return -1;
        }
        g->originX = g->originY = 0;
        return TransferKeyedImageToGraphic(handle, const_cast<BaseImage*>(image),
                                           const_cast<BaseImage*>(alphaImage), transparent,
                                           release ? 1 : 0, fromWorker);
    }
    BaseImage keyed{};
    if (keying) {
        const int made = MakeTransparentAlphaImage(image, alphaImage, transparent, &keyed);
        // The keyed copy alone is read from here on.
        freeGiven();
        if (made != 0) return -1;
        image = release = &keyed;
        alphaImage = releaseAlpha = nullptr;
    }
    auto done = [&](int result) {
        freeGiven();
        if (keyed.pixels) FreeBaseImagePixels(&keyed);
        return result;
    };
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
    const int keyToAlpha = w[kWordKeepTransparentColor] ? 0 : 1;
    if (!release) {
        const int result =
            CreateGraphicFromBaseImage(image, alphaImage, keyToAlpha, handle, 0, 0, 1, fromWorker);
        return done(result);
    }
    GraphicRecord* g = GraphicFromHandle(handle, 1);
    if (!g) return done(-1);
    g->originX = g->originY = 0;
    const RECT all{0, 0, g->width, g->height};
    return done(TransferReleasingImageToGraphic(handle, &all, 0, 0, release, releaseAlpha,
                                                keyToAlpha, 0, 1, fromWorker));
}

}  // namespace

int CreateGraphicFromImage(const GraphicCreateParams& params, int reload, Handle handle,
                           const BaseImage* image, const BaseImage* alphaImage, int option,
                           int fromWorker) {
    (void)option;
    return CreateFromImage(params, reload, handle, image, alphaImage, nullptr, nullptr, fromWorker);
}

int CreateGraphicFromReleasedImage(const GraphicCreateParams& params, int reload, Handle handle,
                                   BaseImage* image, BaseImage* alphaImage, int fromWorker) {
    return CreateFromImage(params, reload, handle, image, alphaImage, image, alphaImage,
                           fromWorker);
}

int CreateDivGraphFromGraphImage(const GraphicCreateParams& params, int reload, Handle baseHandle,
                                 const BaseImage* image, const BaseImage* alphaImage, int count,
                                 int across, int down, int width, int height, Handle* handles,
                                 int option, int mirror, int fromWorker, BaseImage* release,
                                 BaseImage* releaseAlpha) {
    if (reload) {
        if (image->width < across * width || image->height < down * height) return -1;
        return FillDividedGraphicsFromImage(image, alphaImage, handles, count, across, width,
                                            height, mirror, 1, fromWorker);
    }
    (void)option;
    if (CreateFromImage(params, 0, baseHandle, image, alphaImage, release,
                        release ? releaseAlpha : nullptr, fromWorker) != 0)
        return -1;
    int made = 0;
    for (int row = 0; row < down && made < count; ++row) {
        for (int column = 0; column < across && made < count; ++column) {
            const int x = mirror ? (across - 1 - column) * width : column * width;
            if (handles[made] < 0) {  // deleted while its load was queued
                ++made;
                continue;
            }
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

int UpdateGraphicFromImage(const BaseImage* image, const BaseImage* alphaImage,
                           const RECT* sourceRect, int x, int y, Handle handle) {
    GraphicRecord* g = GraphicFromHandle(handle, 0);
    if (!g || !image) return -1;
    g->originX = sourceRect ? sourceRect->left - x : 0;
    g->originY = sourceRect ? sourceRect->top - y : 0;
    const int keyToAlpha = CurrentGraphicCreateParams().words[kWordKeepTransparentColor] ? 0 : 1;
    return TransferImageToGraphic(handle, sourceRect, x, y, image, alphaImage, keyToAlpha, 0, 0, 0);
}

Handle CreateDrawableGraphic(int width, int height, int withAlpha) {
    // The software renderer draws only onto plain images (a destination with
    // alpha is refused by every blit), so without Direct3D the target is made
    // in the screen's format and its transparent colour stands in for alpha:
    // refusing it would leave a game that asks for alpha with no off-screen.
    if (!GetScreenState().useDirect3D) withAlpha = 0;
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

// The images a load works on, read (and owned) or the caller's (borrowed).
// A mirrored load mirrors a copy, never the caller's pixels.
class RequestImages {
  public:
    RequestImages() = default;
    RequestImages(const RequestImages&) = delete;
    RequestImages& operator=(const RequestImages&) = delete;
    ~RequestImages() {
        if (ownImage_) FreeBaseImagePixels(&image_);
        if (ownAlpha_) FreeBaseImagePixels(&alpha_);
    }

    int Read(const GraphicLoadRequest& r) {
        if (r.fileName || r.memoryImage) {
            const int result =
                r.fileName
                    ? LoadBaseImageAndAlpha(r.fileName, nullptr, 0, 0, nullptr, 0, 0, &image_,
                                            &alpha_, r.mirror)
                    : LoadBaseImageAndAlpha(nullptr, r.memoryImage, r.memorySize, 1,
                                            r.alphaMemoryImage, r.alphaMemorySize,
                                            r.alphaMemoryImage ? 1 : 2, &image_, &alpha_, r.mirror);
            if (result < 0) return -1;
            ownImage_ = true;
            ownAlpha_ = haveAlpha_ = result == 0;
            return 0;
        }
        if (r.dibInfo) {
            if (TakeDib(r.dibInfo, r.dibBits, r.mirror, &image_, &ownImage_) != 0) return -1;
            if (!r.alphaDibInfo) return 0;
            haveAlpha_ = true;
            return TakeDib(r.alphaDibInfo, r.alphaDibBits, r.mirror, &alpha_, &ownAlpha_);
        }
        if (!r.image || Take(*r.image, false, r.mirror, &image_, &ownImage_) != 0) return -1;
        if (!r.alphaImage) return 0;
        haveAlpha_ = true;
        return Take(*r.alphaImage, false, r.mirror, &alpha_, &ownAlpha_);
    }
    const BaseImage* image() const { return &image_; }
    const BaseImage* alpha() const { return haveAlpha_ ? &alpha_ : nullptr; }
    // Pictures read from a file or memory are this load's own and no restore
    // source keeps them: they can go as soon as the textures have read them.
    bool Releasable(const GraphicLoadRequest& r) const {
        return (r.fileName || r.memoryImage) && ownImage_ && (!haveAlpha_ || ownAlpha_);
    }
    BaseImage* releasableImage() { return &image_; }
    BaseImage* releasableAlpha() { return haveAlpha_ ? &alpha_ : nullptr; }

    // A plain picture is keyed as its textures are written (and freed once
    // they have read it). Any other load that turns its key into alpha is
    // made from a keyed copy alone: when the pictures are this load's own
    // (read from a file or memory, so the restore source does not keep them),
    // the copy is made here and they go at once, and a load that waits for the
    // main thread holds one picture instead of two. The parameters then say
    // the copy is keyed already.
    int KeyToAlpha(const GraphicLoadRequest& r, GraphicCreateParams* params) {
        int* w = params->words;
        const bool sizesAgree =
            !haveAlpha_ || (alpha_.width == image_.width && alpha_.height == image_.height);
        if (r.reload || !(r.fileName || r.memoryImage) || !w[kWordTransparentToAlpha] ||
            w[kWordKeepTransparentColor] || !ownImage_ || (haveAlpha_ && !ownAlpha_) || !sizesAgree)
            return 0;
        if (image_.colorFormat.formatCode == kFormatPlain && !w[kWordTopLeftTransparent]) return 0;
        BaseImage keyed{};
        if (MakeTransparentAlphaImage(&image_, alpha(),
                                      static_cast<uint32_t>(w[kWordTransparentColor]), &keyed) != 0)
            return -1;
        FreeBaseImagePixels(&image_);
        if (ownAlpha_) FreeBaseImagePixels(&alpha_);
        image_ = keyed;
        alpha_ = BaseImage{};
        ownAlpha_ = haveAlpha_ = false;
        w[kWordTransparentToAlpha] = 0;
        return 0;
    }

  private:
    static int Take(const BaseImage& source, bool sourceOwned, int mirror, BaseImage* slot,
                    bool* owned) {
        if (!source.pixels) return -1;
        if (mirror && !sourceOwned) {
            if (DuplicateBaseImage(&source, slot) != 0) return -1;
        } else {
            *slot = source;
        }
        *owned = sourceOwned || mirror;
        return mirror ? MirrorBaseImage(slot) : 0;
    }
    static int TakeDib(const BITMAPINFO* info, const void* bits, int mirror, BaseImage* slot,
                       bool* owned) {
        BaseImage image{};
        const int copied = ConvertDibToBaseImage(info, bits, &image, 0);
        if (copied < 0) return -1;
        if (Take(image, copied == 1, mirror, slot, owned) == 0) return 0;
        if (copied == 1) FreeBaseImagePixels(&image);
        return -1;
    }

    BaseImage image_{}, alpha_{};
    bool ownImage_ = false, ownAlpha_ = false, haveAlpha_ = false;
};

void LogUnreadableSource(const GraphicLoadRequest& r) {
    if (r.fileName)
        LogFormatLine(Cp932Text("画像ファイル %s のロードに失敗しました"),
                      FullPathOf(r.fileName).c_str());
    else
        LogWrite(Cp932Text("メモリからの画像データのローができませんでした\n"));
}

// The restore source of a load: its file name or memory image (with the
// mirror flag as the creation option), or the images it was made from.
int SetRestoreFromRequest(const GraphicLoadRequest& r, Handle handle, const RequestImages& images) {
    const int result =
        r.fileName || r.memoryImage
            ? SetGraphicRestoreSource(handle, r.fileName, r.fileName ? nullptr : r.memoryImage,
                                      r.memorySize, r.alphaMemoryImage, r.alphaMemorySize, nullptr,
                                      nullptr, r.mirror, -1, 1)
            : SetGraphicRestoreSource(handle, nullptr, nullptr, 0, nullptr, 0, images.image(),
                                      images.alpha(), r.mirror, -1, 1);
    if (result == 0) SetGraphicRestoreKeying(handle, r.params, 1);
    return result;
}

// A file that no picture loader accepts but that opens is tried as a movie.
int LoadAsMovie(const GraphicLoadRequest& r, int fromWorker) {
    const StreamHandle stream = OpenStream(r.fileName, 0, 1, 0);
    if (!stream) {
        LogFormatLine(Cp932Text("画像ファイル %s がありません"), FullPathOf(r.fileName).c_str());
        return -1;
    }
    CloseStream(stream);
    int32_t setting = 0;
    ReadMovieSetting(&setting);
    return CreateGraphicFromMovie(r.params, r.handle, r.fileName, r.movieOption, setting,
                                  fromWorker);
}

int RunSingleLoad(const GraphicLoadRequest& r, int fromWorker) {
    RequestImages images;
    if (images.Read(r) != 0) {
        if (r.fileName && !r.reload) return LoadAsMovie(r, fromWorker);
        LogUnreadableSource(r);
        return -1;
    }
    GraphicCreateParams params = r.params;
    if (images.KeyToAlpha(r, &params) != 0) return -1;
    int result =
        images.Releasable(r)
            ? CreateGraphicFromReleasedImage(params, r.reload, r.handle, images.releasableImage(),
                                             images.releasableAlpha(), fromWorker)
            : CreateGraphicFromImage(params, r.reload, r.handle, images.image(), images.alpha(), 0,
                                     fromWorker);
    if (result == 0) result = SetRestoreFromRequest(r, r.handle, images);
    return result;
}

int RunDividedLoad(const GraphicLoadRequest& r, Handle* pieces, Handle base, int fromWorker) {
    RequestImages images;
    if (images.Read(r) != 0) {
        LogUnreadableSource(r);
        return -1;
    }
    GraphicCreateParams params = r.params;
    if (images.KeyToAlpha(r, &params) != 0) return -1;
    const bool release = images.Releasable(r);
    int result = CreateDivGraphFromGraphImage(
        params, r.reload, base, images.image(), images.alpha(), r.count, r.across, r.down, r.width,
        r.height, pieces, 0, r.mirror, fromWorker, release ? images.releasableImage() : nullptr,
        release ? images.releasableAlpha() : nullptr);
    // Pieces deleted while the load was queued are -1: the first one left
    // keeps the restore source, the others share it.
    const Handle* first = std::find_if(pieces, pieces + r.count, [](Handle h) { return h >= 0; });
    if (result != 0 || first == pieces + r.count) return result;
    result = SetRestoreFromRequest(r, *first, images);
    for (const Handle* k = first + 1; result == 0 && k < pieces + r.count; ++k)
        if (*k >= 0)
            result = SetGraphicRestoreSource(*k, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr,
                                             0, *first, 1);
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

// What is left to do after a load ran: new handles of a failed load go, and
// so does a divided load's whole-sheet graphic.
void FinishLoad(const GraphicLoadRequest& r, const std::vector<Handle>& pieces, Handle base,
                int result, int fromWorker) {
    if (r.reload) return;
    if (pieces.empty()) {
        if (result != 0) DeleteLoadedGraphic(r.handle, fromWorker);
        return;
    }
    if (result != 0)
        for (Handle h : pieces) DeleteLoadedGraphic(h, fromWorker);
    DeleteLoadedGraphic(base, fromWorker);
}

enum class LoadKind { kSingle, kDivided, kEmpty };

// A queued load owns copies of everything it reads (full path, memory
// images, images), so later changes by the caller do not reach it.
struct QueuedLoad {
    LoadKind kind = LoadKind::kSingle;
    GraphicLoadRequest request;
    std::string fileName;
    std::vector<uint8_t> memory, alphaMemory;
    BaseImage image{}, alphaImage{};
    std::vector<Handle> pieces;
    Handle base = -1;

    QueuedLoad() = default;
    QueuedLoad(const QueuedLoad&) = delete;
    QueuedLoad& operator=(const QueuedLoad&) = delete;
    ~QueuedLoad() {
        if (image.pixels) FreeBaseImagePixels(&image);
        if (alphaImage.pixels) FreeBaseImagePixels(&alphaImage);
    }
    // The handles that count this load pending; a piece deleted while the
    // load was queued is -1 in pieces.
    std::vector<Handle> PendingHandles() const {
        if (kind != LoadKind::kDivided) return {request.handle};
        std::vector<Handle> all;
        for (Handle h : pieces)
            if (h >= 0) all.push_back(h);
        if (base >= 0) all.push_back(base);
        return all;
    }
};

void GraphicLoadWorker(AsyncRequest* request);

// Every handle of a load that is queued and not yet taken by a worker, with
// its load: deleting such a handle removes the request, so its load is
// either queued again for the handles left or freed here.
std::mutex g_queuedLock;
std::unordered_map<Handle, QueuedLoad*> g_queued;

void ForgetHandles(const std::vector<Handle>& handles) {
    std::lock_guard<std::mutex> guard(g_queuedLock);
    for (Handle h : handles) g_queued.erase(h);
}

// Enqueues the load and records its request in every handle (under the
// handle type's lock, so no worker ends them before); with begin the
// handles start counting it pending. False when the loader cannot take it.
bool EnqueueJob(QueuedLoad* job, bool begin) {
    int size = 0;
    AsyncParamPutPointer(nullptr, &size, job);
    AsyncRequest* request = AsyncRequestAlloc(size);
    if (!request) return false;
    int offset = 0;
    AsyncParamPutPointer(AsyncRequestParams(request), &offset, job);
    request->worker = GraphicLoadWorker;
    const std::vector<Handle> pending = job->PendingHandles();
    {
        std::lock_guard<std::mutex> guard(g_queuedLock);
        for (Handle h : pending) g_queued[h] = job;
    }
    TracedLock& lock = GetHandleTypeRecord(HandleTypeGraphic)->lock;
    LockWithSource(&lock, __FILE__, __LINE__);
    if (AsyncRequestEnqueue(request) != 0) {
        LeaveLock(&lock);
        ForgetHandles(pending);
        TrackedFree(request);
        return false;
    }
    for (Handle h : pending) {
        if (begin) BeginHandleAsyncLoad(h, request->queueSlot);
        if (HandleHeader* header = GetHandleRecord(h)) header->asyncRequestId = request->queueSlot;
    }
    LeaveLock(&lock);
    return true;
}

int CopyDib(const BITMAPINFO* info, const void* bits, BaseImage* out) {
    if (!info) return 0;
    return ConvertDibToBaseImage(info, bits, out, 1) < 0 ? -1 : 0;
}

int CopyImage(const BaseImage* image, BaseImage* out) {
    return image ? DuplicateBaseImage(image, out) : 0;
}

// Copies the request's data into a job; null when a copy cannot be made.
std::unique_ptr<QueuedLoad> CopyRequest(const GraphicLoadRequest& r, LoadKind kind) {
    auto job = std::make_unique<QueuedLoad>();
    job->kind = kind;
    GraphicLoadRequest& q = job->request;
    q = r;
    q.handles = nullptr;
    q.dibInfo = q.alphaDibInfo = nullptr;
    q.dibBits = q.alphaDibBits = nullptr;
    q.image = q.alphaImage = nullptr;
    if (r.fileName) {
        job->fileName = FullPathOf(r.fileName);
        q.fileName = job->fileName.c_str();
    } else if (r.memoryImage) {
        if (r.memorySize < 1 || r.alphaMemorySize < 0) return nullptr;
        const auto* bytes = static_cast<const uint8_t*>(r.memoryImage);
        job->memory.assign(bytes, bytes + r.memorySize);
        q.memoryImage = job->memory.data();
        if (r.alphaMemoryImage) {
            const auto* alpha = static_cast<const uint8_t*>(r.alphaMemoryImage);
            job->alphaMemory.assign(alpha, alpha + r.alphaMemorySize);
            q.alphaMemoryImage = job->alphaMemory.data();
        }
    } else if (r.dibInfo) {
        if (CopyDib(r.dibInfo, r.dibBits, &job->image) != 0 ||
            CopyDib(r.alphaDibInfo, r.alphaDibBits, &job->alphaImage) != 0)
            return nullptr;
    } else if (CopyImage(r.image, &job->image) != 0 ||
               CopyImage(r.alphaImage, &job->alphaImage) != 0) {
        return nullptr;
    }
    if (job->image.pixels) q.image = &job->image;
    if (job->alphaImage.pixels) q.alphaImage = &job->alphaImage;
    return job;
}

int RunEmpty(const GraphicLoadRequest& r, int fromWorker) {
    return CreateSharedImage(r.params, r.handle, r.width, r.height, r.params.words[kWordEmptyAlpha],
                             0, 0, -1, 1, fromWorker);
}

void GraphicLoadWorker(AsyncRequest* request) {
    int offset = 0;
    auto* job =
        static_cast<QueuedLoad*>(AsyncParamGetPointer(AsyncRequestParams(request), &offset));
    const std::vector<Handle> pending = job->PendingHandles();
    // From here a delete of one of these handles waits for this request.
    ForgetHandles(pending);
    const GraphicLoadRequest& r = job->request;
    int result = -1;
    switch (job->kind) {
        case LoadKind::kSingle:
            result = RunSingleLoad(r, 1);
            break;
        case LoadKind::kDivided:
            result = RunDividedLoad(r, job->pieces.data(), job->base, 1);
            break;
        case LoadKind::kEmpty:
            result = RunEmpty(r, 1);
            break;
    }
    // The handles this load deletes: all of a failed new load, and a divided
    // load's whole-sheet graphic.
    std::vector<Handle> doomed;
    if (!r.reload && result != 0)
        doomed = pending;
    else if (!r.reload && job->kind == LoadKind::kDivided && job->base >= 0)
        doomed = {job->base};
    // While the handles still count as pending, a delete from the main thread
    // waits (serving what this thread posts), so only this thread touches
    // their images: a failed load releases its textures here, and the
    // deletions below find none left to release.
    if (result != 0 && !r.reload)
        for (Handle h : doomed)
            if (GraphicRecord* g = GraphicFromHandle(h, 1)) ReleaseSharedImageTextures(g->image, 1);
    for (Handle h : doomed) {
        EndHandleAsyncLoad(h);
        DeleteHandle(h);  // may already be gone: the main thread deleted it
    }
    for (Handle h : pending)
        if (std::find(doomed.begin(), doomed.end(), h) == doomed.end()) EndHandleAsyncLoad(h);
    delete job;
}

// Queues the job; its handles count one pending load until it ran. False
// when the loader cannot take it (the caller then loads now).
bool QueueJob(std::unique_ptr<QueuedLoad> job) {
    if (!job || !GetUseAsyncLoad() || !AsyncLoadIsInitialised()) return false;
    if (!EnqueueJob(job.get(), true)) return false;
    job.release();  // the worker deletes it
    return true;
}

bool WantsQueue(int fromWorker) {
    return !fromWorker && GetUseAsyncLoad() && AsyncLoadIsInitialised();
}

}  // namespace

void ForgetQueuedGraphicLoad(Handle handle, int requestRemoved) {
    QueuedLoad* job = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_queuedLock);
        const auto found = g_queued.find(handle);
        if (found == g_queued.end()) return;
        job = found->second;
        g_queued.erase(found);
    }
    if (job->kind == LoadKind::kDivided) {
        std::replace(job->pieces.begin(), job->pieces.end(), handle, Handle{-1});
        if (job->base == handle) job->base = -1;
    }
    const std::vector<Handle> left =
        job->kind == LoadKind::kDivided ? job->PendingHandles() : std::vector<Handle>{};
    // Deleting every handle (the type's end) removed the request first; the
    // last of the load's handles to go frees it.
    if (!requestRemoved) {
        if (left.empty()) delete job;
        return;
    }
    // This delete removed the request the other pieces wait on: it runs
    // again for them.
    if (!left.empty() && EnqueueJob(job, false)) return;
    ForgetHandles(left);
    for (Handle h : left) EndHandleAsyncLoad(h);
    delete job;
}

Handle CreateEmptyGraphic(const GraphicCreateParams& params, int width, int height,
                          int asynchronous, int fromWorker) {
    WaitForActiveWindowOnMainThread(fromWorker);
    GraphicLoadRequest r;
    r.params = params;
    for (int w = kWordKeepTransparentColor; w < kGraphicCreateWordCount; ++w) r.params.words[w] = 0;
    r.width = width;
    r.height = height;
    r.handle = NewGraphicHandle();
    if (r.handle < 0) return -1;
    if (asynchronous && !fromWorker && AsyncLoadIsInitialised() &&
        QueueJob(CopyRequest(r, LoadKind::kEmpty)))
        return r.handle;
    // The shared image's failure deleted the handle.
    return RunEmpty(r, fromWorker) == 0 ? r.handle : -1;
}

Handle LoadGraphicRequestRun(const GraphicLoadRequest& request, int fromWorker) {
    WaitForActiveWindowOnMainThread(fromWorker);
    GraphicLoadRequest r = request;
    if (r.reload) {
        if (!GraphicFromHandle(r.handle, 0)) return -1;
    } else {
        r.handle = NewGraphicHandle();
        if (r.handle < 0) return -1;
    }
    const Handle answer = r.reload ? 0 : r.handle;
    if (WantsQueue(fromWorker) && QueueJob(CopyRequest(r, LoadKind::kSingle))) return answer;
    const int result = RunSingleLoad(r, fromWorker);
    FinishLoad(r, {}, -1, result, fromWorker);
    return result == 0 ? answer : -1;
}

int LoadDividedRequestRun(const GraphicLoadRequest& request, int fromWorker) {
    const GraphicLoadRequest& r = request;
    if (!r.handles || r.count < 1 || r.across < 1 || r.down < 1 || r.width < 1 || r.height < 1)
        return -1;
    WaitForActiveWindowOnMainThread(fromWorker);
    std::vector<Handle> pieces;
    Handle base = -1;
    if (r.reload) {
        for (int k = 0; k < r.count; ++k)
            if (!GraphicFromHandle(r.handles[k], 0)) return -1;
        pieces.assign(r.handles, r.handles + r.count);
    } else {
        for (int k = 0; k < r.count; ++k) r.handles[k] = -1;
        for (int k = 0; k <= r.count; ++k) {
            const Handle h = NewGraphicHandle();
            if (h < 0) {
                for (Handle made : pieces) DeleteHandle(made);
                return -1;
            }
            pieces.push_back(h);
        }
        base = pieces.back();
        pieces.pop_back();
        std::copy(pieces.begin(), pieces.end(), r.handles);
    }
    if (WantsQueue(fromWorker)) {
        auto job = CopyRequest(r, LoadKind::kDivided);
        if (job) {
            job->pieces = pieces;
            job->base = base;
            if (QueueJob(std::move(job))) return 0;
        }
    }
    const int result = RunDividedLoad(r, pieces.data(), base, fromWorker);
    FinishLoad(r, pieces, base, result, fromWorker);
    if (result != 0 && !r.reload)
        for (int k = 0; k < r.count; ++k) r.handles[k] = -1;
    return result == 0 ? 0 : -1;
}

namespace {

GraphicLoadRequest RequestWith(const GraphicCreateParams* params, int reload, Handle handle) {
    GraphicLoadRequest r;
    if (params)
        r.params = *params;
    else
        FillGraphicCreateParams(&r.params, 1);
    r.reload = reload ? 1 : 0;
    r.handle = handle;
    return r;
}

GraphicLoadRequest DividedFileRequest(const char* fileName, int count, int across, int down,
                                      int width, int height, Handle* handles, int reload) {
    GraphicLoadRequest r = RequestWith(nullptr, reload, -1);
    r.fileName = fileName;
    r.count = count;
    r.across = across;
    r.down = down;
    r.width = width;
    r.height = height;
    r.handles = handles;
    return r;
}

}  // namespace

Handle LoadGraphic(const char* fileName, int) {
    if (!fileName) return -1;
    GraphicLoadRequest r = RequestWith(nullptr, 0, -1);
    r.fileName = fileName;
    return LoadGraphicRequestRun(r, 0);
}

int LoadDividedGraphic(const char* fileName, int count, int across, int down, int width, int height,
                       Handle* handles, int) {
    if (!fileName) return -1;
    return LoadDividedRequestRun(
        DividedFileRequest(fileName, count, across, down, width, height, handles, 0), 0);
}

Handle LoadGraphicFromMemory(const void* image, int size, const void* alphaImage, int alphaSize,
                             int reload, Handle handle, const GraphicCreateParams* params) {
    if (!image || size < 1 || (alphaImage && alphaSize < 1)) return -1;
    GraphicLoadRequest r = RequestWith(params, reload, handle);
    r.memoryImage = image;
    r.memorySize = size;
    r.alphaMemoryImage = alphaImage;
    r.alphaMemorySize = alphaImage ? alphaSize : 0;
    return LoadGraphicRequestRun(r, 0);
}

Handle LoadGraphicFromBaseImages(const BaseImage* image, const BaseImage* alphaImage, int reload,
                                 Handle handle, const GraphicCreateParams* params) {
    if (!image) return -1;
    GraphicLoadRequest r = RequestWith(params, reload, handle);
    r.image = image;
    r.alphaImage = alphaImage;
    return LoadGraphicRequestRun(r, 0);
}

int ReloadGraphic(const char* fileName, Handle handle) {
    if (!fileName) return -1;
    GraphicLoadRequest r = RequestWith(nullptr, 1, handle);
    r.fileName = fileName;
    return LoadGraphicRequestRun(r, 0);
}

int ReloadDividedGraphic(const char* fileName, int count, int across, int down, int width,
                         int height, const Handle* handles) {
    if (!fileName || !handles || count < 1) return -1;
    std::vector<Handle> copy(handles, handles + count);
    return LoadDividedRequestRun(
        DividedFileRequest(fileName, count, across, down, width, height, copy.data(), 1), 0);
}

}  // namespace DuRud
