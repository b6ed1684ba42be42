// Windows bitmaps ("BM"): uncompressed 4/8/24/32-bit and RLE8/RLE4 pictures
// are decoded here; 1-bit, 16-bit and bit-field pictures are drawn into a
// 24-bit section through GDI and copied out.
#include <windows.h>

#include <climits>
#include <cstring>

#include "DuRud.h"
#include "core/text_literals.h"
#include "image/decoder_stream.h"
#include "image/image_memory.h"

namespace DuRud {

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

struct BmpHeader {
    int64_t fileSize;
    uint32_t dataOffset;
    uint32_t headerSize;
    int32_t width;
    int32_t height;  // as stored: positive means bottom-up
    int32_t lines;   // |height|
    int bitCount;
    uint32_t compression;
    uint32_t colorsUsed;
    int colorCount;  // entries read from the file
    RGBQUAD colors[256];
    uint32_t masks[3];
};

int64_t RoundUp4(int64_t n) {
    return (n + 3) & ~int64_t{3};
}

// The line size of the file's own layout.
int64_t FileLineSize(const BmpHeader& h) {
    return RoundUp4((int64_t{h.bitCount} * h.width + 7) / 8);
}

int ReadHeaders(ImageStream* stream, BmpHeader* h) {
    int64_t size = StreamBytesLeft(stream);
    if (size < 0) return -1;
    h->fileSize = size;
    uint8_t file[14];
    if (!StreamReadExact(stream, file, sizeof file)) return -1;
    if (file[0] != 'B' || file[1] != 'M') return -1;
    h->dataOffset = LoadU32(file + 10);
    uint8_t info[40];
    if (!StreamReadExact(stream, info, sizeof info)) return -1;
    h->headerSize = LoadU32(info);
    h->width = LoadI32(info + 4);
    h->height = LoadI32(info + 8);
    h->bitCount = LoadU16(info + 14);
    h->compression = LoadU32(info + 16);
    h->colorsUsed = LoadU32(info + 32);
    // Smaller (core) headers lay out their fields differently.
    if (h->headerSize < 40) return -1;
    if (h->width <= 0 || h->height == 0 || h->height == INT_MIN) return -1;
    h->lines = h->height < 0 ? -h->height : h->height;
    switch (h->bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return -1;
    }
    switch (h->compression) {
        case kRgb:
            break;
        case kRle8:
            if (h->bitCount != 8) return -1;
            break;
        case kRle4:
            if (h->bitCount != 4) return -1;
            break;
        case kBitFields:
            if (h->bitCount != 16 && h->bitCount != 32) return -1;
            break;
        default:
            return -1;
    }
    // Every output layout is at most the file's line size or 3 bytes (or one
    // byte rounded up to 4) per pixel: check the largest against the limit.
    int64_t widest = FileLineSize(*h);
    if (RoundUp4(int64_t{h->width} * 3) > widest) widest = RoundUp4(int64_t{h->width} * 3);
    if (widest > kMaxImagePixelBytes / h->lines) return -1;

    std::memset(h->colors, 0, sizeof h->colors);
    h->colorCount = 0;
    if (h->bitCount <= 8) {
        int full = 1 << h->bitCount;
        int count = full;
        if (h->colorsUsed != 0 && h->colorsUsed < uint32_t(full)) count = int(h->colorsUsed);
        if (!StreamSeekTo(stream, 14 + int64_t{h->headerSize})) return -1;
        if (!StreamReadExact(stream, h->colors, size_t(count) * 4)) return -1;
        for (int i = 0; i < count; ++i) h->colors[i].rgbReserved = 0;
        h->colorCount = count;
    }
    h->masks[0] = h->masks[1] = h->masks[2] = 0;
    if (h->compression == kBitFields) {
        uint8_t m[12];
        if (!StreamSeekTo(stream, 54) || !StreamReadExact(stream, m, sizeof m)) return -1;
        for (int i = 0; i < 3; ++i) h->masks[i] = LoadU32(m + 4 * i);
    }
    return 0;
}

void SetPalette(BaseImage* image, const BmpHeader& h, int entries) {
    SetColorFormatPal8(&image->colorFormat);
    std::memset(image->colorFormat.palette, 0, sizeof image->colorFormat.palette);
    for (int i = 0; i < entries && i < 256; ++i) {
        image->colorFormat.palette[i] =
            PaletteEntry{h.colors[i].rgbBlue, h.colors[i].rgbGreen, h.colors[i].rgbRed, 0};
    }
}

// Run-length data into one byte per pixel. Lines are counted in file order.
// Common encoders code each line's padding too, so runs may reach the pitch;
// pixels past the width are dropped. Anything that would pass the pitch or
// the last line, or read past the data, and data that ends before the end
// code, refuses the file.
int ExpandRle(const BmpHeader& h, const uint8_t* data, int64_t size, uint8_t* out, int64_t pitch,
              bool fourBit) {
    const int64_t width = h.width;
    const int64_t lines = h.lines;
    int64_t x = 0, line = 0, pos = 0;
    auto outLine = [&](int64_t fileLine) {
        int64_t row = h.height > 0 ? lines - 1 - fileLine : fileLine;
        return out + row * pitch;
    };
    while (true) {
        if (pos + 2 > size) return -1;
        uint8_t n = data[pos], v = data[pos + 1];
        pos += 2;
        if (n > 0) {
            if (line >= lines || x + n > pitch) return -1;
            uint8_t* dst = outLine(line) + x;
            for (int i = 0; i < n && x + i < width; ++i) {
                dst[i] = fourBit ? ((i & 1) ? (v & 0x0F) : (v >> 4)) : v;
            }
            x += n;
            continue;
        }
        if (v == 0) {
            ++line;
            x = 0;
            if (line > lines) return -1;
        } else if (v == 1) {
            return 0;
        } else if (v == 2) {
            if (pos + 2 > size) return -1;
            x += data[pos];
            line += data[pos + 1];
            pos += 2;
            if (x > pitch || line >= lines) return -1;
        } else {
            int64_t bytes = fourBit ? (v + 1) / 2 : v;
            if (pos + bytes > size) return -1;
            if (line >= lines || x + v > pitch) return -1;
            uint8_t* dst = outLine(line) + x;
            for (int i = 0; i < v && x + i < width; ++i) {
                if (fourBit) {
                    uint8_t b = data[pos + i / 2];
                    dst[i] = (i & 1) ? (b & 0x0F) : (b >> 4);
                } else {
                    dst[i] = data[pos + i];
                }
            }
            x += v;
            pos += bytes;
            pos += pos & 1;  // to a 16-bit boundary from the start of the data
        }
    }
}

// 1-bit, 16-bit and bit-field pictures: drawn by GDI into a 24-bit top-down
// section, whose lines are copied out.
int DrawThroughDib(const BmpHeader& h, const uint8_t* data, BaseImage* image) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } src{}, dst{};
    src.header.biSize = sizeof(BITMAPINFOHEADER);
    src.header.biWidth = h.width;
    src.header.biHeight = h.height;
    src.header.biPlanes = 1;
    src.header.biBitCount = WORD(h.bitCount);
    src.header.biCompression = h.compression;
    if (h.bitCount <= 8) {
        src.header.biClrUsed = DWORD(1) << h.bitCount;
        std::memcpy(src.colors, h.colors, sizeof(RGBQUAD) << h.bitCount);
    } else if (h.compression == kBitFields) {
        std::memcpy(src.colors, h.masks, sizeof h.masks);
    }
    dst.header.biSize = sizeof(BITMAPINFOHEADER);
    dst.header.biWidth = h.width;
    dst.header.biHeight = -h.lines;
    dst.header.biPlanes = 1;
    dst.header.biBitCount = 24;
    dst.header.biCompression = BI_RGB;

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        LogWrite(Cp932Text("ＤＩＢの作成に失敗しました3\n"));
        return -1;
    }
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&dst), DIB_RGB_COLORS,
                                       &sectionBits, nullptr, 0);
    if (!section || !sectionBits) {
        if (section) DeleteObject(section);
        DeleteDC(dc);
        LogWrite(Cp932Text("ＤＩＢの作成に失敗しました3\n"));
        return -1;
    }
    HGDIOBJ old = SelectObject(dc, section);
    int drawn = SetDIBitsToDevice(dc, 0, 0, DWORD(h.width), DWORD(h.lines), 0, 0, 0, UINT(h.lines),
                                  data, reinterpret_cast<BITMAPINFO*>(&src), DIB_RGB_COLORS);
    GdiFlush();
    int result = -1;
    if (drawn != 0) {
        int64_t pitch = RoundUp4(int64_t{h.width} * 3);
        uint8_t* pixels = static_cast<uint8_t*>(IMAGE_ALLOC(pitch * h.lines));
        if (!pixels) {
            LogWrite(Cp932Text(
                "２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n"));
        } else {
            std::memcpy(pixels, sectionBits, size_t(pitch * h.lines));
            SetColorFormatR8G8B8(&image->colorFormat);
            image->pitch = int32_t(pitch);
            image->pixels = pixels;
            result = 0;
        }
    }
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
    return result;
}

int Decode(const BmpHeader& h, uint8_t* data, int64_t dataSize, BaseImage* image) {
    const int64_t lineSize = FileLineSize(h);
    const int64_t lines = h.lines;
    image->width = h.width;
    image->height = h.lines;
    image->mipMapCount = 0;

    if (h.compression == kRle8 || h.compression == kRle4) {
        bool fourBit = h.compression == kRle4;
        int64_t pitch = fourBit ? RoundUp4(h.width) : lineSize;
        uint8_t* pixels = static_cast<uint8_t*>(IMAGE_ALLOC(pitch * lines));
        if (!pixels) return -1;
        std::memset(pixels, 0, size_t(pitch * lines));
        if (ExpandRle(h, data, dataSize, pixels, pitch, fourBit) != 0) {
            ImageFree(pixels);
            return -1;
        }
        SetPalette(image, h, fourBit ? 16 : 256);
        image->pitch = int32_t(pitch);
        image->pixels = pixels;
        return 0;
    }
    if (h.compression == kRgb && h.bitCount == 4) {
        int64_t pitch = RoundUp4(h.width);
        uint8_t* pixels = static_cast<uint8_t*>(IMAGE_ALLOC(pitch * lines));
        if (!pixels) return -1;
        std::memset(pixels, 0, size_t(pitch * lines));
        for (int64_t y = 0; y < lines; ++y) {
            const uint8_t* src = data + (h.height > 0 ? lines - 1 - y : y) * lineSize;
            uint8_t* dst = pixels + y * pitch;
            for (int64_t x = 0; x < h.width; ++x) {
                uint8_t b = src[x / 2];
                dst[x] = (x & 1) ? (b & 0x0F) : (b >> 4);
            }
        }
        SetPalette(image, h, 16);
        image->pitch = int32_t(pitch);
        image->pixels = pixels;
        return 0;
    }
    if (h.compression == kRgb && (h.bitCount == 8 || h.bitCount == 24 || h.bitCount == 32)) {
        uint8_t* pixels = static_cast<uint8_t*>(IMAGE_ALLOC(lineSize * lines));
        if (!pixels) return -1;
        for (int64_t y = 0; y < lines; ++y) {
            const uint8_t* src = data + (h.height > 0 ? lines - 1 - y : y) * lineSize;
            std::memcpy(pixels + y * lineSize, src, size_t(lineSize));
        }
        if (h.bitCount == 8) {
            SetPalette(image, h, 256);
        } else if (h.bitCount == 24) {
            SetColorFormatR8G8B8(&image->colorFormat);
        } else {
            SetColorFormatA8R8G8B8(&image->colorFormat);
        }
        image->pitch = int32_t(lineSize);
        image->pixels = pixels;
        return 0;
    }
    return DrawThroughDib(h, data, image);
}

}  // namespace

int LoadBmpImage(ImageStream* stream, BaseImage* image) {
    BmpHeader h;
    if (ReadHeaders(stream, &h) != 0) return -1;
    if (h.dataOffset > h.fileSize) return -1;
    const int64_t available = h.fileSize - h.dataOffset;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    const int64_t lineSize = FileLineSize(h);
    int64_t want;  // bytes to read
    int64_t bufferSize;
    if (rle) {
        // Run-length data never needs more than two bytes per pixel plus a
        // line end per line; more is not read.
        int64_t most = (int64_t{h.width} * 2 + 4) * h.lines + 2;
        want = available < most ? available : most;
        bufferSize = want;
    } else {
        // The whole picture must be there; only the pad of the very last line
        // may be missing (it reads as 0).
        bufferSize = lineSize * h.lines;
        int64_t needed = bufferSize - (lineSize - (int64_t{h.bitCount} * h.width + 7) / 8);
        if (available < needed) return -1;
        want = available < bufferSize ? available : bufferSize;
    }
    if (bufferSize > kMaxImagePixelBytes) return -1;
    uint8_t* data = static_cast<uint8_t*>(IMAGE_ALLOC(bufferSize > 0 ? bufferSize : 1));
    if (!data) return -1;
    std::memset(data, 0, size_t(bufferSize));
    if (!StreamSeekTo(stream, h.dataOffset) || !StreamReadExact(stream, data, size_t(want))) {
        ImageFree(data);
        return -1;
    }
    int result = Decode(h, data, want, image);
    ImageFree(data);
    return result;
}

}  // namespace DuRud
