// DIB sections and DIB transfers: every source layout lands in a 24-bit
// top-down section as hand-computed pixels say; window DCs land in the client
// area; bad input draws nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "test_knobs.h"
#include "support/window_test_support.h"

using namespace windowtest;

namespace {

using Info = DibInfo;

// A 4x2 24-bit top-down section selected into a memory DC, filled with 0x7F.
struct Target {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint8_t* bits = nullptr;
    Target() {
        dc = CreateCompatibleDC(nullptr);
        Info info = MakeInfo(4, -2, 24);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint8_t*>(p);
        std::memset(bits, 0x7F, 12 * 2);
        old = SelectObject(dc, bitmap);
    }
    ~Target() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Pixel (x, y) as 0xRRGGBB.
    uint32_t At(int x, int y) const {
        const uint8_t* p = bits + y * 12 + x * 3;  // stride 12 rounds to 12 (4*3)
        return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
    // Both rows, left to right, top row first.
    std::vector<uint32_t> All() const {
        std::vector<uint32_t> v;
        for (int i = 0; i < 8; ++i) v.push_back(At(i % 4, i / 4));
        return v;
    }
};

using Px = std::vector<uint32_t>;
constexpr uint32_t G = 0x7F7F7F;  // untouched

}  // namespace

TEST(DibSections, ObjectDescribesTheSection) {
    HDC dc = CreateCompatibleDC(nullptr);
    Info info = MakeInfo(5, -3, 24);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
    // Rows of 15 bytes rounded up to 16.
    EXPECT_EQ(std::tuple(bm.bmWidth, bm.bmHeight, bm.bmWidthBytes, bm.bmBitsPixel, bm.bmPlanes),
              std::tuple(5, 3, 16, 24, 1));
    EXPECT_EQ(bm.bmBits, bits);
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_EQ(GetObjectA(bitmap, 4, &bm), 0);  // too small

    // Selected into a DC it cannot be deleted; a second DC cannot take it.
    HGDIOBJ old = SelectObject(dc, bitmap);
    ASSERT_NE(old, nullptr);
    EXPECT_FALSE(DeleteObject(bitmap));
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectA(bitmap, sizeof bm, &bm), 0);
    DeleteDC(other);
    DeleteDC(dc);

    Info bad = MakeInfo(0, 3, 24);
    EXPECT_EQ(CreateDIBSection(nullptr, bad.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    Info huge = MakeInfo(0x10000, 0x10000, 32);
    EXPECT_EQ(CreateDIBSection(nullptr, huge.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(DibTransfer, PaletteSourcesOneFourEightBits) {
    Target t;
    // 1 bit, bottom-up, 4x2: bottom row 1010, top row 0110.
    Info one = MakeInfo(4, 2, 1, BI_RGB, {0x0000FF, 0xFF0000});  // blue, red
    uint8_t oneBits[8] = {0xA0, 0, 0, 0, 0x60, 0, 0, 0};
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 4, 2, 0, 0, 0, 2, oneBits, one.get(), DIB_RGB_COLORS),
              2);
    const uint32_t b = 0x0000FF, r = 0xFF0000;
    EXPECT_EQ(t.All(), (Px{b, r, r, b, r, b, r, b}));

    // 4 bits, top-down, 2 colours used.
    Info four = MakeInfo(4, -1, 4, BI_RGB, {0x123456, 0xABCDEF});
    four.header.biClrUsed = 2;
    uint8_t fourBits[4] = {0x01, 0x10, 0, 0};
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 4, 1, 0, 0, 0, 1, fourBits, four.get(), DIB_RGB_COLORS),
              1);
    EXPECT_EQ(t.All(), (Px{0x123456, 0xABCDEF, 0xABCDEF, 0x123456, r, b, r, b}));

    // 8 bits at an offset; clipped at the right edge.
    Info eight = MakeInfo(2, -1, 8);
    eight.extra[7] = 0x00010203;
    eight.extra[9] = 0x00040506;
    uint8_t eightBits[4] = {7, 9, 0, 0};
    EXPECT_EQ(
        SetDIBitsToDevice(t.dc, 3, 1, 2, 1, 0, 0, 0, 1, eightBits, eight.get(), DIB_RGB_COLORS), 1);
    // Left of the draw: as the 1-bit draw left it.
    EXPECT_EQ(t.All(), (Px{0x123456, 0xABCDEF, 0xABCDEF, 0x123456, r, b, r, 0x010203}));
}

TEST(DibTransfer, SixteenBitFiveFiveFiveAndFiveSixFive) {
    Target t;
    Info rgb555 = MakeInfo(2, -1, 16);
    // Pure red 0x7C00 and a mid value: r=16 g=8 b=4 -> 0x4104.
    uint16_t p555[2] = {0x7C00, 0x4104};
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 1, 0, 0, 0, 1, p555, rgb555.get(), DIB_RGB_COLORS),
              1);
    // 5-bit values widen by repeating their bits: 16 -> 0x84, 8 -> 0x42, 4 -> 0x21.

    Info rgb565 = MakeInfo(2, -1, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F});
    uint16_t p565[2] = {0x07E0, 0x0821};  // green; r=1 g=1 b=1
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 1, 2, 1, 0, 0, 0, 1, p565, rgb565.get(), DIB_RGB_COLORS),
              1);
    EXPECT_EQ(t.All(), (Px{0xFF0000, 0x844221, G, G, 0x00FF00, 0x080408, G, G}));
}

TEST(DibTransfer, TwentyFourAndThirtyTwoBitBottomUpAndTopDown) {
    Target t;
    // 24-bit bottom-up 2x2: rows stored bottom first, stride 8.
    Info rgb24 = MakeInfo(2, 2, 24);
    uint8_t p24[16] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0,   // bottom row
                       0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0, 0};  // top row
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 2, 0, 0, 0, 2, p24, rgb24.get(), DIB_RGB_COLORS), 2);

    // 32-bit top-down BI_RGB: the top byte is ignored.
    Info rgb32 = MakeInfo(2, -1, 32);
    uint32_t p32[2] = {0xFFA1B2C3, 0x00D4E5F6};
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 2, 0, 2, 1, 0, 0, 0, 1, p32, rgb32.get(), DIB_RGB_COLORS), 1);

    // 32-bit BI_BITFIELDS with red and blue swapped.
    Info bgr32 = MakeInfo(1, -1, 32, BI_BITFIELDS, {0x0000FF, 0x00FF00, 0xFF0000});
    uint32_t pbgr = 0x00112233;
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 2, 1, 1, 1, 0, 0, 0, 1, &pbgr, bgr32.get(), DIB_RGB_COLORS),
              1);
    EXPECT_EQ(t.All(),
              (Px{0x131211, 0x161514, 0xA1B2C3, 0xD4E5F6, 0x030201, 0x060504, 0x332211, G}));
}

TEST(DibTransfer, SourceRectangleAndScanBands) {
    Target t;
    // Bottom-up 3x3 8-bit: index = 10*row_from_bottom + column.
    Info eight = MakeInfo(3, 3, 8);
    for (int i = 0; i < 256; ++i) eight.extra[i] = static_cast<uint32_t>(i);
    uint8_t bits[12] = {0, 1, 2, 0, 10, 11, 12, 0, 20, 21, 22, 0};
    // Source lower-left (1, 1), 2x2: rows 1..2 from the bottom, columns 1..2.
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 2, 1, 1, 0, 3, bits, eight.get(), DIB_RGB_COLORS),
              3);
    EXPECT_EQ(t.All(), (Px{21, 22, G, G, 11, 12, G, G}));

    // Only scan line 2 supplied (the top one): the rest stays.
    std::memset(t.bits, 0x7F, 24);
    EXPECT_EQ(
        SetDIBitsToDevice(t.dc, 0, 0, 3, 3, 0, 0, 2, 1, bits + 8, eight.get(), DIB_RGB_COLORS), 1);
    EXPECT_EQ(t.All(), (Px{20, 21, 22, G, G, G, G, G}));
}

TEST(DibTransfer, BadInputDrawsNothingAndReturnsZero) {
    Target t;
    uint8_t bits[64] = {};
    auto untouched = [&] { return t.All() == Px(8, G); };
    struct Case {
        int width, height, bits;
        DWORD compression;
        DWORD colours;
    };
    const Case cases[] = {{0, 1, 24, BI_RGB, 0},         {-2, 1, 24, BI_RGB, 0},
                          {2, 0, 24, BI_RGB, 0},         {2, 1, 2, BI_RGB, 0},
                          {2, 1, 12, BI_RGB, 0},         {2, 1, 8, BI_RLE8, 0},
                          {2, 1, 24, BI_BITFIELDS, 0},   {2, 1, 4, BI_RGB, 17},
                          {2, 1, 1, BI_RGB, 3},          {2, 1, 8, 99, 0},
                          {0x40000000, 4, 32, BI_RGB, 0}};
    for (const Case& c : cases) {
        Info info = MakeInfo(c.width, c.height, c.bits, c.compression);
        info.header.biClrUsed = c.colours;
        EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 1, 0, 0, 0, 1, bits, info.get(), DIB_RGB_COLORS),
                  0)
            << c.width << "x" << c.height << "x" << c.bits;
        EXPECT_TRUE(untouched());
    }
    Info ok = MakeInfo(2, 1, 24);
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 1, 0, 0, 0, 1, nullptr, ok.get(), DIB_RGB_COLORS),
              0);
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 1, 0, 0, 0, 1, bits, nullptr, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 1, 0, 0, 0, 1, bits, ok.get(), DIB_PAL_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(reinterpret_cast<HDC>(0x55), 0, 0, 2, 1, 0, 0, 0, 1, bits, ok.get(),
                                DIB_RGB_COLORS),
              0);
    EXPECT_EQ(SetDIBitsToDevice(t.dc, 0, 0, 2, 1, 0, 0, 5, 1, bits, ok.get(), DIB_RGB_COLORS), 0);
    EXPECT_TRUE(untouched());
    // A memory DC without a section has nothing to draw into.
    HDC empty = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SetDIBitsToDevice(empty, 0, 0, 2, 1, 0, 0, 0, 1, bits, ok.get(), DIB_RGB_COLORS), 0);
    DeleteDC(empty);
}

TEST(DibTransfer, WindowDcLandsInClientAreaClipped) {
    HWND w = MakeWindow(4, 3, WS_POPUP);
    ASSERT_NE(w, nullptr);
    PumpAll();
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    RECT all{0, 0, 4, 3};
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(FillRect(dc, &all, black), 1);
    Info rgb32 = MakeInfo(2, -2, 32);
    uint32_t p[4] = {0x110000, 0x220000, 0x330000, 0x440000};
    uint64_t presents = KnobWindowPresentCount(w);
    EXPECT_EQ(SetDIBitsToDevice(dc, 3, 2, 2, 2, 0, 0, 0, 2, p, rgb32.get(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(KnobWindowPresentCount(w), presents + 1);
    // The only pixel inside is (3, 2).
    EXPECT_EQ(Capture(w),
              Picture(4, 3, [](int x, int y) { return x == 3 && y == 2 ? 0x110000u : 0u; }));

    // StretchDIBits: one pixel over the whole client.
    uint32_t one = 0x00ABCDEF;
    Info single = MakeInfo(1, 1, 32);
    EXPECT_EQ(
        StretchDIBits(dc, 0, 0, 4, 3, 0, 0, 1, 1, &one, single.get(), DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(Capture(w), std::vector<uint32_t>(12, 0xABCDEF));
    // 2x2 bottom-up doubled into the top-left 4x... mirrored rows kept right.
    uint32_t quad[4] = {0x000001, 0x000002, 0x000003, 0x000004};  // bottom row first
    Info q = MakeInfo(2, 2, 32);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 2, 0, 0, 2, 2, quad, q.get(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(Capture(w), (std::vector<uint32_t>{3, 3, 4, 4, 1, 1, 2, 2, 0xABCDEF, 0xABCDEF,
                                                 0xABCDEF, 0xABCDEF}));
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 2, 0, 0, 2, 2, quad, q.get(), DIB_RGB_COLORS, 0x00EE0086),
              0);
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    EXPECT_EQ(ReleaseDC(w, dc), 0);
    DestroyWindow(w);
}

// A rectangle of a top-down 32-bit picture (top bytes set, as a renderer's
// frame may have them) lands in the window as the same rectangle without
// them, wherever it sits on the client area.
TEST(DibTransfer, WindowDcTakesARectangleOfATopDownPicture) {
    HWND w = MakeWindow(3, 2, WS_POPUP);
    ASSERT_NE(w, nullptr);
    PumpAll();
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    Info info = MakeInfo(4, -3, 32);
    uint32_t p[12];
    for (uint32_t i = 0; i < 12; ++i) p[i] = 0xAB000000u | (i + 1) * 0x010203u;
    const auto source = [&](int x, int y) { return p[y * 4 + x] & 0xFFFFFFu; };
    struct Row {
        const char* name;
        int xDest, yDest, width, height, xSrc, ySrc;
    };
    for (const Row& r :
         {Row{"whole client", 0, 0, 3, 2, 1, 1}, Row{"shifted left", -1, 0, 3, 2, 0, 0},
          Row{"one pixel", 2, 1, 1, 1, 3, 2}}) {
        RECT all{0, 0, 3, 2};
        ASSERT_EQ(FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
        EXPECT_EQ(SetDIBitsToDevice(dc, r.xDest, r.yDest, r.width, r.height, r.xSrc, r.ySrc, 0, 3,
                                    p, info.get(), DIB_RGB_COLORS),
                  3)
            << r.name;
        EXPECT_EQ(Capture(w),
                  Picture(3, 2,
                          [&](int x, int y) {
                              const bool in = x >= r.xDest && x < r.xDest + r.width &&
                                              y >= r.yDest && y < r.yDest + r.height;
                              return in ? source(x - r.xDest + r.xSrc, y - r.yDest + r.ySrc) : 0u;
                          }))
            << r.name;
    }
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    DestroyWindow(w);
}

TEST(GdiObjects, BrushesStockObjectsAndDeviceCaps) {
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectA(red, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, RGB(255, 0, 0));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red));
    HGDIOBJ null = GetStockObject(NULL_BRUSH);
    ASSERT_NE(null, nullptr);
    EXPECT_TRUE(DeleteObject(null));  // stock objects stay
    EXPECT_EQ(GetStockObject(NULL_BRUSH), null);
    EXPECT_EQ(GetStockObject(99), nullptr);

    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES), 32);
    ReleaseDC(nullptr, screen);
    KnobDesktopBits(24);
    screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 24);
    RECT r{0, 0, 1, 1};
    EXPECT_EQ(FillRect(screen, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(GetDeviceCaps(reinterpret_cast<HDC>(0x42), BITSPIXEL), 0);
}

TEST(DibTransfer, StretchShrinksMirrorsAndKeepsColumnsOutsideTheSource) {
    Target t;
    // 16-bit 565 top-down 4x1: red, green, blue, white.
    Info rgb565 = MakeInfo(4, -1, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F});
    uint16_t row[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    // Halved: every second source column.
    EXPECT_EQ(
        StretchDIBits(t.dc, 0, 0, 2, 1, 0, 0, 4, 1, row, rgb565.get(), DIB_RGB_COLORS, SRCCOPY), 1);
    // Mirrored by a negative destination width.
    EXPECT_EQ(
        StretchDIBits(t.dc, 3, 1, -4, 1, 0, 0, 4, 1, row, rgb565.get(), DIB_RGB_COLORS, SRCCOPY),
        1);
    EXPECT_EQ(t.All(), (Px{0xFF0000, 0x0000FF, G, G, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}));
    // A source rectangle reaching past the image: those columns stay as they were.
    std::memset(t.bits, 0x7F, 24);
    EXPECT_EQ(
        StretchDIBits(t.dc, 0, 0, 4, 1, 2, 0, 4, 1, row, rgb565.get(), DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(t.All(), (Px{0x0000FF, 0xFFFFFF, G, G, G, G, G, G}));
}

TEST(DibTransfer, HugeShrinkReadsOnlyTheColumnsItNeeds) {
    Target t;
    // A 1-bit row 2^30 pixels wide (128 MB of bits would be needed to hold it
    // all; only the first and last bytes are touched when shrunk to 2 pixels).
    Info wide = MakeInfo(4, -1, 1);
    wide.header.biWidth = 1 << 30;
    wide.extra[1] = 0xFFFFFF;
    std::vector<uint8_t> bits(size_t{1} << 27, 0);
    bits[0] = 0x80;  // first pixel white
    EXPECT_EQ(StretchDIBits(t.dc, 0, 0, 2, 1, 0, 0, 1 << 30, 1, bits.data(), wide.get(),
                            DIB_RGB_COLORS, SRCCOPY),
              1);
    EXPECT_EQ(t.All(), (Px{0xFFFFFF, 0, G, G, G, G, G, G}));
}
