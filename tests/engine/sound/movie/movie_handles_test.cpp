// Movie handles over Theora files on the virtual clock: frames follow the
// clock, one-shots stop on their last frame, loops wrap; pause and resume of
// all movies; bad handles and bad files.
#include <dshow.h>
#include <win_com.h>

#include <thread>
#include <theora/codec.h>

#include "../sound_convert_support.h"
#include "archive_writer.h"
#include "files/archive_access.h"
#include "core/threads_and_locks.h"
#include "sound/movie/movie_frames.h"
#include "sound/movie/movie_module.h"
#include "sound/movie/theora_player.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace mediafixtures;

namespace {

class MovieHandleThreads : public soundtest::SoundConvertTest {
  protected:
    void SetUp() override {
        SoundConvertTest::SetUp();
        KnobSetVirtualClock(true);
        threads_ = testsupport::QuietThreadCount();
        // Six frames at 25 per second: 40 ms each.
        testsupport::WriteFile("movie.ogv", EncodeTheora({16, 16, TH_PF_420, 6, 8, 25, 1}));
        ASSERT_EQ(InitMovieModule(), 0);
    }
    void TearDown() override {
        EXPECT_EQ(TerminateMovieModule(), 0);
        EXPECT_EQ(threads_, testsupport::SettledThreadCount(threads_));
        SoundConvertTest::TearDown();
    }
    static Handle Open() {
        int w = 0, h = 0;
        const int32_t setting = 0;
        return OpenMovieFile(&setting, "movie.ogv", &w, &h, 0, 0);
    }
    static int64_t Shown(Handle movie) {
        return TheoraGetCurrentFrame(GetMovieRecord(movie)->theora);
    }
    int threads_ = 0;
};

void CountCalls(MovieHandleRecord*, void* count) {
    ++*static_cast<int*>(count);
}

TEST_F(MovieHandleThreads, FramesFollowTheClock) {
    const struct {
        const char* name;
        int playType;
        int sleepMs[3];
        int64_t frame[3];
        int stoppedAtEnd;
    } rows[] = {
        // 100 ms: frame 2; 260 ms: the last frame; once more there: the end.
        {"one-shot", 1, {100, 160, 0}, {2, 5, 5}, 1},
        // 300 ms is 7.5 frames: frame 1 of the second pass; 420 ms: frame 4.
        {"loop", 3, {100, 200, 120}, {2, 1, 4}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Handle movie = Open();
        ASSERT_GE(movie, 0);
        int calls = 0;
        ASSERT_EQ(SetMovieFrameCallback(movie, CountCalls, &calls), 0);
        ASSERT_EQ(PlayMovieHandle(movie, row.playType, 0), 0);
        for (int step = 0; step < 3; ++step) {
            SleepMilliseconds(uint32_t(row.sleepMs[step]));
            ASSERT_EQ(UpdateMovieFrame(movie, 0), 0);
            EXPECT_EQ(Shown(movie), row.frame[step]) << "step " << step;
            EXPECT_EQ(TheoraConvertCurrentFrame(GetMovieRecord(movie)->theora, 1, 0, 0), 1);
        }
        EXPECT_EQ(calls, 3);
        EXPECT_EQ(GetMovieRecord(movie)->stopped, row.stoppedAtEnd);
        EXPECT_EQ(GetMovieRecord(movie)->resume, 1 - row.stoppedAtEnd);
        EXPECT_EQ(DeleteHandle(movie), 0);
    }
}

TEST_F(MovieHandleThreads, PauseAllResumesOnlyThePlayingOnes) {
    const Handle playing = Open(), paused = Open(), idle = Open();
    ASSERT_GE(idle, 0);
    PlayMovieHandle(playing, 3, 0);
    PlayMovieHandle(paused, 1, 0);
    PauseMovieHandle(paused, 0);
    EXPECT_EQ(PlayMovieHandle(playing, 1, 0), 0) << "playing a playing movie";
    EXPECT_EQ(GetMovieRecord(playing)->playType, 3);
    EXPECT_EQ(PauseAllMovies(), 0);
    EXPECT_EQ(GetMovieRecord(playing)->stopped, 1);
    EXPECT_EQ(ResumeAllMovies(), 0);
    EXPECT_EQ(GetMovieRecord(playing)->stopped, 0);
    EXPECT_EQ(GetMovieRecord(paused)->stopped, 1);
    EXPECT_EQ(GetMovieRecord(idle)->stopped, 1);
}

TEST_F(MovieHandleThreads, BadHandlesFilesAndLimits) {
    EXPECT_EQ(InitMovieModule(), -1) << "second start";
    const Handle gone = Open();
    ASSERT_GE(gone, 0);
    DeleteHandle(gone);
    for (Handle bad : {Handle(-1), gone, Handle(0x12345)}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(PlayMovieHandle(bad, 1, 0), -1);
        EXPECT_EQ(PauseMovieHandle(bad, 0), -1);
        EXPECT_EQ(UpdateMovieFrame(bad, 0), -1);
        EXPECT_EQ(SetMovieFrameCallback(bad, nullptr, nullptr), -1);
        EXPECT_EQ(InvalidateMovieSurface(bad), -1);
        EXPECT_EQ(GetMovieRecord(bad), nullptr);
    }
    testsupport::WriteFile("plain.bin", "not a movie at all");
    const std::string before = testsupport::ReadFile("Log.txt");
    EXPECT_EQ(OpenMovieFile(nullptr, "plain.bin", nullptr, nullptr, 0, 0), -1);
    EXPECT_NE(testsupport::ReadFile("Log.txt").find(
                  Cp932Text("ムービーファイルオープン処理時にエラーが発生しました"), before.size()),
              std::string::npos);
    int count = 0;
    while (Open() >= 0) ++count;
    EXPECT_EQ(count, 100);
}

}  // namespace

namespace {

void KeepFrame(MovieHandleRecord* movie, void* out) {
    const BaseImage& f = movie->frameImage;
    *static_cast<std::string*>(out) =
        std::string(static_cast<const char*>(f.pixels), size_t(f.pitch) * f.height);
}

// Plays the clip and returns the first frame it shows, bounded. The clip may
// reach its end (and be paused) before the graph's thread rendered anything on
// a loaded machine: the paused graph still shows a frame.
std::string FirstFramePlayed(Handle clip, const char* what) {
    std::string frame;
    SetMovieFrameCallback(clip, KeepFrame, &frame);
    EXPECT_EQ(PlayMovieHandle(clip, 1, 0), 0);
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] {
            UpdateMovieFrame(clip, 0);
            return !frame.empty();
        },
        testsupport::kWaitLimit, what));
    SetMovieFrameCallback(clip, nullptr, nullptr);
    return frame;
}

TEST_F(MovieHandleThreads, RawVideosPlayThroughTheGraph) {
    const long live = KnobDshowLiveObjects();
    // Two 4 x 2 top-down 32-bit frames at 10 per second, and one with no frame.
    testsupport::WriteFile("clip.raw", RawVideo(4, -2, 0, 32, 10, 1, 2, 32,
                                                std::string(32, 'A') + std::string(32, 'B')));
    testsupport::WriteFile("empty.raw", RawVideo(4, -2, 0, 32, 10, 1, 0, 32, ""));
    int w = 0, h = 0;
    const Handle clip = OpenMovieFile(nullptr, "clip.raw", &w, &h, 0, 0);
    ASSERT_GE(clip, 0);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 2);
    const std::string frame = FirstFramePlayed(clip, "a frame of the played clip");
    EXPECT_TRUE(frame == std::string(32, 'A') || frame == std::string(32, 'B')) << frame;
    const Handle empty = OpenMovieFile(nullptr, "empty.raw", nullptr, nullptr, 0, 0);
    ASSERT_GE(empty, 0);
    EXPECT_EQ(GetMovieRecord(empty)->duration, 166666);
    DeleteHandle(clip);
    DeleteHandle(empty);
    testsupport::WriteFile("junk.raw", "VSMRAWV1 but nothing after it");
    const std::string before = testsupport::ReadFile("Log.txt");
    EXPECT_EQ(OpenMovieFile(nullptr, "junk.raw", nullptr, nullptr, 0, 0), -1);
    const std::string log = testsupport::ReadFile("Log.txt").substr(before.size());
    EXPECT_NE(log.find(Cp932Text("ファイル:junk.raw が開けませんでした")), std::string::npos)
        << log;
    EXPECT_EQ(KnobDshowLiveObjects(), live);
}

// The graph's thread starved: the graph is paused before it ever ran, as the
// end-of-clip check pauses it when the clock passed the end before the first
// frame was due. The frame it holds is shown all the same.
TEST_F(MovieHandleThreads, GraphPausedBeforeItsFirstFrameStillShowsOne) {
    testsupport::WriteFile("clip.raw", RawVideo(4, -2, 0, 32, 10, 1, 2, 32,
                                                std::string(32, 'A') + std::string(32, 'B')));
    const Handle clip = OpenMovieFile(nullptr, "clip.raw", nullptr, nullptr, 0, 0);
    ASSERT_GE(clip, 0);
    std::string frame;
    SetMovieFrameCallback(clip, KeepFrame, &frame);
    ASSERT_EQ(GetMovieRecord(clip)->control->Pause(), S_OK);
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            UpdateMovieFrame(clip, 0);
            return !frame.empty();
        },
        testsupport::kWaitLimit, "the paused clip's first frame"));
    EXPECT_EQ(frame, std::string(32, 'A'));
    DeleteHandle(clip);
}

// A clip inside an archive, which the graph cannot open by name, plays from
// a temporary copy that goes with its handle; a looping clip goes back to its
// start at the stop position and plays on; with "quartz.dll" hidden no graph
// can be made, and Theora movies still open.
TEST_F(MovieHandleThreads, ArchivedClipsLoopsAndAHiddenGraph) {
    const std::string clip =
        RawVideo(4, -2, 0, 32, 10, 1, 2, 32, std::string(32, 'A') + std::string(32, 'B'));
    zav::WriterNode pack{.directory = true};
    pack.children.push_back({.name = "clip.raw", .data = {clip.begin(), clip.end()}});
    std::vector<unsigned char> image;
    std::string error;
    ASSERT_TRUE(zav::WriteArchive(pack, {.keyKind = zav::KeyKind::None}, &image, &error)) << error;
    testsupport::WriteFile("PACK.ZAV", std::string(image.begin(), image.end()));
    const Handle packed = OpenMovieFile(nullptr, "PACK/clip.raw", nullptr, nullptr, 0, 0);
    ASSERT_GE(packed, 0);
    ASSERT_EQ(GetMovieRecord(packed)->temporaryFile, 1);
    const std::string copy = GetMovieRecord(packed)->path;
    // The copy, read through the platform (its path is a Windows one).
    HANDLE file = CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << copy;
    std::string copied(clip.size() + 1, '\0');
    DWORD got = 0;
    ReadFile(file, copied.data(), DWORD(copied.size()), &got, nullptr);
    CloseHandle(file);
    EXPECT_EQ(copied.substr(0, got), clip);
    EXPECT_EQ(DeleteHandle(packed), 0);
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES) << "the copy goes";
    EndArchives();

    // 0.2 s of clip, looped: still playing after twice that.
    testsupport::WriteFile("clip.raw", clip);
    const Handle loop = OpenMovieFile(nullptr, "clip.raw", nullptr, nullptr, 0, 0);
    ASSERT_GE(loop, 0);
    ASSERT_EQ(PlayMovieHandle(loop, 3, 0), 0);
    for (int step = 0; step < 10; ++step) {
        SleepMilliseconds(50);
        ASSERT_EQ(UpdateMovieFrame(loop, 0), 0);
    }
    EXPECT_EQ(GetMovieRecord(loop)->stopped, 0);
    EXPECT_EQ(GetMovieRecord(loop)->resume, 1);
    DeleteHandle(loop);

    KnobHideModule("quartz.dll", true);
    const std::string before = testsupport::ReadFile("Log.txt");
    EXPECT_EQ(OpenMovieFile(nullptr, "clip.raw", nullptr, nullptr, 0, 0), -1);
    EXPECT_NE(testsupport::ReadFile("Log.txt").find(
                  Cp932Text("CLSID_FilterGraph の作成に失敗しました"), before.size()),
              std::string::npos);
    const Handle theora = Open();
    EXPECT_GE(theora, 0) << "the engine's own player needs no graph";
    KnobHideModule("quartz.dll", false);
    DeleteHandle(theora);
}

// Graphics opens movies on its load workers, where COM was never started:
// the open starts it for itself and leaves it as it found it, and the movie
// then plays from the main thread.
TEST_F(MovieHandleThreads, AClipOpenedOnAThreadWithoutComPlaysFromTheMainThread) {
    testsupport::WriteFile("clip.raw", RawVideo(4, -2, 0, 32, 10, 1, 2, 32,
                                                std::string(32, 'A') + std::string(32, 'B')));
    Handle clip = -1;
    HRESULT afterwards = E_FAIL;
    std::thread worker([&] {
        clip = OpenMovieFile(nullptr, "clip.raw", nullptr, nullptr, 0, 1);
        afterwards = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(afterwards)) CoUninitialize();
    });
    worker.join();
    ASSERT_GE(clip, 0);
    EXPECT_EQ(afterwards, S_OK) << "COM was left as the thread had it";
    EXPECT_FALSE(FirstFramePlayed(clip, "a frame of the clip opened on the worker").empty());
    DeleteHandle(clip);
}

}  // namespace
