// Creation and release of a record's pixels, the data-size rule and the
// module's started flag.
#include <algorithm>
#include <cstring>

#include "image/image_memory.h"
#include "image/image_record.h"

namespace DuRud {
namespace {

bool g_started = false;

int CreateWithFormat(int width, int height, BaseImage* image) {
    image->width = width;
    image->height = height;
    image->pitch = 0;
    image->pixels = nullptr;
    image->mipMapCount = 0;
    const int64_t pitch = (int64_t(image->colorFormat.bytesPerPixel) * width + 3) / 4 * 4;
    // Checked in two steps so that pitch * height cannot overflow.
    if (pitch > kMaxImagePixelBytes) return -1;
    const int64_t bytes = pitch * height;
    if (bytes > kMaxImagePixelBytes) return -1;
    image->pitch = int32_t(pitch);
    image->pixels = IMAGE_ALLOC(bytes);
    return image->pixels ? 0 : -1;
}

bool SizeAcceptable(int width, int height) {
    return width >= 0 && height >= 0;
}

}  // namespace

int CreateBaseImage(int width, int height, const ColorFormat* format, BaseImage* image) {
    if (!image || !format || !SizeAcceptable(width, height)) return -1;
    image->colorFormat = *format;
    return CreateWithFormat(width, height, image);
}

int CreateA8R8G8B8BaseImage(int width, int height, BaseImage* image) {
    if (!image || !SizeAcceptable(width, height)) return -1;
    SetColorFormatA8R8G8B8(&image->colorFormat);
    return CreateWithFormat(width, height, image);
}

int CreateX8R8G8B8BaseImage(int width, int height, BaseImage* image) {
    if (!image || !SizeAcceptable(width, height)) return -1;
    SetColorFormatX8R8G8B8(&image->colorFormat);
    return CreateWithFormat(width, height, image);
}

int FreeBaseImagePixels(BaseImage* image) {
    if (!image) return -1;
    ImageFree(image->pixels);
    std::memset(image, 0, sizeof(*image));
    return 0;
}

int64_t GetImageLevelDataSize(const ColorFormat* format, int width, int height, int pitch,
                              int level) {
    if (!format || width < 0 || height < 0 || level < 0 || level > 31) return -1;
    const int64_t w = std::max<int64_t>(1, width >> level);
    const int64_t h = std::max<int64_t>(1, height >> level);
    switch (format->formatCode) {
        case kFormatPlain:
            if (level == 0) return int64_t(pitch) * height;
            return w * h * format->bytesPerPixel;
        case kFormatDxt1:
        case kFormatDxt2:
        case kFormatDxt3:
        case kFormatDxt4:
        case kFormatDxt5: {
            const int64_t block = format->formatCode == kFormatDxt1 ? 8 : 16;
            return std::max<int64_t>(1, (w + 3) / 4) * std::max<int64_t>(1, (h + 3) / 4) * block;
        }
        default:
            return -1;
    }
}

int64_t GetImageDataSize(const ColorFormat* format, int width, int height, int pitch,
                         int mipMapCount) {
    const int levels = mipMapCount >= 2 ? std::min(mipMapCount, 32) : 1;
    int64_t total = 0;
    for (int level = 0; level < levels; ++level) {
        const int64_t size = GetImageLevelDataSize(format, width, height, pitch, level);
        if (size < 0) return -1;
        total += size;
    }
    return total;
}

int64_t GetBaseImageDataSize(const BaseImage* image) {
    if (!image) return -1;
    return GetImageDataSize(&image->colorFormat, image->width, image->height, image->pitch,
                            image->mipMapCount);
}

int InitializeBaseImage() {
    if (g_started) return -1;
    g_started = true;
    return 0;
}

int TerminateBaseImage() {
    if (!g_started) return -1;
    g_started = false;
    return 0;
}

}  // namespace DuRud
