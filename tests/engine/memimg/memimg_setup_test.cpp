// Set-up, descriptors, views and release of MEMIMG records, including every
// allocation failing in turn.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "core/tracked_memory.h"
#include "image/memimg.h"
#include "memimg_test_support.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace memimgtest;

namespace {

size_t TrackedCount() {
    return size_t(MemGetCount());
}

struct Kind {
    int type, palette, alpha;
};

int Make(MEMIMG* m, int w, int h, Kind s, int planes = 0, int pitch = -1, uint32_t transparent = 0,
         void* user = nullptr) {
    std::memset(m, 0, sizeof(*m));
    return SetupMemImg(m, w, h, pitch, transparent, s.type, s.palette, s.alpha, planes, user);
}

TEST(MemImgSetup, PitchAndPitchShift) {
    struct Row {
        const char* name;
        int width, type, pitchGiven, pitch, shift;
    } rows[] = {
        {"200 bytes round up to 16", 100, kMemImgColor16, -1, 208, -1},
        {"a power of two", 128, kMemImgColor16, -1, 256, 8},
        // 4 bytes need 16 of pitch; the power of two not below 4 is 4, not 16.
        {"one 32-bit pixel", 1, kMemImgColor32, -1, 16, -1},
        {"given power of two", 100, kMemImgColor16, 512, 512, 9},
        {"given, no power of two", 100, kMemImgColor16, 300, 300, -1},
    };
    for (const Row& r : rows) {
        MEMIMG m;
        ASSERT_EQ(Make(&m, r.width, 2, {r.type, 0, 0}, 0, r.pitchGiven), 0) << r.name;
        EXPECT_EQ(m.body->pitch, r.pitch) << r.name;
        EXPECT_EQ(m.body->pitchShift, r.shift) << r.name;
        DropMemImg(&m);
    }
}

TEST(MemImgSetup, BytesPerPixelAndFlagsForEveryCombination) {
    struct Case {
        Kind in;
        int bpp, palette, alpha;
    } cases[] = {
        {{0, 0, 0}, 2, 0, 0}, {{0, 0, 1}, 4, 0, 1}, {{0, 1, 0}, 1, 1, 0}, {{0, 1, 1}, 1, 1, 0},
        {{1, 0, 0}, 4, 0, 0}, {{1, 0, 1}, 4, 0, 1}, {{1, 1, 0}, 1, 1, 0}, {{1, 1, 1}, 1, 1, 0},
        {{2, 0, 0}, 1, 0, 0}, {{2, 1, 1}, 1, 0, 0}, {{3, 0, 0}, 2, 0, 0}, {{3, 1, 1}, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.in.type << " palette " << c.in.palette
                                        << " alpha " << c.in.alpha);
        MEMIMG m;
        ASSERT_EQ(Make(&m, 3, 2, c.in), 0);
        EXPECT_EQ(m.body->colorFormat->bytesPerPixel, c.bpp);
        EXPECT_EQ(GetMemImgBytesPerPixel(&m), c.bpp);
        EXPECT_EQ(m.body->paletteFlag, c.palette);
        EXPECT_EQ(m.body->alphaFlag, c.alpha);
        EXPECT_EQ(m.body->colorFormat, GetMemImgColorFormat(c.in.type, c.alpha, c.palette));
        if (c.palette) {
            ASSERT_NE(m.body->palette, nullptr);
            EXPECT_EQ(m.body->drawPalette, m.body->palette + 1024);
        } else {
            EXPECT_EQ(m.body->palette, nullptr);
        }
        EXPECT_EQ(m.magic, kMemImgMagic);
        EXPECT_EQ(m.pixels, m.body->pixelStore);
        EXPECT_EQ(m.body->referenceCount, 1);
        DropMemImg(&m);
    }
}

TEST(MemImgSetup, PlanesFollowTheFlags) {
    struct Row {
        const char* name;
        Kind kind;
        bool alphaPlane, runTable;
    } rows[] = {
        {"32-bit with alpha", {kMemImgColor32, 0, 1}, true, true},
        {"16-bit", {kMemImgColor16, 0, 0}, false, true},
        {"8-bit single channel", {kMemImgSingle8, 0, 0}, false, false},
        {"16-bit single channel", {kMemImgSingle16, 0, 0}, false, true},
    };
    for (const Row& r : rows) {
        MEMIMG m;
        ASSERT_EQ(Make(&m, 5, 3, r.kind, 1), 0) << r.name;
        EXPECT_EQ(m.body->alphaPlane != nullptr, r.alphaPlane) << r.name;
        EXPECT_EQ(m.alphaPixels, m.body->alphaPlane) << r.name;
        EXPECT_EQ(m.body->runTable != nullptr, r.runTable) << r.name;
        EXPECT_EQ(m.body->alphaPlaneValid + m.body->runTableValid, 0) << r.name;
        DropMemImg(&m);
    }
}

TEST(MemImgSetup, RefusesARecordAlreadySetUpAndBadSizes) {
    MEMIMG m;
    ASSERT_EQ(NewMemImg(&m, 4, 4, kMemImgColor32), 0);
    const MEMIMG before = m;
    EXPECT_EQ(SetupMemImg(&m, 8, 8, -1, 0, kMemImgColor16, 0, 0, 0, nullptr), -1);
    EXPECT_EQ(std::memcmp(&m, &before, sizeof(m)), 0);
    EXPECT_EQ(m.body->referenceCount, 1);
    DropMemImg(&m);

    const size_t blocks = TrackedCount();
    MEMIMG n;
    EXPECT_EQ(Make(&n, -1, 4, {kMemImgColor32, 0, 0}), -1);
    EXPECT_EQ(Make(&n, 4, -1, {kMemImgColor32, 0, 0}), -1);
    EXPECT_EQ(Make(&n, 100, 4, {kMemImgColor16, 0, 0}, 0, 199), -1);  // below 2 x 100
    EXPECT_EQ(Make(&n, 100, 4, {kMemImgColor16, 0, 0}, 0, -2), -1);
    EXPECT_EQ(Make(&n, 8193, 8192, {kMemImgColor32, 0, 0}), -1);        // over the size limit
    EXPECT_EQ(Make(&n, INT_MAX, INT_MAX, {kMemImgColor32, 0, 0}), -1);  // no overflow
    EXPECT_EQ(Make(&n, 4, 4, {4, 0, 0}), -1);
    EXPECT_EQ(Make(&n, 4, 4, {-1, 0, 0}), -1);
    EXPECT_EQ(SetupMemImg(nullptr, 4, 4, -1, 0, 0, 0, 0, 0, nullptr), -1);
    EXPECT_EQ(NewMemImg(nullptr, 4, 4, 0), -1);
    EXPECT_EQ(MemImgIsValid(&n), 0);
    EXPECT_EQ(TrackedCount(), blocks);
}

TEST(MemImgSetup, NewTakesTheDefaultTypeForMinusOne) {
    MEMIMG m;
    ASSERT_EQ(NewMemImg(&m, 2, 2, -1), 0);
    EXPECT_EQ(m.body->colorType, kMemImgColor32);
    DropMemImg(&m);
    ASSERT_EQ(SetMemImgDefaultColorType(kMemImgColor16), 0);
    ASSERT_EQ(NewMemImg(&m, 2, 2, -1), 0);
    EXPECT_EQ(m.body->colorType, kMemImgColor16);
    EXPECT_EQ(m.body->pitch, 16);
    DropMemImg(&m);
    EXPECT_EQ(SetMemImgDefaultColorType(7), -1);
    EXPECT_EQ(MemImgDrawState.defaultColorType, kMemImgColor16);
    ResetMemImgDrawState();
}

TEST(MemImgColorFormats, OneSharedDescriptorPerCombination) {
    // 16 bits are 5-6-5 whatever the flags; the alpha byte sits above them.
    EXPECT_EQ(GetMemImgColorFormat(0, 0, 1)->greenMask, 0x7E0u);
    EXPECT_EQ(GetMemImgColorFormat(0, 1, 0)->alphaMask, 0xFF0000u);
    EXPECT_EQ(GetMemImgColorFormat(1, 1, 1)->alphaMask, 0xFF000000u);
    EXPECT_EQ(GetMemImgColorFormat(3, 0, 0)->alphaWidth, 16);
    std::vector<const ColorFormat*> all;
    for (int t = 0; t < 2; ++t)
        for (int a = 0; a < 2; ++a)
            for (int p = 0; p < 2; ++p) all.push_back(GetMemImgColorFormat(t, a, p));
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j) EXPECT_NE(all[i], all[j]);
    for (int t : {4, -1, INT_MIN}) EXPECT_EQ(GetMemImgColorFormat(t, 0, 0), nullptr);
    EXPECT_EQ(GetMemImgColorFormat(2, 1, 0), nullptr);
    EXPECT_EQ(GetMemImgColorFormat(3, 0, 1), nullptr);
}

TEST(MemImgView, PointersMoveByPitchAndPixelSize) {
    MEMIMG owner, view;
    ASSERT_EQ(Make(&owner, 10, 8, {kMemImgColor16, 0, 1}, 1), 0);  // 4-byte pixels, alpha plane
    const int pitch = owner.body->pitch;
    ASSERT_EQ(pitch, 48);
    ASSERT_EQ(ViewMemImg(&view, &owner, 3, 2, 4, 5), 0);
    EXPECT_EQ(view.magic, kMemImgMagic);
    EXPECT_EQ(view.width, 4);
    EXPECT_EQ(view.height, 5);
    EXPECT_EQ(view.pixels, owner.pixels + 2 * 48 + 3 * 4);
    EXPECT_EQ(view.alphaPixels, owner.alphaPixels + 2 * 48 + 3 * 4);
    EXPECT_EQ(view.body, owner.body);
    EXPECT_EQ(owner.body->referenceCount, 2);

    // A view of a view, on a 2-byte image without a plane.
    MEMIMG plain, v1, v2;
    ASSERT_EQ(NewMemImg(&plain, 20, 10, kMemImgColor16), 0);
    ASSERT_EQ(ViewMemImg(&v1, &plain, 4, 1, 10, 6), 0);
    ASSERT_EQ(ViewMemImg(&v2, &v1, 1, 2, 3, 3), 0);
    EXPECT_EQ(v2.pixels, plain.pixels + 3 * plain.body->pitch + 5 * 2);
    EXPECT_EQ(v2.alphaPixels, nullptr);
    EXPECT_EQ(plain.body->referenceCount, 3);

    // The whole source is a valid view; a zero-sized one too.
    MEMIMG whole, empty;
    EXPECT_EQ(ViewMemImg(&whole, &owner, 0, 0, 10, 8), 0);
    EXPECT_EQ(ViewMemImg(&empty, &owner, 10, 8, 0, 0), 0);
    EXPECT_EQ(owner.body->referenceCount, 4);
    for (MEMIMG* m : {&view, &whole, &empty, &owner, &v2, &plain, &v1}) DropMemImg(m);
}

TEST(MemImgView, OutOfRangeLeavesTheOutRecordUntouched) {
    MEMIMG owner;
    ASSERT_EQ(NewMemImg(&owner, 10, 8, kMemImgColor32), 0);
    MEMIMG out;
    std::memset(&out, 0xAB, sizeof(out));
    MEMIMG pattern;
    std::memset(&pattern, 0xAB, sizeof(pattern));
    const struct {
        int x, y, w, h;
    } bad[] = {
        {1, 0, 10, 8},
        {0, 1, 10, 8},
        {7, 0, 4, 1},
        {-1, 0, 2, 2},
        {0, -1, 2, 2},
        {2, 2, -1, 3},
        {2, 2, 3, -1},
        {INT_MAX, 0, 1, 1},
        {1, 0, INT_MAX, 1},
        {0, 1, 1, INT_MAX},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(testing::Message() << b.x << "," << b.y << " " << b.w << "x" << b.h);
        EXPECT_EQ(ViewMemImg(&out, &owner, b.x, b.y, b.w, b.h), -1);
        EXPECT_EQ(std::memcmp(&out, &pattern, sizeof(out)), 0);
    }
    EXPECT_EQ(owner.body->referenceCount, 1);
    MEMIMG empty{};
    EXPECT_EQ(ViewMemImg(&out, &empty, 0, 0, 1, 1), -1);
    EXPECT_EQ(ViewMemImg(&out, nullptr, 0, 0, 1, 1), -1);
    EXPECT_EQ(ViewMemImg(nullptr, &owner, 0, 0, 1, 1), -1);
    DropMemImg(&owner);
}

TEST(MemImgDrop, AnyOrderFreesEverythingOnce) {
    const size_t start = TrackedCount();
    for (int ownerFirst = 0; ownerFirst < 2; ++ownerFirst) {
        MEMIMG pal, alpha, v[4];
        ASSERT_EQ(Make(&pal, 16, 4, {kMemImgColor16, 1, 0}, 1), 0);    // body, palette, store, runs
        ASSERT_EQ(Make(&alpha, 16, 4, {kMemImgColor32, 0, 1}, 1), 0);  // body, store, plane, runs
        EXPECT_EQ(TrackedCount(), start + 8);
        ASSERT_EQ(ViewMemImg(&v[0], &pal, 1, 1, 2, 2), 0);
        ASSERT_EQ(ViewMemImg(&v[1], &v[0], 0, 0, 1, 1), 0);
        ASSERT_EQ(ViewMemImg(&v[2], &alpha, 0, 0, 16, 4), 0);
        ASSERT_EQ(ViewMemImg(&v[3], &alpha, 5, 1, 3, 3), 0);
        if (ownerFirst) {
            EXPECT_EQ(DropMemImg(&pal), 0);
            EXPECT_EQ(DropMemImg(&alpha), 0);
            EXPECT_EQ(TrackedCount(), start + 8);  // views keep the bodies
            for (MEMIMG& m : v) EXPECT_EQ(DropMemImg(&m), 0);
        } else {
            for (MEMIMG& m : v) EXPECT_EQ(DropMemImg(&m), 0);
            EXPECT_EQ(TrackedCount(), start + 8);
            EXPECT_EQ(DropMemImg(&alpha), 0);
            EXPECT_EQ(DropMemImg(&pal), 0);
        }
        EXPECT_EQ(TrackedCount(), start);
        // A dropped record is empty; dropping it again does nothing.
        EXPECT_EQ(pal.magic, 0u);
        EXPECT_EQ(pal.body, nullptr);
        EXPECT_EQ(MemImgIsValid(&pal), 0);
        EXPECT_EQ(DropMemImg(&pal), -1);
        EXPECT_EQ(DropMemImg(&v[1]), -1);
    }
    EXPECT_EQ(DropMemImg(nullptr), -1);
}

TEST(MemImgDrop, ACallersStoreIsNeverFreed) {
    std::vector<uint8_t> store(64 * 4, 0x5A);
    const size_t start = TrackedCount();
    MEMIMG m, view;
    ASSERT_EQ(Make(&m, 8, 4, {kMemImgColor32, 0, 0}, 0, 64, 0, store.data()), 0);
    EXPECT_EQ(m.body->userPixels, 1);
    EXPECT_EQ(m.pixels, store.data());
    EXPECT_EQ(TrackedCount(), start + 1);  // the body only
    ASSERT_EQ(ViewMemImg(&view, &m, 2, 1, 2, 2), 0);
    EXPECT_EQ(view.pixels, store.data() + 64 + 8);
    DropMemImg(&m);
    DropMemImg(&view);
    EXPECT_EQ(TrackedCount(), start);
    EXPECT_EQ(store[0], 0x5A);  // still ours and untouched
    EXPECT_EQ(store[255], 0x5A);
}

TEST(MemImgValidity, MagicAndBodyBothNeeded) {
    MEMIMG m;
    ASSERT_EQ(NewMemImg(&m, 2, 2, 0), 0);
    EXPECT_EQ(MemImgIsValid(&m), 1);
    MEMIMG noBody = m;
    noBody.body = nullptr;
    EXPECT_EQ(MemImgIsValid(&noBody), 0);
    MEMIMG noMagic = m;
    noMagic.magic = 0x12345679;
    EXPECT_EQ(MemImgIsValid(&noMagic), 0);
    EXPECT_EQ(MemImgIsValid(nullptr), 0);
    EXPECT_EQ(GetMemImgBytesPerPixel(&noMagic), 0);
    DropMemImg(&m);
}

// Each allocation of the set-up fails in turn: -1, an empty record and no
// block left behind; the first position past the last allocation succeeds.
void FailEachAllocation(int w, int h, Kind s, int planes, size_t expectedBlocks) {
    const size_t start = TrackedCount();
    size_t failures = 0;
    for (int n = 1; n < 20; ++n) {
        SCOPED_TRACE(testing::Message() << "failing allocation " << n);
        MEMIMG m;
        std::memset(&m, 0, sizeof(m));
        KnobFailHeapAlloc(n);
        const int r = SetupMemImg(&m, w, h, -1, 0, s.type, s.palette, s.alpha, planes, nullptr);
        KnobFailHeapAlloc(0);
        if (r == 0) {
            EXPECT_EQ(TrackedCount(), start + expectedBlocks);
            DropMemImg(&m);
            break;
        }
        ++failures;
        EXPECT_EQ(r, -1);
        const MEMIMG zero{};
        EXPECT_EQ(std::memcmp(&m, &zero, sizeof(m)), 0);
        EXPECT_EQ(TrackedCount(), start);
    }
    EXPECT_EQ(failures, expectedBlocks);
    EXPECT_EQ(TrackedCount(), start);
}

TEST(MemImgSetupFailure, EveryAllocationFailingLeavesNothing) {
    FailEachAllocation(16, 4, {kMemImgColor16, 1, 0}, 1, 4);  // body, palette, store, runs
    FailEachAllocation(16, 4, {kMemImgColor32, 0, 1}, 1, 4);  // body, store, plane, runs
    FailEachAllocation(16, 4, {kMemImgColor32, 0, 0}, 0, 2);  // body, store
}

TEST(MemImgSetupFailure, AFailedRecordCanBeSetUpAgain) {
    MEMIMG m{};
    KnobFailHeapAlloc(2);
    EXPECT_EQ(SetupMemImg(&m, 4, 4, -1, 0, 1, 0, 0, 0, nullptr), -1);
    KnobFailHeapAlloc(0);
    EXPECT_EQ(DropMemImg(&m), -1);
    EXPECT_EQ(SetupMemImg(&m, 4, 4, -1, 0, 1, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(DropMemImg(&m), 0);
}

}  // namespace
