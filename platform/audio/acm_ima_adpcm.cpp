// IMA ADPCM block decoding for the compression manager's ADPCM codec.
#include "acm_ima_adpcm.h"

#include <algorithm>

namespace platform {

namespace {

constexpr int16_t kStepSizes[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kIndexSteps[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// Each (step index, code) pair's signed difference and next step index, worked
// out once: the decoder then spends one add and one clamp on a sample.
struct CodeTables {
    int32_t diff[89][16];
    uint8_t next[89][16];
};

constexpr CodeTables MakeCodeTables() {
    CodeTables t{};
    for (int index = 0; index < 89; ++index) {
        for (int code = 0; code < 16; ++code) {
            const int step = kStepSizes[index];
            int diff = step >> 3;
            if (code & 4) diff += step;
            if (code & 2) diff += step >> 1;
            if (code & 1) diff += step >> 2;
            t.diff[index][code] = code & 8 ? -diff : diff;
            t.next[index][code] = uint8_t(std::clamp(index + kIndexSteps[code & 7], 0, 88));
        }
    }
    return t;
}

constexpr CodeTables kCodes = MakeCodeTables();

}  // namespace

int ImaAdpcmSamplesPerBlock(int blockAlign, int channels) {
    // The codes after the headers come in whole 4-byte groups per channel.
    if (channels < 1 || channels > 2 || blockAlign <= 4 * channels) return 0;
    if ((blockAlign - 4 * channels) % (4 * channels) != 0) return 0;
    return (blockAlign - 4 * channels) * 8 / (4 * channels) + 1;
}

void DecodeImaAdpcmBlock(const uint8_t* block, int channels, int samplesPerBlock, int16_t* out) {
    int predictor[2], index[2];
    for (int c = 0; c < channels; ++c) {
        const uint8_t* h = block + 4 * c;
        predictor[c] = int16_t(h[0] | h[1] << 8);
        index[c] = std::min<int>(h[2], 88);  // a hostile index stays in the table
        out[c] = int16_t(predictor[c]);
    }
    const uint8_t* data = block + 4 * channels;
    // Each group: 4 bytes (8 samples) of each channel in turn, low nibble first.
    for (int first = 1; first < samplesPerBlock; first += 8) {
        const int count = std::min(8, samplesPerBlock - first);
        for (int c = 0; c < channels; ++c) {
            int p = predictor[c], i = index[c];
            int16_t* o = out + first * channels + c;
            for (int k = 0; k < count; ++k) {
                const int code = data[k >> 1] >> (k & 1) * 4 & 15;
                p = std::clamp(p + kCodes.diff[i][code], -32768, 32767);
                i = kCodes.next[i][code];
                o[k * channels] = int16_t(p);
            }
            predictor[c] = p;
            index[c] = i;
            data += 4;
        }
    }
}

}  // namespace platform
