// The model module's textures: the four default textures (three pictures
// stored in the program and a grey ramp made at run time) and the building
// of a material's images, normal maps included.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "core/handle_manager.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/model_handles.h"
#include "image/image_loading.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

// A run-length true-colour TGA whose every row is `runs` equal runs of the
// given colours: an 18-byte header, one packet per run and row, and the
// 26-byte version 2 footer.
template <int Width, int Height, int Bits, int Runs>
constexpr auto RunLengthTga(const uint32_t (&colours)[Runs]) {
    constexpr int bytes = Bits / 8;
    std::array<uint8_t, 18 + Height * Runs*(1 + bytes) + 26> t{};
    t[2] = 10;  // run-length true colour
    t[12] = Width & 0xFF, t[13] = Width >> 8;
    t[14] = Height & 0xFF, t[15] = Height >> 8;
    t[16] = Bits;
    t[17] = 0x20 | (Bits == 32 ? 8 : 0);  // top-left origin, alpha bits
    int at = 18;
    for (int y = 0; y < Height; ++y)
        for (int r = 0; r < Runs; ++r) {
            t[at++] = static_cast<uint8_t>(0x80 | (Width / Runs - 1));
            for (int b = 0; b < bytes; ++b) t[at++] = static_cast<uint8_t>(colours[r] >> (8 * b));
        }
    at += 8;  // no extension area, no developer directory
    for (const char c : "TRUEVISION-XFILE.") t[at++] = static_cast<uint8_t>(c);
    return t;
}

constexpr uint32_t kWhite[1] = {0xFFFFFFFFu};
constexpr uint32_t kBlack[1] = {0};
constexpr uint32_t kToon[4] = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
constexpr auto kWhiteTga = RunLengthTga<8, 8, 32>(kWhite);
constexpr auto kBlackTga = RunLengthTga<8, 8, 24>(kBlack);
constexpr auto kToonTga = RunLengthTga<256, 8, 24>(kToon);

Handle g_defaults[4] = {-1, -1, -1, -1};

// Loads into the kept handle, or makes it and has deletion clear it.
int FillDefault(int index, const void* picture, int size, const BaseImage* image) {
    Handle& h = g_defaults[index];
    const int reload = IsGraphicValid(h);
    const Handle made = picture
                            ? LoadGraphicFromMemory(picture, size, nullptr, 0, reload, h, nullptr)
                            : LoadGraphicFromBaseImages(image, nullptr, reload, h, nullptr);
    if (reload) return made;
    if (made < 0) return -1;
    h = made;
    return SetHandleDeletedFlagPointer(made, &h);
}

int NextPowerOfTwo(int side) {
    int p = 1;
    while (p < side) p <<= 1;
    return p;
}

// Replaces the image by a bilinear stretch of it to width x height.
int StretchInPlace(BaseImage* image, int width, int height) {
    if (image->width == width && image->height == height) return 0;
    BaseImage out{};
    if (CreateA8R8G8B8BaseImage(width, height, &out) != 0) return -1;
    if (StretchBaseImageRect(0, 0, image->width, image->height, image, 0, 0, width, height, &out,
                             1) != 0) {
        FreeBaseImagePixels(&out);
        return -1;
    }
    FreeBaseImagePixels(image);
    *image = out;
    return 0;
}

// Sides that are not powers of two grow to the next one, but no further than
// half the device's largest texture.
int FitTextureSides(BaseImage* image, int flip) {
    const DeviceCapabilities& caps = GetDeviceResources().caps;
    auto side = [](int length, int maximum) {
        if ((length & (length - 1)) == 0) return length;
        const int p = NextPowerOfTwo(length);
        return maximum > 0 ? std::min(p, maximum / 2) : p;
    };
    const int maxW = caps.maxTextureWidth > 0 ? caps.maxTextureWidth : caps.maxTextureSize;
    const int maxH = caps.maxTextureHeight > 0 ? caps.maxTextureHeight : caps.maxTextureSize;
    if (StretchInPlace(image, side(image->width, maxW), side(image->height, maxH)) != 0) return -1;
    return flip ? RotateBaseImage180(image) : 0;
}

int MakeNormalMap(BaseImage* image, float heightScale) {
    const double s = std::max<double>(heightScale, 1e-6);
    BaseImage out{};
    if (CreateA8R8G8B8BaseImage(image->width, image->height, &out) != 0) return -1;
    auto height = [&](int x, int y) {
        return static_cast<int>(
            GetBaseImagePixelArgb(image, x % image->width, y % image->height) >> 16 & 0xFF);
    };
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const int h = height(x, y);
            const double dx = (height(x + 1, y) - h) / 255.0, dy = (height(x, y + 1) - h) / 255.0;
            const double n[3] = {-dx * s, -dy * s, s * s};
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            auto c = [&](int i) { return static_cast<int>((n[i] / length + 1) * 127.5); };
            SetBaseImagePixel(&out, x, y, c(0), c(1), c(2), 0);
        }
    FreeBaseImagePixels(image);
    *image = out;
    return 0;
}

int LoadSource(const void* source, int size, BaseImage* out) {
    if (size > 0) return LoadBaseImage(nullptr, source, size, 1, out, 0);
    return LoadBaseImage(static_cast<const char*>(source), nullptr, 0, 0, out, 0);
}

}  // namespace

int ResetDefaultModelTextures() {
    std::fill(std::begin(g_defaults), std::end(g_defaults), -1);
    return 0;
}

Handle DefaultModelTexture(int index) {
    return index >= 0 && index < 4 ? g_defaults[index] : -1;
}

const uint8_t* DefaultModelTexturePicture(int index, int* size) {
    const uint8_t* data[3] = {kWhiteTga.data(), kBlackTga.data(), kToonTga.data()};
    const int sizes[3] = {int(kWhiteTga.size()), int(kBlackTga.size()), int(kToonTga.size())};
    if (index < 0 || index > 2) return nullptr;
    *size = sizes[index];
    return data[index];
}

int BuildModelTexture(BaseImage* color, BaseImage* alpha, const void* colorSource, int colorSize,
                      const void* alphaSource, int alphaSize, int normalMap, float heightScale,
                      int flip) {
    *color = BaseImage{};
    *alpha = BaseImage{};
    if (!colorSource && !alphaSource) return -1;
    auto fail = [&] {
        if (color->pixels) FreeBaseImagePixels(color);
        if (alpha->pixels) FreeBaseImagePixels(alpha);
        return -1;
    };
    if (colorSource && LoadSource(colorSource, colorSize, color) != 0) return fail();
    if (alphaSource && LoadSource(alphaSource, alphaSize, alpha) != 0) return fail();
    if (!colorSource) {
        if (CreateX8R8G8B8BaseImage(alpha->width, alpha->height, color) != 0) return fail();
        std::memset(color->pixels, 0xFF, static_cast<size_t>(color->pitch) * color->height);
    }
    if (normalMap && MakeNormalMap(color, heightScale) != 0) return fail();
    if (colorSource) {
        if (FitTextureSides(color, flip) != 0) return fail();
        if (alpha->pixels && FitTextureSides(alpha, flip) != 0) return fail();
    }
    if (alpha->pixels && (alpha->width != color->width || alpha->height != color->height)) {
        const bool colorFits = color->width <= alpha->width && color->height <= alpha->height;
        if (colorFits ? StretchInPlace(color, alpha->width, alpha->height)
                      : StretchInPlace(alpha, color->width, color->height))
            return fail();
    }
    return 0;
}

int RestoreModelTextures() {
    HandleTypeRecord* t = GetHandleTypeRecord(HandleTypeModelBase);
    if (!t || !t->initialised) return -1;
    for (int i = 0; i < 3; ++i) {
        int size = 0;
        const uint8_t* picture = DefaultModelTexturePicture(i, &size);
        FillDefault(i, picture, size, nullptr);
    }
    BaseImage ramp{};
    if (CreateX8R8G8B8BaseImage(256, 8, &ramp) == 0) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 256; ++x) SetBaseImagePixel(&ramp, x, y, x, x, x, 255);
        FillDefault(3, nullptr, 0, &ramp);
        FreeBaseImagePixels(&ramp);
    }
    ForEachHandleRecord(HandleTypeModelBase, [](HandleHeader* header) {
        auto* base = reinterpret_cast<ModelBaseRecord*>(header);
        if (!base->data) return;
        for (ModelMaterial& m : base->data->materials) {
            BaseImage color{}, alpha{};
            const void* colorSource = m.colorSource.empty() ? nullptr : m.colorSource.data();
            const void* alphaSource = m.alphaSource.empty() ? nullptr : m.alphaSource.data();
            // A texture that cannot be rebuilt is skipped.
            if (BuildModelTexture(&color, &alpha, colorSource, int(m.colorSource.size()),
                                  alphaSource, int(m.alphaSource.size()), m.normalMap,
                                  m.heightScale, m.flip) != 0)
                continue;
            const int reload = IsGraphicValid(m.graphic);
            const Handle made = LoadGraphicFromBaseImages(&color, alpha.pixels ? &alpha : nullptr,
                                                          reload, m.graphic, nullptr);
            if (!reload && made >= 0) m.graphic = made;
            FreeBaseImagePixels(&color);
            if (alpha.pixels) FreeBaseImagePixels(&alpha);
        }
    });
    return 0;
}

}  // namespace DuRud
