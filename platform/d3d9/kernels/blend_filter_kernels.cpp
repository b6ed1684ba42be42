// The two-source filter kernels: the sixteen blend kinds and the channel
// mixes. The source is sampler 0 at coordinate set 0, the blend graphic
// sampler 1 at set 1.
//   BasBF_*.pso                  c0.x the blend ratio (parameter over 255)
//   RGBAMix_Base.pso             c1 the four selectors + 0.5 (0-3 the source's
//                                red, green, blue, alpha; 4-7 the blend's)
//   RGBAMix_S?S?S?B?.pso         red, green, blue from the named source
//                                channels, alpha from the named blend channel
//   RGBAMix_Table_NNN            NNN = ((R x 4 + G) x 4 + B) x 4 + A, every
//                                channel from the source
// The blend kinds work in the integer rules of the filters' CPU path: the
// ratio as k = ratio x 256 truncated, the weight m = blend alpha x k.
#include <cmath>
#include <cstdio>
#include <string>

#include "kernel_math.h"

namespace platform::d3d9::kernels {

namespace {

constexpr int kMax = PixelSpan::kMaxPixels;

enum Kind {
    kNormal = 0,
    kMultiply = 2,
    kDifference,
    kAdd,
    kScreen,
    kOverlay,
    kDodge,
    kBurn,
    kDarken,
    kLighten,
    kSoftLight,
    kHardLight,
    kExclusion,
    kNormalAlpha,
    kAddAlpha,
    kMultiplyAlphaOnly,
};

// The blended value of base channel b under blend channel s.
int Blended(int kind, int b, int s) {
    switch (kind) {
        case kMultiply:
            return (s * b) >> 8;
        case kDifference:
            return std::max(0, b - s);
        case kAdd:
            return std::min(255, b + s);
        case kScreen:
            return 255 - (((255 - s) * (255 - b)) >> 8);
        case kOverlay:
            if (b < 128) return std::min(255, s * b / 128);
            return std::min(255, ((256 - b) * s + 256 * b) / 128 - 255);
        case kDodge:
            return s == 255 ? 255 : std::min(255, 256 * b / (255 - s));
        case kBurn:
            return std::max(0, (b - 255) * 256 / (s + 1) + 255);
        case kDarken:
            return std::min(b, s);
        case kLighten:
            return std::max(b, s);
        case kSoftLight: {
            const double e = s < 128 ? 2.0 * (1.0 - s / 255.0) : 0.5 / (s / 255.0);
            return int(255.0 * std::pow(b / 255.0, e));
        }
        case kHardLight:
            if (s < 128) return std::min(255, b * s / 128);
            return std::min(255, ((256 - b) * s + 256 * b) * 2 / 256 - 255);
        case kExclusion:
            return Clamp255((128 * b + (128 - b) * s) / 128);
        default:  // normal
            return s;
    }
}

uint32_t BlendPixel(int kind, const Colour& p, const Colour& q, int k) {
    const int m = q.a * k;
    if (kind == kNormalAlpha || kind == kAddAlpha) {
        const int a = m >> 8;
        const int total = (256 - a) * p.a + 256 * a;
        if (kind == kNormalAlpha) {
            if (total == 0) return 0;  // nothing to show: cleared
            auto over = [&](int b, int s) {
                return int((int64_t(b) * p.a * (256 - a) + int64_t(s) * a * 256) / total);
            };
            return Join(over(p.r, q.r), over(p.g, q.g), over(p.b, q.b), total >> 8);
        }
        if (total <= 255) return 0;
        const int alpha = total >> 8;
        auto add = [&](int b, int s) {
            const int v = (b * p.a + s * a) / alpha;
            return v < 0 || v > 255 ? 255 : v;
        };
        return Join(add(p.r, q.r), add(p.g, q.g), add(p.b, q.b), alpha);
    }
    if (kind == kMultiplyAlphaOnly)
        return Join(p.r, p.g, p.b, p.a + (((((p.a * q.a) >> 8) - p.a) * 255 * k) >> 16));
    auto weigh = [&](int b, int s) { return ((Blended(kind, b, s) - b) * m + b * 65536) >> 16; };
    return Join(weigh(p.r, q.r), weigh(p.g, q.g), weigh(p.b, q.b), p.a);
}

void BlendKind(PixelSpan& span, int kind) {
    uint32_t source[kMax], blend[kMax];
    span.Sample(0, source);
    span.Sample(1, blend);
    const int k = int(std::clamp(double(span.c[0][0]), 0.0, 1.0) * 256);
    for (int i = 0; i < span.count; ++i)
        span.out[i] = BlendPixel(kind, Split(source[i]), Split(blend[i]), k);
}

int Channel(const Colour& c, int which) {
    switch (which & 3) {
        case 0:
            return c.r;
        case 1:
            return c.g;
        case 2:
            return c.b;
        default:
            return c.a;
    }
}

// Variant: the four selectors (0-7 each) three bits apiece, red lowest; -1
// reads them from c1.
void RgbaMix(PixelSpan& span, int variant) {
    int selector[4];
    for (int i = 0; i < 4; ++i)
        selector[i] = variant < 0 ? std::clamp(int(span.c[1][i]), 0, 7) : variant >> (3 * i) & 7;
    const bool blendRead = selector[0] > 3 || selector[1] > 3 || selector[2] > 3 || selector[3] > 3;
    uint32_t source[kMax], blend[kMax];
    span.Sample(0, source);
    if (blendRead) span.Sample(1, blend);
    for (int i = 0; i < span.count; ++i) {
        const Colour from[2] = {Split(source[i]), blendRead ? Split(blend[i]) : Colour{}};
        int v[4];
        for (int c = 0; c < 4; ++c) v[c] = Channel(from[selector[c] >> 2], selector[c]);
        span.out[i] = Join(v[0], v[1], v[2], v[3]);
    }
}

int Selectors(int r, int g, int b, int a) {
    return r | g << 3 | b << 6 | a << 9;
}

const KernelTable& Table() {
    static const KernelTable table = [] {
        KernelTable t;
        auto add = [&](std::string name, PixelKernelFunction fn, int variant, bool blend) {
            t.Add(std::move(name), PixelKernel(fn, variant, {0, blend ? 1 : -1}));
        };
        const struct {
            int kind;
            const char* name;
        } kinds[] = {{kNormal, "Normal"},         {kMultiply, "Multiple"},
                     {kDifference, "Difference"}, {kAdd, "Add"},
                     {kScreen, "Screen"},         {kOverlay, "Overlay"},
                     {kDodge, "Dodge"},           {kBurn, "Burn"},
                     {kDarken, "Darken"},         {kLighten, "Lighten"},
                     {kSoftLight, "SoftLight"},   {kHardLight, "HardLight"},
                     {kExclusion, "Exclusion"},   {kNormalAlpha, "Normal_AlphaCh"},
                     {kAddAlpha, "Add_AlphaCh"},  {kMultiplyAlphaOnly, "Multiple_AOnly"}};
        for (const auto& k : kinds)
            add(std::string("BasBF_") + k.name + ".pso", &BlendKind, k.kind, true);
        add("RGBAMix_Base.pso", &RgbaMix, -1, true);
        const char letters[] = "RGBA";
        auto file = [&](int r, int g, int b, int a) {
            return std::string("RGBAMix_S") + letters[r] + "S" + letters[g] + "S" + letters[b] +
                   "B" + letters[a] + ".pso";
        };
        for (int a = 0; a < 4; ++a) {
            for (int c = 0; c < 3; ++c)  // one colour channel of the source for all three
                add(file(c, c, c, a), &RgbaMix, Selectors(c, c, c, 4 + a), true);
            add(file(0, 1, 2, a), &RgbaMix, Selectors(0, 1, 2, 4 + a), true);
        }
        for (int index = 0; index < 256; ++index) {
            char name[32];
            std::snprintf(name, sizeof name, "RGBAMix_Table_%03d", index);
            add(name, &RgbaMix,
                Selectors(index >> 6 & 3, index >> 4 & 3, index >> 2 & 3, index & 3), false);
        }
        return t;
    }();
    return table;
}

}  // namespace

void RegisterBlendFilterKernels() {
    Table().Register();
}

}  // namespace platform::d3d9::kernels
