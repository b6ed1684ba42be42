// Reading and writing one pixel of a record by its channels.
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

uint8_t* PixelAt(BaseImage* image, int x, int y) {
    return static_cast<uint8_t*>(image->pixels) + int64_t(y) * image->pitch +
           int64_t(x) * image->colorFormat.bytesPerPixel;
}

bool Inside(const BaseImage* image, int x, int y) {
    return uint32_t(x) < uint32_t(image->width) && uint32_t(y) < uint32_t(image->height);
}

}  // namespace

int SetBaseImagePixel(BaseImage* image, int x, int y, int red, int green, int blue, int alpha) {
    if (!image || !image->pixels) return -1;
    if (DecompressBaseImage(image) != 0) return -1;
    const int bpp = image->colorFormat.bytesPerPixel;
    if (!Inside(image, x, y) || bpp < 1 || bpp > 4) return -1;
    WritePixelValue(PixelAt(image, x, y), bpp, PackBaseImageColor(image, red, green, blue, alpha));
    return 0;
}

int GetBaseImagePixel(BaseImage* image, int x, int y, int* red, int* green, int* blue, int* alpha) {
    if (!image || !image->pixels) return -1;
    if (DecompressBaseImage(image) != 0) return -1;
    const int bpp = image->colorFormat.bytesPerPixel;
    if (!Inside(image, x, y) || bpp < 1 || bpp > 4) return -1;
    const uint32_t v = ReadPixelValue(PixelAt(image, x, y), bpp);
    if (bpp == 1) {
        // Palette pixels read their entry; its fourth byte is the alpha.
        const PaletteEntry& e = image->colorFormat.palette[v];
        if (red) *red = e.red;
        if (green) *green = e.green;
        if (blue) *blue = e.blue;
        if (alpha) *alpha = e.alpha;
        return 0;
    }
    return UnpackBaseImageColor(image, v, red, green, blue, alpha);
}

}  // namespace DuRud
