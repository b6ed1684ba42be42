// A graphic that shows a movie brings its frame up to date on every draw:
// on the virtual clock each draw 40 ms later shows the next frame.
#include <gtest/gtest.h>

#include <theora/codec.h>

#include <set>

#include "graphics/graphic_create_params.h"
#include "graphics/graphic_handles.h"
#include "core/threads_and_locks.h"
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

class MovieDraws : public ::testing::Test {
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

TEST_F(MovieDraws, EachDrawShowsTheCurrentFrame) {
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
// asynchronous loader, and a draw shows exactly the player's current frame,
// on the device and on the software renderer.
struct MovieRoad {
    const char* name;
    int software, async;
};

class MoviePictures : public ::testing::TestWithParam<MovieRoad> {
  protected:
    void SetUp() override { KnobSetVirtualClock(true); }
    void TearDown() override {
        TerminateMovieModule();
        StopDevice();
    }
};

TEST_P(MoviePictures, ADrawShowsThePlayersFrame) {
    const MovieRoad road = GetParam();
    ScreenSettings s = WithHandles();
    s.width = 40, s.height = 30, s.softwareForced = road.software;
    ASSERT_EQ(0, StartDevice(s));
    if (CheckMovieModule() != 0) ASSERT_EQ(0, InitMovieModule());
    testsupport::WriteFile("movie.ogv",
                           mediafixtures::EncodeTheora({16, 16, TH_PF_420, 6, 8, 25, 1}));
    SetUseAsyncLoad(road.async);
    const Handle g = LoadGraphic("movie.ogv");
    SetUseAsyncLoad(0);
    ASSERT_GT(g, 0);
    if (road.async)
        ASSERT_TRUE(testsupport::ServeUntil([g] { return IsHandleAsyncPending(g) != 1; },
                                            "the movie's asynchronous load"));
    const Handle movie = GraphicFromHandle(g, 0)->movie;
    ASSERT_GE(movie, 0);
    ASSERT_EQ(0, PlayMovieHandle(movie, 1, 0));
    SleepMilliseconds(100);  // frame 2 is due
    ASSERT_EQ(0, DrawGraphicAt(2, 3, g, 0));
    MovieHandleRecord* record = GetMovieRecord(movie);
    EXPECT_EQ(TheoraGetCurrentFrame(record->theora), 2);
    const BaseImage* frame = TheoraGetFrameImage(record->theora);
    int differ = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t want =
                reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(frame->pixels) +
                                                  y * frame->pitch)[x] &
                0xFFFFFF;
            differ += ScreenPixel(road.software, 2 + x, 3 + y) != want;
        }
    EXPECT_EQ(differ, 0);
    DeleteGraphic(g);
}

INSTANTIATE_TEST_SUITE_P(Roads, MoviePictures,
                         ::testing::Values(MovieRoad{"Device", 0, 0},
                                           MovieRoad{"DeviceAsync", 0, 1},
                                           MovieRoad{"Software", 1, 0},
                                           MovieRoad{"SoftwareAsync", 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
