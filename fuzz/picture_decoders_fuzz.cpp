// Fuzz target: bytes through the whole decoder chain from memory, then the
// operations every loaded picture meets (decompression, mirror, conversion
// to X8R8G8B8) and release. Anything but a clean refusal or success is a
// finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/image_loading.h"
#include "image/pixel_conversion.h"

using namespace DuRud;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 24) return 0;
    BaseImage image;
    std::memset(&image, 0, sizeof image);
    if (LoadBaseImage(nullptr, data, int(size), 1, &image, 0) != 0) return 0;
    // Large pictures (a few bytes of run-length data can describe one) are
    // decoded but not processed further, to keep each run short.
    const int64_t pixels = int64_t(image.width) * image.height;
    if (pixels > 0 && pixels <= (1 << 20) && DecompressBaseImage(&image) == 0) {
        MirrorBaseImage(&image);
        ColorFormat target;
        SetColorFormatX8R8G8B8(&target);
        void* out = std::malloc(size_t(pixels) * 4);
        RECT whole = {0, 0, image.width, image.height};
        ConvertPixelRect(out, image.width * 4, &target, image.pixels, image.pitch,
                         &image.colorFormat, nullptr, 0, nullptr, 0, 0, &whole, 0, 0, 0, 0, 0, 0, 0,
                         0);
        std::free(out);
    }
    FreeBaseImagePixels(&image);
    return 0;
}
