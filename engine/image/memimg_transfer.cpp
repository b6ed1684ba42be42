// Transfer of a BaseImage into a MEMIMG: the pixel conversion, the palette
// block, the premultiplied alpha plane and the run table.
#include <algorithm>
#include <cstring>

#include "image/image_memory.h"
#include "image/memimg.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

// An image as the conversion can read it: the caller's own record, or a
// decoded copy of a block-compressed one (freed with this object).
class ReadableImage {
  public:
    ReadableImage() = default;
    ReadableImage(const ReadableImage&) = delete;
    ReadableImage& operator=(const ReadableImage&) = delete;
    ~ReadableImage() {
        if (owned_) ImageFree(image_.pixels);
    }

    // 0, or -1 when the image has no pixels or cannot be decoded.
    int Prepare(const BaseImage* source) {
        if (!source->pixels || source->width < 0 || source->height < 0) return -1;
        image_ = *source;
        if (source->colorFormat.formatCode == kFormatPlain) return 0;
        const int64_t bytes = GetImageLevelDataSize(&source->colorFormat, source->width,
                                                    source->height, source->pitch, 0);
        if (bytes <= 0 || bytes > kMaxImagePixelBytes) return -1;
        void* copy = IMAGE_ALLOC(bytes);
        if (!copy) return -1;
        std::memcpy(copy, source->pixels, size_t(bytes));
        image_.pixels = copy;
        image_.mipMapCount = 0;
        owned_ = true;
        // On success the copy is replaced by the decoded pixels.
        return DecompressBaseImage(&image_) == 0 ? 0 : -1;
    }
    const BaseImage& image() const { return image_; }

  private:
    BaseImage image_{};
    bool owned_ = false;
};

void StorePalette(MemImgBody* body, const BaseImage& image) {
    const PaletteEntry* in = image.colorFormat.palette;
    size_t bytes;
    if (body->colorType == kMemImgColor32) {
        for (int i = 0; i < 256; ++i) {
            const uint32_t v = uint32_t(in[i].red) << 16 | uint32_t(in[i].green) << 8 | in[i].blue;
            WritePixelValue(body->palette + 4 * i, 4, v);
        }
        bytes = 1024;
    } else {
        for (int i = 0; i < 256; ++i) {
            const uint32_t v = uint32_t(in[i].red >> 3) << 11 | uint32_t(in[i].green >> 2) << 5 |
                               uint32_t(in[i].blue >> 3);
            WritePixelValue(body->palette + 2 * i, 2, v);
        }
        bytes = 512;
    }
    std::memcpy(body->drawPalette, body->palette, bytes);
}

// Premultiplies every pixel of the record into the alpha plane (>> 8, not
// / 255: the blitters' shifts expect exactly this).
void BuildAlphaPlane(const MEMIMG* record) {
    const MemImgBody* body = record->body;
    for (int y = 0; y < record->height; ++y) {
        const uint8_t* src = record->pixels + int64_t(y) * body->pitch;
        uint8_t* dst = record->alphaPixels + int64_t(y) * body->pitch;
        for (int x = 0; x < record->width; ++x) {
            const uint32_t c = ReadPixelValue(src + 4 * x, 4);
            uint32_t out;
            if (body->colorType == kMemImgColor32) {
                const uint32_t a = c >> 24;
                out = ((c & 0xFF) * a >> 8) | ((c >> 8 & 0xFF) * a >> 8) << 8 |
                      ((c >> 16 & 0xFF) * a >> 8) << 16 | a << 24;
            } else {
                const uint32_t a = c >> 16 & 0xFF;
                const uint32_t rgb = ((c & 0xF800) * a & 0xF80000) | ((c & 0x7E0) * a & 0x7E000) |
                                     ((c & 0x1F) * a & 0x1F00);
                out = rgb >> 8 | a << 16;
            }
            WritePixelValue(dst + 4 * x, 4, out);
        }
    }
}

int ClassifyPixel(const MemImgBody* body, const uint8_t* row, int x) {
    if (body->paletteFlag) {
        return uint32_t(row[x]) == body->transparentColor ? kMemImgRunTransparent
                                                          : kMemImgRunOpaque;
    }
    if (body->alphaFlag) {
        const uint8_t a = row[4 * x + (body->colorType == kMemImgColor32 ? 3 : 2)];
        return a == 0 ? kMemImgRunTransparent : a == 255 ? kMemImgRunOpaque : kMemImgRunTranslucent;
    }
    if (body->colorType == kMemImgColor16) {
        return ReadPixelValue(row + 2 * x, 2) == (body->transparentColor & 0xFFFF)
                   ? kMemImgRunTransparent
                   : kMemImgRunOpaque;
    }
    return ReadPixelValue(row + 4 * x, 4) == body->transparentColor ? kMemImgRunTransparent
                                                                    : kMemImgRunOpaque;
}

// Runs of at most 64 like pixels, each line ended by the line-end byte.
// A line takes at most width + 1 bytes, within the table's width + 5.
void BuildRunTable(const MEMIMG* record) {
    MemImgBody* body = record->body;
    uint8_t* out = body->runTable;
    for (int y = 0; y < record->height; ++y) {
        const uint8_t* row = record->pixels + int64_t(y) * body->pitch;
        int x = 0;
        while (x < record->width) {
            const int kind = ClassifyPixel(body, row, x);
            int length = 1;
            while (x + length < record->width && length < kMemImgRunMaxLength &&
                   ClassifyPixel(body, row, x + length) == kind) {
                ++length;
            }
            *out++ = uint8_t(kind << 6 | (length - 1));
            x += length;
        }
        *out++ = kMemImgRunLineEnd;
    }
    body->runTablePixels = record->pixels;
    body->runTableWidth = record->width;
    body->runTableHeight = record->height;
}

}  // namespace

// The rectangle is clipped to the image, the alpha image and the record, so
// no pixel outside any of them is read or written.
int TransferBaseImageToMemImg(const BaseImage* image, const BaseImage* alphaImage, MEMIMG* record,
                              int srcX, int srcY, int width, int height, int destX, int destY,
                              int colorKeyToAlpha) {
    if (!image || !MemImgIsValid(record)) return -1;
    MemImgBody* body = record->body;
    ReadableImage source, alpha;
    if (source.Prepare(image) != 0) return -1;
    if (alphaImage && alpha.Prepare(alphaImage) != 0) return -1;
    const BaseImage& img = source.image();
    body->alphaPlaneValid = 0;
    body->runTableValid = 0;

    int64_t sx = srcX, sy = srcY, w = width, h = height, dx = destX, dy = destY;
    if (w <= 0 || h <= 0) return 0;
    const int64_t cutX = std::max<int64_t>({0, -sx, -dx});
    const int64_t cutY = std::max<int64_t>({0, -sy, -dy});
    sx += cutX;
    dx += cutX;
    w -= cutX;
    sy += cutY;
    dy += cutY;
    h -= cutY;
    int64_t srcRight = img.width, srcBottom = img.height;
    if (alphaImage) {
        srcRight = std::min<int64_t>(srcRight, alpha.image().width);
        srcBottom = std::min<int64_t>(srcBottom, alpha.image().height);
    }
    w = std::min({w, srcRight - sx, int64_t(record->width) - dx});
    h = std::min({h, srcBottom - sy, int64_t(record->height) - dy});
    if (w <= 0 || h <= 0) return 0;

    const RECT rect{LONG(sx), LONG(sy), LONG(sx + w), LONG(sy + h)};
    int result;
    if (body->colorType == kMemImgSingle8 || body->colorType == kMemImgSingle16) {
        // Colour cleared and alpha from red: the one channel gets the red.
        result = ConvertPixelRect(record->pixels, body->pitch, body->colorFormat, img.pixels,
                                  img.pitch, &img.colorFormat, nullptr, 0, nullptr, int(dx),
                                  int(dy), &rect, 0, 0, 0, kDitherNone, 1, 1, 0, 0);
    } else {
        const BaseImage* a = alphaImage ? &alpha.image() : nullptr;
        result = ConvertPixelRect(
            record->pixels, body->pitch, body->colorFormat, img.pixels, img.pitch, &img.colorFormat,
            a ? a->pixels : nullptr, a ? a->pitch : 0, a ? &a->colorFormat : nullptr, int(dx),
            int(dy), &rect, 0, colorKeyToAlpha, body->transparentColor, kDitherNone, 0, 0, 0, 0);
    }
    if (result < 0) return -1;
    if (body->paletteFlag) {
        body->paletteEntriesUsed = result + 1;
        StorePalette(body, img);
    }

    const bool whole = w == record->width && h == record->height;
    const bool rgbType = body->colorType == kMemImgColor16 || body->colorType == kMemImgColor32;
    if (whole && rgbType && body->runTable) {
        if (body->alphaFlag && record->alphaPixels) {
            BuildAlphaPlane(record);
            body->alphaPlaneValid = 1;
        }
        BuildRunTable(record);
        body->runTableValid = 1;
    }
    return 0;
}

}  // namespace DuRud
