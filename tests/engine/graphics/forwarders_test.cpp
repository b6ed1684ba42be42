// Loader threads reach the device only through the forwarders, which run
// each call on the main thread and hand back its out-parameters.
#include <gtest/gtest.h>

#include <atomic>

#include "DuRud.h"
#include "core/async_loading.h"
#include "graphics/device_layer.h"
#include "graphics/main_thread_forwarders.h"
#include "graphics/work_textures.h"
#include "graphics/device_setup.h"
#include "graphics_fixture.h"
#include "test_knobs.h"
#include "window/window_calls.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

struct WorkerResults {
    HRESULT create = E_FAIL, lock = E_FAIL, unlock = E_FAIL, relock = E_FAIL;
    DWORD readBack = 0;
    ULONG references = 99;
    int workTexture = -2, workRelease = -2;
    std::atomic<int> done{0};
};
WorkerResults g_results;

void TextureRoundTrip(AsyncRequest*) {
    WorkerResults& r = g_results;
    IDirect3DTexture9* texture = nullptr;
    r.create =
        CreateTextureOnMainThread(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture, 1);
    if (texture) {
        D3DLOCKED_RECT locked{};
        r.lock = LockTextureRectOnMainThread(texture, 0, &locked, nullptr, 0, 1);
        if (locked.pBits) static_cast<DWORD*>(locked.pBits)[1] = 0x12345678;
        r.unlock = UnlockTextureRectOnMainThread(texture, 0, 1);
        D3DLOCKED_RECT again{};
        r.relock = LockTextureRectOnMainThread(texture, 0, &again, nullptr, D3DLOCK_READONLY, 1);
        if (again.pBits) r.readBack = static_cast<const DWORD*>(again.pBits)[1];
        UnlockTextureRectOnMainThread(texture, 0, 1);
        r.references = ReleaseObjectOnMainThread(texture, 1);
    }
    r.workTexture = GetWorkTexture(8, 8, 1, kSlotColour32, 1);
    r.workRelease = ReleaseWorkTexture(r.workTexture, 1);
    r.done = 1;
}

TEST(ForwarderThreads, WorkerMakesAndFillsATextureThroughTheMainThread) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    AsyncRequest* request = AsyncRequestAlloc(0);
    ASSERT_NE(nullptr, request);
    request->worker = TextureRoundTrip;
    ASSERT_EQ(0, AsyncRequestEnqueue(request));
    ASSERT_TRUE(testsupport::ServeUntil([] { return bool(g_results.done); },
                                        "the worker's texture round trip"));
    EXPECT_EQ(D3D_OK, g_results.create);
    EXPECT_EQ(D3D_OK, g_results.lock);
    EXPECT_EQ(D3D_OK, g_results.unlock);
    EXPECT_EQ(D3D_OK, g_results.relock);
    EXPECT_EQ(0x12345678u, g_results.readBack);
    EXPECT_EQ(0u, g_results.references);
    EXPECT_GE(g_results.workTexture, 0);
    EXPECT_EQ(0, g_results.workRelease);
    EXPECT_EQ(0, GetWorkTextureRecord(g_results.workTexture).held);
    EXPECT_EQ(0, KnobD3D9ForeignThreadCalls());
    ClearWorkTextureCache();
    StopDevice();
}

// A loader thread writes a work texture and has it copied out and handed
// back in one call: the destination shows the texel and the record is free.
struct CopyOutResults {
    HRESULT copy = E_FAIL;
    int workTexture = -2;
    IDirect3DTexture9* destination = nullptr;
    std::atomic<int> done{0};
};
CopyOutResults g_copyOut;

void WriteAndCopyOut(AsyncRequest*) {
    CopyOutResults& r = g_copyOut;
    r.workTexture = GetWorkTexture(8, 8, 1, kSlotColour32, 1);
    IDirect3DTexture9* work = WorkTextureOf(r.workTexture);
    if (work && r.destination) {
        D3DLOCKED_RECT locked{};
        const RECT texel{5, 3, 6, 4};
        if (SUCCEEDED(LockTextureRectOnMainThread(work, 0, &locked, &texel, 0, 1)) &&
            locked.pBits) {
            *static_cast<DWORD*>(locked.pBits) = 0xFF123456;
            UnlockTextureRectOnMainThread(work, 0, 1);
            r.copy = CopyOutAndReleaseWorkTexture(r.workTexture, r.destination, texel, 1);
        }
    }
    r.done = 1;
}

TEST(ForwarderThreads, WorkTextureCopiedOutAndHandedBackInOneCall) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    const D3DFORMAT format = GetDeviceResources().formats[kSlotColour32];
    ASSERT_TRUE(SUCCEEDED(
        DeviceCreateTexture(8, 8, 1, 0, format, D3DPOOL_DEFAULT, &g_copyOut.destination)));
    AsyncRequest* request = AsyncRequestAlloc(0);
    ASSERT_NE(nullptr, request);
    request->worker = WriteAndCopyOut;
    ASSERT_EQ(0, AsyncRequestEnqueue(request));
    ASSERT_TRUE(testsupport::ServeUntil([] { return bool(g_copyOut.done); },
                                        "the worker's copy out of a work texture"));
    EXPECT_EQ(D3D_OK, g_copyOut.copy);
    ASSERT_GE(g_copyOut.workTexture, 0);
    EXPECT_EQ(0, GetWorkTextureRecord(g_copyOut.workTexture).held);
    IDirect3DSurface9* level = nullptr;
    ASSERT_TRUE(SUCCEEDED(g_copyOut.destination->GetSurfaceLevel(0, &level)));
    DWORD shown = 0, untouched = 1;
    EXPECT_TRUE(KnobD3D9ReadPixel(level, 5, 3, &shown));
    EXPECT_TRUE(KnobD3D9ReadPixel(level, 4, 3, &untouched));
    EXPECT_EQ(shown | 0xFF000000u, 0xFF123456u);
    EXPECT_EQ(untouched & 0xFFFFFFu, 0u);
    EXPECT_EQ(0, KnobD3D9ForeignThreadCalls());
    level->Release();
    g_copyOut.destination->Release();
    ClearWorkTextureCache();
    StopDevice();
}

TEST(Forwarders, WithoutADeviceNothingReachesDirect3D) {
    KnobD3D9Trace(true);
    IDirect3DVertexBuffer9* buffer = nullptr;
    EXPECT_EQ(-1, CreateVertexBufferOnMainThread(64, 0, 0, D3DPOOL_DEFAULT, &buffer, 0));
    IDirect3DIndexBuffer9* indices = nullptr;
    EXPECT_EQ(-1,
              CreateIndexBufferOnMainThread(64, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices, 0));
    EXPECT_EQ(nullptr, buffer);
    EXPECT_TRUE(KnobD3D9TakeTrace().empty());
    EXPECT_EQ(0, IsDeviceLost());
}

TEST(Forwarders, DeviceLossAndTheWindowTable) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    EXPECT_EQ(0, WindowCalls().IsDeviceLost());
    EXPECT_EQ(1, WindowCalls().HasDirectDrawWindow());
    KnobD3D9LoseDevices();
    EXPECT_EQ(1, IsDeviceLost());
    EXPECT_EQ(1, WindowCalls().IsDeviceLost());
    IDirect3DVertexBuffer9* buffer = nullptr;
    EXPECT_EQ(0, CreateVertexBufferOnMainThread(64, D3DUSAGE_WRITEONLY, 0x2D2, D3DPOOL_SYSTEMMEM,
                                                &buffer, 0));
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(0u, ReleaseObjectOnMainThread(buffer, 0));
    StopDevice();
}

}  // namespace
