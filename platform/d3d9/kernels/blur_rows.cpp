// The blur's span in its plain and fast forms (see blur_rows.h).
#include "blur_rows.h"

#include <cmath>
#include <vector>

#include "kernel_math.h"

namespace platform::d3d9::kernels {

namespace {

constexpr int kMax = PixelSpan::kMaxPixels;
constexpr int kMaxReach = 30;  // 2 x (16 - 1)

bool Wide(const KernelImage& image) {
    return image.format == kFormatArgb32 || image.format == kFormatXrgb32;
}

// The span's readable rectangle cut to its image (inclusive).
struct Bounds {
    int left, top, right, bottom;
};

Bounds BoundsOf(const BlurSpan& s) {
    const int right = std::min(s.right, s.image.width - 1);
    const int bottom = std::min(s.bottom, s.image.height - 1);
    return {std::clamp(s.left, 0, right), std::clamp(s.top, 0, bottom), right, bottom};
}

// The texel at (x, y) of a 32-bit image, as channels.
Colour WideTexel(const KernelImage& image, int x, int y) {
    const uint8_t* p = image.pixels + size_t(y) * image.pitch + size_t(x) * 4;
    return Colour{p[2], p[1], p[0], image.format == kFormatXrgb32 ? 255 : p[3]};
}

// Every pixel's weighed sums, tap by tap: per pixel the plain form's
// operations in its order. `at[step]` is where tap `step` of pixel 0 lies.
[[gnu::always_inline]] inline void WeighTaps(uint8_t* const channel[4], const int* at,
                                             const double* weight, int half, int n,
                                             double (*sum)[PixelSpan::kMaxPixels]) {
    for (int ch = 0; ch < 4; ++ch) {
        double* acc = sum[ch];
        const uint8_t* plane = channel[ch];
        const uint8_t* centre = plane + at[0];
        for (int k = 0; k < n; ++k) acc[k] = weight[0] * centre[k];
        for (int i = 1; i < half; ++i) {
            const uint8_t* a = plane + at[-2 * i + 1];
            const uint8_t* b = plane + at[-2 * i];
            const uint8_t* c = plane + at[2 * i - 1];
            const uint8_t* d = plane + at[2 * i];
            const double w = weight[i];
            for (int k = 0; k < n; ++k) acc[k] += w * double(a[k] + b[k] + c[k] + d[k]);
        }
    }
}

void Weigh(uint8_t* const channel[4], const int* at, const double* weight, int half, int n,
           double (*sum)[PixelSpan::kMaxPixels]) {
    WeighTaps(channel, at, weight, half, n, sum);
}

#if defined(__x86_64__)
// The same loops four doubles a register; without fused multiply-adds each
// lane's products and sums are the plain ones.
[[gnu::target("avx2")]] void WeighAvx2(uint8_t* const channel[4], const int* at,
                                       const double* weight, int half, int n,
                                       double (*sum)[PixelSpan::kMaxPixels]) {
    WeighTaps(channel, at, weight, half, n, sum);
}
#endif

}  // namespace

void BlurSpanPlain(const BlurSpan& s, uint32_t* out) {
    const KernelImage& image = s.image;
    const int reach = 2 * (s.half - 1);
    const Bounds in = BoundsOf(s);
    Colour line[2 * kMaxReach + 1];
    for (int k = 0; k < s.count; ++k) {
        // The texels the pixel's taps read, clamped to the rectangle.
        for (int step = -reach; step <= reach; ++step) {
            const int x = std::clamp(s.across ? s.tx[k] + step : s.tx[k], in.left, in.right);
            const int y = std::clamp(s.across ? s.ty[k] : s.ty[k] + step, in.top, in.bottom);
            line[step + reach] =
                Wide(image) ? WideTexel(image, x, y) : Split(ReadTexel(image, x, y));
        }
        const Colour* at = line + reach;
        const double* weight = s.weight;
        double sum[4] = {weight[0] * at[0].r, weight[0] * at[0].g, weight[0] * at[0].b,
                         weight[0] * at[0].a};
        for (int i = 1; i < s.half; ++i) {
            const Colour& a = at[-2 * i + 1];
            const Colour& b = at[-2 * i];
            const Colour& c = at[2 * i - 1];
            const Colour& d = at[2 * i];
            sum[0] += weight[i] * double(a.r + b.r + c.r + d.r);
            sum[1] += weight[i] * double(a.g + b.g + c.g + d.g);
            sum[2] += weight[i] * double(a.b + b.b + c.b + d.b);
            sum[3] += weight[i] * double(a.a + b.a + c.a + d.a);
        }
        out[k] = Join(int(std::lround(sum[0])), int(std::lround(sum[1])), int(std::lround(sum[2])),
                      int(std::lround(sum[3])));
    }
}

void BlurSpanFast(const BlurSpan& s, uint32_t* out) {
    const KernelImage& image = s.image;
    const int n = s.count;
    // Spans of a 1:1 pass: one source row, consecutive columns.
    bool oneToOne = Wide(image) && n > 0 && n <= kMax && s.half >= 1 && s.half <= 16;
    for (int k = 1; oneToOne && k < n; ++k) oneToOne = s.tx[k] == s.tx[0] + k && s.ty[k] == s.ty[0];
    // Weights that keep every sum well inside an int, as the plain form's
    // conversion needs to give the same channel.
    for (int i = 0; oneToOne && i < s.half; ++i) oneToOne = std::fabs(s.weight[i]) <= 65536.0;
    if (!oneToOne) return BlurSpanPlain(s, out);
    const int reach = 2 * (s.half - 1);
    // Channel planes of the span's texels. Across: one line, tap `step` of
    // pixel k at k + reach + step. Down: a line per step, pixel k at k.
    thread_local std::vector<uint8_t> planes;
    const int lineLength = s.across ? n + 2 * reach : n;
    const int lines = s.across ? 1 : 2 * reach + 1;
    const size_t plane = size_t(lineLength) * lines;
    planes.resize(plane * 4);
    uint8_t* channel[4] = {planes.data(), planes.data() + plane, planes.data() + 2 * plane,
                           planes.data() + 3 * plane};
    const bool opaque = image.format == kFormatXrgb32;
    const Bounds in = BoundsOf(s);
    for (int line = 0; line < lines; ++line) {
        const int y = std::clamp(s.across ? s.ty[0] : s.ty[0] - reach + line, in.top, in.bottom);
        const uint8_t* source = image.pixels + size_t(y) * image.pitch;
        const int first = s.across ? s.tx[0] - reach : s.tx[0];
        const size_t row = size_t(line) * lineLength;
        for (int j = 0; j < lineLength; ++j) {
            const uint8_t* p = source + size_t(std::clamp(first + j, in.left, in.right)) * 4;
            channel[0][row + j] = p[2], channel[1][row + j] = p[1], channel[2][row + j] = p[0];
            channel[3][row + j] = opaque ? 255 : p[3];
        }
    }
    // Where each tap of pixel 0 lies in a channel plane.
    int offset[2 * kMaxReach + 1];
    for (int step = -reach; step <= reach; ++step)
        offset[step + reach] = s.across ? reach + step : (step + reach) * lineLength;
    double sum[4][kMax];
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        WeighAvx2(channel, offset + reach, s.weight, s.half, n, sum);
    else
#endif
        Weigh(channel, offset + reach, s.weight, s.half, n, sum);
    for (int k = 0; k < n; ++k)
        out[k] = uint32_t(RoundChannel(sum[3][k])) << 24 | uint32_t(RoundChannel(sum[0][k])) << 16 |
                 uint32_t(RoundChannel(sum[1][k])) << 8 | uint32_t(RoundChannel(sum[2][k]));
}

}  // namespace platform::d3d9::kernels
