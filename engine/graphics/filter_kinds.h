// The pixel rules of the graphic filters as run on the CPU: pure functions
// over A8R8G8B8 images (bytes blue, green, red, alpha). Each reads its
// source (and blend) image and writes the destination image, which must be
// at least the source's size (down-scale: the source's size over the scale).
// Parameters arrive as the filter dispatcher decodes them.
#pragma once

#include <cstdint>

#include "image/image_record.h"

namespace DuRud {

// Luminance in 12-bit fixed point; white gives 255 * 4094.
constexpr int LumaFixed(int red, int green, int blue) {
    return 1224 * red + 2404 * green + 466 * blue;
}

// One-source kinds.
enum : int {
    kFilterMono = 0,
    kFilterGauss = 1,
    kFilterDownScale = 2,
    kFilterBrightClip = 3,
    kFilterHsb = 4,
    kFilterInvert = 5,
    kFilterLevel = 6,
    kFilterTwoColor = 7,
    kFilterGradientMap = 8,
    kFilterPremultipliedAlpha = 9,
};
// Two-source kinds.
enum : int {
    kBlendNormal = 0,
    kBlendRgbaMix = 1,
    kBlendMultiply = 2,
    kBlendDifference = 3,
    kBlendAdd = 4,
    kBlendScreen = 5,
    kBlendOverlay = 6,
    kBlendDodge = 7,
    kBlendBurn = 8,
    kBlendDarken = 9,
    kBlendLighten = 10,
    kBlendSoftLight = 11,
    kBlendHardLight = 12,
    kBlendExclusion = 13,
    kBlendNormalAlpha = 14,
    kBlendAddAlpha = 15,
    kBlendMultiplyAlphaOnly = 16,
};

// A colour split into 0-255 channels.
struct FilterColor {
    int red, green, blue, alpha;
};

// cb, cr: the decoded tint (parameter x 100 / 255).
int SoftMono(const BaseImage& source, BaseImage& dest, double cb, double cr);
// tapParameter: 8, 16 or 32 (rounded up to one of them); strength: parameter / 100.
int SoftGauss(const BaseImage& source, BaseImage& dest, int tapParameter, double strength);
// scaleParameter rounds up to 2, 4 or 8; below 1: -1.
int SoftDownScale(const BaseImage& source, BaseImage& dest, int scaleParameter);
// comparison 2 (less) or 5 (greater), else -1; clip 0-255.
int SoftBrightClip(const BaseImage& source, BaseImage& dest, int comparison, int clip, int fill,
                   FilterColor fillColor);
// hue in degrees; saturation and brightness decoded (parameter x 100 / 255).
int SoftHsb(const BaseImage& source, BaseImage& dest, int hueMode, double hue, double saturation,
            double brightness);
int SoftInvert(const BaseImage& source, BaseImage& dest);
// minimum, maximum, output minimum, output maximum 0-255; gamma: parameter / 100.
int SoftLevel(const BaseImage& source, BaseImage& dest, int minimum, int maximum, double gamma,
              int outMinimum, int outMaximum);
int SoftTwoColor(const BaseImage& source, BaseImage& dest, int threshold, FilterColor first,
                 FilterColor second);
// table: 256 colours 0xAARRGGBB indexed by luminance.
int SoftGradientMap(const BaseImage& source, BaseImage& dest, const uint32_t table[256]);
int SoftPremultipliedAlpha(const BaseImage& source, BaseImage& dest);

// Two-source kinds 0 and 2-16; blendParameter 0-255. Unknown kind: -1.
int SoftBlend(const BaseImage& source, const BaseImage& blend, BaseImage& dest, int kind,
              int blendParameter);
// selectors: result red, green, blue, alpha; 0-3 the source's R, G, B, A, 4-7
// the blend image's. One outside 0-7: -1.
int SoftRgbaMix(const BaseImage& source, const BaseImage& blend, BaseImage& dest,
                const int selectors[4]);

// Module caches. The Gaussian weights (16, normalised so w0 + 2 (w1 + ...) = 1)
// for a tap width and strength, rebuilt only when the width changes or the
// strength moves by 0.0002 or more.
const float* GaussWeightsFor(int tapWidth, double strength);
// The levels table for a gamma, rebuilt only when it moves by 0.0001 or more.
const uint8_t* GammaTableFor(double gamma);
// How many times each table was built (tests of the caches).
int GaussWeightBuildCount();
int GammaTableBuildCount();

}  // namespace DuRud
