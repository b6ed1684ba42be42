// Targa pictures: colour-mapped and true-colour, plain or run-length, at 16,
// 24 or 32 bits, in any of the four line orders. Targa has no signature, so
// the header checks are all that keeps other data out.
#include <cstring>

#include "image/decoder_stream.h"
#include "image/image_memory.h"

namespace DuRud {

namespace {

constexpr int kMaxSide = 8192;
constexpr int kFooterSize = 26;

// Expands run-length packets of `unit`-byte items until count items are
// written; a packet past the count or data ending early refuses the file.
bool ExpandPackets(const uint8_t* data, int64_t size, int unit, uint8_t* out, int64_t count) {
    int64_t pos = 0, done = 0;
    while (done < count) {
        if (pos >= size) return false;
        uint8_t h = data[pos++];
        int64_t n = (h & 127) + 1;
        if (done + n > count) return false;
        if (h & 128) {
            if (pos + unit > size) return false;
            for (int64_t i = 0; i < n; ++i) std::memcpy(out + (done + i) * unit, data + pos, unit);
            pos += unit;
        } else {
            if (pos + n * unit > size) return false;
            std::memcpy(out + done * unit, data + pos, size_t(n * unit));
            pos += n * unit;
        }
        done += n;
    }
    return true;
}

// Reads count items of `unit` bytes, plain or run-length, from the current
// position into out.
bool ReadItems(ImageStream* stream, bool runLength, int unit, int64_t count, int64_t dataEnd,
               uint8_t* out) {
    if (!runLength) {
        int64_t left = StreamBytesLeft(stream);
        if (left < count * unit) return false;
        return StreamReadExact(stream, out, size_t(count * unit));
    }
    int32_t here = stream->Tell(stream->handle);
    if (here < 0 || dataEnd < here) return false;
    int64_t size = dataEnd - here;
    // No packet stream longer than one header byte per item needs reading.
    int64_t most = count * (unit + 1);
    if (size > most) size = most;
    uint8_t* packed = static_cast<uint8_t*>(IMAGE_ALLOC(size > 0 ? size : 1));
    if (!packed) return false;
    bool ok = StreamReadExact(stream, packed, size_t(size)) &&
              ExpandPackets(packed, size, unit, out, count);
    ImageFree(packed);
    return ok;
}

}  // namespace

int LoadTgaImage(ImageStream* stream, BaseImage* image) {
    int64_t fileSize = StreamBytesLeft(stream);
    if (fileSize < 18) return -1;

    bool footer = false;
    if (fileSize >= kFooterSize) {
        uint8_t tail[kFooterSize];
        if (!StreamSeekTo(stream, fileSize - kFooterSize) ||
            !StreamReadExact(stream, tail, sizeof tail)) {
            return -1;
        }
        footer = std::memcmp(tail + 8, "TRUEVISION-XFILE", 16) == 0 && LoadU32(tail) == 0;
    }
    uint8_t h[18];
    if (!StreamSeekTo(stream, 0) || !StreamReadExact(stream, h, sizeof h)) return -1;
    const int idLength = h[0];
    const int mapType = h[1];
    const int type = h[2];
    const int mapFirst = LoadU16(h + 3);
    const int mapLength = LoadU16(h + 5);
    const int mapEntryBits = h[7];
    const int width = LoadU16(h + 12);
    const int height = LoadU16(h + 14);
    const int pixelBits = h[16];
    const int descriptor = h[17];

    if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
    const bool mapped = type == 1 || type == 9;
    const bool runLength = type == 9 || type == 10;
    const int depth = mapped ? mapEntryBits : pixelBits;
    if (LoadU16(h + 8) != 0 || LoadU16(h + 10) != 0) return -1;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return -1;
    if (depth != 16 && depth != 24 && depth != 32) return -1;
    if (mapped && mapFirst + mapLength > 256) return -1;
    const int bpp = depth / 8;
    const int64_t count = int64_t{width} * height;
    const int64_t pitch = int64_t{bpp} * width;
    if (pitch * height > kMaxImagePixelBytes) return -1;
    const int64_t dataEnd = footer ? fileSize - kFooterSize : fileSize;

    if (!StreamSeekTo(stream, 18 + idLength)) return -1;
    uint8_t* pixels = static_cast<uint8_t*>(IMAGE_ALLOC(pitch * height));
    if (!pixels) return -1;

    bool ok;
    if (mapped) {
        uint8_t table[256 * 4] = {};
        ok = StreamReadExact(stream, table + mapFirst * bpp, size_t(mapLength) * bpp);
        uint8_t* indices = ok ? static_cast<uint8_t*>(IMAGE_ALLOC(count)) : nullptr;
        ok = indices && ReadItems(stream, runLength, 1, count, dataEnd, indices);
        if (ok) {
            for (int64_t i = 0; i < count; ++i) {
                std::memcpy(pixels + i * bpp, table + indices[i] * bpp, bpp);
            }
        }
        ImageFree(indices);
    } else {
        ok = true;
        if (mapType == 1) {
            // A colour map in a true-colour file is skipped.
            int64_t mapBytes = int64_t{mapLength} * ((mapEntryBits + 7) / 8);
            int32_t here = stream->Tell(stream->handle);
            ok = here >= 0 && StreamSeekTo(stream, here + mapBytes);
        }
        ok = ok && ReadItems(stream, runLength, bpp, count, dataEnd, pixels);
    }
    if (!ok) {
        ImageFree(pixels);
        return -1;
    }

    const bool rightToLeft = descriptor & 0x10;
    const bool bottomUp = !(descriptor & 0x20);
    if (rightToLeft || bottomUp) {
        uint8_t* ordered = static_cast<uint8_t*>(IMAGE_ALLOC(pitch * height));
        if (!ordered) {
            ImageFree(pixels);
            return -1;
        }
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = pixels + (bottomUp ? height - 1 - y : y) * pitch;
            uint8_t* dst = ordered + y * pitch;
            if (!rightToLeft) {
                std::memcpy(dst, src, size_t(pitch));
            } else {
                for (int x = 0; x < width; ++x) {
                    std::memcpy(dst + int64_t{x} * bpp, src + int64_t{width - 1 - x} * bpp, bpp);
                }
            }
        }
        ImageFree(pixels);
        pixels = ordered;
    }

    if (depth == 16) {
        SetupColorFormat(&image->colorFormat, 16, 0x7C00, 0x3E0, 0x1F, 0, 0, 0, 0);
    } else if (depth == 24) {
        SetColorFormatR8G8B8(&image->colorFormat);
    } else {
        SetColorFormatA8R8G8B8(&image->colorFormat);
    }
    image->width = width;
    image->height = height;
    image->pitch = int32_t(pitch);
    image->pixels = pixels;
    image->mipMapCount = 0;
    return 0;
}

}  // namespace DuRud
