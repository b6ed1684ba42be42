// WAVE files through the converter: PCM as it stands, float to 16 bits, the
// compressed codecs, the chunk rules, and every repair of a hostile header.
#include <cmath>
#include <cstring>

#include "codec_hand_blocks.h"
#include "sound_convert_support.h"

using namespace DuRud;
using namespace mediafixtures;
using namespace soundtest;

namespace {

class WaveReaderTest : public SoundConvertTest {};

std::string Floats(std::initializer_list<float> values) {
    std::string out;
    for (float v : values) out.append(reinterpret_cast<const char*>(&v), 4);
    return out;
}

const std::string kData8("\x00\x80\x7f\x10\x01", 5);

TEST_F(WaveReaderTest, FilesGiveTheirPcmOrFail) {
    const std::string stereo = Bytes(Tone(100, 2, 8000, 440, 9000));
    const std::string fmt8 = Chunk("fmt ", FormatBody(1, 1, 8000, 8000, 1, 8));
    struct Row {
        const char* name;
        std::string file;
        const char* pcm;  // null: set-up fails
        size_t size;
    } rows[] = {
        {"8-bit mono", SimpleWave(1, 1, 8000, 8, kData8), kData8.data(), 5},
        {"16-bit stereo", SimpleWave(1, 2, 8000, 16, stereo), stereo.data(), stereo.size()},
        {"bext first", Riff(Chunk("bext", "abc") + fmt8 + Chunk("data", kData8)), kData8.data(), 5},
        {"LIST first", Riff(Chunk("LIST", "abcd") + fmt8 + Chunk("data", kData8)), nullptr, 0},
        {"odd chunks before data",
         Riff(fmt8 + Chunk("junk", "abc") + Chunk("fact", "x") + Chunk("data", kData8)),
         kData8.data(), 5},
        {"float",
         SimpleWave(3, 1, 8000, 32,
                    Floats({0.5f, -1.0f, 1.5f, -2.0f, NAN, 0.99999f, -0.00001f, 0.25f})),
         "\x00\x40\x00\x80\xff\x7f\x00\x80\x00\x00\xff\x7f\x00\x00\x00\x20", 16},
        {"16-bit float", SimpleWave(3, 1, 8000, 16, "abcd"), nullptr, 0},
        {"float frames of 1226 bytes at 2 MHz",
         Riff(Chunk("fmt ", FormatBody(3, 1, 2097152, 0, 1226, 32)) +
              Chunk("data", Floats({0.5f}) + std::string(1222, '\0') + Floats({-1.0f}) +
                                std::string(1222, '\0'))),
         "\x00\x40\x00\x80", 4},
        {"no channels",
         Riff(Chunk("fmt ", FormatBody(1, 0, 8000, 8000, 1, 8)) + Chunk("data", kData8)), nullptr,
         0},
        {"no rate", Riff(Chunk("fmt ", FormatBody(1, 1, 0, 8000, 1, 8)) + Chunk("data", kData8)),
         nullptr, 0},
        {"no block align",
         Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8000, 0, 8)) + Chunk("data", kData8)), nullptr,
         0},
        {"14-byte fmt",
         Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8000, 1, 8).substr(0, 14)) +
              Chunk("data", kData8)),
         nullptr, 0},
        {"huge fmt", Riff("fmt " + Le32(0xFFFFFFF0u) + FormatBody(1, 1, 8000, 8000, 1, 8)), nullptr,
         0},
        {"chunk size that wraps", Riff(fmt8 + "junk" + Le32(0xFFFFFFF8u) + Chunk("data", kData8)),
         nullptr, 0},
        {"data longer than the file", Riff(fmt8 + "data" + Le32(1000) + kData8), kData8.data(), 5},
        {"not RIFF", "RIFX" + SimpleWave(1, 1, 8000, 8, kData8).substr(4), nullptr, 0},
        {"other tag",
         Riff(Chunk("fmt ", FormatBody(2, 1, 8000, 8000, 1, 8)) + Chunk("data", kData8)), nullptr,
         0},
    };
    for (const Row& r : rows) {
        Converter c(r.file);
        int result = c.Setup(kOnlyWave);
        ASSERT_EQ(result, r.pcm ? 0 : -1) << r.name;
        EXPECT_LE(c.state.wave.floatBufferSize, 4u << 20) << r.name;  // the output buffer's cap
        if (r.pcm) {
            EXPECT_TRUE(Same(c.All(), std::string(r.pcm, r.size))) << r.name;
        }
    }
}

TEST_F(WaveReaderTest, SixteenByteFormatAndByteRateAreRepaired) {
    // Bits 0, byte rate 5: 16 bits from block align 4 / 2 channels, rate x 4.
    std::string file =
        Riff(Chunk("fmt ", FormatBody(1, 2, 11025, 5, 4, 0)) + Chunk("data", "abcd"));
    Converter c(file);
    ASSERT_EQ(c.Setup(kOnlyWave), 0);
    WAVEFORMATEX f;
    ASSERT_EQ(GetConvertFormat(&c.state, &f), 0);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_EQ(f.nAvgBytesPerSec, 44100u);
    EXPECT_EQ(GetSoundConvertSize(&c.state), 4);
    // A float file: 16-bit PCM of half the size.
    Converter f32(SimpleWave(3, 2, 8000, 32, Floats({0, 0, 0, 0, 0, 0})));
    ASSERT_EQ(f32.Setup(kOnlyWave), 0);
    EXPECT_EQ(GetSoundConvertSize(&f32.state), 12);
    EXPECT_EQ(f32.state.outputFormat.nBlockAlign, 4);
}

TEST_F(WaveReaderTest, AFileCutInsideAnyHeaderFails) {
    std::string file = SimpleWave(1, 1, 8000, 8, kData8);
    for (size_t cut = 0; cut < 44; ++cut) {
        Converter c(file.substr(0, cut));
        EXPECT_EQ(c.Setup(0), -1) << cut;
    }
}

TEST_F(WaveReaderTest, ImaAdpcmThroughTheCompressionManager) {
    for (int channels : {1, 2}) {
        // A block align over 2048 still converts (the step grows with it).
        for (int blockAlign : {256 * channels, 4096}) {
            ImaAdpcm ima = EncodeImaAdpcm(Noise(9000, channels, 3), channels, blockAlign);
            Converter c(ImaAdpcmWave(ima, channels, 22050));
            ASSERT_EQ(c.Setup(kOnlyWave), 0);
            EXPECT_EQ(c.state.kind, SoundConvertKindAcm);
            EXPECT_EQ(GetSoundConvertSize(&c.state), int(ima.decoded.size() * 2));
            EXPECT_TRUE(Same(c.All(), Bytes(ima.decoded))) << channels << " " << blockAlign;
        }
    }
}

// A block that decodes to more than a second of output (large blocks at a
// low rate) converts, whole and in the small reads a stream makes.
TEST_F(WaveReaderTest, BlocksOfMoreThanASecondOfOutputConvert) {
    // Microsoft ADPCM, pair 0 (256, 0), delta 16, samples 100 then 50, every
    // code 0: out 50, 100, then 100 for every further sample (the prediction
    // is the last sample; the delta stays at its floor of 16).
    const auto msBlock = [](size_t bytes) {
        return std::string("\x00\x10\x00\x64\x00\x32\x00", 7) + std::string(bytes - 7, '\0');
    };
    const auto msPcm = [](size_t samples) {
        std::vector<int16_t> pcm(samples, 100);
        pcm[0] = 50;
        return Bytes(pcm);
    };
    const ImaAdpcm ima4096 = EncodeImaAdpcm(Noise(20000, 1, 3), 1, 4096);
    const ImaAdpcm ima8192 = EncodeImaAdpcm(Noise(40000, 1, 4), 1, 8192);
    struct Row {
        const char* name;
        std::string file, pcm;
    } rows[] = {
        // (4096 - 7) x 2 + 2 = 8180 samples: 16360 bytes against 16000 a second.
        {"ms adpcm, 4096-byte blocks",
         MsAdpcmWave(Repeat(msBlock(4096), 3), 1, 8000, 4096, MsAdpcmExtension(8180)),
         Repeat(msPcm(8180), 3)},
        {"ms adpcm, 8192-byte blocks",
         MsAdpcmWave(Repeat(msBlock(8192), 2), 1, 8000, 8192, MsAdpcmExtension(16372)),
         Repeat(msPcm(16372), 2)},
        // (4096 - 4) x 2 + 1 = 8185 samples: 16370 bytes.
        {"ima adpcm, 4096-byte blocks", ImaAdpcmWave(ima4096, 1, 8000), Bytes(ima4096.decoded)},
        {"ima adpcm, 8192-byte blocks", ImaAdpcmWave(ima8192, 1, 8000), Bytes(ima8192.decoded)},
    };
    for (const Row& r : rows) {
        Converter whole(r.file), pieces(r.file);
        ASSERT_EQ(whole.Setup(kOnlyWave), 0) << r.name;
        EXPECT_TRUE(Same(whole.All(), r.pcm)) << r.name;
        ASSERT_EQ(pieces.Setup(kOnlyWave), 0) << r.name;
        std::string got;
        for (std::string part; !(part = pieces.Run(2000)).empty();) got += part;
        EXPECT_TRUE(Same(got, r.pcm)) << r.name << ", in reads of 2000 bytes";
    }
}

// MPEG layer 3 frames in a WAVE (tag 0x55) whose header claims another
// average byte rate: the size given is what the frames decode to, and all of
// it comes out (a memory sound was cut at a size guessed from the claim).
TEST_F(WaveReaderTest, MpegInAWaveIsSizedByItsFramesNotByTheHeadersByteRate) {
    const Mp3 mp3 = EncodeMp3(Tone(22050, 2, 44100, 440, 12000), 2, 44100, 128, false);
    const std::string extension = Le16(1) + Le32(2) + Le16(418) + Le16(1) + Le16(1393);
    const size_t decoded = size_t(mp3.frames) * 1152 * 2 * 2;
    const struct {
        const char* name;
        int bytesPerSecond;  // the frames' own: 128 kbit/s, 16000 bytes
    } rows[] = {{"the frames' own rate", 16000},
                {"far above the frames' rate", 16000 * 40},
                {"far below the frames' rate", 400}};
    for (const auto& row : rows) {
        Converter c(
            Riff(Chunk("fmt ", FormatBody(0x55, 2, 44100, row.bytesPerSecond, 1, 0, &extension)) +
                 Chunk("data", mp3.bytes)));
        ASSERT_EQ(c.Setup(kOnlyWave), 0) << row.name;
        EXPECT_EQ(GetSoundConvertSize(&c.state), int(decoded)) << row.name;
        EXPECT_EQ(c.All().size(), decoded) << row.name;
    }
}

TEST_F(WaveReaderTest, MsAdpcmG711AndGsmThroughTheCompressionManager) {
    const Gsm gsm = EncodeGsm(Tone(8000, 1, 8000, 440, 8000));
    const std::string standard = MsAdpcmExtension(6), stereo = MsAdpcmExtension(4);
    struct Row {
        const char* name;
        std::string file;
        std::string pcm;
    } rows[] = {
        {"ms adpcm mono 8000", MsAdpcmWave(Repeat(kMsMonoBlock, 500), 1, 8000, 9, standard),
         Repeat(kMsMonoPcm, 500)},
        {"ms adpcm mono 22050, the file's own pairs",
         MsAdpcmWave(Repeat(kMsOwnPairsBlock, 500), 1, 22050, 9, MsAdpcmExtension(6, &kMsOwnPairs)),
         Repeat(kMsOwnPairsPcm, 500)},
        {"ms adpcm stereo 22050", MsAdpcmWave(Repeat(kMsStereoBlock, 500), 2, 22050, 16, stereo),
         Repeat(kMsStereoPcm, 500)},
        {"ms adpcm stereo 44100", MsAdpcmWave(Repeat(kMsStereoBlock, 500), 2, 44100, 16, stereo),
         Repeat(kMsStereoPcm, 500)},
        {"a-law mono 8000", G711Wave(6, 1, 8000, Repeat(kALawCodes, 500)), Repeat(kALawPcm, 500)},
        {"a-law stereo 11025", G711Wave(6, 2, 11025, Repeat(kALawCodes, 500)),
         Repeat(kALawPcm, 500)},
        {"mu-law mono 22050", G711Wave(7, 1, 22050, Repeat(kMuLawCodes, 500)),
         Repeat(kMuLawPcm, 500)},
        {"mu-law stereo 8000", G711Wave(7, 2, 8000, Repeat(kMuLawCodes, 500)),
         Repeat(kMuLawPcm, 500)},
        {"gsm 8000", GsmWave(gsm.data, 8000), Bytes(gsm.decoded)},
        {"gsm 11025", GsmWave(gsm.data, 11025), Bytes(gsm.decoded)},
    };
    for (const Row& r : rows) {
        Converter c(r.file);
        ASSERT_EQ(c.Setup(kOnlyWave), 0) << r.name;
        EXPECT_EQ(c.state.kind, SoundConvertKindAcm) << r.name;
        EXPECT_EQ(GetSoundConvertSize(&c.state), int(r.pcm.size())) << r.name;
        EXPECT_TRUE(Same(c.All(), r.pcm)) << r.name;
    }
}

TEST_F(WaveReaderTest, HostileMsAdpcmIsRefusedOrEndsCleanly) {
    const std::string extension = MsAdpcmExtension(6);
    // The extension claims its seven pairs, but the chunk ends after two.
    const std::string cut = FormatBody(2, 1, 8000, 4000, 9, 4, &extension).substr(0, 18 + 4 + 8);
    std::string badPredictor = kMsMonoBlock;
    badPredictor[0] = 7;
    struct Row {
        const char* name;
        std::string file;
        const std::string* pcm;  // null: set-up fails
        int blocks;
    } rows[] = {
        {"extension longer than its chunk", Riff(Chunk("fmt ", cut) + Chunk("data", kMsMonoBlock)),
         nullptr, 0},
        {"cut last block",
         MsAdpcmWave(Repeat(kMsMonoBlock, 3) + kMsMonoBlock.substr(0, 5), 1, 8000, 9, extension),
         &kMsMonoPcm, 3},
        {"predictor past the pairs",
         MsAdpcmWave(kMsMonoBlock + badPredictor + kMsMonoBlock, 1, 8000, 9, extension),
         &kMsMonoPcm, 1},
        {"nothing but a header's worth",
         MsAdpcmWave(kMsMonoBlock.substr(0, 7), 1, 8000, 9, extension), &kMsMonoPcm, 0},
    };
    for (const Row& r : rows) {
        Converter c(r.file);
        ASSERT_EQ(c.Setup(kOnlyWave), r.pcm ? 0 : -1) << r.name;
        if (r.pcm) {
            EXPECT_TRUE(Same(c.All(), Repeat(*r.pcm, r.blocks))) << r.name;
        }
    }
}

}  // namespace
