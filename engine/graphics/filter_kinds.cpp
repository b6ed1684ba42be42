#include "graphics/filter_kinds.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace DuRud {
namespace {

struct Pixel {
    int b, g, r, a;
};

bool IsArgbImage(const BaseImage& image) {
    return image.pixels && image.width > 0 && image.height > 0 &&
           image.colorFormat.bytesPerPixel == 4 && image.colorFormat.formatCode == kFormatPlain;
}

// Both images usable and the destination at least width x height.
bool Fits(const BaseImage& source, const BaseImage& dest, int width, int height) {
    return IsArgbImage(source) && IsArgbImage(dest) && dest.width >= width && dest.height >= height;
}

uint8_t* At(const BaseImage& image, int x, int y) {
    return static_cast<uint8_t*>(image.pixels) + static_cast<int64_t>(y) * image.pitch + x * 4;
}

Pixel Read(const BaseImage& image, int x, int y) {
    const uint8_t* p = At(image, x, y);
    return {p[0], p[1], p[2], p[3]};
}

void Write(const BaseImage& image, int x, int y, Pixel px) {
    uint8_t* p = At(image, x, y);
    p[0] = static_cast<uint8_t>(std::clamp(px.b, 0, 255));
    p[1] = static_cast<uint8_t>(std::clamp(px.g, 0, 255));
    p[2] = static_cast<uint8_t>(std::clamp(px.r, 0, 255));
    p[3] = static_cast<uint8_t>(std::clamp(px.a, 0, 255));
}

// Runs rule(pixel) over the source into the destination.
template <typename Rule>
int MapPixels(const BaseImage& source, BaseImage& dest, Rule rule) {
    if (!Fits(source, dest, source.width, source.height)) return -1;
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) Write(dest, x, y, rule(Read(source, x, y)));
    return 0;
}

int Luma(const Pixel& p) {
    return LumaFixed(p.r, p.g, p.b);
}

// Steps of exactly the limit count as changes, whatever the decimal rounding.
constexpr double kLimitSlack = 1e-12;

struct GaussCache {
    float weights[16] = {};
    double strength = -1.0;
    int tapWidth = 0;
    int builds = 0;
} g_gauss;

struct GammaCache {
    uint8_t table[256] = {};
    double gamma = -10000000.0;
    int builds = 0;
} g_gamma;

int TapWidthFor(int parameter) {
    return parameter <= 8 ? 8 : parameter <= 16 ? 16 : 32;
}

// One axis of the blur; the result is rounded to 8 bits per channel.
void BlurAxis(const BaseImage& from, const BaseImage& to, int width, int height, int half,
              const float* w, bool horizontal) {
    const int length = horizontal ? width : height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int pos = horizontal ? x : y;
            auto tap = [&](int at, int channel) {
                at = std::clamp(at, 0, length - 1);
                return At(from, horizontal ? at : x, horizontal ? y : at)[channel];
            };
            uint8_t* out = At(to, x, y);
            for (int c = 0; c < 4; ++c) {
                double sum = w[0] * tap(pos, c);
                for (int i = 1; i < half; ++i)
                    sum += w[i] * 0.5 *
                           (tap(pos - 2 * i + 1, c) + tap(pos - 2 * i, c) +
                            tap(pos + 2 * i - 1, c) + tap(pos + 2 * i, c));
                out[c] = static_cast<uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
            }
        }
}

// Colour channel of the RGB-to-HSL-and-back round trip (h in sextants).
double HueChannel(double p, double q, double t) {
    t = std::fmod(t, 6.0);
    if (t < 0) t += 6.0;
    if (t < 1) return p + (q - p) * t;
    if (t < 3) return q;
    if (t < 4) return p + (q - p) * (4 - t);
    return p;
}

int BlendValue(int kind, int b, int s) {
    switch (kind) {
        case kBlendNormal:
            return s;
        case kBlendMultiply:
            return (s * b) >> 8;
        case kBlendDifference:
            return std::max(b - s, 0);
        case kBlendAdd:
            return std::min(b + s, 255);
        case kBlendScreen:
            return 255 - (((255 - s) * (255 - b)) >> 8);
        case kBlendOverlay:
            return std::min(b < 128 ? s * b / 128 : ((256 - b) * s + 256 * b) / 128 - 255, 255);
        case kBlendDodge:
            return s < 255 ? std::min(256 * b / (255 - s), 255) : 255;
        case kBlendBurn:
            return std::max((b - 255) * 256 / (s + 1) + 255, 0);
        case kBlendDarken:
            return std::min(b, s);
        case kBlendLighten:
            return std::max(b, s);
        case kBlendSoftLight: {
            const double e = s < 128 ? 2.0 * (1.0 - s / 255.0) : 0.5 / (s / 255.0);
            return static_cast<int>(255.0 * std::pow(b / 255.0, e));
        }
        case kBlendHardLight:
            return std::min(s < 128 ? b * s / 128 : ((256 - b) * s + 256 * b) * 2 / 256 - 255, 255);
        case kBlendExclusion:
            return std::clamp((128 * b + (128 - b) * s) / 128, 0, 255);
        default:
            return b;
    }
}

}  // namespace

const float* GaussWeightsFor(int tapWidth, double strength) {
    if (tapWidth == g_gauss.tapWidth &&
        std::fabs(strength - g_gauss.strength) < 0.0002 - kLimitSlack)
        return g_gauss.weights;
    const int half = tapWidth / 2;
    double raw[16] = {};
    double total = 0;
    for (int i = 0; i < half && i < 16; ++i) {
        raw[i] = std::exp(-0.5 * i * i / strength);
        total += i == 0 ? raw[i] : 2 * raw[i];
    }
    for (int i = 0; i < 16; ++i) g_gauss.weights[i] = static_cast<float>(raw[i] / total);
    g_gauss.tapWidth = tapWidth;
    g_gauss.strength = strength;
    ++g_gauss.builds;
    return g_gauss.weights;
}

const uint8_t* GammaTableFor(double gamma) {
    gamma = std::max(gamma, 0.001);
    if (std::fabs(gamma - g_gamma.gamma) < 0.0001 - kLimitSlack) return g_gamma.table;
    for (int i = 0; i < 256; ++i)
        g_gamma.table[i] =
            static_cast<uint8_t>(std::lround(255.0 * std::pow(i / 255.0, 1.0 / gamma)));
    g_gamma.gamma = gamma;
    ++g_gamma.builds;
    return g_gamma.table;
}

int GaussWeightBuildCount() {
    return g_gauss.builds;
}
int GammaTableBuildCount() {
    return g_gamma.builds;
}

int SoftMono(const BaseImage& source, BaseImage& dest, double cb, double cr) {
    cb = std::clamp(cb / 200.0, -0.5, 0.5);
    cr = std::clamp(cr / 200.0, -0.5, 0.5);
    const int offR = static_cast<int>(1.402 * cr * 255 * 4096);
    const int offG = static_cast<int>((-0.34414 * cb - 0.71414 * cr) * 255 * 4096);
    const int offB = static_cast<int>(1.772 * cb * 255 * 4096);
    return MapPixels(source, dest, [&](Pixel p) {
        const int y = Luma(p);
        return Pixel{(y + offB) >> 12, (y + offG) >> 12, (y + offR) >> 12, p.a};
    });
}

int SoftGauss(const BaseImage& source, BaseImage& dest, int tapParameter, double strength) {
    if (!Fits(source, dest, source.width, source.height)) return -1;
    if (strength < 0.0000001) return MapPixels(source, dest, [](Pixel p) { return p; });
    const int width = TapWidthFor(tapParameter);
    const float* w = GaussWeightsFor(width, strength);
    BaseImage across{};
    if (CreateA8R8G8B8BaseImage(source.width, source.height, &across) != 0) return -1;
    BlurAxis(source, across, source.width, source.height, width / 2, w, true);
    BlurAxis(across, dest, source.width, source.height, width / 2, w, false);
    FreeBaseImagePixels(&across);
    return 0;
}

int SoftDownScale(const BaseImage& source, BaseImage& dest, int scaleParameter) {
    if (scaleParameter < 1) return -1;
    const int scale = scaleParameter <= 2 ? 2 : scaleParameter <= 4 ? 4 : 8;
    const int shift = scale == 2 ? 2 : scale == 4 ? 4 : 6;
    const int w = source.width / scale, h = source.height / scale;
    if (!Fits(source, dest, w, h)) return -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum[4] = {};
            for (int j = 0; j < scale; ++j)
                for (int i = 0; i < scale; ++i) {
                    const uint8_t* p = At(source, x * scale + i, y * scale + j);
                    for (int c = 0; c < 4; ++c) sum[c] += p[c];
                }
            Write(dest, x, y, {sum[0] >> shift, sum[1] >> shift, sum[2] >> shift, sum[3] >> shift});
        }
    return 0;
}

int SoftBrightClip(const BaseImage& source, BaseImage& dest, int comparison, int clip, int fill,
                   FilterColor fillColor) {
    if (comparison != 2 && comparison != 5) return -1;
    const int threshold = std::clamp(clip, 0, 255) * 4096;
    const Pixel filled =
        fill ? Pixel{fillColor.blue, fillColor.green, fillColor.red, fillColor.alpha}
             : Pixel{0, 0, 0, 0};
    return MapPixels(source, dest, [&](Pixel p) {
        const int y = Luma(p);
        const bool clipped = comparison == 2 ? y < threshold : y > threshold;
        return clipped ? filled : p;
    });
}

int SoftHsb(const BaseImage& source, BaseImage& dest, int hueMode, double hue, double saturation,
            double brightness) {
    const double hueTurn =
        hueMode == 1 ? std::clamp(hue / 360.0, 0.0, 1.0) : std::clamp(hue / 360.0, -0.5, 0.5);
    const double sextants = hueTurn * 6.0;
    double sat = std::clamp(saturation / 100.0, -1.0, 1.0);
    if (sat > 0) sat *= 5.0;
    const int satSteps = static_cast<int>(sat * 256);
    const int bright = static_cast<int>(std::clamp(brightness / 100.0, -1.0, 1.0) * 256);
    auto lighten = [&](int c) {
        return bright < 1 ? ((bright + 256) * c) >> 8 : c + (((255 - c) * bright) >> 8);
    };
    return MapPixels(source, dest, [&](Pixel p) {
        const double r = lighten(p.r) / 255.0, g = lighten(p.g) / 255.0, b = lighten(p.b) / 255.0;
        const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
        const double l = (hi + lo) / 2, d = hi - lo;
        double s = 0, h = 0;
        if (d > 0) {
            s = l <= 0.5 ? d / (hi + lo) : d / (2 - hi - lo);
            h = hi == r ? (g - b) / d : hi == g ? (b - r) / d + 2 : (r - g) / d + 4;
        }
        h = hueMode == 1 ? sextants : h + sextants;
        s = std::clamp(s * (256 + satSteps) / 256.0, 0.0, 1.0);
        const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s, pp = 2 * l - q;
        auto out = [](double v) { return static_cast<int>(std::lround(v * 255)); };
        return Pixel{out(HueChannel(pp, q, h - 2)), out(HueChannel(pp, q, h)),
                     out(HueChannel(pp, q, h + 2)), p.a};
    });
}

int SoftInvert(const BaseImage& source, BaseImage& dest) {
    return MapPixels(source, dest, [](Pixel p) {
        return Pixel{255 - p.b, 255 - p.g, 255 - p.r, p.a};
    });
}

int SoftLevel(const BaseImage& source, BaseImage& dest, int minimum, int maximum, double gamma,
              int outMinimum, int outMaximum) {
    minimum = std::clamp(minimum, 0, 255);
    maximum = std::clamp(maximum, 0, 255);
    outMinimum = std::clamp(outMinimum, 0, 255);
    outMaximum = std::clamp(outMaximum, 0, 255);
    const uint8_t* table = GammaTableFor(gamma);
    auto level = [&](int c) {
        // An empty input range is a step at the minimum.
        const int index = maximum == minimum ? (c < minimum ? 0 : 255)
                                             : (c - minimum) * 256 / (maximum - minimum);
        const int entry = table[std::clamp(index, 0, 255)];
        return (entry * (outMaximum - outMinimum) + outMinimum * 256) / 256;
    };
    return MapPixels(source, dest, [&](Pixel p) {
        return Pixel{level(p.b), level(p.g), level(p.r), p.a};
    });
}

int SoftTwoColor(const BaseImage& source, BaseImage& dest, int threshold, FilterColor first,
                 FilterColor second) {
    const int limit = std::clamp(threshold, 0, 255) * 4096;
    return MapPixels(source, dest, [&](Pixel p) {
        const FilterColor& c = Luma(p) >= limit ? second : first;
        return Pixel{c.blue, c.green, c.red, c.alpha};
    });
}

int SoftGradientMap(const BaseImage& source, BaseImage& dest, const uint32_t table[256]) {
    return MapPixels(source, dest, [&](Pixel p) {
        const uint32_t c = table[Luma(p) >> 12];
        return Pixel{int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF), int(c >> 24)};
    });
}

int SoftPremultipliedAlpha(const BaseImage& source, BaseImage& dest) {
    return MapPixels(source, dest, [](Pixel p) {
        return Pixel{(p.b * p.a) >> 8, (p.g * p.a) >> 8, (p.r * p.a) >> 8, p.a};
    });
}

int SoftBlend(const BaseImage& source, const BaseImage& blend, BaseImage& dest, int kind,
              int blendParameter) {
    if (kind < 0 || kind > 16 || kind == kBlendRgbaMix) return -1;
    if (!Fits(source, dest, source.width, source.height) || !Fits(blend, dest, 1, 1) ||
        blend.width < source.width || blend.height < source.height)
        return -1;
    const int k = static_cast<int>(std::clamp(blendParameter, 0, 255) / 255.0 * 256);
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const Pixel p = Read(source, x, y), q = Read(blend, x, y);
            const int m = q.a * k;
            Pixel out{};
            if (kind == kBlendNormalAlpha || kind == kBlendAddAlpha) {
                const int a = m >> 8;
                const int total = (256 - a) * p.a + 256 * a;
                // A pixel with nothing to show is cleared.
                if (kind == kBlendNormalAlpha && total != 0) {
                    auto mix = [&](int b, int s) {
                        return static_cast<int>((int64_t{b} * p.a * (256 - a) + s * a * 256) /
                                                total);
                    };
                    out = {mix(p.b, q.b), mix(p.g, q.g), mix(p.r, q.r), total >> 8};
                } else if (kind == kBlendAddAlpha && total > 255) {
                    const int alpha = total >> 8;
                    auto add = [&](int b, int s) {
                        const int v = (b * p.a + s * a) / alpha;
                        return v < 0 || v > 255 ? 255 : v;
                    };
                    out = {add(p.b, q.b), add(p.g, q.g), add(p.r, q.r), alpha};
                }
            } else if (kind == kBlendMultiplyAlphaOnly) {
                out = p;
                out.a = p.a + ((((p.a * q.a) >> 8) - p.a) * 255 * k >> 16);
            } else {
                auto mix = [&](int b, int s) {
                    return ((BlendValue(kind, b, s) - b) * m + b * 65536) >> 16;
                };
                out = {mix(p.b, q.b), mix(p.g, q.g), mix(p.r, q.r), p.a};
            }
            Write(dest, x, y, out);
        }
    return 0;
}

int SoftRgbaMix(const BaseImage& source, const BaseImage& blend, BaseImage& dest,
                const int selectors[4]) {
    for (int i = 0; i < 4; ++i)
        if (selectors[i] < 0 || selectors[i] > 7) return -1;
    if (!Fits(source, dest, source.width, source.height) || !IsArgbImage(blend) ||
        blend.width < source.width || blend.height < source.height)
        return -1;
    // Selector order R, G, B, A against memory order B, G, R, A.
    static constexpr int kByteOf[4] = {2, 1, 0, 3};
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const uint8_t* from[2] = {At(source, x, y), At(blend, x, y)};
            uint8_t mixed[4];
            for (int i = 0; i < 4; ++i)
                mixed[i] = from[selectors[i] / 4][kByteOf[selectors[i] % 4]];
            uint8_t* out = At(dest, x, y);
            for (int i = 0; i < 4; ++i) out[kByteOf[i]] = mixed[i];
        }
    return 0;
}

}  // namespace DuRud
