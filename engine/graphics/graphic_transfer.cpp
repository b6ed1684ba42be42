// Image transfer into a graphic's tiles or MEMIMG, and the colour-format
// kind a texture request gets.
#include "graphics/graphic_transfer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_loading.h"
#include "graphics/main_thread_forwarders.h"
#include "graphics/screen_state.h"
#include "graphics/transparent_key.h"
#include "graphics/vertex_batch.h"
#include "graphics/work_textures.h"
#include "image/image_memory.h"
#include "image/memimg.h"
#include "image/pixel_conversion.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

int LogTransferFailure() {
    LogWrite(Cp932Text("描画可能テクスチャへの画像の転送に失敗しました\n"));
    return -1;
}

bool IsBlockFormat(const ColorFormat* format) {
    return format && format->formatCode != kFormatPlain;
}

bool SameFormat(const ColorFormat* a, const ColorFormat* b) {
    return a->formatCode == b->formatCode && a->bitsPerPixel == b->bitsPerPixel &&
           a->redMask == b->redMask && a->greenMask == b->greenMask && a->blueMask == b->blueMask &&
           a->alphaMask == b->alphaMask && a->channelCount == b->channelCount &&
           a->floatFlag == b->floatFlag;
}

// Converts a source rectangle into locked pixels at (0, 0).
int ConvertInto(const D3DLOCKED_RECT& locked, const ColorFormat* format, const BaseImage* image,
                const BaseImage* alpha, const RECT& source, int colorKeyToAlpha,
                uint32_t transparentColor) {
    return ConvertPixelRect(locked.pBits, locked.Pitch, format, image->pixels, image->pitch,
                            &image->colorFormat, alpha ? alpha->pixels : nullptr,
                            alpha ? alpha->pitch : 0, alpha ? &alpha->colorFormat : nullptr, 0, 0,
                            &source, 0, colorKeyToAlpha, transparentColor, kDitherNone, 0, 0, 0,
                            0) < 0
               ? -1
               : 0;
}

// A palette body's key is an index: the first of its 256 entries equal to
// the transparent colour packed into the body's format (0 when none is).
void SetPaletteTransparentIndex(MemImgBody* body, uint32_t transparentColor) {
    if (!body || !body->paletteFlag || !body->palette) return;
    const bool wide = body->colorType == kMemImgColor32;
    const uint32_t key =
        PackColorFormatColor(GetMemImgColorFormat(body->colorType, 0, 0),
                             (transparentColor >> 16) & 0xFF, (transparentColor >> 8) & 0xFF,
                             transparentColor & 0xFF, 0) &
        (wide ? 0xFFFFFFu : 0xFFFFu);
    body->transparentColor = 0;
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t entry = wide ? ReadPixelValue(body->palette + 4 * i, 4) & 0xFFFFFF
                                    : ReadPixelValue(body->palette + 2 * i, 2);
        if (entry == key) {
            body->transparentColor = i;
            break;
        }
    }
    body->runTableValid = 0;
}

// An image laid over a GDI bitmap's bits, read in the given colour format
// (which must have the bitmap's bits per pixel); lines of 4-byte multiples.
int LayImageOverBitmap(HBITMAP bitmap, const ColorFormat* format, BaseImage* image) {
    DIBSECTION section{};
    const int got = bitmap ? GetObjectA(bitmap, sizeof section, &section) : 0;
    const BITMAP& bm = section.dsBm;
    if (got < static_cast<int>(sizeof(BITMAP)) || !format || !bm.bmBits || bm.bmWidth < 1 ||
        bm.bmHeight == 0 || bm.bmBitsPixel != format->bitsPerPixel)
        return -1;
    const int height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    const int stride = (bm.bmWidth * bm.bmBitsPixel + 31) / 32 * 4;
    // A bottom-up section keeps its last line first.
    const bool bottomUp = got == static_cast<int>(sizeof section) && section.dsBmih.biHeight > 0;
    *image = BaseImage{};
    image->colorFormat = *format;
    image->width = bm.bmWidth;
    image->height = height;
    image->pitch = bottomUp ? -stride : stride;
    image->pixels = static_cast<uint8_t*>(bm.bmBits) +
                    (bottomUp ? static_cast<int64_t>(height - 1) * stride : 0);
    return 0;
}

}  // namespace

int GetTileWorkTexture(int width, int height, int levels, int kind, int fromWorker) {
    for (;;) {
        const int index = GetWorkTextureOrBusy(width, height, levels, kind, fromWorker);
        if (index != -2) return index;
        if (!fromWorker && PumpWindowMessages() != 0) return -1;
        Sleep(1);
    }
}

IDirect3DTexture9* CreateSystemTexture(int width, int height, int kind, int fromWorker) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(CreateTextureOnMainThread(width, height, 1, 0, GetDeviceResources().formats[kind],
                                         D3DPOOL_SYSTEMMEM, &texture, fromWorker)))
        return nullptr;
    return texture;
}

int ResolveMultiSampleTile(TextureTile* tile) {
    if (!tile || !tile->multisampleSurface || !tile->surface) return -1;
    return FAILED(DeviceStretchRect(tile->multisampleSurface, nullptr, tile->surface, nullptr,
                                    D3DTEXF_NONE))
               ? -1
               : 0;
}

int IsGraphicMultiSampled(Handle handle) {
    const GraphicRecord* g = GraphicFromHandle(handle, 0);
    return g && g->image && !g->image->request.software && g->image->request.multisampleCount > 0
               ? 1
               : 0;
}

int TransferBitmapToGraphic(Handle handle, const ColorFormat* format, HBITMAP bitmap,
                            HBITMAP alphaBitmap, const RECT* sourceRect, int destX, int destY,
                            int colorKeyToAlpha, int sharedImageSpace, int allowPending,
                            int fromWorker) {
    BaseImage image{}, alpha{};
    if (LayImageOverBitmap(bitmap, format, &image) != 0 ||
        (alphaBitmap && LayImageOverBitmap(alphaBitmap, format, &alpha) != 0))
        return -1;
    return TransferImageToGraphic(handle, sourceRect, destX, destY, &image,
                                  alphaBitmap ? &alpha : nullptr, colorKeyToAlpha, sharedImageSpace,
                                  allowPending, fromWorker);
}

int ClassifyGraphicFormat(const TextureFormatRequest& r) {
    const int bitsPerChannel = r.bitsPerChannel, colorBits = r.colorBits;
    if (r.compressed >= 1 && r.compressed <= 5) return 5 + r.compressed;
    if (r.channelCount == 1) {
        if (r.floatChannels)
            return (bitsPerChannel >= 32 || (bitsPerChannel == 0 && colorBits >= 32)) ? 20 : 19;
        return (bitsPerChannel >= 16 || (bitsPerChannel == 0 && colorBits >= 16)) ? 18 : 17;
    }
    if (r.channelCount == 2) {
        if (r.floatChannels) return (bitsPerChannel >= 32 || colorBits >= 64) ? 24 : 23;
        return (bitsPerChannel >= 16 || colorBits >= 32) ? 22 : 21;
    }
    if (r.floatChannels) return (bitsPerChannel >= 32 || colorBits >= 128) ? 16 : 15;
    if (bitsPerChannel >= 9) return 14;
    const int b = colorBits != 16 ? 1 : 0;
    if (r.drawTarget) return r.alpha ? 13 : (!r.alphaTest ? 11 + b : 13);
    if (r.alpha) return 2 + b;
    return r.alphaTest ? 4 + b : b;
}

const ColorFormat* GraphicKindColorFormat(int kind) {
    if (kind < 0 || kind >= kGraphicColorFormatKinds) return nullptr;
    const D3DFORMAT format = GetDeviceResources().formats[kind];
    return format == D3DFMT_UNKNOWN ? nullptr : ColorFormatForD3DFormat(format);
}

const ColorFormat* QueryGraphicColorFormat(int alpha, int alphaTest, int is32Bit, int drawTarget) {
    TextureFormatRequest request{};
    request.alpha = alpha ? 1 : 0;
    request.alphaTest = alphaTest ? 1 : 0;
    request.drawTarget = drawTarget ? 1 : 0;
    request.colorBits = is32Bit ? 32 : 16;
    return GraphicKindColorFormat(ClassifyGraphicFormat(request));
}

namespace {

// Locks the texture over the rectangle's overlap with it and has write fill
// it from the clipped source rectangle. 0 or -1 (logged).
template <typename Write>
int LockAndWriteTexture(IDirect3DTexture9* texture, const ColorFormat* textureFormat,
                        const ColorFormat* sourceFormat, const RECT& source, int destX, int destY,
                        int fromWorker, Write write) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    RECT src = source;
    // Clip the overlap to the texture.
    if (destX < 0) src.left -= destX, destX = 0;
    if (destY < 0) src.top -= destY, destY = 0;
    src.right = std::min<LONG>(src.right, src.left + static_cast<LONG>(desc.Width) - destX);
    src.bottom = std::min<LONG>(src.bottom, src.top + static_cast<LONG>(desc.Height) - destY);
    if (src.right <= src.left || src.bottom <= src.top) return 0;
    if (IsBlockFormat(textureFormat) && !SameFormat(textureFormat, sourceFormat)) {
        LogWrite(Cp932Text(
            "DXTフォーマットのテクスチャに標準形式のイメージを転送することはできません\n"));
        return -1;
    }
    const RECT target{destX, destY, destX + (src.right - src.left), destY + (src.bottom - src.top)};
    D3DLOCKED_RECT locked{};
    if (FAILED(LockTextureRectOnMainThread(texture, 0, &locked, &target, 0, fromWorker))) {
        LogWrite(Cp932Text("テクスチャのロックに失敗しました\n"));
        return -1;
    }
    const int result = write(locked, src);
    UnlockTextureRectOnMainThread(texture, 0, fromWorker);
    return result;
}

// One tile texture from a picture whose transparent colour becomes alpha as
// it is written (ConvertKeyedRect), without a whole keyed copy.
int TransferKeyedToTexture(IDirect3DTexture9* texture, const ColorFormat* textureFormat,
                           const BaseImage* image, const BaseImage* alphaImage, const RECT& source,
                           int destX, int destY, uint32_t transparentColor, int fromWorker) {
    ColorFormat argb{};
    SetColorFormatA8R8G8B8(&argb);
    return LockAndWriteTexture(texture, textureFormat, &argb, source, destX, destY, fromWorker,
                               [&](const D3DLOCKED_RECT& locked, const RECT& src) {
                                   return ConvertKeyedRect(locked.pBits, locked.Pitch,
                                                           textureFormat, 0, 0, image, alphaImage,
                                                           transparentColor, src);
                               });
}

}  // namespace

int TransferImageToTexture(IDirect3DTexture9* texture, const ColorFormat* textureFormat,
                           const BaseImage* image, const BaseImage* alphaImage, const RECT& source,
                           int destX, int destY, int colorKeyToAlpha, uint32_t transparentColor,
                           int fromWorker) {
    return LockAndWriteTexture(texture, textureFormat, &image->colorFormat, source, destX, destY,
                               fromWorker, [&](const D3DLOCKED_RECT& locked, const RECT& src) {
                                   return ConvertInto(locked, textureFormat, image, alphaImage, src,
                                                      colorKeyToAlpha, transparentColor);
                               });
}

int TransferImageToMipTexture(IDirect3DTexture9* texture, const ColorFormat* textureFormat,
                              int levels, const BaseImage* image, const BaseImage* alphaImage,
                              const RECT& source, int destX, int destY, int colorKeyToAlpha,
                              uint32_t transparentColor, int fromWorker) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    const int width = source.right - source.left, height = source.bottom - source.top;
    const bool whole = source.left == 0 && source.top == 0 && width == image->width &&
                       height == image->height && destX == 0 && destY == 0;
    if (whole && image->mipMapCount >= levels && SameFormat(textureFormat, &image->colorFormat)) {
        // Each level row by row, honouring both pitches.
        const auto* level = static_cast<const uint8_t*>(image->pixels);
        for (int l = 0; l < levels; ++l) {
            const int w = std::max(1, image->width >> l), h = std::max(1, image->height >> l);
            const int64_t bytes = GetImageLevelDataSize(&image->colorFormat, image->width,
                                                        image->height, image->pitch, l);
            const bool block = IsBlockFormat(textureFormat);
            const int rows = block ? (h + 3) / 4 : h;
            const int srcPitch = l == 0 && !block ? image->pitch : static_cast<int>(bytes / rows);
            const int rowBytes = block ? srcPitch : w * textureFormat->bytesPerPixel;
            D3DLOCKED_RECT locked{};
            if (FAILED(LockTextureRectOnMainThread(texture, l, &locked, nullptr, 0, fromWorker))) {
                LogWrite(Cp932Text("ミップマップテクスチャのロックに失敗しました\n"));
                return -1;
            }
            for (int y = 0; y < rows; ++y)
                std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                            level + y * srcPitch, rowBytes);
            UnlockTextureRectOnMainThread(texture, l, fromWorker);
            level += bytes;
        }
        return 0;
    }
    if (IsBlockFormat(textureFormat) && !SameFormat(textureFormat, &image->colorFormat)) {
        LogWrite(Cp932Text(
            "DXTフォーマットのテクスチャに標準形式のイメージを転送することはできません\n"));
        return -1;
    }
    // Level 0 converted to 32 bits, each further level the previous halved.
    ColorFormat argb{};
    SetColorFormatA8R8G8B8(&argb);
    std::vector<uint32_t> pixels;
    try {
        pixels.resize(static_cast<size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        LogWrite(Cp932Text(
            "テクスチャへ転送する画像を一時的に格納するメモリ領域の確保に失敗しました\n"));
        return -1;
    }
    if (ConvertPixelRect(pixels.data(), width * 4, &argb, image->pixels, image->pitch,
                         &image->colorFormat, alphaImage ? alphaImage->pixels : nullptr,
                         alphaImage ? alphaImage->pitch : 0,
                         alphaImage ? &alphaImage->colorFormat : nullptr, 0, 0, &source, 0,
                         colorKeyToAlpha, transparentColor, kDitherNone, 0, 0, 0, 0) < 0)
        return -1;
    int w = width, h = height;
    for (int l = 0; l < levels; ++l) {
        if (l > 0) {
            DownsamplePixelsByTwo(&argb, pixels.data(), w * 4, pixels.data(), w * 4, w, h);
            w = std::max(1, w / 2);
            h = std::max(1, h / 2);
        }
        const int lx = destX >> l, ly = destY >> l;
        const int lw = std::max(1, static_cast<int>(desc.Width) >> l);
        const int lh = std::max(1, static_cast<int>(desc.Height) >> l);
        const int cw = std::min(w, lw - lx), ch = std::min(h, lh - ly);
        if (cw <= 0 || ch <= 0) continue;
        const RECT target{lx, ly, lx + cw, ly + ch};
        D3DLOCKED_RECT locked{};
        if (FAILED(LockTextureRectOnMainThread(texture, l, &locked, &target, 0, fromWorker))) {
            LogWrite(Cp932Text("ミップマップテクスチャのロックに失敗しました\n"));
            return -1;
        }
        const RECT levelSource{0, 0, cw, ch};
        ConvertPixelRect(locked.pBits, locked.Pitch, textureFormat, pixels.data(), w * 4, &argb,
                         nullptr, 0, nullptr, 0, 0, &levelSource, 0, 0, 0, kDitherNone, 0, 0, 0, 0);
        UnlockTextureRectOnMainThread(texture, l, fromWorker);
    }
    return 0;
}

namespace {

// The pictures a transfer reads, freed once nothing reads them any more when
// the caller gave them up (release set).
class TransferSource {
  public:
    TransferSource(BaseImage* image, BaseImage* alpha, bool release)
        : image_(image), alpha_(alpha), release_(release) {}
    TransferSource(const TransferSource&) = delete;
    TransferSource& operator=(const TransferSource&) = delete;
    ~TransferSource() { Drop(); }

    void Drop() {
        if (decompressed_.pixels) FreeBaseImagePixels(&decompressed_);
        if (keyedCopy_.pixels) FreeBaseImagePixels(&keyedCopy_);
        if (!release_) return;
        if (image_ && image_->pixels) FreeBaseImagePixels(image_);
        if (alpha_ && alpha_->pixels) FreeBaseImagePixels(alpha_);
    }
    // A block-compressed picture is read as 32-bit pixels. 0 or -1 (logged).
    int Decompress() {
        if (!IsBlockFormat(&image_->colorFormat)) return 0;
        const int64_t bytes = GetImageDataSize(&image_->colorFormat, image_->width, image_->height,
                                               image_->pitch, image_->mipMapCount);
        // A block format the size table does not know has no size to copy.
        if (bytes < 0) {
            LogWrite(Cp932Text("標準イメージ用のメモリ確保に失敗しました\n"));
            return -1;
        }
        decompressed_ = *image_;
        decompressed_.pixels = IMAGE_ALLOC(bytes > 0 ? bytes : 1);
        if (!decompressed_.pixels) {
            LogWrite(Cp932Text("標準イメージ用のメモリ確保に失敗しました\n"));
            return -1;
        }
        std::memcpy(decompressed_.pixels, image_->pixels, static_cast<size_t>(bytes));
        if (DecompressBaseImage(&decompressed_) != 0) {
            FreeBaseImagePixels(&decompressed_);
            LogWrite(Cp932Text("標準イメージ用のメモリ確保に失敗しました\n"));
            return -1;
        }
        return 0;
    }
    // The transparent colour becomes alpha as the pixels are written.
    void SetKeyed(uint32_t transparentColor) {
        keyed_ = true;
        transparentColor_ = transparentColor;
    }
    bool KeyedAsWritten() const { return keyed_ && !keyedCopy_.pixels; }
    uint32_t TransparentColor() const { return transparentColor_; }
    // The roads that read a whole picture (software images, draw targets,
    // mip chains) read a keyed 32-bit copy. 0 or -1.
    int MakeKeyedCopy() {
        if (!KeyedAsWritten()) return 0;
        return MakeTransparentAlphaImage(image(), alpha_, transparentColor_, &keyedCopy_);
    }
    const BaseImage* image() const {
        return keyedCopy_.pixels ? &keyedCopy_ : decompressed_.pixels ? &decompressed_ : image_;
    }
    const BaseImage* alpha() const { return keyedCopy_.pixels ? nullptr : alpha_; }

  private:
    BaseImage* image_;
    BaseImage* alpha_;
    bool release_;
    BaseImage decompressed_{};
    bool keyed_ = false;
    uint32_t transparentColor_ = 0;
    BaseImage keyedCopy_{};
};

int TransferFrom(Handle handle, const RECT* sourceRect, int destX, int destY,
                 TransferSource& source, int colorKeyToAlpha, int sharedImageSpace,
                 int allowPending, int fromWorker) {
    const BaseImage* image = source.image();
    const BaseImage* alphaImage = source.alpha();
    GraphicRecord* g = GraphicFromHandle(handle, allowPending);
    if (!g || !g->image || !image || !image->pixels) return -1;
    // The batch is the main thread's: a loader thread has it drawn there.
    FlushVertexBatch(fromWorker);
    // The source rectangle, clipped to the image and its alpha image.
    RECT src = sourceRect ? *sourceRect : RECT{0, 0, image->width, image->height};
    LONG right = image->width, bottom = image->height;
    if (alphaImage) {
        right = std::min<LONG>(right, alphaImage->width);
        bottom = std::min<LONG>(bottom, alphaImage->height);
    }
    if (src.left < 0) destX -= src.left, src.left = 0;
    if (src.top < 0) destY -= src.top, src.top = 0;
    src.right = std::min(src.right, right);
    src.bottom = std::min(src.bottom, bottom);
    if (src.right - src.left < 1 || src.bottom - src.top < 1) return 0;
    SharedImage* shared = g->image;
    // Where the rectangle lands in the shared image.
    int left = destX, top = destY;
    int width = src.right - src.left, height = src.bottom - src.top;
    if (!sharedImageSpace) {
        if (left < 0) src.left -= left, width += left, left = 0;
        if (top < 0) src.top -= top, height += top, top = 0;
        width = std::min(width, g->width - left);
        height = std::min(height, g->height - top);
        if (width < 1 || height < 1) return 0;
        left += g->x;
        top += g->y;
        src.right = src.left + width;
        src.bottom = src.top + height;
    }
    if (source.Decompress() != 0) return -1;
    if (source.KeyedAsWritten() &&
        (shared->request.software || shared->request.drawTarget || shared->mipLevels > 1 ||
         IsBlockFormat(&source.image()->colorFormat)) &&
        source.MakeKeyedCopy() != 0)
        return -1;
    image = source.image();
    alphaImage = source.alpha();
    const uint32_t key = shared->transparentColor;
    int result = 0;
    if (shared->request.software) {
        if (TransferBaseImageToMemImg(image, alphaImage, &shared->memImg, src.left, src.top, width,
                                      height, left, top, colorKeyToAlpha) != 0)
            result = -1;
        else if (shared->request.paletteImage)
            SetPaletteTransparentIndex(shared->memImg.body, key);
    } else if (!HasDevice()) {
        // A device that is away refills the graphic from its restore source.
        result = IsDirect3DDeviceAway() ? 0 : -1;
    } else {
        const int kind = shared->colorFormatKind;
        const ColorFormat* format = GraphicKindColorFormat(kind);
        IDirect3DTexture9* system = nullptr;
        IDirect3DSurface9* systemSurface = nullptr;
        if (!format) result = -1;
        if (result == 0 && shared->request.drawTarget) {
            // Draw targets cannot be locked: the rectangle goes through a
            // system-memory texture of its own size.
            system = CreateSystemTexture(width, height, kind, fromWorker);
            if (!system) {
                LogWrite(Cp932Text("画像転送用のシステムメモリテクスチャの作成に失敗しました\n"));
                result = -1;
            } else {
                result = TransferImageToTexture(system, format, image, alphaImage, src, 0, 0,
                                                colorKeyToAlpha, key, fromWorker);
                source.Drop();
                if (result == 0 &&
                    FAILED(GetSurfaceLevelOnMainThread(system, 0, &systemSurface, fromWorker)))
                    result = -1;
            }
        }
        // The last tile the rectangle reaches: once it has read the picture,
        // a picture given up goes.
        auto overlap = [&](const TextureTile& tile, RECT* out) {
            *out = RECT{std::max(left, tile.x), std::max(top, tile.y),
                        std::min(left + width, tile.x + tile.usedWidth),
                        std::min(top + height, tile.y + tile.usedHeight)};
            return out->left < out->right && out->top < out->bottom;
        };
        int lastRead = -1;
        for (int i = 0; i < shared->tileCount; ++i) {
            RECT unused{};
            if (overlap(shared->tiles[i], &unused)) lastRead = i;
        }
        for (int i = 0; result == 0 && i < shared->tileCount; ++i) {
            TextureTile& tile = shared->tiles[i];
            RECT inTile{};
            if (!overlap(tile, &inTile)) continue;
            const int ol = inTile.left, ot = inTile.top, orr = inTile.right, ob = inTile.bottom;
            const RECT part{src.left + (ol - left), src.top + (ot - top), src.left + (orr - left),
                            src.top + (ob - top)};
            const int tx = ol - tile.x, ty = ot - tile.y;
            if (shared->request.drawTarget) {
                const RECT inSystem{ol - left, ot - top, orr - left, ob - top};
                const POINT at{tx, ty};
                if (FAILED(UpdateSurfaceOnMainThread(systemSurface, &inSystem, tile.surface, &at,
                                                     fromWorker)))
                    result = -1;
                continue;
            }
            auto transfer = [&](IDirect3DTexture9* texture) {
                if (source.KeyedAsWritten())
                    return TransferKeyedToTexture(texture, format, image, alphaImage, part, tx, ty,
                                                  source.TransparentColor(), fromWorker);
                return shared->mipLevels > 1
                           ? TransferImageToMipTexture(texture, format, shared->mipLevels, image,
                                                       alphaImage, part, tx, ty, colorKeyToAlpha,
                                                       key, fromWorker)
                           : TransferImageToTexture(texture, format, image, alphaImage, part, tx,
                                                    ty, colorKeyToAlpha, key, fromWorker);
            };
            if (shared->request.managed) {
                result = transfer(tile.texture);
                if (i == lastRead) source.Drop();
                continue;
            }
            const int work = GetTileWorkTexture(tile.textureWidth, tile.textureHeight,
                                                shared->mipLevels, kind, fromWorker);
            if (work < 0) {
                result = -1;
                continue;
            }
            result = transfer(WorkTextureOf(work));
            if (i == lastRead) source.Drop();
            // What the transfer locked and wrote: the overlap, cut to the texture.
            const RECT written{tx, ty, std::min(tx + (orr - ol), tile.textureWidth),
                               std::min(ty + (ob - ot), tile.textureHeight)};
            if (result != 0)
                ReleaseWorkTexture(work, fromWorker);
            else if (FAILED(CopyOutAndReleaseWorkTexture(work, tile.texture, written, fromWorker)))
                result = -1;
        }
        if (systemSurface) ReleaseObjectOnMainThread(systemSurface, fromWorker);
        if (system) ReleaseObjectOnMainThread(system, fromWorker);
        if (result != 0) LogTransferFailure();
    }
    return result;
}

}  // namespace

int TransferImageToGraphic(Handle handle, const RECT* sourceRect, int destX, int destY,
                           const BaseImage* image, const BaseImage* alphaImage, int colorKeyToAlpha,
                           int sharedImageSpace, int allowPending, int fromWorker) {
    // Only read: the source keeps the caller's pictures.
    TransferSource source(const_cast<BaseImage*>(image), const_cast<BaseImage*>(alphaImage), false);
    return TransferFrom(handle, sourceRect, destX, destY, source, colorKeyToAlpha, sharedImageSpace,
                        allowPending, fromWorker);
}

int TransferReleasingImageToGraphic(Handle handle, const RECT* sourceRect, int destX, int destY,
                                    BaseImage* image, BaseImage* alphaImage, int colorKeyToAlpha,
                                    int sharedImageSpace, int allowPending, int fromWorker) {
    TransferSource source(image, alphaImage, true);
    return TransferFrom(handle, sourceRect, destX, destY, source, colorKeyToAlpha, sharedImageSpace,
                        allowPending, fromWorker);
}

int TransferKeyedImageToGraphic(Handle handle, BaseImage* image, BaseImage* alphaImage,
                                uint32_t transparentColor, int release, int fromWorker) {
    TransferSource source(image, alphaImage, release != 0);
    source.SetKeyed(transparentColor);
    const RECT all{0, 0, image->width, image->height};
    return TransferFrom(handle, &all, 0, 0, source, 1, 0, 1, fromWorker);
}

}  // namespace DuRud
