// The fast forms of the textured 2D kernels' rows against their plain
// forms, byte for byte, on random rows of every length up to a span.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../../../platform/d3d9/kernels/two_d_rows.h"

namespace {

using namespace platform::d3d9::kernels;

using RowFunction = void (*)(const BlendGraphicRow&, uint32_t*);

struct LayoutRow {
    const char* name;
    RowFunction fast, plain;
};

const LayoutRow kLayouts[] = {
    {"one texture", &OneTextureRow, &OneTextureRowPlain},
    {"cross-fade", &CrossFadeRow, &CrossFadeRowPlain},
    {"wipe", &WipeRow, &WipeRowPlain},
    {"alpha mask", &AlphaMaskRow, &AlphaMaskRowPlain},
};

// Texels drawn from the extremes as well as at random, so that saturation
// and the last step of the rounding are reached.
uint32_t Texel(std::mt19937& rng) {
    switch (rng() % 4) {
        case 0:
            return 0xFFFFFFFFu;
        case 1:
            return rng() & 0xFF0000FFu;
        default:
            return uint32_t(rng());
    }
}

TEST(KernelBlendGraphicRows, FastFormsMatchThePlainForms) {
    std::mt19937 rng(41);
    for (const LayoutRow& layout : kLayouts)
        for (int kind : {0, 1, 2, 3})
            for (int trial = 0; trial < 300; ++trial) {
                const int count = 1 + int(rng() % 256);
                std::vector<uint32_t> blend(count), drawn(count), diffuse(count), specular(count);
                for (int k = 0; k < count; ++k) {
                    blend[k] = Texel(rng), drawn[k] = Texel(rng), specular[k] = Texel(rng);
                    diffuse[k] = trial % 3 == 0 ? 0xFFFFFFFFu : Texel(rng);
                }
                BlendGraphicRow row;
                row.blend = blend.data(), row.drawn = drawn.data(), row.diffuse = diffuse.data();
                row.specular = specular.data();
                row.count = count, row.kind = kind;
                row.ignoreAlpha = trial % 2 != 0;
                const int weights[4] = {0, 255, 128, int(rng() % 256)};
                row.weight = weights[trial % 4];
                row.shift = int(rng() % 511) - 255;
                row.scale = 1 << (rng() % 3);
                row.replaceColour = trial % 5 == 0;
                const uint32_t factor = Texel(rng);
                row.factor = {int(factor >> 16 & 255), int(factor >> 8 & 255), int(factor & 255),
                              int(factor >> 24)};
                std::vector<uint32_t> fast(count + 1, 0x12345678u), plain(count + 1, 0x12345678u);
                layout.fast(row, fast.data());
                layout.plain(row, plain.data());
                // The word past the row stays untouched.
                ASSERT_EQ(fast, plain)
                    << layout.name << " kind " << kind << " count " << count << " weight "
                    << row.weight << " shift " << row.shift << " scale " << row.scale;
            }
}

}  // namespace
