// The blur span's fast form against its plain form, byte for byte: spans
// of 1:1 passes reaching past every edge (of the image or of a rectangle
// of it), both axes, every tap count, and spans the fast form must hand to
// the plain one.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "../../../platform/d3d9/kernels/blur_rows.h"

namespace {

using namespace platform::d3d9::kernels;
using platform::d3d9::KernelImage;

struct SpanRow {
    const char* name;
    uint32_t format;  // D3DFORMAT number: 21 A8R8G8B8, 22 X8R8G8B8, 23 R5G6B5
    bool oneToOne;    // consecutive columns of one row
    int weightsKind;  // 0 a Gaussian-like fall, 1 random signs, 2 one weight not finite, 3 huge
};

const SpanRow kSpans[] = {
    {"alpha image, 1:1", 21, true, 0},
    {"opaque image, 1:1", 22, true, 0},
    {"alpha image, 1:1, weights of both signs", 21, true, 1},
    {"alpha image, scattered texels", 21, false, 0},
    {"16-bit image, 1:1", 23, true, 0},
    {"alpha image, 1:1, a weight not finite", 21, true, 2},
    {"alpha image, 1:1, huge weights", 21, true, 3},
};

TEST(KernelBlurRows, FastFormMatchesThePlainForm) {
    std::mt19937 rng(314);
    for (const SpanRow& row : kSpans)
        for (int half : {4, 8, 16})
            for (bool across : {true, false})
                for (int trial = 0; trial < 40; ++trial) {
                    const int bytes = row.format == 23 ? 2 : 4;
                    const int w = 1 + int(rng() % 70), h = 1 + int(rng() % 70);
                    std::vector<uint8_t> pixels(size_t(w) * h * bytes + 16);
                    for (auto& b : pixels) b = uint8_t(rng());
                    const KernelImage image{pixels.data(), w * bytes, w, h, row.format};
                    const int count = 1 + int(rng() % 256);
                    std::vector<int> tx(count), ty(count);
                    const int x0 = int(rng() % (w + 40)) - 20, y0 = int(rng() % (h + 40)) - 20;
                    for (int k = 0; k < count; ++k) {
                        tx[k] = row.oneToOne ? x0 + k : int(rng() % (w + 10)) - 5;
                        ty[k] = row.oneToOne ? y0 : int(rng() % (h + 10)) - 5;
                    }
                    double weight[16];
                    for (int i = 0; i < 16; ++i) {
                        weight[i] = row.weightsKind == 1 ? double(int(rng() % 2001) - 1000) / 4000
                                                         : std::exp(-i * 0.3) / 8;
                        if (row.weightsKind == 3) weight[i] *= 1e12;
                    }
                    if (row.weightsKind == 2)
                        weight[half - 1] = std::numeric_limits<double>::infinity();
                    BlurSpan span;
                    span.image = image;
                    span.tx = tx.data(), span.ty = ty.data();
                    span.count = count, span.half = half, span.across = across;
                    span.weight = weight;
                    if (trial % 2) {  // a rectangle of the image, possibly one texel
                        span.left = int(rng() % w), span.top = int(rng() % h);
                        span.right = span.left + int(rng() % (w - span.left));
                        span.bottom = span.top + int(rng() % (h - span.top));
                    }
                    std::vector<uint32_t> fast(count), plain(count);
                    BlurSpanFast(span, fast.data());
                    BlurSpanPlain(span, plain.data());
                    ASSERT_EQ(fast, plain)
                        << row.name << ", half " << half << (across ? ", across" : ", down")
                        << ", trial " << trial;
                }
}

}  // namespace
