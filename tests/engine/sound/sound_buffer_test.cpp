// Sound buffers on DirectSound, XAudio2 2.8 and 2.7, heard through the
// capture of the mixed output.
#include "core/tracked_memory.h"
#include "sound_output_support.h"

using namespace DuRud;
using namespace soundtest;

namespace {

class SoundBufferTest : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        StartServices();
        ChooseBackend(GetParam());
        ASSERT_EQ(InitSoundSystem(), 0);
        ASSERT_EQ(RunningBackend(), GetParam());
    }
    void TearDown() override { EndServices(); }
    bool xaudio2() const { return GetParam() != Backend::DirectSound; }
};

long SoundingFrames(const std::vector<int16_t>& c) {
    long n = 0;
    for (size_t i = 0; i < c.size(); i += 2) n += c[i] != 0;
    return n;
}

// 2305 frames: three whole submissions of 1/60 s and a part of one.
constexpr int kRampFrames = 2305;

TEST_P(SoundBufferTest, OneShotAndLoopPlayExactly) {
    const std::vector<int16_t> ramp = Ramp(kRampFrames);
    Buffers b;
    ASSERT_EQ(b.Make(Pcm(2, 16), ramp), 0);
    auto once = Capture(12, [&] { PlaySoundBuffer(&b.records[0], 0); });
    const long start = FirstSound(once);
    ASSERT_GE(start, 0);
    EXPECT_EQ(Slice(once, start, kRampFrames), ramp);
    EXPECT_EQ(SoundingFrames(once), kRampFrames);
    DWORD status = 7;
    ASSERT_EQ(GetSoundBufferStatus(&b.records[0], &status), 0);
    EXPECT_EQ(status, 0u);

    ASSERT_EQ(SetSoundBufferPosition(&b.records[0], 0), 0);
    auto looped = Capture(16, [&] { PlaySoundBuffer(&b.records[0], 1); });
    StopSoundBuffer(&b.records[0]);
    std::vector<int16_t> twice = ramp;
    twice.insert(twice.end(), ramp.begin(), ramp.end());
    EXPECT_EQ(Slice(looped, FirstSound(looped), 2 * kRampFrames), twice);
}

TEST_P(SoundBufferTest, ThreeBuffersShareTheirDataAndSum) {
    const std::vector<int16_t> ramp = Ramp(kRampFrames);
    const int blocks = MemGetCount();
    auto b = std::make_unique<Buffers>();
    ASSERT_EQ(b->Make(Pcm(2, 16), ramp, 3), 0);
    const int32_t shared = xaudio2() ? 1 : 0;
    EXPECT_EQ(b->shared[1], shared);
    EXPECT_EQ(b->shared[2], shared);
    if (xaudio2()) {
        EXPECT_EQ(b->records[2].sampleData, b->records[0].sampleData);
        EXPECT_EQ(b->records[0].sampleData->references, 3);
    }
    auto c = Capture(14, [&] {
        for (int i = 0; i < 3; ++i) {
            PlaySoundBuffer(&b->records[i], 0);
            KnobAudioWaitPasses(1);
        }
    });
    EXPECT_TRUE(ThreePlaysSum(c, ramp));
    for (int i = 0; i < 2; ++i) ReleaseSoundBuffer(&b->records[i]);
    if (xaudio2()) {
        EXPECT_EQ(b->records[2].sampleData->references, 1);
    }
    b.reset();
    EXPECT_EQ(MemGetCount(), blocks);
}

TEST_P(SoundBufferTest, SeekWhilePlayingContinuesFromThere) {
    const std::vector<int16_t> ramp = Ramp(8000);
    Buffers b;
    ASSERT_EQ(b.Make(Pcm(2, 16), ramp), 0);
    const long target = 6000;
    auto c = Capture(6, [&] {
        PlaySoundBuffer(&b.records[0], 0);
        KnobAudioWaitPasses(3);
        ASSERT_EQ(SetSoundBufferPosition(&b.records[0], target * 4), 0);
    });
    // Within one pass and one 1/60 s submission the new place is heard.
    long at = -1;
    for (long i = 0; 2 * i < static_cast<long>(c.size()) && at < 0; ++i) {
        if (c[2 * i] == 1 + 4 * target) at = i;
    }
    ASSERT_GE(at, 0);
    EXPECT_LE(at - FirstSound(c), 3 * 441 + 441 + 735);
    EXPECT_EQ(Slice(c, at, 400),
              std::vector<int16_t>(ramp.begin() + 2 * target, ramp.begin() + 2 * (target + 400)));
}

struct LevelCase {
    const char* name;
    LONG volume, pan;
    int left, right;  // 10000 at that level, by hand: 10000 x 10^(dB / 20)
};

TEST_P(SoundBufferTest, VolumeAndPanGiveTheSameLevelsEverywhere) {
    const LevelCase cases[] = {
        {"Full", 0, 0, 10000, 10000},
        {"Minus6dB", -600, 0, 5012, 5012},
        {"PanLeft20dB", 0, -2000, 10000, 1000},
        {"PanRight20dB", 0, 2000, 1000, 10000},
        {"AboveZeroClamps", 100, 0, 10000, 10000},
        {"BelowSilenceClamps", -20000, 0, 0, 0},
        {"PanPastRightClamps", 0, 20000, 0, 10000},
    };
    const std::vector<int16_t> dc(2 * 2000, 10000);
    for (const LevelCase& row : cases) {
        Buffers b;
        ASSERT_EQ(b.Make(Pcm(2, 16), dc), 0);
        SetSoundBufferVolume(&b.records[0], row.volume);
        SetSoundBufferPan(&b.records[0], row.pan);
        LONG volume = 1, pan = 1;
        GetSoundBufferVolume(&b.records[0], &volume);
        GetSoundBufferPan(&b.records[0], &pan);
        EXPECT_EQ(volume, std::clamp<LONG>(row.volume, -10000, 0)) << row.name;
        EXPECT_EQ(pan, std::clamp<LONG>(row.pan, -10000, 10000)) << row.name;
        auto c = Capture(3, [&] { PlaySoundBuffer(&b.records[0], 1); });
        StopSoundBuffer(&b.records[0]);
        ASSERT_GE(c.size(), 2000u) << row.name;
        const size_t last = c.size() - 2;
        EXPECT_NEAR(c[last], row.left, 1) << row.name;
        EXPECT_NEAR(c[last + 1], row.right, 1) << row.name;
    }
}

TEST_P(SoundBufferTest, FrequencyChangesTheLength) {
    const std::vector<int16_t> dc(2 * 4410, 1000);
    Buffers b;
    ASSERT_EQ(b.Make(Pcm(2, 16), dc), 0);
    // Frames heard, by hand: 4410 x 44100 / rate; XAudio2 stops at twice the rate.
    const struct {
        DWORD hz;
        long directSound, xaudio2;
    } rows[] = {{22050, 8820, 8820}, {88200, 2205, 2205}, {100000, 1945, 2205}, {0, 4410, 4410}};
    for (const auto& row : rows) {
        ASSERT_EQ(SetSoundBufferFrequency(&b.records[0], row.hz), 0);
        ASSERT_EQ(SetSoundBufferPosition(&b.records[0], 0), 0);
        auto c = Capture(25, [&] { PlaySoundBuffer(&b.records[0], 0); });
        EXPECT_NEAR(SoundingFrames(c), xaudio2() ? row.xaudio2 : row.directSound, 2) << row.hz;
    }
    DWORD hz = 0;
    ASSERT_EQ(GetSoundBufferFrequency(&b.records[0], &hz), 0);
    EXPECT_EQ(hz, 44100u);
}

TEST_P(SoundBufferTest, BadArgumentsAreRefused) {
    Buffers b;
    const std::vector<int16_t> empty;
    EXPECT_EQ(b.Make(Pcm(2, 16), empty), -1);
    const std::vector<int16_t> pcm(2 * 100, 5);
    ASSERT_EQ(b.Make(Pcm(2, 16), pcm), 0);
    EXPECT_EQ(SetSoundBufferPosition(&b.records[0], 4 * 101), -1);
    SoundBufferRecord records[11]{};
    int32_t shared[11]{};
    EXPECT_EQ(CreateSoundBuffers(records, shared, 11, &b.records[0].format, 400, 0), -1);
    EXPECT_EQ(CreateSoundBuffers(records, shared, 0, &b.records[0].format, 400, 0), -1);
    SoundBufferRecord invalid{};
    DWORD status;
    EXPECT_EQ(PlaySoundBuffer(&invalid, 0), -1);
    EXPECT_EQ(GetSoundBufferStatus(&invalid, &status), -1);
}

SOUND_ON_EVERY_BACKEND(SoundBufferTest);

class SoundVoiceTest : public testing::Test {
  protected:
    void SetUp() override {
        StartServices();
        ASSERT_EQ(InitSoundSystem(), 0);
    }
    void TearDown() override { EndServices(); }
};

TEST_F(SoundVoiceTest, LockAcrossTheEndAndWidenedCopies) {
    const std::vector<int16_t> mono16(100, 0);
    Buffers b16;
    ASSERT_EQ(b16.Make(Pcm(1, 16), mono16), 0);
    void* p[2];
    DWORD n[2];
    ASSERT_EQ(LockSoundBuffer(&b16.records[0], 160, 80, &p[0], &n[0], &p[1], &n[1]), 0);
    const SampleData* sd = b16.records[0].sampleData;
    EXPECT_EQ(p[0], sd->data + 160);
    EXPECT_EQ(n[0], 40u);
    EXPECT_EQ(p[1], sd->data);
    EXPECT_EQ(n[1], 40u);
    const int16_t sample = 0x1234;
    std::memcpy(p[1], &sample, 2);
    std::memcpy(static_cast<uint8_t*>(p[0]) + 38, &sample, 2);  // sample 99
    ASSERT_EQ(UnlockSoundBuffer(&b16.records[0], p[0], n[0], p[1], n[1]), 0);
    uint32_t cell = 0;
    std::memcpy(&cell, sd->widened, 4);
    EXPECT_EQ(cell, 0x1234u * 65537u);
    std::memcpy(&cell, sd->widened + 4 * 99, 4);
    EXPECT_EQ(cell, 0x1234u * 65537u);

    Buffers b8;
    ASSERT_EQ(b8.Make(Pcm(1, 8), std::vector<uint8_t>(10, 0x9A)), 0);
    uint16_t half = 0;
    std::memcpy(&half, b8.records[0].sampleData->widened + 2 * 9, 2);
    EXPECT_EQ(half, 0x9Au * 257u);
    // The data lies past its 64-bit descriptor on 16, the copy after the data.
    EXPECT_GE(sd->data, reinterpret_cast<const uint8_t*>(sd + 1));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(sd->data) % 16, 0u);
    EXPECT_GE(sd->widened, sd->data + sd->size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(sd->widened) % 16, 0u);
}

TEST_F(SoundVoiceTest, ARequestBelowOneFrameSubmitsOne) {
    Buffers b;
    ASSERT_EQ(b.Make(Pcm(2, 16), std::vector<int16_t>(2 * 10, 1)), 0);
    b.records[0].loop = 1;
    b.records[0].callback->OnVoiceProcessingPassStart(1);
    EXPECT_EQ(b.records[0].feedPosition, 1u);
    b.records[0].callback->OnVoiceProcessingPassStart(4 * 25);  // wraps round the 10 frames
    EXPECT_EQ(b.records[0].feedPosition, 6u);
}

TEST(SoundDirectSoundTest, WithoutFrequencyControlBuffersStillPlay) {
    StartServices();
    ChooseBackend(Backend::DirectSound);
    KnobAudioRefuse("CtrlFrequency");
    ASSERT_EQ(InitSoundSystem(), 0);
    {
        const std::vector<int16_t> ramp = Ramp(500);
        Buffers b;
        ASSERT_EQ(b.Make(Pcm(2, 16), ramp, 2), 0);
        auto c = Capture(4, [&] { PlaySoundBuffer(&b.records[1], 0); });
        EXPECT_EQ(Slice(c, FirstSound(c), 500), ramp);
    }
    EndServices();
}

}  // namespace
