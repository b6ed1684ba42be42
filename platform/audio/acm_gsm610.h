// GSM 6.10 as WAVE files carry it: 65-byte blocks, each two 160-sample frames
// packed together, mono only.
#pragma once

#include <cstdint>

struct gsm_state;

namespace platform {

constexpr int kGsmBlockBytes = 65;
constexpr int kGsmBlockSamples = 320;

// A decoder's state runs on from block to block, so each stream keeps its own.
class GsmDecoder {
  public:
    GsmDecoder();
    ~GsmDecoder();
    GsmDecoder(const GsmDecoder&) = delete;
    GsmDecoder& operator=(const GsmDecoder&) = delete;

    bool ok() const { return state_ != nullptr; }
    // One block of kGsmBlockBytes into kGsmBlockSamples samples; false when
    // the library refuses a frame.
    bool DecodeBlock(const uint8_t* block, int16_t* out);

  private:
    ::gsm_state* state_;
};

}  // namespace platform
