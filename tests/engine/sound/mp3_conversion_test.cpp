// MP3 through the conversion graph (kind 3) against the compression
// manager's reader, its failures with their log lines, and COM on a thread
// that never started it.
#include <algorithm>
#include <cstring>

#include "core/engine_lifecycle.h"
#include "window/main_window.h"
#include "sound/sound_convert_readers.h"
#include "sound_convert_support.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace mediafixtures;
using namespace soundtest;

namespace {

constexpr int kOnlyGraph = 0x0F;

class Mp3ConversionThreads : public SoundConvertTest {
  protected:
    void SetUp() override {
        SoundConvertTest::SetUp();
        KnobSetVirtualClock(true);
        live_ = KnobDshowLiveObjects();
        threads_ = testsupport::QuietThreadCount();
    }
    void TearDown() override {
        EXPECT_EQ(live_, KnobDshowLiveObjects());
        EXPECT_EQ(threads_, testsupport::SettledThreadCount(threads_));
        SoundConvertTest::TearDown();
    }
    long live_ = 0;
    int threads_ = 0;
};

TEST_F(Mp3ConversionThreads, GivesTheCompressionManagersPcmAndSeeks) {
    const Mp3 stereo = EncodeMp3(Tone(44100, 2, 44100, 440, 12000), 2, 44100, 128, false);
    const Mp3 mono = EncodeMp3(Tone(22050, 1, 22050, 300, 9000), 1, 22050, 32, false);
    const std::string footer = std::string("ID3\x04\x00\x10\x00\x00\x00\x1E", 10) +
                               std::string(30, 'x') +
                               std::string("3DI\x04\x00\x10\x00\x00\x00\x1E", 10);
    struct Row {
        const char* name;
        std::string file;
    } rows[] = {
        {"MPEG-1 Layer III stereo 44.1 kHz", stereo.bytes},
        {"MPEG-2 Layer III mono 22.05 kHz", mono.bytes},
        {"ID3v2 with footer and ID3v1", footer + stereo.bytes + "TAG" + std::string(125, ' ')}};
    for (const Row& r : rows) {
        Converter acm(r.file), graph(r.file);
        ASSERT_EQ(acm.Setup(kOnlyMp3Acm), 0) << r.name;
        KnobDshowTrace(true);
        KnobAudioCaptureStart();
        ASSERT_EQ(graph.Setup(kOnlyGraph), 0) << r.name;
        const std::vector<std::string> trace = KnobDshowTakeTrace();
        const std::vector<int16_t> heard = KnobAudioCaptured();
        KnobAudioCaptureStop();
        EXPECT_TRUE(std::all_of(heard.begin(), heard.end(), [](int16_t v) { return v == 0; }));
        EXPECT_EQ(graph.state.kind, SoundConvertKindPcmBlock);
        WAVEFORMATEX a{}, g{};
        GetConvertFormat(&acm.state, &a);
        GetConvertFormat(&graph.state, &g);
        EXPECT_EQ(0, std::memcmp(&a, &g, sizeof a)) << r.name;
        const std::string linear = acm.All();
        EXPECT_TRUE(Same(graph.All(), linear)) << r.name;
        // Seek to sample 1000, then run: the linear pass from there.
        ASSERT_EQ(SeekSoundConvert(&graph.state, 1000), 0);
        EXPECT_TRUE(Same(graph.Run(4000), linear.substr(1000u * g.nBlockAlign, 4000))) << r.name;
        auto has = [&](const std::string& line) {
            return std::find(trace.begin(), trace.end(), line) != trace.end();
        };
        EXPECT_TRUE(has("Connect SampleGrabber.XForm Out -> File Renderer.In -> 0x00000000"));
        EXPECT_EQ(0, KnobDshowRenderedSamples("Audio Renderer"));
    }
}

// MP3 at 8, 11.025 and 12 kHz (the low rates' extension of MPEG-2): the raw
// MP3 reader's header rule refuses it and the graph after it decodes it; in
// a WAVE the compression manager decodes it the same.
TEST_F(Mp3ConversionThreads, LowRateExtensionDecodesThroughTheGraphAndInAWave) {
    for (int rate : {8000, 11025, 12000}) {
        const Mp3 mp3 = EncodeMp3(Tone(rate, 1, rate, 300, 9000), 1, rate, 24, false);
        ASSERT_EQ(uint8_t(mp3.bytes[1]) & 0x18, 0) << rate << ": version bits 00";
        // 24 kbit/s: 3000 bytes a second; frames of 72000 x 24 / rate bytes.
        const std::string extension =
            Le16(1) + Le32(2) + Le16(uint16_t(72000 * 24 / rate)) + Le16(1) + Le16(1393);
        Converter raw(mp3.bytes), fallBack(mp3.bytes),
            wave(Riff(Chunk("fmt ", FormatBody(0x55, 1, rate, 3000, 1, 0, &extension)) +
                      Chunk("data", mp3.bytes)));
        EXPECT_EQ(raw.Setup(kOnlyMp3Acm), -1) << rate;
        ASSERT_EQ(fallBack.Setup(SoundConvertSkipWave | SoundConvertSkipWaveAcm |
                                 SoundConvertSkipOggVorbis),
                  0)
            << rate;
        EXPECT_EQ(fallBack.state.kind, SoundConvertKindPcmBlock) << rate;
        ASSERT_EQ(wave.Setup(kOnlyWave), 0) << rate;
        const std::string pcm = wave.All();
        EXPECT_EQ(pcm.size(), size_t(mp3.frames) * 576 * 2) << rate;
        EXPECT_TRUE(Same(fallBack.All(), pcm)) << rate;
        // The tone of amplitude 9000 is heard.
        const auto* samples = reinterpret_cast<const int16_t*>(pcm.data());
        const int16_t peak = *std::max_element(samples, samples + pcm.size() / 2);
        EXPECT_NEAR(peak, 9000, 1500) << rate;
    }
}

TEST_F(Mp3ConversionThreads, FailuresLogTheirLineAndLeaveNothing) {
    const Mp3 mp3 = EncodeMp3(Tone(11025, 2, 44100, 440, 12000), 2, 44100, 128, false);
    struct Row {
        const char* name;
        std::string file;
        void (*knob)(bool on);
        const char* line;
    } rows[] = {
        {"quartz.dll hidden", mp3.bytes, [](bool on) { KnobHideModule("quartz.dll", on); },
         "MP3変換用 NullRender の作成に失敗しました"},
        {"decoder hidden", mp3.bytes, [](bool on) { KnobDshowHideFilter("MP3 Decoder", on); },
         "グラフの構築に失敗しました"},
        {"stream aborted", mp3.bytes,
         [](bool on) { KnobDshowAbortAfter("MP3 Decoder", on ? 2 : -1); },
         "MP3変換の途中でエラーが発生しました"},
        {"not an MP3", std::string(5000, 'a'), [](bool) {}, "グラフの構築に失敗しました"},
    };
    for (const Row& r : rows) {
        ResetLogForTest();
        ASSERT_EQ(SetLogFolder(testsupport::TestDirectory().c_str()), 0);
        ASSERT_EQ(LogStart(), 0);
        r.knob(true);
        Converter c(r.file);
        EXPECT_EQ(c.Setup(kOnlyGraph), -1) << r.name;
        r.knob(false);
        const std::string log = testsupport::ReadFile("Log.txt");
        EXPECT_NE(std::string::npos, log.find(Cp932Text(r.line))) << r.name;
    }
}

TEST_F(Mp3ConversionThreads, ThreeMinutesGrowTheBlockInMegabyteSteps) {
    const Mp3 mp3 = EncodeMp3(Tone(44100 * 180, 2, 44100, 440, 12000), 2, 44100, 64, false);
    Converter acm(mp3.bytes), graph(mp3.bytes);
    ASSERT_EQ(acm.Setup(kOnlyMp3Acm), 0);
    ASSERT_EQ(graph.Setup(kOnlyGraph), 0);
    const uint32_t first = uint32_t(mp3.bytes.size()) * 10;
    const auto& pcm = graph.state.pcm;
    ASSERT_GT(pcm.used, first) << "outgrows the first capacity";
    EXPECT_EQ(0u, (pcm.capacity - first) % 1048576);
    EXPECT_LT(pcm.capacity - pcm.used, 1048576u);
    EXPECT_TRUE(Same(graph.All(), acm.All()));
}

TEST(Mp3ConversionWindowThreads, ClosedWindowEndsTheConversion) {
    const Mp3 mp3 = EncodeMp3(Tone(44100, 2, 44100, 440, 12000), 2, 44100, 128, false);
    KnobSetVirtualClock(true);
    SetEngineSkipFlags(0, 1, 0, 1);
    ChangeWindowMode(TRUE);
    ASSERT_EQ(0, InitializeEngineLocked());
    ASSERT_TRUE(
        KnobWindowEvent(static_cast<HWND>(GetMainWindowHandle()), KnobWindowEventKind::Close));
    {
        Converter c(mp3.bytes);
        EXPECT_EQ(-1, c.Setup(kOnlyGraph));
    }
    EXPECT_NE(std::string::npos, testsupport::ReadFile("Log.txt").find(
                                     Cp932Text("MP3変換の途中でソフトが終了しました")));
    ShutdownEngineLocked();
}

DWORD WINAPI ConvertOnWorker(LPVOID argument) {
    auto* c = static_cast<Converter*>(argument);
    const int result = c->Setup(kOnlyGraph);
    const HRESULT after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(after)) CoUninitialize();
    return DWORD(result == 0 && after == S_OK);
}

TEST_F(Mp3ConversionThreads, ConvertsOnAThreadWithoutCom) {
    const Mp3 mp3 = EncodeMp3(Tone(11025, 1, 22050, 440, 12000), 1, 22050, 32, false);
    Converter worker(mp3.bytes);
    HANDLE thread = CreateThread(nullptr, 0, &ConvertOnWorker, &worker, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, INFINITE);
    DWORD ok = 0;
    GetExitCodeThread(thread, &ok);
    CloseHandle(thread);
    EXPECT_EQ(1u, ok) << "converted, and nothing left initialised";
    Converter main(mp3.bytes);
    ASSERT_EQ(main.Setup(kOnlyGraph), 0);
    EXPECT_TRUE(Same(main.All(), worker.All()));
}

}  // namespace
