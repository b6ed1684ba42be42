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

struct Channel {
    int predictor;
    int index;

    int16_t Decode(int code) {
        int step = kStepSizes[index];
        int diff = step >> 3;
        if (code & 4) diff += step;
        if (code & 2) diff += step >> 1;
        if (code & 1) diff += step >> 2;
        predictor = std::clamp(code & 8 ? predictor - diff : predictor + diff, -32768, 32767);
        index = std::clamp(index + kIndexSteps[code & 7], 0, 88);
        return int16_t(predictor);
    }
};

}  // namespace

int ImaAdpcmSamplesPerBlock(int blockAlign, int channels) {
    // The codes after the headers come in whole 4-byte groups per channel.
    if (channels < 1 || channels > 2 || blockAlign <= 4 * channels) return 0;
    if ((blockAlign - 4 * channels) % (4 * channels) != 0) return 0;
    return (blockAlign - 4 * channels) * 8 / (4 * channels) + 1;
}

void DecodeImaAdpcmBlock(const uint8_t* block, int channels, int samplesPerBlock, int16_t* out) {
    Channel state[2];
    for (int c = 0; c < channels; ++c) {
        const uint8_t* h = block + 4 * c;
        state[c].predictor = int16_t(h[0] | h[1] << 8);
        state[c].index = std::min<int>(h[2], 88);  // a hostile index stays in the table
        out[c] = int16_t(state[c].predictor);
    }
    const uint8_t* data = block + 4 * channels;
    // Each group: 4 bytes (8 samples) of each channel in turn.
    for (int first = 1; first < samplesPerBlock; first += 8) {
        for (int c = 0; c < channels; ++c) {
            for (int k = 0; k < 8 && first + k < samplesPerBlock; ++k) {
                int byte = data[k / 2];
                int code = (k & 1) ? byte >> 4 : byte & 15;
                out[(first + k) * channels + c] = state[c].Decode(code);
            }
            data += 4;
        }
    }
}

}  // namespace platform
