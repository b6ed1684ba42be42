// The one-source filter kernels. Each computes the integer rule of its
// filter (12-bit luminance, shifts by 8, truncating averages) from the
// registers the filter pass uploads from c0, so that a pass on the device
// gives the pixels of the filter's CPU path:
//   Mono.pso           c0 luminance weights, c1 the red, green and blue offsets
//   Gauss_NNPixel_PS   c0-c3 the 16 weights, c4-c7 the 16 offsets, c8 the axis
//                      ((1, 0, 0, 0) across, (0, 1, 0, 0) down), c9 the
//                      rectangle the pass reads (u1, v1, u2, v2; taps past
//                      it repeat its edge; empty: the whole texture)
//   DownScaleXn.pso    no constants: n x n blocks of sampler 0
//   BrightClip*.pso    c0 the threshold over 255, c2 the fill colour
//   Hsb_*.pso          c0 (hue in sextants, saturation, brightness)
//   Invert.pso, PremultipliedAlpha.pso: no constants
//   Level.pso          c0 (input min, input max, output min, output max) over
//                      255; c1-c64 the 256 gamma-table entries over 255
//                      (four a register)
//   TwoColor.pso       c0.w the threshold over 255, c1 and c2 the two colours
//   GradientMap*.pso   sampler 1 the gradient graphic (its top row), c1.x its
//                      width
// The source is sampler 0 at coordinate set 0.
#include <array>
#include <cmath>
#include <string>

#include "blur_rows.h"
#include "kernel_math.h"

namespace platform::d3d9::kernels {

namespace {

constexpr int kMax = PixelSpan::kMaxPixels;

// Runs rule(colour) -> A8R8G8B8 over the source pixels of the span.
template <typename Rule>
void MapSource(PixelSpan& span, Rule rule) {
    uint32_t texels[kMax];
    span.Sample(0, texels);
    for (int k = 0; k < span.count; ++k) span.out[k] = rule(Split(texels[k]));
}

// The source texel positions of the span's pixels.
void SourceTexels(PixelSpan& span, const KernelImage& image, int* tx, int* ty) {
    float u[kMax], v[kMax];
    span.Coordinates(0, u, v);
    // int(floor(x)), the truncation stepped down below zero where it fits.
    auto floorInt = [](double x) {
        if (!(std::fabs(x) < 2147483647.0)) return int(std::floor(x));
        const int i = int(x);
        return x < double(i) ? i - 1 : i;
    };
    for (int k = 0; k < span.count; ++k) {
        tx[k] = floorInt(double(u[k]) * image.width);
        ty[k] = floorInt(double(v[k]) * image.height);
    }
}

void Mono(PixelSpan& span, int) {
    const float* o = span.c[1];
    const int offset[3] = {int(double(o[0]) * 255 * 4096), int(double(o[1]) * 255 * 4096),
                           int(double(o[2]) * 255 * 4096)};
    MapSource(span, [&](Colour c) {
        const int y = Luma4096(c);
        return Join((y + offset[0]) >> 12, (y + offset[1]) >> 12, (y + offset[2]) >> 12, c.a);
    });
}

// One axis of the blur (blur_rows.h).
void Gauss(PixelSpan& span, int half) {
    const KernelImage image = span.Image(0);
    if (!image.pixels) return MapSource(span, [](Colour c) { return Join(c); });
    double weight[16];  // each further weight halved: it weighs a pair of pairs
    for (int i = 0; i < 16; ++i) weight[i] = double(span.c[i / 4][i % 4]) * (i ? 0.5 : 1.0);
    int tx[kMax], ty[kMax];
    SourceTexels(span, image, tx, ty);
    BlurSpan blur;
    blur.image = image;
    blur.tx = tx, blur.ty = ty;
    blur.count = span.count;
    blur.half = half;
    blur.across = span.c[8][1] == 0.0f;
    blur.weight = weight;
    // Texture coordinates of texel edges: exact multiples of the texel size.
    const float* area = span.c[9];
    const int left = int(std::lround(double(area[0]) * image.width));
    const int top = int(std::lround(double(area[1]) * image.height));
    const int right = int(std::lround(double(area[2]) * image.width)) - 1;
    const int bottom = int(std::lround(double(area[3]) * image.height)) - 1;
    if (right >= left && bottom >= top)
        blur.left = left, blur.top = top, blur.right = right, blur.bottom = bottom;
    BlurSpanFast(blur, span.out);
}

// The truncated average of the n x n block the pixel stands for.
void DownScale(PixelSpan& span, int n) {
    const KernelImage image = span.Image(0);
    float u[kMax], v[kMax];
    span.Coordinates(0, u, v);
    const int shift = n == 2 ? 2 : n == 4 ? 4 : 6;
    for (int k = 0; k < span.count; ++k) {
        const int left = int(std::floor(double(u[k]) * image.width - n * 0.5 + 0.5));
        const int top = int(std::floor(double(v[k]) * image.height - n * 0.5 + 0.5));
        int sum[4] = {};
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const Colour c = Split(ReadTexel(image, left + i, top + j));
                sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, sum[3] += c.a;
            }
        span.out[k] = Join(sum[0] >> shift, sum[1] >> shift, sum[2] >> shift, sum[3] >> shift);
    }
}

// Variant: fill flag + 2 x (clips above the threshold). A clipped pixel
// becomes the fill colour, or transparent black without the fill.
void BrightClip(PixelSpan& span, int variant) {
    const bool fill = variant & 1, above = variant & 2;
    const int threshold = ChannelOf(span.c[0][0]) * 4096;
    const uint32_t filled = fill ? Join(ColourOf(span.c[2])) : 0u;
    MapSource(span, [&](Colour c) {
        const int y = Luma4096(c);
        return (above ? y > threshold : y < threshold) ? filled : Join(c);
    });
}

// Hue, saturation and lightness. Variants: 0 brightness only (the first of
// two passes), 1 hue shift and saturation (the second), 2 both with the hue
// set rather than shifted (one pass).
double HueToChannel(double low, double high, double sextant) {
    sextant = Sextant(sextant);
    if (sextant < 0) sextant += 6.0;
    if (sextant < 1) return low + (high - low) * sextant;
    if (sextant < 3) return high;
    if (sextant < 4) return low + (high - low) * (4 - sextant);
    return low;
}

// c / 255.0 for every channel, the very quotients, looked up.
const double* ChannelFractions() {
    static const auto table = [] {
        std::array<double, 256> t{};
        for (int c = 0; c < 256; ++c) t[c] = c / 255.0;
        return t;
    }();
    return table.data();
}

Colour HueSaturation(const Colour& c, double hue, bool setHue, int saturationSteps) {
    static const double* fractions = ChannelFractions();
    // A brightness past the usual range can push a channel outside 0..255.
    auto fraction = [](int v) { return v >= 0 && v <= 255 ? fractions[v] : v / 255.0; };
    const double r = fraction(c.r), g = fraction(c.g), b = fraction(c.b);
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    const double lightness = (high + low) / 2, range = high - low;
    double saturation = 0, h = 0;
    if (range > 0) {
        saturation = lightness <= 0.5 ? range / (high + low) : range / (2 - high - low);
        if (high == r)
            h = (g - b) / range;
        else if (high == g)
            h = 2 + (b - r) / range;
        else
            h = 4 + (r - g) / range;
    }
    h = setHue ? hue : h + hue;
    saturation = std::clamp(saturation * (256 + saturationSteps) / 256.0, 0.0, 1.0);
    const double top = lightness <= 0.5 ? lightness * (1 + saturation)
                                        : lightness + saturation - lightness * saturation;
    const double bottom = 2 * lightness - top;
    auto channel = [](double v) { return RoundChannel(v * 255); };
    return Colour{channel(HueToChannel(bottom, top, h + 2)), channel(HueToChannel(bottom, top, h)),
                  channel(HueToChannel(bottom, top, h - 2)), c.a};
}

void Hsb(PixelSpan& span, int variant) {
    const double hue = span.c[0][0];
    const int saturationSteps = int(double(span.c[0][1]) * 256);
    const int brightness = int(double(span.c[0][2]) * 256);
    auto lighten = [&](int v) {
        return brightness < 1 ? ((brightness + 256) * v) >> 8 : v + (((255 - v) * brightness) >> 8);
    };
    uint32_t texels[kMax];
    span.Sample(0, texels);
    for (int k = 0; k < span.count; ++k) {
        // A pixel's result depends on its texel alone: runs of one colour
        // (flat areas, clear borders) are worked out once.
        if (k > 0 && texels[k] == texels[k - 1]) {
            span.out[k] = span.out[k - 1];
            continue;
        }
        Colour c = Split(texels[k]);
        if (variant != 1) c = Colour{lighten(c.r), lighten(c.g), lighten(c.b), c.a};
        span.out[k] =
            variant == 0 ? Join(c) : Join(HueSaturation(c, hue, variant == 2, saturationSteps));
    }
}

void Invert(PixelSpan& span, int) {
    MapSource(span, [](Colour c) { return Join(255 - c.r, 255 - c.g, 255 - c.b, c.a); });
}

void Premultiply(PixelSpan& span, int) {
    MapSource(span, [](Colour c) {
        return Join((c.r * c.a) >> 8, (c.g * c.a) >> 8, (c.b * c.a) >> 8, c.a);
    });
}

void Level(PixelSpan& span, int) {
    const Colour range = ColourOf(span.c[0]);
    const int low = range.r, high = range.g, outLow = range.b, outHigh = range.a;
    auto entry = [&](int i) { return ChannelOf(span.c[1 + i / 4][i % 4]); };
    auto level = [&](int v) {
        // An empty input range is a step at the minimum.
        const int index = high == low ? (v < low ? 0 : 255) : (v - low) * 256 / (high - low);
        return (entry(std::clamp(index, 0, 255)) * (outHigh - outLow) + outLow * 256) / 256;
    };
    MapSource(span, [&](Colour c) { return Join(level(c.r), level(c.g), level(c.b), c.a); });
}

void TwoColour(PixelSpan& span, int) {
    const int limit = ChannelOf(span.c[0][3]) * 4096;
    const uint32_t first = Join(ColourOf(span.c[1])), second = Join(ColourOf(span.c[2]));
    MapSource(span, [&](Colour c) { return Luma4096(c) >= limit ? second : first; });
}

// Variant 1 reads the gradient from its right end. c1.x: the gradient
// graphic's width (its texture may be wider).
void GradientMap(PixelSpan& span, int reversed) {
    const KernelImage gradient = span.Image(1);
    const int width = span.c[1][0] >= 1.0f ? int(span.c[1][0]) : gradient.width;
    MapSource(span, [&](Colour c) {
        int i = Luma4096(c) >> 12;
        if (reversed) i = 255 - i;
        return ReadTexel(gradient, int(int64_t(i) * width / 256), 0);
    });
}

const KernelTable& Table() {
    static const KernelTable table = [] {
        KernelTable t;
        auto add = [&](const char* name, PixelKernelFunction fn, int variant, bool second) {
            t.Add(name, PixelKernel(fn, variant, {0, second ? 1 : -1}));
        };
        add("Mono.pso", &Mono, 0, false);
        add("Gauss_08Pixel_PS.pso", &Gauss, 4, false);
        add("Gauss_16Pixel_PS.pso", &Gauss, 8, false);
        add("Gauss_32Pixel_PS.pso", &Gauss, 16, false);
        add("DownScaleX2.pso", &DownScale, 2, false);
        add("DownScaleX4.pso", &DownScale, 4, false);
        add("DownScaleX8.pso", &DownScale, 8, false);
        add("BrightClipLess.pso", &BrightClip, 0, false);
        add("BrightClipFillLess.pso", &BrightClip, 1, false);
        add("BrightClipGreater.pso", &BrightClip, 2, false);
        add("BrightClipFillGreater.pso", &BrightClip, 3, false);
        add("Hsb_RGB_TO_HSB.pso", &Hsb, 0, false);
        add("Hsb_HSB_TO_RGB.pso", &Hsb, 1, false);
        add("Hsb_HSB_HLOCK.pso", &Hsb, 2, false);
        add("Invert.pso", &Invert, 0, false);
        add("Level.pso", &Level, 0, false);
        add("TwoColor.pso", &TwoColour, 0, false);
        add("GradientMap.pso", &GradientMap, 0, true);
        add("GradientMapRev.pso", &GradientMap, 1, true);
        add("PremultipliedAlpha.pso", &Premultiply, 0, false);
        return t;
    }();
    return table;
}

}  // namespace

void RegisterFilterKernels() {
    Table().Register();
}

}  // namespace platform::d3d9::kernels
