// Media made by the tests and benchmarks themselves: synthesised tones, WAVE
// files, IMA ADPCM with its own reconstruction, MP3 (MPEG-1/2 Layer III
// through libmp3lame, Layer II through libtwolame), Ogg Vorbis, and an Ogg
// file whose first logical stream is Theora and whose second is Vorbis.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mediafixtures {

// frames x channels interleaved samples of round(amplitude x sin(2 pi f t)),
// each channel at its own frequency (f, then 1.5 f, ...).
std::vector<int16_t> Tone(int frames, int channels, int rate, double hz, double amplitude);
// Uniform noise from a fixed seed, full scale.
std::vector<int16_t> Noise(int frames, int channels, uint32_t seed);
// A ramp: sample i of every channel is (i x step) wrapped to 16 bits.
std::vector<int16_t> Ramp(int frames, int channels, int step);

std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
std::string Bytes(const std::vector<int16_t>& pcm);

// A chunk: id, size and body, plus the pad byte after an odd body.
std::string Chunk(const std::string& id, const std::string& body);
// "RIFF" size "WAVE" around the chunks.
std::string Riff(const std::string& chunks);
// A "fmt " body of 16 bytes, or 18 + extra bytes when extra is given.
std::string FormatBody(int tag, int channels, int rate, int bytesPerSecond, int blockAlign,
                       int bits, const std::string* extra = nullptr);
// A whole PCM or float WAVE: fmt (16 bytes) and data.
std::string SimpleWave(int tag, int channels, int rate, int bits, const std::string& data);

struct ImaAdpcm {
    std::string data;              // whole blocks
    std::vector<int16_t> decoded;  // the encoder's own reconstruction
    int blockAlign = 0;
    int samplesPerBlock = 0;  // per channel
};
// Encodes whole blocks (the last filled with its final sample).
ImaAdpcm EncodeImaAdpcm(const std::vector<int16_t>& pcm, int channels, int blockAlign);
// A WAVE file with format tag 0x11 around the blocks.
std::string ImaAdpcmWave(const ImaAdpcm& ima, int channels, int rate);

// Microsoft ADPCM's format extension: samples per block, the pair count, the
// predictor pairs (none given: the seven every encoder writes).
std::string MsAdpcmExtension(int samplesPerBlock,
                             const std::vector<std::pair<int16_t, int16_t>>* pairs = nullptr);
// A WAVE file of Microsoft ADPCM (tag 0x02) blocks with the given extension.
std::string MsAdpcmWave(const std::string& blocks, int channels, int rate, int blockAlign,
                        const std::string& extension);
// Blocks of noise whose headers name pairs 0 to 6 in turn, delta 16 to 271.
std::string MsAdpcmNoise(int blocks, int channels, int blockAlign, uint32_t seed);
// A WAVE file of 8-bit G.711 codes: tag 0x06 (A-law) or 0x07 (mu-law).
std::string G711Wave(int tag, int channels, int rate, const std::string& codes);

struct Gsm {
    std::string data;              // whole 65-byte blocks
    std::vector<int16_t> decoded;  // the blocks through one decoder state
};
// GSM 6.10 in the WAVE packing, mono; the last block filled with silence.
Gsm EncodeGsm(const std::vector<int16_t>& pcm);
// A WAVE file with format tag 0x31 around the blocks.
std::string GsmWave(const std::string& blocks, int rate);

struct Mp3 {
    std::string bytes;
    int frames = 0;  // every frame in the file, an info frame included
    int samplesPerFrame = 0;
};
// Layer III at a constant bit rate; infoFrame writes the encoder's info frame first.
Mp3 EncodeMp3(const std::vector<int16_t>& pcm, int channels, int rate, int kbps, bool infoFrame);
// MPEG-1 Layer II.
Mp3 EncodeMp2(const std::vector<int16_t>& pcm, int channels, int rate, int kbps);

// Ogg Vorbis at quality q (-0.1 .. 1); two files of other serials chain.
std::string EncodeVorbis(const std::vector<int16_t>& pcm, int channels, int rate, float quality,
                         int serial = 0x5EED);
// A Theora movie: coded size rounded up to 16; pixel format 0 4:2:0, 2 4:2:2,
// 3 4:4:4; frame f holds Y = (7x + 3y + 20f) & 255, U = (5x + 11f) & 255,
// V = (9y + 13f) & 255 over the coded planes; a key frame at least every keyEvery.
struct TheoraMovie {
    int width, height, pixelFormat, frames, keyEvery, fpsNumerator, fpsDenominator;
    uint32_t vorbisSerial = 0x5EED;  // of the Vorbis stream, when there is one
};
// With pcm, a Vorbis stream follows as the second logical stream.
std::string EncodeTheora(const TheoraMovie& movie, const std::vector<int16_t>* pcm = nullptr,
                         int channels = 1, int rate = 44100, float quality = 0.3f);
// The same sound as the second logical stream after a small Theora stream.
std::string EncodeTheoraAndVorbis(const std::vector<int16_t>& pcm, int channels, int rate,
                                  float quality);
// The byte offsets of every Ogg page ("OggS") in a file.
std::vector<size_t> OggPageOffsets(const std::string& ogg);

}  // namespace mediafixtures

namespace mediafixtures {

// The project's raw test video: "VSMRAWV1", width, height (negative: top-down),
// FourCC (0: RGB), bits per pixel, rate numerator and denominator, frame
// count, bytes per frame (all little-endian 32-bit), then the frame bytes.
std::string RawVideo(int32_t width, int32_t height, uint32_t fourcc, uint32_t bits, uint32_t num,
                     uint32_t den, uint32_t count, uint32_t frameBytes, const std::string& frames);

}  // namespace mediafixtures
