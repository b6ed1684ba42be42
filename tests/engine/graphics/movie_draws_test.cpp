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

}  // namespace
