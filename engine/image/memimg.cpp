// MEMIMG records and bodies: the colour-type descriptors, set-up, views,
// validity and release.
#include "image/memimg.h"

#include <cstring>
#include <mutex>

#include "image/image_memory.h"

namespace DuRud {
namespace {

// Descriptors: [type 0..1][alpha][palette], type 2, type 3. Loader threads
// transfer in software mode, so they are built once under call_once.
struct MemImgFormats {
    ColorFormat rgb[2][2][2];
    ColorFormat single8;
    ColorFormat single16;
};

MemImgFormats& Formats() {
    static MemImgFormats formats;
    static std::once_flag once;
    std::call_once(once, [] {
        for (int alpha = 0; alpha < 2; ++alpha) {
            for (int pal = 0; pal < 2; ++pal) {
                // Type 0: R5G6B5, alpha (when present) in bits 16-23.
                const int bits16 = pal ? 8 : alpha ? 32 : 16;
                SetupColorFormat(&formats.rgb[0][alpha][pal], bits16, 0xF800, 0x7E0, 0x1F,
                                 alpha ? 0xFF0000u : 0u, 0, 0, 0);
                // Type 1: X8R8G8B8 / A8R8G8B8.
                ColorFormat& f = formats.rgb[1][alpha][pal];
                if (pal) {
                    SetupColorFormat(&f, 8, 0xFF0000, 0xFF00, 0xFF, alpha ? 0xFF000000u : 0u, 0, 0,
                                     0);
                } else if (alpha) {
                    SetColorFormatA8R8G8B8(&f);
                } else {
                    SetColorFormatX8R8G8B8(&f);
                }
            }
        }
        // The single-channel types hold one value in every channel. The
        // 8-bit one carries a grey palette, because the pixel conversion
        // reads and writes one-byte pixels through the format's palette:
        // value i then reads back as i in every channel.
        SetupColorFormat(&formats.single8, 8, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0);
        for (int i = 0; i < 256; ++i) {
            formats.single8.palette[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        }
        SetupColorFormat(&formats.single16, 16, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0, 0, 0);
    });
    return formats;
}

int BytesPerPixel(int colorType, int paletteFlag, int alphaFlag) {
    if (paletteFlag) return 1;
    switch (colorType) {
        case kMemImgColor16:
            return alphaFlag ? 4 : 2;
        case kMemImgColor32:
            return 4;
        case kMemImgSingle8:
            return 1;
        default:
            return 2;
    }
}

// Exponent of the smallest power of two not below value (value >= 0).
int CeilLog2(int64_t value) {
    int e = 0;
    while ((int64_t{1} << e) < value) ++e;
    return e;
}

uint8_t* Allocate(int64_t bytes) {
    auto* p = static_cast<uint8_t*>(IMAGE_ALLOC(bytes));
    if (p && bytes > 0) std::memset(p, 0, size_t(bytes));
    return p;
}

void FreeBody(MemImgBody* body) {
    if (!body) return;
    if (!body->userPixels) ImageFree(body->pixelStore);
    ImageFree(body->alphaPlane);
    ImageFree(body->runTable);
    ImageFree(body->palette);
    ImageFree(body);
}

}  // namespace

const ColorFormat* GetMemImgColorFormat(int colorType, int alphaFlag, int paletteFlag) {
    MemImgFormats& f = Formats();
    switch (colorType) {
        case kMemImgColor16:
        case kMemImgColor32:
            return &f.rgb[colorType][alphaFlag ? 1 : 0][paletteFlag ? 1 : 0];
        case kMemImgSingle8:
            return alphaFlag || paletteFlag ? nullptr : &f.single8;
        case kMemImgSingle16:
            return alphaFlag || paletteFlag ? nullptr : &f.single16;
        default:
            return nullptr;
    }
}

// A failed set-up frees everything it allocated and leaves the record
// empty: callers that zeroed the record would otherwise leak the body.
int SetupMemImg(MEMIMG* record, int width, int height, int pitch, uint32_t transparentColor,
                int colorType, int paletteFlag, int alphaFlag, int makePlanes, void* userPixels) {
    if (!record || record->magic == kMemImgMagic) return -1;
    if (colorType < kMemImgColor16 || colorType > kMemImgSingle16) return -1;
    if (width < 0 || height < 0) return -1;
    paletteFlag = paletteFlag ? 1 : 0;
    alphaFlag = alphaFlag ? 1 : 0;
    if (colorType == kMemImgSingle8 || colorType == kMemImgSingle16) {
        paletteFlag = 0;
        alphaFlag = 0;
    }
    if (paletteFlag) alphaFlag = 0;

    const int bpp = BytesPerPixel(colorType, paletteFlag, alphaFlag);
    const int64_t lineBytes = int64_t(bpp) * width;
    int64_t stride;
    int shiftBase;
    if (pitch == -1) {
        stride = (lineBytes + 15) & ~int64_t{15};
        shiftBase = CeilLog2(lineBytes);
    } else {
        if (pitch < lineBytes) return -1;
        stride = pitch;
        shiftBase = CeilLog2(pitch);
    }
    // In two steps, so that stride * height cannot overflow.
    if (stride > kMaxImagePixelBytes) return -1;
    const int64_t storeBytes = stride * height;
    if (storeBytes > kMaxImagePixelBytes) return -1;
    const int64_t runBytes = (int64_t(width) + 5) * height;
    const bool wantAlphaPlane = makePlanes && alphaFlag;
    const bool wantRunTable = makePlanes && colorType != kMemImgSingle8;

    auto* body = reinterpret_cast<MemImgBody*>(Allocate(sizeof(MemImgBody)));
    if (!body) return -1;
    body->referenceCount = 1;
    body->width = width;
    body->height = height;
    body->transparentColor = transparentColor;
    body->colorType = colorType;
    body->paletteFlag = paletteFlag;
    body->alphaFlag = alphaFlag;
    body->userPixels = userPixels ? 1 : 0;
    body->pitch = int32_t(stride);
    body->pitchShift = (int64_t{1} << shiftBase) == stride ? shiftBase : -1;
    body->colorFormat = GetMemImgColorFormat(colorType, alphaFlag, paletteFlag);

    bool ok = true;
    if (paletteFlag) {
        body->palette = Allocate(2048);
        body->drawPalette = body->palette ? body->palette + 1024 : nullptr;
        ok = body->palette != nullptr;
    }
    if (ok) {
        body->pixelStore = userPixels ? static_cast<uint8_t*>(userPixels) : Allocate(storeBytes);
        ok = body->pixelStore != nullptr;
    }
    if (ok && wantAlphaPlane) {
        body->alphaPlane = Allocate(storeBytes);
        ok = body->alphaPlane != nullptr;
    }
    if (ok && wantRunTable) {
        body->runTable = Allocate(runBytes);
        ok = body->runTable != nullptr;
    }
    if (!ok) {
        FreeBody(body);
        std::memset(record, 0, sizeof(*record));
        return -1;
    }

    record->magic = kMemImgMagic;
    record->width = width;
    record->height = height;
    record->pixels = body->pixelStore;
    record->alphaPixels = body->alphaPlane;
    record->body = body;
    return 0;
}

int NewMemImg(MEMIMG* record, int width, int height, int colorType) {
    if (!record) return -1;
    std::memset(record, 0, sizeof(*record));
    if (colorType == -1) colorType = MemImgDrawState.defaultColorType;
    return SetupMemImg(record, width, height, -1, 0, colorType, 0, 0, 0, nullptr);
}

// Sizes are compared in 64 bits and negative ones refused, so no rectangle
// can reach outside the source.
int ViewMemImg(MEMIMG* out, const MEMIMG* source, int x, int y, int width, int height) {
    if (!out || !MemImgIsValid(source)) return -1;
    if (x < 0 || y < 0 || width < 0 || height < 0) return -1;
    if (int64_t(x) + width > source->width || int64_t(y) + height > source->height) return -1;
    MemImgBody* body = source->body;
    const int64_t offset = int64_t(y) * body->pitch + int64_t(x) * body->colorFormat->bytesPerPixel;
    out->magic = kMemImgMagic;
    out->width = width;
    out->height = height;
    out->pixels = source->pixels + offset;
    out->alphaPixels = source->alphaPixels ? source->alphaPixels + offset : nullptr;
    out->body = body;
    ++body->referenceCount;
    return 0;
}

int MemImgIsValid(const MEMIMG* record) {
    return record && record->magic == kMemImgMagic && record->body ? 1 : 0;
}

int DropMemImg(MEMIMG* record) {
    if (!record || record->magic != kMemImgMagic) return -1;
    MemImgBody* body = record->body;
    if (body && --body->referenceCount <= 0) FreeBody(body);
    record->body = nullptr;
    record->magic = 0;
    return 0;
}

int GetMemImgBytesPerPixel(const MEMIMG* record) {
    if (!MemImgIsValid(record) || !record->body->colorFormat) return 0;
    return record->body->colorFormat->bytesPerPixel;
}

int MemImgRunTableMatches(const MEMIMG* record) {
    if (!MemImgIsValid(record)) return 0;
    const MemImgBody* b = record->body;
    return b->runTableValid && b->runTable && b->runTablePixels == record->pixels &&
                   b->runTableWidth == record->width && b->runTableHeight == record->height
               ? 1
               : 0;
}

}  // namespace DuRud
