// IMA ADPCM blocks: each channel's block starts with a 4-byte header (first
// sample, step index, a reserved byte), then 4-byte groups of eight 4-bit
// codes per channel in turn, low nibble first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Samples per channel in a block of blockAlign bytes; 0 when the block is too
// small for its headers, holds a partial group or the channels are not 1 or 2.
int ImaAdpcmSamplesPerBlock(int blockAlign, int channels);

// Decodes one whole block into samplesPerBlock x channels interleaved samples.
void DecodeImaAdpcmBlock(const uint8_t* block, int channels, int samplesPerBlock, int16_t* out);

}  // namespace platform
