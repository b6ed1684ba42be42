// Microsoft ADPCM blocks: per channel a predictor index (one byte each), then
// the deltas, the first samples and the second samples (16 bits each, the
// channels in turn); then 4-bit codes, high nibble first, the channels
// alternating. The block's first two output samples are the header's second
// and first sample, in that order.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

struct MsAdpcmCoefficients {
    int16_t first, second;
};

// The seven predictor pairs every encoder knows.
const std::vector<MsAdpcmCoefficients>& MsAdpcmStandardCoefficients();

// Samples per channel in a block of blockAlign bytes, the two header samples
// included; 0 when the block is too small for its header or channels is not 1 or 2.
int MsAdpcmSamplesPerBlock(int blockAlign, int channels);

// Decodes one whole block into samplesPerBlock x channels interleaved
// samples; false (nothing decoded) when a predictor index names no pair.
bool DecodeMsAdpcmBlock(const uint8_t* block, int channels, int samplesPerBlock,
                        const std::vector<MsAdpcmCoefficients>& coefficients, int16_t* out);

}  // namespace platform
