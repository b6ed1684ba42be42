// Graphic records, their shared images and tiles, sub-graphics, restore
// sources and deletion.
#include "graphics/graphic_handles.h"

#include <cstring>
#include <new>

#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "files/full_path.h"
#include "image/image_memory.h"
#include "sound/movie/movie_frames.h"
#include "graphics/buffer_handles.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_loading.h"
#include "graphics/graphic_transfer.h"
#include "graphics/masks.h"
#include "graphics/main_thread_forwarders.h"
#include "graphics/screen_state.h"
#include "graphics/shader_handles.h"
#include "graphics/software_draw.h"
#include "graphics/work_textures.h"

namespace DuRud {
namespace {

constexpr int kMaxGraphics = 32768;

void GraphicInit(HandleHeader* header) {
    reinterpret_cast<GraphicRecord*>(header)->movie = -1;
}

void DropRestoreSource(RestoreSource* source) {
    if (!source || --source->referenceCount > 0) return;
    for (BaseImage* kept : {source->image, source->alphaImage}) {
        if (!kept) continue;
        FreeBaseImagePixels(kept);
        TrackedFree(kept);
    }
    TrackedFree(source);
}

void DropSharedImage(SharedImage* image, int fromWorker) {
    if (!image || --image->referenceCount > 0) return;
    if (image->request.software)
        DropMemImg(&image->memImg);
    else
        ReleaseSharedImageTextures(image, fromWorker);
    TrackedFree(image);
}

int GraphicTerminate(HandleHeader* header) {
    GraphicRecord* g = reinterpret_cast<GraphicRecord*>(header);
    // Still counted pending here: this delete removed the queued request.
    ForgetQueuedGraphicLoad(header->handle, ReadPendingCount(header) > 0);
    if (g->movie >= 0) DeleteHandle(g->movie);
    g->movie = -1;
    // Through the slot setter, so that neither renderer goes on drawing into
    // the freed pixels and the clip and camera follow the screen. Where the
    // setter refuses the value is still reset, and software drawing is put
    // back on the screen's image. The depth graphic goes first, so the new
    // target does not take this graphic's depth surface.
    DrawSettings& settings = GetDrawSettings();
    if (settings.depthGraphic == g->header.handle) settings.depthGraphic = -2;
    for (int slot = 0; slot < kRenderTargetSlots; ++slot) {
        if (settings.renderTargets[slot] != g->header.handle) continue;
        const int reset = SetRenderTargetSlot(slot, slot == 0 ? -4 : -1);
        if (slot == 0 && reset != 0 && !GetScreenState().useDirect3D)
            SetSoftwareDrawTarget(nullptr);
        settings.renderTargets[slot] = slot == 0 ? -4 : -1;
    }
    if (g->image && g->image->request.software) DropMemImg(&g->view);
    DropSharedImage(g->image, 0);
    g->image = nullptr;
    DropRestoreSource(g->restore);
    g->restore = nullptr;
    if (g->deletedFlag) *g->deletedFlag = 1;
    return 0;
}

bool DeviceAllowsExactSizes() {
    const DeviceCapabilities& caps = GetDeviceResources().caps;
    return !caps.pow2Required || caps.conditionalNonPow2;
}

int CountAutomaticMips(int width, int height) {
    int levels = 1;
    while (width > 1 || height > 1) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++levels;
    }
    return levels;
}

// A kept copy of an image, record and pixels in tracked blocks.
BaseImage* CopyBaseImage(const BaseImage* source) {
    auto* copy = static_cast<BaseImage*>(TrackedCalloc(sizeof(BaseImage), __FILE__, __LINE__));
    if (copy && DuplicateBaseImage(source, copy) != 0) {
        TrackedFree(copy);
        return nullptr;
    }
    return copy;
}

// A loader thread's own pending handle is deleted by its loader once the
// load has ended: deleting it here would wait for this very load.
int DeleteFailedHandle(Handle handle, int fromWorker) {
    if (!fromWorker || IsHandleAsyncPending(handle) != 1) DeleteHandle(handle);
    return -1;
}

}  // namespace

int DuplicateBaseImage(const BaseImage* source, BaseImage* out) {
    const int64_t bytes = GetImageDataSize(&source->colorFormat, source->width, source->height,
                                           source->pitch, source->mipMapCount);
    if (bytes < 0 || !source->pixels) return -1;
    *out = *source;
    out->pixels = IMAGE_ALLOC(bytes > 0 ? bytes : 1);
    if (!out->pixels) {
        *out = BaseImage{};
        return -1;
    }
    std::memcpy(out->pixels, source->pixels, static_cast<size_t>(bytes));
    return 0;
}

int RegisterGraphicHandleType() {
    return RegisterHandleType(HandleTypeGraphic, sizeof(GraphicRecord), kMaxGraphics, GraphicInit,
                              GraphicTerminate, Cp932Text("グラフィック"));
}

Handle NewGraphicHandle() {
    return AddHandle(HandleTypeGraphic, -1);
}

GraphicRecord* GraphicFromHandle(Handle handle, int allowPending) {
    HandleTypeRecord* t = GetHandleTypeRecord(HandleTypeGraphic);
    if (!t || !t->initialised || handle < 0) return nullptr;
    const uint32_t h = static_cast<uint32_t>(handle);
    if ((h & kHandleTypeMask) != t->typeBits) return nullptr;
    const int32_t index = static_cast<int32_t>(h & kHandleIndexMask);
    if (index >= t->maximumCount || !t->slots[index]) return nullptr;
    HandleHeader* record = t->slots[index];
    if ((static_cast<uint32_t>(record->checkNumber) << 16) != (h & kHandleCheckMask))
        return nullptr;
    if (!allowPending && ReadPendingCount(record) != 0) return nullptr;
    return reinterpret_cast<GraphicRecord*>(record);
}

int IsGraphicValid(Handle handle) {
    return GraphicFromHandle(handle, 0) ? 1 : 0;
}

int SplitTextureAxis(int maximum, int length, uint16_t* sizes, int exactAllowed,
                     int singleAllowed) {
    const int max = maximum > 0 ? maximum
                    : GetDeviceResources().caps.maxTextureSize > 0
                        ? GetDeviceResources().caps.maxTextureSize
                        : 256;
    if (exactAllowed && DeviceAllowsExactSizes() && length <= max && length >= 1) {
        sizes[0] = static_cast<uint16_t>(length);
        return 1;
    }
    if (length < 2) {
        sizes[0] = 1;
        return 1;
    }
    int t = max;
    while (t > 1 && t > length) t /= 2;
    if ((singleAllowed || (maximum == 0 && length <= GetScreenState().screenWidth)) &&
        2 * t <= max) {
        sizes[0] = static_cast<uint16_t>(t >= length ? t : 2 * t);
        return 1;
    }
    int count = 0;
    for (;;) {
        if (count >= kMaxTilesPerAxis) return -1;  // would leave pixels in no tile
        sizes[count++] = static_cast<uint16_t>(t);
        length -= t;
        if (length <= 0) break;
        if (length > 3 * t / 4 && t < max) {
            sizes[count - 1] = static_cast<uint16_t>(2 * t);
            break;
        }
        while (length < t && t > 1) t /= 2;
    }
    if (count >= 2 && sizes[count - 1] == sizes[count - 2] && 2 * sizes[count - 1] <= max) {
        sizes[count - 2] = static_cast<uint16_t>(2 * sizes[count - 1]);
        --count;
    }
    return count;
}

TextureFormatRequest MakeTextureFormatRequest(const GraphicCreateParams& params, int width,
                                              int height, int hasAlpha, int paletteImage,
                                              int compressedFormat, int mipLevels) {
    const int direct3D = (GetScreenState().useDirect3D && HasDevice()) || IsDirect3DDeviceAway();
    const int* w = params.words;
    TextureFormatRequest r{};
    r.direct3D = direct3D ? 1 : 0;
    r.software = direct3D ? 0 : 1;
    r.drawTarget = w[kWordDrawTarget] ? 1 : 0;
    r.alpha = (r.drawTarget ? w[kWordDrawAlpha] : hasAlpha) ? 1 : 0;
    r.managed = (w[kWordManaged] && !r.drawTarget && direct3D) ? 1 : 0;
    r.compressed = static_cast<uint8_t>(compressedFormat);
    int levels = mipLevels;
    if (r.drawTarget) {
        levels = 1;
    } else if (levels == -1) {
        levels = w[kWordMipLevels];
    }
    if (levels == 0) levels = 1;
    if (levels < 0) levels = CountAutomaticMips(width, height);
    r.mipLevels = static_cast<uint8_t>(levels > 255 ? 255 : levels);
    r.alphaTest = w[kWordAlphaTest] ? 1 : 0;
    r.floatChannels = (r.drawTarget && w[kWordDrawFloat]) ? 1 : 0;
    int bits = w[kWordColorBits];
    if (bits == 0) bits = (direct3D && r.alpha) ? 32 : QueryColorBits();
    r.colorBits = static_cast<uint8_t>(bits);
    r.channelCount = static_cast<uint8_t>(r.drawTarget ? w[kWordDrawChannels] : 0);
    r.bitsPerChannel = static_cast<uint8_t>(r.drawTarget ? w[kWordDrawBitsPerChannel] : 0);
    r.blendImage = (!direct3D && w[kWordBlendImage]) ? 1 : 0;
    r.paletteImage = (!direct3D && paletteImage) ? 1 : 0;
    r.multisampleCount = static_cast<uint8_t>(r.drawTarget ? w[kWordMultisampleCount] : 0);
    r.multisampleQuality = static_cast<uint8_t>(r.drawTarget ? w[kWordMultisampleQuality] : 0);
    return r;
}

int CreateSharedImage(const GraphicCreateParams& params, Handle handle, int width, int height,
                      int hasAlpha, int paletteImage, int compressedFormat, int mipLevels,
                      int allowPending, int fromWorker) {
    GraphicRecord* g = GraphicFromHandle(handle, allowPending);
    if (!g) return -1;
    if (width < 1 || height < 1) return DeleteFailedHandle(handle, fromWorker);
    const TextureFormatRequest request = MakeTextureFormatRequest(
        params, width, height, hasAlpha, paletteImage, compressedFormat, mipLevels);
    uint16_t across[kMaxTilesPerAxis], down[kMaxTilesPerAxis];
    int nx = 0, ny = 0, tileCount = 0, squareExtra = 0;
    if (request.direct3D) {
        const int maximum = params.words[kWordMaxTileSize];
        nx = SplitTextureAxis(maximum, width, across, request.drawTarget, 1);
        ny = SplitTextureAxis(maximum, height, down, request.drawTarget, 1);
        if (nx < 0 || ny < 0) {
            LogWrite(Cp932Text("グラフィックのテクスチャ分割数が許容量を越えました\n"));
            return DeleteFailedHandle(handle, fromWorker);
        }
        if (GetDeviceResources().caps.squareOnly) {
            for (int j = 0; j < ny; ++j)
                for (int i = 0; i < nx; ++i) {
                    const int a = across[i], b = down[j];
                    squareExtra += (a > b ? a / b : b / a) - 1;
                }
        }
        tileCount = nx * ny + squareExtra;
    }
    const size_t bytes = sizeof(SharedImage) + sizeof(TextureTile) * static_cast<size_t>(tileCount);
    auto* image =
        static_cast<SharedImage*>(TrackedCalloc(static_cast<uint32_t>(bytes), __FILE__, __LINE__));
    if (!image) {
        LogWrite(Cp932Text("グラフィックのオリジナル画像データ保存用メモリの確保に失敗しました\n"));
        return DeleteFailedHandle(handle, fromWorker);
    }
    image->referenceCount = 1;
    image->request = request;
    image->transparentColor = static_cast<uint32_t>(params.words[kWordTransparentColor]);
    image->width = width;
    image->height = height;
    image->depthSurfaceFlag = (request.drawTarget && params.words[kWordDepthBuffer]) ? 1 : 0;
    g->image = image;
    g->x = g->y = 0;
    g->width = width;
    g->height = height;
    auto fail = [&] {
        if (fromWorker) ReleaseSharedImageTextures(image, 1);
        return DeleteFailedHandle(handle, fromWorker);
    };
    if (request.direct3D) {
        image->tiles = reinterpret_cast<TextureTile*>(image + 1);
        image->colorFormatKind = ClassifyGraphicFormat(request);
        image->mipLevels =
            (image->colorFormatKind >= 6 && image->colorFormatKind <= 10) ? 1 : request.mipLevels;
        int n = 0, extra = nx * ny, y = 0;
        for (int j = 0; j < ny; ++j) {
            int x = 0;
            for (int i = 0; i < nx; ++i) {
                int tw = across[i], th = down[j];
                // Square-only devices: the tile keeps its first square, the
                // rest are appended along the longer side.
                const int side = tw < th ? tw : th;
                const int squares =
                    GetDeviceResources().caps.squareOnly ? (tw > th ? tw / th : th / tw) : 1;
                for (int k = 0; k < squares; ++k) {
                    TextureTile& tile = image->tiles[k == 0 ? n : extra++];
                    const int sw = squares > 1 ? side : tw, sh = squares > 1 ? side : th;
                    tile.x = x + (tw > th && squares > 1 ? k * side : 0);
                    tile.y = y + (th > tw && squares > 1 ? k * side : 0);
                    tile.textureWidth = sw;
                    tile.textureHeight = sh;
                    tile.usedWidth = width - tile.x < sw ? width - tile.x : sw;
                    tile.usedHeight = height - tile.y < sh ? height - tile.y : sh;
                }
                ++n;
                x += tw;
            }
            y += down[j];
        }
        // Tiles that lie wholly past the image (square cuts) hold nothing.
        image->tileCount = 0;
        for (int i = 0; i < tileCount; ++i) {
            const TextureTile& tile = image->tiles[i];
            if (tile.usedWidth > 0 && tile.usedHeight > 0) image->tiles[image->tileCount++] = tile;
        }
        if (CreateGraphicTexture(image, fromWorker) != 0) return fail();
        if (BuildTileCoverage(handle, allowPending) != 0) return fail();
        return 0;
    }
    // Software mode.
    if (request.blendImage) {
        image->colorFormatKind = kSoftKind16;
        if (SetupMemImg(&image->memImg, width, height, -1, 0, kMemImgSingle8, 0, 0, 1, nullptr) !=
            0) {
            LogWrite(Cp932Text("ブレンド画像用メモリイメージの作成に失敗しました\n"));
            return fail();
        }
    } else {
        const int colorType = request.colorBits == 32 ? kMemImgColor32 : kMemImgColor16;
        image->colorFormatKind = colorType == kMemImgColor32
                                     ? (request.alpha ? kSoftKind32Alpha : kSoftKind32)
                                     : (request.alpha ? kSoftKind16Alpha : kSoftKind16);
        uint32_t key = 0xFFFF;
        if (!request.paletteImage) {
            const ColorFormat* format = GetMemImgColorFormat(colorType, 0, 0);
            const uint32_t c = image->transparentColor;
            key = PackColorFormatColor(format, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 0);
        }
        if (SetupMemImg(&image->memImg, width, height, -1, key, colorType, request.paletteImage,
                        request.alpha, 1, nullptr) != 0) {
            LogWrite(Cp932Text("メモリイメージの作成に失敗しました\n"));
            return fail();
        }
    }
    return BuildTileCoverage(handle, allowPending) == 0 ? 0 : fail();
}

int BuildTileCoverage(Handle handle, int allowPending) {
    GraphicRecord* g = GraphicFromHandle(handle, allowPending);
    if (!g || !g->image) return -1;
    SharedImage* image = g->image;
    if (image->request.software) {
        if (MemImgIsValid(&g->view)) DropMemImg(&g->view);
        return ViewMemImg(&g->view, &image->memImg, g->x, g->y, g->width, g->height) == 0 ? 0 : -1;
    }
    const int left = g->x, top = g->y, right = g->x + g->width, bottom = g->y + g->height;
    int covered = 0;
    for (int i = 0; i < image->tileCount; ++i) {
        const TextureTile& t = image->tiles[i];
        if (t.x < right && t.x + t.usedWidth > left && t.y < bottom && t.y + t.usedHeight > top)
            ++covered;
    }
    if (covered == 0) {
        LogWrite(Cp932Text("テクスチャ描画情報の作成に失敗しました\n"));
        return -1;
    }
    if (covered > kInlineDrawPieces) {
        const int size = static_cast<int>(sizeof(GraphicRecord) +
                                          sizeof(TileDrawPiece) * (covered - kInlineDrawPieces));
        if (size > g->header.recordSize && ResizeHandleRecord(handle, size) != 0) {
            LogWrite(Cp932Text("画像描画情報格納用メモリの確保に失敗しました\n"));
            return -1;
        }
        g = GraphicFromHandle(handle, 1);  // the record may have moved
    }
    g->pieceCount = 0;
    for (int i = 0; i < image->tileCount; ++i) {
        TextureTile& t = image->tiles[i];
        const int pl = t.x > left ? t.x : left, pt = t.y > top ? t.y : top;
        const int tr = t.x + t.usedWidth, tb = t.y + t.usedHeight;
        const int pr = tr < right ? tr : right, pb = tb < bottom ? tb : bottom;
        if (pl >= pr || pt >= pb) continue;
        TileDrawPiece& p = g->pieces[g->pieceCount++];
        p = TileDrawPiece{};
        p.x = pl - left;
        p.y = pt - top;
        p.srcX = pl - t.x;
        p.srcY = pt - t.y;
        p.width = pr - pl;
        p.height = pb - pt;
        const float u0 = static_cast<float>(p.srcX) / t.textureWidth;
        const float v0 = static_cast<float>(p.srcY) / t.textureHeight;
        const float u1 = static_cast<float>(p.srcX + p.width) / t.textureWidth;
        const float v1 = static_cast<float>(p.srcY + p.height) / t.textureHeight;
        const float x0 = static_cast<float>(p.x), y0 = static_cast<float>(p.y);
        const float x1 = static_cast<float>(p.x + p.width), y1 = static_cast<float>(p.y + p.height);
        p.corners[0] = {x0, y0, u0, v0};
        p.corners[1] = {x1, y0, u1, v0};
        p.corners[2] = {x0, y1, u0, v1};
        p.corners[3] = {x1, y1, u1, v1};
        p.edges[0] = pl == left;
        p.edges[1] = pt == top;
        p.edges[2] = pr == right;
        p.edges[3] = pb == bottom;
        p.tile = &t;
    }
    return 0;
}

int MakeSubGraphic(Handle target, int x, int y, int width, int height, Handle source,
                   int allowPending) {
    GraphicRecord* s = GraphicFromHandle(source, allowPending);
    GraphicRecord* g = GraphicFromHandle(target, 1);
    if (!s || !g || !s->image || x < 0 || y < 0 || x >= s->width || y >= s->height || width < 1 ||
        height < 1)
        return -1;
    if (x + width > s->width) width = s->width - x;
    if (y + height > s->height) height = s->height - y;
    ++s->image->referenceCount;
    g->image = s->image;
    if (s->restore) ++s->restore->referenceCount;
    g->restore = s->restore;
    g->originX = s->originX + x;
    g->originY = s->originY + y;
    g->x = s->x + x;
    g->y = s->y + y;
    g->width = width;
    g->height = height;
    return BuildTileCoverage(target, 1);
}

Handle CreateSubGraphicEx(int x, int y, int width, int height, Handle source, int allowPending) {
    if (!GraphicFromHandle(source, allowPending)) return -1;
    const Handle handle = NewGraphicHandle();
    if (handle < 0) return -1;
    if (MakeSubGraphic(handle, x, y, width, height, source, allowPending) != 0) {
        DeleteHandle(handle);
        return -1;
    }
    return handle;
}

Handle CreateSubGraphic(int x, int y, int width, int height, Handle source) {
    return CreateSubGraphicEx(x, y, width, height, source, 0);
}

int SetGraphicRestoreSource(Handle handle, const char* fileName, const void* memoryImage,
                            int memorySize, const void* alphaMemoryImage, int alphaMemorySize,
                            const BaseImage* image, const BaseImage* alphaImage, int option,
                            Handle source, int allowPending) {
    GraphicRecord* g = GraphicFromHandle(handle, allowPending);
    if (!g) return -1;
    DropRestoreSource(g->restore);
    g->restore = nullptr;
    const bool nothingElse = !fileName && !memoryImage && !image;
    if (source >= 0 && nothingElse) {
        GraphicRecord* s = GraphicFromHandle(source, 1);
        if (s && s->restore) {
            ++s->restore->referenceCount;
            g->restore = s->restore;
        }
        return 0;
    }
    char fullPath[1024] = {};
    size_t extra = 0;
    if (fileName) {
        ConvertToFullPath(fileName, fullPath, sizeof fullPath, nullptr);
        extra = std::strlen(fullPath) + 1;
    } else if (memoryImage) {
        extra = static_cast<size_t>(memorySize) + (alphaMemoryImage ? alphaMemorySize : 0);
    }
    auto* r = static_cast<RestoreSource*>(
        TrackedCalloc(static_cast<uint32_t>(sizeof(RestoreSource) + extra), __FILE__, __LINE__));
    if (!r) {
        LogWrite(Cp932Text(
            fileName ? "転送する画像ファイルのファイル名を保存するメモリ領域の確保に失敗しました\n"
                     : "転送する画像データを保存するメモリ領域の確保に失敗しました\n"));
        return -1;
    }
    r->referenceCount = 1;
    r->option = option;
    auto* tail = reinterpret_cast<char*>(r + 1);
    if (fileName) {
        std::memcpy(tail, fullPath, extra);
        r->fileName = tail;
    } else if (memoryImage) {
        std::memcpy(tail, memoryImage, static_cast<size_t>(memorySize));
        r->memoryImage = tail;
        r->memorySize = memorySize;
        if (alphaMemoryImage) {
            std::memcpy(tail + memorySize, alphaMemoryImage, static_cast<size_t>(alphaMemorySize));
            r->alphaMemoryImage = tail + memorySize;
            r->alphaMemorySize = alphaMemorySize;
        }
    } else if (image) {
        r->image = CopyBaseImage(image);
        r->alphaImage = alphaImage ? CopyBaseImage(alphaImage) : nullptr;
        if (!r->image || (alphaImage && !r->alphaImage)) {
            LogWrite(Cp932Text("転送する基本イメージを保存するメモリ領域の確保に失敗しました\n"));
            DropRestoreSource(r);
            return -1;
        }
    }
    g = GraphicFromHandle(handle, allowPending);
    g->restore = r;
    return 0;
}

int SetGraphicRestoreSourceFromFile(Handle handle, const char* fileName, int option, Handle source,
                                    int allowPending) {
    return SetGraphicRestoreSource(handle, fileName, nullptr, 0, nullptr, 0, nullptr, nullptr,
                                   option, source, allowPending);
}

int SetGraphicRestoreKeying(Handle handle, const GraphicCreateParams& params, int allowPending) {
    GraphicRecord* g = GraphicFromHandle(handle, allowPending);
    if (!g || !g->restore) return -1;
    RestoreSource& r = *g->restore;
    r.transparentColor = params.words[kWordTransparentColor];
    r.keepTransparentColor = params.words[kWordKeepTransparentColor];
    r.transparentToAlpha = params.words[kWordTransparentToAlpha];
    r.topLeftTransparent = params.words[kWordTopLeftTransparent];
    return 0;
}

int DeleteGraphic(Handle handle) {
    return DeleteHandle(handle);
}

int SetGraphicDeletedFlag(Handle handle, int32_t* flag) {
    GraphicRecord* g = GraphicFromHandle(handle, 0);
    if (!g) return -1;
    g->deletedFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

// --- device textures --------------------------------------------------------------

int CreateGraphicTexture(SharedImage* image, int fromWorker) {
    // A device that is away makes the textures when it is back.
    if (!HasDevice()) return IsDirect3DDeviceAway() ? 0 : -1;
    if (!image || image->request.software || image->tileCount == 0) return 0;
    const int kind = image->colorFormatKind;
    const D3DFORMAT format = kind >= 0 && kind < kTextureFormatSlotCount
                                 ? GetDeviceResources().formats[kind]
                                 : D3DFMT_UNKNOWN;
    if (format == D3DFMT_UNKNOWN) {
        LogWrite(
            Cp932Text("指定のフォーマットで作成できるテクスチャフォーマットがありませんでした\n"));
        return -1;
    }
    TextureFormatRequest& request = image->request;
    if (HasDirect3DExObject() && GetDeviceLayer().deviceEx) request.managed = 0;
    if (request.drawTarget && request.multisampleCount > 0) {
        LogWrite(Cp932Text("書き込み専用サーフェスの作成に失敗しました\n"));
        return -1;
    }
    for (int i = 0; i < image->tileCount; ++i) {
        TextureTile& tile = image->tiles[i];
        if (!tile.texture) {
            const D3DPOOL pool =
                (request.managed && !request.drawTarget) ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT;
            if (FAILED(CreateTextureOnMainThread(static_cast<UINT>(tile.textureWidth),
                                                 static_cast<UINT>(tile.textureHeight),
                                                 static_cast<UINT>(image->mipLevels),
                                                 request.drawTarget ? D3DUSAGE_RENDERTARGET : 0,
                                                 format, pool, &tile.texture, fromWorker))) {
                tile.texture = nullptr;
                LogWrite(Cp932Text("テクスチャの作成に失敗しました\n"));
                return -1;
            }
        }
        if (request.drawTarget && !tile.surface) {
            if (FAILED(GetSurfaceLevelOnMainThread(tile.texture, 0, &tile.surface, fromWorker))) {
                tile.surface = nullptr;
                LogWrite(Cp932Text("テクスチャのサーフェスアドレスの取得に失敗しました\n"));
                return -1;
            }
            ColorFillOnMainThread(tile.surface, nullptr, 0, fromWorker);
        }
        if (request.drawTarget && image->depthSurfaceFlag && !tile.depthSurface &&
            FAILED(CreateDepthSurfaceOnMainThread(
                static_cast<UINT>(tile.textureWidth), static_cast<UINT>(tile.textureHeight),
                D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &tile.depthSurface, fromWorker))) {
            tile.depthSurface = nullptr;
            LogWrite(Cp932Text("書き込み専用マルチサンプル深度サーフェスの作成に失敗しました\n"));
            return -1;
        }
    }
    return 0;
}

int ReleaseSharedImageTextures(SharedImage* image, int fromWorker) {
    if (!image || image->request.software) return 0;
    for (int i = 0; i < image->tileCount; ++i) {
        TextureTile& tile = image->tiles[i];
        for (IDirect3DSurface9** surface :
             {&tile.surface, &tile.multisampleSurface, &tile.depthSurface}) {
            if (*surface) ReleaseObjectOnMainThread(*surface, fromWorker);
            *surface = nullptr;
        }
        if (tile.texture) ReleaseObjectOnMainThread(tile.texture, fromWorker);
        tile.texture = nullptr;
    }
    return 0;
}

namespace {
template <class Visit>
void ForEachGraphic(Visit visit) {
    HandleTypeRecord* t = GetHandleTypeRecord(HandleTypeGraphic);
    if (!t || !t->initialised || t->count == 0) return;
    for (int32_t i = t->lowestIndex; i <= t->highestIndex; ++i)
        if (t->slots[i]) visit(reinterpret_cast<GraphicRecord*>(t->slots[i]));
}
}  // namespace

int ReleaseAllGraphicTextures() {
    ReleaseWorkTextureObjects();
    ForEachGraphic([](GraphicRecord* g) {
        ReleaseSharedImageTextures(g->image, 0);
        if (g->movie >= 0) InvalidateMovieSurface(g->movie);
    });
    ReleaseAllBufferObjects();
    ReleaseAllShaderObjects();
    return 0;
}

int RecreateAllGraphicTextures() {
    ForEachGraphic([](GraphicRecord* g) {
        if (g->image) CreateGraphicTexture(g->image, 0);
    });
    return 0;
}

int ReleaseDeviceResources() {
    if (!GetScreenState().useDirect3D) return 0;
    // Loads write the textures released here: they end first.
    FinishQueuedLoads();
    ReleaseMaskScreen();
    ReleaseAllGraphicTextures();
    ShutdownScreenDevice();
    return 0;
}

}  // namespace DuRud
