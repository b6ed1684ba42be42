// Draws one random scene per source kind and flag combination through the
// quad (two triangles) or the rotated blit, and compares every destination
// pixel with the per-pixel model of shape_reference.h.
#pragma once

#include <random>
#include <vector>

#include "shape_fixture.h"
#include "shape_reference.h"

namespace shapetest {

struct KindSetup {
    RefKind kind;
    int colorType, palette, alpha;
};
constexpr KindSetup kKinds[] = {
    {kDirect16, kMemImgColor16, 0, 0},  {kAlpha16, kMemImgColor16, 0, 1},
    {kDirect32, kMemImgColor32, 0, 0},  {kAlpha32, kMemImgColor32, 0, 1},
    {kPalette16, kMemImgColor16, 1, 0}, {kPalette32, kMemImgColor32, 1, 0},
};

// flags: bit 0 blend image, bit 1 white brightness, bit 2 transparent flag.
// drawer 0 is the quad, 1 the rotated blit at angle 0 and scale 1. The
// brightness choice picks between the two white forms, or between a
// brightness whose blue byte alone is 254 and a random one.
inline void CheckAgainstModel(std::mt19937& rng, const KindSetup& ks, int flags, int drawer,
                              int brightChoice, int mode, int p) {
    auto byte = [&] { return uint8_t(rng()); };
    const bool blend = flags & 1, white = flags & 2, trans = flags & 4;
    const uint32_t bright = white ? (brightChoice ? 0xFFFFFFFFu : 0x00FFFFFFu)
                                  : (brightChoice ? 0x00FFFFFEu : (rng() & 0xFFFFFF) | 0x01000000u);
    SCOPED_TRACE(testing::Message()
                 << "mode " << mode << " p " << p << " kind " << ks.kind << " flags " << flags
                 << " drawer " << drawer << " bright " << bright);
    const int w = 7, h = 5;
    Image src(w, h, ks.colorType, ks.palette, ks.alpha);
    const uint32_t transColor = ks.palette ? byte()
                                : (ks.colorType == kMemImgColor16 && !ks.alpha)
                                    ? uint32_t(rng() & 0xFFFF)
                                    : uint32_t(rng());
    src.m.body->transparentColor = transColor;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t v = rng();
            if (rng() % 5 == 0) v = transColor;
            if (rng() % 7 == 0) v |= 0x00FFFFFFu;  // full channels saturate and lose steps
            if (ks.alpha) {
                const int pick = rng() % 4;
                const uint32_t a = pick == 0 ? 0 : pick == 1 ? 255 : byte();
                v = ks.colorType == kMemImgColor16 ? (v & 0xFF00FFFF) | a << 16
                                                   : (v & 0x00FFFFFF) | a << 24;
            }
            src.Set(x, y, v);
        }
    if (ks.palette)
        for (int i = 0; i < 2048; ++i) src.m.body->palette[i] = byte();
    Image blendImage(w, h, kMemImgColor32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) blendImage.Set(x, y, rng());
    for (int i = 0; i < 256; ++i) MemImgBlendImageTable[i] = byte();
    MemImgBlendImageTable[0] = 0;
    MemImgBlendImageTable[255] = 255;
    SetMemImgDrawBright(bright);
    SetMemImgBlendMode(mode, p);

    Image dest(16, 12, ks.colorType);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) dest.Set(x, y, rng() % 6 == 0 ? 0xFFFFFFFFu : rng());
    const std::vector<uint32_t> before = dest.Pixels();
    const int ox = 4, oy = 3;
    const MEMIMG* b = blend ? &blendImage.m : nullptr;
    if (drawer == 0)
        DrawBox(dest, src, ox, oy, trans, b);
    else
        MemImgBlitRotate(&dest.m, &src.m, ox + w / 2, oy + h / 2, 0.0f, 1.0f, trans, 0, b);

    // The quad's two triangles both draw their shared edge, so pixels there
    // are written twice. Which ones: two flat fills in plain copy.
    Image first(16, 12, kMemImgColor32), second(16, 12, kMemImgColor32);
    const MemImgVertex t1[3] = {{ox, oy, 0, 0}, {ox + w, oy, 0, 0}, {ox, oy + h, 0, 0}};
    const MemImgVertex t2[3] = {{ox + w, oy, 0, 0}, {ox, oy + h, 0, 0}, {ox + w, oy + h, 0, 0}};
    SetMemImgDrawBright(0xFFFFFF);
    SetMemImgBlendMode(0, 255);
    MemImgTriangle(&first.m, nullptr, t1, 0, nullptr, 1);
    MemImgTriangle(&second.m, nullptr, t2, 0, nullptr, 1);
    RefFlags f{ks.kind, blend, trans, bright, transColor};
    f.mode = mode;
    f.p = p;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t d0 = before[y * 16 + x];
            const int tx = x - ox, ty = y - oy;
            uint32_t want = d0;
            if (tx >= 0 && tx < w && ty >= 0 && ty < h) {
                // One byte per texel, whatever the blend image's type.
                const int factor =
                    MemImgBlendImageTable[blendImage.m.pixels[ty * blendImage.m.body->pitch + tx]];
                want = RefTextured(f, src.At(tx, ty), src.m.body->palette, factor, d0);
                if (drawer == 0 && first.Get(x, y) && second.Get(x, y))
                    want = RefTextured(f, src.At(tx, ty), src.m.body->palette, factor, want);
            }
            ASSERT_EQ(dest.Get(x, y), want) << x << "," << y << " was " << d0;
        }
}

// Every source kind, flag combination, drawer and brightness choice.
inline void CheckEveryLoop(uint32_t seed, int mode, int p) {
    std::mt19937 rng(seed);
    for (const KindSetup& ks : kKinds)
        for (int flags = 0; flags < 8; ++flags)
            for (int drawer = 0; drawer < 2; ++drawer)
                for (int brightChoice = 0; brightChoice < 2; ++brightChoice) {
                    CheckAgainstModel(rng, ks, flags, drawer, brightChoice, mode, p);
                    if (testing::Test::HasFatalFailure()) return;
                }
}

}  // namespace shapetest
