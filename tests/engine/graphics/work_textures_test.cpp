// The work-texture pool: holds per shape, least-used eviction when full,
// new records giving out only what borrowers wrote, refused creations, and
// re-creation after a device rebuild.
#include <gtest/gtest.h>

#include <cstring>

#include "DuRud.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/work_textures.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

class WorkTexturePool : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0, 0);
        ASSERT_EQ(0, StartDevice());
    }
    void TearDown() override {
        ClearWorkTextureCache();
        StopDevice();
    }
};

TEST_F(WorkTexturePool, SixteenHoldsPerShape) {
    for (int i = 0; i < kWorkTexturesPerShape; ++i)
        ASSERT_GE(GetWorkTexture(16, 8, 1, kSlotColour32, 0), 0) << i;
    EXPECT_EQ(-1, GetWorkTexture(16, 8, 1, kSlotColour32, 0));
    ASSERT_EQ(0, ReleaseWorkTexture(3, 0));
    EXPECT_EQ(3, GetWorkTexture(16, 8, 1, kSlotColour32, 0)) << "a released record is reused";
    EXPECT_EQ(2u, GetWorkTextureRecord(3).useCount);
    EXPECT_EQ(-1, ReleaseWorkTexture(kWorkTextureRecords, 0));
    EXPECT_EQ(-1, GetWorkTexture(0, 8, 1, kSlotColour32, 0));
    EXPECT_EQ(-1, GetWorkTexture(8, 8, 1, kTextureFormatSlotCount, 0));
}

// The i-th of the shapes whose area is at most 350 texels, by width and then
// height: a full pool of them stays far within the idle budget.
POINT SmallShape(int i) {
    for (int w = 1;; ++w) {
        const int heights = 350 / w;
        if (i < heights) return POINT{w, i + 1};
        i -= heights;
    }
}

int GetSmallShape(int i) {
    const POINT shape = SmallShape(i);
    return GetWorkTexture(shape.x, shape.y, 1, kSlotColour32, 0);
}

TEST_F(WorkTexturePool, FullPoolEvictsTheLeastUsedUnheldRecord) {
    for (int i = 0; i < kWorkTextureRecords; ++i) {
        const int index = GetSmallShape(i);
        ASSERT_EQ(i, index);
        if (i != kWorkTextureRecords - 1) ReleaseWorkTexture(index, 0);
    }
    // Record 2046 is used twice: the tie among the others goes to the last.
    ASSERT_EQ(2046, GetSmallShape(2046));
    ReleaseWorkTexture(2046, 0);
    EXPECT_EQ(2045, GetWorkTexture(100, 100, 1, kSlotColour32, 0));
    EXPECT_EQ(100, GetWorkTextureRecord(2045).width);
    EXPECT_EQ(kWorkTextureRecords, WorkTextureRecordsInUse());
    EXPECT_EQ(kWorkTextureRecords, KnobD3D9LiveCount("Texture"));
}

TEST_F(WorkTexturePool, IdleTexturesPastTheirBudgetAreFreedLeastUsedFirst) {
    // Five shapes of about 1 MB: the first borrowed twice, all held at once.
    constexpr int side = 512;
    ASSERT_EQ(0, GetWorkTexture(side, side, 1, kSlotColour32, 0));
    ASSERT_EQ(0, ReleaseWorkTexture(0, 0));
    ASSERT_EQ(0, GetWorkTexture(side, side, 1, kSlotColour32, 0));
    for (int i = 1; i < 5; ++i)
        ASSERT_EQ(i, GetWorkTexture(side, side - 16 * i, 1, kSlotColour32, 0));
    EXPECT_EQ(5, KnobD3D9LiveCount("Texture")) << "held textures are never freed";
    for (int i = 0; i < 5; ++i) ASSERT_EQ(0, ReleaseWorkTexture(i, 0));
    // Nearly 5 MB idle is past 4 MB: one goes, the least used (the last on
    // a tie), and the four left fit.
    EXPECT_EQ(4, WorkTextureRecordsInUse());
    EXPECT_EQ(4, KnobD3D9LiveCount("Texture"));
    EXPECT_EQ(1, GetWorkTextureRecord(0).inUse) << "the record used twice stays";
    EXPECT_EQ(0, GetWorkTextureRecord(4).inUse);
    // Small idle textures stay for reuse.
    ASSERT_EQ(4, GetWorkTexture(16, 16, 1, kSlotColour32, 0));
    ASSERT_EQ(0, ReleaseWorkTexture(4, 0));
    EXPECT_EQ(1, GetWorkTextureRecord(4).inUse);
}

TEST_F(WorkTexturePool, FreeingIdleTexturesKeepsTheHeldOnes) {
    ASSERT_EQ(0, GetWorkTexture(64, 64, 1, kSlotColour32, 0));
    ASSERT_EQ(1, GetWorkTexture(32, 32, 1, kSlotColour32, 0));
    ASSERT_EQ(2, GetWorkTexture(64, 64, 1, kSlotColour32, 0));
    ASSERT_EQ(0, ReleaseWorkTexture(0, 0));
    ASSERT_EQ(0, ReleaseWorkTexture(1, 0));
    EXPECT_EQ(0, FreeIdleWorkTextures());
    EXPECT_EQ(1, WorkTextureRecordsInUse());
    EXPECT_EQ(1, GetWorkTextureRecord(2).held);
    EXPECT_EQ(1, KnobD3D9LiveCount("Texture"));
    EXPECT_NE(nullptr, WorkTextureOf(2));
    ASSERT_EQ(0, ReleaseWorkTexture(2, 0));
    EXPECT_EQ(0, GetWorkTexture(32, 32, 1, kSlotColour32, 0)) << "a freed record's place is reused";
}

// A record made anew gives out only what its borrower wrote: writing one
// rectangle through it leaves the rest of the destination as it was (a new
// texture is dirty as a whole, and copying that copied its zeros over
// everything).
TEST_F(WorkTexturePool, ANewRecordCopiesOnlyWhatItsBorrowerWrote) {
    const D3DFORMAT format = GetDeviceResources().formats[kSlotColour32];
    auto fill = [](IDirect3DTexture9* texture, const RECT* area, DWORD value) {
        D3DLOCKED_RECT locked{};
        ASSERT_TRUE(SUCCEEDED(texture->LockRect(0, &locked, area, 0)));
        const LONG w = area ? area->right - area->left : 64,
                   h = area ? area->bottom - area->top : 64;
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x)
                std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, &value, 4);
        ASSERT_TRUE(SUCCEEDED(texture->UnlockRect(0)));
    };
    // One level goes out by the written rectangle, a mip chain by its dirty
    // region.
    for (const UINT levels : {1u, 2u}) {
        SCOPED_TRACE(levels == 1 ? "one level" : "mip chain");
        IDirect3DTexture9* destination = nullptr;
        IDirect3DTexture9* whole = nullptr;
        ASSERT_TRUE(SUCCEEDED(
            DeviceCreateTexture(64, 64, levels, 0, format, D3DPOOL_DEFAULT, &destination)));
        ASSERT_TRUE(
            SUCCEEDED(DeviceCreateTexture(64, 64, levels, 0, format, D3DPOOL_SYSTEMMEM, &whole)));
        fill(whole, nullptr, 0xFF112233);
        ASSERT_TRUE(SUCCEEDED(DeviceUpdateTexture(whole, destination)));
        const int index = GetWorkTexture(64, 64, static_cast<int>(levels), kSlotColour32, 0);
        ASSERT_GE(index, 0);
        const RECT part{8, 8, 16, 16};
        fill(WorkTextureOf(index), &part, 0xFFAABBCC);
        ASSERT_TRUE(SUCCEEDED(CopyOutAndReleaseWorkTexture(index, destination, part, 0)));
        EXPECT_EQ(0, GetWorkTextureRecord(index).held) << "handed back";
        IDirect3DSurface9* level = nullptr;
        ASSERT_TRUE(SUCCEEDED(destination->GetSurfaceLevel(0, &level)));
        const struct {
            const char* name;
            UINT x, y;
            DWORD expected;
        } rows[] = {{"outside the rectangle", 0, 0, 0xFF112233},
                    {"its first texel", 8, 8, 0xFFAABBCC},
                    {"its last texel", 15, 15, 0xFFAABBCC},
                    {"just past it", 16, 16, 0xFF112233},
                    {"far corner", 63, 63, 0xFF112233}};
        for (const auto& row : rows) {
            DWORD shown = 0;
            ASSERT_TRUE(KnobD3D9ReadPixel(level, row.x, row.y, &shown)) << row.name;
            EXPECT_EQ(shown | (format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0u), row.expected)
                << row.name;
        }
        level->Release();
        whole->Release();
        destination->Release();
    }
}

TEST_F(WorkTexturePool, RefusedCreationLeavesTheRecordFree) {
    KnobD3D9FailResourcesAfter(0);
    EXPECT_EQ(-1, GetWorkTexture(8, 8, 1, kSlotColour32, 0));
    EXPECT_EQ(0, WorkTextureRecordsInUse());
    EXPECT_EQ(0, GetWorkTextureRecord(0).inUse);
    EXPECT_TRUE(LogHasInOrder({"メモリテクスチャの作成に失敗しました\n"}));
    KnobD3D9FailResourcesAfter(-1);
    EXPECT_EQ(0, GetWorkTexture(8, 8, 1, kSlotColour32, 0));
}

TEST_F(WorkTexturePool, DeviceRebuildRemakesEveryRecordInUse) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(i, GetWorkTexture(8 << i, 8, 1, kSlotAlpha32, 0));
    ReleaseWorkTexture(1, 0);
    ShutdownScreenDevice();
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
    ASSERT_EQ(0, SetupScreenDevice());
    ASSERT_EQ(0, RecreateDeviceResources());
    EXPECT_EQ(3, KnobD3D9LiveCount("Texture"));
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(nullptr, WorkTextureOf(i));
        D3DSURFACE_DESC desc{};
        WorkTextureOf(i)->GetLevelDesc(0, &desc);
        EXPECT_EQ(static_cast<UINT>(8 << i), desc.Width);
        EXPECT_EQ(D3DPOOL_SYSTEMMEM, desc.Pool);
    }
    EXPECT_EQ(0, GetWorkTextureRecord(1).held);
    EXPECT_EQ(1, GetWorkTextureRecord(2).held);
}

TEST_F(WorkTexturePool, RecordWhoseRemakeFailsIsFreedNotKeptEmpty) {
    ASSERT_EQ(0, GetWorkTexture(8, 8, 1, kSlotColour32, 0));
    ReleaseWorkTexture(0, 0);
    ShutdownScreenDevice();
    ASSERT_EQ(0, SetupScreenDevice());
    KnobD3D9FailResourcesAfter(0);
    RecreateDeviceResources();
    KnobD3D9FailResourcesAfter(-1);
    EXPECT_EQ(0, WorkTextureRecordsInUse());
    EXPECT_EQ(0, GetWorkTextureRecord(0).inUse);
    const int again = GetWorkTexture(8, 8, 1, kSlotColour32, 0);
    ASSERT_GE(again, 0);
    EXPECT_NE(nullptr, WorkTextureOf(again)) << "a record in use always has its texture";
}

}  // namespace
