// The engine's raw "BGRA" pictures: a 16-byte header, then unpadded lines of
// blue, green, red, alpha at 8 or 16 bits per channel.
#include <cstring>

#include "image/decoder_stream.h"
#include "image/image_memory.h"

namespace DuRud {

namespace {
constexpr uint32_t kDepth8 = 0x08080808;
constexpr uint32_t kDepth16 = 0x10101010;
}  // namespace

int LoadBgraImage(ImageStream* stream, BaseImage* image) {
    uint8_t header[16];
    if (!StreamReadExact(stream, header, sizeof header)) return -1;
    if (std::memcmp(header, "BGRA", 4) != 0) return -1;
    uint32_t depth = LoadU32(header + 4);
    if (depth != kDepth8 && depth != kDepth16) return -1;
    uint64_t width = LoadU32(header + 8);
    uint64_t height = LoadU32(header + 12);
    if (width == 0 || height == 0) return -1;
    // Each side alone first, so that the product cannot wrap.
    if (width > uint64_t(kMaxImagePixelBytes) || height > uint64_t(kMaxImagePixelBytes)) return -1;
    uint64_t outBytes = width * height * 4;
    if (outBytes > uint64_t(kMaxImagePixelBytes)) return -1;
    uint64_t fileBytes = depth == kDepth8 ? outBytes : outBytes * 2;
    int64_t left = StreamBytesLeft(stream);
    if (left < 0 || uint64_t(left) < fileBytes) return -1;

    uint8_t* pixels = static_cast<uint8_t*>(IMAGE_ALLOC(int64_t(outBytes)));
    if (!pixels) return -1;
    size_t pitch = size_t(width) * 4;
    if (depth == kDepth8) {
        if (!StreamReadExact(stream, pixels, size_t(outBytes))) {
            ImageFree(pixels);
            return -1;
        }
    } else {
        // Lines of 16-bit channels are read one at a time; each channel keeps
        // its high byte.
        uint8_t* line = static_cast<uint8_t*>(IMAGE_ALLOC(int64_t(pitch) * 2));
        if (!line) {
            ImageFree(pixels);
            return -1;
        }
        for (uint64_t y = 0; y < height; ++y) {
            if (!StreamReadExact(stream, line, pitch * 2)) {
                ImageFree(line);
                ImageFree(pixels);
                return -1;
            }
            uint8_t* out = pixels + y * pitch;
            for (size_t i = 0; i < pitch; ++i) out[i] = line[i * 2 + 1];
        }
        ImageFree(line);
    }
    SetColorFormatA8R8G8B8(&image->colorFormat);
    image->width = int32_t(width);
    image->height = int32_t(height);
    image->pitch = int32_t(pitch);
    image->pixels = pixels;
    image->mipMapCount = 0;
    return 0;
}

}  // namespace DuRud
