// Sound system start-up and end: the interface chosen under each refusal with
// its log lines, the handle types, what the end gives back.
#include <functional>

#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "sound_output_support.h"

using namespace DuRud;
using namespace soundtest;

namespace {

class SoundStartupTest : public testing::Test {
  protected:
    void SetUp() override { StartServices(); }
    void TearDown() override { EndServices(); }
};

// True when `expected` appear in `lines` in this order.
testing::AssertionResult HasInOrder(const std::vector<std::string>& lines,
                                    const std::vector<std::string>& expected) {
    size_t at = 0;
    for (const std::string& want : expected) {
        while (at < lines.size() && lines[at] != Cp(want.c_str())) ++at;
        if (at == lines.size()) return testing::AssertionFailure() << "missing: " << want;
        ++at;
    }
    return testing::AssertionSuccess();
}

TEST_F(SoundStartupTest, DefaultStartTakesVersion28WithItsExactLog) {
    ASSERT_EQ(InitSoundSystem(), 0);
    const std::vector<std::string> lines = LogLines();
    const std::vector<std::string> expected = {
        Cp("XAudio2 の初期化を行います"), Cp("\tXAudio2_8.dll を使用します"),
        Cp("\tXAudio2 インターフェースの取得と初期化を行います....  成功 Ver2.8"),
        Cp("XAudio2 の初期化は正常に終了しました")};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(SoundSystem().channelCount, 2);
    UINT mask = 0;
    FLOAT speed = 0;
    ASSERT_TRUE(KnobAudioLastX3DAudioInitialize(&mask, &speed));
    EXPECT_EQ(mask, 3u);
    EXPECT_EQ(speed, 343.5f);
}

struct StartCase {
    const char* name;
    std::function<void()> knobs;
    std::vector<std::string> lines;  // in this order among the log's lines
    int result;
    Backend backend;
};

void OnlyDirectSound() {
    ChooseBackend(Backend::DirectSound);
}

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.name;
}

const char* const kDsDone = "DirectSound の初期化は正常に終了しました";
const char* const kXa27 = "\tXAudio2 インターフェースの取得を行います....  ";

class SoundStartCaseTest : public SoundStartupTest, public testing::WithParamInterface<StartCase> {};

TEST_P(SoundStartCaseTest, ChoosesTheInterfaceAndLogsEachStep) {
    const StartCase& c = GetParam();
    const int blocks = MemGetCount();
    c.knobs();
    EXPECT_EQ(InitSoundSystem(), c.result);
    EXPECT_EQ(GetLogIndent(), 0);
    EXPECT_TRUE(HasInOrder(LogLines(), c.lines));
    if (c.result == 0) {
        EXPECT_EQ(RunningBackend(), c.backend);
        EXPECT_EQ(TerminateSoundSystem(), 0);
    } else {
        EXPECT_EQ(SoundSystem().initialised, 0);
        EXPECT_EQ(StopCurrentMusic(), -1);
        EXPECT_EQ(RefillSoftSoundPlayers(), -1);
        Buffers b;
        const std::vector<int16_t> pcm(8, 1);
        EXPECT_EQ(b.Make(Pcm(2, 16), pcm), -1);
        EXPECT_EQ(TerminateSoundSystem(), -1);
    }
    const KnobAudioCounts live = KnobAudioLive();
    EXPECT_EQ(live.objects + live.buffers + live.voices, 0);
    for (const char* module : {"XAudio2_8.dll", "X3DAudio1_7.dll", "dsound.dll"})
        EXPECT_EQ(KnobModuleLoadCount(module), 0) << module;
    EXPECT_EQ(MemGetCount(), blocks);
    for (int type : {HandleTypeSound, HandleTypeSoftSound, HandleTypeMusic})
        EXPECT_EQ(GetHandleTypeRecord(type)->initialised, 0);
}

const std::string kDsReport = " プライマリ MONO = OK  STEREO = OK  セカンダリ MONO = OK  STEREO = OK ";

INSTANTIATE_TEST_SUITE_P(
    Knobs, SoundStartCaseTest,
    testing::Values(
        StartCase{"Version27",
                  [] { KnobHideModule("XAudio2_8.dll", true); },
                  {std::string(kXa27) + "成功 Ver2.7", "\t\tプライマリ サウンド ドライバ",
                   "\t\tチャンネル数:2", "\t\tビット精度:16bit", "\t\tサンプリングレート:44100Hz",
                   "XAudio2 の初期化は正常に終了しました"},
                  0, Backend::Version27},
        StartCase{"Version26",
                  [] {
                      KnobHideModule("XAudio2_8.dll", true);
                      KnobHideComClass(CLSID_XAudio2_7, true);
                  },
                  {std::string(kXa27) + "成功 Ver2.6"}, 0, Backend::Version27},
        StartCase{"NoXAudio2",
                  OnlyDirectSound,
                  {std::string(kXa27) + "XAudio2インターフェースの取得に失敗しました",
                   "DirectSound の初期化を行います",
                   "\tDirectSound インターフェースの取得を行います....  成功",
                   "\t引き続きインターフェースの初期化処理...  成功",
                   "\tDirectSound デバイスを列挙します", "\t利用可能チャンネル", "\t" + kDsReport,
                   kDsDone},
                  0, Backend::DirectSound},
        StartCase{"NoX3DAudio",
                  [] {
                      KnobHideModule("XAudio2_8.dll", true);
                      KnobHideModule("X3DAudio1_7.dll", true);
                  },
                  {"\tX3DAudio.DLL の読み込み中... 失敗、X3DAudio、XAudio2は使用しません", kDsDone},
                  0, Backend::DirectSound},
        StartCase{"CreateRefused",
                  [] { KnobAudioRefuse("XAudio2Create"); },
                  {"\tXAudio2 インターフェースの取得と初期化を行います....  初期化に失敗しました",
                   "\tエラーコード 80004005", kDsDone},
                  0, Backend::DirectSound},
        StartCase{"InitializeRefused",
                  [] {
                      KnobHideModule("XAudio2_8.dll", true);
                      KnobAudioRefuse("XAudio2Initialize");
                  },
                  {"\t引き続きインターフェースの初期化処理...  初期化に失敗しました", kDsDone}, 0,
                  Backend::DirectSound},
        StartCase{"MasteringVoice28Refused",
                  [] { KnobAudioRefuse("CreateMasteringVoice"); },
                  {"\tXAudio2MasteringVoiceの作成に失敗しました", kDsDone}, 0,
                  Backend::DirectSound},
        StartCase{"MasteringVoice27Refused",
                  [] {
                      KnobHideModule("XAudio2_8.dll", true);
                      KnobAudioRefuse("CreateMasteringVoice");
                  },
                  {"\tX3DAudio.DLL の読み込み中... 成功", "\tXAudio2MasteringVoiceの作成に失敗しました",
                   kDsDone},
                  0, Backend::DirectSound},
        StartCase{"NoDsoundDll",
                  [] {
                      OnlyDirectSound();
                      KnobHideModule("dsound.dll", true);
                  },
                  {"\tDSOUND.DLL のロードに失敗しました", kDsDone}, 0, Backend::DirectSound},
        StartCase{"NoEnumerate",
                  [] {
                      OnlyDirectSound();
                      KnobHideExport("dsound.dll", "DirectSoundEnumerateA", true);
                  },
                  {"\tDirectSound デバイスの列挙用関数のポインタ取得に失敗しました", kDsDone}, 0,
                  Backend::DirectSound},
        StartCase{"SetFormatRefused",
                  [] {
                      OnlyDirectSound();
                      KnobAudioRefuse("SetFormat");
                  },
                  {"\tDirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました",
                   kDsDone},
                  0, Backend::DirectSound},
        StartCase{"SilentBufferRefused",
                  [] {
                      OnlyDirectSound();
                      KnobAudioFailBuffer(1);
                  },
                  {"\t無音バッファの作成に失敗しました", kDsDone}, 0, Backend::DirectSound},
        StartCase{"SilentBufferLockRefused",
                  [] {
                      OnlyDirectSound();
                      KnobAudioRefuse("Lock");
                  },
                  {"\t無音バッファのロックに失敗しました", kDsDone}, 0, Backend::DirectSound},
        StartCase{"DirectSoundClassRefused",
                  [] {
                      OnlyDirectSound();
                      KnobHideComClass(CLSID_DirectSound, true);
                  },
                  {"\tDirectSound インターフェースの取得を行います....  "
                   "DirectSoundインターフェースの取得に失敗しました"},
                  -1, Backend::DirectSound},
        StartCase{"DirectSoundInitializeRefused",
                  [] {
                      OnlyDirectSound();
                      KnobAudioRefuse("DirectSoundInitialize");
                  },
                  {"\t引き続きインターフェースの初期化処理...  初期化に失敗しました",
                   "\tエラーコード 88780078"},
                  -1, Backend::DirectSound},
        StartCase{"CooperativeLevelRefused",
                  [] {
                      OnlyDirectSound();
                      KnobAudioRefuse("SetCooperativeLevel");
                  },
                  {"\tDirectSoundの協調レベルの設定に失敗しました"}, -1, Backend::DirectSound},
        StartCase{"PrimaryBufferRefused",
                  [] {
                      OnlyDirectSound();
                      KnobAudioRefuse("PrimaryBuffer");
                  },
                  {"\tDirectSoundのプライマリサウンドバッファの作成に失敗しました"}, -1,
                  Backend::DirectSound}),
    [](const testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(SoundStartupTest, RegistersTheThreeTypesOnceAndEndsThem) {
    EXPECT_EQ(TerminateSoundSystem(), -1);
    ASSERT_EQ(InitSoundSystem(), 0);
    EXPECT_EQ(InitSoundSystem(), -1);
    const struct {
        int type, maximum;
        const char* name;
    } types[] = {{HandleTypeSound, 32768, "サウンド"},
                 {HandleTypeSoftSound, 8192, "ソフトサウンド"},
                 {HandleTypeMusic, 256, "ミュージック"}};
    for (const auto& t : types) {
        const HandleTypeRecord* r = GetHandleTypeRecord(t.type);
        EXPECT_EQ(r->initialised, 1) << t.type;
        EXPECT_EQ(r->maximumCount, t.maximum);
        EXPECT_EQ(std::string(r->typeName), Cp(t.name));
    }
    SoundCreateSettings settings{-1, -1, {-1, -1, -1}};
    ASSERT_EQ(GetSoundCreateSettings(&settings), 0);
    EXPECT_EQ(settings.kind, 0);
    EXPECT_EQ(settings.convertOptions[1], 2);
    const Handle music = AddHandle(HandleTypeMusic, -1);
    ASSERT_GE(music, 0);
    EXPECT_EQ(reinterpret_cast<const int32_t*>(GetHandleRecord(music) + 1)[0], 255);
    EXPECT_EQ(TerminateSoundSystem(), 0);
    EXPECT_EQ(GetHandleTypeRecord(HandleTypeMusic)->initialised, 0);
    EXPECT_EQ(TerminateSoundSystem(), -1);
}

}  // namespace
