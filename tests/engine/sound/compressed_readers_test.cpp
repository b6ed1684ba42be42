// MP3 through the compression manager and Ogg Vorbis: tags, frame counts,
// reader order, seeks against a linear pass, the loop stream, and the
// compression manager's module state.
#include <vorbis/vorbisfile.h>

#include <cstring>
#include <random>

#include "sound/sound_convert_readers.h"
#include "sound_convert_support.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace mediafixtures;
using namespace soundtest;

namespace {

class CompressedReaderTest : public SoundConvertTest {};

const Mp3& StereoMp3() {
    static Mp3 mp3 = EncodeMp3(Tone(44100, 2, 44100, 440, 12000), 2, 44100, 128, false);
    return mp3;
}

std::string Id3v2(int version, int flags, const std::string& body) {
    return std::string("ID3") + char(version) + '\0' + char(flags) + '\0' + '\0' +
           char(body.size() >> 7) + char(body.size() & 0x7F) + body;
}

TEST_F(CompressedReaderTest, Mp3TagsAndJunkLeaveOnlyTheFrames) {
    const Mp3& mp3 = StereoMp3();
    const std::string fakeFrame("\xFF\xFB\x90\x00", 4), reserved("\xFF\xFF\xFF\xFF", 4);
    Converter plain(mp3.bytes);
    ASSERT_EQ(plain.Setup(kOnlyMp3Acm), 0);
    const std::string pcm = plain.All();
    ASSERT_EQ(pcm.size(), size_t(mp3.frames) * 1152 * 4);
    // Junk without a sync between two frames: the second frame starts 418
    // or 417 bytes in; find it through its own header.
    size_t second = mp3.bytes.find("\xFF\xFB", 1);
    std::string junk = mp3.bytes.substr(0, second) + "junk bytes" + mp3.bytes.substr(second);
    struct Row {
        const char* name;
        std::string file;
    } rows[] = {
        {"ID3v2.3", Id3v2(3, 0, fakeFrame + std::string(200, 'x')) + mp3.bytes},
        {"ID3v2.4 with footer",
         Id3v2(4, 0x10, std::string(30, 'x')) + "3DI" + reserved + "abc" + mp3.bytes},
        {"ID3v1", mp3.bytes + "TAG" + reserved + std::string(121, ' ')},
        {"junk between frames", junk},
        // An MPEG-2 mono frame (8 kbit/s, 22.05 kHz: 26 bytes) is junk to
        // the decoder of a 44.1 kHz stereo stream and counts nothing.
        {"frame of another rate between frames",
         mp3.bytes.substr(0, second) + std::string("\xFF\xF3\x10\xC4", 4) + std::string(22, '\0') +
             mp3.bytes.substr(second)},
    };
    for (const Row& r : rows) {
        Converter c(r.file);
        ASSERT_EQ(c.Setup(kOnlyMp3Acm), 0) << r.name;
        EXPECT_EQ(GetSoundConvertSize(&c.state), int(pcm.size())) << r.name;
        EXPECT_TRUE(Same(c.All(), pcm)) << r.name;
    }
    const std::string failing[] = {
        std::string(4000, 'a'),                                              // no frame
        std::string(200, 'a') + "\xFF\xFB\xF0\x00" + mp3.bytes,              // bit-rate index 15
        std::string(200, 'a') + "\xFF\xFB\x00\x00" + mp3.bytes,              // free format
        std::string(200, 'a') + "\xFF\xE3\x90\x00" + std::string(900, 'b'),  // MPEG-2.5 only
        mp3.bytes.substr(0, 128),                                            // 128 bytes or fewer
    };
    for (const std::string& f : failing) {
        Converter c(f);
        EXPECT_EQ(c.Setup(kOnlyMp3Acm), -1);
    }
}

TEST_F(CompressedReaderTest, Mpeg2Layer3CountsSamplesOf576) {
    Mp3 mono = EncodeMp3(Tone(22050, 1, 22050, 300, 9000), 1, 22050, 32, false);
    Converter c(mono.bytes);
    ASSERT_EQ(c.Setup(kOnlyMp3Acm), 0);
    EXPECT_EQ(c.state.acm.totalSamples, int64_t(mono.frames) * 576);
    EXPECT_EQ(c.All().size(), size_t(mono.frames) * 576 * 2);
}

TEST_F(CompressedReaderTest, SkipMaskChoosesTheReaders) {
    std::string ogg = EncodeVorbis(Tone(8000, 1, 8000, 200, 8000), 1, 8000, 0.3f);
    struct Row {
        const char* name;
        std::string file;
        int mask, result;
    } rows[] = {
        {"only Ogg: Vorbis", ogg, kOnlyOgg, 0},
        {"only Ogg: MP3", StereoMp3().bytes, kOnlyOgg, -1},
        {"MP3 readers skipped", StereoMp3().bytes, 0x18, -1},
        {"graph only", StereoMp3().bytes, 0x08, 0},  // the conversion graph decodes it
    };
    for (const Row& r : rows) {
        Converter c(r.file);
        EXPECT_EQ(c.Setup(r.mask), r.result) << r.name;
    }
}

// vorbisfile's own decode of a file, for comparison.
std::string VorbisfileDecode(const std::string& file, int word) {
    OggVorbis_File vf;
    EXPECT_EQ(ov_open_callbacks(nullptr, &vf, file.data(), long(file.size()),
                                OV_CALLBACKS_STREAMONLY_NOCLOSE),
              0);
    std::string out;
    char buffer[4096];
    int link;
    for (long n; (n = ov_read(&vf, buffer, sizeof buffer, 0, word, word == 2, &link)) != 0;)
        if (n > 0) out.append(buffer, size_t(n));
    ov_clear(&vf);
    return out;
}

// The last page's granule position replaced, its checksum made again.
std::string WithLastGranule(std::string ogg, int64_t granule) {
    const size_t at = OggPageOffsets(ogg).back();
    for (int i = 0; i < 8; ++i) ogg[at + 6 + i] = char(granule >> (8 * i));
    auto* h = reinterpret_cast<unsigned char*>(&ogg[at]);
    ogg_page page{h, 27 + h[26], nullptr, 0};
    page.body = h + page.header_len;
    page.body_len = long(ogg.size() - at) - page.header_len;
    ogg_page_checksum_set(&page);
    return ogg;
}

TEST_F(CompressedReaderTest, VorbisOutputEndsAtTheLengthTheGranulesGive) {
    const std::string ogg = EncodeVorbis(Tone(600, 1, 11025, 440, 9000), 1, 11025, 0.0f);
    for (int64_t granule : {0, 1, 100, 599}) {
        Converter c(WithLastGranule(ogg, granule));
        if (c.Setup(kOnlyOgg) != 0) continue;  // a length vorbisfile refuses
        const int size = GetSoundConvertSize(&c.state);
        EXPECT_LE(int(c.Run(1 << 20).size()), size) << granule;
    }
}

TEST_F(CompressedReaderTest, VorbisMatchesVorbisfileInBothWordSizes) {
    const auto tone = Tone(66150, 2, 22050, 500, 10000);
    const std::string ogg = EncodeVorbis(tone, 2, 22050, 0.4f);
    for (int word : {2, 1}) {
        Converter c(ogg);
        ASSERT_EQ(c.Setup(0, word), 0);
        std::string expected = VorbisfileDecode(ogg, word);
        EXPECT_EQ(GetSoundConvertSize(&c.state), int(expected.size()));
        EXPECT_EQ(c.state.outputFormat.wBitsPerSample, 8 * word);
        EXPECT_TRUE(Same(c.All(), expected)) << word;
    }
    Converter theora(EncodeTheoraAndVorbis(tone, 2, 22050, 0.4f));
    ASSERT_EQ(theora.Setup(kOnlyOgg, 2, 1), 0);
    EXPECT_TRUE(Same(theora.All(), VorbisfileDecode(ogg, 2)));

    // A page cut out of the middle is decoded past; a broken header fails.
    std::vector<size_t> pages = OggPageOffsets(ogg);
    ASSERT_GT(pages.size(), 6u);
    size_t middle = pages.size() / 2;
    Converter holed(ogg.substr(0, pages[middle]) + ogg.substr(pages[middle + 1]));
    ASSERT_EQ(holed.Setup(kOnlyOgg), 0);
    std::string before = VorbisfileDecode(ogg.substr(0, pages[middle]), 2);
    EXPECT_GT(holed.All().size(), before.size() + 8192);
    std::string broken = ogg;
    broken[pages[1] + 40] ^= 0x55;
    Converter bad(broken);
    EXPECT_EQ(bad.Setup(kOnlyOgg), -1);
}

// Encoders pick a movie's serials at random: any 32-bit serial names the
// Vorbis stream beside the pictures, those with bit 31 set and 0 alike.
TEST_F(CompressedReaderTest, VorbisBesideTheoraTakesAnySerial) {
    const auto tone = Tone(11025, 1, 11025, 440, 9000);
    const std::string expected = VorbisfileDecode(EncodeVorbis(tone, 1, 11025, 0.3f), 2);
    for (uint32_t serial : {0x86058D3Fu, 0xFFFFFFFFu, 0u, 0x06058D3Fu}) {
        // Three 16 x 16 frames in 4:2:0 (pixel format 0) before the sound.
        Converter c(EncodeTheora({16, 16, 0, 3, 64, 25, 1, serial}, &tone, 1, 11025, 0.3f));
        ASSERT_EQ(c.Setup(kOnlyOgg, 2, 1), 0) << std::hex << serial;
        EXPECT_TRUE(Same(c.All(), expected)) << std::hex << serial;
    }
}

// A movie's sound track reads its pages from the file as it decodes: the
// converter holds its output buffer (4096 bytes), the decoder's record and
// a few bytes a page, never a copy of the movie.
TEST_F(CompressedReaderTest, VorbisBesideTheoraHoldsNoCopyOfTheMovie) {
    const auto tone = Tone(11025, 1, 11025, 440, 9000);
    const std::string movie = EncodeTheora({320, 240, 0, 25, 1, 25, 1}, &tone, 1, 11025, 0.0f);
    ASSERT_GT(movie.size(), 256u * 1024) << "the pictures are most of the file";
    Converter c(movie);
    const int before = MemGetTotalSize();
    ASSERT_EQ(c.Setup(kOnlyOgg, 2, 1), 0);
    EXPECT_LT(MemGetTotalSize() - before, 32 * 1024);
    EXPECT_TRUE(Same(c.All(), VorbisfileDecode(EncodeVorbis(tone, 1, 11025, 0.0f), 2)));
}

// Whole conversions decode straight into the caller's block, small reads go
// through the output buffer, and reads of a few kilobytes mix both: every
// way gives vorbisfile's own words, clipped samples and odd channel counts
// included.
TEST_F(CompressedReaderTest, VorbisWordsMatchVorbisfileHoweverRead) {
    struct Row {
        const char* name;
        std::string ogg;
    } rows[] = {
        {"mono full-scale noise", EncodeVorbis(Noise(30000, 1, 7), 1, 22050, 0.1f)},
        {"stereo full-scale noise", EncodeVorbis(Noise(30011, 2, 9), 2, 44100, 0.1f)},
        {"three channels", EncodeVorbis(Tone(20000, 3, 22050, 300, 20000), 3, 22050, 0.3f)},
        {"quiet stereo", EncodeVorbis(Tone(40000, 2, 44100, 1000, 40), 2, 44100, 0.5f)},
    };
    for (const Row& r : rows) {
        const std::string expected = VorbisfileDecode(r.ogg, 2);
        ASSERT_GT(expected.size(), 40000u) << r.name;
        for (int chunk : {0, 1000, 5000}) {
            Converter c(r.ogg);
            ASSERT_EQ(c.Setup(kOnlyOgg), 0) << r.name;
            std::string got;
            if (chunk == 0) {
                got = c.All();
            } else {
                for (std::string part; !(part = c.Run(chunk)).empty();) got += part;
            }
            EXPECT_TRUE(Same(got, expected)) << r.name << ", reads of " << chunk;
        }
    }
}

// A chained file whose later link has other channels or another rate: the
// output never holds that link's samples (they would be mislabelled), only
// the first link's or less, and nothing is read of channels a link does not
// have.
TEST_F(CompressedReaderTest, VorbisLinkOfAnotherShapeEndsTheOutput) {
    const auto stereo = Tone(4000, 2, 22050, 440, 9000);
    const std::string first = EncodeVorbis(stereo, 2, 22050, 0.3f, 1);
    const std::string expected = VorbisfileDecode(first, 2);
    struct Row {
        const char* name;
        std::string second;
    } rows[] = {
        {"mono link", EncodeVorbis(Tone(4000, 1, 22050, 300, 9000), 1, 22050, 0.3f, 2)},
        {"other rate", EncodeVorbis(stereo, 2, 11025, 0.3f, 3)},
    };
    for (const Row& r : rows) {
        Converter c(first + r.second);
        ASSERT_EQ(c.Setup(kOnlyOgg), 0) << r.name;
        const std::string out = c.All();
        ASSERT_LE(out.size(), expected.size()) << r.name;
        EXPECT_TRUE(Same(out, expected.substr(0, out.size()))) << r.name;
    }
}

// A chained file cut inside its later link's headers cannot be opened; it is
// refused without the memory vorbisfile loses when it finds out itself.
TEST_F(CompressedReaderTest, ChainedLinkCutInItsHeadersIsRefused) {
    const std::string first = EncodeVorbis(Tone(4000, 1, 22050, 440, 9000), 1, 22050, 0.3f, 1);
    const std::string second = EncodeVorbis(Tone(4000, 1, 22050, 300, 9000), 1, 22050, 0.3f, 2);
    struct Row {
        const char* name;
        size_t kept;
    } rows[] = {{"identification page alone", 58}, {"header page cut", 100}};
    for (const Row& r : rows) {
        Converter c(first + second.substr(0, r.kept));
        EXPECT_EQ(c.Setup(kOnlyOgg), -1) << r.name;
    }
}

TEST_F(CompressedReaderTest, HostileCutsAndNoiseFailOrStopCleanly) {
    std::string ogg = EncodeVorbis(Tone(8000, 1, 8000, 200, 8000), 1, 8000, 0.3f);
    std::mt19937 random(5);
    std::string noise(5000, '\0');
    for (char& ch : noise) ch = char(random());
    const std::string* files[] = {&StereoMp3().bytes, &ogg, &noise};
    for (const std::string* file : files) {
        for (size_t cut :
             {size_t(3), size_t(60), size_t(500), file->size() / 2, file->size() - 7}) {
            Converter c(file->substr(0, cut));
            if (c.Setup(0) == 0) {
                EXPECT_LE(int(c.All().size()), GetSoundConvertSize(&c.state));
            }
        }
    }
}

// --- seeks -------------------------------------------------------------------------

struct SeekCase {
    const char* name;
    std::string (*file)();
};

std::string WaveFile() {
    return SimpleWave(1, 2, 22050, 16, Bytes(Noise(30000, 2, 9)));
}
std::string ImaFile() {
    return ImaAdpcmWave(EncodeImaAdpcm(Noise(30000, 2, 4), 2, 512), 2, 22050);
}
std::string MsAdpcmFile() {
    return MsAdpcmWave(MsAdpcmNoise(60, 2, 512, 5), 2, 22050, 512, MsAdpcmExtension(500));
}
std::string ALawFile() {
    return G711Wave(6, 2, 22050, Bytes(Noise(30000, 1, 6)));
}
std::string MuLawFile() {
    return G711Wave(7, 1, 11025, Bytes(Noise(30000, 1, 8)));
}
std::string GsmFile() {
    return GsmWave(EncodeGsm(Tone(30000, 1, 8000, 300, 9000)).data, 8000);
}
std::string Mp3File() {
    return StereoMp3().bytes;
}
std::string VorbisFile() {
    return EncodeVorbis(Tone(30000, 2, 22050, 700, 9000), 2, 22050, 0.3f);
}
std::string PcmBlock() {
    return "";
}

class SeekEquivalence : public SoundConvertTest, public testing::WithParamInterface<SeekCase> {};

TEST_P(SeekEquivalence, SeekThenRunGivesTheLinearBytes) {
    std::string pcmBlock = Bytes(Noise(20000, 2, 11));
    Converter c(GetParam().file());
    if (c.bytes.empty()) {  // kind 3: a PCM block put in the converter's own area
        c.state.kind = SoundConvertKindPcmBlock;
        c.state.outputFormat = {WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
        c.state.pcm.used = uint32_t(pcmBlock.size());
        c.state.pcm.block =
            static_cast<uint8_t*>(TrackedAlloc(c.state.pcm.used, __FILE__, __LINE__));
        std::memcpy(c.state.pcm.block, pcmBlock.data(), pcmBlock.size());
        c.state.outputSize = 88200;
        ASSERT_EQ(FinishSoundConvertSetup(&c.state), 0);
    } else {
        ASSERT_EQ(c.Setup(0), 0);
    }
    const std::string linear = c.Run(GetSoundConvertSize(&c.state));
    ASSERT_GT(linear.size(), 40000u);
    const int align = c.state.outputFormat.nBlockAlign;
    const int samples = int(linear.size()) / align;
    std::mt19937 random(17);
    for (int i = 0; i < 12; ++i) {
        int n = i == 0 ? 0 : i == 1 ? samples - 100 : int(random() % uint32_t(samples));
        ASSERT_EQ(SeekSoundConvert(&c.state, n), 0);
        std::string got = c.Run(6000);
        EXPECT_TRUE(Same(got, linear.substr(size_t(n) * align, 6000))) << "sample " << n;
    }
    // At the end: a seek under 16 bytes away keeps the end flag.
    c.Run(int(linear.size()));
    ASSERT_TRUE(c.state.endOfData);
    EXPECT_EQ(SeekSoundConvert(&c.state, samples - 2), 0);
    EXPECT_TRUE(c.state.endOfData);
    EXPECT_TRUE(Same(c.Run(100), ""));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SeekEquivalence,
                         testing::Values(SeekCase{"Wave", WaveFile}, SeekCase{"ImaAdpcm", ImaFile},
                                         SeekCase{"MsAdpcm", MsAdpcmFile},
                                         SeekCase{"ALaw", ALawFile}, SeekCase{"MuLaw", MuLawFile},
                                         SeekCase{"Gsm", GsmFile}, SeekCase{"Mp3", Mp3File},
                                         SeekCase{"Vorbis", VorbisFile},
                                         SeekCase{"PcmBlock", PcmBlock}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CompressedReaderTest, LoopStreamServesEveryReturnToTheLoopPoint) {
    Mp3 mp3 = EncodeMp3(Tone(44100 * 3, 2, 44100, 440, 12000), 2, 44100, 128, false);
    Converter c(mp3.bytes);
    ASSERT_EQ(c.Setup(kOnlyMp3Acm), 0);
    const std::string linear = c.Run(GetSoundConvertSize(&c.state));
    const int loop = 30000;  // in the first half
    ASSERT_EQ(SeekSoundConvert(&c.state, 0), 0);
    ASSERT_EQ(SetConvertLoopPoint(&c.state, loop), 0);
    EXPECT_TRUE(Same(c.Run(int(linear.size())), linear));
    for (int pass = 0; pass < 20; ++pass) {
        long before = KnobAcmConvertedBytes();
        ASSERT_EQ(SeekSoundConvert(&c.state, loop), 0);
        long converted = KnobAcmConvertedBytes() - before;
        // From the loop stream within 10240 bytes of the loop point (plus the
        // loop stream's own restart steps), never from the start.
        EXPECT_LT(converted, 10240 + 4 * 9216) << pass;
        EXPECT_TRUE(Same(c.Run(int(linear.size())), linear.substr(size_t(loop) * 4))) << pass;
    }
}

// --- the compression manager's module state ------------------------------------------

TEST_F(CompressedReaderTest, ModuleStateFollowsTheLibrary) {
    EXPECT_EQ(InitSoundConvert(), -1);  // already initialised by the fixture
    EXPECT_EQ(TerminateSoundConvert(), 0);
    EXPECT_EQ(TerminateSoundConvert(), -1);
    EXPECT_EQ(KnobModuleLoadCount("msacm32.dll"), 0);

    KnobHideExport("msacm32.dll", "acmStreamSize", true);
    EXPECT_EQ(InitSoundConvert(), -1);
    EXPECT_EQ(KnobModuleLoadCount("msacm32.dll"), 0);
    KnobHideExport("msacm32.dll", "acmStreamSize", false);

    KnobHideModule("msacm32.dll", true);
    EXPECT_EQ(InitSoundConvert(), -1);
    Converter mp3(StereoMp3().bytes), wave(WaveFile()), ogg(VorbisFile()), ima(ImaFile());
    EXPECT_EQ(mp3.Setup(0x10), -1);
    EXPECT_EQ(ima.Setup(0x10), -1);
    ASSERT_EQ(wave.Setup(0), 0);
    EXPECT_EQ(wave.All().size(), 120000u);
    ASSERT_EQ(ogg.Setup(0), 0);
    EXPECT_EQ(ogg.All().size(), 120000u);
    KnobHideModule("msacm32.dll", false);
    EXPECT_EQ(InitSoundConvert(), 0);
}

}  // namespace
