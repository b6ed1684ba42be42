// Test media made by program (see media_fixtures.h).
#include "media_fixtures.h"

#include <gsm.h>
#include <lame/lame.h>
#include <ogg/ogg.h>
#include <theora/theoraenc.h>
#include <twolame.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

namespace mediafixtures {

std::vector<int16_t> Tone(int frames, int channels, int rate, double hz, double amplitude) {
    std::vector<int16_t> pcm(size_t(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[size_t(i) * channels + c] = int16_t(
                std::lround(amplitude * std::sin(2 * M_PI * hz * (1 + 0.5 * c) * i / rate)));
    return pcm;
}

std::vector<int16_t> Noise(int frames, int channels, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<int16_t> pcm(size_t(frames) * channels);
    for (auto& v : pcm) v = int16_t(d(random));
    return pcm;
}

std::vector<int16_t> Ramp(int frames, int channels, int step) {
    std::vector<int16_t> pcm(size_t(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) pcm[size_t(i) * channels + c] = int16_t(i * step);
    return pcm;
}

std::string Le16(uint16_t v) {
    return std::string{char(v & 0xFF), char(v >> 8)};
}
std::string Le32(uint32_t v) {
    return Le16(uint16_t(v)) + Le16(uint16_t(v >> 16));
}
std::string Bytes(const std::vector<int16_t>& pcm) {
    return std::string(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
}

std::string Chunk(const std::string& id, const std::string& body) {
    std::string c = id + Le32(uint32_t(body.size())) + body;
    if (body.size() & 1) c += '\0';
    return c;
}

std::string Riff(const std::string& chunks) {
    return "RIFF" + Le32(uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}

std::string FormatBody(int tag, int channels, int rate, int bytesPerSecond, int blockAlign,
                       int bits, const std::string* extra) {
    std::string f = Le16(uint16_t(tag)) + Le16(uint16_t(channels)) + Le32(uint32_t(rate)) +
                    Le32(uint32_t(bytesPerSecond)) + Le16(uint16_t(blockAlign)) +
                    Le16(uint16_t(bits));
    if (extra) f += Le16(uint16_t(extra->size())) + *extra;
    return f;
}

std::string SimpleWave(int tag, int channels, int rate, int bits, const std::string& data) {
    int align = channels * bits / 8;
    return Riff(Chunk("fmt ", FormatBody(tag, channels, rate, align * rate, align, bits)) +
                Chunk("data", data));
}

// --- IMA ADPCM -----------------------------------------------------------------

namespace {

constexpr int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kImaIndex[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// Chooses the code nearest the target and moves the state as a decoder would.
int EncodeIma(int target, int* predictor, int* index) {
    int step = kImaSteps[*index];
    int diff = target - *predictor;
    int code = diff < 0 ? 8 : 0;
    if (diff < 0) diff = -diff;
    int delta = step >> 3;
    if (diff >= step) code |= 4, diff -= step, delta += step;
    if (diff >= step >> 1) code |= 2, diff -= step >> 1, delta += step >> 1;
    if (diff >= step >> 2) code |= 1, delta += step >> 2;
    *predictor = std::clamp(code & 8 ? *predictor - delta : *predictor + delta, -32768, 32767);
    *index = std::clamp(*index + kImaIndex[code & 7], 0, 88);
    return code;
}

}  // namespace

ImaAdpcm EncodeImaAdpcm(const std::vector<int16_t>& pcm, int channels, int blockAlign) {
    ImaAdpcm out;
    out.blockAlign = blockAlign;
    const int perBlock = (blockAlign - 4 * channels) * 8 / (4 * channels) + 1;
    out.samplesPerBlock = perBlock;
    const size_t frames = pcm.size() / channels;
    const size_t blocks = (frames + perBlock - 1) / perBlock;
    auto sample = [&](size_t i, int c) { return pcm[std::min(i, frames - 1) * channels + c]; };
    int index[2] = {0, 0};
    for (size_t b = 0; b < blocks; ++b) {
        size_t base = b * perBlock;
        std::string block;
        std::vector<int16_t> decoded(size_t(perBlock) * channels);
        int predictor[2];
        for (int c = 0; c < channels; ++c) {
            predictor[c] = sample(base, c);
            decoded[c] = int16_t(predictor[c]);
            block += Le16(uint16_t(predictor[c])) + char(index[c]) + '\0';
        }
        for (int first = 1; first < perBlock; first += 8) {
            for (int c = 0; c < channels; ++c) {
                uint8_t bytes[4] = {};
                for (int k = 0; k < 8; ++k) {
                    int code = EncodeIma(sample(base + first + k, c), &predictor[c], &index[c]);
                    bytes[k / 2] |= uint8_t(k & 1 ? code << 4 : code);
                    if (first + k < perBlock)
                        decoded[size_t(first + k) * channels + c] = int16_t(predictor[c]);
                }
                block.append(reinterpret_cast<char*>(bytes), 4);
            }
        }
        out.data += block;
        out.decoded.insert(out.decoded.end(), decoded.begin(), decoded.end());
    }
    return out;
}

std::string ImaAdpcmWave(const ImaAdpcm& ima, int channels, int rate) {
    std::string extra = Le16(uint16_t(ima.samplesPerBlock));
    int bytesPerSecond = int(int64_t(ima.blockAlign) * rate / ima.samplesPerBlock);
    return Riff(
        Chunk("fmt ", FormatBody(0x11, channels, rate, bytesPerSecond, ima.blockAlign, 4, &extra)) +
        Chunk("fact", Le32(uint32_t(ima.decoded.size() / channels))) + Chunk("data", ima.data));
}

// --- Microsoft ADPCM and G.711 ------------------------------------------------------

std::string MsAdpcmExtension(int samplesPerBlock,
                             const std::vector<std::pair<int16_t, int16_t>>* pairs) {
    static const std::vector<std::pair<int16_t, int16_t>> standard = {
        {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    if (pairs == nullptr) pairs = &standard;
    std::string extension = Le16(uint16_t(samplesPerBlock)) + Le16(uint16_t(pairs->size()));
    for (auto [first, second] : *pairs) extension += Le16(uint16_t(first)) + Le16(uint16_t(second));
    return extension;
}

std::string MsAdpcmWave(const std::string& blocks, int channels, int rate, int blockAlign,
                        const std::string& extension) {
    const int perBlock = uint8_t(extension[0]) | uint8_t(extension[1]) << 8;
    const int bytesPerSecond = int(int64_t(blockAlign) * rate / perBlock);
    return Riff(
        Chunk("fmt ", FormatBody(0x02, channels, rate, bytesPerSecond, blockAlign, 4, &extension)) +
        Chunk("data", blocks));
}

std::string MsAdpcmNoise(int blocks, int channels, int blockAlign, uint32_t seed) {
    std::mt19937 random(seed);
    std::string out;
    for (int b = 0; b < blocks; ++b) {
        std::string block(size_t(blockAlign), '\0');
        for (char& byte : block) byte = char(random());
        for (int c = 0; c < channels; ++c) {
            block[size_t(c)] = char((b + c) % 7);
            block[size_t(channels + 2 * c)] = char(16 + (b + c) % 256);
            block[size_t(channels + 2 * c + 1)] = 0;
        }
        out += block;
    }
    return out;
}

std::string G711Wave(int tag, int channels, int rate, const std::string& codes) {
    return Riff(Chunk("fmt ", FormatBody(tag, channels, rate, rate * channels, channels, 8)) +
                Chunk("data", codes));
}

Gsm EncodeGsm(const std::vector<int16_t>& pcm) {
    gsm encoder = gsm_create(), decoder = gsm_create();
    int on = 1;
    gsm_option(encoder, GSM_OPT_WAV49, &on);
    gsm_option(decoder, GSM_OPT_WAV49, &on);
    Gsm out;
    std::vector<int16_t> samples(pcm);
    samples.resize((samples.size() + 319) / 320 * 320, 0);
    for (size_t at = 0; at < samples.size(); at += 320) {
        gsm_byte block[65];
        gsm_encode(encoder, samples.data() + at, block);
        gsm_encode(encoder, samples.data() + at + 160, block + 32);
        out.data.append(reinterpret_cast<char*>(block), 65);
        out.decoded.resize(at + 320);
        gsm_decode(decoder, block, out.decoded.data() + at);
        gsm_decode(decoder, block + 33, out.decoded.data() + at + 160);
    }
    gsm_destroy(encoder);
    gsm_destroy(decoder);
    return out;
}

std::string GsmWave(const std::string& blocks, int rate) {
    const std::string extension = Le16(320);
    return Riff(Chunk("fmt ", FormatBody(0x31, 1, rate, rate * 65 / 320, 65, 0, &extension)) +
                Chunk("data", blocks));
}

// --- MPEG audio --------------------------------------------------------------------

Mp3 EncodeMp3(const std::vector<int16_t>& pcm, int channels, int rate, int kbps, bool infoFrame) {
    lame_global_flags* lame = lame_init();
    lame_set_num_channels(lame, channels);
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_brate(lame, kbps);
    lame_set_VBR(lame, vbr_off);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_bWriteVbrTag(lame, infoFrame ? 1 : 0);
    lame_init_params(lame);
    const int frames = int(pcm.size() / channels);
    std::vector<unsigned char> out(size_t(frames) * 5 / 4 + 7200 + 16384);
    std::vector<int16_t> pcmCopy(pcm);
    int n = channels == 2 ? lame_encode_buffer_interleaved(lame, pcmCopy.data(), frames, out.data(),
                                                           int(out.size()))
                          : lame_encode_buffer(lame, pcmCopy.data(), pcmCopy.data(), frames,
                                               out.data(), int(out.size()));
    n += lame_encode_flush(lame, out.data() + n, int(out.size()) - n);
    Mp3 mp3;
    mp3.bytes.assign(reinterpret_cast<char*>(out.data()), size_t(n));
    mp3.samplesPerFrame = rate >= 32000 ? 1152 : 576;
    mp3.frames = lame_get_frameNum(lame) + (infoFrame ? 1 : 0);
    if (infoFrame) {
        unsigned char tag[4096];
        size_t size = lame_get_lametag_frame(lame, tag, sizeof tag);
        if (size <= mp3.bytes.size())
            mp3.bytes.replace(0, size, reinterpret_cast<char*>(tag), size);
    }
    lame_close(lame);
    return mp3;
}

Mp3 EncodeMp2(const std::vector<int16_t>& pcm, int channels, int rate, int kbps) {
    twolame_options* two = twolame_init();
    twolame_set_num_channels(two, channels);
    twolame_set_in_samplerate(two, rate);
    twolame_set_out_samplerate(two, rate);
    twolame_set_bitrate(two, kbps);
    twolame_set_mode(two, channels == 1 ? TWOLAME_MONO : TWOLAME_STEREO);
    twolame_init_params(two);
    const int frames = int(pcm.size() / channels);
    std::vector<unsigned char> out(size_t(frames) * 4 + 16384);
    std::vector<int16_t> pcmCopy(pcm);
    int n =
        twolame_encode_buffer_interleaved(two, pcmCopy.data(), frames, out.data(), int(out.size()));
    n += twolame_encode_flush(two, out.data() + n, int(out.size()) - n);
    twolame_close(&two);
    Mp3 mp2;
    mp2.bytes.assign(reinterpret_cast<char*>(out.data()), size_t(n));
    mp2.samplesPerFrame = 1152;
    // Constant bit rate without padding at 48 kHz: every frame has one length.
    mp2.frames = n / (144000 * kbps / rate);
    return mp2;
}

// --- Ogg ---------------------------------------------------------------------------

namespace {

void AppendPage(std::string* out, const ogg_page& page) {
    out->append(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
    out->append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
}

// Small pages (about 1 KiB), so that tests can cut one out of the middle.
void Drain(ogg_stream_state* stream, std::string* out, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(stream, &page) : ogg_stream_pageout_fill(stream, &page, 1024))
        AppendPage(out, page);
}

struct VorbisWriter {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    ogg_packet headers[3];

    VorbisWriter(int channels, int rate, float quality, int serial) {
        vorbis_info_init(&info);
        vorbis_encode_init_vbr(&info, channels, rate, quality);
        vorbis_comment_init(&comment);
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_stream_init(&stream, serial);
        vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
    }
    ~VorbisWriter() {
        ogg_stream_clear(&stream);
        vorbis_block_clear(&block);
        vorbis_dsp_clear(&dsp);
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    void Audio(const std::vector<int16_t>& pcm, int channels, std::string* out) {
        const int frames = int(pcm.size() / channels);
        for (int done = 0; done <= frames;) {
            int n = std::min(1024, frames - done);
            if (n == 0) {
                vorbis_analysis_wrote(&dsp, 0);
            } else {
                float** buffer = vorbis_analysis_buffer(&dsp, n);
                for (int i = 0; i < n; ++i)
                    for (int c = 0; c < channels; ++c)
                        buffer[c][i] = pcm[size_t(done + i) * channels + c] / 32768.0f;
                vorbis_analysis_wrote(&dsp, n);
            }
            while (vorbis_analysis_blockout(&dsp, &block) == 1) {
                vorbis_analysis(&block, nullptr);
                vorbis_bitrate_addblock(&block);
                ogg_packet packet;
                while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                    ogg_stream_packetin(&stream, &packet);
                    Drain(&stream, out, false);
                }
            }
            if (n == 0) break;
            done += n;
        }
        Drain(&stream, out, true);
    }
};

}  // namespace

std::string EncodeVorbis(const std::vector<int16_t>& pcm, int channels, int rate, float quality,
                         int serial) {
    std::string out;
    VorbisWriter v(channels, rate, quality, serial);
    ogg_stream_packetin(&v.stream, &v.headers[0]);
    Drain(&v.stream, &out, true);
    ogg_stream_packetin(&v.stream, &v.headers[1]);
    ogg_stream_packetin(&v.stream, &v.headers[2]);
    Drain(&v.stream, &out, true);
    v.Audio(pcm, channels, &out);
    return out;
}

std::string EncodeTheora(const TheoraMovie& movie, const std::vector<int16_t>* pcm, int channels,
                         int rate, float quality) {
    th_info ti;
    th_info_init(&ti);
    ti.frame_width = (movie.width + 15) & ~15;
    ti.frame_height = (movie.height + 15) & ~15;
    ti.pic_width = movie.width;
    ti.pic_height = movie.height;
    ti.fps_numerator = movie.fpsNumerator;
    ti.fps_denominator = movie.fpsDenominator;
    ti.pixel_fmt = static_cast<th_pixel_fmt>(movie.pixelFormat);
    ti.quality = 48;
    ti.keyframe_granule_shift = 6;
    th_enc_ctx* enc = th_encode_alloc(&ti);
    ogg_uint32_t keyEvery = movie.keyEvery;
    th_encode_ctl(enc, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &keyEvery, sizeof(keyEvery));
    th_comment tc;
    th_comment_init(&tc);
    ogg_stream_state video;
    ogg_stream_init(&video, 0x7EE0);
    std::unique_ptr<VorbisWriter> v;
    if (pcm) v = std::make_unique<VorbisWriter>(channels, rate, quality, int(movie.vorbisSerial));
    std::string out;
    ogg_packet packet;
    // Both first pages, then the remaining headers, then the data.
    bool first = true;
    while (th_encode_flushheader(enc, &tc, &packet) > 0) {
        ogg_stream_packetin(&video, &packet);
        if (first && v) {
            Drain(&video, &out, true);
            ogg_stream_packetin(&v->stream, &v->headers[0]);
            Drain(&v->stream, &out, true);
        }
        first = false;
    }
    Drain(&video, &out, true);
    if (v) {
        ogg_stream_packetin(&v->stream, &v->headers[1]);
        ogg_stream_packetin(&v->stream, &v->headers[2]);
        Drain(&v->stream, &out, true);
    }
    const int w = static_cast<int>(ti.frame_width), h = static_cast<int>(ti.frame_height);
    const int cw = movie.pixelFormat == TH_PF_444 ? w : w / 2;
    const int ch = movie.pixelFormat == TH_PF_420 ? h / 2 : h;
    std::vector<unsigned char> y(size_t(w) * h), u(size_t(cw) * ch), vv(size_t(cw) * ch);
    for (int frame = 0; frame < movie.frames; ++frame) {
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) y[size_t(r) * w + c] = (c * 7 + r * 3 + frame * 20) & 255;
        for (int r = 0; r < ch; ++r)
            for (int c = 0; c < cw; ++c) {
                u[size_t(r) * cw + c] = (c * 5 + frame * 11) & 255;
                vv[size_t(r) * cw + c] = (r * 9 + frame * 13) & 255;
            }
        th_ycbcr_buffer image = {
            {w, h, w, y.data()}, {cw, ch, cw, u.data()}, {cw, ch, cw, vv.data()}};
        th_encode_ycbcr_in(enc, image);
        while (th_encode_packetout(enc, frame == movie.frames - 1, &packet) > 0)
            ogg_stream_packetin(&video, &packet);
    }
    Drain(&video, &out, true);
    if (v) v->Audio(*pcm, channels, &out);
    ogg_stream_clear(&video);
    th_comment_clear(&tc);
    th_encode_free(enc);
    th_info_clear(&ti);
    return out;
}

std::string EncodeTheoraAndVorbis(const std::vector<int16_t>& pcm, int channels, int rate,
                                  float quality) {
    return EncodeTheora(TheoraMovie{32, 32, TH_PF_420, 3, 64, 25, 1}, &pcm, channels, rate,
                        quality);
}

std::vector<size_t> OggPageOffsets(const std::string& ogg) {
    std::vector<size_t> pages;
    for (size_t at = ogg.find("OggS"); at != std::string::npos; at = ogg.find("OggS", at + 4))
        pages.push_back(at);
    return pages;
}

}  // namespace mediafixtures

namespace mediafixtures {

std::string RawVideo(int32_t width, int32_t height, uint32_t fourcc, uint32_t bits, uint32_t num,
                     uint32_t den, uint32_t count, uint32_t frameBytes, const std::string& frames) {
    return "VSMRAWV1" + Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le32(fourcc) + Le32(bits) +
           Le32(num) + Le32(den) + Le32(count) + Le32(frameBytes) + frames;
}

}  // namespace mediafixtures
