// DirectDraw surface files: DXT1..DXT5 blocks, the plain formats named by a
// Direct3D format number, or RGB pixels described by their masks; every mip
// level is read at once, largest first.
#include <cstring>

#include "image/decoder_stream.h"
#include "image/image_memory.h"

namespace DuRud {

namespace {

constexpr uint32_t kFlagPitch = 0x8;
constexpr uint32_t kFlagMipMapCount = 0x20000;
constexpr uint32_t kPixelFourCc = 0x4;
constexpr uint32_t kPixelRgb = 0x40;
constexpr uint32_t kCapsComplex = 0x8;
constexpr uint32_t kCapsMipMap = 0x400000;

struct TableFormat {
    int32_t number;
    int bits;
    uint32_t red, green, blue, alpha;
};

// Direct3D format numbers a FourCC slot may carry.
constexpr TableFormat kTableFormats[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x7C0, 0x3F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {-1, 0, 0, 0, 0, 0},
};

// Masks must be present, disjoint and inside the pixel.
bool MasksFit(int bits, const uint32_t masks[4]) {
    uint32_t seen = 0;
    for (int i = 0; i < 4; ++i) {
        if (seen & masks[i]) return false;
        seen |= masks[i];
    }
    if (seen == 0) return false;
    return bits >= 32 || (seen >> bits) == 0;
}

int FloorLog2(uint32_t v) {
    return 31 - __builtin_clz(v);
}

}  // namespace

int LoadDdsImage(ImageStream* stream, BaseImage* image) {
    uint8_t h[128];
    if (!StreamReadExact(stream, h, sizeof h)) return -1;
    if (std::memcmp(h, "DDS", 3) != 0) return -1;
    const uint32_t flags = LoadU32(h + 8);
    const uint32_t height = LoadU32(h + 12);
    const uint32_t width = LoadU32(h + 16);
    const uint32_t headerPitch = LoadU32(h + 20);
    const uint32_t headerMips = LoadU32(h + 28);
    const uint32_t pixelFlags = LoadU32(h + 80);
    const uint32_t fourCc = LoadU32(h + 84);
    int64_t bitCount = LoadU32(h + 88);
    const uint32_t masks[4] = {LoadU32(h + 92), LoadU32(h + 96), LoadU32(h + 100),
                               LoadU32(h + 104)};
    const uint32_t caps = LoadU32(h + 108);

    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return -1;

    ColorFormat& format = image->colorFormat;
    int blockCode = 0;
    if ((pixelFlags & kPixelFourCc) && std::memcmp(h + 84, "DXT", 3) == 0 && h[87] >= '1' &&
        h[87] <= '5') {
        blockCode = h[87] - '0';
        SetColorFormatA8R8G8B8(&format);
        format.formatCode = uint8_t(blockCode);
        format.bytesPerPixel = 4;
        format.bitsPerPixel = blockCode == 1 ? 4 : 8;
    } else {
        const TableFormat* row = nullptr;
        if (pixelFlags == kPixelFourCc) {
            for (const TableFormat* t = kTableFormats; t->number != -1; ++t) {
                if (uint32_t(t->number) == fourCc) {
                    row = t;
                    break;
                }
            }
        }
        if (row) {
            SetupColorFormat(&format, row->bits, row->red, row->green, row->blue, row->alpha, 0, 0,
                             0);
            if (bitCount == 0) bitCount = row->bits;
        } else if (pixelFlags & kPixelRgb) {
            if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) return -1;
            if (!MasksFit(int(bitCount), masks)) return -1;
            SetupColorFormat(&format, int(bitCount), masks[0], masks[1], masks[2], masks[3], 0, 0,
                             0);
        } else {
            return -1;
        }
    }

    int mips = 0;
    if ((flags & kFlagMipMapCount) && (caps & kCapsComplex) && (caps & kCapsMipMap)) {
        uint32_t most = uint32_t(FloorLog2(width > height ? width : height)) + 1;
        if (headerMips > most) return -1;
        mips = int(headerMips);
    }

    int64_t pitch = 0;
    if (!blockCode) {
        int64_t least = int64_t{width} * format.bytesPerPixel;
        if (flags & kFlagPitch) {
            pitch = headerPitch;
        } else {
            if (bitCount <= 0) return -1;
            pitch = bitCount / 8 * width;
        }
        if (pitch < least || pitch > 0x7FFFFFFF) return -1;
        // The top level alone must stay under the limit before sizes are summed.
        if (pitch * height > kMaxImagePixelBytes) return -1;
    } else if (int64_t{(width + 3) / 4} * ((height + 3) / 4) * 16 > kMaxImagePixelBytes) {
        return -1;
    }
    int64_t size = GetImageDataSize(&format, int(width), int(height), int(pitch), mips);
    if (size <= 0 || size > kMaxImagePixelBytes) return -1;
    int64_t left = StreamBytesLeft(stream);
    if (left < size) return -1;
    void* pixels = IMAGE_ALLOC(size);
    if (!pixels) return -1;
    if (!StreamReadExact(stream, pixels, size_t(size))) {
        ImageFree(pixels);
        return -1;
    }
    image->width = int32_t(width);
    image->height = int32_t(height);
    image->pitch = int32_t(pitch);
    image->pixels = pixels;
    image->mipMapCount = mips;
    return 0;
}

}  // namespace DuRud
