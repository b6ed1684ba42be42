// MPEG audio frames through libmpg123 in feed mode, one whole frame per call.
#include "mpeg_audio_feed.h"

#include <mpg123.h>

#include <algorithm>
#include <mutex>

namespace platform {

namespace {

// kbit/s by [MPEG-1 0, else 1][layer - 1][index]; index 0 (free format) and
// 15 are refused. MPEG-2.5 has MPEG-2's rates.
constexpr int kBitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
// By [MPEG-1, MPEG-2, MPEG-2.5][index].
constexpr int kSampleRates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

bool MpegAudioFeed::ParseHeader(const uint8_t* h, MpegFrameHeader* out) {
    // Eleven sync bits, then the version: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5 (the
    // low rates' extension, Layer III only), 1 reserved.
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (h[1] >> 3) & 3;
    int layerBits = (h[1] >> 1) & 3;
    int rateIndex = h[2] >> 4;
    int sampleIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || (versionBits == 0 && layerBits != 1)) return false;
    if (layerBits == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3) return false;
    const int mpeg2 = versionBits == 3 ? 0 : 1;
    MpegFrameHeader f{};
    f.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    f.layer = 4 - layerBits;
    f.bitRate = kBitRates[mpeg2][f.layer - 1][rateIndex];
    f.sampleRate = kSampleRates[versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2][sampleIndex];
    f.padding = (h[2] >> 1) & 1;
    f.channels = (h[3] & 0xC0) == 0xC0 ? 1 : 2;
    if (f.layer == 1) {
        f.length = (12000 * f.bitRate / f.sampleRate + f.padding) * 4;
        f.samples = 384;
    } else if (f.layer == 3 && mpeg2) {
        f.length = 72000 * f.bitRate / f.sampleRate + f.padding;
        f.samples = 576;
    } else {
        f.length = 144000 * f.bitRate / f.sampleRate + f.padding;
        f.samples = 1152;
    }
    *out = f;
    return true;
}

ptrdiff_t MpegAudioFeed::FindFrame(const uint8_t* data, size_t size, size_t from, int sampleRate,
                                   int channels, MpegFrameHeader* header) {
    for (size_t i = from; i + 4 <= size; ++i) {
        if (data[i] != 0xFF) continue;
        MpegFrameHeader f;
        if (!ParseHeader(data + i, &f)) continue;
        if ((sampleRate && f.sampleRate != sampleRate) || (channels && f.channels != channels))
            continue;
        *header = f;
        return ptrdiff_t(i);
    }
    return -1;
}

MpegAudioFeed::MpegAudioFeed() {
    InitLibrary();
    int error = 0;
    mpg123_handle* h = mpg123_new(nullptr, &error);
    if (h == nullptr) return;
    // Every frame decodes to 16-bit samples at its own rate and channels; no
    // frame is trimmed, skipped or held back for read-ahead.
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME | MPG123_QUIET | MPG123_NO_READAHEAD,
                 0);
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(h) != MPG123_OK) {
        mpg123_delete(h);
        return;
    }
    handle_ = h;
}

MpegAudioFeed::~MpegAudioFeed() {
    if (handle_ != nullptr) mpg123_delete(handle_);
}

bool MpegAudioFeed::DecodeFrame(const uint8_t* frame, const MpegFrameHeader& header,
                                std::vector<int16_t>* out) {
    if (handle_ == nullptr) return false;
    const size_t want = size_t(header.samples) * size_t(header.channels);
    const size_t start = out->size();
    out->resize(start + want, 0);
    size_t got = 0;
    if (mpg123_feed(handle_, frame, size_t(header.length)) != MPG123_OK) return false;
    for (;;) {
        off_t number = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        int r = mpg123_decode_frame(handle_, &number, &audio, &bytes);
        if (r == MPG123_NEW_FORMAT) continue;
        if (r != MPG123_OK) break;  // MPG123_NEED_MORE: the frame is used up
        size_t take = std::min(bytes / 2, want - got);
        std::copy_n(reinterpret_cast<const int16_t*>(audio), take, out->data() + start + got);
        got += take;
    }
    return true;
}

}  // namespace platform
