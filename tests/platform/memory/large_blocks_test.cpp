// Large blocks: the process heap's and the device's blocks of 2 MB and more
// are mappings at a huge-page boundary; a heap block is advised whole, a
// surface only where a write covers whole huge pages, and with the knob off
// (or no huge pages on the system) everything comes from the C heap as before.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "d3d9.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

constexpr SIZE_T kHuge = SIZE_T{2} << 20;

// The VmFlags of the mapping holding the address ("" when none does).
std::string MappingFlags(const void* address) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        uintptr_t from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find('-') < 17) {
            inside = at >= from && at < to;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return "";
}

bool Advised(const void* address) {
    return MappingFlags(address).find(" hg") != std::string::npos;
}

bool AllZero(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

class LargeBlocks : public ::testing::Test {
  protected:
    void SetUp() override { KnobLargeBlocksOff(false); }
    void TearDown() override { KnobLargeBlocksOff(false); }
};

TEST_F(LargeBlocks, HeapBlocksAreAlignedZeroedAdvisedAndExact) {
    HANDLE heap = GetProcessHeap();
    const bool available = KnobLargeBlocksAvailable();
    struct Row {
        const char* name;
        SIZE_T size;
        bool mapped;
    };
    const Row rows[] = {{"just below a huge page", kHuge - 16, false},
                        {"one huge page", kHuge, true},
                        {"a partly used last page", kHuge * 2 + 12345, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const size_t before = KnobLargeBlockBytes();
        auto* p = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, row.size));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(HeapSize(heap, 0, p), row.size);
        EXPECT_TRUE(AllZero(p, row.size));
        const bool mapped = available && row.mapped;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % kHuge == 0, mapped);
        EXPECT_EQ(KnobLargeBlockBytes() - before >= row.size, mapped);
        if (mapped) {
            EXPECT_TRUE(Advised(p)) << MappingFlags(p);
        }
        std::memset(p, 0x5A, row.size);
        EXPECT_TRUE(HeapFree(heap, 0, p));
        EXPECT_EQ(KnobLargeBlockBytes(), before);
        if (mapped) {
            EXPECT_EQ(MappingFlags(p), "");  // handed back to the system
        }
    }
}

TEST_F(LargeBlocks, ReallocationAcrossTheThresholdKeepsBytes) {
    HANDLE heap = GetProcessHeap();
    auto* p = static_cast<unsigned char*>(HeapAlloc(heap, 0, 1000));
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xC3, 1000);
    // Up into a mapping: the old bytes kept, the new ones zero.
    p = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, p, 3 * kHuge));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(HeapSize(heap, 0, p), 3 * kHuge);
    EXPECT_EQ(p[0], 0xC3);
    EXPECT_EQ(p[999], 0xC3);
    EXPECT_TRUE(AllZero(p + 1000, 3 * kHuge - 1000));
    p[3 * kHuge - 1] = 0x11;
    // In place it only shrinks; the mapping is unmapped whole when freed.
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, p, kHuge + 1), p);
    // Back down into the C heap.
    p = static_cast<unsigned char*>(HeapReAlloc(heap, 0, p, 500));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0xC3);
    EXPECT_EQ(p[499], 0xC3);
    EXPECT_TRUE(HeapFree(heap, 0, p));
    EXPECT_EQ(KnobLargeBlockBytes(), 0u);
}

TEST_F(LargeBlocks, KnobOffTakesTheCHeapAndStillFreesEarlierMappings) {
    HANDLE heap = GetProcessHeap();
    void* mapped = HeapAlloc(heap, 0, 3 * kHuge);
    ASSERT_NE(mapped, nullptr);
    KnobLargeBlocksOff(true);
    void* plain = HeapAlloc(heap, HEAP_ZERO_MEMORY, 3 * kHuge);
    ASSERT_NE(plain, nullptr);
    EXPECT_NE(reinterpret_cast<uintptr_t>(plain) % kHuge, 0u);
    EXPECT_FALSE(Advised(plain));
    EXPECT_TRUE(AllZero(static_cast<unsigned char*>(plain), 3 * kHuge));
    EXPECT_TRUE(HeapFree(heap, 0, plain));
    EXPECT_TRUE(HeapFree(heap, 0, mapped));
    EXPECT_EQ(KnobLargeBlockBytes(), 0u);
    // A pointer inside a mapping is no block of the heap.
    EXPECT_FALSE(HeapFree(heap, 0, static_cast<char*>(mapped) + 16));
}

// A 1024 x 1024 texture (4 MB, two huge pages) of which the rows of 576 are
// written: the first huge page is written whole and advised, the second only
// partly and left in small pages, so unwritten rows stay unbacked.
TEST_F(LargeBlocks, SurfacesAdviseOnlyHugePagesAWriteCoversWhole) {
    if (!KnobLargeBlocksAvailable()) GTEST_SKIP() << "no transparent huge pages here";
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.hDeviceWindow = reinterpret_cast<HWND>(uintptr_t{0x1234});
    pp.Windowed = TRUE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3D_OK);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        dev->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture, nullptr),
        D3D_OK);
    D3DLOCKED_RECT whole{};
    ASSERT_EQ(texture->LockRect(0, &whole, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto* base = static_cast<unsigned char*>(whole.pBits);
    texture->UnlockRect(0);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(base) % kHuge, 0u);
    EXPECT_FALSE(Advised(base));  // a read-only lock writes nothing

    struct Row {
        const char* name;
        UINT width, height;
        RECT rect;
        bool firstAdvised;
    };
    const Row rows[] = {
        // Rows of 3200 of 4096 bytes: every small page of the span is written.
        {"narrower rows", 1024, 1024, {0, 0, 800, 600}, true},
        {"rows ending short of the first huge page's end", 1024, 1024, {0, 0, 1024, 511}, false},
        // Rows of 400 of 8192 bytes leave whole small pages between them.
        {"a narrow column", 2048, 256, {0, 0, 100, 256}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        IDirect3DTexture9* t = nullptr;
        ASSERT_EQ(dev->CreateTexture(row.width, row.height, 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_SYSTEMMEM, &t, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(t->LockRect(0, &locked, &row.rect, 0), D3D_OK);
        auto* start = static_cast<unsigned char*>(locked.pBits);
        EXPECT_EQ(Advised(start), row.firstAdvised) << MappingFlags(start);
        t->UnlockRect(0);
        t->Release();
    }

    // A volume locked whole: its slices follow each other as one run of rows.
    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(dev->CreateVolumeTexture(128, 128, 128, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                       &volume, nullptr),
              D3D_OK);
    D3DLOCKED_BOX box{};
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
    EXPECT_TRUE(Advised(static_cast<unsigned char*>(box.pBits) + 3 * kHuge));
    volume->UnlockBox(0);
    volume->Release();

    const RECT top{0, 0, 1024, 576};
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, &top, 0), D3D_OK);
    for (int y = 0; y < 576; ++y) std::memset(base + size_t(y) * locked.Pitch, 0x7F, 4096);
    texture->UnlockRect(0);
    EXPECT_TRUE(Advised(base));
    EXPECT_FALSE(Advised(base + kHuge));
    // Kept from huge pages even where the system would use them unasked.
    EXPECT_NE(MappingFlags(base + kHuge).find(" nh"), std::string::npos);
    EXPECT_EQ(base[575 * 4096], 0x7F);
    EXPECT_EQ(base[576 * 4096], 0);
    texture->Release();
    dev->Release();
    d3d->Release();
    EXPECT_EQ(KnobLargeBlockBytes(), 0u);
}

}  // namespace
