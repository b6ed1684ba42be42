// G.711 A-law and mu-law: one 8-bit code per sample, expanded to 16-bit PCM.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

int16_t ExpandALaw(uint8_t code);
int16_t ExpandMuLaw(uint8_t code);

// Expands count codes of either law into count samples.
void ExpandG711(const uint8_t* codes, size_t count, bool aLaw, int16_t* out);

}  // namespace platform
