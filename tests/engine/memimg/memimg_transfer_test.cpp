// Transfer of BaseImages into MEMIMGs: converted pixels, the palette block,
// the premultiplied alpha plane, the run table, clipping and block formats.
// Expected values are worked out by hand from the formulas.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/tracked_memory.h"
#include "image/image_memory.h"
#include "image/memimg.h"
#include "memimg_test_support.h"

using namespace DuRud;
using namespace memimgtest;

namespace {

using Bytes = std::vector<uint8_t>;

// A record with planes: the run table (and the alpha plane with alpha).
struct Planed {
    MEMIMG m{};
    Planed(int w, int h, int type, int palette, int alpha, uint32_t transparent = 0) {
        EXPECT_EQ(SetupMemImg(&m, w, h, -1, transparent, type, palette, alpha, 1, nullptr), 0);
    }
    ~Planed() { DropMemImg(&m); }
};

int TransferWhole(const Picture& p, MEMIMG* m, const BaseImage* alpha = nullptr) {
    return TransferBaseImageToMemImg(&p.image, alpha, m, 0, 0, p.image.width, p.image.height, 0, 0,
                                     0);
}

TEST(MemImgTransfer, PremultipliedPlaneOf32BitPixels) {
    Picture p(2, 1, FormatA8R8G8B8);
    p.Set32(0, 0, 0x80FF8040);
    p.Set32(1, 0, 0xFF102030);
    Planed d(2, 1, kMemImgColor32, 0, 1);
    ASSERT_EQ(TransferWhole(p, &d.m), 0);
    EXPECT_EQ(Get(d.m, 0, 0), 0x80FF8040u);
    // 0xFF * 0x80 >> 8 = 0x7F, 0x80 * 0x80 >> 8 = 0x40, 0x40 * 0x80 >> 8 = 0x20.
    EXPECT_EQ(AlphaPlaneAt(d.m, 0, 0), 0x807F4020u);
    // Alpha 255 scales by 255 / 256: 0x10 -> 0x0F, 0x20 -> 0x1F, 0x30 -> 0x2F.
    EXPECT_EQ(AlphaPlaneAt(d.m, 1, 0), 0xFF0F1F2Fu);
    EXPECT_EQ(d.m.body->alphaPlaneValid, 1);
    EXPECT_EQ(d.m.body->runTableValid, 1);
}

TEST(MemImgTransfer, PremultipliedPlaneOf16BitPixelsWithAlpha) {
    Picture p(1, 1, FormatA8R8G8B8);
    p.Set32(0, 0, 0x80FFFFFF);  // white at alpha 0x80: R5G6B5 0xFFFF
    Planed d(1, 1, kMemImgColor16, 0, 1);
    ASSERT_EQ(TransferWhole(p, &d.m), 0);
    EXPECT_EQ(Get(d.m, 0, 0) & 0xFFFFFF, 0x80FFFFu);
    // (0x7C0000 & 0xF80000 | 0x3F000 & 0x7E000 | 0xF80 & 0x1F00) >> 8 = 0x7BEF.
    EXPECT_EQ(AlphaPlaneAt(d.m, 0, 0), 0x807BEFu);
}

TEST(MemImgTransfer, LongOpaqueLineSplitsInto64AndTheRest) {
    Picture p(70, 2, FormatX8R8G8B8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 70; ++x) p.Set32(x, y, 0x00102030);
    Planed d(70, 2, kMemImgColor32, 0, 0, 0x12345678);
    ASSERT_EQ(TransferWhole(p, &d.m), 0);
    EXPECT_EQ(RunLines(d.m, 2), (Bytes{0x7F, 0x45, 0xC0, 0x7F, 0x45, 0xC0}));
}

TEST(MemImgTransfer, AlphaKindsFromTheAlphaByte) {
    Picture p(5, 1, FormatA8R8G8B8);
    const uint32_t px[5] = {0x00112233, 0xFF112233, 0x80112233, 0x01112233, 0xFE112233};
    for (int x = 0; x < 5; ++x) p.Set32(x, 0, px[x]);
    // Kinds 0, 1, 2, 2, 2: one transparent, one opaque, three translucent.
    const Bytes expected{0x00, 0x40, 0x82, 0xC0};
    {
        Planed d(5, 1, kMemImgColor32, 0, 1);  // alpha in byte 3
        ASSERT_EQ(TransferWhole(p, &d.m), 0);
        EXPECT_EQ(RunLines(d.m, 1), expected);
    }
    {
        Planed d(5, 1, kMemImgColor16, 0, 1);  // alpha in byte 2
        ASSERT_EQ(TransferWhole(p, &d.m), 0);
        for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(d.m, x, 0)[2], px[x] >> 24) << x;
        EXPECT_EQ(RunLines(d.m, 1), expected);
    }
}

TEST(MemImgTransfer, TransparentRunsOf32BitPixels) {
    Picture p(7, 2, FormatX8R8G8B8);
    const uint32_t key = 0x00FF00FF, other = 0x00FF00FE;
    const uint32_t row0[7] = {key, key, key, other, other, key, other};
    for (int x = 0; x < 7; ++x) {
        p.Set32(x, 0, row0[x]);
        p.Set32(x, 1, key);
    }
    Planed d(7, 2, kMemImgColor32, 0, 0, key);
    ASSERT_EQ(TransferWhole(p, &d.m), 0);
    EXPECT_EQ(RunLines(d.m, 2), (Bytes{0x02, 0x41, 0x00, 0x40, 0xC0, 0x06, 0xC0}));
}

TEST(MemImgTransfer, TransparentRunsOf16BitPixels) {
    Picture p(4, 1, FormatX8R8G8B8);
    // 0xFF00FF reduces to R5G6B5 0xF81F; 0xFF08FF to 0xF85F.
    const uint32_t px[4] = {0x00FF00FF, 0x00FF00FF, 0x00FF08FF, 0x00FF00FF};
    for (int x = 0; x < 4; ++x) p.Set32(x, 0, px[x]);
    Planed d(4, 1, kMemImgColor16, 0, 0, 0xF81F);
    ASSERT_EQ(TransferWhole(p, &d.m), 0);
    EXPECT_EQ(Get(d.m, 0, 0), 0xF81Fu);
    EXPECT_EQ(Get(d.m, 2, 0), 0xF85Fu);
    EXPECT_EQ(RunLines(d.m, 1), (Bytes{0x01, 0x40, 0x00, 0xC0}));
}

// A palette picture: indices 5, 5, 1, 7 and three known entries.
struct PalettePicture : Picture {
    PalettePicture() : Picture(4, 1, FormatPal8) {
        const uint8_t idx[4] = {5, 5, 1, 7};
        for (int x = 0; x < 4; ++x) Set8(x, 0, idx[x]);
        image.colorFormat.palette[1] = PaletteEntry{0x30, 0x20, 0x10, 0x99};
        image.colorFormat.palette[5] = PaletteEntry{0x00, 0x00, 0xFF, 0x00};
        image.colorFormat.palette[7] = PaletteEntry{0x08, 0x80, 0xFF, 0x00};
    }
};

TEST(MemImgTransfer, PaletteIndicesEntriesAndRuns) {
    PalettePicture p;
    {
        Planed d(4, 1, kMemImgColor32, 1, 0, 5);
        ASSERT_EQ(TransferWhole(p, &d.m), 0);
        const uint32_t indices[4] = {5, 5, 1, 7};
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Get(d.m, x, 0), indices[x]) << x;
        EXPECT_EQ(d.m.body->paletteEntriesUsed, 8);  // largest index 7
        const uint8_t* pal = d.m.body->palette;
        EXPECT_EQ(ReadPixelValue(pal + 4 * 1, 4), 0x00102030u);  // 0x00RRGGBB, alpha dropped
        EXPECT_EQ(ReadPixelValue(pal + 4 * 5, 4), 0x00FF0000u);
        EXPECT_EQ(ReadPixelValue(pal + 4 * 7, 4), 0x00FF8008u);
        EXPECT_EQ(std::memcmp(d.m.body->drawPalette, pal, 1024), 0);
        EXPECT_EQ(RunLines(d.m, 1), (Bytes{0x01, 0x41, 0xC0}));
    }
    {
        // R5G6B5 entries: (0xFF >> 3) << 11 | (0x80 >> 2) << 5 | 0x08 >> 3 = 0xFC01.
        Planed d(4, 1, kMemImgColor16, 1, 0, 5);
        ASSERT_EQ(TransferWhole(p, &d.m), 0);
        const uint8_t* pal = d.m.body->palette;
        EXPECT_EQ(ReadPixelValue(pal + 2 * 7, 2), 0xFC01u);
        EXPECT_EQ(ReadPixelValue(pal + 2 * 1, 2), 0x1106u);  // 2 << 11 | 8 << 5 | 6
        EXPECT_EQ(ReadPixelValue(pal + 2 * 5, 2), 0xF800u);
        EXPECT_EQ(std::memcmp(d.m.body->drawPalette, pal, 512), 0);
        EXPECT_EQ(d.m.body->paletteEntriesUsed, 8);
    }
}

TEST(MemImgTransfer, PaletteRunsCompareTheWhole32BitTransparentValue) {
    PalettePicture p;
    // 0x105 has low byte 5 but is no index: nothing is transparent. The
    // "not set yet" value 0xFFFF matches nothing either.
    for (uint32_t key : {0x105u, 0xFFFFu}) {
        Planed d(4, 1, kMemImgColor32, 1, 0, key);
        ASSERT_EQ(TransferWhole(p, &d.m), 0);
        EXPECT_EQ(RunLines(d.m, 1), (Bytes{0x43, 0xC0})) << key;
    }
}

TEST(MemImgTransfer, SingleChannelTypesReceiveTheRed) {
    Picture p(2, 1, FormatA8R8G8B8);
    p.Set32(0, 0, 0x11223344);  // red 0x22
    p.Set32(1, 0, 0xFFAB0000);  // red 0xAB
    for (int type : {kMemImgSingle8, kMemImgSingle16}) {
        MEMIMG m;
        ASSERT_EQ(NewMemImg(&m, 2, 1, type), 0);
        ASSERT_EQ(TransferWhole(p, &m), 0);
        EXPECT_EQ(RowOf(m, 0, 2), (std::vector<uint32_t>{0x22, 0xAB})) << type;
        DropMemImg(&m);
    }
}

TEST(MemImgTransfer, SmallerRectangleLeavesBothFlagsClear) {
    Picture p(4, 4, FormatA8R8G8B8);
    Planed d(4, 4, kMemImgColor32, 0, 1);
    // A narrower and an empty rectangle both leave the planes stale.
    for (int width : {3, 0}) {
        ASSERT_EQ(TransferWhole(p, &d.m), 0);
        ASSERT_EQ(d.m.body->runTableValid + d.m.body->alphaPlaneValid, 2);
        EXPECT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &d.m, 0, 0, width, 4, 0, 0, 0), 0);
        EXPECT_EQ(d.m.body->runTableValid + d.m.body->alphaPlaneValid, 0) << width;
        EXPECT_EQ(MemImgRunTableMatches(&d.m), 0);
    }
}

TEST(MemImgTransfer, RunTableOfAViewDescribesThatViewOnly) {
    Planed owner(8, 4, kMemImgColor32, 0, 0, 0x00FF00FF);
    MEMIMG view;
    ASSERT_EQ(ViewMemImg(&view, &owner.m, 2, 1, 4, 2), 0);
    Picture p(4, 2, FormatX8R8G8B8);
    for (int x = 0; x < 4; ++x) {
        p.Set32(x, 0, x == 0 ? 0x00FF00FF : 0x00000100 + x);
        p.Set32(x, 1, 0x00000200);
    }
    ASSERT_EQ(TransferWhole(p, &view), 0);
    EXPECT_EQ(MemImgRunTableMatches(&view), 1);
    EXPECT_EQ(MemImgRunTableMatches(&owner.m), 0);
    EXPECT_EQ(RowOf(owner.m, 1, 3, 1), (std::vector<uint32_t>{0, 0x00FF00FF, 0x00000101}));
    EXPECT_EQ(Get(owner.m, 2, 2), 0x00000200u);
    EXPECT_EQ(RunLines(view, 2), (Bytes{0x00, 0x42, 0xC0, 0x43, 0xC0}));

    // A second view of the same size elsewhere is not described either.
    MEMIMG other;
    ASSERT_EQ(ViewMemImg(&other, &owner.m, 0, 0, 4, 2), 0);
    EXPECT_EQ(MemImgRunTableMatches(&other), 0);
    // The owner's own whole transfer moves the table to the owner.
    Picture whole(8, 4, FormatX8R8G8B8);
    ASSERT_EQ(TransferWhole(whole, &owner.m), 0);
    EXPECT_EQ(MemImgRunTableMatches(&owner.m), 1);
    EXPECT_EQ(MemImgRunTableMatches(&view), 0);
    DropMemImg(&view);
    DropMemImg(&other);
}

// Source pixel (x, y) of the 4 x 4 picture below.
uint32_t Marker(int x, int y) {
    return 0x00A00000u | uint32_t(y) << 8 | uint32_t(x);
}

TEST(MemImgTransfer, OverhangingRectanglesCopyOnlyTheOverlap) {
    Picture p(4, 4, FormatX8R8G8B8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) p.Set32(x, y, Marker(x, y));
    const uint32_t blank = 0x00777777;
    {
        // Source from x = -1 to 3 placed at (2, 1): only source column 0,
        // rows 0..2, lands in destination column 3, rows 1..3.
        MEMIMG d;
        ASSERT_EQ(NewMemImg(&d, 4, 4, kMemImgColor32), 0);
        ClearMemImgRect(&d, nullptr, blank);
        ASSERT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &d, -1, 0, 4, 4, 2, 1, 0), 0);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const uint32_t want = (x == 3 && y >= 1) ? Marker(0, y - 1) : blank;
                EXPECT_EQ(Get(d, x, y), want) << x << "," << y;
            }
        }
        DropMemImg(&d);
    }
    {
        // Placed at (-2, -1): destination (0..1, 0..2) gets source (2..3, 1..3).
        MEMIMG d;
        ASSERT_EQ(NewMemImg(&d, 4, 4, kMemImgColor32), 0);
        ClearMemImgRect(&d, nullptr, blank);
        ASSERT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &d, 0, 0, 4, 4, -2, -1, 0), 0);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const uint32_t want = (x < 2 && y < 3) ? Marker(x + 2, y + 1) : blank;
                EXPECT_EQ(Get(d, x, y), want) << x << "," << y;
            }
        }
        // Far outside on any side, or huge sizes: nothing copied, no fault.
        EXPECT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &d, 0, 0, 4, 4, 4, 0, 0), 0);
        EXPECT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &d, 9, 9, 4, 4, 0, 0, 0), 0);
        EXPECT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &d, INT32_MIN, INT32_MIN, INT32_MAX,
                                            INT32_MAX, INT32_MAX, 0, 0),
                  0);
        EXPECT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &d, 3, 3, INT32_MAX, INT32_MAX,
                                            INT32_MIN, INT32_MIN, 0),
                  0);
        EXPECT_EQ(Get(d, 3, 3), blank);
        DropMemImg(&d);
    }
}

TEST(MemImgTransfer, ASmallerAlphaImageLimitsTheRectangle) {
    Picture p(4, 4, FormatX8R8G8B8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) p.Set32(x, y, 0x00AABBCC);
    Picture a(2, 2, FormatGray8);
    a.Set8(0, 0, 0x40);
    a.Set8(1, 0, 0x00);
    a.Set8(0, 1, 0xFF);
    a.Set8(1, 1, 0x80);
    Planed d(4, 4, kMemImgColor32, 0, 1);
    ASSERT_EQ(TransferWhole(p, &d.m, &a.image), 0);
    // Outside the 2 x 2 alpha image the destination stays untouched.
    EXPECT_EQ(RowOf(d.m, 0, 3), (std::vector<uint32_t>{0x40AABBCC, 0x00AABBCC, 0}));
    EXPECT_EQ(RowOf(d.m, 1, 3), (std::vector<uint32_t>{0xFFAABBCC, 0x80AABBCC, 0}));
    EXPECT_EQ(Get(d.m, 0, 2), 0u);
    EXPECT_EQ(d.m.body->runTableValid, 0);  // only 2 x 2 of 4 x 4
}

// A DXT1 block: colour 0 white, colour 1 black; pixel 0 takes colour 1.
TEST(MemImgTransfer, BlockCompressedImageTransfersAsDecodedPixels) {
    BaseImage im{};
    im.colorFormat.formatCode = kFormatDxt1;
    im.colorFormat.bytesPerPixel = 4;
    im.width = 4;
    im.height = 4;
    const uint8_t block[8] = {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    im.pixels = IMAGE_ALLOC(8);
    std::memcpy(im.pixels, block, 8);
    const int blocks = MemGetCount();
    {
        MEMIMG d;
        ASSERT_EQ(NewMemImg(&d, 4, 4, kMemImgColor32), 0);
        ASSERT_EQ(TransferBaseImageToMemImg(&im, nullptr, &d, 0, 0, 4, 4, 0, 0, 0), 0);
        EXPECT_EQ(Get(d, 0, 0) & 0xFFFFFF, 0u);
        EXPECT_EQ(Get(d, 1, 0) & Get(d, 3, 3) & 0xFFFFFF, 0xFFFFFFu);
        DropMemImg(&d);
    }
    // The caller's record is as it was, and the decoded copy is gone.
    EXPECT_EQ(im.colorFormat.formatCode, kFormatDxt1);
    EXPECT_EQ(std::memcmp(im.pixels, block, 8), 0);
    EXPECT_EQ(MemGetCount(), blocks);
    FreeBaseImagePixels(&im);
}

TEST(MemImgTransfer, BadInputIsRefused) {
    Picture p(2, 2, FormatX8R8G8B8);
    MEMIMG d;
    ASSERT_EQ(NewMemImg(&d, 2, 2, kMemImgColor32), 0);
    EXPECT_EQ(TransferBaseImageToMemImg(nullptr, nullptr, &d, 0, 0, 2, 2, 0, 0, 0), -1);
    EXPECT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, nullptr, 0, 0, 2, 2, 0, 0, 0), -1);
    MEMIMG empty{};
    EXPECT_EQ(TransferBaseImageToMemImg(&p.image, nullptr, &empty, 0, 0, 2, 2, 0, 0, 0), -1);
    BaseImage noPixels = p.image;
    noPixels.pixels = nullptr;
    EXPECT_EQ(TransferBaseImageToMemImg(&noPixels, nullptr, &d, 0, 0, 2, 2, 0, 0, 0), -1);
    EXPECT_EQ(TransferBaseImageToMemImg(&p.image, &noPixels, &d, 0, 0, 2, 2, 0, 0, 0), -1);
    BaseImage badBlocks = p.image;
    badBlocks.colorFormat.formatCode = 9;
    EXPECT_EQ(TransferBaseImageToMemImg(&badBlocks, nullptr, &d, 0, 0, 2, 2, 0, 0, 0), -1);
    DropMemImg(&d);
}

}  // namespace
