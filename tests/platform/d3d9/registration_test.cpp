// DirectDraw, kept for its wait for the vertical blank.
#include "d3d9_fixture.h"
#include "ddraw.h"
#include "windows.h"

using namespace d3d9test;

namespace {

// Under the virtual clock the blanks lie on 1/60 s boundaries: measured over
// ten waits the period is 16,666 or 16,667 microseconds.
TEST(D3D9DirectDraw, CreatedThroughComAndWaitsForSixtyHertzBlanks) {
    KnobSetVirtualClock(true);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, 0)));
    IDirectDraw7* dd = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectDraw7, nullptr, 7, IID_IDirectDraw7,
                               reinterpret_cast<void**>(&dd)),
              S_OK);
    EXPECT_EQ(KnobD3D9LiveCount("DirectDraw"), 1);
    EXPECT_EQ(dd->SetCooperativeLevel(TestWindow(), DDSCL_NORMAL), DDERR_NOTINITIALIZED);
    EXPECT_EQ(dd->Initialize(nullptr), DD_OK);
    EXPECT_EQ(dd->Initialize(nullptr), DDERR_ALREADYINITIALIZED);
    EXPECT_EQ(dd->SetCooperativeLevel(TestWindow(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE),
              DDERR_UNSUPPORTED);
    EXPECT_EQ(dd->SetCooperativeLevel(TestWindow(), DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKEND, nullptr), DDERR_UNSUPPORTED);
    EXPECT_EQ(dd->CreateSurface(nullptr, nullptr, nullptr), DDERR_UNSUPPORTED);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    ASSERT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    QueryPerformanceCounter(&t1);
    const int64_t micros = (t1.QuadPart - t0.QuadPart) * 1000000 / freq.QuadPart / 10;
    EXPECT_GE(micros, 16666);
    EXPECT_LE(micros, 16667);
    dd->Release();
    EXPECT_EQ(KnobD3D9LiveCount("DirectDraw"), 0);
    CoUninitialize();
}

}  // namespace
