// The sound file writers. "fmt " comes straight after "WAVE", as the
// engine's reader wants.
#include "audio_files.h"

#include <vorbis/vorbisenc.h>
#define OV_EXCLUDE_STATIC_CALLBACKS  // only our own memory reader
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace demo {

namespace {

void put32(std::vector<unsigned char>& o, uint32_t v) {
    for (int k = 0; k < 4; ++k) o.push_back(static_cast<unsigned char>(v >> (8 * k)));
}
void put16(std::vector<unsigned char>& o, uint16_t v) {
    o.push_back(static_cast<unsigned char>(v));
    o.push_back(static_cast<unsigned char>(v >> 8));
}

std::vector<unsigned char> wave(const std::vector<unsigned char>& data, int format, int channels,
                                int rate, int bits) {
    std::vector<unsigned char> o;
    const char* riff = "RIFF";
    o.insert(o.end(), riff, riff + 4);
    put32(o, static_cast<uint32_t>(36 + data.size()));
    const char* head = "WAVEfmt ";
    o.insert(o.end(), head, head + 8);
    put32(o, 16);
    put16(o, static_cast<uint16_t>(format));
    put16(o, static_cast<uint16_t>(channels));
    put32(o, static_cast<uint32_t>(rate));
    put32(o, static_cast<uint32_t>(rate * channels * bits / 8));
    put16(o, static_cast<uint16_t>(channels * bits / 8));
    put16(o, static_cast<uint16_t>(bits));
    const char* d = "data";
    o.insert(o.end(), d, d + 4);
    put32(o, static_cast<uint32_t>(data.size()));
    o.insert(o.end(), data.begin(), data.end());
    return o;
}

float clip(float v) {
    return std::clamp(v, -1.0f, 1.0f);
}

}  // namespace

std::vector<unsigned char> wave_pcm16(const std::vector<float>& samples, int channels, int rate) {
    std::vector<unsigned char> data;
    for (float s : samples)
        put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(clip(s) * 32767))));
    return wave(data, 1, channels, rate, 16);
}

std::vector<unsigned char> wave_pcm8(const std::vector<float>& samples, int channels, int rate) {
    std::vector<unsigned char> data;
    for (float s : samples)
        data.push_back(static_cast<unsigned char>(std::lround(clip(s) * 127) + 128));
    return wave(data, 1, channels, rate, 8);
}

std::vector<unsigned char> wave_float(const std::vector<float>& samples, int channels, int rate) {
    std::vector<unsigned char> data(samples.size() * 4);
    for (size_t k = 0; k < samples.size(); ++k) {
        const float s = clip(samples[k]);
        std::memcpy(&data[k * 4], &s, 4);
    }
    return wave(data, 3, channels, rate, 32);
}

std::vector<unsigned char> ogg_vorbis(const std::vector<float>& samples, int channels, int rate,
                                      float quality, int serial) {
    std::vector<unsigned char> out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, channels, rate, quality);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    const auto take = [&](ogg_page& p) {
        out.insert(out.end(), p.header, p.header + p.header_len);
        out.insert(out.end(), p.body, p.body + p.body_len);
    };
    while (ogg_stream_flush(&os, &page)) take(page);

    const size_t frames = samples.size() / channels;
    const size_t step = 1024;
    for (size_t at = 0;;) {
        const size_t n = std::min(step, frames - at);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t f = 0; f < n; ++f)
                for (int ch = 0; ch < channels; ++ch)
                    buffer[ch][f] = samples[(at + f) * channels + ch];
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            at += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page)) take(page);
            }
        }
        if (n == 0) break;
    }
    while (ogg_stream_flush(&os, &page)) take(page);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

namespace {

struct memory_reader {
    const std::vector<unsigned char>* bytes;
    size_t at = 0;
};

size_t read_memory(void* out, size_t size, size_t count, void* source) {
    auto* m = static_cast<memory_reader*>(source);
    const size_t n = std::min(size * count, m->bytes->size() - m->at);
    std::memcpy(out, m->bytes->data() + m->at, n);
    m->at += n;
    return size ? n / size : 0;
}

// The largest sample the Vorbis stream decodes to (full scale 1.0).
double decoded_peak(const std::vector<unsigned char>& bytes) {
    memory_reader m{&bytes};
    OggVorbis_File file;
    const ov_callbacks calls{read_memory, nullptr, nullptr, nullptr};
    if (ov_open_callbacks(&m, &file, nullptr, 0, calls) != 0) return 1.0;
    double peak = 0;
    for (;;) {
        float** pcm = nullptr;
        int section = 0;
        const long n = ov_read_float(&file, &pcm, 4096, &section);
        if (n <= 0) break;
        for (int ch = 0; ch < file.vi->channels; ++ch)
            for (long k = 0; k < n; ++k) peak = std::max(peak, double(std::abs(pcm[ch][k])));
    }
    ov_clear(&file);
    return peak;
}

}  // namespace

std::vector<unsigned char> ogg_vorbis_peaking(const std::vector<float>& samples, int channels,
                                              int rate, float quality, int serial, float peak) {
    std::vector<unsigned char> first = ogg_vorbis(samples, channels, rate, quality, serial);
    const double got = decoded_peak(first);
    if (got <= 0) return first;
    std::vector<float> scaled(samples);
    for (float& v : scaled) v = static_cast<float>(v * peak / got);
    return ogg_vorbis(scaled, channels, rate, quality, serial);
}

}  // namespace demo
