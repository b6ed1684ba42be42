// Sound handles: loading, playback through the buffer rotation, streams and
// their ring, loop points, pauses and deletion, heard through the capture.
#include <algorithm>

#include "archive_writer.h"
#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "files/archive_access.h"
#include "files/full_path.h"
#include "media_fixtures.h"
#include "sound/sound_handles.h"
#include "sound_output_support.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace soundtest;
namespace mf = mediafixtures;

namespace {

class SoundHandleTest : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        StartServices();
        InitSoundConvert();
        ChooseBackend(GetParam());
        ASSERT_EQ(InitSoundSystem(), 0);
        blocks_ = MemGetCount();
        live_ = KnobAudioLive();
    }
    void TearDown() override {
        DeleteAllHandles(HandleTypeSound, nullptr);
        EXPECT_EQ(MemGetCount(), blocks_);
        EXPECT_EQ(KnobAudioLive().buffers + KnobAudioLive().voices, live_.buffers + live_.voices);
        SetStreamFunctionTable(nullptr);
        EndServices();
        TerminateSoundConvert();
    }
    // A stereo 16-bit 44.1 kHz WAVE of the ramp, written to `name`.
    static std::vector<int16_t> WriteRamp(const char* name, int frames, int step = 1) {
        std::vector<int16_t> pcm = mf::Ramp(frames, 2, step);
        testsupport::WriteFile(name, mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(pcm)));
        return pcm;
    }
    static StreamState& Stream(Handle h) { return GetSoundRecord(h)->stream; }
    int blocks_ = 0;
    KnobAudioCounts live_{};
};

TEST_P(SoundHandleTest, StreamRingFillsThenTopsUpAndEnds) {
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    const std::vector<int16_t> pcm = WriteRamp("ramp.wav", 66150, 1);  // 1.5 s
    const Handle h = LoadSoundFileWithSettings(&settings, "ramp.wav", 1, -1, 0, 0);
    ASSERT_GE(h, 0);
    EXPECT_EQ(Stream(h).writeCursor, 132300);  // 3/4 s of 176,400 bytes
    auto play = [&](int fromTop) {
        return Capture(200, [&] {
            ASSERT_EQ(PlaySoundHandle(h, 1, fromTop), 0);
            EXPECT_EQ(Stream(h).writeCursor, 132300);  // the play decodes no more
            RefillStreamSounds();  // cursor at 0: an eighth of a second, 22,050 to a block
            EXPECT_EQ(Stream(h).writeCursor, 132300 + 22048);
            for (int i = 0; i < 200; ++i) {
                KnobAudioWaitPasses(1);
                RefillStreamSounds();
            }
        });
    };
    for (int fromTop : {1, 0}) {  // it stops by itself and plays again from the start
        std::vector<int16_t> c = play(fromTop);
        EXPECT_EQ(IsSoundPlaying(h), 0);
        const long start = FirstSound(c) - 1;  // the ramp opens with 0
        EXPECT_EQ(Slice(c, start, pcm.size() / 2), pcm);
    }
}

TEST_P(SoundHandleTest, EmptyAndOneFrameStreamsEndAfterTheirSilence) {
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    for (int frames : {0, 1, 3}) {
        WriteRamp("tiny.wav", frames);
        const Handle h = LoadSoundFileWithSettings(&settings, "tiny.wav", 1, -1, 0, 0);
        ASSERT_GE(h, 0) << frames;
        Capture(100, [&] {
            ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
            for (int i = 0; i < 100; ++i) {
                KnobAudioWaitPasses(1);
                RefillStreamSounds();
            }
        });
        EXPECT_EQ(IsSoundPlaying(h), 0) << frames << " frames";
        DeleteHandle(h);
    }
}

TEST_P(SoundHandleTest, DataOfAPartFrameKeepsItsOverlappingBuffers) {
    // 0.1 s of stereo 16-bit frames and two stray bytes: the last part frame
    // is dropped, the sound stays a three-buffer memory sound.
    const std::vector<int16_t> pcm = mf::Ramp(4410, 2, 1);
    testsupport::WriteFile("odd.wav", mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(pcm) + "xy"));
    const Handle h = LoadSoundFromFile("odd.wav", 3, -1);
    ASSERT_GE(h, 0);
    EXPECT_EQ(GetSoundRecord(h)->isStream, 0);
    EXPECT_EQ(GetSoundRecord(h)->bufferCount, 3);
    EXPECT_EQ(GetSoundTotalSamples(h), 4410);
}

TEST_P(SoundHandleTest, A22kHzRampRisesEvenlyAcrossEveryMixingPass) {
    // Input +2 a frame at 22,050 Hz: interpolated to 44,100 Hz it rises by
    // exactly 1 a frame; a held sample at a pass boundary shows as a 0.
    std::vector<int16_t> ramp(4410);
    for (size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<int16_t>(100 + 2 * k);
    testsupport::WriteFile("ramp22.wav", mf::SimpleWave(1, 1, 22050, 16, mf::Bytes(ramp)));
    const Handle h = LoadSoundFromFile("ramp22.wav", 1, -1);
    ASSERT_GE(h, 0);
    const std::vector<int16_t> c = Capture(40, [&] { ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0); });
    const long start = FirstSound(c);
    int uneven = 0;
    for (long f = start + 1; f < start + 8000; ++f) uneven += c[2 * f] - c[2 * f - 2] != 1;
    EXPECT_EQ(uneven, 0);
}

// The converter's whole output for a file image: format and PCM.
std::vector<int16_t> Converted(const std::string& bytes, WAVEFORMATEX* format, int options2 = 0) {
    const StreamHandle m = OpenMemoryImageStream(bytes.data(), uint32_t(bytes.size()));
    SoundConvertState state{};
    void* block = nullptr;
    int n = 0;
    if (SetupSoundConvert(&state, GetMemoryImageStreamInterface(), m, options2 ? -5 : 0, 2,
                          options2) == 0) {
        ConvertSoundAll(&state, format, &block, &n);
        EndSoundConvert(&state);
    }
    CloseMemoryImageStream(m);
    std::vector<int16_t> pcm(static_cast<int16_t*>(block), static_cast<int16_t*>(block) + n / 2);
    TrackedFree(block);
    return pcm;
}

// The capture from where `pcm` starts in it (both may open with silent frames).
std::vector<int16_t> Aligned(const std::vector<int16_t>& c, const std::vector<int16_t>& pcm) {
    auto firstSound = [](const std::vector<int16_t>& v) {
        size_t i = 0;
        while (i + 1 < v.size() && v[i] == 0 && v[i + 1] == 0) i += 2;
        return long(i / 2);
    };
    return Slice(c, firstSound(c) - firstSound(pcm), pcm.size() / 2);
}

TEST_P(SoundHandleTest, EveryFormatLoadsAndPlaysItsConvertedSound) {
    const std::vector<int16_t> tone = mf::Tone(8820, 2, 44100, 440, 8000);
    std::string floats;
    for (int16_t v : tone) {
        const float f = v / 32768.0f;
        floats.append(reinterpret_cast<const char*>(&f), 4);
    }
    const struct {
        const char* name;
        std::string bytes;
    } rows[] = {
        {"pcm16.wav", mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(tone))},
        {"mono8.wav", mf::SimpleWave(1, 1, 22050, 8, std::string(5000, '\x90'))},
        {"float.wav", mf::SimpleWave(3, 2, 44100, 32, floats)},
        {"ima.wav", mf::ImaAdpcmWave(mf::EncodeImaAdpcm(tone, 2, 2048), 2, 44100)},
        {"msadpcm.wav", mf::MsAdpcmWave(mf::MsAdpcmNoise(8, 2, 1024, 3), 2, 44100, 1024,
                                        mf::MsAdpcmExtension(1012))},
        {"alaw.wav", mf::G711Wave(6, 2, 44100, mf::Bytes(mf::Noise(8820, 1, 4)))},
        {"mulaw.wav", mf::G711Wave(7, 2, 44100, mf::Bytes(mf::Noise(8820, 1, 5)))},
        {"gsm.wav", mf::GsmWave(mf::EncodeGsm(mf::Tone(8820, 1, 44100, 440, 8000)).data, 44100)},
        {"tone.ogg", mf::EncodeVorbis(tone, 2, 44100, 0.3f)},
        {"tone.mp3", mf::EncodeMp3(tone, 2, 44100, 128, false).bytes},
    };
    // Each file also packed into "PACK.ZAV", read as "PACK/<name>".
    zav::WriterNode pack{.directory = true};
    for (const auto& row : rows) {
        testsupport::WriteFile(row.name, row.bytes);
        pack.children.push_back({.name = row.name, .data = {row.bytes.begin(), row.bytes.end()}});
    }
    std::vector<unsigned char> image;
    std::string error;
    ASSERT_TRUE(zav::WriteArchive(pack, {.keyKind = zav::KeyKind::None}, &image, &error)) << error;
    testsupport::WriteFile("PACK.ZAV", std::string(image.begin(), image.end()));
    for (const auto& row : rows) {
        WAVEFORMATEX format{};
        const std::vector<int16_t> pcm = Converted(row.bytes, &format);
        for (const std::string& path : {std::string(row.name), "PACK/" + std::string(row.name)}) {
            const Handle h = LoadSoundFromFile(path.c_str(), 3, -1);
            ASSERT_GE(h, 0) << path;
            EXPECT_EQ(GetSoundTotalSamples(h), int(pcm.size() * 2 / format.nBlockAlign)) << path;
            auto c = Capture(30, [&] { PlaySoundHandle(h, 1, 1); });
            if (format.nSamplesPerSec == 44100 && format.nChannels == 2) {
                EXPECT_EQ(Aligned(c, pcm), pcm) << path;
            } else if (format.wBitsPerSample == 16) {
                EXPECT_GE(FirstSound(c), 0) << path;  // mono GSM: it is heard
            } else {
                const long at = FirstSound(c);  // 8-bit mono 0x90 on both sides
                EXPECT_EQ(Slice(c, at, 1), std::vector<int16_t>(2, 0x10 * 256)) << path;
            }
            DeleteHandle(h);
        }
    }
    EndArchives();
}

// A block that decodes to more than a second of output (4096-byte ADPCM
// blocks at 8 kHz) is heard, loaded into memory and streamed from the file.
TEST_P(SoundHandleTest, BlocksOfMoreThanASecondAreHeardInMemoryAndStreamed) {
    const mf::ImaAdpcm ima = mf::EncodeImaAdpcm(mf::Tone(24000, 1, 8000, 440, 9000), 1, 4096);
    testsupport::WriteFile("blocks.wav", mf::ImaAdpcmWave(ima, 1, 8000));
    for (int kind : {0, 3}) {
        SoundCreateSettings settings{0, kind, {0, 2, 0}};
        const Handle h = LoadSoundFileWithSettings(&settings, "blocks.wav", 1, -1, 0, 0);
        ASSERT_GE(h, 0) << kind;
        EXPECT_EQ(GetSoundRecord(h)->isStream, kind == 3 ? 1 : 0);
        const std::vector<int16_t> c = Capture(30, [&] { ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0); });
        EXPECT_GE(FirstSound(c), 0) << "creation kind " << kind << ": heard";
        DeleteHandle(h);
    }
}

TEST_P(SoundHandleTest, FailedLoadsLogAndLeaveNothing) {
    testsupport::WriteFile("junk.wav", std::string(300, 'j'));
    EXPECT_EQ(LoadSoundFromFile("missing.wav", 3, -1), -1);
    EXPECT_EQ(LoadSoundFromFile("junk.wav", 3, -1), -1);
    EXPECT_EQ(GetHandleTypeRecord(HandleTypeSound)->count, 0);
    const std::string log = testsupport::ReadFile("Log.txt");
    char full[300];
    ConvertToFullPath("missing.wav", full, sizeof(full), nullptr);
    for (std::string want : {"右記のファイルのオープンに失敗しました：",
                             "右記の音声ファイルのロードに失敗しました_1：",
                             "右記の音声ファイルのロードに失敗しました_2："})
        EXPECT_NE(log.find(Cp(want.c_str())), std::string::npos) << want;
    EXPECT_NE(log.find(full), std::string::npos);
}

TEST_P(SoundHandleTest, BuffersRotateAndSettingsAreKept) {
    WriteRamp("ramp.wav", 4410);
    const Handle h = LoadSoundFromFile("ramp.wav", 3, -1);
    ASSERT_GE(h, 0);
    SoundHandleRecord* r = GetSoundRecord(h);
    for (int want : {1, 2, 0, 1}) {
        ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
        EXPECT_EQ(r->currentBuffer, want);
    }
    // The next buffer (2) still plays: from-top 0 leaves it as it is.
    EXPECT_EQ(PlaySoundHandle(h, 1, 0), 0);
    EXPECT_EQ(r->currentBuffer, 2);
    StopSoundHandle(h);
    const std::vector<int16_t> ramp = Ramp(2000);  // 1 + 4i: three sum without clipping
    testsupport::WriteFile("small.wav", mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(ramp)));
    const Handle small = LoadSoundFromFile("small.wav", 3, -1);
    auto c = Capture(12, [&] {
        for (int i = 0; i < 3; ++i) {
            PlaySoundHandle(small, 1, 1);
            KnobAudioWaitPasses(1);
        }
    });
    EXPECT_TRUE(ThreePlaysSum(c, ramp));
    const int volumes[][2] = {{0, -10000}, {1, -10000}, {128, -1496}, {255, 0}, {300, 0}};
    for (const auto& v : volumes) {
        ASSERT_EQ(SetSoundVolume(v[0], h), 0);
        EXPECT_EQ(r->volume, v[1]) << v[0];
    }
    ASSERT_EQ(SetSoundFrequency(11025, h), 0);
    ASSERT_EQ(SetSoundFrequency(-1, h), 0);
    EXPECT_EQ(GetSoundFrequency(h), 44100);
    ASSERT_EQ(StopSoundHandle(h), 0);
    ASSERT_EQ(SetSoundPositionSamples(1234, h), 0);
    EXPECT_EQ(GetSoundPositionSamples(h), 1234);
    // Play type 0 returns when the sound has ended: 100 ms of virtual time.
    const DWORD before = timeGetTime();
    ASSERT_EQ(PlaySoundHandle(h, 0, 1), 0);
    EXPECT_NEAR(double(timeGetTime() - before), 100.0, 12.0);
    EXPECT_EQ(IsSoundPlaying(h), 0);
    // 2,226,050 samples at 22,050 Hz: 100 s needs a 64-bit product.
    testsupport::WriteFile("long.wav",
                           mf::SimpleWave(1, 1, 22050, 8, std::string(2226050, '\x80')));
    const Handle longSound = LoadSoundFromFile("long.wav", 1, -1);
    ASSERT_EQ(SetSoundPositionSamples(2205000, longSound), 0);
    EXPECT_EQ(GetSoundPlayTimeMs(longSound), 100000);
    EXPECT_EQ(GetSoundTotalTimeMs(longSound), 100954);
}

TEST_P(SoundHandleTest, PausedSoundsStayPlayingAndResumeWhereTheyStood) {
    WriteRamp("ramp.wav", 44100);
    const Handle memory = LoadSoundFromFile("ramp.wav", 3, -1);
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    const Handle stream = LoadSoundFileWithSettings(&settings, "ramp.wav", 1, -1, 0, 0);
    ASSERT_EQ(PlaySoundHandle(memory, 3, 1), 0);
    ASSERT_EQ(PlaySoundHandle(stream, 1, 1), 0);
    KnobAudioWaitPasses(3);
    ASSERT_EQ(PauseAllSounds(1), 0);
    DWORD status = 1;
    for (Handle h : {memory, stream}) {
        SoundHandleRecord* r = GetSoundRecord(h);
        GetSoundBufferStatus(&r->buffers[r->currentBuffer], &status);
        EXPECT_EQ(status, 0u);
        EXPECT_EQ(IsSoundPlaying(h), 1);
    }
    const int at = GetSoundPositionSamples(memory);
    KnobAudioWaitPasses(3);
    EXPECT_EQ(GetSoundPositionSamples(memory), at);
    ASSERT_EQ(PauseAllSounds(0), 0);
    SoundHandleRecord* r = GetSoundRecord(memory);
    GetSoundBufferStatus(&r->buffers[r->currentBuffer], &status);
    EXPECT_TRUE(status & DSBSTATUS_PLAYING);
    EXPECT_EQ(IsSoundPlaying(stream), 1);
}

TEST_P(SoundHandleTest, ALoadedSoundHoldsItsSamplesOnce) {
    WriteRamp("ramp.wav", 30000);  // 120,000 bytes of samples (one copy tracked
                                   // where the buffers are the engine's own)
    const int before = MemGetTotalSize();
    const Handle h = LoadSoundFromFile("ramp.wav", 3, -1);
    ASSERT_NE(GetSoundRecord(h), nullptr);
    ASSERT_EQ(GetSoundRecord(h)->isStream, 0);
    EXPECT_LT(MemGetTotalSize() - before, 2 * 120000) << "a second copy beside the buffers";
}

TEST_P(SoundHandleTest, LoopPointMakesALoopingStreamUnderTheSameHandle) {
    const std::vector<int16_t> pcm = WriteRamp("ramp.wav", 30000);
    const Handle h = LoadSoundFromFile("ramp.wav", 3, -1);
    ASSERT_EQ(SetSoundPan(-3000, h), 0);
    ASSERT_EQ(SetSoundPositionSamples(500, h), 0);
    EXPECT_EQ(SetSoundLoopPoint(30000, h), -1);
    KnobAudioFailBuffer(1);  // the ring cannot be made: the sound stays as it was
    EXPECT_EQ(SetSoundLoopPoint(1000, h), -1);
    ASSERT_NE(GetSoundRecord(h), nullptr);
    EXPECT_EQ(GetSoundRecord(h)->isStream, 0);
    EXPECT_EQ(GetSoundPan(h), -3000);
    ASSERT_EQ(SetSoundLoopPoint(1000, h), 0);
    ASSERT_EQ(GetSoundRecord(h)->isStream, 1);
    EXPECT_EQ(GetSoundPan(h), -3000);
    EXPECT_EQ(GetSoundPositionSamples(h), 500);
    ASSERT_EQ(SetSoundPan(0, h), 0);
    auto c = Capture(200, [&] {
        ASSERT_EQ(PlaySoundHandle(h, 3, 1), 0);
        for (int i = 0; i < 200; ++i) {
            KnobAudioWaitPasses(1);
            RefillStreamSounds();
        }
    });
    std::vector<int16_t> expected = pcm;
    expected.insert(expected.end(), pcm.begin() + 2000, pcm.end());
    EXPECT_EQ(Slice(c, FirstSound(c) - 1, expected.size() / 2), expected);
    const int at = GetSoundPositionSamples(h);
    EXPECT_GE(at, 1000);
    EXPECT_LT(at, 30000);
}

// A converted sound plays its decoded samples, then returns to the loop
// start again and again; another handle of the same file, playing meanwhile,
// keeps its own samples.
TEST_P(SoundHandleTest, ConvertedSoundsLoopTheirOwnSamplesFromTheLoopStart) {
    struct Row {
        const char* name;
        int frames, loopStart;
    };
    for (const Row& row : {Row{"from the first frame", 6000, 0}, Row{"from midway", 9000, 4000},
                           Row{"from the second frame", 8001, 1}}) {
        SCOPED_TRACE(row.name);
        const std::vector<int16_t> pcm = WriteRamp("ramp.wav", row.frames, 3);
        const Handle h = LoadSoundFromFile("ramp.wav", 3, -1);
        const Handle other = LoadSoundFromFile("ramp.wav", 3, -1);
        auto heard = Capture(30, [&] {
            ASSERT_EQ(PlaySoundHandle(other, 1, 1), 0);
            ASSERT_EQ(SetSoundLoopPoint(row.loopStart, h), 0);
        });
        EXPECT_EQ(Slice(heard, FirstSound(heard) - 1, pcm.size() / 2), pcm);
        ASSERT_EQ(GetSoundRecord(h)->isStream, 1);
        EXPECT_EQ(GetSoundTotalSamples(h), row.frames);
        auto c = Capture(100, [&] {
            ASSERT_EQ(PlaySoundHandle(h, 3, 1), 0);
            for (int i = 0; i < 100; ++i) {
                KnobAudioWaitPasses(1);
                RefillStreamSounds();
            }
        });
        const long start = FirstSound(c) - 1;  // the ramp opens with 0
        std::vector<int16_t> expected = pcm;
        while (expected.size() < 2 * 30000u)
            expected.insert(expected.end(), pcm.begin() + 2 * row.loopStart, pcm.end());
        EXPECT_EQ(Slice(c, start, expected.size() / 2), expected);
        DeleteHandle(h);
        DeleteHandle(other);
    }
}

// A conversion that cannot hand the samples on as they are converts them
// into an image of the part's own; when that is refused too the loop point
// fails with its log lines and nothing taken on the way stays allocated.
TEST_P(SoundHandleTest, RefusedConversionsLogAndLeaveNothing) {
    WriteRamp("ramp.wav", 3000);
    const Handle h = LoadSoundFromFile("ramp.wav", 2, -1);
    ASSERT_GE(h, 0);
    SoundSystem().createSettings.convertOptions[0] = SoundConvertSkipWave | SoundConvertSkipWaveAcm;
    EXPECT_EQ(SetSoundLoopPoint(100, h), -1);
    SoundSystem().createSettings.convertOptions[0] = 0;
    const std::string log = testsupport::ReadFile("Log.txt");
    for (const char* want :
         {"音声データの変換に失敗しました", "ストリームサウンドハンドルの作成に失敗しました"})
        EXPECT_NE(log.find(Cp(want)), std::string::npos) << want;
}

TEST_P(SoundHandleTest, StreamPartsPlayInTurnAndRefuseWhatTheyCannotTake) {
    const std::vector<int16_t> a(2 * 3000, 100), b(2 * 2000, 200), cpart(2 * 1000, 300);
    const std::string images[] = {mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(a)),
                                  mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(b)),
                                  mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(cpart)),
                                  mf::SimpleWave(1, 1, 44100, 16, mf::Bytes(a))};
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    const Handle h = CreateSoundHandle(-1);
    const int loops[] = {0, 2, 0};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(AddStreamSoundMemory(&settings, images[i].data(), uint32_t(images[i].size()),
                                       loops[i], h, 2, -1, 0),
                  0);
    EXPECT_EQ(AddStreamSoundMemory(&settings, images[0].data(), uint32_t(images[0].size()), 0, h, 2,
                                   -1, 0),
              -1);
    EXPECT_EQ(GetSoundTotalSamples(h), 6000);
    EXPECT_EQ(SetSoundPositionSamples(10, h), -1);
    EXPECT_EQ(SetSoundLoopPoint(10, h), -1);
    // No refill runs: the first fill holds it all.
    auto c = Capture(45, [&] { ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0); });
    std::vector<int16_t> expected = a;
    for (int i = 0; i < 3; ++i) expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), cpart.begin(), cpart.end());
    expected.insert(expected.end(), 2 * 5512, 0);  // then an eighth of a second of silence
    EXPECT_EQ(Slice(c, FirstSound(c), expected.size() / 2), expected);

    const Handle other = CreateSoundHandle(-1);
    ASSERT_EQ(AddStreamSoundMemory(&settings, images[0].data(), uint32_t(images[0].size()), 0,
                                   other, 2, -1, 0),
              0);
    EXPECT_EQ(AddStreamSoundMemory(&settings, images[3].data(), uint32_t(images[3].size()), 0,
                                   other, 2, -1, 0),
              -1);
    ASSERT_EQ(PlaySoundHandle(other, 3, 1), 0);
    EXPECT_EQ(AddStreamSoundMemory(&settings, images[1].data(), uint32_t(images[1].size()), 0,
                                   other, 2, -1, 0),
              -1);
    const std::string log = testsupport::ReadFile("Log.txt");
    for (const char* want : {"ストリーム風サウンドの制御データ領域がいっぱいです",
                             "二つ以上の音声ファイルから作成されたサウンドハンドルにループポイント"
                             "を指定する事は出来ません",
                             "フォーマットの違う音声データは同時に使うことは出来ません",
                             "既に再生中のストリームサウンドデータにデータを追加しようとしました"})
        EXPECT_NE(log.find(Cp(want)), std::string::npos) << want;
}

TEST_P(SoundHandleTest, ASharedRingPlaysOneStreamAtATime) {
    WriteRamp("ramp.wav", 44100);
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    const Handle owner = LoadSoundFileWithSettings(&settings, "ramp.wav", 1, -1, 0, 0);
    const Handle user = LoadSoundFileWithSettings(&settings, "ramp.wav", 1, owner, 0, 0);
    ASSERT_GE(user, 0);
    EXPECT_FALSE(GetSoundRecord(user)->buffers[0].valid);
    ASSERT_EQ(PlaySoundHandle(owner, 3, 1), 0);
    ASSERT_EQ(PlaySoundHandle(user, 3, 1), 0);
    EXPECT_EQ(IsSoundPlaying(owner), 0);
    EXPECT_EQ(IsSoundPlaying(user), 1);
    const KnobAudioCounts before = KnobAudioLive();
    ASSERT_EQ(DeleteHandle(owner), 0);
    ASSERT_NE(GetSoundRecord(owner), nullptr);
    EXPECT_EQ(Stream(owner).deletePending, 1);
    ASSERT_EQ(DeleteHandle(user), 0);
    EXPECT_EQ(GetHandleTypeRecord(HandleTypeSound)->count, 0);
    const KnobAudioCounts after = KnobAudioLive();
    EXPECT_EQ(after.buffers + after.voices, before.buffers + before.voices - 1);
}

TEST_P(SoundHandleTest, TheMovieSoundTrackPlaysAsAFileStream) {
    const std::vector<int16_t> tone = mf::Tone(8820, 2, 44100, 300, 6000);
    const std::string ogg = mf::EncodeTheoraAndVorbis(tone, 2, 44100, 0.4f);
    testsupport::WriteFile("movie.ogv", ogg);
    WAVEFORMATEX format{};
    const std::vector<int16_t> pcm = Converted(ogg, &format, 1);
    SoundCreateSettings settings{};
    GetSoundCreateSettings(&settings);
    settings.kind = 3;
    settings.convertOptions[0] = -5;
    settings.convertOptions[2] = 1;
    const Handle h = LoadSoundFileWithSettings(&settings, "movie.ogv", 1, -1, 0, 0);
    ASSERT_GE(h, 0);
    auto play = [](Handle sound) {
        return Capture(40, [&] {
            ASSERT_EQ(PlaySoundHandle(sound, 1, 1), 0);
            for (int i = 0; i < 40; ++i) {
                KnobAudioWaitPasses(1);
                RefillStreamSounds();
            }
        });
    };
    auto c = play(h);
    // A kind-3 WAVE reads its file while it plays.
    WriteRamp("ramp.wav", 44100);
    settings.convertOptions[0] = settings.convertOptions[2] = 0;
    const Handle wave = LoadSoundFileWithSettings(&settings, "ramp.wav", 1, -1, 0, 0);
    const long reads = KnobReadFileCallCount();
    play(wave);
    EXPECT_GT(KnobReadFileCallCount(), reads);
    EXPECT_EQ(Aligned(c, pcm), pcm);
}

// The most the tracked total rose above its start while `f` ran.
template <class F>
int PeakTrackedGrowth(F f) {
    const int before = MemGetTotalSize();
    MemSetPrintTotals(1);  // every allocation and free logs the running total
    f();
    MemSetPrintTotals(0);
    const std::string log = testsupport::ReadFile("Log.txt");
    int peak = before;
    for (size_t at = log.find("Total size:"); at != std::string::npos;
         at = log.find("Total size:", at + 1))
        peak = std::max(peak, std::atoi(log.c_str() + at + 11));
    return peak - before;
}

// The samples go straight into the buffers: a load holds the file image and
// one copy of the samples at most, never a second whole copy beside them.
TEST_P(SoundHandleTest, ALoadPeaksAtTheFileAndOneCopyOfItsSamples) {
    WriteRamp("ramp.wav", 30000);  // 120,000 bytes of samples, a 120,044-byte file
    Handle h = -1;
    const int growth = PeakTrackedGrowth([&] { h = LoadSoundFromFile("ramp.wav", 3, -1); });
    ASSERT_NE(GetSoundRecord(h), nullptr);
    ASSERT_EQ(GetSoundRecord(h)->isStream, 0);
    // The file (120,044), the converter's one second of output (176,400) and
    // the samples (120,000): about 420,000 bytes; a second copy passes 530,000.
    EXPECT_LT(growth, 480000);
}

// A memory sound becomes a stream at its loop point through one WAVE image of
// its samples, which the stream part keeps: the peak on the way is what the
// stream keeps, with no second copy of the samples beside it.
TEST_P(SoundHandleTest, ALoopPointCopiesTheSamplesOnce) {
    WriteRamp("ramp.wav", 30000);  // 120,000 bytes of samples
    const Handle h = LoadSoundFromFile("ramp.wav", 3, -1);
    const int before = MemGetTotalSize();
    const int growth = PeakTrackedGrowth([&] { ASSERT_EQ(SetSoundLoopPoint(1000, h), 0); });
    ASSERT_EQ(GetSoundRecord(h)->isStream, 1);
    const int kept = MemGetTotalSize() - before;
    // The image is 120,046 bytes; converting it into a second image of the
    // part's own added about 120,000 more on the way.
    EXPECT_LT(growth - kept, 20000);
}

size_t ShortRead(void* buffer, size_t size, size_t count, StreamHandle stream) {
    return PlainStreamFunctionSet().Read(buffer, size, count > 400 ? count - 400 : count, stream);
}

TEST_P(SoundHandleTest, LongSoundsStreamAndShortReadsCountWhatWasRead) {
    for (int seconds : {180, 181}) {
        const std::string name = std::to_string(seconds) + ".wav";
        testsupport::WriteFile(name,
                               mf::SimpleWave(1, 1, 8000, 8, std::string(8000 * seconds, '\x81')));
        const Handle h = LoadSoundFromFile(name.c_str(), 1, -1);
        ASSERT_GE(h, 0);
        EXPECT_EQ(GetSoundRecord(h)->isStream, seconds > 180 ? 1 : 0);
        EXPECT_EQ(GetSoundTotalSamples(h), 8000 * seconds);
        ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
        EXPECT_EQ(IsSoundPlaying(h), 1);
    }
    // The file claims 400 bytes more than a read gives: the data chunk is cut there.
    StreamFunctionTable table = PlainStreamFunctionSet();
    table.Read = ShortRead;
    SetStreamFunctionTable(&table);
    WriteRamp("ramp.wav", 1000);
    const Handle cut = LoadSoundFromFile("ramp.wav", 1, -1);
    EXPECT_EQ(GetSoundTotalSamples(cut), 900);
}

SOUND_ON_EVERY_BACKEND(SoundHandleTest);

// With the compression manager hidden an MP3 is decoded by the conversion
// graph, loaded directly and on a load worker alike.
TEST(SoundMp3LoadThreads, WithoutTheCompressionManagerTheGraphDecodes) {
    KnobHideModule("msacm32.dll", true);
    StartServices();
    EXPECT_EQ(InitSoundConvert(), -1);
    ASSERT_EQ(InitSoundSystem(), 0);
    const int blocks = MemGetCount();
    const long live = KnobDshowLiveObjects();
    const std::string mp3 =
        mf::EncodeMp3(mf::Tone(8820, 2, 44100, 440, 8000), 2, 44100, 128, false).bytes;
    testsupport::WriteFile("tone.mp3", mp3);
    WAVEFORMATEX format{};
    const std::vector<int16_t> pcm = Converted(mp3, &format);  // the graph: no other reader left
    ASSERT_FALSE(pcm.empty());
    ASSERT_EQ(AsyncLoadInit(GetCurrentThreadId()), 0);
    ASSERT_EQ(AsyncLoadStartThreads(2), 0);
    const struct {
        const char* name;
        int async;
    } rows[] = {{"direct", 0}, {"on a load worker", 1}};
    for (const auto& row : rows) {
        SetUseAsyncLoad(row.async);
        KnobDshowTrace(true);
        const Handle h = LoadSoundFromFile("tone.mp3", 3, -1);
        ASSERT_GE(h, 0) << row.name;
        testsupport::ServeUntil([h] { return IsHandleAsyncPending(h) != 1; }, "the queued load");
        const std::vector<std::string> trace = KnobDshowTakeTrace();
        KnobDshowTrace(false);
        EXPECT_NE(std::find(trace.begin(), trace.end(),
                            "Connect SampleGrabber.XForm Out -> File Renderer.In -> 0x00000000"),
                  trace.end())
            << row.name;
        auto c = Capture(30, [&] { PlaySoundHandle(h, 1, 1); });
        EXPECT_EQ(Aligned(c, pcm), pcm) << row.name;
        DeleteHandle(h);
    }
    SetUseAsyncLoad(0);
    AsyncLoadStopThreads();
    AsyncLoadTerm();
    KnobHideModule("msacm32.dll", false);
    EXPECT_EQ(KnobDshowLiveObjects(), live);
    EXPECT_EQ(MemGetCount(), blocks);
    EndServices();
}

}  // namespace
