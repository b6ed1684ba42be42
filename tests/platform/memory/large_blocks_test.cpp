// Large blocks: blocks of 2 MB and more of the process heap and the device are
// mappings at a huge-page boundary; a heap block is advised whole, a surface
// only where a write covers whole huge pages; with the knob off (or no huge
// pages on the system) everything comes from the C heap as before.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "../d3d9/d3d9_fixture.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

constexpr SIZE_T kHugePageBytes = SIZE_T{2} << 20;

// The VmFlags line of the mapping holding the address ("" when none does).
std::string MappingFlags(const void* address) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        unsigned long from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find('-') < 17)
            inside = at >= from && at < to;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return "";
}

bool AdvisedHuge(const void* address) {
    return MappingFlags(address).find(" hg") != std::string::npos;
}

bool BytesAreZero(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

TEST(LargeBlocks, HeapBlocksAreAlignedZeroedAdvisedAndExact) {
    HANDLE heap = GetProcessHeap();
    const struct {
        const char* name;
        SIZE_T size;
        bool knobOff, mapped;
    } rows[] = {{"just below a huge page", kHugePageBytes - 16, false, false},
                {"one huge page", kHugePageBytes, false, true},
                {"a partly used last page", kHugePageBytes * 2 + 12345, false, true},
                {"knob off", kHugePageBytes * 3, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        KnobLargeBlocksOff(row.knobOff);
        const bool mapped = row.mapped && KnobLargeBlocksAvailable();
        auto* p = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, row.size));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(HeapSize(heap, 0, p), row.size);
        EXPECT_TRUE(BytesAreZero(p, row.size));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % kHugePageBytes == 0, mapped);
        EXPECT_EQ(KnobLargeBlockBytes() >= row.size, mapped);
        EXPECT_EQ(AdvisedHuge(p), mapped) << MappingFlags(p);
        std::memset(p, 0x5A, row.size);
        EXPECT_TRUE(HeapFree(heap, 0, p));
        EXPECT_EQ(KnobLargeBlockBytes(), 0u);
    }
    KnobLargeBlocksOff(false);
}

TEST(LargeBlocks, ReallocationAcrossTheThresholdKeepsBytesAndFreesAfterTheKnobTurns) {
    HANDLE heap = GetProcessHeap();
    auto* p = static_cast<unsigned char*>(HeapAlloc(heap, 0, 1000));
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xC3, 1000);
    p = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, p, 3 * kHugePageBytes));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[999], 0xC3);
    EXPECT_TRUE(BytesAreZero(p + 1000, 3 * kHugePageBytes - 1000));
    // Shrunk in place it is still unmapped whole, also with the knob off by then.
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, p, kHugePageBytes + 1), p);
    KnobLargeBlocksOff(true);
    EXPECT_FALSE(HeapFree(heap, 0, p + 16));  // inside a block is no block
    p = static_cast<unsigned char*>(HeapReAlloc(heap, 0, p, 500));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0xC3);
    EXPECT_EQ(p[499], 0xC3);
    EXPECT_TRUE(HeapFree(heap, 0, p));
    EXPECT_EQ(KnobLargeBlockBytes(), 0u);
    KnobLargeBlocksOff(false);
}

using LargeSurfaces = d3d9test::DeviceTest;

// A huge page is resident whole: only those a write covers whole are advised.
TEST_F(LargeSurfaces, WritesAdviseOnlyTheHugePagesTheyCoverWhole) {
    if (!KnobLargeBlocksAvailable()) GTEST_SKIP() << "no transparent huge pages here";
    const struct {
        const char* name;
        UINT width, height;
        RECT rect;
        bool advised;
    } rows[] = {
        // Rows of 3200 of 4096 bytes: every small page of the span is written.
        {"narrower rows past the first huge page", 1024, 1024, {0, 0, 800, 600}, true},
        {"rows ending short of the first huge page", 1024, 1024, {0, 0, 1024, 511}, false},
        // Rows of 400 of 8192 bytes leave whole small pages between them.
        {"a narrow column", 2048, 256, {0, 0, 100, 256}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        IDirect3DTexture9* t =
            MakeTexture(row.width, row.height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(t->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        t->UnlockRect(0);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(locked.pBits) % kHugePageBytes, 0u);
        EXPECT_FALSE(AdvisedHuge(locked.pBits));  // a read-only lock writes nothing
        // Kept from huge pages even where the system would use them unasked.
        EXPECT_NE(MappingFlags(locked.pBits).find(" nh"), std::string::npos);
        ASSERT_EQ(t->LockRect(0, &locked, &row.rect, 0), D3D_OK);
        EXPECT_EQ(AdvisedHuge(locked.pBits), row.advised) << MappingFlags(locked.pBits);
        std::memset(locked.pBits, 0x7F, 4);
        t->UnlockRect(0);
    }
    // A volume locked whole: its slices follow each other as one run of rows.
    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(dev->CreateVolumeTexture(128, 128, 128, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                       &volume, nullptr),
              D3D_OK);
    Hold(volume);
    D3DLOCKED_BOX box{};
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
    EXPECT_TRUE(AdvisedHuge(static_cast<unsigned char*>(box.pBits) + 3 * kHugePageBytes));
    volume->UnlockBox(0);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// Address-checked builds still catch a write past the end of a mapped block:
// into its page's unused tail, and right after a block of whole pages.
TEST(LargeBlocksDeathTest, AWritePastTheEndIsCaught) {
    if (!KnobLargeBlocksAvailable()) GTEST_SKIP() << "no transparent huge pages here";
    HANDLE heap = GetProcessHeap();
    for (const SIZE_T size : {kHugePageBytes + 100, kHugePageBytes * 2}) {
        SCOPED_TRACE(size);
        EXPECT_DEATH(
            {
                auto* volatile p = static_cast<unsigned char*>(HeapAlloc(heap, 0, size));
                p[size] = 1;
            },
            "");
    }
}
#endif
