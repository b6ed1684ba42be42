// The mixer through DirectSound buffers: timing against the virtual clock,
// bit-exact copies, loops, sums, volume, pan and frequency.
#include "audio_fixture.h"

namespace audiotest {
namespace {

using MixerThreads = AudioTest;

TEST_F(MixerThreads, HundredMillisecondsAreFortyFourHundredTenFramesWhereverTheyStart) {
    OpenSound();
    for (DWORD offset : {1u, 4u, 10u, 13u, 27u}) {
        Sleep(offset);
        ASSERT_TRUE(KnobAudioWaitPasses(0));
        KnobAudioCaptureStart();
        Sleep(100);
        // On a loaded machine the clock may pass a mixer held up longer than
        // its real-time slice; what is due by now still counts exactly.
        ASSERT_TRUE(KnobAudioWaitPasses(0));
        EXPECT_EQ(KnobAudioCaptured().size(), 2u * 4410) << "after " << offset << " ms";
    }
}

TEST_F(MixerThreads, StartBetweenPassesIsHeardFromTheNextPass) {
    OpenSound();
    IDirectSoundBuffer* buffer = Buffer(Constant(2000, 1000, -1000));
    Sleep(13);
    ASSERT_TRUE(KnobAudioWaitPasses(0));
    KnobAudioCaptureStart();
    const int64_t captureAt = platform::ClockNowNanoseconds();
    Sleep(9);
    ASSERT_TRUE(KnobAudioWaitPasses(0));
    const int64_t playAt = platform::ClockNowNanoseconds();
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(2));
    // Passes fall at open time + k x 10 ms; those after the capture start and
    // up to the play are silent.
    const int64_t pass = 10'000'000;
    const int silent =
        kPass * static_cast<int>((playAt - openTime) / pass - (captureAt - openTime) / pass);
    const auto got = KnobAudioCaptured();
    ASSERT_GT(got.size(), 2u * (silent + 1));
    EXPECT_EQ(Frames(got, 0, silent), Constant(silent, 0, 0));
    EXPECT_EQ(Frames(got, silent, 1), Constant(1, 1000, -1000));
}

TEST_F(MixerThreads, OneShotCopiesBitForBitThenSilenceAndTheCursorStepsByPasses) {
    OpenSound();
    const auto ramp = Ramp(1000);
    IDirectSoundBuffer* once = Buffer(ramp);
    IDirectSoundBuffer* loop = Buffer(Constant(3000, 0, 0));
    ASSERT_EQ(once->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(loop->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    KnobAudioCaptureStart();
    for (DWORD expected : {441u, 882u, 1323u}) {
        ASSERT_TRUE(KnobAudioWaitPasses(1));
        DWORD play = 0, write = 0;
        ASSERT_EQ(loop->GetCurrentPosition(&play, &write), DS_OK);
        EXPECT_EQ(play, expected * 4);
        EXPECT_EQ(write, (expected + 441) * 4);
    }
    const auto got = KnobAudioCaptured();
    EXPECT_EQ(Frames(got, 0, 1000), ramp);
    EXPECT_EQ(Frames(got, 1000, 323), Constant(323, 0, 0));
    DWORD status = 1, play = 1;
    EXPECT_EQ(once->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(once->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 0u);
}

TEST_F(MixerThreads, LoopPlaysAgainWithoutAGap) {
    OpenSound();
    const auto ramp = Ramp(600);
    IDirectSoundBuffer* buffer = Buffer(ramp);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const auto got = CapturePasses(3);
    EXPECT_EQ(Frames(got, 0, 600), ramp);
    EXPECT_EQ(Frames(got, 600, 600), ramp);
    DWORD status = 0;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
}

TEST_F(MixerThreads, SourcesSumAndClampToSixteenBits) {
    OpenSound();
    IDirectSoundBuffer* a = Buffer(Constant(882, 20000, -20000));
    IDirectSoundBuffer* b = Buffer(Constant(882, 20000, -20000));
    IDirectSoundBuffer* c = Buffer(Constant(882, -7000, 3000));
    for (auto* buffer : {a, b}) ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    auto got = CapturePasses(1);
    EXPECT_EQ(Frames(got, 0, 441), Constant(441, 32767, -32768));
    ASSERT_EQ(c->Play(0, 0, 0), DS_OK);
    got = CapturePasses(1);
    EXPECT_EQ(Frames(got, 0, 1), Constant(1, 32767, -32768));  // 33000 and -37000 clamp
}

// A test that moves the clock on by minutes leaves the mixer that far behind:
// a loop playing over a jump is mixed through every pass it missed, and after
// a jump with nothing playing the passes still fall on their instants.
TEST_F(MixerThreads, AJumpOfTheClockMixesPlayingSoundsThroughAndKeepsThePassesInStep) {
    OpenSound();
    IDirectSoundBuffer* loop = Buffer(Constant(3000, 5, 5));
    ASSERT_EQ(loop->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(0));
    DWORD before = 0, after = 0;
    ASSERT_EQ(loop->GetCurrentPosition(&before, nullptr), DS_OK);
    const int64_t second = 1'000'000'000;
    ASSERT_TRUE(platform::ClockMoveVirtualTo(platform::ClockNowNanoseconds() + second));
    ASSERT_TRUE(KnobAudioWaitPasses(0));
    ASSERT_EQ(loop->GetCurrentPosition(&after, nullptr), DS_OK);
    EXPECT_EQ(after, (before / 4 + 100 * 441) % 3000 * 4) << "a second is 100 passes";

    ASSERT_EQ(loop->Stop(), DS_OK);
    ASSERT_TRUE(KnobAudioWaitPasses(0));
    ASSERT_TRUE(platform::ClockMoveVirtualTo(platform::ClockNowNanoseconds() + 600 * second));
    ASSERT_TRUE(KnobAudioWaitPasses(1));
    const int64_t pass = 10'000'000;
    EXPECT_EQ((platform::ClockNowNanoseconds() - openTime) % pass, 0);
    IDirectSoundBuffer* tone = Buffer(Constant(441, 1000, -1000));
    ASSERT_EQ(tone->Play(0, 0, 0), DS_OK);
    // The pass after the play mixes the whole tone from its first frame.
    const auto got = CapturePasses(1);
    ASSERT_EQ(got.size(), 2u * 441);
    EXPECT_EQ(got, Constant(441, 1000, -1000));
}

struct LevelCase {
    const char* name;
    LONG volume;
    LONG pan;
    int16_t left;
    int16_t right;
};

// Levels from 20000: 10^(-600/2000) = 0.501187 gives 10023.7; 10^(-2000/2000) = 0.1.
const LevelCase kLevels[] = {
    {"full", 0, 0, 20000, 20000},
    {"minus6dB", -600, 0, 10024, 10024},
    {"silent", -10000, 0, 0, 0},
    {"hardLeft", 0, -10000, 20000, 0},
    {"hardRight", 0, 10000, 0, 20000},
    {"leftBy20dB", 0, -2000, 20000, 2000},
    {"volumeAndPan", -600, 600, 5024, 10024},
};

TEST_F(MixerThreads, VolumeInHundredthsOfDecibelAndPanOnlyAttenuate) {
    OpenSound();
    for (const LevelCase& c : kLevels) {
        for (const WORD channels : {WORD{1}, WORD{2}}) {
            // 441 frames: one pass.
            const std::vector<int16_t> data(441u * channels, 20000);
            IDirectSoundBuffer* buffer = Buffer(data, Pcm(channels, 16, 44100));
            ASSERT_NE(buffer, nullptr);
            ASSERT_EQ(buffer->SetVolume(c.volume), DS_OK);
            ASSERT_EQ(buffer->SetPan(c.pan), DS_OK);
            LONG volume = 1, pan = 1;
            EXPECT_EQ(buffer->GetVolume(&volume), DS_OK);
            EXPECT_EQ(buffer->GetPan(&pan), DS_OK);
            EXPECT_EQ(volume, c.volume);
            EXPECT_EQ(pan, c.pan);
            ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
            EXPECT_EQ(Frames(CapturePasses(1), 0, 441), Constant(441, c.left, c.right))
                << c.name << " with " << channels << " channel(s)";
        }
    }
}

TEST_F(MixerThreads, HalfFrequencyInterpolatesAndMovesHalfAsFast) {
    OpenSound();
    // Left 10 i^2, right -3 i.
    std::vector<int16_t> data;
    for (int i = 0; i < 1000; ++i) {
        data.push_back(static_cast<int16_t>(i * i * 10 % 30000));
        data.push_back(static_cast<int16_t>(-3 * i));
    }
    IDirectSoundBuffer* buffer = Buffer(data);
    ASSERT_EQ(buffer->SetFrequency(22050), DS_OK);
    DWORD frequency = 0;
    EXPECT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 22050u);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const auto got = CapturePasses(2);
    // Even frames are source frames, odd ones the halfway points (rounded to nearest even).
    const std::vector<int16_t> first = {0, 0, 5, -2, 10, -3, 25, -4, 40, -6, 65, -8, 90, -9};
    EXPECT_EQ(Frames(got, 0, 7), first);
    DWORD play = 0;
    EXPECT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 441u * 4);
    ASSERT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    EXPECT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 44100u);
}

TEST_F(MixerThreads, EightBitMonoPlaysOnBothSides) {
    OpenSound();
    WAVEFORMATEX format = Pcm(1, 8, 44100);
    // Four mono 8-bit frames per stereo 16-bit frame of the helper's data.
    const std::vector<int16_t> bytes(441 / 2 + 1, static_cast<int16_t>(0xC040));
    IDirectSoundBuffer* buffer = Buffer(bytes, format);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    const auto got = CapturePasses(1);
    // Bytes 0x40 and 0xC0: (64 - 128) x 256 and (192 - 128) x 256.
    EXPECT_EQ(Frames(got, 0, 2), (std::vector<int16_t>{-16384, -16384, 16384, 16384}));
}

}  // namespace
}  // namespace audiotest
