// GSM 6.10 blocks for the compression manager, decoded by libgsm.
#include "acm_gsm610.h"

#include <gsm.h>

namespace platform {

GsmDecoder::GsmDecoder() : state_(gsm_create()) {
    // The WAVE packing: a 33-byte frame and a 32-byte frame per block.
    int on = 1;
    if (state_ != nullptr && gsm_option(state_, GSM_OPT_WAV49, &on) < 0) {
        gsm_destroy(state_);
        state_ = nullptr;
    }
}

GsmDecoder::~GsmDecoder() {
    if (state_ != nullptr) gsm_destroy(state_);
}

bool GsmDecoder::DecodeBlock(const uint8_t* block, int16_t* out) {
    // Each block starts with its long frame, whatever came before.
    int first = 0;
    gsm_option(state_, GSM_OPT_FRAME_INDEX, &first);
    auto* bytes = const_cast<gsm_byte*>(block);
    return gsm_decode(state_, bytes, out) == 0 &&
           gsm_decode(state_, bytes + 33, out + kGsmBlockSamples / 2) == 0;
}

}  // namespace platform
