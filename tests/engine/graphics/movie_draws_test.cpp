// A graphic that shows a movie brings its frame up to date on every draw:
// on the virtual clock each draw 40 ms later shows the next frame.
#include <gtest/gtest.h>

#include <theora/codec.h>

#include <algorithm>
#include <set>

#include "graphics/graphic_create_params.h"
#include "graphics/graphic_handles.h"
#include "core/threads_and_locks.h"
#include "graphics/device_layer.h"
#include "graphics/movie_frames.h"
#include "graphics_fixture.h"
#include "media_fixtures.h"
#include "sound/movie/movie_module.h"
#include "sound/movie/theora_player.h"
#include "support/serve_until.h"
#include "support/test_support.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

class MovieDrawThreads : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        ScreenSettings s = WithHandles();
        s.width = 40, s.height = 30;
        ASSERT_EQ(0, StartDevice(s));
        startedMovies_ = CheckMovieModule() != 0;
        if (startedMovies_) {
            ASSERT_EQ(0, InitMovieModule());
        }
    }
    void TearDown() override {
        if (graphic_ >= 0) DeleteGraphic(graphic_);
        if (startedMovies_) TerminateMovieModule();
        StopDevice();
    }
    bool startedMovies_ = false;
    Handle graphic_ = -1;
};

TEST_F(MovieDrawThreads, EachDrawShowsTheCurrentFrame) {
    // Six frames at 25 per second, each of its own brightness.
    testsupport::WriteFile("movie.ogv",
                           mediafixtures::EncodeTheora({16, 16, TH_PF_420, 6, 8, 25, 1}));
    graphic_ = NewGraphicHandle();
    GraphicCreateParams params;
    FillGraphicCreateParams(&params, 0);
    ASSERT_EQ(0, CreateGraphicFromMovie(params, graphic_, "movie.ogv", 0, 0, 0));
    const Handle movie = GraphicFromHandle(graphic_, 0)->movie;
    ASSERT_GE(movie, 0);
    ASSERT_EQ(0, PlayMovieHandle(movie, 1, 0));
    std::set<uint32_t> shown;
    for (int draw = 0; draw < 4; ++draw) {
        ASSERT_EQ(0, DrawGraphicAt(2, 2, graphic_, 0));
        shown.insert(BackBufferPixel(10, 10));
        SleepMilliseconds(40);
    }
    EXPECT_EQ(4u, shown.size()) << "a new frame for every draw";
}

// A movie named as a picture loads as a movie graphic, at once or on the
// asynchronous loader, and a draw shows exactly the movie's current frame:
// a Theora movie through the engine's player, a raw clip through the graph;
// on the device, on the software renderer, and with Direct3D hidden.
struct MovieRoad {
    const char* name;
    int software, async;
    bool raw, hideD3D;
};

class MoviePictureThreads : public ::testing::TestWithParam<MovieRoad> {
  protected:
    void SetUp() override { KnobSetVirtualClock(true); }
    void TearDown() override {
        TerminateMovieModule();
        StopDevice();
        KnobHideModule("d3d9.dll", false);
    }
};

TEST_P(MoviePictureThreads, ADrawShowsTheMoviesFrame) {
    const MovieRoad road = GetParam();
    KnobHideModule("d3d9.dll", road.hideD3D);
    ScreenSettings s = WithHandles();
    s.width = 40, s.height = 30, s.softwareForced = road.software && !road.hideD3D;
    ASSERT_EQ(0, StartDevice(s));
    if (CheckMovieModule() != 0) {
        ASSERT_EQ(0, InitMovieModule());
    }
    testsupport::WriteFile("movie.ogv",
                           mediafixtures::EncodeTheora({16, 16, TH_PF_420, 6, 8, 25, 1}));
    // One 4 x 2 frame of 32-bit pixels 0x41414141, top-down.
    testsupport::WriteFile(
        "clip.raw", mediafixtures::RawVideo(4, -2, 0, 32, 10, 1, 1, 32, std::string(32, 'A')));
    SetUseAsyncLoad(road.async);
    const Handle g = LoadGraphic(road.raw ? "clip.raw" : "movie.ogv");
    SetUseAsyncLoad(0);
    ASSERT_GT(g, 0);
    if (road.async) {
        ASSERT_TRUE(testsupport::ServeUntil([g] { return IsHandleAsyncPending(g) != 1; },
                                            "the movie's asynchronous load"));
    }
    const Handle movie = GraphicFromHandle(g, 0)->movie;
    ASSERT_GE(movie, 0);
    ASSERT_EQ(0, PlayMovieHandle(movie, 1, 0));
    MovieHandleRecord* record = GetMovieRecord(movie);
    if (road.raw) {
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] {
                UpdateMovieFrame(movie, 0);
                return record->frameImage.pixels != nullptr;
            },
            testsupport::kWaitLimit, "the clip's frame"));
    } else {
        SleepMilliseconds(100);  // frame 2 is due
    }
    ASSERT_EQ(0, DrawGraphicAt(2, 3, g, 0));
    if (!road.raw) {
        EXPECT_EQ(TheoraGetCurrentFrame(record->theora), 2);
    }
    const BaseImage* frame = road.raw ? &record->frameImage : TheoraGetFrameImage(record->theora);
    int differ = 0;
    for (int y = 0; y < frame->height; ++y)
        for (int x = 0; x < frame->width; ++x) {
            const uint32_t want =
                reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(frame->pixels) +
                                                  y * frame->pitch)[x] &
                0xFFFFFF;
            differ += ScreenPixel(road.software, 2 + x, 3 + y) != want;
        }
    EXPECT_EQ(differ, 0);
    if (road.raw) {
        EXPECT_EQ(ScreenPixel(road.software, 2, 3), 0x414141u);
    }
    DeleteGraphic(g);
}

INSTANTIATE_TEST_SUITE_P(Roads, MoviePictureThreads,
                         ::testing::Values(MovieRoad{"Device", 0, 0, false, false},
                                           MovieRoad{"DeviceAsync", 0, 1, false, false},
                                           MovieRoad{"Software", 1, 0, false, false},
                                           MovieRoad{"SoftwareAsync", 1, 1, false, false},
                                           MovieRoad{"NoDirect3D", 1, 0, false, true},
                                           MovieRoad{"RawClipDevice", 0, 0, true, false},
                                           MovieRoad{"RawClipAsyncNoDirect3D", 1, 1, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// With the device admitting one YUV layout, a 4:2:0 movie gets a surface in
// it: converted by the device it equals the player's RGB picture; after an
// invalidation the next draw makes it again, and draws still show the frame
// (the managed tile takes no StretchRect, so the RGB road serves).
class MovieSurfaceThreads : public ::testing::TestWithParam<D3DFORMAT> {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        KnobD3D9AdmitYuvSurfaces(GetParam(), true);
    }
    void TearDown() override {
        TerminateMovieModule();
        StopDevice();
        KnobD3D9AdmitYuvSurfaces(GetParam(), false);
        KnobD3D9Trace(false);
    }
};

TEST_P(MovieSurfaceThreads, TheDeviceConvertsTheSurfaceAsThePlayerDoes) {
    ScreenSettings s = WithHandles();
    s.width = 40, s.height = 30;
    ASSERT_EQ(0, StartDevice(s));
    if (CheckMovieModule() != 0) {
        ASSERT_EQ(0, InitMovieModule());
    }
    testsupport::WriteFile("movie.ogv",
                           mediafixtures::EncodeTheora({16, 16, TH_PF_420, 6, 8, 25, 1}));
    // YUY2 and UYVY load on a worker, which posts its surface work to this thread.
    const int async = GetParam() != static_cast<D3DFORMAT>(MAKEFOURCC('Y', 'V', '1', '2'));
    SetUseAsyncLoad(async);
    const Handle g = LoadGraphic("movie.ogv");
    SetUseAsyncLoad(0);
    ASSERT_GT(g, 0);
    if (async) {
        ASSERT_TRUE(testsupport::ServeUntil([g] { return IsHandleAsyncPending(g) != 1; },
                                            "the movie's asynchronous load"));
    }
    const Handle movie = GraphicFromHandle(g, 0)->movie;
    TheoraState* player = GetMovieRecord(movie)->theora;
    IDirect3DSurface9* surface = TheoraGetFrameSurface(player);
    ASSERT_NE(surface, nullptr);
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    EXPECT_EQ(desc.Format, GetParam());

    IDirect3DSurface9* target = nullptr;
    ASSERT_TRUE(SUCCEEDED(
        DeviceCreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target)));
    ASSERT_TRUE(SUCCEEDED(DeviceStretchRect(surface, nullptr, target, nullptr, D3DTEXF_NONE)));
    const BaseImage* frame = TheoraGetFrameImage(player);
    int differ = 0;
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x) {
            DWORD device = 0;
            KnobD3D9ReadPixel(target, x, y, &device);
            const uint32_t rgb = reinterpret_cast<const uint32_t*>(
                static_cast<const uint8_t*>(frame->pixels) + y * frame->pitch)[x];
            differ += (device & 0xFFFFFF) != (rgb & 0xFFFFFF);
        }
    EXPECT_EQ(differ, 0);
    target->Release();

    KnobD3D9Trace(true);
    KnobD3D9TakeTrace();
    ASSERT_EQ(0, InvalidateMovieSurface(movie));
    EXPECT_EQ(TheoraGetFrameSurface(player), nullptr);
    ASSERT_EQ(0, PlayMovieHandle(movie, 1, 0));
    SleepMilliseconds(50);
    ASSERT_EQ(0, DrawGraphicAt(2, 3, g, 0));
    const auto made = TraceOf(KnobD3D9TakeTrace(), "CreateOffscreenPlainSurface");
    EXPECT_EQ(
        std::count_if(made.begin(), made.end(),
                      [](const std::string& line) { return line.ends_with("-> 0x00000000"); }),
        1)
        << "made again once";
    EXPECT_NE(TheoraGetFrameSurface(player), nullptr);
    differ = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            differ += ScreenPixel(0, 2 + x, 3 + y) !=
                      (reinterpret_cast<const uint32_t*>(
                           static_cast<const uint8_t*>(frame->pixels) + y * frame->pitch)[x] &
                       0xFFFFFF);
    EXPECT_EQ(differ, 0);
    DeleteGraphic(g);
}

INSTANTIATE_TEST_SUITE_P(Layouts, MovieSurfaceThreads,
                         ::testing::Values(static_cast<D3DFORMAT>(MAKEFOURCC('Y', 'V', '1', '2')),
                                           D3DFMT_YUY2, D3DFMT_UYVY),
                         [](const auto& info) {
                             return info.param == D3DFMT_YUY2   ? std::string("YUY2")
                                    : info.param == D3DFMT_UYVY ? std::string("UYVY")
                                                                : std::string("YV12");
                         });

}  // namespace
