// Every plain-copy loop (six source kinds, every blend image, brightness and
// transparent combination, through the triangle and the rotated blit)
// against the per-pixel model.
#include <random>

#include "shape_model_check.h"

using namespace shapetest;

namespace {

using PlainCopyModel = ShapeTest;

TEST_F(PlainCopyModel, EveryLoopMatchesTheModelThroughBothDrawers) {
    CheckEveryLoop(77, 0, 0);
}

TEST_F(PlainCopyModel, ModeOneAtFullParameterDrawsAsModeZero) {
    std::mt19937 rng(5);
    for (const KindSetup& ks : kKinds)
        for (int flags = 0; flags < 8; ++flags) {
            Image src(6, 6, ks.colorType, ks.palette, ks.alpha, 3);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 6; ++x) src.Set(x, y, rng() % 7 == 0 ? 3 : rng());
            if (ks.palette)
                for (int i = 0; i < 2048; ++i) src.m.body->palette[i] = uint8_t(rng());
            Image blendImage(6, 6, kMemImgColor32);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 6; ++x) blendImage.Set(x, y, rng());
            SetMemImgDrawBright(flags & 2 ? 0xFFFFFF : 0x806040);
            const MEMIMG* b = flags & 1 ? &blendImage.m : nullptr;
            Image d0(10, 10, ks.colorType), d1(10, 10, ks.colorType);
            d0.Fill(0x5A5A5A5A);
            d1.Fill(0x5A5A5A5A);
            SetMemImgBlendMode(0, 0);
            DrawBox(d0, src, 2, 1, flags & 4, b);
            MemImgBlitRotate(&d0.m, &src.m, 5, 6, 0.5f, 1.3f, flags & 4, 0, b);
            SetMemImgBlendMode(1, 255);
            DrawBox(d1, src, 2, 1, flags & 4, b);
            MemImgBlitRotate(&d1.m, &src.m, 5, 6, 0.5f, 1.3f, flags & 4, 0, b);
            EXPECT_EQ(d0.Pixels(), d1.Pixels()) << ks.kind << " " << flags;
        }
}

}  // namespace
