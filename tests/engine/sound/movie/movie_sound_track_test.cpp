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

// A one-shot movie whose track is as long as its pictures, on every sound
// interface: once the track has played out (and gone back to its start) the
// movie stays on its last frame, still playing.
class MovieTrackEndThreads : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        StartServices();
        InitSoundConvert();
        ChooseBackend(GetParam());
        ASSERT_EQ(InitSoundSystem(), 0);
        ASSERT_EQ(RunningBackend(), GetParam());
        ASSERT_EQ(InitMovieModule(), 0);
    }
    void TearDown() override {
        EXPECT_EQ(TerminateMovieModule(), 0);
        DeleteAllHandles(HandleTypeSound, nullptr);
        EndServices();
        TerminateSoundConvert();
    }
};

TEST_P(MovieTrackEndThreads, OneShotMovieStaysOnItsLastFrameAfterTheTrack) {
    // 25 frames at 25 per second and 22050 samples at 22050 Hz: 1 s each.
    const std::vector<int16_t> tone = mf::Tone(22050, 1, 22050, 440, 12000);
    testsupport::WriteFile(
        "both.ogv", mf::EncodeTheora({16, 16, TH_PF_420, 25, 10, 25, 1}, &tone, 1, 22050, 0.0f));
    const int32_t setting = 0;
    const Handle movie = OpenMovieFile(&setting, "both.ogv", nullptr, nullptr, 0, 0);
    ASSERT_GE(movie, 0);
    const Handle track = GetMovieRecord(movie)->soundTrack;
    ASSERT_GE(track, 0);
    const auto shown = [&] { return TheoraGetCurrentFrame(GetMovieRecord(movie)->theora); };
    ASSERT_EQ(PlayMovieHandle(movie, 1, 0), 0);
    // The pump refills the track every pass and the movie is drawn every
    // tenth; 300 passes (3 s) are far past the track's 1 s and its eighth
    // of a second of silence.
    for (int pass = 0; pass < 300 && IsSoundPlaying(track) == 1; ++pass) {
        KnobAudioWaitPasses(1);
        RefillStreamSounds();
        if (pass % 10 == 0) UpdateMovieFrame(movie, 0);
    }
    ASSERT_EQ(IsSoundPlaying(track), 0) << "the track played out";
    for (int look = 0; look < 3; ++look) {
        ASSERT_EQ(UpdateMovieFrame(movie, 0), 0);
        EXPECT_EQ(shown(), 24) << look;
        KnobAudioWaitPasses(10);
    }
    EXPECT_EQ(GetMovieRecord(movie)->stopped, 0);
    EXPECT_EQ(GetMovieRecord(movie)->resume, 1);
    EXPECT_EQ(DeleteHandle(movie), 0);
}

SOUND_ON_EVERY_BACKEND(MovieTrackEndThreads);

}  // namespace
