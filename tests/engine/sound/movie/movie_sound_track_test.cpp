// A Theora movie with a Vorbis track: the track is heard in the mix and the
// frames follow its position, not the clock; at its end the movie stays on
// its last frame and keeps playing. (Without a track the clock leads: the
// movie handle tests run without a sound system.)
#include <theora/codec.h>

#include <algorithm>
#include <cstdlib>

#include "../sound_output_support.h"
#include "core/handle_manager.h"
#include "media_fixtures.h"
#include "sound/movie/movie_frames.h"
#include "sound/movie/movie_module.h"
#include "sound/movie/theora_player.h"
#include "sound/sound_handles.h"

using namespace DuRud;
using namespace soundtest;
namespace mf = mediafixtures;

namespace {

class MovieTrackThreads : public testing::Test {
  protected:
    void SetUp() override {
        StartServices();
        InitSoundConvert();
        ChooseBackend(Backend::DirectSound);
        ASSERT_EQ(InitSoundSystem(), 0);
        ASSERT_EQ(InitMovieModule(), 0);
        // Ten frames at 25 per second (0.4 s) over 0.6 s of a loud tone.
        const std::vector<int16_t> tone = mf::Tone(26460, 1, 44100, 440, 12000);
        testsupport::WriteFile("talkie.ogv", mf::EncodeTheora({16, 16, TH_PF_420, 10, 4, 25, 1},
                                                              &tone, 1, 44100, 0.4f));
    }
    void TearDown() override {
        EXPECT_EQ(TerminateMovieModule(), 0);
        DeleteAllHandles(HandleTypeSound, nullptr);
        EndServices();
        TerminateSoundConvert();
    }
    static int64_t Shown(Handle movie) {
        return TheoraGetCurrentFrame(GetMovieRecord(movie)->theora);
    }
};

TEST_F(MovieTrackThreads, FramesFollowTheTrackAndStayOnTheLastWhenItEnds) {
    const int32_t setting = 0;
    const Handle movie = OpenMovieFile(&setting, "talkie.ogv", nullptr, nullptr, 0, 0);
    ASSERT_GE(movie, 0);
    const Handle track = GetMovieRecord(movie)->soundTrack;
    ASSERT_GE(track, 0) << "the Vorbis track loads as a stream sound";

    const std::vector<int16_t> heard = Capture(10, [&] { PlayMovieHandle(movie, 1, 0); });
    EXPECT_GT(*std::max_element(heard.begin(), heard.end()), 4000) << "the track is heard";

    // The track held still: the clock runs on, the picture does not.
    StopSoundHandle(track);
    ASSERT_EQ(UpdateMovieFrame(movie, 0), 0);
    const int64_t held = Shown(movie);
    EXPECT_EQ(held, GetSoundPlayTimeMs(track) * 25 / 1000);
    SleepMilliseconds(200);  // five frames of the clock
    ASSERT_EQ(UpdateMovieFrame(movie, 0), 0);
    EXPECT_EQ(Shown(movie), held);

    // Played to its end (past the pictures'): the last frame, still playing.
    PlaySoundHandle(track, 1, 0);
    KnobAudioWaitPasses(60);
    ASSERT_EQ(UpdateMovieFrame(movie, 0), 0);
    EXPECT_EQ(Shown(movie), 9);
    EXPECT_EQ(GetMovieRecord(movie)->stopped, 0);
    EXPECT_EQ(GetMovieRecord(movie)->resume, 1);
    EXPECT_EQ(DeleteHandle(movie), 0);
}

}  // namespace
