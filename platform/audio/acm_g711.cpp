// G.711 expansion for the compression manager's A-law and mu-law codecs.
#include "acm_g711.h"

namespace platform {

int16_t ExpandALaw(uint8_t code) {
    code ^= 0x55;  // the even bits are sent inverted
    const int exponent = (code >> 4) & 7;
    const int mantissa = code & 15;
    // Segment 0 is linear; each higher one doubles the step and adds the leading one.
    int magnitude =
        exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
    return int16_t(code & 0x80 ? magnitude : -magnitude);
}

int16_t ExpandMuLaw(uint8_t code) {
    code = uint8_t(~code);  // every bit is sent inverted
    const int exponent = (code >> 4) & 7;
    const int mantissa = code & 15;
    // The biased magnitude, less the bias of 132 that compression added.
    int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return int16_t(code & 0x80 ? -magnitude : magnitude);
}

void ExpandG711(const uint8_t* codes, size_t count, bool aLaw, int16_t* out) {
    for (size_t i = 0; i < count; ++i) out[i] = aLaw ? ExpandALaw(codes[i]) : ExpandMuLaw(codes[i]);
}

}  // namespace platform
