// Format properties of the surfaces the pipeline reads and writes.
#include "pixel_formats.h"

namespace platform::raster {

int FormatBytesPerPixel(uint32_t format) {
    switch (format) {
        case kFormatA8R8G8B8:
        case kFormatX8R8G8B8:
        case kFormatD32:
        case kFormatD24S8:
        case kFormatD24X8:
            return 4;
        case kFormatR5G6B5:
        case kFormatX1R5G5B5:
        case kFormatA1R5G5B5:
        case kFormatA4R4G4B4:
        case kFormatD16:
            return 2;
        default:
            return 0;
    }
}

bool IsColourFormat(uint32_t format) {
    return format >= kFormatA8R8G8B8 && format <= kFormatA4R4G4B4;
}

bool IsDepthFormat(uint32_t format) {
    return format == kFormatD16 || format == kFormatD24X8 || format == kFormatD24S8 ||
           format == kFormatD32;
}

bool FormatHasAlpha(uint32_t format) {
    return format == kFormatA8R8G8B8 || format == kFormatA1R5G5B5 || format == kFormatA4R4G4B4;
}

}  // namespace platform::raster
