// Microsoft ADPCM block decoding for the compression manager's ADPCM codec.
#include "acm_ms_adpcm.h"

#include <algorithm>

namespace platform {

namespace {

constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};
// A hostile stream of large codes would triple the delta without end.
constexpr int kMaxDelta = 1 << 20;

int16_t Le16(const uint8_t* p) {
    return int16_t(p[0] | p[1] << 8);
}

struct Channel {
    MsAdpcmCoefficients pair;
    int delta;
    int sample1, sample2;  // the latest sample, and the one before

    int16_t Decode(int code) {
        const int signedCode = code & 8 ? code - 16 : code;
        // 64 bits: a file's own pairs may be as large as 16 bits allow.
        int64_t predicted = (int64_t(sample1) * pair.first + int64_t(sample2) * pair.second) >> 8;
        predicted = std::clamp<int64_t>(predicted + signedCode * delta, -32768, 32767);
        sample2 = sample1;
        sample1 = int(predicted);
        delta = std::clamp(kAdaptation[code] * delta >> 8, 16, kMaxDelta);
        return int16_t(predicted);
    }
};

}  // namespace

const std::vector<MsAdpcmCoefficients>& MsAdpcmStandardCoefficients() {
    static const std::vector<MsAdpcmCoefficients> pairs = {
        {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    return pairs;
}

int MsAdpcmSamplesPerBlock(int blockAlign, int channels) {
    if (channels < 1 || channels > 2 || blockAlign < 7 * channels) return 0;
    return (blockAlign - 7 * channels) * 2 / channels + 2;
}

bool DecodeMsAdpcmBlock(const uint8_t* block, int channels, int samplesPerBlock,
                        const std::vector<MsAdpcmCoefficients>& coefficients, int16_t* out) {
    Channel state[2];
    for (int c = 0; c < channels; ++c) {
        if (block[c] >= coefficients.size()) return false;
        state[c].pair = coefficients[block[c]];
        state[c].delta = Le16(block + channels + 2 * c);
        state[c].sample1 = Le16(block + 3 * channels + 2 * c);
        state[c].sample2 = Le16(block + 5 * channels + 2 * c);
        out[c] = int16_t(state[c].sample2);
        out[channels + c] = int16_t(state[c].sample1);
    }
    const uint8_t* codes = block + 7 * channels;
    // Codes run in channel order through the block, two to a byte.
    const int count = (samplesPerBlock - 2) * channels;
    for (int i = 0; i < count; ++i) {
        const int code = i & 1 ? codes[i / 2] & 15 : codes[i / 2] >> 4;
        out[2 * channels + i] = state[i % channels].Decode(code);
    }
    return true;
}

}  // namespace platform
