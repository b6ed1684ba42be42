// Writes the sound fuzzers' starting corpora, made by the tests' own fixture
// writers: FOLDER/wave, FOLDER/ogg, FOLDER/mp3 and the movies in FOLDER/theora
// (the folders must exist).
// Short sounds, so that each input runs quickly.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "media_fixtures.h"

using namespace mediafixtures;

namespace {

bool Write(const std::string& path, const std::string& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<int16_t> mono = Tone(600, 1, 11025, 440, 9000);
    const std::vector<int16_t> stereo = Tone(600, 2, 22050, 440, 9000);
    std::string pcm8;
    for (int16_t v : mono) pcm8 += static_cast<char>((v >> 8) + 128);
    std::string floats;
    for (int16_t v : mono) {
        const float f = v / 32768.0f;
        floats.append(reinterpret_cast<const char*>(&f), sizeof f);
    }
    const std::string odd = Chunk("LIST", "odd") + Chunk("junk", std::string(5, 'j'));
    const std::string fmt16 = Chunk("fmt ", FormatBody(1, 2, 22050, 88200, 4, 16));
    const std::vector<std::pair<std::string, std::string>> files = {
        {"wave/pcm16-stereo.wav", SimpleWave(1, 2, 22050, 16, Bytes(stereo))},
        {"wave/pcm8-mono.wav", SimpleWave(1, 1, 11025, 8, pcm8)},
        {"wave/float32-mono.wav", SimpleWave(3, 1, 11025, 32, floats)},
        {"wave/ima-adpcm-stereo.wav", ImaAdpcmWave(EncodeImaAdpcm(stereo, 2, 256), 2, 22050)},
        {"wave/ima-adpcm-mono-4096-byte-blocks.wav",
         ImaAdpcmWave(EncodeImaAdpcm(mono, 1, 4096), 1, 8000)},
        {"wave/ms-adpcm-stereo.wav",
         MsAdpcmWave(MsAdpcmNoise(3, 2, 64, 1), 2, 22050, 64, MsAdpcmExtension(52))},
        {"wave/a-law-mono.wav", G711Wave(6, 1, 8000, pcm8)},
        {"wave/mu-law-stereo.wav", G711Wave(7, 2, 8000, pcm8)},
        {"wave/gsm-mono.wav", GsmWave(EncodeGsm(mono).data, 8000)},
        {"wave/odd-chunks-before-data.wav", Riff(fmt16 + odd + Chunk("data", Bytes(stereo)))},
        {"wave/no-data-chunk.wav", Riff(fmt16 + odd)},
        {"ogg/vorbis-mono.ogg", EncodeVorbis(mono, 1, 11025, 0.0f)},
        {"ogg/vorbis-stereo.ogg", EncodeVorbis(stereo, 2, 22050, 0.2f)},
        {"ogg/theora-then-vorbis.ogg", EncodeTheoraAndVorbis(mono, 1, 11025, 0.0f)},
        {"ogg/theora-then-vorbis-serial-bit-31.ogg",
         EncodeTheora({16, 16, 0, 3, 64, 25, 1, 0x86058D3Fu}, &mono, 1, 11025, 0.0f)},
        {"theora/yuv420-key-every-3.ogv", EncodeTheora({16, 16, 0, 6, 3, 25, 1})},
        {"theora/yuv422-one-key.ogv", EncodeTheora({32, 16, 2, 4, 8, 30000, 1001})},
        {"theora/yuv444-with-sound.ogv", EncodeTheora({16, 32, 3, 3, 2, 15, 1}, &mono, 1, 11025, 0.0f)},
        {"mp3/mpeg1-stereo.mp3",
         EncodeMp3(Tone(2304, 2, 44100, 440, 9000), 2, 44100, 64, false).bytes},
        {"mp3/mpeg2-mono-info-frame.mp3", EncodeMp3(mono, 1, 11025, 16, true).bytes},
        {"mp3/id3v2-tagged.mp3", std::string("ID3\x03\x00\x00\x00\x00\x00\x0A", 10) +
                                     std::string(10, 't') +
                                     EncodeMp3(stereo, 2, 22050, 32, false).bytes},
        {"mp3/layer2.mp2", EncodeMp2(Tone(2304, 1, 32000, 440, 9000), 1, 32000, 64).bytes},
    };
    for (const auto& [name, bytes] : files)
        if (!Write(folder + "/" + name, bytes)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], name.c_str());
            return 1;
        }
    std::printf("%zu sound files written\n", files.size());
    return 0;
}
