// The compression manager stand-in: IMA ADPCM against the test encoder's own
// reconstruction, Microsoft ADPCM and G.711 against blocks and codes worked by
// hand, GSM 6.10 against one library decoder, MPEG audio whole and in steps,
// refusals and header rules.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "codec_hand_blocks.h"
#include "media_fixtures.h"
#include "msacm.h"
#include "test_knobs.h"

using namespace mediafixtures;

namespace {

WAVEFORMATEX Pcm16(int channels, int rate) {
    WAVEFORMATEX f{WAVE_FORMAT_PCM,
                   WORD(channels),
                   DWORD(rate),
                   DWORD(rate * channels * 2),
                   WORD(channels * 2),
                   16,
                   0};
    return f;
}

IMAADPCMWAVEFORMAT ImaFormat(int channels, int rate, int blockAlign, int perBlock) {
    IMAADPCMWAVEFORMAT f{};
    f.wfx = {WAVE_FORMAT_IMA_ADPCM,
             WORD(channels),
             DWORD(rate),
             DWORD(rate * blockAlign / perBlock),
             WORD(blockAlign),
             4,
             2};
    f.wSamplesPerBlock = WORD(perBlock);
    return f;
}

MPEGLAYER3WAVEFORMAT MpegFormat(int channels, int rate, int kbps) {
    MPEGLAYER3WAVEFORMAT f{};
    f.wfx = {WAVE_FORMAT_MPEGLAYER3, WORD(channels), DWORD(rate), DWORD(kbps * 125), 1, 0, 12};
    f.wID = MPEGLAYER3_ID_MPEG;
    f.nFramesPerBlock = 1;
    return f;
}

// Converts the whole source the way the engine refills: steps of `step`
// source bytes into a destination of `room` bytes, until nothing moves.
std::string Convert(HACMSTREAM stream, const std::string& source, size_t step, size_t room) {
    std::string out;
    std::vector<BYTE> buffer(room);
    size_t at = 0;
    while (at < source.size()) {
        ACMSTREAMHEADER h{};
        h.cbStruct = sizeof h;
        h.pbSrc = reinterpret_cast<BYTE*>(const_cast<char*>(source.data())) + at;
        h.cbSrcLength = DWORD(std::min(step, source.size() - at));
        h.pbDst = buffer.data();
        h.cbDstLength = DWORD(room);
        EXPECT_EQ(acmStreamPrepareHeader(stream, &h, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(acmStreamConvert(stream, &h, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
        EXPECT_EQ(acmStreamUnprepareHeader(stream, &h, 0), MMSYSERR_NOERROR);
        if (h.cbSrcLengthUsed == 0 && h.cbDstLengthUsed == 0) break;
        at += h.cbSrcLengthUsed;
        out.append(reinterpret_cast<char*>(buffer.data()), h.cbDstLengthUsed);
    }
    return out;
}

std::string ConvertOnce(WAVEFORMATEX* source, const std::string& data, int channels, int rate,
                        size_t step, size_t room) {
    WAVEFORMATEX pcm = Pcm16(channels, rate);
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(
        acmStreamOpen(&stream, nullptr, source, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME),
        MMSYSERR_NOERROR);
    std::string out = stream ? Convert(stream, data, step, room) : "";
    if (stream) acmStreamClose(stream, 0);
    return out;
}

struct ImaCase {
    const char* name;
    int channels;
    bool noise;
};

class AcmImaAdpcm : public testing::TestWithParam<ImaCase> {};

TEST_P(AcmImaAdpcm, DecodesToTheEncodersReconstruction) {
    const ImaCase& c = GetParam();
    const int blockAlign = 256 * c.channels;
    auto pcm = c.noise ? Noise(3000, c.channels, 7) : Ramp(3000, c.channels, 37);
    ImaAdpcm ima = EncodeImaAdpcm(pcm, c.channels, blockAlign);
    ASSERT_EQ(ima.samplesPerBlock, 505);
    IMAADPCMWAVEFORMAT f = ImaFormat(c.channels, 22050, blockAlign, ima.samplesPerBlock);
    EXPECT_EQ(ConvertOnce(&f.wfx, ima.data, c.channels, 22050, 2048, 22050 * 4),
              Bytes(ima.decoded));
    // Less room than one block's output: nothing moves.
    EXPECT_EQ(ConvertOnce(&f.wfx, ima.data, c.channels, 22050, 2048, 505 * 2 * c.channels - 1), "");
}

INSTANTIATE_TEST_SUITE_P(Blocks, AcmImaAdpcm,
                         testing::Values(ImaCase{"RampMono", 1, false},
                                         ImaCase{"NoiseMono", 1, true},
                                         ImaCase{"RampStereo", 2, false},
                                         ImaCase{"NoiseStereo", 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Microsoft ADPCM and G.711, worked by hand ------------------------------------

// The format record: a "fmt " body is the WAVEFORMATEX and its extension.
std::string MsFormat(int channels, int blockAlign, const std::string& extension) {
    return FormatBody(WAVE_FORMAT_ADPCM, channels, 22050, 11025, blockAlign, 4, &extension);
}
WAVEFORMATEX* AsFormat(std::string& body) {
    return reinterpret_cast<WAVEFORMATEX*>(body.data());
}

struct MsCase {
    const char* name;
    int channels;
    const std::string* block;
    const std::string* pcm;
    const std::vector<std::pair<int16_t, int16_t>>* pairs;
};

class AcmMsAdpcm : public testing::TestWithParam<MsCase> {};

TEST_P(AcmMsAdpcm, DecodesTheHandWorkedBlock) {
    const MsCase& c = GetParam();
    const int blockAlign = int(c.block->size());
    const int perBlock = int(c.pcm->size()) / 2 / c.channels;
    std::string format = MsFormat(c.channels, blockAlign, MsAdpcmExtension(perBlock, c.pairs));
    const std::string blocks = Repeat(*c.block, 5);
    // Whole, in steps of one and a half blocks, and with room for one block only.
    for (size_t step : {blocks.size(), size_t(blockAlign) * 3 / 2})
        EXPECT_EQ(ConvertOnce(AsFormat(format), blocks, c.channels, 22050, step, 4096),
                  Repeat(*c.pcm, 5))
            << step;
    EXPECT_EQ(ConvertOnce(AsFormat(format), blocks, c.channels, 22050, 4096, c.pcm->size()),
              Repeat(*c.pcm, 5));
    // A cut last block is left unconverted, as IMA ADPCM leaves it.
    EXPECT_EQ(ConvertOnce(AsFormat(format), blocks.substr(0, blocks.size() - 1), c.channels, 22050,
                          4096, 4096),
              Repeat(*c.pcm, 4));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, AcmMsAdpcm,
    testing::Values(MsCase{"Mono", 1, &kMsMonoBlock, &kMsMonoPcm, nullptr},
                    MsCase{"Stereo", 2, &kMsStereoBlock, &kMsStereoPcm, nullptr},
                    MsCase{"FilesOwnPairs", 1, &kMsOwnPairsBlock, &kMsOwnPairsPcm, &kMsOwnPairs}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AcmMsAdpcmBlocks, APredictorPastThePairsEndsTheConversion) {
    std::string format = MsFormat(1, 9, MsAdpcmExtension(6));
    std::string bad = kMsMonoBlock;
    bad[0] = 7;  // seven pairs: 0 to 6
    EXPECT_EQ(
        ConvertOnce(AsFormat(format), kMsMonoBlock + bad + kMsMonoBlock, 1, 22050, 4096, 4096),
        kMsMonoPcm);
    // A delta under 16 in the header is used once, then floored after the first code.
    std::string small = kMsMonoBlock;
    small[1] = 2;  // codes 1 2 -1 -8: 102, 102+32, 134-16, 118-128
    EXPECT_EQ(ConvertOnce(AsFormat(format), small, 1, 22050, 4096, 4096),
              Samples({50, 100, 102, 134, 118, -10}));
}

struct G711Case {
    const char* name;
    int tag;
    const std::string* codes;
    const std::string* pcm;
};

const G711Case kG711Cases[] = {
    {"ALaw", WAVE_FORMAT_ALAW, &kALawCodes, &kALawPcm},
    {"MuLaw", WAVE_FORMAT_MULAW, &kMuLawCodes, &kMuLawPcm},
};

class AcmG711 : public testing::TestWithParam<G711Case> {};

TEST_P(AcmG711, ExpandsTheTablesCodesInAnyChannelCount) {
    const G711Case& c = GetParam();
    for (int channels : {1, 2, 4}) {
        std::string format = FormatBody(c.tag, channels, 8000, 8000 * channels, channels, 8);
        format += Le16(0);
        EXPECT_EQ(ConvertOnce(AsFormat(format), *c.codes, channels, 8000, 5, 4096), *c.pcm)
            << channels;
    }
}

INSTANTIATE_TEST_SUITE_P(Laws, AcmG711, testing::ValuesIn(kG711Cases),
                         [](const auto& info) { return std::string(info.param.name); });

struct GsmCase {
    const char* name;
    int rate;
};

class AcmGsm : public testing::TestWithParam<GsmCase> {};

TEST_P(AcmGsm, DecodesLikeOneDecoderStateAndKeepsTheTone) {
    const int rate = GetParam().rate;
    const std::vector<int16_t> tone = Tone(rate / 2, 1, rate, 440, 8000);
    Gsm gsm = EncodeGsm(tone);
    const std::string decoded = Bytes(gsm.decoded);
    std::string format =
        FormatBody(WAVE_FORMAT_GSM610, 1, rate, rate * 65 / 320, 65, 0) + Le16(2) + Le16(320);
    // Steps of one block and a bit, and room for one block's output only.
    EXPECT_EQ(ConvertOnce(AsFormat(format), gsm.data, 1, rate, 4096, 8192), decoded);
    EXPECT_EQ(ConvertOnce(AsFormat(format), gsm.data, 1, rate, 70, 640), decoded);
    // A cut last block is left unconverted.
    EXPECT_EQ(
        ConvertOnce(AsFormat(format), gsm.data.substr(0, gsm.data.size() - 1), 1, rate, 4096, 8192),
        decoded.substr(0, decoded.size() - 640));
    // The codec is lossy, but the tone comes back: the output follows the
    // input closely after the first block, where the decoder settles.
    double signal = 0, error = 0;
    for (size_t i = 320; i < tone.size(); ++i) {
        signal += double(tone[i]) * tone[i];
        error += double(tone[i] - gsm.decoded[i]) * (tone[i] - gsm.decoded[i]);
    }
    EXPECT_LT(error, signal / 10);
}

INSTANTIATE_TEST_SUITE_P(Rates, AcmGsm,
                         testing::Values(GsmCase{"At8000", 8000}, GsmCase{"At22050", 22050}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AcmStream, HostileCompressedFormatsAreRefused) {
    const std::vector<std::pair<int16_t, int16_t>> none, many(257, {256, 0});
    struct Row {
        const char* name;
        std::string format;
        MMRESULT result;
    } rows[] = {
        {"standard", MsFormat(1, 9, MsAdpcmExtension(6)), MMSYSERR_NOERROR},
        {"fewer samples than the block holds", MsFormat(2, 16, MsAdpcmExtension(3)),
         MMSYSERR_NOERROR},
        {"no extension", FormatBody(WAVE_FORMAT_ADPCM, 1, 22050, 11025, 9, 4) + Le16(0),
         ACMERR_NOTPOSSIBLE},
        {"extension without the pair count", MsFormat(1, 9, Le16(6)), ACMERR_NOTPOSSIBLE},
        {"pairs cut short", MsFormat(1, 9, MsAdpcmExtension(6).substr(0, 31)), ACMERR_NOTPOSSIBLE},
        {"no pairs", MsFormat(1, 9, MsAdpcmExtension(6, &none)), ACMERR_NOTPOSSIBLE},
        {"257 pairs", MsFormat(1, 9, MsAdpcmExtension(6, &many)), ACMERR_NOTPOSSIBLE},
        {"block of 0", MsFormat(1, 0, MsAdpcmExtension(2)), ACMERR_NOTPOSSIBLE},
        {"block smaller than its header", MsFormat(2, 13, MsAdpcmExtension(2)), ACMERR_NOTPOSSIBLE},
        {"more samples than the block holds", MsFormat(1, 9, MsAdpcmExtension(7)),
         ACMERR_NOTPOSSIBLE},
        {"one sample per block", MsFormat(1, 9, MsAdpcmExtension(1)), ACMERR_NOTPOSSIBLE},
        {"8 bits",
         FormatBody(WAVE_FORMAT_ADPCM, 1, 22050, 11025, 9, 8, nullptr) + Le16(32) +
             MsAdpcmExtension(6),
         ACMERR_NOTPOSSIBLE},
        {"gsm", FormatBody(WAVE_FORMAT_GSM610, 1, 8000, 1625, 65, 0) + Le16(2) + Le16(320),
         MMSYSERR_NOERROR},
        {"gsm stereo", FormatBody(WAVE_FORMAT_GSM610, 2, 8000, 1625, 65, 0) + Le16(2) + Le16(320),
         ACMERR_NOTPOSSIBLE},
        {"gsm blocks of 64",
         FormatBody(WAVE_FORMAT_GSM610, 1, 8000, 1625, 64, 0) + Le16(2) + Le16(320),
         ACMERR_NOTPOSSIBLE},
        {"gsm of 160 samples",
         FormatBody(WAVE_FORMAT_GSM610, 1, 8000, 1625, 65, 0) + Le16(2) + Le16(160),
         ACMERR_NOTPOSSIBLE},
        {"gsm without extension",
         FormatBody(WAVE_FORMAT_GSM610, 1, 8000, 1625, 65, 0) + Le16(0) + Le16(320),
         ACMERR_NOTPOSSIBLE},
        {"a-law of 16 bits", FormatBody(WAVE_FORMAT_ALAW, 1, 8000, 16000, 2, 16) + Le16(0),
         ACMERR_NOTPOSSIBLE},
        {"mu-law block of 2 for 1 channel",
         FormatBody(WAVE_FORMAT_MULAW, 1, 8000, 16000, 2, 8) + Le16(0), ACMERR_NOTPOSSIBLE},
    };
    for (Row& r : rows) {
        WAVEFORMATEX pcm =
            Pcm16(AsFormat(r.format)->nChannels, int(AsFormat(r.format)->nSamplesPerSec));
        EXPECT_EQ(acmStreamOpen(nullptr, nullptr, AsFormat(r.format), &pcm, nullptr, 0, 0,
                                ACM_STREAMOPENF_QUERY),
                  r.result)
            << r.name;
        WAVEFORMATEX suggested{};
        EXPECT_EQ(acmFormatSuggest(nullptr, AsFormat(r.format), &suggested, sizeof suggested, 0) ==
                      MMSYSERR_NOERROR,
                  r.result == MMSYSERR_NOERROR)
            << r.name;
    }
}

TEST(AcmMsAdpcmBlocks, SizesCountTheHeaderSamples) {
    std::string format = MsFormat(2, 16, MsAdpcmExtension(4));
    WAVEFORMATEX pcm = Pcm16(2, 22050);
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, AsFormat(format), &pcm, nullptr, 0, 0, 0),
              MMSYSERR_NOERROR);
    DWORD size = 0;
    // Three whole blocks and a piece: 3 x 4 frames of 4 bytes.
    EXPECT_EQ(acmStreamSize(stream, 16 * 3 + 5, &size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_EQ(size, 48u);
    EXPECT_EQ(acmStreamSize(stream, 17, &size, ACM_STREAMSIZEF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
}

struct MpegCase {
    const char* name;
    int channels, rate, kbps;
    bool layer2, infoFrame;
};

Mp3 Encode(const MpegCase& c) {
    auto pcm = Tone(c.rate * 2, c.channels, c.rate, 440, 12000);
    return c.layer2 ? EncodeMp2(pcm, c.channels, c.rate, c.kbps)
                    : EncodeMp3(pcm, c.channels, c.rate, c.kbps, c.infoFrame);
}

class AcmMpeg : public testing::TestWithParam<MpegCase> {};

TEST_P(AcmMpeg, StepsGiveTheBytesOfOneWholeConversion) {
    const MpegCase& c = GetParam();
    Mp3 mp3 = Encode(c);
    MPEGLAYER3WAVEFORMAT f = MpegFormat(c.channels, c.rate, c.kbps);
    const size_t outputBuffer = size_t(c.rate) * c.channels * 2 * 4 / 3;
    std::string whole =
        ConvertOnce(&f.wfx, mp3.bytes, c.channels, c.rate, mp3.bytes.size(), mp3.bytes.size() * 40);
    EXPECT_EQ(whole.size(), size_t(mp3.frames) * mp3.samplesPerFrame * c.channels * 2);
    EXPECT_EQ(ConvertOnce(&f.wfx, mp3.bytes, c.channels, c.rate, 2048, outputBuffer), whole);
    for (size_t room : {10241, 10250, 10500})
        EXPECT_EQ(ConvertOnce(&f.wfx, mp3.bytes, c.channels, c.rate, 2048, room), whole) << room;
    // The tone is really there: not all silence.
    EXPECT_NE(whole.find_first_not_of('\0'), std::string::npos);
}

const MpegCase kMpegCases[] = {
    {"Layer3Mpeg1Stereo44100", 2, 44100, 128, false, false},
    {"Layer3Mpeg2Mono22050", 1, 22050, 32, false, false},
    {"Layer2Mpeg1Stereo48000", 2, 48000, 192, true, false},
    {"Layer3WithInfoFrame", 2, 44100, 128, false, true},
    {"Layer3Mpeg25Mono8000", 1, 8000, 24, false, false},
};
INSTANTIATE_TEST_SUITE_P(Files, AcmMpeg, testing::ValuesIn(kMpegCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AcmMpegThreads, EightThreadsGetTheirOneThreadBytes) {
    std::vector<Mp3> files;
    std::vector<std::string> alone;
    for (int i = 0; i < 8; ++i) {
        MpegCase c = kMpegCases[i % 4];
        auto pcm = Tone(c.rate, c.channels, c.rate, 300 + 50 * i, 10000);
        files.push_back(c.layer2 ? EncodeMp2(pcm, c.channels, c.rate, c.kbps)
                                 : EncodeMp3(pcm, c.channels, c.rate, c.kbps, c.infoFrame));
        MPEGLAYER3WAVEFORMAT f = MpegFormat(c.channels, c.rate, c.kbps);
        alone.push_back(ConvertOnce(&f.wfx, files[i].bytes, c.channels, c.rate, 2048, 10241));
    }
    std::vector<std::string> together(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] {
            MpegCase c = kMpegCases[i % 4];
            MPEGLAYER3WAVEFORMAT f = MpegFormat(c.channels, c.rate, c.kbps);
            together[i] = ConvertOnce(&f.wfx, files[i].bytes, c.channels, c.rate, 2048, 10241);
        });
    for (auto& t : threads) t.join();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(together[i], alone[i]) << i;
}

TEST(AcmStream, RefusesWhatItCannotConvert) {
    WAVEFORMATEX pcm = Pcm16(2, 44100);
    IMAADPCMWAVEFORMAT ima = ImaFormat(2, 44100, 512, 505);
    IMAADPCMWAVEFORMAT badBlock = ImaFormat(2, 44100, 512, 504);
    MPEGLAYER3WAVEFORMAT mpeg = MpegFormat(2, 44100, 128);
    MPEGLAYER3WAVEFORMAT oddRate = MpegFormat(2, 11000, 32);
    WAVEFORMATEX mono = Pcm16(1, 44100);
    struct Row {
        const char* name;
        WAVEFORMATEX* source;
        WAVEFORMATEX* destination;
        DWORD flags;
        MMRESULT result;
    } rows[] = {
        {"ima query", &ima.wfx, &pcm, ACM_STREAMOPENF_QUERY, MMSYSERR_NOERROR},
        {"mpeg query", &mpeg.wfx, &pcm, ACM_STREAMOPENF_QUERY, MMSYSERR_NOERROR},
        {"pcm to pcm", &pcm, &pcm, ACM_STREAMOPENF_QUERY, ACMERR_NOTPOSSIBLE},
        {"samples per block", &badBlock.wfx, &pcm, ACM_STREAMOPENF_QUERY, ACMERR_NOTPOSSIBLE},
        {"no mpeg rate", &oddRate.wfx, &pcm, ACM_STREAMOPENF_QUERY, ACMERR_NOTPOSSIBLE},
        {"channels differ", &mpeg.wfx, &mono, ACM_STREAMOPENF_QUERY, ACMERR_NOTPOSSIBLE},
        {"asynchronous", &ima.wfx, &pcm, ACM_STREAMOPENF_ASYNC, MMSYSERR_INVALFLAG},
    };
    for (const Row& r : rows) {
        HACMSTREAM stream = nullptr;
        EXPECT_EQ(acmStreamOpen(&stream, nullptr, r.source, r.destination, nullptr, 0, 0, r.flags),
                  r.result)
            << r.name;
        EXPECT_EQ(stream, nullptr) << r.name;
    }
}

TEST(AcmStream, HeadersSizesSuggestionsAndMetrics) {
    IMAADPCMWAVEFORMAT ima = ImaFormat(1, 8000, 256, 505);
    WAVEFORMATEX pcm{};
    ASSERT_EQ(acmFormatSuggest(nullptr, &ima.wfx, &pcm, sizeof pcm, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(std::memcmp(&pcm, &(const WAVEFORMATEX&)Pcm16(1, 8000), sizeof pcm), 0);
    DWORD largest = 0;
    EXPECT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest), MMSYSERR_NOERROR);
    EXPECT_EQ(largest, 50u);  // Microsoft ADPCM's 18 + 4 + seven pairs of 4

    HACMSTREAM stream = nullptr;
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, &ima.wfx, &pcm, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    DWORD size = 0;
    EXPECT_EQ(acmStreamSize(stream, 256 * 3 + 10, &size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_EQ(size, 3u * 505 * 2);
    EXPECT_EQ(acmStreamSize(stream, 1011, &size, ACM_STREAMSIZEF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(size, 2u * 256);

    BYTE src[256] = {}, dst[2048];
    ACMSTREAMHEADER h{};
    h.cbStruct = sizeof h;
    h.pbSrc = src;
    h.cbSrcLength = sizeof src;
    h.pbDst = dst;
    h.cbDstLength = sizeof dst;
    EXPECT_EQ(acmStreamConvert(stream, &h, 0), ACMERR_UNPREPARED);
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &h, 0), ACMERR_UNPREPARED);
    h.cbStruct = 84;
    EXPECT_EQ(acmStreamPrepareHeader(stream, &h, 0), MMSYSERR_INVALPARAM);
    h.cbStruct = sizeof h;
    ASSERT_EQ(acmStreamPrepareHeader(stream, &h, 0), MMSYSERR_NOERROR);
    EXPECT_TRUE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);
    EXPECT_EQ(acmStreamConvert(stream, &h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(h.cbSrcLengthUsed, 256u);
    EXPECT_EQ(h.cbDstLengthUsed, 1010u);
    EXPECT_TRUE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_INVALHANDLE);
}

}  // namespace
