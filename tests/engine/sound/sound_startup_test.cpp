// Sound system start-up and end: the interface chosen under each refusal with
// its log lines, the handle types, what the end gives back.
#include <sstream>

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

// A row's knobs: "ds" or "27" leaves that interface first, "-Module" hides a
// module, "~Class" a class (27 the first 2.7 class, ds DirectSound), "noenum"
// the device list, "buffer1" fails the first buffer; any other word is a
// refused step.
void ApplyKnobs(const std::string& list) {
    std::istringstream words(list);
    for (std::string k; words >> k;) {
        if (k == "ds")
            ChooseBackend(Backend::DirectSound);
        else if (k == "27")
            ChooseBackend(Backend::Version27);
        else if (k == "~27")
            KnobHideComClass(CLSID_XAudio2_7, true);
        else if (k == "~ds")
            KnobHideComClass(CLSID_DirectSound, true);
        else if (k == "noenum")
            KnobHideExport("dsound.dll", "DirectSoundEnumerateA", true);
        else if (k == "buffer1")
            KnobAudioFailBuffer(1);
        else if (k[0] == '-')
            KnobHideModule(k.c_str() + 1, true);
        else
            KnobAudioRefuse(k.c_str());
    }
}

struct StartCase {
    const char* name;
    const char* knobs;
    std::vector<std::string> lines;  // in this order among the log's lines
    int result;
    Backend backend;
};

const Backend kDs = Backend::DirectSound;
const std::string kDsDone = "DirectSound の初期化は正常に終了しました";
const std::string kXa27 = "\tXAudio2 インターフェースの取得を行います....  ";

class SoundStartCaseTest : public SoundStartupTest,
                           public testing::WithParamInterface<StartCase> {};

TEST_P(SoundStartCaseTest, ChoosesTheInterfaceAndLogsEachStep) {
    const StartCase& c = GetParam();
    const int blocks = MemGetCount();
    ApplyKnobs(c.knobs);
    EXPECT_EQ(InitSoundSystem(), c.result);
    EXPECT_EQ(GetLogIndent(), 0);
    EXPECT_TRUE(HasInOrder(LogLines(), c.lines));
    if (c.result == 0) {
        EXPECT_EQ(RunningBackend(), c.backend);
    } else {
        SoundBufferRecord record{};
        int32_t shared = 0;
        const WAVEFORMATEX format = Pcm(2, 16);
        EXPECT_EQ(CreateSoundBuffers(&record, &shared, 1, &format, 4, 0), -1);
    }
    EXPECT_EQ(SoundSystem().initialised, c.result == 0 ? 1 : 0);
    EXPECT_EQ(StopCurrentMusic(), c.result);
    EXPECT_EQ(RefillSoftSoundPlayers(), c.result);
    EXPECT_EQ(TerminateSoundSystem(), c.result);
    const KnobAudioCounts live = KnobAudioLive();
    EXPECT_EQ(live.objects + live.buffers + live.voices, 0);
    for (const char* module : {"XAudio2_8.dll", "X3DAudio1_7.dll", "dsound.dll"})
        EXPECT_EQ(KnobModuleLoadCount(module), 0) << module;
    EXPECT_EQ(MemGetCount(), blocks);
    for (int type : {HandleTypeSound, HandleTypeSoftSound, HandleTypeMusic})
        EXPECT_EQ(GetHandleTypeRecord(type)->initialised, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Knobs, SoundStartCaseTest,
    testing::Values(
        StartCase{"Version27",
                  "27",
                  {kXa27 + "成功 Ver2.7", "\t\tプライマリ サウンド ドライバ", "\t\tチャンネル数:2",
                   "\t\tビット精度:16bit", "\t\tサンプリングレート:44100Hz"},
                  0,
                  Backend::Version27},
        StartCase{"Version26", "27 ~27", {kXa27 + "成功 Ver2.6"}, 0, Backend::Version27},
        StartCase{
            "NoXAudio2",
            "ds",
            {kXa27 + "XAudio2インターフェースの取得に失敗しました",
             "DirectSound の初期化を行います",
             "\tDirectSound インターフェースの取得を行います....  成功",
             "\t引き続きインターフェースの初期化処理...  成功",
             "\tDirectSound デバイスを列挙します", "\t利用可能チャンネル",
             "\t プライマリ MONO = OK  STEREO = OK  セカンダリ MONO = OK  STEREO = OK ", kDsDone},
            0,
            kDs},
        StartCase{"NoX3DAudio",
                  "27 -X3DAudio1_7.dll",
                  {"\tX3DAudio.DLL の読み込み中... 失敗、X3DAudio、XAudio2は使用しません", kDsDone},
                  0,
                  kDs},
        StartCase{"CreateRefused",
                  "XAudio2Create",
                  {"\tXAudio2 インターフェースの取得と初期化を行います....  初期化に失敗しました",
                   "\tエラーコード 80004005", kDsDone},
                  0,
                  kDs},
        StartCase{"InitializeRefused",
                  "27 XAudio2Initialize",
                  {"\t引き続きインターフェースの初期化処理...  初期化に失敗しました", kDsDone},
                  0,
                  kDs},
        StartCase{"MasteringVoice28Refused",
                  "CreateMasteringVoice",
                  {"\tXAudio2MasteringVoiceの作成に失敗しました", kDsDone},
                  0,
                  kDs},
        StartCase{"MasteringVoice27Refused",
                  "27 CreateMasteringVoice",
                  {"\tX3DAudio.DLL の読み込み中... 成功",
                   "\tXAudio2MasteringVoiceの作成に失敗しました", kDsDone},
                  0,
                  kDs},
        StartCase{"NoDsoundDll",
                  "ds -dsound.dll",
                  {"\tDSOUND.DLL のロードに失敗しました", kDsDone},
                  0,
                  kDs},
        StartCase{"NoEnumerate",
                  "ds noenum",
                  {"\tDirectSound デバイスの列挙用関数のポインタ取得に失敗しました", kDsDone},
                  0,
                  kDs},
        StartCase{
            "SetFormatRefused",
            "ds SetFormat",
            {"\tDirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました", kDsDone},
            0,
            kDs},
        StartCase{"SilentBufferRefused",
                  "ds buffer1",
                  {"\t無音バッファの作成に失敗しました", kDsDone},
                  0,
                  kDs},
        StartCase{"SilentBufferLockRefused",
                  "ds Lock",
                  {"\t無音バッファのロックに失敗しました", kDsDone},
                  0,
                  kDs},
        StartCase{"DirectSoundClassRefused",
                  "ds ~ds",
                  {"\tDirectSound インターフェースの取得を行います....  "
                   "DirectSoundインターフェースの取得に失敗しました"},
                  -1,
                  kDs},
        StartCase{"DirectSoundInitializeRefused",
                  "ds DirectSoundInitialize",
                  {"\t引き続きインターフェースの初期化処理...  初期化に失敗しました",
                   "\tエラーコード 88780078"},
                  -1,
                  kDs},
        StartCase{"CooperativeLevelRefused",
                  "ds SetCooperativeLevel",
                  {"\tDirectSoundの協調レベルの設定に失敗しました"},
                  -1,
                  kDs},
        StartCase{"PrimaryBufferRefused",
                  "ds PrimaryBuffer",
                  {"\tDirectSoundのプライマリサウンドバッファの作成に失敗しました"},
                  -1,
                  kDs}),
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
