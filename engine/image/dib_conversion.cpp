// Record <-> DIB conversions. DIBs the record cannot describe as they stand
// are drawn into a 24-bit section through GDI and copied out as R8G8B8.
#include "image/dib_conversion.h"

#include <cstring>

#include "DuRud.h"
#include "core/text_literals.h"
#include "image/image_memory.h"
#include "image/pixel_conversion.h"
#include "windows.h"

namespace DuRud {
namespace {

int64_t LineBytes(int64_t bytesPerPixel, int64_t width) {
    return (bytesPerPixel * width + 3) / 4 * 4;
}

void MaskShiftWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
    *shift = 0;
    *width = 0;
    if (mask == 0) return;
    int s = __builtin_ctz(mask);
    int w = 0;
    while (s + w < 32 && (mask >> (s + w) & 1)) ++w;
    *shift = uint8_t(s);
    *width = uint8_t(w);
}

// Copies height lines of lineBytes each between two pitches into a new block.
void* CopyLines(const void* src, int64_t srcPitch, int64_t lineBytes, int64_t destPitch,
                int64_t height) {
    if (destPitch * height > kMaxImagePixelBytes) return nullptr;
    auto* out = static_cast<uint8_t*>(IMAGE_ALLOC(destPitch * height));
    if (!out) return nullptr;
    for (int64_t y = 0; y < height; ++y) {
        std::memcpy(out + y * destPitch, static_cast<const uint8_t*>(src) + y * srcPitch,
                    size_t(lineBytes));
        if (destPitch > lineBytes) {
            std::memset(out + y * destPitch + lineBytes, 0, size_t(destPitch - lineBytes));
        }
    }
    return out;
}

// Step for DIBs whose layout a record can hold as it stands.
int KeepLayout(const BITMAPINFO* info, const void* bits, BaseImage* image, int copyFlag) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    ColorFormat& f = image->colorFormat;
    if (h.biCompression == BI_RGB) {
        if (h.biBitCount == 16) {
            SetupColorFormat(&f, 16, 0x7C00, 0x3E0, 0x1F, 0, 0, 0, 0);
        } else {
            SetColorFormatR8G8B8(&f);
        }
    } else {
        uint32_t masks[3];
        std::memcpy(masks, info->bmiColors, sizeof(masks));
        f.bytesPerPixel = uint8_t(h.biBitCount / 8);
        f.bitsPerPixel = uint8_t(h.biBitCount);
        f.redMask = masks[0];
        f.greenMask = masks[1];
        f.blueMask = masks[2];
        MaskShiftWidth(masks[0], &f.redShift, &f.redWidth);
        MaskShiftWidth(masks[1], &f.greenShift, &f.greenWidth);
        MaskShiftWidth(masks[2], &f.blueShift, &f.blueWidth);
        UpdateColorFormatUnusedMask(&f);
    }
    const int64_t pitch = LineBytes(h.biBitCount / 8, image->width);
    if (pitch * image->height > kMaxImagePixelBytes) return -1;
    image->pitch = int32_t(pitch);
    if (copyFlag != 1) {
        image->pixels = const_cast<void*>(bits);
        return copyFlag;
    }
    image->pixels = CopyLines(bits, pitch, pitch, pitch, image->height);
    return image->pixels ? 1 : -1;
}

// Draws any DIB GDI understands into a 24-bit top-down section.
int DrawThroughSection(const BITMAPINFO* info, const void* bits, BaseImage* image) {
    const int64_t w = image->width, h = image->height;
    const int64_t line = LineBytes(3, w);
    if (line * h > kMaxImagePixelBytes) return -1;
    BITMAPINFO section{};
    section.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    section.bmiHeader.biWidth = LONG(w);
    section.bmiHeader.biHeight = LONG(-h);
    section.bmiHeader.biPlanes = 1;
    section.bmiHeader.biBitCount = 24;
    section.bmiHeader.biCompression = BI_RGB;

    HDC dc = CreateCompatibleDC(nullptr);
    void* sectionBits = nullptr;
    HBITMAP bitmap =
        dc ? CreateDIBSection(dc, &section, DIB_RGB_COLORS, &sectionBits, nullptr, 0) : nullptr;
    if (!bitmap || !sectionBits) {
        LogWrite(Cp932Text("ＤＩＢの作成に失敗しました3\n"));
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        return -1;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    const int lines = SetDIBitsToDevice(dc, 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), bits, info,
                                        DIB_RGB_COLORS);
    GdiFlush();
    int result = -1;
    if (lines > 0 || h == 0) {
        image->pixels = CopyLines(sectionBits, line, line, line, h);
        if (image->pixels) {
            SetColorFormatR8G8B8(&image->colorFormat);
            image->pitch = int32_t(line);
            result = 1;
        } else {
            LogWrite(Cp932Text(
                "２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n"));
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return result;
}

}  // namespace

int ConvertDibToBaseImage(const BITMAPINFO* info, const void* bits, BaseImage* image,
                          int copyFlag) {
    if (!info || !bits || !image) return -1;
    std::memset(image, 0, sizeof(*image));
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biWidth < 0 || h.biHeight == INT32_MIN) return -1;
    image->width = h.biWidth;
    image->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const bool topDown = h.biHeight < 0;
    const int bitCount = h.biBitCount;
    if (topDown && bitCount == 32 && h.biCompression == BI_RGB) {
        std::memset(image, 0, sizeof(*image));
        return -1;
    }
    int result;
    if (topDown && ((h.biCompression == BI_RGB && (bitCount == 16 || bitCount == 24)) ||
                    (h.biCompression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32)))) {
        result = KeepLayout(info, bits, image, copyFlag);
    } else {
        result = DrawThroughSection(info, bits, image);
    }
    if (result < 0) std::memset(image, 0, sizeof(*image));
    return result;
}

int ConvertBaseImageToDib(const BaseImage* image, BITMAPINFO* info, void** bits, int copyFlag,
                          int force24) {
    if (!image || !info || !bits || !image->pixels) return -1;
    const ColorFormat& f = image->colorFormat;
    if (f.formatCode != kFormatPlain || f.bytesPerPixel < 1 || f.bytesPerPixel > 4) return -1;
    if (image->width < 0 || image->height < 0) return -1;
    BITMAPINFOHEADER& h = info->bmiHeader;
    std::memset(&h, 0, sizeof(h));
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = image->width;
    h.biHeight = -image->height;
    h.biPlanes = 1;
    h.biCompression = BI_RGB;

    const int64_t w = image->width, height = image->height;
    const bool palette = f.bytesPerPixel == 1 && !force24;
    const bool rgb24 = f.bytesPerPixel == 3 && f.redMask == 0xFF0000 && f.greenMask == 0xFF00 &&
                       f.blueMask == 0xFF;
    h.biBitCount = palette ? 8 : 24;
    if (palette) std::memcpy(info->bmiColors, f.palette, sizeof(f.palette));
    const int64_t line = LineBytes(palette ? 1 : 3, w);
    if (line * height > kMaxImagePixelBytes) return -1;

    if (palette || rgb24) {
        if (copyFlag != 1 && line == image->pitch) {
            *bits = image->pixels;
            return copyFlag;
        }
        void* copy = CopyLines(image->pixels, image->pitch, palette ? w : 3 * w, line, height);
        if (!copy) return -1;
        *bits = copy;
        return 1;
    }
    void* out = IMAGE_ALLOC(line * height);
    if (!out) return -1;
    std::memset(out, 0, size_t(line * height));
    if (w > 0 && height > 0) {
        ColorFormat dest{};
        SetColorFormatR8G8B8(&dest);
        const RECT all{0, 0, LONG(w), LONG(height)};
        if (ConvertPixelRect(out, int(line), &dest, image->pixels, image->pitch, &f, nullptr, 0,
                             nullptr, 0, 0, &all, 0, 0, 0, 0, 0, 0, 0, 0) < 0) {
            ImageFree(out);
            return -1;
        }
    }
    *bits = out;
    return 1;
}

}  // namespace DuRud
